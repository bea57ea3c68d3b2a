#include "engine/script/KaLuaGUI.h"

#include <cfloat>
#include <cstdint>
#include <memory>
#include <string>

#include <lauxlib.h>
#include <lua.h>

#include "engine/base/KaStd.h"
#include "engine/containers/KaArray.h"
#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/graphics/KaIVideoCodec.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaCheckboxLayout.h"
#include "engine/gui/KaClipLayout.h"
#include "engine/gui/KaExtendedTextLayout.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaListLayout.h"
#include "engine/gui/KaScrollingLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/gui/KaTextLayout.h"
#include "engine/scene/KaFrameAnim.h"
#include "engine/scene/KaTiledSurface.h"
#include "engine/script/KaLuaConverters.h"
#include "engine/script/KaLuaThread.h"

namespace {

const char* const kRegistryKey = "__KaLuaGUIThis";

// Every GUI alive, so that a pointer read back from Lua can be checked
// against what the GUIs really handed out.
KaArray<KaLuaGUI*>& liveGUIs()
{
    static KaArray<KaLuaGUI*> guis;
    return guis;
}

template <class T> T* find(const KaMap<KaString, T*>& map, const KaString& name)
{
    typename KaMap<KaString, T*>::KaIterator found = map.find(name);
    return found == map.end() ? nullptr : found->value;
}

} // namespace

KaLuaGUI::KaLuaGUI()
    : mLoaded(false)
{
    liveGUIs().pushBack(this);
}

KaLuaGUI::~KaLuaGUI()
{
    unload();
    liveGUIs().removeFast(this);
}

bool KaLuaGUI::load(const KaPath& path)
{
    unload();
    mPath = path;

    KaPath file = path;
    if (!core.get()->flagsOn() && !KaBaseFile::fileExist(file)) {
        file = KaPath(path.directory() + "/" + core.get()->language() + "/" + path.fileName());
        if (!KaBaseFile::fileExist(file))
            file = KaPath(path.directory() + "/en/" + path.fileName());
    }

    mContext.destroy();
    mContext.create();
    static const struct {
        const char* name;
        int value;
    } enumerations[] = { { "Pixel", 0 }, { "Percent", 1 }, { "None", 0 }, { "LetterBox", 1 }, { "PanScan", 2 },
        { "MultiLine", 0 }, { "SingleLine", 1 }, { "Fixed", 0 }, { "Proportional", 1 } };
    for (const auto& enumeration : enumerations)
        mContext.setGlobal(KaString(enumeration.name), enumeration.value);

    mContext.registerCFunction("KaLayout", &KaLuaGUI::layoutBindings);
    mContext.registerCFunction("KaListLayout", &KaLuaGUI::listLayoutBindings);
    mContext.registerCFunction("KaSpriteLayout", &KaLuaGUI::spriteLayoutBindings);
    mContext.registerCFunction("KaButtonLayout", &KaLuaGUI::buttonLayoutBindings);
    mContext.registerCFunction("KaCheckboxLayout", &KaLuaGUI::checkboxLayoutBindings);
    mContext.registerCFunction("KaLayoutPositionLinearAnimation", &KaLuaGUI::layoutPositionLinearAnimationBindings);
    mContext.registerCFunction("KaLayoutAnchorLinearAnimation", &KaLuaGUI::layoutAnchorLinearAnimationBindings);
    mContext.registerCFunction("KaTextLayout", &KaLuaGUI::textLayoutBindings);
    mContext.registerCFunction("KaClipLayout", &KaLuaGUI::clipLayoutBindings);
    mContext.registerCFunction("KaColorLinearAnimation", &KaLuaGUI::colorLinearAnimationBindings);
    mContext.registerCFunction("KaRotationLinearAnimation", &KaLuaGUI::rotationLinearAnimationBindings);
    mContext.registerCFunction("KaScrollingLayout", &KaLuaGUI::scrollingLayoutBindings);
    mContext.registerCFunction("KaExtendedTextLayout", &KaLuaGUI::extendedTextLayoutBindings);

    mContext.setInRegistry(kRegistryKey, this);

    // The file runs in one Lua thread, as a script object would run it, so
    // that the run's outcome can be read. A file that is not there still
    // goes through the thread, which prints why it cannot be opened.
    const bool exists = KaBaseFile::fileExist(file);
    bool ran = false;
    if (KaLuaThread* thread = KaLuaThread::create(mContext)) {
        thread->executeFile(file);
        ran = exists && thread->status() == LUA_OK;
        thread->release();
    }

    mLoaded = true;
    return ran;
}

