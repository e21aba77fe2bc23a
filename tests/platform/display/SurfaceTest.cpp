#include "framework/platform/display/Surface.h"
#include "framework/platform/ResultCode.h"

#include <gtest/gtest.h>

using namespace Zorbel;

namespace {

std::shared_ptr<Surface> Make(int width, int height, PixelFormat format = PixelFormat::X8R8G8B8()) {
    std::shared_ptr<Surface> surface;
    EXPECT_EQ(Surface::Create(width, height, format, SurfaceCaps::Offscreen, surface), ResultCode::Ok);
    return surface;
}

// Pixel (x, y) of the pattern: a value nobody could produce by accident.
uint32_t Pattern(int x, int y) {
    return (static_cast<uint32_t>(y + 1) << 8) | static_cast<uint32_t>(x + 1);
}

void FillPattern(Surface& surface) {
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x)
            surface.SetPixelAt(x, y, Pattern(x, y));
}

class Recorder : public SurfacePresenter {
public:
    void Present(Surface&, const PixelRect& area) override { areas.push_back(area); }
    std::vector<PixelRect> areas;
};

} // namespace

TEST(SurfaceTest, RowsArePaddedAndLockingGivesTheMemoryOnce) {
    auto surface = Make(3, 2, PixelFormat::R5G6B5());
    EXPECT_EQ(surface->Pitch(), 16) << "rows start on 16-byte boundaries";
    SurfaceLock lock;
    ASSERT_EQ(surface->Lock(lock), ResultCode::Ok);
    EXPECT_EQ(lock.pitch, 16);
    EXPECT_EQ(lock.format, PixelFormat::R5G6B5());
    lock.pixels[16] = 0x34;
    lock.pixels[17] = 0x12;
    SurfaceLock again;
    EXPECT_EQ(surface->Lock(again), ResultCode::SurfaceBusy);
    auto other = Make(3, 2, PixelFormat::R5G6B5());
    EXPECT_EQ(other->Blt(nullptr, surface.get(), nullptr, 0), ResultCode::SurfaceBusy)
        << "a locked surface cannot be blitted from";
    EXPECT_EQ(surface->Unlock(), ResultCode::Ok);
    EXPECT_EQ(surface->Unlock(), ResultCode::NotLocked);
    EXPECT_EQ(surface->PixelAt(0, 1), 0x1234u);
}

TEST(SurfaceTest, CreateRefusesImpossibleSizesAndLayouts) {
    std::shared_ptr<Surface> surface;
    EXPECT_EQ(Surface::Create(0, 10, PixelFormat::X8R8G8B8(), 0, surface), ResultCode::InvalidParams);
    EXPECT_EQ(Surface::Create(10, -1, PixelFormat::X8R8G8B8(), 0, surface), ResultCode::InvalidParams);
    EXPECT_EQ(Surface::Create(1 << 20, 1 << 20, PixelFormat::X8R8G8B8(), 0, surface),
              ResultCode::InvalidParams);
    EXPECT_EQ(Surface::Create(4, 4, PixelFormat{8, 0xE0, 0x1C, 3}, 0, surface),
              ResultCode::InvalidPixelFormat);
    EXPECT_EQ(surface, nullptr);
}

TEST(SurfaceTest, PlainBlitCopiesTheSourceRectangle) {
    for (PixelFormat format : {PixelFormat::X8R8G8B8(), PixelFormat::R5G6B5(), PixelFormat::R8G8B8()}) {
        auto source = Make(8, 6, format);
        auto dest = Make(10, 10, format);
        FillPattern(*source);
        PixelRect from{2, 1, 3, 4};
        PixelRect to{5, 6, 3, 4};
        ASSERT_EQ(dest->Blt(&to, source.get(), &from, BltFlags::Wait), ResultCode::Ok);
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 10; ++x) {
                bool inside = x >= 5 && x < 8 && y >= 6 && y < 10;
                uint32_t expected = inside ? Pattern(x - 3, y - 5) : 0;
                ASSERT_EQ(dest->PixelAt(x, y), expected)
                    << format.bitsPerPixel << " bpp at " << x << "," << y;
            }
        }
    }
}

