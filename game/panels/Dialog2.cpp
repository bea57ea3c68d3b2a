#include "game/panels/Dialog2.h"

#include <tinyxml.h>

#include "engine/core/KaPath.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaITextLayout.h"
#include "engine/sound/KaSoundStreamed.h"
#include "game/application/Application.h"
#include "game/characters/Character.h"

namespace {

const unsigned long long kMinimumLineMicroseconds = 1500000;

// Every voice, the silence of a line without one included, lives in one
// folder: file names are case-sensitive here.
KaPath voicePath(const KaString& voice)
{
    if (voice.length() == 0)
        return KaPath("sounds/Dialogs/silence5s.ogg");
    KaPath file(voice);
    file.removeExtension();
    KaPath path(KaString("sounds/Dialogs/") + file + ".ogg");
    path.convertInPathFormat();
    return path;
}

// How long the voice file lasts, read from its header: the line keeps its
// subtitle that long whether or not a device plays it. 0 for a file that
// does not open or holds no sample.
unsigned long long voiceMicroseconds(const KaPath& path)
{
    if (path.length() == 0)
        return 0;
    KaSoundStreamed stream;
    if (!stream.open(path))
        return 0;
    const unsigned int frequency = stream.frequency();
    if (frequency == 0)
        return 0;
    return static_cast<unsigned long long>(stream.nbSamples()) * 1000000ULL / frequency;
}

// The subtitle put in the panel's template in place of its "%s". The
// template is never a format string: a "%" in the description or in the
// text shows as it is.
KaString subtitle(const KaString& format, const KaString& text)
{
    KaString result(format);
    if (!result.replace("%s", text, 1))
        result += text;
    return result;
}

}

Dialog2::Dialog2()
    : mLineShown(false)
    , mLineEnding(false)
    , mMinimumPassed(false)
{
    mVoice.repeat(false);
    mVoice.setChannelName("dialog");
    mVoice.onStopped().add(this, &Dialog2::onSoundFinished, 0.0f);
    mMinimumTimer.onAlarm.add(this, &Dialog2::onMinimumTimeTimer, 0.0f);
}

Dialog2::~Dialog2()
{
    mVoice.onStopped().remove(this, &Dialog2::onSoundFinished, 0.0f);
    mMinimumTimer.onAlarm.remove(this, &Dialog2::onMinimumTimeTimer, 0.0f);
    unload();
}

void Dialog2::load()
{
    setName("dialog2");
    setSizeType(Percent);
    setSize(KaVector3f32(1.0f, 1.0f, userSize().z));
    mVoice.repeat(false);
    mGui.load("menus/dialog.lua");

    KaButtonLayout* lock = mGui.buttonLayout("dialogLockButton");
    KaButtonLayout* dialog = mGui.buttonLayout("dialog");
    if (lock) {
        lock->setVisible(false);
        addChild(lock);
    }
    if (dialog) {
        // Above the lock button, so that a click on the panel reaches it.
        if (!dialog->parent())
            addChild(dialog);
        dialog->onMouseClickValidated.add(this, &Dialog2::onSkipButton, 0.0f);
    }
    if (KaLuaGUI::AnchorAnimation* up = mGui.layoutAnchorLinearAnimation("dialogAnimationUp")) {
        up->mTarget = dialog;
        up->mSetter = &KaILayout::setAnchor;
        up->onFinished.add(this, &Dialog2::onAnimationUpFinished, 0.0f);
    }
    if (KaLuaGUI::AnchorAnimation* down = mGui.layoutAnchorLinearAnimation("dialogAnimationDown")) {
        down->mTarget = dialog;
        down->mSetter = &KaILayout::setAnchor;
        down->onFinished.add(this, &Dialog2::onAnimationDownFinished, 0.0f);
    }
}

void Dialog2::unload()
{
    // Nothing of the lines left is reported: the game is being left.
    mLineShown = false;
    mLineEnding = false;
    if (KaLuaGUI::AnchorAnimation* up = mGui.layoutAnchorLinearAnimation("dialogAnimationUp"))
        up->stop();
    if (KaLuaGUI::AnchorAnimation* down = mGui.layoutAnchorLinearAnimation("dialogAnimationDown"))
        down->stop();
    mVoice.close();
    if (KaButtonLayout* lock = mGui.buttonLayout("dialogLockButton"))
        removeChild(lock);
    if (KaButtonLayout* dialog = mGui.buttonLayout("dialog")) {
        if (dialog->parent() == this)
            removeChild(dialog);
    }
    mGui.unload();
    mQueue.clear();
    mMinimumTimer.stop();
}

void Dialog2::pushDialog(const KaString& name, const KaString& text, const KaString& voice, const KaString& character,
    const KaString& animation, float blend)
{
    DialogData line;
    line.name = name;
    line.text = text;
    line.voice = voicePath(voice);
    line.character = character;
    line.animation = animation;
    line.blend = blend;
    queue(line, true);
}

void Dialog2::pushDialog(const KaString& name, const KaString& text, const KaString& voice, int blend)
{
    DialogData line;
    line.name = name;
    line.text = text;
    line.voice = voicePath(voice);
    line.blend = static_cast<float>(blend);
    queue(line, false);
}

void Dialog2::queue(const DialogData& line, bool hidesMarkers)
{
    mQueue.pushBack(line);
    if (hidesMarkers && mQueue.count() == 1)
        hideMarkers(true);
    // A line on screen, even one whose voice has ended or never started, or
    // whose panel is sliding, is always seen to its end and reported: the
    // new one waits for it.
    if (mLineShown)
        return;
    KaLuaGUI::AnchorAnimation* down = mGui.layoutAnchorLinearAnimation("dialogAnimationDown");
    if (down && down->isRunning())
        return;
    launchNextDialog();
}

