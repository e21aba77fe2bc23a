// Plays the real game with hardware acceleration switched on ("Is3D" 1 in its settings), on Mesa's
// OpenGL under with_xvfb.sh: the tester approves the device and its verdict is stored, the menu looks
// as it does in software, a game is dealt, and the choice survives a clean end. Then a draw made to
// fail at run time (ZORBEL_GPU_FAIL_DRAW): the game goes on in software, records the error, and asks
// at the end whether to keep hardware acceleration.
#include "GameWindow.h"
#include "support/WholeFile.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>

extern char** environ;

using namespace GameE2E;

namespace {

std::filesystem::path work;

std::filesystem::path SettingsFile() {
    return work / "config" / "Bramblewick" / "Tesserine" / "settings.ini";
}

void StoreIs3D(int value) {
    std::filesystem::create_directories(SettingsFile().parent_path());
    std::ofstream(SettingsFile()) << "Is3D = 4:%0" << value << "%00%00%00\n";
}

std::string Read(const std::filesystem::path& path) {
    return ZorbelTest::ReadWholeFile(path.string());
}

// The values of the key, and those of its "Test3D" sub-key, which has a file of its own.
std::string Settings() {
    return Read(SettingsFile());
}
std::string TestSettings() {
    return Read(SettingsFile().parent_path() / "Test3D" / SettingsFile().filename());
}

std::filesystem::path ErrorOutput() {
    return work / "stderr.txt";
}

// Starts the game with its standard error in ErrorOutput().
pid_t Start(const char* program) {
    pid_t game = 0;
    char* argv[] = {const_cast<char*>(program), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, ErrorOutput().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int started = posix_spawn(&game, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    return started == 0 ? game : 0;
}

// The menu at rest, as the screen shows it inside the window.
std::optional<std::vector<uint32_t>> MenuFrame(const Window& w) {
    // The pointer rests on the Quit button in every run, so that each shows it lit the same way.
    Run("xdotool mousemove --window " + w.id + " 612 393");
    auto shot = AwaitScreen(w, "the menu at rest", [&](const XwdImage& s) { return MenuShown(s, w); });
    if (!shot) return std::nullopt;
    std::vector<uint32_t> frame;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            frame.push_back(shot->At(w.x + x, w.y + y) & 0xFFFFFF);
    return frame;
}

// Quits through the menu's Quit button; true when the game ended with code 0.
bool Quit(pid_t game, const Window& w) {
    Click(w, 612, 393, 1);
    return ExitedWithZero(WaitForExit(game, 30));
}

// What the screen shows instead of a dealt puzzle, for the log of a failed run.
void DescribeScreen(const Window& w) {
    std::optional<XwdImage> shot = Screenshot();
    if (!shot) return;
    std::printf("the screen shows %d black cells, the menu %s, the top left pixel %06x\n",
                static_cast<int>(BlackCells(*shot, w).size()), MenuShown(*shot, w) ? "shown" : "gone",
                shot->At(w.x + 100, w.y + 75) & 0xFFFFFF);
    if (const char* keep = std::getenv("KEEP_FRAMES")) {
        std::ofstream out(std::string(keep) + "/failed.ppm", std::ios::binary);
        out << "P6 800 600 255\n";
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                const uint32_t p = shot->At(w.x + x, w.y + y);
                out << char(p >> 16) << char(p >> 8) << char(p);
            }
    }
}

// The share of pixels whose channels all lie within the tolerance of the other frame's.
double Matching(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int tolerance) {
    size_t same = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        bool close = true;
        for (int shift = 0; shift < 24; shift += 8)
            close &= std::abs(int(a[i] >> shift & 0xFF) - int(b[i] >> shift & 0xFF)) <= tolerance;
        same += close;
    }
    return a.empty() ? 0.0 : double(same) / double(a.size());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: HardwareGameDriver TESSERINE\n");
        return 2;
    }
    work = OwnDesktopFolders("tesserine-e2e3d");

    // The menu drawn in software, for comparison.
    StoreIs3D(0);
    pid_t game = Start(argv[1]);
    Window w = FindGameWindow();
    Check(game != 0 && !w.id.empty(), "the game shows its window in software");
    std::optional<std::vector<uint32_t>> software = w.id.empty() ? std::nullopt : MenuFrame(w);
    Check(software.has_value(), "the software menu is shown");
    Check(game != 0 && Quit(game, w), "and the game ends with code 0");

