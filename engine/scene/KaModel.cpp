#include "engine/scene/KaModel.h"

#include <cmath>
#include <cstring>

#include "engine/base/KaStd.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaStream.h"
#include "engine/core/KaZLibStream.h"
#include "engine/graphics/KaLight.h"
#include "engine/graphics/KaMaterial.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/maths/KaMaths.h"
#include "engine/scene/KaModelAnimationLink.h"

namespace {

const uint32_t mAllBits = 4294967295u;

// Smallest bone record: name length, parent, TRS (no name bytes, no
// matrix).
const unsigned long long smallestBoneBytes = 4 + 4 + 40;
const unsigned long long matrixBytes = 64;
// Smallest mesh record: tag, five counts, name length and the seven tags of
// a mesh without texture coordinates or colours.
const unsigned long long smallestMeshBytes = 4 + 5 * 4 + 4 + 7 * 4;

bool readU32(KaStream& stream, unsigned int& value) { return stream.read(value) == 4; }

bool writeTag(KaStream& stream, const char* tag) { return stream.writeData(tag, 4) == 4; }

KaMatrix4x4 mirrorX()
{
    KaMatrix4x4 s;
    s[0][0] = -1.0f;
    return s;
}

// out += weight x matrix, element by element.
inline void addWeighted(float* out, const float* matrix, float weight)
{
    for (int k = 0; k < 16; ++k)
        out[k] += weight * matrix[k];
}

inline KaVector3f32 transformPoint(const float* m, const KaVector3f32& v)
{
    return KaVector3f32(m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12], m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13],
        m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14]);
}

inline KaVector3f32 transformVector(const float* m, const KaVector3f32& v)
{
    return KaVector3f32(
        m[0] * v.x + m[4] * v.y + m[8] * v.z, m[1] * v.x + m[5] * v.y + m[9] * v.z, m[2] * v.x + m[6] * v.y + m[10] * v.z);
}

} // namespace

KaModel::meshBlender::meshBlender()
    : name()
    , target(0)
    , hasTarget(false)
    , timer()
    , duration(0.0f)
{
}

KaModel::meshBlender::~meshBlender() = default;

float KaModel::meshBlender::coefficient() const
{
    // A zero or negative duration is over at once (no division by zero).
    if (!(duration > 0.0f))
        return 1.0f;
    const double c = timer.getTimeFromStart() / 1000000.0 / duration;
    return c < 1.0 ? static_cast<float>(c) : 1.0f;
}

KaModel::bonesBlender::bonesBlender()
    : animation()
    , timer()
    , duration(0.0f)
{
}

KaModel::bonesBlender::~bonesBlender() = default;

float KaModel::bonesBlender::coefficient() const
{
    if (!(duration > 0.0f))
        return 1.0f;
    const double c = timer.getTimeFromStart() / 1000000.0 / duration;
    return c < 1.0 ? static_cast<float>(c) : 1.0f;
}

KaModel::KaModel()
    : Ka3DObject2()
    , KaResource()
    , mWeights()
    , mSkinningMatrices()
    , mDrawNormals(false)
    , mBones()
    , mRootRotation(0.0f, 0.0f, 0.0f, 1.0f)
    , mBoneMatrices()
    , mInverseBindMatrices()
    , mOnBonesUpdate()
    , mMeshBlenders()
    , mBonesBlenders()
    , mMatrixForced(false)
    , mForcedMatrix()
    , mTextureFolder()
    , mMeshes()
    , mEnableLights(false)
    , mFlags(0)
    , mAnim()
    , mVertexAnim()
{
    KaModelAnimationLink::releaseLater(mAnim);
    KaModelAnimationLink::releaseLater(mVertexAnim);
    create();
}

KaModel::~KaModel()
{
    destroy();
    mAnim = nullptr;
    mVertexAnim = nullptr;
}

void KaModel::create()
{
    mDrawNormals = false;
    mAnim = nullptr;
    mVertexAnim = nullptr;
    mMatrixForced = false;
    mFlags = 0;
}

