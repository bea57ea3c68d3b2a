#ifndef KA_RENDERER_H
#define KA_RENDERER_H

#include <cstdint>

#include "engine/containers/KaArrayImplementation.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/containers/KaIsRelocatable.h"
#include "engine/containers/KaSingleton.h"
#include "engine/core/KaString.h"
#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaMaterial.h"
#include "engine/graphics/KaOpenGLExtensions.h"
#include "engine/maths/KaMatricesStack.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector2f32.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/color/KaColor.h"
#include "engine/containers/KaIsRelocatable.h"

class KaImage;
class KaMesh;

// The one object through which the engine talks to the fixed-function GL
// pipeline (reached through the holder `renderer`).
//
// Matrices live on three engine-side stacks (projection, model-view,
// texture) that mirror GL's: arithmetic happens here and GL receives a whole
// matrix (loadMatrixToGL, or a draw routine's glLoadMatrixf of the top) only
// when something is drawn or a camera is applied. pushMatrix/popMatrix act on
// both sides; an engine stack never pops its last matrix, while GL still
// receives its glPopMatrix.
//
// The current colour is cached and sent to GL only when it changes (while
// the batch draws from its colour array, which hides it, only the last one
// reaches GL, once the array is off); code that calls glColor directly
// makes the cache lie until the next camera restore sets it back to white.
// The scissor rectangle is only stored: each draw routine switches GL's
// scissor test on and off around its own draw call from these values.
//
// Transparent triangles do not draw with their mesh: addTransparentMesh
// copies them, already in view space, into the batch; renderTransparentMeshes
// sorts them far to near (for a perspective camera), merges neighbours that
// share all drawing state and draws them with depth writes off.
//
// A GL context must be current before init() and before anything draws.
// Main thread only (the GL context's thread). Not copyable.
class KaRenderer {
public:
    enum MatrixMode { PROJECTION = 0, MODELVIEW = 1, TEXTURE = 2 };

    enum ShadowMode {
        // Normal drawing.
        SHADOW_NONE = 0,
        // Characters into the shadow texture: back faces culled, flat,
        // unlit, nothing deferred to the batch.
        SHADOW_TEXTURE = 1,
        // The projected shadow onto receiving meshes: no culling, flat,
        // unlit, no texture coordinates from the meshes.
        SHADOW_PROJECTION = 2
    };

    // GL's own buffer bits, passed to glClear unchanged.
    enum Buffer { COLOR_BUFFER = 0x4000, DEPTH_BUFFER = 0x100, STENCIL_BUFFER = 0x400 };

    // Geometry of the batch, three vertices per triangle (triangle t at 3t,
    // 3t + 1, 3t + 2), in the view space of the camera it was added under.
    // The arrays keep their storage between frames.
    struct TransparentMeshesArrays {
        KaArrayImplementation<KaVector3f32> positions;
        KaArrayImplementation<KaVector3f32> normals;
        KaArrayImplementation<KaVector2f32> textureCoordinates;
        KaArrayImplementation<KaColor> colors;
    };

    // One batched triangle and everything needed to draw it later, as the
    // batch reports it (transparentMeshProperties). The batch itself keeps
    // far less per triangle: its key, first vertex and the number of a
    // drawing state shared by every triangle added under it.
    struct TransparentMeshProperties {
        TransparentMeshProperties();

        KaIntrusivePtr<KaCamera> camera;
        KaMaterial material;
        int textureEnvironmentMode;
        // Loaded as the model-view matrix when drawn: the identity, since the
        // positions are already in view space.
        KaMatrix4x4 matrix;
        uint64_t firstVertex;
        // 3 for a triangle; after merging, the whole run's on the run's
        // first entry.
        uint64_t indexCount;
        bool hasColors;
        // Ascending keys draw first.
        float key;
        bool scissorEnabled;
        int32_t scissorX;
        int32_t scissorY;
        uint32_t scissorWidth;
        uint32_t scissorHeight;
        // False for an entry that merging folded into the run before it.
        bool drawn;
    };

    // What the triangles of one addTransparentMesh call share: everything
    // but their geometry and key. Equal states get one number in a batch,
    // so that merging compares numbers.
    struct TransparentState {
        TransparentState();

        KaIntrusivePtr<KaCamera> camera;
        KaMaterial material;
        int textureEnvironmentMode;
        bool hasColors;
        bool scissorEnabled;
        int32_t scissorX;
        int32_t scissorY;
        uint32_t scissorWidth;
        uint32_t scissorHeight;
        // False for a material that is not equal to itself (a NaN
        // shininess): its triangles never merge, not even with each other.
        bool mergeable;
        // States that draw alike share this number: those that differ only
        // in what the colour array carries for them (the material colours of
        // an unlit material, whether the mesh had vertex colours). Runs of
        // such states draw in one call.
        uint32_t drawing;
    };

