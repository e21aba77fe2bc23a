#include "framework/font/StandaloneFontHost.h"

#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"

namespace Zorbel {

StandaloneFontHost::StandaloneFontHost(ImageContext& context) : mContext(context) {}

std::shared_ptr<MemoryImage> StandaloneFontHost::LoadFontPicture(const std::string& path, bool& isNew) {
    isNew = false;
    if (auto found = mPictures.find(path); found != mPictures.end()) return found->second;
    std::unique_ptr<ImageLib::Image> picture = ImageLib::LoadImageFile(path, true);
    if (!picture) return nullptr;
    auto image = std::make_shared<MemoryImage>(mContext);
    image->SetPixels(picture->GetBits(), picture->GetWidth(), picture->GetHeight(), true);
    mPictures[path] = image;
    isNew = true;
    return image;
}

void StandaloneFontHost::ShowFontError(const std::string& text) {
    mErrors.push_back(text);
}

} // namespace Zorbel
