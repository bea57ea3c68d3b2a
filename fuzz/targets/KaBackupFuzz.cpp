// A damaged or replaced save file in the save folder: KaBackup::load, and
// a load that succeeds saved back and loaded again, as the game rewrites its
// options and slots.

#include <cstdio>

#include <tinyxml.h>

#include "engine/core/KaBackup.h"
#include "engine/core/KaXMLLoad.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KaPath target = KaGetBackupPath("0.xml");
    FILE* file = std::fopen(target.c_str(), "wb");
    KaFuzzCheck(file != nullptr, "the save folder takes a file");
    if (size)
        std::fwrite(data, 1, size, file);
    std::fclose(file);

    KaBackup* backup = backupManager.get();
    TiXmlDocument document;
    if (backup->load("Backup/0.xml", document)) {
        // Text that is not UTF-8 may be refused rather than saved changed.
        const bool saved = backup->save("Backup/0.xml", document);
        if (KaFuzzValidUtf8(data, size))
            KaFuzzCheck(saved, "a loaded save is written back");
        TiXmlDocument again;
        KaFuzzCheck(backup->load("0.xml", again), "a save, written back or kept, loads again");
    } else {
        // A damaged save must survive the failed load untouched.
        KaFuzzCheck(backup->exist("0.xml"), "a save that fails to load is still there");
    }
    KaXMLFreeBuffer();
    return 0;
}
