#include "framework/font/SysFont.h"

#include "framework/font/CoverageBlit.h"
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

namespace {

// Pending hardware drawing of the frame must reach the screen's pixels before text is put there.
void FlushHardwareDrawing(DDImage& image) {
    DDInterface* device = image.Device();
    if (device == nullptr || device->GetScreenImage() != &image) return;
    D3DInterface& hardware = device->Hardware();
    if (hardware.IsActive() && hardware.IsSceneOpen()) hardware.EndScene3D();
}

} // namespace

// Text goes straight into the display surface, the way the window system draws text. While a frame
// is drawn the surface is locked for the whole frame; the text takes the surface for itself and
// hands the lock back afterwards.
void SysFont::DrawText(Graphics& g, int32_t x, int32_t y, const std::string& text, const Color& color,
                       const Rect& clipRect) {
    auto* image = dynamic_cast<DDImage*>(g.GetDestination());
    if (image == nullptr || mFace == nullptr || text.empty()) return;
    if (!image->GetSurface() && image->AcquireSurfaceLock()) image->ReleaseSurfaceLock();
    std::shared_ptr<Surface> surface = image->GetSurface();
    if (!surface) return;
    FlushHardwareDrawing(*image);

    // The given y is the baseline; the coverage starts at the top of the cell.
    const TextCoverage coverage = mFace->Render(text);
    const auto left = static_cast<int32_t>(std::trunc(static_cast<float>(x) + g.GetTranslationX()));
    const auto top =
        static_cast<int32_t>(std::trunc(static_cast<float>(y - mAscent + 1) + g.GetTranslationY()));

    const bool wasLocked = surface->IsLocked();
    if (wasLocked) surface->Unlock();
    SurfaceLock lock;
    bool drawn = surface->Lock(lock) == ResultCode::Ok;
    if (drawn) {
        CoverageBlit::ToSurface(lock, coverage, left, top, clipRect, color);
        surface->Unlock();
    }
    if (wasLocked) {
        SurfaceLock relock;
        (void)surface->Lock(relock);
    }
    if (!drawn || image->Bits() == nullptr) return;
    // The picture also keeps its pixels in memory, and whichever copy it trusts next must show the
    // text: the memory copy gets it too before the picture hears of the change. A picture whose
    // surface is its only copy is not told, since that would make it drop the surface.
    CoverageBlit::ToPixels(image->GetPixels(), image->GetWidth(), image->GetHeight(), coverage, left, top,
                           clipRect, color);
    image->NotifyPixelsChanged();
}

} // namespace Zorbel
