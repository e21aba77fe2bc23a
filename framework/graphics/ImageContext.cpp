#include "framework/graphics/ImageContext.h"

#include "framework/graphics/HardwarePath.h"

#include <cassert>

namespace Zorbel {

ImageContext::ImageContext() : mSaturation(MakeSaturationTable()) {}

ImageContext::~ImageContext() {
    // An image that outlives its context would deregister from freed memory.
    assert(mLiveImages.empty());
}

bool ImageContext::HardwareActive() const {
    return mHardware != nullptr && mHardware->IsActive();
}

void ImageContext::Register(MemoryImage* image) {
    std::lock_guard lock(mLiveLock);
    mLiveImages.insert(image);
}

void ImageContext::Deregister(MemoryImage* image) {
    std::lock_guard lock(mLiveLock);
    mLiveImages.erase(image);
}

std::vector<MemoryImage*> ImageContext::LiveImages() const {
    std::lock_guard lock(mLiveLock);
    return std::vector<MemoryImage*>(mLiveImages.begin(), mLiveImages.end());
}

size_t ImageContext::LiveImageCount() const {
    std::lock_guard lock(mLiveLock);
    return mLiveImages.size();
}

} // namespace Zorbel
