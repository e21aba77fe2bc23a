#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace Zorbel {

class FontEngine;
class Font;
class MemoryImage;

// The small counters of the F3 key, drawn over the bottom right of every frame: the frame rate or the
// pointer position, and during demo playback the time left in the recording just above. Each is a
// display picture 50 pixels wide and one 8-point "Tahoma" line (plus 1) high, opaque and volatile,
// white text on black, made on first use.
class DeveloperOverlays {
public:
    static constexpr int32_t Width = 50;
    static constexpr int32_t Margin = 10;
    // The demo clock sits this much higher than the counter.
    static constexpr int32_t ClockRise = 15;

    enum class Counter { FrameRate, Pointer };

    // What the pictures are made from and show at one draw.
    struct Inputs {
        // A new display picture; null keeps the overlays from drawing.
        std::function<std::unique_ptr<MemoryImage>()> makeImage;
        FontEngine* fonts = nullptr;
        uint32_t now = 0;
        int32_t pointerX = 0;
        int32_t pointerY = 0;
        // The time left in the demo being played, in milliseconds; empty when none plays.
        std::optional<int64_t> demoTimeLeftMs;
        double speed = 1.0;
    };

    DeveloperOverlays();
    ~DeveloperOverlays();
    DeveloperOverlays(const DeveloperOverlays&) = delete;
    DeveloperOverlays& operator=(const DeveloperOverlays&) = delete;

    // The frame count starts again; the next update shows "FPS: 0".
    void Restart();
    Counter GetCounter() const { return mCounter; }
    // Switches between the frame-rate counter and the pointer position.
    void CycleCounter();

    // A draw step: counts the frame and redraws the texts that are due.
    void Update(const Inputs& inputs);
    // Puts the counter at (width - its width - 10, height - its height - 10) of the screen, and the
    // demo clock 15 pixels higher while a demo plays.
    void Draw(MemoryImage& screen, int32_t width, int32_t height);
    // Lets go of the pictures and the font (the display they live on is going away).
    void Release();

    // What the pictures show, for tests.
    const std::string& GetCounterText() const { return mCounterText; }
    const std::string& GetClockText() const { return mClockText; }
    MemoryImage* GetCounterImage() const;
    MemoryImage* GetClockImage() const { return mClockImage.get(); }

private:
    // The picture, made when missing; false when it cannot be.
    bool Prepare(std::unique_ptr<MemoryImage>& image, const Inputs& inputs);
    void Paint(MemoryImage& image, const std::string& text);

    Counter mCounter = Counter::FrameRate;
    std::unique_ptr<Font> mFont;
    std::unique_ptr<MemoryImage> mFrameRateImage;
    std::unique_ptr<MemoryImage> mPointerImage;
    std::unique_ptr<MemoryImage> mClockImage;
    std::string mCounterText;
    std::string mClockText;
    bool mRestarted = true;
    int32_t mFrames = 0;
    uint32_t mCountStartMs = 0;
    std::optional<uint32_t> mClockDrawnMs;
    bool mClockShown = false;
};

} // namespace Zorbel