    // The same with hardware acceleration.
    StoreIs3D(1);
    game = Start(argv[1]);
    w = FindGameWindow();
    Check(game != 0 && !w.id.empty(), "the game shows its window with hardware acceleration");
    std::optional<std::vector<uint32_t>> hardware = w.id.empty() ? std::nullopt : MenuFrame(w);
    Check(hardware.has_value(), "the menu is shown through the GPU");
    if (software && hardware) {
        // The menu's pictures are animated by the real clock: a few pixels may show another moment.
        const double share = Matching(*software, *hardware, 4);
        std::printf("%.4f of the pixels within 4 of the software frame\n", share);
        if (const char* keep = std::getenv("KEEP_FRAMES")) {
            for (int which = 0; which < 2; ++which) {
                std::ofstream out(std::string(keep) + (which ? "/hw.ppm" : "/sw.ppm"), std::ios::binary);
                out << "P6 800 600 255\n";
                for (uint32_t p : which ? *hardware : *software)
                    out << char(p >> 16) << char(p >> 8) << char(p);
            }
        }
        Check(share >= 0.999, "the GPU's menu matches the software one within 4 per channel");
    }
    Click(w, 188, 393, 1);
    auto shot = AwaitScreen(
        w, "a puzzle with one gap",
        [&](const XwdImage& s) { return !MenuShown(s, w) && BlackCells(s, w).size() == 1; },
        Rest::WantedHeld);
    if (!shot) DescribeScreen(w);
    Check(shot.has_value(), "New Game deals a puzzle with one gap");
    Click(w, 400, 300, 3);
    Check(AwaitScreen(w, "the menu at rest", [&](const XwdImage& s) { return MenuShown(s, w); }).has_value(),
          "a right click brings the menu back");
    Check(Quit(game, w), "the game ends with code 0");
    Check(Settings().find("Is3D = 4:%01%00%00%00") != std::string::npos,
          "hardware acceleration stayed on through the run");
    Check(TestSettings().find("FailureReason = 1:%00\n") != std::string::npos,
          "the tester's verdict is stored: usable");
    Check(TestSettings().find("RuntimeError") == std::string::npos, "no draw failed");

    // A draw that fails at run time.
    StoreIs3D(1);
    // The draw fails among the menu's first, so that it has failed before the menu is looked at, however
    // few frames a loaded machine draws while the menu slides in.
    setenv("ZORBEL_GPU_FAIL_DRAW", "20", 1);
    game = Start(argv[1]);
    w = FindGameWindow();
    Check(game != 0 && !w.id.empty(), "the game starts with a GPU that will fail");
    Check(ZorbelTest::PollUntil("the failed draw to be recorded",
                                [] {
                                    return ZorbelTest::Sight{TestSettings().find("RuntimeError") !=
                                                                 std::string::npos,
                                                             "no failure recorded"};
                                })
              .expected,
          "a draw fails while the menu comes");
    Check(!w.id.empty() && MenuFrame(w).has_value(), "after the failure the menu is drawn in software");
    Click(w, 188, 393, 1);
    shot = AwaitScreen(
        w, "a puzzle with one gap",
        [&](const XwdImage& s) { return !MenuShown(s, w) && BlackCells(s, w).size() == 1; },
        Rest::WantedHeld);
    if (!shot) DescribeScreen(w);
    Check(shot.has_value(), "and the game goes on: a puzzle is dealt");
    Click(w, 400, 300, 3);
    Check(AwaitScreen(w, "the menu at rest", [&](const XwdImage& s) { return MenuShown(s, w); }).has_value(),
          "a right click brings the menu back");
    // The question at the end comes as a message box, answered "no" with Escape; without X fonts it
    // goes to standard error and counts as answered "no".
    Click(w, 612, 393, 1);
    const bool boxShown = AnswerMessageBox(game, "Hardware Acceleration Confirmation", "Escape");
    Check(ExitedWithZero(WaitForExit(game, 30)), "the game ends with code 0");
    Check(boxShown || Read(ErrorOutput()).find("Hardware Acceleration may not have been working correctly") !=
                          std::string::npos,
          "the end asks whether to keep hardware acceleration");
    Check(TestSettings().find("RuntimeError = 1:DrawPrimitive") != std::string::npos,
          "the failure is recorded");
    Check(Settings().find("Is3D = 4:%00%00%00%00") != std::string::npos,
          "hardware acceleration is stored as off");

    std::filesystem::remove_all(work);
    return failures == 0 ? 0 : 1;
}
