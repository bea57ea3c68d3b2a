#include "engine/script/KaXMLGUI.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>

#include <tinyxml.h>

#include "engine/containers/KaList.h"
#include "engine/core/KaBaseFile.h"
#include "engine/core/KaResourceManager.h"
#include "engine/core/KaXMLLoad.h"
#include "engine/graphics/KaImage.h"
#include "engine/gui/KaButton.h"
#include "engine/gui/KaCheckBox.h"
#include "engine/gui/KaSoundPlayer.h"
#include "engine/gui/KaSprite.h"
#include "engine/gui/KaSpriteButton.h"
#include "engine/gui/KaTextBase2.h"
#include "engine/gui/KaVideoPlayer.h"
#include "engine/input/KaScreen.h"
#include "engine/scene/KaMovement2.h"
#include "engine/scene/KaMovement3.h"
#include "engine/sound/KaMusic.h"
#include "engine/sound/KaSFX.h"

namespace {

// ASCII letters only, as KaString's case changes do.
char lowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether an attribute name is the lower-case name given, in any letter case.
bool named(const TiXmlAttribute* attribute, const char* lowerName)
{
    const char* text = attribute->Name();
    for (; *text && *lowerName; ++text, ++lowerName) {
        if (lowered(*text) != *lowerName)
            return false;
    }
    return *text == *lowerName;
}

// A decimal integer from the start of the text, up to the first character
// that is not part of one ("true" reads 0). Values beyond a long stay at its
// ends, which keeps their sign for the "> 0" tests.
long integerOf(const char* text)
{
    return std::strtol(text, nullptr, 10);
}

// A decimal number from the start of the text, narrowed to float. Values
// beyond a float become infinities, as the conversion does on the hardware,
// without leaving the range the language defines.
float numberOf(const char* text)
{
    const double number = std::strtod(text, nullptr);
    if (number > FLT_MAX)
        return HUGE_VALF;
    if (number < -FLT_MAX)
        return -HUGE_VALF;
    return static_cast<float>(number);
}

// The last element of a map (the entry stored last); null for an empty one.
template <class T> T* lastOf(const KaMap<KaString, T*>& map)
{
    return map.isEmpty() ? nullptr : map.lastElement()->value;
}

// The first entry of the key; null when there is none.
template <class T> T* firstOf(const KaMap<KaString, T*>& map, const KaString& key)
{
    typename KaMap<KaString, T*>::KaIterator found = map.find(key);
    return found == map.end() ? nullptr : found->value;
}

template <class T> void releaseAll(const KaMap<KaString, T*>& map)
{
    for (typename KaMap<KaString, T*>::KaIterator it = map.firstElement(); it != map.end(); ++it)
        it->value->deleteLater();
}

template <class T> void hideAndReleaseAll(const KaMap<KaString, T*>& map)
{
    for (typename KaMap<KaString, T*>::KaIterator it = map.firstElement(); it != map.end(); ++it) {
        it->value->setVisible(false);
        it->value->deleteLater();
    }
}

template <class T> void detachAll(const KaMap<KaString, T*>& map)
{
    for (typename KaMap<KaString, T*>::KaIterator it = map.firstElement(); it != map.end(); ++it)
        it->value->setParent(nullptr);
}

// The name a reader gives its element: the parent's name joined with the
// value of "name" in any letter case (the last one written), or the parent's
// name alone when there is none.
KaString readerName(TiXmlElement* element, const KaString& parentName)
{
    const char* part = nullptr;
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        if (named(attribute, "name"))
            part = attribute->Value();
    }
    KaString name(parentName);
    if (part)
        KaXMLGUI::buildName(name, KaString(part));
    return name;
}

} // namespace

KaXMLGUI::KaXMLGUI()
    : mCurrentKind(None)
    , mLoaded(false)
{
}

KaXMLGUI::~KaXMLGUI()
{
    // The released widgets live on until the end of the frame, this GUI
    // perhaps not: they must not walk up to it meanwhile.
    detachWidgets();
    clear();
}

void KaXMLGUI::detachWidgets()
{
    detachAll(mSprites);
    detachAll(mButtons);
    detachAll(mSpriteButtons);
    detachAll(mSpriteButtons2);
    detachAll(mCheckBoxes);
    detachAll(mVideoPlayers);
    detachAll(mSoundPlayers);
}

