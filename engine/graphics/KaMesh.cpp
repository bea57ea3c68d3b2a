#include "engine/graphics/KaMesh.h"

#include <GL/gl.h>

#include "engine/base/KaStd.h"
#include "engine/core/KaStream.h"
#include "engine/core/KaString.h"
#include "engine/graphics/KaLight.h"
#include "engine/graphics/KaRenderer.h"

// GL reads the vertex arrays straight from these element types.
static_assert(sizeof(KaVector3f32) == 12, "positions and normals are handed to GL as 3 packed floats");
static_assert(sizeof(KaVector2f32) == 8, "texture coordinates are handed to GL as 2 packed floats");
static_assert(sizeof(KaColor) == 4, "colours are handed to GL as 4 packed bytes");

namespace {

const float boundingBoxStart = 1e15f;

// Smallest stored sizes of the sections, used to refuse counts that the rest
// of a stream cannot hold before anything is allocated for them.
const unsigned long long tagBytes = 4;
const unsigned long long smallestMaterialBytes = 4 + 4 + 4 * 4 + 4;

bool writeTag(KaStream& stream, const char* tag) { return stream.writeData(tag, 4) == 4; }

bool readU32(KaStream& stream, unsigned int& value) { return stream.read(value) == sizeof(value); }

bool readU16(KaStream& stream, uint16_t& value)
{
    unsigned short read = 0;
    if (stream.read(read) != sizeof(read))
        return false;
    value = read;
    return true;
}

bool readFloat(KaStream& stream, float& value) { return stream.read(value) == sizeof(value); }

bool readVector3(KaStream& stream, KaVector3f32& value)
{
    return readFloat(stream, value.x) && readFloat(stream, value.y) && readFloat(stream, value.z);
}

bool writeVector3(KaStream& stream, const KaVector3f32& value)
{
    return stream.write(value.x) == 4 && stream.write(value.y) == 4 && stream.write(value.z) == 4;
}

KaMatrix4x4 identityMatrix() { return KaMatrix4x4(); }

} // namespace

KaMesh::KaMesh()
    : Ka3DObject2()
    , mMaterials()
    , mDrawNormals(false)
    , mColorsHaveAlpha(false)
    , mSortTransparentFaces(true)
    , mFaceCount(0)
    , mPrimitive(GL_POINTS)
    , mMatrixForced(false)
    , mForcedMatrix()
    , mTextureEnvironmentMode(GL_MODULATE)
{
}

KaMesh::KaMesh(const KaMesh& other)
    : KaObject()
    , KaI3DObject2()
    , Ka3DObject2()
    , mMaterials()
    , mDrawNormals(false)
    , mColorsHaveAlpha(false)
    , mSortTransparentFaces(true)
    , mFaceCount(0)
    , mPrimitive(GL_POINTS)
    , mMatrixForced(false)
    , mForcedMatrix()
    , mTextureEnvironmentMode(GL_MODULATE)
{
    copy(other);
}

KaMesh& KaMesh::operator=(const KaMesh& other)
{
    copy(other);
    return *this;
}

KaMesh::~KaMesh() { destroy(); }

void KaMesh::create()
{
    mDrawNormals = false;
    mColorsHaveAlpha = false;
    mSortTransparentFaces = true;
    mMatrixForced = false;
    mPrimitive = GL_POINTS;
    mTextureEnvironmentMode = GL_MODULATE;
}

