#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/core/KaCore.h"
#include "engine/core/KaResource.h"
#include "engine/core/KaResourceManager.h"
#include "tests/support/KaTestSupport.h"

namespace {

// Every load, as "class:path", in order.
std::vector<std::string> loads;

// Loads like the engine's images and fonts: names itself after the path. A
// path holding "broken" fails after naming itself, as a codec that opened
// the file and then met corrupt data does.
class TestImage : public KaResource {
public:
    bool load(const KaPath& path) override
    {
        loads.push_back("image:" + std::string(path.c_str()));
        setAccessName(path);
        return std::string(path.c_str()).find("broken") == std::string::npos;
    }
};

// Another class that names itself after the same path.
class TestTexture : public KaResource {
public:
    bool load(const KaPath& path) override
    {
        loads.push_back("texture:" + std::string(path.c_str()));
        setAccessName(path);
        return true;
    }
};

// Loads without taking the path as its name (as the tiled texture does).
class TestTiles : public KaResource {
public:
    bool load(const KaPath& path) override
    {
        loads.push_back("tiles:" + std::string(path.c_str()));
        return true;
    }
};

class Watched : public KaResource {
public:
    explicit Watched(bool* destroyed)
        : mDestroyed(destroyed)
    {
    }
    ~Watched() override { *mDestroyed = true; }
    bool load(const KaPath&) override { return true; }

private:
    bool* mDestroyed;
};

KaResourceManager& manager() { return *resourceManager.get(); }

class KaResourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        loads.clear();
        mFlagsOn = core.get()->flagsOn();
        mLanguage = std::string(core.get()->language().c_str());
        char folder[PATH_MAX];
        ASSERT_NE(getcwd(folder, sizeof folder), nullptr);
        mFolder = folder;
        mListed = manager().resourceCount();
    }

    void TearDown() override
    {
        EXPECT_EQ(manager().resourceCount(), mListed) << "a test left resources listed";
        core.get()->setFlagsOn(mFlagsOn);
        KaCaptureStdout quiet;
        core.get()->language(mLanguage.c_str());
        EXPECT_EQ(chdir(mFolder.c_str()), 0);
    }

    void setLanguage(const char* code)
    {
        KaCaptureStdout quiet;
        core.get()->language(code);
    }

    bool mFlagsOn = false;
    std::string mLanguage;
    std::string mFolder;
    unsigned long mListed = 0;
};

} // namespace

TEST_F(KaResourceTest, SecondRequestSharesTheLoadedResource)
{
    core.get()->setFlagsOn(true);
    KaIntrusivePtr<TestImage> first = manager().getResource<TestImage>("gfx/shared.png");
    ASSERT_NE(first.get(), nullptr);
    EXPECT_EQ(first->counter(), 1u);
    EXPECT_TRUE(manager().exists("gfx/shared.png"));

    KaIntrusivePtr<TestImage> second = manager().getResource<TestImage>("gfx/shared.png");
    EXPECT_EQ(second.get(), first.get());
    EXPECT_EQ(first->counter(), 2u);
    EXPECT_EQ(loads, std::vector<std::string> { "image:gfx/shared.png" }) << "nothing is loaded the second time";
    EXPECT_EQ(manager().resourceCount(), mListed + 1);
}

TEST_F(KaResourceTest, ResourcesOfDifferentClassesNeverStandInForEachOther)
{
    core.get()->setFlagsOn(true);
    KaIntrusivePtr<TestImage> image = manager().getResource<TestImage>("gfx/door.png");
    KaIntrusivePtr<TestTexture> texture = manager().getResource<TestTexture>("gfx/door.png");
    ASSERT_NE(texture.get(), nullptr);
    EXPECT_NE(static_cast<KaResource*>(texture.get()), static_cast<KaResource*>(image.get()));
    EXPECT_EQ(loads, (std::vector<std::string> { "image:gfx/door.png", "texture:gfx/door.png" }));

    // Both are listed under the same name, the texture first: each class
    // still finds its own.
    EXPECT_EQ(manager().getResource<TestImage>("gfx/door.png").get(), image.get());
    EXPECT_EQ(manager().getResource<TestTexture>("gfx/door.png").get(), texture.get());
    EXPECT_EQ(manager().findResource<KaResource>("gfx/door.png"), static_cast<KaResource*>(texture.get()));
    EXPECT_EQ(loads.size(), 2u);
}

TEST_F(KaResourceTest, ReleasingTheLastReferenceUnlists)
{
    core.get()->setFlagsOn(true);
    {
        KaIntrusivePtr<TestImage> image = manager().getResource<TestImage>("gfx/gone.png");
        EXPECT_TRUE(manager().exists("gfx/gone.png"));
    }
    EXPECT_FALSE(manager().exists("gfx/gone.png"));
    KaIntrusivePtr<TestImage> again = manager().getResource<TestImage>("gfx/gone.png");
    EXPECT_EQ(loads.size(), 2u) << "a new object is loaded";
    EXPECT_EQ(again->counter(), 1u);
}