void KaModel::clearBonesBlenders()
{
    // The list is emptied before the blenders go: releasing an animation may
    // run code that looks at this model.
    KaArray<bonesBlender*> blenders = mBonesBlenders;
    mBonesBlenders.clear();
    for (unsigned long i = 0; i < blenders.size(); ++i)
        delete blenders[i];
}

void KaModel::clearMeshBlenders()
{
    for (unsigned long i = 0; i < mMeshBlenders.size(); ++i)
        delete mMeshBlenders[i];
    mMeshBlenders.clear();
}

void KaModel::destroy()
{
    mWeights.clear();
    mSkinningMatrices.clear();
    resizeMeshes(0);
    mBones.clear();
    mBoneMatrices.clear();
    mInverseBindMatrices.clear();
    clearMeshBlenders();
    clearBonesBlenders();
}

void KaModel::resizeMeshes(unsigned long count)
{
    const unsigned long old = mMeshes.size();
    for (unsigned long i = count; i < old; ++i)
        delete mMeshes[i];
    if (count < old) {
        mMeshes.resize(count);
        return;
    }
    mMeshes.resize(count);
    for (unsigned long i = old; i < count; ++i)
        mMeshes[i] = new KaMesh();
}

// ---------------------------------------------------------------------------
// Reading and writing

int KaModel::checkFileType(KaStream& stream)
{
    stream.setMode(KaStream::Binary);
    stream.seek(0);
    int type = 0;
    if (loadAndCheckString(stream, "KAMD")) {
        type = 1;
    } else {
        stream.seek(0);
        if (loadAndCheckString(stream, "KAAN"))
            type = 2;
    }
    stream.seek(0);
    return type;
}

bool KaModel::loadAndCheckString(KaStream& stream, const char* tag)
{
    char bytes[4];
    if (stream.readData(bytes, 4) != 4)
        return false;
    return std::memcmp(bytes, tag, 4) == 0;
}

bool KaModel::loadAlign(KaStream& stream) { return KaMaterial::loadAlign(stream); }

bool KaModel::saveAlign(KaStream& stream) { return KaMaterial::saveAlign(stream); }

namespace {

// The file load(path) is reading on this thread, for the refusals of the
// stream reader to name; null while a model is read from a stream alone.
thread_local const KaPath* tReadingFile = nullptr;

class ReadingFile {
public:
    explicit ReadingFile(const KaPath& path)
        : mPrevious(tReadingFile)
    {
        tReadingFile = &path;
    }
    ~ReadingFile() { tReadingFile = mPrevious; }
    ReadingFile(const ReadingFile&) = delete;
    ReadingFile& operator=(const ReadingFile&) = delete;

private:
    const KaPath* mPrevious;
};

// Prints "[KaModel::load] <what>", with the path of the file being read.
void refuse(const char* what)
{
    if (!tReadingFile)
        KaPrintf("[KaModel::load] %s\n", what);
    else
        KaPrintf("[KaModel::load] %s File : %s\n", what, tReadingFile->c_str());
}

} // namespace

bool KaModel::load(const KaPath& path)
{
    KaFile file(path, KaFileSystem::Read);
    if (!file.isOpened()) {
        KaPrintf("[KaModel::load] Can't open file : %s.\n", path.c_str());
        return false;
    }
    file.setMode(KaStream::Binary);
    const ReadingFile reading(path);
    bool loaded = false;
    if (loadAndCheckString(file, "KAZ0")) {
        KaZLibStream inflated;
        if (inflated.open(file)) {
            loaded = load(inflated);
        } else {
            destroy();
            create();
        }
    } else {
        file.seek(0);
        loaded = load(file);
    }
    return loaded;
}

bool KaModel::load(KaStream& stream)
{
    if (read(stream))
        return true;
    // Half a model is worse than none: callers test the result, but a model
    // drawn anyway must not show garbage or index past its arrays.
    destroy();
    create();
    return false;
}

