// Camera files (a scene's viewpoint): from a stream and from a file by path,
// then the camera projects and casts rays as the scene's picking does,
// whatever numbers the file held.

#include <cmath>

#include "engine/core/KaStream.h"
#include "engine/graphics/KaCamera.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

void use(KaCamera& camera)
{
    KaVector3f32 origin, direction;
    camera.getRay(KaVector2s32(10, 20), origin, direction);
    (void)camera.projectPoint(KaVector3f32(1.0f, 2.0f, 3.0f));
    (void)camera.projectPoint3f32(KaVector3f32(-1.0f, 0.0f, 5.0f));
    (void)camera.transformPoint2Dto3D(KaVector3f32(5.0f, 5.0f, 0.5f));
    (void)camera.transformationMatrix();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        KaStream stream;
        KaFuzzFillStream(stream, data, size);
        KaCamera camera;
        if (camera.loadBin(stream))
            use(camera);
    }
    {
        KaCamera camera;
        if (camera.loadBin(KaFuzzWriteFile("view.cam", data, size)))
            use(camera);
    }
    return 0;
}
