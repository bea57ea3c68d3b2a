#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaMaterial.h"
#include "engine/graphics/KaMesh.h"
#include "engine/graphics/KaRenderer.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/graphics/KaMeshTestHelpers.h"

namespace {

const float pi = 3.14159265358979323846f;

KaMaterial translucent(const KaColor& diffuse)
{
    KaMaterial material;
    material.setMode(KaMaterial::BLENDED);
    material.setDiffuse(diffuse);
    return material;
}

// A quad of two triangles in the z plane, drawn with one blended material.
void makeQuad(KaMesh& mesh, float x0, float y0, float x1, float y1, float z, const KaColor& diffuse)
{
    mesh.setConf(4, 6, KaMesh::TRIANGLES, 1, 2);
    mesh.setVertex(0, KaVector3f32(x0, y0, z));
    mesh.setVertex(1, KaVector3f32(x1, y0, z));
    mesh.setVertex(2, KaVector3f32(x1, y1, z));
    mesh.setVertex(3, KaVector3f32(x0, y1, z));
    const unsigned int indices[6] = { 0, 1, 2, 0, 2, 3 };
    for (unsigned long i = 0; i < 6; ++i)
        mesh.setIndex(i, indices[i]);
    mesh.attachMaterial(0, translucent(diffuse));
}

// One triangle around (x, y, z).
void makeTriangle(KaMesh& mesh, float x, float y, float z, const KaColor& diffuse)
{
    mesh.setConf(3, 3, KaMesh::TRIANGLES, 1, 1);
    mesh.setVertex(0, KaVector3f32(x - 1.0f, y - 1.0f, z));
    mesh.setVertex(1, KaVector3f32(x + 1.0f, y - 1.0f, z));
    mesh.setVertex(2, KaVector3f32(x, y + 1.0f, z));
    for (unsigned long i = 0; i < 3; ++i)
        mesh.setIndex(i, static_cast<unsigned int>(i));
    mesh.attachMaterial(0, translucent(diffuse));
}

// 90 degrees, looking along +z from the origin.
KaIntrusivePtr<KaCamera> perspectiveCamera()
{
    KaIntrusivePtr<KaCamera> camera(new KaCamera());
    camera->setProjectionType(KaCamera::PERSPECTIVE_Y);
    camera->setFov(pi / 2.0f);
    camera->setNearDistance(10.0f);
    camera->setFarDistance(4000.0f);
    camera->viewport(0, 0, 256, 256);
    return camera;
}

// One unit per pixel, origin at the centre; higher z is nearer the viewer,
// as in the GUI's camera.
KaIntrusivePtr<KaCamera> orthographicCamera()
{
    KaIntrusivePtr<KaCamera> camera(new KaCamera());
    camera->setProjectionType(KaCamera::ORTHOGRAPHIC);
    camera->orthogonalParams(-128.0f, 128.0f, -128.0f, 128.0f);
    camera->setNearDistance(-1000.0f);
    camera->setFarDistance(1000.0f);
    camera->viewport(0, 0, 256, 256);
    return camera;
}

class KaTransparentBatchTest : public KaGLRendererTest {
protected:
    KaRenderer* r() { return renderer.get(); }

    // Draws the meshes through the batch under the camera, as one layer.
    void drawLayer(KaCamera& camera, const std::vector<KaMesh*>& meshes)
    {
        r()->reset();
        camera.apply();
        for (KaMesh* mesh : meshes)
            mesh->draw();
        EXPECT_EQ(0, pixel(128, 128).r) << "nothing draws before the flush";
        r()->renderTransparentMeshes();
        camera.restore();
    }
};

// Two overlapping half-transparent quads, red in front of blue: whatever
// order they are drawn in, the batch blends the far one first, so red lies
// on top where they overlap.
TEST_F(KaTransparentBatchTest, NearQuadEndsOnTopUnderEitherProjection)
{
    struct Case {
        const char* what;
        bool perspective;
        bool nearFirst;
    };
    const Case cases[] = {
        { "perspective, near quad drawn first", true, true },
        { "perspective, far quad drawn first", true, false },
        { "orthographic, near quad drawn first", false, true },
        { "orthographic, far quad drawn first", false, false },
    };
    const KaColor red(255, 0, 0, 128);
    const KaColor blue(0, 0, 255, 128);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KaMesh nearQuad;
        KaMesh farQuad;
        KaIntrusivePtr<KaCamera> camera;
        if (c.perspective) {
            // At z 100 and 200 a unit is 1.28 and 0.64 pixels from the centre.
            camera = perspectiveCamera();
            makeQuad(nearQuad, -60.0f, -40.0f, 20.0f, 40.0f, 100.0f, red);
            makeQuad(farQuad, -20.0f, -80.0f, 120.0f, 80.0f, 200.0f, blue);
        } else {
            camera = orthographicCamera();
            makeQuad(nearQuad, -77.0f, -51.0f, 26.0f, 51.0f, 100.0f, red);
            makeQuad(farQuad, -13.0f, -51.0f, 77.0f, 51.0f, -100.0f, blue);
        }
        if (c.nearFirst)
            drawLayer(*camera, { &nearQuad, &farQuad });
        else
            drawLayer(*camera, { &farQuad, &nearQuad });

        const KaPixel overlap = pixel(134, 128);
        EXPECT_NEAR(128, overlap.r, 2);
        EXPECT_NEAR(64, overlap.b, 2);
        const KaPixel nearOnly = pixel(90, 128);
        EXPECT_NEAR(128, nearOnly.r, 2);
        EXPECT_EQ(0, nearOnly.b);
        const KaPixel farOnly = pixel(179, 128);
        EXPECT_EQ(0, farOnly.r);
        EXPECT_NEAR(128, farOnly.b, 2);
        EXPECT_EQ(0u, r()->transparentMeshesCount());
    }
}

