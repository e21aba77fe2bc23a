#pragma once

#include "framework/font/FontHost.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Zorbel {

class ImageContext;

// The font host of programs and tests without an application: pictures are read from their files
// into memory images of the given context and shared by path; descriptor errors are kept in order.
class StandaloneFontHost : public FontHost {
public:
    // The context must outlive the host and every picture it hands out.
    explicit StandaloneFontHost(ImageContext& context);
    StandaloneFontHost(ImageContext&&) = delete;

    std::shared_ptr<MemoryImage> LoadFontPicture(const std::string& path, bool& isNew) override;
    void ShowFontError(const std::string& text) override;

    // Every error text shown so far, oldest first.
    const std::vector<std::string>& Errors() const { return mErrors; }

private:
    ImageContext& mContext;
    std::map<std::string, std::shared_ptr<MemoryImage>> mPictures;
    std::vector<std::string> mErrors;
};

} // namespace Zorbel
