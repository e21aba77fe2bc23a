// The application as the host of image fonts: their pictures come from its shared pictures, their
// descriptor errors from its pop-up.
#include "app/AppHarness.h"

#include "framework/font/FontData.h"
#include "framework/font/ImageFont.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"

#include <fstream>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class AppFontTest : public AppFixture {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(folder.path + "/fonts/" + name, std::ios::binary) << text;
        return folder.path + "/fonts/" + name;
    }
};

TEST_F(AppFontTest, FontPicturesAreTheSharedPicturesAndErrorsGoToThePopUp) {
    TestApp& application = StartApp();
    std::filesystem::create_directories(folder.path + "/fonts");
    auto picture = ImageLib::Image::Create(8, 4, false);
    for (size_t i = 0; i < picture->GetPixelCount(); ++i)
        picture->GetBits()[i] = 0xFFFFFFFF;
    ASSERT_TRUE(ImageLib::WritePng(folder.path + "/fonts/g.png", *picture));

    // The picture is named relative to the descriptor's folder.
    ImageFont font(&application, Write("good.txt", "CreateLayer A; LayerSetImage A 'g.png';"));
    ASSERT_TRUE(font.IsInitialized());
    const MemoryImage* layerPicture = font.Data().GetLayer("a")->image.get();
    bool isNew = true;
    SharedImageRef shared = application.GetSharedImage(folder.path + "/fonts/g.png", "", &isNew);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(shared->image.get(), layerPicture);
    EXPECT_NE(layerPicture->ColorTable(), nullptr) << "palettised when first loaded";
    EXPECT_TRUE(windows.MessageBoxes().empty());

    const std::string bad = Write("bad.txt", "CreateLayer A;\nLayerSetImage A 'missing.png';\n");
    ImageFont broken(&application, bad);
    EXPECT_FALSE(broken.IsInitialized());
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_EQ(windows.MessageBoxes()[0].caption, "FATAL ERROR");
    EXPECT_EQ(windows.MessageBoxes()[0].text, "Font Descriptor Error in " + bad +
                                                  "\r\nFailed to Load Image on Line 2:\r\n\r\n"
                                                  "LayerSetImage A 'missing.png'");
}

} // namespace
