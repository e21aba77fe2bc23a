// A whole game recorded as a demo and played back through the real main loop: the replay must draw
// the same screen at every update step, end by itself when the recorded Quit arrives, and take the
// picture the player chose from the demo rather than from a chooser or the disk.
#include "game/GameHarness.h"

#include "framework/app/DDDisplayDevice.h"
#include "framework/app/DemoFile.h"
#include "framework/app/WidgetLayer.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/platform/display/SdlDisplayDriver.h"
#include "framework/platform/display/Surface.h"
#include "framework/platform/window/SdlWindowSystem.h"

#include <cstring>
#include <mutex>

#include <deque>
#include <fstream>
#include <functional>
#include <unordered_map>
#include <vector>

using namespace TesserineTest;

namespace {

// The game with a checksum of the screen after every update step.
class DemoGame : public TestGame {
public:
    using TestGame::TestGame;

    void UpdateFrames() override {
        // From the second update with the board on: the first comes before its first frame.
        if (checkWindow && GetBoard() && stepsWithBoard++ > 0) CheckWindow();
        TestGame::UpdateFrames();
        // The whole screen drawn again every step, as the board once asked for.
        if (wholeScreen) GetWidgetLayer()->MarkAllDirty();
        if (onStep) onStep(GetUpdateCount());
        // A frame that nothing was drawn into since the last one is that one.
        int32_t draws = GetStepClock().GetDrawCount();
        if (GetWidgetLayer()->DrawDirtyWidgets() || draws != lastDrawCount || checksums.empty())
            lastChecksum = ScreenChecksum();
        lastDrawCount = draws;
        checksums.push_back(lastChecksum);
    }

    // Runs f over the screen surface's rows (without the unused byte of a pixel) while it is locked.
    template <typename Rows>
    bool WithScreenRows(Rows f) {
        auto* screen =
            GetDisplay() ? dynamic_cast<Zorbel::DDImage*>(GetDisplay()->GetScreenImage()) : nullptr;
        if (!screen || !screen->GetSurface()) return false;
        std::lock_guard<std::recursive_mutex> guard(GetDisplay()->GetLock());
        Zorbel::SurfaceLock lock;
        if (screen->GetSurface()->Lock(lock) != 0) return false;
        if (lock.format.bitsPerPixel == 32)
            for (int32_t y = 0; y < lock.height; ++y)
                f(y, reinterpret_cast<const uint32_t*>(lock.pixels + static_cast<ptrdiff_t>(y) * lock.pitch),
                  lock.width);
        (void)screen->GetSurface()->Unlock();
        return lock.format.bitsPerPixel == 32;
    }

    // Of the screen surface's pixels as the display holds them.
    uint64_t ScreenChecksum() {
        uint64_t hash = 1469598103934665603ull;
        WithScreenRows([&hash](int32_t, const uint32_t* row, int32_t width) {
            for (const uint32_t* end = row + width; row != end; ++row)
                hash = (hash ^ (*row & 0xFFFFFF)) * 1099511628211ull;
        });
        return hash;
    }

