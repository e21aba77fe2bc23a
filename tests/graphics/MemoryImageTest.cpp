#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/ImageContext.h"

#include "graphics/ImageTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <type_traits>

using namespace Zorbel;
using namespace Zorbel::Testing;

namespace {

class MemoryImageTest : public ::testing::Test {
protected:
    ImageContext context;
};

static_assert(!std::is_constructible_v<MemoryImage, ImageContext&&>, "an image must not keep a temporary");
static_assert(std::is_copy_constructible_v<MemoryImage>);
static_assert(!std::is_copy_assignable_v<MemoryImage>);

} // namespace

// --- Storage and lifecycle ----------------------------------------------------------------------

TEST_F(MemoryImageTest, ImagesRegisterWithTheirContextForTheirWholeLife) {
    EXPECT_EQ(context.LiveImageCount(), 0u);
    {
        MemoryImage a(context);
        MemoryImage b(a);
        EXPECT_EQ(context.LiveImageCount(), 2u);
        auto live = context.LiveImages();
        EXPECT_NE(std::find(live.begin(), live.end(), &a), live.end());
        EXPECT_NE(std::find(live.begin(), live.end(), &b), live.end());
    }
    EXPECT_EQ(context.LiveImageCount(), 0u);
}

TEST_F(MemoryImageTest, ANewImageIsEmptyWithOneCelAndNoFlags) {
    MemoryImage image(context);
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.GetHeight(), 0);
    EXPECT_EQ(image.GetRowCount(), 1);
    EXPECT_EQ(image.GetColumnCount(), 1);
    EXPECT_EQ(image.Bits(), nullptr);
    EXPECT_FALSE(image.HasTrans());
    EXPECT_FALSE(image.HasAlpha());
    EXPECT_FALSE(image.IsForced());
}

TEST_F(MemoryImageTest, SetSizeAllocatesLazilyZeroFilledWithTheGuardWord) {
    MemoryImage image(context);
    image.SetSize(3, 2);
    EXPECT_EQ(image.Bits(), nullptr);
    EXPECT_TRUE(image.HasTrans());
    EXPECT_TRUE(image.HasAlpha());
    const uint32_t* bits = image.GetPixels();
    ASSERT_NE(bits, nullptr);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(bits[i], 0u);
    EXPECT_EQ(bits[6], MemoryImage::GuardWord);
    // The flags hold until they are recomputed from real pixels.
    EXPECT_TRUE(image.HasAlpha());
    image.RecomputeAlphaFlags();
    EXPECT_TRUE(image.HasTrans());
    EXPECT_FALSE(image.HasAlpha());
}

TEST_F(MemoryImageTest, SetPixelsCopiesAndCommitRecomputesTheFlags) {
    MemoryImage image(context);
    const uint32_t pixels[4] = {0xFF000000, 0xFF112233, 0xFFFFFFFF, 0xFF00FF00};
    image.SetPixels(pixels, 2, 2, true);
    EXPECT_NE(image.Bits(), pixels);
    EXPECT_EQ(PixelAt(image, 1, 0), 0xFF112233u);
    EXPECT_EQ(image.Bits()[4], MemoryImage::GuardWord);
    EXPECT_FALSE(image.HasTrans());
    EXPECT_FALSE(image.HasAlpha());

    const uint32_t translucent[2] = {0x80FFFFFF, 0x00000000};
    image.SetPixels(translucent, 2, 1, false);
    EXPECT_FALSE(image.HasAlpha()) << "without commit the flags wait";
    image.RecomputeAlphaFlags();
    EXPECT_TRUE(image.HasAlpha());
    EXPECT_TRUE(image.HasTrans());
}