TEST_F(KaResourceTest, FailedOrUnnamedLoadsAreReturnedButNeverFoundByPath)
{
    core.get()->setFlagsOn(true);
    KaIntrusivePtr<TestImage> broken = manager().getResource<TestImage>("gfx/broken.png");
    ASSERT_NE(broken.get(), nullptr) << "callers rely on a non-null resource";
    EXPECT_EQ(broken->counter(), 1u);
    EXPECT_FALSE(manager().exists("gfx/broken.png")) << "a failed load must not be shared";
    EXPECT_EQ(manager().resourceCount(), mListed);
    KaIntrusivePtr<TestImage> retried = manager().getResource<TestImage>("gfx/broken.png");
    EXPECT_NE(retried.get(), broken.get());
    EXPECT_EQ(loads.size(), 2u) << "the next request tries again";

    // A class that does not take the path as its name is listed under its
    // default name, so each request loads anew.
    KaIntrusivePtr<TestTiles> tiles = manager().getResource<TestTiles>("gfx/tiles.png");
    KaIntrusivePtr<TestTiles> moreTiles = manager().getResource<TestTiles>("gfx/tiles.png");
    EXPECT_NE(tiles.get(), moreTiles.get());
    EXPECT_TRUE(manager().exists(tiles->getAccessName()));
    EXPECT_EQ(manager().resourceCount(), mListed + 2);
}

TEST_F(KaResourceTest, WithFlagsOffTheFileIsLookedForInTheLanguageFolders)
{
    setLanguage("fr");
    core.get()->setFlagsOn(false);
    struct Case {
        const char* file;
        const char* request;
        bool found;
    };
    const Case cases[] = {
        { "img/pic.png", "img/pic.png", true },
        { "img/fr/pic.png", "img/pic.png", true },
        { "img/en/pic.png", "img/pic.png", true },
        { "img/de/pic.png", "img/pic.png", false },
        { "fr/img/pic.png", "img/pic.png", false },
        // A bare file name: the language folder is beside it, not at the
        // root of the file system.
        { "fr/pic.png", "pic.png", true },
        { "en/pic.png", "pic.png", true },
        { "a/b/fr/pic.png", "a/b/pic.png", true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " for " + c.request);
        KaTempDir tree;
        tree.write(c.file, "data");
        ASSERT_EQ(chdir(tree.path().c_str()), 0);
        loads.clear();
        const unsigned long listed = manager().resourceCount();
        KaCaptureStdout capture;
        KaIntrusivePtr<TestImage> image = manager().getResource<TestImage>(c.request);
        const std::string printed = capture.text();
        EXPECT_EQ(printed, "");
        if (c.found) {
            ASSERT_NE(image.get(), nullptr);
            EXPECT_EQ(loads, std::vector<std::string> { "image:" + std::string(c.request) })
                << "loaded with the path asked for";
            EXPECT_EQ(manager().resourceCount(), listed + 1);
        } else {
            EXPECT_EQ(image.get(), nullptr);
            EXPECT_TRUE(loads.empty());
            EXPECT_EQ(manager().resourceCount(), listed);
        }
        ASSERT_EQ(chdir(mFolder.c_str()), 0);
    }

    // Absolute paths get their language folder beside the file too.
    KaTempDir tree;
    tree.write("fr/abs.png", "data");
    EXPECT_NE(manager().getResource<TestImage>(tree.file("abs.png").c_str()).get(), nullptr);

    // With flags on nothing is tested: a missing file still gives a listed
    // resource (the class's own lookup decides).
    core.get()->setFlagsOn(true);
    KaIntrusivePtr<TestImage> missing = manager().getResource<TestImage>(tree.file("nowhere.png").c_str());
    ASSERT_NE(missing.get(), nullptr);
    EXPECT_TRUE(manager().exists(tree.file("nowhere.png").c_str()));
}

TEST_F(KaResourceTest, DefaultAccessNamesCountInHexadecimal)
{
    bool destroyed = false;
    Watched* first = new Watched(&destroyed);
    Watched* second = new Watched(&destroyed);
    const std::string a = first->getAccessName().c_str();
    const std::string b = second->getAccessName().c_str();
    ASSERT_EQ(a.size(), 16u);
    EXPECT_EQ(a.find_first_not_of("0123456789ABCDEF"), std::string::npos) << a;
    EXPECT_EQ(std::strtoull(b.c_str(), nullptr, 16), std::strtoull(a.c_str(), nullptr, 16) + 1);

    first->generateAccessName();
    EXPECT_EQ(std::strtoull(first->getAccessName().c_str(), nullptr, 16), std::strtoull(b.c_str(), nullptr, 16) + 1);

    manager().addResource(*second);
    EXPECT_TRUE(manager().exists(b.c_str()));
    // Removing what is not listed changes nothing.
    const unsigned long listed = manager().resourceCount();
    manager().removeResource(*first);
    EXPECT_EQ(manager().resourceCount(), listed);
    EXPECT_TRUE(manager().exists(b.c_str()));

    delete second;
    EXPECT_FALSE(manager().exists(b.c_str()));
    delete first;
}

TEST_F(KaResourceTest, ManagerDestroysWhatItStillLists)
{
    bool firstGone = false;
    bool secondGone = false;
    {
        KaResourceManager local;
        local.addResource(*new Watched(&firstGone));
        Watched* second = new Watched(&secondGone);
        second->incrementCounter();
        local.addResource(*second);
        EXPECT_EQ(local.resourceCount(), 2u);
    }
    EXPECT_TRUE(firstGone);
    EXPECT_TRUE(secondGone) << "whatever its count";
}
