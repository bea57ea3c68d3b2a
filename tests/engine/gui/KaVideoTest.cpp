#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstring>
#include <string>

#include "engine/core/KaCore.h"
#include "engine/core/KaIClock.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaVideo.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/support/KaTestSupport.h"
#include "tools/fixtures/KaTheoraFixture.h"

namespace {

class Clock : public KaIClock {
public:
    Clock()
    {
        KaTimer::setClock(this);
        KaTimer::updateAll();
    }
    ~Clock() override { KaTimer::setClock(nullptr); }
    unsigned long long microseconds() override { return mNow; }
    // One frame of the game: the clock moves, the timers, then the videos.
    void frame(double milliseconds)
    {
        mNow += static_cast<unsigned long long>(milliseconds * 1000.0 + 0.5);
        KaTimer::updateAll();
        KaVideo::updateAll();
    }
    unsigned long long mNow = 9000000000ULL;
};

struct Counter {
    int count = 0;
    bool fire()
    {
        ++count;
        return false;
    }
};

class KaVideoTest : public KaGLRendererTest {
protected:
    KaVideoTest()
        : KaGLRendererTest(64, 48)
    {
    }
    void TearDown() override
    {
        core.get()->language(mLanguage);
        KaObject::deleteNow();
        mainWindow.destroy();
        KaGLRendererTest::TearDown();
    }
    KaPath clip(const std::string& name, const KaTheoraClip& clip)
    {
        const std::string bytes = KaEncodeTheora(clip);
        EXPECT_FALSE(bytes.empty());
        mDir.write(name, bytes);
        return KaPath(mDir.file(name).c_str());
    }
    // The picture the Theora codec gives for frame n of the file, for
    // comparison with what the video shows.
    std::string codecFrame(const KaPath& path, unsigned long n)
    {
        KaTheora codec;
        EXPECT_TRUE(codec.load(path));
        KaImage image;
        KaIntrusivePtr<KaPalette> noPalette;
        image.create(codec.width(), codec.height(), noPalette, RGB888);
        EXPECT_TRUE(codec.update(n, image));
        return bytes(image);
    }
    static std::string bytes(const KaImage& image)
    {
        return std::string(reinterpret_cast<const char*>(image.buffer()), image.bufferSize());
    }

    KaTempDir mDir;
    KaString mLanguage = core.get()->language();
};

KaTheoraClip smallClip(unsigned int frames)
{
    KaTheoraClip clip;
    clip.frames = frames;
    clip.withVorbis = false;
    return clip;
}

} // namespace

TEST_F(KaVideoTest, OpensToABlackPictureOfItsSize)
{
    const KaPath path = clip("clip.ogv", smallClip(30));
    KaVideo video;
    EXPECT_EQ(KaVideo::videoCount(), 1u);
    EXPECT_EQ(KaVideo::video(0), &video);
    ASSERT_TRUE(video.open(path));
    EXPECT_TRUE(video.isOpened());
    EXPECT_FALSE(video.isPlaying());
    EXPECT_EQ(video.width(), 37u);
    EXPECT_EQ(video.height(), 21u);
    EXPECT_EQ(video.fps(), 25.0);
    EXPECT_EQ(video.image().format(), RGB888);
    EXPECT_EQ(video.sprite().getSize(), KaVector3f32(37, 21, 0));
    // Every byte, not a third of them.
    const std::string pixels = bytes(video.image());
    EXPECT_EQ(pixels.size(), 37u * 21u * 3u);
    EXPECT_EQ(pixels, std::string(pixels.size(), '\0'));

    video.close();
    EXPECT_FALSE(video.isOpened());
    EXPECT_EQ(video.image().buffer(), nullptr);
    EXPECT_FALSE(video.sprite().texture());
}

TEST_F(KaVideoTest, FramesFollowTheTimerWhateverTheFrameRate)
{
    const KaPath path = clip("clip.ogv", smallClip(60));
    const double steps[] = { 1000.0 / 60.0, 40.0, 1000.0 };
    for (double step : steps) {
        Clock clock;
        KaVideo video;
        ASSERT_TRUE(video.open(path));
        video.play();
        clock.frame(0);
        for (double t = 0; t + 0.001 < 1000.0; t += step)
            clock.frame(step);
        SCOPED_TRACE(step);
        EXPECT_EQ(video.frame(), 25u);
        EXPECT_EQ(bytes(video.image()), codecFrame(path, 24));
        EXPECT_TRUE(video.isPlaying());
    }
}