bool KaModel::read(KaStream& stream)
{
    destroy();
    create();
    stream.setMode(KaStream::Binary);

    if (!loadAndCheckString(stream, "KAMD")) {
        refuse("Unknown format.");
        return false;
    }
    unsigned int version = 0;
    if (!readU32(stream, version) || (version != 11 && version != 13)) {
        refuse("Unsupported version.");
        return false;
    }
    unsigned int meshCount = 0;
    unsigned int weightCount = 0;
    unsigned int boneCount = 0;
    unsigned int flags = 0;
    if (!readU32(stream, meshCount) || !readU32(stream, weightCount) || !readU32(stream, boneCount)
        || (version == 13 && !readU32(stream, flags))) {
        refuse("Unable to find skeleton.");
        return false;
    }
    const bool withMatrices = (flags & mSelfSkinningFlag) == 0;
    // Nothing is allocated for more records than the rest of the stream
    // could hold, even at their smallest.
    const unsigned long long left = stream.remainingBytes();
    const unsigned long long boneBytes = boneCount * (smallestBoneBytes + (withMatrices ? matrixBytes : 0));
    if (boneCount > mNoParent || boneBytes > left) {
        refuse("Unable to find skeleton.");
        return false;
    }
    if (meshCount * smallestMeshBytes > left - boneBytes) {
        refuse("Error on meshes loading.");
        return false;
    }
    if (4ull + weightCount * 4ull > left - boneBytes - meshCount * smallestMeshBytes) {
        refuse("Unable to load weight.");
        return false;
    }
    mFlags = flags;

    if (!loadAndCheckString(stream, "SKEL")) {
        refuse("Unable to find skeleton.");
        return false;
    }
    mBones.resize(boneCount);
    mInverseBindMatrices.resize(boneCount);
    for (unsigned int i = 0; i < boneCount; ++i) {
        bone& b = mBones[i];
        unsigned int parent = 0;
        if (!KaString::deserialize(stream, b.name) || !loadAlign(stream) || !readU32(stream, parent)
            || !KaTRS::deserialize(stream, b.bindTransform)
            || (withMatrices && !KaMatrix4x4::deserialize(stream, mInverseBindMatrices[i]))) {
            refuse("Unable to find skeleton.");
            return false;
        }
        // Parents come first: anything else would make update read a bone
        // matrix that is not computed yet, or loop.
        b.parent = static_cast<uint16_t>(parent & 0xFFFFu);
        if (b.parent != mNoParent && b.parent >= i) {
            refuse("Unable to find skeleton.");
            return false;
        }
    }

    // A file without bones gets one default bone at the end, which matrix
    // indices and weights may name.
    const unsigned int boneLimit = boneCount != 0 ? boneCount : 1;
    const unsigned long matrixLimit = static_cast<unsigned long>(boneLimit) + weightCount;
    resizeMeshes(meshCount);
    for (unsigned int m = 0; m < meshCount; ++m) {
        KaMesh& mesh = *mMeshes[m];
        bool ok = KaMesh::deserialize(stream, mesh, mTextureFolder, mEnableLights);
        if (ok && mesh.materialCount() != 0) {
            unsigned long long faces = 0;
            for (unsigned long k = 0; k < mesh.facesPerMaterialCount(); ++k)
                faces += mesh.facesPerMaterial(k);
            ok = faces * 3 == mesh.indexCount();
        }
        for (unsigned long v = 0; ok && v < mesh.vertexCount(); ++v)
            ok = mesh.matrixIndex(v) < matrixLimit;
        if (!ok) {
            refuse("Error on meshes loading.");
            return false;
        }
    }

    if (!loadAndCheckString(stream, "WEIG")) {
        refuse("Unable to load weight.");
        return false;
    }
    mWeights.resize(weightCount);
    for (unsigned int w = 0; w < weightCount; ++w) {
        unsigned int count = 0;
        if (!readU32(stream, count) || static_cast<unsigned long long>(count) * 8 > stream.remainingBytes()) {
            refuse("Unable to load weight.");
            return false;
        }
        KaArray<weightElement>& list = mWeights[w];
        list.resize(count);
        weightElement* elements = count != 0 ? list.data() : nullptr;
        for (unsigned int e = 0; e < count; ++e) {
            unsigned short boneIndex = 0;
            unsigned short dropped = 0;
            if (stream.read(elements[e].weight) != 4 || stream.read(boneIndex) != 2 || stream.read(dropped) != 2
                || boneIndex >= boneLimit) {
                refuse("Unable to load weight.");
                return false;
            }
            elements[e].bone = boneIndex;
        }
    }

    if (mBones.size() == 0)
        mBones.resize(1);
    return true;
}

