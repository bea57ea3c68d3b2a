#include "engine/graphics/KaRenderer.h"

#include <GL/gl.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "engine/base/KaStd.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaLight.h"
#include "engine/graphics/KaMesh.h"
#include "engine/input/KaScreen.h"

KaSingleton<KaRenderer> renderer;

namespace {

// The default screen's lock() reaches the renderer through this: any program
// that draws links this file.
void applyScreenClearColor(KaRenderer* target, const KaColor& color)
{
    (target ? target : renderer.get())->setClearColor(color);
}

[[maybe_unused]] const bool kScreenApplierInstalled = (KaScreen::setClearColorApplier(&applyScreenClearColor), true);

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

// For scratch arrays that are written before they are read: never shrunk,
// so that a batch of the same size as the last one clears nothing.
template <class T>
void growAtLeast(KaArrayImplementation<T>& array, unsigned long size)
{
    if (array.size() < size)
        growTo(array, size);
}

// The draw order of the batch. A NaN key (a mesh with NaN positions) would
// break the sort's ordering; such a triangle draws first, where it can do
// the least harm.
float sortableKey(float key)
{
    return std::isnan(key) ? -FLT_MAX : key;
}

// Everything the merge step compares. The texture's GL name, the colours and
// the shininess are what material equality compares; the shadow-texture flag
// is not part of it, but triangles that differ in it draw with different
// client arrays and are kept apart.
bool sameState(const KaRenderer::TransparentState& a, const KaRenderer::TransparentState& b)
{
    return a.camera.get() == b.camera.get() && a.material == b.material
        && a.material.isShadowTexture() == b.material.isShadowTexture()
        && a.textureEnvironmentMode == b.textureEnvironmentMode && a.hasColors == b.hasColors
        && a.scissorEnabled == b.scissorEnabled && a.scissorX == b.scissorX && a.scissorY == b.scissorY
        && a.scissorWidth == b.scissorWidth && a.scissorHeight == b.scissorHeight;
}

uint64_t mix(uint64_t hash, uint64_t value)
{
    hash ^= value + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2);
    return hash;
}

uint64_t colorBits(const KaColor& color)
{
    return static_cast<uint64_t>(color.r) | static_cast<uint64_t>(color.g) << 8 | static_cast<uint64_t>(color.b) << 16
        | static_cast<uint64_t>(color.a) << 24;
}

// Equal states (sameState) hash equally.
uint64_t stateHash(const KaRenderer::TransparentState& state)
{
    const KaMaterial& material = state.material;
    const Ka3DTexture* texture = material.texture().get();
    uint64_t hash = mix(0, reinterpret_cast<uintptr_t>(state.camera.get()));
    hash = mix(hash, texture ? static_cast<uint64_t>(texture->glName()) + 1 : 0);
    hash = mix(hash, static_cast<uint64_t>(static_cast<uint32_t>(material.mode())));
    hash = mix(hash, colorBits(material.ambient()) | colorBits(material.diffuse()) << 32);
    hash = mix(hash, colorBits(material.specular()) | colorBits(material.emission()) << 32);
    // 0 and -0 are equal shininesses.
    const float shininess = material.shininess() == 0.0f ? 0.0f : material.shininess();
    uint32_t shininessBits = 0;
    std::memcpy(&shininessBits, &shininess, sizeof shininessBits);
    hash = mix(hash, shininessBits);
    hash = mix(hash,
        (material.enableLights() ? 1u : 0u) | (material.isShadowTexture() ? 2u : 0u) | (state.hasColors ? 4u : 0u)
            | (state.scissorEnabled ? 8u : 0u));
    hash = mix(hash, static_cast<uint64_t>(static_cast<uint32_t>(state.textureEnvironmentMode)));
    hash = mix(hash,
        static_cast<uint64_t>(static_cast<uint32_t>(state.scissorX)) << 32 | static_cast<uint32_t>(state.scissorY));
    hash = mix(hash, static_cast<uint64_t>(state.scissorWidth) << 32 | state.scissorHeight);
    // Spread the low bits, which pick the slot.
    hash ^= hash >> 31;
    hash *= 0xbf58476d1ce4e5b9ull;
    hash ^= hash >> 29;
    return hash;
}

// Below this many entries a comparison sort is quicker than a radix sort.
const unsigned long radixSortThreshold = 1024;
// No state applied yet.
const uint32_t noState = 0xFFFFFFFFu;
// Entries address their first vertex with 32 bits.
const uint64_t maxBatchTriangles = 0xFFFFFFFFull / 3;

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

