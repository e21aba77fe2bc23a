#include "framework/font/FontData.h"

#include "font/FontFixture.h"
#include "framework/graphics/MemoryImage.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using namespace Zorbel::Testing;

namespace {

class FontDataTest : public FontFixture {
protected:
    bool Load(const std::string& descriptor) {
        WhitePicture("glyphs.png", 12, 4);
        WhitePicture("narrow.png", 5, 4);
        path = folder.Write("font.txt", descriptor);
        return data.Load(path);
    }

    FontData data{&host};
    std::string path;
};

TEST_F(FontDataTest, EveryCommandFillsInItsPartOfTheFont) {
    ASSERT_TRUE(Load("# Names and command words in any case.\n"
                     "define W (8 9 10);\n"
                     "CreateHorzSpanRectList Cells (1 0 0 4) (3 4 2);\n"
                     "SetDefaultPointSize 0x10;\n"
                     "SetCharMap ('x' 'y') ('a' 'b');\n"
                     "CREATELAYER Main;\n"
                     "LayerSetImage main 'glyphs.png';\n"
                     "LayerSetImageMap Main ('a' 'b' 'c') cells;\n"
                     "LayerSetCharWidths Main ('a' 'b' 'c') W;\n"
                     "LayerSetCharOffsets Main ('a' 'c') ((1 -1) (0 2));\n"
                     "LayerSetKerningPairs Main ('ab' \"c'\") (-3 200);\n"
                     "LayerSetCharOrders Main ('c') (5);\n"
                     "LayerSetColorMult Main (0.5 1 0.25 1);\n"
                     "LayerSetColorAdd Main (0 0.1 0 0);\n"
                     "LayerSetDrawMode Main 1;\n"
                     "LayerSetOffset Main (2 -3);\n"
                     "LayerSetSpacing Main 1;\n"
                     "LayerPointRange Main 8 -1;\n"
                     "LayerSetPointSize Main 12;\n"
                     "LayerSetAscent Main 3;\n"
                     "LayerSetAscentPadding Main 1;\n"
                     "LayerSetLineSpacingOffset Main -2;\n"
                     "LayerSetBaseOrder Main -1;\n"
                     "LayerRequireTags Main ('bold' 'Wide');\n"
                     "LayerExcludeTags Main ('small');\n"
                     "CreateLayerFrom Copy Main;\n"
                     "LayerSetAscent Copy 7;\n"));
    EXPECT_TRUE(host.Errors().empty());
    EXPECT_TRUE(data.IsInitialized());
    EXPECT_EQ(data.GetDefaultPointSize(), 16);
    EXPECT_EQ(data.MapChar('x'), 'a');
    EXPECT_EQ(data.MapChar('z'), 'z');
    EXPECT_EQ(DescParser::DataElementToString(*data.GetDefine("CELLS")),
              "((1, 0, 3, 4), (4, 0, 4, 4), (8, 0, 2, 4))");

    const FontLayer* main = data.GetLayer("mAIN");
    ASSERT_NE(main, nullptr);
    ASSERT_NE(main->image, nullptr);
    EXPECT_NE(main->image->ColorTable(), nullptr) << "a newly loaded picture is palettised";
    EXPECT_EQ(main->Char('b').imageRect, Rect(4, 0, 4, 4));
    EXPECT_EQ(main->Char('a').width, 8);
    EXPECT_EQ(main->Char('c').width, 10);
    EXPECT_EQ(main->Char('a').offsetX, 1);
    EXPECT_EQ(main->Char('c').offsetY, 2);
    EXPECT_EQ(main->height, 4) << "set by the glyph map, before the offsets";
    EXPECT_EQ(main->Char('a').kerningOffsets['b'], -3);
    EXPECT_EQ(main->Char('c').kerningOffsets['\''], -56) << "kept as a signed byte";
    EXPECT_EQ(main->Char('c').order, 5);
    EXPECT_EQ(main->colorMult, Color(127, 255, 63, 255));
    EXPECT_EQ(main->colorAdd, Color(0, 25, 0, 0));
    EXPECT_EQ(main->drawMode, 1);
    EXPECT_EQ(main->offsetX, 2);
    EXPECT_EQ(main->offsetY, -3);
    EXPECT_EQ(main->spacing, 1);
    EXPECT_EQ(main->minPointSize, 8);
    EXPECT_EQ(main->maxPointSize, -1);
    EXPECT_EQ(main->pointSize, 12);
    EXPECT_EQ(main->ascentPadding, 1);
    EXPECT_EQ(main->lineSpacingOffset, -2);
    EXPECT_EQ(main->baseOrder, -1);
    EXPECT_EQ(main->requiredTags, (std::vector<std::string>{"BOLD", "WIDE"}));
    EXPECT_EQ(main->excludedTags, std::vector<std::string>{"SMALL"});

    const FontLayer* copy = data.GetLayer("copy");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->image, main->image) << "the copy shares the picture";
    EXPECT_EQ(copy->Char('b').imageRect, Rect(4, 0, 4, 4));
    EXPECT_EQ(copy->requiredTags, main->requiredTags);
    EXPECT_EQ(copy->ascent, 7);
    EXPECT_EQ(main->ascent, 3);
    EXPECT_EQ(data.Layers().size(), 2u);

