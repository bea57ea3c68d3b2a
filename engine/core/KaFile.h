#ifndef KA_FILE_H
#define KA_FILE_H

#include "engine/core/KaBaseFile.h"

// The file class every caller uses to read content and write files.
class KaFile : public KaBaseFile {
public:
    KaFile();
    // Opens at once; test isOpened() for the result.
    KaFile(const KaPath& path, KaFileSystem::OpenMode mode);
    ~KaFile() override;
};

#endif
