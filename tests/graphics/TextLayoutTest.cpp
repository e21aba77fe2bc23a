#include "framework/graphics/TextLayout.h"

#include "framework/graphics/Graphics.h"
#include "support/RecordingFont.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using ZorbelTest::RecordingFont;
using Lines = std::vector<std::string>;

namespace {

// Every character is 10 pixels wide, the ascent 12 and the height 15.
Lines Wrap(int32_t width, const std::string& text) {
    RecordingFont font;
    Lines lines;
    for (const TextLayout::Line& line : TextLayout::WrapLines(&font, width, text))
        lines.push_back(text.substr(line.offset, line.length));
    return lines;
}

} // namespace

TEST(TextLayoutTest, WrapsAtBlanksAndDropsTheBlanksAtABreak) {
    EXPECT_EQ(Wrap(120, "hello world again"), (Lines{"hello world", "again"}));
    EXPECT_EQ(Wrap(110, "hello world"), (Lines{"hello world"})) << "a line may fill the width exactly";
    EXPECT_EQ(Wrap(30, "aa   bb"), (Lines{"aa", "bb"}));
    EXPECT_EQ(Wrap(1000, "  indented"), (Lines{"  indented"}));
}

TEST(TextLayoutTest, BreaksAWordOnlyWhenItAloneIsWiderThanTheLine) {
    EXPECT_EQ(Wrap(30, "abcdefg hi"), (Lines{"abc", "def", "g", "hi"}));
    EXPECT_EQ(Wrap(0, "ab"), (Lines{"a", "b"})) << "at least one character a line";
}

TEST(TextLayoutTest, KeepsExplicitLineBreaks) {
    EXPECT_EQ(Wrap(1000, "one\ntwo\r\n\nthree"), (Lines{"one", "two", "", "three"}));
    EXPECT_EQ(Wrap(1000, "end\n"), (Lines{"end", ""}));
    EXPECT_EQ(Wrap(1000, ""), Lines{});
}

TEST(TextLayoutTest, MeasuredHeightIsTheFirstLineAndTheSpacingsAfterIt) {
    RecordingFont font;
    EXPECT_EQ(TextLayout::MeasureWordWrappedHeight(&font, 1000, "a\nb\nc", 20), 15 + 2 * 20);
    EXPECT_EQ(TextLayout::MeasureWordWrappedHeight(&font, 1000, "", 20), 0);
    EXPECT_EQ(TextLayout::MeasureWordWrappedHeight(nullptr, 1000, "a", 20), 0);
    font.SetAscentPadding(3);
    EXPECT_EQ(TextLayout::MeasureWordWrappedHeight(&font, 1000, "a\nb\nc", 20), 12 + 2 * 20);
}

TEST(TextLayoutTest, DrawsEachLineJustifiedWithinTheRectangle) {
    RecordingFont font;
    Graphics g;
    g.SetTextFont(&font);
    const std::string text = "hello world again";
    EXPECT_EQ(TextLayout::DrawWordWrapped(&g, Rect(10, 100, 120, 0), text, 20, TextLayout::JUSTIFY_CENTER),
              35);
    EXPECT_EQ(TextLayout::DrawWordWrapped(&g, Rect(10, 100, 120, 0), text, 20, TextLayout::JUSTIFY_RIGHT),
              35);
    EXPECT_EQ(TextLayout::DrawWordWrapped(&g, Rect(10, 100, 120, 0), text, 20, TextLayout::JUSTIFY_LEFT), 35);
    EXPECT_EQ(font.Places(), (Lines{"hello world@15,112", "again@45,132", "hello world@20,112",
                                    "again@80,132", "hello world@10,112", "again@10,132"}));
}

TEST(TextLayoutTest, DrawStringJustifiedDrawsOrMeasuresAPartOfTheText) {
    RecordingFont font;
    Graphics g;
    g.SetTextFont(&font);
    EXPECT_EQ(
        TextLayout::DrawStringJustified(&g, "abcdef", 0, 50, 100, TextLayout::JUSTIFY_CENTER, false, 2, 3),
        30);
    EXPECT_TRUE(font.Calls().empty());
    EXPECT_EQ(
        TextLayout::DrawStringJustified(&g, "abcdef", 0, 50, 100, TextLayout::JUSTIFY_CENTER, true, 2, 3),
        30);
    EXPECT_EQ(
        TextLayout::DrawStringJustified(&g, "abcdef", 0, 50, 100, TextLayout::JUSTIFY_RIGHT, true, 4, -1),
        20);
    EXPECT_EQ(TextLayout::DrawStringJustified(&g, "abcdef", 0, 50, 100, TextLayout::JUSTIFY_LEFT, true, 9, 1),
              0);
    EXPECT_EQ(font.Places(), (Lines{"cde@35,50", "ef@80,50"}));
    Graphics noFont;
    EXPECT_EQ(TextLayout::DrawStringJustified(&noFont, "abc", 0, 0, 100, 0, true, 0, -1), 0);
}
