#include "engine/graphics/KaRenderer.h"

#include <GL/gl.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "engine/base/KaStd.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaLight.h"
#include "engine/graphics/KaMesh.h"

KaSingleton<KaRenderer> renderer;

namespace {

// Every batch entry is one triangle.
const uint64_t triangleIndices = 3;
// What one run of 16-bit indices can address from its base vertex.
const uint64_t indexWindow = 65536;

const GLenum glMatrixModes[3] = { GL_PROJECTION, GL_MODELVIEW, GL_TEXTURE };

KaString glText(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return KaString(text ? reinterpret_cast<const char*>(text) : "");
}

// The batch refills its arrays every layer: growing them by doubling keeps a
// frame from reallocating once per mesh.
template <class T>
void growTo(KaArrayImplementation<T>& array, unsigned long size)
{
    if (array.capacity() < size)
        array.reserve(std::max<unsigned long>(size, array.capacity() * 2));
    array.resize(size);
}

// The draw order of the batch. A NaN key (a mesh with NaN positions) would
// break the sort's ordering; such a triangle draws first, where it can do
// the least harm.
float sortableKey(float key)
{
    return std::isnan(key) ? -FLT_MAX : key;
}

bool sameDrawingState(const KaRenderer::TransparentMeshProperties& a, const KaRenderer::TransparentMeshProperties& b)
{
    return a.camera.get() == b.camera.get() && a.material == b.material
        && a.textureEnvironmentMode == b.textureEnvironmentMode && a.matrix == b.matrix && a.hasColors == b.hasColors
        && a.scissorEnabled == b.scissorEnabled && a.scissorX == b.scissorX && a.scissorY == b.scissorY
        && a.scissorWidth == b.scissorWidth && a.scissorHeight == b.scissorHeight;
}

} // namespace

KaRenderer::TransparentMeshProperties::TransparentMeshProperties()
    : textureEnvironmentMode(0)
    , firstVertex(0)
    , indexCount(0)
    , hasColors(false)
    , key(0.0f)
    , scissorEnabled(false)
    , scissorX(0)
    , scissorY(0)
    , scissorWidth(0)
    , scissorHeight(0)
    , drawn(false)
    , vertexBase(0)
{
}

KaRenderer::Batch::Batch()
    : entriesCount(0)
    , trianglesCount(0)
    , sorted(false)
    , reordered(false)
{
}

// The colour cache starts as GL's own initial colour, white, so that it
// never claims a colour GL does not have.
KaRenderer::KaRenderer()
    : mTextureEnabled(false)
    , mMatrixMode(MODELVIEW)
    , mLastTransparentDrawCalls(0)
    , mCurrentColor(255, 255, 255, 255)
    , mScissorEnabled(false)
    , mScissorX(0)
    , mScissorY(0)
    , mScissorWidth(0)
    , mScissorHeight(0)
    , mShadowMode(SHADOW_NONE)
    , mClearColor(0, 0, 0, 255)
{
}

KaRenderer::~KaRenderer() = default;

void KaRenderer::init()
{
    glDisable(GL_CULL_FACE);
    KaLight::disableAll();
    glDisable(GL_COLOR_MATERIAL);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_DONT_CARE);
    glClearDepth(1.0);
    glClearStencil(0);
    setClearColor(KaColor(0, 0, 0, 255));

    GLint stencilBits = 0;
    GLint depthBits = 0;
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    KaPrintf("[KaRenderer::init] Vendor : %s\n", glText(GL_VENDOR).c_str());
    KaPrintf("[KaRenderer::init] Renderer : %s\n", glText(GL_RENDERER).c_str());
    KaPrintf("[KaRenderer::init] Version : %s\n", glText(GL_VERSION).c_str());
    KaPrintf("[KaRenderer::init] Sentil buffer bits : %d\n", stencilBits);
    KaPrintf("[KaRenderer::init] Depth buffer bits : %d\n", depthBits);
    KaPrintf("[KaRenderer::init] Extensions : %s\n", glText(GL_EXTENSIONS).c_str());

    mExtensions.loadExtensions();
    mCurrentColor = KaColor(255, 255, 255, 255);
    mScissorEnabled = false;
    mScissorX = 0;
    mScissorY = 0;
    mScissorWidth = 0;
    mScissorHeight = 0;
}

void KaRenderer::reset()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    mMatrixMode = PROJECTION;
    mStacks[PROJECTION].loadIdentity();
    glMatrixMode(GL_MODELVIEW);
    mMatrixMode = MODELVIEW;
    mStacks[MODELVIEW].loadIdentity();
}

