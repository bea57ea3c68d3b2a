#include <gtest/gtest.h>

#include <string>

#include "engine/graphics/KaCamera.h"
#include "engine/gui/KaINativeWindow.h"
#include "engine/input/KaInputMgr.h"
#include "engine/input/KaScreen.h"
#include "tests/engine/gui/KaGuiTestSupport.h"

namespace {

class FakeNativeWindow : public KaINativeWindow {
public:
    void setFullScreen(bool fullScreen) override { fullScreenRequests += fullScreen ? "1" : "0"; }
    void setCursorVisible(bool visible) override { cursorRequests += visible ? "1" : "0"; }
    void setTitle(const KaString& text) override { titles += std::string(text.c_str()) + ";"; }
    KaVector2s32 drawableSize() const override { return drawable; }

    std::string fullScreenRequests;
    std::string cursorRequests;
    std::string titles;
    KaVector2s32 drawable = KaVector2s32(640, 480);
};

// A layout that acts just before the window draws, as some derived layouts do.
class WindowListener : public KaLayout {
public:
    WindowListener()
    {
        setWindowCallback(
            Subscription(new KaCallback0Param<WindowListener>(this, &WindowListener::onBeforeDraw, 0.0f)));
    }
    bool onBeforeDraw()
    {
        ++calls;
        if (victim) {
            victim->deleteLater();
            victim = nullptr;
        }
        return false;
    }
    int calls = 0;
    KaLayout* victim = nullptr;
};

class KaMainWindowTest : public KaGuiTest { };

TEST_F(KaMainWindowTest, ConstructionAndFixedSettings)
{
    KaMainWindow* window = mainWindow.get();
    EXPECT_EQ(std::string(window->name().c_str()), "DoVizuru Application");
    window->setName("other");
    EXPECT_EQ(std::string(window->name().c_str()), "DoVizuru Application");
    EXPECT_EQ(window->sizeType(), KaILayout::Pixel);
    EXPECT_EQ(window->positionType(), KaILayout::Pixel);
    window->setSizeType(KaILayout::Percent);
    window->setPositionType(KaILayout::Percent);
    EXPECT_EQ(window->sizeType(), KaILayout::Pixel);
    EXPECT_EQ(window->positionType(), KaILayout::Pixel);
    KaLayout other;
    window->setParent(&other);
    EXPECT_EQ(window->parent(), nullptr);
    EXPECT_FALSE(window->fullScreen());
    EXPECT_FALSE(window->maximized());
    EXPECT_FALSE(window->closeRequested());
    EXPECT_TRUE(window->nativeCursorVisible());
    EXPECT_EQ(window->handle(), nullptr);

    EXPECT_TRUE(window->worldVisible());
    window->setVisible(false);
    EXPECT_FALSE(window->worldVisible());
}

TEST_F(KaMainWindowTest, SizeDrivesCameraScreenAndChildren)
{
    KaMainWindow* window = mainWindow.get();
    KaLayout half;
    half.setSizeType(KaILayout::Percent);
    half.setSize(KaVector3f32(0.5f, 0.5f, 0));
    window->addChild(&half);
    KaEmissionCounter sizes;
    sizes.listen(window->onSizeChanged());

    window->setSize(KaVector3f32(800, 600, 0));
    EXPECT_EQ(sizes.count, 1);
    const KaVector3f32 size = window->size();
    EXPECT_EQ(size.x, 800.0f);
    EXPECT_EQ(size.y, 600.0f);
    EXPECT_EQ(window->userSize().z, 100.0f);
    EXPECT_EQ(defaultScreen.get()->getSize().x, 800.0f);
    EXPECT_EQ(defaultScreen.get()->getSize().y, 600.0f);
    EXPECT_EQ(half.xSize(), 400.0f);

    // The same size every frame emits nothing.
    window->setSize(KaVector3f32(800, 600, 0));
    EXPECT_EQ(sizes.count, 1);

    window->setSize(KaVector3f32(1024, 768, 0));
    EXPECT_TRUE(window->create());
    const KaIntrusivePtr<KaCamera>& camera = window->camera();
    EXPECT_EQ(camera->projectionType(), 4);
    EXPECT_EQ(camera->viewportX(), 0);
    EXPECT_EQ(camera->viewportY(), 0);
    EXPECT_EQ(camera->viewportWidth(), 1024u);
    EXPECT_EQ(camera->viewportHeight(), 768u);
    EXPECT_EQ(camera->orthoLeft(), -512.0f);
    EXPECT_EQ(camera->orthoRight(), 512.0f);
    EXPECT_EQ(camera->orthoBottom(), 384.0f);
    EXPECT_EQ(camera->orthoTop(), -384.0f);
    EXPECT_EQ(camera->nearDistance(), -2048.0f);
    EXPECT_EQ(camera->farDistance(), 2048.0f);
    EXPECT_EQ(half.ySize(), 384.0f);
    window->removeChild(&half);
}

TEST_F(KaMainWindowTest, NativeWindowGetsRequestsAndGivesTheSize)
{
    FakeNativeWindow native;
    KaMainWindow* window = mainWindow.get();
    window->setFullScreen(true);
    window->setNativeWindow(&native);
    window->setFullScreen(false);
    window->setFullScreen(true);
    window->setNativeCursorVisible(false);
    EXPECT_EQ(native.fullScreenRequests, "01");
    EXPECT_EQ(native.cursorRequests, "0");
    EXPECT_TRUE(window->fullScreen());
    EXPECT_FALSE(window->nativeCursorVisible());

    window->updateSizeFromNativeWindow();
    EXPECT_EQ(window->xSize(), 640.0f);
    EXPECT_EQ(window->ySize(), 480.0f);
    EXPECT_EQ(window->camera()->viewportWidth(), 640u);
    native.drawable = KaVector2s32(1280, 720);
    window->updateSizeFromNativeWindow();
    EXPECT_EQ(defaultScreen.get()->getSize().y, 720.0f);
    window->setNativeWindow(nullptr);
    window->updateSizeFromNativeWindow();
    EXPECT_EQ(window->xSize(), 1280.0f);
}

// The title is named before the host has a window (the application reads it
// from its files) and may change later; the layout keeps its own name.
TEST_F(KaMainWindowTest, NameBecomesTheNativeTitle)
{
    FakeNativeWindow native;
    KaMainWindow* window = mainWindow.get();
    window->setName("Sample Game");
    window->setNativeWindow(&native);
    window->setName("Sample Game 2");
    window->setNativeWindow(nullptr);
    EXPECT_EQ(native.titles, "Sample Game;Sample Game 2;");
    EXPECT_EQ(std::string(window->name().c_str()), "DoVizuru Application");
    EXPECT_EQ(std::string(window->title().c_str()), "Sample Game 2");
}

TEST_F(KaMainWindowTest, PointerPositionsFlipAgainstTheWindowHeight)
{
    KaMainWindow* window = mainWindow.get();
    window->setSize(KaVector3f32(800, 600, 0));
    KaInputMgr* input = inputMgr.get();
    input->setMouseRawPosition(KaVector2s32(10, 20), 0);
    const KaVector2s32 position = input->mousePosition(0);
    EXPECT_EQ(position.x, 10);
    EXPECT_EQ(position.y, 580);
}

TEST_F(KaMainWindowTest, WindowCallbackFollowsTheParent)
{
    KaMainWindow* window = mainWindow.get();
    const unsigned long base = window->onBeforeDraw().size();
    WindowListener listener;
    EXPECT_EQ(window->onBeforeDraw().size(), base);
    window->addChild(&listener);
    EXPECT_EQ(window->onBeforeDraw().size(), base + 1);
    window->onBeforeDraw().call();
    EXPECT_EQ(listener.calls, 1);
    window->removeChild(&listener);
    EXPECT_EQ(window->onBeforeDraw().size(), base);
    window->addChild(&listener);
    // Destroying the listener takes it out of the signal.
    {
        WindowListener* dying = new WindowListener();
        window->addChild(dying);
        EXPECT_EQ(window->onBeforeDraw().size(), base + 2);
        delete dying;
        EXPECT_EQ(window->onBeforeDraw().size(), base + 1);
        EXPECT_EQ(window->childCount(), 1u);
    }
    window->removeChild(&listener);
}

TEST_F(KaMainWindowTest, LayoutsOutliveTheWindowWithoutRecreatingIt)
{
    KaMainWindow* window = mainWindow.get();
    KaLayout* plain = new KaLayout();
    WindowListener* listening = new WindowListener();
    KaLayout* percent = new KaLayout();
    percent->setSizeType(KaILayout::Percent);
    window->addChild(plain);
    window->addChild(listening);
    listening->addChild(percent);
    window->setSize(KaVector3f32(800, 600, 0));

    mainWindow.destroy();
    EXPECT_FALSE(mainWindow.exists());
    EXPECT_EQ(plain->parent(), nullptr);
    EXPECT_EQ(listening->parent(), nullptr);
    delete percent;
    delete listening;
    delete plain;
    EXPECT_FALSE(mainWindow.exists());

    // A layout that never met a window leaves none behind either.
    KaLayout* lone = new KaLayout();
    KaLayout* kid = new KaLayout();
    lone->addChild(kid);
    delete lone;
    delete kid;
    EXPECT_FALSE(mainWindow.exists());
}

TEST_F(KaMainWindowTest, LayoutDeletedFromAHandlerLivesUntilTheEndOfTheFrame)
{
    KaMainWindow* window = mainWindow.get();
    // The killer is asked first (added first, same priority); its victim is
    // still reached by the same emission afterwards.
    WindowListener* killer = new WindowListener();
    WindowListener* victim = new WindowListener();
    window->addChild(killer);
    window->addChild(victim);
    killer->victim = victim;
    window->onBeforeDraw().call();
    EXPECT_EQ(victim->calls, 1);
    EXPECT_EQ(KaObject::pendingDeleteCount(), 1u);
    KaObject::deleteNow();
    EXPECT_EQ(window->childCount(), 1u);
    window->onBeforeDraw().call();
    EXPECT_EQ(killer->calls, 2);

    // A size change that drops a child from a handler of the parent's size
    // signal: the child is still offered the same emission.
    KaLayout* child = new KaLayout();
    child->setSizeType(KaILayout::Percent);
    child->setSize(KaVector3f32(0.5f, 0.5f, 0));
    window->addChild(child);
    EXPECT_EQ(child->xSize(), 0.0f);
    struct Dropper {
        KaLayout* target;
        bool onSize()
        {
            if (target)
                target->deleteLater();
            target = nullptr;
            return false;
        }
    } dropper { child };
    window->onSizeChanged().add(&dropper, &Dropper::onSize, 10.0f);
    window->setSize(KaVector3f32(200, 100, 0));
    EXPECT_EQ(child->xSize(), 100.0f);
    KaObject::deleteNow();
    EXPECT_EQ(window->childCount(), 1u);
    window->onSizeChanged().remove(&dropper, &Dropper::onSize);
    window->setSize(KaVector3f32(300, 100, 0));
    delete killer;
}

TEST_F(KaMainWindowTest, DrawDebugWithAnUnknownFilterPrintsTheHeaderOnly)
{
    KaMainWindow* window = mainWindow.get();
    KaLayout child;
    child.setName("panel");
    window->addChild(&child);
    testing::internal::CaptureStdout();
    window->printDrawDebug("nothing", false);
    const std::string none = testing::internal::GetCapturedStdout();
    EXPECT_EQ(none,
        "================================================================================\n"
        "Z sorted, indented by parent number\n");
    testing::internal::CaptureStdout();
    window->printDrawDebug("panel", false);
    const std::string some = testing::internal::GetCapturedStdout();
    EXPECT_NE(some.find("DoVizuru Application\n visible: 1\n"), std::string::npos);
    EXPECT_NE(some.find(" |  panel\n |   parent: DoVizuru Application\n"), std::string::npos);
    window->removeChild(&child);
}

}
