#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/graphics/KaCamera.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaCheckboxLayout.h"
#include "engine/gui/KaClipLayout.h"
#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/gui/KaTextLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "game/game/Game.h"
#include "game/inventory/Cellphone.h"
#include "game/menus/BonusMenu.h"
#include "game/menus/Credits.h"
#include "game/menus/GalleryMenu.h"
#include "game/menus/GlobalBonusMenu.h"
#include "game/menus/HelpOptionMenu.h"
#include "game/menus/HowTo.h"
#include "game/menus/LoadingMenu.h"
#include "game/menus/OptionsMenu.h"
#include "tests/game/ApplicationTestFixture.h"

#ifdef KA_RESOURCES_DIR

namespace {

// Every screen of the sample game, opened at several window sizes, measured
// from the layouts' own rectangles: every text lies inside the window (and
// inside the panel it is written on), no two buttons share pixels, and no
// button or text is covered by a picture or a text of another layer.

struct Rect {
    float left = 0, bottom = 0, right = 0, top = 0;
    float width() const { return right - left; }
    float height() const { return top - bottom; }
    bool empty() const { return width() <= 0.5f || height() <= 0.5f; }
    float area() const { return empty() ? 0.0f : width() * height(); }
    Rect intersect(const Rect& o) const
    {
        Rect r;
        r.left = std::max(left, o.left);
        r.bottom = std::max(bottom, o.bottom);
        r.right = std::min(right, o.right);
        r.top = std::min(top, o.top);
        return r;
    }
    // A pixel of slack for the rounding of percent sizes.
    bool inside(const Rect& o) const
    {
        return left >= o.left - 1 && right <= o.right + 1 && bottom >= o.bottom - 1 && top <= o.top + 1;
    }
};

std::string describe(const Rect& r)
{
    std::ostringstream text;
    text << "[" << r.left << ".." << r.right << " x " << r.bottom << ".." << r.top << "]";
    return text.str();
}

// The rectangle a layout covers in window coordinates (y up).
Rect rectOf(KaLayout* layout)
{
    const KaVector3f32 half = layout->size() / 2.0f;
    const KaMatrix4x4 matrix = layout->worldTransformationMatrix();
    const KaVector3f32 a = matrix * KaVector3f32(-half.x, -half.y, 0);
    const KaVector3f32 b = matrix * KaVector3f32(half.x, half.y, 0);
    Rect r;
    r.left = std::min(a.x, b.x);
    r.right = std::max(a.x, b.x);
    r.bottom = std::min(a.y, b.y);
    r.top = std::max(a.y, b.y);
    return r;
}

// The layers the application and the game hang the screens' roots in.
bool isLayer(KaI3DObject2* node)
{
    static const char* const names[]
        = { "layoutBack", "layoutFront", "orientationLayoutFront", "noScaleLayout", "noScaleLayout2" };
    for (const char* name : names)
        if (node->name() == name)
            return true;
    return false;
}

struct Element {
    enum Kind { Picture, Text, Clickable };
    Kind kind;
    KaLayout* layout;
    Rect rect; // clipped by the clip layouts above it
    Rect whole; // before clipping
    KaI3DObject2* root; // the screen's root in its layer
    std::string path;
    bool clipped; // under a clip layout
};

bool isAncestor(KaI3DObject2* ancestor, KaI3DObject2* node)
{
    for (KaI3DObject2* up = node ? node->parent() : nullptr; up; up = up->parent())
        if (up == ancestor)
            return true;
    return false;
}

// What a player sees and clicks on the screen, in drawing order.
class Screen {
public:
    Screen(KaLayout& window, KaLayout* cursor)
        : mCursor(cursor)
    {
        mWindow = rectOf(&window);
        walk(&window, mWindow, nullptr, "");
    }