bool KaModel::saveModel(KaStream& stream, unsigned int flags) const
{
    stream.setMode(KaStream::Binary);
    const bool withMatrices = (flags & mSelfSkinningFlag) == 0;
    bool ok = writeTag(stream, "KAMD");
    ok = stream.write(13u) == 4 && ok;
    ok = stream.write(static_cast<unsigned int>(mMeshes.size())) == 4 && ok;
    ok = stream.write(static_cast<unsigned int>(mWeights.size())) == 4 && ok;
    ok = stream.write(static_cast<unsigned int>(mBones.size())) == 4 && ok;
    ok = stream.write(flags) == 4 && ok;
    ok = writeTag(stream, "SKEL") && ok;
    for (unsigned long i = 0; i < mBones.size(); ++i) {
        const bone& b = mBones[i];
        ok = KaString::serialize(stream, b.name) && ok;
        ok = saveAlign(stream) && ok;
        ok = stream.write(static_cast<unsigned int>(b.parent)) == 4 && ok;
        ok = KaTRS::serialize(stream, b.bindTransform) && ok;
        if (withMatrices)
            ok = KaMatrix4x4::serialize(stream, skinOffset(i)) && ok;
    }
    for (unsigned long m = 0; m < mMeshes.size(); ++m)
        ok = saveMesh(stream, *mMeshes[m]) && ok;
    ok = writeTag(stream, "WEIG") && ok;
    for (unsigned long w = 0; w < mWeights.size(); ++w)
        ok = saveWeights(stream, mWeights[w]) && ok;
    return ok;
}

bool KaModel::saveMesh(KaStream& stream, const KaMesh& mesh) const { return KaMesh::serialize(stream, mesh); }

bool KaModel::saveWeights(KaStream& stream, const KaArray<weightElement>& weights) const
{
    bool ok = stream.write(static_cast<unsigned int>(weights.size())) == 4;
    for (unsigned long e = 0; e < weights.size(); ++e) {
        ok = stream.write(weights[e].weight) == 4 && ok;
        ok = stream.write(static_cast<unsigned short>(weights[e].bone)) == 2 && ok;
        ok = stream.write(static_cast<unsigned short>(0)) == 2 && ok;
    }
    return ok;
}

// ---------------------------------------------------------------------------
// Animations

void KaModel::setAnim(KaIntrusivePtr<KaModelAnimation>& animation, bool repeat)
{
    clearBonesBlenders();
    if (animation)
        KaModelAnimationLink::setRepeatCount(*animation, repeat ? mAllBits : 1u);
    mAnim = animation;
}

void KaModel::blendAnim(KaIntrusivePtr<KaModelAnimation>& animation, float seconds, bool repeat)
{
    if (!mAnim) {
        setAnim(animation, repeat);
        return;
    }
    bonesBlender* blender = new bonesBlender();
    KaModelAnimationLink::releaseLater(blender->animation);
    blender->animation = animation;
    blender->duration = seconds;
    blender->timer.stop();
    blender->timer.start();
    if (animation) {
        KaModelAnimationLink::setRepeatCount(*animation, repeat ? mAllBits : 1u);
        KaModelAnimationLink::play(*animation);
    }
    mBonesBlenders.pushBack(blender);
}

