// One frame of the running game, headless: the board's update step, the widget manager drawing the
// dirty widgets into the screen image, and the display presenting it. Measured for a 7 x 7 puzzle
// with its pulsing borders and for the menu at rest over the title, once piece by piece and once
// through the application's own update and draw steps. Then the game's start-up and quit, with its
// settings file as a run leaves it and padded to 50 MB. Last, one frame in a real window drawn in
// software and through the hardware 3D path.
#include "BenchGame.h"
#include "framework/app/DisplayDevice.h"
#include "framework/app/ZorbelAppBase.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/chooser/ScriptedFileChooser.h"
#include "framework/platform/files/FileSettingsStore.h"
#include "framework/platform/time/ManualClock.h"
#include "framework/platform/window/HeadlessWindowSystem.h"
#include "framework/platform/window/SdlWindowSystem.h"
#include "framework/widget/WidgetManager.h"
#include "game/Board.h"
#include "game/GameApp.h"
#include "game/GameMenu.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>

using namespace Zorbel;

namespace {

// The whole game on a headless desktop and a hand-driven clock, its settings in a temporary folder.
struct Game {
    static constexpr int RestSteps = 92;

    // Where the game keeps its files; a benchmark may put settings there before the game starts.
    static std::filesystem::path Root() {
        return std::filesystem::temp_directory_path() / ("tesserine-bench-" + std::to_string(getpid()));
    }