TEST_F(KaTransparentBatchTest, FlushLeavesNoCameraIdentityModelViewAndDepthWritesOn)
{
    KaIntrusivePtr<KaCamera> camera = perspectiveCamera();
    camera->setPosition(KaVector3f32(5.0f, 6.0f, 7.0f));
    KaMesh quad;
    makeQuad(quad, -10.0f, -10.0f, 10.0f, 10.0f, 100.0f, KaColor(255, 255, 255, 100));
    camera->apply();
    quad.draw();
    EXPECT_EQ(2u, r()->transparentMeshesCount());
    EXPECT_EQ(2u, r()->transparentTrianglesCount());
    r()->renderTransparentMeshes();

    EXPECT_EQ(nullptr, r()->currentCamera().get());
    EXPECT_EQ(KaMatrix4x4(), r()->matricesStack(KaRenderer::MODELVIEW).currentMatrix());
    EXPECT_EQ(1u, r()->matricesStack(KaRenderer::MODELVIEW).size());
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_EQ(GL_TRUE, depthMask);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_EQ(0u, r()->transparentTrianglesCount());
    // The camera's count is back to its owner's alone.
    EXPECT_EQ(1u, camera->counter());
}

TEST_F(KaTransparentBatchTest, EmptyFlushTouchesNothing)
{
    glDepthMask(GL_FALSE);
    r()->renderTransparentMeshes();
    GLboolean depthMask = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_EQ(GL_FALSE, depthMask);
    EXPECT_EQ(0u, r()->lastTransparentDrawCalls());
    glDepthMask(GL_TRUE);
}

// The copies the batch keeps: corners in view space through the model-view
// top, normals through its 3x3, the material's diffuse for meshes without
// colours, strips cut into consecutive triangles.
TEST_F(KaTransparentBatchTest, AddCopiesTransformedCornersOfTrianglesAndStrips)
{
    KaIntrusivePtr<KaCamera> camera = perspectiveCamera();
    r()->setCurrentCamera(camera);
    r()->setMatrixMode(KaRenderer::MODELVIEW);
    r()->loadIdentityMatrix();
    r()->translate(1.0f, 2.0f, 3.0f);
    r()->scale(2.0f, 2.0f, 2.0f);

    KaMesh strip;
    strip.setConf(4, 4, KaMesh::TRIANGLE_STRIP, 1, 2);
    for (unsigned long i = 0; i < 4; ++i) {
        strip.setVertex(i, KaVector3f32(static_cast<float>(i), 10.0f * static_cast<float>(i), 100.0f));
        strip.setIndex(i, static_cast<unsigned int>(i));
    }
    strip.attachMaterial(0, translucent(KaColor(10, 20, 30, 40)));
    r()->addTransparentMesh(strip, 0, 0, 0);

    ASSERT_EQ(2u, r()->transparentMeshesCount());
    const KaRenderer::TransparentMeshesArrays& arrays = r()->transparentMeshesArrays();
    const unsigned int corners[6] = { 0, 1, 2, 1, 2, 3 };
    for (unsigned long k = 0; k < 6; ++k) {
        SCOPED_TRACE(k);
        const float v = static_cast<float>(corners[k]);
        EXPECT_EQ(KaVector3f32(1.0f + 2.0f * v, 2.0f + 20.0f * v, 203.0f), arrays.positions[k]);
        EXPECT_EQ(KaVector3f32(0.0f, 0.0f, 2.0f), arrays.normals[k]) << "default normal, not renormalised";
        EXPECT_EQ(KaColor(10, 20, 30, 40), arrays.colors[k]);
    }
    const KaRenderer::TransparentMeshProperties& first = r()->transparentMeshProperties(0);
    EXPECT_EQ(0u, first.firstVertex);
    EXPECT_EQ(3u, first.indexCount);
    EXPECT_EQ(3u, r()->transparentMeshProperties(1).firstVertex);
    EXPECT_EQ(camera.get(), first.camera.get());
    EXPECT_FALSE(first.hasColors);
    EXPECT_TRUE(first.drawn);
    EXPECT_EQ(KaMatrix4x4(), first.matrix);
    EXPECT_EQ(KaColor(10, 20, 30, 40), first.material.diffuse());
    EXPECT_EQ(GL_MODULATE, first.textureEnvironmentMode);

    // A mesh with its own normals, colours and coordinates keeps them.
    KaMesh triangle;
    makeTriangle(triangle, 0.0f, 0.0f, 50.0f, KaColor(255, 255, 255, 128));
    for (unsigned int i = 0; i < 3; ++i) {
        triangle.setNormal(i, KaVector3f32(0.0f, 1.0f, 0.0f));
        triangle.setColor(i, KaColor(static_cast<unsigned char>(i), 7, 8, 9));
        triangle.setTextureUV(i, KaVector2f32(0.5f * static_cast<float>(i), 0.25f));
    }
    r()->addTransparentMesh(triangle, 0, 0, 0);
    ASSERT_EQ(3u, r()->transparentMeshesCount());
    for (unsigned long k = 0; k < 3; ++k) {
        EXPECT_EQ(KaVector3f32(0.0f, 2.0f, 0.0f), arrays.normals[6 + k]);
        EXPECT_EQ(KaColor(static_cast<unsigned char>(k), 7, 8, 9), arrays.colors[6 + k]);
        EXPECT_EQ(KaVector2f32(0.5f * static_cast<float>(k), 0.25f), arrays.textureCoordinates[6 + k]);
    }
    EXPECT_TRUE(r()->transparentMeshProperties(2).hasColors);

    r()->setCurrentCamera(KaIntrusivePtr<KaCamera>());
    r()->create(); // empties the batch without drawing
    EXPECT_EQ(0u, r()->transparentMeshesCount());
}

