#pragma once

#include "framework/platform/FileChooser.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Zorbel {
class MemoryImage;
} // namespace Zorbel

namespace Tesserine {

// What the board and its menu need of the application: pictures, the cursor, messages, quitting, the
// screen mode and a file chooser. The game's application provides it; tests can stand in for it.
class BoardHost {
public:
    // A picture file (the extension is found by the image library), ready to draw; null when it
    // cannot be loaded.
    virtual std::unique_ptr<Zorbel::MemoryImage> LoadImage(const std::string& path) = 0;
    // A picture of the player's that will be shown at width x height: a much larger one comes back
    // reduced to a size that still covers it, and no more than one full-size copy is held on the way.
    virtual std::unique_ptr<Zorbel::MemoryImage> LoadPictureForDisplay(const std::string& path, int32_t width,
                                                                       int32_t height) = 0;
    // A new empty picture on the display; null without a display.
    virtual std::unique_ptr<Zorbel::MemoryImage> CreateImage() = 0;

    // Cursor numbers are the framework's (0 arrow, 2 open hand, ...).
    virtual void SetCursor(int32_t id) = 0;
    // The window is active and not minimised; the board stands still without it.
    virtual bool HasFocus() const = 0;

    // A failure the player is told about, and one only written to the error log.
    virtual void Popup(const std::string& text) = 0;
    // Something the player is told about that the game goes on after.
    virtual void Notice(const std::string& text) = 0;
    virtual void LogError(const std::string& text) = 0;
    // The application ends at its next step.
    virtual void Quit() = 0;

    virtual bool IsWindowed() const = 0;
    // A full screen the application cannot leave (the desktop's depth does not suit a window).
    virtual bool IsForcedFullScreen() const = 0;
    // Switches between a window and full screen, with hardware acceleration off.
    virtual void SwitchScreenMode(bool windowed) = 0;

    // A desktop dialog takes over from the game between these two.
    virtual void BeginSystemDialog() = 0;
    virtual void EndSystemDialog() = 0;
    // Asks the player for a picture to open; Unavailable when there is no chooser.
    virtual Zorbel::FileChooserResult ChooseFileToOpen(const Zorbel::FileChooserRequest& request) = 0;

protected:
    virtual ~BoardHost() = default;
};

} // namespace Tesserine
