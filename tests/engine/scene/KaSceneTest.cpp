#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/graphics/KaCamera.h"
#include "engine/scene/KaModel.h"
#include "engine/scene/KaScene.h"
#include "tests/engine/graphics/KaGLTestContext.h"

namespace {

// Records its updates and draws in one shared journal.
class JournalModel : public KaModel {
public:
    JournalModel(const char* name, std::vector<std::string>& journal)
        : mJournal(journal)
    {
        setName(name);
    }
    void update() override { mJournal.push_back("update " + std::string(name().c_str())); }
    void draw() override { mJournal.push_back("draw " + std::string(name().c_str())); }

private:
    std::vector<std::string>& mJournal;
};

KaIntrusivePtr<KaCamera> namedCamera(const char* name)
{
    KaIntrusivePtr<KaCamera> camera(new KaCamera());
    camera->setName(name);
    return camera;
}

class KaSceneTest : public KaGLRendererTest {
protected:
    void addModels(KaScene& scene, std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            scene.models().pushBack(KaIntrusivePtr<KaModel>(new JournalModel(name, mJournal)));
    }
    std::vector<std::string> mJournal;
};

} // namespace

TEST_F(KaSceneTest, DrawsOnlyUnderACurrentCamera)
{
    KaScene scene;
    addModels(scene, { "a", "b" });
    EXPECT_FALSE(scene.load(KaPath("anything")));
    EXPECT_EQ(scene.currentCamera().get(), nullptr);
    EXPECT_EQ(scene.currentCameraName(), KaString());
    scene.draw();
    EXPECT_TRUE(mJournal.empty()) << "no camera, nothing drawn";

    scene.cameras().pushBack(namedCamera("front"));
    scene.cameras().pushBack(namedCamera("back"));
    scene.setCurrentCameraIndex(2);
    scene.draw();
    EXPECT_TRUE(mJournal.empty()) << "an index past the cameras draws nothing";

    scene.setCurrentCamera("back");
    EXPECT_EQ(scene.currentCameraIndex(), 1u);
    EXPECT_EQ(scene.currentCameraName(), KaString("back"));
    scene.setCurrentCamera("missing");
    EXPECT_EQ(scene.currentCameraIndex(), 1u);
    scene.update();
    scene.draw();
    EXPECT_EQ(mJournal, (std::vector<std::string> { "update a", "update b", "draw a", "draw b" }));
    EXPECT_EQ(scene.camera("front").get(), scene.cameras()[0].get());
    EXPECT_EQ(scene.camera("side").get(), nullptr);
}

TEST_F(KaSceneTest, RemovingAModelMovesTheLastIntoItsPlace)
{
    KaScene scene;
    addModels(scene, { "a", "b", "c", "d" });
    scene.removeModel("b");
    scene.removeModel("nothing");
    ASSERT_EQ(scene.models().size(), 3u);
    EXPECT_EQ(scene.models()[1]->name(), KaString("d"));
    EXPECT_EQ(scene.model("c").get(), scene.models()[2].get());
    EXPECT_EQ(scene.model("b").get(), nullptr);

    scene.setCurrentCameraIndex(5);
    scene.close();
    EXPECT_EQ(scene.models().size(), 0u);
    EXPECT_EQ(scene.cameras().size(), 0u);
    EXPECT_EQ(scene.currentCameraIndex(), 5u) << "close keeps the index";
}
