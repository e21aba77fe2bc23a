#include "game/GameHarness.h"

#include "framework/app/MTRand.h"
#include "framework/graphics/ImageContext.h"
#include "framework/imagelib/ImageLib.h"
#include "framework/platform/VirtualKey.h"
#include "framework/widget/WidgetManager.h"
#include "game/BoardHost.h"
#include "support/StubWidgetHost.h"

#include <gtest/gtest-spi.h>

#include <algorithm>

using Tesserine::Board;
using Tesserine::Tile;
using namespace TesserineTest;

namespace {

int GapIndex(Board& board) {
    auto& model = board.GetModel();
    for (int i = 0; i < model.CellCount(); ++i)
        if (model.TileAt(i).value == 0) return i;
    return -1;
}

int MovableIndex(Board& board) {
    auto& model = board.GetModel();
    for (int i = 0; i < model.CellCount(); ++i)
        if (model.TileAt(i).moveDir != Tile::MOVE_NONE) return i;
    return -1;
}

void HoverCell(Board& board, int index) {
    auto& model = board.GetModel();
    int n = model.Difficulty();
    board.MouseMove((index % n) * model.TileWidth() + model.TileWidth() / 2,
                    (index / n) * model.TileHeight() + model.TileHeight() / 2);
}

} // namespace

TEST_F(GameFixture, MenuSlidesInOverTheTitleAndCannotBeDismissedBeforeTheFirstGame) {
    StartGame();
    ASSERT_NE(board, nullptr);
    EXPECT_TRUE(windows.MessageBoxes().empty());
    EXPECT_TRUE(Menu().IsVisible());
    EXPECT_FALSE(Button(Board::BUTTON_CANCEL).IsVisible());
    EXPECT_TRUE(Button(Board::BUTTON_QUIT).IsDisabled());
    EXPECT_EQ(Button(Board::BUTTON_QUIT).GetRect().y, -183);

    Steps(91);
    EXPECT_FALSE(Menu().IsAtRest());
    Steps(1);
    EXPECT_TRUE(Menu().IsAtRest()) << "the slide takes 92 steps";
    EXPECT_EQ(Menu().GetPanelY(), 0);
    EXPECT_EQ(Button(Board::BUTTON_QUIT).GetRect().y, 367) << "buttons land on their open places";
    EXPECT_EQ(Button(Board::BUTTON_DIFFICULTY_MORE).GetRect().y, 154);
    EXPECT_FALSE(Button(Board::BUTTON_NEW_GAME).IsDisabled());
    EXPECT_FALSE(Button(Board::BUTTON_DIFFICULTY_LESS).IsDisabled());
    EXPECT_TRUE(Button(Board::BUTTON_FULL_SCREEN).IsVisible()) << "windowed: offer full screen";
    EXPECT_FALSE(Button(Board::BUTTON_WINDOW).IsVisible());

    board->MouseDown(400, 300, -1);
    board->KeyDown(27);
    EXPECT_TRUE(Menu().IsAtRest()) << "right click and Escape cannot close the first menu";

    // The menu shows the title behind the panel: a pixel below the panel is the title's.
    auto frame = Frame();
    EXPECT_EQ(PixelAt(frame, 400, 590), PixelAt(Menu().GetBackdrop(), 400, 590));
    EXPECT_EQ(PixelAt(frame, 60, 10) | 0xFF000000u, PixelAt(Menu().GetPanel(), 10, 10) | 0xFF000000u);
}

TEST_F(GameFixture, DifficultyButtonsStopAtThreeAndSeven) {
    StartGame();
    Steps(92);
    board->ButtonReleased(Board::BUTTON_DIFFICULTY_LESS);
    EXPECT_EQ(Menu().GetDifficulty(), 3);
    EXPECT_TRUE(Button(Board::BUTTON_DIFFICULTY_LESS).IsDisabled());
    for (int i = 0; i < 4; ++i)
        board->ButtonReleased(Board::BUTTON_DIFFICULTY_MORE);
    EXPECT_EQ(Menu().GetDifficulty(), 7);
    EXPECT_TRUE(Button(Board::BUTTON_DIFFICULTY_MORE).IsDisabled());
    EXPECT_FALSE(Button(Board::BUTTON_DIFFICULTY_LESS).IsDisabled());
}