TEST_F(KaVideoTest, DuplicateFramesCountAsFrames)
{
    KaTheoraClip repeating = smallClip(20);
    repeating.duplicates = { 5, 6 };
    const KaPath path = clip("dup.ogv", repeating);
    Clock clock;
    KaVideo video;
    ASSERT_TRUE(video.open(path));
    video.play();
    clock.frame(0);
    clock.frame(280);
    EXPECT_EQ(video.frame(), 7u);
    EXPECT_EQ(bytes(video.image()), codecFrame(path, 4));
    clock.frame(80);
    EXPECT_EQ(video.frame(), 9u);
    EXPECT_EQ(bytes(video.image()), codecFrame(path, 8));
}

TEST_F(KaVideoTest, TheEndOfTheStreamFinishesOnce)
{
    const KaPath path = clip("short.ogv", smallClip(10));
    Clock clock;
    KaVideo video;
    Counter finished, stopped;
    video.onFinished().add(&finished, &Counter::fire);
    video.onStopped().add(&stopped, &Counter::fire);
    ASSERT_TRUE(video.open(path));
    video.play();
    clock.frame(0);
    // 10 frames at 25 per second: the last shows at 400 ms, the end comes
    // with the next due frame.
    clock.frame(400);
    EXPECT_EQ(video.frame(), 10u);
    EXPECT_EQ(bytes(video.image()), codecFrame(path, 9));
    EXPECT_TRUE(video.isPlaying());
    EXPECT_EQ(finished.count, 0);
    clock.frame(30);
    EXPECT_EQ(finished.count, 0);
    clock.frame(10);
    EXPECT_EQ(finished.count, 1);
    EXPECT_EQ(stopped.count, 0);
    EXPECT_FALSE(video.isPlaying());
    EXPECT_EQ(video.frame(), 0u);
    for (int i = 0; i < 5; ++i)
        clock.frame(100);
    EXPECT_EQ(finished.count, 1);
    // The last picture stays.
    EXPECT_EQ(bytes(video.image()), codecFrame(path, 9));

    // Played again, it starts over from the first frame.
    video.play();
    clock.frame(0);
    clock.frame(80);
    EXPECT_EQ(video.frame(), 2u);
    EXPECT_EQ(bytes(video.image()), codecFrame(path, 1));
}

TEST_F(KaVideoTest, StopRewindsPauseHolds)
{
    const KaPath path = clip("clip.ogv", smallClip(60));
    Clock clock;
    KaVideo video;
    Counter stopped;
    video.onStopped().add(&stopped, &Counter::fire);
    ASSERT_TRUE(video.open(path));
    video.play();
    clock.frame(0);
    clock.frame(600);
    EXPECT_EQ(video.frame(), 15u);

    video.pause();
    clock.frame(500);
    EXPECT_EQ(video.frame(), 15u);
    video.play();
    clock.frame(0);
    clock.frame(200);
    EXPECT_EQ(video.frame(), 20u);
    EXPECT_EQ(bytes(video.image()), codecFrame(path, 19));

    video.stop();
    EXPECT_EQ(stopped.count, 1);
    video.stop();
    EXPECT_EQ(stopped.count, 1);
    EXPECT_EQ(video.frame(), 0u);
    video.play();
    clock.frame(0);
    clock.frame(120);
    EXPECT_EQ(video.frame(), 3u);
    EXPECT_EQ(bytes(video.image()), codecFrame(path, 2));
}

TEST_F(KaVideoTest, RegistryPausesAndResumesEveryVideo)
{
    const KaPath path = clip("clip.ogv", smallClip(60));
    Clock clock;
    KaVideo playing, opened, empty;
    ASSERT_TRUE(playing.open(path));
    ASSERT_TRUE(opened.open(path));
    EXPECT_EQ(KaVideo::videoCount(), 3u);

    // Without a file: onStopped once, and it counts as playing.
    Counter stopped;
    empty.onStopped().add(&stopped, &Counter::fire);
    empty.play();
    EXPECT_EQ(stopped.count, 1);
    EXPECT_TRUE(empty.isPlaying());

    playing.play();
    clock.frame(0);
    clock.frame(200);
    EXPECT_EQ(playing.frame(), 5u);
    EXPECT_EQ(opened.frame(), 0u);
    EXPECT_EQ(empty.frame(), 0u);

    KaVideo::pauseAll();
    EXPECT_FALSE(playing.isPlaying());
    EXPECT_FALSE(empty.isPlaying());
    clock.frame(200);
    EXPECT_EQ(playing.frame(), 5u);

    KaVideo::resumeAll();
    EXPECT_TRUE(opened.isPlaying());
    clock.frame(0);
    clock.frame(200);
    EXPECT_EQ(playing.frame(), 10u);
    EXPECT_EQ(opened.frame(), 5u);
    EXPECT_EQ(stopped.count, 2);

    {
        KaVideo gone;
        EXPECT_EQ(KaVideo::videoCount(), 4u);
    }
    EXPECT_EQ(KaVideo::videoCount(), 3u);
}