KaRenderer::TransparentState::TransparentState()
    : textureEnvironmentMode(0)
    , hasColors(false)
    , scissorEnabled(false)
    , scissorX(0)
    , scissorY(0)
    , scissorWidth(0)
    , scissorHeight(0)
    , mergeable(false)
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
    , mLastTransparentMaterialChanges(0)
    , mCurrentColor(255, 255, 255, 255)
    , mCurrentColorDeferred(false)
    , mCurrentColorPending(false)
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
    mCurrentColor = color;
    if (mCurrentColorDeferred) {
        mCurrentColorPending = true;
        return;
    }
    glColor4ub(color.r, color.g, color.b, color.a);
}

void KaRenderer::deferCurrentColor(bool defer)
{
    mCurrentColorDeferred = defer;
    if (defer || !mCurrentColorPending)
        return;
    glColor4ub(mCurrentColor.r, mCurrentColor.g, mCurrentColor.b, mCurrentColor.a);
    mCurrentColorPending = false;
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

KaRenderer::TransparentMeshProperties KaRenderer::transparentMeshProperties(unsigned long i) const
{
    const TransparentEntry& entry = mBatch.entries[i];
    const TransparentState& state = mBatch.states[entry.state];
    TransparentMeshProperties properties;
    properties.camera = state.camera;
    properties.material = state.material;
    properties.textureEnvironmentMode = state.textureEnvironmentMode;
    properties.matrix.setIdentity();
    properties.firstVertex = entry.firstVertex;
    properties.drawn = entry.indexCount != 0;
    properties.indexCount = properties.drawn ? entry.indexCount : triangleIndices;
    properties.hasColors = state.hasColors;
    properties.key = entry.key;
    properties.scissorEnabled = state.scissorEnabled;
    properties.scissorX = state.scissorX;
    properties.scissorY = state.scissorY;
    properties.scissorWidth = state.scissorWidth;
    properties.scissorHeight = state.scissorHeight;
    properties.vertexBase = entry.vertexBase;
    return properties;
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
    unsigned long materialChanges = 0;
    drawBatch(mImmediateBatch, materialChanges);
    emptyBatch(mImmediateBatch);
}

uint32_t KaRenderer::stateFor(Batch& batch, const KaMesh& mesh, const KaMaterial& material, KaCamera* camera)
{
    TransparentState state;
    state.camera = camera;
    state.material = material;
    state.textureEnvironmentMode = mesh.textureEnvironmentMode();
    state.hasColors = mesh.hasColor();
    state.scissorEnabled = mScissorEnabled;
    state.scissorX = mScissorX;
    state.scissorY = mScissorY;
    state.scissorWidth = mScissorWidth;
    state.scissorHeight = mScissorHeight;
    state.mergeable = material == material;

    const uint32_t count = static_cast<uint32_t>(batch.states.size());
    // Meshes drawn one after another mostly share their state.
    if (count != 0 && sameState(batch.states[count - 1], state))
        return count - 1;
    if (!state.mergeable) {
        // Equal to nothing, not even itself: a state of its own every time.
        batch.states.pushBack(state);
        return count;
    }

    KaArrayImplementation<uint32_t>& slots = batch.stateSlots;
    if (slots.size() < 2 * (static_cast<unsigned long>(count) + 1)) {
        const unsigned long size = std::max<unsigned long>(64, slots.size() * 2);
        slots.resize(0);
        slots.resize(size);
        std::memset(slots.data(), 0, size * sizeof(uint32_t));
        for (uint32_t s = 0; s < count; ++s) {
            if (!batch.states[s].mergeable)
                continue;
            unsigned long slot = static_cast<unsigned long>(stateHash(batch.states[s])) & (size - 1);
            while (slots[slot] != 0)
                slot = (slot + 1) & (size - 1);
            slots[slot] = s + 1;
        }
    }
    const unsigned long mask = slots.size() - 1;
    unsigned long slot = static_cast<unsigned long>(stateHash(state)) & mask;
    while (slots[slot] != 0) {
        const uint32_t s = slots[slot] - 1;
        if (sameState(batch.states[s], state))
            return s;
        slot = (slot + 1) & mask;
    }
    slots[slot] = count + 1;
    batch.states.pushBack(state);
    return count;
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
    if (batch.trianglesCount + count > maxBatchTriangles)
        count = static_cast<unsigned long>(maxBatchTriangles - batch.trianglesCount);
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
    // Every triangle of the call draws with the same state: one number for
    // all of them.
    const uint32_t state = stateFor(batch, mesh, material, camera);

    const uint64_t firstTriangle = batch.trianglesCount;
    const unsigned long vertexTotal = static_cast<unsigned long>((firstTriangle + count) * 3);
    TransparentMeshesArrays& arrays = batch.arrays;
    growTo(arrays.positions, vertexTotal);
    growTo(arrays.normals, vertexTotal);
    growTo(arrays.textureCoordinates, vertexTotal);
    growTo(arrays.colors, vertexTotal);
    growTo(arrays.indices, vertexTotal);
    growTo(batch.entries, static_cast<unsigned long>(batch.entriesCount + count));

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

        TransparentEntry& entry = batch.entries[static_cast<unsigned long>(batch.entriesCount + written)];
        entry.key = sortableKey(key);
        entry.firstVertex = static_cast<uint32_t>(d);
        entry.state = state;
        entry.indexCount = triangleIndices;
        entry.vertexBase = 0;
        ++written;
    }
    batch.trianglesCount += written;
    batch.entriesCount += written;
    const unsigned long used = static_cast<unsigned long>(batch.entriesCount);
    batch.entries.resize(used);
    arrays.positions.resize(used * 3);
    arrays.normals.resize(used * 3);
    arrays.textureCoordinates.resize(used * 3);
    arrays.colors.resize(used * 3);
    arrays.indices.resize(used * 3);
    batch.sorted = false;
}

