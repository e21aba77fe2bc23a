// The video statistics' text, on the software path and with textures on the hardware path.
#include "framework/app/VideoStats.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "support/FakeDisplayDevice.h"

#include <gtest/gtest.h>

#include <map>

using namespace Zorbel;

namespace {

// A display whose pictures have the textures the test gives them.
class TexturedDisplay : public ZorbelTest::FakeDisplayDevice {
public:
    using FakeDisplayDevice::FakeDisplayDevice;
    bool GetTextureUse(const MemoryImage& image, TextureUse& use) override {
        auto found = textures.find(&image);
        if (found == textures.end()) return false;
        use = found->second;
        return true;
    }
    VideoMemory GetVideoMemory() override { return memory; }
    HardwareVerdict Get3DVerdict() const override { return verdict; }

    std::map<const MemoryImage*, TextureUse> textures;
    VideoMemory memory;
    HardwareVerdict verdict = HardwareVerdict::Unsupported;
};

TEST(VideoStatsTest, TheSoftwarePathHasNoVideoMemoryAndNoTextures) {
    ImageContext context;
    ZorbelTest::FakeDisplayDevice display(context);
    MemoryImage picture(context);
    picture.SetSize(64, 64);
    EXPECT_EQ(VideoStats::Collect(display, {&picture}).Text(),
              "3D-Mode is Off (3D is Unsupported on this system)\r\n\r\n"
              "Video Memory: 0/0 KB\r\n\r\n"
              "Texture Memory: 0 KB\r\n"
              "A8R8G8B8: 0 - 0 KB\r\n"
              "A4R4G4B4: 0 - 0 KB\r\n"
              "R5G6B5: 0 - 0 KB\r\n"
              "Palette8: 0 - 0 KB\r\n");
}

TEST(VideoStatsTest, TheHardwarePathCountsTexturesByFormat) {
    ImageContext context;
    TexturedDisplay display(context);
    display.is3D = true;
    display.memory = {uint64_t(256) << 20, uint64_t(200) << 20};
    display.verdict = HardwareVerdict::Supported;
    MemoryImage a(context), b(context), c(context), plain(context);
    // Only pictures that carry a texture record are asked about.
    static int record;
    auto* texture = reinterpret_cast<HardwareTexture*>(&record);
    for (MemoryImage* image : {&a, &b, &c})
        image->SetHardwareTexture(texture);
    display.textures[&a] = {TextureFormat::A8R8G8B8, 1048576};
    display.textures[&b] = {TextureFormat::A8R8G8B8, 2097152};
    display.textures[&c] = {TextureFormat::R5G6B5, 5120};
    display.textures[&plain] = {TextureFormat::A4R4G4B4, 999999};

    const VideoStats stats = VideoStats::Collect(display, {&a, &b, &c, &plain});
    for (MemoryImage* image : {&a, &b, &c})
        image->SetHardwareTexture(nullptr);
    EXPECT_EQ(stats.Text(), "3D-Mode is On (3D is Supported on this system)\r\n\r\n"
                            "Video Memory: 57,344/262,144 KB\r\n\r\n"
                            "Texture Memory: 3,077 KB\r\n"
                            "A8R8G8B8: 2 - 3,072 KB\r\n"
                            "A4R4G4B4: 0 - 0 KB\r\n"
                            "R5G6B5: 1 - 5 KB\r\n"
                            "Palette8: 0 - 0 KB\r\n");

    VideoStats recommended;
    recommended.verdict = HardwareVerdict::Recommended;
    EXPECT_EQ(recommended.Text().substr(0, 49), "3D-Mode is Off (3D is Recommended on this system)");
}

} // namespace
