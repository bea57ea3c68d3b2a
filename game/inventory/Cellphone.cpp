#include "game/inventory/Cellphone.h"

Cellphone::Cellphone() : mCurrent(0) { }
Cellphone::~Cellphone() { }
void Cellphone::load() { }
void Cellphone::enter() { }
void Cellphone::leave() { }
void Cellphone::unload() { }
void Cellphone::setVisible(bool) { }
bool Cellphone::addNumber(const KaString&) { return false; }
void Cellphone::currentPage(unsigned long) { }
bool Cellphone::onPreviousNumber() { return false; }
bool Cellphone::onNextNumber() { return false; }
bool Cellphone::onCallNumberValidated() { return false; }
bool Cellphone::onCloseButtonValidated() { return false; }
void Cellphone::saveToBackup(TiXmlNode&) { }
void Cellphone::loadFromBackup(TiXmlNode&) { }