template <class T> void KaLuaGUI::releaseLayouts(KaMap<KaString, T*>& map)
{
    for (typename KaMap<KaString, T*>::KaIterator it = map.firstElement(); it != map.end(); ++it) {
        it->value->setVisible(false);
        it->value->deleteLater();
    }
    map.clear();
}

template <class T> void KaLuaGUI::releaseAnimations(KaMap<KaString, T*>& map)
{
    for (typename KaMap<KaString, T*>::KaIterator it = map.firstElement(); it != map.end(); ++it) {
        it->value->stop();
        it->value->deleteLater();
    }
    map.clear();
}

template <class T> void KaLuaGUI::detachLayouts(KaMap<KaString, T*>& map)
{
    for (typename KaMap<KaString, T*>::KaIterator it = map.firstElement(); it != map.end(); ++it) {
        if (KaI3DObject2* parent = it->value->parent())
            parent->removeChild(it->value);
    }
}

void KaLuaGUI::unload()
{
    // The end of the frame destroys the objects one at a time, in no order
    // that follows the tree: while they still held each other, a state
    // layout could go before the button that shows and hides it, and the
    // button, laid out again by its list as its children leave, would touch
    // it. Taken apart first, no object reaches another while they go.
    detachLayouts(mLayouts);
    detachLayouts(mListLayouts);
    detachLayouts(mSpriteLayouts);
    detachLayouts(mButtonLayouts);
    detachLayouts(mCheckboxLayouts);
    detachLayouts(mScrollingLayouts);
    detachLayouts(mTextLayouts);
    detachLayouts(mClipLayouts);
    detachLayouts(mExtendedTextLayouts);

    releaseLayouts(mLayouts);
    releaseLayouts(mListLayouts);
    for (KaMap<KaString, KaSpriteLayout*>::KaIterator it = mSpriteLayouts.firstElement(); it != mSpriteLayouts.end();
         ++it) {
        it->value->unload();
        it->value->setVisible(false);
        it->value->deleteLater();
    }
    mSpriteLayouts.clear();
    releaseLayouts(mButtonLayouts);
    releaseLayouts(mCheckboxLayouts);
    releaseLayouts(mScrollingLayouts);
    releaseAnimations(mLayoutPositionLinearAnimations);
    releaseAnimations(mLayoutAnchorLinearAnimations);
    releaseLayouts(mTextLayouts);
    releaseLayouts(mClipLayouts);
    releaseAnimations(mColorLinearAnimations);
    releaseAnimations(mRotationLinearAnimations);
    releaseLayouts(mExtendedTextLayouts);
    mHandedOut.clear();
    mTakenNames.clear();
    mContext.destroy();
    mLoaded = false;
}

KaVariant KaLuaGUI::value(const KaString& name)
{
    if (!mContext.isCreated())
        return KaVariant();
    return mContext.global(name);
}

KaLayout* KaLuaGUI::layout(const KaString& name) const
{
    if (KaLayout* found = find(mLayouts, name))
        return found;
    if (KaButtonLayout* found = find(mButtonLayouts, name))
        return found;
    if (KaSpriteLayout* found = find(mSpriteLayouts, name))
        return found;
    if (KaTextLayout* found = find(mTextLayouts, name))
        return found;
    if (KaExtendedTextLayout* found = find(mExtendedTextLayouts, name))
        return found;
    if (KaCheckboxLayout* found = find(mCheckboxLayouts, name))
        return found;
    if (KaListLayout* found = find(mListLayouts, name))
        return found;
    if (KaScrollingLayout* found = find(mScrollingLayouts, name))
        return found;
    if (KaClipLayout* found = find(mClipLayouts, name))
        return found;
    return nullptr;
}

KaButtonLayout* KaLuaGUI::buttonLayout(const KaString& name) const { return find(mButtonLayouts, name); }

KaSpriteLayout* KaLuaGUI::spriteLayout(const KaString& name) const { return find(mSpriteLayouts, name); }

KaCheckboxLayout* KaLuaGUI::checkboxLayout(const KaString& name) const { return find(mCheckboxLayouts, name); }

KaListLayout* KaLuaGUI::listLayout(const KaString& name) const { return find(mListLayouts, name); }

KaScrollingLayout* KaLuaGUI::scrollingLayout(const KaString& name) const { return find(mScrollingLayouts, name); }

