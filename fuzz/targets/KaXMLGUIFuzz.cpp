// GUI descriptions read by KaXMLGUI: every element kind, with its properties,
// built and then released the way a screen change releases them (deferred
// deletion at the end of the frame). The same file loaded twice gives the
// same groups; a load that fails leaves nothing behind.

#include <cstdlib>

#include <tinyxml.h>

#include "engine/core/KaObject.h"
#include "engine/core/KaXMLLoad.h"
#include "engine/graphics/KaImage.h"
#include "engine/script/KaXMLGUI.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    // Sounds are built by the descriptions: OpenAL's null output, never a
    // sound card.
    setenv("ALSOFT_DRIVERS", "null", 1);
    // A picture beside the descriptions, for the "./pic.png" of the seeds:
    // sprites and sprite buttons read it against the description's folder.
    KaImage picture;
    picture.create(8, 4, KaIntrusivePtr<KaPalette>(), RGBA8888);
    picture.fill(200, 100, 50, 255);
    KaPath file(KaFuzzFolder());
    file += "/pic.png";
    picture.save(file, KaImage::PNG);
    return 0;
}

namespace {

unsigned long countOf(const KaList<KaString>& list)
{
    unsigned long count = 0;
    for (KaList<KaString>::KaIterator it = list.firstElement(); it != list.end(); ++it)
        ++count;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KaPath path = KaFuzzWriteFile("gui.xml", data, size);

    TiXmlDocument document;
    const bool wellFormed = KaXMLLoad(path, document, "[fuzz]");
    KaXMLFreeBuffer();

    {
        KaXMLGUI gui;
        const bool loaded = gui.load(path);
        KaFuzzCheck(loaded == wellFormed, "the GUI reads exactly the files the loader parses");
        KaFuzzCheck(KaXMLBuffer == nullptr, "the GUI frees the shared buffer");
        KaFuzzCheck(gui.loaded() == loaded, "a fresh GUI is loaded only after a load that succeeds");
        const unsigned long groups = countOf(gui.groups());
        if (!loaded)
            KaFuzzCheck(groups == 0, "a load that fails leaves no group");

        // A second load replaces the first: the old objects wait for the end
        // of the frame, the new ones are the same again.
        KaFuzzCheck(gui.load(path) == loaded, "a second load of the same file agrees");
        KaFuzzCheck(countOf(gui.groups()) == groups, "a second load reads the same groups");
        KaObject::deleteNow();

        gui.value("");
        gui.sprite("");
        gui.img("");
        gui.unload();
        KaFuzzCheck(!gui.loaded() && countOf(gui.groups()) == 0, "unload empties the GUI");
        KaFuzzCheck(gui.value("") == nullptr && gui.button("") == nullptr, "an empty GUI finds nothing");
        // Destroyed with content, as the application's help GUI is.
        gui.load(path);
    }
    KaObject::deleteNow();
    return 0;
}
