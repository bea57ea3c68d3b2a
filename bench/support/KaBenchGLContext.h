#ifndef KA_BENCH_GL_CONTEXT_H
#define KA_BENCH_GL_CONTEXT_H

#include <GL/osmesa.h>

#include <vector>

// An offscreen RGBA context of side x side pixels (24-bit depth, 8-bit
// stencil), made current, with the renderer initialised and its start-up
// lines kept out of the benchmark's report. The owner destroys the renderer
// before this context goes.
class KaBenchGLContext {
public:
    explicit KaBenchGLContext(int side);
    ~KaBenchGLContext();
    KaBenchGLContext(const KaBenchGLContext&) = delete;
    KaBenchGLContext& operator=(const KaBenchGLContext&) = delete;

    bool valid() const { return mValid; }

private:
    std::vector<unsigned char> mBuffer;
    OSMesaContext mContext = nullptr;
    bool mValid = false;
};

#endif