TEST_F(GameFixture, NewGameShufflesAndTheMenuSlidesAwayOverThePuzzle) {
    StartGame();
    StartPuzzle(5);
    EXPECT_FALSE(Menu().IsVisible());
    EXPECT_EQ(board->GetModel().Difficulty(), 5);
    EXPECT_FALSE(Button(Board::BUTTON_QUIT).IsVisible());
    EXPECT_EQ(Button(Board::BUTTON_QUIT).GetRect().y, -183) << "back at their hidden places";

    // The gap is black; every other cell shows its piece of the picture in the middle.
    auto frame = Frame();
    auto& model = board->GetModel();
    const int tileW = model.TileWidth(), tileH = model.TileHeight();
    for (int i = 0; i < model.CellCount(); ++i) {
        int x = (i % 5) * tileW + tileW / 2, y = (i / 5) * tileH + tileH / 2;
        int value = model.TileAt(i).value;
        if (value == 0) {
            EXPECT_EQ(PixelAt(frame, x, y), 0xFF000000u) << "cell " << i;
            continue;
        }
        int pieceX = (value - 1) % 5 * tileW + tileW / 2, pieceY = (value - 1) / 5 * tileH + tileH / 2;
        EXPECT_EQ(PixelAt(frame, x, y), PixelAt(board->GetPicture(), pieceX, pieceY)) << "cell " << i;
    }
}

TEST_F(GameFixture, ClickingAMovableTileSlidesItThreePixelsAStepIntoTheGap) {
    StartGame();
    StartPuzzle(4);
    int gap = GapIndex(*board);
    int from = MovableIndex(*board);
    ASSERT_GE(from, 0);
    int value = board->GetModel().TileAt(from).value;
    HoverCell(*board, from);
    EXPECT_EQ(board->GetModel().TileAt(from).highlight, Tile::HIGHLIGHT_HOVERED);
    EXPECT_EQ(app->GetCursor(), Zorbel::ZorbelAppBase::CURSOR_DRAGGING);

    board->MouseDown(0, 0, 1); // acts on the hovered cell, wherever the click is
    ASSERT_TRUE(board->IsSliding());
    EXPECT_EQ(board->GetModel().TileAt(from).value, 0);
    bool horizontal = (from % 4) != (gap % 4);
    int steps = horizontal ? (200 + 2) / 3 : 150 / 3;
    int startX = board->GetSlideX(), startY = board->GetSlideY();
    Steps(1);
    EXPECT_EQ(std::abs(board->GetSlideX() - startX) + std::abs(board->GetSlideY() - startY), 3);

    board->MouseDown(0, 0, -1);
    EXPECT_FALSE(Menu().IsVisible()) << "right click during a slide does nothing";

    Steps(steps - 2);
    EXPECT_TRUE(board->IsSliding());
    Steps(1);
    EXPECT_FALSE(board->IsSliding()) << "a slide lasts ceiling(distance / 3) steps";
    EXPECT_EQ(board->GetModel().TileAt(gap).value, value);
    EXPECT_EQ(GapIndex(*board), from);
}

