#include "framework/widget/TextView.h"

#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/VirtualKey.h"
#include "support/RecordingFont.h"

#include <gtest/gtest.h>

namespace Zorbel {
namespace {

using ZorbelTest::RecordingFont;

// Ten pixels a character, lines of 15: a 100-pixel box with a scroll bar holds 7 characters a line.
struct TextViewTest : ::testing::Test {
    RecordingFont font;
    TextView view;
    TextViewTest() {
        view.SetFont(&font);
        view.SetScrollBar(true);
        view.SetBorder(true);
        view.Resize(0, 0, 100, 66); // four lines
    }
};

TEST_F(TextViewTest, WrapsAtWordsAndBreaksWordsWiderThanTheBox) {
    view.SetText("alpha beta gamma\r\nx\nabcdefghij");
    EXPECT_EQ(view.GetLines(), (std::vector<std::string>{"alpha", "beta", "gamma", "x", "abcdefg", "hij"}));
    view.SetScrollBar(false);
    view.Resize(0, 0, 136, 66); // 13 characters
    EXPECT_EQ(view.GetLines(), (std::vector<std::string>{"alpha beta", "gamma", "x", "abcdefghij"}));
}

TEST_F(TextViewTest, DrawsTheLinesFromTheTopLineAndScrollsWithinTheText) {
    view.SetText("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8");
    EXPECT_EQ(view.VisibleLineCount(), 4);
    view.MouseWheel(-1);
    EXPECT_EQ(view.GetTopLine(), 3);
    view.MouseWheel(-1);
    EXPECT_EQ(view.GetTopLine(), 4); // the last line stays at the bottom
    view.KeyDown(VirtualKey::Home);
    EXPECT_EQ(view.GetTopLine(), 0);
    view.KeyDown(VirtualKey::PageDown);
    EXPECT_EQ(view.GetTopLine(), 4);
    view.KeyDown(VirtualKey::Up);

    ImageContext context;
    MemoryImage image(context);
    image.SetSize(100, 66);
    Graphics g(&image);
    font.Clear();
    view.Draw(&g);
    // Each line at the margin, its baseline an ascent below its top; one line more than fits, cut off.
    EXPECT_EQ(font.Places(), (std::vector<std::string>{"4@3,15", "5@3,30", "6@3,45", "7@3,60", "8@3,75"}));
    const uint32_t* pixels = image.GetPixels();
    EXPECT_EQ(pixels[0], 0xFF808080u);             // the border
    EXPECT_EQ(pixels[5 * 100 + 5], 0xFFFFFFFFu);   // the background
    EXPECT_EQ(pixels[30 * 100 + 90], 0xFFA0A0A0u); // the thumb, in the middle of the bar
    EXPECT_EQ(pixels[2 * 100 + 90], 0xFFE0E0E0u);  // the track above it
}

TEST_F(TextViewTest, AClickOnTheBarPagesTowardsIt) {
    view.SetText("1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12");
    view.MouseDown(92, 60, 1);
    EXPECT_EQ(view.GetTopLine(), 4);
    view.MouseDown(92, 2, 1);
    EXPECT_EQ(view.GetTopLine(), 0);
    view.MouseDown(40, 60, 1); // the text itself does not scroll
    EXPECT_EQ(view.GetTopLine(), 0);
}

TEST_F(TextViewTest, EditableTakesTypingEnterAndBackspaceUpToItsLength) {
    for (char c : std::string("ab"))
        view.CharTyped(c);
    EXPECT_EQ(view.GetText(), ""); // read-only
    view.SetReadOnly(false);
    for (char c : std::string("hi\rx\x01\b\b!"))
        view.CharTyped(c);
    // A control character is not text, and Backspace takes a line end as one.
    EXPECT_EQ(view.GetText(), "hi!");
    view.SetMaxLength(4);
    for (char c : std::string("ab\r"))
        view.CharTyped(c);
    EXPECT_EQ(view.GetText(), "hi!a");
}

TEST_F(TextViewTest, TypingKeepsTheEndInViewWithTheCaretThere) {
    view.SetReadOnly(false);
    view.FocusGained();
    for (char c : std::string("1\r2\r3\r4\r5\r6"))
        view.CharTyped(c);
    EXPECT_EQ(view.GetTopLine(), 2);
    ImageContext context;
    MemoryImage image(context);
    image.SetSize(100, 66);
    Graphics g(&image);
    view.Draw(&g);
    // The caret: one pixel wide after "6", on the last visible line (top 3 + 3 lines of 15).
    const uint32_t* pixels = image.GetPixels();
    EXPECT_EQ(pixels[(48 + 5) * 100 + 13], 0xFF000000u);
    EXPECT_EQ(pixels[(48 + 5) * 100 + 14], 0xFFFFFFFFu);
}

} // namespace
} // namespace Zorbel
