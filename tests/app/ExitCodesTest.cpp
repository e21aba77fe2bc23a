// The refusals of the real game program end it with the codes of the one table, so that a script can
// tell them from a normal end.
#include "framework/app/ExitCodes.h"
#include "framework/platform/process/Subprocess.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Zorbel;

namespace {

// Runs the game with the given environment settings and arguments under a time limit (timeout's own
// code 124 tells when the limit ran out), without a desktop to show anything on.
ProcessOutcome RunGame(const std::vector<std::string>& environment,
                       const std::vector<std::string>& arguments) {
    Testing::ScratchFolder folder("tesserine-exit");
    std::vector<std::string> command = {"60",
                                        "env",
                                        "-u",
                                        "DISPLAY",
                                        "-u",
                                        "WAYLAND_DISPLAY",
                                        "XDG_CONFIG_HOME=" + folder.Path("config"),
                                        "XDG_RUNTIME_DIR=" + folder.Path(""),
                                        "ASAN_OPTIONS=detect_leaks=0"};
    command.insert(command.end(), environment.begin(), environment.end());
    command.push_back(std::string(ZORBEL_BINARY_DIR) + "/tesserine");
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunProcess(FindProgramOnPath("timeout"), command);
}

} // namespace

TEST(ExitCodesTest, RefusalsEndTheGameWithTheirOwnCodes) {
    ProcessOutcome invalid = RunGame({"SDL_VIDEODRIVER=dummy"}, {"-nonsense"});
    ASSERT_TRUE(invalid.exited);
    EXPECT_EQ(invalid.exitCode, EXIT_CODE_COMMAND_LINE);
    EXPECT_NE(invalid.errors.find("Invalid Command Line Param: -nonsense"), std::string::npos)
        << invalid.errors;

    // No video driver of that name: the window system cannot be set up at all.
    ProcessOutcome noDisplay = RunGame({"SDL_VIDEODRIVER=none-such"}, {});
    ASSERT_TRUE(noDisplay.exited);
    EXPECT_EQ(noDisplay.exitCode, EXIT_CODE_DISPLAY);
    EXPECT_NE(noDisplay.errors.find("This application requires DirectX to run."), std::string::npos)
        << noDisplay.errors;
}
