// The script functions for the scene's objects, background and markers.

#include "engine/base/KaStd.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/script/KaLuaGUI.h"
#include "game/api/ExportedFunctions.h"
#include "game/api/ExportedFunctionsGame.h"
#include "game/application/Application.h"

using namespace ExportedFunctionsGame;

namespace {

KaLayout* layoutOf(KaLuaGUI& gui, const KaString& name) { return gui.isLoaded() ? gui.layout(name) : nullptr; }

// The scene model, else the background GUI's layout, else the For GUI's,
// each miss printed with its own line.
void setObjectVisible(const KaString& name, bool visible, const char* const lines[3])
{
    KaIntrusivePtr<KaModel> model = scene().model(name);
    if (model) {
        model->setVisible(visible);
        return;
    }
    KaPrintf(lines[0], name.c_str());
    if (KaLayout* layout = layoutOf(scene().backgroundGui(), name)) {
        layout->setVisible(visible);
        return;
    }
    KaPrintf(lines[1], name.c_str());
    if (KaLayout* layout = layoutOf(game().forGui(), name))
        layout->setVisible(visible);
    else
        KaPrintf(lines[2], name.c_str());
}

} // namespace

void LoadObjectMaterials(const KaString& folder)
{
    if (!scene().loadObjectMaterials(folder))
        KaPrintf("[LoadObjectMaterials] Scene \"%s\" doesn't exist or no Object in this scene.\n", folder.c_str());
}

void LoadObjectMaterials(const KaString& folder, const KaString& object)
{
    if (!scene().loadObjectMaterials(folder, object))
        KaPrintf("[LoadObjectMaterials] Object \"%s\" doesn't exist in scene : \"%s\" or there is no material for this "
                 "object.\n",
            object.c_str(), folder.c_str());
}

void HideObject(const KaString& name)
{
    static const char* const lines[3]
        = { "[HideObject] Object 3D \"%s\" doesn't exist.\n", "[HideObject] \"Set\" Object 2D \"%s\" doesn't exist.\n",
              "[HideObject] \"For\" Object 2D \"%s\" doesn't exist.\n" };
    setObjectVisible(name, false, lines);
}

void ShowObject(const KaString& name)
{
    static const char* const lines[3]
        = { "[ShowObject] Object3D \"%s\" doesn't exist.\n", "[ShowObject] \"Set\" Object 2D \"%s\" doesn't exist.\n",
              "[ShowObject] \"For\" Object 2D \"%s\" doesn't exist.\n" };
    setObjectVisible(name, true, lines);
}

void ShowAllObjects(const KaString& text)
{
    if (!scene().showAllObjects(text))
        KaPrintf("[ShowAllObjects] Scene \"%s\" doesn't exist or no object in this scene.\n", text.c_str());
}

void SetBackground(const KaString& name)
{
    if (!setBackground(name))
        KaPrintf("[SetBackground] Background \"%s\" doesn't exist.\n", name.c_str());
}

void AddBlockingObject(const KaString& name)
{
    if (scene().model(name)) {
        scene().addBlockingObject(name);
        return;
    }
    KaPrintf("[AddBlockingObject] Object3D \"%s\" doesn't exist.\n", name.c_str());
    if (!layoutOf(scene().backgroundGui(), name))
        KaPrintf("[AddBlockingObject] Object 2D \"%s\" doesn't exist.\n", name.c_str());
}

void RemoveBlockingObject(const KaString& name)
{
    if (scene().model(name)) {
        scene().removeBlockingObject(name);
        return;
    }
    KaPrintf("[RemoveBlockingObject] Object3D \"%s\" doesn't exist.\n", name.c_str());
    if (!layoutOf(scene().backgroundGui(), name))
        KaPrintf("[RemoveBlockingObject] Object 2D \"%s\" doesn't exist.\n", name.c_str());
}

void AddAnimToSet(const KaString& path)
{
    if (!addAnimToSet(path))
        KaPrintf("[AddAnimToSet] Animation with path \"%s\" doesn't exist.\n", path.c_str());
}

void StartAnimation(const KaString& name, int repeat, bool flag)
{
    ShowObject(name);
    if (!startAnimation(name, repeat, flag)) {
        KaPrintf("[StartAnimation] Animation \"%s\" doesn't exist.\n", name.c_str());
        abandonStartingWait("OnFinishedAnim", name);
    }
}

void StartAnimationPart(const KaString&, int, int, int, bool) { }

void AddCallbackAnimation2D(const KaString& sprite, const KaString& function, float frame)
{
    scene().addCallbackAnimation2D(sprite, function, frame);
}

void DeleteCallbackAnimation2D(const KaString& sprite, const KaString& function, float frame)
{
    scene().deleteCallback(sprite, function, frame);
}

void DisabledZone(const KaString& name, bool disabled)
{
    KaLayout* background = layoutOf(scene().markersGui(), "background");
    if (!background)
        return;
    for (unsigned long i = 0; i < background->childCount(); ++i) {
        KaLayout* layout = dynamic_cast<KaLayout*>(background->child(i));
        if (layout && layout->name() == name)
            layout->setVisible(!disabled);
    }
}

void DisabledInt(const KaString& name, bool disabled)
{
    KaLuaGUI& gui = scene().interactionsGui();
    if (!gui.isLoaded())
        return;
    if (KaButtonLayout* button = gui.buttonLayout(name))
        button->setVisible(!disabled);
}

void SetVisibleButtonZoomed(bool visible)
{
    KaLuaGUI& gui = scene().interactionsGui();
    KaButtonLayout* button = gui.isLoaded() ? gui.buttonLayout("DeZoomedButton") : nullptr;
    if (button)
        button->setVisible(visible);
    else
        KaPrintf("[SetVisibleButtonZoomed] No \"DeZoomedButton\" in this scene \n");
}

void AddMarker(
    const KaString& name, const KaString& image, float x, float y, const KaString& unit, const KaString& interaction)
{
    scene().addMarker(name, image, x, y, unit, interaction);
}

void SetVisibleMarker(const KaString& name, bool visible) { scene().setVisibleMarker(name, visible); }

void DeleteMarker(const KaString& name) { scene().deleteMarker(name); }
