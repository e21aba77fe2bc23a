#include "framework/graphics/CoverageBlit.h"

#include "framework/platform/ResultCode.h"
#include "framework/platform/display/Surface.h"

#include <gtest/gtest.h>

using namespace Zorbel;

namespace {

// Three pixels side by side: fully, half and not covered.
TextCoverage Row() {
    TextCoverage coverage;
    coverage.width = 3;
    coverage.height = 1;
    coverage.alpha = {255, 128, 0};
    return coverage;
}

std::shared_ptr<Surface> MakeSurface(const PixelFormat& format, uint32_t fill) {
    std::shared_ptr<Surface> surface;
    EXPECT_EQ(Surface::Create(8, 4, format, SurfaceCaps::Offscreen | SurfaceCaps::SystemMemory, surface),
              ResultCode::Ok);
    EXPECT_EQ(surface->ColorFill(nullptr, fill), ResultCode::Ok);
    return surface;
}

SurfaceLock Lock(Surface& surface) {
    SurfaceLock lock;
    EXPECT_EQ(surface.Lock(lock), ResultCode::Ok);
    return lock;
}

} // namespace

TEST(CoverageBlitTest, BlendsTowardTheTextColourOnA32BitSurface) {
    auto surface = MakeSurface(PixelFormat::X8R8G8B8(), 0x204060);
    CoverageBlit::ToSurface(Lock(*surface), Row(), 2, 1, Rect(0, 0, 8, 4), Color(255, 128, 0, 0));
    surface->Unlock();
    EXPECT_EQ(surface->PixelAt(2, 1), 0xFF8000u) << "alpha 0 in the colour still draws opaque text";
    // (c x 128 + d x 127 + 127) / 255 per channel
    EXPECT_EQ(surface->PixelAt(3, 1), 0x906030u);
    EXPECT_EQ(surface->PixelAt(4, 1), 0x204060u);
    EXPECT_EQ(surface->PixelAt(1, 1), 0x204060u);
    EXPECT_EQ(surface->PixelAt(2, 0), 0x204060u);
}

TEST(CoverageBlitTest, BlendsInNativeChannelsOnA16BitSurface) {
    auto surface = MakeSurface(PixelFormat::R5G6B5(), 0);
    CoverageBlit::ToSurface(Lock(*surface), Row(), 0, 0, Rect(0, 0, 8, 4), Color(255, 255, 255));
    surface->Unlock();
    EXPECT_EQ(surface->PixelAt(0, 0), 0xFFFFu);
    EXPECT_EQ(surface->PixelAt(1, 0), 0x8410u);
    EXPECT_EQ(surface->PixelAt(2, 0), 0u);

    auto red = MakeSurface(PixelFormat::R5G6B5(), 0x001F);
    CoverageBlit::ToSurface(Lock(*red), Row(), 0, 0, Rect(0, 0, 8, 4), Color(255, 0, 0));
    red->Unlock();
    EXPECT_EQ(red->PixelAt(0, 0), 0xF800u);
}

TEST(CoverageBlitTest, OnlyPixelsInsideTheClipAndTheTargetChange) {
    auto surface = MakeSurface(PixelFormat::X8R8G8B8(), 0);
    CoverageBlit::ToSurface(Lock(*surface), Row(), 6, 3, Rect(0, 0, 7, 4), Color(255, 255, 255));
    surface->Unlock();
    CoverageBlit::ToSurface(Lock(*surface), Row(), -1, 0, Rect(0, 0, 8, 4), Color(255, 255, 255));
    surface->Unlock();
    EXPECT_EQ(surface->PixelAt(6, 3), 0xFFFFFFu);
    EXPECT_EQ(surface->PixelAt(7, 3), 0u) << "outside the clip";
    EXPECT_EQ(surface->PixelAt(0, 0), 0x808080u) << "the first column fell off the left edge";
    EXPECT_EQ(surface->PixelAt(1, 0), 0u);
}

TEST(CoverageBlitTest, MemoryPixelsBlendTheSameWayAndBecomeOpaque) {
    std::vector<uint32_t> pixels(4, 0x00204060);
    CoverageBlit::ToPixels(pixels.data(), 4, 1, Row(), 0, 0, Rect(0, 0, 4, 1), Color(255, 128, 0));
    EXPECT_EQ(pixels[0], 0xFFFF8000u);
    EXPECT_EQ(pixels[1], 0x80906030u);
    EXPECT_EQ(pixels[2], 0x00204060u);
}