    // What the window shows: read back from SDL's renderer, or the headless desktop's primary surface.
    bool ReadWindow(int& width, int& height) {
        auto* device = dynamic_cast<Zorbel::DDDisplayDevice*>(GetDisplay());
        Zorbel::DisplayDriver* driver = device ? device->Device().Driver() : nullptr;
        if (auto* sdl = dynamic_cast<Zorbel::SdlDisplayDriver*>(driver))
            return sdl->ReadPresentedPixels(window, width, height);
        auto* memory = dynamic_cast<Zorbel::MemoryDisplayDriver*>(driver);
        auto primary = memory ? memory->Primary() : nullptr;
        if (!primary) return false;
        width = primary->Width();
        height = primary->Height();
        window.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                window[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                    primary->PixelAt(x, y);
        return true;
    }

    // Before an update: the window shows the frame drawn after the last one, whatever of it was
    // uploaded and presented. It can only have gone wrong when something was drawn or presented
    // since the last look.
    void CheckWindow() {
        const int32_t draws = GetStepClock().GetDrawCount();
        if (draws == lastCheckedDraws && lastChecksum == lastCheckedChecksum) return;
        lastCheckedDraws = draws;
        lastCheckedChecksum = lastChecksum;
        ++windowChecks;
        int width = 0, height = 0;
        bool same = ReadWindow(width, height);
        same = WithScreenRows([&](int32_t y, const uint32_t* row, int32_t rowWidth) {
                   if (!same || y >= height || rowWidth != width) {
                       same = false;
                       return;
                   }
                   const uint32_t* shown = window.data() + static_cast<ptrdiff_t>(y) * width;
                   for (int32_t x = 0; x < rowWidth && same; ++x)
                       same = ((row[x] ^ shown[x]) & 0xFFFFFF) == 0;
               }) &&
               same;
        if (!same && windowMismatches++ == 0) firstWindowMismatch = GetUpdateCount();
    }

    std::vector<uint32_t> window;
    int32_t lastCheckedDraws = -1;
    uint64_t lastCheckedChecksum = 0;
    uint64_t lastChecksum = 0;
    int32_t lastDrawCount = -1;
    std::vector<uint64_t> checksums;
    std::function<void(int32_t)> onStep;
    bool wholeScreen = false;
    bool checkWindow = false;
    int stepsWithBoard = 0;
    int windowChecks = 0;
    int windowMismatches = 0;
    int32_t firstWindowMismatch = -1;
};

struct RunResult {
    std::vector<uint64_t> checksums;
    std::optional<int> exitCode;
    size_t chooserRequests = 0;
    int windowChecks = 0;
    int windowMismatches = 0;
    int32_t firstWindowMismatch = -1;
};

// The clicks that solve a 3 x 3 puzzle in the fewest moves (the cells whose tiles slide into the
// gap, in order), found by a search of its positions.
std::vector<int> ShortestSolution(const Tesserine::PuzzleModel& model) {
    using Position = uint64_t; // four bits a cell
    auto cell = [](Position p, int i) { return static_cast<int>(p >> (4 * i) & 15); };
    Position start = 0;
    int missing = 45; // 1 + ... + 9, less the tiles present
    for (int i = 0; i < 9; ++i) {
        start |= Position(model.TileAt(i).value) << (4 * i);
        missing -= model.TileAt(i).value;
    }
    Position goal = 0;
    for (int i = 0; i < 9; ++i)
        if (i + 1 != missing) goal |= Position(i + 1) << (4 * i);
    std::unordered_map<Position, std::pair<Position, int>> from{{start, {start, -1}}};
    std::deque<Position> queue{start};
    while (!queue.empty() && !from.count(goal)) {
        const Position p = queue.front();
        queue.pop_front();
        int gap = 0;
        while (cell(p, gap) != 0)
            ++gap;
        for (int click : {gap - 3, gap + 3, gap % 3 > 0 ? gap - 1 : -1, gap % 3 < 2 ? gap + 1 : -1}) {
            if (click < 0 || click > 8) continue;
            const Position next =
                p + (Position(cell(p, click)) << (4 * gap)) - (Position(cell(p, click)) << (4 * click));
            if (from.emplace(next, std::make_pair(p, click)).second) queue.push_back(next);
        }
    }
    std::vector<int> clicks;
    for (Position p = goal; from.count(p) && p != start; p = from[p].first)
        clicks.insert(clicks.begin(), from[p].second);
    return clicks;
}

class GameDemoTest : public GameFixture {
protected:
    // Runs the game with the arguments until it ends, its settings in a folder of their own. script
    // sees every update step of a recording and posts the player's input.
    RunResult Run(const std::string& arguments, const std::string& settingsFolder,
                  const std::function<void(DemoGame&, int32_t)>& script,
                  const std::function<void(DemoGame&)>& prepare = nullptr,
                  Zorbel::WindowSystem* windowSystem = nullptr) {
        Zorbel::ZorbelAppBase::SetProgramCommandLine("\"" + std::string(ZORBEL_BINARY_DIR) + "/tesserine\" " +
                                                     arguments);
        Zorbel::FileSettingsStore settings((root / settingsFolder).string());
        RunResult result;
        Zorbel::AppPlatform platform;
        platform.windowSystem = windowSystem ? windowSystem : &windows;
        platform.clock = &clock;
        platform.settingsStore = &settings;
        platform.exitProcess = [&result](int code) { result.exitCode = code; };
        platform.instanceFolder = root.string();
        auto scripted = std::make_unique<Zorbel::ScriptedFileChooser>();
        scripted->AnswerChosen((root / "mine.jpg").string());
        Zorbel::ScriptedFileChooser* chooserSeen = scripted.get();
        auto game = std::make_unique<DemoGame>(ZORBEL_BINARY_DIR, std::move(platform), std::move(scripted));
        game->onStep = [&](int32_t step) {
            // However the run goes, it ends.
            if (step > 6000) {
                ADD_FAILURE() << "the run did not end by itself";
                game->Shutdown();
            }
            if (script) script(*game, step);
        };
        if (prepare) prepare(*game);
        game->Init();
        if (!result.exitCode) game->Start();
        result.checksums = game->checksums;
        result.windowChecks = game->windowChecks;
        result.windowMismatches = game->windowMismatches;
        result.firstWindowMismatch = game->firstWindowMismatch;
        result.chooserRequests = chooserSeen->Requests().size();
        game.reset();
        return result;
    }

