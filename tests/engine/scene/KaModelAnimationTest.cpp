#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/scene/KaModelAnimation.h"
#include "tests/engine/scene/KaAnimationFiles.h"
#include "tests/engine/scene/KaSceneTestClock.h"
#include "tests/support/KaTestSupport.h"

namespace {

// A keyed animation of one track with that many frames at that rate.
KaIntrusivePtr<KaModelAnimation> keyedAnimation(unsigned int frames, float fps)
{
    KaIntrusivePtr<KaModelAnimation> anim(new KaModelAnimation());
    anim->setKeyed(true);
    anim->setFrameCount(frames);
    anim->setFrameRate(fps);
    anim->resizeNMOArrays(1);
    anim->setBoneName(0, "root");
    KaVector3f32 a(0, 0, 0);
    KaVector3f32 b(10, 0, 0);
    anim->setTranslation(0, 0.0f, a);
    anim->setTranslation(0, 10.0f, b);
    return anim;
}

class FinishedCounter {
public:
    explicit FinishedCounter(KaAnimation& anim) { anim.onFinished.add(this, &FinishedCounter::finished); }
    bool finished()
    {
        ++mCount;
        return false;
    }
    int mCount = 0;
};

bool loadBytes(KaModelAnimation& anim, const std::string& bytes)
{
    KaStream stream;
    KaTestFillStream(stream, bytes);
    return anim.load(stream);
}

std::string saved(const KaModelAnimation& anim)
{
    KaStream out;
    EXPECT_TRUE(anim.save(out));
    return KaTestBytes(out);
}

KaTestSkeletalFile twoBoneKeyedFile()
{
    KaTestSkeletalFile file;
    file.bones.push_back({ "Pere", { { 0, 0, 0, 0 }, { 10, 10, 0, 0 } }, { { 0, 0, 0, 0, 1 }, { 10, 0, 1, 0, 0 } } });
    file.bones.push_back({ "Bip01 Head", { { 5, 1, 2, 3 } }, {} });
    return file;
}

} // namespace

