#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/core/KaGetLanguage.h"

namespace {

const char* const kVariables[] = { "LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG" };

// Puts the locale variables back as they were.
class KaGetLanguageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 4; ++i) {
            const char* value = std::getenv(kVariables[i]);
            mSet[i] = value != nullptr;
            mSaved[i] = value ? value : "";
        }
    }

    void TearDown() override
    {
        for (int i = 0; i < 4; ++i) {
            if (mSet[i])
                setenv(kVariables[i], mSaved[i].c_str(), 1);
            else
                unsetenv(kVariables[i]);
        }
    }

    bool mSet[4] = {};
    std::string mSaved[4];
};

struct Case {
    // LANGUAGE, LC_ALL, LC_MESSAGES, LANG; null: unset
    const char* values[4];
    const char* expected;
};

} // namespace

TEST_F(KaGetLanguageTest, TableOfEnvironments)
{
    const Case cases[] = {
        { { nullptr, nullptr, nullptr, nullptr }, "en" },
        { { "", "", "", "" }, "en" },
        { { nullptr, nullptr, nullptr, "fr_FR.UTF-8" }, "fr" },
        { { nullptr, nullptr, nullptr, "de_DE@euro" }, "de" },
        { { nullptr, nullptr, nullptr, "sr_RS.UTF-8@latin" }, "sr" },
        { { nullptr, nullptr, nullptr, "es_ES" }, "es" },
        { { nullptr, nullptr, nullptr, "pt_BR" }, "pt" },
        { { nullptr, nullptr, nullptr, "zh-Hans" }, "zh" },
        { { nullptr, nullptr, nullptr, "it" }, "it" },
        { { nullptr, nullptr, nullptr, "C" }, "en" },
        { { nullptr, nullptr, nullptr, "C.UTF-8" }, "en" },
        { { nullptr, nullptr, nullptr, "POSIX" }, "en" },
        { { nullptr, nullptr, nullptr, ".UTF-8" }, "en" },
        { { nullptr, nullptr, nullptr, "_US" }, "en" },
        // Precedence: LANGUAGE, LC_ALL, LC_MESSAGES, LANG; empty ones skipped.
        { { "ru_RU:en_US", "de_DE.UTF-8", "it_IT", "fr_FR" }, "ru" },
        { { ":es:en", nullptr, nullptr, "fr_FR" }, "es" },
        { { "", "de_DE.UTF-8", "it_IT", "fr_FR" }, "de" },
        { { ":", "", "it_IT.UTF-8", "fr_FR" }, "it" },
        { { nullptr, nullptr, nullptr, "fr_FR" }, "fr" },
        { { nullptr, "C", nullptr, "fr_FR" }, "en" },
    };
    for (const Case& c : cases) {
        std::string label;
        for (int i = 0; i < 4; ++i) {
            if (c.values[i])
                setenv(kVariables[i], c.values[i], 1);
            else
                unsetenv(kVariables[i]);
            label += std::string(kVariables[i]) + "=" + (c.values[i] ? c.values[i] : "(unset)") + " ";
        }
        EXPECT_STREQ(KaGetLanguage().c_str(), c.expected) << label;
    }
}
