#ifndef KA_FUZZ_GL_CONTEXT_H
#define KA_FUZZ_GL_CONTEXT_H

// Targets that make textures (fonts and their glyph atlases) need a current
// GL context: an OSMesa one drawing into memory, made once for the process.
// Link those targets with OSMesa ahead of GL.

#include <GL/osmesa.h>

#include <vector>

// Mesa keeps a few blocks of its own for the life of the process that leak
// checks report at every run: they are not the engine's. Include this header
// in one translation unit of a target only (it defines the suppressions).
extern "C" const char* __lsan_default_suppressions() { return "leak:libOSMesa.so\n"; }

inline bool KaFuzzMakeGLContext()
{
    static std::vector<unsigned char> buffer(16 * 16 * 4);
    static OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 8, 0, nullptr);
    return context && OSMesaMakeCurrent(context, buffer.data(), GL_UNSIGNED_BYTE, 16, 16);
}

#endif
