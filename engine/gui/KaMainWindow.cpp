#include "engine/gui/KaMainWindow.h"

#include "engine/gui/KaINativeWindow.h"
#include "engine/input/KaScreen.h"

KaSingleton<KaMainWindow> mainWindow;

KaMainWindow::KaMainWindow()
    : mNativeWindow(nullptr)
    , mCloseRequested(false)
    , mNativeCursorVisible(true)
{
    Ka3DObject2::setName("DoVizuru Application");
    KaLayout::setSizeType(Pixel);
    KaLayout::setPositionType(Pixel);
    KaLayout::setSize(KaVector3f32(0.0f, 0.0f, 100.0f));
    setUserSizeZ(100.0f);
    KaLayout::setPosition(KaVector3f32(0.5f, 0.5f, 0.5f));
}

KaMainWindow::~KaMainWindow() { }

bool KaMainWindow::create()
{
    initCamera();
    return true;
}

void KaMainWindow::setFullScreen(bool fullScreen)
{
    KaMainWindowBase::setFullScreen(fullScreen);
    if (mNativeWindow)
        mNativeWindow->setFullScreen(fullScreen);
}

void KaMainWindow::setName(const KaString& name)
{
    mTitle = name;
    if (mNativeWindow)
        mNativeWindow->setTitle(name);
}

void KaMainWindow::setSize(const KaVector3f32& requested)
{
    updateCamera(requested);
    defaultScreen.get()->setSize(requested);
    KaMainWindowBase::setSize(requested);
}

void KaMainWindow::setNativeWindow(KaINativeWindow* window)
{
    mNativeWindow = window;
    if (mNativeWindow && mTitle.length() > 0)
        mNativeWindow->setTitle(mTitle);
}

void KaMainWindow::updateSizeFromNativeWindow()
{
    if (!mNativeWindow)
        return;
    const KaVector2s32 drawable = mNativeWindow->drawableSize();
    setSize(KaVector3f32(static_cast<float>(drawable.x), static_cast<float>(drawable.y), 0.0f));
}

void KaMainWindow::setNativeCursorVisible(bool visible)
{
    mNativeCursorVisible = visible;
    if (mNativeWindow)
        mNativeWindow->setCursorVisible(visible);
}
