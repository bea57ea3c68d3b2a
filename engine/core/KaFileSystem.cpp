#include "engine/core/KaFileSystem.h"

KaFileSystem::~KaFileSystem() = default;
