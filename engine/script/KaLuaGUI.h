#ifndef KA_LUA_GUI_H
#define KA_LUA_GUI_H

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "engine/color/KaColor.h"
#include "engine/containers/KaMap.h"
#include "engine/core/KaObject.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaString.h"
#include "engine/core/KaVariant.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/scene/KaCurveAnim2.h"
#include "engine/script/KaLuaContext.h"

struct lua_State;
class KaButtonLayout;
class KaCheckboxLayout;
class KaClipLayout;
class KaExtendedTextLayout;
class KaI3DObject2;
class KaILayout;
class KaITextLayout;
class KaLayout;
class KaListLayout;
class KaScrollingLayout;
class KaSpriteLayout;
class KaTextLayout;

// A screen described by a Lua file. The file runs in a Lua state of the GUI's
// own and builds its objects by calling the global constructors ("KaLayout",
// "KaSpriteLayout", "KaButtonLayout", ...), each with one table: the table's
// string keys are attributes, its array entries children. The GUI keeps and
// owns every object the file made, in one map per kind, and the screen's code
// finds them by name (the roots included: nothing is attached outside the
// file's own tree) and reads the file's global values with value().
//
// Names are unique within one kind only. An object made without a name is
// named with the decimal text of its address, so that it still has a key of
// its own; a second object of a kind under a name already taken is refused
// ("multiple objects") and its constructor gives nil to Lua.
//
// unload() hides every object and releases it with deleteLater(): a button
// handler may unload the very GUI that holds the button, and the pointers the
// lookups handed out stay valid until the end of that frame.
//
// Main thread only.
class KaLuaGUI : public KaObject {
public:
    typedef KaCurveAnim2<KaI3DObject2, KaVector3f32> PositionAnimation;
    typedef KaCurveAnim2<KaILayout, KaVector3f32> AnchorAnimation;
    typedef KaCurveAnim2<KaI3DObject2, KaColor> ColorAnimation;
    typedef KaCurveAnim2<KaI3DObject2, KaQuaternion> RotationAnimation;

    KaLuaGUI();
    ~KaLuaGUI() override;
    KaLuaGUI(const KaLuaGUI&) = delete;
    KaLuaGUI& operator=(const KaLuaGUI&) = delete;

    // Unloads, then runs the file in a new state. False when the file cannot
    // be opened, compiled or run to its end; what it made before failing is
    // kept and the GUI counts as loaded either way.
    bool load(const KaPath& path);
    // Hides and releases (deleteLater) every object made, closes the state.
    void unload();
    bool isLoaded() const { return mLoaded; }
    const KaPath& path() const { return mPath; }

    // The global of that name in the file's state: a boolean, a 64-bit float
    // or a string; invalid for anything else or after unload.
    KaVariant value(const KaString& name);

    // Any layout of that name, looked for kind by kind (plain layouts first,
    // animations never).
    KaLayout* layout(const KaString& name) const;
    KaButtonLayout* buttonLayout(const KaString& name) const;
    KaSpriteLayout* spriteLayout(const KaString& name) const;
    KaCheckboxLayout* checkboxLayout(const KaString& name) const;
    KaListLayout* listLayout(const KaString& name) const;
    KaScrollingLayout* scrollingLayout(const KaString& name) const;
    // A plain text layout of that name, else an extended one.
    KaITextLayout* textLayout(const KaString& name) const;
    KaExtendedTextLayout* extendedTextLayout(const KaString& name) const;
    KaClipLayout* clipLayout(const KaString& name) const;
    PositionAnimation* layoutPositionLinearAnimation(const KaString& name) const;
    AnchorAnimation* layoutAnchorLinearAnimation(const KaString& name) const;
    ColorAnimation* colorLinearAnimation(const KaString& name) const;
    RotationAnimation* rotationLinearAnimation(const KaString& name) const;

    KaLuaContext& context() { return mContext; }

    // Every sprite and button layout made, in the GUI's own order.
    const KaMap<KaString, KaSpriteLayout*>& spriteLayouts() const { return mSpriteLayouts; }
    const KaMap<KaString, KaButtonLayout*>& buttonLayouts() const { return mButtonLayouts; }

