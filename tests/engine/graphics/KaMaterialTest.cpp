#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "engine/core/KaResourceManager.h"
#include "engine/core/KaStream.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaMaterial.h"
#include "engine/graphics/KaMesh.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/graphics/KaMeshTestHelpers.h"
#include "tests/support/KaTestSupport.h"

namespace {

const KaColor blue(0, 0, 255, 255);

// Red, in three blocks of 16 columns whose alpha is 0, 100 and 200.
KaColor alphaBlocks(unsigned int x, unsigned int)
{
    const unsigned char alpha[3] = { 0, 100, 200 };
    return KaColor(255, 0, 0, alpha[x / 16]);
}

// Red on the left half, green on the right.
KaColor halves(unsigned int x, unsigned int) { return x < 8 ? KaColor(255, 0, 0, 255) : KaColor(0, 255, 0, 255); }

KaStream* copyOf(const KaStream& source, unsigned long length)
{
    KaStream* copy = new KaStream();
    if (length != 0)
        copy->writeData(source.data(), length);
    copy->seek(0);
    return copy;
}

using KaMaterialTest = KaGLRendererTest;

// Mode 0 shows the texture's colour whatever its alpha; mode 1 blends by
// it; mode 2 discards alpha of 0.5 or less and blends the rest.
TEST_F(KaMaterialTest, EachModeTreatsTheTextureAlphaItsOwnWay)
{
    const struct {
        const char* name;
        KaMaterial::Mode mode;
        KaColor expected[3];
    } cases[] = {
        { "opaque", KaMaterial::OPAQUE, { KaColor(255, 0, 0, 255), KaColor(255, 0, 0, 255), KaColor(255, 0, 0, 255) } },
        { "blended", KaMaterial::BLENDED, { blue, KaColor(100, 0, 155, 255), KaColor(200, 0, 55, 255) } },
        { "alpha-tested", KaMaterial::ALPHA_TESTED, { blue, blue, KaColor(200, 0, 55, 255) } },
    };
    KaIntrusivePtr<KaCamera> camera = KaTestPixelCamera(256, 256);
    KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
    texture->load(*KaTestMakeImage(48, 8, RGBA8888, alphaBlocks));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KaMesh quad;
        KaTestMakeRectangle(quad, 0.0f, 0.0f, 48.0f, 8.0f);
        quad.defaultMaterial(texture);
        quad.attachMaterial(0, KaMaterial(texture, c.mode));
        KaTestDrawFrame(*camera, blue, [&]() { quad.draw(); });
        for (int block = 0; block < 3; ++block)
            EXPECT_TRUE(KaTestPixelNear(pixel(block * 16 + 8, 4), c.expected[block], 2)) << "block " << block;
    }
}

// The texture-coordinate pointer still holds the previous mesh's array when
// a mesh without coordinates is drawn with a textured material: it must not
// be read.
TEST_F(KaMaterialTest, AMeshWithoutTextureCoordinatesDoesNotReadThePreviousMeshes)
{
    KaIntrusivePtr<KaCamera> camera = KaTestPixelCamera(256, 256);
    KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
    texture->load(*KaTestMakeImage(16, 16, RGB888, halves));
    KaMesh withUVs;
    KaTestMakeRectangle(withUVs, 0.0f, 0.0f, 32.0f, 32.0f);
    withUVs.defaultMaterial(texture);
    KaMesh withoutUVs;
    KaTestMakeRectangle(withoutUVs, 64.0f, 0.0f, 96.0f, 32.0f, false);
    withoutUVs.defaultMaterial(texture);

    KaTestDrawFrame(*camera, blue, [&]() {
        withUVs.draw();
        withoutUVs.draw();
    });
    // The first mesh shows both halves; the second one texture coordinate
    // for all its pixels, hence one colour.
    EXPECT_TRUE(KaTestPixelNear(pixel(4, 16), KaColor(255, 0, 0, 255), 2));
    EXPECT_TRUE(KaTestPixelNear(pixel(28, 16), KaColor(0, 255, 0, 255), 2));
    const KaPixel left = pixel(68, 16);
    const KaPixel right = pixel(92, 16);
    EXPECT_EQ(left, right);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
}

