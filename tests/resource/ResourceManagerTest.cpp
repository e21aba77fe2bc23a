// The resource manager over a headless application: records loaded as the application loads pictures,
// sounds and fonts, lookups, failures and releases.
#include "app/AppHarness.h"

#include "framework/font/ImageFont.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"
#include "framework/platform/audio/HeadlessAudioSink.h"
#include "framework/resource/ResourceManager.h"
#include "framework/resource/ResourceManagerException.h"
#include "framework/sound/DSoundManager.h"
#include "support/SoundTestFiles.h"

#include <functional>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class ResourceManagerTest : public AppFixture {
protected:
    ResourceManager& Start() {
        openAudio = [] { return AudioOutput::Open(std::make_unique<HeadlessAudioSink>(), 8); };
        return *StartApp().GetResourceManager();
    }

    // A picture whose pixel (x, y) is pixel(x, y), written as PNG; returns its path.
    std::string Picture(const std::string& name, int width, int height,
                        const std::function<uint32_t(int, int)>& pixel) {
        auto picture = ImageLib::Image::Create(width, height, false);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                picture->GetBits()[y * width + x] = pixel(x, y);
        const std::string path = folder.path + "/" + name;
        EXPECT_TRUE(ImageLib::WritePng(path, *picture));
        return path;
    }

    static std::unique_ptr<ImageRecord> Image(const std::string& id, const std::string& group,
                                              const std::string& path) {
        auto record = std::make_unique<ImageRecord>();
        record->id = id;
        record->group = group;
        record->path = path;
        return record;
    }

    static std::string Thrown(const std::function<void()>& lookup) {
        try {
            lookup();
        } catch (const ResourceManagerException& e) {
            return e.what();
        }
        return "(nothing thrown)";
    }
};

TEST_F(ResourceManagerTest, EmptyTablesLoadAnyGroupAndFindNothing) {
    ResourceManager& resources = Start();
    EXPECT_TRUE(resources.LoadGroup("Title"));
    EXPECT_TRUE(resources.IsGroupLoaded("Title"));
    resources.DeleteGroupResources("Title");
    EXPECT_FALSE(resources.IsGroupLoaded("Title"));

    EXPECT_EQ(Thrown([&] { resources.FindImage("LOGO"); }), "Image resource not found: LOGO");
    EXPECT_EQ(resources.GetLastError(), "Image resource not found: LOGO");
    // The first failure is the one kept.
    EXPECT_EQ(Thrown([&] { resources.FindSoundId("CLICK"); }), "Image resource not found: LOGO");
    EXPECT_FALSE(resources.Fail("later"));
    EXPECT_EQ(resources.GetLastError(), "Image resource not found: LOGO");
    resources.ClearError();
    EXPECT_EQ(Thrown([&] { resources.FindFont("TESSERA"); }), "Font resource not found: TESSERA");
}

TEST_F(ResourceManagerTest, AnAlphaGridOfOneCellGoesIntoEveryCell) {
    ResourceManager& resources = Start();
    const std::string path =
        Picture("tiles.png", 80, 30, [](int x, int y) { return 0xFF000000u | (x << 8) | y; });
    const std::string grid =
        Picture("cell.png", 20, 10, [](int x, int y) { return 0xFF000000u | (x * 10 + y); });
    auto record = Image("TILES", "Board", path);
    record->alphaGridImagePath = grid;
    record->rows = 3;
    record->columns = 4;
    ASSERT_TRUE(resources.AddImage(std::move(record)));

    ASSERT_TRUE(resources.LoadGroup("Board")) << resources.GetLastError();
    SharedImageRef tiles = resources.FindImage("TILES");
    ASSERT_TRUE(tiles && tiles->image);
    MemoryImage& image = *tiles->image;
    EXPECT_EQ(image.GetRowCount(), 3);
    EXPECT_EQ(image.GetColumnCount(), 4);
    const uint32_t* pixels = image.GetPixels();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_EQ(pixels[y * 80 + x], (uint32_t((x % 20) * 10 + y % 10) << 24) | (x << 8) | y)
                << "at " << x << ", " << y;

    // A grid picture that is not one cell in size stops the group.
    auto wrong = Image("WRONG", "Menu", Picture("menu.png", 80, 30, [](int, int) { return 0xFFFFFFFFu; }));
    wrong->alphaGridImagePath = grid;
    wrong->rows = 2;
    ASSERT_TRUE(resources.AddImage(std::move(wrong)));
    EXPECT_FALSE(resources.LoadGroup("Menu"));
    EXPECT_EQ(resources.GetLastError(),
              "GridAlphaImage size mismatch between " + folder.path + "/menu.png and " + grid);
    EXPECT_FALSE(resources.IsGroupLoaded("Menu"));
}

