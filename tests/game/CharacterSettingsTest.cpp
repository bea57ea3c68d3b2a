#include "tests/game/ApplicationTestFixture.h"

#include <string>

#include <tinyxml.h>

#include "game/characters/Character.h"

namespace {

std::string vec(const KaVector3f32& v)
{
    KaString text;
    text.format("(%g,%g,%g)", v.x, v.y, v.z);
    return text.c_str();
}

// One line per record field that the game reads or carries, so that a table
// row shows the whole record.
std::string describe(const Character::CharacterSettings& s)
{
    std::string text = std::string("file=") + s.modelFileName.c_str() + " scale=" + vec(s.defaultScale)
        + " demi=" + vec(s.cutSceneCurveDemi) + " idle=" + s.walk.animationFileName.c_str();
    KaString speed;
    speed.format(" speed=%g", s.walk.speed);
    text += speed.c_str();
    for (unsigned long i = 0; i < s.walk.walkTypes.size(); ++i) {
        const Character::MoveFiles& type = s.walk.walkTypes[i];
        text += std::string(" | ") + type.name.c_str() + ":";
        for (unsigned int p = 0; p < Character::mWalkPartCount; ++p) {
            KaString part;
            part.format(" %u=%s,%d,%d", p, type.parts[p].file.c_str(), type.parts[p].stepLeft, type.parts[p].stepRight);
            text += part.c_str();
        }
    }
    for (unsigned long i = 0; i < s.faces.size(); ++i) {
        text += std::string(" | face ") + s.faces[i].name.c_str() + " eyes=" + s.faces[i].eyes.c_str()
            + " mouth=" + s.faces[i].mouth.c_str();
    }
    for (unsigned long i = 0; i < s.bodies.size(); ++i)
        text += std::string(" | body ") + s.bodies[i].name.c_str() + "=" + s.bodies[i].text.c_str();
    return text;
}

std::string settingsFile(const std::string& models)
{
    return "<?xml version=\"1.0\" ?>\n<ModelsSettings>\n" + models + "</ModelsSettings>\n";
}

class CharacterSettingsTest : public ApplicationTest {
protected:
    void TearDown() override
    {
        // The table is class-wide: the next test starts from nothing.
        content.write("empty.xml", settingsFile(""));
        Character::loadSettings("empty.xml");
        ApplicationTest::TearDown();
    }

    std::string load(const std::string& text, bool* result = nullptr)
    {
        content.write("models/ModelsSettings.xml", text);
        KaCaptureStdout console;
        const bool loaded = Character::loadSettings("models/ModelsSettings.xml");
        if (result)
            *result = loaded;
        return console.text();
    }

    static std::string record(const char* name)
    {
        const auto& table = Character::charactersSettings();
        const auto found = table.find(name);
        return found == table.end() ? "(none)" : describe(found->second);
    }
};

} // namespace