    // Headless by default; on the screen (a real window, SDL's own choice of renderer) when asked, with
    // hardware acceleration stored as the player's choice.
    explicit Game(bool onScreen = false, bool threeD = false)
        : root(Root()), clock(1000), headless(clock), store((root / "config").string()) {
        std::filesystem::create_directories(root);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        headless.SetMessageBoxPolicy(
            [](const MessageBoxRequest& request) { return DefaultMessageBoxAnswer(request); });
        WindowSystem* windows = &headless;
        if (onScreen) {
            screen = SdlWindowSystem::Create(clock);
            if (!screen) return;
            windows = screen.get();
            const int32_t on = threeD ? 1 : 0;
            (void)store.Write("SOFTWARE\\Bramblewick\\Tesserine", "Is3D", SettingsStore::TYPE_DWORD, &on, 4);
        }

        const std::string folder = TESSERINE_BINARY_DIR;
        // The program's own arguments are the benchmark's, which the game would refuse.
        ZorbelAppBase::SetProgramCommandLine("\"" + folder + "/tesserine\"");
        AppPlatform platform;
        platform.windowSystem = windows;
        platform.clock = &clock;
        platform.settingsStore = &store;
        platform.exitProcess = [this](int code) { exited = code; };
        platform.instanceFolder = root.string();
        app =
            std::make_unique<BenchGame>(folder, std::move(platform), std::make_unique<ScriptedFileChooser>());
        app->Init();
        app->LoadingFinished();
        board = app->GetBoard();
        Steps(RestSteps); // the menu slides in and comes to rest
    }
    ~Game() {
        app.reset();
        screen.reset();
        unsetenv("XDG_CONFIG_HOME");
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    void Steps(int count) {
        for (int i = 0; i < count; ++i)
            board->Update();
    }

    void StartPuzzle(int n) {
        while (board->GetMenu()->GetDifficulty() < n)
            board->ButtonReleased(Tesserine::Board::BUTTON_DIFFICULTY_MORE);
        board->ButtonReleased(Tesserine::Board::BUTTON_NEW_GAME);
        Steps(RestSteps);
    }

    // Why the game is unfit to be measured, or null.
    const char* Unfit() const {
        if (exited) return "the game quit while starting";
        if (!app) return "no window can be made on this display";
        if (board == nullptr || app->GetDisplay() == nullptr) return "the game has no board or display";
        return nullptr;
    }

    std::filesystem::path root;
    ManualClock clock;
    HeadlessWindowSystem headless;
    std::unique_ptr<SdlWindowSystem> screen;
    FileSettingsStore store;
    std::unique_ptr<Tesserine::GameApp> app;
    Tesserine::Board* board = nullptr;
    std::optional<int> exited;
};

enum Scene { Puzzle7 = 0, MenuAtRest = 1 };

std::unique_ptr<Game> MakeScene(benchmark::State& state) {
    auto game = std::make_unique<Game>();
    if (const char* why = game->Unfit()) {
        state.SkipWithError(why);
        return nullptr;
    }
    if (state.range(0) == Puzzle7) {
        game->StartPuzzle(7);
        if (game->board->GetMenu()->IsVisible() || game->board->GetModel().Difficulty() != 7) {
            state.SkipWithError("no 7 x 7 puzzle on the board");
            return nullptr;
        }
    } else if (!game->board->GetMenu()->IsAtRest()) {
        state.SkipWithError("the menu is not at rest");
        return nullptr;
    }
    state.SetLabel(state.range(0) == Puzzle7 ? "7 x 7 puzzle, pulsing borders" : "menu at rest");
    return game;
}

// Time per frame, and the share of one core that 100 such frames a second take.
void ReportFrames(benchmark::State& state, double cpuMicroseconds) {
    state.counters["frame_us"] = benchmark::Counter(cpuMicroseconds, benchmark::Counter::kAvgIterations);
    state.counters["cpu_at_100fps_pct"] =
        benchmark::Counter(cpuMicroseconds * 100.0 / 1e6 * 100.0, benchmark::Counter::kAvgIterations);
}

// Update, draw the dirty widgets, present: the three steps of a frame called one by one.
void BM_Frame(benchmark::State& state) {
    auto game = MakeScene(state);
    if (!game) return;
    WidgetManager* widgets = game->app->GetWidgetManager();
    DisplayDevice* display = game->app->GetDisplay();
    bool drawn = true;
    bool shown = true;
    const double start = ThreadCpuMicroseconds();
    for (auto _ : state) {
        widgets->UpdateStep();
        drawn &= widgets->DrawDirtyWidgets();
        shown &= display->Redraw(nullptr);
    }
    if (!drawn || !shown) state.SkipWithError("a frame was not drawn or not presented");
    ReportFrames(state, ThreadCpuMicroseconds() - start);
}
BENCHMARK(BM_Frame)->Arg(Puzzle7)->Arg(MenuAtRest);

// The same frame through the application's main-loop steps, with the clock moving 10 ms a frame so
// that every frame is presented.
void BM_FrameMainLoop(benchmark::State& state) {
    auto game = MakeScene(state);
    if (!game) return;
    bool ran = true;
    bool drawn = true;
    const double start = ThreadCpuMicroseconds();
    for (auto _ : state) {
        game->clock.Advance(10);
        ran &= game->app->RunUpdateStep();
        drawn &= game->app->DrawDirty();
    }
    if (!ran || !drawn) state.SkipWithError("a frame was not updated or not drawn");
    ReportFrames(state, ThreadCpuMicroseconds() - start);
}
BENCHMARK(BM_FrameMainLoop)->Arg(Puzzle7)->Arg(MenuAtRest);

// The processor time of the whole process, in microseconds: a GPU rasteriser in software (Mesa's
// llvmpipe) draws on threads of its own.
double ProcessCpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// One frame of the running 7 x 7 game in a real window, drawn in software (0) or through the hardware
// 3D path (1), side by side in one run: update, draw the dirty widgets, present. Needs a display with
// OpenGL (Mesa under Xvfb: tests/e2e/with_xvfb.sh).
void BM_FrameOnScreen(benchmark::State& state) {
    const bool threeD = state.range(0) == 1;
    Game game(true, threeD);
    if (const char* why = game.Unfit()) {
        state.SkipWithError(why);
        return;
    }
    DisplayDevice* display = game.app->GetDisplay();
    if (display->Is3D() != threeD) {
        state.SkipWithError("the 3D tester refused this display");
        return;
    }
    game.StartPuzzle(7);
    WidgetManager* widgets = game.app->GetWidgetManager();
    bool drawn = true;
    bool shown = true;
    using Clock = std::chrono::steady_clock;
    const double start = ProcessCpuMicroseconds();
    const Clock::time_point wallStart = Clock::now();
    for (auto _ : state) {
        widgets->UpdateStep();
        drawn &= widgets->DrawDirtyWidgets();
        shown &= display->Redraw(nullptr);
    }
    const double wall = std::chrono::duration<double, std::micro>(Clock::now() - wallStart).count();
    if (!drawn || !shown || display->Is3D() != threeD)
        state.SkipWithError("a frame was not drawn or not presented");
    state.counters["process_cpu_us"] =
        benchmark::Counter(ProcessCpuMicroseconds() - start, benchmark::Counter::kAvgIterations);
    state.counters["wall_us"] = benchmark::Counter(wall, benchmark::Counter::kAvgIterations);
    state.SetLabel(threeD ? "hardware 3D path" : "software");
}
BENCHMARK(BM_FrameOnScreen)->Arg(0)->Arg(1)->UseRealTime();

// The game's settings file padded with other values (well-formed lines, so all are kept) to the size.
std::filesystem::path WritePaddedSettings(size_t size) {
    std::filesystem::path folder = Game::Root() / "config" / "Bramblewick" / "Tesserine";
    std::filesystem::create_directories(folder);
    std::ofstream out(folder / FileSettingsStore::FileName, std::ios::binary);
    out << "MusicVolume = 4:%3C%00%00%00\n";
    const std::string text(90, 'x');
    for (size_t written = 0, i = 0; written < size; ++i) {
        std::string line = "Padding" + std::to_string(i) + " = 1:" + text + "\n";
        out << line;
        written += line.size();
    }
    return folder / FileSettingsStore::FileName;
}

// Start-up is the game's Init and the end of loading (the settings are read and the run marked as
// under way, then the artwork is loaded); quit is Shutdown and the WriteSettings with which the main
// loop ends. Wall-clock milliseconds of each, averaged over the iterations.
void BM_StartAndQuit(benchmark::State& state) {
    const size_t padding = static_cast<size_t>(state.range(0)) << 20;
    using Clock = std::chrono::steady_clock;
    double startMs = 0;
    double quitMs = 0;
    for (auto _ : state) {
        std::filesystem::path settings;
        if (padding) settings = WritePaddedSettings(padding);
        const Clock::time_point begin = Clock::now();
        Game game;
        const Clock::time_point started = Clock::now();
        game.app->Shutdown();
        game.app->WriteSettings();
        const Clock::time_point quit = Clock::now();
        if (const char* why = game.Unfit()) state.SkipWithError(why);
        if (padding && std::filesystem::file_size(settings) < padding)
            state.SkipWithError("the padding was lost");
        startMs += std::chrono::duration<double, std::milli>(started - begin).count();
        quitMs += std::chrono::duration<double, std::milli>(quit - started).count();
    }
    state.counters["start_ms"] = benchmark::Counter(startMs, benchmark::Counter::kAvgIterations);
    state.counters["quit_ms"] = benchmark::Counter(quitMs, benchmark::Counter::kAvgIterations);
    state.SetLabel(padding ? "settings file of 50 MB" : "settings file as a run leaves it");
}
BENCHMARK(BM_StartAndQuit)->Arg(0)->Arg(50)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