    void Post(DemoGame& game, Zorbel::MessageKind kind, int32_t x, int32_t y, uint8_t buttons = 0) {
        Zorbel::WindowMessage message;
        message.window = game.GetMainWindow();
        message.kind = kind;
        message.x = x;
        message.y = y;
        message.buttons = buttons;
        windows.PostMessage(message);
    }

    void Click(DemoGame& game, int32_t x, int32_t y, bool right = false) {
        Post(game, Zorbel::MessageKind::MouseMove, x, y);
        Post(game, right ? Zorbel::MessageKind::RightDown : Zorbel::MessageKind::LeftDown, x, y,
             right ? Zorbel::ButtonRight : Zorbel::ButtonLeft);
        Post(game, right ? Zorbel::MessageKind::RightUp : Zorbel::MessageKind::LeftUp, x, y);
    }

    void ClickButton(DemoGame& game, int32_t id) {
        Zorbel::ButtonWidget* button = game.GetBoard() ? game.GetBoard()->GetButton(id) : nullptr;
        ASSERT_NE(button, nullptr);
        Zorbel::Point at = button->GetAbsolutePosition();
        Click(game, at.x + 12, at.y + 12);
    }

    // The player's game: choose a picture, start, a dozen clicks on tiles (small and large pointer
    // moves among them), the menu back with a right click, and Quit.
    void Play(DemoGame& game, int32_t step) {
        if (!game.GetBoard()) return;
        if (boardStep < 0) boardStep = step;
        int32_t t = step - boardStep;
        using Board = Tesserine::Board;
        if (t == 120) ClickButton(game, Board::BUTTON_CHANGE_IMAGE);
        if (t == 160) ClickButton(game, Board::BUTTON_NEW_GAME);
        static const int cells[] = {1, 4, 5, 0, 1, 2, 6, 5, 9, 8, 4, 5};
        for (int i = 0; i < 12; ++i)
            if (t == 300 + i * 45) {
                int cell = cells[i];
                int x = (cell % 4) * 200 + 100, y = (cell / 4) * 150 + 75;
                Post(game, Zorbel::MessageKind::MouseMove, x - 20, y - 7); // within 31 pixels: relative
                Click(game, x, y);
            }
        if (t == 900) Click(game, 400, 300, true);
        if (t == 1000) ClickButton(game, Board::BUTTON_QUIT);
    }

