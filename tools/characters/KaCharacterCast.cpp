#include "tools/characters/KaCharacterCast.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "engine/core/KaFile.h"
#include "engine/core/KaStream.h"
#include "engine/scene/KaModel.h"
#include "engine/scene/KaModelAnimation.h"

namespace {

typedef KaCanvas::Color Color;

// Walk and jog of each character. Speeds are "Pere"'s z per frame; a loop
// cycle (32 frames) covers 32 x speed:
//   Mira  Walk  4.0 cm x 30 fps = 120 cm/s, 128 cm a cycle
//         Jog   6.5 cm x 40 fps = 260 cm/s, 208 cm a cycle
//   Ansel Walk  3.5 cm x 30 fps = 105 cm/s, 112 cm a cycle
//         Jog   5.0 cm x 40 fps = 200 cm/s, 160 cm a cycle
// The starts and stops are as long as their footfalls need; the generator
// prints each part's frames and length as the game measures them.
const std::vector<KaCharacterCast::Member> cast = {
    { "Mira",
        { 92.0f, 9.0f, 43.0f, 41.0f, 10.0f, 40.0f, 7.0f, 36.0f, 22.5f, 27.0f, 24.0f, 17.0f },
        { Color { 0.10f, 0.14f, 0.30f, 1 }, Color { 0.86f, 0.68f, 0.30f, 1 }, Color { 0.20f, 0.22f, 0.27f, 1 },
            Color { 0.24f, 0.15f, 0.09f, 1 }, Color { 0.93f, 0.76f, 0.62f, 1 }, Color { 0.42f, 0.20f, 0.10f, 1 },
            Color { 0.97f, 0.66f, 0.16f, 1 }, Color { 0.22f, 0.45f, 0.36f, 1 }, KaCharacterFigure::Ponytail, false,
            true },
        { "Walk", 30.0f, 4.0f, 32.0f, 19, 5.0f, 1.5f, 1.0f, 7.0f, 0.04f, 0.35f, 0.25f },
        { "Jog", 40.0f, 6.5f, 30.0f, 11, 7.0f, 2.5f, 5.5f, 14.0f, 0.14f, 0.6f, 1.35f } },
    { "Ansel",
        { 90.0f, 9.5f, 42.0f, 40.0f, 10.0f, 41.0f, 8.0f, 36.0f, 23.5f, 27.0f, 24.0f, 17.0f },
        { Color { 0.42f, 0.43f, 0.46f, 1 }, Color { 0.80f, 0.64f, 0.28f, 1 }, Color { 0.17f, 0.18f, 0.22f, 1 },
            Color { 0.10f, 0.09f, 0.09f, 1 }, Color { 0.88f, 0.70f, 0.58f, 1 }, Color { 0.88f, 0.88f, 0.86f, 1 },
            Color { 0.16f, 0.20f, 0.33f, 1 }, Color { 0.30f, 0.36f, 0.52f, 1 }, KaCharacterFigure::Cap, true, false },
        { "Walk", 30.0f, 3.5f, 30.0f, 19, 5.0f, 1.2f, 1.0f, 6.0f, 0.06f, 0.25f, 0.3f },
        { "Jog", 40.0f, 5.0f, 27.0f, 12, 6.5f, 2.0f, 6.0f, 12.0f, 0.15f, 0.45f, 1.3f } },
};

bool save(const std::string& path, const KaStream& bytes)
{
    KaFile file(KaPath(path.c_str()), KaFileSystem::Write);
    if (!file.isOpened())
        return false;
    file.setMode(KaStream::Binary);
    const unsigned long length = bytes.contentLength();
    return file.writeData(bytes.data(), length) == length;
}

bool saveAnimation(const std::string& path, const KaModelAnimation& animation)
{
    KaStream bytes;
    return animation.save(bytes) && save(path, bytes);
}

// What the game reads as a part's length: the root's z over the frames plus
// one frame's step.
float rootLength(KaModelAnimation& animation)
{
    KaString root("Pere");
    const unsigned long last = animation.nbFrames() - 1;
    const float first = animation.getTRS(root, 0, true).getTranslation().z;
    return animation.getTRS(root, last, true).getTranslation().z - first
        + (animation.getTRS(root, 1, true).getTranslation().z - first);
}

} // namespace