void KaModel::removeAnim()
{
    clearBonesBlenders();
    mAnim = nullptr;
}

void KaModel::setVertexAnim(KaIntrusivePtr<KaModelVertexAnimation> animation, bool repeat)
{
    if (animation)
        KaModelAnimationLink::setRepeatCount(*animation, repeat ? mAllBits : 1u);
    mVertexAnim = animation;
}

void KaModel::blendVertexAnim(KaIntrusivePtr<KaModelVertexAnimation>& animation, float, bool repeat)
{
    if (!animation)
        return;
    KaModelAnimationLink::setRepeatCount(*animation, repeat ? mAllBits : 1u);
    if (!mAnim)
        mVertexAnim = animation;
    else
        KaModelAnimationLink::play(*animation);
}

void KaModel::blendMesh(KaString from, KaString to, float seconds)
{
    meshBlender* blender = new meshBlender();
    blender->name = from;
    blender->duration = seconds;
    for (unsigned long m = 0; m < mMeshes.size(); ++m) {
        if (mMeshes[m]->name().contains(to)) {
            blender->target = m;
            blender->hasTarget = true;
            break;
        }
    }
    blender->timer.start();
    mMeshBlenders.pushBack(blender);
}

void KaModel::forceMatrix(KaMatrix4x4& matrix)
{
    mForcedMatrix = matrix;
    mMatrixForced = true;
}

KaTRS KaModel::getBone(KaIntrusivePtr<KaModelAnimation> animation, unsigned long index)
{
    if (index >= mBones.size())
        return KaTRS();
    const bone& b = mBones.elementOrDefault(index);
    if (animation) {
        KaTRS transform;
        if (KaModelAnimationLink::boneTransform(*animation, b.name, transform))
            return transform;
    }
    return b.bindTransform;
}

KaMatrix4x4 KaModel::skinOffset(unsigned long index) const
{
    if (index >= mInverseBindMatrices.size())
        return KaMatrix4x4();
    return mInverseBindMatrices[index];
}

unsigned long KaModel::findModelBone(KaString& name) const
{
    for (unsigned long i = 0; i < mBones.size(); ++i) {
        if (mBones[i].name == name)
            return i;
    }
    return mNoParent;
}

unsigned long KaModel::findOrAddWeights(KaArray<weightElement> weights)
{
    const unsigned long count = weights.size();
    for (unsigned long w = 0; w < mWeights.size(); ++w) {
        const KaArray<weightElement>& list = mWeights[w];
        if (list.size() != count)
            continue;
        bool same = true;
        for (unsigned long e = 0; same && e < count; ++e) {
            same = list[e].bone == weights[e].bone && std::fabs(list[e].weight - weights[e].weight) <= 0.1f;
        }
        if (same)
            return w;
    }
    mWeights.pushBack(weights);
    return mWeights.size() - 1;
}

// ---------------------------------------------------------------------------
// Meshes

void KaModel::setVisibleByName(const KaString& text, bool visible)
{
    for (unsigned long m = 0; m < mMeshes.size(); ++m) {
        if (mMeshes[m]->name().contains(text))
            mMeshes[m]->setVisible(visible);
    }
}

void KaModel::addMesh(const KaMesh& mesh) { mMeshes.pushBack(new KaMesh(mesh)); }

