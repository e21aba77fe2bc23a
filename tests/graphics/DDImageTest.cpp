#include "DisplayTestUtil.h"
#include "ImageTestUtil.h"

#include "framework/graphics/Graphics.h"

#include <gtest/gtest.h>

#include <set>

using namespace Zorbel;
using namespace Zorbel::Testing;

namespace {

DisplayOptions Depth16() {
    DisplayOptions options;
    options.desktopFormat = PixelFormat::R5G6B5();
    return options;
}

// A set-up display of the given screen layout.
struct Display : HeadlessDisplay {
    explicit Display(DisplayOptions options = {}) : HeadlessDisplay(std::move(options), 64, 48) {
        EXPECT_EQ(Init(), DDInterface::RESULT_OK);
    }
    DDImage& ScreenImage() { return *device->GetScreenImage(); }
    uint32_t Drawn(int x, int y) { return device->DrawSurface()->PixelAt(x, y); }
};

} // namespace

TEST(DDImageTest, OpaqueFillsKeepTheTopBitsOfEachChannel) {
    Display wide;
    wide.ScreenImage().FillArea(Rect(0, 0, 64, 48), Color::White, DRAWMODE_NORMAL);
    EXPECT_EQ(wide.Drawn(5, 5) & 0xFFFFFF, 0xFEFEFEu);
    wide.ScreenImage().FillArea(Rect(0, 0, 1, 1), Color(200, 100, 50), DRAWMODE_NORMAL);
    EXPECT_EQ(wide.Drawn(0, 0) & 0xFFFFFF, 0xC76331u);
    EXPECT_EQ(wide.Drawn(1, 0) & 0xFFFFFF, 0xFEFEFEu);

    Display narrow(Depth16());
    narrow.ScreenImage().FillArea(Rect(0, 0, 64, 48), Color::White, DRAWMODE_NORMAL);
    EXPECT_EQ(narrow.Drawn(5, 5), 0xFFFFu);
    narrow.ScreenImage().FillArea(Rect(0, 0, 1, 1), Color(200, 100, 50), DRAWMODE_NORMAL);
    EXPECT_EQ(narrow.Drawn(0, 0), 0xC306u);
}

TEST(DDImageTest, TranslucentAndAdditiveFillsFollowTheirFormulas) {
    Display wide;
    ASSERT_EQ(wide.device->DrawSurface()->ColorFill(nullptr, 0x204080), ResultCode::Ok);
    wide.ScreenImage().FillArea(Rect(0, 0, 2, 2), Color(200, 100, 50, 128), DRAWMODE_NORMAL);
    EXPECT_EQ(wide.Drawn(1, 1) & 0xFFFFFF, 0x745259u);
    EXPECT_EQ(wide.Drawn(2, 2) & 0xFFFFFF, 0x204080u);
    wide.ScreenImage().FillArea(Rect(0, 0, 1, 1), Color(200, 100, 50, 0), DRAWMODE_NORMAL);
    EXPECT_EQ(wide.Drawn(0, 0) & 0xFFFFFF, 0x745259u) << "alpha 0 leaves the surface alone";

    Display narrow(Depth16());
    ASSERT_EQ(narrow.device->DrawSurface()->ColorFill(nullptr, 0x8410), ResultCode::Ok);
    narrow.ScreenImage().FillArea(Rect(0, 0, 1, 1), Color(200, 100, 50, 128), DRAWMODE_NORMAL);
    EXPECT_EQ(narrow.Drawn(0, 0), 0xA38Bu);
    narrow.ScreenImage().FillArea(Rect(1, 0, 1, 1), Color(200, 100, 50, 128), DRAWMODE_ADDITIVE);
    EXPECT_EQ(narrow.Drawn(1, 0), 0xE593u);
    narrow.ScreenImage().FillArea(Rect(2, 0, 1, 1), Color::White, DRAWMODE_ADDITIVE);
    EXPECT_EQ(narrow.Drawn(2, 0), 0xFFFFu) << "additive fills saturate";
}

