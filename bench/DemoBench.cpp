// Demos of the real game, headless. First a five-minute game is recorded through the main loop with a
// scripted player (pointer moving all the time, a click on a tile every second, the menu back now and
// then, Quit at the end). Then that demo is replayed at full speed ("0": run to the end), timed on the
// wall clock against the five minutes it took to play. Last, the cost of recording: the same update
// steps through the main loop, with the same input, recorded and not, side by side.
#include "BenchGame.h"
#include "framework/app/DemoFile.h"
#include "framework/platform/chooser/ScriptedFileChooser.h"
#include "framework/platform/files/FileSettingsStore.h"
#include "framework/platform/time/ManualClock.h"
#include "framework/platform/time/RealClock.h"
#include "framework/platform/window/HeadlessWindowSystem.h"
#include "framework/widget/ButtonWidget.h"
#include "game/Board.h"
#include "game/GameMenu.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>

using namespace Zorbel;
namespace fs = std::filesystem;

namespace {

// Five minutes at 10 ms a step.
constexpr int32_t GameSteps = 30000;

fs::path Root() {
    return fs::temp_directory_path() / ("tesserine-demo-bench-" + std::to_string(getpid()));
}

// The game on a headless desktop with the given clock and arguments, its settings in a folder of its
// own, initialised.
struct DemoRun {
    DemoRun(Clock& clock, const std::string& arguments, const std::string& settings)
        : windows(clock), store((Root() / settings).string()) {
        fs::create_directories(Root());
        setenv("XDG_CONFIG_HOME", (Root() / settings).c_str(), 1);
        windows.SetMessageBoxPolicy(
            [](const MessageBoxRequest& request) { return DefaultMessageBoxAnswer(request); });
        const std::string folder = TESSERINE_BINARY_DIR;
        ZorbelAppBase::SetProgramCommandLine("\"" + folder + "/tesserine\" " + arguments);
        AppPlatform platform;
        platform.windowSystem = &windows;
        platform.clock = &clock;
        platform.settingsStore = &store;
        platform.exitProcess = [this](int code) { exited = code; };
        platform.instanceFolder = Root().string();
        game =
            std::make_unique<BenchGame>(folder, std::move(platform), std::make_unique<ScriptedFileChooser>());
        game->Init();
    }
    ~DemoRun() {
        game.reset();
        unsetenv("XDG_CONFIG_HOME");
    }

    void Post(MessageKind kind, int32_t x, int32_t y, uint8_t buttons = 0, int32_t value = 0) {
        // Fields in declaration order: window, kind, value, x, y, buttons, repeat.
        windows.PostMessage(WindowMessage{game->GetMainWindow(), kind, value, x, y, buttons, false});
    }

    void Click(int32_t x, int32_t y, bool right = false) {
        Post(MessageKind::MouseMove, x, y);
        Post(right ? MessageKind::RightDown : MessageKind::LeftDown, x, y, right ? ButtonRight : ButtonLeft);
        Post(right ? MessageKind::RightUp : MessageKind::LeftUp, x, y);
    }

    void ClickButton(int32_t id) {
        ButtonWidget* button = game->GetBoard() ? game->GetBoard()->GetButton(id) : nullptr;
        if (!button) return;
        Point at = button->GetAbsolutePosition();
        Click(at.x + 12, at.y + 12);
    }

    // The player's input for update step t: the pointer wanders (short moves, recorded as relative
    // ones), a tile of the 4 x 4 board is clicked every second (a long move, recorded absolute), and
    // every minute the menu comes back with a right click and a new game starts.
    void Play(int32_t t) {
        using Board = Tesserine::Board;
        const int32_t inMinute = t % 6000;
        if (inMinute == 100 && t < GameSteps - 300) ClickButton(Board::BUTTON_NEW_GAME);
        if (inMinute == 5800 || t == GameSteps - 200) Click(400, 300, true);
        if (t == GameSteps - 50) ClickButton(Board::BUTTON_QUIT);
        if (inMinute < 300 || inMinute >= 5700 || t >= GameSteps - 300) return;
        if (t % 100 == 50) {
            seed = seed * 1103515245u + 12345u;
            const uint32_t cell = (seed >> 16) % 16;
            Click(static_cast<int32_t>(cell % 4) * 200 + 100, static_cast<int32_t>(cell / 4) * 150 + 75);
        } else if (t % 3 == 0) {
            Post(MessageKind::MouseMove, 400 + static_cast<int32_t>(300 * std::sin(t / 97.0)),
                 300 + static_cast<int32_t>(250 * std::cos(t / 61.0)));
        }
    }

    // The course of the game: every half second, the order of the tiles folded into the trail,
    // counting the times it changed. A replay must leave the trail its recording left.
    void Trace(int32_t step) {
        Tesserine::Board* board = game->GetBoard();
        if (step % 50 != 0 || !board || !board->GetModel().HasGrid()) return;
        uint64_t order = 0;
        for (const auto& tile : board->GetModel().Tiles())
            order = order * 131 + static_cast<uint64_t>(tile->value);
        if (order != lastOrder) ++orderChanges;
        lastOrder = order;
        trail = trail * 1099511628211ull + order;
    }