TEST_F(KaMaterialTest, EqualityComparesTheTextureByGLNameAndIgnoresTheShadowFlag)
{
    KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
    KaIntrusivePtr<Ka3DTexture> other(new Ka3DTexture());
    const KaMaterial base(texture, KaMaterial::OPAQUE);

    KaMaterial shadow = base;
    shadow.setShadowTexture(true);
    EXPECT_TRUE(base == shadow);

    const struct {
        const char* name;
        void (*change)(KaMaterial&, const KaIntrusivePtr<Ka3DTexture>&);
    } differences[] = {
        { "texture", [](KaMaterial& m, const KaIntrusivePtr<Ka3DTexture>& t) { m.setTexture(t); } },
        { "no texture", [](KaMaterial& m, const KaIntrusivePtr<Ka3DTexture>&) { m.setTexture(nullptr); } },
        { "mode", [](KaMaterial& m, const KaIntrusivePtr<Ka3DTexture>&) { m.setMode(KaMaterial::BLENDED); } },
        { "ambient", [](KaMaterial& m, const KaIntrusivePtr<Ka3DTexture>&) { m.setAmbient(KaColor(1, 0, 0, 255)); } },
        { "diffuse", [](KaMaterial& m, const KaIntrusivePtr<Ka3DTexture>&) { m.setDiffuse(KaColor(0, 0, 0, 254)); } },
        { "specular", [](KaMaterial& m, const KaIntrusivePtr<Ka3DTexture>&) { m.setSpecular(KaColor(0, 9, 0, 255)); } },
        { "emission", [](KaMaterial& m, const KaIntrusivePtr<Ka3DTexture>&) { m.setEmission(KaColor(0, 0, 9, 255)); } },
        { "shininess", [](KaMaterial& m, const KaIntrusivePtr<Ka3DTexture>&) { m.setShininess(2.0f); } },
        { "lights", [](KaMaterial& m, const KaIntrusivePtr<Ka3DTexture>&) { m.setEnableLights(true); } },
    };
    for (const auto& d : differences) {
        KaMaterial changed = base;
        d.change(changed, other);
        EXPECT_TRUE(base != changed) << d.name;
        EXPECT_FALSE(changed == base) << d.name;
    }

    KaMaterial notANumber = base;
    notANumber.setShininess(std::numeric_limits<float>::quiet_NaN());
    EXPECT_FALSE(notANumber == notANumber);
}

