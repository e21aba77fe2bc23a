// A whole game recorded as a demo and played back through the real main loop: the replay must draw
// the same screen at every update step, end by itself when the recorded Quit arrives, and take the
// picture the player chose from the demo rather than from a chooser or the disk.
#include "game/GameHarness.h"

#include "framework/app/DemoFile.h"
#include "framework/app/WidgetLayer.h"
#include "framework/graphics/DDImage.h"
#include "framework/platform/display/Surface.h"

#include <cstring>
#include <mutex>

#include <fstream>
#include <functional>
#include <vector>

using namespace TesserineTest;

namespace {

// The game with a checksum of the screen after every update step.
class DemoGame : public TestGame {
public:
    using TestGame::TestGame;

    void UpdateFrames() override {
        TestGame::UpdateFrames();
        if (onStep) onStep(GetUpdateCount());
        // A frame that nothing was drawn into since the last one is that one.
        int32_t draws = GetStepClock().GetDrawCount();
        if (GetWidgetLayer()->DrawDirtyWidgets() || draws != lastDrawCount || checksums.empty())
            lastChecksum = ScreenChecksum();
        lastDrawCount = draws;
        checksums.push_back(lastChecksum);
    }

    // Of the screen surface's pixels as the display holds them.
    uint64_t ScreenChecksum() {
        auto* screen =
            GetDisplay() ? dynamic_cast<Zorbel::DDImage*>(GetDisplay()->GetScreenImage()) : nullptr;
        if (!screen || !screen->GetSurface()) return 0;
        std::lock_guard<std::recursive_mutex> guard(GetDisplay()->GetLock());
        Zorbel::SurfaceLock lock;
        if (screen->GetSurface()->Lock(lock) != 0) return 0;
        uint64_t hash = 1469598103934665603ull;
        for (int32_t y = 0; y < lock.height; ++y) {
            const uint8_t* row = lock.pixels + static_cast<ptrdiff_t>(y) * lock.pitch;
            for (int32_t x = 0; x + 8 <= lock.width * lock.format.bitsPerPixel / 8; x += 8) {
                uint64_t word;
                std::memcpy(&word, row + x, 8);
                hash = (hash ^ word) * 1099511628211ull;
            }
        }
        (void)screen->GetSurface()->Unlock();
        return hash;
    }

    uint64_t lastChecksum = 0;
    int32_t lastDrawCount = -1;
    std::vector<uint64_t> checksums;
    std::function<void(int32_t)> onStep;
};

struct RunResult {
    std::vector<uint64_t> checksums;
    std::optional<int> exitCode;
    size_t chooserRequests = 0;
};

class GameDemoTest : public GameFixture {
protected:
    // Runs the game with the arguments until it ends, its settings in a folder of their own. script
    // sees every update step of a recording and posts the player's input.
    RunResult Run(const std::string& arguments, const std::string& settingsFolder,
                  const std::function<void(DemoGame&, int32_t)>& script) {
        Zorbel::ZorbelAppBase::SetProgramCommandLine("\"" + std::string(ZORBEL_BINARY_DIR) + "/tesserine\" " +
                                                     arguments);
        Zorbel::FileSettingsStore settings((root / settingsFolder).string());
        RunResult result;
        Zorbel::AppPlatform platform;
        platform.windowSystem = &windows;
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
        game->Init();
        if (!result.exitCode) game->Start();
        result.checksums = game->checksums;
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

    int32_t boardStep = -1;
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
