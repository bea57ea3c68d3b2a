// Text layout markup: the bytes are a text as GUI descriptions and the game
// give it, with "$(" key ")" substitution through a localisation source whose
// values hold markup of their own, the XML parse, and the layout of the
// block in a real font.

#include <cstring>

#include "engine/core/KaCore.h"
#include "engine/core/KaILoc.h"
#include "engine/gui/KaTextLayout.h"
#include "fuzz/support/KaFuzzGLContext.h"
#include "fuzz/support/KaFuzzSupport.h"

namespace {

class FuzzLoc : public KaILoc {
public:
    FuzzLoc()
    {
        add("hello", "Bonjour");
        add("br", "one<br/>two");
        add("amp", "Pierre & Marie &#");
        add("self", "$(self)");
        add("open", "$(");
        add("tag", "<color r=\"9\"/>");
        add("", "empty key");
        add("broken", "<br");
    }

private:
    void add(const char* key, const char* value)
    {
        KaILocData data;
        data.name = key;
        data.value = value;
        mTable.pushBack(data.name, data);
    }
};

FuzzLoc* gLoc = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    KaFuzzCheck(KaFuzzMakeGLContext(), "an offscreen GL context");
    gLoc = new FuzzLoc();
    core.get()->addLoc(*gLoc);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KaString text(reinterpret_cast<const char*>(data), size);
    // Without "$(" nothing is substituted.
    const KaString substituted = KaTextLayout::substitute(text);
    if (!text.contains("$("))
        KaFuzzCheck(substituted == text, "texts without keys stay as they are");

    KaLayout parent;
    parent.setSize(KaVector3f32(300, 200, 0));
    KaTextLayout* layout = new KaTextLayout();
    parent.addChild(layout);
    layout->setSize(KaVector3f32(120, 10, 0));
    layout->setText(text);
    const KaVector2s32 laidOut = layout->textSize();
    KaFuzzCheck(laidOut.x >= 0 && laidOut.y >= 0, "the text's size is not negative");
    KaFuzzCheck(layout->text().length() <= substituted.length(), "the plain text comes from the markup");
    // A font size proportional to a width that a single line takes from its
    // own text grows with every layout: each mode on its own.
    layout->setTextSizeType(KaITextLayout::Proportional);
    layout->setTextSizeProportionalToWidth(240);
    layout->size();
    layout->setTextSizeType(KaITextLayout::Fixed);
    layout->setWrapMode(KaITextLayout::SingleLine);
    layout->size();
    parent.removeChild(layout);
    delete layout;
    return 0;
}