    // The object that a constructor of a live GUI handed to Lua at that stack
    // index; null for any other value (a number, a foreign light userdata, an
    // object already released by an unload).
    static KaObject* createdObject(lua_State* state, int index);
    // A live GUI given to Lua as a light userdata; null for any other value.
    static KaLuaGUI* liveGUI(lua_State* state, int index);

private:
    // The constructors, registered as the file's global functions.
    static int layoutBindings(lua_State* state);
    static int listLayoutBindings(lua_State* state);
    static int spriteLayoutBindings(lua_State* state);
    static int buttonLayoutBindings(lua_State* state);
    static int checkboxLayoutBindings(lua_State* state);
    static int layoutPositionLinearAnimationBindings(lua_State* state);
    static int layoutAnchorLinearAnimationBindings(lua_State* state);
    static int textLayoutBindings(lua_State* state);
    static int clipLayoutBindings(lua_State* state);
    static int colorLinearAnimationBindings(lua_State* state);
    static int rotationLinearAnimationBindings(lua_State* state);
    static int scrollingLayoutBindings(lua_State* state);
    static int extendedTextLayoutBindings(lua_State* state);

    // The GUI whose file runs in that state; null when none.
    static KaLuaGUI* fromState(lua_State* state);
    // Keeps the named object in the GUI's map of its kind unless the name is
    // taken there (message, object deleted, nothing for Lua); returns the
    // number of values pushed for Lua.
    template <class T>
    static int registerObject(lua_State* state, KaMap<KaString, T*> KaLuaGUI::*kind, std::unique_ptr<T> object,
        const KaString& name, const char* prefix);
    template <class Animation, class Read>
    static int animationBindings(lua_State* state, const char* prefix, KaMap<KaString, Animation*> KaLuaGUI::*kind,
        typename Animation::Setter setter, Read read);
    template <class T> static void detachLayouts(KaMap<KaString, T*>& map);
    template <class T> static void releaseLayouts(KaMap<KaString, T*>& map);
    template <class T> static void releaseAnimations(KaMap<KaString, T*>& map);

    KaLuaContext mContext;
    KaMap<KaString, KaLayout*> mLayouts;
    KaMap<KaString, KaListLayout*> mListLayouts;
    KaMap<KaString, KaSpriteLayout*> mSpriteLayouts;
    KaMap<KaString, KaButtonLayout*> mButtonLayouts;
    KaMap<KaString, KaCheckboxLayout*> mCheckboxLayouts;
    KaMap<KaString, PositionAnimation*> mLayoutPositionLinearAnimations;
    KaMap<KaString, AnchorAnimation*> mLayoutAnchorLinearAnimations;
    KaMap<KaString, KaTextLayout*> mTextLayouts;
    KaMap<KaString, KaScrollingLayout*> mScrollingLayouts;
    KaMap<KaString, KaClipLayout*> mClipLayouts;
    KaMap<KaString, ColorAnimation*> mColorLinearAnimations;
    KaMap<KaString, RotationAnimation*> mRotationLinearAnimations;
    KaMap<KaString, KaExtendedTextLayout*> mExtendedTextLayouts;
    KaPath mPath;
    bool mLoaded;
    // Every object handed to Lua and not yet released: a value read back
    // from Lua is used only when it is one of these.
    std::unordered_set<const void*> mHandedOut;
    // The names taken in each map, keyed by the map.
    std::unordered_map<const void*, std::unordered_set<std::string>> mTakenNames;
};

// Objects handed to Lua by the GUI constructors, read back at a stack index
// with a checked conversion; null for any other value or another kind.
template <class T> T KaLuaTo(lua_State* state, int index);
template <> KaI3DObject2* KaLuaTo<KaI3DObject2*>(lua_State* state, int index);
template <> KaLayout* KaLuaTo<KaLayout*>(lua_State* state, int index);
template <> KaLuaGUI* KaLuaTo<KaLuaGUI*>(lua_State* state, int index);

#endif