bool KaXMLGUI::load(const KaPath& path)
{
    clear();
    const KaPath resolved = KaBaseFile::localizedPath(path);
    TiXmlDocument document;
    if (!KaXMLLoad(resolved, document, "[KaXMLGUI::Load]"))
        return false;
    mCurrentKind = None;
    mDirectory = resolved.directory();
    parseXML(&document, KaString());
    KaXMLFreeBuffer();
    mLoaded = true;
    return true;
}

void KaXMLGUI::clear()
{
    hideAndReleaseAll(mSprites);
    hideAndReleaseAll(mButtons);
    hideAndReleaseAll(mSpriteButtons);
    hideAndReleaseAll(mSpriteButtons2);
    for (KaMap<KaString, KaCheckBox*>::KaIterator it = mCheckBoxes.firstElement(); it != mCheckBoxes.end(); ++it) {
        it->value->visible(false);
        it->value->deleteLater();
    }
    releaseAll(mMusics);
    releaseAll(mSFXs);
    releaseAll(mMovements2);
    releaseAll(mMovements3);
    releaseAll(mVideoPlayers);
    releaseAll(mSoundPlayers);
    releaseAll(mTexts);
    for (KaMap<KaString, KaString*>::KaIterator it = mValues.firstElement(); it != mValues.end(); ++it)
        delete it->value;

    mGroups.clear();
    mSprites.clear();
    mButtons.clear();
    mSpriteButtons.clear();
    mSpriteButtons2.clear();
    mCheckBoxes.clear();
    mMusics.clear();
    mSFXs.clear();
    mValues.clear();
    mImages.clear();
    mMovements2.clear();
    mMovements3.clear();
    mVideoPlayers.clear();
    mSoundPlayers.clear();
    mTexts.clear();
}

void KaXMLGUI::unload()
{
    clear();
    mLoaded = false;
}

bool KaXMLGUI::group(const KaString& name) const
{
    for (KaList<KaString>::KaIterator it = mGroups.firstElement(); it != mGroups.end(); ++it) {
        if (*it == name)
            return true;
    }
    return false;
}

KaSprite* KaXMLGUI::sprite(const KaString& name) const { return firstOf(mSprites, name); }

KaButton* KaXMLGUI::button(const KaString& name) const { return firstOf(mButtons, name); }

KaSpriteButton* KaXMLGUI::spriteButton(const KaString& name) const { return firstOf(mSpriteButtons, name); }

KaSpriteButton2* KaXMLGUI::spriteButton2(const KaString& name) const { return firstOf(mSpriteButtons2, name); }

KaCheckBox* KaXMLGUI::checkBox(const KaString& name) const { return firstOf(mCheckBoxes, name); }

KaMusic* KaXMLGUI::music(const KaString& name) const { return firstOf(mMusics, name); }

KaSFX* KaXMLGUI::SFX(const KaString& name) const { return firstOf(mSFXs, name); }

KaString* KaXMLGUI::value(const KaString& name) const { return firstOf(mValues, name); }

KaIntrusivePtr<KaImage> KaXMLGUI::img(const KaString& name) const
{
    KaMap<KaString, KaIntrusivePtr<KaImage>>::KaIterator found = mImages.find(name);
    return found == mImages.end() ? KaIntrusivePtr<KaImage>() : found->value;
}

KaMovement2* KaXMLGUI::movement2(const KaString& name) const { return firstOf(mMovements2, name); }

KaMovement3* KaXMLGUI::movement3(const KaString& name) const { return firstOf(mMovements3, name); }

KaVideoPlayer* KaXMLGUI::videoPlayer(const KaString& name) const { return firstOf(mVideoPlayers, name); }

KaSoundPlayer* KaXMLGUI::soundPlayer(const KaString& name) const { return firstOf(mSoundPlayers, name); }

KaTextBase2* KaXMLGUI::Text2(const KaString& name) const { return firstOf(mTexts, name); }

void KaXMLGUI::buildName(KaString& name, const KaString& part)
{
    if (name.length() == 0) {
        name = part;
        return;
    }
    name += ".";
    name += part;
}

