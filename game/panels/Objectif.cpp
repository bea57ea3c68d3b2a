#include "game/panels/Objectif.h"

#include <tinyxml.h>

#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/gui/KaTextLayout.h"
#include "engine/script/KaLuaScript.h"
#include "game/application/Application.h"

namespace {

const char* const kPanelFile = "menus/objectif.lua";
const char* const kHelpButtonFile = "menus/helpButton.lua";

// The difficulty at which the notepad shows no text at all.
const int kNoHelpDifficulty = 2;

const char* const kTitleMarkup = "<section style=\"left\" /><color r=\"39\" g=\"85\" b=\"97\"/>"
                                 "<font file=\"Common/Fonts/ComicRelief.ttf\" size=\"12\"/>";
const char* const kEasySubTaskMarkup = "<section style=\"left\" /><color r=\"0\" g=\"0\" b=\"0\"/>"
                                       "<font file=\"Common/Fonts/ComicRelief.ttf\" size=\"12\"/>\t";
const char* const kSubTaskMarkup = "<section style=\"left\" /><color r=\"0\" g=\"0\" b=\"0\"/>"
                                   "<font file=\"Common/Fonts/arial.ttf\" size=\"16\"/>";

void showLayout(KaLayout* layout, bool visible)
{
    if (layout)
        layout->setVisible(visible);
}

int difficulty() { return static_cast<int>(application.get()->difficulty()); }

KaString helpText(const KaString& key)
{
    const KaString* text = application.get()->getHelpText(key);
    return text ? *text : KaString();
}

KaString attribute(const TiXmlElement& element, const char* name)
{
    const char* value = element.Attribute(name);
    return value ? KaString(value) : KaString();
}

}

bool Objectif::mLayoutsDirty = false;

Objectif::Objectif()
    : mClosed(true)
{
}

Objectif::~Objectif() { deleteLabels(); }

void Objectif::load()
{
    // The labels hang under the panel's own "tasks": they go with it.
    deleteLabels();
    mGui.load(kPanelFile);
    mHelpGui.load(kHelpButtonFile);
    KaButtonLayout* helpButton = mHelpGui.buttonLayout("helpButton");
    if (helpButton) {
        application.get()->layoutFront().addChild(helpButton);
        helpButton->onMouseClickValidated.add(this, &Objectif::onHelpButtonValidated, 0.0f);
    }
    if (KaButtonLayout* helpQuit = mGui.buttonLayout("helpQuit"))
        helpQuit->onMouseClickValidated.add(this, &Objectif::onHelpButtonValidated, 0.0f);
    showLayout(mGui.layout("background"), false);
    showLayout(helpButton, true);
    mClosed = true;
    showSeenPictures();
    mLayoutsDirty = true;
}

bool Objectif::onHelpButtonValidated()
{
    KaLayout* background = mGui.layout("background");
    KaLayout* helpButton = mHelpGui.buttonLayout("helpButton");
    if (!mClosed) {
        showLayout(background, false);
        showLayout(helpButton, true);
        mClosed = true;
    } else {
        showLayout(background, true);
        showSeenPictures();
        showLayout(helpButton, false);
        mClosed = false;
    }
    return false;
}

void Objectif::pushObjectif(const KaString& name, const KaString& subName)
{
    for (unsigned long i = 0; i < mTasks.size(); ++i) {
        const Task& task = static_cast<const KaArray<Task>&>(mTasks)[i];
        if (task.name == name && task.subName == subName)
            return;
    }
    Task task;
    task.name = name;
    task.subName = subName;
    task.state = true;
    mTasks.pushBack(task);
    mLayoutsDirty = true;
}

void Objectif::deleteObjectif(const KaString& name, const KaString& subName)
{
    for (unsigned long i = 0; i < mTasks.size(); ++i) {
        const Task& task = static_cast<const KaArray<Task>&>(mTasks)[i];
        if (task.state && task.name == name && task.subName == subName) {
            mTasks[i].state = false;
            mLayoutsDirty = true;
            return;
        }
    }
}

void Objectif::clearTasks()
{
    mTasks.clear();
    mLayoutsDirty = true;
}

void Objectif::update()
{
    runUpdateHelp();
    if (mLayoutsDirty)
        rebuildLabels();
    mLayoutsDirty = false;
}

void Objectif::rebuildLabels()
{
    removeChildren();
    KaLayout* tasks = mGui.layout("tasks");
    if (!tasks)
        return;
    const KaArray<Task>& list = mTasks;
    long lastTitle = -1;
    for (unsigned long i = 0; i < list.size(); ++i) {
        if (!list[i].state)
            continue;
        // A title covers the run of tasks of its name that follows it; the
        // same name after another one gets a title of its own again.
        if (lastTitle >= 0 && list[i].name == list[static_cast<unsigned long>(lastTitle)].name)
            continue;
        createChildLayout(tasks, list[i].name, false);
        for (unsigned long j = 0; j < list.size(); ++j) {
            if (list[j].state && list[j].name == list[i].name && list[j].subName.length() > 0)
                createChildLayout(tasks, list[j].subName, true);
        }
        lastTitle = static_cast<long>(i);
    }

    float y = 0.1f;
    for (unsigned long i = 0; i < tasks->childCount(); ++i) {
        KaTextLayout* label = dynamic_cast<KaTextLayout*>(tasks->child(i));
        if (!label)
            continue;
        const KaVector3f32 position = label->userPosition();
        label->setPosition(KaVector3f32(position.x, y, position.z));
        y += label->userSize().y;
    }
}

