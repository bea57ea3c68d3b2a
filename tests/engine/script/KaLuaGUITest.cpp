#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <lauxlib.h>
#include <lua.h>

#include "engine/core/KaCore.h"
#include "engine/core/KaILoc.h"
#include "engine/core/KaObject.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaCheckboxLayout.h"
#include "engine/gui/KaClipLayout.h"
#include "engine/gui/KaExtendedTextLayout.h"
#include "engine/gui/KaListLayout.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaScrollingLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/gui/KaTextLayout.h"
#include "engine/input/KaInputMgr.h"
#include "engine/scene/KaTiledSurface.h"
#include "engine/script/KaLuaGUI.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/graphics/KaPngTestFiles.h"
#include "tests/support/KaTestSupport.h"

namespace {

// GUI descriptions are written to a fresh folder and loaded from there; the
// console is captured so that each test can read the lines of its load.
class KaLuaGUITest : public KaGLRendererTest {
protected:
    void SetUp() override
    {
        KaGLRendererTest::SetUp();
        // The core's first use announces its language.
        KaCaptureStdout quiet;
        core.get()->language();
    }
    void TearDown() override
    {
        mGui.unload();
        KaObject::deleteNow();
        mainWindow.destroy();
        inputMgr.destroy();
        KaGLRendererTest::TearDown();
    }

    KaPath write(const std::string& name, const std::string& source)
    {
        mDir.write(name, source);
        return KaPath(mDir.file(name).c_str());
    }
    // Loads source as name into the fixture's GUI; the console text of the
    // load goes to mConsole, the result to mLoaded.
    void load(const std::string& source, const std::string& name = "screen.lua")
    {
        const KaPath path = write(name, source);
        KaCaptureStdout capture;
        mLoaded = mGui.load(path);
        mConsole = capture.text();
    }
    // Runs one more chunk of the GUI's own state through a second file, so
    // that a test can read back what Lua saw (a constructor's result).
    bool global(const char* name) { return mGui.value(name).toBoolean(); }
    float number(const char* name) { return static_cast<float>(mGui.value(name).toFloat64()); }
    std::string picture(const std::string& name, unsigned int width, unsigned int height)
    {
        const KaPngFileLayout layout = { width, height, PNG_COLOR_TYPE_RGB, 8, false };
        mDir.write(name, KaWritePng(layout));
        return mDir.file(name);
    }

    static KaString addressName(KaObject* object)
    {
        return KaString(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(object)));
    }

    KaTempDir mDir;
    KaLuaGUI mGui;
    bool mLoaded = false;
    std::string mConsole;
};

// A localisation source of one entry, registered with the core for the
// whole program (the core keeps a pointer to it).
class OneEntryLoc : public KaILoc {
public:
    OneEntryLoc()
    {
        KaILocData data;
        data.name = "greeting";
        data.value = "Bonjour";
        mTable.pushBack(data.name, data);
    }
};

void useOneEntryLoc()
{
    static OneEntryLoc loc;
    if (core.get()->loc() != &loc) {
        KaCaptureStdout quiet;
        core.get()->addLoc(loc);
    }
}

const char* const kFontMarkup = "<font file=\"/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf\" size=\"12\"/>";

