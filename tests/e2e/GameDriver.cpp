// Plays the real game on an X server the way a person would: waits for its window, clicks with
// xdotool and checks screenshots taken with xwd, each time until what it expects appears. Run under
// with_xvfb.sh with the game's path: the menu comes up over the title, "New Game" deals a 4 x 4 puzzle
// with one black gap, a right click brings the menu back, and "Quit" ends the program cleanly with its
// settings written.
//
// With --menu-then-quit the game runs in the caller's environment and working directory, and the
// driver only waits for the menu, prints the game's working directory as "cwd=<path>", and quits.
#include "e2e/GameWindow.h"
#include "e2e/PollUntil.h"
#include "e2e/Screenshot.h"
#include "support/WholeFile.h"
#include "support/XwdImage.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Zorbel::Testing::XwdImage;
using ZorbelTest::PollUntil;
using ZorbelTest::Sight;

using GameE2E::Run;
using GameE2E::Screenshot;

std::string Hex(uint32_t colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", colour & 0xFFFFFF);
    return text;
}

struct Window {
    std::string id;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// One value of what "xdotool getwindowgeometry --shell" prints, or -1.
int GeometryField(const std::string& geometry, const std::string& name) {
    size_t at = geometry.find("\n" + name + "=");
    return at == std::string::npos ? -1 : std::atoi(geometry.c_str() + at + name.size() + 2);
}

std::vector<Window> VisibleGameWindows() {
    std::vector<Window> windows;
    std::string ids = Run("xdotool search --onlyvisible --name '^Tesserine$' 2>/dev/null");
    size_t start = 0;
    while (start < ids.size()) {
        size_t end = ids.find('\n', start);
        if (end == std::string::npos) end = ids.size();
        Window window;
        window.id = ids.substr(start, end - start);
        start = end + 1;
        if (window.id.empty()) continue;
        std::string geometry = "\n" + Run("xdotool getwindowgeometry --shell " + window.id + " 2>/dev/null");
        window.x = GeometryField(geometry, "X");
        window.y = GeometryField(geometry, "Y");
        window.width = GeometryField(geometry, "WIDTH");
        window.height = GeometryField(geometry, "HEIGHT");
        windows.push_back(window);
    }
    return windows;
}

// Tells whether what a look saw has stayed the same for a while: an animation changes it every step,
// and a window being replaced changes its id.
class Stillness {
public:
    explicit Stillness(std::chrono::milliseconds enough) : mEnough(enough) {}
    bool Still(std::vector<uint32_t> seen) {
        const auto now = std::chrono::steady_clock::now();
        if (seen != mSeen) {
            mSeen = std::move(seen);
            mSince = now;
        }
        return now - mSince >= mEnough;
    }

private:
    std::chrono::milliseconds mEnough;
    std::vector<uint32_t> mSeen;
    std::chrono::steady_clock::time_point mSince = std::chrono::steady_clock::now();
};

// Waits for a visible game window of the given width, or of any width for 0, that stays: switching the
// screen mode may make a window that lives only a moment before its successor.
std::optional<Window> FindWindow(int width, std::chrono::milliseconds patience = 20s) {
    std::optional<Window> found;
    Stillness stillness(1s);
    PollUntil(
        width ? "a game window " + std::to_string(width) + " pixels wide" : std::string("a game window"),
        [&] {
            found.reset();
            Sight sight{false, "no visible window named Tesserine"};
            for (const Window& window : VisibleGameWindows()) {
                if (!found && (width == 0 || window.width == width)) found = window;
                sight.seen =
                    "a window " + std::to_string(window.width) + " x " + std::to_string(window.height);
            }
            const bool still = stillness.Still({found ? static_cast<uint32_t>(std::stoul(found->id)) : 0u});
            sight.expected = found && still;
            if (found && !still) sight.seen += " that is new";
            return sight;
        },
        patience);
    return found;
}

int Red(uint32_t c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
int Green(uint32_t c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
int Blue(uint32_t c) {
    return static_cast<int>(c & 0xFF);
}

void Stop(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// Waits for the process to end; stops it when it does not.
std::optional<int> WaitForExit(pid_t pid, std::chrono::milliseconds patience) {
    int status = 0;
    const Sight ended = PollUntil(
        "the process to end",
        [&] {
            return Sight{waitpid(pid, &status, WNOHANG) == pid, "still running"};
        },
        patience);
    if (ended.expected) return status;
    Stop(pid);
    return std::nullopt;
}

bool ExitedWithZero(const std::optional<int>& status) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

int failures = 0;
void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    if (!ok) ++failures;
}

void Click(const Window& window, int x, int y, int button) {
    Run("xdotool mousemove --window " + window.id + " " + std::to_string(x) + " " + std::to_string(y) +
        " click " + std::to_string(button));
}

// Samples of the insides of the 4 x 4 cells of the window, cell by cell, clear of the tiles' borders.
std::vector<std::vector<uint32_t>> CellInsides(const XwdImage& shot, const Window& w) {
    const int cellWidth = w.width / 4, cellHeight = w.height / 4;
    std::vector<std::vector<uint32_t>> cells(16);
    for (int cell = 0; cell < 16; ++cell) {
        int left = w.x + (cell % 4) * cellWidth, top = w.y + (cell / 4) * cellHeight;
        for (int y = top + 20; y < top + cellHeight - 20; y += 9)
            for (int x = left + 20; x < left + cellWidth - 20; x += 9)
                cells[static_cast<size_t>(cell)].push_back(shot.At(x, y) & 0xFFFFFF);
    }
    return cells;
}

bool AllBlack(const std::vector<uint32_t>& cell) {
    return std::all_of(cell.begin(), cell.end(), [](uint32_t c) { return c == 0; });
}

// The number of cells that are black all over their inside.
int BlackCells(const std::vector<std::vector<uint32_t>>& insides) {
    return static_cast<int>(std::count_if(insides.begin(), insides.end(), AllBlack));
}

// The centre of a cell of the 4 x 4 puzzle in the 800 x 600 window, relative to the window.
int CellCentreX(int cell) {
    return (cell % 4) * 200 + 100;
}
int CellCentreY(int cell) {
    return (cell / 4) * 150 + 75;
}

// The menu panel's golden frame at its left edge, halfway down.
uint32_t MenuFramePixel(const XwdImage& shot, const Window& w) {
    return shot.At(w.x + 52, w.y + 220);
}
bool MenuShown(const XwdImage& shot, const Window& w) {
    uint32_t c = MenuFramePixel(shot, w);
    return Red(c) > 200 && Green(c) > 150 && Blue(c) < 140;
}

// Waits for the menu to come to rest and checks that it did: its panel is shown and nothing in the
// column through the Quit button has moved for a while (the panel slides down from the top, and its
// buttons answer only at rest). Returns the last screenshot.
std::optional<XwdImage> AwaitMenuAtRest(const Window& w, const std::string& what) {
    std::optional<XwdImage> shot;
    Stillness stillness(600ms);
    const Sight rest = PollUntil("the menu at rest", [&] {
        shot = Screenshot();
        if (!shot) return Sight{false, "no screenshot"};
        std::vector<uint32_t> column;
        for (int y = 0; y < 600; y += 3)
            column.push_back(shot->At(w.x + 612, w.y + y));
        const bool still = stillness.Still(std::move(column));
        const bool shown = MenuShown(*shot, w);
        return Sight{shown && still,
                     (shown ? "the panel's frame" : "no panel frame but " + Hex(MenuFramePixel(*shot, w))) +
                         (still ? ", at rest" : ", moving")};
    });
    Check(rest.expected, what);
    return shot;
}

// The game with the given arguments (argv-style, ending in null) in the caller's environment: its
// window shows the menu, and Quit ends it with code 0.
int MenuThenQuit(char** gameArgv) {
    pid_t game = 0;
    if (posix_spawn(&game, gameArgv[0], nullptr, nullptr, gameArgv, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", gameArgv[0]);
        return 1;
    }
    std::optional<Window> w = FindWindow(800, 60s);
    Check(w.has_value(), "the game shows its window");
    if (!w) {
        Stop(game);
        return 1;
    }
    AwaitMenuAtRest(*w, "the menu is shown");
    std::error_code error;
    std::printf("cwd=%s\n",
                std::filesystem::read_symlink("/proc/" + std::to_string(game) + "/cwd", error).c_str());
    Click(*w, 612, 393, 1);
    Check(ExitedWithZero(WaitForExit(game, 30s)), "Quit ends the game with code 0");
    return failures == 0 ? 0 : 1;
}

// Whether two cells of the 4 x 4 grid share a side.
bool Beside(int a, int b) {
    return (a / 4 == b / 4 && std::abs(a - b) == 1) || std::abs(a - b) == 4;
}

// Waits for the window to show the puzzle at rest with its one black gap and the menu's panel gone (it
// slides away over the puzzle, and a loaded machine may pause it long enough to look still), and returns
// the last screenshot and the number of black cells on it. The tiles beside the gap pulse for ever and do
// not count for rest.
std::pair<std::optional<XwdImage>, int> AwaitPuzzle(const Window& w, const std::string& awaited) {
    std::optional<XwdImage> shot;
    int black = 0;
    Stillness stillness(600ms);
    PollUntil(awaited, [&] {
        shot = Screenshot();
        if (!shot) return Sight{false, "no screenshot"};
        const std::vector<std::vector<uint32_t>> insides = CellInsides(*shot, w);
        black = BlackCells(insides);
        int gap = -1;
        for (int cell = 0; cell < 16; ++cell)
            if (black == 1 && AllBlack(insides[static_cast<size_t>(cell)])) gap = cell;
        std::vector<uint32_t> samples;
        for (int cell = 0; cell < 16; ++cell)
            if (gap < 0 || !Beside(cell, gap))
                samples.insert(samples.end(), insides[static_cast<size_t>(cell)].begin(),
                               insides[static_cast<size_t>(cell)].end());
        const bool still = stillness.Still(std::move(samples));
        const bool menu = MenuShown(*shot, w);
        return Sight{black == 1 && still && !menu, std::to_string(black) + " black cells" +
                                                       (still ? "" : ", moving") +
                                                       (menu ? ", the menu shown" : "")};
    });
    return {shot, black};
}

} // namespace

int main(int argc, char** argv) {
    // Each check is printed as it is made, so that a run ended by a time-out shows how far it came.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc >= 3 && std::string(argv[1]) == "--menu-then-quit") return MenuThenQuit(argv + 2);
    if (argc != 2) {
        std::fprintf(
            stderr,
            "usage: GameDriver TESSERINE\n       GameDriver --menu-then-quit TESSERINE [ARGUMENT...]\n");
        return 2;
    }
    const std::filesystem::path work = GameE2E::OwnDesktopFolders("tesserine-e2e");

    pid_t game = 0;
    char* gameArgv[] = {argv[1], nullptr};
    if (posix_spawn(&game, argv[1], nullptr, nullptr, gameArgv, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }

    std::optional<Window> first = FindWindow(0, 60s);
    Check(first.has_value(), "the game shows a window named Tesserine");
    if (!first) {
        Stop(game);
        return 1;
    }
    Window w = *first;
    Check(w.width == 800 && w.height == 600, "the window is 800 x 600");
    // The X server of with_xvfb.sh is 1024 x 768 and has no panels.
    Check(w.x == (1024 - 800) / 2 && w.y == static_cast<int>(0.382 * (768 - 600)),
          "the window is centred across and at 0.382 of the free height");

    std::optional<XwdImage> shot = AwaitMenuAtRest(w, "the menu panel is shown at start");
    if (shot) {
        uint32_t button = shot->At(w.x + 188, w.y + 400);
        Check(Green(button) > Red(button) + 40,
              "the green New Game button sits at the bottom left of the panel");
    }

    // The panel slides away over the new puzzle: the backdrop behind it shows no black cell.
    Click(w, 188, 393, 1);
    int black = 0;
    std::tie(shot, black) = AwaitPuzzle(w, "the new puzzle");
    Check(shot && !MenuShown(*shot, w), "New Game closes the menu");
    Check(black == 1, "the puzzle shows exactly one black gap");

    // Click a tile beside the gap: it slides in, and the gap moves to where the tile was.
    if (shot && black == 1) {
        int gap = -1;
        for (int cell = 0; cell < 16 && gap < 0; ++cell)
            if ((shot->At(w.x + CellCentreX(cell), w.y + CellCentreY(cell)) & 0xFFFFFF) == 0) gap = cell;
        int neighbour = gap % 4 < 3 ? gap + 1 : gap - 1;
        Click(w, CellCentreX(neighbour), CellCentreY(neighbour), 1);
        const Sight moved = PollUntil("the gap where the tile was", [&] {
            std::optional<XwdImage> after = Screenshot();
            if (!after) return Sight{false, "no screenshot"};
            const int cells = BlackCells(CellInsides(*after, w));
            const uint32_t centre = after->At(w.x + CellCentreX(neighbour), w.y + CellCentreY(neighbour));
            return Sight{cells == 1 && (centre & 0xFFFFFF) == 0,
                         std::to_string(cells) + " black cells, " + Hex(centre) + " where the tile was"};
        });
        Check(gap >= 0 && moved.expected, "a click slides the tile beside the gap into it");
    }

    // Alt + Enter switches to the full screen and back; each switch makes a new window, which shows
    // the puzzle once its first frames have reached it.
    // Real key presses (XTEST) into the focused window: synthetic events do not reach a full-screen
    // window on a server without a window manager.
    Run("xdotool windowfocus " + w.id);
    Run("xdotool key alt+Return");
    std::optional<Window> full = FindWindow(1024);
    Check(full && AwaitPuzzle(*full, "the puzzle on the full screen").second == 1,
          "Alt + Enter fills the screen with the puzzle");
    if (full) {
        Run("xdotool windowfocus " + full->id);
        Run("xdotool key alt+Return");
    }
    std::optional<Window> back = FindWindow(800);
    Check(back && AwaitPuzzle(*back, "the puzzle in the window").second == 1,
          "and a second Alt + Enter back to the window");
    if (back) w = *back;

    // A second copy ends at once and leaves the first running.
    std::optional<int> secondStatus;
    pid_t second = 0;
    if (posix_spawn(&second, argv[1], nullptr, nullptr, gameArgv, environ) == 0)
        secondStatus = WaitForExit(second, 20s);
    Check(ExitedWithZero(secondStatus), "a second copy ends with code 0");
    Check(waitpid(game, nullptr, WNOHANG) == 0, "and the first keeps running");

    Click(w, 400, 300, 3);
    AwaitMenuAtRest(w, "a right click brings the menu back");

    Click(w, 612, 393, 1);
    Check(ExitedWithZero(WaitForExit(game, 30s)), "Quit ends the game with code 0");

    std::string text =
        ZorbelTest::ReadWholeFile((work / "config" / "Bramblewick" / "Tesserine" / "settings.ini").string());
    Check(text.find("InProgress = 4:%00%00%00%00") != std::string::npos, "a clean end stores InProgress 0");

    std::filesystem::remove_all(work);
    return failures == 0 ? 0 : 1;
}
