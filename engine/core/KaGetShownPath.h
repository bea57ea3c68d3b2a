#ifndef KA_GET_SHOWN_PATH_H
#define KA_GET_SHOWN_PATH_H

#include "engine/core/KaPath.h"

// A path as messages show it: a relative one joined to the current folder
// (without its leading "./"), so that whoever reads the console knows where
// the program looked. Absolute and empty paths stay as they are.
KaString KaGetShownPath(const KaPath& path);

#endif