    HeadlessWindowSystem windows;
    FileSettingsStore store;
    std::unique_ptr<BenchGame> game;
    std::optional<int> exited;
    uint32_t seed = 1;
    uint64_t lastOrder = 0;
    uint64_t trail = 0;
    int32_t orderChanges = 0;
};

// The recorded five-minute game, made once; empty when it could not be made. trail is its course.
const std::string& RecordedGame(std::string& why, uint64_t& trail) {
    static std::string demo;
    static uint64_t recordedTrail = 0;
    static std::string failure;
    static bool made = false;
    if (!made) {
        made = true;
        const std::string path = (Root() / "five-minutes.dmo").string();
        ManualClock clock(1000);
        DemoRun run(clock, "-record -demofile=" + path, "config-record");
        int32_t boardStep = -1;
        run.game->onStep = [&](int32_t step) {
            if (step > GameSteps * 2) run.game->Shutdown(); // however the script goes, the run ends
            run.Trace(step);
            if (!run.game->GetBoard()) return;
            if (boardStep < 0) boardStep = step;
            run.Play(step - boardStep);
        };
        if (!run.exited) run.game->Start();
        const bool quit = run.game->GetUpdateCount() < GameSteps * 2;
        recordedTrail = run.trail;
        const int32_t changes = run.orderChanges;
        run.game.reset(); // writes the demo
        DemoFile file;
        if (!quit) {
            failure = "the recorded game did not quit";
        } else if (ReadDemoFile(path, Tesserine::GameApp::ProductVersion, file).problem !=
                   DemoFileProblem::None) {
            failure = "the recorded demo cannot be read";
        } else if (file.demoLength < GameSteps) {
            failure = "the recorded game is shorter than five minutes";
        } else if (changes < 100) {
            failure = "the tiles hardly moved in the recorded game";
        } else {
            demo = path;
        }
    }
    why = failure;
    trail = recordedTrail;
    return demo;
}

// The recorded game replayed at full speed from its start to the recorded Quit: wall-clock time of
// the replay, and how many times faster than the game was played.
void BM_FastForwardReplay(benchmark::State& state) {
    std::string why;
    uint64_t recordedTrail = 0;
    const std::string& demo = RecordedGame(why, recordedTrail);
    if (demo.empty()) {
        state.SkipWithError(why.c_str());
        return;
    }
    using Wall = std::chrono::steady_clock;
    double seconds = 0;
    int32_t steps = 0;
    int32_t frames = 0;
    int32_t changes = 0;
    bool same = true;
    for (auto _ : state) {
        RealClock clock;
        DemoRun run(clock, "-play -demofile=" + demo, "config-replay");
        if (run.exited) {
            state.SkipWithError("the demo was refused");
            return;
        }
        run.Post(MessageKind::Char, 0, 0, 0, '0');
        run.game->onStep = [&run](int32_t step) { run.Trace(step); };
        const Wall::time_point start = Wall::now();
        run.game->Start();
        seconds += std::chrono::duration<double>(Wall::now() - start).count();
        steps = run.game->GetUpdateCount();
        frames = run.game->GetDrawCount();
        changes = run.orderChanges;
        same &= run.trail == recordedTrail;
    }
    if (steps < GameSteps) state.SkipWithError("the replay ended early");
    if (!same) state.SkipWithError("the replay went another way than the recorded game");
    const double perReplay = seconds / static_cast<double>(state.iterations());
    state.counters["replay_s"] = perReplay;
    state.counters["steps"] = steps;
    state.counters["frames_drawn"] = frames;
    state.counters["tile_orders"] = changes;
    state.counters["times_real_time"] = steps * 0.010 / perReplay;
    state.SetLabel("5-minute game, run to the end");
}
BENCHMARK(BM_FastForwardReplay)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// One update step of a game under way through the main loop (input taken, the step, the frame drawn)
// with a pointer move at every step and a click on a tile every 25: not recorded (0) and recorded (1).
void BM_StepRecorded(benchmark::State& state) {
    const bool recording = state.range(0) == 1;
    ManualClock clock(1000);
    DemoRun run(clock, recording ? "-record -demofile=" + (Root() / "steps.dmo").string() : std::string(),
                "config-steps");
    run.game->LoadingFinished();
    Tesserine::Board* board = run.game->GetBoard();
    if (run.exited || !board || run.game->IsRecordingDemo() != recording) {
        state.SkipWithError("the game did not start as asked");
        return;
    }
    for (int i = 0; i < 92; ++i)
        run.game->UpdateApp();
    board->ButtonReleased(Tesserine::Board::BUTTON_NEW_GAME);
    for (int i = 0; i < 92; ++i)
        run.game->UpdateApp();
    int32_t t = 300;
    const double start = ThreadCpuMicroseconds();
    for (auto _ : state) {
        // The first minute's tile clicks over and over: the same puzzle all along, no menu.
        if (++t == 5600) t = 300;
        run.Play(t);
        run.game->UpdateApp();
    }
    state.counters["step_us"] =
        benchmark::Counter(ThreadCpuMicroseconds() - start, benchmark::Counter::kAvgIterations);
    state.SetLabel(recording ? "recorded" : "not recorded");
}
BENCHMARK(BM_StepRecorded)->Arg(0)->Arg(1)->MinTime(2);

// The demos and settings go with the benchmark.
struct Cleanup {
    ~Cleanup() {
        std::error_code ignored;
        fs::remove_all(Root(), ignored);
    }
} cleanup;

} // namespace

BENCHMARK_MAIN();