namespace {

// The key's bits as an unsigned number in the same order as the floats.
uint32_t sortableBits(float key)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &key, sizeof bits);
    return (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
}

} // namespace

void KaRenderer::sortBatch(Batch& batch)
{
    const unsigned long count = static_cast<unsigned long>(batch.entriesCount);
    TransparentEntry* entries = batch.entries.data();
    // Equal keys may come out in any order. The keys hold no NaN
    // (sortableKey), so comparing them is a strict weak order.
    if (count < radixSortThreshold) {
        std::sort(entries, entries + count,
            [](const TransparentEntry& a, const TransparentEntry& b) { return a.key < b.key; });
        batch.sorted = true;
        return;
    }
    // A full layer has tens of thousands of triangles: three passes of 11
    // bits over the keys cost less than a comparison sort.
    growAtLeast(batch.sortScratch, count);
    TransparentEntry* from = entries;
    TransparentEntry* to = batch.sortScratch.data();
    const int radixBits = 11;
    const uint32_t radixMask = (1u << radixBits) - 1;
    unsigned long counts[1u << radixBits];
    for (int shift = 0; shift < 32; shift += radixBits) {
        std::memset(counts, 0, sizeof counts);
        for (unsigned long i = 0; i < count; ++i)
            ++counts[(sortableBits(from[i].key) >> shift) & radixMask];
        unsigned long position = 0;
        for (unsigned long& bucket : counts) {
            const unsigned long size = bucket;
            bucket = position;
            position += size;
        }
        for (unsigned long i = 0; i < count; ++i)
            to[counts[(sortableBits(from[i].key) >> shift) & radixMask]++] = from[i];
        std::swap(from, to);
    }
    // Three passes leave the result in the scratch array.
    if (from != entries)
        std::memcpy(static_cast<void*>(entries), from, count * sizeof(TransparentEntry));
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
        growAtLeast(drawn.positions, count * 3);
        growAtLeast(drawn.normals, count * 3);
        growAtLeast(drawn.textureCoordinates, count * 3);
        growAtLeast(drawn.colors, count * 3);
    }
    arrays.indices.resize(count * 3);
    uint16_t* indices = arrays.indices.data();
    TransparentEntry* entries = batch.entries.data();
    const TransparentState* states = batch.states.data();
    TransparentEntry* base = nullptr;
    // The vertex index 0 stands for: moved on only when a triangle falls
    // past the 16-bit range, so that the arrays are pointed at anew a few
    // times per flush rather than at every run.
    uint64_t window = 0;
    for (unsigned long i = 0; i < count; ++i) {
        TransparentEntry& entry = entries[i];
        entry.indexCount = triangleIndices;
        // The vertex this triangle is drawn from.
        const uint64_t vertex = batch.reordered ? 3 * i : entry.firstVertex;
        if (batch.reordered) {
            const unsigned long from = entry.firstVertex;
            for (unsigned long k = 0; k < triangleIndices; ++k) {
                drawn.positions[3 * i + k] = arrays.positions[from + k];
                drawn.normals[3 * i + k] = arrays.normals[from + k];
                drawn.textureCoordinates[3 * i + k] = arrays.textureCoordinates[from + k];
                drawn.colors[3 * i + k] = arrays.colors[from + k];
            }
            if (vertex + triangleIndices - window > indexWindow)
                window = vertex;
        }
        // Equal states share their number, so a run is a run of one number
        // within one window.
        if (base && base->vertexBase == window && entry.state == base->state && states[entry.state].mergeable) {
            base->indexCount += triangleIndices;
            entry.indexCount = 0;
        } else {
            base = &entry;
        }
        entry.vertexBase = static_cast<uint32_t>(window);
        for (uint64_t k = 0; k < triangleIndices; ++k)
            indices[3 * i + k] = static_cast<uint16_t>(vertex + k - window);
    }
}