bool sameVector(const KaVector3f32& a, const KaVector3f32& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
bool sameColor(const KaColor& a, const KaColor& b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

TEST_F(KaLuaGUITest, LoadReportsFilesThatCannotBeOpenedCompiledOrRun)
{
    struct Case {
        const char* what;
        bool write;
        const char* source;
        bool expected;
        const char* console;
    } cases[] = {
        { "good file", true, "KaLayout{ name = 'root' }\nkept = 1\n", true, "" },
        { "missing file", false, "", false, "can't be opened" },
        { "syntax error", true, "KaLayout{ name = 'root' \nkept = = 2\n", false, "KaLuaThread::executeFile: " },
        // A description that suspends itself never reaches its end.
        { "suspended run", true, "KaLayout{ name = 'root' }\nkept = 1\ncoroutine.yield()\nkept = 2\n", false, "" },
        { "runtime error", true, "KaLayout{ name = 'root' }\nkept = 1\nerror('boom')\nkept = 2\n", false,
            "KaLuaThread::_resume: " },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = std::string(c.what) + ".lua";
        if (c.write)
            mDir.write(name, c.source);
        KaCaptureStdout capture;
        const bool loaded = mGui.load(KaPath(mDir.file(name).c_str()));
        const std::string console = capture.text();
        EXPECT_EQ(loaded, c.expected);
        EXPECT_NE(console.find(c.console), std::string::npos) << console;
        // Loaded either way; what ran before the failure is kept.
        EXPECT_TRUE(mGui.isLoaded());
    }
    // The last case: the layout made before the error stays, the global
    // holds the value it had when the error struck.
    EXPECT_NE(mGui.layout("root"), nullptr);
    EXPECT_EQ(number("kept"), 1.0f);
}

TEST_F(KaLuaGUITest, ValuesAndTheEnumerationGlobals)
{
    load("count = 4\nmusic = 'sounds/theme.ogg'\nflag = true\nlist = {}\n"
         "enums = { Pixel, Percent, None, LetterBox, PanScan, MultiLine, SingleLine, Fixed, Proportional }\n"
         "enumText = table.concat(enums, ',')\n");
    ASSERT_TRUE(mLoaded) << mConsole;
    EXPECT_EQ(mGui.value("count").type(), KaVariant::Float64);
    EXPECT_EQ(mGui.value("count").toFloat64(), 4.0);
    EXPECT_STREQ(mGui.value("music").toString().c_str(), "sounds/theme.ogg");
    EXPECT_TRUE(global("flag"));
    EXPECT_EQ(mGui.value("list").type(), KaVariant::Invalid);
    EXPECT_EQ(mGui.value("absent").type(), KaVariant::Invalid);
    EXPECT_STREQ(mGui.value("enumText").toString().c_str(), "0,1,0,1,2,0,1,0,1");

    mGui.unload();
    EXPECT_FALSE(mGui.isLoaded());
    EXPECT_FALSE(mGui.context().isCreated());
    EXPECT_EQ(mGui.value("count").type(), KaVariant::Invalid);
}

// The layout constructors whose classes take every shared key; the clip
// layout takes all but "color".
struct LayoutKind {
    const char* constructor;
    const char* prefix;
    bool color;
    std::function<KaLayout*(KaLuaGUI&, const KaString&)> typed;
};

std::vector<LayoutKind> layoutKinds()
{
    return {
        { "KaLayout", "layoutBindings", true, [](KaLuaGUI& gui, const KaString& n) { return gui.layout(n); } },
        { "KaListLayout", "listLayoutBindings", true,
            [](KaLuaGUI& gui, const KaString& n) { return static_cast<KaLayout*>(gui.listLayout(n)); } },
        { "KaSpriteLayout", "spriteLayoutBindings", true,
            [](KaLuaGUI& gui, const KaString& n) { return static_cast<KaLayout*>(gui.spriteLayout(n)); } },
        { "KaButtonLayout", "buttonLayoutBindings", true,
            [](KaLuaGUI& gui, const KaString& n) { return static_cast<KaLayout*>(gui.buttonLayout(n)); } },
        { "KaCheckboxLayout", "checkboxLayoutBindings", true,
            [](KaLuaGUI& gui, const KaString& n) { return static_cast<KaLayout*>(gui.checkboxLayout(n)); } },
        { "KaScrollingLayout", "scrollingLayoutBindings", true,
            [](KaLuaGUI& gui, const KaString& n) { return static_cast<KaLayout*>(gui.scrollingLayout(n)); } },
        { "KaTextLayout", "textLayoutBindings", true,
            [](KaLuaGUI& gui, const KaString& n) { return dynamic_cast<KaLayout*>(gui.textLayout(n)); } },
        { "KaExtendedTextLayout", "extendedTextLayoutBindings", true,
            [](KaLuaGUI& gui, const KaString& n) { return static_cast<KaLayout*>(gui.extendedTextLayout(n)); } },
        { "KaClipLayout", "clipLayoutBindings", false,
            [](KaLuaGUI& gui, const KaString& n) { return static_cast<KaLayout*>(gui.clipLayout(n)); } },
    };
}

TEST_F(KaLuaGUITest, SharedLayoutKeysDriveTheirSetters)
{
    for (const LayoutKind& kind : layoutKinds()) {
        SCOPED_TRACE(kind.constructor);
        std::string source = std::string(kind.constructor)
            + "{ name = 'x', sizeType = Percent, size = { 0.5, 0.25 }, ratio = 2, ratioMode = LetterBox,"
              " safeAreaRatio = 1.5, anchor = { 0, 1 }, positionType = Pixel, position = { 10, 20 },"
              " visible = false, consoleNoStretch = { 'anything' }";
        if (kind.color)
            source += ", color = { 255, 0, 0, 128 }";
        source += " }\n";
        load(source);
        ASSERT_TRUE(mLoaded) << mConsole;
        EXPECT_EQ(mConsole, "");
        KaLayout* layout = kind.typed(mGui, "x");
        ASSERT_NE(layout, nullptr);
        EXPECT_EQ(layout, mGui.layout("x"));
        EXPECT_STREQ(layout->name().c_str(), "x");
        EXPECT_EQ(layout->sizeType(), KaILayout::Percent);
        // Entries left out of a vector keep the current value.
        EXPECT_TRUE(sameVector(layout->userSize(), KaVector3f32(0.5f, 0.25f, 1.0f)));
        EXPECT_EQ(layout->ratio(), 2.0f);
        EXPECT_EQ(layout->ratioMode(), KaILayout::LetterBox);
        EXPECT_EQ(layout->safeAreaRatio(), 1.5f);
        EXPECT_TRUE(sameVector(layout->anchor(), KaVector3f32(0.0f, 1.0f, 0.5f)));
        EXPECT_EQ(layout->positionType(), KaILayout::Pixel);
        EXPECT_TRUE(sameVector(layout->userPosition(), KaVector3f32(10.0f, 20.0f, 0.5f)));
        EXPECT_FALSE(layout->visible());
        if (kind.color) {
            EXPECT_TRUE(sameColor(layout->color(), KaColor(255, 0, 0, 128)));
        }
    }
}

TEST_F(KaLuaGUITest, LayoutKeyValues)
{
    struct Case {
        const char* attributes;
        const char* name;
        std::function<bool(KaLayout&)> holds;
        const char* console;
    } cases[] = {
        { "size = { 100 }", "x", [](KaLayout& l) { return sameVector(l.userSize(), KaVector3f32(100, 1, 1)); }, "" },
        { "color = { 255, 0, 0 }", "x", [](KaLayout& l) { return sameColor(l.color(), KaColor(255, 0, 0, 255)); }, "" },
        { "color = { 256, 300, 0, 0 }", "x", [](KaLayout& l) { return sameColor(l.color(), KaColor(0, 44, 0, 0)); },
            "" },
        { "color = 'red'", "x", [](KaLayout& l) { return sameColor(l.color(), KaColor(255, 255, 255, 255)); },
            "KaLuaToKaColor:: not a table" },
        { "visible = 1", "x", [](KaLayout& l) { return !l.visible(); }, "KaLuaToBool:: not a bool" },
        { "ratio = 'wide'", "x", [](KaLayout& l) { return l.ratio() == 0.0f; }, "KaLuaToF32:: not a number" },
        { "position = { 'a', 7 }", "x",
            [](KaLayout& l) { return sameVector(l.userPosition(), KaVector3f32(0.5f, 7, 0.5f)); }, "" },
        // Numbers outside an enumeration leave the setting alone.
        { "sizeType = 7, ratioMode = -1", "x",
            [](KaLayout& l) { return l.sizeType() == KaILayout::Pixel && l.ratioMode() == KaILayout::None; }, "" },
        // A number is taken as its text.
        { "visible = true", "12", [](KaLayout& l) { return l.visible(); }, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        const std::string name = std::string(c.name) == "12" ? "12" : "'" + std::string(c.name) + "'";
        load("KaLayout{ name = " + name + ", " + c.attributes + " }\n");
        KaLayout* layout = mGui.layout(c.name);
        ASSERT_NE(layout, nullptr) << mConsole;
        EXPECT_TRUE(c.holds(*layout));
        EXPECT_NE(mConsole.find(c.console), std::string::npos) << mConsole;
    }
}

struct AnyKind {
    const char* constructor;
    const char* prefix;
    std::function<const void*(KaLuaGUI&, const KaString&)> find;
};

std::vector<AnyKind> allKinds()
{
    std::vector<AnyKind> kinds;
    for (const LayoutKind& kind : layoutKinds()) {
        std::function<KaLayout*(KaLuaGUI&, const KaString&)> typed = kind.typed;
        kinds.push_back({ kind.constructor, kind.prefix,
            [typed](KaLuaGUI& gui, const KaString& n) { return static_cast<const void*>(typed(gui, n)); } });
    }
    kinds.push_back({ "KaLayoutPositionLinearAnimation", "layoutPositionLinearAnimationBindings",
        [](KaLuaGUI& gui, const KaString& n) {
            return static_cast<const void*>(gui.layoutPositionLinearAnimation(n));
        } });
    kinds.push_back(
        { "KaLayoutAnchorLinearAnimation", "layoutAnchorLinearAnimationBindings", [](KaLuaGUI& gui, const KaString& n) {
             return static_cast<const void*>(gui.layoutAnchorLinearAnimation(n));
         } });
    kinds.push_back({ "KaColorLinearAnimation", "colorLinearAnimationBindings",
        [](KaLuaGUI& gui, const KaString& n) { return static_cast<const void*>(gui.colorLinearAnimation(n)); } });
    kinds.push_back({ "KaRotationLinearAnimation", "rotationLinearAnimationBindings",
        [](KaLuaGUI& gui, const KaString& n) { return static_cast<const void*>(gui.rotationLinearAnimation(n)); } });
    return kinds;
}

TEST_F(KaLuaGUITest, EveryConstructorReportsBadTablesUnknownKeysAndDuplicates)
{
    for (const AnyKind& kind : allKinds()) {
        SCOPED_TRACE(kind.constructor);
        const std::string c = kind.constructor;
        load("notTable = (" + c
            + "('text') == nil)\n"
              "first = "
            + c
            + "{ name = 'u', misspelt = 1 }\n"
              "second = "
            + c
            + "{ name = 'u' }\n"
              "refused = (first ~= nil and second == nil)\n"
              "otherName = ("
            + c + "{ name = 'v' } ~= nil)\n");
        ASSERT_TRUE(mLoaded) << mConsole;
        const std::string prefix = kind.prefix;
        EXPECT_EQ(mConsole,
            prefix + ":: the lua value is not a table\n" + "[KaLuaGUI." + prefix
                + "] Unreconized attribute : misspelt\n" + prefix + ":: multiple objects with name u\n");
        EXPECT_TRUE(global("notTable"));
        EXPECT_TRUE(global("refused"));
        EXPECT_TRUE(global("otherName"));
        EXPECT_NE(kind.find(mGui, "u"), nullptr);
        EXPECT_NE(kind.find(mGui, "v"), nullptr);
    }
}

TEST_F(KaLuaGUITest, ClipLayoutRefusesColour)
{
    load("KaClipLayout{ name = 'c', color = { 1, 2, 3 } }\n");
    EXPECT_EQ(mConsole, "[KaLuaGUI.clipLayoutBindings] Unreconized attribute : color\n");
    ASSERT_NE(mGui.clipLayout("c"), nullptr);
    EXPECT_TRUE(sameColor(mGui.clipLayout("c")->color(), KaColor(255, 255, 255, 255)));
}

TEST_F(KaLuaGUITest, DuplicateButtonKeepsTheFirstAndItsParentGetsNil)
{
    load("first = KaButtonLayout{ name = 'ok', enable = false }\n"
         "root = KaLayout{ name = 'root', KaLayout{ name = 'a' }, KaButtonLayout{ name = 'ok' }, KaLayout{ name = 'b' "
         "} }\n"
         "-- a button and a plain layout may share a name\n"
         "KaLayout{ name = 'ok' }\n");
    EXPECT_EQ(mConsole, "buttonLayoutBindings:: multiple objects with name ok\n");
    ASSERT_NE(mGui.buttonLayout("ok"), nullptr);
    EXPECT_EQ(mGui.buttonLayout("ok")->state(), KaButtonLayout::Disabled);
    // The plain layout comes first in the search by name.
    EXPECT_NE(mGui.layout("ok"), static_cast<KaLayout*>(mGui.buttonLayout("ok")));
    // The refused button is a nil in the parent's table: the parent has the
    // children on either side of it only.
    KaLayout* root = mGui.layout("root");
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->childCount(), 2u);
    EXPECT_EQ(root->child(0), static_cast<KaI3DObject2*>(mGui.layout("a")));
    EXPECT_EQ(root->child(1), static_cast<KaI3DObject2*>(mGui.layout("b")));
}

TEST_F(KaLuaGUITest, UnnamedObjectsAreNamedByTheirAddress)
{
    load("KaLayout{ name = 'root', KaLayout{}, KaLayout{}, KaSpriteLayout{}, KaButtonLayout{} }\n"
         "KaColorLinearAnimation{}\nKaColorLinearAnimation{}\n");
    ASSERT_TRUE(mLoaded) << mConsole;
    EXPECT_EQ(mConsole, "");
    KaLayout* root = mGui.layout("root");
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->childCount(), 4u);
    std::vector<std::string> names;
    for (unsigned long i = 0; i < root->childCount(); ++i) {
        KaLayout* child = dynamic_cast<KaLayout*>(root->child(i));
        ASSERT_NE(child, nullptr);
        const KaString name = addressName(static_cast<KaObject*>(child));
        EXPECT_EQ(child->name(), name);
        EXPECT_EQ(mGui.layout(name), child);
        for (const std::string& other : names)
            EXPECT_NE(other, name.c_str());
        names.push_back(name.c_str());
    }
}
TEST_F(KaLuaGUITest, ArrayEntriesBecomeChildrenAndOtherValuesAreSkipped)
{
    // Only objects a constructor made are taken: numbers, strings, tables,
    // animations and the GUI's own registry pointer are not children.
    load("anim = KaColorLinearAnimation{ name = 'fade' }\n"
         "KaLayout{ name = 'root', KaLayout{ name = 'a' }, 5, 'text', {}, anim,"
         "  debug.getregistry().__KaLuaGUIThis, KaClipLayout{ name = 'b' }, true }\n"
         "KaListLayout{ name = 'list', KaLayout{ name = 'c' } }\n");
    ASSERT_TRUE(mLoaded) << mConsole;
    EXPECT_EQ(mConsole, "");
    KaLayout* root = mGui.layout("root");
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->childCount(), 2u);
    EXPECT_EQ(root->child(0), static_cast<KaI3DObject2*>(mGui.layout("a")));
    EXPECT_EQ(root->child(1), static_cast<KaI3DObject2*>(mGui.clipLayout("b")));
    EXPECT_EQ(mGui.layout("a")->parent(), static_cast<KaI3DObject2*>(root));
    ASSERT_EQ(mGui.listLayout("list")->childCount(), 1u);
    // Nothing is attached outside the file's own tree.
    EXPECT_EQ(root->parent(), nullptr);

    // A light userdata that no constructor made (here one of the host's own)
    // is no child either.
    lua_State* state = mGui.context().luaState();
    lua_register(state, "foreign", [](lua_State* s) {
        static int notAnObject = 0;
        lua_pushlightuserdata(s, &notAnObject);
        return 1;
    });
    ASSERT_EQ(luaL_dostring(state,
                  "KaLayout{ name = 'late', foreign(), KaLayout{ name = 'd' } }\n"
                  "KaButtonLayout{ name = 'button', upLayout = foreign() }"),
        LUA_OK);
    ASSERT_NE(mGui.layout("late"), nullptr);
    ASSERT_EQ(mGui.layout("late")->childCount(), 1u);
    EXPECT_EQ(mGui.layout("late")->child(0), static_cast<KaI3DObject2*>(mGui.layout("d")));
    EXPECT_EQ(mGui.buttonLayout("button")->upLayout(), nullptr);
}

