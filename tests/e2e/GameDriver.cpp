// Plays the real game on an X server the way a person would: waits for its window, clicks with
// xdotool and checks screenshots taken with xwd. Run under with_xvfb.sh with the game's path:
// the menu comes up over the title, "New Game" deals a 4 x 4 puzzle with one black gap, a right click
// brings the menu back, and "Quit" ends the program cleanly with its settings written.
//
// With --menu-then-quit the game runs in the caller's environment and working directory, and the
// driver only waits for the menu, prints the game's working directory as "cwd=<path>", and quits.
#include "GameWindow.h"
#include "support/WholeFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace GameE2E;

// The game with the given arguments (argv-style, ending in null) in the caller's environment: its
// window shows the menu, and Quit ends it with code 0.
int MenuThenQuit(char** gameArgv) {
    pid_t game = 0;
    if (posix_spawn(&game, gameArgv[0], nullptr, nullptr, gameArgv, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", gameArgv[0]);
        return 1;
    }
    std::optional<Window> w = FindWindowOfWidth(800, 60);
    Check(w.has_value(), "the game shows its window");
    if (!w) {
        WaitForExit(game, 0);
        return 1;
    }
    // The menu has come to rest when its panel is shown and nothing in the column through the Quit
    // button moves between two looks (the panel slides down from the top).
    std::vector<uint32_t> column;
    bool settled = false;
    for (int attempt = 0; attempt < 75 && !settled; ++attempt) {
        std::optional<XwdImage> shot = Screenshot();
        std::vector<uint32_t> now;
        for (int y = 0; shot && y < 600; y += 3)
            now.push_back(shot->At(w->x + 612, w->y + y));
        settled = shot && MenuShown(*shot, *w) && now == column;
        column = std::move(now);
        if (!settled) usleep(200000);
    }
    Check(settled, "the menu is shown");
    std::error_code error;
    std::printf("cwd=%s\n",
                std::filesystem::read_symlink("/proc/" + std::to_string(game) + "/cwd", error).c_str());
    Click(*w, 612, 393, 1);
    Check(ExitedWithZero(WaitForExit(game, 30)), "Quit ends the game with code 0");
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--menu-then-quit") return MenuThenQuit(argv + 2);
    if (argc != 2) {
        std::fprintf(
            stderr,
            "usage: GameDriver TESSERINE\n       GameDriver --menu-then-quit TESSERINE [ARGUMENT...]\n");
        return 2;
    }
    const std::filesystem::path work =
        std::filesystem::temp_directory_path() / ("tesserine-e2e-" + std::to_string(getpid()));
    std::filesystem::create_directories(work / "run");
    std::filesystem::permissions(work / "run", std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", (work / "run").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);

    pid_t game = 0;
    char* gameArgv[] = {argv[1], nullptr};
    if (posix_spawn(&game, argv[1], nullptr, nullptr, gameArgv, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }

    Window w;
    w.id = Run("timeout 60 xdotool search --sync --onlyvisible --name '^Tesserine$' | head -n 1");
    while (!w.id.empty() && (w.id.back() == '\n'))
        w.id.pop_back();
    Check(!w.id.empty(), "the game shows a window named Tesserine");
    if (w.id.empty()) {
        kill(game, SIGKILL);
        waitpid(game, nullptr, 0);
        return 1;
    }
    std::string geometry = Run("xdotool getwindowgeometry --shell " + w.id);
    std::sscanf(geometry.substr(geometry.find("X=")).c_str(), "X=%d", &w.x);
    std::sscanf(geometry.substr(geometry.find("Y=")).c_str(), "Y=%d", &w.y);
    Check(geometry.find("WIDTH=800") != std::string::npos && geometry.find("HEIGHT=600") != std::string::npos,
          "the window is 800 x 600");
    // The X server of with_xvfb.sh is 1024 x 768 and has no panels.
    Check(w.x == (1024 - 800) / 2 && w.y == static_cast<int>(0.382 * (768 - 600)),
          "the window is centred across and at 0.382 of the free height");

    sleep(3); // the menu slides in for 92 steps
    auto shot = Screenshot();
    Check(shot && MenuShown(*shot, w), "the menu panel is shown at start");
    if (shot) {
        uint32_t button = shot->At(w.x + 188, w.y + 400);
        Check(Green(button) > Red(button) + 40,
              "the green New Game button sits at the bottom left of the panel");
    }

    Click(w, 188, 393, 1);
    sleep(3); // the panel slides away over the new puzzle
    shot = Screenshot();
    Check(shot && !MenuShown(*shot, w), "New Game closes the menu");
    Check(shot && BlackCells(*shot, w) == 1, "the puzzle shows exactly one black gap");

    // Click a tile beside the gap: it slides in, and the gap moves to where the tile was.
    if (shot) {
        int gap = -1;
        for (int cell = 0; cell < 16 && gap < 0; ++cell)
            if ((shot->At(w.x + (cell % 4) * 200 + 100, w.y + (cell / 4) * 150 + 75) & 0xFFFFFF) == 0)
                gap = cell;
        int neighbour = gap % 4 < 3 ? gap + 1 : gap - 1;
        Click(w, (neighbour % 4) * 200 + 100, (neighbour / 4) * 150 + 75, 1);
        sleep(2);
        auto after = Screenshot();
        Check(gap >= 0 && after && BlackCells(*after, w) == 1 &&
                  (after->At(w.x + (neighbour % 4) * 200 + 100, w.y + (neighbour / 4) * 150 + 75) &
                   0xFFFFFF) == 0,
              "a click slides the tile beside the gap into it");
    }

    // Alt + Enter switches to the full screen and back; each switch makes a new window.
    // Real key presses (XTEST) into the focused window: synthetic events do not reach a full-screen
    // window on a server without a window manager.
    Run("xdotool windowfocus " + w.id);
    Run("xdotool key alt+Return");
    std::optional<Window> full = FindWindowOfWidth(1024);
    Check(full.has_value(), "Alt + Enter fills the screen");
    if (full) {
        Run("xdotool windowfocus " + full->id);
        Run("xdotool key alt+Return");
    }
    std::optional<Window> back = FindWindowOfWidth(800);
    Check(back.has_value(), "and a second Alt + Enter back to the window");
    if (back) w = *back;

    // A second copy ends at once and leaves the first running.
    std::optional<int> secondStatus;
    pid_t second = 0;
    if (posix_spawn(&second, argv[1], nullptr, nullptr, gameArgv, environ) == 0)
        secondStatus = WaitForExit(second, 20);
    Check(ExitedWithZero(secondStatus), "a second copy ends with code 0");
    Check(waitpid(game, nullptr, WNOHANG) == 0, "and the first keeps running");

    Click(w, 400, 300, 3);
    sleep(3);
    shot = Screenshot();
    Check(shot && MenuShown(*shot, w), "a right click brings the menu back");

    Click(w, 612, 393, 1);
    Check(ExitedWithZero(WaitForExit(game, 30)), "Quit ends the game with code 0");

    std::string text =
        ZorbelTest::ReadWholeFile((work / "config" / "Bramblewick" / "Tesserine" / "settings.ini").string());
    Check(text.find("InProgress = 4:%00%00%00%00") != std::string::npos, "a clean end stores InProgress 0");

    std::filesystem::remove_all(work);
    return failures == 0 ? 0 : 1;
}