KaITextLayout* KaLuaGUI::textLayout(const KaString& name) const
{
    if (KaTextLayout* found = find(mTextLayouts, name))
        return found;
    if (KaExtendedTextLayout* found = find(mExtendedTextLayouts, name))
        return found;
    return nullptr;
}

KaExtendedTextLayout* KaLuaGUI::extendedTextLayout(const KaString& name) const
{
    return find(mExtendedTextLayouts, name);
}

KaClipLayout* KaLuaGUI::clipLayout(const KaString& name) const { return find(mClipLayouts, name); }

KaLuaGUI::PositionAnimation* KaLuaGUI::layoutPositionLinearAnimation(const KaString& name) const
{
    return find(mLayoutPositionLinearAnimations, name);
}

KaLuaGUI::AnchorAnimation* KaLuaGUI::layoutAnchorLinearAnimation(const KaString& name) const
{
    return find(mLayoutAnchorLinearAnimations, name);
}

KaLuaGUI::ColorAnimation* KaLuaGUI::colorLinearAnimation(const KaString& name) const
{
    return find(mColorLinearAnimations, name);
}

KaLuaGUI::RotationAnimation* KaLuaGUI::rotationLinearAnimation(const KaString& name) const
{
    return find(mRotationLinearAnimations, name);
}

KaLuaGUI* KaLuaGUI::fromState(lua_State* state)
{
    lua_getfield(state, LUA_REGISTRYINDEX, kRegistryKey);
    void* pointer = lua_islightuserdata(state, -1) ? lua_touserdata(state, -1) : nullptr;
    lua_pop(state, 1);
    const KaArray<KaLuaGUI*>& guis = liveGUIs();
    for (unsigned long i = 0; i < guis.size(); ++i) {
        if (guis[i] == pointer)
            return guis[i];
    }
    return nullptr;
}

KaObject* KaLuaGUI::createdObject(lua_State* state, int index)
{
    if (!lua_islightuserdata(state, index))
        return nullptr;
    const void* pointer = lua_touserdata(state, index);
    const KaArray<KaLuaGUI*>& guis = liveGUIs();
    for (unsigned long i = 0; i < guis.size(); ++i) {
        if (guis[i]->mHandedOut.count(pointer))
            return static_cast<KaObject*>(const_cast<void*>(pointer));
    }
    return nullptr;
}

KaLuaGUI* KaLuaGUI::liveGUI(lua_State* state, int index)
{
    if (!lua_islightuserdata(state, index))
        return nullptr;
    const void* pointer = lua_touserdata(state, index);
    const KaArray<KaLuaGUI*>& guis = liveGUIs();
    for (unsigned long i = 0; i < guis.size(); ++i) {
        if (guis[i] == pointer)
            return guis[i];
    }
    return nullptr;
}

template <class T>
int KaLuaGUI::registerObject(lua_State* state, KaMap<KaString, T*> KaLuaGUI::*kind, std::unique_ptr<T> object,
    const KaString& name, const char* prefix)
{
    KaLuaGUI* gui = fromState(state);
    if (!gui)
        return 0;
    KaMap<KaString, T*>& map = gui->*kind;
    // The maps look names up one by one; a screen of a thousand objects
    // would spend its load in that search, so the taken names are indexed.
    std::unordered_set<std::string>& taken = gui->mTakenNames[&map];
    if (!taken.insert(std::string(name.c_str(), name.length())).second) {
        KaPrintf("%s:: multiple objects with name %s\n", prefix, name.c_str());
        return 0;
    }
    KaObject* base = object.get();
    map.pushBack(name, object.release());
    gui->mHandedOut.insert(base);
    lua_pushlightuserdata(state, base);
    return 1;
}

// ---------------------------------------------------------------------------
// The constructors. Each reads one table: string keys are attributes, number
// keys children. Values are read where lua_next leaves them (value at -1, key
// at -2), the table converters reading one slot further down themselves.

namespace {

void notATable(const char* prefix) { KaPrintf("%s:: the lua value is not a table\n", prefix); }

void unknownAttribute(const char* prefix, const KaString& key)
{
    KaPrintf("[KaLuaGUI.%s] Unreconized attribute : %s\n", prefix, key.c_str());
}

// The constructor's table: the value on top when it is a table, else 0.
int tableIndex(lua_State* state)
{
    const int top = lua_gettop(state);
    return top > 0 && lua_istable(state, top) ? top : 0;
}

// Walks the table with lua_next, calling attribute(key) for a string key and
// child() for a number key; the value is on top during each call.
template <class Attribute, class Child> void walk(lua_State* state, int table, Attribute attribute, Child child)
{
    lua_pushnil(state);
    while (lua_next(state, table)) {
        const int keyType = lua_type(state, -2);
        if (keyType == LUA_TSTRING)
            attribute(KaString(lua_tostring(state, -2)));
        else if (keyType == LUA_TNUMBER)
            child();
        lua_pop(state, 1);
    }
}

// The file's enumerations are plain numbers: a value outside the enumeration
// is ignored rather than stored as a value the enumeration cannot hold.
bool readEnumeration(lua_State* state, int last, int& value)
{
    value = KaLuaToS32(state, -1);
    return value >= 0 && value <= last;
}

KaString addressName(const KaObject* object)
{
    return KaString(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(object)));
}