TEST_F(KaLuaGUITest, AnObjectListedTwiceIsAChildOnceOfItsLastParent)
{
    load("s = KaLayout{ name = 's' }\n"
         "KaLayout{ name = 'p', s, s }\n"
         "KaLayout{ name = 'q', s }\n");
    KaLayout* s = mGui.layout("s");
    EXPECT_EQ(s->parent(), static_cast<KaI3DObject2*>(mGui.layout("q")));
    EXPECT_EQ(mGui.layout("p")->childCount(), 0u);
    EXPECT_EQ(mGui.layout("q")->childCount(), 1u);
    // Released in any order, no parent keeps a stale child.
    mGui.unload();
    KaObject::deleteNow();
}

TEST_F(KaLuaGUITest, ButtonKeys)
{
    load("up = KaSpriteLayout{ name = 'up', size = { 40, 20 } }\n"
         "down = KaLayout{ name = 'down' }\n"
         "KaButtonLayout{ name = 'b', upLayout = up, downLayout = down, disabledLayout = KaLayout{ name = 'off' },"
         "  rollOverLayout = KaLayout{ name = 'over' }, hitZone = KaLayout{ name = 'zone' },"
         "  clickPassThrough = true, validationSound = 'sounds/click.wav', validationSoundVolume = 0.5,"
         "  up, down, KaLayout{ name = 'label' } }\n"
         "KaButtonLayout{ name = 'disabled', enable = false, upLayout = 3 }\n");
    ASSERT_TRUE(mLoaded) << mConsole;
    EXPECT_EQ(mConsole, "");
    KaButtonLayout* b = mGui.buttonLayout("b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->upLayout(), mGui.layout("up"));
    EXPECT_EQ(b->downLayout(), mGui.layout("down"));
    EXPECT_EQ(b->disabledLayout(), mGui.layout("off"));
    EXPECT_EQ(b->rollOverLayout(), mGui.layout("over"));
    EXPECT_EQ(b->hitZone(), mGui.layout("zone"));
    EXPECT_TRUE(b->clickPassThrough());
    EXPECT_STREQ(b->validationSound().c_str(), "sounds/click.wav");
    EXPECT_EQ(b->validationSoundVolume(), 0.5f);
    // The up layout sized the button; the state layouts listed again as
    // array entries are children once.
    EXPECT_EQ(b->userSize().x, 40.0f);
    EXPECT_EQ(b->childCount(), 6u);
    EXPECT_EQ(b->child(b->childCount() - 1), static_cast<KaI3DObject2*>(mGui.layout("label")));
    EXPECT_EQ(b->state(), KaButtonLayout::Up);

    KaButtonLayout* disabled = mGui.buttonLayout("disabled");
    ASSERT_NE(disabled, nullptr);
    EXPECT_EQ(disabled->state(), KaButtonLayout::Disabled);
    // A reference that is no layout is skipped.
    EXPECT_EQ(disabled->upLayout(), nullptr);
    EXPECT_EQ(disabled->childCount(), 0u);
}

TEST_F(KaLuaGUITest, CheckboxKeys)
{
    load("on = KaLayout{ name = 'on' }\n"
         "KaCheckboxLayout{ name = 'c', on, activeLayout = on, unactiveLayout = KaLayout{ name = 'off' },"
         "  activeDisabledLayout = KaLayout{ name = 'onD' }, unactiveDisabledLayout = KaLayout{ name = 'offD' },"
         "  activeRollOverLayout = KaLayout{ name = 'onR' }, unactiveRollOverLayout = KaLayout{ name = 'offR' },"
         "  hitZone = KaLayout{ name = 'zone' }, clickPassThrough = true,"
         "  activationSound = 'a.wav', unactivationSound = 'b.wav' }\n");
    ASSERT_TRUE(mLoaded) << mConsole;
    EXPECT_EQ(mConsole, "");
    KaCheckboxLayout* c = mGui.checkboxLayout("c");
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->clickPassThrough());
    EXPECT_EQ(c->childCount(), 7u);
    const char* names[] = { "on", "off", "onD", "offD", "onR", "offR", "zone" };
    for (const char* name : names)
        EXPECT_EQ(mGui.layout(name)->parent(), static_cast<KaI3DObject2*>(c)) << name;
    // Each state shows its own layout.
    const struct {
        KaCheckboxLayout::State state;
        const char* shown;
    } states[] = { { KaCheckboxLayout::Active, "on" }, { KaCheckboxLayout::Unactive, "off" },
        { KaCheckboxLayout::ActiveDisabled, "onD" }, { KaCheckboxLayout::UnactiveDisabled, "offD" },
        { KaCheckboxLayout::ActiveRollOver, "onR" }, { KaCheckboxLayout::UnactiveRollOver, "offR" } };
    for (const auto& s : states) {
        c->setState(s.state);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(mGui.layout(names[i])->visible(), names[i] == s.shown) << s.shown << " " << names[i];
    }
}

