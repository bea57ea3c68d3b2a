#include <gtest/gtest.h>

#include <string>

#include "engine/core/KaCore.h"
#include "engine/core/KaXMLLoad.h"
#include "engine/gui/KaTextLayout.h"
#include "engine/script/LocFile.h"
#include "tests/support/KaTestSupport.h"

namespace {

std::string valueOf(const LocFile& table, const char* key)
{
    const KaString* text = table.value(KaString(key));
    return text ? text->c_str() : "<null>";
}

class LocFileTest : public ::testing::Test {
protected:
    std::string write(const char* name, const std::string& text)
    {
        folder.write(name, text);
        return folder.file(name);
    }

    KaTempDir folder;
};

TEST_F(LocFileTest, ReadingStartsAtTheFirstValueEntry)
{
    const std::string path = write("en.xml",
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
        "<dialog name=\"D_LOST\" value=\"before the first value\" />\n"
        "<text name=\"T_LOST\" value=\"also lost\" />\n"
        "<value name=\"MENU_PLAY\" value=\"Play &amp; win\" />\n"
        "<dialog name=\"D_1\" value=\"Hello.\" avatar=\"hero\" />\n"
        "<!-- a comment -->\n"
        "<other name=\"SKIPPED\" value=\"not an entry\" />\n"
        "<dialog name=\"D_2\" value=\"Who goes there?\" avatar=\"guard\" />\n"
        "<text name=\"NO_VALUE\" />\n"
        "<value name=\"MENU_PLAY\" value=\"second of the key\" />\n");
    LocFile table;
    table.load(path.c_str());

    EXPECT_EQ("<null>", valueOf(table, "D_LOST"));
    EXPECT_EQ("<null>", valueOf(table, "T_LOST"));
    EXPECT_EQ("<null>", valueOf(table, "SKIPPED"));
    EXPECT_EQ("Play & win", valueOf(table, "MENU_PLAY")) << "the first entry of a key wins";
    EXPECT_EQ("Hello.", valueOf(table, "D_1"));
    EXPECT_EQ("", valueOf(table, "NO_VALUE")) << "a missing attribute is empty";
    ASSERT_NE(nullptr, table.avatar(KaString("D_2")));
    EXPECT_STREQ("guard", table.avatar(KaString("D_2"))->c_str());
    EXPECT_STREQ("", table.avatar(KaString("MENU_PLAY"))->c_str());
    EXPECT_EQ(nullptr, table.avatar(KaString("D_LOST")));
    EXPECT_EQ(nullptr, KaXMLBuffer) << "the loader's buffer is freed";

    // A dialog run is walked in file order from its first line.
    KaMap<KaString, KaILocData>::KaIterator line = table.table().find(KaString("D_1"));
    std::string run;
    for (; line != table.table().end(); ++line)
        run += std::string(line->key.c_str()) + " ";
    EXPECT_EQ("D_1 D_2 NO_VALUE MENU_PLAY ", run);
}

TEST_F(LocFileTest, ANewLoadOrABadFileEmptiesTheTable)
{
    LocFile table;
    table.load(write("fr.xml", "<value name=\"A\" value=\"un\" /><value name=\"B\" value=\"deux\" />").c_str());
    EXPECT_EQ("un", valueOf(table, "A"));
    table.load(write("de.xml", "<value name=\"B\" value=\"zwei\" />").c_str());
    EXPECT_EQ("<null>", valueOf(table, "A"));
    EXPECT_EQ("zwei", valueOf(table, "B"));

    table.load(write("none.xml", "<dialog name=\"A\" value=\"only dialogs\" />").c_str());
    EXPECT_EQ("<null>", valueOf(table, "A")) << "no value entry: nothing is read";

    struct Case {
        const char* name;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        { "broken.xml", "<value name=\"A\" value=\"x\" /><value name=\"B\" value=\"y\" >", "Error reading" },
        { "empty.xml", "", "Error document empty." },
    };
    for (const Case& test : cases) {
        table.load(write("ok.xml", "<value name=\"A\" value=\"x\" />").c_str());
        const std::string path = write(test.name, test.text);
        KaCaptureStdout capture;
        table.load(path.c_str());
        const std::string printed = capture.text();
        EXPECT_EQ(0u, printed.find("[LocFile::Load] file :" + path + " error : " + test.message)) << printed;
        EXPECT_EQ("<null>", valueOf(table, "A")) << test.name;
    }
    KaCaptureStdout capture;
    table.load("texts/missing.xml");
    EXPECT_NE(std::string::npos, capture.text().find("[LocFile::Load] file :texts/missing.xml error : could not open file\n"));
    EXPECT_EQ(nullptr, KaXMLBuffer);
}

TEST_F(LocFileTest, TheCoreLooksKeysUpInTheRegisteredTable)
{
    KaCore* kaCore = core.get();
    {
        LocFile table;
        table.load(write("en.xml", "<value name=\"TITLE\" value=\"The title\" />").c_str());
        kaCore->addLoc(table);
        ASSERT_EQ(&table, kaCore->loc());
        const KaString* title = kaCore->loc()->text(KaString("TITLE"));
        ASSERT_NE(nullptr, title);
        EXPECT_STREQ("The title", title->c_str());

        LocFile other;
        KaCaptureStdout capture;
        kaCore->addLoc(other);
        EXPECT_EQ("KaCore::addLoc: There is already a loc\n", capture.text());
        EXPECT_EQ(&other, kaCore->loc());
    }
    EXPECT_EQ(nullptr, kaCore->loc()) << "a table that goes away is not looked up any more";
}

// What a translator writes reaches a text's "$(key)": character references
// as the single Latin-1 bytes the fonts map, and markup escaped in the file
// as markup.
TEST_F(LocFileTest, TextLayoutKeysComeFromTheTable)
{
    LocFile table;
    table.load(write("fr.xml", "<value name=\"GREETING\" value=\"Bient&#244;t &#233;t&#233;\" />\n"
                               "<value name=\"TWO_LINES\" value=\"un&lt;br/&gt;deux\" />\n")
                   .c_str());
    core.get()->addLoc(table);
    EXPECT_EQ(std::string("Bient\xF4t \xE9t\xE9 !"), KaTextLayout::substitute("$(GREETING) !").c_str());
    EXPECT_EQ(std::string("un<br/>deux"), KaTextLayout::substitute("$(TWO_LINES)").c_str());
    EXPECT_EQ(std::string("$(MISSING)"), KaTextLayout::substitute("$(MISSING)").c_str());
}

} // namespace