void KaMesh::copy(const KaMesh& other)
{
    if (&other == this)
        return;
    destroy();
    create();
    // The tree getters are not const; they only read.
    KaMesh& source = const_cast<KaMesh&>(other);
    setName(source.name());
    setPosition(source.position());
    setSize(source.size());
    setScale(source.scale());
    setRotation(source.rotation());
    // The node's colour only: the vertex colours come with the arrays.
    Ka3DObject2::setColor(source.Ka3DObject2::color());
    setColorInheritance(source.colorInheritance());

    mMaterials = other.mMaterials;
    mColorsHaveAlpha = other.mColorsHaveAlpha;
    mSortTransparentFaces = other.mSortTransparentFaces;
    mPrimitive = other.mPrimitive;
    mPositions = other.mPositions;
    mNormals = other.mNormals;
    mTextureCoordinates = other.mTextureCoordinates;
    mColors = other.mColors;
    mIndices = other.mIndices;
    mFaceCount = other.mFaceCount;
    mFaceMaterials = other.mFaceMaterials;
    mFacesPerMaterial = other.mFacesPerMaterial;
    mMatrixIndices = other.mMatrixIndices;
    mTextureEnvironmentMode = other.mTextureEnvironmentMode;
    mMatrixForced = other.mMatrixForced;
    mForcedMatrix = other.mForcedMatrix;
}

void KaMesh::destroy()
{
    mColorsHaveAlpha = false;
    mSkinnedPositions.clear();
    mSkinnedNormals.clear();
    mPositions.clear();
    mNormals.clear();
    mTextureCoordinates.clear();
    mColors.clear();
    mIndices.clear();
    mFaceMaterials.clear();
    mFacesPerMaterial.clear();
    mMatrixIndices.clear();
    mMaterials.clear();
}

void KaMesh::setConf(
    unsigned long vertexCount, unsigned long indexCount, Mode mode, unsigned int materialCount, unsigned int faceCount)
{
    destroy();
    mFaceCount = faceCount;
    mPositions.resize(vertexCount);
    mMatrixIndices.resize(vertexCount);
    mIndices.resize(indexCount);
    mMaterials.resize(materialCount);
    if (mode >= POINTS && mode <= TRIANGLE_FAN)
        mPrimitive = static_cast<unsigned int>(mode) - 1;
}

KaMesh::Mode KaMesh::getMode() const
{
    if (mPrimitive > GL_TRIANGLE_FAN)
        return NO_MODE;
    return static_cast<Mode>(mPrimitive + 1);
}

void KaMesh::vertex(unsigned long i, float x, float y, float z) { mPositions[i] = KaVector3f32(x, y, z); }

void KaMesh::setVertex(unsigned long i, const KaVector3f32& position) { mPositions[i] = position; }

KaVector3f32 KaMesh::vertex(unsigned long i) const
{
    if (mSkinnedPositions.size() != 0)
        return mSkinnedPositions[i];
    return mPositions[i];
}

void KaMesh::normal(unsigned long i, float x, float y, float z) { setNormal(i, KaVector3f32(x, y, z)); }

void KaMesh::setNormal(unsigned long i, const KaVector3f32& normal)
{
    if (mNormals.size() < mPositions.size())
        mNormals.resize(mPositions.size());
    mNormals[i] = normal;
}

KaVector3f32 KaMesh::normal(unsigned long i) const
{
    if (mSkinnedNormals.size() != 0)
        return mSkinnedNormals[i];
    return mNormals[i];
}

void KaMesh::textureUV(unsigned long i, float u, float v) { setTextureUV(i, KaVector2f32(u, v)); }

void KaMesh::setTextureUV(unsigned long i, const KaVector2f32& uv)
{
    if (mTextureCoordinates.size() < mPositions.size())
        mTextureCoordinates.resize(mPositions.size());
    mTextureCoordinates[i] = uv;
}

KaVector2f32 KaMesh::textureUV(unsigned long i) const { return mTextureCoordinates[i]; }

void KaMesh::setColor(unsigned int i, const KaColor& color)
{
    if (color.a < 255)
        mColorsHaveAlpha = true;
    if (mColors.size() < mPositions.size())
        mColors.resize(mPositions.size());
    mColors[i] = color;
}

KaColor KaMesh::color(unsigned int i) const { return mColors[i]; }

void KaMesh::clearColors() { mColors.clear(); }

