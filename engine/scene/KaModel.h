#ifndef KA_MODEL_H
#define KA_MODEL_H

#include <cstdint>

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/containers/KaIsRelocatable.h"
#include "engine/containers/KaSignal.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaResource.h"
#include "engine/core/KaString.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaMesh.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaTRS.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/world/Ka3DObject2.h"
#include "engine/color/KaColor.h"

class KaStream;
class KaModelAnimation;
class KaModelVertexAnimation;

// A skinned 3D model: meshes, a skeleton whose parents always come before
// their children, the distinct weight lists of its vertices, the current
// skeletal animation with cross-fades to the next ones, an optional vertex
// animation and mesh-to-mesh morphs.
//
// Each frame its owner calls update(), which poses every bone (the current
// animation's transform, or the bind transform for a bone the animation does
// not name), blends the bone matrices into one skinning matrix per weight
// list and hands both to the meshes; draw() then draws the meshes under the
// model's world matrix.
//
// Bone matrices are computed in a mirrored space: roots are S x local x
// rootRotation with S = diag(-1, 1, 1), children parent x local. Skinning
// matrices are plain weighted sums of bone matrices (not normalised).
// Cross-fade coefficients come from timers in seconds.
//
// A vertex carries a matrix index: below the bone count it names one bone,
// at or above it the weight list (index - bone count).
//
// Meshes are owned and kept behind pointers (a mesh is a node of the object
// tree). A model that fails to load is left empty. Counted resource
// (KaIntrusivePtr); main thread only.
class KaModel : public Ka3DObject2, public KaResource {
public:
    struct weightElement {
        float weight;
        uint16_t bone;
    };

    struct bone {
        bone()
            : parent(mNoParent)
            , name()
            , bindTransform()
        {
        }
        uint16_t parent;
        KaString name;
        KaTRS bindTransform;
    };

    // A morph of the meshes whose name contains name toward mesh target.
    struct meshBlender {
        meshBlender();
        ~meshBlender();
        KaString name;
        unsigned long target;
        bool hasTarget;
        KaTimer timer;
        float duration;
        float coefficient() const;
    };

    // A cross-fade from the current animation to animation.
    struct bonesBlender {
        bonesBlender();
        ~bonesBlender();
        KaIntrusivePtr<KaModelAnimation> animation;
        KaTimer timer;
        float duration;
        float coefficient() const;
    };

    static constexpr uint16_t mNoParent = 65535;
    // File flags bit 0: no inverse bind matrices, the model skins itself.
    static constexpr unsigned int mSelfSkinningFlag = 1;

    KaModel();
    KaModel(const KaModel&) = delete;
    KaModel& operator=(const KaModel&) = delete;
    ~KaModel() override;

    // Clears drawNormals, the animations, the forced matrix and the flags.
    void create();
    // Empties the meshes, skeleton, weights and matrices, deletes the
    // blenders.
    void destroy();

    // Reads a "KAMD" model, plain or wrapped in "KAZ0". On any failure the
    // model is left empty and the result is false.
    bool load(const KaPath& path) override;
    bool load(KaStream& stream);
    // 1 for "KAMD", 2 for "KAAN", 0 otherwise; the stream is left at 0.
    static int checkFileType(KaStream& stream);
    static bool loadAndCheckString(KaStream& stream, const char* tag);
    static bool loadAlign(KaStream& stream);
    static bool saveAlign(KaStream& stream);

    // Writes version 13 with the flags given (bit 0: no inverse bind
    // matrices). Never wrapped.
    bool saveModel(KaStream& stream, unsigned int flags) const;
    bool saveMesh(KaStream& stream, const KaMesh& mesh) const;
    bool saveWeights(KaStream& stream, const KaArray<weightElement>& weights) const;

    virtual void update();
    void draw() override;
    // The object colour, then every mesh's.
    void setColor(const KaColor& color) override;
    using Ka3DObject2::color;

    void setVisibleByName(const KaString& text, bool visible);
    void addMesh(const KaMesh& mesh);
    // A quad of four corners (0, 1 along the first side, 2, 3 along the
    // other), drawn as a triangle strip with the texture.
    void setQuad(KaIntrusivePtr<Ka3DTexture>& texture, KaArray<KaVector3f32>& corners, KaColor color);

    KaIntrusivePtr<KaModelAnimation>& anim() { return mAnim; }
    KaIntrusivePtr<KaModelVertexAnimation>& vertexAnim() { return mVertexAnim; }
    // Drops the cross-fades and makes the animation current (not started).
    void setAnim(KaIntrusivePtr<KaModelAnimation>& animation, bool repeat);
    // Cross-fades to the animation over that many seconds and starts it;
    // without a current animation, setAnim.
    void blendAnim(KaIntrusivePtr<KaModelAnimation>& animation, float seconds, bool repeat);
    void removeAnim();
    void setVertexAnim(KaIntrusivePtr<KaModelVertexAnimation> animation, bool repeat);
    // Vertex animations do not cross-fade (seconds is not used): without a
    // skeletal animation the vertex animation becomes the model's; with one
    // it is only started, and the model keeps its own.
    void blendVertexAnim(KaIntrusivePtr<KaModelVertexAnimation>& animation, float seconds, bool repeat);
    void blendMesh(KaString from, KaString to, float seconds);
    // Replaces the local matrix of the next bone computed.
    void forceMatrix(KaMatrix4x4& matrix);

