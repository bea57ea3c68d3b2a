#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/core/KaBytesArray.h"
#include "engine/core/KaStream.h"
#include "engine/core/KaString.h"
#include "tests/support/KaTestSupport.h"

namespace {

const unsigned int kAll = 4294967295u;

std::string text(const KaString& s) { return std::string(s.c_str(), s.length()); }

std::string streamBytes(const KaStream& stream)
{
    return std::string(reinterpret_cast<const char*>(stream.data()), stream.bufferLength());
}

// ---------------------------------------------------------------------------
// Sharing

TEST(KaStringSharing, CopyConstructionAndAssignmentShareTheBytes)
{
    KaString original("shared text");
    KaString constructed(original);
    KaString assigned;
    assigned = original;

    EXPECT_EQ(constructed.c_str(), original.c_str());
    EXPECT_EQ(assigned.c_str(), original.c_str());
    EXPECT_EQ(constructed.length(), 11u);
    EXPECT_EQ(assigned.length(), 11u);
}

TEST(KaStringSharing, SelfAssignmentKeepsTheText)
{
    KaString s("keep");
    KaString& alias = s;
    s = alias;
    EXPECT_EQ(text(s), "keep");
}

// Every change made through one handle must leave the other handles' text as
// it was, and only the changed handle gets new bytes.
TEST(KaStringSharing, EveryWriteDetachesOnlyTheWriter)
{
    struct Case {
        const char* name;
        std::function<void(KaString&)> write;
        const char* expected;
    };
    const std::vector<Case> cases = {
        { "append string", [](KaString& s) { s += KaString("!"); }, "Abc/d!" },
        { "append text", [](KaString& s) { s += "!"; }, "Abc/d!" },
        { "append byte", [](KaString& s) { s += '!'; }, "Abc/d!" },
        { "assign text", [](KaString& s) { s = "new"; }, "new" },
        { "set bytes", [](KaString& s) { s.set(reinterpret_cast<const unsigned char*>("xy"), 2); }, "xy" },
        { "lower case", [](KaString& s) { s.setLowerCase(); }, "abc/d" },
        { "upper case", [](KaString& s) { s.setUpperCase(); }, "ABC/D" },
        { "replace", [](KaString& s) { s.replace("/", "-", 1); }, "Abc-d" },
        { "index write", [](KaString& s) { s[0] = 'Z'; }, "Zbc/d" },
        { "format", [](KaString& s) { s.format("%d", 7); }, "7" },
        { "clear", [](KaString& s) { s.clear(); }, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaString original("Abc/d");
        KaString copy(original);
        KaString assigned;
        assigned = original;
        c.write(copy);
        EXPECT_EQ(text(copy), c.expected);
        EXPECT_EQ(text(original), "Abc/d");
        EXPECT_EQ(text(assigned), "Abc/d");
        EXPECT_EQ(assigned.c_str(), original.c_str());
    }
}

TEST(KaStringSharing, NonConstIndexDetachesEvenWhenOnlyRead)
{
    KaString original("abc");
    KaString copy(original);
    const char read = copy[1];
    EXPECT_EQ(read, 'b');
    EXPECT_NE(copy.c_str(), original.c_str());

    const KaString& constView = original;
    KaString other(original);
    EXPECT_EQ(constView[1], 'b');
    EXPECT_EQ(other.c_str(), original.c_str());
}

TEST(KaStringSharing, AppendingAStringToItselfDoublesIt)
{
    KaString alone("ab");
    alone += alone;
    EXPECT_EQ(text(alone), "abab");

    KaString shared("cd");
    KaString keeper(shared);
    shared += shared;
    EXPECT_EQ(text(shared), "cdcd");
    EXPECT_EQ(text(keeper), "cd");
}

// Strings live in arrays that move their bytes; the copies must survive the
// moves and keep sharing correctly.
TEST(KaStringSharing, StringsSurviveBeingMovedInsideAnArray)
{
    KaArray<KaString> strings;
    KaString first("first");
    for (int i = 0; i < 200; ++i)
        strings.pushBack(i % 2 ? first : KaString(i));
    strings.removeAt(0);
    strings.insert(KaString("front"), 0);
    EXPECT_EQ(text(strings[0]), "front");
    EXPECT_EQ(text(strings[1]), "first");
    EXPECT_EQ(text(strings[2]), "2");
    EXPECT_EQ(strings[1].c_str(), first.c_str());
    first += "!";
    EXPECT_EQ(text(strings[1]), "first");
}

TEST(KaStringSharing, DeletedThroughItsObjectBase)
{
    KaObject* object = new KaString("owned");
    delete object;
}

// ---------------------------------------------------------------------------
// Construction and the two empty states

TEST(KaString, TheTwoEmptyStatesDifferOnlyInSplit)
{
    KaString noBytes;
    KaString emptyText("");
    const KaString nullText(static_cast<const char*>(nullptr));
    const KaString* const all[] = { &noBytes, &emptyText, &nullText };
    for (const KaString* s : all) {
        EXPECT_EQ(s->length(), 0u);
        ASSERT_NE(s->c_str(), nullptr);
        EXPECT_STREQ(s->c_str(), "");
    }
    EXPECT_EQ(noBytes.split("-").size(), 0u);
    ASSERT_EQ(emptyText.split("-").size(), 1u);
    EXPECT_EQ(emptyText.split("-")[0].length(), 0u);
    EXPECT_EQ(nullText.split("-").size(), 1u);
}

TEST(KaString, AppendingToAStringWithoutBytesTerminatesIt)
{
    KaString byte;
    byte += 'x';
    EXPECT_EQ(byte.length(), 1u);
    EXPECT_STREQ(byte.c_str(), "x");

    KaString nothing;
    nothing += "";
    EXPECT_EQ(nothing.split("-").size(), 1u);

    KaString indexed;
    indexed[0] = '\0';
    EXPECT_STREQ(indexed.c_str(), "");
}

TEST(KaString, LongAppendSequencesKeepEveryByte)
{
    KaString built;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        const char byte = static_cast<char>('a' + i % 26);
        built += byte;
        expected += byte;
        if (i % 7 == 0) {
            built += "word";
            expected += "word";
        }
        if (i % 500 == 0) {
            KaString snapshot(built);
            built += snapshot;
            expected += expected;
        }
    }
    EXPECT_EQ(built.length(), expected.size());
    EXPECT_EQ(text(built), expected);
    EXPECT_EQ(std::string(built.c_str()), expected);
}

TEST(KaString, NumbersPrintTheirLow32BitsSigned)
{
    EXPECT_EQ(text(KaString(42ul)), "42");
    EXPECT_EQ(text(KaString(4294967295ul)), "-1");
    EXPECT_EQ(text(KaString(-5)), "-5");
    EXPECT_EQ(text(KaString(0)), "0");
    EXPECT_EQ(text(KaString(4294967296ul + 7)), "7");
}

TEST(KaString, BuiltFromBytesKeepsEmbeddedNuls)
{
    const char bytes[] = { 'a', '\0', 'b' };
    KaString fromBuffer(bytes, 3);
    EXPECT_EQ(fromBuffer.length(), 3u);
    EXPECT_EQ(text(fromBuffer), std::string(bytes, 3));

    KaArray<unsigned char> array;
    array.pushBack(reinterpret_cast<const unsigned char*>(bytes), 3);
    const KaString fromArray(KaBytesArray(array), KaString::EncodingUtf8);
    EXPECT_EQ(text(fromArray), std::string(bytes, 3));
    EXPECT_EQ(fromArray.getLength(), 3u);
}

// ---------------------------------------------------------------------------
// Comparison

TEST(KaString, EqualityStopsAtTheFirstNulWhileInequalityComparesLengths)
{
    const char bytes[] = { 'a', '\0', 'b' };
    const KaString withNul(bytes, 3);
    const KaString a("a");
    EXPECT_TRUE(withNul == a);
    EXPECT_TRUE(withNul != a);
    EXPECT_TRUE(withNul == "a");
    EXPECT_FALSE(withNul != "a");
    EXPECT_FALSE("a" != withNul);
    EXPECT_TRUE(a == KaString("a"));
    EXPECT_FALSE(a != KaString("a"));
}

TEST(KaString, OrderIsByteWiseUnsignedWithPrefixesFirst)
{
    EXPECT_TRUE(KaString("ab") < KaString("abc"));
    EXPECT_TRUE(KaString("abc") > KaString("ab"));
    EXPECT_TRUE(KaString("z") < KaString("\xE9"));
    EXPECT_FALSE(KaString("b") < KaString("b"));
    EXPECT_TRUE(KaString() < KaString("a"));
}

TEST(KaString, CmpComparesAtMostCountBytes)
{
    EXPECT_EQ(KaString("abcd").cmp("abzz", 2), 0);
    EXPECT_LT(KaString("abcd").cmp("abzz", 3), 0);
}

// ---------------------------------------------------------------------------
// Search

TEST(KaString, FindAndContainsReportOffsetsFromTheStart)
{
    unsigned long position = 99;
    EXPECT_TRUE(KaString("abcabc").find("ca", &position));
    EXPECT_EQ(position, 2u);
    EXPECT_FALSE(KaString("abc").find("x", &position));
    EXPECT_TRUE(KaString("abc").find("b"));

    position = 99;
    EXPECT_TRUE(KaString("abc").contains("c", 1, &position));
    EXPECT_EQ(position, 2u);
    EXPECT_TRUE(KaString("abcabc").contains("a", 1, &position));
    EXPECT_EQ(position, 3u);
    EXPECT_FALSE(KaString("abc").contains("a", 3, &position));
    EXPECT_FALSE(KaString("abc").contains("a", 1));
    EXPECT_FALSE(KaString().contains("", 0));
}

TEST(KaString, SearchesStopAtTheFirstNul)
{
    const char bytes[] = { 'a', '\0', 'b' };
    const KaString withNul(bytes, 3);
    EXPECT_FALSE(withNul.find("b"));
}

// The replacement table: text, search, replacement, count, result, returned.
TEST(KaString, Replace)
{
    struct Case {
        const char* text;
        const char* search;
        const char* replacement;
        unsigned int count;
        const char* expected;
        bool replaced;
    };
    const Case cases[] = {
        { "a/b/c", "/", "-", 1, "a-b/c", true },
        { "a/b/c", "/", "-", 0, "a/b/c", false },
        { "a/b/c", "/", "-", 2, "a-b-c", true },
        { "a/b/c", "/", "-", 5, "a-b-c", true },
        { "xax", "x", "y", kAll, "yay", true },
        { "abc", "x", "y", kAll, "abc", false },
        { "", "x", "y", kAll, "", false },
        { "abc", "", "y", kAll, "abc", false },
        { "abcbc", "bc", "", kAll, "a", true },
        { "a", "a", "longer", kAll, "longer", true },
        // Text that a replacement brings together is matched again.
        { "aabb", "ab", "a", kAll, "aa", true },
        { "a////b", "//", "/", kAll, "a/b", true },
        // A replacement holding the searched text: each occurrence once, and
        // the search goes on after what was inserted.
        { "banana", "a", "aa", kAll, "baanaanaa", true },
        { "xax", "x", "xx", 2, "xxaxx", true },
        { "aaa", "a", "ba", kAll, "bababa", true },
        { "//", "/", "//", kAll, "////", true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.search + " -> " + c.replacement);
        KaString s(c.text);
        EXPECT_EQ(s.replace(c.search, c.replacement, c.count), c.replaced);
        EXPECT_EQ(text(s), c.expected);
        EXPECT_EQ(std::string(s.c_str()), c.expected);
    }
}

TEST(KaString, ReplaceWithItselfAsTheSearchedText)
{
    KaString s("abc");
    EXPECT_TRUE(s.replace(s, "x", kAll));
    EXPECT_EQ(text(s), "x");

    KaString t("ab");
    EXPECT_TRUE(t.replace("b", t, kAll));
    EXPECT_EQ(text(t), "aab");
}

TEST(KaString, SplitTable)
{
    struct Case {
        const char* text;
        const char* separator;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        { "a--b", "-", { "a", "", "b" } },
        { "a-", "-", { "a", "" } },
        { "-a", "-", { "", "a" } },
        { "", "-", { "" } },
        { "abc", "-", { "abc" } },
        { "a::b::c", "::", { "a", "b", "c" } },
        { "abc", "", { "abc" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " on " + c.separator);
        const KaArray<KaString> pieces = KaString(c.text).split(c.separator);
        ASSERT_EQ(pieces.size(), c.pieces.size());
        for (unsigned long i = 0; i < pieces.size(); ++i)
            EXPECT_EQ(text(pieces[i]), c.pieces[i]);
    }
}

// ---------------------------------------------------------------------------
// Parts of the text

TEST(KaString, PrefixAndSuffixTests)
{
    struct Case {
        const char* text;
        const char* other;
        bool startWith;
        bool endWith;
    };
    const Case cases[] = {
        { "abc", "ab", true, false },
        // Either being a prefix of the other is enough.
        { "ab", "abc", true, false },
        { "abc", "", true, true },
        { "", "abc", true, false },
        { "abc", "bc", false, true },
        { "abc", "abc", true, true },
        { "abc", "abd", false, false },
        { "abc", "xbc", false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " with " + c.other);
        EXPECT_EQ(KaString(c.text).startWith(c.other), c.startWith);
        EXPECT_EQ(KaString(c.text).endWith(c.other), c.endWith);
    }
    const char bytes[] = { 'a', '\0', 'b' };
    EXPECT_TRUE(KaString(bytes, 3).endWith(KaString(bytes + 1, 2)));
    EXPECT_FALSE(KaString(bytes, 3).startWith(KaString("ax")));
    EXPECT_TRUE(KaString().startWith("abc"));
    EXPECT_FALSE(KaString().endWith("abc"));
}

TEST(KaString, SubStrings)
{
    const KaString abc("abc");
    EXPECT_EQ(text(abc.subString(1, 100)), "bc");
    EXPECT_EQ(text(abc.subString(0, 2)), "ab");
    EXPECT_EQ(text(abc.subString(3, 1)), "");
    EXPECT_EQ(text(abc.subString(1, 4294967295ul * 4294967295ul)), "bc");
    EXPECT_EQ(text(KaString().subString(0, 0)), "");

    const char bytes[] = { 'a', '\0', 'b', 'c' };
    EXPECT_EQ(text(KaString(bytes, 4).subString(1, 2)), std::string("\0b", 2));

    const KaString abcd("abcd");
    EXPECT_EQ(text(abcd.subStringDeprecated(1, 2)), "bc");
    EXPECT_EQ(text(abcd.subStringDeprecated(2, 100)), "cd");
    EXPECT_EQ(text(abcd.subStringDeprecated(3, 1)), "");
    EXPECT_EQ(text(abcd.subStringDeprecated(9, 12)), "");
    EXPECT_EQ(text(KaString(bytes, 4).subStringDeprecated(0, 3)), "a");
    EXPECT_EQ(KaString().subStringDeprecated(0, 3).split("-").size(), 1u);
}

// ---------------------------------------------------------------------------
// Case, format, scan, leet

TEST(KaString, CaseChangesTouchAsciiLettersOnly)
{
    const KaString mixed("Ab1-\xC9z@[`{");
    EXPECT_EQ(text(mixed.toLowerCase()), "ab1-\xC9z@[`{");
    EXPECT_EQ(text(mixed.toUpperCase()), "AB1-\xC9Z@[`{");
    EXPECT_EQ(text(mixed), "Ab1-\xC9z@[`{");
}

TEST(KaString, FormatsTextsOfEveryLength)
{
    for (unsigned long size : { 0ul, 1ul, 1022ul, 1023ul, 1024ul, 1025ul, 5000ul, 100000ul }) {
        SCOPED_TRACE(size);
        const std::string payload(size, 'p');
        KaString s("old");
        s.format("<%s|%d|%s>", payload.c_str(), 12345, "tail");
        const std::string expected = "<" + payload + "|12345|tail>";
        EXPECT_EQ(s.length(), expected.size());
        EXPECT_EQ(text(s), expected);
        EXPECT_EQ(std::string(s.c_str()), expected);
    }
}

TEST(KaString, FormatMayReadItsOwnText)
{
    for (unsigned long size : { 10ul, 3000ul }) {
        KaString s(std::string(size, 'q').c_str());
        s.format("%s+%s", s.c_str(), s.c_str());
        EXPECT_EQ(text(s), std::string(size, 'q') + "+" + std::string(size, 'q'));
    }
}

TEST(KaString, ScanParsesTheText)
{
    int number = 0;
    char word[16] = {};
    EXPECT_EQ(KaString("12 apples").scan("%d %15s", &number, word), 2);
    EXPECT_EQ(number, 12);
    EXPECT_STREQ(word, "apples");
    EXPECT_EQ(KaString("none").scan("%d", &number), 0);
}

TEST(KaString, Leet)
{
    const KaString original("Metal Tool");
    EXPECT_EQ(text(original.leet()), "|V|3741 7001");
    EXPECT_EQ(text(original), "Metal Tool");
}

TEST(KaString, ConcatenationOperators)
{
    EXPECT_EQ(text(KaString("ab") + KaString("cd")), "abcd");
    EXPECT_EQ(text(KaString("ab") + 'c'), "abc");
    EXPECT_EQ(text(KaString() + KaString()), "");
    EXPECT_EQ((KaString() + KaString()).split("-").size(), 1u);
    const char bytes[] = { 'a', '\0', 'b' };
    EXPECT_EQ(text(KaString(bytes, 3) + "c"), std::string("a\0bc", 4));
}

// ---------------------------------------------------------------------------
// Serialised form

TEST(KaStringSerialize, WritesALittleEndianLengthThenTheBytes)
{
    KaStream stream;
    const char bytes[] = { 'a', '\0', 'b' };
    EXPECT_TRUE(KaString::serialize(stream, KaString(bytes, 3)));
    EXPECT_TRUE(KaString::serialize(stream, KaString()));
    EXPECT_EQ(streamBytes(stream),
        std::string("\x03\x00\x00\x00"
                    "a\0b"
                    "\x00\x00\x00\x00",
            11));
}

TEST(KaStringSerialize, RoundTrip)
{
    const std::string big(70000, 'b');
    const std::vector<std::string> texts = { "", "path/to/file.png", std::string("x\0y", 3), big };
    KaStream stream;
    for (const std::string& t : texts)
        ASSERT_TRUE(KaString::serialize(stream, KaString(t.data(), t.size())));
    ASSERT_TRUE(stream.seek(0));
    for (const std::string& t : texts) {
        KaString read("previous content");
        ASSERT_TRUE(KaString::deserialize(stream, read));
        EXPECT_EQ(text(read), t);
        EXPECT_EQ(read.c_str()[read.length()], '\0');
    }
}

TEST(KaStringSerialize, AStoredEmptyStringEmptiesTheTarget)
{
    KaStream stream;
    stream.write(0u);
    ASSERT_TRUE(stream.seek(0));
    KaString target("old");
    EXPECT_TRUE(KaString::deserialize(stream, target));
    EXPECT_EQ(target.length(), 0u);
    EXPECT_STREQ(target.c_str(), "");
}

TEST(KaStringSerialize, ALengthBeyondTheStreamIsRefused)
{
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        { "two bytes short",
            std::string("\x05\x00\x00\x00"
                        "abc",
                7) },
        { "no bytes at all", std::string("\x01\x00\x00\x00", 4) },
        { "absurd length",
            std::string("\xFF\xFF\xFF\xFF"
                        "abc",
                7) },
        { "truncated length", std::string("\x05\x00", 2) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaStream stream;
        stream.writeData(c.bytes.data(), c.bytes.size());
        ASSERT_TRUE(stream.seek(0));
        KaString target("old text");
        KaString keeper(target);
        KaCaptureStdout capture;
        EXPECT_FALSE(KaString::deserialize(stream, target));
        const std::string output = capture.text();
        EXPECT_EQ(output.rfind("[KaString::deserialize] ", 0), 0u) << output;
        EXPECT_EQ(target.length(), 0u);
        EXPECT_STREQ(target.c_str(), "");
        EXPECT_EQ(text(keeper), "old text");
    }
}

} // namespace
