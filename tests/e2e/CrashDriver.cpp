// Crashes the real game on an X server and answers its crash windows the way a person would, with
// xdotool, checking them on xwd screenshots and checking what reaches a loopback report server.
// Run under with_xvfb.sh as: CrashDriver MODE GAME, where MODE is
//   send   - "Fatal Error!" offers both buttons; Send Report, a description and Continue deliver the
//            report to the server, with the demo the crash saved;
//   close  - without a report server only "Close Now" shows, full width;
//   retry  - the server refuses: "Connection Failed" comes up, Retry tries again, Cancel gives up;
//   abort  - the server never answers: Abort in "Submitting Report" ends the reporter.
// In every mode the game ends with the crash exit code and leaves crash.txt. Whatever happens, the
// driver ends the game's process group before it returns: no window or message box that was never
// answered outlives it.
#include "GameWindow.h"
#include "framework/app/ExitCodes.h"
#include "support/LoopbackServer.h"
#include "support/WholeFile.h"
#include "support/XwdImage.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <netinet/in.h>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using GameE2E::Check;
using GameE2E::Run;
using GameE2E::Screenshot;
using GameE2E::VisibleWindows;
using Zorbel::Testing::XwdImage;
using ZorbelTest::LoopbackServer;
using ZorbelTest::PollUntil;
using ZorbelTest::ServerConnection;
using ZorbelTest::Sight;

// The demo "-record" writes without "-demofile", in the game's working folder.
const std::string kDemoFile = "zorbelapp.dmo";

// A window of the crash reporter, found by its title.
struct Window {
    std::string id;
    int x = 0;
    int y = 0;
    int width = 0;
};

// Waits for a visible window with exactly this title.
std::optional<Window> FindWindow(const std::string& title, std::chrono::milliseconds patience = 30s) {
    std::optional<Window> found;
    PollUntil(
        "a window titled \"" + title + "\"",
        [&] {
            for (const std::string& id : VisibleWindows()) {
                if (Run("xdotool getwindowname " + id + " 2>/dev/null") != title + "\n") continue;
                std::string geometry = Run("xdotool getwindowgeometry --shell " + id + " 2>/dev/null");
                if (geometry.find("WIDTH=") == std::string::npos) continue;
                Window window;
                window.id = id;
                std::sscanf(geometry.substr(geometry.find("X=")).c_str(), "X=%d", &window.x);
                std::sscanf(geometry.substr(geometry.find("Y=")).c_str(), "Y=%d", &window.y);
                std::sscanf(geometry.substr(geometry.find("WIDTH=")).c_str(), "WIDTH=%d", &window.width);
                found = window;
            }
            return Sight{found.has_value(), "no such window"};
        },
        patience);
    return found;
}

bool WindowGone(const std::string& id) {
    return PollUntil("window " + id + " to close",
                     [&] {
                         for (const std::string& visible : VisibleWindows())
                             if (visible == id) return Sight{false, "still shown"};
                         return Sight{true, ""};
                     })
        .expected;
}

// A key pressed in a window: it takes the keyboard focus first (there is no window manager to give it).
void Key(const Window& window, const std::string& key) {
    Run("xdotool windowfocus --sync " + window.id + " key " + key + " 2>/dev/null");
}

void Click(const Window& window, int x, int y) {
    Run("xdotool mousemove --window " + window.id + " " + std::to_string(x) + " " + std::to_string(y) +
        " click 1");
}

bool IsBlack(uint32_t c) {
    return (c & 0xFFFFFF) == 0;
}

// Waits until the window is drawn: the black right edge of a bevelled button at (x, y) in it.
bool AwaitButtonEdge(const Window& w, int x, int y) {
    return PollUntil("a button's edge at " + std::to_string(x) + "," + std::to_string(y) + " in " + w.id,
                     [&] {
                         std::optional<XwdImage> shot = Screenshot();
                         return Sight{shot && IsBlack(shot->At(w.x + x, w.y + y)), "not drawn"};
                     })
        .expected;
}

// The buttons of the bottom row of the crash and submit windows, told apart by the black right edge
// of a bevelled button: the left one of two ends at x 195; one button across the width ends at 391.
void CheckButtonRow(const Window& w, bool two) {
    Check(AwaitButtonEdge(w, 391, 280), "the window's buttons are drawn");
    std::optional<XwdImage> shot = Screenshot();
    if (!shot) return;
    bool leftEdge = IsBlack(shot->At(w.x + 195, w.y + 280));
    bool gap = !IsBlack(shot->At(w.x + 200, w.y + 280));
    if (two)
        Check(leftEdge && gap, "\"Send Report\" and \"Close Now\" side by side");
    else
        Check(!leftEdge, "only \"Close Now\", across the whole width");
}

// The first line of the submit window's description box.
std::vector<uint32_t> DescriptionLine(const Window& w) {
    std::vector<uint32_t> pixels;
    if (std::optional<XwdImage> shot = Screenshot())
        for (int y = 94; y < 112; ++y)
            for (int x = 10; x < 200; ++x)
                pixels.push_back(shot->At(w.x + x, w.y + y));
    return pixels;
}

