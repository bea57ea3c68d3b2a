#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/world/Ka3DObject2.h"

namespace {

typedef std::vector<std::string> Log;

// Writes "<label>" into the log each time the signal it listens to fires.
struct Probe {
    Log* log;
    std::string label;
    bool fire()
    {
        log->push_back(label);
        return false;
    }
};

// Listens to the signals of named nodes. Probes take priority 1, above the
// children's subscriptions (0), so each node's entry comes before its
// subtree's.
class Recorder {
public:
    enum Which { Visibility = 1, Matrix = 2, Colour = 4, Position = 8, Size = 16, Children = 32, All = 63 };

    void watch(Ka3DObject2& node, const std::string& name, int which = All)
    {
        if (which & Visibility)
            add(node.onWorldVisibleChanged(), name + ".visible");
        if (which & Matrix)
            add(node.onWorldTransformationMatrixChanged(), name + ".matrix");
        if (which & Colour)
            add(node.onWorldColorChanged(), name + ".colour");
        if (which & Position)
            add(node.onPositionChanged(), name + ".position");
        if (which & Size)
            add(node.onSizeChanged(), name + ".size");
        if (which & Children)
            add(node.childListChanged(), name + ".children");
    }

    Log log;

private:
    void add(KaSignal0Param& signal, const std::string& label)
    {
        mProbes.push_back(std::unique_ptr<Probe>(new Probe { &log, label }));
        signal.add(mProbes.back().get(), &Probe::fire, 1.0f);
    }

    std::vector<std::unique_ptr<Probe>> mProbes;
};

::testing::AssertionResult near(const KaVector3f32& a, const KaVector3f32& b)
{
    if (std::fabs(a.x - b.x) < 1e-5f && std::fabs(a.y - b.y) < 1e-5f && std::fabs(a.z - b.z) < 1e-5f)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x << ", " << b.y
                                         << ", " << b.z << ")";
}

bool sameMatrix(const KaMatrix4x4& a, const KaMatrix4x4& b)
{
    for (int i = 0; i < 16; ++i) {
        if (std::fabs(a.m[i] - b.m[i]) > 1e-5f)
            return false;
    }
    return true;
}

const KaQuaternion kQuarterTurnZ(0.0f, 0.0f, std::sqrt(0.5f), std::sqrt(0.5f));

} // namespace