    const Rect& window() const { return mWindow; }
    const std::vector<Element>& elements() const { return mElements; }
    const Element* find(const std::string& name, Element::Kind kind) const
    {
        for (const Element& e : mElements)
            if (e.kind == kind && e.layout->name().c_str() == name)
                return &e;
        return nullptr;
    }
    // A full-window veil or click catcher: it covers everything on purpose.
    bool coversWindow(const Rect& r) const { return r.area() >= 0.9f * mWindow.area(); }

private:
    void walk(KaI3DObject2* node, Rect clip, KaI3DObject2* root, const std::string& path)
    {
        KaLayout* layout = dynamic_cast<KaLayout*>(node);
        if (!layout || layout == mCursor || !layout->visible() || layout->worldColor().a == 0)
            return;
        const std::string here = path + "/" + layout->name().c_str();
        Rect whole = rectOf(layout);
        if (KaITextLayout* text = dynamic_cast<KaITextLayout*>(layout)) {
            const KaVector2s32 drawn = text->textSize();
            if (text->text().length() > 0 && drawn.y > 0) {
                // The layout is as high as its lines; their width is the
                // widest line's, placed as the markup aligns it.
                whole = rectOf(layout);
                KaTextLayout* lines = dynamic_cast<KaTextLayout*>(layout);
                const KaTextBase2::AlignStyle align = lines ? lines->textBase().alignStyle() : KaTextBase2::Left;
                const float width = std::min(whole.width(), static_cast<float>(drawn.x));
                if (align == KaTextBase2::Center) {
                    const float middle = (whole.left + whole.right) / 2;
                    whole.left = middle - width / 2;
                    whole.right = middle + width / 2;
                } else if (align == KaTextBase2::Right) {
                    whole.left = whole.right - width;
                } else {
                    whole.right = whole.left + width;
                }
                add(Element::Text, layout, whole.intersect(clip), whole, root, here);
            }
        } else if (dynamic_cast<KaButtonLayout*>(layout) || dynamic_cast<KaCheckboxLayout*>(layout)) {
            // A disabled button still holds its place on the screen.
            add(Element::Clickable, layout, whole.intersect(clip), whole, root, here);
        } else if (KaSpriteLayout* sprite = dynamic_cast<KaSpriteLayout*>(layout)) {
            if (sprite->surface().path().length() > 0)
                add(Element::Picture, layout, whole.intersect(clip), whole, root, here);
        }
        const bool clips = dynamic_cast<KaClipLayout*>(layout) != nullptr;
        if (clips)
            clip = clip.intersect(whole);
        mClipDepth += clips ? 1 : 0;
        for (unsigned long i = 0; i < node->childCount(); ++i) {
            KaI3DObject2* child = node->child(i);
            walk(child, clip, isLayer(node) || !root ? child : root, here);
        }
        mClipDepth -= clips ? 1 : 0;
    }
    void add(Element::Kind kind, KaLayout* layout, const Rect& rect, const Rect& whole, KaI3DObject2* root,
        const std::string& path)
    {
        if (!rect.empty())
            mElements.push_back(Element { kind, layout, rect, whole, root, path, mClipDepth > 0 });
    }
    int mClipDepth = 0;

    KaLayout* mCursor;
    Rect mWindow;
    std::vector<Element> mElements;
};

// A screen of the table: how to open it from the main menu (or from the
// game in progress), the texts that must lie inside a given panel, and the
// pairs of buttons that overlap on purpose (a drag catcher over the strip
// it slides).
struct ScreenCase {
    const char* name;
    std::function<void()> open;
    std::vector<std::pair<std::string, std::string>> textInPanel;
    std::vector<std::pair<std::string, std::string>> overlapsOnPurpose;
    // Texts that scroll through the window, in and out of it.
    std::vector<std::string> scrolling = {};
    // The root of a panel that takes every click while it is open: what is
    // drawn before it is out of play.
    std::string modal = {};
};

struct WindowSize {
    int width;
    int height;
};

std::ostream& operator<<(std::ostream& out, const WindowSize& size) { return out << size.width << "x" << size.height; }

class ScreenLayoutsTest : public ApplicationTest, public ::testing::WithParamInterface<WindowSize> {
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        gl.reset(new KaGLTestContext(GetParam().width, GetParam().height));
        ASSERT_TRUE(gl->isValid());
        std::ostringstream options;
        options << "<?xml version=\"1.0\" ?>\n<DebugResolution x=\"" << GetParam().width << "\" y=\""
                << GetParam().height << "\" />\n<DebugFullScreen value=\"0\" />\n";
        saves.write("Tidewater/options.xml", options.str());
        // A saved game in every slot, so that the loading menu shows pages
        // with their names.
        for (const char* slot : { "0.xml", "1.xml", "2.xml", "3.xml" })
            saves.write(std::string("Tidewater/") + slot, "<Save />\n");
        ASSERT_EQ(0, chdir(KA_RESOURCES_DIR));
    }