    // The player's whole game: the smallest puzzle, solved in the fewest moves with the pointer over
    // each tile before its click, the banners sweeping across the finished picture, the menu back and
    // Quit.
    void Solve(DemoGame& game, int32_t step) {
        Tesserine::Board* puzzle = game.GetBoard();
        if (!puzzle) return;
        if (boardStep < 0) boardStep = step;
        const int32_t t = step - boardStep;
        using Board = Tesserine::Board;
        if (t == 100 || t == 110) ClickButton(game, Board::BUTTON_DIFFICULTY_LESS);
        if (t == 150) ClickButton(game, Board::BUTTON_NEW_GAME);
        if (t < 300) return;
        if (!puzzle->IsCompleted()) {
            if (t == 300) solution = ShortestSolution(puzzle->GetModel());
            if (puzzle->IsSliding() || step < nextClickStep || nextMove >= solution.size()) return;
            const int cell = solution[nextMove++];
            const int32_t x = (cell % 3) * 266 + 133, y = (cell / 3) * 200 + 100;
            Post(game, Zorbel::MessageKind::MouseMove, x - 100, y + 60);
            Click(game, x, y);
            nextClickStep = step + 8;
            return;
        }
        if (menuStep < 0 && puzzle->GetCompletionTimer() >= Board::CompletionEnd) menuStep = step + 40;
        if (step == menuStep) Click(game, 400, 300, true);
        if (menuStep >= 0 && step == menuStep + 150) ClickButton(game, Board::BUTTON_QUIT);
    }

