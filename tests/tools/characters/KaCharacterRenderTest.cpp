#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaLight.h"
#include "engine/graphics/KaPng.h"
#include "tests/engine/graphics/KaMeshTestHelpers.h"
#include "tests/tools/characters/KaCharacterFiles.h"

namespace {

typedef KaCharacterCast::Member Member;

const float pi = 3.14159265f;
const KaColor background(255, 0, 255, 255);
// One pixel a centimetre; each figure stands in a slot of its own.
const unsigned int slotWidth = 110;
const unsigned int rowHeight = 230;
const float ground = 30.0f;

enum View { Front, Side };

struct Shot {
    const char* animation;
    unsigned int frame;
    View view;
};

// Mira and Ansel side by side in six poses each: standing, walking seen
// from the front, the walk's two step frames and a frame between them seen
// from the side, jogging.
const Shot shots[] = {
    { "Idle", 0, Front },
    { "Walk_Loop", 13, Front },
    { "Walk_Loop", 5, Side },
    { "Walk_Loop", 13, Side },
    { "Walk_Loop", 29, Side },
    { "Jog_Loop", 20, Side },
};
const unsigned int shotCount = sizeof(shots) / sizeof(shots[0]);

class KaCharacterRenderTest : public KaGLRendererTest {
protected:
    KaCharacterRenderTest()
        : KaGLRendererTest(slotWidth * shotCount, 2 * rowHeight)
    {
    }

    // Draws the member's model at that frame of the animation, standing on
    // the ground line of its slot.
    void drawFigure(KaModel& model, const Member& member, const Shot& shot, unsigned int slot, unsigned int row)
    {
        KaIntrusivePtr<KaModelAnimation> animation
            = KaCharacterFiles::get().loadAnimation(KaString(member.name) + "_" + shot.animation + ".kaan");
        ASSERT_TRUE(animation);
        KaPoseAt(model, animation, shot.frame);
        // Seen from the side walking to the right; the root's own travel
        // stays out of the picture.
        model.setRotation(shot.view == Side ? KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 1, 0), -pi / 2)
                                            : KaQuaternion());
        model.setPosition(KaVector3f32(0, 0, 0));
        const KaVector3f32 root = model.worldTransformationMatrix().mult4x3(KaBonePosition(model, "Pere"));
        model.setPosition(KaVector3f32(slotWidth * (slot + 0.5f) - root.x, ground + row * rowHeight, 0));
        model.draw();
        model.removeAnim();
    }

    void drawAll(KaModel* models)
    {
        KaIntrusivePtr<KaCamera> camera = KaTestPixelCamera(context().width(), context().height());
        KaTestDrawFrame(*camera, background, [&]() {
            glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glEnable(GL_DEPTH_TEST);
            glEnable(GL_NORMALIZE);
            // A scene's lights: a soft ambient and a key light from above,
            // in front and to the left.
            KaLight::globalAmbient = KaColor(120, 120, 130, 255);
            KaLight::updateGlobal();
            KaLight key;
            key.setType(KaLight::DIRECTIONAL);
            key.setDirection(KaVector2f32(1.1f, 0.6f));
            key.setDiffuse(KaColor(170, 165, 150, 255));
            key.setAmbient(KaColor(0, 0, 0, 255));
            key.update(0);
            key.enable(0);
            for (unsigned int row = 0; row < 2; ++row) {
                for (unsigned int s = 0; s < shotCount; ++s)
                    drawFigure(models[row], KaCharacterCast::members()[row], shots[s], s, 1 - row);
            }
        });
    }

    bool isFigure(int x, int y) const
    {
        const KaPixel p = pixel(x, y);
        return !(p.r == 255 && p.g == 0 && p.b == 255);
    }

    // Separate stretches of the figure along a row of pixels of a slot.
    int runs(unsigned int slot, int y) const
    {
        int count = 0;
        bool inside = false;
        for (unsigned int x = slot * slotWidth; x < (slot + 1) * slotWidth; ++x) {
            const bool now = isFigure(static_cast<int>(x), y);
            count += now && !inside ? 1 : 0;
            inside = now;
        }
        return count;
    }

    void savePreview(const std::string& path)
    {
        const std::vector<unsigned char> pixels = context().readPixels();
        const unsigned int w = context().width();
        const unsigned int h = context().height();
        KaImage image;
        image.setFlipped(true);
        ASSERT_TRUE(image.create(w, h, KaIntrusivePtr<KaPalette>(), RGBA8888));
        for (unsigned int y = 0; y < h; ++y) {
            unsigned char* row = image.row(y);
            const unsigned char* from = &pixels[(h - 1 - y) * w * 4];
            for (unsigned int i = 0; i < w * 4; ++i)
                row[i] = (i % 4) == 3 ? 255 : from[i];
        }
        KaPng png;
        EXPECT_TRUE(png.save(image, KaPath(path.c_str())));
    }
};

} // namespace

// Drawn as the game draws them (lit, textured, skinned to a pose): the legs
// stand together at rest and stride apart when walking, the coat shows its
// colour, and the face shows eyes. KA_CHARACTER_PREVIEW=file.png keeps
// the picture.
TEST_F(KaCharacterRenderTest, FiguresReadAsCharactersWhenPosed)
{
    ASSERT_TRUE(context().isValid());
    KaModel models[2];
    for (unsigned int m = 0; m < 2; ++m) {
        models[m].setEnableLights(true);
        ASSERT_TRUE(KaCharacterFiles::get().loadModel(KaCharacterCast::members()[m], models[m]));
        // The game shows the default face only.
        models[m].setVisibleByName("_Y_", false);
        models[m].setVisibleByName("_B_", false);
        const KaString name(KaCharacterCast::members()[m].name);
        models[m].setVisibleByName(KaCharacterFigure::eyesOpenMesh(name), true);
        models[m].setVisibleByName(KaCharacterFigure::mouthClosedMesh(name), true);
    }
    drawAll(models);
    if (const char* preview = std::getenv("KA_CHARACTER_PREVIEW"))
        savePreview(preview);

    for (unsigned int row = 0; row < 2; ++row) {
        SCOPED_TRACE(KaCharacterCast::members()[row].name);
        const int base = static_cast<int>(ground + (1 - row) * rowHeight);
        // Shins, 25 cm above the ground.
        EXPECT_EQ(runs(0, base + 25), 2) << "front view: two legs";
        EXPECT_EQ(runs(3, base + 25), 2) << "a stride seen from the side: the legs apart";
        EXPECT_EQ(runs(4, base + 25), 2) << "the other stride";
        // Heads at the top, nothing above them.
        const int x = static_cast<int>(slotWidth / 2);
        EXPECT_TRUE(isFigure(x, base + 160));
        EXPECT_FALSE(isFigure(x, base + 173));
        // The coat's colour on the chest.
        const KaPixel chest = pixel(x - 8, base + 118);
        if (row == 0)
            EXPECT_GT(chest.b, chest.r + 20) << "Mira's navy coat";
        else
            EXPECT_NEAR(chest.r, chest.b, 30) << "Ansel's grey coat";
    }
    // Standing seen from the side, the legs are one shape; the idle's feet
    // are together.
    KaModel& mira = models[0];
    KaIntrusivePtr<KaCamera> camera = KaTestPixelCamera(context().width(), context().height());
    KaTestDrawFrame(*camera, background, [&]() {
        glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawFigure(mira, KaCharacterCast::members()[0], Shot { "Idle", 0, Side }, 0, 0);
    });
    EXPECT_EQ(runs(0, static_cast<int>(ground) + 25), 1);
}
