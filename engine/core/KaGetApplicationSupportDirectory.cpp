#include "engine/core/KaGetApplicationSupportDirectory.h"

#include <cstdlib>

KaPath KaGetApplicationSupportDirectory()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return KaPath(dataHome);
    // A relative home would put the saves wherever the game happens to run.
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/')
        return KaPath();
    KaPath folder(home);
    folder += "/.local/share";
    return folder;
}
