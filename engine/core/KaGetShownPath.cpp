#include "engine/core/KaGetShownPath.h"

#include "engine/core/KaDirectory.h"

KaString KaGetShownPath(const KaPath& path)
{
    if (path.length() == 0 || path.c_str()[0] == '/')
        return path;
    const KaString& folder = KaDirectory::getCurrentDir();
    if (folder.length() == 0)
        return path;
    const char* rest = path.c_str();
    while (rest[0] == '.' && rest[1] == '/')
        rest += 2;
    KaString full(folder);
    if (folder.c_str()[folder.length() - 1] != '/')
        full += KaString("/");
    return full + KaString(rest);
}
