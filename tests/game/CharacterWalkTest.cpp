#include "tests/game/CharacterTestFixture.h"

#include <cmath>
#include <functional>
#include <vector>

#include "engine/maths/KaQuaternion.h"
#include "engine/scene/KaFreeMoveZone.h"

namespace {

bool finite(const KaVector3f32& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool finite(const KaQuaternion& q)
{
    return std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w);
}

float groundDistance(const KaVector3f32& a, const KaVector3f32& b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.z - b.z) * (a.z - b.z));
}

// Where the model's front (+z in model space) points, on the ground.
KaVector3f32 facing(KaModel& model)
{
    KaVector3f32 front = model.rotation().toMatrix().mult3x3(KaVector3f32(0.0f, 0.0f, 1.0f));
    front.y = 0.0f;
    return front;
}

// A curve through the points whose length() is exactly what the walk
// plans with: the length sums the samples before t = 1, so a straight
// curve measures one sample short of its chord.
KaIntrusivePtr<KaBezierCurve> straightCurve(const KaVector3f32& from, const KaVector3f32& direction, float length)
{
    KaIntrusivePtr<KaBezierCurve> curve = new KaBezierCurve();
    const float chord = length * 1000.0f / 999.0f;
    KaArray<KaVector3f32> points;
    points.pushBack(from);
    points.pushBack(from + KaVector3f32(direction.x * chord, direction.y * chord, direction.z * chord));
    curve->setControlPoints(points);
    return curve;
}

KaIntrusivePtr<KaBezierCurve> curveThrough(std::initializer_list<KaVector3f32> list)
{
    KaIntrusivePtr<KaBezierCurve> curve = new KaBezierCurve();
    KaArray<KaVector3f32> points;
    for (const KaVector3f32& p : list)
        points.pushBack(p);
    curve->setControlPoints(points);
    return curve;
}

// Floor rectangles (corners (x0, z0) and (x1, z1)) at one height, two
// triangles each.
void buildFloor(KaFreeMoveZone& zone, const std::vector<std::pair<KaVector2f32, KaVector2f32>>& rectangles, float y)
{
    std::vector<KaVector3f32> vertices;
    for (const auto& r : rectangles) {
        const KaVector3f32 a(r.first.x, y, r.first.y), b(r.second.x, y, r.first.y), c(r.second.x, y, r.second.y),
            d(r.first.x, y, r.second.y);
        for (const KaVector3f32& v : { a, b, c, a, c, d })
            vertices.push_back(v);
    }
    zone.setNbTriangles(vertices.size() / 3);
    for (size_t i = 0; i < vertices.size(); ++i)
        zone.setVertex(i, vertices[i]);
}

// What the game does when the player's animations end: from the start part
// to the loop, and at the end of a stop the walk's end, snapped to the
// curve's end, then the idle animation.
class GameStandIn {
public:
    explicit GameStandIn(Character& player)
        : mPlayer(player)
    {
        player.onCharacterAnimationPlayerFinished.add(this, &GameStandIn::onPlayerAnimationFinished);
    }

    bool onPlayerAnimationFinished(const KaString&)
    {
        const KaString current = mPlayer.curAnimName();
        if (current == mPlayer.walkAnim(Character::start)) {
            mPlayer.setAnimation(mPlayer.walkAnim(Character::loop), true, false, false, -1, 9999);
        } else if (isStop(current)) {
            reached = mPlayer.model()->position();
            mPlayer.updatePosition(1.0f);
            // The end puts a running player back to walking: the stop is
            // recognised by its name from before.
            mPlayer.endMove();
            if (mPlayer.curAnimName() == current)
                mPlayer.setAnimation(mPlayer.settings().walk.animationFileName, true, false, false, -1, 9999);
        }
        return false;
    }

    KaVector3f32 reached;

private:
    bool isStop(const KaString& name) const
    {
        return name == mPlayer.walkAnim(Character::endD) || name == mPlayer.walkAnim(Character::endG);
    }

    Character& mPlayer;
};

// Counts the walk's ends, and keeps where a non-player stood when its stop
// animation ended (before the walk's end puts it on the curve's end).
class WalkWatcher {
public:
    explicit WalkWatcher(Character& character)
        : mCharacter(character)
    {
        character.onFinished.add(this, &WalkWatcher::onWalkFinished);
        character.onCharacterAnimationFinished.add(this, &WalkWatcher::onAnimationFinished);
    }

    bool onWalkFinished()
    {
        ++ends;
        return false;
    }

    bool onAnimationFinished(const KaString&)
    {
        if (mCharacter.isWalkEnd())
            reached = mCharacter.model()->position();
        return false;
    }

