#include "bench/support/KaBenchGLContext.h"

#include <GL/gl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "engine/graphics/KaRenderer.h"

KaBenchGLContext::KaBenchGLContext(int side)
    : mBuffer(static_cast<size_t>(side) * side * 4)
{
    const int attributes[] = { OSMESA_FORMAT, OSMESA_RGBA, OSMESA_DEPTH_BITS, 24, OSMESA_STENCIL_BITS, 8,
        OSMESA_PROFILE, OSMESA_COMPAT_PROFILE, 0 };
    mContext = OSMesaCreateContextAttribs(attributes, nullptr);
    mValid = mContext && OSMesaMakeCurrent(mContext, mBuffer.data(), GL_UNSIGNED_BYTE, side, side);
    if (!mValid)
        return;
    // init() prints the GL strings (and mesh optimisers print too): keep
    // them out of the report.
    std::fflush(stdout);
    const int saved = dup(1);
    const int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0)
        dup2(devNull, 1);
    renderer.get()->init();
    std::fflush(stdout);
    if (saved >= 0) {
        dup2(saved, 1);
        close(saved);
    }
    if (devNull >= 0)
        close(devNull);
}

KaBenchGLContext::~KaBenchGLContext()
{
    if (mContext)
        OSMesaDestroyContext(mContext);
}