void KaModel::setQuad(KaIntrusivePtr<Ka3DTexture>& texture, KaArray<KaVector3f32>& corners, KaColor color)
{
    KaMesh* mesh = new KaMesh();
    mesh->setConf(4, 4, KaMesh::TRIANGLE_STRIP, 1, 0);
    mesh->defaultMaterial(texture);
    KaVector3f32 points[4];
    for (unsigned long k = 0; k < 4; ++k)
        points[k] = k < corners.size() ? corners[k] : KaVector3f32();
    KaVector3f32 normal = (points[1] - points[0]).crossProduct(points[2] - points[0]);
    normal.normalize();
    for (unsigned int i = 0; i < 2; ++i) {
        for (unsigned int j = 0; j < 2; ++j) {
            const unsigned int k = 2 * i + j;
            mesh->setVertex(k, points[k]);
            mesh->setTextureUV(k, KaVector2f32(static_cast<float>(i), static_cast<float>(j)));
            mesh->setNormal(k, normal);
            mesh->setIndex(k, k);
            if (color.a != 0)
                mesh->setColor(k, color);
        }
    }
    mMeshes.pushBack(mesh);
}

void KaModel::setColor(const KaColor& color)
{
    Ka3DObject2::setColor(color);
    for (unsigned long m = 0; m < mMeshes.size(); ++m)
        mMeshes[m]->setColor(color);
}

void KaModel::optimize()
{
    for (unsigned long m = 0; m < mMeshes.size(); ++m) {
        mMeshes[m]->optimizeVertices();
        mMeshes[m]->sortFaces();
    }
}

void KaModel::boundingBox(KaVector3f32& min, KaVector3f32& max) const
{
    min = KaVector3f32(999999986991104.0f, 999999986991104.0f, 999999986991104.0f);
    max = KaVector3f32(-999999986991104.0f, -999999986991104.0f, -999999986991104.0f);
    for (unsigned long m = 0; m < mMeshes.size(); ++m) {
        KaVector3f32 low;
        KaVector3f32 high;
        mMeshes[m]->boundingBox(low, high);
        min = KaVector3f32(KaMin(min.x, low.x), KaMin(min.y, low.y), KaMin(min.z, low.z));
        max = KaVector3f32(KaMax(max.x, high.x), KaMax(max.y, high.y), KaMax(max.z, high.z));
    }
}

// ---------------------------------------------------------------------------
// Posing and skinning

const KaArray<KaVector3f32>* KaModel::vertexAnimationFor(const KaMesh& mesh)
{
    if (!mVertexAnim)
        return nullptr;
    return KaModelAnimationLink::verticesFor(*mVertexAnim, mesh.name());
}

void KaModel::poseBones()
{
    const KaMatrix4x4 s = mirrorX();
    const unsigned long boneCount = mBones.size();
    for (unsigned long i = 0; i < boneCount; ++i) {
        KaTRS transform = getBone(mAnim, i);
        for (unsigned long j = 0; j < mBonesBlenders.size();) {
            bonesBlender* blender = mBonesBlenders[j];
            const float c = blender->coefficient();
            if (c < 1.0f) {
                transform = transform.lerp(getBone(blender->animation, i), c);
                ++j;
                continue;
            }
            // The cross-fade is over: its animation becomes the current one
            // and the blender after it moves into its place.
            KaIntrusivePtr<KaModelAnimation> next;
            KaModelAnimationLink::releaseLater(next);
            next = blender->animation;
            mBonesBlenders.removeAt(j);
            delete blender;
            mAnim = next;
            transform = getBone(mAnim, i);
        }

        KaMatrix4x4 local;
        if (mMatrixForced) {
            local = s * mForcedMatrix;
            mMatrixForced = false;
        } else {
            local.fromTRS(transform);
        }

        const bone& b = mBones[i];
        KaMatrix4x4 world;
        if (b.parent == mNoParent || boneCount < 2 || b.parent >= i) {
            world = local;
            world.rotate(mRootRotation);
        } else {
            world = s * mBoneMatrices[b.parent] * local;
        }
        mBoneMatrices[i] = s * world;
        KaString name = b.name;
        mOnBonesUpdate.call(name, mBoneMatrices[i]);
    }
}