// Makes child a child of parent once. A GUI file commonly lists an object
// both as a state layout of a button and among its children, or under two
// parents: a second entry in a child list would outlive the child's
// destruction, so the child first leaves any parent it has.
void adopt(KaLayout& parent, KaI3DObject2* child)
{
    KaI3DObject2* self = &parent;
    if (!child || child == self)
        return;
    KaI3DObject2* old = child->parent();
    if (old == self && parent.childIndex(child) >= 0)
        return;
    if (old)
        old->removeChild(child);
    parent.addChild(child);
}

// A layout read for a setter that makes it a child of the object: it leaves
// its current parent first, for the same reason as above. Null when the value
// is not a layout made by a GUI.
KaLayout* detachedLayout(lua_State* state)
{
    KaLayout* layout = KaLuaTo<KaLayout*>(state, -1);
    if (layout && layout->parent())
        layout->parent()->removeChild(layout);
    return layout;
}

// The keys of every layout; false for a key it does not know.
bool layoutAttribute(lua_State* state, KaLayout& layout, const KaString& key, bool acceptsColor)
{
    int enumeration = 0;
    if (key == "name") {
        layout.setName(KaLuaToKaString(state, -1));
    } else if (key == "sizeType") {
        if (readEnumeration(state, KaILayout::Percent, enumeration))
            layout.setSizeType(static_cast<KaILayout::CoordinatesType>(enumeration));
    } else if (key == "size") {
        layout.setSize(KaLuaToKaVector3f32(state, -1, layout.userSize()));
    } else if (key == "ratio") {
        layout.setRatio(KaLuaToF32(state, -1));
    } else if (key == "ratioMode") {
        if (readEnumeration(state, KaILayout::PanScan, enumeration))
            layout.setRatioMode(static_cast<KaILayout::RatioMode>(enumeration));
    } else if (key == "safeAreaRatio") {
        layout.setSafeAreaRatio(KaLuaToF32(state, -1));
    } else if (key == "anchor") {
        layout.setAnchor(KaLuaToKaVector3f32(state, -1, layout.anchor()));
    } else if (key == "positionType") {
        if (readEnumeration(state, KaILayout::Percent, enumeration))
            layout.setPositionType(static_cast<KaILayout::CoordinatesType>(enumeration));
    } else if (key == "position") {
        layout.setPosition(KaLuaToKaVector3f32(state, -1, layout.userPosition()));
    } else if (key == "visible") {
        layout.setVisible(KaLuaToBool(state, -1));
    } else if (key == "color" && acceptsColor) {
        layout.setColor(KaLuaToKaColor(state, -1));
    } else if (key == "consoleNoStretch") {
        // Kept by older descriptions; it means nothing on this platform.
    } else {
        return false;
    }
    return true;
}

// The one-walk constructors: shared keys, the kind's own keys, children in
// traversal order.
template <class T, class Own>
std::unique_ptr<T> buildLayout(lua_State* state, int table, const char* prefix, bool acceptsColor, Own own)
{
    std::unique_ptr<T> layout(new T());
    walk(
        state, table,
        [&](const KaString& key) {
            if (!layoutAttribute(state, *layout, key, acceptsColor) && !own(*layout, key))
                unknownAttribute(prefix, key);
        },
        [&]() { adopt(*layout, KaLuaTo<KaI3DObject2*>(state, -1)); });
    return layout;
}

// The constructors that read every attribute before any child.
template <class T, class Own>
std::unique_ptr<T> buildLayoutAttributesFirst(lua_State* state, int table, const char* prefix, Own own)
{
    std::unique_ptr<T> layout(new T());
    walk(
        state, table,
        [&](const KaString& key) {
            if (!layoutAttribute(state, *layout, key, true) && !own(*layout, key))
                unknownAttribute(prefix, key);
        },
        []() {});
    return layout;
}