void KaRenderer::create()
{
    mTextureEnabled = false;
    mCurrentCamera.release();
    mShadowMode = SHADOW_NONE;
    emptyBatch(mBatch);
    emptyBatch(mImmediateBatch);
}

KaString KaRenderer::vendor() const
{
    return glText(GL_VENDOR);
}

KaString KaRenderer::renderer() const
{
    return glText(GL_RENDERER);
}

KaMatricesStack& KaRenderer::stack(MatrixMode mode)
{
    return mStacks[mode];
}

const KaMatricesStack& KaRenderer::matricesStack(MatrixMode mode) const
{
    return mStacks[mode >= PROJECTION && mode <= TEXTURE ? mode : MODELVIEW];
}

void KaRenderer::setMatrixMode(MatrixMode mode)
{
    if (mode < PROJECTION || mode > TEXTURE)
        return;
    mMatrixMode = mode;
    glMatrixMode(glMatrixModes[mode]);
}

void KaRenderer::loadIdentityMatrix()
{
    stack(mMatrixMode).loadIdentity();
}

void KaRenderer::loadMatrix(const KaMatrix4x4& matrix)
{
    stack(mMatrixMode).loadMatrix(matrix);
}

void KaRenderer::multiplyMatrix(const KaMatrix4x4& matrix)
{
    stack(mMatrixMode).multiplyMatrix(matrix);
}

void KaRenderer::translate(float x, float y, float z)
{
    stack(mMatrixMode).translate(KaVector3f32(x, y, z));
}

void KaRenderer::rotate(const KaQuaternion& rotation)
{
    stack(mMatrixMode).rotate(rotation);
}

void KaRenderer::rotate(float angle, float x, float y, float z)
{
    stack(mMatrixMode).rotate(angle, KaVector3f32(x, y, z));
}

void KaRenderer::scale(float x, float y, float z)
{
    stack(mMatrixMode).scale(KaVector3f32(x, y, z));
}

void KaRenderer::pushMatrix()
{
    glPushMatrix();
    stack(mMatrixMode).pushMatrix();
}

void KaRenderer::popMatrix()
{
    glPopMatrix();
    stack(mMatrixMode).popMatrix();
}

KaMatrix4x4 KaRenderer::currentMatrix() const
{
    return mStacks[mMatrixMode].currentMatrix();
}

void KaRenderer::loadMatrixToGL(const KaMatrix4x4& matrix)
{
    glLoadMatrixf(matrix.m);
}

void KaRenderer::loadProjectionMatrix(const KaMatrix4x4& matrix)
{
    glMatrixMode(GL_PROJECTION);
    mMatrixMode = PROJECTION;
    mStacks[PROJECTION].loadIdentity();
    mStacks[PROJECTION].loadMatrix(matrix);
    glMatrixMode(GL_MODELVIEW);
    mMatrixMode = MODELVIEW;
    mStacks[MODELVIEW].loadIdentity();
}

void KaRenderer::sendModelMatrix(const KaMatrix4x4&) {}

void KaRenderer::setCurrentColor(const KaColor& color)
{
    if (color == mCurrentColor)
        return;
    glColor4ub(color.r, color.g, color.b, color.a);
    mCurrentColor = color;
}

void KaRenderer::setClearColor(const KaColor& color)
{
    mClearColor = color;
    glClearColor(color.r / 255.0f, color.g / 255.0f, color.b / 255.0f, color.a / 255.0f);
}

void KaRenderer::clearBuffer(unsigned int mask)
{
    glClear(mask);
}

void KaRenderer::enableZBuffer()
{
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
}

void KaRenderer::disableZBuffer()
{
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
}

void KaRenderer::enableTexture()
{
    glEnable(GL_TEXTURE_2D);
    mTextureEnabled = true;
}

void KaRenderer::disableTexture()
{
    glDisable(GL_TEXTURE_2D);
    mTextureEnabled = false;
}

void KaRenderer::enableWireFrame()
{
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
}

