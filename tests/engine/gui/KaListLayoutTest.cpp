#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/gui/KaListLayout.h"
#include "engine/world/Ka3DObject2.h"
#include "tests/engine/gui/KaGuiTestSupport.h"

namespace {

struct Box {
    float w, h;
};

struct Centre {
    float x, y;
};

void expectCentre(KaI3DObject2* kid, float x, float y)
{
    const KaVector3f32 p = kid->position();
    EXPECT_NEAR(p.x, x, 1e-3f);
    EXPECT_NEAR(p.y, y, 1e-3f);
}

void expectSize(KaI3DObject2* node, float w, float h)
{
    EXPECT_NEAR(node->xSize(), w, 1e-3f);
    EXPECT_NEAR(node->ySize(), h, 1e-3f);
}

// A root list of a pixel size at the origin (a root needs no main window),
// holding pixel-sized children.
class KaListLayoutTest : public KaGuiTest {
protected:
    // The list lays itself out when its first child's size first reaches it;
    // the offered size is given once the children are in, as the GUI loader
    // does, which lays it out again.
    void makeList()
    {
        list.reset(new KaListLayout());
        list->setPositionType(KaILayout::Pixel);
        list->setPosition(KaVector3f32(0.0f, 0.0f, 0.0f));
    }
    KaLayout* addBox(float w, float h)
    {
        kids.emplace_back(new KaLayout());
        KaLayout* kid = kids.back().get();
        kid->setSize(KaVector3f32(w, h, 0.0f));
        list->addChild(kid);
        return kid;
    }
    void clear()
    {
        if (list) {
            while (list->childCount() > 0)
                list->removeChild(list->child(0));
        }
        list.reset();
        kids.clear();
    }
    void TearDown() override
    {
        clear();
        KaGuiTest::TearDown();
    }

