#include <gtest/gtest.h>

#include <lauxlib.h>
#include <tinyxml.h>

#include <cmath>
#include <string>

#include "engine/core/KaXMLLoad.h"
#include "engine/script/KaLuaContext.h"
#include "tests/support/KaTestSupport.h"

namespace {

bool run(KaLuaContext& context, const char* code)
{
    lua_State* state = context.luaState();
    if (luaL_loadstring(state, code) != LUA_OK || lua_pcall(state, 0, 0, 0) != LUA_OK) {
        ADD_FAILURE() << lua_tostring(state, -1);
        lua_pop(state, 1);
        return false;
    }
    return true;
}

// The saved element as the game writes it, printed and parsed again as the
// next load will read it.
std::string savedText(const KaLuaContext& context)
{
    TiXmlElement element("ContextLua");
    context.save(element);
    TiXmlPrinter printer;
    element.Accept(&printer);
    return printer.CStr();
}

void restore(KaLuaContext& context, const std::string& text)
{
    TiXmlDocument document;
    document.Parse(text.c_str());
    ASSERT_FALSE(document.Error()) << document.ErrorDesc() << "\n" << text;
    context.load(*document.RootElement());
}

const TiXmlElement* savedElement(const TiXmlElement& root, const char* name)
{
    for (const TiXmlElement* element = root.FirstChildElement(); element; element = element->NextSiblingElement()) {
        if (element->Attribute("name") && std::string(element->Attribute("name")) == name)
            return element;
    }
    return nullptr;
}

TEST(KaLuaContextSaveTest, ScalarsRoundTripExactly)
{
    KaLuaContext written;
    ASSERT_TRUE(run(written, "yes = true ; no = false ; three = 3 ; small = 1e-7 ; seven = 0.1234567"
                             "; negative = -123456.789 ; huge = 2^60 + 1 ; tiny = 5e-324"
                             "; markup = '<a href=\"x\">&amp; \\'quoted\\' </a>' ; empty = ''"));
    const std::string text = savedText(written);

    KaLuaContext read;
    restore(read, text);
    lua_State* state = read.luaState();
    ASSERT_TRUE(run(read, "assert(yes == true and no == false and three == 3)"
                          "assert(small == 1e-7, 'small') ; assert(seven == 0.1234567, 'seven')"
                          "assert(negative == -123456.789) ; assert(huge == 2^60 + 1) ; assert(tiny == 5e-324)"
                          "assert(markup == '<a href=\"x\">&amp; \\'quoted\\' </a>', markup) ; assert(empty == '')"));
    EXPECT_EQ(0, lua_gettop(state));

    // Written as one element per global, numbers without lost digits.
    TiXmlDocument document;
    document.Parse(text.c_str());
    const TiXmlElement* root = document.RootElement();
    ASSERT_NE(nullptr, root);
    const TiXmlElement* yes = savedElement(*root, "yes");
    ASSERT_NE(nullptr, yes);
    EXPECT_STREQ("Boolean", yes->Value());
    EXPECT_STREQ("1", yes->Attribute("value"));
    const TiXmlElement* seven = savedElement(*root, "seven");
    ASSERT_NE(nullptr, seven);
    EXPECT_STREQ("Number", seven->Value());
    EXPECT_STREQ("0.1234567", seven->Attribute("value"));
    EXPECT_STREQ("String", savedElement(*root, "_VERSION")->Value()) << "every scalar global, Lua's own too";
}

TEST(KaLuaContextSaveTest, OnlyScalarGlobalsAreWrittenAndOthersKeepTheirValues)
{
    KaLuaContext written;
    ASSERT_TRUE(run(written, "list = { 1, 2 } ; action = function() end ; gone = nil ; kept = 'saved'"));
    const std::string text = savedText(written);
    TiXmlDocument document;
    document.Parse(text.c_str());
    for (const char* name : { "list", "action", "gone", "print", "string" })
        EXPECT_EQ(nullptr, savedElement(*document.RootElement(), name)) << name;

    KaLuaContext read;
    ASSERT_TRUE(run(read, "list = 'mine' ; action = 5 ; kept = 'before'"));
    restore(read, text);
    ASSERT_TRUE(run(read, "assert(list == 'mine' and action == 5 and kept == 'saved')"));
}

TEST(KaLuaContextSaveTest, OlderSavesAndLooseValuesStillLoad)
{
    KaLuaContext context;
    ASSERT_TRUE(run(context, "untouched = 'same'"));
    restore(context,
        "<ContextLua>"
        "<Number name=\"three\" value=\"3.000000\" />"
        "<Number name=\"rounded\" value=\"0.123457\" />"
        "<Boolean name=\"seven\" value=\"7\" />"
        "<Boolean name=\"zero\" value=\"0\" />"
        "<String name=\"twice\" value=\"first\" />"
        "<String name=\"twice\" value=\"second\" />"
        "<Table name=\"other\" value=\"1\" />"
        "<!-- a comment -->"
        "</ContextLua>");
    ASSERT_TRUE(run(context, "assert(three == 3 and rounded == 0.123457 and seven == true and zero == false)"
                             "assert(twice == 'second' and other == nil and untouched == 'same')"));
}

// A save comes from the player's disk: it may name any global.
TEST(KaLuaContextSaveTest, AHostileSaveReplacesNothingButScalars)
{
    KaLuaContext context;
    ASSERT_TRUE(run(context, "score = 1 ; name = 'x' ; OnClick = function() return 'click' end"));
    restore(context,
        "<ContextLua>"
        "<String name=\"print\" value=\"pwned\" />"
        "<Number name=\"string\" value=\"1\" />"
        "<Boolean name=\"_G\" value=\"0\" />"
        "<String name=\"OnClick\" value=\"x\" />"
        "<String name=\"score\" />"
        "<Number name=\"name\" value=\"not a number\" />"
        "<Boolean value=\"1\" />"
        "<Number name=\"fresh\" value=\"12\" />"
        "<Number name=\"score\" value=\"5\" />"
        "</ContextLua>");
    ASSERT_TRUE(run(context, "assert(type(print) == 'function' and type(string) == 'table' and type(_G) == 'table')"
                             "assert(OnClick() == 'click', 'script functions stay')"
                             "assert(score == 5, 'elements without a value are skipped, later ones apply')"
                             "assert(name == 'x' and fresh == 12)"));
}

TEST(KaLuaContextSaveTest, NumbersAtTheEdges)
{
    KaLuaContext written;
    ASSERT_TRUE(run(written, "inf = math.huge ; minf = -math.huge ; nz = -0.0 ; big = 1.7976931348623157e308"));
    KaLuaContext read;
    restore(read, savedText(written));
    ASSERT_TRUE(run(read, "assert(inf == math.huge and minf == -math.huge and big == 1.7976931348623157e308)"
                          "assert(nz == 0 and 1 / nz < 0)"));
}

} // namespace