void KaRenderer::disableWireFrame()
{
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void KaRenderer::setViewport(int x, int y, unsigned int width, unsigned int height)
{
    glViewport(x, y, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
}

void KaRenderer::setScissor(int x, int y, unsigned int width, unsigned int height)
{
    mScissorX = x;
    mScissorY = y;
    mScissorWidth = width;
    mScissorHeight = height;
}

bool KaRenderer::beginScissor() const
{
    if (!mScissorEnabled)
        return false;
    glEnable(GL_SCISSOR_TEST);
    glScissor(mScissorX, mScissorY, static_cast<GLsizei>(mScissorWidth), static_cast<GLsizei>(mScissorHeight));
    return true;
}

void KaRenderer::endScissor(bool switchedOn)
{
    if (switchedOn)
        glDisable(GL_SCISSOR_TEST);
}

void KaRenderer::setCurrentCamera(const KaIntrusivePtr<KaCamera>& camera)
{
    mCurrentCamera = camera;
}

void KaRenderer::shadowMode(ShadowMode mode)
{
    mShadowMode = mode;
    if (mode == SHADOW_NONE) {
        glDisable(GL_CULL_FACE);
        glShadeModel(GL_SMOOTH);
        return;
    }
    if (mode == SHADOW_TEXTURE) {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
    } else {
        glDisable(GL_CULL_FACE);
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glShadeModel(GL_FLAT);
    KaLight::disableAll();
}

void KaRenderer::drawLine(const KaVector3f32& from, const KaVector3f32& to)
{
    const GLfloat vertices[6] = { from.x, from.y, from.z, to.x, to.y, to.z };
    const GLfloat normals[6] = { 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f };
    const GLushort indices[2] = { 0, 1 };
    setMatrixMode(MODELVIEW);
    glPushMatrix();
    glLoadMatrixf(mStacks[MODELVIEW].currentMatrix().m);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 12, vertices);
    glNormalPointer(GL_FLOAT, 12, normals);
    glDrawElements(GL_LINES, 2, GL_UNSIGNED_SHORT, indices);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glPopMatrix();
}

bool KaRenderer::extractFrameBufferToImg(const KaVector2s32& position, const KaVector2s32& size, KaImage& image)
{
    if (size.x <= 0 || size.y <= 0) {
        KaPrintf("[KaRenderer::extractFrameBufferToImg] Bad size : %d x %d.\n", size.x, size.y);
        return false;
    }
    const unsigned int width = static_cast<unsigned int>(size.x);
    const unsigned int height = static_cast<unsigned int>(size.y);
    if (!image.create(width, height, KaIntrusivePtr<KaPalette>(), RGBA8888) || !image.buffer())
        return false;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, static_cast<GLint>(image.bufferWidth()));
    glReadPixels(position.x, position.y, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGBA,
        GL_UNSIGNED_BYTE, image.buffer());
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    return true;
}

void KaRenderer::checkError(const KaString&) {}

// ---------------------------------------------------------------------------
// Transparent batch

int KaRenderer::compareTransparentMeshProperties(
    const TransparentMeshProperties& a, const TransparentMeshProperties& b)
{
    if (a.key > b.key)
        return 1;
    if (a.key == b.key)
        return 0;
    return -1;
}

const KaRenderer::TransparentMeshProperties& KaRenderer::transparentMeshProperties(unsigned long i) const
{
    return mBatch.entries[mBatch.order[i]];
}

void KaRenderer::addTransparentMesh(
    const KaMesh& mesh, unsigned long firstFace, unsigned long faceCount, unsigned long materialIndex)
{
    KaCamera* camera = mCurrentCamera.get();
    if (camera) {
        appendTriangles(mBatch, mesh, firstFace, faceCount, materialIndex, camera);
        return;
    }
    // Without a camera there is no view to sort in: draw now, in whatever
    // projection GL holds, as the mesh itself would.
    appendTriangles(mImmediateBatch, mesh, firstFace, faceCount, materialIndex, nullptr);
    // Drawn in the mesh's own order, as its other faces are.
    mImmediateBatch.sorted = true;
    drawBatch(mImmediateBatch);
    emptyBatch(mImmediateBatch);
}

void KaRenderer::appendTriangles(Batch& batch, const KaMesh& mesh, unsigned long firstFace, unsigned long faceCount,
    unsigned long materialIndex, KaCamera* camera)
{
    const unsigned long indexCount = mesh.indexCount();
    const bool strip = mesh.primitive() == GL_TRIANGLE_STRIP;
    if (!strip && mesh.primitive() != GL_TRIANGLES)
        return;
    unsigned long count = faceCount;
    if (count == 0) {
        if (strip)
            count = mesh.vertexCount() > 2 ? mesh.vertexCount() - 2 : 0;
        else
            count = indexCount / 3;
    }
    // Never read index slots the mesh does not have.
    const unsigned long slotsPerTriangle = strip ? 1 : 3;
    const unsigned long firstSlot = firstFace * slotsPerTriangle;
    if (firstSlot >= indexCount)
        return;
    const unsigned long available = strip ? (indexCount - firstSlot >= 3 ? indexCount - firstSlot - 2 : 0)
                                          : (indexCount - firstSlot) / 3;
    count = std::min(count, available);
    if (count == 0)
        return;

    const bool skinned = mesh.hasSkinnedPositions();
    const KaVector3f32* positions = skinned ? mesh.skinnedPositions().constData() : mesh.positions().constData();
    const unsigned long vertexCount = skinned ? mesh.skinnedPositions().size() : mesh.vertexCount();
    const bool skinnedNormals = mesh.skinnedNormals().size() != 0;
    const KaVector3f32* normals = skinnedNormals ? mesh.skinnedNormals().constData() : mesh.normals().constData();
    const unsigned long normalCount = skinnedNormals ? mesh.skinnedNormals().size() : mesh.normalCount();
    const KaVector2f32* uvs = mesh.hasUVs() ? mesh.textureCoordinates().constData() : nullptr;
    const unsigned long uvCount = mesh.textureCoordinates().size();
    const KaColor* colors = mesh.hasColor() ? mesh.colors().constData() : nullptr;
    const unsigned long colorCount = mesh.colors().size();
    const uint16_t* indices = mesh.indices().constData();
    const KaMaterial material = mesh.material(static_cast<unsigned int>(materialIndex));
    const KaColor diffuse = material.diffuse();
    // A mesh without normals draws with GL's default normal.
    const KaVector3f32 defaultNormal(0.0f, 0.0f, 1.0f);

    const KaMatrix4x4 modelView = mStacks[MODELVIEW].currentMatrix();
    const float nearDistance = camera ? camera->nearDistance() : 0.0f;
    const int projectionType = camera ? camera->projectionType() : -1;

    const uint64_t firstTriangle = batch.trianglesCount;
    const unsigned long vertexTotal = static_cast<unsigned long>((firstTriangle + count) * 3);
    TransparentMeshesArrays& arrays = batch.arrays;
    growTo(arrays.positions, vertexTotal);
    growTo(arrays.normals, vertexTotal);
    growTo(arrays.textureCoordinates, vertexTotal);
    growTo(arrays.colors, vertexTotal);
    growTo(arrays.indices, vertexTotal);
    growTo(batch.entries, static_cast<unsigned long>(batch.entriesCount + count));
    growTo(batch.order, static_cast<unsigned long>(batch.entriesCount + count));

    uint64_t written = 0;
    for (unsigned long t = 0; t < count; ++t) {
        unsigned int corner[3];
        bool inside = true;
        for (unsigned long k = 0; k < 3; ++k) {
            const unsigned long slot = strip ? firstFace + t + k : 3 * (firstFace + t) + k;
            corner[k] = indices[slot];
            inside = inside && corner[k] < vertexCount;
        }
        // An index past the vertices has nothing to draw; the triangle goes.
        if (!inside)
            continue;
        const uint64_t d = (firstTriangle + written) * 3;
        KaVector3f32 centroid(0.0f, 0.0f, 0.0f);
        for (unsigned long k = 0; k < 3; ++k) {
            const unsigned int v = corner[k];
            const KaVector3f32 position = modelView.mult4x3(positions[v]);
            arrays.positions[d + k] = position;
            arrays.normals[d + k] = modelView.mult3x3(v < normalCount ? normals[v] : defaultNormal);
            if (uvs && v < uvCount)
                arrays.textureCoordinates[d + k] = uvs[v];
            arrays.colors[d + k] = colors && v < colorCount ? colors[v] : diffuse;
            centroid += position;
        }
        centroid /= 3.0f;
        centroid.z -= nearDistance;
        const float squared = centroid.x * centroid.x + centroid.y * centroid.y + centroid.z * centroid.z;
        float key;
        if (projectionType == KaCamera::PERSPECTIVE_Y || projectionType == KaCamera::PERSPECTIVE_X)
            key = -squared;
        else if (projectionType == KaCamera::ORTHOGRAPHIC)
            key = centroid.z * centroid.z;
        else
            key = squared;

        const unsigned long e = static_cast<unsigned long>(batch.entriesCount + written);
        TransparentMeshProperties& entry = batch.entries[e];
        entry.camera = camera;
        entry.material = material;
        entry.textureEnvironmentMode = mesh.textureEnvironmentMode();
        entry.matrix.setIdentity();
        entry.firstVertex = d;
        entry.indexCount = triangleIndices;
        entry.hasColors = mesh.hasColor();
        entry.key = sortableKey(key);
        entry.scissorEnabled = mScissorEnabled;
        entry.scissorX = mScissorX;
        entry.scissorY = mScissorY;
        entry.scissorWidth = mScissorWidth;
        entry.scissorHeight = mScissorHeight;
        entry.drawn = true;
        entry.vertexBase = 0;
        batch.order[e] = static_cast<uint32_t>(e);
        ++written;
    }
    batch.trianglesCount += written;
    batch.entriesCount += written;
    const unsigned long used = static_cast<unsigned long>(batch.entriesCount);
    batch.entries.resize(used);
    batch.order.resize(used);
    arrays.positions.resize(used * 3);
    arrays.normals.resize(used * 3);
    arrays.textureCoordinates.resize(used * 3);
    arrays.colors.resize(used * 3);
    arrays.indices.resize(used * 3);
    batch.sorted = false;
}

void KaRenderer::sortBatch(Batch& batch)
{
    const unsigned long count = static_cast<unsigned long>(batch.entriesCount);
    for (unsigned long i = 0; i < count; ++i)
        batch.order[i] = static_cast<uint32_t>(i);
    const KaArrayImplementation<TransparentMeshProperties>& entries = batch.entries;
    // Unstable on purpose: equal keys may come out in any order.
    std::sort(batch.order.data(), batch.order.data() + count, [&entries](uint32_t a, uint32_t b) {
        return compareTransparentMeshProperties(entries[a], entries[b]) < 0;
    });
    batch.sorted = true;
}

void KaRenderer::optimiseTransparentMeshProperties()
{
    optimiseBatch(mBatch);
}

void KaRenderer::optimiseBatch(Batch& batch)
{
    if (!batch.sorted)
        sortBatch(batch);
    const unsigned long count = static_cast<unsigned long>(batch.entriesCount);
    // Up to 65,536 vertices every run counts its 16-bit indices from vertex
    // 0 of the batch's arrays, one index array for the whole batch. Past
    // that, the vertices are first copied in draw order, so that every run
    // is a contiguous block counted from its own first vertex; a run ends
    // where its block would outgrow the 16-bit range. Either way no index
    // ever wraps.
    batch.reordered = batch.trianglesCount * 3 > indexWindow;
    TransparentMeshesArrays& arrays = batch.arrays;
    TransparentMeshesArrays& drawn = batch.drawOrder;
    if (batch.reordered) {
        growTo(drawn.positions, count * 3);
        growTo(drawn.normals, count * 3);
        growTo(drawn.textureCoordinates, count * 3);
        growTo(drawn.colors, count * 3);
    }
    arrays.indices.resize(count * 3);
    uint16_t* indices = arrays.indices.data();
    TransparentMeshProperties* base = nullptr;
    for (unsigned long i = 0; i < count; ++i) {
        TransparentMeshProperties& entry = batch.entries[batch.order[i]];
        entry.indexCount = triangleIndices;
        entry.drawn = true;
        // The vertex this triangle is drawn from.
        const uint64_t vertex = batch.reordered ? 3 * i : entry.firstVertex;
        if (batch.reordered) {
            const unsigned long from = static_cast<unsigned long>(entry.firstVertex);
            for (unsigned long k = 0; k < triangleIndices; ++k) {
                drawn.positions[3 * i + k] = arrays.positions[from + k];
                drawn.normals[3 * i + k] = arrays.normals[from + k];
                drawn.textureCoordinates[3 * i + k] = arrays.textureCoordinates[from + k];
                drawn.colors[3 * i + k] = arrays.colors[from + k];
            }
        }
        const bool addressable = base && vertex + triangleIndices - base->vertexBase <= indexWindow;
        if (addressable && sameDrawingState(*base, entry)) {
            base->indexCount += triangleIndices;
            entry.drawn = false;
            entry.vertexBase = base->vertexBase;
        } else {
            base = &entry;
            entry.vertexBase = batch.reordered ? vertex : 0;
        }
        for (uint64_t k = 0; k < triangleIndices; ++k)
            indices[3 * i + k] = static_cast<uint16_t>(vertex + k - entry.vertexBase);
    }
}

unsigned long KaRenderer::drawBatch(Batch& batch)
{
    if (batch.trianglesCount == 0)
        return 0;
    glDepthMask(GL_FALSE);
    optimiseBatch(batch);

    // Vertex data in draw order past 65,536 vertices; indices always here.
    TransparentMeshesArrays& arrays = batch.reordered ? batch.drawOrder : batch.arrays;
    const uint16_t* indices = batch.arrays.indices.data();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);

    unsigned long calls = 0;
    uint64_t indexOffset = 0;
    uint64_t pointedBase = ~uint64_t(0);
    KaMaterial lastMaterial;
    bool materialApplied = false;
    KaCamera* appliedCamera = nullptr;
    const unsigned long count = static_cast<unsigned long>(batch.entriesCount);
    for (unsigned long i = 0; i < count; ++i) {
        const TransparentMeshProperties& entry = batch.entries[batch.order[i]];
        if (!entry.drawn)
            continue;
        if (entry.vertexBase != pointedBase) {
            const unsigned long b = static_cast<unsigned long>(entry.vertexBase);
            glVertexPointer(3, GL_FLOAT, 12, arrays.positions.data() + b);
            glNormalPointer(GL_FLOAT, 12, arrays.normals.data() + b);
            glTexCoordPointer(2, GL_FLOAT, 8, arrays.textureCoordinates.data() + b);
            glColorPointer(4, GL_UNSIGNED_BYTE, 4, arrays.colors.data() + b);
            pointedBase = entry.vertexBase;
        }
        // Applying a camera again right after it was restored would send
        // the same viewport and projection: keep it applied across entries
        // and restore it once, when another camera comes or at the end.
        KaCamera* camera = entry.camera.get();
        if (camera != appliedCamera) {
            if (appliedCamera)
                appliedCamera->restore();
            appliedCamera = camera;
            if (camera)
                camera->applyProjection();
        }

        setMatrixMode(MODELVIEW);
        glPushMatrix();
        mStacks[MODELVIEW].pushMatrix();
        mStacks[MODELVIEW].loadMatrix(entry.matrix);
        glPushMatrix();
        glLoadMatrixf(mStacks[MODELVIEW].currentMatrix().m);

        const KaMaterial& material = entry.material;
        const bool textured = material.texture().get() != nullptr;
        if (textured) {
            glEnable(GL_TEXTURE_2D);
            mTextureEnabled = true;
        }
        if (material.isShadowTexture()) {
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            glDisableClientState(GL_COLOR_ARRAY);
        }
        // The first entry always applies its material: GL still holds the
        // state of whatever drew before the batch, which a default material
        // would otherwise inherit.
        if (!materialApplied || material != lastMaterial) {
            material.apply();
            lastMaterial = material;
            materialApplied = true;
        }
        const bool scissor = entry.scissorEnabled;
        if (scissor) {
            glEnable(GL_SCISSOR_TEST);
            glScissor(entry.scissorX, entry.scissorY, static_cast<GLsizei>(entry.scissorWidth),
                static_cast<GLsizei>(entry.scissorHeight));
        }
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, entry.textureEnvironmentMode);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(entry.indexCount), GL_UNSIGNED_SHORT,
            indices + indexOffset);
        indexOffset += entry.indexCount;
        ++calls;
        if (material.isShadowTexture()) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glEnableClientState(GL_COLOR_ARRAY);
        }
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        if (scissor)
            glDisable(GL_SCISSOR_TEST);
        if (textured) {
            glDisable(GL_TEXTURE_2D);
            mTextureEnabled = false;
        }
        glPopMatrix();
        glPopMatrix();
        mStacks[MODELVIEW].popMatrix();
        // What the camera's restore does between entries.
        if (camera)
            setCurrentColor(KaColor(255, 255, 255, 255));
    }
    if (appliedCamera)
        appliedCamera->restore();

    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDepthMask(GL_TRUE);
    return calls;
}

void KaRenderer::emptyBatch(Batch& batch)
{
    // Sizes go to 0 but the storage stays for the next layer.
    batch.entries.resize(0);
    batch.order.resize(0);
    batch.arrays.positions.resize(0);
    batch.arrays.normals.resize(0);
    batch.arrays.textureCoordinates.resize(0);
    batch.arrays.colors.resize(0);
    batch.arrays.indices.resize(0);
    batch.drawOrder.positions.resize(0);
    batch.drawOrder.normals.resize(0);
    batch.drawOrder.textureCoordinates.resize(0);
    batch.drawOrder.colors.resize(0);
    batch.reordered = false;
    batch.entriesCount = 0;
    batch.trianglesCount = 0;
    batch.sorted = false;
}

void KaRenderer::renderTransparentMeshes()
{
    mLastTransparentDrawCalls = drawBatch(mBatch);
    emptyBatch(mBatch);
}
