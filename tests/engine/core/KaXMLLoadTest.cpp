#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include <tinyxml.h>

#include "engine/core/KaFile.h"
#include "engine/core/KaXMLLoad.h"
#include "tests/engine/core/KaFileLayerFixture.h"
#include "tests/support/KaTestSupport.h"

namespace {

class KaXMLLoadTest : public KaFileLayerTest {
protected:
    void TearDown() override
    {
        KaXMLFreeBuffer();
        KaFileLayerTest::TearDown();
    }
};

TEST_F(KaXMLLoadTest, ALoadedFileStaysInTheSharedBufferUntilTheNextLoad)
{
    const std::string text = "<?xml version=\"1.0\" ?>\n<root a=\"1\"><child>t</child></root>\n";
    write("good.xml", text);

    TiXmlDocument document;
    ASSERT_TRUE(KaXMLLoad("good.xml", document, "[Test::load]"));
    ASSERT_NE(nullptr, document.RootElement());
    EXPECT_STREQ("root", document.RootElement()->Value());
    EXPECT_STREQ("t", document.RootElement()->FirstChildElement("child")->GetText());
    ASSERT_NE(nullptr, KaXMLBuffer);
    EXPECT_EQ(0, std::memcmp(KaXMLBuffer, text.data(), text.size()));
    EXPECT_EQ(0, KaXMLBuffer[text.size()]);

    // The next load frees the previous bytes first, even when its own file
    // is missing; the parsed document does not depend on them.
    KaCaptureStdout capture;
    TiXmlDocument other;
    EXPECT_FALSE(KaXMLLoad("missing.xml", other, "[Test::load]"));
    EXPECT_EQ("KaBaseFile::nativeOpen: Can't open \"" + mRoot.file("missing.xml")
            + "\", No such file or directory\n"
              "[Test::load] file :missing.xml error : could not open file\n",
        capture.text());
    EXPECT_EQ(nullptr, KaXMLBuffer);
    EXPECT_STREQ("1", document.RootElement()->Attribute("a"));

    KaXMLFreeBuffer();
    EXPECT_EQ(nullptr, KaXMLBuffer);
}

TEST_F(KaXMLLoadTest, ParseErrorsGiveTheDescriptionAndPlace)
{
    struct Case {
        const char* name;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        { "broken.xml", "<a>\n  <b>\n</a>\n",
            "[Test::load] file :broken.xml error : Error reading end tag. ligne : 3 colonne : 1\n" },
        // Column 13 is the second c.
        { "attribute.xml", "<a>\n\n   <b c=\"1\" c=\"2\"/></a>",
            "[Test::load] file :attribute.xml error : Error parsing Element. ligne : 3 colonne : 13\n" },
        { "empty.xml", "", "[Test::load] file :empty.xml error : Error document empty. ligne : 0 colonne : 0\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.name, c.text);
        TiXmlDocument document;
        KaCaptureStdout capture;
        EXPECT_FALSE(KaXMLLoad(c.name, document, "[Test::load]"));
        EXPECT_EQ(c.message, capture.text());
        EXPECT_EQ(nullptr, KaXMLBuffer) << "a parse error frees the shared buffer";
    }
}

TEST_F(KaXMLLoadTest, ACallersBufferIsKeptEvenOnAParseError)
{
    write("broken.xml", "<a>");
    write("good.xml", "<b/>");
    unsigned char* mine = nullptr;
    TiXmlDocument document;
    {
        KaCaptureStdout quiet;
        EXPECT_FALSE(KaXMLLoad("broken.xml", document, "[Test::load]", &mine));
    }
    ASSERT_NE(nullptr, mine);
    EXPECT_STREQ("<a>", reinterpret_cast<char*>(mine));
    delete[] mine;

    mine = nullptr;
    TiXmlDocument good;
    EXPECT_TRUE(KaXMLLoad("good.xml", good, "[Test::load]", &mine));
    EXPECT_STREQ("<b/>", reinterpret_cast<char*>(mine));
    EXPECT_EQ(nullptr, KaXMLBuffer) << "the shared buffer is not involved";
    delete[] mine;
}

TEST_F(KaXMLLoadTest, ThePathIsResolvedLikeAnyContentFile)
{
    write("texts/fr/loc.xml", "<loc/>");
    variants("fr");
    TiXmlDocument document;
    EXPECT_TRUE(KaXMLLoad("texts/loc.xml", document, "[Test::load]"));
    EXPECT_STREQ("loc", document.RootElement()->Value());
}

TEST_F(KaXMLLoadTest, SavingReplacesTheFileInOneStep)
{
    write("out.xml", "old");
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlElement("fresh"));
    ASSERT_TRUE(KaXMLSave(mRoot.file("out.xml").c_str(), document));
    EXPECT_EQ("<fresh />\n", readWhole(mRoot.file("out.xml")));
    EXPECT_FALSE(exists(mRoot.file("out.xml.tmp")));

    // Nothing is written where the folder is a file, and no path at all is
    // refused rather than written beside the program.
    write("plain");
    EXPECT_FALSE(KaXMLSave(mRoot.file("plain/out.xml").c_str(), document));
    EXPECT_FALSE(KaXMLSave("", document));
    EXPECT_FALSE(exists(".tmp"));
}

TEST_F(KaXMLLoadTest, ADocumentSurvivesSavingAndLoadingAgain)
{
    const char* const texts[] = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?><r />",
        // TinyXML decodes entities in a declaration but writes the values
        // raw: each of these would lose its value on the next load.
        "<?xml version=\"a&amp;b\" ?><r />",
        "<?xml version=\"&quot;\" encoding=\"&lt;&gt;\" standalone='&apos;' ?><r />",
        "<r><?xml version=\"1&amp;\" ?></r>",
        // Carriage returns are read as they stand, the first time and after
        // the save alike.
        "<r a=\"1\r\n2\">t\r\nu<!-- c\r\n --><!x\r></r>\r\n",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        write("in.xml", text);
        TiXmlDocument document;
        ASSERT_TRUE(KaXMLLoad(mRoot.file("in.xml").c_str(), document, "[Test::load]"));
        ASSERT_TRUE(KaXMLSave(mRoot.file("out.xml").c_str(), document));

        TiXmlDocument again;
        ASSERT_TRUE(KaXMLLoad(mRoot.file("out.xml").c_str(), again, "[Test::load]"));
        TiXmlPrinter before;
        TiXmlPrinter after;
        document.Accept(&before);
        again.Accept(&after);
        EXPECT_STREQ(before.CStr(), after.CStr());
    }
    // Saving does not touch the caller's document.
    TiXmlDocument document;
    document.Parse("<?xml version=\"a&amp;b\" ?><r />");
    ASSERT_TRUE(KaXMLSave(mRoot.file("out.xml").c_str(), document));
    EXPECT_STREQ("a&b", document.FirstChild()->ToDeclaration()->Version());
}

