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
        // A save may refuse text that would not read back (bytes that are
        // not UTF-8), but well-formed text always saves, and what it writes
        // loads again.
        const bool saved = KaXMLSave(copy, shared);
        if (KaFuzzValidUtf8(data, size))
            KaFuzzCheck(saved, "a loaded well-formed document saves");
        if (saved) {
            TiXmlDocument again;
            KaFuzzCheck(KaXMLLoad(copy, again, "[fuzz]"), "a saved document loads again");
            // The first save may tidy what TinyXML read leniently (a space
            // before a dropped "&"), but saving again changes nothing more.
            // Only for UTF-8: after a broken lead byte TinyXML keeps "&amp;"
            // as text and escapes it again on every save.
            if (KaFuzzValidUtf8(data, size)) {
                KaPath second(KaFuzzFolder());
                second += "/second.xml";
                KaFuzzCheck(KaXMLSave(second, again), "a document saved once saves again");
                TiXmlDocument third;
                KaFuzzCheck(KaXMLLoad(second, third, "[fuzz]"), "a document saved twice loads");
                KaFuzzCheck(printed(third) == printed(again), "saving a saved document changes nothing");
            }
            KaXMLFreeBuffer();
        }
    }
    return 0;
}