TEST_F(GameFixture, SolvingPlaysTheBannersAndEscapeThenOpensTheMenu) {
    StartGame();
    StartPuzzle(3);
    // Lay the puzzle out one slide before solved: piece 2 sits in the corner, the gap beside it.
    auto& model = board->GetModel();
    for (int i = 0; i < 9; ++i)
        model.TileAt(i).value = i + 1;
    model.TileAt(0).value = 2;
    model.TileAt(1).value = 0;
    model.UpdateAllMobility();
    HoverCell(*board, 0);
    board->MouseDown(10, 10, 3); // the middle button counts as a left click
    ASSERT_TRUE(board->IsSliding());
    Steps((266 + 2) / 3);
    ASSERT_TRUE(board->IsCompleted());
    // The step that ends the slide already moves the completion timer.
    EXPECT_EQ(board->GetCompletionTimer(), 7);

    board->MouseDown(5, 5, 1);
    EXPECT_FALSE(board->IsSliding()) << "no slides after completion";

    Steps(107);
    EXPECT_EQ(board->GetCompletionTimer(), 755) << "climbs to the resting place in 108 steps";
    Steps(129);
    EXPECT_EQ(board->GetCompletionTimer(), 755) << "and holds there for 130";
    // At rest the banners stand at x 45 and 175.
    auto frame = Frame();
    auto* top = board->GetCompleteTop();
    auto* bottom = board->GetCompleteBottom();
    int topX = 175 + top->GetWidth() / 2, topY = 150 + top->GetHeight() / 2;
    EXPECT_EQ(PixelAt(frame, topX, topY), PixelAt(top, top->GetWidth() / 2, top->GetHeight() / 2));
    int bottomX = 45 + bottom->GetWidth() / 2, bottomY = 305 + bottom->GetHeight() / 2;
    EXPECT_EQ(PixelAt(frame, bottomX, bottomY),
              PixelAt(bottom, bottom->GetWidth() / 2, bottom->GetHeight() / 2));
    Steps(1);
    EXPECT_EQ(board->GetCompletionTimer(), 762);
    Steps(119);
    EXPECT_EQ(board->GetCompletionTimer(), 1595);
    Steps(1);
    EXPECT_EQ(board->GetCompletionTimer(), 1602);
    Steps(1);
    EXPECT_EQ(board->GetCompletionTimer(), 1602) << "and stops";
    frame = Frame();
    EXPECT_EQ(PixelAt(frame, 400, 300), PixelAt(board->GetPicture(), 400, 300)) << "only the picture remains";

    board->KeyDown(27);
    EXPECT_TRUE(Menu().IsVisible());
    EXPECT_EQ(Menu().GetDifficulty(), 3) << "the menu shows the current game's difficulty";
    EXPECT_TRUE(Button(Board::BUTTON_CANCEL).IsVisible());
    Steps(92);
    board->MouseDown(1, 1, -1);
    EXPECT_FALSE(Menu().IsAtRest()) << "with a game to go back to, right click closes the menu";
    Steps(92);
    EXPECT_FALSE(Menu().IsVisible());
}

TEST_F(GameFixture, HoverOutsideTheGridKeepsThePreviousCell) {
    StartGame();
    StartPuzzle(7); // tiles of 114 x 85 leave a strip at the right and the bottom
    HoverCell(*board, 8);
    EXPECT_EQ(board->GetHoverIndex(), 8);
    board->MouseMove(799, 10);
    EXPECT_EQ(board->GetHoverIndex(), 8);
    board->MouseMove(10, 597);
    EXPECT_EQ(board->GetHoverIndex(), 8);
    board->MouseMove(-5, 10);
    EXPECT_EQ(board->GetHoverIndex(), 8) << "left of the board is outside too";
}

TEST_F(GameFixture, ChangePictureLoadsTheChosenFileForTheNextGame) {
    StartGame();
    Steps(92);
    // A picture of one colour, so that its preview and its tiles are easy to recognise.
    auto picture = Zorbel::ImageLib::Image::Create(40, 30);
    std::fill_n(picture->GetBits(), picture->GetPixelCount(), 0xFF2080C0u);
    std::string path = (root / "my picture.png").string();
    ASSERT_TRUE(Zorbel::ImageLib::WritePng(path, *picture));

    chooser->Answer(Zorbel::FileChooserResult::Cancelled());
    board->ButtonReleased(Board::BUTTON_CHANGE_IMAGE);
    EXPECT_EQ(Menu().GetPendingPicture(), nullptr);
    ASSERT_EQ(chooser->Requests().size(), 1u);
    EXPECT_EQ(chooser->Requests()[0].title, "Choose Image to Load");
    EXPECT_EQ(chooser->Requests()[0].filter.description, "Images");

    chooser->AnswerChosen(path);
    std::string folder = std::filesystem::current_path().string();
    board->ButtonReleased(Board::BUTTON_CHANGE_IMAGE);
    EXPECT_EQ(std::filesystem::current_path().string(), folder);
    ASSERT_NE(Menu().GetPendingPicture(), nullptr);
    EXPECT_TRUE(Near(PixelAt(Menu().GetPanel(), 346, 282), 0xFF2080C0u)) << "the preview shows it";

    board->ButtonReleased(Board::BUTTON_NEW_GAME);
    EXPECT_EQ(Menu().GetPendingPicture(), nullptr);
    EXPECT_TRUE(Near(PixelAt(board->GetPicture(), 400, 300), 0xFF2080C0u)) << "the new game uses it";
}

