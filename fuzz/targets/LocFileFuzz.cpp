// The localisation table (LocFile) read from a damaged or forged text file:
// a file that loads gives entries that all resolve through the table and
// through the core, the same file read again gives the same table, and a
// file that does not parse leaves the table empty.

#include "engine/core/KaCore.h"
#include "engine/core/KaXMLLoad.h"
#include "engine/script/LocFile.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KaPath path = KaFuzzWriteFile("texts.xml", data, size);
    TiXmlDocument document;
    const bool parses = KaXMLLoad(path, document, "[fuzz]");
    KaXMLFreeBuffer();

    LocFile table;
    table.load(path);
    KaFuzzCheck(parses || table.table().size() == 0, "a file that does not parse gives no entry");
    for (auto entry = table.table().firstElement(); entry != table.table().end(); ++entry) {
        const KaString* value = table.value(entry->key);
        KaFuzzCheck(value != nullptr && table.avatar(entry->key) != nullptr, "every entry resolves by its key");
    }

    // Registered with the core, as the application registers its table.
    core.get()->addLoc(table);
    for (auto entry = table.table().firstElement(); entry != table.table().end(); ++entry)
        KaFuzzCheck(core.get()->loc() == &table && core.get()->loc()->text(entry->key) != nullptr, "every entry resolves through the core");

    const unsigned long long count = table.table().size();
    table.load(path);
    KaFuzzCheck(table.table().size() == count, "the same file read again gives the same table");
    core.get()->removeLoc(table);
    return 0;
}