TEST_F(KaMaterialTest, RecordPadsTheNameToAMultipleOfFourOfTheStreamPosition)
{
    const struct {
        const char* name;
        unsigned long prefix;
        const char* accessName; // null for no texture
        unsigned long modeOffset;
        const char* written;
    } cases[] = {
        { "no texture", 0, nullptr, 4, "" },
        { "five bytes", 0, "models/abcde.3dtex", 12, "abcde" },
        { "image extension kept", 0, "models/wall.png.3dtex", 12, "wall.png" },
        { "not a texture suffix", 0, "models/wall.png", 12, "wall.png" },
        { "after one byte", 1, nullptr, 8, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KaMaterial material;
        if (c.accessName) {
            KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
            texture->setAccessName(KaPath(c.accessName));
            material.setTexture(texture);
        }
        material.setMode(KaMaterial::ALPHA_TESTED);
        KaStream stream;
        for (unsigned long i = 0; i < c.prefix; ++i)
            stream.write(static_cast<unsigned char>(0xAB));
        ASSERT_TRUE(KaMaterial::serialize(stream, material));
        const unsigned char* bytes = stream.data();
        const unsigned long nameLength = std::strlen(c.written);
        ASSERT_EQ(c.modeOffset + 24, stream.bufferLength());
        unsigned int storedLength = 0;
        std::memcpy(&storedLength, bytes + c.prefix, 4);
        EXPECT_EQ(nameLength, storedLength);
        EXPECT_EQ(0, std::memcmp(c.written, bytes + c.prefix + 4, nameLength));
        for (unsigned long i = c.prefix + 4 + nameLength; i < c.modeOffset; ++i)
            EXPECT_EQ(0, bytes[i]) << "padding byte " << i;
        EXPECT_EQ(2, bytes[c.modeOffset]);
        EXPECT_EQ(0, bytes[c.modeOffset + 1]);
    }
}

// A model written by the engine must find its textures again: the record
// carries the image's file name with its extension, and reading loads that
// file from the model's folder.
TEST_F(KaMaterialTest, WrittenMaterialReadsBackWithItsTexture)
{
    KaTempDir dir;
    const std::string picture = dir.file("wall.png");
    ASSERT_TRUE(KaTestMakeImage(24, 12, RGB888, halves)->save(KaString(picture.c_str()), KaImage::PNG));

    KaStream stream;
    {
        KaMaterial material(
            resourceManager.get()->getResource<Ka3DTexture>(KaPath(picture.c_str())), KaMaterial::OPAQUE);
        ASSERT_TRUE(material.texture());
        material.setAmbient(KaColor(1, 2, 3, 4));
        material.setDiffuse(KaColor(5, 6, 7, 8));
        material.setSpecular(KaColor(9, 10, 11, 12));
        material.setEmission(KaColor(13, 14, 15, 16));
        material.setShininess(12.5f);
        ASSERT_TRUE(KaMaterial::serialize(stream, material));
    }
    // The texture is gone with the material: reading must load the file.
    EXPECT_FALSE(resourceManager.get()->exists(KaPath((picture + ".3dtex").c_str())));

    stream.seek(0);
    KaMaterial back;
    back.setEnableLights(true);
    back.setShadowTexture(true);
    ASSERT_TRUE(KaMaterial::deserialize(stream, back, KaPath(dir.path().c_str())));
    ASSERT_TRUE(back.texture());
    EXPECT_EQ(KaPath((picture + ".3dtex").c_str()), back.texture()->getAccessName());
    EXPECT_EQ(24u, back.texture()->width());
    EXPECT_EQ(KaMaterial::OPAQUE, back.mode());
    EXPECT_EQ(KaColor(1, 2, 3, 4), back.ambient());
    EXPECT_EQ(KaColor(5, 6, 7, 8), back.diffuse());
    EXPECT_EQ(KaColor(9, 10, 11, 12), back.specular());
    EXPECT_EQ(KaColor(13, 14, 15, 16), back.emission());
    EXPECT_FLOAT_EQ(12.5f, back.shininess());
    EXPECT_TRUE(back.enableLights());
    EXPECT_TRUE(back.isShadowTexture());

    // A record without texture drops the one the material had.
    KaStream plain;
    ASSERT_TRUE(KaMaterial::serialize(plain, KaMaterial()));
    plain.seek(0);
    ASSERT_TRUE(KaMaterial::deserialize(plain, back, KaPath(dir.path().c_str())));
    EXPECT_FALSE(back.texture());
    EXPECT_EQ(KaMaterial::BLENDED, back.mode());
}

TEST_F(KaMaterialTest, ShortOrOverlongRecordsLeaveTheMaterialAsItWas)
{
    KaMaterial written;
    KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
    texture->setAccessName(KaPath("x/wall.png.3dtex"));
    written.setTexture(texture);
    KaStream full;
    ASSERT_TRUE(KaMaterial::serialize(full, written));
    ASSERT_EQ(36u, full.bufferLength());

    const KaColor sentinel(1, 2, 3, 4);
    for (unsigned long length : { 0ul, 3ul, 4ul, 8ul, 11ul, 12ul, 16ul, 20ul, 35ul }) {
        KaStream* cut = copyOf(full, length);
        KaMaterial target;
        target.setDiffuse(sentinel);
        EXPECT_FALSE(KaMaterial::deserialize(*cut, target, KaPath("x"))) << length;
        EXPECT_EQ(sentinel, target.diffuse()) << length;
        EXPECT_FALSE(target.texture()) << length;
        delete cut;
    }

    // A name length far beyond the stream is refused before anything is
    // allocated for it.
    KaStream overlong;
    overlong.write(0xFFFFFFF0u);
    overlong.writeData("wall", 4);
    overlong.seek(0);
    KaMaterial target;
    target.setDiffuse(sentinel);
    EXPECT_FALSE(KaMaterial::deserialize(overlong, target, KaPath("x")));
    EXPECT_EQ(sentinel, target.diffuse());
}

} // namespace