void KaMesh::setColor(const KaColor& color)
{
    Ka3DObject2::setColor(color);
    const unsigned long count = mPositions.size();
    if (count == 0)
        return;
    const KaColor world = worldColor();
    if (world.a < 255)
        mColorsHaveAlpha = true;
    if (mColors.size() < count)
        mColors.resize(count);
    KaColor* colors = mColors.data();
    for (unsigned long i = 0; i < count; ++i)
        colors[i] = world;
}

void KaMesh::setIndex(unsigned long i, unsigned int value) { mIndices[i] = static_cast<uint16_t>(value); }

unsigned int KaMesh::index(unsigned long i) const { return mIndices[i]; }

void KaMesh::materialIndex(unsigned long face, unsigned int material)
{
    if (mFaceMaterials.size() == 0)
        mFaceMaterials.resize(mFaceCount);
    mFaceMaterials[face] = static_cast<uint8_t>(material);
}

unsigned int KaMesh::materialIndex(unsigned long face) const
{
    return face < mFaceMaterials.size() ? mFaceMaterials[face] : 0u;
}

void KaMesh::facesPerMaterial(unsigned long material, unsigned int count)
{
    unsigned long needed = mMaterials.size();
    if (needed <= material)
        needed = material + 1;
    if (mFacesPerMaterial.size() < needed)
        mFacesPerMaterial.resize(needed);
    mFacesPerMaterial[material] = static_cast<uint16_t>(count);
}

unsigned int KaMesh::facesPerMaterial(unsigned long material) const
{
    return material < mFacesPerMaterial.size() ? mFacesPerMaterial[material] : 0u;
}

void KaMesh::matrixIndex(unsigned long vertex, unsigned int matrix)
{
    mMatrixIndices[vertex] = static_cast<uint16_t>(matrix);
}

unsigned int KaMesh::matrixIndex(unsigned long vertex) const { return mMatrixIndices[vertex]; }

void KaMesh::attachMaterial(unsigned int m, const KaMaterial& material) { mMaterials[m] = material; }

KaMaterial KaMesh::material(unsigned int m) const
{
    if (m < mMaterials.size())
        return mMaterials[m];
    return KaMaterial();
}

void KaMesh::defaultMaterial(const KaIntrusivePtr<Ka3DTexture>& texture)
{
    mMaterials.clear();
    const KaMaterial::Mode mode = !texture || texture->hasAlpha() ? KaMaterial::BLENDED : KaMaterial::OPAQUE;
    mMaterials.pushBack(KaMaterial(texture, mode));
}

unsigned int KaMesh::getFaceMaterial(unsigned long face) const
{
    unsigned long end = 0;
    const unsigned long count = mFacesPerMaterial.size();
    for (unsigned long m = 0; m < count; ++m) {
        end += mFacesPerMaterial[m];
        if (face < end)
            return static_cast<unsigned int>(m);
    }
    return 0;
}

bool KaMesh::hasAlpha(unsigned int m) const
{
    const bool colorsTransparent = mColorsHaveAlpha && hasColor();
    if (m >= mMaterials.size())
        return colorsTransparent;
    const KaMaterial& material = mMaterials[m];
    if (material.isShadowTexture())
        return false;
    if (colorsTransparent || material.mode() == KaMaterial::BLENDED)
        return true;
    return material.ambient().a < 255 || material.diffuse().a < 255;
}

void KaMesh::forceMatrix(const KaMatrix4x4& matrix)
{
    mMatrixForced = true;
    mForcedMatrix = matrix;
}

void KaMesh::boundingBox(KaVector3f32& min, KaVector3f32& max) const
{
    min = KaVector3f32(boundingBoxStart, boundingBoxStart, boundingBoxStart);
    max = KaVector3f32(-boundingBoxStart, -boundingBoxStart, -boundingBoxStart);
    const unsigned long count = mPositions.size();
    const KaVector3f32* positions = mPositions.constData();
    for (unsigned long i = 0; i < count; ++i) {
        const KaVector3f32& p = positions[i];
        min.x = p.x < min.x ? p.x : min.x;
        min.y = p.y < min.y ? p.y : min.y;
        min.z = p.z < min.z ? p.z : min.z;
        max.x = p.x > max.x ? p.x : max.x;
        max.y = p.y > max.y ? p.y : max.y;
        max.z = p.z > max.z ? p.z : max.z;
    }
}

