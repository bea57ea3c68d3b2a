#ifndef KA_MESH_H
#define KA_MESH_H

#include <cstdint>

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaPath.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaMaterial.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaVector2f32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/world/Ka3DObject2.h"
#include "engine/color/KaColor.h"

class KaStream;

// Drawable geometry: client-side vertex arrays (positions, normals, texture
// coordinates, colours), 16-bit indices, materials each drawn over a run of
// faces, and a bone-matrix index per vertex for skinning.
//
// Normals, texture coordinates and colours are either empty or hold one
// element per vertex: their setters grow them to the vertex count. The faces
// of a multi-material mesh are triangles stored material after material, so
// the faces of material m start at 3 x (the face counts of the materials
// before m) in the index array. A mesh with no face counts draws all its
// indices in its primitive with material 0.
//
// draw() sends opaque faces to GL at once and hands the faces of materials
// with transparency to the renderer's transparent batch, which sorts them by
// depth before drawing; the batch takes triangles and triangle strips only,
// so a transparent mesh of another primitive draws at once instead.
//
// Accessors by index do not check the index: callers keep it below the
// vertex, index or material count.
//
// A node of the object tree that listens to its parent. Main thread only.
class KaMesh : public Ka3DObject2 {
public:
    // What setConf takes: the GL primitive plus 1.
    enum Mode {
        NO_MODE = 0, // what getMode answers for a primitive it does not know
        POINTS = 1,
        LINES = 2,
        LINE_LOOP = 3,
        LINE_STRIP = 4,
        TRIANGLES = 5,
        TRIANGLE_STRIP = 6,
        TRIANGLE_FAN = 7
    };

    // Bits of the mesh flags word of the stored record.
    static const unsigned int mHasColorsFlag = 1;
    static const unsigned int mHasUVsFlag = 2;

    KaMesh();
    // A copy of the geometry, materials (shared until changed), flags and
    // the tree values (name, position, size, scale, rotation, colour, colour
    // inheritance); not the skinned arrays, not drawNormals, not the parent
    // or children.
    KaMesh(const KaMesh& other);
    virtual KaMesh& operator=(const KaMesh& other);
    ~KaMesh() override;

    // Flags, primitive and texture environment back to their defaults; the
    // arrays stay.
    void create();
    // destroy(), the defaults, then the copy as the copy constructor does.
    void copy(const KaMesh& other);
    // Empties every array and the materials; clears colorsHaveAlpha.
    void destroy();
    // destroy(), then sizes positions and matrix indices to vertexCount,
    // indices to indexCount and the materials to materialCount default
    // materials, and keeps faceCount (it sizes the per-face material array).
    // A mode outside 1..7 leaves the primitive as it was.
    void setConf(unsigned long vertexCount, unsigned long indexCount, Mode mode, unsigned int materialCount,
        unsigned int faceCount);

    // Positions. vertex(i) answers the skinned position when an animation
    // update filled them.
    void vertex(unsigned long i, float x, float y, float z);
    void setVertex(unsigned long i, const KaVector3f32& position);
    KaVector3f32 vertex(unsigned long i) const;
    // Normals; normal(i) answers the skinned normal when there are some.
    void normal(unsigned long i, float x, float y, float z);
    void setNormal(unsigned long i, const KaVector3f32& normal);
    KaVector3f32 normal(unsigned long i) const;
    void textureUV(unsigned long i, float u, float v);
    void setTextureUV(unsigned long i, const KaVector2f32& uv);
    KaVector2f32 textureUV(unsigned long i) const;
    // A colour with alpha below 255 sets colorsHaveAlpha, which only
    // destroy() clears.
    void setColor(unsigned int i, const KaColor& color);
    KaColor color(unsigned int i) const;
    void clearColors();
    bool hasColor() const { return mColors.size() != 0; }
    bool hasUVs() const { return mTextureCoordinates.size() != 0; }
    bool hasNormals() const { return mNormals.size() != 0; }
    // The node's colour; a mesh with vertices also writes its world colour
    // into every vertex colour.
    void setColor(const KaColor& color) override;
    using Ka3DObject2::color;

    void setIndex(unsigned long i, unsigned int value);
    unsigned int index(unsigned long i) const;

    // The material of a face, until sortFaces() regroups the faces.
    void materialIndex(unsigned long face, unsigned int material);
    unsigned int materialIndex(unsigned long face) const;
    void facesPerMaterial(unsigned long material, unsigned int count);
    unsigned int facesPerMaterial(unsigned long material) const;
    void matrixIndex(unsigned long vertex, unsigned int matrix);
    unsigned int matrixIndex(unsigned long vertex) const;

    // Material m takes the texture, mode, colours, shininess and flags.
    void attachMaterial(unsigned int m, const KaMaterial& material);
    // Material m, or a default material past the end.
    KaMaterial material(unsigned int m) const;
    unsigned long materialCount() const { return mMaterials.size(); }
    // Exactly one material with that texture: blended when the texture is
    // absent or has alpha, opaque otherwise.
    void defaultMaterial(const KaIntrusivePtr<Ka3DTexture>& texture);
    // The material whose run of faces holds the face; 0 past every run.
    unsigned int getFaceMaterial(unsigned long face) const;
    // Whether the faces of material m are transparent: vertex colours with
    // alpha, a blended mode, or an ambient or diffuse alpha below 255; never
    // for a shadow-texture material. Past the last material: the vertex
    // colours alone.
    bool hasAlpha(unsigned int m) const;

