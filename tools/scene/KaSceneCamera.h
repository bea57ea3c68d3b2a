#ifndef KA_SCENE_CAMERA_H
#define KA_SCENE_CAMERA_H

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/graphics/KaCamera.h"
#include "engine/maths/KaQuaternion.h"
#include "tools/scene/KaZoneDescription.h"

// Turns an author's camera (position, target, vertical field of view) into
// the values the running scene gives its KaCamera, so that the scene tool's
// geometry file and the painted background share one camera to the bit.
//
// The scene builds its cameras with the aspect-on-y perspective, whose field
// of view is the horizontal one: fileFov() makes the author's vertical angle
// into it. The rotation is KaMatrix4x4::setLookAt's, y up (the camera looks
// along its own +z); a camera that looks straight up or down takes +z as its
// up instead, so a top-down view keeps a fixed, known orientation.
class KaSceneCamera {
public:
    // The world rotation of the camera. False, with the identity, when the
    // camera has no direction (target on the position, or values that are
    // not finite).
    static bool rotation(const KaZoneDescription::Camera& camera, KaQuaternion& rotation);
    // Radians, as the geometry file stores it.
    static float fileFov(const KaZoneDescription::Camera& camera);
    // Whether a KaCamera can be built: a direction, a field of view between
    // 0 and 180 degrees, a positive aspect, a near plane short of the
    // scene's far plane of 3000 (the description's far plane is not used).
    static bool usable(const KaZoneDescription::Camera& camera);
    // The camera as the scene loads it from the geometry file, with the
    // viewport (0, 0, width, height); empty when !usable(camera).
    static KaIntrusivePtr<KaCamera> create(
        const KaZoneDescription::Camera& camera, unsigned int width, unsigned int height);
};

#endif