void KaMesh::resizeUpdatedTables(unsigned long count)
{
    mSkinnedPositions.resize(count);
    mSkinnedNormals.resize(count);
}

void KaMesh::checkArrays() { }

void KaMesh::update(const KaArray<KaMatrix4x4>* bones, KaArray<KaMatrix4x4>* extraBones)
{
    if (!worldVisible())
        return;
    if (!bones) {
        mSkinnedPositions.clear();
        mSkinnedNormals.clear();
        return;
    }
    mSkinnedPositions.resize(mPositions.size());
    mSkinnedNormals.resize(mNormals.size());
    updateTo(bones, extraBones, mSkinnedPositions, mSkinnedNormals);
}

void KaMesh::updateTo(const KaArray<KaMatrix4x4>* bones, KaArray<KaMatrix4x4>* extraBones,
    KaArray<KaVector3f32>& outPositions, KaArray<KaVector3f32>& outNormals) const
{
    const KaMatrix4x4 identity = identityMatrix();
    const unsigned long boneCount = bones ? bones->size() : 0;
    const KaMatrix4x4* boneData = bones ? bones->constData() : nullptr;
    const unsigned long extraCount = extraBones ? extraBones->size() : 0;
    const KaMatrix4x4* extraData = extraBones ? extraBones->constData() : nullptr;

    const unsigned long vertexCount = mPositions.size();
    const unsigned long positionCount = vertexCount < outPositions.size() ? vertexCount : outPositions.size();
    unsigned long normalCount = mNormals.size() < outNormals.size() ? mNormals.size() : outNormals.size();
    if (normalCount > vertexCount)
        normalCount = vertexCount;
    const KaVector3f32* positions = mPositions.constData();
    const KaVector3f32* normals = mNormals.constData();
    const uint16_t* matrixIndices = mMatrixIndices.constData();
    const unsigned long matrixIndexCount = mMatrixIndices.size();
    KaVector3f32* outP = positionCount != 0 ? outPositions.data() : nullptr;
    KaVector3f32* outN = normalCount != 0 ? outNormals.data() : nullptr;

    for (unsigned long v = 0; v < positionCount; ++v) {
        const unsigned long j = v < matrixIndexCount ? matrixIndices[v] : 0;
        const KaMatrix4x4* matrix = &identity;
        if (j < boneCount)
            matrix = &boneData[j];
        else if (j - boneCount < extraCount)
            matrix = &extraData[j - boneCount];
        outP[v] = matrix->mult4x3(positions[v]);
        if (v < normalCount)
            outN[v] = matrix->mult3x3(normals[v]);
    }
}

void KaMesh::updateFromVertexAnimation(const KaArray<KaVector3f32>& vertices)
{
    const unsigned long count = mPositions.size();
    mSkinnedPositions.resize(count);
    mSkinnedNormals.resize(mNormals.size());
    const unsigned long available = vertices.size();
    KaVector3f32* skinned = count != 0 ? mSkinnedPositions.data() : nullptr;
    const KaVector3f32* source = vertices.constData();
    const KaVector3f32* own = mPositions.constData();
    // A frame with fewer vertices than the mesh leaves the rest in place.
    for (unsigned long v = 0; v < count; ++v)
        skinned[v] = v < available ? source[v] : own[v];
    if (mNormals.size() != 0)
        mSkinnedNormals.copy(mNormals.constData(), mNormals.size());
}

