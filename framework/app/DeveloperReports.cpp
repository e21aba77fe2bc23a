#include "framework/app/DeveloperReports.h"

#include "framework/app/DisplayDevice.h"
#include "framework/app/ImageDump.h"
#include "framework/app/ScreenshotWriter.h"
#include "framework/app/VideoStats.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/Clock.h"

#include <ctime>
#include <filesystem>
#include <mutex>

namespace Zorbel {

namespace {

// How long the dump waits for its folder to come into being (it may be removed by hand just then).
constexpr int FolderAttempts = 50;
constexpr uint32_t FolderRetryMs = 100;

} // namespace

DeveloperReports::DeveloperReports(Host& host, ImageContext& images, Clock& clock)
    : mHost(host), mImages(images), mClock(clock) {}

void DeveloperReports::SetFolders(std::string screenshots, std::string dump) {
    mScreenshotFolder = std::move(screenshots);
    mDumpFolder = std::move(dump);
}

// --- Overlays ---

void DeveloperReports::ToggleOverlays(bool cycle) {
    const bool wasShown = mShowFps;
    if (cycle) {
        mShowFps = true;
        mOverlays.CycleCounter();
    } else {
        mShowFps = !mShowFps;
    }
    if (mShowFps) mOverlays.Restart();
    // The overlays are drawn over the widgets; gone, what they covered must be drawn again.
    if (wasShown && !mShowFps) mHost.RedrawEverything();
}

void DeveloperReports::UpdateOverlays() {
    if (!mShowFps) return;
    ReportState state = mHost.GetReportState();
    DeveloperOverlays::Inputs inputs;
    DisplayDevice* display = state.display;
    if (display) inputs.makeImage = [display] { return display->CreateImage(); };
    inputs.fonts = mHost.GetFontEngine();
    inputs.now = mClock.Milliseconds();
    inputs.pointerX = state.pointerX;
    inputs.pointerY = state.pointerY;
    inputs.demoTimeLeftMs = state.demoTimeLeftMs;
    inputs.speed = state.speed;
    mOverlays.Update(inputs);
}

void DeveloperReports::DrawOverlays() {
    if (!mShowFps) return;
    ReportState state = mHost.GetReportState();
    MemoryImage* screen = state.display ? state.display->GetScreenImage() : nullptr;
    if (screen) mOverlays.Draw(*screen, state.width, state.height);
}

// --- Reports ---

std::string DeveloperReports::TakeScreenshot() {
    DisplayDevice* display = mHost.GetReportState().display;
    if (display == nullptr) return {};
    std::vector<uint32_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
    std::string written;
    if (display->ReadScreen(pixels, width, height))
        written = ScreenshotWriter(mScreenshotFolder).Write(pixels, width, height);
    mHost.RestartStepTiming();
    return written;
}

bool DeveloperReports::DumpImages() {
    std::error_code error;
    bool folder = false;
    for (int attempt = 0; attempt < FolderAttempts; ++attempt) {
        std::filesystem::create_directory(mDumpFolder, error);
        folder = std::filesystem::is_directory(mDumpFolder, error);
        if (folder) break;
        mClock.Sleep(FolderRetryMs);
    }
    bool written = false;
    if (folder) {
        DisplayDevice* display = mHost.GetReportState().display;
        std::recursive_mutex unshared;
        std::lock_guard<std::recursive_mutex> guard(display ? display->GetLock() : unshared);
        ImageDump dump(mDumpFolder, [display](const MemoryImage& image, TextureUse& use) {
            return display != nullptr && display->GetTextureUse(image, use);
        });
        written = dump.Write(mImages.LiveImages(), DateText());
    }
    mHost.RestartStepTiming();
    return written;
}

std::string DeveloperReports::VideoStatsText() {
    DisplayDevice* display = mHost.GetReportState().display;
    if (display == nullptr) return VideoStats().Text();
    std::lock_guard<std::recursive_mutex> guard(display->GetLock());
    return VideoStats::Collect(*display, mImages.LiveImages()).Text();
}

void DeveloperReports::ShowVideoStats() {
    mHost.MessageBox(VideoStatsText(), "Video Stats", 0);
}

std::string DeveloperReports::DateText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[64] = "";
    if (localtime_r(&now, &local)) std::strftime(text, sizeof text, "%c", &local);
    return text;
}

} // namespace Zorbel
