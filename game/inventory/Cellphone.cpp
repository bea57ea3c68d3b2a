#include "game/inventory/Cellphone.h"

#include <cstdint>

#include <tinyxml.h>

#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/gui/KaTextLayout.h"
#include "game/application/Application.h"

Cellphone::Cellphone()
    : mCurrent(0)
{
}

Cellphone::~Cellphone()
{
    // The labels are ours, not the GUI's; nothing is clicked any more.
    for (KaTextLayout* label : mLabels)
        delete label;
}

void Cellphone::load()
{
    // A phone loaded again (a new game) starts without numbers.
    forgetNumbers();
    mCurrent = 0;
    mGui.load("menus/cellphone.lua");
    if (KaButtonLayout* button = mGui.buttonLayout("haut"))
        button->onMouseClickValidated.add(this, &Cellphone::onPreviousNumber, 0.0f);
    if (KaButtonLayout* button = mGui.buttonLayout("bas"))
        button->onMouseClickValidated.add(this, &Cellphone::onNextNumber, 0.0f);
    if (KaButtonLayout* button = mGui.buttonLayout("appeler"))
        button->onMouseClickValidated.add(this, &Cellphone::onCallNumberValidated, 0.0f);
    if (KaButtonLayout* button = mGui.buttonLayout("fermer"))
        button->onMouseClickValidated.add(this, &Cellphone::onCloseButtonValidated, 0.0f);
    showBackground(false);
}

void Cellphone::enter()
{
    showBackground(true);
    currentPage(mCurrent);
}

void Cellphone::leave()
{
    showBackground(false);
    forgetNumbers();
}

void Cellphone::unload()
{
    leave();
    mGui.unload();
}

void Cellphone::setVisible(bool visible) { showBackground(visible); }

void Cellphone::showBackground(bool visible)
{
    if (KaLayout* background = mGui.layout("background"))
        background->setVisible(visible);
}

void Cellphone::forgetNumbers()
{
    for (KaTextLayout* label : mLabels) {
        if (KaI3DObject2* holder = label->parent())
            holder->removeChild(label);
        label->deleteLater();
    }
    mLabels.clear();
    mNumbers.clear();
}

bool Cellphone::addNumber(const KaString& number)
{
    if (mNumbers.contains(number))
        return false;

    KaTextLayout* label = new KaTextLayout;
    KaString name;
    name.format("numRepertoire%lu", mNumbers.size());
    label->setName(name);
    label->setSizeType(Percent);
    label->setAnchor(KaVector3f32(0.5f, 0.0f, 0.0f));
    label->setSize(KaVector3f32(1.0f, 1.0f, 0.0f));
    label->setPosition(KaVector3f32(0.5f, 0.08f, 0.0f));
    label->setTextSizeType(KaITextLayout::Proportional);
    label->setTextSizeProportionalToWidth(46);
    const KaString* known = application.get()->locFile().value(number);
    label->setText(mGui.value("textAttributs").toString() + (known ? *known : KaString("Unknown")));
    label->setVisible(true);

    mLabels.pushBack(label);
    mNumbers.pushBack(number);
    if (KaLayout* directory = mGui.layout("numRepertoire"))
        directory->addChild(label);
    return true;
}

void Cellphone::currentPage(unsigned long index)
{
    if (mNumbers.isEmpty())
        return;
    mCurrent = index;
    KaLayout* directory = mGui.layout("numRepertoire");
    if (!directory)
        return;
    for (unsigned long k = 0; k < directory->childCount(); ++k)
        directory->child(k)->setVisible(k == index);
}

bool Cellphone::onPreviousNumber()
{
    if (static_cast<int32_t>(mCurrent - 1) >= 0)
        currentPage(mCurrent - 1);
    return false;
}

bool Cellphone::onNextNumber()
{
    if (mCurrent + 1 < mNumbers.size())
        currentPage(mCurrent + 1);
    return false;
}

bool Cellphone::onCallNumberValidated()
{
    // Nothing to call before the first number is learned.
    if (mCurrent < mNumbers.size()) {
        const KaString number(mNumbers[mCurrent]);
        mCallSignal.call(number);
    }
    return false;
}

bool Cellphone::onCloseButtonValidated()
{
    showBackground(false);
    return false;
}

void Cellphone::saveToBackup(TiXmlNode& parent)
{
    TiXmlElement* phone = new TiXmlElement("Cellphone");
    for (const KaString& number : mNumbers) {
        TiXmlElement* entry = new TiXmlElement("Number");
        entry->SetAttribute("num", number.c_str());
        phone->LinkEndChild(entry);
    }
    parent.LinkEndChild(phone);
}

void Cellphone::loadFromBackup(TiXmlNode& cellphoneElement)
{
    for (TiXmlElement* entry = cellphoneElement.FirstChildElement("Number"); entry;
         entry = entry->NextSiblingElement("Number")) {
        if (const char* number = entry->Attribute("num"))
            addNumber(KaString(number));
    }
}
