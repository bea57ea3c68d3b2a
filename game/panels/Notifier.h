#ifndef NOTIFIER_H
#define NOTIFIER_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIsRelocatable.h"
#include "engine/core/KaString.h"
#include "engine/script/KaLuaGUI.h"
#include "engine/world/Ka3DObject.h"

class KaLayout;

// Short notices (an object taken, a bonus) that fade in, stay and fade out
// one after another in a corner of the screen.
class Notifier;

class Notifier : public Ka3DObject {
public:
    struct notifierData {
        KaString text;
        KaString image;
    };

    Notifier();
    ~Notifier() override;

    void load();
    void unload();
    void push(const KaString& text, const KaString& image);
    void launchNextnotifier();
    bool onFadeInFinished();
    bool onVisibleFinished();
    bool onFadeOutFinished();

    KaLuaGUI& gui() { return mGui; }
    const KaArray<notifierData>& queue() const { return mQueue; }

private:
    // The game's second unscaled overlay holds the notice.
    void attachToOverlay(KaLayout* notifier);
    void detachFromOverlay(KaLayout* notifier);

    KaArray<notifierData> mQueue;
    KaLuaGUI mGui;
};

KA_RELOCATABLE(Notifier::notifierData);

#endif
