#pragma once

#include "framework/app/DisplayDevice.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/chooser/ScriptedFileChooser.h"
#include "framework/platform/files/FileSettingsStore.h"
#include "framework/platform/time/ManualClock.h"
#include "framework/platform/window/HeadlessWindowSystem.h"
#include "framework/widget/ButtonWidget.h"
#include "game/Board.h"
#include "game/GameApp.h"
#include "game/GameMenu.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace TesserineTest {

// The game, with its program folder chosen by the test.
class TestGame : public Tesserine::GameApp {
public:
    TestGame(std::string folder, Zorbel::AppPlatform platform, std::unique_ptr<Zorbel::FileChooser> chooser)
        : GameApp(std::move(platform), std::move(chooser)), mFolder(std::move(folder)) {}

    bool ChangeDirectoryHook(const std::string&) override {
        std::filesystem::current_path(mFolder);
        return true;
    }

private:
    std::string mFolder;
};

// The whole game on a headless desktop and a hand-driven clock, with the artwork the build drew and
// its settings in a temporary folder. The game works in the build folder and reads its pictures
// from there.
class GameFixture : public ::testing::Test {
protected:
    GameFixture()
        : root(std::filesystem::temp_directory_path() / ("tesserine-game-" + std::to_string(getpid()))),
          clock(1000), windows(clock), store((root / "config").string()) {
        std::filesystem::create_directories(root);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        windows.SetMessageBoxPolicy([](const Zorbel::MessageBoxRequest& request) {
            return Zorbel::DefaultMessageBoxAnswer(request);
        });
    }
    ~GameFixture() override {
        app.reset();
        unsetenv("XDG_CONFIG_HOME");
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    // Every test here needs the artwork the build draws; without it the test stops with a message
    // rather than crashing on the first missing picture.
    void SetUp() override {
        const auto picture = std::filesystem::path(ZORBEL_BINARY_DIR) / "images" / "quibBG.jpg";
        ASSERT_TRUE(std::filesystem::exists(picture))
            << "the artwork is missing (" << picture.string() << "): build the artwork target";
    }

    // Starts the game from a program in the given folder (the build's by default) and hands it the
    // end of loading, which puts the board on screen.
    void StartGame(const std::string& programFolder = ZORBEL_BINARY_DIR) {
        // The program's own arguments are the test runner's, which the game would refuse.
        Zorbel::ZorbelAppBase::SetProgramCommandLine("\"" + programFolder + "/tesserine\"");
        Zorbel::AppPlatform platform;
        platform.windowSystem = &windows;
        platform.clock = &clock;
        platform.settingsStore = &store;
        platform.exitProcess = [this](int code) { exitCode = code; };
        platform.instanceFolder = root.string();
        auto scripted = std::make_unique<Zorbel::ScriptedFileChooser>();
        chooser = scripted.get();
        app = std::make_unique<TestGame>(programFolder, std::move(platform), std::move(scripted));
        app->Init();
        app->LoadingFinished();
        board = app->GetBoard();
    }

    Tesserine::GameMenu& Menu() { return *board->GetMenu(); }
    Zorbel::ButtonWidget& Button(int32_t id) { return *board->GetButton(id); }

    void Steps(int count) {
        for (int i = 0; i < count; ++i)
            board->Update();
    }

    // Update steps until the condition holds, at most limit of them; false when it never did.
    template <typename Condition>
    [[nodiscard]] bool StepsUntil(Condition condition, int limit) {
        for (int i = 0; i < limit && !condition(); ++i)
            board->Update();
        return condition();
    }

    // The menu slides in at start; bring it to rest and start a game of difficulty n.
    void StartPuzzle(int n = 4) {
        Steps(92);
        // Difficulties run from 3 to 7, so four presses reach any of them.
        for (int press = 0; press < 4 && Menu().GetDifficulty() < n; ++press)
            board->ButtonReleased(Tesserine::Board::BUTTON_DIFFICULTY_MORE);
        for (int press = 0; press < 4 && Menu().GetDifficulty() > n; ++press)
            board->ButtonReleased(Tesserine::Board::BUTTON_DIFFICULTY_LESS);
        ASSERT_EQ(Menu().GetDifficulty(), n);
        board->ButtonReleased(Tesserine::Board::BUTTON_NEW_GAME);
        Steps(92);
    }

    // What the board draws, on a fresh opaque 800 x 600 display picture like the screen.
    std::unique_ptr<Zorbel::MemoryImage> Frame() {
        auto frame = app->GetDisplay()->CreateImage();
        frame->SetSize(800, 600);
        frame->ForceAlphaFlags(false, false);
        Zorbel::Graphics g(frame.get());
        board->Draw(&g);
        return frame;
    }

    std::filesystem::path root;
    Zorbel::ManualClock clock;
    Zorbel::HeadlessWindowSystem windows;
    Zorbel::FileSettingsStore store;
    std::unique_ptr<Tesserine::GameApp> app;
    Tesserine::Board* board = nullptr;
    Zorbel::ScriptedFileChooser* chooser = nullptr;
    std::optional<int> exitCode;
};

// The pixel at (x, y). A missing picture, or a place outside it, fails the test with a message and
// gives 0 instead of crashing the test program.
inline uint32_t PixelAt(Zorbel::MemoryImage* image, int x, int y) {
    const uint32_t* pixels = image ? image->GetPixels() : nullptr;
    if (!pixels) {
        ADD_FAILURE() << "no picture to read pixel (" << x << ", " << y << ") from";
        return 0;
    }
    if (x < 0 || y < 0 || x >= image->GetWidth() || y >= image->GetHeight()) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") lies outside the " << image->GetWidth() << " x "
                      << image->GetHeight() << " picture";
        return 0;
    }
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(image->GetWidth()) + static_cast<size_t>(x)];
}

inline uint32_t PixelAt(const std::unique_ptr<Zorbel::MemoryImage>& image, int x, int y) {
    return PixelAt(image.get(), x, y);
}

// Within the rounding of two scaling passes.
inline bool Near(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 3)
            return false;
    return true;
}

} // namespace TesserineTest
