#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/core/KaBytesArray.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaStream.h"

namespace {

std::string text(const KaString& s) { return std::string(s.c_str(), s.length()); }

const unsigned char* bytesOf(const char* s) { return reinterpret_cast<const unsigned char*>(s); }

TEST(KaPath, NormalisesEverySeparatorRun)
{
    struct Case {
        const char* input;
        const char* expected;
    };
    const Case cases[] = {
        { "a\\b//c", "a/b/c" },
        { "a///b", "a/b" },
        { "//server/x", "/server/x" },
        { "\\\\x", "/x" },
        { "a/\\/\\b", "a/b" },
        { "dir\\", "dir/" },
        { "////", "/" },
        { "a/b/c.png", "a/b/c.png" },
        { "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const KaPath path(c.input);
        EXPECT_EQ(text(path), c.expected);
        EXPECT_EQ(std::string(path.c_str()), c.expected);
    }
}

// Each way a text gets into a path must normalise, including the string
// operations that reach the path's overrides through virtual calls.
TEST(KaPath, EveryEntryPointNormalises)
{
    struct Case {
        const char* name;
        std::function<void(KaPath&)> write;
        const char* expected;
    };
    const std::vector<Case> cases = {
        { "assign text", [](KaPath& p) { p = "x\\\\y"; }, "x/y" },
        { "assign string", [](KaPath& p) { p = KaString("x//y"); }, "x/y" },
        { "set string", [](KaPath& p) { p.set(KaString("x\\y")); }, "x/y" },
        { "set bytes", [](KaPath& p) { p.set(bytesOf("x//y"), 4); }, "x/y" },
        { "set array",
            [](KaPath& p) {
                KaArray<unsigned char> array;
                array.pushBack(bytesOf("x\\y"), 3);
                p.set(KaBytesArray(array), KaString::EncodingAscii);
            },
            "x/y" },
        { "append string", [](KaPath& p) { p += KaString("/x"); }, "dir/x" },
        { "append text", [](KaPath& p) { p += "\\x"; }, "dir/x" },
        { "append byte", [](KaPath& p) { p += '/'; }, "dir/" },
        { "append through a string reference",
            [](KaPath& p) {
                KaString& asString = p;
                asString += "//x";
            },
            "dir/x" },
        { "assign through a string reference",
            [](KaPath& p) {
                KaString& asString = p;
                asString = "a\\b";
            },
            "a/b" },
        { "format", [](KaPath& p) { p.format("%s//%s", "a", "b"); }, "a/b" },
        { "change extension", [](KaPath& p) { p.changeExtension("\\x"); }, "dir/./x" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaPath path("dir/");
        c.write(path);
        EXPECT_EQ(text(path), c.expected);
    }
}

TEST(KaPath, ACanonicalStringKeepsSharingItsBytes)
{
    const KaString canonical("a/b/c");
    const KaPath same(canonical);
    EXPECT_EQ(same.c_str(), canonical.c_str());

    const KaString messy("a//b");
    const KaPath fixed(messy);
    EXPECT_EQ(text(fixed), "a/b");
    EXPECT_EQ(text(messy), "a//b");

    const KaPath copy(fixed);
    EXPECT_EQ(copy.c_str(), fixed.c_str());
}

// path, directory, fileName, extension, completeExtension, after removeExtension
TEST(KaPath, PathParts)
{
    struct Case {
        const char* path;
        const char* directory;
        const char* fileName;
        const char* extension;
        const char* completeExtension;
        const char* withoutExtension;
    };
    const Case cases[] = {
        { "a/b/c.png", "a/b", "c.png", "png", "png", "a/b/c" },
        { "c.png", "", "c.png", "png", "png", "c" },
        { "/c", "", "c", "", "", "/c" },
        { "a/", "a", "", "", "", "a/" },
        { "a/b.c.png", "a", "b.c.png", "png", "c.png", "a/b.c" },
        { "x.jpg.zlib", "", "x.jpg.zlib", "zlib", "jpg.zlib", "x.jpg" },
        { "./x.png", ".", "x.png", "png", "/x.png", "./x" },
        { "abc", "", "abc", "", "", "abc" },
        { "", "", "", "", "", "" },
        // The last dot anywhere separates the extension, even in a folder name.
        { "a.d/file", "a.d", "file", "d/file", "d/file", "a" },
        { "a.b/c", "a.b", "c", "b/c", "b/c", "a" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const KaPath path(c.path);
        EXPECT_EQ(text(path.directory()), c.directory);
        EXPECT_EQ(text(path.fileName()), c.fileName);
        EXPECT_EQ(text(path.extension()), c.extension);
        EXPECT_EQ(text(path.completeExtension()), c.completeExtension);
        KaPath cut(path);
        cut.removeExtension();
        EXPECT_EQ(text(cut), c.withoutExtension);
        EXPECT_EQ(std::string(cut.c_str()), c.withoutExtension);
        EXPECT_EQ(text(path), c.path);
    }
}

TEST(KaPath, ChangeExtension)
{
    struct Case {
        const char* path;
        const char* extension;
        const char* expected;
    };
    const Case cases[] = {
        { "a.png", "jpg", "a.jpg" },
        { "a", "jpg", "a.jpg" },
        { "dir/a.tar.gz", "zip", "dir/a.tar.zip" },
        { "a.png", "", "a." },
        { "a.d/file", "png", "a.png" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        KaPath path(c.path);
        path.changeExtension(c.extension);
        EXPECT_EQ(text(path), c.expected);
        EXPECT_EQ(std::string(path.c_str()), c.expected);
        EXPECT_EQ(text(path.extension()), c.extension);
    }
}

TEST(KaPath, RemovingTheExtensionLeavesTheCopiesAlone)
{
    const KaPath original("dir/file.png");
    KaPath cut(original);
    cut.removeExtension();
    EXPECT_EQ(text(cut), "dir/file");
    EXPECT_EQ(text(original), "dir/file.png");
    cut += ".jpg";
    EXPECT_EQ(text(cut), "dir/file.jpg");
}

TEST(KaPath, SubStringOfAPathIsAPlainString)
{
    const KaPath path("a/b");
    KaString piece = path.subString(0, 2);
    piece += "/x";
    EXPECT_EQ(text(piece), "a//x");
}

TEST(KaPath, PathsSurviveBeingMovedInsideAnArray)
{
    KaArray<KaPath> paths;
    for (int i = 0; i < 100; ++i) {
        KaPath path("dir\\");
        path += KaString(i);
        paths.pushBack(path);
    }
    paths.removeAt(0);
    EXPECT_EQ(text(paths[0]), "dir/1");
    EXPECT_EQ(text(paths[98]), "dir/99");
    paths[5] += "//x";
    EXPECT_EQ(text(paths[5]), "dir/6/x");
}

TEST(KaPath, SerialisedLikeAString)
{
    KaStream stream;
    ASSERT_TRUE(KaString::serialize(stream, KaPath("a\\b.png")));
    ASSERT_TRUE(stream.seek(0));
    KaPath read;
    ASSERT_TRUE(KaString::deserialize(stream, read));
    EXPECT_EQ(text(read), "a/b.png");
    EXPECT_EQ(text(read.extension()), "png");
}

} // namespace