TEST_F(MemoryImageTest, AdoptedPixelsAreTakenOverWithoutACopy) {
    MemoryImage image(context);
    auto* block = static_cast<uint32_t*>(std::malloc(5 * sizeof(uint32_t)));
    ASSERT_NE(block, nullptr);
    const uint32_t pixels[4] = {0xFF000000, 0x80112233, 0xFFFFFFFF, 0xFF00FF00};
    std::copy_n(pixels, 4, block);
    image.AdoptPixels(block, 2, 2, true);
    EXPECT_EQ(image.Bits(), block);
    EXPECT_EQ(image.GetWidth(), 2);
    EXPECT_EQ(PixelAt(image, 1, 0), 0x80112233u);
    EXPECT_EQ(image.Bits()[4], MemoryImage::GuardWord);
    EXPECT_TRUE(image.HasAlpha());
    // A copy of the image owns pixels of its own; both are freed by their images.
    MemoryImage copy(image);
    EXPECT_NE(copy.Bits(), block);
    EXPECT_EQ(PixelAt(copy, 1, 1), 0xFF00FF00u);
}

TEST_F(MemoryImageTest, ForcedFlagsAreNotRecomputed) {
    MemoryImage image(context);
    Fill(image, 2, 2, 0x00000000, false);
    image.ForceAlphaFlags(false, false);
    image.RecomputeAlphaFlags();
    EXPECT_TRUE(image.IsForced());
    EXPECT_FALSE(image.HasTrans());
    EXPECT_FALSE(image.HasAlpha());
}

TEST_F(MemoryImageTest, NotifyPixelsChangedCountsAndDropsEveryCache) {
    MemoryImage image(context);
    Fill(image, 4, 1, 0x80FF0000);
    const int32_t before = image.GetChangeCount();
    image.GetPremultipliedPixels(context.Display());
    image.GetAlphaRuns();
    image.GetAdditiveRuns(context.Display());
    EXPECT_NE(image.NativeAlphaData(), nullptr);
    EXPECT_NE(image.RLAlphaData(), nullptr);
    EXPECT_NE(image.RLAdditiveData(), nullptr);
    image.NotifyPixelsChanged();
    EXPECT_EQ(image.GetChangeCount(), before + 1);
    EXPECT_TRUE(image.BitsChanged());
    EXPECT_EQ(image.NativeAlphaData(), nullptr);
    EXPECT_EQ(image.RLAlphaData(), nullptr);
    EXPECT_EQ(image.RLAdditiveData(), nullptr);
}

TEST_F(MemoryImageTest, ClearAllMakesEveryPixelTransparentBlack) {
    MemoryImage image(context);
    Fill(image, 3, 3, 0xFF123456);
    EXPECT_EQ(image.ClearAll(), image.Bits());
    EXPECT_EQ(CountNot(image, 0), 0);
    EXPECT_EQ(image.Bits()[9], MemoryImage::GuardWord);
}

TEST_F(MemoryImageTest, SetSizeAfterPalettisingDoesNotExpandTheOldIndices) {
    MemoryImage image(context);
    Fill(image, 2, 2, 0xFF0000FF);
    ASSERT_TRUE(image.ConvertToPalette());
    image.SetSize(8, 8);
    EXPECT_EQ(image.ColorTable(), nullptr);
    EXPECT_EQ(CountNot(image, 0), 0);
}

// --- Premultiplied pixels and run caches --------------------------------------------------------

TEST_F(MemoryImageTest, PremultipliedPixelsFollowTheDisplayLayout) {
    MemoryImage image(context);
    // (A 128, R 255, G 100, B 0): red (255 * 129) >> 8 = 128, green (100 * 129) >> 8 = 50.
    Fill(image, 1, 1, 0x80FF6400);
    EXPECT_EQ(image.GetPremultipliedPixels(NativeDisplay::X8R8G8B8())[0], 0x80803200u);
    image.NotifyPixelsChanged();
    // On 5-6-5: red 128 >> 3 = 16 at bit 11, green 50 >> 2 = 12 at bit 5; alpha stays on top.
    EXPECT_EQ(image.GetPremultipliedPixels(NativeDisplay::R5G6B5())[0], 0x80008180u);
}

