#ifndef KA_OPENGL_EXTENSIONS_H
#define KA_OPENGL_EXTENSIONS_H

#include "engine/graphics/KaExtensions.h"

// The GL back end's extensions: nothing to load on a fixed-function
// desktop context.
class KaOpenGLExtensions : public KaExtensions {
public:
    ~KaOpenGLExtensions() override;
    void loadExtensions() override;
};

#endif
