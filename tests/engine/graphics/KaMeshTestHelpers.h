#ifndef KA_MESH_TEST_HELPERS_H
#define KA_MESH_TEST_HELPERS_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaMaterial.h"
#include "engine/graphics/KaMesh.h"
#include "engine/graphics/KaRenderer.h"
#include "tests/engine/graphics/KaGLTestContext.h"

// Drawing helpers shared by the mesh, material, texture, tiled texture and
// curve tests. Everything is drawn under an orthographic camera in which one
// unit is one pixel, the origin is the buffer's lower-left corner and y goes
// up, so a pixel (x, y) of KaGLTestContext::pixel is the square from (x, y)
// to (x + 1, y + 1).

inline KaIntrusivePtr<KaCamera> KaTestPixelCamera(unsigned int width, unsigned int height)
{
    KaIntrusivePtr<KaCamera> camera(new KaCamera());
    camera->setProjectionType(KaCamera::ORTHOGRAPHIC);
    camera->orthogonalParams(0.0f, static_cast<float>(width), 0.0f, static_cast<float>(height));
    camera->setNearDistance(-100.0f);
    camera->setFarDistance(100.0f);
    camera->viewport(0, 0, width, height);
    return camera;
}

// Clears to the colour, applies the camera, runs the drawing, flushes the
// transparent batch and restores the camera: one layer of a frame.
inline void KaTestDrawFrame(KaCamera& camera, const KaColor& background, const std::function<void()>& drawing)
{
    KaRenderer* r = renderer.get();
    r->setClearColor(background);
    r->reset();
    camera.apply();
    drawing();
    r->renderTransparentMeshes();
    camera.restore();
}

// A rectangle from (x0, y0) to (x1, y1) at depth 0 as a triangle strip (the
// corner order of the tiled surface: 0, 1, 3, 2), with texture coordinates
// from (u0, v0) to (u1, v1) when withUVs.
inline void KaTestMakeRectangle(KaMesh& mesh, float x0, float y0, float x1, float y1, bool withUVs = true,
    float u0 = 0.0f, float v0 = 0.0f, float u1 = 1.0f, float v1 = 1.0f)
{
    mesh.setConf(4, 4, KaMesh::TRIANGLE_STRIP, 0, 0);
    mesh.setVertex(0, KaVector3f32(x0, y0, 0.0f));
    mesh.setVertex(1, KaVector3f32(x1, y0, 0.0f));
    mesh.setVertex(2, KaVector3f32(x1, y1, 0.0f));
    mesh.setVertex(3, KaVector3f32(x0, y1, 0.0f));
    if (withUVs) {
        mesh.setTextureUV(0, KaVector2f32(u0, v0));
        mesh.setTextureUV(1, KaVector2f32(u1, v0));
        mesh.setTextureUV(2, KaVector2f32(u1, v1));
        mesh.setTextureUV(3, KaVector2f32(u0, v1));
    }
    for (unsigned int i = 0; i < 4; ++i)
        mesh.setNormal(i, KaVector3f32(0.0f, 0.0f, 1.0f));
    mesh.setIndex(0, 0);
    mesh.setIndex(1, 1);
    mesh.setIndex(2, 3);
    mesh.setIndex(3, 2);
}

// An image whose pixel (x, y) of the picture (y counted from the picture's
// bottom) is colorAt(x, y), stored flipped (top row first) when asked.
inline KaIntrusivePtr<KaImage> KaTestMakeImage(unsigned int width, unsigned int height, KaImageFormat format,
    const std::function<KaColor(unsigned int, unsigned int)>& colorAt, bool flipped = false,
    const char* name = "test-picture")
{
    KaIntrusivePtr<KaImage> image(new KaImage());
    KaIntrusivePtr<KaPalette> noPalette;
    image->create(width, height, noPalette, format);
    image->setFlipped(flipped);
    image->setAccessName(KaPath(name));
    const unsigned int bytes = format == RGBA8888 ? 4 : (format == GREY8 ? 1 : 3);
    for (unsigned int y = 0; y < height; ++y) {
        unsigned char* row = image->row(flipped ? height - 1 - y : y);
        for (unsigned int x = 0; x < width; ++x) {
            const KaColor c = colorAt(x, y);
            unsigned char* p = row + x * bytes;
            p[0] = c.r;
            if (bytes >= 3) {
                p[1] = c.g;
                p[2] = c.b;
            }
            if (bytes == 4)
                p[3] = c.a;
        }
    }
    return image;
}

inline ::testing::AssertionResult KaTestPixelNear(const KaPixel& actual, const KaColor& expected, int tolerance = 1)
{
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance
        && std::abs(actual.b - expected.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << int(actual.r) << ", " << int(actual.g) << ", " << int(actual.b)
                                         << ") is not within " << tolerance << " of (" << int(expected.r) << ", "
                                         << int(expected.g) << ", " << int(expected.b) << ")";
}

#endif