// The game, recording a demo, in a process group of its own that its reporter joins.
pid_t StartGame(char* game, const std::string& server) {
    if (server.empty())
        unsetenv("ZORBEL_REPORT_SERVER");
    else
        setenv("ZORBEL_REPORT_SERVER", server.c_str(), 1);
    char record[] = "-record";
    char crash[] = "-crash";
    char* argv[] = {game, record, crash, nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    int failed = posix_spawn(&pid, game, nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    return failed == 0 ? pid : -1;
}

// Waits up to the given time for the game to end, then ends what is left of its process group: the
// game when it hangs, and a reporter window or message box that nobody answered. The game stays a
// zombie until then, so that its group's number cannot be anyone else's.
std::optional<int> WaitForGame(pid_t pid, std::chrono::milliseconds patience) {
    if (pid <= 0) return std::nullopt;
    bool ended = PollUntil(
                     "the game to end",
                     [&] {
                         return Sight{!GameE2E::StillRunning(pid), "still running"};
                     },
                     patience)
                     .expected;
    kill(-pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    // The killed members were orphans of ours (the driver is their subreaper): they are reaped here.
    int ignored = 0;
    PollUntil(
        "the rest of the game's group to be reaped",
        [&] {
            return Sight{waitpid(-pid, &ignored, WNOHANG) < 0, "members left"};
        },
        5s);
    if (!ended) return std::nullopt;
    return status;
}

void CheckCrashEnd(pid_t game, const std::string& folder) {
    std::optional<int> status = WaitForGame(game, 30s);
    Check(status && WIFEXITED(*status) && WEXITSTATUS(*status) == Zorbel::EXIT_CODE_CRASH,
          "the game ends with the crash exit code");
    std::string report = ZorbelTest::ReadWholeFile(folder + "/crash.txt");
    Check(report.rfind("Exception: Access Violation (code 0xc0000005) at address ", 0) == 0,
          "crash.txt begins with the exception line");
    Check(report.find("\r\nProduct: Tesserine\r\nVersion:  0.9b\r\n") != std::string::npos,
          "crash.txt holds the game's information");
}

bool Delivered(const LoopbackServer& server) {
    return PollUntil(
               "the report at the server",
               [&] {
                   return Sight{!server.Requests().empty(), "no request"};
               },
               30s)
        .expected;
}

// The value of one form field in a multipart body; nullopt when the field is missing.
std::optional<std::string> Field(const std::string& request, const std::string& name) {
    std::string head = "Content-Disposition: form-data; name=\"" + name + "\"\r\n\r\n";
    size_t at = request.find(head);
    if (at == std::string::npos) return std::nullopt;
    at += head.size();
    size_t end = request.find("\r\n-----------------------------7d3e1f30eec", at);
    if (end == std::string::npos) return std::nullopt;
    return request.substr(at, end - at);
}

// The bytes of the demo file part of a multipart body; nullopt when there is none.
std::optional<std::string> DemoPart(const std::string& request) {
    const std::string head = "Content-Disposition: form-data; name=\"demofile\"; filename=\"orvane.dmo\"\r\n"
                             "Content-Type: application/octet-stream\r\n\r\n";
    size_t at = request.find(head);
    if (at == std::string::npos) return std::nullopt;
    at += head.size();
    size_t end = request.rfind("\r\n-----------------------------7d3e1f30eec--\r\n");
    if (end == std::string::npos || end < at) return std::nullopt;
    return request.substr(at, end - at);
}

// The demo the crash saved: the file the game recorded into, attached to the report as it is on disk,
// a demo that opens (its magic first) and ends with the crash's filler event.
void CheckDemo(const std::string& request, const std::string& folder) {
    std::optional<std::string> demo = DemoPart(request);
    Check(demo && demo->size() > 4 && demo->compare(0, 4, "\x78\xEF\xBE\x42", 4) == 0,
          "the demo part is a demo file (magic 0x42BEEF78 first)");
    std::string saved = ZorbelTest::ReadWholeFile(folder + "/" + kDemoFile);
    Check(demo && *demo == saved, "the demo part is the recording the game saved");
    std::string dump = Run(folder + "/zorbel-demo-dump " + folder + "/" + kDemoFile + " 2>&1; echo exit=$?");
    Check(dump.find("\nexit=0\n") != std::string::npos, "zorbel-demo-dump reads the saved demo");
    size_t last = dump.rfind("\nevent ");
    Check(last != std::string::npos && dump.compare(dump.find('\n', last + 1) - 7, 7, " filler") == 0,
          "its last event is the crash's filler");
}

void Send(char* game, const std::string& folder) {
    LoopbackServer server(
        LoopbackServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nOK"));
    pid_t pid = StartGame(game, server.Url("/ignored/path"));
    std::optional<Window> crash = FindWindow("Fatal Error!");
    Check(crash && crash->width == 400, "\"Fatal Error!\" shows, 400 pixels wide");
    if (crash) {
        CheckButtonRow(*crash, true);
        Click(*crash, 102, 280);
    }
    std::optional<Window> details = FindWindow("Error Details");
    Check(details.has_value(), "Send Report opens \"Error Details\"");
    if (details) {
        Check(AwaitButtonEdge(*details, 195, 280), "\"Error Details\" is drawn");
        // The description box has the focus: typing goes into it, and Continue once it shows.
        std::vector<uint32_t> empty = DescriptionLine(*details);
        Run("xdotool type --delay 20 'tiles froze'");
        Check(PollUntil("the description typed",
                        [&] {
                            return Sight{DescriptionLine(*details) != empty, "the box as it was"};
                        })
                  .expected,
              "the description shows as it is typed");
        Click(*details, 102, 280);
    }
    Check(Delivered(server), "Continue delivers a request");
    CheckCrashEnd(pid, folder);
    std::vector<std::string> requests = server.Requests();
    if (requests.empty()) return;
    const std::string& request = requests.front();
    Check(request.rfind("POST /trovix_error.php HTTP/1.1\r\n", 0) == 0, "the request line");
    Check(request.find("\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n") != std::string::npos,
          "the Host header names the server");
    Check(Field(request, "prod") == std::string("Tesserine"), "prod is Tesserine");
    Check(Field(request, "version") == std::string(" 0.9b"), "version is \" 0.9b\"");
    Check(Field(request, "usertext") == std::string("tiles froze"), "usertext is what was typed");
    std::optional<std::string> title = Field(request, "errortitle");
    Check(title && title->rfind("Exception at ", 0) == 0, "errortitle");
    std::optional<std::string> text = Field(request, "errortext");
    Check(text && *text + "\n" == ZorbelTest::ReadWholeFile(folder + "/crash.txt"), "errortext is crash.txt");
    CheckDemo(request, folder);
}

void Close(char* game, const std::string& folder) {
    pid_t pid = StartGame(game, "");
    std::optional<Window> crash = FindWindow("Fatal Error!");
    Check(crash.has_value(), "\"Fatal Error!\" shows");
    if (crash) {
        CheckButtonRow(*crash, false);
        Click(*crash, 200, 280);
    }
    CheckCrashEnd(pid, folder);
}

// A port on the loopback address where nothing listens.
uint16_t RefusingPort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    close(s);
    return ntohs(address.sin_port);
}

// Send Report, then Continue, each once its window is drawn.
void SubmitFromCrashWindow() {
    for (const char* title : {"Fatal Error!", "Error Details"})
        if (std::optional<Window> window = FindWindow(title); window && AwaitButtonEdge(*window, 195, 280))
            Click(*window, 102, 280);
}

void Retry(char* game, const std::string& folder) {
    pid_t pid = StartGame(game, "127.0.0.1:" + std::to_string(RefusingPort()));
    SubmitFromCrashWindow();
    std::optional<Window> failed = FindWindow("Connection Failed");
    Check(failed.has_value(), "a refused upload asks \"Connection Failed\"");
    if (failed) {
        // Enter is Retry: the upload runs again and fails again.
        Key(*failed, "Return");
        Check(WindowGone(failed->id), "Retry closes the question");
    }
    std::optional<Window> again = FindWindow("Connection Failed");
    Check(again.has_value(), "Retry tries again and asks again");
    if (again) Key(*again, "Escape");
    CheckCrashEnd(pid, folder);
}

void Abort(char* game, const std::string& folder) {
    LoopbackServer server([](ServerConnection& connection) {
        connection.ReadRequest();
        connection.WaitForClientToClose();
    });
    pid_t pid = StartGame(game, "http://127.0.0.1:" + std::to_string(server.Port()));
    SubmitFromCrashWindow();
    std::optional<Window> progress = FindWindow("Submitting Report");
    Check(progress && progress->width == 240, "\"Submitting Report\" shows, 240 pixels wide");
    Check(Delivered(server), "the upload reaches the server");
    if (progress && AwaitButtonEdge(*progress, 167, 47)) Click(*progress, 120, 47);
    CheckCrashEnd(pid, folder);
}

} // namespace

int main(int argc, char** argv) {
    const std::map<std::string, void (*)(char*, const std::string&)> modes = {
        {"send", Send}, {"close", Close}, {"retry", Retry}, {"abort", Abort}};
    if (argc != 3 || !modes.count(argv[1])) {
        std::fprintf(stderr, "usage: CrashDriver send|close|retry|abort GAME\n");
        return 2;
    }
    // Each check is printed as it is made, so that a run ended by a time-out shows how far it came.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::string game = argv[2];
    std::string folder = game.substr(0, game.rfind('/'));
    // What the game leaves behind when it is killed (its reporter) becomes ours to reap.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    const std::filesystem::path work = GameE2E::OwnDesktopFolders("tesserine-e2e-crash");
    unlink((folder + "/crash.txt").c_str());
    unlink((folder + "/" + kDemoFile).c_str());
    modes.at(argv[1])(argv[2], folder);
    unlink((folder + "/" + kDemoFile).c_str());
    std::filesystem::remove_all(work);
    return GameE2E::failures == 0 ? 0 : 1;
}
