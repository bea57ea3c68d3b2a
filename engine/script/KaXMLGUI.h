#ifndef KA_XML_GUI_H
#define KA_XML_GUI_H

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/containers/KaList.h"
#include "engine/containers/KaMap.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaString.h"
#include "engine/graphics/KaImage.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/world/Ka3DObject.h"

class KaButton;
class KaCheckBox;
class KaMovement2;
class KaMovement3;
class KaMusic;
class KaSFX;
class KaSoundPlayer;
class KaSprite;
class KaSpriteButton;
class KaSpriteButton2;
class KaTextBase2;
class KaVideoPlayer;
class TiXmlElement;
class TiXmlNode;

// A set of named objects read from an XML description: older widgets,
// sounds, pictures from the resource manager and plain strings. The game's
// help texts come through it (value elements).
//
// Names. Every object is stored under a dotted name: the names of its
// enclosing elements and its own, joined with "." (a group "menu" holding a
// value "title" gives "menu.title"). Each kind of object has its own map;
// a lookup returns the first object stored under the name, so a name given
// twice keeps answering with the first object. Tags are matched in any
// letter case, and so are the attribute names the GUI reads itself, except
// that the "name" of sprites, sprite buttons, check boxes, movements and
// sound players counts only when spelled exactly so. Where several spellings
// of one attribute are given, the last one counts.
//
// Widgets are the GUI's children (setParent), except the movements and the
// exit buttons of video players.
//
// Properties ("position", "size", "margin", "rotate", "opacity", "scale")
// change the object stored last of the kind read last, wherever the
// property element stands: as a child or as a later sibling alike. A
// rotation is in degrees, the unit of the widgets' angle. A
// "videoplayerbutton" element gives the video player stored last an exit
// button, stored among the sprite buttons under the player's name followed
// by ".exitButton"; before any video player it builds nothing.
//
// Platform elements whose "type" is neither absent, "" nor "iPhone" are
// skipped with all they hold: descriptions shared with other builds keep
// their sections.
//
// Paths of pictures, sounds and videos named by the description itself are
// taken as given (resource folder), not against the description's folder;
// sprites and sprite buttons resolve their own against it.
//
// The GUI owns what its maps hold. clear() hides the widgets and hands them
// to deferred deletion, so objects still in use this frame stay alive until
// its end; values are deleted at once.
//
// Main thread only.
class KaXMLGUI : public Ka3DObject {
public:
    // The kind of the object read last, which properties change.
    enum Kind {
        None = 0,
        Sprite = 1,
        Button = 2,
        SpriteButton = 3,
        SpriteButton2 = 4,
        CheckBox = 5,
        Music = 6,
        SoundEffect = 7,
        Value = 8,
        Image = 9,
        VideoPlayer = 10,
        Movement2 = 11,
        Movement3 = 12,
        SoundPlayer = 13
    };

    KaXMLGUI();
    ~KaXMLGUI() override;
    KaXMLGUI(const KaXMLGUI&) = delete;
    KaXMLGUI& operator=(const KaXMLGUI&) = delete;

    // Replaces the content with the file's. A file missing at the path is
    // looked for in the language folder beside it, then in "en" (unless the
    // core's flags-on switch is set: the variant folders decide then). False,
    // with the loader's line "[KaXMLGUI::Load] ...", when the file cannot be
    // read or parsed; the GUI is then empty and loaded() unchanged.
    bool load(const KaPath& path);
    // Releases every object and empties the groups and maps.
    void clear();
    // clear(), and loaded() becomes false.
    void unload();
    bool loaded() const { return mLoaded; }

    // Whether a group element carried exactly this "name" (not the dotted
    // name: groups are listed by their own name).
    bool group(const KaString& name) const;

    KaSprite* sprite(const KaString& name) const;
    KaButton* button(const KaString& name) const;
    KaSpriteButton* spriteButton(const KaString& name) const;
    KaSpriteButton2* spriteButton2(const KaString& name) const;
    KaCheckBox* checkBox(const KaString& name) const;
    KaMusic* music(const KaString& name) const;
    KaSFX* SFX(const KaString& name) const;
    KaString* value(const KaString& name) const;
    KaIntrusivePtr<KaImage> img(const KaString& name) const;
    KaMovement2* movement2(const KaString& name) const;
    KaMovement3* movement3(const KaString& name) const;
    KaVideoPlayer* videoPlayer(const KaString& name) const;
    KaSoundPlayer* soundPlayer(const KaString& name) const;
    // The older text blocks: no element of the format makes one, so the
    // lookup finds nothing in a loaded file.
    KaTextBase2* Text2(const KaString& name) const;

