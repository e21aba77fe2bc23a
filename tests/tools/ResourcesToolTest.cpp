// The manifest checker run as a developer runs it, on a manifest of the game's own artwork.
#include "support/ScratchFolder.h"
#include "support/SoundTestFiles.h"
#include "support/WholeFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

using namespace Zorbel::Testing;

namespace {

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const std::string& path) {
    return ZorbelTest::ReadWholeFile(path);
}

Outcome RunTool(const ScratchFolder& folder, const std::string& arguments) {
    const std::string command = std::string(ZORBEL_BINARY_DIR) + "/zorbel-resources " + arguments + " >" +
                                folder.Path("out.txt") + " 2>" + folder.Path("err.txt") + " </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(folder.Path("out.txt")),
            ReadAll(folder.Path("err.txt"))};
}

TEST(ResourcesToolTest, ListsEveryGroupOfAManifestAndNamesTheLineOfAMistake) {
    ScratchFolder folder("zorbel-resources-tool");
    ZorbelTest::WriteFile(folder.Path("click.wav"),
                          ZorbelTest::PcmWav(ZorbelTest::ToneSamples(440, 32, 22050), 1, 22050));
    const std::string build = ZORBEL_BINARY_DIR;
    const std::string manifest = folder.Write("game.txt", "Group Menu\n"
                                                          "Image PANEL \"" +
                                                              build +
                                                              "/images/menuBack\"\n"
                                                              "Image BORDER \"" +
                                                              build +
                                                              "/images/border2\" Columns 2\n"
                                                              "Font TESSERA \"" +
                                                              build +
                                                              "/fonts/Tessera.txt\"\n"
                                                              "Group Sounds\n"
                                                              "Sound CLICK click Volume 0.25\n"
                                                              "ProgramFont CAPTION\n");
    Outcome listed = RunTool(folder, manifest);
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find("group Menu\n  image BORDER "), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("  image PANEL "), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("  font TESSERA at 32 points"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("group Sounds\n  sound CLICK in slot 0\n  font CAPTION from the program\n"),
              std::string::npos)
        << listed.out;

    Outcome one = RunTool(folder, "--group Sounds " + manifest);
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_EQ(one.out.find("group Menu"), std::string::npos) << one.out;

    // A sound that is not there stops its group with the line it was written on.
    const std::string broken = folder.Write("broken.txt", "Group Sounds\n\nSound GONE gone\n");
    Outcome failed = RunTool(folder, broken);
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.err,
              "Failed to load sound: " + folder.Path("gone") + " on Line 3 in File '" + broken + "'\n");

    EXPECT_EQ(RunTool(folder, "").exitCode, 2);
}

} // namespace
