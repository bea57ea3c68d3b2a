#include "engine/graphics/KaExtensions.h"

#include <GL/gl.h>

#include <cstring>

KaExtensions::~KaExtensions() = default;

void KaExtensions::loadExtensions() {}

bool KaExtensions::isGLExtensionSupported(const KaString& name)
{
    return isExtensionInList(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), name);
}

bool KaExtensions::isExtensionInList(const char* extensions, const KaString& name)
{
    const size_t length = name.length();
    // A NUL inside the name would let the match end before the name does.
    if (!extensions || length == 0 || std::strlen(name.c_str()) != length || std::strchr(name.c_str(), ' '))
        return false;
    const char* start = extensions;
    for (;;) {
        const char* where = std::strstr(start, name.c_str());
        if (!where)
            return false;
        const char* end = where + length;
        // A prefix of a longer name ("GL_ARB_a" in "GL_ARB_ab") is not it.
        if ((where == start || where[-1] == ' ') && (*end == ' ' || *end == '\0'))
            return true;
        start = end;
    }
}