void Dialog2::launchNextDialog()
{
    // The line on screen is never swapped for another.
    if (mLineShown)
        return;
    KaButtonLayout* lock = mGui.buttonLayout("dialogLockButton");
    KaButtonLayout* dialog = mGui.buttonLayout("dialog");
    if (mQueue.isEmpty()) {
        hideMarkers(false);
        if (lock)
            lock->setVisible(false);
        return;
    }
    KaLuaGUI::AnchorAnimation* down = mGui.layoutAnchorLinearAnimation("dialogAnimationDown");
    if (dialog && down && dialog->anchor().y >= 1.0f) {
        down->stop();
        down->play();
        return;
    }
    if (dialog && lock) {
        dialog->setSizeType(Pixel);
        dialog->setSize(lock->size());
    }

    // A voice left over is stopped before the line counts as shown, so that
    // its stop does not end the new line.
    mVoice.stop();
    KaList<DialogData>::KaIterator first = mQueue.firstElement();
    mCurrent = *first;
    mQueue.remove(first.node());
    mLineShown = true;
    mLineEnding = false;
    mMinimumPassed = false;

    if (KaITextLayout* text = mGui.textLayout("text"))
        text->setText(subtitle(mGui.value("textFormat").toString(), mCurrent.text));

    mVoice.load(mCurrent.voice);
    mVoice.setChannelName("dialog");
    mVoice.play();

    animateCharacter(mCurrent);

    if (lock)
        lock->setVisible(true);
    if (KaLuaGUI::AnchorAnimation* up = mGui.layoutAnchorLinearAnimation("dialogAnimationUp")) {
        up->stop();
        up->play();
    }
    mMinimumTimer.stop();
    mMinimumTimer.start();
    const unsigned long long voice = voiceMicroseconds(mVoice.resolvedPath());
    mMinimumTimer.setAlarmIn(voice > kMinimumLineMicroseconds ? voice : kMinimumLineMicroseconds);
}

void Dialog2::startDownAnimation()
{
    if (mLineEnding)
        return;
    mLineEnding = mLineShown;
    mMinimumTimer.stop();
    if (KaLuaGUI::AnchorAnimation* up = mGui.layoutAnchorLinearAnimation("dialogAnimationUp"))
        up->stop();
    KaLuaGUI::AnchorAnimation* down = mGui.layoutAnchorLinearAnimation("dialogAnimationDown");
    if (!down) {
        // Without its animation the panel is out at once: the line must
        // still end, or a script waiting on it would wait forever.
        if (mLineShown)
            onAnimationDownFinished();
        return;
    }
    down->stop();
    down->play();
}

bool Dialog2::isDialogPlaying()
{
    KaButtonLayout* lock = mGui.buttonLayout("dialogLockButton");
    return lock && lock->visible();
}

bool Dialog2::onSoundFinished()
{
    if (!mLineShown || mLineEnding)
        return false;
    if (mMinimumPassed)
        startDownAnimation();
    return false;
}

bool Dialog2::onMinimumTimeTimer()
{
    mMinimumTimer.stop();
    if (!mLineShown || mLineEnding)
        return false;
    mMinimumPassed = true;
    if (!mVoice.isPlaying())
        startDownAnimation();
    return false;
}

bool Dialog2::onSkipButton()
{
    if (!mLineShown || mLineEnding)
        return false;
    KaLuaGUI::AnchorAnimation* up = mGui.layoutAnchorLinearAnimation("dialogAnimationUp");
    KaLuaGUI::AnchorAnimation* down = mGui.layoutAnchorLinearAnimation("dialogAnimationDown");
    if ((up && up->isRunning()) || (down && down->isRunning()))
        return false;
    startDownAnimation();
    // Its stopped signal finds the line already ending.
    mVoice.stop();
    return false;
}

bool Dialog2::onAnimationUpFinished()
{
    if (KaButtonLayout* dialog = mGui.buttonLayout("dialog"))
        KaPrintf("Dialog pos %f\n", static_cast<double>(dialog->anchor().y));
    return false;
}

bool Dialog2::onAnimationDownFinished()
{
    // Only a line that was shown is reported: a panel sent out with no line
    // on it reports nothing.
    const bool ended = mLineShown;
    const KaString name = mCurrent.name;
    mLineShown = false;
    mLineEnding = false;
    launchNextDialog();
    if (ended)
        onDialogFinished.call(name);
    return false;
}

void Dialog2::saveToBackup(TiXmlNode& parent)
{
    TiXmlElement element("Dialog");
    parent.InsertEndChild(element);
}

void Dialog2::loadFromBackup(TiXmlNode&) { }

void Dialog2::hideMarkers(bool hide) { application.get()->game().showMarkers(hide); }

void Dialog2::animateCharacter(const DialogData& line)
{
    if (line.character.length() == 0)
        return;
    Character* character = application.get()->game().scene3D().character(line.character);
    if (!character) {
        KaPrintf("[Dialog2::launchNextDialog] Character's \"%s\" doesn't exist\n", line.character.c_str());
        return;
    }
    const bool started = line.blend != 0.0f ? character->blendAnimation(line.animation, line.blend, false, true)
                                            : character->setAnimation(line.animation, false, true, false, -1, 9999);
    if (!started)
        KaPrintf("[Dialog2::launchNextDialog] Character's animation \"%s\" doesn't exist for the character\"%s\"  \n",
            line.animation.c_str(), line.character.c_str());
}