TEST_F(MemoryImageTest, DroppedPixelsAreRebuiltFromThePremultipliedForm) {
    MemoryImage image(context);
    Fill(image, 2, 1, 0x80FF6400);
    SetPixelAt(image, 1, 0, 0xFF10FF7F);
    EXPECT_TRUE(image.DropPixels());
    EXPECT_TRUE(image.PurgesBits());
    EXPECT_EQ(image.Bits(), nullptr);
    ASSERT_NE(image.NativeAlphaData(), nullptr);
    // Native 0x80803200: red 0x800000 * 256 / 129 = 0xFE01F7, masked 0xFE0000, * 256 >> 24 = 254;
    // green 0x3200 * 256 / 129 = 0x6339, masked 0x6300, * 256 >> 16 = 99.
    EXPECT_EQ(PixelAt(image, 0, 0), 0x80FE6300u);
    // Opaque pixels come back unchanged.
    EXPECT_EQ(PixelAt(image, 1, 0), 0xFF10FF7Fu);
    EXPECT_EQ(image.Bits()[2], MemoryImage::GuardWord);
}

TEST_F(MemoryImageTest, AnOpaquePictureIsItsOwnPremultipliedForm) {
    MemoryImage image(context);
    Fill(image, 2, 2, 0xFF102030);
    EXPECT_EQ(image.GetPremultipliedPixels(context.Display()), image.Bits()) << "no second copy";
    EXPECT_FALSE(image.DropPixels()) << "the pixels are the one copy";
    ASSERT_NE(image.Bits(), nullptr);
    EXPECT_EQ(image.Bits()[3], 0xFF102030u);
    // Once a pixel is translucent, the premultiplied form is a copy of its own again.
    SetPixelAt(image, 0, 0, 0x80FF0000);
    const uint32_t* native = image.GetPremultipliedPixels(context.Display());
    EXPECT_NE(native, image.Bits());
    EXPECT_EQ(native[0], 0x80800000u);
    EXPECT_EQ(native[3], 0xFF102030u);
}

TEST_F(MemoryImageTest, FreeingCachesFirstBringsThePixelsBack) {
    MemoryImage image(context);
    Fill(image, 2, 2, 0xFF102030);
    image.GetAlphaRuns();
    image.DropPixels();
    image.FreeNativeCaches();
    ASSERT_NE(image.Bits(), nullptr);
    EXPECT_EQ(image.Bits()[3], 0xFF102030u);
    EXPECT_EQ(image.NativeAlphaData(), nullptr);
    EXPECT_NE(image.RLAlphaData(), nullptr) << "the alpha runs are not a native cache";

    image.DropPixels();
    image.FreeAllCaches();
    ASSERT_NE(image.Bits(), nullptr);
    EXPECT_EQ(image.Bits()[0], 0xFF102030u);
    EXPECT_EQ(image.NativeAlphaData(), nullptr);
    EXPECT_EQ(image.RLAlphaData(), nullptr);
}

TEST_F(MemoryImageTest, AlphaRunsOfThreeHundredPixels) {
    MemoryImage image(context);
    Fill(image, 300, 1, 0xFF808080);
    const uint8_t* runs = image.GetAlphaRuns();
    for (int i = 0; i < 46; ++i)
        ASSERT_EQ(runs[i], 255) << i;
    for (int i = 46; i < 300; ++i)
        ASSERT_EQ(runs[i], 300 - i) << i;
}

TEST_F(MemoryImageTest, AlphaRunsSplitByClassAndRow) {
    MemoryImage image(context);
    const uint32_t pixels[] = {0x00FFFFFF, 0x00000000, 0xFF000000, 0xFFFFFFFF, 0xFF00FF00, 0x80000000,
                               0x01000000, 0xFE000000, 0x00000000, 0xFF000000, 0xFF000000, 0xFF000000};
    image.SetPixels(pixels, 6, 2, true);
    const uint8_t* runs = image.GetAlphaRuns();
    const uint8_t expected[] = {2, 1, 3, 2, 1, 1, 2, 1, 1, 3, 2, 1};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(runs[i], expected[i]) << i;
}