TEST_F(ResourceManagerTest, AnImageRecordIsAppliedToItsPicture) {
    ResourceManager& resources = Start();
    const std::string path =
        Picture("strip.png", 8, 2, [](int x, int) { return x < 4 ? 0xFF102030u : 0xFF405060u; });
    const std::string alpha =
        Picture("strip_alpha.png", 8, 2, [](int x, int) { return 0xFF000000u | (x * 30); });
    auto record = Image("STRIP", "Board", path);
    record->alphaImagePath = alpha;
    record->palletize = true;
    record->textureBit1 = record->textureBit8 = true;
    record->columns = 2;
    record->animation = AnimInfo{{10, 20}, {1, 0}};
    ASSERT_TRUE(resources.AddImage(std::move(record)));
    // A second record of the same picture shares it.
    ASSERT_TRUE(resources.AddImage(Image("STRIP_AGAIN", "Board", path)));
    ASSERT_TRUE(resources.AddImage(Image("MISSING", "Other", folder.path + "/missing.png")));

    ASSERT_TRUE(resources.LoadGroup("Board")) << resources.GetLastError();
    SharedImageRef strip = resources.FindImage("STRIP");
    EXPECT_EQ(strip, resources.FindImage("STRIP_AGAIN"));
    MemoryImage& image = *strip->image;
    EXPECT_NE(image.ColorTable(), nullptr) << "palettised";
    EXPECT_EQ(image.GetTextureFlags(),
              ImageRecord::TexturePowerOfTwoPieces | ImageRecord::TextureAlwaysAlpha);
    ASSERT_NE(image.GetAnimInfo(), nullptr);
    EXPECT_EQ(*image.GetAnimInfo(), (AnimInfo{{10, 20}, {1, 0}}));
    // The later record's grid is the one that holds.
    EXPECT_EQ(image.GetColumnCount(), 1);
    const uint32_t* pixels = image.GetPixels();
    EXPECT_EQ(pixels[0], 0x00102030u);
    EXPECT_EQ(pixels[9 + 0], 0x1E102030u);
    EXPECT_EQ(pixels[7], 0xD2405060u);

    EXPECT_FALSE(resources.LoadGroup("Other"));
    EXPECT_EQ(resources.GetLastError(), "Failed to load image: " + folder.path + "/missing.png");

    // Releasing the group lets go of the picture; the lookup then fails.
    resources.DeleteGroupResources("Board");
    EXPECT_EQ(strip.use_count(), 2) << "the test's reference and the application's cache";
    resources.ClearError();
    EXPECT_EQ(Thrown([&] { resources.FindImage("STRIP"); }), "Image resource not found: STRIP");
}

TEST_F(ResourceManagerTest, SoundsLoadIntoSlotsInOrderAndKeepThemWhenLoadedAgain) {
    ResourceManager& resources = Start();
    for (const char* name : {"click", "slide"})
        WriteFile(folder.path + "/" + name + ".wav", PcmWav(ToneSamples(440, 64, 22050), 1, 22050));
    auto sound = [&](const std::string& id, const std::string& name, double volume, int32_t pan,
                     const std::string& group = "Sounds") {
        auto record = std::make_unique<SoundRecord>();
        record->id = id;
        record->group = group;
        record->path = folder.path + "/" + name;
        record->baseVolume = volume;
        record->basePan = pan;
        return record;
    };
    ASSERT_TRUE(resources.AddSound(sound("CLICK", "click", 0.5, -300)));
    ASSERT_TRUE(resources.AddSound(sound("SLIDE", "slide", -1, 0)));
    EXPECT_FALSE(resources.AddSound(sound("SLIDE", "click", -1, 0))) << "an id is taken once";

    ASSERT_TRUE(resources.LoadGroup("Sounds")) << resources.GetLastError();
    EXPECT_EQ(resources.FindSoundId("CLICK"), 0);
    EXPECT_EQ(resources.FindSoundId("SLIDE"), 1);
    auto& manager = static_cast<DSoundManager&>(*app->GetSoundManager());
    ASSERT_NE(manager.GetBuffer(0), nullptr);
    EXPECT_EQ(manager.GetSoundLength(0), 128u);

    resources.DeleteGroupResources("Sounds");
    EXPECT_EQ(manager.GetBuffer(0), nullptr) << "released";
    ASSERT_TRUE(resources.LoadGroup("Sounds"));
    EXPECT_EQ(resources.FindSoundId("SLIDE"), 1);

    ASSERT_TRUE(resources.AddSound(sound("GONE", "gone", -1, 0, "Missing")));
    EXPECT_FALSE(resources.LoadGroup("Missing"));
    EXPECT_EQ(resources.GetLastError(), "Failed to load sound: " + folder.path + "/gone");
}

