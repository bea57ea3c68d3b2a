#include "game/menus/BonusMenu.h"

#include "engine/base/KaStd.h"
#include "engine/core/KaBackup.h"
#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/input/KaInputMgr.h"
#include "engine/scene/KaTiledSurface.h"
#include "game/application/Application.h"

namespace {

// The state layouts come first among a button's children: the artwork is
// the one after the four of them.
const unsigned long artworkChild = 4;

}

BonusMenu::SaveButton::SaveButton(KaButtonLayout* pictureButton, const KaString& slotName)
    : button(pictureButton)
    , name(slotName)
    , menu(nullptr)
{
    button->setEnable(true);
    addChild(button);
    button->onMouseClickValidated.add(this, &SaveButton::onLoadSave);
}

BonusMenu::SaveButton::~SaveButton()
{
    // The button belongs to the description, which releases it later.
    button->onMouseClickValidated.remove(this, &SaveButton::onLoadSave);
}

KaString BonusMenu::SaveButton::artwork() const
{
    if (button->childCount() <= artworkChild || !button->child(artworkChild))
        return KaString();
    return button->child(artworkChild)->name();
}

bool BonusMenu::SaveButton::onLoadSave()
{
    const KaString picture = artwork();
    if (!menu || picture.length() == 0)
        return false;
    Application* app = application.get();
    if (KaLayout* root = menu->layout("menu"))
        root->setVisible(false);
    if (KaSpriteLayout* full = menu->spriteLayout("fullScreenPicture")) {
        KaPath file(picture);
        // An artwork named by key rather than by file shows the picture
        // its button carries.
        if (!KaBaseFile::fileExist(file))
            if (KaSpriteLayout* thumbnail = dynamic_cast<KaSpriteLayout*>(button->child(artworkChild)))
                file = thumbnail->surface().path();
        full->load(file);
    }
    if (KaSpriteLayout* view = menu->spriteLayout("fullScreenPictureLayout")) {
        app->layoutFront().addChild(view);
        view->setVisible(true);
    }
    return false;
}

BonusMenu::BonusMenu()
    : mCurrent(0)
    , mMoveConnected(false)
{
}

BonusMenu::~BonusMenu() { leave(); }

bool BonusMenu::artworkUnlocked(const KaString& artwork)
{
    const std::map<KaString, bool>& artworks = application.get()->game().artworks();
    auto found = artworks.find(artwork);
    return found != artworks.end() && found->second;
}

void BonusMenu::enter(const KaString& description)
{
    Application* app = application.get();
    leave();
    load(description);
    if (KaLayout* root = layout("menu"))
        app->layoutFront().addChild(root);
    if (KaButtonLayout* quit = buttonLayout("quitButton"))
        quit->onMouseClickValidated.add(this, &BonusMenu::onQuitButton, 0.0f);

    KaMainWindow* window = mainWindow.get();
    const bool sd = core.get()->fileFlagSystemFlag("definition") == "SD";
    const KaVector3f32 size = sd ? KaVector3f32(window->xSize() / 3.0f, window->ySize() / 3.0f, 1.0f)
                                 : KaVector3f32(window->xSize() * 0.25f, window->ySize() * 0.25f, 1.0f);
    for (unsigned long i = 0;; ++i) {
        KaButtonLayout* button = buttonLayout(KaString(i));
        if (!button)
            break;
        SaveButton* slot = new SaveButton(button, KaString(i));
        slot->menu = this;
        if (const KaString* caption = app->locFile().value(KaString("Save") + KaString(i)))
            slot->caption = *caption;
        mButtons.pushBack(slot);
        slot->setSize(size);
        for (unsigned long k = 0; k < slot->childCount(); ++k)
            slot->child(k)->setSize(size);
        // A button without its artwork child offers nothing to unlock.
        const KaString artwork = slot->artwork();
        if (artwork.length() == 0 || !artworkUnlocked(artwork))
            button->setEnable(false);
    }
    for (unsigned long i = 0;; ++i) {
        KaLayout* holder = layout(KaString("slot") + KaString(i));
        if (!holder)
            break;
        if (i < mButtons.size())
            holder->addChild(mButtons[i]);
    }

    if (KaButtonLayout* slide = buttonLayout("slideButton"))
        slide->onButtonChangedToStateDown.add(this, &BonusMenu::onSlideButtonDown, 0.0f);
    inputMgr.get()->onAnyMousePositionChanged().add(this, &BonusMenu::onMouseMove, 0.0f);
    mMoveConnected = true;
    mCurrent = 0;
    if (KaButtonLayout* left = buttonLayout("leftButton"))
        left->onMouseClickValidated.add(this, &BonusMenu::onLeftButton, 0.0f);
    if (KaButtonLayout* right = buttonLayout("rightButton"))
        right->onMouseClickValidated.add(this, &BonusMenu::onRightButton, 0.0f);
    showCaption();
    if (KaButtonLayout* close = buttonLayout("fullScreenPictureButton"))
        close->onMouseClickValidated.add(this, &BonusMenu::onPictureButton, 0.0f);
}