TEST_F(KaXMLLoadTest, TextThatWouldNotReadBackIsNotSavedOverTheOldFile)
{
    // TinyXML reads this (an unquoted value holding bytes that are not
    // UTF-8) but writes text it refuses on the next load: saving it over a
    // good file would lose that file.
    write("in.xml", "\xef\xbb\xbf\xef\xbb\xbf<r a=\xde<V\xd8/>'\xc3\xbf\xef\xbb\xbf<r a='\xc3\xa9'/>'\xc3\xa9'/>\xa9'/>");
    TiXmlDocument document;
    ASSERT_TRUE(KaXMLLoad(mRoot.file("in.xml").c_str(), document, "[Test::load]"));
    write("out.xml", "<good />\n");

    errno = 0;
    EXPECT_FALSE(KaXMLSave(mRoot.file("out.xml").c_str(), document));
    EXPECT_EQ(EILSEQ, errno);
    EXPECT_EQ("<good />\n", readWhole(mRoot.file("out.xml")));
    EXPECT_FALSE(exists(mRoot.file("out.xml.tmp")));
}

} // namespace

namespace {

TEST_F(KaXMLLoadTest, AFileEndingInsideAMultiByteCharacterIsReadWithinItsBytes)
{
    // TinyXML skips the whole length a UTF-8 lead byte announces, even past
    // the end of the text; under AddressSanitizer these read outside the
    // loader's buffer unless it ends with enough terminators. Whatever the
    // parser makes of the cut text, a refusal names the file.
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        { "bom and entity", std::string("\xef\xbb\xbf<?xml &<r><r>\xc3", 17) },
        { "declaration", std::string("<?xml version=\"1.0\"\xf3", 20) },
        { "entity", std::string("<r>&\xf3", 5) },
        { "attribute", std::string("<r a=\xf4", 6) },
        { "text", std::string("<r>a\xe2", 5) },
        { "name", std::string("<\xf0", 2) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write("cut.xml", c.text);
        KaCaptureStdout capture;
        TiXmlDocument document;
        if (!KaXMLLoad("cut.xml", document, "[Test::load]")) {
            const std::string said = capture.text();
            EXPECT_NE(std::string::npos, said.find("[Test::load] file :cut.xml error : ")) << said;
        }

        // What the parser reads past the text depends on whatever follows
        // the buffer, so the terminators it can reach are checked directly.
        unsigned char* bytes = nullptr;
        TiXmlDocument again;
        KaXMLLoad("cut.xml", again, "[Test::load]", &bytes);
        ASSERT_NE(nullptr, bytes);
        for (size_t past = 0; past < 4; ++past)
            EXPECT_EQ(0, bytes[c.text.size() + past]) << past;
        delete[] bytes;
    }
}

} // namespace