TEST(SurfaceTest, StretchingSamplesThePixelUnderEachCentre) {
    auto source = Make(4, 2);
    FillPattern(*source);
    auto up = Make(8, 4);
    ASSERT_EQ(up->Blt(nullptr, source.get(), nullptr, 0), ResultCode::Ok);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(up->PixelAt(x, y), Pattern(x / 2, y / 2)) << x << "," << y;

    auto down = Make(2, 1);
    ASSERT_EQ(down->Blt(nullptr, source.get(), nullptr, 0), ResultCode::Ok);
    // Centres of 2 destination pixels over 4 source pixels fall on source pixels 1 and 3; row 1 of 2.
    EXPECT_EQ(down->PixelAt(0, 0), Pattern(1, 1));
    EXPECT_EQ(down->PixelAt(1, 0), Pattern(3, 1));

    auto odd = Make(3, 1);
    PixelRect row{0, 0, 4, 1};
    ASSERT_EQ(odd->Blt(nullptr, source.get(), &row, 0), ResultCode::Ok);
    EXPECT_EQ(odd->PixelAt(0, 0), Pattern(0, 0)); // centre 0.5 * 4/3 = 0.67
    EXPECT_EQ(odd->PixelAt(1, 0), Pattern(2, 0)); // 1.5 * 4/3 = 2
    EXPECT_EQ(odd->PixelAt(2, 0), Pattern(3, 0)); // 2.5 * 4/3 = 3.33
}

TEST(SurfaceTest, SourceColourKeySkipsKeyedPixelsWhenAsked) {
    auto source = Make(3, 1, PixelFormat::R5G6B5());
    source->SetPixelAt(0, 0, 0xF800);
    source->SetPixelAt(1, 0, 0x07E0);
    source->SetPixelAt(2, 0, 0x001F);
    ASSERT_EQ(source->SetColorKey(0x07E0), ResultCode::Ok);
    auto dest = Make(3, 1, PixelFormat::R5G6B5());
    ASSERT_EQ(dest->ColorFill(nullptr, 0x1234), ResultCode::Ok);
    ASSERT_EQ(dest->Blt(nullptr, source.get(), nullptr, BltFlags::KeySource | BltFlags::Wait),
              ResultCode::Ok);
    EXPECT_EQ(dest->PixelAt(0, 0), 0xF800u);
    EXPECT_EQ(dest->PixelAt(1, 0), 0x1234u) << "the keyed pixel leaves the destination alone";
    EXPECT_EQ(dest->PixelAt(2, 0), 0x001Fu);
    ASSERT_EQ(dest->Blt(nullptr, source.get(), nullptr, 0), ResultCode::Ok);
    EXPECT_EQ(dest->PixelAt(1, 0), 0x07E0u) << "without the flag the key is copied like any pixel";

    // On 32 bits only the colour bits are compared.
    auto wide = Make(1, 1);
    wide->SetPixelAt(0, 0, 0xFF00FF00);
    ASSERT_EQ(wide->SetColorKey(0x0000FF00), ResultCode::Ok);
    auto target = Make(1, 1);
    ASSERT_EQ(target->Blt(nullptr, wide.get(), nullptr, BltFlags::KeySource), ResultCode::Ok);
    EXPECT_EQ(target->PixelAt(0, 0), 0u);
}

TEST(SurfaceTest, RectanglesOutsideTheSurfaceAreRefusedUnlessAClipperClipsThem) {
    auto source = Make(4, 4);
    FillPattern(*source);
    auto dest = Make(4, 4);
    PixelRect past{2, 2, 4, 4};
    EXPECT_EQ(dest->Blt(&past, source.get(), nullptr, 0), ResultCode::InvalidRect);
    PixelRect badSource{1, 1, 4, 4};
    EXPECT_EQ(dest->Blt(nullptr, source.get(), &badSource, 0), ResultCode::InvalidRect);
    EXPECT_EQ(dest->ColorFill(&past, 1), ResultCode::InvalidRect);

    ASSERT_EQ(dest->SetClipper(std::make_shared<Clipper>()), ResultCode::Ok);
    ASSERT_EQ(dest->Blt(&past, source.get(), nullptr, 0), ResultCode::Ok);
    EXPECT_EQ(dest->PixelAt(1, 1), 0u);
    EXPECT_EQ(dest->PixelAt(2, 2), Pattern(0, 0));
    EXPECT_EQ(dest->PixelAt(3, 3), Pattern(1, 1));
    // A clipped stretch keeps the mapping of the whole rectangle.
    PixelRect stretched{-4, 0, 8, 4};
    PixelRect half{0, 0, 2, 2};
    ASSERT_EQ(dest->Blt(&stretched, source.get(), &half, 0), ResultCode::Ok);
    EXPECT_EQ(dest->PixelAt(0, 0), Pattern(1, 0));
    EXPECT_EQ(dest->PixelAt(3, 3), Pattern(1, 1));
}

