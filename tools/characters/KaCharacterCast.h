#ifndef KA_CHARACTER_CAST_H
#define KA_CHARACTER_CAST_H

#include <string>
#include <vector>

#include "engine/core/KaString.h"
#include "tools/characters/KaCharacterFigure.h"
#include "tools/characters/KaCharacterMotion.h"
#include "tools/characters/KaCharacterRig.h"

// The sample game's characters: Mira, the player, a young harbour pilot in
// a navy coat and an amber scarf, and Ansel, the old harbour master in a
// grey coat and a cap. Both stand 170 cm tall, facing +z.
//
// Their files, under the game's "models/" folder:
//   NAME.kamd                       the skinned model
//   Textures/NAME.png               its picture
//   Anims/NAME_Idle.kaan            3 s breathing, 30 fps
//   Anims/NAME_Walk_Start.kaan ...  _Loop, _EndG, _EndD, and the same for Jog
//   Anims/NAME_StepAside.kaan       one step to the left, exactly 50 cm
//   Textures/simple_shadow_alpha.tga  the round shadow under the feet
// "models/ModelsSettings.xml" (a text file of content/) names them.
class KaCharacterCast {
public:
    struct Member {
        const char* name;
        KaCharacterRig::Proportions body;
        KaCharacterFigure::Look look;
        KaCharacterMotion::Gait walk;
        KaCharacterMotion::Gait jog;
    };

    static const std::vector<Member>& members();
    static const float stepAsideDistance;
    static const char* const partNames[4];

    static KaString modelFile(const Member& member);
    static KaString textureFile(const Member& member);
    static KaString idleFile(const Member& member);
    static KaString stepAsideFile(const Member& member);
    static KaString walkFile(const Member& member, const KaCharacterMotion::Gait& gait, KaCharacterMotion::Part part);

    // Writes every file of every member under resources + "/models/",
    // printing each walk part's frames and length. False when a file could
    // not be written.
    static bool write(const std::string& resources);
    static bool writeShadow(const std::string& path);
};

#endif