namespace {

// How deep TinyXML really nested what it parsed (the partial tree of a text
// it refused included: every node it began is linked).
unsigned int treeDepth(const TiXmlNode* node)
{
    unsigned int deepest = 0;
    for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
        const unsigned int below = treeDepth(child) + (child->ToElement() ? 1 : 0);
        if (below > deepest)
            deepest = below;
    }
    return deepest;
}

TEST(KaXMLNestingTest, TheMeasureIsNeverBelowTheDepthTinyXMLReaches)
{
    // Random texts built from the pieces where a reading could get out of
    // step with TinyXML's: quotes inside values, a self-closing mark inside a
    // value, UTF-8 lead bytes that swallow the next bytes, comments, CDATA,
    // declarations that switch the encoding, closing tags hidden in each.
    const char* const pieces[] = { "<a>", "</a>", "<b x=\"", "\">", "\"/>", "<b x='", "'>", "'/>", "<c/>", "<!--",
        "-->", "<![CDATA[", "]]>", "<?xml version=\"1.0\"?>", "<?xml encoding=\"ISO-8859-1\"?>",
        "<?xml encoding='UTF&#x2D;8'?>", "<?xml version=\"", "\xc3", "\xe2", "\xf0", "\xef\xbb\xbf", " ", "=",
        "<a y=", "<!x>", "<1", ">", "/", "&#x41;", "&", "<_", "</b>", "</c>", "\"", "'", "x", "<?", "</a >", "\t", "\xc0", "\xf5", "&#x3C;", "\xef\xbf\xbe" };
    const unsigned int count = sizeof pieces / sizeof pieces[0];
    const TiXmlEncoding encodings[] = { TIXML_ENCODING_UNKNOWN, TIXML_ENCODING_UTF8, TIXML_ENCODING_LEGACY };
    unsigned int seed = 35;
    unsigned int deepSeen = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        seed = seed * 1103515245u + 12345u;
        const unsigned int length = 1 + (seed >> 16) % 40;
        for (unsigned int i = 0; i < length; ++i) {
            seed = seed * 1103515245u + 12345u;
            text += pieces[(seed >> 16) % count];
        }
        text.append(8, '\0');
        for (TiXmlEncoding encoding : encodings) {
            TiXmlDocument document;
            document.Parse(text.c_str(), nullptr, encoding);
            const unsigned int real = treeDepth(&document);
            const unsigned int measured = KaXMLNestingDepth(text.c_str(), encoding, 1000);
            ASSERT_GE(measured, real) << "round " << round << " encoding " << encoding << ": " << text.c_str();
            if (real > deepSeen)
                deepSeen = real;
        }
    }
    // The texts did nest: the comparison was not between zeros.
    EXPECT_GE(deepSeen, 3u);
}

