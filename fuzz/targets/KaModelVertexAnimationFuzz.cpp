// Vertex animation files ("KAVA" versions 2 and 256): from a stream and from
// a file by path; what loads is played across its keys, interpolated and
// written back.

#include <initializer_list>

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaStream.h"
#include "engine/scene/KaModelVertexAnimation.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

void use(KaModelVertexAnimation& anim)
{
    for (double ms : { 0.0, 16.0, 333.0, 700.0, 1e6, -5.0 }) {
        anim.update(ms);
        const KaArray<KaVector3f32>& vertices = anim.getVertices();
        (void)vertices.size();
    }
    (void)anim.getKeyVertex(0, 0);
    (void)anim.getKeyVertex(anim.keys().size(), 0);
    KaStream out;
    anim.save(out);
    KaIntrusivePtr<KaModelVertexAnimation> again(new KaModelVertexAnimation());
    out.seek(0);
    again->load(out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaFuzzLoadFromStreamAndFile<KaModelVertexAnimation>(data, size, "wave.kava", use);
    return 0;
}
