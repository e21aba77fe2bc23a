#pragma once
// What the end-to-end drivers of the game share: running commands, screenshots of the X server with
// xwd, finding and clicking the game's window with xdotool, and what the screen shows.
#include "support/XwdImage.h"

#include <cstdio>
#include <optional>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace GameE2E {

using Zorbel::Testing::XwdImage;

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
};

// Waits up to the given time for a visible game window of the given width.
inline std::optional<Window> FindWindowOfWidth(int width, int seconds = 15) {
    for (int attempt = 0; attempt < seconds * 5; ++attempt) {
        std::string ids = Run("xdotool search --onlyvisible --name '^Tesserine$' 2>/dev/null");
        size_t start = 0;
        while (start < ids.size()) {
            size_t end = ids.find('\n', start);
            if (end == std::string::npos) end = ids.size();
            Window candidate;
            candidate.id = ids.substr(start, end - start);
            start = end + 1;
            if (candidate.id.empty()) continue;
            std::string geometry = Run("xdotool getwindowgeometry --shell " + candidate.id + " 2>/dev/null");
            if (geometry.find("WIDTH=" + std::to_string(width) + "\n") == std::string::npos) continue;
            std::sscanf(geometry.substr(geometry.find("X=")).c_str(), "X=%d", &candidate.x);
            std::sscanf(geometry.substr(geometry.find("Y=")).c_str(), "Y=%d", &candidate.y);
            usleep(500000); // let the first frames reach it
            return candidate;
        }
        usleep(200000);
    }
    return std::nullopt;
}

inline int Red(uint32_t c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
inline int Green(uint32_t c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
inline int Blue(uint32_t c) {
    return static_cast<int>(c & 0xFF);
}

// Waits up to the given time for the process to end; kills it when it does not.
inline std::optional<int> WaitForExit(pid_t pid, int seconds) {
    int status = 0;
    for (int i = 0; i < seconds * 10; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) return status;
        usleep(100000);
    }
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

inline void Click(const Window& window, int x, int y, int button) {
    Run("xdotool mousemove --window " + window.id + " " + std::to_string(x) + " " + std::to_string(y) +
        " click " + std::to_string(button));
}

// The number of 4 x 4 cells that are black all over their inside.
inline int BlackCells(const XwdImage& shot, const Window& w) {
    int black = 0;
    for (int cell = 0; cell < 16; ++cell) {
        int left = w.x + (cell % 4) * 200, top = w.y + (cell / 4) * 150;
        bool all = true;
        for (int y = top + 20; y < top + 130 && all; y += 9)
            for (int x = left + 20; x < left + 180 && all; x += 9)
                all = (shot.At(x, y) & 0xFFFFFF) == 0;
        black += all;
    }
    return black;
}

// The menu panel's golden frame at its left edge, halfway down.
inline bool MenuShown(const XwdImage& shot, const Window& w) {
    uint32_t c = shot.At(w.x + 52, w.y + 220);
    return Red(c) > 200 && Green(c) > 150 && Blue(c) < 140;
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

} // namespace GameE2E
