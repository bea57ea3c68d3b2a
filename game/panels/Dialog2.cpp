#include "game/panels/Dialog2.h"

Dialog2::Dialog2() { }
Dialog2::~Dialog2() { }
void Dialog2::load() { }
void Dialog2::unload() { }
void Dialog2::pushDialog(const KaString&, const KaString&, const KaString&, const KaString&, const KaString&, float) { }
void Dialog2::pushDialog(const KaString&, const KaString&, const KaString&, int) { }
void Dialog2::launchNextDialog() { }
void Dialog2::startDownAnimation() { }
bool Dialog2::isDialogPlaying() { return false; }
bool Dialog2::onSoundFinished() { return false; }
bool Dialog2::onMinimumTimeTimer() { return false; }
bool Dialog2::onSkipButton() { return false; }
bool Dialog2::onAnimationUpFinished() { return false; }
bool Dialog2::onAnimationDownFinished() { return false; }
void Dialog2::saveToBackup(TiXmlNode&) { }
void Dialog2::loadFromBackup(TiXmlNode&) { }
