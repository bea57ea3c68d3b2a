#ifndef OPTIONS_VALUES_H
#define OPTIONS_VALUES_H

#include "engine/core/KaString.h"

// What "options.xml" may hold where the game builds paths from it: a
// language code ("en", "pt_BR", "zh-Hant"), and an artwork's path that stays
// inside the folder it is taken from: plain names of letters, digits, '_',
// '-' and '.' (not "." or "..") joined by single '/'. Anything else ("/etc",
// "../..") is refused by the options' reader and so never written back.
class OptionsValues {
public:
    static bool languageCode(const KaString& value);
    static bool artworkPath(const KaString& value);
};

#endif