KaVector3f32 KaXMLGUI::point(TiXmlElement* element)
{
    KaVector3f32 result(0, 0, 0);
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        if (named(attribute, "x"))
            result.x = numberOf(attribute->Value());
        else if (named(attribute, "y"))
            result.y = numberOf(attribute->Value());
        else if (named(attribute, "z"))
            result.z = numberOf(attribute->Value());
    }
    return result;
}

KaVector2s32 KaXMLGUI::point2D(TiXmlElement* element)
{
    KaVector2s32 result(0, 0);
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        // An int holds what the fields hold; beyond it the value saturates.
        long number = 0;
        if (named(attribute, "x") || named(attribute, "y")) {
            number = integerOf(attribute->Value());
            number = number > INT_MAX ? INT_MAX : number < INT_MIN ? INT_MIN : number;
        }
        if (named(attribute, "x"))
            result.x = static_cast<int>(number);
        else if (named(attribute, "y"))
            result.y = static_cast<int>(number);
    }
    return result;
}

float KaXMLGUI::f32Value(TiXmlElement* element)
{
    const TiXmlAttribute* first = element->FirstAttribute();
    if (!first || !named(first, "value"))
        return 0.0f;
    return numberOf(first->Value());
}

bool KaXMLGUI::checkPlatform(TiXmlElement* element)
{
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        if (named(attribute, "type")) {
            const KaString type(attribute->Value());
            return type.length() == 0 || type == "iPhone";
        }
    }
    return true;
}

void KaXMLGUI::parseXML(TiXmlNode* node, const KaString& parentName)
{
    if (!node)
        return;
    // Walked in document order without recursion: TinyXML reads nesting far
    // deeper than a call per level would survive. outerNames holds, for each
    // node entered, the name its siblings are read under.
    TiXmlNode* const root = node;
    KaList<KaString> outerNames;
    KaString name(parentName);
    for (;;) {
        KaString childName;
        if (readNode(node, name, childName) && node->FirstChild()) {
            outerNames.pushBack(name);
            name = childName;
            node = node->FirstChild();
            continue;
        }
        while (node != root && !node->NextSibling()) {
            node = node->Parent();
            KaList<KaString>::KaIterator outer = outerNames.lastElement();
            name = *outer;
            outerNames.remove(outer.node());
        }
        if (node == root)
            return;
        node = node->NextSibling();
    }
}

bool KaXMLGUI::readNode(TiXmlNode* node, const KaString& parentName, KaString& childName)
{
    TiXmlElement* element = node->ToElement();
    if (!element) {
        childName = KaString();
        return true;
    }

    KaString tag(element->Value());
    tag.setLowerCase();
    const char* ownName = element->Attribute("name");
    childName = parentName;
    buildName(childName, KaString(ownName ? ownName : ""));

    if (tag == "platform")
        return checkPlatform(element);
    if (tag == "group")
        childName = readGroup(element, parentName);
    else if (tag == "sprite")
        readSprite(element, childName);
    else if (tag == "sprite_button")
        readSpriteButton(element, childName);
    else if (tag == "sprite_button2")
        readSpriteButton2(element, childName);
    else if (tag == "check_box")
        childName = readCheckBox(element, parentName);
    else if (tag == "movement2")
        readMovement2(element, childName);
    else if (tag == "movement3")
        readMovement3(element, childName);
    else if (tag == "kasoundplayer")
        readSoundPlayer(element, childName);
    else if (tag == "button")
        childName = readButton(element, parentName);
    else if (tag == "music")
        childName = readMusic(element, parentName);
    else if (tag == "sfx")
        childName = readSFX(element, parentName);
    else if (tag == "value")
        childName = readValue(element, parentName);
    else if (tag == "img")
        childName = readImage(element, parentName);
    else if (tag == "kavideoplayer")
        childName = readVideoPlayer(element, parentName);
    else if (tag == "videoplayerbutton")
        readVideoPlayerButton(element);
    else
        readProperty(tag, element);
    return true;
}

KaString KaXMLGUI::readGroup(TiXmlElement* element, const KaString& parentName)
{
    const char* own = "";
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        if (named(attribute, "name"))
            own = attribute->Value();
    }
    mGroups.pushBack(KaString(own));
    return readerName(element, parentName);
}

