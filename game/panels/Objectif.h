#ifndef OBJECTIF_H
#define OBJECTIF_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIsRelocatable.h"
#include "engine/core/KaString.h"
#include "engine/gui/KaLayout.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/script/KaLuaGUI.h"

class KaILayout;
class KaTextLayout;
class TiXmlNode;

// The objectives: a help button in a corner opens a notepad listing the
// player's tasks, grouped under their titles, from the help texts.
class Objectif : public KaLayout {
public:
    struct Task {
        KaString name;
        KaString subName;
        bool state = true;
    };

    Objectif();
    ~Objectif() override;

    void load();
    bool onHelpButtonValidated();
    void pushObjectif(const KaString& name, const KaString& subName);
    void deleteObjectif(const KaString& name, const KaString& subName);
    // Forgets every task (a game entered starts with none).
    void clearTasks();
    void update();
    void removeChildren() override;
    bool isMouseIn(const KaVector2s32& point) override;
    void reattachLayout(KaLayout& parent);
    void setVisibleObjectif(bool visible);
    bool isVisibleObjectif();
    void setVisibleButtonHelp(bool visible);
    void hideBouton();
    void leave();
    void enter();
    void unload();
    void save(TiXmlNode& node);
    void load(TiXmlNode& node);
    KaTextLayout* createChildLayout(KaILayout* parent, const KaString& key, bool isSubTask);

    KaLuaGUI& gui() { return mGui; }
    KaLuaGUI& helpGui() { return mHelpGui; }
    const KaArray<Task>& tasks() const { return mTasks; }
    bool closed() const { return mClosed; }

    static bool mLayoutsDirty;

private:
    // Builds the labels of the active tasks under "tasks" and stacks them.
    void rebuildLabels();
    // Takes the labels off "tasks" and releases them at the end of the frame.
    void deleteLabels();
    // The help button's pictures of a list the player has seen.
    void showSeenPictures();
    // The scene script's "UpdateHelp", every frame.
    void runUpdateHelp();

    KaArray<Task> mTasks;
    KaLuaGUI mGui;
    KaLuaGUI mHelpGui;
    bool mClosed;
};

KA_RELOCATABLE(Objectif::Task);

#endif
