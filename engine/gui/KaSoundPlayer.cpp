#include "engine/gui/KaSoundPlayer.h"

#include <cstdlib>
#include <tinyxml.h>

KaSoundPlayer::KaSoundPlayer()
{
    mPlayButton.button().onClicked.add(this, &KaSoundPlayer::onPlayButton);
    mStopButton.button().onClicked.add(this, &KaSoundPlayer::onStopButton);
    mMusic.onStopped().add(this, &KaSoundPlayer::onStopButton);
}

KaSoundPlayer::~KaSoundPlayer()
{
    // The music outlives the buttons and reports its stop when it goes.
    mMusic.onStopped().remove(this, &KaSoundPlayer::onStopButton);
    mMusic.stop();
    mPlayButton.button().onClicked.remove(this, &KaSoundPlayer::onPlayButton);
    mStopButton.button().onClicked.remove(this, &KaSoundPlayer::onStopButton);
}

void KaSoundPlayer::setPosition(const KaVector3f32& position)
{
    Ka3DObject::setPosition(position);
    mPlayButton.setPosition(position);
    mStopButton.setPosition(position);
}

void KaSoundPlayer::setScale(const KaVector3f32& scale)
{
    Ka3DObject::setScale(scale);
    mPlayButton.setScale(scale);
    mStopButton.setScale(scale);
}

void KaSoundPlayer::play()
{
    mMusic.play();
    mPlayButton.setVisible(false);
    mStopButton.setVisible(true);
}

void KaSoundPlayer::stop()
{
    mMusic.stop();
    mPlayButton.setVisible(true);
    mStopButton.setVisible(false);
}

bool KaSoundPlayer::onPlayButton()
{
    play();
    return false;
}

bool KaSoundPlayer::onStopButton()
{
    stop();
    return false;
}

void KaSoundPlayer::audioFilename(const KaString& path)
{
    mMusic.repeat(false);
    mMusic.load(KaPath(path));
}

void KaSoundPlayer::unload()
{
    mMusic.close();
    mPlayButton.unload();
    mStopButton.unload();
}

void KaSoundPlayer::loadXML(TiXmlElement& element)
{
    for (const TiXmlAttribute* attribute = element.FirstAttribute(); attribute; attribute = attribute->Next()) {
        const KaString name = KaString(attribute->Name()).toLowerCase();
        KaVector3f32 position = getPosition();
        const float value = static_cast<float>(std::atof(attribute->Value()));
        if (name == "audio_file") {
            audioFilename(attribute->Value());
            continue;
        }
        if (name == "x")
            position.x = value;
        else if (name == "y")
            position.y = value;
        else if (name == "z")
            position.z = value;
        else
            continue;
        setPosition(position);
    }
    for (TiXmlElement* child = element.FirstChildElement(); child; child = child->NextSiblingElement()) {
        const KaString name(child->Value());
        if (name == "PlayButton") {
            mPlayButton.loadXML(*child, KaString());
            mPlayButton.setPosition(getPosition());
        } else if (name == "StopButton") {
            mStopButton.loadXML(*child, KaString());
            mStopButton.setVisible(false);
            mStopButton.setPosition(getPosition());
        }
    }
}