KaString KaXMLGUI::readerFolder() const
{
    // The readers put "./x" behind this text as it stands: "dir" + "x" would
    // name a file beside the folder, not in it.
    if (mDirectory.length() == 0)
        return KaString();
    return mDirectory + "/";
}

void KaXMLGUI::readSprite(TiXmlElement* element, const KaString& name)
{
    KaSprite* created = new KaSprite(defaultScreen.get());
    created->setParent(this);
    created->loadXML(*element, readerFolder());
    mSprites.pushBack(name, created);
    mCurrentKind = Sprite;
}

void KaXMLGUI::readSpriteButton(TiXmlElement* element, const KaString& name)
{
    KaSpriteButton* created = new KaSpriteButton();
    created->setParent(this);
    created->loadXML(*element, readerFolder());
    mSpriteButtons.pushBack(name, created);
    mCurrentKind = SpriteButton;
}

void KaXMLGUI::readSpriteButton2(TiXmlElement* element, const KaString& name)
{
    KaSpriteButton2* created = new KaSpriteButton2();
    created->setParent(this);
    created->loadXML(*element, readerFolder());
    mSpriteButtons2.pushBack(name, created);
    mCurrentKind = SpriteButton2;
}

KaString KaXMLGUI::readCheckBox(TiXmlElement* element, const KaString& parentName)
{
    KaCheckBox* created = new KaCheckBox();
    created->setParent(this);
    created->load(*element);
    // Unlike the other readers, only "name" written in lower case names a
    // check box.
    KaString name(parentName);
    if (const char* own = element->Attribute("name"))
        buildName(name, KaString(own));
    mCheckBoxes.pushBack(name, created);
    mCurrentKind = CheckBox;
    return name;
}

void KaXMLGUI::readMovement2(TiXmlElement* element, const KaString& name)
{
    KaMovement2* created = new KaMovement2();
    created->load(*element);
    mMovements2.pushBack(name, created);
    mCurrentKind = Movement2;
}

void KaXMLGUI::readMovement3(TiXmlElement* element, const KaString& name)
{
    KaMovement3* created = new KaMovement3();
    created->load(*element);
    mMovements3.pushBack(name, created);
    mCurrentKind = Movement3;
}

void KaXMLGUI::readSoundPlayer(TiXmlElement* element, const KaString& name)
{
    KaSoundPlayer* created = new KaSoundPlayer();
    created->setParent(this);
    created->loadXML(*element);
    mSoundPlayers.pushBack(name, created);
    mCurrentKind = SoundPlayer;
}

KaString KaXMLGUI::readButton(TiXmlElement* element, const KaString& parentName)
{
    KaButton* created = new KaButton(defaultScreen.get());
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        if (named(attribute, "enable"))
            created->setEnable(integerOf(attribute->Value()) > 0);
        else if (named(attribute, "visible"))
            created->setVisible(integerOf(attribute->Value()) > 0);
    }
    created->setParent(this);
    const KaString name = readerName(element, parentName);
    mButtons.pushBack(name, created);
    mCurrentKind = Button;
    return name;
}

KaString KaXMLGUI::readMusic(TiXmlElement* element, const KaString& parentName)
{
    KaString file;
    bool repeat = true;
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        if (named(attribute, "file"))
            file = attribute->Value();
        else if (named(attribute, "repeat"))
            repeat = integerOf(attribute->Value()) > 0;
    }
    KaMusic* created = new KaMusic();
    created->repeat(repeat);
    created->load(file);
    const KaString name = readerName(element, parentName);
    mMusics.pushBack(name, created);
    mCurrentKind = Music;
    return name;
}

KaString KaXMLGUI::readSFX(TiXmlElement* element, const KaString& parentName)
{
    KaString file;
    bool repeat = false;
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        if (named(attribute, "file"))
            file = attribute->Value();
        else if (named(attribute, "repeat"))
            repeat = integerOf(attribute->Value()) > 0;
    }
    KaSFX* created = new KaSFX();
    created->repeat(repeat);
    created->load(file);
    const KaString name = readerName(element, parentName);
    mSFXs.pushBack(name, created);
    mCurrentKind = SoundEffect;
    return name;
}

