#include "game/scene/Object3D.h"

#include <tinyxml.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "engine/core/KaBaseFile.h"
#include "engine/core/KaXMLLoad.h"

std::map<KaString, Object3D::ObjectSettings> Object3D::mObjectsSettings;

Object3D::Object3D()
    : mStartPosition()
    , mStartRotation()
    , mTranslation()
    , mTranslationTimer()
    , mTranslationDuration(-1.0f)
    , mRotationAngles()
    , mRotationTimer()
    , mRotationDuration(-1.0f)
    , mModel()
    , mSettings()
    , mAttachmentTranslation()
    , mAttachmentRotation()
    , mAttachmentScale(1.0f, 1.0f, 1.0f)
    , mCharacterName()
    , mBoneName()
    , mFirstFrame(UINT_MAX)
    , mLastFrame(0)
{
}

Object3D::~Object3D() = default;

bool Object3D::loadSettings(const KaPath& path)
{
    mObjectsSettings.clear();
    TiXmlDocument document;
    const bool loaded = KaXMLLoad(KaBaseFile::getRealPath(path, KaPath()), document, "[Object3D::loadSettings]");
    KaXMLFreeBuffer();
    if (!loaded)
        return false;
    const TiXmlElement* root = document.FirstChildElement("ObjectsSettings");
    if (!root)
        return false;

    for (const TiXmlElement* object = root->FirstChildElement("Object"); object;
         object = object->NextSiblingElement("Object")) {
        ObjectSettings settings;
        const KaString name(object->Attribute("name"));
        for (const TiXmlElement* child = object->FirstChildElement(); child; child = child->NextSiblingElement()) {
            if (std::strcmp(child->Value(), "modelFileName") == 0)
                settings.modelFileName = KaPath(child->GetText());
            else if (std::strcmp(child->Value(), "defaultScale") == 0)
                KaVector3f32::deserialize(child, settings.defaultScale);
        }
        mObjectsSettings[name] = settings;
    }
    return true;
}

bool Object3D::loadModel(const KaString& name)
{
    mModel = new KaModel();
    std::map<KaString, ObjectSettings>::const_iterator entry = mObjectsSettings.find(name);
    if (entry == mObjectsSettings.end())
        return false;
    mSettings = entry->second;
    mModel->setTextureFolder(KaPath("objects/Textures"));
    KaPath file("objects/");
    file += mSettings.modelFileName;
    if (!mModel->load(file))
        return false;
    mModel->setName(name);
    mModel->setScale(mSettings.defaultScale);
    return true;
}

void Object3D::translate(const KaVector3f32& translation, float seconds)
{
    if (mModel)
        mStartPosition = mModel->position();
    mTranslation = translation;
    mTranslationDuration = startMove(mTranslationTimer, seconds);
    placeAlongTranslation();
}

void Object3D::rotate(const KaVector3f32& eulerAngles, float seconds)
{
    if (mModel)
        mStartRotation = mModel->rotation();
    mRotationAngles = eulerAngles;
    mRotationDuration = startMove(mRotationTimer, seconds);
    placeAlongRotation();
}

void Object3D::updateMoves()
{
    if (mTranslationDuration >= 0.0f)
        placeAlongTranslation();
    if (mRotationDuration >= 0.0f)
        placeAlongRotation();
}

float Object3D::startMove(KaTimer& timer, float seconds)
{
    // start() alone would carry on from an earlier move's start.
    timer.stop();
    timer.start();
    // A duration of 0 would divide 0 by 0 and put the object nowhere; a
    // negative one would never run. Both land at once, as 0 does.
    return seconds > 0.0f ? seconds : 0.0f;
}

float Object3D::progress(const KaTimer& timer, float duration)
{
    if (!(duration > 0.0f))
        return 1.0f;
    // The time since the move started: reading the elapsed time instead
    // would move the timer's mark and restart the count every frame.
    const float seconds = std::min(static_cast<float>(timer.getTimeFromStart() / 1000000.0), duration);
    return seconds / duration;
}

void Object3D::placeAlongTranslation()
{
    if (!mModel)
        return;
    mModel->setPosition(mStartPosition + mTranslation * progress(mTranslationTimer, mTranslationDuration));
}

void Object3D::placeAlongRotation()
{
    if (!mModel)
        return;
    const float fraction = progress(mRotationTimer, mRotationDuration);
    mModel->setRotation(mStartRotation * KaQuaternion::fromEuler(mRotationAngles * fraction));
}
