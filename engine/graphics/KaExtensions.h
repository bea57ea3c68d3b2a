#ifndef KA_EXTENSIONS_H
#define KA_EXTENSIONS_H

#include "engine/core/KaString.h"

// What the graphics back end offers beyond the base pipeline. Nothing is
// loaded: the fixed-function pipeline the engine draws with needs no entry
// point beyond GL 1.x.
class KaExtensions {
public:
    virtual ~KaExtensions();
    virtual void loadExtensions();

    // Whether GL_EXTENSIONS lists exactly that name: an occurrence counts
    // only as a whole, space-separated word. An empty name, or one holding
    // a space, is never supported. Needs a current GL context.
    static bool isGLExtensionSupported(const KaString& name);
    // The same test against a given extension list.
    static bool isExtensionInList(const char* extensions, const KaString& name);
};

#endif