void KaMesh::optimizeVertices()
{
    unsigned long count = mPositions.size();
    KaPrintf("optimizeVertices before: %d ", static_cast<int>(count));
    const bool withNormals = mNormals.size() != 0;
    const bool withUVs = mTextureCoordinates.size() != 0;
    const bool withColors = mColors.size() != 0;
    const bool withMatrices = mMatrixIndices.size() != 0;
    const unsigned long indexCount = mIndices.size();
    for (unsigned long i = 0; i < count; ++i) {
        unsigned long j = i + 1;
        while (j < count) {
            const bool same = mPositions[i] == mPositions[j] && (!withNormals || mNormals[i] == mNormals[j])
                && (!withUVs || mTextureCoordinates[i] == mTextureCoordinates[j])
                && (!withColors || mColors[i].getPacked() == mColors[j].getPacked())
                && (!withMatrices || mMatrixIndices[i] == mMatrixIndices[j]);
            if (!same) {
                ++j;
                continue;
            }
            const unsigned long last = count - 1;
            mPositions.removeFastAt(j);
            if (withNormals)
                mNormals.removeFastAt(j);
            if (withUVs)
                mTextureCoordinates.removeFastAt(j);
            if (withColors)
                mColors.removeFastAt(j);
            if (withMatrices)
                mMatrixIndices.removeFastAt(j);
            uint16_t* indices = indexCount != 0 ? mIndices.data() : nullptr;
            for (unsigned long k = 0; k < indexCount; ++k) {
                if (indices[k] == j)
                    indices[k] = static_cast<uint16_t>(i);
                else if (indices[k] == last)
                    indices[k] = static_cast<uint16_t>(j);
            }
            --count;
        }
    }
    KaPrintf("after: %d\n", static_cast<int>(count));
}

void KaMesh::sortFaces()
{
    if (mMaterials.size() == 0) {
        mFaceMaterials.clear();
        return;
    }
    const unsigned long materialCount = mMaterials.size();
    mFacesPerMaterial.clear();
    mFacesPerMaterial.resize(materialCount);
    const KaArray<uint16_t> old(mIndices);
    const unsigned long faces = old.size() / 3;
    uint16_t* indices = mIndices.data();
    unsigned long next = 0;
    for (unsigned long m = 0; m < materialCount; ++m) {
        unsigned int count = 0;
        for (unsigned long face = 0; face < faces; ++face) {
            if (materialIndex(face) != m)
                continue;
            indices[3 * next] = old[3 * face];
            indices[3 * next + 1] = old[3 * face + 1];
            indices[3 * next + 2] = old[3 * face + 2];
            ++next;
            ++count;
        }
        mFacesPerMaterial[m] = static_cast<uint16_t>(count);
    }
    mFaceMaterials.clear();
}

bool KaMesh::batched(unsigned int m) const
{
    // The batch only cuts triangles and strips into triangles; anything
    // else handed to it would be dropped.
    const bool batchable = mPrimitive == GL_TRIANGLES || mPrimitive == GL_TRIANGLE_STRIP;
    return batchable && mSortTransparentFaces && renderer.get()->shadowMode() != KaRenderer::SHADOW_TEXTURE
        && hasAlpha(m);
}

void KaMesh::drawRun(unsigned long firstIndex, unsigned long count)
{
    // Face counts come from files: never let GL read past the indices.
    const unsigned long indexCount = mIndices.size();
    if (firstIndex >= indexCount)
        return;
    if (count > indexCount - firstIndex)
        count = indexCount - firstIndex;
    glDrawElements(mPrimitive, static_cast<GLsizei>(count), GL_UNSIGNED_SHORT, mIndices.constData() + firstIndex);
}