TEST_F(KaVideoTest, AFinishedHandlerMayDestroyVideos)
{
    const KaPath path = clip("short.ogv", smallClip(3));
    Clock clock;
    KaVideo* first = new KaVideo();
    KaVideo* second = new KaVideo();
    ASSERT_TRUE(first->open(path));
    ASSERT_TRUE(second->open(path));
    struct Killer {
        KaVideo** victims[2];
        bool fire()
        {
            for (KaVideo** victim : victims) {
                delete *victim;
                *victim = nullptr;
            }
            return false;
        }
    } killer { { &first, &second } };
    first->onFinished().add(&killer, &Killer::fire);
    first->play();
    second->play();
    clock.frame(0);
    clock.frame(200);
    EXPECT_EQ(first->frame(), 3u);
    // The next frame ends the first, whose handler destroys both before the
    // second's turn.
    clock.frame(40);
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(KaVideo::videoCount(), 0u);
}

TEST_F(KaVideoTest, OpensTheLanguageVariantWhenThereIsOne)
{
    clip("movies/clip.ogv", smallClip(5));
    KaTheoraClip french = smallClip(5);
    french.width = 20;
    french.height = 10;
    clip("movies/fr/clip.ogv", french);
    const KaPath path(mDir.file("movies/clip.ogv").c_str());
    KaVideo video;
    core.get()->language("fr");
    ASSERT_TRUE(video.open(path));
    EXPECT_EQ(video.width(), 20u);
    EXPECT_EQ(video.path(), path);
    core.get()->language("de");
    ASSERT_TRUE(video.open(path));
    EXPECT_EQ(video.width(), 37u);
}

TEST_F(KaVideoTest, FilesThatCannotBeReadLeaveItClosed)
{
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    };
    KaTheoraClip wide = smallClip(3);
    wide.pixelFormat = TH_PF_444;
    const Case cases[] = {
        { "missing.ogv", "", "[KaVideo::Open] Le fichier" },
        { "junk.ogv", std::string(5000, 'x'), "[KaVideo::Open] La lecture des headers du fichier" },
        { "444.ogv", KaEncodeTheora(wide), "[KaVideo::Open] La lecture des headers du fichier" },
        { "cut.ogv", KaEncodeTheora(smallClip(3)).substr(0, 100), "[KaVideo::Open] La lecture des headers du fichier" },
    };
    const KaPath good = clip("good.ogv", smallClip(3));
    for (const Case& c : cases) {
        if (!c.bytes.empty())
            mDir.write(c.name, c.bytes);
        KaVideo video;
        ASSERT_TRUE(video.open(good));
        std::string output;
        {
            KaCaptureStdout capture;
            EXPECT_FALSE(video.open(KaPath(mDir.file(c.name).c_str()))) << c.name;
            output = capture.text();
        }
        EXPECT_NE(output.find(c.message), std::string::npos) << c.name << ": " << output;
        EXPECT_FALSE(video.isOpened());
        EXPECT_EQ(video.image().buffer(), nullptr);
        video.play();
        video.update();
    }
}

TEST_F(KaVideoTest, TheSpriteShowsTheLatestFrame)
{
    mainWindow.get()->setSize(KaVector3f32(64, 48, 0));
    mainWindow.get()->setVisible(true);
    ASSERT_TRUE(mainWindow.get()->create());
    // A flat grey that steps by 3 luma levels a frame.
    const KaPath path = clip("clip.ogv", smallClip(30));
    Clock clock;
    KaVideo video;
    ASSERT_TRUE(video.open(path));
    video.sprite().setPosition(KaVector3f32(4, 4, 0));
    video.play();
    clock.frame(0);
    clock.frame(840);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    mainWindow.get()->drawLayouts();
    renderer.get()->renderTransparentMeshes();
    const unsigned char* shown = video.image().buffer();
    const KaPixel drawn = pixel(20, 14);
    EXPECT_NEAR(drawn.r, shown[0], 1);
    EXPECT_NEAR(drawn.g, shown[1], 1);
    EXPECT_EQ(drawn.a, 255);
    EXPECT_GT(drawn.r, 60);
}
