#include <gtest/gtest.h>

#include <cfloat>
#include <memory>

#include "engine/gui/KaLayout.h"
#include "tests/engine/gui/KaGuiTestSupport.h"

namespace {

// A root layout of a fixed pixel size at the origin; a root needs no main
// window.
std::unique_ptr<KaLayout> pixelLayout(float w, float h)
{
    std::unique_ptr<KaLayout> layout(new KaLayout());
    layout->setSize(KaVector3f32(w, h, 0.0f));
    layout->setPositionType(KaILayout::Pixel);
    layout->setPosition(KaVector3f32(0.0f, 0.0f, 0.0f));
    layout->setZPosition(0.0f);
    return layout;
}

void expectVector(const KaVector3f32& actual, float x, float y, float z)
{
    EXPECT_NEAR(actual.x, x, 1e-4f);
    EXPECT_NEAR(actual.y, y, 1e-4f);
    EXPECT_NEAR(actual.z, z, 1e-4f);
}

class KaLayoutTest : public KaGuiTest { };

TEST_F(KaLayoutTest, NewLayoutDefaults)
{
    KaLayout layout;
    EXPECT_EQ(layout.sizeType(), KaILayout::Pixel);
    EXPECT_EQ(layout.positionType(), KaILayout::Percent);
    expectVector(layout.userSize(), 1, 1, 1);
    expectVector(layout.userPosition(), 0.5f, 0.5f, 0.5f);
    expectVector(layout.anchor(), 0.5f, 0.5f, 0.5f);
    EXPECT_EQ(layout.ratio(), 1.0f);
    EXPECT_EQ(layout.ratioMode(), KaILayout::None);
    EXPECT_FLOAT_EQ(layout.safeAreaRatio(), 4.0f / 3.0f);
    EXPECT_TRUE(layout.isAutoZEnabled());
    EXPECT_EQ(layout.mode(), 0u);
    expectVector(layout.size(), 1, 1, 0.1f);
    // No parent: never visible in the world, and a percent position stays.
    EXPECT_TRUE(layout.visible());
    EXPECT_FALSE(layout.worldVisible());
    layout.setPosition(KaVector3f32(0.0f, 0.0f, 0.0f));
    expectVector(layout.position(), 0.5f, 0.5f, 0.5f);
    EXPECT_FALSE(mainWindow.exists());
}

struct SizeCase {
    const char* name;
    KaILayout::CoordinatesType type;
    float userX, userY;
    float ratio;
    KaILayout::RatioMode mode;
    float expectX, expectY;
};

TEST_F(KaLayoutTest, SizesUnderA1000By500Parent)
{
    const SizeCase cases[] = {
        { "percent half", KaILayout::Percent, 0.5f, 0.5f, 1.0f, KaILayout::None, 500, 250 },
        { "letterbox too wide", KaILayout::Percent, 0.5f, 0.5f, 1.0f, KaILayout::LetterBox, 250, 250 },
        { "letterbox too tall", KaILayout::Percent, 0.3f, 0.6f, 2.0f, KaILayout::LetterBox, 300, 150 },
        { "panscan wide", KaILayout::Percent, 0.5f, 0.5f, 1.0f, KaILayout::PanScan, 250, 250 },
        { "panscan narrower than safe area", KaILayout::Percent, 0.3f, 0.6f, 2.0f, KaILayout::PanScan, 450, 300 },
        { "ratio rules skipped at ratio 0", KaILayout::Percent, 0.5f, 0.5f, 0.0f, KaILayout::LetterBox, 500, 250 },
        { "negative percent kept negative", KaILayout::Percent, -0.5f, 0.5f, 1.0f, KaILayout::LetterBox, -500, 250 },
        { "pixel ignores ratio", KaILayout::Pixel, 120, 30, 1.0f, KaILayout::LetterBox, 120, 30 },
        { "negative pixels give absolute", KaILayout::Pixel, -120, -30, 1.0f, KaILayout::None, 120, 30 },
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<KaLayout> parent = pixelLayout(1000, 500);
        KaLayout child;
        child.setSizeType(c.type);
        child.setSize(KaVector3f32(c.userX, c.userY, 0.0f));
        child.setRatio(c.ratio);
        child.setRatioMode(c.mode);
        parent->addChild(&child);
        EXPECT_NEAR(child.xSize(), c.expectX, 1e-3f);
        EXPECT_NEAR(child.ySize(), c.expectY, 1e-3f);
        parent->removeChild(&child);
    }
}

TEST_F(KaLayoutTest, PercentWithoutParentIsEmpty)
{
    KaLayout layout;
    layout.setSizeType(KaILayout::Percent);
    layout.setSize(KaVector3f32(0.5f, 0.5f, 0.0f));
    EXPECT_EQ(layout.xSize(), 0.0f);
    EXPECT_EQ(layout.ySize(), 0.0f);
}

struct PositionCase {
    const char* name;
    KaILayout::CoordinatesType type;
    KaVector3f32 user;
    KaVector3f32 anchor;
    float expectX, expectY;
};

TEST_F(KaLayoutTest, PositionsUnderA1000By500Parent)
{
    const PositionCase cases[] = {
        { "top-left corner on top-left corner", KaILayout::Percent, KaVector3f32(0, 0, 0), KaVector3f32(0, 0, 0), -400,
            -200 },
        { "bottom-right on bottom-right", KaILayout::Percent, KaVector3f32(1, 1, 0), KaVector3f32(1, 1, 0), 400, 200 },
        { "centre", KaILayout::Percent, KaVector3f32(0.5f, 0.5f, 0), KaVector3f32(0.5f, 0.5f, 0), 0, 0 },
        { "centre placed by its top-left", KaILayout::Percent, KaVector3f32(0.5f, 0.5f, 0), KaVector3f32(0, 0, 0), 100,
            50 },
        { "pixels ignore the anchor", KaILayout::Pixel, KaVector3f32(10, -20, 0), KaVector3f32(0, 0, 0), 10, -20 },
    };
    for (const PositionCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<KaLayout> parent = pixelLayout(1000, 500);
        KaLayout child;
        child.setSize(KaVector3f32(200, 100, 0));
        child.setPositionType(c.type);
        child.setPosition(c.user);
        child.setAnchor(c.anchor);
        parent->addChild(&child);
        const KaVector3f32 at = child.position();
        EXPECT_NEAR(at.x, c.expectX, 1e-3f);
        EXPECT_NEAR(at.y, c.expectY, 1e-3f);
        parent->removeChild(&child);
    }
}

TEST_F(KaLayoutTest, SettersIgnoreTheZOfTheirArgument)
{
    KaLayout layout;
    layout.setSize(KaVector3f32(10, 20, 99));
    expectVector(layout.userSize(), 10, 20, 1);
    layout.setPosition(KaVector3f32(0.1f, 0.2f, 99));
    expectVector(layout.userPosition(), 0.1f, 0.2f, 0.5f);
    layout.setZPosition(3.0f);
    expectVector(layout.userPosition(), 0.1f, 0.2f, 3.0f);
}

TEST_F(KaLayoutTest, AutoZStacksChildrenAboveTheirEldersExtent)
{
    std::unique_ptr<KaLayout> parent = pixelLayout(100, 100);
    KaLayout first, middle, last, inner1, inner2;
    // The middle child holds two children: its z size is 0.1 + 0.1 + 0.1.
    middle.addChild(&inner1);
    middle.addChild(&inner2);
    parent->addChild(&first);
    parent->addChild(&middle);
    parent->addChild(&last);
    EXPECT_NEAR(middle.zSize(), 0.3f, 1e-6f);
    EXPECT_NEAR(first.position().z, 0.1f, 1e-6f);
    EXPECT_NEAR(middle.position().z, 0.2f, 1e-6f);
    EXPECT_NEAR(last.position().z, 0.5f, 1e-6f);
    EXPECT_NEAR(parent->zSize(), 0.6f, 1e-6f);
    EXPECT_NEAR(inner2.position().z, 0.2f, 1e-6f);
    // World depth grows with tree depth: inner2 sits at 0.2 + 0.2 = 0.4.
    EXPECT_NEAR((inner2.worldTransformationMatrix() * KaVector3f32(0, 0, 0)).z, 0.4f, 1e-6f);

    // A grandchild added later pushes its uncles up.
    KaLayout inner3;
    middle.addChild(&inner3);
    EXPECT_NEAR(last.position().z, 0.6f, 1e-6f);
    EXPECT_NEAR(parent->zSize(), 0.7f, 1e-6f);
    middle.removeChild(&inner3);
    EXPECT_NEAR(last.position().z, 0.5f, 1e-6f);
}

TEST_F(KaLayoutTest, DisabledAutoZLeavesChildrenWhereTheCallerPutThem)
{
    std::unique_ptr<KaLayout> parent = pixelLayout(100, 100);
    parent->disableAutoZ();
    KaLayout a, b;
    a.setZPosition(7.0f);
    b.setZPosition(-2.0f);
    parent->addChild(&a);
    parent->addChild(&b);
    EXPECT_EQ(a.position().z, 7.0f);
    EXPECT_EQ(b.position().z, -2.0f);
}

TEST_F(KaLayoutTest, UnchangedSettersEmitNothing)
{
    std::unique_ptr<KaLayout> parent = pixelLayout(1000, 500);
    KaLayout child;
    child.setSizeType(KaILayout::Percent);
    child.setSize(KaVector3f32(0.5f, 0.5f, 0));
    child.setRatioMode(KaILayout::LetterBox);
    parent->addChild(&child);
    child.worldTransformationMatrix();
    child.size();

    KaEmissionCounter sizes, positions, matrices, parentSizes;
    sizes.listen(child.onSizeChanged());
    positions.listen(child.onPositionChanged());
    matrices.listen(child.onWorldTransformationMatrixChanged());
    parentSizes.listen(parent->onSizeChanged());

    child.setSize(child.userSize());
    child.setSizeType(child.sizeType());
    child.setRatio(child.ratio());
    child.setRatioMode(child.ratioMode());
    child.setSafeAreaRatio(child.safeAreaRatio());
    child.setAnchor(child.anchor());
    child.setPositionType(child.positionType());
    child.setPosition(child.userPosition());
    child.setZPosition(child.userPosition().z);
    child.setRotation(child.rotation());
    child.setScale(child.scale());
    parent->setSize(parent->userSize());
    child.worldTransformationMatrix();
    child.size();
    parent->size();
    EXPECT_EQ(sizes.count, 0);
    EXPECT_EQ(positions.count, 0);
    EXPECT_EQ(matrices.count, 0);
    EXPECT_EQ(parentSizes.count, 0);

    // A real change is heard once per read, and only by the changed values.
    child.setSize(KaVector3f32(0.5f, 0.25f, 0));
    EXPECT_NEAR(child.xSize(), 125.0f, 1e-3f);
    EXPECT_EQ(sizes.count, 1);
    child.size();
    EXPECT_EQ(sizes.count, 1);
}

TEST_F(KaLayoutTest, SettersOnlyMarkStale)
{
    std::unique_ptr<KaLayout> parent = pixelLayout(100, 100);
    KaEmissionCounter sizes;
    sizes.listen(parent->onSizeChanged());
    parent->setSize(KaVector3f32(300, 200, 0));
    EXPECT_EQ(sizes.count, 0);
    EXPECT_EQ(parent->xSize(), 300.0f);
    EXPECT_EQ(sizes.count, 1);
}

TEST_F(KaLayoutTest, ChangesReachChildrenAndParentsThroughDeepTrees)
{
    std::unique_ptr<KaLayout> root = pixelLayout(800, 400);
    // Four nested percent halves, each centred.
    KaLayout levels[4];
    KaI3DObject2* up = root.get();
    for (KaLayout& level : levels) {
        level.setSizeType(KaILayout::Percent);
        level.setSize(KaVector3f32(0.5f, 0.5f, 0));
        up->addChild(&level);
        up = &level;
    }
    EXPECT_NEAR(levels[3].xSize(), 50.0f, 1e-3f);
    root->setSize(KaVector3f32(1600, 400, 0));
    EXPECT_NEAR(levels[3].xSize(), 100.0f, 1e-3f);
    EXPECT_NEAR(levels[3].ySize(), 25.0f, 1e-3f);

    // A deeper child grows the z extent of every ancestor.
    const float rootZ = root->zSize();
    KaLayout leaf;
    levels[3].addChild(&leaf);
    EXPECT_NEAR(root->zSize(), rootZ + 0.1f, 1e-5f);
    levels[3].removeChild(&leaf);
    EXPECT_NEAR(root->zSize(), rootZ, 1e-5f);
}

TEST_F(KaLayoutTest, MovedAncestorReachesADescendantReadOnItsOwn)
{
    std::unique_ptr<KaLayout> root = pixelLayout(800, 600);
    KaLayout middle, leaf;
    middle.setPositionType(KaILayout::Pixel);
    leaf.setPositionType(KaILayout::Pixel);
    middle.setPosition(KaVector3f32(10, 20, 0));
    leaf.setPosition(KaVector3f32(1, 2, 0));
    root->addChild(&middle);
    middle.addChild(&leaf);
    KaVector3f32 origin = leaf.worldTransformationMatrix() * KaVector3f32(0, 0, 0);
    EXPECT_NEAR(origin.x, 11.0f, 1e-4f);
    // Only the leaf is read after the middle one moves.
    middle.setPosition(KaVector3f32(100, 200, 0));
    origin = leaf.worldTransformationMatrix() * KaVector3f32(0, 0, 0);
    EXPECT_NEAR(origin.x, 101.0f, 1e-4f);
    EXPECT_NEAR(origin.y, 202.0f, 1e-4f);
}

TEST_F(KaLayoutTest, WorldPositionIsAPlainSum)
{
    std::unique_ptr<KaLayout> root = pixelLayout(800, 600);
    KaLayout child;
    child.setPositionType(KaILayout::Pixel);
    child.setPosition(KaVector3f32(10, 20, 0));
    root->setScale(KaVector3f32(2, 2, 2));
    root->addChild(&child);
    const KaVector3f32 sum = child.worldPosition();
    EXPECT_NEAR(sum.x, 10.0f, 1e-4f);
    EXPECT_NEAR(sum.y, 20.0f, 1e-4f);
    // The matrix does apply the scale.
    const KaVector3f32 origin = child.worldTransformationMatrix() * KaVector3f32(0, 0, 0);
    EXPECT_NEAR(origin.x, 20.0f, 1e-4f);
}

TEST_F(KaLayoutTest, MouseInsideIsHalfOpenUnderTheMainWindow)
{
    KaMainWindow* window = mainWindow.get();
    window->setSize(KaVector3f32(800, 600, 0));
    KaLayout box;
    box.setSize(KaVector3f32(100, 100, 0));
    // The window itself sits half a pixel off the origin: cancel it so that
    // the box's centre is the window's centre.
    box.setPositionType(KaILayout::Pixel);
    box.setPosition(KaVector3f32(-0.5f, -0.5f, 0));
    window->addChild(&box);
    // Window pixels, y up from the bottom: the box spans x 350..450, y 250..350.
    struct {
        int x, y;
        bool inside;
    } const probes[] = {
        { 400, 300, true },
        { 350, 300, true },
        { 449, 300, true },
        { 450, 300, false },
        { 349, 300, false },
        { 400, 350, true },
        { 400, 251, true },
        { 400, 250, false },
        { 400, 351, false },
    };
    for (const auto& p : probes) {
        SCOPED_TRACE(testing::Message() << p.x << ", " << p.y);
        EXPECT_EQ(box.isMouseIn(KaVector2s32(p.x, p.y)), p.inside);
    }
    const KaVector3f32 local = box.transformMousePosition(KaVector2s32(0, 600));
    EXPECT_NEAR(local.x, -400.0f, 1e-3f);
    EXPECT_NEAR(local.y, -300.0f, 1e-3f);

    // Scale is honoured through the inverse matrix.
    box.setScale(KaVector3f32(2, 2, 1));
    EXPECT_TRUE(box.isMouseIn(KaVector2s32(310, 300)));
    window->removeChild(&box);
}

struct Clickable : KaLayout {
    bool onPress(unsigned int) { return true; }
    bool onOther(unsigned int) { return false; }
};

TEST_F(KaLayoutTest, DepthCallbackFollowsTheWorldZ)
{
    std::unique_ptr<KaLayout> root = pixelLayout(100, 100);
    Clickable a, b;
    root->addChild(&a);
    root->addChild(&b);
    typedef KaLayout::KaZPriorityCallback1Param<unsigned int, Clickable> Depth;
    KaSmartPointer<KaICallback1Param<unsigned int>> da(new Depth(&a, &Clickable::onPress));
    KaSmartPointer<KaICallback1Param<unsigned int>> db(new Depth(&b, &Clickable::onPress));
    EXPECT_NEAR(da->priority(), 0.1f, 1e-6f);
    EXPECT_NEAR(db->priority(), 0.2f, 1e-6f);
    da->setPriority(7.0f);
    EXPECT_NEAR(da->priority(), 0.1f, 1e-6f);
    root->setZPosition(3.0f);
    EXPECT_NEAR(db->priority(), 3.2f, 1e-5f);

    KaSmartPointer<KaICallback1Param<unsigned int>> same(new Depth(&a, &Clickable::onPress));
    KaSmartPointer<KaICallback1Param<unsigned int>> other(new Depth(&a, &Clickable::onOther));
    KaSmartPointer<KaICallback1Param<unsigned int>> bound(
        new KaCallback1Param<unsigned int, Clickable>(&a, &Clickable::onPress, 0.0f));
    EXPECT_TRUE(da->isEqual(*same));
    EXPECT_FALSE(da->isEqual(*other));
    EXPECT_TRUE(da->isObjectEqual(*other));
    EXPECT_FALSE(da->isEqual(*bound));
    EXPECT_FALSE(da->isObjectEqual(*bound));
    EXPECT_FALSE(bound->isObjectEqual(*da));

    // The nearer layout is offered the event first and keeps it.
    KaSignal1Param<unsigned int> signal;
    signal.add(da);
    signal.add(db);
    struct Probe : KaLayout {
        bool hit = false;
        bool onLow(unsigned int)
        {
            hit = true;
            return false;
        }
    } low;
    signal.add(&low, &Probe::onLow, -10000.0f);
    EXPECT_TRUE(signal.call(0));
    EXPECT_FALSE(low.hit);
}

}