    int ends = 0;
    KaVector3f32 reached;

private:
    Character& mCharacter;
};

} // namespace

// How near the end the animations alone carry a walk. The walk reads each
// animation's frame before that animation moves on in the same frame: at
// the change from one part to the next it is one frame behind, and the last
// frame of the stop is never walked. About two frames of the stop (2 each,
// stretched to the curve) fall short.
const float kArrivalTolerance = 6.5f;

// Walk parts whose root moves at an even speed, so that planned lengths are
// exact: a part of f frames covering d per frame measures f x d (the travel
// plus one frame's step).
class CharacterWalkTest : public CharacterTest {
protected:
    static constexpr unsigned int startFrames = 16;
    static constexpr unsigned int loopFrames = 32;
    static constexpr unsigned int stopFrames = 16;
    // Per frame: the start and stops 2, the loop 4 (128 a cycle).
    static constexpr float startLength = 32.0f;
    static constexpr float loopLength = 128.0f;
    static constexpr float stopLength = 32.0f;

    void SetUp() override
    {
        CharacterTest::SetUp();
        writeWalk(loopLength);
    }

    void writePart(const char* name, unsigned int frames, float length)
    {
        const float perFrame = length / static_cast<float>(frames);
        writeAnimation(name, characterAnimation(frames, KaVector3f32(0, 0, perFrame * static_cast<float>(frames - 1))));
    }

    // The cache holds the previous files: it is emptied, and a character
    // re-reads its lengths with walkMode.
    void writeWalk(float loop)
    {
        writePart("walk_start.kaan", startFrames, startLength);
        writePart("walk_loop.kaan", loopFrames, loop);
        writePart("walk_endg.kaan", stopFrames, stopLength);
        writePart("walk_endd.kaan", stopFrames, stopLength);
        Character::animCacheFreeAll();
    }

    Character& walker(const char* name, bool player)
    {
        Character& c = character(name);
        c.setPlayer(player);
        return c;
    }

    // What callers do before walkTo: the curve, the offset, the start part.
    void startWalk(Character& c, const KaIntrusivePtr<KaBezierCurve>& curve, float offset, float endParam,
        bool noEndAnim = false)
    {
        c.placeOnCurve(curve);
        c.setCurveOffset(offset);
        ASSERT_TRUE(c.setAnimation(c.walkAnim(Character::start), false, false, false, -1, 9999));
        c.walkTo(endParam, noEndAnim);
        started();
    }

    // Frames until the walk ends (or a bound that no walk here needs),
    // checking on the way that nothing turns into NaN and that the
    // character faces where it goes (the cosine of the angle between its
    // front and its last step above minimumCosine), and anything else asked
    // for.
    void walkToTheEnd(Character& c, WalkWatcher& watcher, float minimumCosine = 0.95f,
        const std::function<void(const KaVector3f32&)>& check = std::function<void(const KaVector3f32&)>())
    {
        KaVector3f32 previous = c.model()->position();
        for (int i = 0; i < 2000 && watcher.ends == 0; ++i) {
            frame();
            const KaVector3f32 here = c.model()->position();
            ASSERT_TRUE(finite(here)) << "frame " << i;
            if (check) {
                SCOPED_TRACE(testing::Message() << "frame " << i);
                check(here);
            }
            ASSERT_TRUE(finite(c.model()->rotation())) << "frame " << i;
            // Not the frame that snaps the character to the end.
            if (groundDistance(here, previous) > 0.5f && watcher.ends == 0) {
                KaVector3f32 moved = here - previous;
                moved.y = 0.0f;
                const KaVector3f32 front = facing(*c.model());
                const float cosine
                    = (moved.x * front.x + moved.z * front.z) / (moved.getLength() * front.getLength());
                EXPECT_GT(cosine, minimumCosine) << "frame " << i;
            }
            previous = here;
        }
        ASSERT_EQ(1, watcher.ends);
        // Nothing more is reported once the walk has ended.
        for (int i = 0; i < 40; ++i)
            frame();
        EXPECT_EQ(1, watcher.ends);
        EXPECT_FALSE(c.isRunning());
        EXPECT_EQ(std::string(c.settings().walk.animationFileName.c_str()), c.curAnimName().c_str());
    }
};