TEST_F(GameFixture, WithNoChooserThePlayerIsToldAndTheGameGoesOn) {
    StartGame();
    Steps(92);
    chooser->Answer(Zorbel::FileChooserResult::Unavailable());
    board->ButtonReleased(Board::BUTTON_CHANGE_IMAGE);
    ASSERT_FALSE(windows.MessageBoxes().empty());
    // Nothing fatal: a notice with the game's name.
    EXPECT_EQ(windows.MessageBoxes().back().caption, "Tesserine");
    EXPECT_NE(windows.MessageBoxes().back().text.find("No file chooser"), std::string::npos);
    EXPECT_FALSE(app->IsShuttingDown());
}

TEST_F(GameFixture, AMissingPictureIsReportedAndTheGameQuits) {
    // A program folder without artwork.
    std::filesystem::create_directories(root / "bare");
    StartGame((root / "bare").string());
    ASSERT_FALSE(windows.MessageBoxes().empty());
    EXPECT_EQ(windows.MessageBoxes().front().text, "There was an error loading the file: images/quibBG");
    EXPECT_TRUE(app->IsShuttingDown());
    // Drawing with the missing pictures reads nothing from them.
    auto frame = Frame();
    EXPECT_EQ(frame->GetWidth(), 800);
}

TEST_F(GameFixture, QuitEndsTheApplication) {
    StartGame();
    Steps(92);
    board->ButtonReleased(Board::BUTTON_QUIT);
    EXPECT_TRUE(app->IsShuttingDown());
}

namespace {

// The cells the gap visits while a game of difficulty n is shuffled from seed, with steps that go
// straight back taken out.
std::vector<int> GapPath(int n, uint32_t seed, std::vector<int32_t>& grid) {
    Zorbel::MTRand random(seed);
    Tesserine::PuzzleModel model(random);
    model.NewGame(n, nullptr);
    for (int i = 0; i < n * n; ++i)
        grid.push_back(model.TileAt(i).value);
    random.SRand(seed);
    for (int i = 0; i < n * n; ++i)
        model.TileAt(i).value = i + 1;
    model.TileAt(0).value = 0;
    std::vector<int> path = {0};
    for (int step = 0; step < Tesserine::PuzzleModel::ShuffleSteps; ++step) {
        int gap = model.ShuffleStep(path.back());
        if (path.size() >= 2 && path[path.size() - 2] == gap)
            path.pop_back();
        else
            path.push_back(gap);
    }
    return path;
}

} // namespace

TEST_F(GameFixture, UndoingTheKnownShuffleWithRealClicksSolvesThePuzzle) {
    StartGame();
    Steps(92);
    board->ButtonReleased(Board::BUTTON_DIFFICULTY_LESS);
    const uint32_t seed = 20261208;
    Zorbel::SharedRandom().SRand(seed);
    board->ButtonReleased(Board::BUTTON_NEW_GAME);
    Steps(92);
    std::vector<int32_t> grid;
    std::vector<int> path = GapPath(3, seed, grid);
    for (int i = 0; i < 9; ++i)
        ASSERT_EQ(board->GetModel().TileAt(i).value, grid[static_cast<size_t>(i)]) << "the seeded shuffle";

    // Clicks go through the widget manager, as the main loop hands them over.
    Zorbel::WidgetManager& manager = *app->GetWidgetManager();
    for (size_t k = path.size() - 1; k > 0; --k) {
        int cell = path[k - 1];
        int x = (cell % 3) * 266 + 133, y = (cell / 3) * 200 + 100;
        manager.MouseMove(x, y);
        manager.MouseDown(x, y, 1);
        manager.MouseUp(x, y, 1);
        ASSERT_TRUE(board->IsSliding()) << "move " << k;
        for (int guard = 0; guard < 100 && board->IsSliding(); ++guard)
            board->Update();
        ASSERT_EQ(GapIndex(*board), cell);
        EXPECT_EQ(board->IsCompleted(), k == 1);
    }
    EXPECT_TRUE(board->IsCompleted());
}