KaString KaXMLGUI::readValue(TiXmlElement* element, const KaString& parentName)
{
    KaString* text = new KaString();
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        if (named(attribute, "value"))
            *text = attribute->Value();
    }
    const KaString name = readerName(element, parentName);
    mValues.pushBack(name, text);
    mCurrentKind = Value;
    return name;
}

KaString KaXMLGUI::readImage(TiXmlElement* element, const KaString& parentName)
{
    const char* file = nullptr;
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        if (named(attribute, "file"))
            file = attribute->Value();
    }
    KaIntrusivePtr<KaImage> image;
    if (file)
        image = resourceManager.get()->getResource<KaImage>(KaPath(file));
    const KaString name = readerName(element, parentName);
    // The manager hands back an empty image for a file that exists but does
    // not decode: that is no picture either.
    if (image && image->format() != NONE) {
        mImages.pushBack(name, image);
        mCurrentKind = Image;
    } else {
        mCurrentKind = None;
    }
    return name;
}

KaString KaXMLGUI::readVideoPlayer(TiXmlElement* element, const KaString& parentName)
{
    KaVideoPlayer* created = new KaVideoPlayer();
    created->setParent(this);
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        if (named(attribute, "video_file"))
            created->videoFilename(attribute->Value());
        else if (named(attribute, "audio_file"))
            created->audioFilename(attribute->Value());
    }
    const KaString name = readerName(element, parentName);
    mVideoPlayers.pushBack(name, created);
    mCurrentKind = VideoPlayer;
    return name;
}

void KaXMLGUI::readVideoPlayerButton(TiXmlElement* element)
{
    // The button exists for its player alone: the player does not own it,
    // and nothing else would show it or take it down with the player.
    if (mVideoPlayers.isEmpty())
        return;
    KaMap<KaString, KaVideoPlayer*>::KaIterator player = mVideoPlayers.lastElement();
    KaSpriteButton* created = new KaSpriteButton();
    KaVector3f32 position(0, 0, 0);
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        if (named(attribute, "file"))
            created->load(KaString(attribute->Value()), KaString(), KaString());
        else if (named(attribute, "x"))
            position.x = numberOf(attribute->Value());
        else if (named(attribute, "y"))
            position.y = numberOf(attribute->Value());
    }
    created->setPosition(position);
    player->value->exitButton(*created);
    mSpriteButtons.pushBack(player->key + ".exitButton", created);
}

KaI3DObject* KaXMLGUI::currentWidget() const
{
    switch (mCurrentKind) {
    case Sprite:
        return lastOf(mSprites);
    case Button:
        return lastOf(mButtons);
    case SpriteButton:
        return lastOf(mSpriteButtons);
    case SpriteButton2:
        return lastOf(mSpriteButtons2);
    case CheckBox:
        return lastOf(mCheckBoxes);
    case VideoPlayer:
        return lastOf(mVideoPlayers);
    default:
        return nullptr;
    }
}

bool KaXMLGUI::readProperty(const KaString& tag, TiXmlElement* element)
{
    const bool position = tag == "position";
    const bool size = tag == "size";
    const bool scale = tag == "scale";
    const bool rotate = tag == "rotate";
    const bool opacity = tag == "opacity";
    const bool margin = tag == "margin";
    if (!position && !size && !scale && !rotate && !opacity && !margin)
        return false;

    KaI3DObject* widget = currentWidget();
    if (!widget)
        return true;
    // The video player takes a place, a size and a scale, but no turn,
    // opacity or margins.
    const bool videoPlayer = mCurrentKind == VideoPlayer;
    if (position) {
        widget->setPosition(point(element));
    } else if (size) {
        widget->setSize(point(element));
    } else if (scale) {
        widget->setScale(point(element));
    } else if (rotate && !videoPlayer) {
        // Degrees, the unit of the widgets' angle, drawn and hit-tested alike.
        widget->setRotateAngle(f32Value(element));
    } else if (opacity && !videoPlayer) {
        widget->setOpacity(f32Value(element));
    } else if (margin) {
        if (mCurrentKind == SpriteButton)
            lastOf(mSpriteButtons)->margin(point(element));
        else if (mCurrentKind == SpriteButton2)
            lastOf(mSpriteButtons2)->margin(point(element));
        else if (mCurrentKind == CheckBox)
            lastOf(mCheckBoxes)->margin(point(element));
    }
    return true;
}
