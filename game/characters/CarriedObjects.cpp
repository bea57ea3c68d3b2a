#include "game/characters/CarriedObjects.h"

CarriedObjects::~CarriedObjects() = default;
