#ifndef CELLPHONE_H
#define CELLPHONE_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaSignal.h"
#include "engine/core/KaString.h"
#include "engine/gui/KaLayout.h"
#include "engine/script/KaLuaGUI.h"

class KaTextLayout;
class TiXmlNode;

// The phone: the numbers the player has learned, one shown at a time, and a
// button to call it. The game attaches the panel ("background") and hears
// the calls through onCallNumber(); leave() forgets the numbers.
class Cellphone : public KaLayout {
public:
    Cellphone();
    ~Cellphone() override;

    void load();
    void enter();
    void leave();
    void unload();
    void setVisible(bool visible) override;
    bool addNumber(const KaString& number);
    void currentPage(unsigned long index);
    KaSignal1Param<const KaString&>& onCallNumber() { return mCallSignal; }

    bool onPreviousNumber();
    bool onNextNumber();
    bool onCallNumberValidated();
    bool onCloseButtonValidated();

    void saveToBackup(TiXmlNode& parent);
    void loadFromBackup(TiXmlNode& cellphoneElement);

    KaLuaGUI& gui() { return mGui; }
    const KaArray<KaString>& numbers() const { return mNumbers; }
    unsigned long current() const { return mCurrent; }

private:
    void showBackground(bool visible);
    // Releases the labels and empties the numbers.
    void forgetNumbers();

    KaLuaGUI mGui;
    KaArray<KaTextLayout*> mLabels;
    KaArray<KaString> mNumbers;
    KaSignal1Param<const KaString&> mCallSignal;
    unsigned long mCurrent;
};

#endif
