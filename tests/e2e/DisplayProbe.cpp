// Opens a real window on the X server named by DISPLAY, draws a known picture through the display
// device, presents it, takes a screenshot of the whole X screen with xwd and compares what the screen
// shows with the picture. Exits 0 when they match.
//
//   DisplayProbe [--depth 16|32] [--fullscreen] [--size WIDTH HEIGHT] [--renderer NAME]
//
// --renderer fails the probe unless SDL presents through the named renderer ("opengl" under Xvfb, where
// Mesa provides it).
#include "e2e/PollUntil.h"
#include "e2e/Screenshot.h"
#include "support/XwdImage.h"

#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/DisplayHost.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageContext.h"
#include "framework/platform/display/SdlDisplayDriver.h"
#include "framework/platform/time/RealClock.h"
#include "framework/platform/window/SdlWindowSystem.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace Zorbel;

namespace {

struct ProbeHost : DisplayHost {
    int32_t DisplayWidth() const override { return width; }
    int32_t DisplayHeight() const override { return height; }
    int32_t FullScreenBitDepth() const override { return depth; }
    bool WaitForVSync() const override { return false; }
    int32_t width = 320;
    int32_t height = 240;
    int32_t depth = 32;
};

// The picture: eight vertical bars of pure colours over the top half; below, on the left, half-opaque
// blue over red and, on the right, a sprite of opaque and fully transparent 8 x 8 squares (green over
// grey). Pure channels make the expected colours exact on every layout.
constexpr uint32_t kBars[8] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                               0xFFFF00, 0x00FFFF, 0xFF00FF, 0xFFFFFF};

void DrawPicture(DDImage& screen, ImageContext& images) {
    const int32_t w = screen.GetWidth(), h = screen.GetHeight();
    Graphics g(&screen);
    for (int i = 0; i < 8; ++i) {
        g.SetPaintColor(Color::FromPacked(kBars[i]));
        g.PaintRect(i * w / 8, 0, (i + 1) * w / 8 - i * w / 8, h / 2);
    }
    g.SetPaintColor(Color(255, 0, 0));
    g.PaintRect(0, h / 2, w / 2, h - h / 2);
    g.SetPaintColor(Color(0, 0, 255, 128));
    g.PaintRect(0, h / 2, w / 2, h - h / 2);
    g.SetPaintColor(Color(128, 128, 128));
    g.PaintRect(w / 2, h / 2, w - w / 2, h - h / 2);

    MemoryImage sprite(images);
    const int32_t sw = w - w / 2, sh = h - h / 2;
    std::vector<uint32_t> pixels(static_cast<size_t>(sw) * sh);
    for (int32_t y = 0; y < sh; ++y)
        for (int32_t x = 0; x < sw; ++x)
            pixels[static_cast<size_t>(y) * sw + x] = ((x / 8 + y / 8) % 2 == 0) ? 0xFF00FF00 : 0x00000000;
    sprite.SetPixels(pixels.data(), sw, sh, true);
    g.PaintImage(&sprite, w / 2, h / 2);
}

// What the screen should show at frame pixel (x, y) on a screen of the given depth.
uint32_t Expected(int32_t x, int32_t y, int32_t w, int32_t h, int depth) {
    // Fills write a full channel as 254 on 32 bits (255 on 16); copied sprite pixels keep 255.
    const uint32_t full = depth == 32 ? 0xFE : 0xFF;
    auto filled = [full](uint32_t rgb) {
        uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8)
            if ((rgb >> shift) & 0xFF) out |= full << shift;
        return out;
    };
    if (y < h / 2) {
        int bar = 0;
        while (bar < 7 && x >= (bar + 1) * w / 8)
            ++bar;
        return filled(kBars[bar]);
    }
    if (x < w / 2) return depth == 32 ? 0x7F007F : 0x7B007B; // half blue over red, as each layout rounds it
    const int32_t sx = x - w / 2, sy = y - h / 2;
    if ((sx / 8 + sy / 8) % 2 == 0) return 0x00FF00;
    return depth == 32 ? 0x7F7F7F : 0x7B7D7B; // grey 128: 127 on 32 bits, 15 / 31 / 15 widened on 16
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
    return true;
}

