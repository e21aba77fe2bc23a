#pragma once
// What the end-to-end drivers of the game share: running commands, screenshots of the X server with
// xwd, finding and clicking the game's window with xdotool, and what the screen shows.
#include "e2e/PollUntil.h"
#include "support/XwdImage.h"

#include <chrono>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace GameE2E {

using Zorbel::Testing::XwdImage;

// A folder of this run's own below the temporary folder, which the game takes for its settings
// (XDG_CONFIG_HOME: "config") and its single-instance lock (XDG_RUNTIME_DIR: "run"), so that no other
// game on the machine shares either. The caller removes it at the end.
inline std::filesystem::path OwnDesktopFolders(const std::string& name) {
    const std::filesystem::path work =
        std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()));
    std::filesystem::create_directories(work / "run");
    std::filesystem::permissions(work / "run", std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", (work / "run").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
    return work;
}

inline std::string Run(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        pclose(pipe);
    }
    return output;
}

inline std::optional<XwdImage> Screenshot() {
    FILE* pipe = popen("xwd -root -silent", "r");
    if (!pipe) return std::nullopt;
    std::vector<uint8_t> data;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        data.insert(data.end(), buffer, buffer + n);
    pclose(pipe);
    return XwdImage::Parse(data);
}

struct Window {
    std::string id;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

inline int Red(uint32_t c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
inline int Green(uint32_t c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
inline int Blue(uint32_t c) {
    return static_cast<int>(c & 0xFF);
}

// Waits for the process to end; kills it when it does not.
inline std::optional<int> WaitForExit(pid_t pid, int seconds) {
    int status = 0;
    const ZorbelTest::Sight ended = ZorbelTest::PollUntil(
        "the game to end",
        [&] {
            return ZorbelTest::Sight{waitpid(pid, &status, WNOHANG) == pid, "still running"};
        },
        std::chrono::seconds(seconds));
    if (ended.expected) return status;
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return std::nullopt;
}

inline bool ExitedWithZero(const std::optional<int>& status) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

inline int failures = 0;
inline void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    if (!ok) ++failures;
}

inline void Click(const Window& window, int x, int y, int button = 1) {
    Run("xdotool mousemove --window " + window.id + " " + std::to_string(x) + " " + std::to_string(y) +
        " click " + std::to_string(button));
}

// The cells of a 4 x 4 puzzle that are black all over their inside (the gap), in reading order.
inline std::vector<int> BlackCells(const XwdImage& shot, const Window& w) {
    std::vector<int> black;
    for (int cell = 0; cell < 16; ++cell) {
        const int left = w.x + (cell % 4) * 200, top = w.y + (cell / 4) * 150;
        bool all = true;
        for (int y = top + 20; y < top + 130 && all; y += 9)
            for (int x = left + 20; x < left + 180 && all; x += 9)
                all = (shot.At(x, y) & 0xFFFFFF) == 0;
        if (all) black.push_back(cell);
    }
    return black;
}

// The menu panel's golden frame down its left and right edges. A single pixel is not enough: a dealt
// tile's sunset may be golden there too.
inline bool MenuShown(const XwdImage& shot, const Window& w) {
    auto golden = [&](int x, int y) {
        const uint32_t c = shot.At(w.x + x, w.y + y);
        return Red(c) > 200 && Green(c) > 150 && Blue(c) < 140;
    };
    for (int y = 40; y <= 410; y += 30)
        if (!golden(52, y) || !golden(741, y)) return false;
    return true;
}

// Every visible window's id. SDL's message boxes name themselves only in the desktop's newer title
// property, which a search by name does not read, so windows are listed by class and asked their name.
inline std::vector<std::string> VisibleWindows() {
    std::vector<std::string> ids;
    const std::string list = Run("xdotool search --onlyvisible --class '.*' 2>/dev/null");
    for (size_t start = 0; start < list.size();) {
        size_t end = list.find('\n', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) ids.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return ids;
}

// True while the process has not ended; it is not reaped, so WaitForExit still reads its status.
inline bool StillRunning(pid_t pid) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
}

// With X fonts installed, SDL shows its message boxes as real windows, and the program waits for an
// answer; without them the question goes to standard error and nothing shows. Waits for a box whose
// title contains the words while the program runs, answers it with the key, and says whether one came.
inline bool AnswerMessageBox(pid_t program, const std::string& titleWords, const std::string& key) {
    std::string box;
    ZorbelTest::PollUntil("a message box titled \"" + titleWords + "\" or the program's end", [&] {
        for (const std::string& id : VisibleWindows())
            if (Run("xdotool getwindowname " + id + " 2>/dev/null").find(titleWords) != std::string::npos)
                box = id;
        const bool running = StillRunning(program);
        return ZorbelTest::Sight{!box.empty() || !running, running ? "no such box" : "the program ended"};
    });
    if (box.empty()) return false;
    Run("xdotool windowfocus --sync " + box + " key " + key + " 2>/dev/null");
    return true;
}

// The game's window once it shows, waiting up to 60 s; no id when it never does.
inline Window FindGameWindow() {
    Window w;
    w.id = Run("timeout 60 xdotool search --sync --onlyvisible --name '^Tesserine$' | head -n 1");
    while (!w.id.empty() && (w.id.back() == '\n'))
        w.id.pop_back();
    if (w.id.empty()) return w;
    std::string geometry = Run("xdotool getwindowgeometry --shell " + w.id);
    std::sscanf(geometry.substr(geometry.find("X=")).c_str(), "X=%d", &w.x);
    std::sscanf(geometry.substr(geometry.find("Y=")).c_str(), "Y=%d", &w.y);
    return w;
}

// Waits until the screen shows what is wanted and has been at rest for 600 ms, and returns that
// screenshot. At rest means the window's middle column has not changed (the menu slides, tiles slide),
// or, for a puzzle whose movable tiles pulse for ever, that what is wanted has been shown all along.
enum class Rest { MiddleColumnStill, WantedHeld };
template <typename Wanted>
std::optional<XwdImage> AwaitScreen(const Window& w, const std::string& what, Wanted wanted,
                                    Rest rest = Rest::MiddleColumnStill) {
    std::optional<XwdImage> shot;
    std::vector<uint32_t> column;
    auto since = std::chrono::steady_clock::now();
    const ZorbelTest::Sight sight = ZorbelTest::PollUntil(what, [&] {
        shot = Screenshot();
        if (!shot) return ZorbelTest::Sight{false, "no screenshot"};
        const bool good = wanted(*shot);
        std::vector<uint32_t> now;
        if (rest == Rest::MiddleColumnStill) {
            for (int y = 0; y < 600; y += 3)
                now.push_back(shot->At(w.x + 612, w.y + y));
        } else {
            now.push_back(good ? 1 : 0);
        }
        if (now != column) {
            column = std::move(now);
            since = std::chrono::steady_clock::now();
        }
        const bool still = std::chrono::steady_clock::now() - since >= std::chrono::milliseconds(600);
        return ZorbelTest::Sight{good && still, std::string(good ? "it" : "something else") +
                                                    (still ? ", at rest" : ", moving")};
    });
    if (!sight.expected) shot.reset();
    return shot;
}

} // namespace GameE2E