// What addTransparentMesh takes of a mesh, and that it never reads past it.
TEST_F(KaTransparentBatchTest, AddTakesOnlyTrianglesTheMeshHas)
{
    struct Case {
        const char* what;
        KaMesh::Mode mode;
        unsigned long vertices;
        unsigned long indices;
        unsigned long firstFace;
        unsigned long faceCount;
        unsigned long expected;
    };
    const Case cases[] = {
        { "whole triangle list", KaMesh::TRIANGLES, 9, 9, 0, 0, 3 },
        { "range of a triangle list", KaMesh::TRIANGLES, 9, 9, 1, 2, 2 },
        { "whole strip", KaMesh::TRIANGLE_STRIP, 5, 5, 0, 0, 3 },
        { "lines", KaMesh::LINES, 4, 4, 0, 0, 0 },
        { "fan", KaMesh::TRIANGLE_FAN, 5, 5, 0, 0, 0 },
        { "points", KaMesh::POINTS, 3, 3, 0, 0, 0 },
        { "count past the indices", KaMesh::TRIANGLES, 9, 9, 1, 10, 2 },
        { "first face past the indices", KaMesh::TRIANGLES, 9, 9, 5, 1, 0 },
        { "strip with fewer indices than vertices", KaMesh::TRIANGLE_STRIP, 8, 4, 0, 0, 2 },
        { "strip of two vertices", KaMesh::TRIANGLE_STRIP, 2, 2, 0, 0, 0 },
    };
    KaIntrusivePtr<KaCamera> camera = perspectiveCamera();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        r()->setCurrentCamera(camera);
        KaMesh mesh;
        mesh.setConf(c.vertices, c.indices, c.mode, 1, 3);
        for (unsigned long i = 0; i < c.vertices; ++i)
            mesh.setVertex(i, KaVector3f32(static_cast<float>(i), 0.0f, 100.0f));
        for (unsigned long i = 0; i < c.indices; ++i)
            mesh.setIndex(i, static_cast<unsigned int>(i));
        r()->addTransparentMesh(mesh, c.firstFace, c.faceCount, 0);
        EXPECT_EQ(c.expected, r()->transparentMeshesCount());
        EXPECT_EQ(c.expected, r()->transparentTrianglesCount());
        r()->renderTransparentMeshes();
    }

    // A triangle naming a vertex the mesh does not have is dropped.
    r()->setCurrentCamera(camera);
    KaMesh broken;
    broken.setConf(3, 6, KaMesh::TRIANGLES, 1, 2);
    const unsigned int indices[6] = { 0, 1, 2, 0, 2, 3 };
    for (unsigned long i = 0; i < 6; ++i)
        broken.setIndex(i, indices[i]);
    r()->addTransparentMesh(broken, 0, 0, 0);
    EXPECT_EQ(1u, r()->transparentMeshesCount());
    r()->renderTransparentMeshes();
}

// Perspective keys put the farthest triangle first; orthographic keys the
// one whose z is closest to the near distance.
TEST_F(KaTransparentBatchTest, SortOrderFollowsTheCameraType)
{
    struct Case {
        const char* what;
        KaIntrusivePtr<KaCamera> camera;
        std::vector<float> depths;
        std::vector<float> expectedOrder;
    };
    KaIntrusivePtr<KaCamera> ortho = orthographicCamera();
    ortho->setNearDistance(-50.0f);
    const Case cases[] = {
        { "perspective", perspectiveCamera(), { 100.0f, 300.0f, 200.0f, 150.0f }, { 300.0f, 200.0f, 150.0f, 100.0f } },
        { "orthographic", ortho, { -40.0f, 10.0f, -45.0f, 100.0f }, { -45.0f, -40.0f, 10.0f, 100.0f } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        r()->setCurrentCamera(c.camera);
        std::vector<KaMesh> meshes(c.depths.size());
        for (size_t i = 0; i < c.depths.size(); ++i) {
            makeTriangle(meshes[i], 0.0f, 0.0f, c.depths[i], KaColor(255, 255, 255, 100));
            r()->addTransparentMesh(meshes[i], 0, 0, 0);
        }
        r()->optimiseTransparentMeshProperties();
        const KaRenderer::TransparentMeshesArrays& arrays = r()->transparentMeshesArrays();
        for (size_t i = 0; i < c.expectedOrder.size(); ++i) {
            const KaRenderer::TransparentMeshProperties& entry = r()->transparentMeshProperties(i);
            EXPECT_EQ(c.expectedOrder[i], arrays.positions[entry.firstVertex].z) << "position " << i;
        }
        r()->renderTransparentMeshes();
    }

    // The key itself: the centroid's squared distance from the near point,
    // negated for a perspective.
    KaIntrusivePtr<KaCamera> camera = perspectiveCamera();
    r()->setCurrentCamera(camera);
    KaMesh triangle;
    makeTriangle(triangle, 3.0f, 4.0f, 22.0f, KaColor(255, 255, 255, 100));
    r()->addTransparentMesh(triangle, 0, 0, 0);
    const float cy = 4.0f - 1.0f / 3.0f;
    EXPECT_FLOAT_EQ(-(9.0f + cy * cy + 144.0f), r()->transparentMeshProperties(0).key);
    r()->renderTransparentMeshes();
}

// Neighbours in draw order merge into one draw call only when every piece
// of drawing state matches.
TEST_F(KaTransparentBatchTest, NeighboursMergeOnlyWithTheSameDrawingState)
{
    enum Change { NOTHING, MATERIAL, ENVIRONMENT, COLORS, SCISSOR_RECT, SCISSOR_FLAG, CAMERA };
    struct Case {
        const char* what;
        Change change;
        unsigned long drawCalls;
    };
    const Case cases[] = {
        { "same state", NOTHING, 1 },
        { "other material", MATERIAL, 2 },
        { "other texture environment", ENVIRONMENT, 2 },
        { "vertex colours", COLORS, 2 },
        { "other scissor rectangle", SCISSOR_RECT, 2 },
        { "scissor switched on", SCISSOR_FLAG, 2 },
        { "other camera", CAMERA, 2 },
    };
    const KaColor white(255, 255, 255, 100);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KaIntrusivePtr<KaCamera> camera = perspectiveCamera();
        KaIntrusivePtr<KaCamera> other = perspectiveCamera();
        r()->setScissorEnabled(false);
        r()->setScissor(0, 0, 256, 256);
        r()->setCurrentCamera(camera);
        KaMesh a, b;
        makeTriangle(a, 0.0f, 0.0f, 200.0f, white);
        makeTriangle(b, 0.0f, 0.0f, 100.0f, white);
        switch (c.change) {
        case MATERIAL:
            b.attachMaterial(0, translucent(KaColor(255, 255, 254, 100)));
            break;
        case ENVIRONMENT:
            b.setTextureEnvironmentMode(GL_REPLACE);
            break;
        case COLORS:
            for (unsigned int i = 0; i < 3; ++i)
                b.setColor(i, white);
            break;
        default:
            break;
        }
        r()->addTransparentMesh(a, 0, 0, 0);
        if (c.change == SCISSOR_RECT)
            r()->setScissor(0, 0, 256, 255);
        if (c.change == SCISSOR_FLAG)
            r()->setScissorEnabled(true);
        if (c.change == CAMERA)
            r()->setCurrentCamera(other);
        r()->addTransparentMesh(b, 0, 0, 0);

        r()->optimiseTransparentMeshProperties();
        const KaRenderer::TransparentMeshProperties& first = r()->transparentMeshProperties(0);
        const KaRenderer::TransparentMeshProperties& second = r()->transparentMeshProperties(1);
        EXPECT_TRUE(first.drawn);
        EXPECT_EQ(c.drawCalls == 1 ? 6u : 3u, first.indexCount);
        EXPECT_EQ(c.drawCalls == 2, second.drawn);
        r()->renderTransparentMeshes();
        EXPECT_EQ(c.drawCalls, r()->lastTransparentDrawCalls());
    }
    r()->setScissorEnabled(false);
}