    // name becomes name + "." + part, or part when name is empty (an empty
    // part leaves a trailing ".").
    static void buildName(KaString& name, const KaString& part);
    // The attributes "x", "y", "z" in any letter case as numbers; 0 for a
    // missing one.
    static KaVector3f32 point(TiXmlElement* element);
    // The attributes "x", "y" in any letter case as integers; 0 for a
    // missing one.
    static KaVector2s32 point2D(TiXmlElement* element);
    // The first attribute as a number when its name is "value" in any letter
    // case; 0 otherwise, also for an element without attributes.
    static float f32Value(TiXmlElement* element);
    // Whether a platform element is read: true without a "type" attribute
    // (any letter case; the first one counts) or for the types "" and
    // "iPhone".
    static bool checkPlatform(TiXmlElement* element);

    Kind currentKind() const { return mCurrentKind; }
    // The folder of the file last read ("" for a file in the resource folder).
    const KaPath& directory() const { return mDirectory; }
    const KaList<KaString>& groups() const { return mGroups; }

protected:
    // The walk: an element, then its children in document order under the
    // element's dotted name; other nodes only walk their children, under the
    // empty name.
    void parseXML(TiXmlNode* node, const KaString& parentName);

private:
    // Reads one node: an element builds its object or applies its property.
    // Gives the name its children are read under; false when they are not
    // read (a platform section of another build).
    bool readNode(TiXmlNode* node, const KaString& parentName, KaString& childName);
    // Each reader returns the name its element's children are walked under.
    KaString readGroup(TiXmlElement* element, const KaString& parentName);
    KaString readCheckBox(TiXmlElement* element, const KaString& parentName);
    KaString readButton(TiXmlElement* element, const KaString& parentName);
    KaString readMusic(TiXmlElement* element, const KaString& parentName);
    KaString readSFX(TiXmlElement* element, const KaString& parentName);
    KaString readValue(TiXmlElement* element, const KaString& parentName);
    KaString readImage(TiXmlElement* element, const KaString& parentName);
    KaString readVideoPlayer(TiXmlElement* element, const KaString& parentName);
    // The exit button of the video player stored last; nothing without one.
    void readVideoPlayerButton(TiXmlElement* element);
    // The folder that sprites and sprite buttons put before their "./"
    // paths: the directory with its final "/", empty for the resource folder.
    KaString readerFolder() const;
    // The elements that read themselves, stored under their own dotted name.
    void readSprite(TiXmlElement* element, const KaString& name);
    void readSpriteButton(TiXmlElement* element, const KaString& name);
    void readSpriteButton2(TiXmlElement* element, const KaString& name);
    void readMovement2(TiXmlElement* element, const KaString& name);
    void readMovement3(TiXmlElement* element, const KaString& name);
    void readSoundPlayer(TiXmlElement* element, const KaString& name);
    // Applies a property element to the object read last; false when the tag
    // is no property.
    bool readProperty(const KaString& tag, TiXmlElement* element);
    // The widget stored last of the current kind, null when that kind has no
    // position.
    KaI3DObject* currentWidget() const;
    // Detaches the widgets from this GUI, which they name as their parent.
    void detachWidgets();

    Kind mCurrentKind;
    KaList<KaString> mGroups;
    KaMap<KaString, KaSprite*> mSprites;
    KaMap<KaString, KaButton*> mButtons;
    KaMap<KaString, KaSpriteButton*> mSpriteButtons;
    KaMap<KaString, KaSpriteButton2*> mSpriteButtons2;
    KaMap<KaString, KaCheckBox*> mCheckBoxes;
    KaMap<KaString, KaMusic*> mMusics;
    KaMap<KaString, KaSFX*> mSFXs;
    KaMap<KaString, KaString*> mValues;
    KaMap<KaString, KaIntrusivePtr<KaImage>> mImages;
    KaMap<KaString, KaMovement2*> mMovements2;
    KaMap<KaString, KaMovement3*> mMovements3;
    KaMap<KaString, KaVideoPlayer*> mVideoPlayers;
    KaMap<KaString, KaSoundPlayer*> mSoundPlayers;
    KaMap<KaString, KaTextBase2*> mTexts;
    KaPath mDirectory;
    bool mLoaded;
};

#endif