namespace {

TEST(KaLuaContextSaveTest, EveryStringAScriptCanHoldComesBackByteForByte)
{
    // Single-byte French text, every byte value (a zero among them), markup,
    // the writer's own escape ("&#x41;" must not come back as "A"), the
    // empty string, a few hundred kilobytes, and a name that is not ASCII.
    const char* const setup = "latin = 'caf\\233 cr\\232me'"
                              "; local all = {} ; for b = 0, 255 do all[#all + 1] = string.char(b) end"
                              "; bytes = table.concat(all)"
                              "; markup = '<a href=\"x\">&amp; \\'q\\' </a>' ; reference = '&#x41;' ; cut = 'x&#x'"
                              "; empty = '' ; big = string.rep('\\233<&\\0', 75000) ; _G['na\\239ve'] = 'named'";
    const char* const check = "assert(latin == 'caf\\233 cr\\232me', 'latin')"
                              "; for b = 0, 255 do assert(bytes:byte(b + 1) == b, 'byte ' .. b) end"
                              "; assert(#bytes == 256, 'bytes')"
                              "; assert(markup == '<a href=\"x\">&amp; \\'q\\' </a>', 'markup')"
                              "; assert(reference == '&#x41;', reference) ; assert(cut == 'x&#x', cut)"
                              "; assert(empty == '', 'empty') ; assert(big == string.rep('\\233<&\\0', 75000), 'big')"
                              "; assert(#big == 300000) ; assert(_G['na\\239ve'] == 'named', 'name')";
    KaLuaContext written;
    ASSERT_TRUE(run(written, setup));

    // Written as the game writes its saves: a declared single-byte encoding,
    // to a file, read back by the loader.
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "ISO-8859-1", ""));
    TiXmlElement* globals = new TiXmlElement("ContextLua");
    written.save(*globals);
    document.LinkEndChild(globals);
    KaTempDir folder;
    const std::string path = folder.file("globals.xml");
    ASSERT_TRUE(KaXMLSave(path.c_str(), document));
    TiXmlDocument loaded;
    ASSERT_TRUE(KaXMLLoad(path.c_str(), loaded, "[test]"));
    KaXMLFreeBuffer();

    KaLuaContext read;
    read.load(*loaded.RootElement());
    ASSERT_TRUE(run(read, check));
}

TEST(KaLuaContextSaveTest, AStringWithoutAValueRemovesThatGlobal)
{
    KaLuaContext context;
    ASSERT_TRUE(run(context, "gone = 'before' ; kept = 'before' ; count = 3 ; action = function() end"));
    restore(context,
        "<ContextLua><String name=\"gone\" /><String name=\"count\" /><String name=\"action\" />"
        "<Number name=\"kept\" /></ContextLua>");
    // A number or a boolean without a value is damaged and skipped; a
    // function is never replaced.
    ASSERT_TRUE(run(context, "assert(gone == nil, 'gone') ; assert(count == nil, 'count')"
                             "; assert(kept == 'before', 'kept') ; assert(type(action) == 'function', 'action')"));
}

} // namespace