TEST_F(KaTransparentBatchTest, AnotherMaterialBetweenKeepsRunsApart)
{
    KaIntrusivePtr<KaCamera> camera = perspectiveCamera();
    r()->setCurrentCamera(camera);
    KaMesh far, middle, near;
    makeTriangle(far, 0.0f, 0.0f, 300.0f, KaColor(255, 255, 255, 100));
    makeTriangle(middle, 0.0f, 0.0f, 200.0f, KaColor(255, 0, 0, 100));
    makeTriangle(near, 0.0f, 0.0f, 100.0f, KaColor(255, 255, 255, 100));
    r()->addTransparentMesh(near, 0, 0, 0);
    r()->addTransparentMesh(far, 0, 0, 0);
    r()->addTransparentMesh(middle, 0, 0, 0);
    r()->renderTransparentMeshes();
    EXPECT_EQ(3u, r()->lastTransparentDrawCalls());
}

TEST_F(KaTransparentBatchTest, ScissorRecordedWithEachTriangleClipsItsDraw)
{
    KaIntrusivePtr<KaCamera> camera = orthographicCamera();
    KaMesh quad;
    makeQuad(quad, -128.0f, -128.0f, 128.0f, 128.0f, 0.0f, KaColor(0, 255, 0, 255));
    r()->reset();
    camera->apply();
    r()->setScissor(100, 50, 20, 10);
    r()->setScissorEnabled(true);
    quad.draw();
    // Changing the renderer's scissor after adding does not matter.
    r()->setScissorEnabled(false);
    r()->renderTransparentMeshes();

    EXPECT_EQ(255, pixel(100, 50).g);
    EXPECT_EQ(255, pixel(119, 59).g);
    EXPECT_EQ(0, pixel(99, 50).g);
    EXPECT_EQ(0, pixel(120, 59).g);
    EXPECT_EQ(0, pixel(100, 60).g);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
}

// Without a current camera there is no view to sort in: the triangles draw
// at once, under whatever projection GL holds, instead of being lost.
TEST_F(KaTransparentBatchTest, WithoutCameraTrianglesDrawAtOnce)
{
    r()->reset();
    ASSERT_EQ(nullptr, r()->currentCamera().get());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    KaMesh quad;
    makeQuad(quad, -0.5f, -0.5f, 0.5f, 0.5f, 0.0f, KaColor(255, 0, 0, 255));
    quad.draw();
    EXPECT_EQ(0u, r()->transparentMeshesCount());
    EXPECT_EQ(255, pixel(128, 128).r);
    EXPECT_EQ(0, pixel(10, 10).r);
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_EQ(GL_TRUE, depthMask);
    // The engine's model-view stack is as the mesh left it.
    EXPECT_EQ(1u, r()->matricesStack(KaRenderer::MODELVIEW).size());
}