TEST_F(GameFixture, NothingMovesWhileTheWindowIsInactive) {
    StartGame();
    StartPuzzle(4);
    HoverCell(*board, MovableIndex(*board));
    board->MouseDown(0, 0, 1);
    ASSERT_TRUE(board->IsSliding());
    Zorbel::WindowMessage deactivate;
    deactivate.window = app->GetMainWindow();
    deactivate.kind = Zorbel::MessageKind::Activate;
    deactivate.value = 0;
    app->WindowProc(deactivate);
    app->ProcessQueuedMessages(true);
    ASSERT_FALSE(app->HasFocus());
    const int x = board->GetSlideX(), y = board->GetSlideY(), pulse = board->GetPulse();
    Steps(20);
    EXPECT_EQ(board->GetSlideX(), x);
    EXPECT_EQ(board->GetSlideY(), y);
    EXPECT_EQ(board->GetPulse(), pulse);
}

TEST_F(GameFixture, MovableTilesWearAFrameThatPulsesFromRedToWhite) {
    StartGame();
    StartPuzzle(4);
    const int movable = MovableIndex(*board);
    const int plain = [&] {
        for (int i = 0; i < 16; ++i)
            if (board->GetModel().TileAt(i).moveDir == Tile::MOVE_NONE &&
                board->GetModel().TileAt(i).value != 0)
                return i;
        return -1;
    }();
    board->MouseMove(-100, -100); // hover nothing new
    auto edge = [&](const std::unique_ptr<Zorbel::MemoryImage>& frame, int cell) {
        return PixelAt(frame, (cell % 4) * 200 + 2, (cell / 4) * 150 + 75);
    };
    // The pulse climbs 6 a step from 0 up to 250 and back, some 84 steps a round.
    ASSERT_TRUE(StepsUntil([&] { return board->GetPulse() == 0; }, 200)) << "the pulse never reaches 0";
    auto red = Frame();
    ASSERT_TRUE(StepsUntil([&] { return board->GetPulse() == 246; }, 200)) << "the pulse never reaches 246";
    auto light = Frame();
    uint32_t atRed = edge(red, movable), atLight = edge(light, movable);
    EXPECT_GT((atRed >> 16) & 0xFF, 180u) << std::hex << atRed;
    EXPECT_LT((atRed >> 8) & 0xFF, 90u) << std::hex << atRed;
    EXPECT_GT((atLight >> 8) & 0xFF, 180u) << std::hex << atLight;
    EXPECT_EQ(edge(red, plain), edge(light, plain)) << "plain frames do not pulse";
    EXPECT_NE(edge(red, plain), PixelAt(board->GetPicture(), 2, 75)) << "but they do have a frame";
}

TEST_F(GameFixture, TheWindowShowsTheGameIcon) {
    StartGame();
    const auto* window = windows.FindWindow(app->GetMainWindow());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->icon.size(), 64u * 64u);
}

