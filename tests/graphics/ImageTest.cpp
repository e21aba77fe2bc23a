#include "framework/graphics/Image.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Zorbel;

namespace {

// Records the fills that the base operations express themselves through.
class RecordingImage : public Image {
public:
    void FillArea(const Rect& rect, const Color& color, DrawMode drawMode) override {
        fills.push_back(rect);
        lastColor = color;
        lastMode = drawMode;
    }
    std::vector<Rect> fills;
    Color lastColor;
    DrawMode lastMode = DRAWMODE_NORMAL;
};

} // namespace

TEST(ImageTest, CelsDivideThePictureWithIntegerDivision) {
    RecordingImage image;
    EXPECT_EQ(image.GetCelRect(0, 0), Rect(0, 0, 0, 0));
    image.SetCelGrid(0, -3);
    EXPECT_EQ(image.GetColumnCount(), 1) << "a count below 1 would divide by zero";
    EXPECT_EQ(image.GetRowCount(), 1);
}

TEST(ImageTest, OutlineIsFourFills) {
    RecordingImage image;
    image.DrawOutline(Rect(2, 3, 10, 5), Color(1, 2, 3), DRAWMODE_ADDITIVE);
    const std::vector<Rect> expected = {Rect(2, 3, 11, 1), Rect(2, 8, 11, 1), Rect(2, 4, 1, 4),
                                        Rect(12, 4, 1, 4)};
    EXPECT_EQ(image.fills, expected);
    EXPECT_EQ(image.lastColor, Color(1, 2, 3));
    EXPECT_EQ(image.lastMode, DRAWMODE_ADDITIVE);
}

TEST(ImageTest, SpansAreOneRowFills) {
    RecordingImage image;
    const Span spans[] = {{4, 1, 7}, {5, -2, 3}};
    image.FillSpans(spans, 2, Color::White, DRAWMODE_NORMAL);
    const std::vector<Rect> expected = {Rect(1, 4, 7, 1), Rect(-2, 5, 3, 1)};
    EXPECT_EQ(image.fills, expected);
}

TEST(ImageTest, TheBaseDrawsNothingAndFillsNoPolygon) {
    RecordingImage image;
    const Point points[] = {{0, 0}, {5, 0}, {0, 5}};
    EXPECT_FALSE(image.FillPolygon(points, 3, Rect(0, 0, 9, 9), Color::White, DRAWMODE_NORMAL, 0, 0));
    image.DrawSegment(0, 0, 5, 5, Color::White, DRAWMODE_NORMAL);
    image.BlitImage(&image, 0, 0, Rect(0, 0, 1, 1), Color::White, DRAWMODE_NORMAL);
    EXPECT_TRUE(image.fills.empty());
}

TEST(ImageTest, CopiesOwnTheirAnimation) {
    RecordingImage image;
    auto anim = std::make_unique<AnimInfo>();
    anim->frameMap = {0, 1, 2};
    image.SetAnimInfo(std::move(anim));
    image.SetCelGrid(3, 1);
    Image copy(image);
    ASSERT_NE(copy.GetAnimInfo(), nullptr);
    EXPECT_NE(copy.GetAnimInfo(), image.GetAnimInfo());
    EXPECT_EQ(*copy.GetAnimInfo(), *image.GetAnimInfo());
    EXPECT_EQ(copy.GetColumnCount(), 3);
}
