// Manifests that fill a resource manager: a whole game's worth of pictures, sounds and fonts loaded
// group by group through a headless application, and every kind of mistake a manifest can hold.
#include "app/AppHarness.h"

#include "framework/font/ImageFont.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"
#include "framework/platform/audio/HeadlessAudioSink.h"
#include "framework/resource/ResourceManager.h"
#include "framework/resource/ResourceManagerException.h"
#include "framework/resource/ResourceManifest.h"
#include "framework/sound/DSoundManager.h"
#include "support/SoundTestFiles.h"

#include <functional>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class ResourceManifestTest : public AppFixture {
protected:
    ResourceManager& Start() {
        openAudio = [] { return AudioOutput::Open(std::make_unique<HeadlessAudioSink>(), 8); };
        std::filesystem::create_directories(folder.path + "/game/pictures");
        std::filesystem::create_directories(folder.path + "/game/sounds");
        return *StartApp().GetResourceManager();
    }

    std::string Picture(const std::string& name, int width, int height,
                        const std::function<uint32_t(int, int)>& pixel) {
        auto picture = ImageLib::Image::Create(width, height, false);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                picture->GetBits()[y * width + x] = pixel(x, y);
        const std::string path = folder.path + "/game/" + name;
        EXPECT_TRUE(ImageLib::WritePng(path, *picture));
        return path;
    }

    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(folder.path + "/game/" + name, std::ios::binary) << text;
        return folder.path + "/game/" + name;
    }
};

TEST_F(ResourceManifestTest, AGameLoadsGroupByGroupAndLetsGoOfAGroupAgain) {
    ResourceManager& resources = Start();
    Picture("pictures/logo.png", 6, 2, [](int x, int) { return 0xFF204060u + x; });
    Picture("pictures/logo_mask.png", 6, 2, [](int x, int y) { return 0xFF000000u | (x * 40 + y); });
    Picture("pictures/tiles.png", 80, 30, [](int x, int y) { return 0xFF000000u | (x << 8) | y; });
    Picture("pictures/cell.png", 20, 10, [](int x, int y) { return 0xFF000000u | (x * 10 + y); });
    for (const char* name : {"click", "slide"})
        WriteFile(folder.path + "/game/sounds/" + std::string(name) + ".wav",
                  PcmWav(ToneSamples(440, 32, 22050), 1, 22050));
    const std::string manifest = Write("resources.txt", R"(# A small game: its title, then its board.
Define TESSERA ")" ZORBEL_BINARY_DIR R"(/fonts/Tessera.txt"

Group Title
Image LOGO pictures/logo.png Alpha pictures/logo_mask.png Palletize
Sound CLICK sounds/click Volume 0.5 Pan -300
Font TESSERA TESSERA Tags glow

Group Board
Image TILES pictures/tiles.png AlphaGrid pictures/cell.png Rows 3 Columns 4
    FrameDelays (10, 20) FrameMap (0, 11)
Sound SLIDE sounds/slide
Font SMALL "!ref:TESSERA" Tags (flat, small); ProgramImage SCREEN

Group Later
Sound MISSING sounds/none
)");
    ResourceManifest reader(resources);
    ASSERT_TRUE(reader.Read(manifest)) << resources.GetLastError();
    EXPECT_EQ(resources.Images().size(), 3u);

    ASSERT_TRUE(resources.LoadGroup("Title")) << resources.GetLastError();
    EXPECT_THROW(resources.FindImage("TILES"), ResourceManagerException) << "the board is not loaded yet";
    SharedImageRef logo = resources.FindImage("LOGO");
    const uint32_t* logoPixels = logo->image->GetPixels();
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(logoPixels[6 + x], (uint32_t(x * 40 + 1) << 24) | (0x204060u + x)) << x;
    EXPECT_EQ(resources.FindSoundId("CLICK"), 0);
    EXPECT_TRUE(resources.FindFont("TESSERA")->HasTag("glow"));

    ASSERT_TRUE(resources.LoadGroup("Board")) << resources.GetLastError();
    MemoryImage& tiles = *resources.FindImage("TILES")->image;
    EXPECT_EQ(tiles.GetPixels()[29 * 80 + 79], (uint32_t(19 * 10 + 9) << 24) | (79 << 8) | 29);
    EXPECT_EQ(tiles.GetPixels()[10 * 80 + 20], (0u << 24) | (20 << 8) | 10);
    EXPECT_EQ(tiles.GetCelWidth(), 20);
    EXPECT_EQ(*tiles.GetAnimInfo(), (AnimInfo{{10, 20}, {0, 11}}));
    EXPECT_EQ(resources.FindSoundId("SLIDE"), 1);
    ImageFont* small = resources.FindFont("SMALL");
    // A duplicate starts as a copy of its font, tags and all, and takes its own tags besides.
    EXPECT_TRUE(small->HasTag("flat") && small->HasTag("small") && small->HasTag("glow"));
    EXPECT_FALSE(resources.FindFont("TESSERA")->HasTag("flat"));
    EXPECT_EQ(&small->Data(), &resources.FindFont("TESSERA")->Data());
    resources.SetAllowMissingProgramResources(true);
    EXPECT_EQ(resources.FindImage("SCREEN"), nullptr);

    // Letting go of the title leaves the board as it is.
    auto& sounds = static_cast<DSoundManager&>(*app->GetSoundManager());
    resources.DeleteGroupResources("Title");
    EXPECT_EQ(logo.use_count(), 2) << "the test's reference and the application's cache";
    EXPECT_EQ(sounds.GetBuffer(0), nullptr);
    EXPECT_NE(sounds.GetBuffer(1), nullptr);
    EXPECT_THROW(resources.FindFont("TESSERA"), ResourceManagerException);
    EXPECT_GT(small->StringWidth("Board"), 0) << "a duplicate keeps the data it shares";
    EXPECT_EQ(resources.GetLoadedGroups(), std::set<std::string>{"Board"});

    // A broken entry stops its group, and the message says where it was written.
    const std::string more =
        Write("more.txt", "Group Extra\n\nImage BROKEN pictures/missing.png\nSound LATER x\n");
    ASSERT_TRUE(reader.Read(more)) << resources.GetLastError();
    EXPECT_FALSE(resources.LoadGroup("Extra"));
    EXPECT_EQ(resources.GetLastError(), "Failed to load image: " + folder.path +
                                            "/game/pictures/missing.png on Line 3 in File '" + more + "'");
    EXPECT_FALSE(resources.Sounds().at("LATER")->IsLoaded()) << "the rest of the group is not loaded";
    // Records of the first manifest still know their place.
    EXPECT_FALSE(resources.LoadGroup("Later"));
    EXPECT_EQ(resources.GetLastError(), "Failed to load sound: " + folder.path +
                                            "/game/sounds/none on Line 16 in File '" + manifest + "'");
}

