#include "framework/app/DeveloperOverlays.h"

#include "framework/app/ReportText.h"
#include "framework/font/SysFont.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"

#include <cmath>

namespace Zorbel {

DeveloperOverlays::DeveloperOverlays() = default;
DeveloperOverlays::~DeveloperOverlays() = default;

void DeveloperOverlays::Restart() {
    mRestarted = true;
    mFrames = 0;
    mClockDrawnMs.reset();
}

void DeveloperOverlays::CycleCounter() {
    mCounter = mCounter == Counter::FrameRate ? Counter::Pointer : Counter::FrameRate;
    mCounterText.clear();
}

MemoryImage* DeveloperOverlays::GetCounterImage() const {
    return mCounter == Counter::FrameRate ? mFrameRateImage.get() : mPointerImage.get();
}

bool DeveloperOverlays::Prepare(std::unique_ptr<MemoryImage>& image, const Inputs& inputs) {
    if (image) return true;
    if (!mFont && inputs.fonts)
        mFont = std::make_unique<SysFont>(inputs.fonts, "Tahoma", 8, 0, false, false, false);
    if (!mFont || !inputs.makeImage) return false;
    image = inputs.makeImage();
    if (!image) return false;
    image->SetSize(Width, mFont->Height() + 1);
    image->ForceAlphaFlags(false, false);
    image->SetVolatileHint(true);
    return true;
}

void DeveloperOverlays::Paint(MemoryImage& image, const std::string& text) {
    Graphics g(&image);
    g.SetPaintColor(Color(0, 0, 0));
    g.PaintRect(0, 0, image.GetWidth(), image.GetHeight());
    g.SetPaintColor(Color(255, 255, 255));
    g.SetTextFont(mFont.get());
    g.PaintText(text, 2, mFont->Ascent());
}

void DeveloperOverlays::Update(const Inputs& inputs) {
    ++mFrames;
    if (mCounter == Counter::FrameRate) {
        const uint32_t elapsed = inputs.now - mCountStartMs;
        if ((mRestarted || elapsed >= 1000) && Prepare(mFrameRateImage, inputs)) {
            const long fps = mRestarted ? 0 : std::lround(mFrames * 1000.0 / elapsed);
            mCounterText = "FPS: " + std::to_string(fps);
            Paint(*mFrameRateImage, mCounterText);
            mRestarted = false;
            mFrames = 0;
            mCountStartMs = inputs.now;
        }
    } else if (Prepare(mPointerImage, inputs)) {
        mCounterText = std::to_string(inputs.pointerX) + "," + std::to_string(inputs.pointerY);
        Paint(*mPointerImage, mCounterText);
    }

    mClockShown = inputs.demoTimeLeftMs.has_value();
    if (!mClockShown) return;
    // The clock changes once a second of the recording, which passes quicker when played faster.
    const double interval = inputs.speed > 0 ? 1000.0 / inputs.speed : 1000.0;
    if (mClockDrawnMs && inputs.now - *mClockDrawnMs < interval) return;
    if (!Prepare(mClockImage, inputs)) return;
    mClockText = ClockText(*inputs.demoTimeLeftMs);
    Paint(*mClockImage, mClockText);
    mClockDrawnMs = inputs.now;
}

void DeveloperOverlays::Draw(MemoryImage& screen, int32_t width, int32_t height) {
    MemoryImage* counter = GetCounterImage();
    if (counter == nullptr) return;
    const int32_t x = width - counter->GetWidth() - Margin;
    const int32_t y = height - counter->GetHeight() - Margin;
    Graphics g(&screen);
    g.PaintImage(counter, x, y);
    if (mClockShown && mClockImage) g.PaintImage(mClockImage.get(), x, y - ClockRise);
}

void DeveloperOverlays::Release() {
    mFrameRateImage.reset();
    mPointerImage.reset();
    mClockImage.reset();
    mFont.reset();
    Restart();
}

} // namespace Zorbel
