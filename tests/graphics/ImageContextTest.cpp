#include "framework/graphics/ImageContext.h"
#include "framework/graphics/HardwarePath.h"
#include "framework/graphics/MemoryImage.h"

#include "graphics/ImageTestUtil.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using namespace Zorbel::Testing;

TEST(NativeDisplayTest, ShiftsAndBitCountsComeFromTheMasks) {
    const NativeDisplay rgb565 = NativeDisplay::R5G6B5();
    EXPECT_EQ(rgb565.bitDepth, 16);
    EXPECT_EQ(rgb565.redShift, 11);
    EXPECT_EQ(rgb565.greenShift, 5);
    EXPECT_EQ(rgb565.blueShift, 0);
    EXPECT_EQ(rgb565.redBits, 5);
    EXPECT_EQ(rgb565.greenBits, 6);
    EXPECT_EQ(rgb565.blueBits, 5);
    EXPECT_EQ(NativeDisplay::FromMasks(32, 0xFF0000, 0xFF00, 0xFF), NativeDisplay::X8R8G8B8());
    EXPECT_EQ(NativeDisplay::X1R5G5B5().redShift, 10);
}

TEST(ImageContextTest, WithoutADisplayTheScreenIsX8R8G8B8) {
    ImageContext context;
    EXPECT_EQ(context.Display(), NativeDisplay::X8R8G8B8());
    EXPECT_EQ(context.Saturation()[300], 255);
    EXPECT_EQ(context.Saturation()[254], 254);
    const NativeDisplay screen = NativeDisplay::R5G6B5();
    context.AttachDisplay(&screen);
    EXPECT_EQ(context.Display().bitDepth, 16);
    context.AttachDisplay(nullptr);
    EXPECT_EQ(context.Display().bitDepth, 32);
}

namespace {

// A hardware path that keeps one white texture per image.
class FakeHardware : public HardwarePath {
public:
    bool IsActive() const override { return active; }
    void DropTexture(MemoryImage& image) override {
        ++drops;
        image.SetHardwareTexture(nullptr);
    }
    bool ReadTextureBack(MemoryImage& image) override {
        std::fill_n(image.GetPixels(), image.PixelCount(), 0xFFFFFFFFu);
        return true;
    }
    bool active = false;
    int drops = 0;
};

HardwareTexture* SomeTexture() {
    return reinterpret_cast<HardwareTexture*>(uintptr_t(0x1000));
}

} // namespace

TEST(ImageContextTest, UnderTheHardwarePathDroppedPixelsComeBackFromTheTexture) {
    ImageContext context;
    FakeHardware hardware;
    hardware.active = true;
    context.AttachHardware(&hardware);
    {
        MemoryImage image(context);
        Fill(image, 2, 2, 0xFF000000);
        EXPECT_FALSE(image.DropPixels()) << "without a texture nothing could rebuild the pixels";
        EXPECT_NE(image.Bits(), nullptr);
        image.SetHardwareTexture(SomeTexture());
        EXPECT_TRUE(image.DropPixels());
        EXPECT_EQ(image.Bits(), nullptr);
        EXPECT_EQ(image.NativeAlphaData(), nullptr);
        EXPECT_EQ(PixelAt(image, 1, 1), 0xFFFFFFFFu);
        EXPECT_EQ(image.Bits()[4], MemoryImage::GuardWord);

        MemoryImage copy(image);
        EXPECT_EQ(copy.GetHardwareTexture(), nullptr) << "textures are never copied";
        image.FreeAllCaches();
        EXPECT_EQ(hardware.drops, 1);
        image.SetHardwareTexture(SomeTexture());
    }
    EXPECT_EQ(hardware.drops, 2) << "a destroyed image gives its texture back";
    context.AttachHardware(nullptr);
}