    // The animation's transform of the bone at its current frame, or the
    // bone's bind transform when the animation is null or has no such track
    // (identity past the bones).
    KaTRS getBone(KaIntrusivePtr<KaModelAnimation> animation, unsigned long index);
    // Inverse bind matrix; identity when out of range.
    KaMatrix4x4 skinOffset(unsigned long index) const;
    // 65535 when no bone has that name.
    unsigned long findModelBone(KaString& name) const;
    // An existing list with the same bones in the same order and weights
    // within 0.1, else the list appended; its index.
    unsigned long findOrAddWeights(KaArray<weightElement> weights);
    void optimize();
    void boundingBox(KaVector3f32& min, KaVector3f32& max) const;

    KaSignal2Param<KaString&, KaMatrix4x4&>& onBonesUpdate() { return mOnBonesUpdate; }

    // Skeleton, weights and matrices.
    const KaArray<bone>& bones() const { return mBones; }
    KaArray<bone>& bones() { return mBones; }
    const KaArray<KaArray<weightElement>>& weights() const { return mWeights; }
    KaArray<KaArray<weightElement>>& weights() { return mWeights; }
    const KaArray<KaMatrix4x4>& boneMatrices() const { return mBoneMatrices; }
    const KaArray<KaMatrix4x4>& skinningMatrices() const { return mSkinningMatrices; }
    const KaArray<KaMatrix4x4>& inverseBindMatrices() const { return mInverseBindMatrices; }
    KaArray<KaMatrix4x4>& inverseBindMatrices() { return mInverseBindMatrices; }
    unsigned long bonesBlenderCount() const { return mBonesBlenders.size(); }
    const bonesBlender* bonesBlenderAt(unsigned long i) const { return mBonesBlenders[i]; }
    unsigned long meshBlenderCount() const { return mMeshBlenders.size(); }

    unsigned long meshCount() const { return mMeshes.size(); }
    KaMesh& mesh(unsigned long i) { return *mMeshes[i]; }
    const KaMesh& mesh(unsigned long i) const { return *mMeshes[i]; }
    // Grows with empty meshes or deletes the surplus.
    void resizeMeshes(unsigned long count);

    const KaQuaternion& rootRotation() const { return mRootRotation; }
    void setRootRotation(const KaQuaternion& rotation) { mRootRotation = rotation; }
    bool drawNormals() const { return mDrawNormals; }
    void setDrawNormals(bool draw) { mDrawNormals = draw; }
    bool enableLights() const { return mEnableLights; }
    void setEnableLights(bool enable) { mEnableLights = enable; }
    unsigned int flags() const { return mFlags; }
    void setFlags(unsigned int flags) { mFlags = flags; }
    const KaPath& textureFolder() const { return mTextureFolder; }
    void setTextureFolder(const KaPath& folder) { mTextureFolder = folder; }

private:
    bool read(KaStream& stream);
    void clearBonesBlenders();
    void clearMeshBlenders();
    void poseBones();
    void skinMesh(KaMesh& mesh, const KaArray<KaVector3f32>* animated);
    void morphMeshes(KaMesh& mesh);
    // The vertex animation's current vertices when it animates that mesh.
    const KaArray<KaVector3f32>* vertexAnimationFor(const KaMesh& mesh);

    KaArray<KaArray<weightElement>> mWeights;
    KaArray<KaMatrix4x4> mSkinningMatrices;
    bool mDrawNormals;
    KaArray<bone> mBones;
    KaQuaternion mRootRotation;
    KaArray<KaMatrix4x4> mBoneMatrices;
    KaArray<KaMatrix4x4> mInverseBindMatrices;
    KaSignal2Param<KaString&, KaMatrix4x4&> mOnBonesUpdate;
    KaArray<meshBlender*> mMeshBlenders;
    KaArray<bonesBlender*> mBonesBlenders;
    bool mMatrixForced;
    KaMatrix4x4 mForcedMatrix;
    KaPath mTextureFolder;
    KaArray<KaMesh*> mMeshes;
    bool mEnableLights;
    unsigned int mFlags;
    KaIntrusivePtr<KaModelAnimation> mAnim;
    KaIntrusivePtr<KaModelVertexAnimation> mVertexAnim;
};

KA_RELOCATABLE(KaModel::bone);

#endif