TEST(KaXMLNestingTest, OrdinaryDocumentsMeasureTheirOwnDepth)
{
    struct Case {
        const char* text;
        unsigned int depth;
    };
    const Case cases[] = {
        { "", 0 },
        { "<?xml version=\"1.0\"?><r/>", 1 },
        { "<r><a x=\"<b>\" y='>'/><c><d>t</d></c></r>", 3 },
        { "<!-- <a><a><a> --><r><![CDATA[<a><a>]]></r>", 1 },
        { "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r v=\"caf\xe9\"><s/></r>", 2 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.depth, KaXMLNestingDepth(c.text, TIXML_ENCODING_UNKNOWN)) << c.text;
}

TEST(KaXMLNestingTest, TheEncodingTheTextIsReadInIsTheOneTinyXMLChooses)
{
    struct Case {
        const char* text;
        TiXmlEncoding used;
    };
    const Case cases[] = {
        { "<r/>", TIXML_ENCODING_UNKNOWN },
        { "<?xml version=\"1.0\" ?><r/>", TIXML_ENCODING_UTF8 },
        { "\xef\xbb\xbf<r/>", TIXML_ENCODING_UTF8 },
        { "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><r/>", TIXML_ENCODING_LEGACY },
        { "<?xml version=\"1.0\" encoding=\"utf-8\" ?><r/>", TIXML_ENCODING_UTF8 },
        { "<!-- first --><?xml encoding='latin1'?><r/>", TIXML_ENCODING_LEGACY },
        // Only a declaration at the top chooses.
        { "<r><?xml encoding='latin1'?></r>", TIXML_ENCODING_UNKNOWN },
    };
    for (const Case& c : cases) {
        TiXmlEncoding used = TIXML_ENCODING_UTF8;
        KaXMLNestingDepth(c.text, TIXML_ENCODING_UNKNOWN, KaXMLMaxDepth, &used);
        EXPECT_EQ(c.used, used) << c.text;
    }
}

std::string nested(unsigned int levels, const char* open = "<a>", const char* close = "</a>")
{
    std::string text;
    for (unsigned int i = 0; i < levels; ++i)
        text += open;
    for (unsigned int i = 0; i < levels; ++i)
        text += close;
    return text;
}

TEST_F(KaXMLLoadTest, ADocumentNestedTooDeeplyIsRefusedBeforeItIsParsed)
{
    // Forty thousand levels overflow the stack of TinyXML's recursive parser
    // (under AddressSanitizer, far fewer); they must never reach it.
    write("limit.xml", nested(KaXMLMaxDepth));
    TiXmlDocument atLimit;
    EXPECT_TRUE(KaXMLLoad("limit.xml", atLimit, "[Test::load]"));

    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        { "one level too many", nested(KaXMLMaxDepth + 1) },
        { "plain", nested(50000) },
        { "never closed", std::string(nested(50000)).substr(0, 150000) },
        { "values hiding a self-closing mark", nested(50000, "<a v=\"/>\">") },
        { "declared UTF-8 swallowing the quote",
            "<?xml version=\"1.0\"?>" + nested(50000, "<a v=\"\xc3\"/>\">") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write("deep.xml", c.text);
        KaCaptureStdout capture;
        TiXmlDocument document;
        EXPECT_FALSE(KaXMLLoad("deep.xml", document, "[Test::load]"));
        EXPECT_EQ("[Test::load] file :deep.xml error : elements nested too deeply ligne : 0 colonne : 0\n",
            capture.text());
        EXPECT_TRUE(document.Error());
        EXPECT_EQ(nullptr, document.FirstChild());
        EXPECT_EQ(nullptr, KaXMLBuffer);
    }
}

TEST_F(KaXMLLoadTest, AnyBytesInAnAttributeComeBackAsTheyWere)
{
    // With a declared single-byte encoding, bytes above 127 are kept as they
    // are; markup, control bytes, a zero byte and TinyXML's pass-through of
    // "&#x" all come back.
    const std::string values[] = { std::string("caf\xe9 cr\xe8me"), "<a href=\"x\">&amp;'</a>", "&#x41;", "&#x", "&",
        std::string("a\0b", 3), "\t\r\n \x01\x7f", "", "  spaces  ", std::string(300 * 1024, '\xe9') };
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "ISO-8859-1", ""));
    TiXmlElement* root = new TiXmlElement("r");
    document.LinkEndChild(root);
    for (const std::string& value : values) {
        TiXmlElement* element = new TiXmlElement("v");
        KaXMLSetAttribute(*element, "value", value.data(), value.size());
        root->LinkEndChild(element);
    }
    const std::string path = mRoot.file("bytes.xml");
    ASSERT_TRUE(KaXMLSave(path.c_str(), document));

    TiXmlDocument loaded;
    ASSERT_TRUE(KaXMLLoad(path.c_str(), loaded, "[Test::load]"));
    const TiXmlElement* element = loaded.RootElement()->FirstChildElement("v");
    for (const std::string& value : values) {
        ASSERT_NE(nullptr, element);
        KaString read;
        ASSERT_TRUE(KaXMLAttribute(*element, "value", read));
        EXPECT_EQ(value, std::string(read.c_str(), read.length())) << value.substr(0, 40);
        element = element->NextSiblingElement("v");
    }
    KaString missing;
    EXPECT_FALSE(KaXMLAttribute(*loaded.RootElement(), "value", missing));
}

} // namespace
