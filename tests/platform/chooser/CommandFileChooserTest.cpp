#include "framework/platform/chooser/CommandFileChooser.h"

#include "support/FakeChooserTool.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace Zorbel;
using ZorbelTest::FakeChooserTools;
using Tool = CommandFileChooser::Tool;
using Arguments = std::vector<std::string>;

namespace {

FileChooserRequest PictureRequest() {
    FileChooserRequest request;
    request.title = "Choose Image to Load";
    request.filter = {"Images", {"*.jpg", "*.png", "*.tga", "*.gif"}};
    request.startFolder = "/home/player/My \"Pictures\"";
    request.ownerWindow = "x11:1a00007";
    return request;
}

const std::string AwkwardPath = "/tmp/holiday snaps/Tom's \"best\" | $HOME *.jpg";

class CommandFileChooserTest : public ::testing::Test {
protected:
    FakeChooserTools tools{::testing::UnitTest::GetInstance()->current_test_info()->name()};
};

} // namespace

TEST_F(CommandFileChooserTest, ZenityGetsTitleFolderFilterAndOwnerAsSeparateArguments) {
    tools.Install("zenity");
    tools.Answer(AwkwardPath, 0);
    CommandFileChooser chooser(Tool::Zenity);
    EXPECT_EQ(chooser.ChooseFileToOpen(PictureRequest()), FileChooserResult::Chosen(AwkwardPath));
    EXPECT_EQ(tools.Arguments(),
              (Arguments{"--file-selection", "--title=Choose Image to Load",
                         "--filename=/home/player/My \"Pictures\"/",
                         "--file-filter=Images | *.jpg *.JPG *.png *.PNG *.tga *.TGA *.gif *.GIF",
                         "--attach=27262983"}));
}

TEST_F(CommandFileChooserTest, KdialogGetsTitleOwnerFolderAndFilter) {
    tools.Install("kdialog");
    tools.Answer(AwkwardPath, 0);
    CommandFileChooser chooser(Tool::Kdialog);
    EXPECT_EQ(chooser.ChooseFileToOpen(PictureRequest()), FileChooserResult::Chosen(AwkwardPath));
    EXPECT_EQ(tools.Arguments(), (Arguments{"--title", "Choose Image to Load", "--attach", "27262983",
                                            "--getopenfilename", "/home/player/My \"Pictures\"",
                                            "*.jpg *.JPG *.png *.PNG *.tga *.TGA *.gif *.GIF|Images"}));
}

TEST_F(CommandFileChooserTest, LeftOutFolderOwnerAndFilterLeaveTheirArgumentsOut) {
    FileChooserRequest request;
    request.title = "Pick";
    request.ownerWindow = "wayland:abc"; // only X window ids can be passed on
    // A bar would split the tools' filter text into caption and patterns.
    FileChooserRequest filtered = request;
    filtered.filter = {"Sounds | music", {"*.ogg"}};
    EXPECT_EQ(CommandFileChooser::Arguments(Tool::Zenity, request),
              (Arguments{"--file-selection", "--title=Pick"}));
    EXPECT_EQ(CommandFileChooser::Arguments(Tool::Kdialog, request),
              (Arguments{"--title", "Pick", "--getopenfilename", "."}));
    EXPECT_EQ(CommandFileChooser::Arguments(Tool::Zenity, filtered).back(),
              "--file-filter=Sounds   music | *.ogg *.OGG");
    EXPECT_EQ(CommandFileChooser::Arguments(Tool::Kdialog, filtered).back(), "*.ogg *.OGG|Sounds   music");
    request.ownerWindow = "x11:zz";
    EXPECT_EQ(CommandFileChooser::Arguments(Tool::Zenity, request).size(), 2u);
}

TEST_F(CommandFileChooserTest, ExitOneWithoutOutputIsACancel) {
    for (Tool tool : {Tool::Zenity, Tool::Kdialog}) {
        tools.Install(tool == Tool::Zenity ? "zenity" : "kdialog");
        tools.ForgetRuns();
        tools.Answer("", 1, "Gtk-Message: dialog mapped without a transient parent");
        EXPECT_EQ(CommandFileChooser(tool).ChooseFileToOpen(PictureRequest()),
                  FileChooserResult::Cancelled());
        EXPECT_TRUE(tools.Ran());
    }
}

TEST_F(CommandFileChooserTest, ARelativeAnswerBecomesAbsolute) {
    tools.Install("zenity");
    tools.Answer("pictures/cat.png", 0);
    FileChooserResult result = CommandFileChooser(Tool::Zenity).ChooseFileToOpen(PictureRequest());
    EXPECT_EQ(result,
              FileChooserResult::Chosen((std::filesystem::current_path() / "pictures/cat.png").string()));
}

TEST_F(CommandFileChooserTest, FailuresToShowAreUnavailableNotCancelled) {
    tools.Install("zenity");
    CommandFileChooser chooser(Tool::Zenity);
    // GTK gives the code of a cancel when it cannot reach the display, but says why.
    tools.Answer("", 1, "(zenity:4242): Gtk-WARNING **: cannot open display: :97");
    EXPECT_EQ(chooser.ChooseFileToOpen(PictureRequest()), FileChooserResult::Unavailable());
    tools.Answer("", 255);
    EXPECT_EQ(chooser.ChooseFileToOpen(PictureRequest()), FileChooserResult::Unavailable());
    tools.Answer(AwkwardPath, 0);
    tools.DieBySignal();
    EXPECT_EQ(chooser.ChooseFileToOpen(PictureRequest()), FileChooserResult::Unavailable());
}

TEST_F(CommandFileChooserTest, AMissingProgramIsUnavailable) {
    tools.Environment().Set("PATH", tools.Folder().string());
    EXPECT_EQ(CommandFileChooser(Tool::Kdialog).ChooseFileToOpen(PictureRequest()),
              FileChooserResult::Unavailable());
    // Nor is a file that cannot be run taken for the program.
    std::ofstream(tools.Folder() / "kdialog") << "not a program\n";
    EXPECT_EQ(CommandFileChooser(Tool::Kdialog).ChooseFileToOpen(PictureRequest()),
              FileChooserResult::Unavailable());
}

TEST_F(CommandFileChooserTest, WithoutADisplayNothingIsRun) {
    tools.Install("zenity");
    tools.Answer(AwkwardPath, 0);
    tools.Environment().Unset("DISPLAY");
    EXPECT_EQ(CommandFileChooser(Tool::Zenity).ChooseFileToOpen(PictureRequest()),
              FileChooserResult::Unavailable());
    EXPECT_FALSE(tools.Ran());
    tools.Environment().Set("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_EQ(CommandFileChooser(Tool::Zenity).ChooseFileToOpen(PictureRequest()),
              FileChooserResult::Chosen(AwkwardPath));
}