// One line of a comparison's report, formatted as by printf.
std::string Describe(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Describe(const char* format, ...) {
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

bool CompareWindow(const Testing::XwdImage& shot, const PixelRect& client, const ProbeHost& host,
                   int tolerance, std::string& report) {
    int mismatches = 0;
    for (int32_t y = 0; y < host.height; ++y) {
        for (int32_t x = 0; x < host.width; ++x) {
            const int32_t sx = client.x + x, sy = client.y + y;
            const uint32_t expected = Expected(x, y, host.width, host.height, host.depth);
            const bool inside = sx >= 0 && sy >= 0 && sx < shot.width && sy < shot.height;
            if (inside && Near(shot.At(sx, sy), expected, tolerance)) continue;
            if (++mismatches <= 5)
                report += Describe("frame pixel %d,%d: screen shows %06x, expected %06x\n", x, y,
                                   inside ? shot.At(sx, sy) : 0xFFFFFFFF, expected);
        }
    }
    report += Describe("window at %d,%d, %d x %d: %d pixels differ", client.x, client.y, host.width,
                       host.height, mismatches);
    return mismatches == 0;
}

// The frame scaled to the screen with its aspect kept: compares the centres of frame pixels that lie
// inside areas of one colour (smoothing mixes colours only at their borders) and the bars around it.
bool CompareScaled(const Testing::XwdImage& shot, const ProbeHost& host, int tolerance, std::string& report) {
    const double scale = std::min(double(shot.width) / host.width, double(shot.height) / host.height);
    const double viewWidth = host.width * scale, viewHeight = host.height * scale;
    const double left = (shot.width - viewWidth) / 2, top = (shot.height - viewHeight) / 2;
    int checked = 0, mismatches = 0;
    auto check = [&](int32_t sx, int32_t sy, uint32_t expected, const char* what) {
        ++checked;
        if (Near(shot.At(sx, sy), expected, tolerance)) return;
        if (++mismatches <= 5)
            report += Describe("%s at screen %d,%d: %06x, expected %06x\n", what, sx, sy, shot.At(sx, sy),
                               expected);
    };
    for (int32_t y = 2; y < host.height - 2; y += 3) {
        for (int32_t x = 2; x < host.width - 2; x += 3) {
            const uint32_t expected = Expected(x, y, host.width, host.height, host.depth);
            bool uniform = true;
            for (int dy = -2; dy <= 2 && uniform; ++dy)
                for (int dx = -2; dx <= 2 && uniform; ++dx)
                    uniform = Expected(x + dx, y + dy, host.width, host.height, host.depth) == expected;
            if (!uniform) continue;
            check(int32_t(left + (x + 0.5) * scale), int32_t(top + (y + 0.5) * scale), expected, "frame");
        }
    }
    // The bars outside the frame are black.
    for (int32_t x = 0; x < shot.width; x += 7) {
        if (top >= 1) check(x, 0, 0, "bar");
        if (top >= 1) check(x, shot.height - 1, 0, "bar");
    }
    report += Describe("frame scaled %.2f times into %d x %d: %d of %d samples differ", scale, shot.width,
                       shot.height, mismatches, checked);
    return mismatches == 0 && checked > 1000;
}

// A failed comparison leaves the screenshot behind for a look (xwud -in FILE).
void KeepScreenshot(const std::vector<uint8_t>& data) {
    if (FILE* file = std::fopen("display-probe-failed.xwd", "wb")) {
        std::fwrite(data.data(), 1, data.size(), file);
        std::fclose(file);
        std::fprintf(stderr, "screenshot kept in display-probe-failed.xwd\n");
    }
}

// Whether the screenshot shows the picture, and what differs.
ZorbelTest::Sight Compare(const std::vector<uint8_t>& data, SdlWindowSystem& windows, WindowId window,
                          const ProbeHost& host, bool fullScreen) {
    std::string why;
    const auto shot = Testing::XwdImage::Parse(data, &why);
    if (!shot) return {false, "a screenshot that cannot be read: " + why};
    const int tolerance = host.depth == 16 ? 8 : 0;
    ZorbelTest::Sight sight;
    sight.expected = fullScreen
                         ? CompareScaled(*shot, host, std::max(tolerance, 2), sight.seen)
                         : CompareWindow(*shot, windows.ClientRect(window), host, tolerance, sight.seen);
    return sight;
}

} // namespace

int main(int argc, char** argv) {
    ProbeHost host;
    bool fullScreen = false;
    std::string wantedRenderer;
    DisplayOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--depth") == 0 && i + 1 < argc) {
            host.depth = std::atoi(argv[++i]);
            options.desktopFormat = DisplayOptions::FormatFromName(argv[i]);
        } else if (std::strcmp(argv[i], "--size") == 0 && i + 2 < argc) {
            host.width = std::atoi(argv[++i]);
            host.height = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--renderer") == 0 && i + 1 < argc) {
            wantedRenderer = argv[++i];
        } else if (std::strcmp(argv[i], "--fullscreen") == 0) {
            fullScreen = true;
            // A 16:10 frame on a 4:3 screen: scaled to the width, with bars above and below.
            host.width = 640;
            host.height = 400;
        }
    }

    RealClock clock;
    std::string error;
    auto windows = SdlWindowSystem::Create(clock, options, &error);
    if (!windows) {
        std::fprintf(stderr, "no video: %s\n", error.c_str());
        return 2;
    }
    WindowDesc desc;
    desc.title = "Display probe";
    desc.clientWidth = host.width;
    desc.clientHeight = host.height;
    desc.centred = false;
    desc.x = 40;
    desc.y = 30;
    desc.visible = true;
    desc.fullScreen = fullScreen;
    const WindowId window = windows->CreateWindow(desc);
    ImageContext images;
    int status = 1;
    {
        DDInterface device(host, images, *windows, clock);
        const auto result = device.InitDevice(window, !fullScreen);
        if (result != DDInterface::RESULT_OK) {
            std::fprintf(stderr, "set-up failed: %s %s\n", DDInterface::ResultText(result).c_str(),
                         device.ErrorText().c_str());
            return 2;
        }
        auto* driver = dynamic_cast<SdlDisplayDriver*>(device.Driver());
        const std::string renderer = driver ? driver->RendererName() : "?";
        std::printf("renderer %s, %d-bit screen, %s\n", renderer.c_str(), device.bitDepth,
                    fullScreen ? "full screen" : "windowed");
        if (!wantedRenderer.empty() && renderer != wantedRenderer) {
            std::fprintf(stderr, "the %s renderer was wanted\n", wantedRenderer.c_str());
            return 1;
        }
        DrawPicture(*device.GetScreenImage(), images);
        // The window system may take a while to show the window: each look presents the picture again
        // (as an exposed window must) before it takes the screenshot.
        std::vector<uint8_t> screenshot;
        const ZorbelTest::Sight shown = ZorbelTest::PollUntil("the picture on the screen", [&] {
            windows->DispatchMessages([&](const WindowMessage& message) {
                if (message.kind == MessageKind::Paint) device.Redraw();
                return true;
            });
            device.Redraw();
            screenshot = ZorbelTest::ScreenshotData();
            return Compare(screenshot, *windows, window, host, fullScreen);
        });
        const PixelRect client = windows->ClientRect(window);
        std::printf("window client area %d,%d %d x %d\n%s\n", client.x, client.y, client.width, client.height,
                    shown.seen.c_str());
        if (!shown.expected) KeepScreenshot(screenshot);
        status = shown.expected ? 0 : 1;
    }
    return status;
}