template <class T> void adoptChildren(lua_State* state, int table, T& layout)
{
    walk(
        state, table, [](const KaString&) {}, [&]() { adopt(layout, KaLuaTo<KaI3DObject2*>(state, -1)); });
}

void nameByAddress(KaLayout& layout)
{
    if (layout.name().length() == 0)
        layout.setName(addressName(static_cast<KaObject*>(&layout)));
}

// The keys of both text layouts; false for a key they do not know.
bool textAttribute(lua_State* state, KaITextLayout& text, const KaString& key)
{
    int enumeration = 0;
    if (key == "text") {
        text.setText(KaLuaToKaString(state, -1));
    } else if (key == "interLine" || key == "interline") {
        text.setInterLine(KaLuaToF32(state, -1));
    } else if (key == "wrapMode") {
        if (readEnumeration(state, KaITextLayout::SingleLine, enumeration))
            text.setWrapMode(static_cast<KaITextLayout::WrapMode>(enumeration));
    } else if (key == "textSizeType") {
        if (readEnumeration(state, KaITextLayout::Proportional, enumeration))
            text.setTextSizeType(static_cast<KaITextLayout::TextSizeType>(enumeration));
    } else if (key == "textSizeProportionalToWidth") {
        text.setTextSizeProportionalToWidth(
            static_cast<unsigned long>(static_cast<unsigned int>(KaLuaToS32(state, -1))));
    } else {
        return false;
    }
    return true;
}

} // namespace

int KaLuaGUI::textLayoutBindings(lua_State* state)
{
    static const char* const prefix = "textLayoutBindings";
    const int table = tableIndex(state);
    if (!table) {
        notATable(prefix);
        return 0;
    }
    std::unique_ptr<KaTextLayout> text = buildLayout<KaTextLayout>(state, table, prefix, true,
        [state](KaTextLayout& layout, const KaString& key) { return textAttribute(state, layout, key); });
    nameByAddress(*text);
    const KaString name = text->name();
    return registerObject(state, &KaLuaGUI::mTextLayouts, std::move(text), name, prefix);
}

int KaLuaGUI::extendedTextLayoutBindings(lua_State* state)
{
    static const char* const prefix = "extendedTextLayoutBindings";
    const int table = tableIndex(state);
    if (!table) {
        notATable(prefix);
        return 0;
    }
    std::unique_ptr<KaExtendedTextLayout> text = buildLayout<KaExtendedTextLayout>(
        state, table, prefix, true, [state](KaExtendedTextLayout& layout, const KaString& key) {
            if (textAttribute(state, layout, key))
                return true;
            if (key == "autoScrollDelay")
                layout.setAutoScrollDelay(static_cast<unsigned int>(KaLuaToS32(state, -1)));
            else if (key == "autoScrollSpeed")
                layout.setAutoScrollSpeed(KaLuaToF32(state, -1));
            else
                return false;
            return true;
        });
    nameByAddress(*text);
    const KaString name = text->name();
    return registerObject(state, &KaLuaGUI::mExtendedTextLayouts, std::move(text), name, prefix);
}

int KaLuaGUI::layoutBindings(lua_State* state)
{
    static const char* const prefix = "layoutBindings";
    const int table = tableIndex(state);
    if (!table) {
        notATable(prefix);
        return 0;
    }
    std::unique_ptr<KaLayout> layout
        = buildLayout<KaLayout>(state, table, prefix, true, [](KaLayout&, const KaString&) { return false; });
    nameByAddress(*layout);
    const KaString name = layout->name();
    return registerObject(state, &KaLuaGUI::mLayouts, std::move(layout), name, prefix);
}

int KaLuaGUI::listLayoutBindings(lua_State* state)
{
    static const char* const prefix = "listLayoutBindings";
    const int table = tableIndex(state);
    if (!table) {
        notATable(prefix);
        return 0;
    }
    std::unique_ptr<KaListLayout> list
        = buildLayout<KaListLayout>(state, table, prefix, true, [state](KaListLayout& layout, const KaString& key) {
              if (key == "direction")
                  layout.setDirection(KaLuaToKaVector3f32(state, -1, layout.direction()));
              else if (key == "minimumMargin")
                  layout.setMinimumMargin(KaLuaToKaVector3f32(state, -1, layout.minimumMargin()));
              else if (key == "maximumMargin")
                  layout.setMaximumMargin(KaLuaToKaVector3f32(state, -1, layout.maximumMargin()));
              else
                  return false;
              return true;
          });
    nameByAddress(*list);
    const KaString name = list->name();
    return registerObject(state, &KaLuaGUI::mListLayouts, std::move(list), name, prefix);
}