    int32_t boardStep = -1;
    std::vector<int> solution;
    size_t nextMove = 0;
    int32_t nextClickStep = 0;
    int32_t menuStep = -1;
};

} // namespace

TEST_F(GameDemoTest, AScriptedGameReplaysToTheSamePixelsAtEveryStep) {
    std::filesystem::copy_file(std::filesystem::path(ZORBEL_BINARY_DIR) / "images" / "quibBG.jpg",
                               root / "mine.jpg");
    const std::string demo = (root / "game.dmo").string();

    RunResult recorded = Run("-record -demofile=" + demo, "settings-recorded",
                             [this](DemoGame& game, int32_t step) { Play(game, step); });
    ASSERT_FALSE(recorded.exitCode.has_value());
    EXPECT_EQ(recorded.chooserRequests, 1u);
    ASSERT_TRUE(std::filesystem::exists(demo));
    Zorbel::DemoFile file;
    ASSERT_EQ(Zorbel::ReadDemoFile(demo, Tesserine::GameApp::ProductVersion, file).problem,
              Zorbel::DemoFileProblem::None);
    EXPECT_EQ(file.demoLength, static_cast<int32_t>(recorded.checksums.size()));
    ASSERT_GT(recorded.checksums.size(), 1000u);

    // The picture the player chose is gone, and no chooser answers: the demo carries both.
    std::filesystem::remove(root / "mine.jpg");
    RunResult replayed = Run("-play -demofile=" + demo, "settings-replayed", nullptr);
    EXPECT_FALSE(replayed.exitCode.has_value());
    EXPECT_EQ(replayed.chooserRequests, 0u);
    ASSERT_EQ(replayed.checksums.size(), recorded.checksums.size()) << "the replay ended at another step";
    size_t differences = 0, first = 0;
    for (size_t i = 0; i < recorded.checksums.size(); ++i)
        if (recorded.checksums[i] != replayed.checksums[i] && differences++ == 0) first = i + 1;
    EXPECT_EQ(differences, 0u) << "the first frame that differs is that of update " << first;
    // The frames changed along the way: the game was really played.
    EXPECT_NE(recorded.checksums[boardStep + 200], recorded.checksums[boardStep + 850]);
}

// Drawing only what changed shows, at every update step, exactly what redrawing the whole screen
// shows: a recorded game played to its end is replayed once as built and once with every widget
// marked dirty after every update, in a real SDL window, and the screens compared pixel for pixel.
TEST_F(GameDemoTest, DrawingOnlyWhatChangedShowsTheSameFramesAsRedrawingEverything) {
    const std::string demo = (root / "solved.dmo").string();
    RunResult recorded = Run("-record -demofile=" + demo, "settings-recorded",
                             [this](DemoGame& game, int32_t step) { Solve(game, step); });
    ASSERT_FALSE(recorded.exitCode.has_value());
    ASSERT_FALSE(solution.empty());
    EXPECT_EQ(nextMove, solution.size()) << "the puzzle was not solved";
    ASSERT_GE(menuStep, 0) << "the banners did not finish";

    auto replay = [&](bool wholeScreen, const std::string& folder) {
        auto sdl = Zorbel::SdlWindowSystem::Create(clock);
        EXPECT_NE(sdl, nullptr) << "no SDL video";
        return Run(
            "-play -demofile=" + demo, folder, nullptr,
            [wholeScreen](DemoGame& game) {
                game.wholeScreen = wholeScreen;
                game.checkWindow = !wholeScreen;
            },
            sdl.get());
    };
    RunResult whole = replay(true, "settings-whole");
    RunResult built = replay(false, "settings-built");

    ASSERT_EQ(whole.checksums.size(), recorded.checksums.size()) << "a replay ended at another step";
    ASSERT_EQ(built.checksums.size(), recorded.checksums.size()) << "a replay ended at another step";
    size_t differences = 0, first = 0;
    for (size_t i = 0; i < whole.checksums.size(); ++i)
        if (whole.checksums[i] != built.checksums[i] && differences++ == 0) first = i + 1;
    EXPECT_EQ(differences, 0u) << "the first screen that differs is that of update " << first;
    // What was drawn reached the window: before every update since the board came, the window showed
    // the screen image.
    EXPECT_GT(built.windowChecks, 1000);
    EXPECT_EQ(built.windowMismatches, 0) << "first before update " << built.firstWindowMismatch;
    // A moving game, not one still picture.
    size_t changes = 0;
    for (size_t i = 1; i < built.checksums.size(); ++i)
        changes += built.checksums[i] != built.checksums[i - 1];
    EXPECT_GT(changes, 1000u);
}

// A menu at rest costs nothing but the present once a second: three seconds of it draw and present
// at most three frames. A draw the GPU refused is mended by drawing the whole frame again.
TEST_F(GameDemoTest, AMenuAtRestIsNeitherDrawnNorPresented) {
    int32_t draws = -1, presents = -1, presentsAfterFailure = -1;
    Zorbel::PixelRect areaAfterFailure;
    auto driverOf = [](DemoGame& game) {
        auto* device = dynamic_cast<Zorbel::DDDisplayDevice*>(game.GetDisplay());
        return device ? dynamic_cast<Zorbel::MemoryDisplayDriver*>(device->Device().Driver()) : nullptr;
    };
    auto presented = [&](DemoGame& game) {
        auto* driver = driverOf(game);
        return driver ? driver->PresentCount() : -1000;
    };
    RunResult run = Run("", "settings", [&](DemoGame& game, int32_t step) {
        if (!game.GetBoard()) return;
        if (boardStep < 0) boardStep = step;
        const int32_t t = step - boardStep;
        if (t == 150) {
            EXPECT_TRUE(game.GetBoard()->GetMenu()->IsAtRest());
            draws = game.GetDrawCount();
            presents = presented(game);
        }
        if (t == 450) {
            draws = game.GetDrawCount() - draws;
            presents = presented(game) - presents;
            if (auto* device = dynamic_cast<Zorbel::DDDisplayDevice*>(game.GetDisplay()))
                device->Device().Host().HardwareError("DrawPrimitive: E_FAIL");
            presentsAfterFailure = presented(game);
        }
        if (t == 452) {
            presentsAfterFailure = presented(game) - presentsAfterFailure;
            if (auto* driver = driverOf(game)) areaAfterFailure = driver->LastPresentedArea();
            ClickButton(game, Tesserine::Board::BUTTON_QUIT);
        }
    });
    EXPECT_FALSE(run.exitCode.has_value());
    EXPECT_GE(draws, 2);
    EXPECT_LE(draws, 3);
    EXPECT_GE(presents, 2);
    EXPECT_LE(presents, 3);
    EXPECT_EQ(presentsAfterFailure, 1);
    EXPECT_EQ(areaAfterFailure.width, 800);
    EXPECT_EQ(areaAfterFailure.height, 600);
}

TEST_F(GameDemoTest, ADemoOfAnotherVersionIsRefusedWithItsVersion) {
    Zorbel::DemoFile file;
    file.productVersion = "2.5";
    file.events = {0};
    std::vector<uint8_t> bytes = file.Serialize();
    const std::string demo = (root / "other.dmo").string();
    std::ofstream(demo, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    RunResult run = Run("-play -demofile=" + demo, "settings", nullptr);
    EXPECT_EQ(run.exitCode, 3);
    ASSERT_FALSE(windows.MessageBoxes().empty());
    EXPECT_EQ(windows.MessageBoxes().back().text, "This demo file appears to be for '2.5'");
}
