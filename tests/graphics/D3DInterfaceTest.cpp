// The hardware 3D path: how pictures are cut into textures and converted, on a GPU in memory; the
// fall-back to software when a draw fails; and, where OpenGL exists (Mesa under Xvfb), frames drawn
// on the GPU against the same frames drawn in software.
#include "GpuTestUtil.h"
#include "support/FakeGpuDevice.h"

#include "framework/graphics/D3DInterface.h"
#include "framework/graphics/D3DTester.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Matrix3.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Zorbel;
using namespace Zorbel::Testing;
using ZorbelTest::FakeGpuDevice;
using ZorbelTest::FakeGpuState;
using ZorbelTest::FakeGpuTexture;

namespace {

TextureCaps WideCaps() {
    TextureCaps caps;
    caps.maxWidth = caps.maxHeight = 1024;
    caps.minWidth = caps.minHeight = 1;
    caps.maxAspect = 0; // no limit
    caps.formats = GpuFormat::A8R8G8B8 | GpuFormat::A4R4G4B4 | GpuFormat::R5G6B5;
    return caps;
}

TEST(D3DInterfaceTest, PicturesAreCutIntoPiecesThatWasteLittle) {
    // 512 would waste more than 64 columns and 300 mod 256 = 44 is below 64; 256 rows waste 56.
    PieceLayout cut = D3DInterface::LayoutPieces(300, 200, 0, WideCaps());
    EXPECT_EQ(cut.pieceWidth, 256);
    EXPECT_EQ(cut.pieceHeight, 256);
    EXPECT_EQ(cut.columns, 2);
    EXPECT_EQ(cut.rows, 1);
    EXPECT_EQ(cut.lastWidth, 64);
    EXPECT_EQ(cut.lastHeight, 256);

    cut = D3DInterface::LayoutPieces(300, 200, TextureFlags::FullPowerOfTwo, WideCaps());
    EXPECT_EQ(cut.pieceWidth, 512);
    EXPECT_EQ(cut.columns, 1);
    cut = D3DInterface::LayoutPieces(300, 200, TextureFlags::Fixed64, WideCaps());
    EXPECT_EQ(cut.pieceWidth, 64);
    EXPECT_EQ(cut.columns, 5);
    EXPECT_EQ(cut.rows, 4);
    EXPECT_EQ(cut.lastWidth, 64); // 300 - 4 x 64 = 44, in a whole power of two
    EXPECT_EQ(cut.lastHeight, 8);

    // Bigger than the device takes: pieces of the maximum, the rest in a smaller power of two.
    cut = D3DInterface::LayoutPieces(1500, 10, 0, WideCaps());
    EXPECT_EQ(cut.pieceWidth, 1024);
    EXPECT_EQ(cut.lastWidth, 512);
    EXPECT_EQ(cut.pieceHeight, 16);

    // A device that wants square textures doubles the shorter side.
    TextureCaps square = WideCaps();
    square.maxAspect = 1;
    cut = D3DInterface::LayoutPieces(300, 30, 0, square);
    EXPECT_EQ(cut.pieceWidth, 256);
    EXPECT_EQ(cut.pieceHeight, 256);
}

TEST(D3DInterfaceTest, FormatsFollowAlphaFlagsAndTheDevice) {
    const uint32_t all = WideCaps().formats;
    EXPECT_EQ(D3DInterface::ChooseFormat(false, 0, all), GpuFormat::R5G6B5);
    EXPECT_EQ(D3DInterface::ChooseFormat(true, 0, all), GpuFormat::A8R8G8B8);
    EXPECT_EQ(D3DInterface::ChooseFormat(false, TextureFlags::AlwaysAlpha, all), GpuFormat::A8R8G8B8);
    EXPECT_EQ(D3DInterface::ChooseFormat(true, TextureFlags::Prefer4444, all), GpuFormat::A4R4G4B4);
    EXPECT_EQ(D3DInterface::ChooseFormat(false, 0, GpuFormat::A8R8G8B8), GpuFormat::A8R8G8B8);
    EXPECT_EQ(D3DInterface::ChooseFormat(true, 0, GpuFormat::A4R4G4B4), GpuFormat::A4R4G4B4);

    // Narrow formats keep the top bits and widen them back to full intensity.
    EXPECT_EQ(D3DInterface::ToTexel(0x80FF7F10, GpuFormat::A4R4G4B4), 0x8F71u);
    EXPECT_EQ(D3DInterface::FromTexel(0x8F71, GpuFormat::A4R4G4B4), 0x88FF7711u);
    EXPECT_EQ(D3DInterface::ToTexel(0xFFFF8008, GpuFormat::R5G6B5), 0xFC01u);
    EXPECT_EQ(D3DInterface::FromTexel(0xFC01, GpuFormat::R5G6B5), 0xFFFF8208u);
    EXPECT_EQ(D3DInterface::FromTexel(0xFFFF, GpuFormat::R5G6B5), 0xFFFFFFFFu);
}

// A display whose driver offers the fake GPU, and which finds an earlier "usable" verdict for it.
struct FakeGpuDisplay {
    FakeGpuDisplay() : display(ZorbelTest::WithFakeGpu(state)) {
        StoreUsableVerdict(display.host, state->info);
        display.device->Set3DEnabled(true);
    }

