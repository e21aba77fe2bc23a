#include "framework/resource/StandaloneResourceHost.h"

#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"

namespace Zorbel {

StandaloneResourceHost::StandaloneResourceHost(ImageContext& context, SoundManager* sounds)
    : mContext(context), mSounds(sounds), mFonts(context) {}

SharedImageRef StandaloneResourceHost::GetSharedImage(const std::string& path, const std::string& variant,
                                                      bool* isNew) {
    SharedImageCache::Makers makers;
    makers.empty = [this] { return std::make_unique<MemoryImage>(mContext); };
    makers.load = [this](const std::string& file) { return GetImage(file, false); };
    return mPictures.Get(path, variant, isNew, nullptr, makers);
}

std::unique_ptr<MemoryImage> StandaloneResourceHost::GetImage(const std::string& path, bool commit) {
    std::unique_ptr<ImageLib::Image> picture = ImageLib::LoadImageFile(path, true);
    if (!picture) return nullptr;
    auto image = std::make_unique<MemoryImage>(mContext);
    image->SetPixels(picture->GetBits(), picture->GetWidth(), picture->GetHeight(), commit);
    return image;
}

} // namespace Zorbel