    void start()
    {
        KaCaptureStdout console;
        application.get();
        mainWindow.get()->create();
        mainWindow.get()->setSize(KaVector3f32(GetParam().width, GetParam().height, 100));
        renderer.get()->init();
        application.get()->create();
        log += console.text();
    }
    void frames(int count)
    {
        KaCaptureStdout console;
        for (int i = 0; i < count; ++i) {
            advance(17);
            application.get()->run();
        }
        log += console.text();
    }
    template <class F> void captured(F action)
    {
        KaCaptureStdout console;
        action();
        log += console.text();
    }
    Application* app() { return application.get(); }

    // Every rule on the screen as it stands; the failures name the screen.
    void check(const ScreenCase& screen)
    {
        SCOPED_TRACE(screen.name);
        Screen seen(*mainWindow.get(), &app()->mouseCursor());
        const std::vector<Element>& all = seen.elements();
        // A full-window veil or click catcher ends what is under it: a
        // modal dialog's screen below is out of play.
        size_t first = 0;
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i].kind != Element::Text && seen.coversWindow(all[i].whole))
                first = i;
        if (!screen.modal.empty()) {
            size_t modal = 0;
            while (modal < all.size() && all[modal].root->name().c_str() != screen.modal)
                ++modal;
            ASSERT_LT(modal, all.size()) << screen.modal << " is not on the screen";
            first = std::max(first, modal);
        }
        int texts = 0;
        for (size_t i = first; i < all.size(); ++i) {
            const Element& e = all[i];
            if (e.kind == Element::Text
                && std::find(screen.scrolling.begin(), screen.scrolling.end(), e.layout->name().c_str())
                    != screen.scrolling.end())
                continue;
            if (e.kind == Element::Text) {
                ++texts;
                EXPECT_TRUE(e.whole.inside(seen.window()))
                    << e.path << " " << describe(e.whole) << " leaves the window " << describe(seen.window());
                // Inside the clip layouts above it: a text is never cut.
                EXPECT_FALSE(e.rect.width() + 1 < e.whole.width() || e.rect.height() + 1 < e.whole.height())
                    << e.path << " is cut by its frame";
            }
            // What is not clipped by a frame of its own shows whole.
            if (e.kind != Element::Picture) {
                EXPECT_TRUE((e.clipped ? e.rect : e.whole).inside(seen.window()))
                    << e.path << " " << describe(e.whole) << " leaves the window";
            }
            if (e.kind == Element::Picture || seen.coversWindow(e.whole))
                continue;
            for (size_t j = i + 1; j < all.size(); ++j) {
                const Element& over = all[j];
                if (isAncestor(e.layout, over.layout) || isAncestor(over.layout, e.layout))
                    continue;
                if (over.rect.intersect(e.rect).empty())
                    continue;
                if (e.kind == Element::Clickable && over.kind == Element::Clickable && !seen.coversWindow(over.whole)
                    && !onPurpose(screen, e, over))
                    ADD_FAILURE() << "the buttons " << e.path << " " << describe(e.rect) << " and " << over.path
                                  << " " << describe(over.rect) << " overlap";
                if (over.root != e.root && over.kind != Element::Clickable && !seen.coversWindow(over.whole))
                    ADD_FAILURE() << over.path << " " << describe(over.rect) << " covers " << e.path << " "
                                  << describe(e.rect);
            }
        }
        EXPECT_TRUE(texts > 0 || !screen.scrolling.empty()) << "no text on the screen: it did not open";
        for (const auto& pair : screen.textInPanel) {
            const Element* text = seen.find(pair.first, Element::Text);
            const Element* panel = seen.find(pair.second, Element::Picture);
            ASSERT_NE(text, nullptr) << pair.first;
            ASSERT_NE(panel, nullptr) << pair.second;
            EXPECT_TRUE(text->whole.inside(panel->rect)) << pair.first << " " << describe(text->whole)
                                                         << " is not inside " << pair.second << " "
                                                         << describe(panel->rect);
        }
    }
    static bool onPurpose(const ScreenCase& screen, const Element& a, const Element& b)
    {
        for (const auto& pair : screen.overlapsOnPurpose) {
            const std::string an = a.layout->name().c_str();
            const std::string bn = b.layout->name().c_str();
            if ((an == pair.first || bn == pair.first) && (pair.second == "*" || an == pair.second || bn == pair.second))
                return true;
        }
        return false;
    }

    std::unique_ptr<KaGLTestContext> gl;
    std::string log;
};