    // One batched triangle as the batch keeps it.
    struct TransparentEntry {
        float key;
        uint32_t firstVertex;
        // Index into the batch's states.
        uint32_t state;
        // 3 once added; after merging, the run's count on its first entry
        // and 0 on the entries folded into it.
        uint32_t indexCount;
    };

    KaRenderer();
    virtual ~KaRenderer();
    KaRenderer(const KaRenderer&) = delete;
    KaRenderer& operator=(const KaRenderer&) = delete;

    // Initial GL state (depth test, blending, smooth shading, black clear
    // colour...), prints the GL vendor, renderer, version, buffer bits and
    // extensions, loads the extensions, current colour white (without GL),
    // scissor off and zeroed.
    void init();
    // Once per frame before drawing: clears colour, depth and stencil, and
    // both projection and model-view engine tops back to identity (GL's own
    // matrices are not loaded). Leaves the model-view mode selected.
    void reset();
    // Texture flag off, no camera, shadow mode 0, batch emptied.
    void create();
    KaString vendor() const;
    KaString renderer() const;

    // Selects the stack the matrix operations act on and GL's matrix mode.
    // A value other than the three modes changes nothing.
    void setMatrixMode(MatrixMode mode);
    MatrixMode matrixMode() const { return mMatrixMode; }
    // These change only the engine stack's top; GL is not touched.
    void loadIdentityMatrix();
    void loadMatrix(const KaMatrix4x4& matrix);
    // top = top * matrix.
    void multiplyMatrix(const KaMatrix4x4& matrix);
    void translate(float x, float y, float z);
    void rotate(const KaQuaternion& rotation);
    // Radians about the axis (x, y, z).
    void rotate(float angle, float x, float y, float z);
    void scale(float x, float y, float z);
    // Both GL and the engine stack.
    void pushMatrix();
    void popMatrix();
    KaMatrix4x4 currentMatrix() const;
    const KaMatricesStack& matricesStack(MatrixMode mode) const;
    // glLoadMatrixf into whatever GL matrix mode is current.
    void loadMatrixToGL(const KaMatrix4x4& matrix);
    // Projection top = matrix and model-view top = identity, leaving the
    // model-view mode selected; GL receives the matrix from the camera.
    void loadProjectionMatrix(const KaMatrix4x4& matrix);
    void sendModelMatrix(const KaMatrix4x4& matrix);

    void setCurrentColor(const KaColor& color);
    const KaColor& currentColor() const { return mCurrentColor; }
    void setClearColor(const KaColor& color);
    const KaColor& clearColor() const { return mClearColor; }
    // The mask (Buffer bits) goes to glClear unchanged.
    void clearBuffer(unsigned int mask);
    void enableZBuffer();
    void disableZBuffer();
    void enableTexture();
    void disableTexture();
    bool textureEnabled() const { return mTextureEnabled; }
    void enableWireFrame();
    void disableWireFrame();
    void setViewport(int x, int y, unsigned int width, unsigned int height);

    void setScissorEnabled(bool enabled) { mScissorEnabled = enabled; }
    bool scissorEnabled() const { return mScissorEnabled; }
    void setScissor(int x, int y, unsigned int width, unsigned int height);
    int scissorX() const { return mScissorX; }
    int scissorY() const { return mScissorY; }
    unsigned int scissorWidth() const { return mScissorWidth; }
    unsigned int scissorHeight() const { return mScissorHeight; }
    // What draw routines do around their draw call: GL's scissor test on
    // with the stored rectangle when the scissor is enabled. Returns whether
    // it switched the test on (then pass true to endScissor).
    bool beginScissor() const;
    static void endScissor(bool switchedOn);

    void setCurrentCamera(const KaIntrusivePtr<KaCamera>& camera);
    const KaIntrusivePtr<KaCamera>& currentCamera() const { return mCurrentCamera; }

    // Sets the culling, blending, shading and lighting of the mode.
    void shadowMode(ShadowMode mode);
    ShadowMode shadowMode() const { return mShadowMode; }

    // One segment in the current model-view, in the current colour.
    void drawLine(const KaVector3f32& from, const KaVector3f32& to);

    // The frame buffer's rectangle into image, re-created as RGBA (format 6)
    // at that size, rows bottom-up. False, with a message, for a size the
    // image cannot take (a side of 0 or too large).
    bool extractFrameBufferToImg(const KaVector2s32& position, const KaVector2s32& size, KaImage& image);
    void checkError(const KaString& where);
    KaOpenGLExtensions& extensions() { return mExtensions; }