void BonusMenu::leave()
{
    for (unsigned long i = 0; i < mButtons.size(); ++i)
        delete mButtons[i];
    mButtons.clear();
    disconnect();
    if (KaSpriteLayout* view = spriteLayout("fullScreenPictureLayout"))
        if (view->parent())
            view->parent()->removeChild(view);
    unload();
}

void BonusMenu::disconnect()
{
    if (!mMoveConnected)
        return;
    inputMgr.get()->onAnyMousePositionChanged().remove(this, &BonusMenu::onMouseMove, 0.0f);
    mMoveConnected = false;
}

bool BonusMenu::onQuitButton()
{
    Application* app = application.get();
    app->captureFade();
    leave();
    app->globalBonusMenu().enter();
    app->fade();
    return true;
}

void BonusMenu::showCaption()
{
    KaITextLayout* text = textLayout("text");
    if (!text)
        return;
    // A place without pictures has no caption to show.
    if (mCurrent < mButtons.size() && backupManager.get()->exist(mButtons[mCurrent]->path()))
        text->setText(value("textAttributs").toString() + mButtons[mCurrent]->caption);
    else
        text->setText(KaString());
}

void BonusMenu::slide(float direction)
{
    PositionAnimation* animation = layoutPositionLinearAnimation("slideAnimation");
    KaLayout* strip = layout("slots");
    if (animation && strip) {
        const float step = static_cast<float>(value("slideTranslation").toFloat64());
        const KaVector3f32 from = strip->userPosition();
        animation->mStartValue = from;
        animation->mEndValue = KaVector3f32(from.x + direction * step, from.y, from.z);
        animation->mTarget = strip;
        animation->mSetter = &KaI3DObject2::setPosition;
        animation->play();
    }
    if (direction > 0.0f)
        --mCurrent;
    else
        ++mCurrent;
    if (KaButtonLayout* slideButton = buttonLayout("slideButton"))
        slideButton->reset();
    showCaption();
}

bool BonusMenu::onLeftButton()
{
    PositionAnimation* animation = layoutPositionLinearAnimation("slideAnimation");
    if ((animation && animation->isRunning()) || mCurrent == 0)
        return false;
    slide(1.0f);
    return false;
}

bool BonusMenu::onRightButton()
{
    PositionAnimation* animation = layoutPositionLinearAnimation("slideAnimation");
    // Counted upwards: a place without pictures has nowhere to go.
    if ((animation && animation->isRunning()) || mCurrent + 1 >= mButtons.size())
        return false;
    slide(-1.0f);
    return false;
}

bool BonusMenu::onSlideButtonDown()
{
    mPressPosition = inputMgr.get()->mousePosition(0);
    if (KaButtonLayout* slideButton = buttonLayout("slideButton"))
        slideButton->setClickPassThrough(true);
    return false;
}

bool BonusMenu::onMouseMove(unsigned int pointer)
{
    if (pointer != 0)
        return false;
    KaButtonLayout* slideButton = buttonLayout("slideButton");
    KaLayout* strip = layout("slots");
    PositionAnimation* animation = layoutPositionLinearAnimation("slideAnimation");
    if (!slideButton || !strip || slideButton->state() != KaButtonLayout::Down || (animation && animation->isRunning()))
        return false;
    const float width = strip->xSize();
    if (!(width > 0.0f))
        return false;
    const float f = static_cast<float>(inputMgr.get()->mousePosition(0).x - mPressPosition.x) / width;
    if (f > 0.1f) {
        onLeftButton();
        slideButton->setClickPassThrough(false);
    } else if (f < -0.1f) {
        onRightButton();
        slideButton->setClickPassThrough(false);
    }
    return false;
}

bool BonusMenu::onPictureButton()
{
    if (KaLayout* root = layout("menu"))
        root->setVisible(true);
    if (KaSpriteLayout* view = spriteLayout("fullScreenPictureLayout")) {
        application.get()->layoutFront().removeChild(view);
        view->setVisible(true);
    }
    return true;
}
