#include <gtest/gtest.h>

#include "engine/core/KaFacebook.h"
#include "tests/support/KaTestSupport.h"

namespace {

struct LoginListener {
    int calls = 0;
    bool onLogged()
    {
        ++calls;
        return false;
    }
};

} // namespace

// The desktop has no social service: logging in and posting are accepted and
// dropped without a word, and nobody waiting for a login is ever told.
TEST(KaFacebook, ConnectingAndPostingDoNothingAndNeverReportALogin)
{
    LoginListener listener;
    KaCaptureStdout console;
    {
        KaFacebook facebook;
        facebook.onLogged.add(&listener, &LoginListener::onLogged);
        const KaString texts[] = { KaString(), KaString("123456"), KaString("%s%n%d"), KaString("publish_actions") };
        for (const KaString& first : texts)
            for (const KaString& second : texts) {
                facebook.connect(first, second);
                facebook.postToWall(first, second);
            }
        EXPECT_EQ(1u, facebook.onLogged.size()) << "the listener stays connected";
    }
    EXPECT_EQ(0, listener.calls);
    EXPECT_EQ("", console.text());
}