    // Adds faceCount triangles of the mesh from triangle firstFace, drawn with
    // material materialIndex, transformed by the model-view top into the
    // current camera's view space. A faceCount of 0 takes the whole mesh for
    // triangles and strips and nothing for other primitives; a count past the
    // mesh's indices is cut to what they hold, and a triangle naming a vertex
    // the mesh does not have is left out. With no current camera there is
    // nothing to sort against: the triangles draw at once, in the mesh's
    // order and GL's current projection.
    void addTransparentMesh(const KaMesh& mesh, unsigned long firstFace, unsigned long faceCount,
        unsigned long materialIndex);
    // Draws and empties the batch; with nothing batched, no GL call at all.
    // Afterwards no camera is current and the model-view top is the identity
    // left by the last camera applied.
    void renderTransparentMeshes();
    // Sorts the batch if it is not yet sorted, then merges runs of
    // neighbours that share camera, material, texture environment, matrix,
    // vertex colours and scissor.
    void optimiseTransparentMeshProperties();
    // 1 when a's key is greater, 0 when equal, -1 otherwise.
    static int compareTransparentMeshProperties(
        const TransparentMeshProperties& a, const TransparentMeshProperties& b);

    // The batch as it stands: entry i in draw order once sorted (by
    // optimiseTransparentMeshProperties), in insertion order before. A copy
    // put together from the entry and its state.
    uint64_t transparentMeshesCount() const { return mBatch.entriesCount; }
    uint64_t transparentTrianglesCount() const { return mBatch.trianglesCount; }
    TransparentMeshProperties transparentMeshProperties(unsigned long i) const;
    const TransparentMeshesArrays& transparentMeshesArrays() const { return mBatch.arrays; }
    // Runs of the last flush (0 after an empty one): neighbours in draw
    // order that share all drawing state, as merging leaves them. Each was
    // a GL draw call of its own until runs that differ only in what the
    // colour array carries were sent together; lastTransparentGLDrawCalls
    // counts the calls now sent.
    unsigned long lastTransparentDrawCalls() const { return mLastTransparentDrawCalls; }
    // Runs whose material differs from the run's before (the first run
    // counts) in the last flush.
    unsigned long lastTransparentMaterialChanges() const { return mLastTransparentMaterialChanges; }
    // GL draw calls of the last flush: one per stretch of runs that draw
    // alike (see TransparentState::drawing).
    unsigned long lastTransparentGLDrawCalls() const { return mLastTransparentGLDrawCalls; }

private:
    // One batch: the main one, or the scratch one that draws at once when no
    // camera is current.
    struct Batch {
        Batch();
        // In insertion order until sorted, then in draw order.
        KaArrayImplementation<TransparentEntry> entries;
        // The other half of the radix sort.
        KaArrayImplementation<TransparentEntry> sortScratch;
        KaArrayImplementation<TransparentState> states;
        // Open addressing from a state's hash to its index + 1 (0: free);
        // a power of two long, at most half full.
        KaArrayImplementation<uint32_t> stateSlots;
        // The first state of each drawing number, and the same kind of
        // table from a state's drawing hash to a drawing number + 1.
        KaArrayImplementation<uint32_t> drawings;
        KaArrayImplementation<uint32_t> drawingSlots;
        TransparentMeshesArrays arrays;
        // The vertices copied in draw order at the flush, which it draws
        // from: every stretch of runs drawn in one call is then one block.
        // Only the attributes a stretch's drawing reads are copied.
        TransparentMeshesArrays drawOrder;
        uint64_t entriesCount;
        uint64_t trianglesCount;
        bool sorted;
    };

    KaMatricesStack& stack(MatrixMode mode);
    // While deferred, setCurrentColor only records the colour; ending the
    // deferral sends the last one.
    void deferCurrentColor(bool defer);
    void appendTriangles(Batch& batch, const KaMesh& mesh, unsigned long firstFace, unsigned long faceCount,
        unsigned long materialIndex, KaCamera* camera);
    uint32_t stateFor(Batch& batch, const KaMesh& mesh, const KaMaterial& material, KaCamera* camera);
    static void sortBatch(Batch& batch);
    static void optimiseBatch(Batch& batch);
    struct DrawCounts {
        unsigned long runs;
        unsigned long materialChanges;
        unsigned long glDrawCalls;
    };
    DrawCounts drawBatch(Batch& batch);
    static void emptyBatch(Batch& batch);

    bool mTextureEnabled;
    KaOpenGLExtensions mExtensions;
    MatrixMode mMatrixMode;
    Batch mBatch;
    Batch mImmediateBatch;
    unsigned long mLastTransparentDrawCalls;
    unsigned long mLastTransparentMaterialChanges;
    unsigned long mLastTransparentGLDrawCalls;
    KaMatricesStack mStacks[3];
    KaIntrusivePtr<KaCamera> mCurrentCamera;
    KaColor mCurrentColor;
    bool mCurrentColorDeferred;
    bool mCurrentColorPending;
    bool mScissorEnabled;
    int32_t mScissorX;
    int32_t mScissorY;
    uint32_t mScissorWidth;
    uint32_t mScissorHeight;
    ShadowMode mShadowMode;
    KaColor mClearColor;
};

KA_RELOCATABLE(KaRenderer::TransparentMeshProperties);
KA_RELOCATABLE(KaRenderer::TransparentState);

extern KaSingleton<KaRenderer> renderer;

#endif
