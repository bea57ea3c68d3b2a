#include "tests/tools/characters/KaCharacterFiles.h"

#include "engine/core/KaPath.h"

const KaCharacterFiles& KaCharacterFiles::get()
{
    static KaCharacterFiles files;
    return files;
}

KaCharacterFiles::KaCharacterFiles()
    : mDir()
    , mWritten(false)
{
    KaCaptureStdout quiet;
    mWritten = KaCharacterCast::write(mDir.path());
}

bool KaCharacterFiles::loadModel(const KaCharacterCast::Member& member, KaModel& model) const
{
    model.setTextureFolder(KaPath((models() + "Textures").c_str()));
    return model.load(KaPath((models() + KaCharacterCast::modelFile(member).c_str()).c_str()));
}

KaIntrusivePtr<KaModelAnimation> KaCharacterFiles::loadAnimation(const KaString& file) const
{
    KaIntrusivePtr<KaModelAnimation> animation(new KaModelAnimation());
    if (!animation->load(KaPath(anim(file).c_str())))
        return KaIntrusivePtr<KaModelAnimation>();
    return animation;
}

float KaRootZ(KaModelAnimation& animation, unsigned long frame)
{
    KaString root("Pere");
    return animation.getTRS(root, frame, false).getTranslation().z;
}

float KaGameLength(KaModelAnimation& animation)
{
    const unsigned long last = animation.nbFrames() - 1;
    return KaRootZ(animation, last) - KaRootZ(animation, 0) + (KaRootZ(animation, 1) - KaRootZ(animation, 0));
}

void KaPoseAt(KaModel& model, KaIntrusivePtr<KaModelAnimation>& animation, unsigned int frame)
{
    model.setAnim(animation, true);
    // Half a frame in, clear of the rounding at the frame's edge.
    animation->update((frame + 0.5) * 1000.0 / animation->frameRate());
    model.update();
}

KaVector3f32 KaBonePosition(const KaModel& model, const char* bone)
{
    KaString name(bone);
    const unsigned long index = model.findModelBone(name);
    // The skinning matrices are bone x inverse bind; the joint is where the
    // inverse bind matrix's rest position goes.
    const KaMatrix4x4 rest = model.inverseBindMatrices()[index].getInverseMatrix();
    return model.boneMatrices()[index].mult4x3(rest.translation());
}