TEST_F(CharacterWalkTest, PlanningFitsLoopCyclesAndPicksTheStop)
{
    // Curve length L = the stop (32, unless noEndAnim) + the start (32) + n
    // loop cycles of 128 and 32 frames. The player walking in "Walk" stops on
    // the footfall (loop frame 13: endG, 29: endD) nearest to the n x 32
    // frames that fit, the earlier on a tie; the others on a quarter or three
    // quarters of a cycle. endFrame = 16 start frames + loops x 32 + the stop
    // frame; the animations cover divisor, stretched to L.
    struct Case {
        const char* name;
        bool player;
        const char* mode;
        float loop;
        float n;
        bool noEndAnim;
        float loops;
        unsigned int stopFrame;
        bool endOnD;
        // The start, loop cycles, the loop's travel to the stop frame (its
        // frames + 1, times 4) and the stop.
        float divisor;
    };
    const Case cases[] = {
        { "player, footfall 13", true, "Walk", loopLength, 2.0f + 13.5f / 32.0f, false, 2, 13, false,
            32 + 256 + 56 + 32 },
        { "player, footfall 29", true, "Walk", loopLength, 2.0f + 29.5f / 32.0f, false, 2, 29, true,
            32 + 256 + 120 + 32 },
        { "player, between 13 and 29: the earlier", true, "Walk", loopLength, 2.0f + 21.5f / 32.0f, false, 2, 13,
            false, 32 + 256 + 56 + 32 },
        { "player, between the cycle's 29 and 13: the earlier", true, "Walk", loopLength, 2.0f + 5.5f / 32.0f, false,
            1, 29, true, 32 + 128 + 120 + 32 },
        { "player, nearer the previous 29", true, "Walk", loopLength, 2.0f + 2.5f / 32.0f, false, 1, 29, true,
            32 + 128 + 120 + 32 },
        { "player, no whole cycle", true, "Walk", loopLength, 5.5f / 32.0f, false, 0, 13, false, 32 + 56 + 32 },
        { "player, no stop planned", true, "Walk", loopLength, 2.0f + 13.5f / 32.0f, true, 2, 13, false,
            32 + 256 + 56 },
        { "player running", true, "Jog", 0, 2.5f, false, 2.75f, 0, true, 0 },
        { "other, half a cycle over", false, "Walk", loopLength, 2.5f, false, 2.75f, 0, true, 32 + 352 + 32 },
        { "other, less than half over", false, "Walk", loopLength, 2.4f, false, 2.25f, 0, false, 32 + 288 + 32 },
        { "other, no stop planned", false, "Walk", loopLength, 1.7f, true, 1.75f, 0, true, 32 + 224 },
        { "too short for start and stop", true, "Walk", loopLength, -0.25f, false, 0, 0, false, 64 },
        { "too short, no stop planned: the stop still counts", false, "Walk", loopLength, -0.5f, true, 0, 0, false,
            64 },
        { "a loop that does not move: the start and the stop", true, "Walk", 0, 3.0f, false, 0, 0, false, 64 },
        { "the same for others", false, "Walk", 0, 3.0f, false, 0, 0, false, 64 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Character& mira = walker("Mira", c.player);
        float length = 0.0f;
        unsigned int frames = loopFrames;
        if (std::string(c.mode) == "Jog") {
            // The fixture's jog parts: 11 frames, 7.7 each.
            mira.walkMode("Jog");
            frames = 11;
            length = (c.noEndAnim ? 7.7f : 15.4f) + c.n * 7.7f;
        } else {
            writeWalk(c.loop);
            mira.walkMode("Walk");
            length = (c.noEndAnim ? 0.0f : stopLength) + startLength + c.n * loopLength;
        }
        if (length <= 0.0f)
            length = 10.0f;
        KaIntrusivePtr<KaBezierCurve> curve = straightCurve(KaVector3f32(), KaVector3f32(0, 0, 1), length);
        ASSERT_NEAR(length, curve->length(), 1e-3f);
        mira.placeOnCurve(curve);
        mira.walkTo(1.0f, c.noEndAnim);

        const unsigned int start = std::string(c.mode) == "Jog" ? 11 : startFrames;
        EXPECT_EQ(start + static_cast<unsigned int>(c.loops * static_cast<float>(frames)) + c.stopFrame,
            mira.endFrame());
        EXPECT_EQ(c.endOnD, mira.endOnD());
        const float divisor = std::string(c.mode) == "Jog" ? 15.4f + 2.75f * 7.7f : c.divisor;
        EXPECT_NEAR(length / divisor, mira.speedRatio(), 1e-4f);
        EXPECT_NEAR(length, mira.curveLength(), 1e-3f);
        EXPECT_TRUE(mira.isRunning());
        mira.stop();
        characters.clear();
    }
}

TEST_F(CharacterWalkTest, ThePlayerWalksACurveArrivesAndReportsItOnce)
{
    Character& mira = walker("Mira", true);
    GameStandIn game(mira);
    WalkWatcher watcher(mira);
    const KaVector3f32 end(300, 0, 420);
    KaIntrusivePtr<KaBezierCurve> curve = curveThrough({ KaVector3f32(0, 0, 0), KaVector3f32(250, 0, 150), end });
    mira.walkMode("Jog");
    startWalk(mira, curve, 0.0f, 1.0f);
    walkToTheEnd(mira, watcher);
    // The animations themselves carried her to the end; the game then puts
    // her on it exactly.
    EXPECT_LT(groundDistance(game.reached, end), kArrivalTolerance);
    EXPECT_LT(groundDistance(mira.model()->position(), end), 1e-3f);
    // Running lasts one walk.
    EXPECT_EQ("Walk", std::string(mira.walkMode().c_str()));
}

TEST_F(CharacterWalkTest, ACharacterWalksAPathOfItsZoneOnItsGroundAndEndsByItself)
{
    // An L of floor at height 12: the path from the upright's foot to the
    // end of the L turns its corner. No game sees to the end of this walk.
    KaFreeMoveZone zone;
    buildFloor(zone,
        { { KaVector2f32(0, 0), KaVector2f32(100, 400) }, { KaVector2f32(100, 300), KaVector2f32(400, 400) } }, 12.0f);
    Character& ansel = walker("Nils", false);
    WalkWatcher watcher(ansel);
    ansel.setFreeMoveZone(&zone);
    ansel.model()->setPosition(KaVector3f32(50, 12, 20));
    const KaVector3f32 to(380, 12, 350);
    KaIntrusivePtr<KaBezierCurve> path = ansel.pathTo(to);
    ASSERT_TRUE(path);
    ASSERT_GE(path->controlPoints().size(), 3u);
    startWalk(ansel, path, 0.0f, 1.0f);
    // Round the corner the front leads the last step by up to half the turn
    // that one frame makes.
    walkToTheEnd(ansel, watcher, 0.5f, [](const KaVector3f32& p) {
        EXPECT_NEAR(12.0f, p.y, 1e-3f);
        // Never off the floor, so never across the L's inner corner.
        EXPECT_TRUE(p.x >= -1 && p.x <= 401 && p.z >= -1 && p.z <= 401 && (p.x <= 101 || p.z >= 299))
            << p.x << ", " << p.z;
    });
    EXPECT_LT(groundDistance(watcher.reached, to), kArrivalTolerance);
    EXPECT_LT(groundDistance(ansel.model()->position(), to), 1e-3f);
}

TEST_F(CharacterWalkTest, WalkingACurveBackwardsFacesTheWayItGoes)
{
    // Along x, forwards from parameter 0 to 1, and backwards from 1 to 0.
    struct Case {
        const char* name;
        float offset;
        float endParam;
        float facingX;
        float endX;
    };
    const Case cases[] = {
        { "forwards", 0.0f, 1.0f, 1.0f, 300.0f },
        { "backwards", 1.0f, 0.0f, -1.0f, 0.0f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Character& ansel = walker("Nils", false);
        WalkWatcher watcher(ansel);
        KaIntrusivePtr<KaBezierCurve> curve = curveThrough({ KaVector3f32(0, 0, 0), KaVector3f32(300, 0, 0) });
        startWalk(ansel, curve, c.offset, c.endParam);
        frame();
        const KaVector3f32 front = facing(*ansel.model());
        EXPECT_NEAR(c.facingX, front.x, 1e-4f);
        EXPECT_NEAR(0.0f, front.z, 1e-4f);
        walkToTheEnd(ansel, watcher);
        EXPECT_NEAR(c.endX, watcher.reached.x, kArrivalTolerance);
        characters.clear();
    }
}

TEST_F(CharacterWalkTest, WithoutAStopAnimationTheWalkEndsOnceAtTheFirstOfArrivalAndStopFrame)
{
    // Planned without a stop, the walk ends where the stop would start; a
    // curve cut short by its end parameter ends it on arrival first.
    struct Case {
        const char* name;
        float endParam;
    };
    for (const Case& c : { Case { "at the stop frame", 1.0f }, Case { "on arrival", 0.3f } }) {
        SCOPED_TRACE(c.name);
        Character& mira = walker("Mira", true);
        GameStandIn game(mira);
        WalkWatcher watcher(mira);
        KaIntrusivePtr<KaBezierCurve> curve = straightCurve(KaVector3f32(), KaVector3f32(0, 0, 1), 600.0f);
        startWalk(mira, curve, 0.0f, c.endParam, true);
        for (int i = 0; i < 2000 && watcher.ends == 0; ++i) {
            frame();
            EXPECT_FALSE(mira.isWalkEnd()) << "frame " << i;
        }
        ASSERT_EQ(1, watcher.ends);
        EXPECT_FALSE(mira.isRunning());
        EXPECT_FALSE(mira.noEndAnim());
        if (c.endParam < 1.0f)
            EXPECT_NEAR(0.3f, mira.curveParam(), 0.01f);
        else
            EXPECT_GT(mira.curveParam(), 0.9f);
        for (int i = 0; i < 40; ++i)
            frame();
        EXPECT_EQ(1, watcher.ends);
        characters.clear();
    }
}

TEST_F(CharacterWalkTest, ALoopThatDoesNotMoveStopsAfterTheStartPart)
{
    writeWalk(0.0f);
    Character& mira = walker("Mira", true);
    ASSERT_EQ(0.0f, mira.loopLength());
    GameStandIn game(mira);
    WalkWatcher watcher(mira);
    const float length = 500.0f;
    startWalk(mira, straightCurve(KaVector3f32(), KaVector3f32(0, 0, 1), length), 0.0f, 1.0f);
    EXPECT_EQ(startFrames, mira.endFrame());
    EXPECT_NEAR(length / (startLength + stopLength), mira.speedRatio(), 1e-4f);
    walkToTheEnd(mira, watcher);
    // The start and the stop alone, stretched, cover the curve.
    EXPECT_NEAR(length, game.reached.z, kArrivalTolerance);
}

TEST_F(CharacterWalkTest, WithoutADirectionTheCharacterKeepsItsHeading)
{
    // A curve whose points coincide has no tangent anywhere; one that only
    // climbs has none on the ground.
    struct Case {
        const char* name;
        KaVector3f32 second;
    };
    for (const Case& c : { Case { "points that coincide", KaVector3f32(50, 0, 50) },
             Case { "straight up", KaVector3f32(50, 80, 50) } }) {
        SCOPED_TRACE(c.name);
        Character& ansel = walker("Nils", false);
        WalkWatcher watcher(ansel);
        const KaQuaternion heading = KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 1, 0), 0.7f);
        ansel.model()->setRotation(heading);
        startWalk(ansel, curveThrough({ KaVector3f32(50, 0, 50), c.second }), 0.0f, 1.0f);
        for (int i = 0; i < 2000 && watcher.ends == 0; ++i) {
            frame();
            const KaQuaternion q = ansel.model()->rotation();
            ASSERT_TRUE(finite(q)) << "frame " << i;
            ASSERT_TRUE(finite(ansel.model()->position())) << "frame " << i;
            EXPECT_NEAR(heading.y, q.y, 1e-6f);
            EXPECT_NEAR(heading.w, q.w, 1e-6f);
        }
        EXPECT_EQ(1, watcher.ends);
        characters.clear();
    }
}

