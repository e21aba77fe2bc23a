#pragma once

// What the end-to-end drivers share: the real game started as a process on the X server of
// with_xvfb.sh, in a scratch folder of its own, its window found and driven with xdotool, and checked
// on screenshots taken with xwd. Every wait polls and has a bound.
#include "e2e/GameWindow.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace GameE2E {

// Within tolerance in each channel.
inline bool Near(uint32_t a, uint32_t b, int tolerance = 12) {
    return std::abs(Red(a) - Red(b)) <= tolerance && std::abs(Green(a) - Green(b)) <= tolerance &&
           std::abs(Blue(a) - Blue(b)) <= tolerance;
}

// The visible windows titled "Tesserine" (the game's, and its message boxes).
inline std::vector<Window> GameWindows() {
    std::vector<Window> windows;
    for (const std::string& id : VisibleWindows()) {
        if (Run("xdotool getwindowname " + id + " 2>/dev/null") != "Tesserine\n") continue;
        Window window;
        window.id = id;
        std::string geometry = Run("xdotool getwindowgeometry --shell " + window.id + " 2>/dev/null");
        for (auto [name, field] :
             {std::pair{"X=", &window.x}, std::pair{"Y=", &window.y}, std::pair{"WIDTH=", &window.width},
              std::pair{"HEIGHT=", &window.height}}) {
            size_t at = geometry.find(std::string("\n") + name);
            if (at != std::string::npos) *field = std::atoi(geometry.c_str() + at + 1 + std::strlen(name));
        }
        windows.push_back(window);
    }
    return windows;
}

// Polls every 100 ms until the condition holds, for at most the given seconds.
inline bool WaitFor(const std::function<bool()>& condition, double seconds) {
    return ZorbelTest::Eventually(condition, std::chrono::milliseconds(static_cast<long>(seconds * 1000)),
                                  std::chrono::milliseconds(100));
}

// A window of the given size, within the given seconds.
inline std::optional<Window> FindWindow(int width, int height, double seconds) {
    std::optional<Window> found;
    WaitFor(
        [&] {
            for (const Window& window : GameWindows())
                if (window.width == width && window.height == height) return found = window, true;
            return false;
        },
        seconds);
    return found;
}

// A screenshot on which the condition holds, within the given seconds; the last one taken otherwise.
inline std::optional<XwdImage> ScreenshotWhen(const std::function<bool(const XwdImage&)>& condition,
                                              double seconds) {
    std::optional<XwdImage> shot;
    WaitFor(
        [&] {
            shot = Screenshot();
            return shot && condition(*shot);
        },
        seconds);
    return shot;
}

// Real key presses (XTEST) into the window, which gets the focus first.
inline void Key(const Window& window, const std::string& keys) {
    Run("xdotool windowfocus " + window.id + " key " + keys);
}

// The menu is up with the green New Game button at the bottom left of its panel.
inline bool NewGameShown(const XwdImage& shot, const Window& w) {
    uint32_t c = shot.At(w.x + 188, w.y + 400);
    return MenuShown(shot, w) && Green(c) > Red(c) + 40 && Green(c) > Blue(c) + 20;
}

inline bool MenuShownNow(const Window& w) {
    std::optional<XwdImage> shot = Screenshot();
    return shot && MenuShown(*shot, w);
}

// The menu has come to rest, so that its buttons answer: the New Game button is there and stays put
// from one screenshot to the next.
inline bool WaitForMenuAtRest(const Window& w, double seconds) {
    std::optional<XwdImage> last;
    return WaitFor(
        [&] {
            std::optional<XwdImage> shot = Screenshot();
            bool still = shot && last && NewGameShown(*shot, w) && NewGameShown(*last, w);
            for (int y = 300; still && y < 470; ++y)
                still = shot->At(w.x + 188, w.y + y) == last->At(w.x + 188, w.y + y);
            last = std::move(shot);
            return still;
        },
        seconds);
}

// A right click brings the menu back to rest. One while the menu is still leaving is ignored, which
// a screenshot cannot tell from its last steps, so the click is repeated a few times.
inline bool OpenMenu(const Window& w) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        Click(w, 400, 300, 3);
        if (WaitFor([&] { return MenuShownNow(w); }, 4)) return WaitForMenuAtRest(w, 20);
    }
    return false;
}

class Checks {
public:
    void operator()(bool ok, const std::string& what) {
        std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
        std::fflush(stdout);
        if (!ok) ++mFailures;
    }
    int Failures() const { return mFailures; }

private:
    int mFailures = 0;
};

// The game as a process with its settings, lock and standard error in a scratch folder.
class GameProcess {
public:
    explicit GameProcess(const std::string& name)
        : mFolder(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()))) {
        std::filesystem::remove_all(mFolder);
        std::filesystem::create_directories(mFolder / "run");
        std::filesystem::permissions(mFolder / "run", std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", (mFolder / "run").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (mFolder / "config").c_str(), 1);
    }
    ~GameProcess() {
        if (mPid > 0) {
            kill(mPid, SIGKILL);
            waitpid(mPid, nullptr, 0);
        }
        std::filesystem::remove_all(mFolder);
    }

    const std::filesystem::path& Folder() const { return mFolder; }

    bool Start(const std::string& program, const std::vector<std::string>& arguments = {}) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (mFolder / "stderr.txt").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        const bool started =
            posix_spawn(&mPid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        if (!started) mPid = 0;
        return started;
    }

    pid_t Pid() const { return mPid; }
    bool Running() const { return mPid > 0 && waitpid(mPid, nullptr, WNOHANG) == 0; }

    // What the game wrote on standard error so far.
    std::string Errors() const {
        std::ifstream in(mFolder / "stderr.txt");
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    // The most memory the game has held at once, in megabytes.
    long PeakMegabytes() const {
        std::ifstream status("/proc/" + std::to_string(mPid) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6) / 1024;
        return -1;
    }

    // The exit status once the game has ended within the given seconds; it is killed otherwise.
    std::optional<int> WaitForExit(double seconds) {
        int status = 0;
        const bool ended = WaitFor([&] { return waitpid(mPid, &status, WNOHANG) == mPid; }, seconds);
        if (!ended) {
            kill(mPid, SIGKILL);
            waitpid(mPid, &status, 0);
        }
        mPid = 0;
        if (!ended || !WIFEXITED(status)) return std::nullopt;
        return WEXITSTATUS(status);
    }

private:
    std::filesystem::path mFolder;
    pid_t mPid = 0;
};

// Starts the game and waits for its window and for the menu to come to rest over the title; the
// window, or nothing when the game never showed one.
inline std::optional<Window> StartToMenu(GameProcess& game, const std::string& program, Checks& check,
                                         const std::vector<std::string>& arguments = {}) {
    check(game.Start(program, arguments), "the game starts");
    std::optional<Window> window = FindWindow(800, 600, 60);
    check(window.has_value(), "the game shows its 800 x 600 window");
    if (window) check(WaitForMenuAtRest(*window, 30), "the menu comes to rest");
    return window;
}

} // namespace GameE2E
