#include "engine/gui/KaClipLayout.h"

#include <algorithm>

#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaMainWindow.h"

KaClipLayout::KaClipLayout() { }

KaClipLayout::~KaClipLayout() { }

void KaClipLayout::draw()
{
    if (!visible() || !worldVisible())
        return;
    KaRenderer* gl = renderer.get();
    const bool wasEnabled = gl->scissorEnabled();

    const KaMatrix4x4 world = worldTransformationMatrix();
    const KaVector3f32 origin = world * KaVector3f32(0.0f, 0.0f, 0.0f);
    const float sx = (world * KaVector3f32(1.0f, 0.0f, 0.0f) - origin).getLength();
    const float sy = (world * KaVector3f32(0.0f, 1.0f, 0.0f) - origin).getLength();
    const float w = xSize() * sx;
    const float h = ySize() * sy;
    const float left = origin.x - w / 2.0f;
    const float bottom = origin.y + h / 2.0f;
    const KaVector3f32 windowSize = mainWindow.get()->size();
    int x = static_cast<int>(windowSize.x / 2.0f + left);
    int y = static_cast<int>(windowSize.y - (windowSize.y / 2.0f + bottom));
    int width = static_cast<int>(w);
    int height = static_cast<int>(h);

    const int oldX = gl->scissorX();
    const int oldY = gl->scissorY();
    const unsigned int oldWidth = gl->scissorWidth();
    const unsigned int oldHeight = gl->scissorHeight();

    // An enclosing clip is still in force: its children may not spill out of
    // it through this one.
    if (wasEnabled) {
        const long right
            = std::min(static_cast<long>(x) + width, static_cast<long>(oldX) + static_cast<long>(oldWidth));
        const long top
            = std::min(static_cast<long>(y) + height, static_cast<long>(oldY) + static_cast<long>(oldHeight));
        x = std::max(x, oldX);
        y = std::max(y, oldY);
        width = static_cast<int>(std::max(0L, right - x));
        height = static_cast<int>(std::max(0L, top - y));
    }
    width = std::max(width, 0);
    height = std::max(height, 0);

    gl->setScissorEnabled(true);
    gl->setScissor(x, y, static_cast<unsigned int>(width), static_cast<unsigned int>(height));
    KaLayout::draw();
    gl->setScissor(oldX, oldY, oldWidth, oldHeight);
    gl->setScissorEnabled(wasEnabled);
}
