#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/KaCommandLine.h"

namespace {

KaCommandLine parseWords(std::vector<const char*> words)
{
    words.insert(words.begin(), "kagame");
    return KaCommandLine::parse(static_cast<int>(words.size()), words.data());
}

TEST(KaCommandLineTest, WhatTheArgumentsAskFor)
{
    struct Case {
        std::vector<const char*> words;
        KaCommandLine::Action action;
        int fullScreen, width, height;
        // A piece of the error line, for refusals.
        const char* why;
    } cases[] = {
        { {}, KaCommandLine::Run, -1, 0, 0, "" },
        { { "--help" }, KaCommandLine::Help, -1, 0, 0, "" },
        { { "-h" }, KaCommandLine::Help, -1, 0, 0, "" },
        // Help wins over what comes before it, even a bad option after it.
        { { "--windowed", "--help", "--bogus" }, KaCommandLine::Help, -1, 0, 0, "" },
        { { "--fullscreen" }, KaCommandLine::Run, 1, 0, 0, "" },
        { { "--windowed" }, KaCommandLine::Run, 0, 0, 0, "" },
        { { "--windowed", "1024x768" }, KaCommandLine::Run, 0, 1024, 768, "" },
        { { "--windowed=640x480" }, KaCommandLine::Run, 0, 640, 480, "" },
        // The size is optional: an option after --windowed is not one.
        { { "--windowed", "--fullscreen" }, KaCommandLine::Run, 1, 0, 0, "" },
        { { "--fullscreen", "--windowed", "800x600" }, KaCommandLine::Run, 0, 800, 600, "" },
        // A later --windowed without a size drops the earlier one's.
        { { "--windowed", "800x600", "--windowed" }, KaCommandLine::Run, 0, 0, 0, "" },
        { { "--window" }, KaCommandLine::Error, -1, 0, 0, "unknown option '--window'" },
        { { "-f" }, KaCommandLine::Error, -1, 0, 0, "unknown option '-f'" },
        { { "save.xml" }, KaCommandLine::Error, -1, 0, 0, "unexpected argument 'save.xml'" },
        { { "--windowed", "1024" }, KaCommandLine::Error, -1, 0, 0, "bad window size '1024'" },
        { { "--windowed", "1024x" }, KaCommandLine::Error, -1, 0, 0, "bad window size" },
        { { "--windowed", "x768" }, KaCommandLine::Error, -1, 0, 0, "bad window size" },
        { { "--windowed", "0x768" }, KaCommandLine::Error, -1, 0, 0, "bad window size" },
        { { "--windowed", "1024x768x2" }, KaCommandLine::Error, -1, 0, 0, "bad window size" },
        { { "--windowed", "16385x768" }, KaCommandLine::Error, -1, 0, 0, "bad window size" },
        // Digits enough to overflow any integer are refused, not wrapped.
        { { "--windowed", "99999999999999999999x1" }, KaCommandLine::Error, -1, 0, 0, "bad window size" },
        { { "--windowed=" }, KaCommandLine::Error, -1, 0, 0, "bad window size ''" },
        { { "--windowed", "+800x600" }, KaCommandLine::Error, -1, 0, 0, "bad window size" },
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const char* word : c.words)
            shown += std::string(word) + " ";
        const KaCommandLine line = parseWords(c.words);
        EXPECT_EQ(line.action, c.action) << shown;
        if (c.action == KaCommandLine::Error) {
            EXPECT_NE(line.error.find(c.why), std::string::npos) << shown << ": " << line.error;
            continue;
        }
        EXPECT_TRUE(line.error.empty()) << shown;
        if (c.action == KaCommandLine::Help)
            continue;
        EXPECT_EQ(line.fullScreen, c.fullScreen) << shown;
        EXPECT_EQ(line.width, c.width) << shown;
        EXPECT_EQ(line.height, c.height) << shown;
    }
    // The largest side is taken whole.
    const KaCommandLine largest = parseWords({ "--windowed", "16384x16384" });
    EXPECT_EQ(largest.width, 16384);
    EXPECT_EQ(largest.height, 16384);
}

TEST(KaCommandLineTest, UsageNamesTheProgramAndEveryOption)
{
    const std::string usage = KaCommandLine::usage("/opt/game/bin/kagame");
    EXPECT_EQ(usage.find("Usage: /opt/game/bin/kagame "), 0u) << usage;
    for (const char* option : { "--windowed [WIDTHxHEIGHT]", "--fullscreen", "--help", "Alt+Enter", "F11" })
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    EXPECT_EQ(usage.back(), '\n');
    EXPECT_EQ(KaCommandLine::usage(nullptr).find("Usage: kagame "), 0u);
}

}
