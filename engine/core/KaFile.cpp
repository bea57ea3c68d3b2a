#include "engine/core/KaFile.h"

KaFile::KaFile() = default;

KaFile::KaFile(const KaPath& path, KaFileSystem::OpenMode mode)
    : KaBaseFile(path, mode)
{
}

KaFile::~KaFile() = default;