void KaMesh::draw()
{
    if (!worldVisible())
        return;
    KaRenderer* r = renderer.get();
    r->pushMatrix();
    r->multiplyMatrix(mMatrixForced ? mForcedMatrix : worldTransformationMatrix());

    const bool skinned = mSkinnedPositions.size() != 0;
    const KaArray<KaVector3f32>& positions = skinned ? mSkinnedPositions : mPositions;
    const KaArray<KaVector3f32>& normals = skinned ? mSkinnedNormals : mNormals;
    const unsigned long facesCount = mFacesPerMaterial.size();
    const unsigned long availableFaces
        = mPrimitive == GL_TRIANGLE_STRIP ? (mIndices.size() >= 2 ? mIndices.size() - 2 : 0) : mIndices.size() / 3;

    if (r->shadowMode() != KaRenderer::SHADOW_TEXTURE) {
        if (facesCount == 0) {
            if (batched(0)) {
                r->addTransparentMesh(*this, 0, 0, 0);
                r->popMatrix();
                return;
            }
        } else {
            unsigned long offset = 0;
            for (unsigned long m = 0; m < facesCount; ++m) {
                unsigned long count = mFacesPerMaterial[m];
                if (count == 0)
                    continue;
                if (batched(static_cast<unsigned int>(m)) && offset < availableFaces) {
                    if (count > availableFaces - offset)
                        count = availableFaces - offset;
                    r->addTransparentMesh(*this, offset, count, m);
                }
                offset += mFacesPerMaterial[m];
            }
        }
    }

    r->setMatrixMode(KaRenderer::MODELVIEW);
    r->pushMatrix();
    r->loadMatrixToGL(r->currentMatrix());

    const bool drawable = positions.size() != 0 && mIndices.size() != 0;
    if (drawable) {
        const bool withNormals = normals.size() != 0;
        const bool withColors = mColors.size() != 0;
        const bool withUVs = mTextureCoordinates.size() != 0 && r->shadowMode() != KaRenderer::SHADOW_PROJECTION;
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, 12, positions.constData());
        if (withNormals) {
            glEnableClientState(GL_NORMAL_ARRAY);
            glNormalPointer(GL_FLOAT, 12, normals.constData());
        }
        if (withColors) {
            glEnableClientState(GL_COLOR_ARRAY);
            glColorPointer(4, GL_UNSIGNED_BYTE, 4, mColors.constData());
        }
        if (withUVs)
            glTexCoordPointer(2, GL_FLOAT, 8, mTextureCoordinates.constData());

        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mTextureEnvironmentMode);
        const bool scissor = r->beginScissor();

        if (facesCount == 0) {
            const bool withMaterial = mMaterials.size() != 0;
            if (withMaterial)
                mMaterials[0].apply(withUVs);
            drawRun(0, mIndices.size());
            if (withMaterial) {
                glDisableClientState(GL_TEXTURE_COORD_ARRAY);
                r->disableTexture();
            }
        } else {
            unsigned long offset = 0;
            for (unsigned long m = 0; m < facesCount; ++m) {
                const unsigned long count = mFacesPerMaterial[m];
                if (count == 0)
                    continue;
                if (!batched(static_cast<unsigned int>(m))) {
                    material(static_cast<unsigned int>(m)).apply(withUVs);
                    drawRun(3 * offset, 3 * count);
                    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
                    r->disableTexture();
                }
                offset += count;
            }
        }

        KaRenderer::endScissor(scissor);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);

        if (mDrawNormals && withNormals) {
            KaLight::disableAll();
            r->setCurrentColor(KaColor(255, 255, 255, 255));
            const unsigned long count = normals.size() < positions.size() ? normals.size() : positions.size();
            glBegin(GL_LINES);
            for (unsigned long i = 0; i < count; ++i) {
                const KaVector3f32& p = positions[i];
                const KaVector3f32& n = normals[i];
                glVertex3f(p.x, p.y, p.z);
                glVertex3f(p.x + n.x, p.y + n.y, p.z + n.z);
            }
            glEnd();
        }
    }

    r->setMatrixMode(KaRenderer::MODELVIEW);
    r->popMatrix();
    r->popMatrix();
}

