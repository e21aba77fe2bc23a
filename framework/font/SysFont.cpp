#include "framework/font/SysFont.h"

#include "framework/graphics/Graphics.h"
#include "framework/platform/FontEngine.h"

#include <cmath>

namespace Zorbel {

int32_t SysFont::PixelHeightFor(int32_t pointSize) {
    return static_cast<int32_t>(std::lround(static_cast<double>(pointSize) * PixelsPerInch / 72.0));
}

SysFont::SysFont(FontEngine* engine, const std::string& face, int32_t pointSize, int32_t characterSet,
                 bool bold, bool italic, bool underline)
    : mEngine(engine), mRequest{face, PixelHeightFor(pointSize), characterSet, bold, italic, underline} {
    Open();
}

SysFont::SysFont(const SysFont& other) : Font(other), mEngine(other.mEngine), mRequest(other.mRequest) {
    Open();
}

SysFont::~SysFont() = default;

void SysFont::Open() {
    mFace = mEngine != nullptr ? mEngine->OpenFace(mRequest) : nullptr;
    mAscent = mFace != nullptr ? mFace->Ascent() : 0;
    mHeight = mFace != nullptr ? mFace->Height() : 0;
}

std::unique_ptr<Font> SysFont::Clone() const {
    return std::make_unique<SysFont>(*this);
}

int32_t SysFont::StringWidth(const std::string& text) const {
    return mFace != nullptr ? mFace->TextWidth(text) : 0;
}

void SysFont::DrawText(Graphics&, int32_t, int32_t, const std::string&, const Color&, const Rect&) {}

} // namespace Zorbel