int KaLuaGUI::spriteLayoutBindings(lua_State* state)
{
    static const char* const prefix = "spriteLayoutBindings";
    const int table = tableIndex(state);
    if (!table) {
        notATable(prefix);
        return 0;
    }
    KaLuaGUI* gui = fromState(state);
    KaString image;
    bool play = false;
    unsigned int startingFrame = 0;
    unsigned int endingFrame = 0;
    bool endingFrameGiven = false;
    std::unique_ptr<KaSpriteLayout> sprite = buildLayoutAttributesFirst<KaSpriteLayout>(
        state, table, prefix, [&](KaSpriteLayout& layout, const KaString& key) {
            KaTiledSurface& surface = layout.surface();
            if (key == "image")
                image = KaLuaToKaString(state, -1);
            else if (key == "leftCropping")
                surface.setLeftCropping(KaLuaToF32(state, -1));
            else if (key == "rightCropping")
                surface.setRightCropping(KaLuaToF32(state, -1));
            else if (key == "topCropping")
                surface.setTopCropping(KaLuaToF32(state, -1));
            else if (key == "bottomCropping")
                surface.setBottomCropping(KaLuaToF32(state, -1));
            else if (key == "loopCount")
                surface.frameAnim().setRepeatCount(static_cast<unsigned int>(KaLuaToS32(state, -1)));
            else if (key == "reversed")
                surface.frameAnim().setReversed(KaLuaToBool(state, -1));
            else if (key == "play")
                play = KaLuaToBool(state, -1);
            else if (key == "startingFrame")
                startingFrame = KaLuaToU32(state, -1);
            else if (key == "endingFrame") {
                endingFrame = KaLuaToU32(state, -1);
                endingFrameGiven = true;
            } else
                return false;
            return true;
        });

    KaPath picture(image);
    if (image.length() >= 2 && image[0] == '.' && image[1] == '/' && gui)
        picture = KaPath(gui->mPath.directory() + "/" + image.subString(2, image.length() - 2));
    if (picture.length() > 0)
        sprite->load(picture);
    adoptChildren(state, table, *sprite);
    nameByAddress(*sprite);

    if (play)
        sprite->play();
    else
        sprite->stop();
    // A still picture's codec has no frame rate: its range would be NaN or
    // infinite, so it keeps the open range.
    KaIVideoCodec* codec = sprite->surface().codec();
    const float rate = codec ? codec->frameRate() : 0.0f;
    if (codec && rate > 0.0f) {
        KaFrameAnim& frames = sprite->surface().frameAnim();
        frames.setStartTime(static_cast<double>(static_cast<float>(startingFrame) / rate * 1000.0f) * 1000.0);
        if (endingFrameGiven)
            frames.setEndTime(static_cast<double>(static_cast<float>(endingFrame) / rate * 1000.0f) * 1000.0);
        else
            frames.setEndTime(static_cast<double>(FLT_MAX) * 1000.0);
    }
    const KaString name = sprite->name();
    return registerObject(state, &KaLuaGUI::mSpriteLayouts, std::move(sprite), name, prefix);
}

int KaLuaGUI::buttonLayoutBindings(lua_State* state)
{
    static const char* const prefix = "buttonLayoutBindings";
    const int table = tableIndex(state);
    if (!table) {
        notATable(prefix);
        return 0;
    }
    std::unique_ptr<KaButtonLayout> button = buildLayoutAttributesFirst<KaButtonLayout>(
        state, table, prefix, [state](KaButtonLayout& layout, const KaString& key) {
            if (key == "upLayout" || key == "downLayout" || key == "disabledLayout" || key == "rollOverLayout"
                || key == "hitZone") {
                KaLayout* reference = detachedLayout(state);
                if (!reference)
                    return true;
                if (key == "upLayout")
                    layout.setUpLayout(reference);
                else if (key == "downLayout")
                    layout.setDownLayout(reference);
                else if (key == "disabledLayout")
                    layout.setDisabledLayout(reference);
                else if (key == "rollOverLayout")
                    layout.setRollOverLayout(reference);
                else
                    layout.setHitZone(reference);
            } else if (key == "enable") {
                layout.setEnable(KaLuaToBool(state, -1));
            } else if (key == "clickPassThrough") {
                layout.setClickPassThrough(KaLuaToBool(state, -1));
            } else if (key == "validationSound") {
                layout.setValidationSound(KaLuaToKaString(state, -1));
            } else if (key == "validationSoundVolume") {
                layout.setValidationSoundVolume(KaLuaToF32(state, -1));
            } else {
                return false;
            }
            return true;
        });
    adoptChildren(state, table, *button);
    nameByAddress(*button);
    const KaString name = button->name();
    return registerObject(state, &KaLuaGUI::mButtonLayouts, std::move(button), name, prefix);
}