TEST(DDImageTest, SurfaceBlitsCopyOpaqueRunsSkipClearOnesAndBlendTheRest) {
    for (bool sixteen : {false, true}) {
        Display display(sixteen ? Depth16() : DisplayOptions{});
        ASSERT_EQ(display.device->DrawSurface()->ColorFill(nullptr, sixteen ? 0x8410 : 0x204080),
                  ResultCode::Ok);
        MemoryImage sprite(display.images);
        const uint32_t pixels[4] = {0xFF00FF00, 0x00FFFFFF, 0x80FF8040, 0xFF00FF00};
        sprite.SetPixels(pixels, 4, 1, true);
        Graphics g(&display.ScreenImage());
        g.PaintImage(&sprite, 10, 5);
        if (sixteen) {
            EXPECT_EQ(display.Drawn(10, 5), 0x07E0u);
            EXPECT_EQ(display.Drawn(11, 5), 0x8410u);
            EXPECT_EQ(display.Drawn(12, 5), 0xC40Cu);
        } else {
            EXPECT_EQ(display.Drawn(10, 5) & 0xFFFFFF, 0x00FF00u)
                << "opaque runs are copied: full channels stay 255";
            EXPECT_EQ(display.Drawn(11, 5) & 0xFFFFFF, 0x204080u);
            EXPECT_EQ(display.Drawn(12, 5) & 0xFFFFFF, 0x906060u);
        }
        EXPECT_EQ(display.ScreenImage().Bits(), nullptr) << "the surface is the only copy";
    }
}

TEST(DDImageTest, AdditiveAndTintedSurfaceBlits) {
    Display display;
    DDImage& screen = display.ScreenImage();
    screen.FillArea(Rect(0, 0, 64, 48), Color::White, DRAWMODE_NORMAL);
    MemoryImage white(display.images);
    Fill(white, 2, 2, 0xFFFFFFFF);
    screen.BlitImage(&white, 0, 0, Rect(0, 0, 2, 2), Color::White, DRAWMODE_ADDITIVE);
    EXPECT_EQ(display.Drawn(0, 0) & 0xFFFFFF, 0xFFFFFFu) << "white added to white saturates";

    // Additive with a colour: d + (k x kA / 255) x s / 256 per channel.
    screen.FillArea(Rect(0, 0, 64, 48), Color(0, 0, 0), DRAWMODE_NORMAL);
    MemoryImage grey(display.images);
    Fill(grey, 1, 1, 0xFF808080);
    screen.BlitImage(&grey, 5, 5, Rect(0, 0, 1, 1), Color(255, 128, 0, 255), DRAWMODE_ADDITIVE);
    EXPECT_EQ(display.Drawn(5, 5) & 0xFFFFFF, 0x7F4000u); // 255 x 128 / 256 = 127, 128 x 128 / 256 = 64

    // A tinted normal blit weighs the source by the colour: w = 128, red = (s w k + d (256 - w) 256) >> 16.
    screen.FillArea(Rect(0, 0, 64, 48), Color(0, 0, 0), DRAWMODE_NORMAL);
    MemoryImage red(display.images);
    Fill(red, 1, 1, 0xFFFF0000);
    screen.BlitImage(&red, 6, 6, Rect(0, 0, 1, 1), Color(255, 255, 255, 128), DRAWMODE_NORMAL);
    EXPECT_EQ(display.Drawn(6, 6) & 0xFFFFFF, 0x7F0000u); // 255 x 128 x 255 >> 16 = 127
    screen.BlitImage(&red, 7, 7, Rect(0, 0, 1, 1), Color(255, 255, 255, 0), DRAWMODE_NORMAL);
    EXPECT_EQ(display.Drawn(7, 7) & 0xFFFFFF, 0u) << "a colour of alpha 0 draws nothing";
}

