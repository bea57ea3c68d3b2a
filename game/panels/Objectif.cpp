#include "game/panels/Objectif.h"

bool Objectif::mLayoutsDirty = false;

Objectif::Objectif() : mClosed(true) { }
Objectif::~Objectif() { }
void Objectif::load() { }
bool Objectif::onHelpButtonValidated() { return false; }
void Objectif::pushObjectif(const KaString&, const KaString&) { }
void Objectif::deleteObjectif(const KaString&, const KaString&) { }
void Objectif::clearTasks() { mTasks.clear(); }
void Objectif::update() { }
void Objectif::removeChildren() { }
bool Objectif::isMouseIn(const KaVector2s32&) { return false; }
void Objectif::reattachLayout(KaLayout&) { }
void Objectif::setVisibleObjectif(bool) { }
bool Objectif::isVisibleObjectif() { return false; }
void Objectif::setVisibleButtonHelp(bool) { }
void Objectif::hideBouton() { }
void Objectif::leave() { }
void Objectif::enter() { }
void Objectif::unload() { }
void Objectif::save(TiXmlNode&) { }
void Objectif::load(TiXmlNode&) { }
KaTextLayout* Objectif::createChildLayout(KaILayout*, const KaString&, bool) { return nullptr; }