TEST_F(CharacterSettingsTest, EachModelGivesItsRecord)
{
    struct Case {
        const char* name;
        const char* model;
        const char* expected;
    };
    const Case cases[] = {
        { "no scale: zero scale, empty walk",
            "<modelFileName>Mira/mira.kamd</modelFileName>",
            "file=Mira/mira.kamd scale=(0,0,0) demi=(0,0,0) idle= speed=0" },
        { "scale, curve offset and idle",
            "<modelFileName>a.kamd</modelFileName><defaultScale>1.5,2,-3</defaultScale>"
            "<cutSceneCurveDemi><position>0,-12.5,4</position></cutSceneCurveDemi>"
            "<walk><animationFileName>idle.kaan</animationFileName><speed>2.5</speed></walk>",
            "file=a.kamd scale=(1.5,2,-3) demi=(0,-12.5,4) idle=idle.kaan speed=2.5" },
        { "a walk type naming only its loop",
            "<walk><walkType name=\"Walk\"><loop file=\"w_loop.kaan\" stepLeft=\"13\" stepRight=\"29\" /></walkType></walk>",
            "file= scale=(0,0,0) demi=(0,0,0) idle= speed=0 | Walk: 0=,-1,-1 1=w_loop.kaan,13,29 2=,-1,-1 3=,-1,-1" },
        { "parts in any order land on their numbers; a missing step attribute is -1",
            "<walk><walkType name=\"Jog\"><endD file=\"d.kaan\" stepLeft=\"12\" /><endG file=\"g.kaan\" stepRight=\"4\" />"
            "<start file=\"s.kaan\" /><run file=\"skipped.kaan\" /><loop file=\"l.kaan\" /></walkType></walk>",
            "file= scale=(0,0,0) demi=(0,0,0) idle= speed=0 | Jog: 0=s.kaan,-1,-1 1=l.kaan,-1,-1 2=g.kaan,-1,4 "
            "3=d.kaan,12,-1" },
        { "two walk elements: types appended, the later idle and speed win",
            "<walk><animationFileName>a.kaan</animationFileName><speed>1</speed>"
            "<walkType name=\"Walk\"><start file=\"ws.kaan\" /></walkType></walk>"
            "<walk><animationFileName>b.kaan</animationFileName><speed>3</speed>"
            "<walkType name=\"Jog\"><start file=\"js.kaan\" /></walkType></walk>",
            "file= scale=(0,0,0) demi=(0,0,0) idle=b.kaan speed=3 | Walk: 0=ws.kaan,-1,-1 1=,-1,-1 2=,-1,-1 3=,-1,-1"
            " | Jog: 0=js.kaan,-1,-1 1=,-1,-1 2=,-1,-1 3=,-1,-1" },
        { "faces and bodies in document order, absent parts empty",
            "<face name=\"default\"><eyes>eyes_B_open</eyes><mouth>mouth_Y_smile</mouth></face>"
            "<body name=\"coat\">coat_B_</body><face name=\"sad\"><mouth>mouth_Y_sad</mouth></face><face name=\"blank\" />",
            "file= scale=(0,0,0) demi=(0,0,0) idle= speed=0 | face default eyes=eyes_B_open mouth=mouth_Y_smile"
            " | face sad eyes= mouth=mouth_Y_sad | face blank eyes= mouth= | body coat=coat_B_" },
        { "unknown elements are skipped",
            "<colour>red</colour><modelFileName>b.kamd</modelFileName><walk><jump /></walk>",
            "file=b.kamd scale=(0,0,0) demi=(0,0,0) idle= speed=0" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool loaded = false;
        EXPECT_EQ("", load(settingsFile(std::string("<Model name=\"M\">") + c.model + "</Model>\n"), &loaded));
        EXPECT_TRUE(loaded);
        EXPECT_EQ(c.expected, record("M"));
        EXPECT_EQ(1u, Character::charactersSettings().size());
    }
}

TEST_F(CharacterSettingsTest, ALaterModelOfTheSameNameReplacesTheEarlierWhole)
{
    load(settingsFile("<Model name=\"A\"><modelFileName>first.kamd</modelFileName>"
                      "<face name=\"default\"><eyes>e</eyes></face></Model>\n"
                      "<Other name=\"B\" />\n"
                      "<Model name=\"A\"><modelFileName>second.kamd</modelFileName></Model>\n"
                      "<Model name=\"B\"><defaultScale>2,2,2</defaultScale></Model>\n"));
    EXPECT_EQ("file=second.kamd scale=(0,0,0) demi=(0,0,0) idle= speed=0", record("A"));
    EXPECT_EQ("file= scale=(2,2,2) demi=(0,0,0) idle= speed=0", record("B"));
    EXPECT_EQ(2u, Character::charactersSettings().size());
}

TEST_F(CharacterSettingsTest, ReloadingKeepsOnlyTheSecondFilesModels)
{
    load(settingsFile("<Model name=\"A\" /><Model name=\"B\" />"));
    ASSERT_EQ(2u, Character::charactersSettings().size());
    load(settingsFile("<Model name=\"C\"><modelFileName>c.kamd</modelFileName></Model>"));
    EXPECT_EQ(1u, Character::charactersSettings().size());
    EXPECT_EQ("(none)", record("A"));
    EXPECT_EQ("file=c.kamd scale=(0,0,0) demi=(0,0,0) idle= speed=0", record("C"));
}

TEST_F(CharacterSettingsTest, AnUnreadableFileEmptiesTheTable)
{
    struct Case {
        const char* name;
        const char* text;
        const char* console;
    };
    const Case cases[] = {
        { "not well-formed", "<ModelsSettings><Model name=\"A\">",
            "[Character::loadSettings] file :models/ModelsSettings.xml error : " },
        { "another root", "<Models><Model name=\"A\" /></Models>", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        load(settingsFile("<Model name=\"Old\" />"));
        ASSERT_EQ(1u, Character::charactersSettings().size());
        bool loaded = true;
        const std::string console = load(c.text, &loaded);
        EXPECT_FALSE(loaded);
        EXPECT_EQ(0u, console.find(c.console)) << console;
        EXPECT_TRUE(Character::charactersSettings().empty());
    }

    content.write("models/ModelsSettings.xml", settingsFile("<Model name=\"Old\" />"));
    Character::loadSettings("models/ModelsSettings.xml");
    KaCaptureStdout console;
    EXPECT_FALSE(Character::loadSettings("models/Missing.xml"));
    const std::string text = console.text();
    EXPECT_NE(std::string::npos,
        text.find("[Character::loadSettings] file :models/Missing.xml error : could not open file\n"))
        << text;
    EXPECT_TRUE(Character::charactersSettings().empty());
}

TEST_F(CharacterSettingsTest, AWalkElementIsReadOnlyWhenThereIsOne)
{
    Character::CharacterSettings::Walk walk;
    EXPECT_FALSE(Character::deserialize(nullptr, walk));
    TiXmlElement empty("walk");
    EXPECT_TRUE(Character::deserialize(&empty, walk));
    EXPECT_EQ(0u, walk.walkTypes.size());
}