bool KaMesh::serialize(KaStream& stream, const KaMesh& mesh)
{
    const unsigned long vertexCount = mesh.mPositions.size();
    const unsigned long materialCount = mesh.mMaterials.size();
    const unsigned long indexCount = mesh.mIndices.size();
    const bool withUVs = mesh.hasUVs();
    const bool withColors = mesh.hasColor();
    const unsigned int flags = (withUVs ? mHasUVsFlag : 0u) | (withColors ? mHasColorsFlag : 0u);

    bool ok = writeTag(stream, "MESH");
    ok = stream.write(static_cast<unsigned int>(vertexCount)) == 4 && ok;
    ok = stream.write(static_cast<unsigned int>(materialCount)) == 4 && ok;
    ok = stream.write(mesh.mFaceCount) == 4 && ok;
    ok = stream.write(static_cast<unsigned int>(indexCount)) == 4 && ok;
    ok = stream.write(flags) == 4 && ok;
    ok = KaString::serialize(stream, mesh.name()) && ok;
    ok = KaMaterial::saveAlign(stream) && ok;

    ok = writeTag(stream, "MTRL") && ok;
    for (unsigned long m = 0; m < materialCount; ++m)
        ok = KaMaterial::serialize(stream, mesh.mMaterials[m]) && ok;

    ok = writeTag(stream, "VERT") && ok;
    for (unsigned long v = 0; v < vertexCount; ++v)
        ok = writeVector3(stream, mesh.mPositions[v]) && ok;
    if (withUVs) {
        ok = writeTag(stream, "TUVS") && ok;
        for (unsigned long v = 0; v < vertexCount; ++v) {
            const KaVector2f32 uv = v < mesh.mTextureCoordinates.size() ? mesh.mTextureCoordinates[v] : KaVector2f32();
            ok = stream.write(uv.x) == 4 && stream.write(uv.y) == 4 && ok;
        }
    }
    ok = writeTag(stream, "NORM") && ok;
    for (unsigned long v = 0; v < vertexCount; ++v)
        ok = writeVector3(stream, v < mesh.mNormals.size() ? mesh.mNormals[v] : KaVector3f32()) && ok;
    if (withColors) {
        ok = writeTag(stream, "COLS") && ok;
        for (unsigned long v = 0; v < vertexCount; ++v)
            ok = KaColor::serialize(stream, v < mesh.mColors.size() ? mesh.mColors[v] : KaColor()) && ok;
    }
    ok = writeTag(stream, "FCPM") && ok;
    for (unsigned long m = 0; m < materialCount; ++m)
        ok = stream.write(static_cast<unsigned short>(mesh.facesPerMaterial(m))) == 2 && ok;
    ok = KaMaterial::saveAlign(stream) && ok;
    ok = writeTag(stream, "MTXI") && ok;
    for (unsigned long v = 0; v < vertexCount; ++v) {
        const unsigned int matrix = v < mesh.mMatrixIndices.size() ? mesh.mMatrixIndices[v] : 0u;
        ok = stream.write(static_cast<unsigned short>(matrix)) == 2 && ok;
    }
    ok = KaMaterial::saveAlign(stream) && ok;
    ok = writeTag(stream, "IDXS") && ok;
    for (unsigned long i = 0; i < indexCount; ++i)
        ok = stream.write(static_cast<unsigned short>(mesh.mIndices[i])) == 2 && ok;
    ok = KaMaterial::saveAlign(stream) && ok;
    return ok;
}

