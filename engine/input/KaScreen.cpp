#include "engine/input/KaScreen.h"

#include <cstdint>

KaSingleton<KaScreen> defaultScreen;

namespace {

// Zero-initialised before any constructor runs, so the graphics layer may
// install its applier from a static initialiser in any order.
KaScreen::ClearColorApplier gClearColorApplier = nullptr;

// Converting an out-of-range float to an integer is undefined: such a value,
// and NaN, give 0, as in KaColor's arithmetic.
unsigned char channelFromUnit(float value)
{
    const float scaled = value * 255.0f;
    if (!(scaled >= -2147483648.0f && scaled < 2147483648.0f))
        return 0;
    return static_cast<unsigned char>(static_cast<uint32_t>(static_cast<int32_t>(scaled)) & 0xFFu);
}

} // namespace

KaScreen::KaScreen()
    : mSize(0.0f, 0.0f, 0.0f)
    , mRenderer(nullptr)
    , mClearColor(0, 0, 0, 255)
{
}

KaScreen::~KaScreen() = default;

void KaScreen::setClearColor(float red, float green, float blue, float alpha)
{
    mClearColor = KaColor(channelFromUnit(red), channelFromUnit(green), channelFromUnit(blue), channelFromUnit(alpha));
}

void KaScreen::unlock() { mOnUnlock.call(); }

void KaScreen::lock()
{
    if (gClearColorApplier)
        gClearColorApplier(mRenderer, mClearColor);
}

void KaScreen::setClearColorApplier(ClearColorApplier applier) { gClearColorApplier = applier; }