TEST(DDImageTest, NarrowBlitsDrawPixelForPixelWhatWideBlitsDrawByRuns) {
    // A picture of every alpha class, drawn whole (wide enough to walk its alpha runs) on one screen
    // and in glyph-sized pieces (looked at pixel by pixel) on another; a third draws the mirror image
    // of the picture mirrored, which goes through the general per-pixel code. The screens must agree.
    Display whole, pieces, reference;
    MemoryImage picture(whole.images), mirrored(whole.images);
    std::vector<uint32_t> pixels(60 * 8);
    uint32_t seed = 12345;
    for (uint32_t& pixel : pixels) {
        seed = seed * 1103515245 + 12345;
        const uint32_t alpha[4] = {0, 255, (seed >> 8) & 0xFF, 255};
        pixel = alpha[(seed >> 20) & 3] << 24 | ((seed >> 4) & 0xFFFFFF);
    }
    picture.SetPixels(pixels.data(), 60, 8, true);
    // Translucent colours weigh each pixel's alpha by theirs, four pixels at a time where the processor
    // allows: the extremes of that product are among them.
    const Color colours[] = {Color::White, Color(255, 200, 40), Color(90, 180, 255, 160),
                             Color(255, 255, 255, 1), Color(255, 128, 7, 254)};
    for (bool palettised : {false, true}) {
        if (palettised) {
            Fill(picture, 60, 8, 0);
            for (int32_t i = 0; i < 60 * 8; ++i)
                pixels[size_t(i)] = (pixels[size_t(i)] & 0xFF000000) | (i % 7) * 0x102030;
            picture.SetPixels(pixels.data(), 60, 8, true);
            ASSERT_TRUE(picture.ConvertToPalette());
        }
        std::vector<uint32_t> flipped(pixels.size());
        for (size_t i = 0; i < pixels.size(); ++i)
            flipped[i] = pixels[(i / 60) * 60 + 59 - i % 60];
        mirrored.SetPixels(flipped.data(), 60, 8, true);
        for (const Color& colour : colours) {
            for (Display* display : {&whole, &pieces, &reference})
                display->ScreenImage().FillArea(Rect(0, 0, 64, 48), Color(30, 60, 90), DRAWMODE_NORMAL);
            whole.ScreenImage().BlitImage(&picture, 2, 3, Rect(0, 0, 60, 8), colour, DRAWMODE_NORMAL);
            reference.ScreenImage().BlitImageFlipped(&mirrored, 2, 3, Rect(0, 0, 60, 8), colour,
                                                     DRAWMODE_NORMAL);
            for (int32_t x = 0; x < 60; x += 12)
                pieces.ScreenImage().BlitImage(&picture, 2 + x, 3, Rect(x, 0, 12, 8), colour,
                                               DRAWMODE_NORMAL);
            for (int32_t y = 0; y < 12; ++y)
                for (int32_t x = 0; x < 64; ++x)
                    for (Display* display : {&whole, &pieces})
                        ASSERT_EQ(display->Drawn(x, y) & 0xFFFFFF, reference.Drawn(x, y) & 0xFFFFFF)
                            << x << "," << y << " palettised " << palettised << " alpha " << colour.alpha;
        }
    }
}