// The GL state the batch sets is sent once per flush (client arrays, depth
// mask), once per camera (projection, viewport, model-view) or when it
// changes from one run to the next (material, texture, scissor, texture
// environment), never around every draw call: what each draw sees is what
// setting and resetting it around every call would give.
unsigned long KaRenderer::drawBatch(Batch& batch, unsigned long& materialChanges)
{
    materialChanges = 0;
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
    // Every material sets the current colour, which the colour array hides:
    // GL receives only the last one, once the array is off.
    deferCurrentColor(true);

    unsigned long calls = 0;
    uint64_t indexOffset = 0;
    uint64_t pointedBase = ~uint64_t(0);
    bool cameraOpen = false;
    KaCamera* appliedCamera = nullptr;
    uint32_t appliedState = noState;
    const KaMaterial* lastMaterial = nullptr;
    // The material whose colours GL holds.
    const KaMaterial* coloursHeld = nullptr;
    bool textureOn = false;
    bool shadowArraysOff = false;
    bool scissorOn = false;
    int32_t scissorX = 0;
    int32_t scissorY = 0;
    uint32_t scissorWidth = 0;
    uint32_t scissorHeight = 0;
    bool environmentKnown = false;
    int environment = 0;

    const unsigned long count = static_cast<unsigned long>(batch.entriesCount);
    const TransparentEntry* entries = batch.entries.data();
    const TransparentState* states = batch.states.data();
    for (unsigned long i = 0; i < count; ++i) {
        const TransparentEntry& entry = entries[i];
        if (entry.indexCount == 0)
            continue;
        if (entry.vertexBase != pointedBase) {
            const unsigned long b = entry.vertexBase;
            glVertexPointer(3, GL_FLOAT, 12, arrays.positions.data() + b);
            glNormalPointer(GL_FLOAT, 12, arrays.normals.data() + b);
            glTexCoordPointer(2, GL_FLOAT, 8, arrays.textureCoordinates.data() + b);
            glColorPointer(4, GL_UNSIGNED_BYTE, 4, arrays.colors.data() + b);
            pointedBase = entry.vertexBase;
        }
        const TransparentState& state = states[entry.state];
        // A camera's projection and the entries' identity model-view (the
        // positions are in view space) stay loaded for all its entries.
        KaCamera* camera = state.camera.get();
        if (!cameraOpen || camera != appliedCamera) {
            if (cameraOpen) {
                glPopMatrix();
                glPopMatrix();
                mStacks[MODELVIEW].popMatrix();
                if (appliedCamera)
                    appliedCamera->restore();
            }
            cameraOpen = true;
            appliedCamera = camera;
            if (camera)
                camera->applyProjection();
            setMatrixMode(MODELVIEW);
            glPushMatrix();
            mStacks[MODELVIEW].pushMatrix();
            mStacks[MODELVIEW].loadIdentity();
            glPushMatrix();
            glLoadMatrixf(mStacks[MODELVIEW].currentMatrix().m);
        }

        bool materialApplied = false;
        if (entry.state != appliedState) {
            const KaMaterial& material = state.material;
            const bool textured = material.texture().get() != nullptr;
            if (textured && !textureOn) {
                glEnable(GL_TEXTURE_2D);
                mTextureEnabled = true;
                textureOn = true;
            } else if (!textured && textureOn) {
                glDisable(GL_TEXTURE_2D);
                mTextureEnabled = false;
                textureOn = false;
            }
            if (material.isShadowTexture() != shadowArraysOff) {
                shadowArraysOff = material.isShadowTexture();
                if (shadowArraysOff) {
                    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
                    glDisableClientState(GL_COLOR_ARRAY);
                } else {
                    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
                    glEnableClientState(GL_COLOR_ARRAY);
                }
                deferCurrentColor(!shadowArraysOff);
            }
            // The first material is applied whole: GL still holds the state
            // of whatever drew before the batch, which a default material
            // would otherwise inherit. After it, only what differs.
            if (!lastMaterial || material != *lastMaterial) {
                const bool whole = !lastMaterial || mShadowMode != SHADOW_NONE || material.isShadowTexture()
                    || lastMaterial->isShadowTexture();
                if (whole) {
                    material.apply();
                    coloursHeld = &material;
                    environmentKnown = false;
                } else {
                    // Unlit, the material colours show nowhere: they are
                    // sent when a lit material or the end of the flush
                    // needs them.
                    material.applyChanges(*lastMaterial, true, false);
                    if (material.enableLights()) {
                        material.applyColours(*coloursHeld);
                        coloursHeld = &material;
                    }
                }
                lastMaterial = &material;
                materialApplied = true;
                ++materialChanges;
            }
            if (state.scissorEnabled) {
                const bool rectangleChanged = state.scissorX != scissorX || state.scissorY != scissorY
                    || state.scissorWidth != scissorWidth || state.scissorHeight != scissorHeight;
                if (!scissorOn)
                    glEnable(GL_SCISSOR_TEST);
                if (!scissorOn || rectangleChanged) {
                    glScissor(state.scissorX, state.scissorY, static_cast<GLsizei>(state.scissorWidth),
                        static_cast<GLsizei>(state.scissorHeight));
                    scissorX = state.scissorX;
                    scissorY = state.scissorY;
                    scissorWidth = state.scissorWidth;
                    scissorHeight = state.scissorHeight;
                }
                scissorOn = true;
            } else if (scissorOn) {
                glDisable(GL_SCISSOR_TEST);
                scissorOn = false;
            }
            appliedState = entry.state;
        }
        if (!environmentKnown || environment != state.textureEnvironmentMode) {
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, state.textureEnvironmentMode);
            environment = state.textureEnvironmentMode;
            environmentKnown = true;
        }
        // Without the colour array the current colour shows: white, as a
        // camera's restore leaves it, unless this entry applied its
        // material.
        if (shadowArraysOff && !materialApplied && camera)
            setCurrentColor(KaColor(255, 255, 255, 255));
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(entry.indexCount), GL_UNSIGNED_SHORT,
            indices + indexOffset);
        indexOffset += entry.indexCount;
        ++calls;
    }

    if (lastMaterial && coloursHeld != lastMaterial)
        lastMaterial->applyColours(*coloursHeld);
    deferCurrentColor(false);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    if (scissorOn)
        glDisable(GL_SCISSOR_TEST);
    if (textureOn) {
        glDisable(GL_TEXTURE_2D);
        mTextureEnabled = false;
    }
    if (cameraOpen) {
        glPopMatrix();
        glPopMatrix();
        mStacks[MODELVIEW].popMatrix();
        if (appliedCamera)
            appliedCamera->restore();
    }

    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDepthMask(GL_TRUE);
    return calls;
}

void KaRenderer::emptyBatch(Batch& batch)
{
    // Sizes go to 0 but the storage stays for the next layer. The copy in
    // draw order and the sort's scratch are only ever written before they
    // are read: they keep their size too, and are not cleared again.
    batch.entries.resize(0);
    batch.states.resize(0);
    if (batch.stateSlots.size() != 0)
        std::memset(batch.stateSlots.data(), 0, batch.stateSlots.size() * sizeof(uint32_t));
    batch.arrays.positions.resize(0);
    batch.arrays.normals.resize(0);
    batch.arrays.textureCoordinates.resize(0);
    batch.arrays.colors.resize(0);
    batch.arrays.indices.resize(0);
    batch.reordered = false;
    batch.entriesCount = 0;
    batch.trianglesCount = 0;
    batch.sorted = false;
}

void KaRenderer::renderTransparentMeshes()
{
    mLastTransparentDrawCalls = drawBatch(mBatch, mLastTransparentMaterialChanges);
    emptyBatch(mBatch);
}
