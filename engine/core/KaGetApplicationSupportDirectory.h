#ifndef KA_GET_APPLICATION_SUPPORT_DIRECTORY_H
#define KA_GET_APPLICATION_SUPPORT_DIRECTORY_H

#include "engine/core/KaPath.h"

// The user's folder for application data: $XDG_DATA_HOME when it is set to an
// absolute path, else $HOME/.local/share; empty when neither can be told.
// It is not created here.
KaPath KaGetApplicationSupportDirectory();

#endif
