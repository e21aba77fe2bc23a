#pragma once

#include "framework/graphics/DrawMode.h"
#include "framework/graphics/NativeDisplay.h"

#include <mutex>
#include <unordered_set>
#include <vector>

namespace Zorbel {

class HardwarePath;
class MemoryImage;

// The shared state behind every software image: the set of live images, the saturation table of
// additive drawing, the description of the screen's pixel layout and the hardware path. The
// application object owns one for the whole run; tests make their own. Every image keeps a
// reference to its context, so the context must outlive all images made with it.
class ImageContext {
public:
    // A context without a display, which describes the screen as 32-bit x8r8g8b8.
    ImageContext();
    ImageContext(const ImageContext&) = delete;
    ImageContext& operator=(const ImageContext&) = delete;
    ~ImageContext();

    // Entry i = min(i, 255).
    const SaturationTable& Saturation() const { return mSaturation; }

    // The display description in force: the one attached, or the x8r8g8b8 default.
    const NativeDisplay& Display() const { return mDisplay != nullptr ? *mDisplay : mDefaultDisplay; }
    // Borrows the display's description (null detaches it); the display must outlive the attachment.
    void AttachDisplay(const NativeDisplay* display) { mDisplay = display; }

    // The hardware path, or null while there is none.
    HardwarePath* Hardware() const { return mHardware; }
    void AttachHardware(HardwarePath* hardware) { mHardware = hardware; }
    // True while drawing goes through the hardware path.
    bool HardwareActive() const;

    // Images register themselves when constructed and deregister when destroyed. Pictures are
    // loaded on a second thread, so the set is guarded.
    void Register(MemoryImage* image);
    void Deregister(MemoryImage* image);
    // A snapshot of the live images, in no particular order.
    std::vector<MemoryImage*> LiveImages() const;
    size_t LiveImageCount() const;

private:
    SaturationTable mSaturation;
    NativeDisplay mDefaultDisplay;
    const NativeDisplay* mDisplay = nullptr;
    HardwarePath* mHardware = nullptr;

    mutable std::mutex mLiveLock;
    std::unordered_set<MemoryImage*> mLiveImages;
};

} // namespace Zorbel