TEST_F(ResourceManifestTest, AManifestWithAMistakeSaysWhereAndAddsNothing) {
    ResourceManager& resources = Start();
    const std::pair<const char*, const char*> cases[] = {
        {"Group A\nImagee X x.png\n", "Unknown Command: Imagee on Line 2"},
        {"Group A\nImage X x.png\nImage X y.png\n", "Duplicate Image Id: X on Line 3"},
        {"Group A\nImage X x.png Rows 0\n", "Value Out of Range: Rows on Line 2"},
        {"Group A\nImage X x.png Columns 99999999999\n", "Value Out of Range: Columns on Line 2"},
        {"Group A\nImage X x.png AlphaColor 0x1000000\n", "Value Out of Range: AlphaColor on Line 2"},
        {"Image X x.png\n", "Resource Outside a Group: X on Line 1"},
        {"Group A\nSound S s Volume 2\n", "Value Out of Range: Volume on Line 2"},
        {"Group A\nSound S s Pan -10001\n", "Value Out of Range: Pan on Line 2"},
        {"Group A\nSound S s Pan\n", "Missing Value: Pan on Line 2"},
        {"Group A\nFont F f.txt Size 3\n", "Unknown Option: Size on Line 2"},
        {"Group A\nImage X (x.png)\n", "Invalid Path: X on Line 2"},
        {"Group A\nImage X\n", "Invalid Number of Parameters on Line 2"},
        {"Group A\nImage X x.png FrameMap (0, 1)\n",
         "FrameDelays and FrameMap Differ in Length: X on Line 2"},
        {"Group A\nImage X x.png FrameDelays (1) FrameMap (1)\n", "Value Out of Range: FrameMap on Line 2"},
        {"Group A\nImage X x.png FrameDelays (1, two) FrameMap (0, 0)\n",
         "Unable to Dereference \"two\" on Line 2"},
        {"Group A\nImage X x.png\n  Rows (\n", "Unterminated List on Line 2"},
        {"Group A\n\nImage X 'x.png\n", "Unterminated Single Quotes on Line 3"},
        {"Group A; Image X x.png; Image Y y.png Purge Bogus\n", "Unknown Option: Bogus on Line 1"},
    };
    for (const auto& [text, expected] : cases) {
        const std::string path = Write("bad.txt", text);
        ResourceManifest reader(resources);
        EXPECT_FALSE(reader.Read(path)) << text;
        EXPECT_EQ(resources.GetLastError(), std::string(expected) + " in File '" + path + "'") << text;
        EXPECT_TRUE(resources.Images().empty() && resources.Sounds().empty() && resources.Fonts().empty())
            << text;
    }

    ResourceManifest reader(resources);
    EXPECT_FALSE(reader.Read(folder.path + "/game/none.txt"));
    EXPECT_EQ(resources.GetLastError(),
              "Failed to read manifest in File '" + folder.path + "/game/none.txt'");
    EXPECT_FALSE(reader.Read(folder.path + "/game"));
    EXPECT_EQ(resources.GetLastError(), "Failed to read manifest in File '" + folder.path + "/game'");

    // An id read before cannot be read again; the first file's records stay.
    ASSERT_TRUE(reader.Read(Write("one.txt", "Group A\nFont F f.txt\n")));
    EXPECT_FALSE(reader.Read(Write("two.txt", "Group B\nFont G g.txt\nFont F f.txt\n")));
    EXPECT_EQ(resources.GetLastError(),
              "Duplicate Font Id: F on Line 3 in File '" + folder.path + "/game/two.txt'");
    EXPECT_EQ(resources.Fonts().size(), 1u);
    EXPECT_EQ(resources.Fonts().at("F")->path, folder.path + "/game/f.txt");
}

} // namespace