TEST_F(KaLuaGUITest, ListKeysDefaultToTheListsCurrentValues)
{
    load("KaListLayout{ name = 'l', direction = { 1, 0 }, minimumMargin = { 0.1 }, maximumMargin = { nil, 0.3 } }\n");
    ASSERT_TRUE(mLoaded) << mConsole;
    KaListLayout fresh;
    KaListLayout* l = mGui.listLayout("l");
    ASSERT_NE(l, nullptr);
    EXPECT_TRUE(sameVector(l->direction(), KaVector3f32(1, 0, fresh.direction().z)));
    EXPECT_TRUE(sameVector(l->minimumMargin(), KaVector3f32(0.1f, fresh.minimumMargin().y, fresh.minimumMargin().z)));
    EXPECT_TRUE(sameVector(l->maximumMargin(), KaVector3f32(fresh.maximumMargin().x, 0.3f, fresh.maximumMargin().z)));
}

TEST_F(KaLuaGUITest, SpriteImageIsReadRelativeToTheDescription)
{
    picture("menus/pic.png", 8, 4);
    const std::string elsewhere = picture("other.png", 6, 6);
    const KaPath path = write("menus/screen.lua",
        "KaSpriteLayout{ name = 'local', image = './pic.png', leftCropping = 0.25, rightCropping = 0.125,"
        "  topCropping = 0.5, bottomCropping = 0.0625, loopCount = 3, reversed = true }\n"
        "KaSpriteLayout{ name = 'absolute', image = '"
            + elsewhere
            + "', loopCount = -1 }\n"
              "KaSpriteLayout{ name = 'empty', play = true }\n");
    KaCaptureStdout capture;
    EXPECT_TRUE(mGui.load(path));
    EXPECT_EQ(capture.text(), "");

    KaSpriteLayout* local = mGui.spriteLayout("local");
    ASSERT_NE(local, nullptr);
    EXPECT_STREQ(local->surface().path().c_str(), mDir.file("menus/pic.png").c_str());
    EXPECT_TRUE(local->surface().isLoaded());
    EXPECT_EQ(local->xSize(), 8.0f);
    EXPECT_EQ(local->surface().leftCropping(), 0.25f);
    EXPECT_EQ(local->surface().rightCropping(), 0.125f);
    EXPECT_EQ(local->surface().topCropping(), 0.5f);
    EXPECT_EQ(local->surface().bottomCropping(), 0.0625f);
    EXPECT_EQ(local->surface().frameAnim().repeatCount(), 3u);
    EXPECT_TRUE(local->surface().frameAnim().reversed());

    KaSpriteLayout* absolute = mGui.spriteLayout("absolute");
    ASSERT_NE(absolute, nullptr);
    EXPECT_STREQ(absolute->surface().path().c_str(), elsewhere.c_str());
    EXPECT_EQ(absolute->surface().frameAnim().repeatCount(), KaAnimation::mEndless);

    // Playing a sprite without a picture does nothing and sets no range.
    KaSpriteLayout* empty = mGui.spriteLayout("empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->surface().codec(), nullptr);
    EXPECT_EQ(empty->surface().frameAnim().startTime(), 0.0);
    EXPECT_EQ(empty->surface().frameAnim().endTime(), DBL_MAX);
}

TEST_F(KaLuaGUITest, SpriteFrameRangeAndPlay)
{
    // Numbered pictures at 10 frames per second.
    picture("clip.anim/0-10.png", 4, 4);
    for (int i = 1; i < 4; ++i)
        picture("clip.anim/" + std::to_string(i) + ".png", 4, 4);
    const std::string clip = mDir.file("clip.anim");
    const double noEnd = static_cast<double>(FLT_MAX) * 1000.0;
    struct Case {
        const char* attributes;
        bool playing;
        double start;
        double end;
    } cases[] = {
        { "", false, 0.0, noEnd },
        { "play = true, startingFrame = 5, endingFrame = 20", true, 500000.0, 2000000.0 },
        { "play = false, startingFrame = 1", false, 100000.0, noEnd },
        // -1 reads as the largest unsigned number: a finite end.
        { "endingFrame = -1", false, 0.0, static_cast<double>(4294967295.0f / 10.0f * 1000.0f) * 1000.0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        load("KaSpriteLayout{ name = 's', image = '" + clip + "', " + c.attributes + " }\n");
        KaSpriteLayout* sprite = mGui.spriteLayout("s");
        ASSERT_NE(sprite, nullptr) << mConsole;
        ASSERT_NE(sprite->surface().codec(), nullptr) << mConsole;
        EXPECT_EQ(sprite->surface().frameAnim().isRunning(), c.playing);
        EXPECT_EQ(sprite->surface().frameAnim().startTime(), c.start);
        EXPECT_EQ(sprite->surface().frameAnim().endTime(), c.end);
    }
}

TEST_F(KaLuaGUITest, AnimationKeysAndTheSetterOfEachKind)
{
    load("target = KaLayout{ name = 't', positionType = Pixel }\n"
         "KaLayoutPositionLinearAnimation{ name = 'p', layout = target, duration = 250, startValue = { 1, 2 },"
         "  endValue = { 30, 40, 50 }, curve = { 0, 1 } }\n"
         "KaLayoutAnchorLinearAnimation{ name = 'a', duration = 100, endValue = { 0, 1 }, curve = { 0, 1 } }\n"
         "KaColorLinearAnimation{ name = 'c', duration = 100, startValue = { 0, 0, 0, 0 }, endValue = { 10, 20 },"
         "  curve = { 0, 1 }, 7 }\n"
         "KaRotationLinearAnimation{ name = 'r', duration = 100, endValue = { 0, 0, 1, 90 }, curve = { 0, 1 } }\n"
         "KaRotationLinearAnimation{ name = 'noAngle', startValue = { 0, 1, 0 } }\n");
    ASSERT_TRUE(mLoaded) << mConsole;
    EXPECT_EQ(mConsole, "");
    KaLayout* target = mGui.layout("t");

    KaLuaGUI::PositionAnimation* p = mGui.layoutPositionLinearAnimation("p");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->mDuration, 250.0f);
    EXPECT_TRUE(sameVector(p->mStartValue, KaVector3f32(1, 2, 0)));
    EXPECT_TRUE(sameVector(p->mEndValue, KaVector3f32(30, 40, 50)));
    // "layout" is accepted but the animation has no target until the code
    // that uses it gives one.
    EXPECT_EQ(p->mTarget, nullptr);
    EXPECT_FALSE(p->isRunning());
    p->mTarget = target;
    p->update(250.0);
    EXPECT_EQ(target->userPosition().x, 30.0f);
    EXPECT_EQ(target->userPosition().y, 40.0f);

    KaLuaGUI::AnchorAnimation* a = mGui.layoutAnchorLinearAnimation("a");
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(sameVector(a->mStartValue, KaVector3f32(0, 0, 0)));
    a->mTarget = target;
    a->update(100.0);
    EXPECT_TRUE(sameVector(target->anchor(), KaVector3f32(0, 1, 0)));

    KaLuaGUI::ColorAnimation* c = mGui.colorLinearAnimation("c");
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(sameColor(c->mStartValue, KaColor(0, 0, 0, 0)));
    EXPECT_TRUE(sameColor(c->mEndValue, KaColor(10, 20, 255, 255)));
    c->mTarget = target;
    c->update(100.0);
    EXPECT_TRUE(sameColor(target->color(), KaColor(10, 20, 255, 255)));

    KaLuaGUI::RotationAnimation* r = mGui.rotationLinearAnimation("r");
    ASSERT_NE(r, nullptr);
    const KaQuaternion quarter = KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 0, 1), 90.0f * 3.1415927f / 180.0f);
    EXPECT_FLOAT_EQ(r->mEndValue.z, quarter.z);
    EXPECT_FLOAT_EQ(r->mEndValue.w, quarter.w);
    r->mTarget = target;
    r->update(100.0);
    EXPECT_NEAR(target->rotation().z, quarter.z, 1e-5);
    EXPECT_NEAR(target->rotation().w, quarter.w, 1e-5);

    // Without an angle the start stays the identity.
    KaLuaGUI::RotationAnimation* noAngle = mGui.rotationLinearAnimation("noAngle");
    ASSERT_NE(noAngle, nullptr);
    EXPECT_EQ(noAngle->mStartValue.w, 1.0f);
    EXPECT_EQ(noAngle->mStartValue.y, 0.0f);
}

