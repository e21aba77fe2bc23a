#pragma once

#include <cstdint>

namespace Zorbel {

class Image;

// The developer reports: the small on-screen overlays (frame rate, pointer position, demo clock) that
// the F3 key shows, the screenshot and image dump of F11 and the video statistics of F8.
//
// FIXME: the reports arrive with the debug keys; until then the overlays have nothing to show and
// nothing is drawn.
class DeveloperReports {
public:
    bool IsShowingFps() const { return mShowFps; }
    void SetShowFps(bool on) { mShowFps = on; }

    // Brings the overlay pictures up to date before a frame is drawn (only while shown).
    void UpdateOverlays() {}
    // Puts the overlays into the finished frame, at its bottom right (only while shown).
    void DrawOverlays(Image* screen, int32_t width, int32_t height);

private:
    bool mShowFps = false;
};

} // namespace Zorbel