TEST_F(CharacterWalkTest, AWalkTypeThatIsMissingArrivesAtOnce)
{
    // No part, no length: nothing can carry the walk, and it must not hang.
    Character& ansel = walker("Nils", false);
    WalkWatcher watcher(ansel);
    ansel.walkMode("Crawl");
    ASSERT_FALSE(ansel.getCurrentWalkFiles());
    const KaVector3f32 end(0, 0, 200);
    ansel.placeOnCurve(curveThrough({ KaVector3f32(), end }));
    ansel.walkTo(1.0f, false);
    EXPECT_EQ(1, watcher.ends);
    EXPECT_EQ(0.0f, ansel.speedRatio());
    EXPECT_LT(groundDistance(ansel.model()->position(), end), 1e-3f);
    EXPECT_EQ("nils_idle.kaan", std::string(ansel.curAnimName().c_str()));
    frame();
    EXPECT_EQ(1, watcher.ends);
}

TEST_F(CharacterWalkTest, ACharacterWithoutAZoneHasNoPath)
{
    Character& mira = walker("Mira", true);
    EXPECT_FALSE(mira.pathTo(KaVector3f32(10, 0, 10)));
    EXPECT_FALSE(mira.pathTo(KaVector2s32(100, 100)));

    // With a zone, a point off its floor has none either.
    KaFreeMoveZone zone;
    buildFloor(zone, { { KaVector2f32(0, 0), KaVector2f32(100, 100) } }, 0.0f);
    mira.setFreeMoveZone(&zone);
    mira.model()->setPosition(KaVector3f32(10, 0, 10));
    EXPECT_TRUE(mira.pathTo(KaVector3f32(90, 0, 90)));
    EXPECT_FALSE(mira.pathTo(KaVector3f32(500, 0, 500)));
    mira.setFreeMoveZone(nullptr);
}