// More triangles than 16-bit indices can address from vertex 0: every one of
// them still draws where it belongs (a wrapped index would draw another), and
// in depth order (drawing the right vertices in the wrong order would blend
// an overlapping pair the wrong way round).
TEST_F(KaTransparentBatchTest, MoreThanSixtyFiveThousandVerticesDrawWithoutWrapping)
{
    KaIntrusivePtr<KaCamera> camera = orthographicCamera();
    // Three meshes of 10,000 triangles: 90,000 batched vertices. Most
    // triangles lie outside the view; a few cover a small cell each.
    const unsigned long perMesh = 10000;
    struct Marker {
        unsigned long mesh;
        unsigned long triangle;
        int cellX;
        int cellY;
        KaColor color;
        float z;
    };
    const KaColor yellow(255, 255, 0, 255);
    const Marker markers[] = {
        { 0, 0, 10, 10, yellow, 0.0f },
        { 0, 9999, 30, 10, yellow, 0.0f },
        { 2, 1845, 50, 10, yellow, 0.0f }, // batched vertices 65,535 .. 65,537
        { 2, 1846, 70, 10, yellow, 0.0f },
        { 2, 5000, 10, 40, yellow, 0.0f },
        { 2, 9999, 30, 40, yellow, 0.0f },
        { 1, 5000, 50, 40, yellow, 0.0f },
        // Added first but nearest, and added last but farthest.
        { 0, 100, 90, 40, KaColor(0, 255, 0, 128), 90.0f },
        { 2, 7000, 90, 40, KaColor(255, 0, 0, 128), -90.0f },
    };
    std::vector<KaMesh> meshes(3);
    for (unsigned long m = 0; m < 3; ++m) {
        KaMesh& mesh = meshes[m];
        mesh.setConf(perMesh * 3, perMesh * 3, KaMesh::TRIANGLES, 1, static_cast<unsigned int>(perMesh));
        for (unsigned long t = 0; t < perMesh; ++t) {
            float x = 1000.0f + static_cast<float>(t % 100);
            float y = 1000.0f;
            // A depth that scatters the draw order far from the order of
            // addition.
            float z = static_cast<float>((m * perMesh + t) * 7919 % 997) * 0.1f - 50.0f;
            KaColor color(0, 0, 255, 255);
            for (const Marker& marker : markers) {
                if (marker.mesh == m && marker.triangle == t) {
                    x = static_cast<float>(marker.cellX - 128);
                    y = static_cast<float>(marker.cellY - 128);
                    z = marker.z;
                    color = marker.color;
                }
            }
            // A right triangle over the cell.
            mesh.setVertex(3 * t, KaVector3f32(x - 1.0f, y - 1.0f, z));
            mesh.setVertex(3 * t + 1, KaVector3f32(x + 9.0f, y - 1.0f, z));
            mesh.setVertex(3 * t + 2, KaVector3f32(x - 1.0f, y + 9.0f, z));
            for (unsigned long k = 0; k < 3; ++k) {
                mesh.setIndex(3 * t + k, static_cast<unsigned int>(3 * t + k));
                mesh.setColor(static_cast<unsigned int>(3 * t + k), color);
            }
        }
        mesh.attachMaterial(0, translucent(KaColor(255, 255, 255, 255)));
    }
    drawLayer(*camera, { &meshes[0], &meshes[1], &meshes[2] });
    // One state: one call, however many vertices (no 16-bit index to wrap).
    EXPECT_EQ(1u, r()->lastTransparentGLDrawCalls());
    for (const Marker& marker : markers) {
        if (marker.color != yellow)
            continue;
        SCOPED_TRACE(testing::Message() << "mesh " << marker.mesh << " triangle " << marker.triangle);
        const KaPixel p = pixel(marker.cellX + 1, marker.cellY + 1);
        EXPECT_EQ(255, p.r);
        EXPECT_EQ(255, p.g);
        EXPECT_EQ(0, p.b);
    }
    // Red first, then green over it.
    const KaPixel pair = pixel(91, 41);
    EXPECT_NEAR(64, pair.r, 2);
    EXPECT_NEAR(128, pair.g, 2);
    // Nothing else was drawn into the view.
    const std::vector<unsigned char> rgba = context().readPixels();
    int lit = 0;
    for (int i = 0; i < 256 * 256; ++i)
        lit += rgba[4 * i] != 0 || rgba[4 * i + 1] != 0 || rgba[4 * i + 2] != 0 ? 1 : 0;
    EXPECT_LE(lit, static_cast<int>(sizeof(markers) / sizeof(markers[0])) * 60);
}

TEST_F(KaTransparentBatchTest, TriangleWithNaNCornerSortsFirstWithoutBreakingTheSort)
{
    KaIntrusivePtr<KaCamera> camera = perspectiveCamera();
    r()->setCurrentCamera(camera);
    std::vector<KaMesh> meshes(20);
    for (size_t i = 0; i < meshes.size(); ++i) {
        makeTriangle(meshes[i], 0.0f, 0.0f, 100.0f + static_cast<float>(i), KaColor(255, 255, 255, 100));
        if (i % 3 == 0)
            meshes[i].setVertex(1, KaVector3f32(std::nanf(""), 0.0f, 0.0f));
        r()->addTransparentMesh(meshes[i], 0, 0, 0);
    }
    r()->optimiseTransparentMeshProperties();
    for (unsigned long i = 0; i < 7; ++i)
        EXPECT_EQ(-FLT_MAX, r()->transparentMeshProperties(i).key);
    for (unsigned long i = 8; i < 20; ++i)
        EXPECT_LE(r()->transparentMeshProperties(i - 1).key, r()->transparentMeshProperties(i).key);
    r()->renderTransparentMeshes();
}

