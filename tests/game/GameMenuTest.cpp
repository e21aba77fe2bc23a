#include "game/GameHarness.h"

#include "framework/imagelib/ImageLib.h"
#include "framework/platform/VirtualKey.h"

#include <algorithm>
#include <fstream>
#include <iterator>

using Tesserine::Board;
using namespace TesserineTest;

namespace {

// Alt+Enter as the desktop reports it to the game's window.
void AltEnter(Tesserine::GameApp& app) {
    Zorbel::WindowMessage message;
    message.window = app.GetMainWindow();
    message.kind = Zorbel::MessageKind::SysKeyDown;
    message.value = Zorbel::VirtualKey::Return;
    app.WindowProc(message);
    app.ProcessQueuedMessages(true);
}

} // namespace

// The corner shows the button that leads out of the mode the game is in, however the mode was
// switched: by the buttons or by Alt+Enter while the menu is up.
TEST_F(GameFixture, TheScreenModeButtonFollowsTheModeAlsoWhenAltEnterSwitchesIt) {
    StartGame();
    Steps(92);
    ASSERT_TRUE(Menu().IsAtRest());
    ASSERT_TRUE(app->IsWindowed());
    EXPECT_TRUE(Button(Board::BUTTON_FULL_SCREEN).IsVisible());
    EXPECT_FALSE(Button(Board::BUTTON_WINDOW).IsVisible());

    AltEnter(*app);
    ASSERT_FALSE(app->IsWindowed());
    Steps(1);
    EXPECT_TRUE(Button(Board::BUTTON_WINDOW).IsVisible());
    EXPECT_FALSE(Button(Board::BUTTON_FULL_SCREEN).IsVisible());

    // The button shown now does what it says.
    board->ButtonReleased(Board::BUTTON_WINDOW);
    EXPECT_TRUE(app->IsWindowed());
    EXPECT_TRUE(Button(Board::BUTTON_FULL_SCREEN).IsVisible());
    EXPECT_FALSE(Button(Board::BUTTON_WINDOW).IsVisible());

    AltEnter(*app);
    Steps(1);
    AltEnter(*app);
    Steps(1);
    EXPECT_TRUE(app->IsWindowed());
    EXPECT_TRUE(Button(Board::BUTTON_FULL_SCREEN).IsVisible());
    EXPECT_FALSE(Button(Board::BUTTON_WINDOW).IsVisible());

    // Closing the menu hides both, and a switch meanwhile brings neither back.
    board->ButtonReleased(Board::BUTTON_NEW_GAME);
    AltEnter(*app);
    Steps(92);
    EXPECT_FALSE(Menu().IsVisible());
    EXPECT_FALSE(Button(Board::BUTTON_FULL_SCREEN).IsVisible());
    EXPECT_FALSE(Button(Board::BUTTON_WINDOW).IsVisible());
}

// A picture of the player's that cannot be loaded is a notice, not the end: the game, its picture and
// the picture chosen before stay as they were.
TEST_F(GameFixture, AChosenPictureThatFailsIsANoticeAndTheGameGoesOn) {
    StartGame();
    StartPuzzle(4);
    Zorbel::MemoryImage* picture = board->GetPicture();
    const uint32_t centre = PixelAt(picture, 400, 300);
    board->MouseDown(0, 0, -1);
    Steps(92);
    ASSERT_TRUE(Menu().IsAtRest());

    // A good picture first, which stays chosen through the failures.
    auto good = Zorbel::ImageLib::Image::Create(1700, 1300);
    ASSERT_NE(good, nullptr);
    std::fill_n(good->GetBits(), good->GetPixelCount(), 0xFF2080C0u);
    const std::string goodPath = (root / "IMG_0001.PNG").string();
    ASSERT_TRUE(Zorbel::ImageLib::WritePng(goodPath, *good));
    chooser->AnswerChosen(goodPath);
    board->ButtonReleased(Board::BUTTON_CHANGE_IMAGE);
    Zorbel::MemoryImage* pending = Menu().GetPendingPicture();
    ASSERT_NE(pending, nullptr);
    EXPECT_EQ(pending->GetWidth(), 800);
    EXPECT_TRUE(Near(PixelAt(pending, 400, 300), 0xFF2080C0u));
    const uint32_t preview = PixelAt(Menu().GetPanel(), 346, 282);

    // A truncated picture, a folder with a picture's name and a file that is no picture at all.
    std::string truncated = (root / "cut.png").string();
    {
        std::ifstream in(goodPath, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream(truncated, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    }
    std::filesystem::create_directories(root / "folder.png");
    std::ofstream(root / "text.jpg") << "not a picture";
    for (const std::string& path :
         {truncated, (root / "folder.png").string(), (root / "text.jpg").string()}) {
        const size_t boxes = windows.MessageBoxes().size();
        chooser->AnswerChosen(path);
        board->ButtonReleased(Board::BUTTON_CHANGE_IMAGE);
        ASSERT_EQ(windows.MessageBoxes().size(), boxes + 1) << path;
        const Zorbel::MessageBoxRequest& box = windows.MessageBoxes().back();
        EXPECT_EQ(box.text, "There was an error loading the file: " + path);
        EXPECT_EQ(box.caption, "Tesserine");
        EXPECT_EQ(box.style, Zorbel::MessageBoxStyle::Ok | Zorbel::MessageBoxStyle::IconWarning);
        EXPECT_FALSE(app->IsShuttingDown());
        EXPECT_EQ(Menu().GetPendingPicture(), pending) << path;
        EXPECT_EQ(PixelAt(Menu().GetPanel(), 346, 282), preview) << path;
    }

    // Cancel goes back to the game in progress, whose picture never changed.
    board->ButtonReleased(Board::BUTTON_CANCEL);
    Steps(92);
    EXPECT_FALSE(Menu().IsVisible());
    EXPECT_EQ(board->GetPicture(), picture);
    EXPECT_EQ(PixelAt(board->GetPicture(), 400, 300), centre);
    EXPECT_TRUE(board->GetModel().HasGrid());
}
