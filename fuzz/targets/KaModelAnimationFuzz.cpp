// Skeletal animation files ("KAAN", plain or wrapped in "KAZ0"): from a
// stream and from a file by path; what loads is played through frame limits,
// loops and both directions, asked for every track's transform and written
// back.

#include <initializer_list>

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaStream.h"
#include "engine/scene/KaModelAnimation.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

void use(KaModelAnimation& anim)
{
    const unsigned long tracks = anim.trackCount();
    const int limits[][2] = { { -1, 2147483647 }, { 2, 5 }, { 7, 3 }, { 0, -1 } };
    const unsigned int repeats[] = { 1, 2, KaAnimation::mEndless };
    for (const auto& limit : limits) {
        for (unsigned int repeat : repeats) {
            anim.setFrameLimits(limit[0], limit[1]);
            anim.setRepeatCount(repeat);
            anim.setReversed(repeat == 2);
            for (double ms : { 0.0, 33.0, 500.0, 1e4, 1e12 }) {
                anim.update(ms);
                const unsigned int frame = anim.currentFrame();
                for (unsigned long track = 0; track < tracks && track < 64; ++track) {
                    (void)anim.getTRS(track, frame, false);
                    (void)anim.getTRS(track, frame + 1, true);
                }
            }
        }
    }
    KaString first(anim.boneName(0));
    (void)anim.getMatrix(first, 3, false);
    KaStream out;
    anim.save(out);
    KaIntrusivePtr<KaModelAnimation> again(new KaModelAnimation());
    out.seek(0);
    again->load(out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaFuzzLoadFromStreamAndFile<KaModelAnimation>(data, size, "walk.anim", use);
    return 0;
}