TEST(DDImageTest, MirroredBlitsReverseTheColumns) {
    Display display;
    MemoryImage strip(display.images);
    const uint32_t pixels[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    strip.SetPixels(pixels, 3, 1, true);
    display.ScreenImage().BlitImageFlipped(&strip, 2, 0, Rect(0, 0, 3, 1), Color::White, DRAWMODE_NORMAL);
    EXPECT_EQ(display.Drawn(2, 0) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(display.Drawn(3, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(display.Drawn(4, 0) & 0xFFFFFF, 0xFF0000u);
    // Clipped at the left edge: the columns lost are the ones that would have been drawn there.
    display.ScreenImage().BlitImageFlipped(&strip, -1, 1, Rect(0, 0, 3, 1), Color::White, DRAWMODE_NORMAL);
    EXPECT_EQ(display.Drawn(0, 1) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(display.Drawn(1, 1) & 0xFFFFFF, 0xFF0000u);

    // A picture with partial transparency is drawn in memory, where nothing mirrors.
    DDImage soft(*display.device);
    Fill(soft, 4, 4, 0x80000000);
    soft.BlitImageFlipped(&strip, 0, 0, Rect(0, 0, 3, 1), Color::White, DRAWMODE_NORMAL);
    EXPECT_EQ(PixelAt(soft, 0, 0), 0x80000000u);
}

TEST(DDImageTest, SlantedSurfaceLinesCoverTheSamePixelsAsSoftwareLines) {
    Display display;
    MemoryImage reference(display.images);
    Fill(reference, 64, 48, 0xFF000000);
    display.ScreenImage().FillArea(Rect(0, 0, 64, 48), Color(0, 0, 0), DRAWMODE_NORMAL);
    for (auto [x1, y1, x2, y2] : {std::array<double, 4>{2, 3, 50, 20}, {60, 2, 10, 45}, {-10, 5, 30, 40}}) {
        reference.DrawSegment(x1, y1, x2, y2, Color::White, DRAWMODE_NORMAL);
        display.ScreenImage().DrawSegment(x1, y1, x2, y2, Color::White, DRAWMODE_NORMAL);
    }
    int lit = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool soft = PixelAt(reference, x, y) != 0xFF000000;
            const bool surface = (display.Drawn(x, y) & 0xFFFFFF) != 0;
            ASSERT_EQ(soft, surface) << x << "," << y;
            lit += surface ? 1 : 0;
            // A slanted white line is 254, as in software.
            if (surface) {
                ASSERT_EQ(display.Drawn(x, y) & 0xFFFFFF, 0xFEFEFEu);
            }
        }
    EXPECT_GT(lit, 100);
    // Straight lines are fills and additive lines saturate.
    display.ScreenImage().DrawSegment(0, 47, 63, 47, Color(10, 20, 30), DRAWMODE_ADDITIVE);
    display.ScreenImage().DrawSegment(0, 47, 63, 47, Color(250, 20, 30), DRAWMODE_ADDITIVE);
    EXPECT_EQ(display.Drawn(5, 47) & 0xFFFFFF, 0xFF283Cu);
}

TEST(DDImageTest, ATransparentKeyThatCollidesWithAnOpaquePixelIsReplaced) {
    Display display(Depth16());
    DDImage picture(*display.device);
    // The transparent pixel's colour is the opaque pixel's colour: 0x0000 on 16 bits.
    const uint32_t pixels[4] = {0x00000000, 0xFF000000, 0xFFFFFFFF, 0xFF000421};
    picture.SetPixels(pixels, 4, 1, true);
    ASSERT_TRUE(picture.HasTrans());
    ASSERT_FALSE(picture.HasAlpha());
    ASSERT_TRUE(picture.GenerateSurfaceWithKey());
    ASSERT_TRUE(picture.GetSurface()->ColorKey().has_value());
    // 0x0000 (black), 0xFFFF and 0x0021 are taken; the first unused value is 0x0001.
    EXPECT_EQ(*picture.GetSurface()->ColorKey(), 0x0001u);
    EXPECT_EQ(picture.GetSurface()->PixelAt(0, 0), 0x0001u);
    EXPECT_EQ(picture.GetSurface()->PixelAt(1, 0), 0x0000u);

    // Drawn onto the screen the black pixel is black and the transparent one leaves the screen alone.
    display.ScreenImage().FillArea(Rect(0, 0, 64, 48), Color::White, DRAWMODE_NORMAL);
    picture.DropPixels();
    display.ScreenImage().BlitImage(&picture, 0, 0, Rect(0, 0, 4, 1), Color::White, DRAWMODE_NORMAL);
    EXPECT_EQ(display.Drawn(0, 0), 0xFFFFu);
    EXPECT_EQ(display.Drawn(1, 0), 0x0000u);

    // Without a collision the first transparent pixel's own value is the key.
    DDImage plain(*display.device);
    const uint32_t other[2] = {0x00F80000, 0xFF00FF00};
    plain.SetPixels(other, 2, 1, true);
    ASSERT_TRUE(plain.GenerateSurfaceWithKey());
    EXPECT_EQ(*plain.GetSurface()->ColorKey(), 0xF800u);
}

TEST(DDImageTest, OnThirtyTwoBitsACollidingKeyIsReplacedToo) {
    Display display;
    DDImage picture(*display.device);
    const uint32_t pixels[3] = {0x00000000, 0xFF000000, 0xFF000001};
    picture.SetPixels(pixels, 3, 1, true);
    ASSERT_TRUE(picture.GenerateSurfaceWithKey());
    EXPECT_EQ(*picture.GetSurface()->ColorKey(), 0x000002u) << "opaque black must not turn transparent";
    display.ScreenImage().FillArea(Rect(0, 0, 64, 48), Color::White, DRAWMODE_NORMAL);
    picture.DropPixels();
    display.ScreenImage().BlitImage(&picture, 0, 0, Rect(0, 0, 3, 1), Color::White, DRAWMODE_NORMAL);
    EXPECT_EQ(display.Drawn(0, 0) & 0xFFFFFF, 0xFEFEFEu);
    EXPECT_EQ(display.Drawn(1, 0) & 0xFFFFFF, 0u);
}

TEST(DDImageTest, PixelsAreReadBackFromTheSurface) {
    Display display(Depth16());
    DDImage picture(*display.device);
    const uint32_t pixels[3] = {0xFFFFFFFF, 0xFF8040C0, 0x00123456};
    picture.SetPixels(pixels, 3, 1, true);
    ASSERT_TRUE(picture.GenerateSurfaceWithKey());
    ASSERT_TRUE(picture.DropPixels());
    EXPECT_EQ(picture.Bits(), nullptr);
    const uint32_t* back = picture.GetPixels();
    ASSERT_NE(back, nullptr);
    // (value >> shift) << (8 - bits): the low bits are gone.
    EXPECT_EQ(back[0], 0xFFF8FCF8u);
    EXPECT_EQ(back[1], 0xFF8040C0u);
    EXPECT_EQ(back[2], 0x00000000u) << "the keyed pixel comes back transparent";
    EXPECT_EQ(back[3], MemoryImage::GuardWord);

    // The screen image refuses while it must not be locked.
    display.ScreenImage().SetNoLock(true);
    EXPECT_EQ(display.ScreenImage().GetPixels(), nullptr);
}

TEST(DDImageTest, LocksAreCounted) {
    Display display;
    DDImage& screen = display.ScreenImage();
    EXPECT_FALSE(screen.ReleaseSurfaceLock());
    ASSERT_TRUE(screen.AcquireSurfaceLock());
    ASSERT_TRUE(screen.AcquireSurfaceLock());
    EXPECT_EQ(screen.LockCount(), 2);
    EXPECT_TRUE(display.device->DrawSurface()->IsLocked());
    // Drawing while the frame holds the lock shares it.
    screen.FillArea(Rect(0, 0, 4, 4), Color(0, 0, 255), DRAWMODE_NORMAL);
    EXPECT_EQ(screen.LockCount(), 2);
    EXPECT_TRUE(screen.ReleaseSurfaceLock());
    EXPECT_TRUE(display.device->DrawSurface()->IsLocked());
    EXPECT_TRUE(screen.ReleaseSurfaceLock());
    EXPECT_FALSE(display.device->DrawSurface()->IsLocked());
    EXPECT_EQ(display.Drawn(1, 1) & 0xFFFFFF, 0x0000FEu);

    // A picture gets its surface at the first lock.
    DDImage picture(*display.device);
    Fill(picture, 2, 2, 0xFF102030);
    EXPECT_EQ(picture.GetSurface(), nullptr);
    ASSERT_TRUE(picture.AcquireSurfaceLock());
    EXPECT_NE(picture.GetSurface(), nullptr);
    EXPECT_TRUE(picture.WantsSurface());
    EXPECT_TRUE(picture.ReleaseSurfaceLock());
}

TEST(DDImageTest, ChangedPixelsReleaseTheSurfaceAndFlagsStayWhileOneExists) {
    Display display;
    DDImage picture(*display.device);
    Fill(picture, 2, 2, 0xFF102030);
    ASSERT_TRUE(picture.GenerateSurfaceWithKey());
    SetPixelAt(picture, 0, 0, 0x00000000); // a memory change: the bits are the master again
    EXPECT_EQ(picture.GetSurface(), nullptr);
    picture.RecomputeAlphaFlags();
    EXPECT_TRUE(picture.HasTrans());
    ASSERT_TRUE(picture.GenerateSurfaceWithKey());
    // While the surface exists the flags are not recomputed.
    picture.GetPixels()[1] = 0x80FFFFFF;
    picture.RecomputeAlphaFlags();
    EXPECT_FALSE(picture.HasAlpha());

    // SetSize keeps the flags a DDImage had; palettising drops the surface.
    DDImage sized(*display.device);
    sized.SetSize(8, 8);
    EXPECT_FALSE(sized.HasTrans());
    EXPECT_FALSE(sized.HasAlpha());
    DDImage few(*display.device);
    Fill(few, 4, 4, 0xFF00FF00);
    ASSERT_TRUE(few.GenerateSurfaceWithKey());
    EXPECT_TRUE(few.ConvertToPalette());
    EXPECT_EQ(few.GetSurface(), nullptr);
    EXPECT_NE(few.ColorTable(), nullptr);
}

TEST(DDImageTest, DroppingPixelsKeepsOnlyTheSurfaceWhenOneIsWanted) {
    Display display;
    DDImage picture(*display.device);
    Fill(picture, 3, 3, 0xFF405060);
    // Not wanted yet: an opaque picture's pixels are its premultiplied form too, and stay its one copy.
    EXPECT_FALSE(picture.DropPixels());
    EXPECT_NE(picture.Bits(), nullptr);
    EXPECT_EQ(picture.NativeAlphaData(), nullptr);
    EXPECT_EQ(picture.GetSurface(), nullptr);
    EXPECT_EQ(PixelAt(picture, 1, 1), 0xFF405060u);

    ASSERT_TRUE(picture.GenerateSurfaceWithKey());
    EXPECT_TRUE(picture.DropPixels());
    EXPECT_EQ(picture.Bits(), nullptr);
    EXPECT_NE(picture.GetSurface(), nullptr);
    EXPECT_EQ(PixelAt(picture, 2, 2), 0xFF405060u);

    // Borrowed surfaces are never dropped and ignore cache freeing.
    DDImage& screen = display.ScreenImage();
    EXPECT_FALSE(screen.DropPixels());
    screen.FreeNativeCaches();
    screen.FreeAllCaches();
    EXPECT_EQ(screen.GetSurface(), display.device->DrawSurface());

    // Freeing native caches (before the screen layout may change) keeps the pixels and drops the
    // surface; restoring after the reset brings the surface back.
    picture.FreeNativeCaches();
    EXPECT_EQ(picture.GetSurface(), nullptr);
    EXPECT_NE(picture.Bits(), nullptr);
    EXPECT_TRUE(picture.RestoreAfterReset());
    EXPECT_NE(picture.GetSurface(), nullptr);
    EXPECT_EQ(picture.Bits(), nullptr);
}

TEST(DDImageTest, DrawingGoesToMemoryForTransparentPicturesAndToTheSurfaceOtherwise) {
    Display display;
    DDImage soft(*display.device);
    Fill(soft, 4, 4, 0x80FFFFFF);
    soft.FillArea(Rect(0, 0, 2, 2), Color(255, 0, 0), DRAWMODE_NORMAL);
    EXPECT_EQ(soft.GetSurface(), nullptr);
    EXPECT_EQ(PixelAt(soft, 0, 0), 0xFFFF0000u);

    DDImage hard(*display.device);
    Fill(hard, 4, 4, 0xFF000000);
    hard.FillArea(Rect(0, 0, 2, 2), Color(255, 0, 0), DRAWMODE_NORMAL);
    EXPECT_NE(hard.GetSurface(), nullptr);
    EXPECT_EQ(hard.Bits(), nullptr);
    EXPECT_EQ(PixelAt(hard, 0, 0), 0xFFFE0000u);
    EXPECT_EQ(PixelAt(hard, 3, 3), 0xFF000000u);
}

TEST(DDImageTest, ASurfacePictureDrawsLikeTheSamePictureInMemory) {
    Display display;
    // The same keyed picture as a memory picture and as a surface picture.
    std::vector<uint32_t> pixels(16 * 8);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (i % 5 == 0) ? 0 : 0xFF000000u | uint32_t(i * 0x010305);
    MemoryImage memory(display.images);
    memory.SetPixels(pixels.data(), 16, 8, true);
    DDImage surface(*display.device);
    surface.SetPixels(pixels.data(), 16, 8, true);
    ASSERT_TRUE(surface.GenerateSurfaceWithKey());
    ASSERT_TRUE(surface.DropPixels());

    DDImage& screen = display.ScreenImage();
    screen.FillArea(Rect(0, 0, 64, 48), Color(30, 60, 90), DRAWMODE_NORMAL);
    screen.BlitImage(&memory, -3, 2, Rect(0, 0, 16, 8), Color::White, DRAWMODE_NORMAL);
    screen.BlitImage(&surface, 29, 2, Rect(0, 0, 16, 8), Color::White, DRAWMODE_NORMAL);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 13; ++x)
            ASSERT_EQ(display.Drawn(x, 2 + y), display.Drawn(x + 32, 2 + y)) << x << "," << y;

    // Quick scaling: the surface picture is stretched by the surface, sampling at pixel centres; a memory
    // picture is sampled as the software renderer samples, at column trunc((j + 1) * scale).
    screen.BlitImageScaled(&memory, FRect(0, 20, 32, 16), FRect(0, 0, 16, 8),
                           BlitState{screen.GetBounds(), Color::White, DRAWMODE_NORMAL}, true);
    screen.BlitImageScaled(&surface, FRect(32, 20, 32, 16), FRect(0, 0, 16, 8),
                           BlitState{screen.GetBounds(), Color::White, DRAWMODE_NORMAL}, true);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x) {
            const size_t centre = static_cast<size_t>(y / 2) * 16 + static_cast<size_t>(x / 2);
            const size_t software =
                static_cast<size_t>(y / 2) * 16 + static_cast<size_t>(std::min((x + 1) / 2, 15));
            if (pixels[centre] != 0) {
                ASSERT_EQ(display.Drawn(32 + x, 20 + y) & 0xFFFFFF, pixels[centre] & 0xFFFFFF)
                    << x << "," << y;
            }
            if (pixels[software] != 0) {
                ASSERT_EQ(display.Drawn(x, 20 + y) & 0xFFFFFF, pixels[software] & 0xFFFFFF) << x << "," << y;
            }
        }
    }
}

TEST(DDImageTest, ScaledSurfaceBlits) {
    Display display;
    DDImage& screen = display.ScreenImage();
    MemoryImage checker(display.images);
    const uint32_t pixels[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    checker.SetPixels(pixels, 2, 2, true);
    // Nearest: each source pixel becomes a 4 x 4 block.
    screen.BlitImageScaled(&checker, FRect(0, 0, 8, 8), FRect(0, 0, 2, 2),
                           BlitState{screen.GetBounds(), Color::White, DRAWMODE_NORMAL}, true);
    EXPECT_EQ(display.Drawn(1, 1) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(display.Drawn(6, 1) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(display.Drawn(1, 6) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(display.Drawn(6, 6) & 0xFFFFFF, 0xFFFFFFu);
    // Mirrored nearest.
    screen.BlitImageScaledFlipped(&checker, FRect(10, 0, 8, 8), FRect(0, 0, 2, 2),
                                  BlitState{screen.GetBounds(), Color::White, DRAWMODE_NORMAL}, true);
    EXPECT_EQ(display.Drawn(11, 1) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(display.Drawn(16, 1) & 0xFFFFFF, 0xFF0000u);
    // Area-weighted, through a resampled picture blitted with the colour: halving averages the four.
    MemoryImage grey(display.images);
    const uint32_t greys[4] = {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000};
    grey.SetPixels(greys, 2, 2, true);
    screen.BlitImageScaled(&grey, FRect(20, 0, 1, 1), FRect(0, 0, 2, 2),
                           BlitState{screen.GetBounds(), Color::White, DRAWMODE_NORMAL}, false);
    const uint32_t average = display.Drawn(20, 0) & 0xFF;
    EXPECT_GE(average, 0x7Eu);
    EXPECT_LE(average, 0x80u);
    // Clipped by the clip rectangle.
    screen.FillArea(Rect(0, 40, 64, 8), Color(0, 0, 0), DRAWMODE_NORMAL);
    screen.BlitImageScaled(&checker, FRect(0, 40, 8, 8), FRect(0, 0, 2, 2),
                           BlitState{Rect(0, 40, 4, 8), Color::White, DRAWMODE_NORMAL}, true);
    EXPECT_EQ(display.Drawn(2, 41) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(display.Drawn(3, 41) & 0xFFFFFF, 0x00FF00u) << "column 3 samples trunc(4 x 0.25) = 1";
    EXPECT_EQ(display.Drawn(5, 41) & 0xFFFFFF, 0u);
}

TEST(DDImageTest, MemoryDrawingOnTheScreenImageReachesItsSurface) {
    Display display;
    DDImage& screen = display.ScreenImage();
    screen.FillArea(Rect(0, 0, 64, 48), Color::White, DRAWMODE_NORMAL);
    // ClearArea has no surface kernel: it draws into the pixels read back, which go back to the surface.
    screen.ClearArea(Rect(0, 0, 4, 4));
    EXPECT_EQ(display.Drawn(1, 1) & 0xFFFFFF, 0u);
    EXPECT_EQ(display.Drawn(5, 5) & 0xFFFFFF, 0xFEFEFEu);
    EXPECT_EQ(screen.Bits(), nullptr);
    EXPECT_EQ(screen.GetSurface(), display.device->DrawSurface());
}

TEST(DDImageTest, SurfacesMadeForAnotherScreenLayoutAreRebuilt) {
    HeadlessDisplay display({}, 640, 480);
    ASSERT_EQ(display.Init(true), DDInterface::RESULT_OK);
    DDImage picture(*display.device);
    Fill(picture, 2, 2, 0xFF00FF00);
    ASSERT_TRUE(picture.GenerateSurfaceWithKey());
    EXPECT_EQ(picture.GetSurface()->Format().bitsPerPixel, 32);
    // The screen becomes 16 bits deep without the caches being freed first.
    display.host.fullScreenDepth = 16;
    ASSERT_EQ(display.Init(false), DDInterface::RESULT_OK);
    display.device->GetScreenImage()->BlitImage(&picture, 0, 0, Rect(0, 0, 2, 2), Color::White,
                                                DRAWMODE_NORMAL);
    EXPECT_EQ(display.device->DrawSurface()->PixelAt(1, 1), 0x07E0u);
    // Drawing into the picture rebuilds its surface in the new layout first.
    picture.FillArea(Rect(0, 0, 1, 1), Color(255, 0, 0), DRAWMODE_NORMAL);
    EXPECT_EQ(picture.GetSurface()->Format().bitsPerPixel, 16);
    EXPECT_EQ(picture.GetSurface()->PixelAt(0, 0), 0xF800u);
    EXPECT_EQ(picture.GetSurface()->PixelAt(1, 1), 0x07E0u);
}