TEST_F(KaLuaGUITest, LookupsByNameAndKind)
{
    load("KaButtonLayout{ name = 'shared' }\nKaSpriteLayout{ name = 'shared' }\n"
         "KaSpriteLayout{ name = 'sprite' }\nKaCheckboxLayout{ name = 'box' }\nKaListLayout{ name = 'list' }\n"
         "KaClipLayout{ name = 'clip' }\nKaLayout{ name = 'plain' }\nKaScrollingLayout{ name = 'scroll' }\n"
         "KaTextLayout{ name = 'text' }\nKaExtendedTextLayout{ name = 'text' }\nKaExtendedTextLayout{ name = 'long' }\n"
         "KaColorLinearAnimation{ name = 'fade' }\nKaLayoutPositionLinearAnimation{ name = 'slide' }\n");
    ASSERT_TRUE(mLoaded) << mConsole;
    // A button comes before a sprite of the same name.
    EXPECT_EQ(mGui.layout("shared"), static_cast<KaLayout*>(mGui.buttonLayout("shared")));
    EXPECT_NE(mGui.spriteLayout("shared"), nullptr);
    EXPECT_EQ(mGui.layout("sprite"), static_cast<KaLayout*>(mGui.spriteLayout("sprite")));
    EXPECT_EQ(mGui.layout("box"), static_cast<KaLayout*>(mGui.checkboxLayout("box")));
    EXPECT_EQ(mGui.layout("list"), static_cast<KaLayout*>(mGui.listLayout("list")));
    EXPECT_EQ(mGui.layout("clip"), static_cast<KaLayout*>(mGui.clipLayout("clip")));
    EXPECT_EQ(mGui.layout("scroll"), static_cast<KaLayout*>(mGui.scrollingLayout("scroll")));
    EXPECT_EQ(mGui.layout("text"), dynamic_cast<KaLayout*>(mGui.textLayout("text")));
    EXPECT_NE(mGui.layout("text"), nullptr);
    EXPECT_EQ(mGui.textLayout("plain"), nullptr);
    // A plain text comes before an extended one of the same name; an
    // extended text is found as a text and as a layout.
    EXPECT_NE(mGui.textLayout("text"), static_cast<KaITextLayout*>(mGui.extendedTextLayout("text")));
    EXPECT_EQ(mGui.textLayout("long"), static_cast<KaITextLayout*>(mGui.extendedTextLayout("long")));
    EXPECT_EQ(mGui.layout("long"), static_cast<KaLayout*>(mGui.extendedTextLayout("long")));
    EXPECT_NE(mGui.layout("plain"), nullptr);
    // Animations are never layouts; the typed lookups look in one kind only.
    EXPECT_EQ(mGui.layout("fade"), nullptr);
    EXPECT_EQ(mGui.layout("slide"), nullptr);
    EXPECT_EQ(mGui.buttonLayout("sprite"), nullptr);
    EXPECT_EQ(mGui.spriteLayout("box"), nullptr);
    EXPECT_EQ(mGui.colorLinearAnimation("slide"), nullptr);
    EXPECT_EQ(mGui.layoutPositionLinearAnimation("fade"), nullptr);
    EXPECT_EQ(mGui.layout("absent"), nullptr);
}