    std::shared_ptr<FakeGpuState> state = std::make_shared<FakeGpuState>();
    HeadlessDisplay display;
};

TEST(D3DInterfaceTest, TexturesHoldThePictureAndGiveItBack) {
    FakeGpuDisplay fake;
    ASSERT_EQ(fake.display.Init(), DDInterface::RESULT_OK);
    ASSERT_TRUE(fake.display.device->Is3DEnabled());
    D3DInterface& hardware = fake.display.device->Hardware();
    EXPECT_EQ(fake.state->draws, 0) << "the verdict came from the cache: no scene was drawn";

    MemoryImage picture(fake.display.images);
    std::vector<uint32_t> pixels(300 * 200);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
    pixels[7] = 0x40123456; // partly transparent: the picture needs alpha
    picture.SetPixels(pixels.data(), 300, 200, true);
    ASSERT_TRUE(hardware.PrepareTexture(picture));
    EXPECT_EQ(hardware.TextureMemory(), size_t(256 * 256 * 4 + 64 * 256 * 4));

    // Dropped pixels come back from the textures, exactly.
    picture.DropPixels();
    EXPECT_EQ(picture.Bits(), nullptr);
    const uint32_t* back = picture.GetPixels();
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), back));

    // An opaque picture goes into 5-6-5 and returns widened.
    MemoryImage opaque(fake.display.images);
    const uint32_t colour = 0xFF8040C0;
    std::vector<uint32_t> flat(40 * 30, colour);
    opaque.SetPixels(flat.data(), 40, 30, true);
    ASSERT_TRUE(hardware.PrepareTexture(opaque));
    opaque.DropPixels();
    ASSERT_NE(opaque.GetPixels(), nullptr);
    EXPECT_EQ(opaque.GetPixels()[0],
              D3DInterface::FromTexel(D3DInterface::ToTexel(colour, GpuFormat::R5G6B5), GpuFormat::R5G6B5));

    // Leaving 3D gives every picture its pixels back and frees the textures.
    fake.display.device->ReleaseDevice();
    EXPECT_EQ(hardware.TexturedImageCount(), 0u);
    EXPECT_EQ(picture.GetHardwareTexture(), nullptr);
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), picture.Bits()));
}

