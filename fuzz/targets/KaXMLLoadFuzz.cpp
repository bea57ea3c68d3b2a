// XML content files through KaXMLLoad, with the shared buffer and with a
// caller's buffer; a document that loads is written back with KaXMLSave and
// must load again to the same text.

#include <string>

#include <tinyxml.h>

#include "engine/core/KaXMLLoad.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

std::string printed(const TiXmlDocument& document)
{
    TiXmlPrinter printer;
    document.Accept(&printer);
    return printer.CStr();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KaPath path = KaFuzzWriteFile("scene.xml", data, size);

    TiXmlDocument shared;
    const bool loaded = KaXMLLoad(path, shared, "[fuzz]");
    if (loaded)
        KaFuzzCheck(KaXMLBuffer != nullptr && KaXMLBuffer[size] == 0, "the shared buffer holds the terminated text");
    KaXMLFreeBuffer();

    unsigned char* own = nullptr;
    TiXmlDocument mine;
    KaFuzzCheck(KaXMLLoad(path, mine, "[fuzz]", &own) == loaded, "both buffers load alike");
    delete[] own;

    if (loaded) {
        KaPath copy(KaFuzzFolder());
        copy += "/copy.xml";
        // A save refuses text that would not read back as the same document
        // (bytes that are not UTF-8 can make TinyXML write an entity it then
        // keeps as text), but well-formed text always saves, and what it
        // writes loads again to the same document.
        const bool saved = KaXMLSave(copy, shared);
        if (KaFuzzValidUtf8(data, size))
            KaFuzzCheck(saved, "a loaded well-formed document saves");
        if (saved) {
            TiXmlDocument again;
            KaFuzzCheck(KaXMLLoad(copy, again, "[fuzz]"), "a saved document loads again");
            KaFuzzCheck(printed(again) == printed(shared), "a saved document loads to the same text");
            KaXMLFreeBuffer();
        }
    }
    return 0;
}