TEST_F(KaLuaGUITest, UnloadHidesAtOnceAndDeletesAtTheEndOfTheFrame)
{
    picture("pic.png", 4, 4);
    load("KaLayout{ name = 'root', KaSpriteLayout{ name = 'pic', image = './pic.png' },"
         "  KaButtonLayout{ name = 'ok' }, KaTextLayout{ name = 'label' }, KaExtendedTextLayout{ name = 'story' },"
         "  KaScrollingLayout{ name = 'view', contentLayout = KaListLayout{ name = 'items' } } }\n"
         "KaColorLinearAnimation{ name = 'fade', duration = 1000, curve = { 0, 1 } }\n");
    ASSERT_TRUE(mLoaded) << mConsole;
    KaLayout* root = mGui.layout("root");
    KaSpriteLayout* pic = mGui.spriteLayout("pic");
    KaButtonLayout* ok = mGui.buttonLayout("ok");
    KaLuaGUI::ColorAnimation* fade = mGui.colorLinearAnimation("fade");
    fade->play();
    mainWindow.get()->addChild(root);
    ASSERT_TRUE(pic->surface().isLoaded());

    // A button handler may unload the GUI that holds the button.
    struct Unloader {
        KaLuaGUI* gui;
        bool onValidated()
        {
            gui->unload();
            return false;
        }
    } unloader = { &mGui };
    ok->onMouseClickValidated.add(&unloader, &Unloader::onValidated);
    const unsigned long pending = KaObject::pendingDeleteCount();
    ok->onMouseClickValidated.call();

    EXPECT_FALSE(mGui.isLoaded());
    EXPECT_FALSE(mGui.context().isCreated());
    EXPECT_EQ(mGui.layout("root"), nullptr);
    EXPECT_EQ(mGui.colorLinearAnimation("fade"), nullptr);
    // Still alive until the end of the frame: hidden, picture released,
    // animation stopped.
    EXPECT_EQ(KaObject::pendingDeleteCount(), pending + 8);
    EXPECT_FALSE(root->visible());
    EXPECT_FALSE(ok->visible());
    EXPECT_FALSE(pic->surface().isLoaded());
    EXPECT_FALSE(fade->isRunning());
    KaObject::deleteNow();
    EXPECT_EQ(KaObject::pendingDeleteCount(), 0u);
    EXPECT_EQ(mainWindow.get()->childCount(), 0u);
}

