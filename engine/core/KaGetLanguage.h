#ifndef KA_GET_LANGUAGE_H
#define KA_GET_LANGUAGE_H

#include "engine/core/KaString.h"

// The user's preferred language as a language code ("en", "fr", "pt"...),
// never empty. It comes from the first set, non-empty variable of LANGUAGE
// (its first non-empty entry: the variable is a ':' list), LC_ALL,
// LC_MESSAGES and LANG; the codeset (".UTF-8") and modifier ("@euro") are
// dropped and the code is cut before the first '-' or '_'. "C", "POSIX", an
// empty code or no setting at all give "en". The code is not checked against
// the languages the game has texts for: the application falls back itself.
KaString KaGetLanguage();

#endif