    std::unique_ptr<KaListLayout> list;
    std::vector<std::unique_ptr<KaLayout>> kids;
};

// Centres are relative to the list's centre (y downwards), as the children
// read them back.
struct PlacementCase {
    const char* name;
    float offeredW, offeredH;
    KaVector3f32 direction;
    KaVector3f32 minimumMargin;
    KaVector3f32 maximumMargin;
    std::vector<Box> boxes;
    float expectW, expectH;
    std::vector<Centre> centres;
};

TEST_F(KaListLayoutTest, PlacesChildrenAlongTheDirectionWithGaps)
{
    const KaVector3f32 down(0, 1, 0);
    const KaVector3f32 across(1, 0, 0);
    const KaVector3f32 noMin(-1e6f, -1e6f, -1e6f);
    const KaVector3f32 noMax(FLT_MAX, FLT_MAX, FLT_MAX);
    const PlacementCase cases[] = {
        { "free space spread between three", 100, 500, down, noMin, noMax, { { 100, 100 }, { 100, 100 }, { 100, 100 } },
            100, 500, { { 0, -200 }, { 0, 0 }, { 0, 200 } } },
        { "too little space overlaps them", 100, 200, down, noMin, noMax, { { 100, 100 }, { 100, 100 }, { 100, 100 } },
            100, 200, { { 0, -50 }, { 0, 0 }, { 0, 50 } } },
        { "minimum margin 0 makes the list grow", 100, 200, down, KaVector3f32(0, 0, 0), noMax,
            { { 100, 100 }, { 100, 100 }, { 100, 100 } }, 100, 300, { { 0, -100 }, { 0, 0 }, { 0, 100 } } },
        { "maximum margin caps the gap and shrinks the list", 100, 500, down, noMin, KaVector3f32(0, 0.1f, 0),
            { { 100, 100 }, { 100, 100 }, { 100, 100 } }, 100, 400, { { 0, -150 }, { 0, 0 }, { 0, 150 } } },
        // The gap is on every axis: wider than the children, they also step
        // sideways.
        { "spare width gives an x gap too", 300, 500, down, noMin, noMax, { { 100, 100 }, { 100, 100 }, { 100, 100 } },
            300, 500, { { -100, -200 }, { 0, 0 }, { 100, 200 } } },
        { "maximum x margin 0 keeps them in a column", 300, 500, down, noMin, KaVector3f32(0, FLT_MAX, FLT_MAX),
            { { 100, 100 }, { 100, 100 }, { 100, 100 } }, 100, 500, { { 0, -200 }, { 0, 0 }, { 0, 200 } } },
        // Children of several sizes along x keep their top edges on the
        // list's top edge.
        { "several sizes along x", 400, 40, across, noMin, noMax, { { 50, 20 }, { 100, 40 }, { 30, 10 } }, 400, 40,
            { { -175, -10 }, { 10, 0 }, { 185, -15 } } },
        { "several sizes along y", 80, 100, down, KaVector3f32(0, 0, 0), noMax, { { 80, 10 }, { 20, 30 }, { 40, 20 } },
            80, 100, { { 0, -45 }, { -30, -5 }, { -20, 40 } } },
        { "a single child gives the list its size", 500, 500, down, noMin, noMax, { { 60, 30 } }, 60, 30,
            { { 0, 0 } } },
        { "an empty list is empty", 500, 500, down, noMin, noMax, {}, 0, 0, {} },
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(c.name);
        makeList();
        list->setDirection(c.direction);
        list->setMinimumMargin(c.minimumMargin);
        list->setMaximumMargin(c.maximumMargin);
        std::vector<KaLayout*> added;
        for (const Box& b : c.boxes)
            added.push_back(addBox(b.w, b.h));
        list->setSize(KaVector3f32(c.offeredW, c.offeredH, 0.0f));
        expectSize(list.get(), c.expectW, c.expectH);
        for (size_t i = 0; i < added.size(); ++i) {
            SCOPED_TRACE(i);
            expectCentre(added[i], c.centres[i].x, c.centres[i].y);
            EXPECT_EQ(added[i]->positionType(), KaILayout::Percent);
        }
        clear();
    }
}

TEST_F(KaListLayoutTest, UserSettingsReadBackAsSet)
{
    KaLayout parent;
    parent.setSize(KaVector3f32(200, 600, 0));
    parent.setPositionType(KaILayout::Pixel);
    parent.setPosition(KaVector3f32(0, 0, 0));
    list.reset(new KaListLayout());
    list->setSizeType(KaILayout::Percent);
    list->setSize(KaVector3f32(0.5f, 1.0f, 0.0f));
    list->setMinimumMargin(KaVector3f32(0, 0, 0));
    parent.addChild(list.get());
    addBox(50, 100);
    addBox(50, 100);
    // Offered 100 x 600: the children step 50 sideways and 500 down.
    expectSize(list.get(), 100, 600);
    EXPECT_EQ(list->sizeType(), KaILayout::Percent);
    EXPECT_EQ(list->userSize().x, 0.5f);
    EXPECT_EQ(list->userSize().y, 1.0f);

    // The parent's size change reaches the list through its user settings.
    parent.setSize(KaVector3f32(200, 100, 0));
    expectSize(list.get(), 100, 200);
    EXPECT_EQ(list->sizeType(), KaILayout::Percent);
    expectCentre(kids[1].get(), 25, 50);
    while (list->childCount() > 0)
        list->removeChild(list->child(0));
    parent.removeChild(list.get());
}

TEST_F(KaListLayoutTest, AddingOrResizingAChildDoesNotLayItOutAgain)
{
    makeList();
    KaLayout* first = addBox(100, 100);
    KaLayout* second = addBox(100, 100);
    list->setSize(KaVector3f32(100, 500, 0));
    expectSize(list.get(), 100, 500);
    expectCentre(second, 0, 200);

    // A child added later keeps its own position until something marks the
    // list's size stale.
    KaLayout* third = addBox(100, 100);
    expectSize(list.get(), 100, 500);
    expectCentre(second, 0, 200);
    expectCentre(third, 0, 0);
    EXPECT_EQ(third->userPosition().x, 0.5f);

    // Nor does a child growing, nor setters given their current value.
    first->setSize(KaVector3f32(100, 300, 0));
    list->setSize(KaVector3f32(100, 500, 0));
    list->setDirection(KaVector3f32(0, 1, 0));
    expectSize(list.get(), 100, 500);
    expectCentre(second, 0, 200);

    // A real change of a list setting does.
    list->setRatio(2.0f);
    // Extent 500 fills the 500 offered: gap 0.
    expectSize(list.get(), 100, 500);
    expectCentre(first, 0, -100);
    expectCentre(second, 0, 100);
    expectCentre(third, 0, 200);
}

struct TriggerCase {
    const char* name;
    void (*change)(KaListLayout&);
};

TEST_F(KaListLayoutTest, ListSettersLayItOutAgain)
{
    const TriggerCase cases[] = {
        { "size", [](KaListLayout& l) { l.setSize(KaVector3f32(300, 400, 0)); } },
        { "size type", [](KaListLayout& l) { l.setSizeType(KaILayout::Percent); } },
        { "ratio mode", [](KaListLayout& l) { l.setRatioMode(KaILayout::LetterBox); } },
        { "direction", [](KaListLayout& l) { l.setDirection(KaVector3f32(1, 0, 0)); } },
        { "minimum margin", [](KaListLayout& l) { l.setMinimumMargin(KaVector3f32(0, 0, 0)); } },
        { "maximum margin", [](KaListLayout& l) { l.setMaximumMargin(KaVector3f32(0, 0, 0)); } },
    };
    for (const TriggerCase& c : cases) {
        SCOPED_TRACE(c.name);
        makeList();
        addBox(100, 100);
        addBox(100, 100);
        list->setSize(KaVector3f32(100, 500, 0));
        list->xSize();
        KaLayout* late = addBox(100, 100);
        expectCentre(late, 0, 0);
        c.change(*list);
        // Laid out again: the late child now has its place in the list.
        const KaVector3f32 moved = late->position();
        EXPECT_GT(std::fabs(moved.x) + std::fabs(moved.y), 1.0f);
        clear();
    }
}

TEST_F(KaListLayoutTest, RemovedChildrenLeaveTheListAtItsNextLayout)
{
    makeList();
    list->setMinimumMargin(KaVector3f32(0, 0, 0));
    KaLayout* first = addBox(100, 100);
    KaLayout* second = addBox(100, 100);
    KaLayout* third = addBox(100, 100);
    list->setSize(KaVector3f32(100, 300, 0));
    expectSize(list.get(), 100, 300);

    list->removeChild(second);
    // Still as it was until marked stale.
    expectSize(list.get(), 100, 300);
    expectCentre(third, 0, 100);

    list->setSize(KaVector3f32(100, 200, 0));
    expectSize(list.get(), 100, 200);
    expectCentre(first, 0, -50);
    expectCentre(third, 0, 50);

    // The removed child no longer reaches the list.
    second->setSize(KaVector3f32(400, 400, 0));
    list->setRatio(3.0f);
    expectSize(list.get(), 100, 200);

    list->removeChild(first);
    list->removeChild(third);
    list->setSize(KaVector3f32(50, 50, 0));
    expectSize(list.get(), 0, 0);
}

TEST_F(KaListLayoutTest, PlainObjectsArePlacedFromTheListCentre)
{
    makeList();
    Ka3DObject2 plain;
    plain.setSize(KaVector3f32(100, 100, 0));
    KaLayout* box = addBox(100, 100);
    list->addChild(&plain);
    list->setSize(KaVector3f32(100, 300, 0));
    expectSize(list.get(), 100, 300);
    expectCentre(box, 0, -100);
    // Not a layout: its position is offset + half its size, taken in the
    // list's own space.
    EXPECT_NEAR(plain.position().x, 50.0f, 1e-3f);
    EXPECT_NEAR(plain.position().y, 250.0f, 1e-3f);
    list->removeChild(&plain);
}

}