    EXPECT_FALSE(data.Load(path)) << "data loads once";
}

TEST_F(FontDataTest, AnErrorNamesTheFileTheFirstLineAndTheWholeCommand) {
    EXPECT_FALSE(Load("CreateLayer Main;\n"
                      "# set the mode\n"
                      "LayerSetDrawMode\n"
                      "  # a comment between the parts\n"
                      "  Main 2;\n"
                      "LayerSetAscent Main 1;\n"));
    ASSERT_EQ(host.Errors().size(), 1u);
    EXPECT_EQ(host.Errors()[0], "Font Descriptor Error in " + path +
                                    "\r\nInvalid Paramater Type on Line 3:\r\n\r\nLayerSetDrawMode\nMain 2");
    EXPECT_EQ(data.GetErrorText(), host.Errors()[0]);
    EXPECT_FALSE(data.IsInitialized());
    EXPECT_EQ(data.GetLayer("main")->ascent, 0) << "loading stopped at the failing command";
}

struct ErrorCase {
    const char* descriptor;
    std::vector<std::string> messages;
    bool loads;
};

TEST_F(FontDataTest, EachMistakeIsReportedWithItsOwnMessage) {
    const ErrorCase cases[] = {
        {"Bogus 1;", {"Unknown Command"}, false},
        {"CreateLayer;", {"Invalid Number of Parameters"}, false},
        {"CreateLayer A; LayerSetAscent A 1 2;", {"Invalid Number of Parameters"}, false},
        {"LayerSetAscent Nope 3;", {"Undefined Layer", "Invalid Paramater Type"}, false},
        {"LayerSetAscent (a) 3;", {"Invalid Paramater Type"}, false},
        {"CreateLayer A; LayerSetDrawMode A 2;", {"Invalid Paramater Type"}, false},
        {"CreateLayer A; CreateLayer a; LayerSetAscent A 3;", {"Layer Already Exists"}, true},
        {"CreateLayer A; LayerSetCharWidths A ('a' 'b') (1);", {"List Size Mismatch"}, false},
        {"CreateLayer A; LayerSetCharWidths A (a) (1);", {"Unable to Dereference \"a\""}, false},
        {"CreateLayer A; LayerSetCharWidths A W (1);", {"Unable to Dereference \"W\""}, false},
        {"CreateLayer A; LayerSetCharWidths A ('a') (x1);", {"Unable to Dereference \"x1\""}, false},
        {"CreateLayer A; LayerSetCharWidths A ('a') ('1.5');", {"Invalid Paramater Type"}, false},
        {"CreateLayer A; LayerSetImageMap A ('a') ((0 0 1 1));", {"Layer image not set"}, false},
        {"CreateLayer A; LayerSetImage A 'missing.png';", {"Failed to Load Image"}, false},
        {"CreateLayer A; LayerSetImage A 'narrow.png'; LayerSetImageMap A ('a' 'b') ((0 0 5 4) (0 0 10 4));",
         {"Image rectangle out of bounds"},
         false},
        {"CreateLayer A; LayerSetImage A 'narrow.png'; LayerSetImageMap A ('a') ((1 0 -1 4));",
         {"Image rectangle out of bounds"},
         false},
        {"CreateLayer A; LayerSetColorMult A (1 1 1);", {"Invalid Paramater Type"}, false},
        {"CreateLayer A; LayerSetOffset A (1 2 3);", {"Invalid Paramater Type"}, false},
        {"SetDefaultPointSize +5;", {"Invalid Paramater Type"}, false},
        {"SetCharMap ('a') ('b' 'c');", {"List Size Mismatch"}, false},
        {"Define 1x 3;", {"Invalid Paramater Type"}, false},
        {"CreateLayer x(1);", {"Unexpected List Start"}, false},
        {"(a) b;", {"Missing Command"}, false},
        {"CreateLayer 'a;", {"Unterminated Single Quotes"}, false},
        {"CreateLayer (a;", {"Unterminated List"}, false},
    };
    for (const ErrorCase& c : cases) {
        ImageContext images;
        StandaloneFontHost errors(images);
        FontData fresh(&errors);
        WhitePicture("narrow.png", 5, 4);
        EXPECT_EQ(fresh.Load(folder.Write("case.txt", c.descriptor)), c.loads) << c.descriptor;
        std::vector<std::string> messages;
        for (const std::string& text : errors.Errors()) {
            const std::string rest = text.substr(text.find("\r\n") + 2);
            messages.push_back(rest.substr(0, rest.find(" on Line ")));
        }
        EXPECT_EQ(messages, c.messages) << c.descriptor;
    }
}

