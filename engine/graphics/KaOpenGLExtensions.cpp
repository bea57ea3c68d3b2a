#include "engine/graphics/KaOpenGLExtensions.h"

KaOpenGLExtensions::~KaOpenGLExtensions() = default;

void KaOpenGLExtensions::loadExtensions() {}