namespace {

// The board's whole outside world in memory: every picture a small grey one (or none at all), and
// every request noted.
class StandInHost : public Tesserine::BoardHost {
public:
    std::unique_ptr<Zorbel::MemoryImage> LoadImage(const std::string& path) override {
        loaded.push_back(path);
        if (!havePictures) return nullptr;
        auto image = std::make_unique<Zorbel::MemoryImage>(context);
        const uint32_t grey[4] = {0xFF808080u, 0xFF808080u, 0xFF808080u, 0xFF808080u};
        image->SetPixels(grey, 2, 2, true);
        return image;
    }
    std::unique_ptr<Zorbel::MemoryImage> LoadPictureForDisplay(const std::string& path, int32_t,
                                                               int32_t) override {
        return LoadImage(path);
    }
    std::unique_ptr<Zorbel::MemoryImage> CreateImage() override {
        return std::make_unique<Zorbel::MemoryImage>(context);
    }
    void SetCursor(int32_t id) override { cursors.push_back(id); }
    bool HasFocus() const override { return true; }
    void Popup(const std::string& text) override { popups.push_back(text); }
    void Notice(const std::string& text) override { popups.push_back(text); }
    void LogError(const std::string&) override {}
    void Quit() override { ++quits; }
    bool IsWindowed() const override { return windowed; }
    bool IsForcedFullScreen() const override { return false; }
    void SwitchScreenMode(bool toWindow) override {
        switches.push_back(toWindow);
        windowed = toWindow;
    }
    void BeginSystemDialog() override {}
    void EndSystemDialog() override {}
    Zorbel::FileChooserResult ChooseFileToOpen(const Zorbel::FileChooserRequest&) override {
        return Zorbel::FileChooserResult::Cancelled();
    }

    Zorbel::ImageContext context;
    bool havePictures = true;
    bool windowed = true;
    std::vector<std::string> loaded;
    std::vector<std::string> popups;
    std::vector<bool> switches;
    std::vector<int32_t> cursors;
    int quits = 0;
};

} // namespace

TEST(BoardOnAStandInHostTest, TheScreenModeButtonsAskTheHostAndOfferTheWayBack) {
    StandInHost host;
    ZorbelTest::StubWidgetHost widgets;
    Board board(host);
    board.Resize(0, 0, 800, 600);
    widgets.manager.AddChild(&board);
    EXPECT_EQ(host.loaded.front(), "images/quibBG");
    EXPECT_NE(std::find(host.loaded.begin(), host.loaded.end(), "images/ButtonWindowNormal"),
              host.loaded.end());
    for (int i = 0; i < 92; ++i)
        board.Update();
    ASSERT_TRUE(board.GetMenu()->IsAtRest());
    EXPECT_TRUE(board.GetButton(Board::BUTTON_FULL_SCREEN)->IsVisible());

    board.ButtonReleased(Board::BUTTON_FULL_SCREEN);
    EXPECT_EQ(host.switches, std::vector<bool>{false});
    EXPECT_TRUE(board.GetButton(Board::BUTTON_WINDOW)->IsVisible());
    EXPECT_FALSE(board.GetButton(Board::BUTTON_FULL_SCREEN)->IsVisible());
    board.ButtonReleased(Board::BUTTON_QUIT);
    EXPECT_EQ(host.quits, 1);
    EXPECT_TRUE(host.popups.empty());
    widgets.manager.RemoveChild(&board);
}

TEST(BoardOnAStandInHostTest, MissingPicturesAreReportedAndTheBoardStaysSafeUntilTheEnd) {
    StandInHost host;
    host.havePictures = false;
    Board board(host);
    ASSERT_FALSE(host.popups.empty());
    EXPECT_EQ(host.popups.front(), "There was an error loading the file: images/quibBG");
    EXPECT_EQ(host.quits, static_cast<int>(host.popups.size()));
    // Until the quit takes effect the board goes on drawing and stepping without its pictures.
    Zorbel::MemoryImage frame(host.context);
    frame.SetSize(800, 600);
    Zorbel::Graphics g(&frame);
    for (int i = 0; i < 100; ++i)
        board.Update();
    board.Draw(&g);
    board.KeyDown(Zorbel::VirtualKey::Escape);
    board.MouseDown(10, 10, 1);
    EXPECT_EQ(board.GetPicture(), nullptr);
}

TEST(GameHarnessTest, PixelAtFailsWithAMessageWhereThereIsNoPixel) {
    EXPECT_NONFATAL_FAILURE(PixelAt(static_cast<Zorbel::MemoryImage*>(nullptr), 1, 2),
                            "no picture to read pixel (1, 2) from");
    Zorbel::ImageContext context;
    Zorbel::MemoryImage image(context);
    image.SetSize(2, 2);
    EXPECT_NONFATAL_FAILURE(PixelAt(&image, 2, 0), "outside the 2 x 2 picture");
    EXPECT_EQ(PixelAt(&image, 1, 1), 0u);
}
