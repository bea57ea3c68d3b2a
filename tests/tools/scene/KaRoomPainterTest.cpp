#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "engine/graphics/KaImage.h"
#include "tests/support/KaTestSupport.h"
#include "tools/scene/KaRoomPainter.h"
#include "tools/scene/KaSceneCamera.h"

namespace {

typedef KaVector3f32 V;

// Pictures stay small: the sanitizers make every ray slow.
const unsigned int kWidth = 160;
const unsigned int kHeight = 120;

const KaColor kWhite(255, 255, 255, 255);
const KaColor kBlack(0, 0, 0, 255);

void addMaterial(KaZoneDescription& zone, const char* name, KaColor base, const char* pattern = "plain",
    float emissive = 0.0f, KaColor accent = KaColor(0, 0, 0, 255), float scale = 50.0f)
{
    zone.materials.pushBack(KaZoneDescription::Material::make(name, base, accent, pattern, scale, 0.0f, emissive));
}

void addBox(KaZoneDescription::Scene& scene, V min, V max, const char* material, bool inside = false)
{
    scene.shapes.pushBack(KaZoneDescription::Shape::box(min, max, material, inside));
}

void addQuad(KaZoneDescription::Scene& scene, V a, V b, V c, V d, const char* material)
{
    scene.shapes.pushBack(KaZoneDescription::Shape::quad(a, b, c, d, material));
}

void addLamp(KaZoneDescription::Scene& scene, V position, float range, bool shadows = true)
{
    KaZoneDescription::Lamp l;
    l.position = position;
    l.color = kWhite;
    l.intensity = 1.0f;
    l.range = range;
    l.castsShadows = shadows;
    scene.lamps.pushBack(l);
}

KaZoneDescription::Scene makeScene(V position, V target, KaColor ambient)
{
    KaZoneDescription::Scene scene;
    scene.name = "1";
    scene.camera.name = "Camera1";
    scene.camera.position = position;
    scene.camera.target = target;
    scene.ambient = ambient;
    scene.width = kWidth;
    scene.height = kHeight;
    return scene;
}

// The picture's pixel under a point of the world, as the running scene's
// camera places it.
KaColor colorAt(const KaImage& image, const KaVector3f32& pixel)
{
    return image.pixelColor(KaVector2s32(static_cast<int>(std::floor(pixel.x)), static_cast<int>(std::floor(pixel.y))));
}

int brightness(const KaColor& c) { return c.r + c.g + c.b; }
bool reddish(const KaColor& c) { return c.r > 2 * c.b + 20 && c.r > 2 * c.g + 20; }
bool bluish(const KaColor& c) { return c.b > 2 * c.r + 20; }

TEST(KaRoomPainterTest, PaintedShapesLieWhereTheSceneCameraProjectsThem)
{
    // A blue room under white ambient light, a red block on its floor and a
    // red panel on its back wall. Just inside every projected edge the
    // picture is red, just outside blue: a shift of a pixel or a mirrored
    // axis fails.
    KaZoneDescription zone;
    addMaterial(zone, "room", KaColor(30, 60, 230, 255));
    addMaterial(zone, "red", KaColor(230, 30, 30, 255));
    const struct Case {
        const char* name;
        V position, target;
    } cases[] = {
        { "straight", V(0, 150, 380), V(0, 100, 0) },
        { "oblique", V(-250, 260, 330), V(40, 60, -100) },
        { "steep", V(20, 390, 260), V(0, 40, -200) },
    };
    const V blockMin(-60, 0, -80), blockMax(40, 70, 10);
    const V panel[4] = { V(100, 120, -299), V(220, 120, -299), V(220, 220, -299), V(100, 220, -299) };
    for (const Case& c : cases) {
        KaZoneDescription::Scene scene = makeScene(c.position, c.target, kWhite);
        addBox(scene, V(-400, 0, -300), V(400, 400, 400), "room", true);
        addBox(scene, blockMin, blockMax, "red");
        addQuad(scene, panel[0], panel[1], panel[2], panel[3], "red");
        KaImage image;
        ASSERT_TRUE(KaRoomPainter::paint(zone, scene, image)) << c.name;
        ASSERT_EQ(image.width(), kWidth);
        ASSERT_EQ(image.height(), kHeight);
        KaIntrusivePtr<KaCamera> camera = KaSceneCamera::create(scene.camera, kWidth, kHeight);

        // The top face of the block (seen by every camera here) and the
        // panel: their centres and the midpoints of their edges. Past an
        // edge of the top lies the room, unless the camera sees the side
        // below that edge.
        const V top[4] = { V(blockMin.x, blockMax.y, blockMin.z), V(blockMax.x, blockMax.y, blockMin.z),
            V(blockMax.x, blockMax.y, blockMax.z), V(blockMin.x, blockMax.y, blockMax.z) };
        const V sides[4] = { V(0, 0, -1), V(1, 0, 0), V(0, 0, 1), V(-1, 0, 0) };
        for (const V* face : { top, panel }) {
            const V centre = (face[0] + face[1] + face[2] + face[3]) * 0.25f;
            const KaVector3f32 centrePixel = camera->projectPoint3f32(centre);
            ASSERT_TRUE(centrePixel.x >= 0 && centrePixel.y >= 0 && centrePixel.x < kWidth && centrePixel.y < kHeight)
                << c.name << " " << centrePixel.x << "," << centrePixel.y;
            EXPECT_TRUE(reddish(colorAt(image, centrePixel))) << c.name;
            for (int e = 0; e < 4; ++e) {
                const V midpoint = (face[e] + face[(e + 1) % 4]) * 0.5f;
                const KaVector3f32 edge = camera->projectPoint3f32(midpoint);
                KaVector3f32 inward = centrePixel - edge;
                inward.z = 0.0f;
                inward.normalize();
                const KaColor in = colorAt(image, edge + inward * 1.6f);
                const KaColor out = colorAt(image, edge - inward * 1.6f);
                EXPECT_TRUE(reddish(in)) << c.name << " edge " << e << " inside " << int(in.r) << "," << int(in.b);
                if (face == top && (c.position - midpoint).dotProduct(sides[e]) > 0.0f)
                    continue;
                EXPECT_TRUE(bluish(out)) << c.name << " edge " << e << " outside " << int(out.r) << "," << int(out.b);
            }
        }
    }
}

TEST(KaRoomPainterTest, LampsLightNearThingsMoreAndBoxesCastShadows)
{
    // A dark floor, a lamp above it, a tall box beside the lamp: of two floor
    // points as far from the lamp, the one behind the box is dark; a floor
    // point far from the lamp is darker than one below it.
    KaZoneDescription zone;
    addMaterial(zone, "floor", KaColor(200, 200, 200, 255));
    const V lamp(0, 150, 0);
    const V below(0, 0, 30), far(0, 0, 330), open(-160, 0, 0), behind(160, 0, 0);
    for (bool shadows : { true, false }) {
        KaZoneDescription::Scene scene = makeScene(V(0, 600, 420), V(0, 0, 60), kBlack);
        addBox(scene, V(-1000, -50, -1000), V(1000, 0, 1000), "floor");
        addBox(scene, V(60, 0, -30), V(80, 300, 30), "floor");
        addLamp(scene, lamp, 700.0f, shadows);
        KaImage image;
        ASSERT_TRUE(KaRoomPainter::paint(zone, scene, image));
        KaIntrusivePtr<KaCamera> camera = KaSceneCamera::create(scene.camera, kWidth, kHeight);
        const int atBelow = brightness(colorAt(image, camera->projectPoint3f32(below)));
        const int atFar = brightness(colorAt(image, camera->projectPoint3f32(far)));
        const int atOpen = brightness(colorAt(image, camera->projectPoint3f32(open)));
        const int atBehind = brightness(colorAt(image, camera->projectPoint3f32(behind)));
        EXPECT_GT(atBelow, atFar + 60) << shadows;
        if (shadows) {
            EXPECT_GT(atOpen, atBehind + 100);
        } else {
            EXPECT_NEAR(atOpen, atBehind, 30);
        }
    }
}

TEST(KaRoomPainterTest, PatternsLookApart)
{
    // One wall facing the camera in each pattern, white and black: every two
    // pictures differ, and all but the plain one show both colours.
    const char* patterns[] = { "plain", "boards", "tiles", "stripes", "bricks", "cobbles", "water", "sky", "glass" };
    const int count = sizeof(patterns) / sizeof(patterns[0]);
    KaImage images[count];
    for (int i = 0; i < count; ++i) {
        KaZoneDescription zone;
        addMaterial(zone, "wall", KaColor(235, 225, 210, 255), patterns[i], 0.0f, KaColor(20, 20, 30, 255), 40.0f);
        KaZoneDescription::Scene scene = makeScene(V(0, 100, 300), V(0, 100, 0), kWhite);
        addQuad(scene, V(-400, -200, 0), V(400, -200, 0), V(400, 400, 0), V(-400, 400, 0), "wall");
        ASSERT_TRUE(KaRoomPainter::paint(zone, scene, images[i])) << patterns[i];
    }
    for (int i = 0; i < count; ++i) {
        int darkest = 765, lightest = 0;
        for (unsigned int y = 10; y < kHeight - 10; ++y)
            for (unsigned int x = 10; x < kWidth - 10; ++x) {
                const int b = brightness(images[i].pixelColor(KaVector2s32(static_cast<int>(x), static_cast<int>(y))));
                darkest = std::min(darkest, b);
                lightest = std::max(lightest, b);
            }
        if (std::string(patterns[i]) == "plain") {
            EXPECT_LT(lightest - darkest, 160) << patterns[i];
        } else {
            EXPECT_GT(lightest - darkest, 150) << patterns[i];
        }
        for (int j = i + 1; j < count; ++j) {
            long difference = 0;
            for (unsigned int y = 0; y < kHeight; ++y)
                for (unsigned int x = 0; x < kWidth; ++x) {
                    const KaVector2s32 p(static_cast<int>(x), static_cast<int>(y));
                    difference += std::abs(brightness(images[i].pixelColor(p)) - brightness(images[j].pixelColor(p)));
                }
            EXPECT_GT(difference / static_cast<long>(kWidth * kHeight), 20) << patterns[i] << " / " << patterns[j];
        }
    }
}

TEST(KaRoomPainterTest, GlowingSurfacesShineWithoutLampsOrAmbient)
{
    KaZoneDescription zone;
    addMaterial(zone, "lamp shade", KaColor(240, 170, 70, 255), "plain", 1.0f);
    addMaterial(zone, "wall", KaColor(240, 170, 70, 255));
    KaZoneDescription::Scene scene = makeScene(V(0, 100, 300), V(0, 100, 0), kBlack);
    addQuad(scene, V(-400, -200, 0), V(400, -200, 0), V(400, 400, 0), V(-400, 400, 0), "wall");
    addBox(scene, V(-30, 70, 0), V(30, 130, 20), "lamp shade");
    KaImage image;
    ASSERT_TRUE(KaRoomPainter::paint(zone, scene, image));
    KaIntrusivePtr<KaCamera> camera = KaSceneCamera::create(scene.camera, kWidth, kHeight);
    const KaColor shade = colorAt(image, camera->projectPoint3f32(V(0, 100, 20)));
    const KaColor wall = colorAt(image, camera->projectPoint3f32(V(-250, 10, 0)));
    EXPECT_GT(shade.r, 200);
    EXPECT_GT(shade.r, shade.b);
    EXPECT_LT(brightness(wall), 90);
}

TEST(KaRoomPainterTest, UnknownMaterialsAndShapesArePaintedAround)
{
    KaZoneDescription zone;
    addMaterial(zone, "odd pattern", KaColor(230, 30, 30, 255), "marble");
    KaZoneDescription::Scene scene = makeScene(V(0, 100, 300), V(0, 100, 0), kWhite);
    addQuad(scene, V(-400, -200, 0), V(400, -200, 0), V(400, 400, 0), V(-400, 400, 0), "nowhere");
    addQuad(scene, V(-400, -200, 1), V(400, -200, 1), V(400, -200, 1), V(-400, -200, 1), "nowhere");
    addBox(scene, V(-20, 80, 10), V(20, 120, 30), "odd pattern");
    KaZoneDescription::Shape sphere;
    sphere.kind = "sphere";
    sphere.material = "odd pattern";
    scene.shapes.pushBack(sphere);
    KaImage image;
    KaCaptureStdout capture;
    ASSERT_TRUE(KaRoomPainter::paint(zone, scene, image));
    const std::string console = capture.text();
    // One line for the unknown name, though two shapes use it; one for each
    // shape left out.
    EXPECT_EQ(console.find("Unknown material \"nowhere\""), console.rfind("Unknown material \"nowhere\""));
    EXPECT_NE(console.find("[KaRoomPainter::paint] Unknown material \"nowhere\" in scene 1"), std::string::npos);
    EXPECT_NE(console.find("shape 1 (quad) left out"), std::string::npos);
    EXPECT_NE(console.find("shape 3 (sphere) left out"), std::string::npos);
    KaIntrusivePtr<KaCamera> camera = KaSceneCamera::create(scene.camera, kWidth, kHeight);
    // The stand-in is grey; an unknown pattern paints plain.
    const KaColor grey = colorAt(image, camera->projectPoint3f32(V(-100, 40, 0)));
    EXPECT_GT(brightness(grey), 150);
    EXPECT_LT(std::abs(grey.r - grey.b), 20);
    EXPECT_TRUE(reddish(colorAt(image, camera->projectPoint3f32(V(0, 100, 30)))));
}

TEST(KaRoomPainterTest, PicturesThatCannotBePaintedAreRefused)
{
    KaZoneDescription zone;
    addMaterial(zone, "wall", KaColor(200, 200, 200, 255));
    struct Case {
        const char* name;
        KaZoneDescription::Scene scene;
        const char* message;
    } cases[] = {
        { "no width", makeScene(V(0, 100, 300), V(0, 100, 0), kWhite), "no picture of 0 x 120" },
        { "no height", makeScene(V(0, 100, 300), V(0, 100, 0), kWhite), "no picture of 160 x 0" },
        { "too large", makeScene(V(0, 100, 300), V(0, 100, 0), kWhite), "no picture of 100000 x 120" },
        { "no direction", makeScene(V(0, 100, 300), V(0, 100, 300), kWhite), "camera Camera1 cannot be built" },
    };
    cases[0].scene.width = 0;
    cases[1].scene.height = 0;
    cases[2].scene.width = 100000;
    for (Case& c : cases) {
        KaImage image;
        ASSERT_TRUE(image.create(4, 4, KaIntrusivePtr<KaPalette>(), RGB888));
        image.fill(7);
        KaCaptureStdout capture;
        EXPECT_FALSE(KaRoomPainter::paint(zone, c.scene, image)) << c.name;
        EXPECT_NE(capture.text().find(c.message), std::string::npos) << c.name;
        EXPECT_EQ(image.width(), 4u) << c.name;
        EXPECT_EQ(image.buffer()[0], 7) << c.name;
    }
}

TEST(KaRoomPainterTest, CameraLookingStraightDownStillLinesUp)
{
    // Along the up axis the look-at has no side; +z takes the up's place and
    // the scene's camera gets the same rotation.
    KaZoneDescription zone;
    addMaterial(zone, "floor", KaColor(30, 60, 230, 255));
    addMaterial(zone, "red", KaColor(230, 30, 30, 255));
    KaZoneDescription::Scene scene = makeScene(V(0, 500, 0), V(0, 0, 0), kWhite);
    addBox(scene, V(-1000, -50, -1000), V(1000, 0, 1000), "floor");
    addQuad(scene, V(30, 1, 60), V(90, 1, 60), V(90, 1, 120), V(30, 1, 120), "red");
    KaImage image;
    ASSERT_TRUE(KaRoomPainter::paint(zone, scene, image));
    KaIntrusivePtr<KaCamera> camera = KaSceneCamera::create(scene.camera, kWidth, kHeight);
    const KaVector3f32 red = camera->projectPoint3f32(V(60, 1, 90));
    EXPECT_LT(red.y, kHeight / 2.0f); // +z is up the picture
    EXPECT_TRUE(reddish(colorAt(image, red)));
    EXPECT_TRUE(bluish(colorAt(image, camera->projectPoint3f32(V(-60, 1, -90)))));
}

TEST(KaRoomPainterTest, PngHoldsThePaintedPicture)
{
    KaZoneDescription zone;
    addMaterial(zone, "room", KaColor(30, 60, 230, 255));
    addMaterial(zone, "red", KaColor(230, 30, 30, 255));
    KaZoneDescription::Scene scene = makeScene(V(0, 150, 380), V(0, 100, 0), kWhite);
    addBox(scene, V(-400, 0, -300), V(400, 400, 400), "room", true);
    addQuad(scene, V(-400, 300, -299), V(400, 300, -299), V(400, 400, -299), V(-400, 400, -299), "red");
    KaImage painted;
    ASSERT_TRUE(KaRoomPainter::paint(zone, scene, painted));
    KaTempDir dir;
    const KaPath path(dir.file("1.png").c_str());
    ASSERT_TRUE(KaRoomPainter::paint(zone, scene, path));
    KaImage loaded;
    ASSERT_TRUE(loaded.load(path));
    ASSERT_EQ(loaded.width(), kWidth);
    ASSERT_EQ(loaded.height(), kHeight);
    for (unsigned int y = 0; y < kHeight; y += 7)
        for (unsigned int x = 0; x < kWidth; x += 5) {
            const KaColor a = painted.pixelColor(KaVector2s32(static_cast<int>(x), static_cast<int>(y)));
            const KaColor b = loaded.pixelColor(
                KaVector2s32(static_cast<int>(x), static_cast<int>(loaded.flipped() ? y : kHeight - 1 - y)));
            ASSERT_EQ(a, b) << x << "," << y;
        }
    // A folder that cannot be written to is a failure, said once.
    KaCaptureStdout capture;
    EXPECT_FALSE(KaRoomPainter::paint(zone, scene, KaPath(dir.file("missing/1.png").c_str())));
    EXPECT_NE(capture.text().find("[KaRoomPainter::paint] Can't write"), std::string::npos);
}

TEST(KaRoomPainterTest, AStatePictureHoldsWhatTheStateChangesAndNothingElse)
{
    // A wall; a red panel that the state "Open" takes away, a blue one that
    // it brings. Over the background, the overlay is clear far from both and
    // opaque on both; blended over the background it gives the state's
    // picture everywhere.
    KaZoneDescription zone;
    addMaterial(zone, "wall", KaColor(200, 200, 200, 255));
    addMaterial(zone, "red", KaColor(230, 30, 30, 255));
    addMaterial(zone, "blue", KaColor(30, 60, 230, 255));
    KaZoneDescription::Scene scene = makeScene(V(0, 100, 300), V(0, 100, 0), kWhite);
    addQuad(scene, V(-400, -200, 0), V(400, -200, 0), V(400, 400, 0), V(-400, 400, 0), "wall");
    addQuad(scene, V(-120, 60, 1), V(-40, 60, 1), V(-40, 140, 1), V(-120, 140, 1), "red");
    scene.shapes[1].except = "Open";
    addQuad(scene, V(40, 60, 1), V(120, 60, 1), V(120, 140, 1), V(40, 140, 1), "blue");
    scene.shapes[2].only = "Open";
    ASSERT_EQ(scene.states().size(), 1u);
    EXPECT_STREQ(scene.states()[0].c_str(), "Open");

    KaIntrusivePtr<KaCamera> camera = KaSceneCamera::create(scene.camera, kWidth, kHeight);
    const KaVector3f32 redPanel = camera->projectPoint3f32(V(-80, 100, 1));
    const KaVector3f32 bluePanel = camera->projectPoint3f32(V(80, 100, 1));
    const KaVector3f32 wall = camera->projectPoint3f32(V(0, 20, 0));
    KaImage background, opened, overlay;
    ASSERT_TRUE(KaRoomPainter::paint(zone, scene, background));
    ASSERT_TRUE(KaRoomPainter::paint(zone, scene, "Open", opened));
    EXPECT_TRUE(reddish(colorAt(background, redPanel)));
    EXPECT_FALSE(bluish(colorAt(background, bluePanel)));
    EXPECT_FALSE(reddish(colorAt(opened, redPanel)));
    EXPECT_TRUE(bluish(colorAt(opened, bluePanel)));

    ASSERT_TRUE(KaRoomPainter::paintState(zone, scene, "Open", background, overlay));
    ASSERT_EQ(overlay.format(), RGBA8888);
    ASSERT_EQ(overlay.width(), kWidth);
    ASSERT_EQ(overlay.height(), kHeight);
    EXPECT_EQ(colorAt(overlay, wall).a, 0);
    EXPECT_EQ(colorAt(overlay, redPanel).a, 255);
    EXPECT_EQ(colorAt(overlay, bluePanel).a, 255);
    unsigned long opaque = 0;
    for (unsigned int y = 0; y < kHeight; ++y)
        for (unsigned int x = 0; x < kWidth; ++x) {
            const KaVector2s32 p(static_cast<int>(x), static_cast<int>(y));
            const KaColor over = overlay.pixelColor(p);
            const KaColor under = background.pixelColor(p);
            const KaColor wanted = opened.pixelColor(p);
            const float a = over.a / 255.0f;
            const float laid[3] = { a * over.r + (1 - a) * under.r, a * over.g + (1 - a) * under.g,
                a * over.b + (1 - a) * under.b };
            ASSERT_NEAR(laid[0], wanted.r, 2.0f) << x << "," << y;
            ASSERT_NEAR(laid[1], wanted.g, 2.0f) << x << "," << y;
            ASSERT_NEAR(laid[2], wanted.b, 2.0f) << x << "," << y;
            opaque += over.a == 255;
        }
    // The two panels, about a tenth of the picture, and not much more.
    EXPECT_GT(opaque, kWidth * kHeight / 20);
    EXPECT_LT(opaque, kWidth * kHeight / 5);

    // A background of another scene is refused, said once.
    KaImage small;
    ASSERT_TRUE(small.create(8, 8, KaIntrusivePtr<KaPalette>(), RGB888));
    KaCaptureStdout capture;
    EXPECT_FALSE(KaRoomPainter::paintState(zone, scene, "Open", small, overlay));
    EXPECT_NE(capture.text().find("[KaRoomPainter::paintState] Scene 1: the background is not this scene's."),
        std::string::npos);
}

TEST(KaRoomPainterTest, APaneShowsWhatLiesBehindItUnderItsGlare)
{
    // A red wall seen through clear glass looks as it does without the
    // glass, but paler where the glare crosses the pane: the lamp in front
    // lights the wall through the glass as if it were not there.
    KaZoneDescription zone;
    addMaterial(zone, "red", KaColor(230, 30, 30, 255));
    addMaterial(zone, "glass", KaColor(230, 240, 240, 255), "pane", 0.0f, KaColor(255, 255, 255, 255));
    KaZoneDescription::Scene bare = makeScene(V(0, 100, 300), V(0, 100, 0), KaColor(60, 60, 60, 255));
    addQuad(bare, V(-400, -200, 0), V(400, -200, 0), V(400, 400, 0), V(-400, 400, 0), "red");
    addLamp(bare, V(0, 100, 150), 600);
    KaZoneDescription::Scene glazed = bare;
    addQuad(glazed, V(-100, 0, 60), V(100, 0, 60), V(100, 200, 60), V(-100, 200, 60), "glass");
    KaImage without, with;
    ASSERT_TRUE(KaRoomPainter::paint(zone, bare, without));
    ASSERT_TRUE(KaRoomPainter::paint(zone, glazed, with));
    KaIntrusivePtr<KaCamera> camera = KaSceneCamera::create(glazed.camera, kWidth, kHeight);
    // The middle of the pane lies between the two streaks.
    const KaVector3f32 middle = camera->projectPoint3f32(V(0, 100, 60));
    const KaColor seen = colorAt(with, middle), bareWall = colorAt(without, middle);
    EXPECT_NEAR(seen.r, bareWall.r, 30);
    EXPECT_NEAR(seen.g, bareWall.g, 30);
    EXPECT_NEAR(seen.b, bareWall.b, 30);
    int brightest = 0;
    for (float x = -90; x <= 90; x += 4) {
        const KaVector3f32 p = camera->projectPoint3f32(V(x, 100, 60));
        brightest = std::max(brightest, brightness(colorAt(with, p)) - brightness(colorAt(without, p)));
    }
    EXPECT_GT(brightest, 40) << "no glare on the pane";
}

TEST(KaRoomPainterTest, ATideTablePrintsItsTextLeftToRightOnItsCard)
{
    // The card at the foot of the sheet carries the material's text in
    // large print: a line of eights inks the card; one eight at the start
    // of the line inks the card's left, seen from the front.
    const V corners[4] = { V(-100, 0, 0), V(100, 0, 0), V(100, 200, 0), V(-100, 200, 0) };
    struct Case {
        const char* text;
        const char* name;
    } cases[] = { { "", "blank" }, { "88888888", "full" }, { "8       ", "left" }, { "       8", "right" } };
    KaZoneDescription::Scene scene = makeScene(V(0, 100, 260), V(0, 100, 0), kWhite);
    addQuad(scene, corners[0], corners[1], corners[2], corners[3], "table");
    KaIntrusivePtr<KaCamera> camera = KaSceneCamera::create(scene.camera, kWidth, kHeight);
    // Dark pixels along the card's middle line, in its left and right halves.
    int dark[4][2] = {};
    for (int i = 0; i < 4; ++i) {
        KaZoneDescription zone;
        addMaterial(zone, "table", KaColor(246, 236, 217, 255), "tidetable", 0.0f, KaColor(46, 163, 168, 255));
        zone.materials[0].text = cases[i].text;
        KaImage image;
        ASSERT_TRUE(KaRoomPainter::paint(zone, scene, image)) << cases[i].name;
        for (float u = 0.05f; u < 0.95f; u += 0.005f)
            for (float v = 0.08f; v < 0.21f; v += 0.01f) {
                const V point = corners[0] + (corners[1] - corners[0]) * u + (corners[3] - corners[0]) * v;
                // The paper is near white under the white light; the ink
                // greys it by half at least.
                dark[i][u < 0.5f ? 0 : 1] += brightness(colorAt(image, camera->projectPoint3f32(point))) < 560;
            }
    }
    EXPECT_EQ(dark[0][0] + dark[0][1], 0) << "a blank card";
    EXPECT_GT(dark[1][0], 20);
    EXPECT_GT(dark[1][1], 20);
    EXPECT_GT(dark[2][0], 10);
    EXPECT_EQ(dark[2][1], 0);
    EXPECT_EQ(dark[3][0], 0);
    EXPECT_GT(dark[3][1], 10);
}

} // namespace