TEST(Ka3DObject2Test, NewNodeDefaults)
{
    Ka3DObject2 node;
    EXPECT_TRUE(node.visible());
    EXPECT_TRUE(node.worldVisible());
    EXPECT_EQ(node.color(), KaColor(255, 255, 255, 255));
    EXPECT_EQ(node.worldColor(), KaColor(255, 255, 255, 255));
    EXPECT_TRUE(node.colorInheritance());
    EXPECT_EQ(node.position(), KaVector3f32(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(node.size(), KaVector3f32(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(node.scale(), KaVector3f32(1.0f, 1.0f, 1.0f));
    EXPECT_EQ(node.rotation(), KaQuaternion());
    EXPECT_TRUE(node.transformationMatrix() == KaMatrix4x4());
    EXPECT_TRUE(node.worldTransformationMatrix() == KaMatrix4x4());
    EXPECT_EQ(node.parent(), nullptr);
    EXPECT_EQ(node.childCount(), 0u);
    EXPECT_EQ(node.name(), KaString());
}

TEST(Ka3DObject2Test, SettersEmitOnlyOnChangeExceptColour)
{
    struct Case {
        const char* what;
        void (*apply)(Ka3DObject2&);
        Log expected;
    };
    const Case cases[] = {
        { "same visibility", [](Ka3DObject2& n) { n.setVisible(true); }, {} },
        { "same position", [](Ka3DObject2& n) { n.setPosition(KaVector3f32()); }, {} },
        { "same size", [](Ka3DObject2& n) { n.setSize(KaVector3f32()); }, {} },
        { "same scale", [](Ka3DObject2& n) { n.setScale(KaVector3f32(1.0f, 1.0f, 1.0f)); }, {} },
        { "same rotation", [](Ka3DObject2& n) { n.setRotation(KaQuaternion()); }, {} },
        { "same z", [](Ka3DObject2& n) { n.setZPosition(0.0f); }, {} },
        { "inheritance", [](Ka3DObject2& n) { n.setColorInheritance(false); }, {} },
        { "name", [](Ka3DObject2& n) { n.setName("x"); }, {} },
        { "same colour", [](Ka3DObject2& n) { n.setColor(KaColor(255, 255, 255, 255)); }, { "n.colour" } },
        { "hidden", [](Ka3DObject2& n) { n.setVisible(false); }, { "n.visible" } },
        { "moved", [](Ka3DObject2& n) { n.setPosition(KaVector3f32(1.0f, 0.0f, 0.0f)); },
            { "n.position", "n.matrix" } },
        { "translated", [](Ka3DObject2& n) { n.translate(KaVector3f32(0.0f, 2.0f, 0.0f)); },
            { "n.position", "n.matrix" } },
        { "resized", [](Ka3DObject2& n) { n.setSize(KaVector3f32(1.0f, 2.0f, 3.0f)); }, { "n.size" } },
        { "scaled", [](Ka3DObject2& n) { n.setScale(KaVector3f32(2.0f, 1.0f, 1.0f)); }, { "n.matrix" } },
        { "rotated", [](Ka3DObject2& n) { n.rotate(kQuarterTurnZ); }, { "n.matrix" } },
        { "NaN rotation", [](Ka3DObject2& n) { n.setRotation(KaQuaternion(NAN, 0.0f, 0.0f, 1.0f)); }, { "n.matrix" } },
    };
    for (const Case& c : cases) {
        Ka3DObject2 node;
        Recorder recorder;
        recorder.watch(node, "n");
        c.apply(node);
        EXPECT_EQ(recorder.log, c.expected) << c.what;
    }

    // A NaN never equals itself: setting the same NaN rotation again emits again.
    Ka3DObject2 node;
    node.setRotation(KaQuaternion(NAN, 0.0f, 0.0f, 1.0f));
    Recorder recorder;
    recorder.watch(node, "n", Recorder::Matrix);
    node.setRotation(KaQuaternion(NAN, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(recorder.log, Log { "n.matrix" });
}

TEST(Ka3DObject2Test, WorldPositionIsAPlainSumWhileTheMatrixAppliesRotationAndScale)
{
    Ka3DObject2 parent;
    Ka3DObject2 child;
    parent.addChild(&child);
    parent.setPosition(KaVector3f32(10.0f, 0.0f, 0.0f));
    parent.setRotation(kQuarterTurnZ);
    parent.setScale(KaVector3f32(2.0f, 3.0f, 4.0f));
    child.setPosition(KaVector3f32(1.0f, 0.0f, 0.0f));
    child.setScale(KaVector3f32(0.5f, 2.0f, 1.0f));

    EXPECT_EQ(child.worldPosition(), KaVector3f32(11.0f, 0.0f, 0.0f));
    EXPECT_EQ(child.worldScale(), KaVector3f32(1.0f, 6.0f, 4.0f));
    EXPECT_EQ(child.worldRotation(), kQuarterTurnZ);

    // The child's origin through the world matrix: the parent's rotation and
    // scale turn and stretch the offset (1, 0, 0) into (0, ±2, 0).
    const KaVector3f32 origin = child.worldTransformationMatrix().translation();
    EXPECT_TRUE(near(KaVector3f32(origin.x, std::fabs(origin.y), origin.z), KaVector3f32(10.0f, 2.0f, 0.0f)));
    EXPECT_TRUE(
        sameMatrix(child.worldTransformationMatrix(), parent.transformationMatrix() * child.transformationMatrix()));

    // Local matrix: translation * rotation * scale.
    KaMatrix4x4 expected;
    expected.translate(parent.position());
    expected = expected * kQuarterTurnZ.toMatrix();
    expected.scale(parent.scale());
    EXPECT_TRUE(sameMatrix(parent.transformationMatrix(), expected));

    // Three levels: the chain is walked all the way up.
    Ka3DObject2 grandchild;
    child.addChild(&grandchild);
    grandchild.setPosition(KaVector3f32(0.0f, 0.0f, 5.0f));
    EXPECT_EQ(grandchild.worldPosition(), KaVector3f32(11.0f, 0.0f, 5.0f));
    child.removeChild(&grandchild);
}

TEST(Ka3DObject2Test, WorldColourAndVisibility)
{
    Ka3DObject2 parent;
    Ka3DObject2 child;
    parent.addChild(&child);
    parent.setColor(KaColor(255, 128, 0, 255));
    child.setColor(KaColor(128, 128, 128, 255));
    EXPECT_EQ(child.worldColor(), KaColor(128, 64, 0, 255));
    child.setColorInheritance(false);
    EXPECT_EQ(child.worldColor(), KaColor(128, 128, 128, 255));
    child.setColorInheritance(true);

    parent.setVisible(false);
    EXPECT_TRUE(child.visible());
    EXPECT_FALSE(child.worldVisible());
    parent.setVisible(true);
    child.setVisible(false);
    EXPECT_FALSE(child.worldVisible());
    EXPECT_TRUE(parent.worldVisible());

    // Detached, the child's world values are its own again.
    child.setVisible(true);
    parent.setVisible(false);
    parent.removeChild(&child);
    EXPECT_TRUE(child.worldVisible());
    EXPECT_EQ(child.worldColor(), KaColor(128, 128, 128, 255));
}

TEST(Ka3DObject2Test, ChangesCascadeDownTheTreeDepthFirst)
{
    Ka3DObject2 grandparent, parent, child, sibling;
    grandparent.addChild(&parent);
    parent.addChild(&child);
    grandparent.addChild(&sibling);
    Recorder recorder;
    recorder.watch(grandparent, "gp");
    recorder.watch(parent, "p");
    recorder.watch(child, "c");
    recorder.watch(sibling, "s");

    grandparent.setVisible(false);
    EXPECT_FALSE(child.worldVisible());
    EXPECT_EQ(recorder.log, (Log { "gp.visible", "p.visible", "c.visible", "s.visible" }));

    // An invisible child and a child without inheritance still pass it on.
    recorder.log.clear();
    parent.setColorInheritance(false);
    grandparent.setColor(KaColor(1, 2, 3, 4));
    EXPECT_EQ(recorder.log, (Log { "gp.colour", "p.colour", "c.colour", "s.colour" }));

    recorder.log.clear();
    grandparent.setPosition(KaVector3f32(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(recorder.log, (Log { "gp.position", "gp.matrix", "p.matrix", "c.matrix", "s.matrix" }))
        << "only the world matrix cascades, not the position";

    recorder.log.clear();
    grandparent.setSize(KaVector3f32(1.0f, 1.0f, 1.0f));
    parent.setScale(KaVector3f32(2.0f, 2.0f, 2.0f));
    EXPECT_EQ(recorder.log, (Log { "gp.size", "p.matrix", "c.matrix" }));

    parent.removeChild(&child);
    grandparent.removeChildren();
}

TEST(Ka3DObject2Test, ReparentingConnectsToTheNewParentOnly)
{
    Ka3DObject2 oldParent, newParent, node, child;
    oldParent.addChild(&node);
    node.addChild(&child);
    Recorder recorder;
    recorder.watch(oldParent, "old", Recorder::Children);
    recorder.watch(newParent, "new", Recorder::Children);
    recorder.watch(node, "n", Recorder::Visibility | Recorder::Matrix | Recorder::Colour);
    recorder.watch(child, "c", Recorder::Visibility | Recorder::Matrix | Recorder::Colour);

    oldParent.removeChild(&node);
    EXPECT_EQ(recorder.log, Log { "old.children" }) << "detaching emits nothing of the node's own";
    EXPECT_EQ(node.parent(), nullptr);

    recorder.log.clear();
    newParent.addChild(&node);
    EXPECT_EQ(recorder.log,
        (Log { "n.visible", "c.visible", "n.matrix", "c.matrix", "n.colour", "c.colour", "new.children" }));
    EXPECT_EQ(node.parent(), &newParent);

    recorder.log.clear();
    oldParent.setVisible(false);
    oldParent.setColor(KaColor());
    oldParent.setPosition(KaVector3f32(5.0f, 0.0f, 0.0f));
    EXPECT_TRUE(recorder.log.empty()) << "still listening to the old parent";
    EXPECT_EQ(oldParent.onWorldVisibleChanged().size(), 0u);
    EXPECT_EQ(oldParent.onWorldColorChanged().size(), 0u);
    EXPECT_EQ(oldParent.onWorldTransformationMatrixChanged().size(), 0u);

    newParent.setPosition(KaVector3f32(0.0f, 7.0f, 0.0f));
    EXPECT_EQ(recorder.log, (Log { "n.matrix", "c.matrix" }));
    EXPECT_EQ(child.worldPosition(), KaVector3f32(0.0f, 7.0f, 0.0f));

    // setParent with null: disconnected, silent, world values change.
    recorder.log.clear();
    node.setParent(nullptr);
    EXPECT_TRUE(recorder.log.empty());
    EXPECT_EQ(child.worldPosition(), KaVector3f32(0.0f, 0.0f, 0.0f));
    newParent.setPosition(KaVector3f32(0.0f, 8.0f, 0.0f));
    EXPECT_TRUE(recorder.log.empty());
    newParent.childList().clear();
    node.removeChildren();
}

TEST(Ka3DObject2Test, ChildListOperations)
{
    Ka3DObject2 parent, a, b, c, stranger;
    Recorder recorder;
    recorder.watch(parent, "p", Recorder::Children);

    parent.addChild(&a);
    parent.addChildBefore(&b, &a);
    parent.addChildBefore(&c, &stranger);
    ASSERT_EQ(parent.childCount(), 3u);
    EXPECT_EQ(parent.child(0), &b);
    EXPECT_EQ(parent.child(1), &a);
    EXPECT_EQ(parent.child(2), &c) << "an absent sibling appends";
    EXPECT_EQ(c.parent(), &parent);
    EXPECT_EQ(parent.childIndex(&a), 1);
    EXPECT_EQ(parent.childIndex(&stranger), -1);
    EXPECT_EQ(recorder.log.size(), 3u);

    recorder.log.clear();
    parent.removeChild(&stranger);
    EXPECT_TRUE(recorder.log.empty());
    parent.removeChild(&a);
    EXPECT_EQ(recorder.log, Log { "p.children" });
    EXPECT_EQ(a.parent(), nullptr);
    EXPECT_EQ(parent.childIndex(&a), -1);

    recorder.log.clear();
    parent.removeChildren();
    EXPECT_EQ(parent.childCount(), 0u);
    EXPECT_EQ(b.parent(), nullptr);
    EXPECT_EQ(c.parent(), nullptr);
    parent.removeChildren();
    EXPECT_EQ(recorder.log, (Log { "p.children", "p.children" })) << "emitted even with no children";
}

TEST(Ka3DObject2Test, DestroyingAParentLeavesItsChildrenDetachedAndUsable)
{
    Ka3DObject2 child, grandchild, other;
    child.addChild(&grandchild);
    Recorder recorder;
    recorder.watch(child, "c");
    {
        Ka3DObject2 parent;
        parent.addChild(&child);
        recorder.log.clear();
    }
    EXPECT_EQ(child.parent(), nullptr);
    EXPECT_TRUE(recorder.log.empty());
    // The child holds nothing of the dead parent: re-attaching and changing
    // it reaches only live nodes (AddressSanitizer watches).
    other.addChild(&child);
    other.setVisible(false);
    EXPECT_FALSE(grandchild.worldVisible());
    other.removeChild(&child);
    child.removeChild(&grandchild);
}

TEST(Ka3DObject2Test, DestroyingAChildLeavesItsParentsList)
{
    Ka3DObject2 parent;
    Ka3DObject2 survivor;
    Recorder recorder;
    recorder.watch(parent, "p", Recorder::Children);
    {
        Ka3DObject2 child;
        parent.addChild(&child);
        parent.addChild(&survivor);
        recorder.log.clear();
    }
    EXPECT_EQ(recorder.log, Log { "p.children" });
    ASSERT_EQ(parent.childCount(), 1u);
    EXPECT_EQ(parent.child(0), &survivor);
    EXPECT_EQ(parent.onWorldVisibleChanged().size(), 1u) << "only the survivor still listens";
    parent.setVisible(false);
    parent.removeChildren();

    // A node attached with setParent alone (not in the list) still
    // disconnects when it goes.
    {
        Ka3DObject2 loose;
        loose.setParent(&parent);
        EXPECT_EQ(parent.onWorldColorChanged().size(), 1u);
    }
    EXPECT_EQ(parent.onWorldColorChanged().size(), 0u);
    parent.setColor(KaColor());
}

namespace {

// Overrides reach the whole subtree: getters feed the world values, and the
// slots are called through the virtual table.
class Offset : public Ka3DObject2 {
public:
    KaVector3f32 position() override { return Ka3DObject2::position() + KaVector3f32(100.0f, 0.0f, 0.0f); }
    bool onParentWorldColorChanged() override
    {
        ++colourSlotCalls;
        return Ka3DObject2::onParentWorldColorChanged();
    }
    int colourSlotCalls = 0;
};

} // namespace

TEST(Ka3DObject2Test, DerivedOverridesAreUsed)
{
    Offset parent;
    Offset child;
    Ka3DObject2 leaf;
    parent.addChild(&child);
    child.addChild(&leaf);
    EXPECT_EQ(leaf.worldPosition(), KaVector3f32(200.0f, 0.0f, 0.0f));
    EXPECT_TRUE(near(leaf.worldTransformationMatrix().translation(), KaVector3f32(200.0f, 0.0f, 0.0f)));
    parent.setColor(KaColor(1, 2, 3, 4));
    EXPECT_EQ(child.colourSlotCalls, 1);
    EXPECT_EQ(parent.colourSlotCalls, 0);
    child.removeChild(&leaf);
    parent.removeChild(&child);
}

TEST(Ka3DObject2Test, SerializedRecordCarriesNameAndTransformOnly)
{
    Ka3DObject2 source;
    source.setName("crate");
    source.setPosition(KaVector3f32(1.0f, 2.0f, 3.0f));
    source.setRotation(kQuarterTurnZ);
    source.setScale(KaVector3f32(4.0f, 5.0f, 6.0f));
    source.setSize(KaVector3f32(7.0f, 8.0f, 9.0f));
    source.setColor(KaColor(1, 2, 3, 4));
    source.setVisible(false);

    KaStream stream;
    ASSERT_TRUE(Ka3DObject2::serialize(stream, source));
    EXPECT_EQ(stream.bufferLength(), 4u + 5u + 12u + 16u + 12u);

    stream.seek(0);
    Ka3DObject2 target;
    Recorder recorder;
    recorder.watch(target, "t");
    ASSERT_TRUE(Ka3DObject2::deserialize(stream, target));
    EXPECT_EQ(target.name(), KaString("crate"));
    EXPECT_EQ(target.position(), source.position());
    EXPECT_EQ(target.rotation(), source.rotation());
    EXPECT_EQ(target.scale(), source.scale());
    EXPECT_EQ(target.size(), KaVector3f32());
    EXPECT_EQ(target.color(), KaColor(255, 255, 255, 255));
    EXPECT_TRUE(target.visible());
    EXPECT_EQ(recorder.log, (Log { "t.position", "t.matrix", "t.matrix", "t.matrix" }));

    // Cut inside the rotation: name and position are applied, the rest is not.
    KaStream cut;
    cut.writeData(stream.data(), 4 + 5 + 12 + 6);
    cut.seek(0);
    Ka3DObject2 partial;
    EXPECT_FALSE(Ka3DObject2::deserialize(cut, partial));
    EXPECT_EQ(partial.name(), KaString("crate"));
    EXPECT_EQ(partial.position(), source.position());
    EXPECT_EQ(partial.rotation(), KaQuaternion());
    EXPECT_EQ(partial.scale(), KaVector3f32(1.0f, 1.0f, 1.0f));
}