TEST_F(MemoryImageTest, OnePixelWideRunsAreAllOne) {
    MemoryImage image(context);
    Fill(image, 1, 5, 0xFFFFFFFF);
    const uint8_t* runs = image.GetAlphaRuns();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(runs[i], 1);
}

TEST_F(MemoryImageTest, AdditiveRunsSeparateBlackFromColour) {
    MemoryImage image(context);
    // Alpha 0 premultiplies any colour to black, and so does alpha 128 a green of 1:
    // (1 * 129) >> 8 = 0. A red of 1 at alpha 255 stays: (1 * 256) >> 8 = 1.
    const uint32_t pixels[] = {0xFF000000, 0x00FFFFFF, 0xFF010000, 0x80000100, 0xFF000000};
    image.SetPixels(pixels, 5, 1, true);
    const uint8_t* runs = image.GetAdditiveRuns(NativeDisplay::X8R8G8B8());
    const uint8_t expected[] = {2, 1, 1, 2, 1};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(runs[i], expected[i]) << i;
}

// --- Palettising --------------------------------------------------------------------------------

TEST_F(MemoryImageTest, PalettisingTwoHundredFiftySixColoursIsLossless) {
    MemoryImage image(context);
    std::vector<uint32_t> pixels(512);
    for (int i = 0; i < 512; ++i)
        pixels[i] = 0xFF000000u | static_cast<uint32_t>((i * 7919) % 256) << 8 | 0x11;
    image.SetPixels(pixels.data(), 32, 16, true);
    ASSERT_TRUE(image.ConvertToPalette());
    EXPECT_TRUE(image.WantsPalette());
    EXPECT_EQ(image.Bits(), nullptr);
    ASSERT_NE(image.ColorTable(), nullptr);
    // The table holds the colours in order of first appearance.
    EXPECT_EQ(image.ColorTable()[0], pixels[0]);
    EXPECT_EQ(image.ColorTable()[1], pixels[1]);
    EXPECT_TRUE(image.ConvertToPalette()) << "a palettised picture stays so";
    const uint32_t* back = image.GetPixels();
    for (int i = 0; i < 512; ++i)
        ASSERT_EQ(back[i], pixels[i]) << i;
    EXPECT_EQ(image.ColorTable(), nullptr);
    EXPECT_EQ(back[512], MemoryImage::GuardWord);
}

TEST_F(MemoryImageTest, PalettisingTwoHundredFiftySevenColoursFailsAndKeepsThePixels) {
    MemoryImage image(context);
    std::vector<uint32_t> pixels(257);
    for (uint32_t i = 0; i < 257; ++i)
        pixels[i] = 0xFF000000u | (i * 0x010101u);
    image.SetPixels(pixels.data(), 257, 1, true);
    const uint32_t* before = image.Bits();
    EXPECT_FALSE(image.ConvertToPalette());
    EXPECT_FALSE(image.WantsPalette());
    EXPECT_EQ(image.Bits(), before);
    EXPECT_EQ(image.ColorTable(), nullptr);
    EXPECT_EQ(image.ColorIndices(), nullptr);
    for (int i = 0; i < 257; ++i)
        ASSERT_EQ(image.Bits()[i], pixels[i]);
}

TEST_F(MemoryImageTest, APalettisedPictureIsDrawnThroughItsTable) {
    MemoryImage source(context);
    const uint32_t pixels[] = {0xFF0000FF, 0x00000000, 0xFF00FF00, 0xFF0000FF};
    source.SetPixels(pixels, 2, 2, true);
    ASSERT_TRUE(source.ConvertToPalette());
    EXPECT_EQ(source.GetAlphaRuns()[0], 1);
    EXPECT_EQ(source.GetPremultipliedPixels(context.Display())[0], 0xFF0000FFu) << "one word per table entry";

    MemoryImage dest(context);
    Fill(dest, 2, 2, 0xFF808080);
    dest.BlitImage(&source, 0, 0, Rect(0, 0, 2, 2), Color::White, DRAWMODE_NORMAL);
    EXPECT_EQ(source.Bits(), nullptr) << "the source is not expanded";
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(dest, 1, 0), 0xFF808080u);
    EXPECT_EQ(PixelAt(dest, 0, 1), 0xFF00FF00u);
}