TEST(SurfaceTest, LayoutsMustMatch) {
    auto source = Make(2, 2, PixelFormat::R5G6B5());
    auto dest = Make(2, 2, PixelFormat::X1R5G5B5());
    EXPECT_EQ(dest->Blt(nullptr, source.get(), nullptr, 0), ResultCode::InvalidPixelFormat);
    EXPECT_EQ(dest->Blt(nullptr, nullptr, nullptr, 0), ResultCode::InvalidParams);
}

TEST(SurfaceTest, BlitWithinOneSurfaceHandlesOverlap) {
    auto surface = Make(4, 4);
    FillPattern(*surface);
    PixelRect from{0, 0, 3, 3};
    PixelRect to{1, 1, 3, 3};
    ASSERT_EQ(surface->Blt(&to, surface.get(), &from, 0), ResultCode::Ok);
    for (int y = 1; y < 4; ++y)
        for (int x = 1; x < 4; ++x)
            EXPECT_EQ(surface->PixelAt(x, y), Pattern(x - 1, y - 1)) << x << "," << y;
}

TEST(SurfaceTest, ColourFillWritesTheNativeValue) {
    auto surface = Make(3, 3, PixelFormat::R8G8B8());
    PixelRect middle{1, 1, 1, 1};
    ASSERT_EQ(surface->ColorFill(&middle, 0xABCDEF), ResultCode::Ok);
    EXPECT_EQ(surface->PixelAt(1, 1), 0xABCDEFu);
    EXPECT_EQ(surface->PixelAt(0, 1), 0u);
    EXPECT_EQ(surface->PixelAt(2, 1), 0u);
    EXPECT_EQ(surface->Row(1)[3], 0xEF) << "24-bit pixels are stored blue first";
}

TEST(SurfaceTest, FlipExchangesFrontAndBackAndShowsTheNewFront) {
    std::shared_ptr<Surface> front, back;
    uint32_t caps = SurfaceCaps::Primary | SurfaceCaps::Flip | SurfaceCaps::Complex;
    ASSERT_EQ(Surface::Create(2, 2, PixelFormat::X8R8G8B8(), caps, front), ResultCode::Ok);
    ASSERT_EQ(Surface::Create(2, 2, PixelFormat::X8R8G8B8(), SurfaceCaps::BackBuffer, back), ResultCode::Ok);
    EXPECT_EQ(front->Flip(), ResultCode::NotFlippable);
    front->AttachBackBuffer(back);
    Recorder recorder;
    front->SetPresenter(&recorder);
    ASSERT_EQ(back->ColorFill(nullptr, 0x00FF00), ResultCode::Ok);
    EXPECT_TRUE(recorder.areas.empty()) << "drawing into the back buffer shows nothing";
    std::shared_ptr<Surface> attached;
    ASSERT_EQ(front->GetAttachedSurface(attached), ResultCode::Ok);
    EXPECT_EQ(attached, back);
    ASSERT_EQ(front->Flip(), ResultCode::Ok);
    EXPECT_EQ(front->PixelAt(1, 1), 0x00FF00u);
    EXPECT_EQ(back->PixelAt(1, 1), 0u);
    ASSERT_EQ(recorder.areas.size(), 1u);
    EXPECT_EQ(recorder.areas[0], (PixelRect{0, 0, 2, 2}));
    front->SetPresenter(nullptr);
}

TEST(SurfaceTest, APrimaryShowsEveryChangeAndALostSurfaceRefusesWork) {
    std::shared_ptr<Surface> primary;
    ASSERT_EQ(Surface::Create(4, 4, PixelFormat::X8R8G8B8(), SurfaceCaps::Primary, primary), ResultCode::Ok);
    Recorder recorder;
    primary->SetPresenter(&recorder);
    auto source = Make(2, 2);
    PixelRect to{1, 2, 2, 2};
    ASSERT_EQ(primary->Blt(&to, source.get(), nullptr, 0), ResultCode::Ok);
    SurfaceLock lock;
    ASSERT_EQ(primary->Lock(lock), ResultCode::Ok);
    EXPECT_EQ(recorder.areas.size(), 1u) << "a lock shows nothing until it ends";
    ASSERT_EQ(primary->Unlock(), ResultCode::Ok);
    ASSERT_EQ(recorder.areas.size(), 2u);
    EXPECT_EQ(recorder.areas[0], to);
    EXPECT_EQ(recorder.areas[1], (PixelRect{0, 0, 4, 4}));

    primary->MarkLost();
    EXPECT_EQ(primary->Blt(nullptr, source.get(), nullptr, 0), ResultCode::SurfaceLost);
    EXPECT_EQ(primary->Lock(lock), ResultCode::SurfaceLost);
    EXPECT_EQ(source->Blt(nullptr, primary.get(), nullptr, 0), ResultCode::SurfaceLost);
    primary->SetPresenter(nullptr);
}