bool KaMesh::deserialize(KaStream& stream, KaMesh& mesh, const KaPath& textureFolder, bool enableLights)
{
    if (!stream.readTag("MESH"))
        return false;
    unsigned int vertexCount = 0;
    unsigned int materialCount = 0;
    unsigned int matrixCount = 0;
    unsigned int indexCount = 0;
    unsigned int flags = 0;
    if (!readU32(stream, vertexCount) || !readU32(stream, materialCount) || !readU32(stream, matrixCount)
        || !readU32(stream, indexCount) || !readU32(stream, flags))
        return false;
    KaString name;
    if (!KaString::deserialize(stream, name) || !KaMaterial::loadAlign(stream))
        return false;

    const bool withColors = (flags & mHasColorsFlag) != 0;
    const bool withUVs = (flags & mHasUVsFlag) != 0;
    // What the counts announce at the least (without padding): a record
    // that cannot hold it is refused before anything is allocated.
    const unsigned long long vertices = vertexCount;
    unsigned long long needed = tagBytes + materialCount * smallestMaterialBytes;
    needed += tagBytes + vertices * 12;
    if (withUVs)
        needed += tagBytes + vertices * 8;
    needed += tagBytes + vertices * 12;
    if (withColors)
        needed += tagBytes + vertices * 4;
    needed += tagBytes + 2ull * materialCount;
    needed += tagBytes + vertices * 2;
    needed += tagBytes + 2ull * indexCount;
    if (needed > stream.remainingBytes())
        return false;

    mesh.setConf(vertexCount, indexCount, TRIANGLES, materialCount, matrixCount);
    mesh.setName(name);
    if (withColors && vertexCount != 0)
        mesh.setColor(0u, KaColor(255, 255, 255, 255));
    if (withUVs && vertexCount != 0)
        mesh.setTextureUV(0, KaVector2f32(0.0f, 0.0f));

    if (!stream.readTag("MTRL"))
        return false;
    for (unsigned int m = 0; m < materialCount; ++m) {
        KaMaterial material;
        if (!KaMaterial::deserialize(stream, material, textureFolder))
            return false;
        if (enableLights)
            material.setEnableLights(true);
        mesh.attachMaterial(m, material);
    }

    if (!stream.readTag("VERT"))
        return false;
    KaVector3f32* positions = vertexCount != 0 ? mesh.mPositions.data() : nullptr;
    for (unsigned int v = 0; v < vertexCount; ++v) {
        if (!readVector3(stream, positions[v]))
            return false;
    }
    if (withUVs) {
        if (!stream.readTag("TUVS"))
            return false;
        KaVector2f32* uvs = vertexCount != 0 ? mesh.mTextureCoordinates.data() : nullptr;
        for (unsigned int v = 0; v < vertexCount; ++v) {
            if (!readFloat(stream, uvs[v].x) || !readFloat(stream, uvs[v].y))
                return false;
        }
    }
    if (!stream.readTag("NORM"))
        return false;
    if (vertexCount != 0) {
        mesh.mNormals.resize(vertexCount);
        KaVector3f32* normals = mesh.mNormals.data();
        for (unsigned int v = 0; v < vertexCount; ++v) {
            if (!readVector3(stream, normals[v]))
                return false;
        }
    }
    if (withColors) {
        if (!stream.readTag("COLS"))
            return false;
        for (unsigned int v = 0; v < vertexCount; ++v) {
            KaColor color;
            if (!KaColor::deserialize(stream, color))
                return false;
            mesh.setColor(v, color);
        }
    }

    if (!stream.readTag("FCPM"))
        return false;
    unsigned long long faces = 0;
    for (unsigned int m = 0; m < materialCount; ++m) {
        uint16_t count = 0;
        if (!readU16(stream, count))
            return false;
        mesh.facesPerMaterial(m, count);
        faces += count;
    }
    if (!KaMaterial::loadAlign(stream) || faces * 3 > indexCount)
        return false;

    if (!stream.readTag("MTXI"))
        return false;
    uint16_t* matrices = vertexCount != 0 ? mesh.mMatrixIndices.data() : nullptr;
    for (unsigned int v = 0; v < vertexCount; ++v) {
        if (!readU16(stream, matrices[v]))
            return false;
    }
    if (!KaMaterial::loadAlign(stream))
        return false;

    if (!stream.readTag("IDXS"))
        return false;
    uint16_t* indices = indexCount != 0 ? mesh.mIndices.data() : nullptr;
    for (unsigned int i = 0; i < indexCount; ++i) {
        if (!readU16(stream, indices[i]) || indices[i] >= vertexCount)
            return false;
    }
    return KaMaterial::loadAlign(stream);
}