void KaModel::update()
{
    const unsigned long meshCount = mMeshes.size();
    if (mBones.size() == 0) {
        for (unsigned long m = 0; m < meshCount; ++m) {
            KaMesh& mesh = *mMeshes[m];
            const KaArray<KaVector3f32>* animated = vertexAnimationFor(mesh);
            if (animated)
                mesh.updateFromVertexAnimation(*animated);
            else
                mesh.update(nullptr, nullptr);
        }
        return;
    }

    const unsigned long boneCount = mBones.size();
    const unsigned long weightCount = mWeights.size();
    mSkinningMatrices.resize(weightCount);
    mBoneMatrices.resize(boneCount);

    poseBones();

    if (mInverseBindMatrices.size() != 0) {
        KaMatrix4x4* matrices = mBoneMatrices.data();
        const unsigned long count = boneCount < mInverseBindMatrices.size() ? boneCount : mInverseBindMatrices.size();
        const KaMatrix4x4* inverse = mInverseBindMatrices.constData();
        for (unsigned long i = 0; i < count; ++i)
            matrices[i] = matrices[i] * inverse[i];
    }

    const bool selfSkinning = (mFlags & mSelfSkinningFlag) != 0;
    if (!selfSkinning && weightCount != 0) {
        KaMatrix4x4* skinning = mSkinningMatrices.data();
        const KaMatrix4x4* bones = mBoneMatrices.constData();
        const KaArray<weightElement>* lists = mWeights.constData();
        for (unsigned long k = 0; k < weightCount; ++k) {
            float* out = &skinning[k][0][0];
            std::memset(out, 0, 16 * sizeof(float));
            const KaArray<weightElement>& list = lists[k];
            const weightElement* elements = list.constData();
            for (unsigned long e = 0; e < list.size(); ++e) {
                if (elements[e].bone < boneCount)
                    addWeighted(out, &bones[elements[e].bone][0][0], elements[e].weight);
            }
        }
    }

    for (unsigned long m = 0; m < meshCount; ++m) {
        KaMesh& mesh = *mMeshes[m];
        if (!mesh.visible())
            continue;
        const KaArray<KaVector3f32>* animated = vertexAnimationFor(mesh);
        if (!selfSkinning || boneCount < 2) {
            if (animated)
                mesh.updateFromVertexAnimation(*animated);
            else
                mesh.update(&mBoneMatrices, &mSkinningMatrices);
        } else {
            skinMesh(mesh, animated);
        }
        morphMeshes(mesh);
    }
}

void KaModel::skinMesh(KaMesh& mesh, const KaArray<KaVector3f32>* animated)
{
    const unsigned long vertexCount = mesh.vertexCount();
    mesh.resizeUpdatedTables(vertexCount);
    if (vertexCount == 0)
        return;
    KaVector3f32* outPositions = mesh.updatedPositions().data();
    KaVector3f32* outNormals = mesh.updatedNormals().data();
    const KaVector3f32* own = mesh.positions().constData();
    const unsigned long normalCount = mesh.normals().size();
    const KaVector3f32* normals = mesh.normals().constData();
    const unsigned long animatedCount = animated ? animated->size() : 0;
    const KaVector3f32* animatedPositions = animatedCount != 0 ? animated->constData() : nullptr;
    const unsigned long boneCount = mBoneMatrices.size();
    const KaMatrix4x4* bones = mBoneMatrices.constData();
    const unsigned long weightCount = mWeights.size();
    const KaArray<weightElement>* lists = mWeights.constData();

    for (unsigned long v = 0; v < vertexCount; ++v) {
        // A vertex animation shorter than the mesh leaves the rest of the
        // vertices to the mesh's own positions.
        const bool fromAnimation = v < animatedCount;
        const KaVector3f32 source = fromAnimation ? animatedPositions[v] : own[v];
        const KaVector3f32 normal = v < normalCount ? normals[v] : KaVector3f32();
        const unsigned long m = mesh.matrixIndex(v);
        KaVector3f32 position = source;
        KaVector3f32 skinnedNormal = normal;
        if (m < boneCount) {
            const float* matrix = &bones[m][0][0];
            if (!fromAnimation)
                position = transformPoint(matrix, source);
            skinnedNormal = transformVector(matrix, normal);
        } else if (m - boneCount < weightCount) {
            const KaArray<weightElement>& list = lists[m - boneCount];
            const weightElement* elements = list.constData();
            position = KaVector3f32();
            skinnedNormal = KaVector3f32();
            for (unsigned long e = 0; e < list.size(); ++e) {
                if (elements[e].bone >= boneCount)
                    continue;
                const float* matrix = &bones[elements[e].bone][0][0];
                position += transformPoint(matrix, source) * elements[e].weight;
                skinnedNormal += transformVector(matrix, normal) * elements[e].weight;
            }
        }
        // Any other index keeps the vertex as it is (identity), as the
        // mesh's own skinning does.
        skinnedNormal.normalize();
        outPositions[v] = position;
        outNormals[v] = skinnedNormal;
    }
}