// Between entries the flush sends only the material state that changes: a
// material interleaved in depth order between two others must leave each of
// them drawing with its own lighting, emission and alpha test. Three quads
// over the whole view, far to near, blended in that order.
TEST_F(KaTransparentBatchTest, MaterialStateChangesFromOneEntryToTheNext)
{
    auto lit = [](const KaColor& emission) {
        KaMaterial material = translucent(KaColor(255, 255, 255, 128));
        material.setEnableLights(true);
        material.setEmission(emission);
        return material;
    };
    auto unlit = [](const KaColor& emission) {
        KaMaterial material = translucent(KaColor(255, 0, 0, 128));
        material.setEmission(emission);
        return material;
    };
    auto alphaTested = [](const KaColor& diffuse) {
        KaMaterial material = translucent(diffuse);
        material.setMode(KaMaterial::ALPHA_TESTED);
        return material;
    };
    struct Case {
        const char* what;
        KaMaterial far;
        KaMaterial middle;
        KaMaterial near;
        KaPixel expected;
    };
    const Case cases[] = {
        // Lit: the emission at the diffuse alpha; unlit: the vertex colours.
        { "lit, unlit, lit with another emission", lit(KaColor(0, 0, 255, 255)), translucent(KaColor(255, 0, 0, 128)),
            lit(KaColor(0, 255, 0, 255)), { 64, 128, 32, 0 } },
        // Alpha 100 fails the alpha test; the blended quad between draws.
        { "alpha-tested, blended, alpha-tested", alphaTested(KaColor(0, 255, 0, 100)),
            translucent(KaColor(255, 0, 0, 100)), alphaTested(KaColor(0, 0, 255, 100)), { 100, 0, 0, 0 } },
        { "blended, alpha-tested, blended", translucent(KaColor(255, 0, 0, 128)), alphaTested(KaColor(0, 255, 0, 100)),
            translucent(KaColor(0, 0, 255, 128)), { 64, 0, 128, 0 } },
        // The unlit quad between already has the emission of the near one:
        // GL must still get it from the far one's.
        { "lit, unlit with the next emission, lit", lit(KaColor(0, 0, 255, 255)), unlit(KaColor(0, 255, 0, 255)),
            lit(KaColor(0, 255, 0, 255)), { 64, 128, 32, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KaIntrusivePtr<KaCamera> camera = orthographicCamera();
        KaMesh far, middle, near;
        makeQuad(far, -128.0f, -128.0f, 128.0f, 128.0f, -100.0f, KaColor());
        makeQuad(middle, -128.0f, -128.0f, 128.0f, 128.0f, 0.0f, KaColor());
        makeQuad(near, -128.0f, -128.0f, 128.0f, 128.0f, 100.0f, KaColor());
        far.attachMaterial(0, c.far);
        middle.attachMaterial(0, c.middle);
        near.attachMaterial(0, c.near);
        glClear(GL_COLOR_BUFFER_BIT);
        drawLayer(*camera, { &near, &middle, &far });

        EXPECT_EQ(3u, r()->lastTransparentDrawCalls());
        EXPECT_EQ(3u, r()->lastTransparentMaterialChanges());
        const KaPixel p = pixel(128, 128);
        EXPECT_NEAR(c.expected.r, p.r, 2);
        EXPECT_NEAR(c.expected.g, p.g, 2);
        EXPECT_NEAR(c.expected.b, p.b, 2);
        EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        // Afterwards GL holds the last material's colours, and white.
        GLfloat diffuse[4];
        GLfloat emission[4];
        GLfloat current[4];
        glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
        glGetMaterialfv(GL_FRONT, GL_EMISSION, emission);
        glGetFloatv(GL_CURRENT_COLOR, current);
        const KaColor d = c.near.diffuse();
        const KaColor e = c.near.emission();
        EXPECT_NEAR(d.r / 255.0f, diffuse[0], 1e-3f);
        EXPECT_NEAR(d.g / 255.0f, diffuse[1], 1e-3f);
        EXPECT_NEAR(d.a / 255.0f, diffuse[3], 1e-3f);
        EXPECT_NEAR(e.g / 255.0f, emission[1], 1e-3f);
        EXPECT_NEAR(e.b / 255.0f, emission[2], 1e-3f);
        for (GLfloat component : current)
            EXPECT_FLOAT_EQ(1.0f, component);
        EXPECT_EQ(KaColor(255, 255, 255, 255), r()->currentColor());
    }
}

// Equal materials share one drawing state whatever mesh they come from and
// in whatever order the meshes were added, so that neighbours in depth
// order merge; a material that is not equal to itself never merges.
TEST_F(KaTransparentBatchTest, EqualStatesMergeWhateverTheOrderOfAddition)
{
    const KaColor white(255, 255, 255, 100);
    const KaColor red(255, 0, 0, 100);
    struct Case {
        const char* what;
        // Colours far to near, and the order in which they are added.
        std::vector<KaColor> colors;
        std::vector<int> addOrder;
        unsigned long drawCalls;
        unsigned long materialChanges;
    };
    const Case cases[] = {
        { "equal far pair added apart", { white, white, red }, { 0, 2, 1 }, 2, 2 },
        { "equal near pair added apart", { red, white, white }, { 2, 0, 1 }, 2, 2 },
        { "interleaved", { white, red, white, red }, { 3, 1, 0, 2 }, 4, 4 },
        { "one state", { white, white, white }, { 1, 2, 0 }, 1, 1 },
    };
    KaIntrusivePtr<KaCamera> camera = perspectiveCamera();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        r()->setCurrentCamera(camera);
        std::vector<KaMesh> meshes(c.colors.size());
        for (size_t i = 0; i < meshes.size(); ++i)
            makeTriangle(meshes[i], 0.0f, 0.0f, 400.0f - 100.0f * static_cast<float>(i), c.colors[i]);
        for (int i : c.addOrder)
            r()->addTransparentMesh(meshes[static_cast<size_t>(i)], 0, 0, 0);
        r()->renderTransparentMeshes();
        EXPECT_EQ(c.drawCalls, r()->lastTransparentDrawCalls());
        EXPECT_EQ(c.materialChanges, r()->lastTransparentMaterialChanges());
    }

    // A NaN shininess: the two triangles of one quad stay two draw calls.
    r()->setCurrentCamera(camera);
    KaMesh quad;
    makeQuad(quad, -10.0f, -10.0f, 10.0f, 10.0f, 100.0f, white);
    KaMaterial material = translucent(white);
    material.setShininess(std::nanf(""));
    quad.attachMaterial(0, material);
    r()->addTransparentMesh(quad, 0, 0, 0);
    r()->renderTransparentMeshes();
    EXPECT_EQ(2u, r()->lastTransparentDrawCalls());
}

// Scissor and camera are set when they change, not around every draw: an
// entry without scissor between two scissored ones, and entries of two
// cameras interleaved in depth order, each still draw where they belong.
TEST_F(KaTransparentBatchTest, ScissorAndCameraFollowEveryEntryInDepthOrder)
{
    const KaColor red(255, 0, 0, 128);
    const KaColor green(0, 255, 0, 128);
    const KaColor blue(0, 0, 255, 128);
    {
        SCOPED_TRACE("scissor");
        KaIntrusivePtr<KaCamera> camera = orthographicCamera();
        KaMesh far, middle, near;
        makeQuad(far, -128.0f, -128.0f, 128.0f, 128.0f, -100.0f, red);
        makeQuad(middle, -128.0f, -128.0f, 128.0f, 128.0f, 0.0f, green);
        makeQuad(near, -128.0f, -128.0f, 128.0f, 128.0f, 100.0f, red);
        r()->reset();
        camera->apply();
        r()->setScissor(0, 0, 64, 256);
        r()->setScissorEnabled(true);
        near.draw();
        far.draw();
        r()->setScissorEnabled(false);
        middle.draw();
        r()->renderTransparentMeshes();
        camera->restore();
        EXPECT_EQ(3u, r()->lastTransparentDrawCalls());
        // Red, green, red inside the rectangle; green alone outside.
        const KaPixel inside = pixel(30, 128);
        EXPECT_NEAR(160, inside.r, 2);
        EXPECT_NEAR(64, inside.g, 2);
        const KaPixel outside = pixel(100, 128);
        EXPECT_EQ(0, outside.r);
        EXPECT_NEAR(128, outside.g, 2);
        EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    }
    {
        SCOPED_TRACE("cameras");
        // Two views side by side, one unit per pixel each.
        KaIntrusivePtr<KaCamera> left = orthographicCamera();
        left->orthogonalParams(-64.0f, 64.0f, -128.0f, 128.0f);
        left->viewport(0, 0, 128, 256);
        KaIntrusivePtr<KaCamera> right = orthographicCamera();
        right->orthogonalParams(-64.0f, 64.0f, -128.0f, 128.0f);
        right->viewport(128, 0, 128, 256);
        KaMesh far, middle, near;
        makeQuad(far, -64.0f, -128.0f, 64.0f, 128.0f, -100.0f, red);
        makeQuad(middle, -64.0f, -128.0f, 64.0f, 128.0f, 0.0f, green);
        makeQuad(near, -64.0f, -128.0f, 64.0f, 128.0f, 100.0f, blue);
        r()->reset();
        left->apply();
        near.draw();
        far.draw();
        right->apply();
        middle.draw();
        r()->renderTransparentMeshes();
        EXPECT_EQ(3u, r()->lastTransparentDrawCalls());
        const KaPixel l = pixel(64, 128);
        EXPECT_NEAR(64, l.r, 2);
        EXPECT_EQ(0, l.g);
        EXPECT_NEAR(128, l.b, 2);
        const KaPixel rp = pixel(192, 128);
        EXPECT_EQ(0, rp.r);
        EXPECT_NEAR(128, rp.g, 2);
        EXPECT_EQ(0, rp.b);
        EXPECT_EQ(nullptr, r()->currentCamera().get());
        EXPECT_EQ(1u, r()->matricesStack(KaRenderer::MODELVIEW).size());
        EXPECT_EQ(1u, left->counter());
        EXPECT_EQ(1u, right->counter());
    }
}

// Texturing goes on and off, and the bound texture changes, only where the
// material of the next entry asks: an untextured quad between two quads of
// different textures must neither be textured nor leave the first texture
// bound for the last.
TEST_F(KaTransparentBatchTest, TexturesFollowTheEntriesInDepthOrder)
{
    auto solid = [](const KaColor& color) {
        KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
        texture->load(*KaTestMakeImage(8, 8, RGBA8888, [color](unsigned int, unsigned int) { return color; }));
        return texture;
    };
    KaIntrusivePtr<Ka3DTexture> green = solid(KaColor(0, 255, 0, 255));
    KaIntrusivePtr<Ka3DTexture> blue = solid(KaColor(0, 0, 255, 255));
    auto textured = [](KaMesh& mesh, const KaIntrusivePtr<Ka3DTexture>& texture) {
        const KaVector2f32 corners[4] = { KaVector2f32(0.0f, 0.0f), KaVector2f32(1.0f, 0.0f), KaVector2f32(1.0f, 1.0f),
            KaVector2f32(0.0f, 1.0f) };
        for (unsigned int i = 0; i < 4; ++i)
            mesh.setTextureUV(i, corners[i]);
        KaMaterial material(texture, KaMaterial::BLENDED);
        material.setDiffuse(KaColor(255, 255, 255, 128));
        mesh.attachMaterial(0, material);
    };
    KaIntrusivePtr<KaCamera> camera = orthographicCamera();
    KaMesh far, middle, near;
    makeQuad(far, -128.0f, -128.0f, 128.0f, 128.0f, -100.0f, KaColor());
    makeQuad(middle, -128.0f, -128.0f, 128.0f, 128.0f, 0.0f, KaColor(255, 0, 0, 128));
    makeQuad(near, -128.0f, -128.0f, 128.0f, 128.0f, 100.0f, KaColor());
    textured(far, green);
    textured(near, blue);
    drawLayer(*camera, { &near, &middle, &far });

    EXPECT_EQ(3u, r()->lastTransparentDrawCalls());
    // Green, then red, then blue, each at half alpha.
    const KaPixel p = pixel(128, 128);
    EXPECT_NEAR(64, p.r, 2);
    EXPECT_NEAR(32, p.g, 2);
    EXPECT_NEAR(128, p.b, 2);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(r()->textureEnabled());
}

// Runs whose materials differ only in what lighting off leaves unseen draw in
// one call from the colour array; every other difference still takes a
// call of its own. Either way the pixels must be those of drawing each
// triangle alone, in depth order: through its own mesh, which sets all of
// its material's state itself, or, where the batch's drawing differs from
// the mesh's by design (the texture environment set after the material),
// through a flush of its own. Four meshes of six triangles each,
// interleaved in depth, overlapping and blended over each other.
TEST_F(KaTransparentBatchTest, RunsDrawnTogetherGiveThePixelsOfOneDrawPerTriangle)
{
    const unsigned long meshCount = 4;
    const unsigned long perMesh = 6;
    KaIntrusivePtr<Ka3DTexture> checker(new Ka3DTexture());
    checker->load(*KaTestMakeImage(8, 8, RGBA8888, [](unsigned int x, unsigned int y) {
        return (x + y) % 2 ? KaColor(250, 200, 40, 255) : KaColor(30, 90, 220, 120);
    }));
    const KaColor palette[meshCount]
        = { KaColor(255, 40, 0, 110), KaColor(0, 200, 90, 150), KaColor(60, 60, 255, 90), KaColor(220, 220, 0, 200) };
    auto plain = [&palette](unsigned long m) { return translucent(palette[m]); };
    auto textured = [&palette, &checker](unsigned long m) {
        KaMaterial material(checker, KaMaterial::BLENDED);
        material.setDiffuse(palette[m]);
        return material;
    };
    auto lit = [&palette](unsigned long m) {
        KaMaterial material = translucent(palette[m]);
        material.setEnableLights(true);
        material.setEmission(KaColor(palette[m].b, palette[m].r, palette[m].g, 255));
        material.setAmbient(KaColor(40, 40, 40, 255));
        return material;
    };
    struct Case {
        const char* what;
        std::function<KaMaterial(unsigned long)> material;
        // Meshes with colours of their own, with GL_REPLACE.
        std::vector<unsigned long> vertexColours;
        std::vector<unsigned long> replace;
        // Whether some runs must share a call.
        bool fewerCalls;
        // Whether each triangle's own mesh draws it as the batch does.
        bool meshDrawsAlike;
    };
    const Case cases[] = {
        { "unlit, a colour per mesh", plain, {}, {}, true, true },
        { "unlit, vertex colours on some meshes", plain, { 0, 2 }, {}, true, true },
        { "unlit, one texture, a colour per mesh", textured, {}, {}, true, true },
        { "textured and untextured", [&](unsigned long m) { return m % 2 ? textured(m) : plain(m); }, {}, {}, false,
            true },
        { "blended and alpha-tested",
            [&](unsigned long m) {
                KaMaterial material = plain(m);
                if (m % 2)
                    material.setMode(KaMaterial::ALPHA_TESTED);
                return material;
            },
            {}, {}, false, true },
        { "lit, a colour per mesh", lit, {}, {}, false, true },
        { "lit and unlit", [&](unsigned long m) { return m % 2 ? lit(m) : plain(m); }, { 1 }, {}, false, true },
        { "opaque and blended, textured",
            [&](unsigned long m) {
                KaMaterial material = textured(m);
                if (m >= 2)
                    material.setMode(KaMaterial::OPAQUE);
                return material;
            },
            {}, {}, true, false },
        { "texture environments", textured, {}, { 1, 3 }, false, false },
    };
    // Triangles firstTriangle .. firstTriangle + count - 1 of mesh m.
    auto build = [&](const Case& c, KaMesh& mesh, unsigned long m, unsigned long firstTriangle, unsigned long count) {
        mesh.setConf(count * 3, count * 3, KaMesh::TRIANGLES, 1, static_cast<unsigned int>(count));
        const bool colours = std::find(c.vertexColours.begin(), c.vertexColours.end(), m) != c.vertexColours.end();
        for (unsigned long n = 0; n < count; ++n) {
            // Depth order: triangle, then mesh; each covers much of the view.
            const unsigned long t = firstTriangle + n;
            const float k = static_cast<float>(t * meshCount + m);
            const float z = 10.0f * k - 100.0f;
            const unsigned int v = static_cast<unsigned int>(3 * n);
            mesh.setVertex(v, KaVector3f32(-110.0f + 7.0f * k, -100.0f + 2.0f * k, z));
            mesh.setVertex(v + 1, KaVector3f32(105.0f - 3.0f * k, -90.0f + 6.0f * k, z));
            mesh.setVertex(v + 2, KaVector3f32(-40.0f + 4.0f * k, 110.0f - 5.0f * k, z));
            for (unsigned int i = 0; i < 3; ++i) {
                mesh.setIndex(v + i, v + i);
                mesh.setNormal(v + i, KaVector3f32(0.4f * static_cast<float>(i) - 0.4f, 0.05f * k - 0.5f, 0.8f));
                mesh.setTextureUV(
                    v + i, KaVector2f32(0.1f * k + (i == 1 ? 1.0f : 0.0f), 0.05f * k + (i == 2 ? 1.0f : 0.0f)));
                if (colours)
                    mesh.setColor(v + i,
                        KaColor(static_cast<unsigned char>(40 * i + 20 * t), 180, static_cast<unsigned char>(60 * m),
                            static_cast<unsigned char>(90 + 50 * i)));
            }
        }
        mesh.attachMaterial(0, c.material(m));
        if (std::find(c.replace.begin(), c.replace.end(), m) != c.replace.end())
            mesh.setTextureEnvironmentMode(GL_REPLACE);
    };
    // A light from the upper left, so that lit triangles show their normals.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat direction[4] = { -0.5f, 0.6f, 1.0f, 0.0f };
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    glEnable(GL_LIGHT0);
    KaIntrusivePtr<KaCamera> camera = orthographicCamera();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<KaMesh> meshes(meshCount);
        for (unsigned long m = 0; m < meshCount; ++m)
            build(c, meshes[m], m, 0, perMesh);

        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        camera->apply();
        for (KaMesh& mesh : meshes)
            r()->addTransparentMesh(mesh, 0, 0, 0);
        r()->renderTransparentMeshes();
        const std::vector<unsigned char> together = context().readPixels();
        const unsigned long runs = r()->lastTransparentDrawCalls();
        const unsigned long calls = r()->lastTransparentGLDrawCalls();
        EXPECT_EQ(meshCount * perMesh, runs);
        if (c.fewerCalls)
            EXPECT_LT(calls, runs);
        else
            EXPECT_EQ(runs, calls);
        // GL ends holding the last triangle's material, and white.
        const KaColor last = c.material(meshCount - 1).diffuse();
        GLfloat diffuse[4];
        glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
        EXPECT_NEAR(last.r / 255.0f, diffuse[0], 1e-3f);
        EXPECT_NEAR(last.a / 255.0f, diffuse[3], 1e-3f);
        EXPECT_EQ(KaColor(255, 255, 255, 255), r()->currentColor());

        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (unsigned long t = 0; t < perMesh; ++t) {
            for (unsigned long m = 0; m < meshCount; ++m) {
                KaMesh single;
                build(c, single, m, t, 1);
                camera->apply();
                if (c.meshDrawsAlike) {
                    single.setSortTransparentFaces(false);
                    single.draw();
                } else {
                    r()->addTransparentMesh(single, 0, 0, 0);
                    r()->renderTransparentMeshes();
                }
                camera->restore();
            }
        }
        const std::vector<unsigned char> alone = context().readPixels();

        unsigned long differing = 0;
        unsigned long drawn = 0;
        for (size_t i = 0; i < together.size(); ++i) {
            differing += together[i] != alone[i] ? 1 : 0;
            drawn += alone[i] != 0 ? 1 : 0;
        }
        EXPECT_EQ(0u, differing);
        EXPECT_GT(drawn, together.size() / 4) << "the triangles cover much of the view";
    }
    glDisable(GL_LIGHT0);
}

} // namespace
