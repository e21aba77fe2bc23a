// The game with hardware acceleration on, where OpenGL exists (Mesa under Xvfb): the tester approves
// the device, the frames go through the GPU, and the menu and a 7 x 7 game look as they do when drawn
// in software. The clock is driven by hand, so both runs deal the same puzzle.
#include "game/GameApp.h"
#include "framework/app/DDDisplayDevice.h"
#include "framework/app/VideoStats.h"
#include "framework/graphics/D3DInterface.h"
#include "framework/graphics/D3DTester.h"
#include "framework/graphics/DDInterface.h"
#include "framework/platform/SettingsStore.h"
#include "framework/platform/display/SdlDisplayDriver.h"
#include "framework/platform/files/FileSettingsStore.h"
#include "framework/platform/time/ManualClock.h"
#include "framework/platform/window/SdlWindowSystem.h"
#include "framework/widget/WidgetManager.h"
#include "game/Board.h"
#include "game/GameHarness.h"
#include "game/GameMenu.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace Zorbel;

namespace {

struct Frames {
    std::vector<uint32_t> menu;
    std::vector<uint32_t> puzzle;
    bool threeD = false;
    std::string verdict;
};

class GpuGameTest : public ::testing::Test {
protected:
    // Plays the game in a real window up to the menu at rest and then a 7 x 7 puzzle, and keeps both
    // frames as the window's primary surface shows them.
    Frames Play(bool threeD) {
        Frames frames;
        const auto root = std::filesystem::temp_directory_path() /
                          ("tesserine-gpu-" + std::to_string(getpid()) + (threeD ? "3d" : ""));
        std::filesystem::create_directories(root);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        ManualClock clock(1000);
        auto windows = SdlWindowSystem::Create(clock);
        FileSettingsStore store((root / "config").string());
        const int32_t on = threeD ? 1 : 0;
        EXPECT_TRUE(
            store.Write("SOFTWARE\\Bramblewick\\Tesserine", "Is3D", SettingsStore::TYPE_DWORD, &on, 4));

        ZorbelAppBase::SetProgramCommandLine("\"" + std::string(ZORBEL_BINARY_DIR) + "/tesserine\"");
        AppPlatform platform;
        platform.windowSystem = windows.get();
        platform.clock = &clock;
        platform.settingsStore = &store;
        platform.exitProcess = [](int) {};
        platform.instanceFolder = root.string();
        auto app = std::make_unique<TesserineTest::TestGame>(ZORBEL_BINARY_DIR, std::move(platform),
                                                             std::make_unique<ScriptedFileChooser>());
        app->Init();
        app->LoadingFinished();
        Tesserine::Board* board = app->GetBoard();
        auto* display = dynamic_cast<DDDisplayDevice*>(app->GetDisplay());
        if (board == nullptr || display == nullptr) {
            ADD_FAILURE() << "the game did not start";
            return frames;
        }
        frames.threeD = display->Is3D();
        if (const D3DTester* tester = display->Device().Tester())
            frames.verdict = tester->FailureReason() + " / " + tester->Warning();

        auto shoot = [&] {
            app->GetWidgetManager()->MarkAllDirty();
            app->GetWidgetManager()->DrawDirtyWidgets();
            const std::string pending = display->Device().Hardware().ErrorText();
            EXPECT_TRUE(display->Redraw(nullptr)) << pending;
            auto primary = static_cast<SdlDisplayDriver*>(display->Device().Driver())->Primary();
            std::vector<uint32_t> shown;
            for (int y = 0; y < 600; ++y)
                for (int x = 0; x < 800; ++x)
                    shown.push_back(primary->PixelAt(x, y) & 0xFFFFFF);
            return shown;
        };
        for (int i = 0; i < 92; ++i)
            board->Update();
        frames.menu = shoot();
        for (int press = 0; press < 4 && board->GetMenu()->GetDifficulty() < 7; ++press)
            board->ButtonReleased(Tesserine::Board::BUTTON_DIFFICULTY_MORE);
        board->ButtonReleased(Tesserine::Board::BUTTON_NEW_GAME);
        for (int i = 0; i < 92; ++i)
            board->Update();
        frames.puzzle = shoot();
        EXPECT_EQ(board->GetModel().Difficulty(), 7);
        if (threeD) {
            EXPECT_GT(display->Device().Hardware().TexturedImageCount(), 0u)
                << "nothing went through the GPU";
            // The video statistics count the same textures the hardware path holds.
            const VideoStats stats = VideoStats::Collect(*display, app->GetImageContext().LiveImages());
            int32_t textures = 0;
            for (const VideoStats::FormatUse& format : stats.formats)
                textures += format.count;
            EXPECT_TRUE(stats.is3D);
            EXPECT_EQ(size_t(textures), display->Device().Hardware().TexturedImageCount());
            EXPECT_EQ(stats.textureBytes, display->Device().Hardware().TextureMemory());
        }
        app.reset();
        windows.reset();
        unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(root);
        return frames;
    }

    // How many pixels differ by more than the tolerance in some channel.
    static int Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int tolerance,
                         int& worst) {
        int count = 0;
        for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
            int distance = 0;
            for (int shift = 0; shift < 24; shift += 8)
                distance =
                    std::max(distance, std::abs(int(a[i] >> shift & 0xFF) - int(b[i] >> shift & 0xFF)));
            worst = std::max(worst, distance);
            count += distance > tolerance;
        }
        return count;
    }
};

TEST_F(GpuGameTest, TheGameOnTheGpuLooksAsInSoftware) {
    const auto picture = std::filesystem::path(ZORBEL_BINARY_DIR) / "images" / "quibBG.jpg";
    ASSERT_TRUE(std::filesystem::exists(picture)) << "the artwork is missing: build the artwork target";
    {
        // Only a window with OpenGL makes this a test of the GPU.
        ManualClock clock(1000);
        auto windows = SdlWindowSystem::Create(clock);
        if (!windows ||
            std::string(std::getenv("SDL_VIDEODRIVER") ? std::getenv("SDL_VIDEODRIVER") : "") == "dummy")
            GTEST_SKIP() << "no OpenGL context can be made on SDL's headless video driver";
    }
    const Frames software = Play(false);
    const Frames hardware = Play(true);
    ASSERT_TRUE(hardware.threeD) << "the tester refused the device: " << hardware.verdict;
    ASSERT_EQ(software.menu.size(), hardware.menu.size());

    // Every channel of every pixel within 4 of the software frame.
    constexpr int kTolerance = 4;
    int worst = 0;
    EXPECT_EQ(Differing(software.menu, hardware.menu, kTolerance, worst), 0)
        << "largest difference " << worst;
    worst = 0;
    EXPECT_EQ(Differing(software.puzzle, hardware.puzzle, kTolerance, worst), 0)
        << "largest difference " << worst;
}

} // namespace
