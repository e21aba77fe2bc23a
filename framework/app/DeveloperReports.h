#pragma once

#include "framework/app/DeveloperOverlays.h"

#include <cstdint>
#include <optional>
#include <string>

namespace Zorbel {

class Clock;
class DisplayDevice;
class FontEngine;
class ImageContext;

// The application's state as the reports need it; asked afresh each time.
struct ReportState {
    DisplayDevice* display = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    // Where the widgets last saw the pointer.
    int32_t pointerX = 0;
    int32_t pointerY = 0;
    // The time left in the demo being played, in milliseconds; empty when none plays.
    std::optional<int64_t> demoTimeLeftMs;
    double speed = 1.0;
};

// The developer reports the debug keys ask for: a screenshot of the current frame as the next
// "_screenshots/image<n>.png" (F11), a dump of every live picture with its memory use into "_dump"
// (Shift + F11), the video statistics in a message box (F8), and the overlays of F3. Nothing in a game
// depends on them; they only write or show what is there.
class DeveloperReports {
public:
    // The application's side: its state, fonts and message boxes, and the main loop's timing.
    class Host {
    public:
        virtual ReportState GetReportState() = 0;
        virtual FontEngine* GetFontEngine() = 0;
        virtual int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) = 0;
        // The time a report took is not to be caught up by update steps.
        virtual void RestartStepTiming() = 0;
        // Every widget draws again at the next frame (an overlay went away).
        virtual void RedrawEverything() = 0;

    protected:
        virtual ~Host() = default;
    };

    static constexpr const char* ScreenshotFolder = "_screenshots";
    static constexpr const char* DumpFolder = "_dump";

    // The host, the pictures and the clock must outlive the reports.
    DeveloperReports(Host& host, ImageContext& images, Clock& clock);
    DeveloperReports(const DeveloperReports&) = delete;
    DeveloperReports& operator=(const DeveloperReports&) = delete;

    // --- Overlays ---
    bool IsShowingFps() const { return mShowFps; }
    // F3 switches the overlays on and off; with cycle (Shift + F3) they go on and the counter switches
    // between frame rate and pointer. Switched on, the counters start again.
    void ToggleOverlays(bool cycle);
    // A draw step: the overlay pictures are brought up to date (only while shown).
    void UpdateOverlays();
    // Puts the overlays into the finished frame (only while shown).
    void DrawOverlays();
    // The display is going away: its pictures go first.
    void ReleaseOverlays() { mOverlays.Release(); }
    const DeveloperOverlays& GetOverlays() const { return mOverlays; }

    // --- Reports ---
    // The current frame as the next numbered PNG in the folder; the path written, empty when there is
    // no screen or its pixels cannot be read.
    std::string TakeScreenshot();
    // Every live picture, its thumbnail and the page that lists them into the dump folder; false when
    // the folder or the page could not be made.
    bool DumpImages();
    // The video statistics message box ("Video Stats"), and its text.
    void ShowVideoStats();
    std::string VideoStatsText();

    // Where the files go (the working directory's folders by default).
    void SetFolders(std::string screenshots, std::string dump);

private:
    // The local date and time for the dump's page.
    static std::string DateText();

    Host& mHost;
    ImageContext& mImages;
    Clock& mClock;
    bool mShowFps = false;
    DeveloperOverlays mOverlays;
    std::string mScreenshotFolder = ScreenshotFolder;
    std::string mDumpFolder = DumpFolder;
};

} // namespace Zorbel