TEST_F(ResourceManagerTest, FontsLoadInEveryFormAndProgramResourcesMayBeMissing) {
    ResourceManager& resources = Start();
    auto font = [](const std::string& id, const std::string& path) {
        auto record = std::make_unique<FontRecord>();
        record->id = id;
        record->group = "Fonts";
        record->path = path;
        return record;
    };
    auto tessera = font("TESSERA", ZORBEL_BINARY_DIR "/fonts/Tessera.txt");
    tessera->tags = "glow";
    ASSERT_TRUE(resources.AddFont(std::move(tessera)));
    auto flat = font("TESSERA_FLAT", "!ref:TESSERA");
    flat->tags = "flat,\tBIG";
    ASSERT_TRUE(resources.AddFont(std::move(flat)));
    Picture("glyphs.png", 8, 4, [](int, int) { return 0xFFFFFFFFu; });
    std::ofstream(folder.path + "/glyphs.txt") << "3 4\na 4\nb 4\n";
    auto legacy = font("LEGACY", folder.path + "/glyphs.txt");
    legacy->imagePath = folder.path + "/glyphs.png";
    ASSERT_TRUE(resources.AddFont(std::move(legacy)));
    auto program = font("CAPTION", "");
    program->fromProgram = true;
    ASSERT_TRUE(resources.AddFont(std::move(program)));

    ASSERT_TRUE(resources.LoadGroup("Fonts")) << resources.GetLastError();
    ImageFont* base = resources.FindFont("TESSERA");
    ImageFont* copy = resources.FindFont("TESSERA_FLAT");
    ASSERT_TRUE(base && copy);
    EXPECT_EQ(&base->Data(), &copy->Data()) << "a duplicate shares the data";
    EXPECT_TRUE(base->HasTag("glow"));
    EXPECT_TRUE(copy->HasTag("flat") && copy->HasTag("big"));
    EXPECT_GT(base->StringWidth("Tesserine"), 0);
    EXPECT_EQ(resources.FindFont("LEGACY")->StringWidth("ab a"), 4 + 4 + 3 + 4);

    EXPECT_EQ(Thrown([&] { resources.FindFont("CAPTION"); }), "Font resource not found: CAPTION");
    resources.SetAllowMissingProgramResources(true);
    EXPECT_EQ(resources.FindFont("CAPTION"), nullptr);

    // A reference to a font that is not loaded, and a descriptor that fails.
    resources.DeleteGroupResources("Fonts");
    auto orphan = font("ORPHAN", "!ref:TESSERA");
    orphan->group = "Orphans";
    ASSERT_TRUE(resources.AddFont(std::move(orphan)));
    EXPECT_FALSE(resources.LoadGroup("Orphans"));
    EXPECT_EQ(resources.GetLastError(), "Ref font not found: TESSERA");
    auto broken = font("BROKEN", folder.path + "/broken.txt");
    broken->group = "Broken";
    std::ofstream(folder.path + "/broken.txt") << "NoSuchCommand;\n";
    ASSERT_TRUE(resources.AddFont(std::move(broken)));
    EXPECT_FALSE(resources.LoadGroup("Broken"));
    EXPECT_EQ(resources.GetLastError(), "Failed to load font: " + folder.path + "/broken.txt");
}

} // namespace