TEST(D3DInterfaceTest, AFailingDrawSwitchesToSoftwareAtTheNextPresentation) {
    FakeGpuDisplay fake;
    ASSERT_EQ(fake.display.Init(), DDInterface::RESULT_OK);
    DDInterface& device = *fake.display.device;
    {
        Graphics g(device.GetScreenImage());
        g.SetPaintColor(Color(0, 0, 255));
        g.PaintRect(0, 0, 320, 200);
    }
    EXPECT_EQ(fake.state->draws, 1);
    EXPECT_EQ(fake.state->blends.back(),
              (GpuBlend{GpuBlendFactor::SourceAlpha, GpuBlendFactor::InverseSourceAlpha}));
    ASSERT_TRUE(device.Redraw());
    EXPECT_TRUE(device.Is3DEnabled());

    fake.state->failDrawFrom = fake.state->draws;
    {
        Graphics g(device.GetScreenImage());
        g.SetBlendMode(DRAWMODE_ADDITIVE);
        g.SetPaintColor(Color(255, 0, 0));
        g.PaintRect(10, 10, 20, 20);
    }
    EXPECT_EQ(fake.state->blends.back(), (GpuBlend{GpuBlendFactor::SourceAlpha, GpuBlendFactor::One}));
    EXPECT_EQ(device.Hardware().ErrorText(), "DrawPrimitive (Rect): DSERR_GENERIC");
    ASSERT_EQ(fake.display.host.hardwareErrors.size(), 1u);
    EXPECT_EQ(fake.display.host.hardwareErrors[0], "DrawPrimitive (Rect): DSERR_GENERIC");

    // The presentation sees the error and hands over to software, which draws the next frame.
    EXPECT_FALSE(device.Redraw());
    EXPECT_FALSE(device.Is3DEnabled());
    ASSERT_EQ(fake.display.Init(), DDInterface::RESULT_OK);
    {
        Graphics g(device.GetScreenImage());
        g.SetPaintColor(Color(0, 255, 0));
        g.PaintRect(0, 0, 320, 200);
    }
    const int drawsBefore = fake.state->draws;
    ASSERT_TRUE(device.Redraw());
    EXPECT_EQ(fake.state->draws, drawsBefore);
    // An opaque surface fill writes 254 in a full channel.
    EXPECT_EQ(fake.display.Screen()->PixelAt(5, 5) & 0xFFFFFF, 0x00FE00u);
}

TEST(D3DInterfaceTest, ASetUpThatCannotMakeTexturesEndsIn3DFailure) {
    FakeGpuDisplay fake;
    fake.state->failTextures = true;
    // The draw target is made, the pictures' textures are not: the first picture drawn fails.
    ASSERT_EQ(fake.display.Init(), DDInterface::RESULT_OK);
    MemoryImage picture(fake.display.images);
    std::vector<uint32_t> pixels(16 * 16, 0xFFFFFFFF);
    picture.SetPixels(pixels.data(), 16, 16, true);
    Graphics(fake.display.device->GetScreenImage()).PaintImage(&picture, 0, 0);
    EXPECT_EQ(fake.display.device->Hardware().ErrorText(), "CreateSurface (Texture): DDERR_OUTOFVIDEOMEMORY");

    // Without any device at all, set-up with 3D returns result 7 with the reason.
    HeadlessDisplay bare;
    StoreUsableVerdict(bare.host, FakeGpuState().info);
    bare.device->Set3DEnabled(true);
    bare.host.wants3DTest = true;
    EXPECT_EQ(bare.Init(), DDInterface::RESULT_OK); // the tester failed, so 3D went off
    EXPECT_FALSE(bare.device->Is3DEnabled());
    ASSERT_NE(bare.device->Tester(), nullptr);
    EXPECT_EQ(bare.device->Tester()->FailureReason(), "DXError - CreateDevice: DDERR_UNSUPPORTED");
}

// --- On the GPU ---

// One frame of the kinds of drawing the game does, and the others the hardware path offers.
void DrawScene(Image* screen, MemoryImage& picture, MemoryImage& opaque) {
    Graphics g(screen);
    g.SetPaintColor(Color(30, 60, 90));
    g.PaintRect(0, 0, 320, 200);
    g.SetPaintColor(Color(200, 40, 10, 128));
    g.PaintRect(20, 20, 100, 60);
    g.SetBlendMode(DRAWMODE_ADDITIVE);
    g.SetPaintColor(Color(60, 60, 200, 200));
    g.PaintRect(60, 40, 100, 60);
    g.SetBlendMode(DRAWMODE_NORMAL);
    g.PaintImage(&opaque, 180, 10);
    g.PaintImage(&picture, 150, 100);
    g.SetTintImages(true);
    g.SetPaintColor(Color(255, 128, 64, 160));
    g.PaintImage(&picture, 10, 120);
    g.SetTintImages(false);
    g.SetBlendMode(DRAWMODE_ADDITIVE);
    g.PaintImage(&picture, 240, 120);
    g.SetBlendMode(DRAWMODE_NORMAL);
    // Scaled by whole factors with quick scaling, so both paths sample the same pixels.
    g.SetQuickScaling(true);
    g.PaintImageScaled(&opaque, 100, 150, 64, 40);
    auto* target = static_cast<MemoryImage*>(screen);
    target->BlitImageFlipped(&opaque, 250, 10, opaque.GetBounds(), Color::White, DRAWMODE_NORMAL);
}