int KaLuaGUI::checkboxLayoutBindings(lua_State* state)
{
    static const char* const prefix = "checkboxLayoutBindings";
    const int table = tableIndex(state);
    if (!table) {
        notATable(prefix);
        return 0;
    }
    typedef void (KaCheckboxLayout::*Setter)(KaLayout*);
    static const struct {
        const char* key;
        Setter setter;
    } references[] = { { "activeLayout", &KaCheckboxLayout::setActiveLayout },
        { "unactiveLayout", &KaCheckboxLayout::setUnactiveLayout },
        { "activeDisabledLayout", &KaCheckboxLayout::setActiveDisabledLayout },
        { "unactiveDisabledLayout", &KaCheckboxLayout::setUnactiveDisabledLayout },
        { "activeRollOverLayout", &KaCheckboxLayout::setActiveRollOverLayout },
        { "unactiveRollOverLayout", &KaCheckboxLayout::setUnactiveRollOverLayout },
        { "hitZone", &KaCheckboxLayout::setHitZone } };
    std::unique_ptr<KaCheckboxLayout> checkbox = buildLayout<KaCheckboxLayout>(
        state, table, prefix, true, [state](KaCheckboxLayout& layout, const KaString& key) {
            for (const auto& reference : references) {
                if (key == reference.key) {
                    if (KaLayout* child = detachedLayout(state))
                        (layout.*reference.setter)(child);
                    return true;
                }
            }
            if (key == "clickPassThrough")
                layout.setClickPassThrough(KaLuaToBool(state, -1));
            else if (key == "activationSound")
                layout.setActivationSound(KaLuaToKaString(state, -1));
            else if (key == "unactivationSound")
                layout.setUnactivationSound(KaLuaToKaString(state, -1));
            else
                return false;
            return true;
        });
    nameByAddress(*checkbox);
    const KaString name = checkbox->name();
    return registerObject(state, &KaLuaGUI::mCheckboxLayouts, std::move(checkbox), name, prefix);
}

int KaLuaGUI::clipLayoutBindings(lua_State* state)
{
    static const char* const prefix = "clipLayoutBindings";
    const int table = tableIndex(state);
    if (!table) {
        notATable(prefix);
        return 0;
    }
    std::unique_ptr<KaClipLayout> clip
        = buildLayout<KaClipLayout>(state, table, prefix, false, [](KaClipLayout&, const KaString&) { return false; });
    nameByAddress(*clip);
    const KaString name = clip->name();
    return registerObject(state, &KaLuaGUI::mClipLayouts, std::move(clip), name, prefix);
}

int KaLuaGUI::scrollingLayoutBindings(lua_State* state)
{
    static const char* const prefix = "scrollingLayoutBindings";
    const int table = tableIndex(state);
    if (!table) {
        notATable(prefix);
        return 0;
    }
    std::unique_ptr<KaScrollingLayout> scrolling = buildLayout<KaScrollingLayout>(
        state, table, prefix, true, [state](KaScrollingLayout& layout, const KaString& key) {
            if (key == "contentLayout")
                layout.setContentLayout(detachedLayout(state));
            else if (key == "direction")
                layout.setDirection(KaLuaToKaVector3f32(state, -1, layout.direction()));
            else if (key == "enclose")
                layout.setEnclose(KaLuaToBool(state, -1));
            else if (key == "mouseControl")
                layout.setMouseControl(KaLuaToBool(state, -1));
            else if (key == "inertiaAnimationDuration")
                layout.setInertiaAnimationDuration(KaLuaToU32(state, -1));
            else if (key == "inertiaAnimationCurve")
                layout.setInertiaAnimationCurve(KaLuaToF32KaArray(state, -1));
            else if (key == "autoScrollLoop")
                layout.setAutoScrollLoop(KaLuaToS32(state, -1));
            else if (key == "autoScrollDelay")
                layout.setAutoScrollDelay(static_cast<unsigned int>(KaLuaToS32(state, -1)));
            else if (key == "autoScrollAnimation1Enabled")
                layout.setAutoScrollAnimation1Enabled(KaLuaToBool(state, -1));
            else if (key == "autoScrollAnimation2Enabled")
                layout.setAutoScrollAnimation2Enabled(KaLuaToBool(state, -1));
            else if (key == "autoScrollAnimation1Delay")
                layout.setAutoScrollAnimation1Delay(static_cast<unsigned int>(KaLuaToS32(state, -1)));
            else if (key == "autoScrollAnimation2Delay")
                layout.setAutoScrollAnimation2Delay(static_cast<unsigned int>(KaLuaToS32(state, -1)));
            else if (key == "autoScrollAnimation1Speed")
                layout.setAutoScrollAnimation1Speed(KaLuaToF32(state, -1));
            else if (key == "autoScrollAnimation2Speed")
                layout.setAutoScrollAnimation2Speed(KaLuaToF32(state, -1));
            else if (key == "autoScrollAnimation1Curve")
                layout.setAutoScrollAnimation1Curve(KaLuaToF32KaArray(state, -1));
            else if (key == "autoScrollAnimation2Curve")
                layout.setAutoScrollAnimation2Curve(KaLuaToF32KaArray(state, -1));
            else
                return false;
            return true;
        });
    nameByAddress(*scrolling);
    const KaString name = scrolling->name();
    return registerObject(state, &KaLuaGUI::mScrollingLayouts, std::move(scrolling), name, prefix);
}