TEST_F(KaLuaGUITest, ReloadKeepsOnlyTheSecondRunsObjects)
{
    load("KaLayout{ name = 'a' }\nKaButtonLayout{ name = 'b' }\n");
    KaLayout* firstA = mGui.layout("a");
    ASSERT_NE(firstA, nullptr);
    const std::string source = "KaLayout{ name = 'a' }\nKaLayout{ name = 'c' }\nn = (n or 0) + 1\n";
    load(source);
    ASSERT_TRUE(mLoaded) << mConsole;
    // A new state: the second run saw no global of the first.
    EXPECT_EQ(number("n"), 1.0f);
    EXPECT_FALSE(firstA->visible());
    EXPECT_NE(mGui.layout("a"), nullptr);
    EXPECT_TRUE(mGui.layout("a")->visible());
    EXPECT_EQ(mGui.buttonLayout("b"), nullptr);
    EXPECT_NE(mGui.layout("c"), nullptr);
    KaObject::deleteNow();
    EXPECT_TRUE(mGui.layout("a")->visible());
}

TEST_F(KaLuaGUITest, MissingFileFallsBackToTheLanguageFolderWhenFlagsAreOff)
{
    ASSERT_FALSE(core.get()->flagsOn());
    const KaString language = core.get()->language();
    {
        KaCaptureStdout quiet;
        core.get()->language("fr");
    }
    mDir.write("fr/menu.lua", "which = 'fr'\n");
    mDir.write("en/menu.lua", "which = 'en'\n");
    mDir.write("en/help.lua", "which = 'en'\n");
    struct Case {
        const char* file;
        const char* which;
    } cases[] = { { "menu.lua", "fr" }, { "help.lua", "en" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        KaCaptureStdout quiet;
        EXPECT_TRUE(mGui.load(KaPath(mDir.file(c.file).c_str())));
        EXPECT_STREQ(mGui.value("which").toString().c_str(), c.which);
        // The path given is the one kept.
        EXPECT_STREQ(mGui.path().c_str(), mDir.file(c.file).c_str());
    }
    mDir.write("menu.lua", "which = 'top'\n");
    EXPECT_TRUE(mGui.load(KaPath(mDir.file("menu.lua").c_str())));
    EXPECT_STREQ(mGui.value("which").toString().c_str(), "top");
    KaCaptureStdout quiet;
    core.get()->language(language);
}

bool sameCurve(const KaArray<float>& curve, std::vector<float> expected)
{
    if (curve.size() != expected.size())
        return false;
    for (unsigned long i = 0; i < curve.size(); ++i) {
        if (curve[i] != expected[i])
            return false;
    }
    return true;
}

TEST_F(KaLuaGUITest, ScrollingKeys)
{
    struct Case {
        const char* attribute;
        std::function<bool(KaScrollingLayout&)> holds;
    } cases[] = {
        { "direction = { 1 }",
            [](KaScrollingLayout& l) {
                KaScrollingLayout fresh;
                return sameVector(l.direction(), KaVector3f32(1, fresh.direction().y, fresh.direction().z));
            } },
        { "enclose = true", [](KaScrollingLayout& l) { return l.enclose(); } },
        { "enclose = false", [](KaScrollingLayout& l) { return !l.enclose(); } },
        { "mouseControl = false", [](KaScrollingLayout& l) { return !l.mouseControl(); } },
        { "mouseControl = true", [](KaScrollingLayout& l) { return l.mouseControl(); } },
        { "inertiaAnimationDuration = 750", [](KaScrollingLayout& l) { return l.inertiaAnimationDuration() == 750u; } },
        { "inertiaAnimationCurve = { 0, 0.5, 1 }",
            [](KaScrollingLayout& l) {
                return sameCurve(l.inertiaAnimationCurve(), { 0.0f, 0.5f, 1.0f });
            } },
        { "autoScrollLoop = -1", [](KaScrollingLayout& l) { return l.autoScrollLoop() == -1; } },
        { "autoScrollDelay = 3000", [](KaScrollingLayout& l) { return l.autoScrollDelay() == 3000u; } },
        { "autoScrollAnimation1Enabled = true", [](KaScrollingLayout& l) { return l.autoScrollAnimation1Enabled(); } },
        { "autoScrollAnimation2Enabled = true", [](KaScrollingLayout& l) { return l.autoScrollAnimation2Enabled(); } },
        { "autoScrollAnimation1Delay = 11", [](KaScrollingLayout& l) { return l.autoScrollAnimation1Delay() == 11u; } },
        { "autoScrollAnimation2Delay = 12", [](KaScrollingLayout& l) { return l.autoScrollAnimation2Delay() == 12u; } },
        { "autoScrollAnimation1Speed = 0.25",
            [](KaScrollingLayout& l) { return l.autoScrollAnimation1Speed() == 0.25f; } },
        { "autoScrollAnimation2Speed = 0.5",
            [](KaScrollingLayout& l) { return l.autoScrollAnimation2Speed() == 0.5f; } },
        { "autoScrollAnimation1Curve = { 0, 1 }",
            [](KaScrollingLayout& l) {
                return sameCurve(l.autoScrollAnimation1Curve(), { 0.0f, 1.0f });
            } },
        { "autoScrollAnimation2Curve = { 1, 0.5 }",
            [](KaScrollingLayout& l) {
                return sameCurve(l.autoScrollAnimation2Curve(), { 1.0f, 0.5f });
            } },
        // Anything but a layout leaves the view without content.
        { "contentLayout = 'text'", [](KaScrollingLayout& l) { return l.contentLayout() == nullptr; } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attribute);
        load(std::string("KaScrollingLayout{ name = 's', ") + c.attribute + " }\n");
        ASSERT_NE(mGui.scrollingLayout("s"), nullptr) << mConsole;
        EXPECT_EQ(mConsole, "");
        EXPECT_TRUE(c.holds(*mGui.scrollingLayout("s")));
    }

    // The content listed again among the children is a child once, under
    // the view's own slide button.
    load("content = KaListLayout{ name = 'content', positionType = Percent }\n"
         "KaScrollingLayout{ name = 's', content, contentLayout = content, KaLayout{ name = 'frame' } }\n");
    KaScrollingLayout* s = mGui.scrollingLayout("s");
    ASSERT_NE(s, nullptr) << mConsole;
    EXPECT_EQ(s->contentLayout(), static_cast<KaLayout*>(mGui.listLayout("content")));
    unsigned long contents = 0;
    for (unsigned long i = 0; i < s->childCount(); ++i)
        contents += s->child(i) == static_cast<KaI3DObject2*>(mGui.listLayout("content")) ? 1 : 0;
    EXPECT_EQ(contents, 1u);
    EXPECT_LT(s->childIndex(mGui.listLayout("content")), s->childIndex(&s->slideButton()));
    EXPECT_EQ(mGui.layout("frame")->parent(), static_cast<KaI3DObject2*>(s));
}

TEST_F(KaLuaGUITest, AnErrorRaisedWhileATableIsReadLeavesNothingBehind)
{
    // The value's metamethod raises in the middle of the constructor: the
    // half-built layout goes (the leak check would see it), the run fails.
    load("KaLayout{ name = 'before' }\n"
         "KaLayout{ name = 'broken', KaLayout{ name = 'child' },"
         "  size = setmetatable({}, { __index = function() error('bad size') end }) }\n");
    EXPECT_FALSE(mLoaded);
    EXPECT_NE(mConsole.find("bad size"), std::string::npos) << mConsole;
    EXPECT_NE(mGui.layout("before"), nullptr);
    EXPECT_EQ(mGui.layout("broken"), nullptr);
    ASSERT_NE(mGui.layout("child"), nullptr);
    EXPECT_EQ(mGui.layout("child")->parent(), nullptr);
}

float interLineOf(KaITextLayout& text)
{
    if (KaExtendedTextLayout* extended = dynamic_cast<KaExtendedTextLayout*>(&text))
        return extended->textLayout().textBase().interLine();
    return dynamic_cast<KaTextLayout&>(text).textBase().interLine();
}

// What the text keys do, on both text constructors.
struct TextCase {
    std::string attribute;
    std::function<bool(KaITextLayout&)> holds;
};

std::vector<TextCase> textCases()
{
    const std::string font = kFontMarkup;
    return {
        { "text = '" + font + "hello'", [](KaITextLayout& t) { return t.text() == "hello"; } },
        { "text = '" + font + "$(greeting) !'", [](KaITextLayout& t) { return t.text() == "Bonjour !"; } },
        { "interLine = 3", [](KaITextLayout& t) { return interLineOf(t) == 3.0f; } },
        { "interline = 4", [](KaITextLayout& t) { return interLineOf(t) == 4.0f; } },
        { "wrapMode = SingleLine", [](KaITextLayout& t) { return t.wrapMode() == KaITextLayout::SingleLine; } },
        { "wrapMode = MultiLine", [](KaITextLayout& t) { return t.wrapMode() == KaITextLayout::MultiLine; } },
        { "textSizeType = Proportional",
            [](KaITextLayout& t) { return t.textSizeType() == KaITextLayout::Proportional; } },
        { "textSizeProportionalToWidth = 1024",
            [](KaITextLayout& t) { return t.textSizeProportionalToWidth() == 1024u; } },
    };
}

TEST_F(KaLuaGUITest, TextKeys)
{
    useOneEntryLoc();
    for (const char* constructor : { "KaTextLayout", "KaExtendedTextLayout" }) {
        for (const TextCase& c : textCases()) {
            SCOPED_TRACE(std::string(constructor) + " " + c.attribute);
            load(std::string(constructor) + "{ name = 't', sizeType = Pixel, size = { 200, 20 }, " + c.attribute
                + " }\n");
            ASSERT_NE(mGui.textLayout("t"), nullptr) << mConsole;
            EXPECT_EQ(mConsole, "");
            EXPECT_TRUE(c.holds(*mGui.textLayout("t")));
        }
    }
    // The extended text's own keys; the plain text does not take them.
    load("KaExtendedTextLayout{ name = 'e', autoScrollDelay = 1500, autoScrollSpeed = 0.5 }\n"
         "KaTextLayout{ name = 't', autoScrollDelay = 1500 }\n");
    ASSERT_NE(mGui.extendedTextLayout("e"), nullptr);
    EXPECT_EQ(mGui.extendedTextLayout("e")->autoScrollDelay(), 1500u);
    EXPECT_EQ(mGui.extendedTextLayout("e")->autoScrollSpeed(), 0.5f);
    EXPECT_EQ(mConsole, "[KaLuaGUI.textLayoutBindings] Unreconized attribute : autoScrollDelay\n");
}

TEST_F(KaLuaGUITest, ButtonsOfAListAreReleasedInAnyOrder)
{
    // The end of the frame destroys the released objects one by one: a
    // state layout must not go while its button, still in a list that lays
    // it out again, keeps showing and hiding it.
    load("local items = { name = 'list' }\n"
         "for i = 1, 3 do\n"
         "  local up = KaLayout{ name = 'up' .. i, size = { 10, 10 } }\n"
         "  local down = KaLayout{ name = 'down' .. i }\n"
         "  items[i] = KaButtonLayout{ name = 'b' .. i, upLayout = up, downLayout = down, up, down,"
         "    KaLayout{ name = 'label' .. i } }\n"
         "end\n"
         "KaListLayout(items)\n");
    ASSERT_TRUE(mLoaded) << mConsole;
    ASSERT_EQ(mGui.listLayout("list")->childCount(), 3u);
    mGui.unload();
    KaObject::deleteNow();
    EXPECT_EQ(KaObject::pendingDeleteCount(), 0u);
}

TEST_F(KaLuaGUITest, ObjectsReadBackFromLuaByKind)
{
    load("layout = KaLayout{ name = 'l' }\nbutton = KaButtonLayout{ name = 'b' }\n"
         "fade = KaColorLinearAnimation{ name = 'f' }\nnumber = 3\n");
    ASSERT_TRUE(mLoaded) << mConsole;
    lua_State* state = mGui.context().luaState();
    struct Case {
        const char* global;
        KaI3DObject2* node;
        KaLayout* layout;
    } cases[] = {
        { "layout", mGui.layout("l"), mGui.layout("l") },
        { "button", mGui.buttonLayout("b"), mGui.buttonLayout("b") },
        // An animation is an object of the GUI but no node of the tree.
        { "fade", nullptr, nullptr },
        { "number", nullptr, nullptr },
        { "absent", nullptr, nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.global);
        lua_getglobal(state, c.global);
        EXPECT_EQ(KaLuaTo<KaI3DObject2*>(state, -1), c.node);
        EXPECT_EQ(KaLuaTo<KaLayout*>(state, -1), c.layout);
        EXPECT_EQ(KaLuaTo<KaLuaGUI*>(state, -1), nullptr);
        lua_pop(state, 1);
    }
    lua_getfield(state, LUA_REGISTRYINDEX, "__KaLuaGUIThis");
    EXPECT_EQ(KaLuaTo<KaLuaGUI*>(state, -1), &mGui);
    EXPECT_EQ(KaLuaTo<KaLayout*>(state, -1), nullptr);
    lua_pop(state, 1);
    EXPECT_EQ(lua_gettop(state), 0);
}

} // namespace