uint32_t ScreenPixel(const Surface& surface, int x, int y) {
    return surface.PixelAt(x, y) & 0xFFFFFF;
}

// Under Xvfb the context comes through GLX; on SDL's off-screen driver (graphics.GpuThroughEgl) through
// EGL, where looking up GLX entry points the GL way hands out stubs that must never be called.
TEST(GpuPathTest, AnOpenGlDeviceDescribesItself) {
    GlWindow gl;
    if (!gl.ok) GTEST_SKIP() << gl.reason;
    std::unique_ptr<GpuDevice> gpu;
    ASSERT_EQ(gl.driver->CreateGpuDevice(gpu), ResultCode::Ok);
    EXPECT_FALSE(gpu->Info().vendor.empty());
    EXPECT_FALSE(gpu->Info().renderer.empty());
    EXPECT_GT(gpu->Info().maxTextureWidth, 0);
}

TEST(GpuPathTest, FramesOnTheGpuMatchTheSoftwareRenderer) {
    GlWindow gl;
    if (!gl.ok) GTEST_SKIP() << gl.reason;
    gl.driver.reset(); // the display device makes its own
    ImageContext images;
    DDInterface device(gl.host, images, *gl.windows, gl.clock);

    MemoryImage picture(images), opaque(images);
    std::vector<uint32_t> rgba(32 * 32), rgb(32 * 20);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            rgba[size_t(y * 32 + x)] = uint32_t(x * 8) << 24 | uint32_t(y * 8) << 16 | 0x40FF;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 32; ++x)
            rgb[size_t(y * 32 + x)] = 0xFF000000u | uint32_t(x * 8) << 8 | uint32_t(y * 12);
    picture.SetPixels(rgba.data(), 32, 32, true);
    opaque.SetPixels(rgb.data(), 32, 20, true);

    auto frame = [&](bool threeD) {
        device.Set3DEnabled(threeD);
        EXPECT_EQ(device.InitDevice(gl.window, true), DDInterface::RESULT_OK) << device.ErrorText();
        if (threeD) {
            EXPECT_TRUE(device.Is3DEnabled()) << "the tester said: " << device.Tester()->FailureReason()
                                              << " / " << device.Tester()->Warning();
        }
        DrawScene(device.GetScreenImage(), picture, opaque);
        EXPECT_TRUE(device.Redraw());
        std::vector<uint32_t> shown;
        auto* driver = static_cast<SdlDisplayDriver*>(device.Driver());
        auto primary = driver->Primary();
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 320; ++x)
                shown.push_back(ScreenPixel(*primary, x, y));
        return shown;
    };
    const std::vector<uint32_t> software = frame(false);
    const std::vector<uint32_t> hardware = frame(true);
    ASSERT_TRUE(device.Is3DEnabled());
    ASSERT_EQ(software.size(), hardware.size());

    // The GPU rounds its blends in floating point: every channel within 3 of the software's. Where a
    // picture is scaled, the GPU samples at pixel centres and the software's quick scaling at their
    // corners, so there a pixel may show its neighbour's sample instead.
    constexpr int kTolerance = 3;
    const Rect scaled(100, 150, 64, 40);
    auto distance = [&](size_t i, size_t j) {
        int d = 0;
        for (int shift = 0; shift < 24; shift += 8)
            d = std::max(d, std::abs(int(software[j] >> shift & 0xFF) - int(hardware[i] >> shift & 0xFF)));
        return d;
    };
    int worst = 0, off = 0;
    for (size_t i = 0; i < software.size(); ++i) {
        const int x = int(i % 320), y = int(i / 320);
        int best = distance(i, i);
        if (scaled.Contains(x, y)) {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (scaled.Contains(x + dx, y + dy))
                        best = std::min(best, distance(i, size_t((y + dy) * 320 + x + dx)));
        }
        worst = std::max(worst, best);
        if (best > kTolerance) {
            if (off++ < 5)
                ADD_FAILURE() << "at " << i % 320 << "," << i / 320 << std::hex << ": software "
                              << software[i] << ", GPU " << hardware[i];
        }
    }
    EXPECT_EQ(off, 0) << "largest difference " << worst;
}

} // namespace
