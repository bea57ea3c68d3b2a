#include "engine/gui/KaMainWindowBase.h"

#include <vector>

#include "engine/base/KaStd.h"
#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaRenderer.h"

bool KaMainWindowBase::sBeingDestroyed = false;

KaMainWindowBase::KaMainWindowBase()
    : mFullScreen(false)
    , mMaximized(false)
    , mCamera(new KaCamera())
    , mWindowPosition(0, 0)
{
}

KaMainWindowBase::~KaMainWindowBase()
{
    sBeingDestroyed = true;
    // The children detach while this window is still whole: their size
    // subscriptions live in its signals.
    while (childCount() > 0) {
        const unsigned long before = childCount();
        removeChild(child(childCount() - 1));
        if (childCount() == before)
            break;
    }
    sBeingDestroyed = false;
}

void KaMainWindowBase::setParent(KaI3DObject2*) { }

void KaMainWindowBase::setWindowPosition(const KaVector3f32&) { }

void KaMainWindowBase::setSize(const KaVector3f32& requested)
{
    KaLayout::setSize(KaVector3f32(requested.x, requested.y, 100.0f));
    updateSize();
}

void KaMainWindowBase::setSizeType(CoordinatesType) { }

void KaMainWindowBase::setPositionType(CoordinatesType) { }

bool KaMainWindowBase::worldVisible() const { return visible(); }

void KaMainWindowBase::initCamera() { updateCamera(KaVector3f32(xSize(), ySize(), 0.0f)); }

void KaMainWindowBase::updateCamera(const KaVector3f32& windowSize)
{
    const float w = windowSize.x;
    const float h = windowSize.y;
    mCamera->setProjectionType(4);
    mCamera->viewport(
        0, 0, static_cast<unsigned int>(static_cast<int>(w)), static_cast<unsigned int>(static_cast<int>(h)));
    mCamera->orthogonalParams(-w / 2.0f, w / 2.0f, h / 2.0f, -h / 2.0f);
    mCamera->setNearDistance(-2048.0f);
    mCamera->setFarDistance(2048.0f);
}

void KaMainWindowBase::drawLayouts()
{
    mBeforeDraw.call();
    mCamera->apply();
    for (unsigned long i = 0; i < childCount(); ++i)
        child(i)->draw();
    mAfterDraw.call();
    mCamera->restore();
    renderer.get()->loadIdentityMatrix();
}

namespace {

struct DebugEntry {
    float z;
    KaLayout* layout;
    int depth;
};

void collect(KaLayout* layout, int depth, std::vector<DebugEntry>& entries)
{
    const float z = (layout->worldTransformationMatrix() * KaVector3f32(0.0f, 0.0f, 0.0f)).z;
    // Stable: equal depths keep the tree order.
    auto at = entries.end();
    while (at != entries.begin() && (at - 1)->z > z)
        --at;
    entries.insert(at, DebugEntry { z, layout, depth });
    for (unsigned long i = 0; i < layout->childCount(); ++i)
        if (KaLayout* kid = dynamic_cast<KaLayout*>(layout->child(i)))
            collect(kid, depth + 1, entries);
}

bool namedOrAncestorNamed(KaI3DObject2* node, const KaString& filter)
{
    for (; node; node = node->parent())
        if (dynamic_cast<KaLayout*>(node) && node->name() == filter)
            return true;
    return false;
}

bool descendantNamed(KaI3DObject2* node, const KaString& filter)
{
    for (unsigned long i = 0; i < node->childCount(); ++i) {
        KaI3DObject2* kid = node->child(i);
        if ((dynamic_cast<KaLayout*>(kid) && kid->name() == filter) || descendantNamed(kid, filter))
            return true;
    }
    return false;
}

}

void KaMainWindowBase::printDrawDebug(const KaString& filter, bool onlyWorldVisible)
{
    std::vector<DebugEntry> entries;
    collect(this, 0, entries);
    KaPrintf("================================================================================\n");
    KaPrintf("Z sorted, indented by parent number\n");
    for (const DebugEntry& entry : entries) {
        KaLayout* layout = entry.layout;
        if (filter.length() > 0 && !namedOrAncestorNamed(layout, filter) && !descendantNamed(layout, filter))
            continue;
        if (onlyWorldVisible && !layout->worldVisible())
            continue;
        KaString indent;
        for (int i = 0; i < entry.depth; ++i)
            indent += " |  ";
        const char* in = indent.c_str();
        KaPrintf("%s%s\n", in, layout->name().c_str());
        if (KaLayout* up = dynamic_cast<KaLayout*>(layout->parent()))
            KaPrintf("%s parent: %s\n", in, up->name().c_str());
        KaPrintf("%s visible: %d\n", in, layout->visible() ? 1 : 0);
        KaPrintf("%s worldVisible: %d\n", in, layout->worldVisible() ? 1 : 0);
        const KaVector3f32 userPosition = layout->userPosition();
        const KaVector3f32 userSize = layout->userSize();
        const KaVector3f32 world = layout->worldTransformationMatrix() * KaVector3f32(0.0f, 0.0f, 0.0f);
        const KaVector3f32 position = layout->position();
        const KaVector3f32 size = layout->size();
        KaPrintf("%s userPosition = %f %f %f\n", in, userPosition.x, userPosition.y, userPosition.z);
        KaPrintf("%s userSize = %f %f %f\n", in, userSize.x, userSize.y, userSize.z);
        KaPrintf("%s worldPosition = %f %f %f\n", in, world.x, world.y, world.z);
        KaPrintf("%s position = %f %f %f\n", in, position.x, position.y, position.z);
        KaPrintf("%s size = %f %f %f\n", in, size.x, size.y, size.z);
    }
}