// Confirmation dialogs over the main menu, each with its message inside its
// panel.
std::vector<ScreenCase> confirmations(Application* app)
{
    std::vector<ScreenCase> cases;
    for (const char* key :
        { "confirmNewGame", "confirmTuto", "confirmQuit", "confirmSaveCorrupt", "confirmNotSound", "confirmLoadGame" }) {
        const KaString file = KaString("menus/confirm/") + key + ".lua";
        cases.push_back(ScreenCase { key, [app, file]() { app->mainMenu().notice().enter(file, KaString()); },
            { { key, "panel" }, { "yesUpLayout", "panel" } }, {} });
    }
    return cases;
}

}

TEST_P(ScreenLayoutsTest, EveryScreenFitsTheWindowAndKeepsItsButtonsClear)
{
    start();
    Application* a = app();

    // The splashes, each as it stands once its fade is over.
    for (int splash = 0; splash < 2; ++splash) {
        frames(30);
        check(ScreenCase { splash == 0 ? "splash 0" : "splash 1", nullptr, {}, {} });
        frames(70);
    }
    captured([a] { a->splashScreens().onQuitSplash(); });
    frames(40);
    check(ScreenCase { "main menu", nullptr, {}, {} });

    for (const ScreenCase& confirm : confirmations(a)) {
        captured(confirm.open);
        frames(3);
        check(confirm);
        captured([a] { a->mainMenu().notice().leave(); });
    }

    // The menus reached from the main one, each left for the next.
    const std::vector<ScreenCase> menus = {
        { "options", [a]() { a->mainMenu().leave(); a->optionsMenu().enter(); }, {}, {} },
        { "credits", [a]() { a->optionsMenu().leave(); a->credits().enter(false); }, {}, {}, { "text" } },
        // The credits end on the main menu.
        { "bonus hub",
            [a]() {
                a->credits().leave();
                a->mainMenu().leave();
                a->globalBonusMenu().enter();
            },
            {}, {} },
        { "harbour gallery",
            [a]() {
                a->globalBonusMenu().leave();
                a->bonusMenu().enter("menus/bonusmenu/Pim.lua");
            },
            {}, { { "slideButton", "*" } } },
        { "harbour gallery, slid", [a]() { a->bonusMenu().onRightButton(); }, {}, { { "slideButton", "*" } } },
        { "loading menu", [a]() { a->bonusMenu().leave(); a->loadingMenu().enter(); }, {}, {} },
        { "help options", [a]() { a->loadingMenu().leave(); a->helpOptionMenu().enter(); }, {}, {} },
    };
    for (const ScreenCase& menu : menus) {
        captured(menu.open);
        frames(15);
        check(menu);
    }
    captured([a] { a->helpOptionMenu().leave(); });
    {
        GalleryMenu gallery;
        captured([&] { gallery.enter(); });
        frames(5);
        check(ScreenCase { "movie gallery", nullptr, {}, {} });
        captured([&] { gallery.leave(); });
    }
    {
        HowTo howto;
        captured([&] { howto.enter(); });
        frames(5);
        check(ScreenCase { "how to play", nullptr, {}, {} });
        captured([&] { howto.leave(); });
    }

    // The game in progress: the clerk's greeting (a subtitle, while the
    // autosave icon blinks), his question, a notification, the notepad, the
    // satchel, its inventory, the phone and the documents.
    Game& game = a->game();
    captured([a] { a->startGame(true, EApplicationDifficultyDefault); });
    for (int i = 0; i < 600 && !game.dialog().isDialogPlaying(); ++i)
        frames(1);
    ASSERT_TRUE(game.dialog().isDialogPlaying()) << log;
    frames(30);
    captured([a] { a->showLoadingIcon(true); });
    frames(2);
    check(ScreenCase { "subtitle", nullptr, { { "text", "dialogStrip" } }, {} });
    captured([a] { a->showLoadingIcon(false); });
    // The greeting's lines skipped, one click each once in.
    for (int i = 0; i < 300 && game.question().answers().size() < 3; ++i) {
        frames(10);
        captured([&] { game.dialog().onSkipButton(); });
    }
    ASSERT_EQ(game.question().answers().size(), 3u) << log;
    frames(30);
    check(ScreenCase { "answers", nullptr, {}, {} });
    captured([&] { game.notifier().push(game.artworkNotice("ArtworkTideTable"), "Inventory/Objects/VPapierCrayon.png"); });
    frames(40);
    check(ScreenCase { "answers and a notification", nullptr, {}, {} });
    // Notifications come and go over whatever is open; this one has been
    // seen over the answers.
    captured([&] {
        game.question().leave();
        game.notifier().unload();
        game.notifier().load();
    });
    frames(20);
    check(ScreenCase { "the scene", nullptr, {}, {} });
    // The painting and the 3D scene keep the scene's aspect, one over the
    // other, in the middle of the window.
    {
        KaLayout* painting = game.scene3D().background();
        const KaIntrusivePtr<KaCamera> camera = game.scene3D().currentCamera();
        ASSERT_NE(painting, nullptr);
        ASSERT_TRUE(camera);
        const Rect drawn = rectOf(painting);
        EXPECT_NEAR(drawn.width() / drawn.height(), camera->aspect(), 0.01f);
        EXPECT_NEAR(drawn.width(), static_cast<float>(camera->viewportWidth()), 1.0f);
        EXPECT_NEAR(drawn.height(), static_cast<float>(camera->viewportHeight()), 1.0f);
        EXPECT_NEAR(drawn.left + drawn.right, 0.0f, 2.0f);
        EXPECT_NEAR(static_cast<float>(camera->viewportX()) * 2 + camera->viewportWidth(), GetParam().width, 1.0f);
    }

    const std::vector<ScreenCase> panels = {
        { "objectives", [&]() { game.objectif().onHelpButtonValidated(); }, {}, {} },
        // The satchel's bar lies on a strip that closes it when clicked
        // between its tabs.
        { "satchel", [&]() { game.objectif().onHelpButtonValidated(); game.onInventoryButtonValidated(); }, {},
            { { "quitBackground", "*" } } },
        { "inventory", [&]() { game.inventoryMenu().onInventoryButton(); }, {}, { { "quitBackground", "*" } } },
        { "phone",
            [&]() {
                game.inventory().onVisibleCellphone();
            },
            {}, {} },
        { "documents",
            [&]() {
                if (Cellphone* phone = game.inventory().cellphone())
                    phone->leave();
                game.onInventoryButtonValidated();
                game.inventoryMenu().onDocumentsButton();
            },
            {}, {}, {}, "documentsBrowser" },
    };
    for (const ScreenCase& panel : panels) {
        captured(panel.open);
        frames(15);
        check(panel);
    }
}

INSTANTIATE_TEST_SUITE_P(WindowSizes, ScreenLayoutsTest,
    ::testing::Values(WindowSize { 800, 600 }, WindowSize { 1024, 768 }, WindowSize { 1920, 1080 }),
    [](const ::testing::TestParamInfo<WindowSize>& size) {
        return std::to_string(size.param.width) + "x" + std::to_string(size.param.height);
    });

#endif
