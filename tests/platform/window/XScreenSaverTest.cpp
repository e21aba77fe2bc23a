#include "framework/platform/window/XScreenSaver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace Zorbel;

TEST(XScreenSaverTest, WithoutADisplayNothingIsKnown) {
    const char* saved = std::getenv("DISPLAY");
    std::string display = saved ? saved : "";
    unsetenv("DISPLAY");
    XScreenSaver saver;
    ScreenSaverState state;
    state.timeoutSeconds = 77;
    EXPECT_FALSE(saver.Query(state));
    EXPECT_EQ(state.timeoutSeconds, 77);
    if (saved) setenv("DISPLAY", display.c_str(), 1);
}

// Run under an X server (the end-to-end scripts set DISPLAY), the server's settings come through.
TEST(XScreenSaverTest, AnXServerReportsItsTimeoutAndIdleTime) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no X display";
    XScreenSaver saver;
    ScreenSaverState state;
    ASSERT_TRUE(saver.Query(state));
    EXPECT_GE(state.timeoutSeconds, 0);
    EXPECT_FALSE(state.running);
}