TEST_F(FontDataTest, EntriesOfTheWrongShapeAreSkippedAfterTheOthersAreApplied) {
    EXPECT_FALSE(Load("CreateLayer A;\n"
                      "LayerSetImage A 'glyphs.png';\n"
                      "LayerSetCharWidths A ('a' 'bc' 'd') (1 2 3);\n"));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Invalid Paramater Type"});
    const FontLayer* layer = data.GetLayer("A");
    EXPECT_EQ(layer->Char('a').width, 1);
    EXPECT_EQ(layer->Char('d').width, 3);

    FontData second(&host);
    EXPECT_FALSE(second.Load(folder.Write("map.txt",
                                          "CreateLayer A; LayerSetImage A 'glyphs.png';\n"
                                          "LayerSetImageMap A ('a' 'b' 'c') ((0 0 4 4) (1 2) (4 0 4 3));")));
    EXPECT_EQ(second.GetLayer("A")->Char('c').imageRect, Rect(4, 0, 4, 3));
    EXPECT_EQ(second.GetLayer("A")->height, 4) << "the height follows the glyphs that were set";
}

TEST_F(FontDataTest, AMissingDescriptorFailsSilently) {
    EXPECT_FALSE(data.Load(folder.Path("nothing.txt")));
    EXPECT_TRUE(host.Errors().empty());
    EXPECT_FALSE(data.IsInitialized());
}

TEST_F(FontDataTest, TheLayerCountIsLimited) {
    std::string many;
    for (size_t i = 0; i <= FontData::MaxLayers; ++i)
        many += "CreateLayer L" + std::to_string(i) + ";";
    EXPECT_FALSE(Load(many));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Too Many Layers"});
    EXPECT_EQ(data.Layers().size(), FontData::MaxLayers);
}

} // namespace