void KaModel::morphMeshes(KaMesh& mesh)
{
    const KaString name = mesh.name();
    for (unsigned long j = 0; j < mMeshBlenders.size();) {
        meshBlender* blender = mMeshBlenders[j];
        if (!name.contains(blender->name)) {
            ++j;
            continue;
        }
        const float c = blender->coefficient();
        // A blender whose target matched no mesh has nothing to morph to; it
        // still runs its time out and goes.
        const bool hasTarget = blender->hasTarget && blender->target < mMeshes.size();
        if (c >= 1.0f) {
            if (hasTarget) {
                mesh.setVisible(false);
                KaMesh& target = *mMeshes[blender->target];
                target.setVisible(true);
                target.update(&mBoneMatrices, &mSkinningMatrices);
            }
            mMeshBlenders.removeAt(j);
            delete blender;
            continue;
        }
        ++j;
        if (!hasTarget)
            continue;
        const KaMesh& target = *mMeshes[blender->target];
        KaArray<KaVector3f32> targetPositions;
        KaArray<KaVector3f32> targetNormals;
        targetPositions.resize(target.vertexCount());
        targetNormals.resize(target.normalCount());
        target.updateTo(&mBoneMatrices, &mSkinningMatrices, targetPositions, targetNormals);

        const unsigned long vertexCount = mesh.vertexCount();
        if (!mesh.hasSkinnedPositions()) {
            mesh.updatedPositions().copy(mesh.positions().constData(), vertexCount);
            mesh.updatedNormals().copy(mesh.normals().constData(), mesh.normals().size());
        }
        KaArray<KaVector3f32>& positions = mesh.updatedPositions();
        KaArray<KaVector3f32>& normals = mesh.updatedNormals();
        unsigned long n = target.vertexCount() < vertexCount ? target.vertexCount() : vertexCount;
        if (n > positions.size())
            n = positions.size();
        KaVector3f32* p = n != 0 ? positions.data() : nullptr;
        for (unsigned long v = 0; v < n; ++v)
            p[v] = p[v] * (1.0f - c) + targetPositions[v] * c;
        unsigned long normalCount = n < normals.size() ? n : normals.size();
        if (normalCount > targetNormals.size())
            normalCount = targetNormals.size();
        KaVector3f32* q = normalCount != 0 ? normals.data() : nullptr;
        for (unsigned long v = 0; v < normalCount; ++v)
            q[v] = q[v] * (1.0f - c) + targetNormals[v] * c;
    }
}

void KaModel::draw()
{
    if (!worldVisible())
        return;
    KaRenderer* r = renderer.get();
    const KaMatrix4x4 world = worldTransformationMatrix();
    r->sendModelMatrix(world);
    r->pushMatrix();
    r->multiplyMatrix(world);
    for (unsigned long m = 0; m < mMeshes.size(); ++m) {
        mMeshes[m]->setDrawNormals(mDrawNormals);
        mMeshes[m]->draw();
    }
    r->popMatrix();
    KaLight::disableAll();
}