TEST_F(MemoryImageTest, DroppingAPalettisedPictureKeepsWhatRebuildsIt) {
    MemoryImage image(context);
    const uint32_t pixels[] = {0xFF0000FF, 0xFF00FF00, 0xFF0000FF};
    image.SetPixels(pixels, 3, 1, true);
    ASSERT_TRUE(image.ConvertToPalette());
    EXPECT_FALSE(image.DropPixels()) << "there were no 32-bit pixels to free";
    EXPECT_NE(image.ColorIndices(), nullptr);
    EXPECT_EQ(PixelAt(image, 1, 0), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(image, 2, 0), 0xFF0000FFu);
}

TEST_F(MemoryImageTest, RestoreAfterResetPalettisesAndDropsAgain) {
    MemoryImage image(context);
    Fill(image, 4, 4, 0xFF336699);
    ASSERT_TRUE(image.ConvertToPalette());
    image.GetPixels();
    image.DropPixels();
    image.GetPixels();
    EXPECT_EQ(image.ColorTable(), nullptr);
    image.RestoreAfterReset();
    EXPECT_NE(image.ColorTable(), nullptr);
    EXPECT_NE(image.NativeAlphaData(), nullptr);
    EXPECT_EQ(PixelAt(image, 3, 3), 0xFF336699u);
}

// --- Copying ------------------------------------------------------------------------------------

TEST_F(MemoryImageTest, RestoreAfterResetDropsAPurgedPictureAgain) {
    MemoryImage image(context);
    Fill(image, 4, 4, 0x80336699);
    EXPECT_FALSE(image.RestoreAfterReset()) << "nothing was asked for";
    image.DropPixels();
    image.GetPixels();
    EXPECT_TRUE(image.RestoreAfterReset());
    EXPECT_EQ(image.Bits(), nullptr);
}

TEST_F(MemoryImageTest, ACopyOwnsDeepCopiesOfEveryForm) {
    MemoryImage image(context);
    Fill(image, 2, 2, 0x80402010);
    image.SetCelGrid(2, 1);
    auto anim = std::make_unique<AnimInfo>();
    anim->frameDelays = {10, 20};
    image.SetAnimInfo(std::move(anim));
    image.SetVolatileHint(true);
    image.GetAlphaRuns();

    MemoryImage copy(image);
    EXPECT_EQ(copy.GetColumnCount(), 2);
    ASSERT_NE(copy.GetAnimInfo(), nullptr);
    EXPECT_NE(copy.GetAnimInfo(), image.GetAnimInfo());
    EXPECT_EQ(copy.GetAnimInfo()->frameDelays, (std::vector<int32_t>{10, 20}));
    EXPECT_TRUE(copy.IsVolatile());
    EXPECT_TRUE(copy.HasAlpha());
    EXPECT_NE(copy.RLAlphaData(), nullptr);
    EXPECT_NE(copy.Bits(), image.Bits());
    SetPixelAt(copy, 0, 0, 0xFFFFFFFF);
    EXPECT_EQ(PixelAt(image, 0, 0), 0x80402010u);
}

TEST_F(MemoryImageTest, CopyingADroppedPictureLeavesTheSourceDropped) {
    MemoryImage image(context);
    Fill(image, 2, 1, 0x80FF6400);
    SetPixelAt(image, 1, 0, 0xFF204060);
    image.DropPixels();
    MemoryImage copy(image);
    EXPECT_EQ(image.Bits(), nullptr);
    ASSERT_NE(copy.Bits(), nullptr);
    EXPECT_EQ(copy.Bits()[1], 0xFF204060u);
    EXPECT_EQ(copy.Bits()[2], MemoryImage::GuardWord);
}
