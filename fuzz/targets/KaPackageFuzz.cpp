// The resource package: its table, then every entry read back through the
// entry streams, the folder walks, and the main package serving files by path
// as the game reads content.

#include <memory>
#include <vector>

#include "engine/core/KaFile.h"
#include "engine/core/KaPackage.h"
#include "engine/core/KaStream.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

// Entries read per input: a table may list thousands, each as large as the
// package; a few show everything the reads can do.
const unsigned int kEntriesRead = 32;

// The paths the table names, parsed here the simple way (the package keeps
// its table to itself): version byte, count, then length, bytes, offset, size.
std::vector<KaPath> tablePaths(const uint8_t* data, size_t size)
{
    std::vector<KaPath> paths;
    size_t at = 5;
    auto u32 = [&](unsigned int& value) {
        if (at > size || size - at < 4)
            return false;
        value = data[at] | data[at + 1] << 8 | data[at + 2] << 16 | static_cast<unsigned int>(data[at + 3]) << 24;
        at += 4;
        return true;
    };
    unsigned int length = 0;
    while (paths.size() < kEntriesRead && at <= size && u32(length) && length <= size - at) {
        paths.push_back(KaPath(KaString(reinterpret_cast<const char*>(data + at), length)));
        at += length + 8;
    }
    return paths;
}

void readEntries(KaPackage& package, const std::vector<KaPath>& paths)
{
    for (const KaPath& path : paths) {
        std::unique_ptr<KaPackage::Dir> dir(package.openDir(path.directory()));
        if (dir) {
            unsigned int names = 0;
            for (const KaPath* name = dir->readNext(); name && names < kEntriesRead; name = dir->readNext())
                ++names;
        }
        std::unique_ptr<KaPackage::OpenedFile> file(package.openFile(path));
        KaFuzzCheck(!file == !package.fileExists(path), "an entry opens exactly when it exists");
        if (!file)
            continue;
        const unsigned long size = file->size();
        const unsigned long read = KaFuzzDrain(*file, 1000);
        KaFuzzCheck(read <= size, "an entry never reads past its size");
        // Back inside and read the tail again.
        if (size > 0 && file->seek(size / 2))
            KaFuzzCheck(KaFuzzDrain(*file, 7) <= size - size / 2, "a seek inside reads at most the rest");
        KaFuzzCheck(!file->seek(size), "seeking to the end of an entry is refused");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        KaStream source;
        KaFuzzFillStream(source, data, size);
        KaPackage package;
        if (package.open(source)) {
            readEntries(package, tablePaths(data, size));
            // A second table from the same stream keeps the first's entries.
            source.seek(0);
            package.open(source);
        }
        package.close();
    }

    // The main package opened by path, serving files by name as the game
    // reads them; a file left open when the package closes must read nothing.
    const KaPath path = KaFuzzWriteFile("content.pak", data, size);
    KaPackage* main = KaMainFilePackage.get();
    KaFile lingering;
    if (main->open(path)) {
        for (const KaPath& entry : tablePaths(data, size)) {
            KaFile file;
            if (file.open(entry, KaFileSystem::Read))
                KaFuzzDrain(file, 333);
            if (!lingering.isOpened())
                lingering.open(entry, KaFileSystem::Read);
        }
    }
    main->close();
    unsigned char byte;
    KaFuzzCheck(lingering.readData(&byte, 1) == 0, "an entry of a closed package reads nothing");
    lingering.close();
    return 0;
}
