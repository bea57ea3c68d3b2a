#include "game/panels/Notifier.h"

Notifier::Notifier() { }
Notifier::~Notifier() { }
void Notifier::load() { }
void Notifier::unload() { }
void Notifier::push(const KaString&, const KaString&) { }
void Notifier::launchNextnotifier() { }
bool Notifier::onFadeInFinished() { return false; }
bool Notifier::onVisibleFinished() { return false; }
bool Notifier::onFadeOutFinished() { return false; }