    // draw() uses this matrix instead of the world matrix from now on.
    void forceMatrix(const KaMatrix4x4& matrix);
    bool matrixForced() const { return mMatrixForced; }
    const KaMatrix4x4& forcedMatrix() const { return mForcedMatrix; }

    // Of the positions (not the skinned ones); (1e15, ...) and (-1e15, ...)
    // for a mesh without vertices.
    void boundingBox(KaVector3f32& min, KaVector3f32& max) const;
    void resizeUpdatedTables(unsigned long count);
    // The skinned tables themselves, for an owner that skins the mesh on
    // its own (sized by resizeUpdatedTables).
    KaArray<KaVector3f32>& updatedPositions() { return mSkinnedPositions; }
    KaArray<KaVector3f32>& updatedNormals() { return mSkinnedNormals; }
    void checkArrays();

    // Skins the mesh with the bone matrices (a matrix index at or past the
    // bones' count takes extraBones at the difference, else the identity);
    // without bones, drops the skinned arrays so the mesh draws its own.
    // Nothing while the mesh is not world-visible.
    virtual void update(const KaArray<KaMatrix4x4>* bones, KaArray<KaMatrix4x4>* extraBones);
    void updateTo(const KaArray<KaMatrix4x4>* bones, KaArray<KaMatrix4x4>* extraBones,
        KaArray<KaVector3f32>& outPositions, KaArray<KaVector3f32>& outNormals) const;
    // The current frame of a vertex animation: skinned position v = vertices
    // v (one per vertex), skinned normals = the mesh's normals.
    virtual void updateFromVertexAnimation(const KaArray<KaVector3f32>& vertices);

    // Merges vertices whose position, normal, texture coordinate, colour
    // (compared packed) and matrix index are all equal, renumbering the
    // indices; prints the vertex count before and after.
    void optimizeVertices();
    // Regroups the triangles material after material from the per-face
    // materials, fills the face counts and drops the per-face array.
    void sortFaces();

    void draw() override;

    // The mesh record of model files: "MESH", the counts, the flags, the
    // name, "MTRL" and the materials, "VERT", "TUVS" (with texture
    // coordinates), "NORM", "COLS" (with colours), "FCPM", "MTXI", "IDXS",
    // 16-bit runs padded to a multiple of 4 of the stream position.
    static bool serialize(KaStream& stream, const KaMesh& mesh);
    // Reads the record; materials load their textures from textureFolder and
    // take enableLights when it is set. False on a wrong tag, on counts the
    // rest of the stream cannot hold, on face counts past the indices or
    // indices past the vertices, and on a short read.
    static bool deserialize(KaStream& stream, KaMesh& mesh, const KaPath& textureFolder, bool enableLights);

    // 1..7, 0 for an unknown primitive.
    Mode getMode() const;
    // The GL primitive (GL_POINTS ... GL_TRIANGLE_FAN).
    unsigned int primitive() const { return mPrimitive; }
    unsigned long vertexCount() const { return mPositions.size(); }
    unsigned long indexCount() const { return mIndices.size(); }
    unsigned long normalCount() const { return mNormals.size(); }
    unsigned int faceCount() const { return mFaceCount; }
    unsigned long facesPerMaterialCount() const { return mFacesPerMaterial.size(); }
    bool hasSkinnedPositions() const { return mSkinnedPositions.size() != 0; }
    const KaArray<KaVector3f32>& positions() const { return mPositions; }
    const KaArray<KaVector3f32>& normals() const { return mNormals; }
    const KaArray<KaVector3f32>& skinnedPositions() const { return mSkinnedPositions; }
    const KaArray<KaVector3f32>& skinnedNormals() const { return mSkinnedNormals; }
    const KaArray<KaVector2f32>& textureCoordinates() const { return mTextureCoordinates; }
    const KaArray<KaColor>& colors() const { return mColors; }
    const KaArray<uint16_t>& indices() const { return mIndices; }
    const KaArray<KaMaterial>& materials() const { return mMaterials; }

    bool drawNormals() const { return mDrawNormals; }
    void setDrawNormals(bool draw) { mDrawNormals = draw; }
    bool colorsHaveAlpha() const { return mColorsHaveAlpha; }
    bool sortTransparentFaces() const { return mSortTransparentFaces; }
    void setSortTransparentFaces(bool sort) { mSortTransparentFaces = sort; }
    // The GL_TEXTURE_ENV_MODE the mesh draws with; GL_MODULATE by default.
    int textureEnvironmentMode() const { return mTextureEnvironmentMode; }
    void setTextureEnvironmentMode(int mode) { mTextureEnvironmentMode = mode; }

private:
    // Whether the batch takes the faces of material m now.
    bool batched(unsigned int m) const;
    void drawRun(unsigned long firstIndex, unsigned long count);

    KaArray<KaMaterial> mMaterials;
    bool mDrawNormals;
    bool mColorsHaveAlpha;
    bool mSortTransparentFaces;
    unsigned int mFaceCount;
    unsigned int mPrimitive;
    bool mMatrixForced;
    KaMatrix4x4 mForcedMatrix;
    KaArray<KaVector3f32> mSkinnedPositions;
    KaArray<KaVector3f32> mSkinnedNormals;
    KaArray<KaVector3f32> mPositions;
    KaArray<KaVector3f32> mNormals;
    KaArray<KaVector2f32> mTextureCoordinates;
    KaArray<KaColor> mColors;
    KaArray<uint16_t> mIndices;
    KaArray<uint8_t> mFaceMaterials;
    KaArray<uint16_t> mFacesPerMaterial;
    KaArray<uint16_t> mMatrixIndices;
    int mTextureEnvironmentMode;
};

#endif