void Objectif::removeChildren()
{
    deleteLabels();
    mLayoutsDirty = true;
}

void Objectif::deleteLabels()
{
    KaLayout* tasks = mGui.layout("tasks");
    if (!tasks)
        return;
    while (tasks->childCount() > 0) {
        KaI3DObject2* label = tasks->child(tasks->childCount() - 1);
        tasks->removeChild(label);
        if (KaObject* object = dynamic_cast<KaObject*>(label))
            object->deleteLater();
    }
}

bool Objectif::isMouseIn(const KaVector2s32& point)
{
    KaLayout* background = mGui.layout("background");
    if (background && background->visible()) {
        KaLayout* calepin = mGui.layout("Calepin");
        if (calepin && calepin->isMouseIn(point))
            return true;
    }
    KaButtonLayout* helpButton = mHelpGui.buttonLayout("helpButton");
    if (helpButton && helpButton->visible())
        return helpButton->isMouseIn(point);
    return false;
}

void Objectif::reattachLayout(KaLayout& parent)
{
    KaLayout* layouts[2] = { mGui.layout("background"), mHelpGui.buttonLayout("helpButton") };
    for (KaLayout* layout : layouts) {
        if (!layout)
            continue;
        // Taken from wherever it hangs: a layout listed by two parents would
        // be drawn twice and left dangling by the one it does not name.
        if (KaI3DObject2* current = layout->parent())
            current->removeChild(layout);
        parent.addChild(layout);
    }
}

void Objectif::setVisibleObjectif(bool visible) { showLayout(mGui.layout("background"), visible); }

bool Objectif::isVisibleObjectif()
{
    KaLayout* background = mGui.layout("background");
    return background && background->visible();
}

void Objectif::setVisibleButtonHelp(bool visible)
{
    showLayout(mHelpGui.buttonLayout("helpButton"), visible);
    mClosed = visible;
}

void Objectif::hideBouton() { showLayout(mHelpGui.buttonLayout("helpButton"), false); }

void Objectif::leave()
{
    showLayout(mGui.layout("background"), false);
    if (KaButtonLayout* helpButton = mHelpGui.buttonLayout("helpButton")) {
        helpButton->setVisible(false);
        mClosed = false;
    }
}

void Objectif::enter()
{
    showLayout(mHelpGui.buttonLayout("helpButton"), true);
    mClosed = true;
}

void Objectif::unload()
{
    removeChildren();
    leave();
    mGui.unload();
    mHelpGui.unload();
    mTasks.clear();
}

void Objectif::save(TiXmlNode& node)
{
    const KaArray<Task>& list = mTasks;
    for (unsigned long i = 0; i < list.size(); ++i) {
        TiXmlElement* element = new TiXmlElement("Task");
        element->SetAttribute("name", list[i].name.c_str());
        element->SetAttribute("subName", list[i].subName.c_str());
        element->SetAttribute("state", list[i].state ? 1 : 0);
        node.LinkEndChild(element);
    }
}

void Objectif::load(TiXmlNode& node)
{
    mTasks.clear();
    mLayoutsDirty = true;
    for (const TiXmlElement* element = node.FirstChildElement("Task"); element;
         element = element->NextSiblingElement("Task")) {
        Task task;
        task.name = attribute(*element, "name");
        task.subName = attribute(*element, "subName");
        int state = 0;
        element->QueryIntAttribute("state", &state);
        task.state = state != 0;
        mTasks.pushBack(task);
    }
}

KaTextLayout* Objectif::createChildLayout(KaILayout* parent, const KaString& key, bool isSubTask)
{
    if (!parent)
        return nullptr;
    KaTextLayout* label = new KaTextLayout();
    label->setName(key);
    label->setAnchor(KaVector3f32(0.0f, 0.0f, 0.0f));
    label->setSizeType(KaILayout::Percent);
    label->setPositionType(KaILayout::Percent);
    if (difficulty() == kNoHelpDifficulty) {
        parent->addChild(label);
        return label;
    }
    const char* markup = kTitleMarkup;
    if (isSubTask) {
        label->setSize(KaVector3f32(0.75f, 1.0f, 0.1f));
        label->setPosition(KaVector3f32(0.15f, 0.0f, 0.1f));
        markup = difficulty() == 0 ? kEasySubTaskMarkup : kSubTaskMarkup;
    } else {
        label->setSize(KaVector3f32(0.8f, 1.0f, 0.1f));
        label->setPosition(KaVector3f32(0.1f, 0.0f, 0.1f));
    }
    label->setText(KaString(markup) + helpText(key));
    parent->addChild(label);
    return label;
}

void Objectif::showSeenPictures()
{
    showLayout(mHelpGui.spriteLayout("newUp"), false);
    showLayout(mHelpGui.spriteLayout("newDown"), false);
    showLayout(mHelpGui.spriteLayout("notNewUp"), true);
    showLayout(mHelpGui.spriteLayout("notNewDown"), true);
}

void Objectif::runUpdateHelp() { application.get()->game().script().execute("UpdateHelp"); }