// Each row: settings, then the elapsed times of successive updates with the
// frame, loop count and onFinished count expected after each.
TEST(KaModelAnimationTest, CalcCurrentFrameAgainstATable)
{
    struct Step {
        double ms;
        unsigned int frame;
        int loops;
        int finished;
    };
    struct Case {
        const char* name;
        unsigned int frames;
        int first;
        int last;
        unsigned int repeat;
        bool reversed;
        std::vector<Step> steps;
    };
    const unsigned int endless = KaAnimation::mEndless;
    const std::vector<Case> cases = {
        { "plays and loops", 10, -1, 2147483647, endless, false,
            { { 0, 0, 0, 0 }, { 300, 9, 0, 0 }, { 350, 0, 0, 1 }, { 700, 1, 0, 2 } } },
        { "once, then holds the last frame", 10, -1, 2147483647, 1, false,
            { { 0, 0, 0, 0 }, { 300, 9, 0, 0 }, { 350, 9, 1, 1 }, { 400, 9, 1, 1 }, { 700, 9, 1, 1 },
                { 5000, 9, 1, 1 } } },
        { "limits 2 to 5", 10, 2, 5, endless, false,
            { { 0, 2, 0, 0 }, { 100, 5, 0, 0 }, { 133, 5, 0, 0 }, { 134, 2, 0, 1 } } },
        { "inverted limits play the last limit only", 10, 7, 3, endless, false, { { 0, 3, 0, 0 }, { 40, 3, 0, 1 } } },
        { "limits past the end are the end", 10, 20, 9999, 1, false, { { 0, 9, 0, 0 }, { 40, 9, 1, 1 } } },
        { "negative last limit is the last frame", 10, 4, -1, endless, false,
            { { 0, 4, 0, 0 }, { 180, 0 + 4 + 5, 0, 0 } } },
        { "a long gap still ends a finite play", 10, -1, 2147483647, 2, false,
            { { 0, 0, 0, 0 }, { 60000, 9, 2, 1 }, { 60100, 9, 2, 1 } } },
        { "twice, one report per completed loop", 10, -1, 2147483647, 2, false,
            { { 0, 0, 0, 0 }, { 340, 0, 1, 1 }, { 500, 5, 1, 1 }, { 680, 9, 2, 2 }, { 1100, 9, 2, 2 } } },
        { "reversed plays backwards and holds the first", 10, -1, 2147483647, 1, true,
            { { 0, 9, 0, 0 }, { 100, 6, 0, 0 }, { 300, 0, 0, 0 }, { 340, 0, 1, 1 }, { 500, 0, 1, 1 } } },
        { "reversed loops are counted", 10, 2, 5, endless, true,
            { { 0, 5, 0, 0 }, { 100, 2, 0, 0 }, { 134, 5, 0, 1 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaIntrusivePtr<KaModelAnimation> anim = keyedAnimation(c.frames, 30.0f);
        FinishedCounter finished(*anim);
        anim->setFrameLimits(c.first, c.last);
        anim->setRepeatCount(c.repeat);
        anim->setReversed(c.reversed);
        for (const Step& step : c.steps) {
            SCOPED_TRACE(step.ms);
            anim->update(step.ms);
            EXPECT_EQ(anim->currentFrame(), step.frame);
            EXPECT_EQ(anim->loopCount(), c.repeat == endless ? 0 : step.loops);
            EXPECT_EQ(finished.mCount, step.finished);
        }
    }
}

TEST(KaModelAnimationTest, FrameIsComputedOncePerUpdate)
{
    KaIntrusivePtr<KaModelAnimation> anim = keyedAnimation(10, 30.0f);
    anim->setRepeatCount(KaAnimation::mEndless);
    anim->update(100);
    EXPECT_EQ(anim->currentFrame(), 3u);
    EXPECT_EQ(anim->calcCurrentFrame(250), 3u) << "later calls in the same update answer the stored frame";
    anim->update(250);
    EXPECT_EQ(anim->currentFrame(), 7u);
}

TEST(KaModelAnimationTest, DegenerateTimingsStayInRange)
{
    struct Case {
        const char* name;
        unsigned int frames;
        float fps;
        double ms;
    };
    const std::vector<Case> cases = {
        { "no frames", 0, 30.0f, 500 },
        { "one frame", 1, 30.0f, 500 },
        { "NaN rate", 10, NAN, 500 },
        { "infinite rate", 10, INFINITY, 500 },
        { "negative time", 10, 30.0f, -500 },
        { "huge time", 10, 30.0f, 1e300 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaIntrusivePtr<KaModelAnimation> anim = keyedAnimation(c.frames, c.fps);
        anim->setRepeatCount(KaAnimation::mEndless);
        anim->update(c.ms);
        EXPECT_LE(anim->currentFrame(), c.frames == 0 ? 0u : c.frames - 1);
    }
}

TEST(KaModelAnimationTest, RestartFromIdleCountsAgainButPauseKeepsTheCount)
{
    KaSceneTestClock clock;
    KaIntrusivePtr<KaModelAnimation> anim = keyedAnimation(10, 30.0f);
    FinishedCounter finished(*anim);
    anim->play();
    clock.frame(0);
    clock.frame(400);
    EXPECT_EQ(anim->currentFrame(), 9u);
    EXPECT_EQ(finished.mCount, 1);
    anim->pause();
    anim->cont();
    clock.frame(0);
    clock.frame(100);
    EXPECT_EQ(anim->currentFrame(), 9u) << "a finished play stays finished across a pause";
    EXPECT_EQ(finished.mCount, 1);
    anim->reset();
    anim->play();
    clock.frame(0);
    clock.frame(100);
    EXPECT_EQ(anim->currentFrame(), 3u);
    clock.frame(300);
    EXPECT_EQ(finished.mCount, 2);
    anim->stop();
}

TEST(KaModelAnimationTest, KeyInterpolation)
{
    KaIntrusivePtr<KaModelAnimation> anim = keyedAnimation(20, 30.0f);
    struct Case {
        float frame;
        float x;
    };
    for (const Case& c : std::vector<Case> { { 5, 5 }, { 12, 10 }, { 0, 0 }, { 10, 10 }, { 2.5f, 2.5f } })
        EXPECT_FLOAT_EQ(anim->getNMOTranslation(0, c.frame).x, c.x) << c.frame;
    EXPECT_FLOAT_EQ(anim->getNMOTranslation(3, 5).x, 0.0f);
    const KaQuaternion none = anim->getNMORotation(0, 5);
    EXPECT_EQ(none, KaQuaternion(0, 0, 0, 1));

    // Rotations take the short way once the dot product is below -0.15.
    KaQuaternion a(0, 0, 0, 1);
    KaQuaternion b(0, 0, 0, -1); // the same rotation, opposite sign
    anim->setRotation(0, 0.0f, a);
    anim->setRotation(0, 10.0f, b);
    const KaQuaternion mid = anim->getNMORotation(0, 5);
    EXPECT_NEAR(std::fabs(mid.w), 1.0f, 1e-5) << "flipped: no detour through another rotation";

    EXPECT_EQ(anim->findBone("nobody"), KaModelAnimation::mNoBone);
    KaString absent("nobody");
    const KaTRS identity = anim->getTRS(absent, 5, false);
    EXPECT_EQ(identity.getTranslation().x, 0.0f);
    EXPECT_EQ(identity.getRotation(), KaQuaternion());
    KaString root("root");
    EXPECT_FLOAT_EQ(anim->getTRS(root, 5, false).getTranslation().x, 5.0f);
    EXPECT_FLOAT_EQ(anim->getMatrix(root, 5, false).translation().x, 5.0f);
}

TEST(KaModelAnimationTest, KeyedFileRoundTripsByteForByte)
{
    const std::string bytes = KaTestWriteSkeletal(twoBoneKeyedFile());
    KaIntrusivePtr<KaModelAnimation> anim(new KaModelAnimation());
    ASSERT_TRUE(loadBytes(*anim, bytes));
    EXPECT_TRUE(anim->keyed());
    EXPECT_EQ(anim->nbFrames(), 10u);
    EXPECT_EQ(anim->trackCount(), 2u);
    EXPECT_EQ(anim->findBone("Bip01 Head"), 1u);
    EXPECT_FLOAT_EQ(anim->getTRS(1, 7, false).getTranslation().z, 3.0f);
    EXPECT_EQ(saved(*anim), bytes);
}

TEST(KaModelAnimationTest, TableFileAnswersFromEachTracksOwnRows)
{
    KaTestSkeletalFile file;
    file.type = 0;
    file.frameCount = 0;
    file.bones.push_back({ "a", { { 0, 1, 0, 0 }, { 1, 2, 0, 0 }, { 2, 3, 0, 0 }, { 3, 4, 0, 0 } }, {} });
    file.bones.push_back({ "b", { { 0, 7, 0, 0 } }, { { 1.9f, 0, 1, 0, 0 } } });
    KaIntrusivePtr<KaModelAnimation> anim(new KaModelAnimation());
    ASSERT_TRUE(loadBytes(*anim, KaTestWriteSkeletal(file)));
    EXPECT_FALSE(anim->keyed());
    EXPECT_EQ(anim->nbFrames(), 4u);
    EXPECT_FLOAT_EQ(anim->getTRS(0, 3, false).getTranslation().x, 4.0f);
    EXPECT_FLOAT_EQ(anim->getTRS(1, 0, false).getTranslation().x, 7.0f);
    EXPECT_EQ(anim->getTRS(1, 1, false).getRotation(), KaQuaternion(0, 1, 0, 0)) << "row trunc(1.9)";
    // Track b has two rows: frame 3 is past them and answers the identity.
    EXPECT_EQ(anim->getTRS(1, 3, false).getTranslation().x, 0.0f);
    EXPECT_EQ(anim->getTRS(5, 0, false).getTranslation().x, 0.0f);

    // The table saves as keys numbered by row and reads back the same.
    const std::string bytes = saved(*anim);
    KaIntrusivePtr<KaModelAnimation> again(new KaModelAnimation());
    ASSERT_TRUE(loadBytes(*again, bytes));
    EXPECT_EQ(saved(*again), bytes);
    EXPECT_EQ(again->getTRS(1, 1, false).getRotation(), KaQuaternion(0, 1, 0, 0));
}

TEST(KaModelAnimationTest, LoadsPlainAndWrappedFilesByPath)
{
    KaTempDir dir;
    const std::string bytes = KaTestWriteSkeletal(twoBoneKeyedFile());
    dir.write("plain.anim", bytes);
    dir.write("packed.anim", KaTestWrapKaz0(bytes));
    dir.write("broken.anim", KaTestWrapKaz0(bytes.substr(0, bytes.size() - 3)));
    for (const char* name : { "plain.anim", "packed.anim" }) {
        SCOPED_TRACE(name);
        KaIntrusivePtr<KaModelAnimation> anim(new KaModelAnimation());
        const KaPath path(dir.file(name).c_str());
        ASSERT_TRUE(anim->load(path));
        EXPECT_EQ(anim->name(), path);
        EXPECT_EQ(saved(*anim), bytes);
    }
    KaIntrusivePtr<KaModelAnimation> broken(new KaModelAnimation());
    EXPECT_FALSE(broken->load(KaPath(dir.file("broken.anim").c_str())));
    EXPECT_EQ(broken->trackCount(), 0u);

    KaCaptureStdout capture;
    KaIntrusivePtr<KaModelAnimation> missing(new KaModelAnimation());
    const KaPath nowhere(dir.file("missing.anim").c_str());
    EXPECT_FALSE(missing->load(nowhere));
    const std::string expected = std::string("[KaModel::loadAnimation] File not found : ") + nowhere.c_str() + "\n";
    EXPECT_NE(capture.text().find(expected), std::string::npos);
}

TEST(KaModelAnimationTest, DamagedFilesAreRefusedAndLeaveNothingBehind)
{
    struct Case {
        const char* name;
        std::string bytes;
        const char* message; // empty: silent
    };
    std::vector<Case> cases;
    auto add = [&](const char* name, KaTestSkeletalFile file, const char* message) {
        cases.push_back({ name, KaTestWriteSkeletal(file), message });
    };
    KaTestSkeletalFile f = twoBoneKeyedFile();
    f.version = 2;
    add("version 2", f, "[KaModelAnimation::load] Unsupported version.\n");
    f = twoBoneKeyedFile();
    f.boneCountOverride = 0x7FFFFFFF;
    add("bone count beyond the stream", f, "[KaModelAnimation::load] Corrupt file.\n");
    f = twoBoneKeyedFile();
    f.boneCountOverride = 3;
    add("one bone record missing", f, "");
    f = twoBoneKeyedFile();
    f.translationCountOverride = 0x10000000;
    add("key count beyond the stream", f, "[KaModelAnimation::load] Corrupt file.\n");
    f = twoBoneKeyedFile();
    f.bones[0].translations[1].frame = -1.0f;
    add("negative key frame", f, "[KaModelAnimation::load] Corrupt file.\n");
    f = twoBoneKeyedFile();
    f.bones[0].rotations[1].frame = NAN;
    add("NaN key frame", f, "[KaModelAnimation::load] Corrupt file.\n");
    f = twoBoneKeyedFile();
    f.bones[0].translations[1].frame = 1e9f;
    add("keyed frame far beyond the frame count", f, "[KaModelAnimation::load] Corrupt file.\n");
    f = twoBoneKeyedFile();
    f.type = 0;
    f.bones[1].translations[0].frame = 4e9f;
    add("table row beyond the stream's size", f, "[KaModelAnimation::load] Corrupt file.\n");
    cases.push_back({ "not an animation", std::string("KAMD") + std::string(40, '\0'),
        "[KaModelAnimation::load] Unknown format.\n" });
    std::string wrongTag = KaTestWriteSkeletal(twoBoneKeyedFile());
    wrongTag.replace(wrongTag.find("BROT"), 4, "BROX");
    cases.push_back({ "wrong section tag", wrongTag, "" });

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaIntrusivePtr<KaModelAnimation> anim = keyedAnimation(10, 30.0f);
        KaCaptureStdout capture;
        EXPECT_FALSE(loadBytes(*anim, c.bytes));
        EXPECT_EQ(capture.text(), c.message);
        EXPECT_EQ(anim->trackCount(), 0u);
        EXPECT_EQ(anim->nbFrames(), 0u);
    }
}

// A table's rows are paid for by its keys (one row each) beyond a small
// allowance, up to a highest frame: a few keys far out, or a small wrapped
// file that inflates to megabytes of padding, cannot ask for millions of
// rows.
TEST(KaModelAnimationTest, ATableAsksForNoMoreRowsThanItsKeysPayFor)
{
    struct Case {
        const char* name;
        std::vector<float> frames; // the one bone's translation keys
        bool loads;
    };
    std::vector<float> everyFrame;
    for (int i = 0; i < 1500; ++i)
        everyFrame.push_back(static_cast<float>(i));
    std::vector<float> sparse;
    for (int i = 0; i < 400; ++i)
        sparse.push_back(static_cast<float>(3 * i));
    const Case cases[] = {
        { "one key within the allowance", { 0, 1000 }, true },
        { "a key on every frame", everyFrame, true },
        { "a key every third frame", sparse, true },
        { "too few keys for their rows", { 0, 3, 6, 2000 }, false },
        { "one key far out", { 3999000 }, false },
        { "past the highest frame", { 65536 }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaTestSkeletalFile file;
        file.type = 0;
        file.bones.push_back({ "Pere", {}, {} });
        for (float frame : c.frames)
            file.bones[0].translations.push_back({ frame, 1, 2, 3 });
        KaIntrusivePtr<KaModelAnimation> anim(new KaModelAnimation());
        KaCaptureStdout capture;
        EXPECT_EQ(c.loads, loadBytes(*anim, KaTestWriteSkeletal(file)));
        if (c.loads) {
            ASSERT_EQ(anim->frameTable().size(), 1u);
            EXPECT_EQ(anim->frameTable()[0].size(), static_cast<unsigned long>(c.frames.back()) + 1);
            EXPECT_EQ(capture.text(), "");
        } else {
            EXPECT_EQ(anim->trackCount(), 0u);
            EXPECT_EQ(capture.text(), "[KaModelAnimation::load] Corrupt file.\n");
        }
    }

    // A few hundred bytes on disk, a few hundred kilobytes once inflated:
    // the inflated size is no measure of the rows the file holds.
    KaTestSkeletalFile far;
    far.type = 0;
    far.bones.push_back({ "Pere", { { 60000, 1, 2, 3 } }, {} });
    const std::string packed = KaTestWrapKaz0(KaTestWriteSkeletal(far) + std::string(200000, '\0'));
    EXPECT_LT(packed.size(), 1000u);
    KaTempDir dir;
    dir.write("far.anim", packed);
    KaIntrusivePtr<KaModelAnimation> anim(new KaModelAnimation());
    KaCaptureStdout capture;
    EXPECT_FALSE(anim->load(KaPath(dir.file("far.anim").c_str())));
    EXPECT_NE(capture.text().find("[KaModelAnimation::load] Corrupt file.\n"), std::string::npos);
    EXPECT_EQ(anim->frameTable().size(), 0u);
}

TEST(KaModelAnimationTest, EveryTruncationFailsCleanly)
{
    KaTestSkeletalFile table = twoBoneKeyedFile();
    table.type = 0;
    for (const std::string& bytes : { KaTestWriteSkeletal(twoBoneKeyedFile()), KaTestWriteSkeletal(table) }) {
        for (size_t cut = 0; cut < bytes.size(); ++cut) {
            KaIntrusivePtr<KaModelAnimation> anim(new KaModelAnimation());
            KaCaptureStdout capture;
            EXPECT_FALSE(loadBytes(*anim, bytes.substr(0, cut))) << cut;
            EXPECT_EQ(anim->trackCount(), 0u);
        }
    }
}