const float KaCharacterCast::stepAsideDistance = 50.0f;

const char* const KaCharacterCast::partNames[4] = { "Start", "Loop", "EndG", "EndD" };

const std::vector<KaCharacterCast::Member>& KaCharacterCast::members() { return cast; }

KaString KaCharacterCast::modelFile(const Member& member) { return KaString(member.name) + ".kamd"; }

KaString KaCharacterCast::textureFile(const Member& member) { return KaString(member.name) + ".png"; }

KaString KaCharacterCast::idleFile(const Member& member) { return KaString(member.name) + "_Idle.kaan"; }

KaString KaCharacterCast::stepAsideFile(const Member& member) { return KaString(member.name) + "_StepAside.kaan"; }

KaString KaCharacterCast::walkFile(
    const Member& member, const KaCharacterMotion::Gait& gait, KaCharacterMotion::Part part)
{
    return KaString(member.name) + "_" + gait.name + "_" + partNames[part] + ".kaan";
}

bool KaCharacterCast::writeShadow(const std::string& path)
{
    // A soft round shadow, black with its darkness in the alpha: the planes
    // modulate it by their white vertex colour and blend it over the floor,
    // so any other colour here would show as a glow. Uncompressed 32-bit
    // TGA, the only form the engine reads it in without a writer.
    const int side = 64;
    KaStream bytes;
    bytes.setMode(KaStream::Binary);
    const unsigned char header[18] = { 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, side, 0, side, 0, 32, 0x28 };
    bytes.writeData(header, sizeof(header));
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const float dx = (x + 0.5f - side / 2.0f) / (side / 2.0f);
            const float dy = (y + 0.5f - side / 2.0f) / (side / 2.0f);
            const float d = std::sqrt(dx * dx + dy * dy);
            const float alpha = d >= 1.0f ? 0.0f : (1.0f - d * d) * (1.0f - d * d);
            const unsigned char pixel[4] = { 0, 0, 0, static_cast<unsigned char>(std::lround(alpha * 255.0f)) };
            bytes.writeData(pixel, 4);
        }
    }
    return save(path, bytes);
}

bool KaCharacterCast::write(const std::string& resources)
{
    const std::string models = resources + "/models/";
    std::error_code error;
    std::filesystem::create_directories(models + "Anims", error);
    std::filesystem::create_directories(models + "Textures", error);
    bool ok = writeShadow(models + "Textures/simple_shadow_alpha.tga");
    for (const Member& member : members()) {
        const KaCharacterRig rig(member.body);
        const KaCharacterFigure figure(rig, member.look);
        ok = figure.paint().savePng(KaString((models + "Textures/").c_str()) + textureFile(member)) && ok;
        KaModel model;
        figure.build(model, member.name, textureFile(member));
        KaStream bytes;
        ok = model.saveModel(bytes, 0) && save(models + modelFile(member).c_str(), bytes) && ok;

        const KaCharacterMotion motion(rig);
        KaModelAnimation animation;
        motion.idle(animation);
        ok = saveAnimation(models + "Anims/" + idleFile(member).c_str(), animation) && ok;
        motion.stepAside(stepAsideDistance, animation);
        ok = saveAnimation(models + "Anims/" + stepAsideFile(member).c_str(), animation) && ok;
        for (const KaCharacterMotion::Gait* gait : { &member.walk, &member.jog }) {
            for (int p = 0; p < 4; ++p) {
                const KaCharacterMotion::Part part = static_cast<KaCharacterMotion::Part>(p);
                motion.walkPart(*gait, part, animation);
                const KaString file = walkFile(member, *gait, part);
                ok = saveAnimation(models + "Anims/" + file.c_str(), animation) && ok;
                std::printf("%s: %u frames at %g fps, steps left %d right %d, %.3f cm\n", file.c_str(),
                    animation.nbFrames(), static_cast<double>(gait->framesPerSecond),
                    KaCharacterMotion::leftStep(*gait, part), KaCharacterMotion::rightStep(*gait, part),
                    static_cast<double>(rootLength(animation)));
            }
        }
    }
    return ok;
}
