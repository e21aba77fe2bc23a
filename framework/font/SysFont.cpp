#include "framework/font/SysFont.h"

#include "framework/graphics/CoverageBlit.h"
#include "framework/graphics/D3DInterface.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/Graphics.h"
#include "framework/platform/FontEngine.h"
#include "framework/platform/ResultCode.h"
#include "framework/platform/display/Surface.h"

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

// Text goes straight into the picture the way the window system draws it; only display pictures take it.
void SysFont::DrawText(Graphics& g, int32_t x, int32_t y, const std::string& text, const Color& color,
                       const Rect& clipRect) {
    Image* image = g.GetDestination();
    if (image == nullptr || mFace == nullptr || text.empty()) return;
    // The given y is the baseline; the coverage starts at the top of the cell.
    const TextCoverage coverage = mFace->Render(text);
    const auto left = static_cast<int32_t>(std::trunc(static_cast<float>(x) + g.GetTranslationX()));
    const auto top =
        static_cast<int32_t>(std::trunc(static_cast<float>(y - mAscent + 1) + g.GetTranslationY()));
    image->DrawTextCoverage(coverage, left, top, clipRect, color);
}

} // namespace Zorbel
