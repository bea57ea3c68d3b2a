// The script functions for 3D objects, billboards, lights, blockers and
// anchor zones.

#include "engine/base/KaStd.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/script/KaLuaGUI.h"
#include "game/api/ExportedFunctions.h"
#include "game/api/ExportedFunctionsGame.h"
#include "game/application/Application.h"
#include "game/scene/Billboard.h"
#include "game/scene/Object3D.h"

using namespace ExportedFunctionsGame;

namespace {

Object3D* findObject(const char* function, const KaString& name)
{
    Object3D* object = scene().object3D(name);
    if (!object)
        KaPrintf("[%s] Object not found %s\n", function, name.c_str());
    return object;
}

Billboard* findBillboard(const char* function, const KaString& name)
{
    Billboard* billboard = scene().billboard(name);
    if (!billboard)
        KaPrintf("[%s] Billboard not found %s\n", function, name.c_str());
    return billboard;
}

} // namespace

void LoadObject(const KaString& name) { scene().loadObject(name); }

void UnloadObject(const KaString& name) { scene().unloadObject(name); }

void SetObjectOnCharacter(const KaString& character, const KaString& object, const KaString& bone)
{
    Object3D* found = scene().object3D(object);
    if (!found) {
        KaPrintf("[SetObjectOnCharacter] Object not found %s\n", character.c_str());
        return;
    }
    found->setCharacter(character, bone);
}

void SetObjectRotation(const KaString& object, float x, float y, float z)
{
    if (Object3D* found = findObject("SetObjectRotation", object))
        found->setAttachmentRotation(rotationFromDegrees(x, y, z));
}

void SetObjectTranslation(const KaString& object, float x, float y, float z)
{
    if (Object3D* found = findObject("SetObjectTranslation", object))
        found->setAttachmentTranslation(KaVector3f32(x, y, z));
}

void SetObjectScale(const KaString& object, float x, float y, float z)
{
    if (Object3D* found = findObject("SetObjectScale", object))
        found->setAttachmentScale(KaVector3f32(x, y, z));
}

void SetObjectFrames(const KaString& object, int first, int second)
{
    if (Object3D* found = findObject("SetObjectFrames", object))
        found->setFrames(static_cast<unsigned int>(first), static_cast<unsigned int>(second));
}

void SetGroundObjectPosition(const KaString& object, float x, float y, float z)
{
    Object3D* found = findObject("SetGroundObjectPosition", object);
    if (!found || !found->model())
        return;
    found->model()->setPosition(KaVector3f32(x, y, z));
    found->model()->setVisible(true);
}

void SetGroundObjectRotation(const KaString& object, float x, float y, float z)
{
    Object3D* found = findObject("SetGroundObjectRotation", object);
    if (!found || !found->model())
        return;
    found->model()->setRotation(rotationFromDegrees(x, y, z));
    found->model()->setVisible(true);
}

void TranslateGroundObject(const KaString& object, float x, float y, float z, float seconds)
{
    if (Object3D* found = findObject("TranslateGroundObject", object))
        found->translate(KaVector3f32(x, y, z), seconds);
}

void RotateGroundObject(const KaString& object, float x, float y, float z, float seconds)
{
    const float toRadians = 3.1415927f / 180.0f;
    if (Object3D* found = findObject("RotateGroundObject", object))
        found->rotate(KaVector3f32(x * toRadians, y * toRadians, z * toRadians), seconds);
}

void LoadBillBoard(const KaString& name) { scene().loadBillboard(name); }

void SetBillboardPosition(const KaString& name, float x, float y, float z)
{
    if (Billboard* billboard = findBillboard("SetBillboardPosition", name))
        billboard->position(KaVector3f32(x, y, z));
}

void SetBillboardPosition2(const KaString& name, float x, float y, float wx, float wy, float wz)
{
    if (Billboard* billboard = findBillboard("SetBillboardPosition2", name)) {
        billboard->position(KaVector3f32(x, y, 0.0f));
        billboard->position2(KaVector3f32(wx, wy, wz));
    }
}

void SetBillboardSize(const KaString& name, float width, float height)
{
    if (Billboard* billboard = findBillboard("SetBillboardSize", name))
        billboard->size(KaVector2f32(width, height));
}

void ShowBillboard(const KaString& name)
{
    Billboard* billboard = findBillboard("ShowBillboard", name);
    if (billboard && billboard->model())
        billboard->model()->setVisible(true);
}

void HideBillboard(const KaString& name)
{
    Billboard* billboard = findBillboard("HideBillboard", name);
    if (billboard && billboard->model())
        billboard->model()->setVisible(false);
}

void EnableLight(unsigned int index, bool on)
{
    KaArray<KaLight>& lights = scene().lights();
    if (index >= lights.size()) {
        // The index as the script gave it: one that was negative reads as such.
        KaPrintf("[EnableLight] Light not found %d\n", static_cast<int>(index));
        return;
    }
    if (on)
        lights[index].enable(index);
    else
        KaLight::disable(index);
}

void SetLightPlayerCharacter(float, float, float) { }

void SetLightPos(float, float, float) { }

void SetLightDiffuse(int, int, int) { }

void SetLightAmbient(int, int, int) { }

void SetLightSpecular(int, int, int) { }

void EnableRectBlocker(unsigned int index, bool enabled)
{
    KaArray<KaRectBlocker>& blockers = scene().rectBlockers();
    if (index < blockers.size())
        blockers[index].enabled = enabled;
}

void EnableBlocker(unsigned int index, bool enabled)
{
    KaArray<KaBlocker>& blockers = scene().blockers();
    if (index < blockers.size())
        blockers[index].enabled = enabled;
}

void AddAnchorZone(const KaString& type, const KaString& name, float radius)
{
    if (!name.length())
        return;
    if (type.contains("Dummy"))
        scene().addAnchorZone(type, name, radius);
    if (type.contains("Int")) {
        KaLuaGUI& gui = scene().interactionsGui();
        if (!gui.isLoaded())
            return;
        if (!gui.buttonLayout(name))
            KaPrintf("[AddAnchorZone] Zone \"%s\" doesn't exist.\n", name.c_str());
        else
            scene().addAnchorZone(type, name, radius);
    }
}

void ActivateAnchorZone(const KaString& name, bool active)
{
    if (name.length())
        scene().activateAnchorZone(name, active);
}
