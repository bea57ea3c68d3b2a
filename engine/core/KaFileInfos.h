#ifndef KA_FILE_INFOS_H
#define KA_FILE_INFOS_H

#include "engine/core/KaPath.h"

// One file of a flat folder list (KaDirectory::getFilesList): the name the
// caller knows it by (the prefix and the path below the listed folder) and the
// path to open it with.
class KaFileInfos {
public:
    enum Type { TypeNone = 0, TypeFile = 1, TypeFolder = 2 };

    KaFileInfos()
        : relativeName()
        , fullPath()
        , type(TypeNone)
    {
    }

    KaPath relativeName;
    KaPath fullPath;
    unsigned int type;
};

#endif