template <class Animation, class Read>
int KaLuaGUI::animationBindings(lua_State* state, const char* prefix, KaMap<KaString, Animation*> KaLuaGUI::*kind,
    typename Animation::Setter setter, Read read)
{
    const int table = tableIndex(state);
    if (!table) {
        notATable(prefix);
        return 0;
    }
    std::unique_ptr<Animation> animation(new Animation());
    KaString name;
    walk(
        state, table,
        [&](const KaString& key) {
            if (key == "name")
                name = KaLuaToKaString(state, -1);
            else if (key == "duration")
                animation->mDuration = KaLuaToF32(state, -1);
            else if (key == "startValue")
                animation->mStartValue = read(state);
            else if (key == "endValue")
                animation->mEndValue = read(state);
            else if (key == "curve")
                animation->setCurve(KaLuaToF32KaArray(state, -1));
            else if (key != "layout")
                unknownAttribute(prefix, key);
        },
        []() {});
    if (name.length() == 0)
        name = addressName(static_cast<KaObject*>(animation.get()));
    animation->mSetter = setter;
    return registerObject(state, kind, std::move(animation), name, prefix);
}

int KaLuaGUI::layoutPositionLinearAnimationBindings(lua_State* state)
{
    return animationBindings(state, "layoutPositionLinearAnimationBindings", &KaLuaGUI::mLayoutPositionLinearAnimations,
        &KaI3DObject2::setPosition, [](lua_State* s) { return KaLuaToKaVector3f32(s, -1, KaVector3f32()); });
}

int KaLuaGUI::layoutAnchorLinearAnimationBindings(lua_State* state)
{
    return animationBindings(state, "layoutAnchorLinearAnimationBindings", &KaLuaGUI::mLayoutAnchorLinearAnimations,
        &KaILayout::setAnchor, [](lua_State* s) { return KaLuaToKaVector3f32(s, -1, KaVector3f32()); });
}

int KaLuaGUI::colorLinearAnimationBindings(lua_State* state)
{
    return animationBindings(state, "colorLinearAnimationBindings", &KaLuaGUI::mColorLinearAnimations,
        &KaI3DObject2::setColor, [](lua_State* s) { return KaLuaToKaColor(s, -1); });
}

int KaLuaGUI::rotationLinearAnimationBindings(lua_State* state)
{
    return animationBindings(state, "rotationLinearAnimationBindings", &KaLuaGUI::mRotationLinearAnimations,
        &KaI3DObject2::setRotation, [](lua_State* s) { return KaLuaToKaQuaternion(s, -1, KaQuaternion()); });
}

template <> KaI3DObject2* KaLuaTo<KaI3DObject2*>(lua_State* state, int index)
{
    return dynamic_cast<KaI3DObject2*>(KaLuaGUI::createdObject(state, index));
}

template <> KaLayout* KaLuaTo<KaLayout*>(lua_State* state, int index)
{
    return dynamic_cast<KaLayout*>(KaLuaGUI::createdObject(state, index));
}

template <> KaLuaGUI* KaLuaTo<KaLuaGUI*>(lua_State* state, int index) { return KaLuaGUI::liveGUI(state, index); }
