#include "framework/graphics/Rect.h"
#include "framework/graphics/Color.h"
#include "framework/graphics/DrawMode.h"
#include "framework/graphics/Matrix3.h"

#include <gtest/gtest.h>

#include <climits>

using namespace Zorbel;

TEST(RectTest, ContainmentIncludesTheTopLeftEdgeOnly) {
    Rect r(10, 20, 5, 3);
    EXPECT_TRUE(r.Contains(10, 20));
    EXPECT_TRUE(r.Contains(14, 22));
    EXPECT_FALSE(r.Contains(15, 22));
    EXPECT_FALSE(r.Contains(14, 23));
    EXPECT_FALSE(r.Contains(9, 20));
    EXPECT_FALSE(Rect(0, 0, 0, 5).Contains(0, 0));
}

TEST(RectTest, IntersectionCollapsesOnlyWhenAnExtentTurnsNegative) {
    EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(5, -5, 10, 10)), Rect(5, 0, 5, 5));
    EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(20, 20, 5, 5)), Rect(0, 0, 0, 0));
    // Touching edges give an empty overlap that keeps its place.
    EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(10, 2, 5, 5)), Rect(10, 2, 0, 5));
    EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(11, 2, 5, 5)), Rect());
}

TEST(RectTest, ExtremeCoordinatesDoNotOverflow) {
    Rect huge(INT_MAX - 5, INT_MAX - 5, INT_MAX, INT_MAX);
    EXPECT_TRUE(huge.Contains(INT_MAX - 1, INT_MAX - 1));
    EXPECT_EQ(huge.Intersection(Rect(0, 0, INT_MAX, INT_MAX)), Rect(INT_MAX - 5, INT_MAX - 5, 5, 5));
    FRect precise(0.5, 0.5, 1.0, 1.0);
    EXPECT_EQ(precise.Intersection(FRect(1.0, 0.0, 4.0, 4.0)), FRect(1.0, 0.5, 0.5, 1.0));
}

TEST(ColorTest, ThreeConstructionsAndThePackedForm) {
    EXPECT_EQ(Color(), Color(0, 0, 0, 255));
    EXPECT_EQ(Color(1, 2, 3), Color(1, 2, 3, 255));
    EXPECT_EQ(Color::FromPacked(0x80102030), Color(0x10, 0x20, 0x30, 0x80));
    // An alpha byte of 0 means opaque.
    EXPECT_EQ(Color::FromPacked(0x00FF8000), Color(255, 128, 0, 255));
    EXPECT_EQ(Color(0x10, 0x20, 0x30, 0x80).ToPacked(), 0x80102030u);
}

TEST(DrawModeTest, SaturationTableClampsAt255) {
    constexpr SaturationTable table = MakeSaturationTable();
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[200], 200);
    EXPECT_EQ(table[255], 255);
    EXPECT_EQ(table[256], 255);
    EXPECT_EQ(table[511], 255);
}

TEST(Matrix3Test, ComposesRightToLeftAndRotatesCounterClockwiseOnScreen) {
    Matrix3 mirror = Matrix3::Translation(10, 0) * Matrix3::Scaling(-1, 1) * Matrix3::Translation(-4, 0);
    float x = 0, y = 0;
    mirror.Transform(1, 2, x, y);
    EXPECT_FLOAT_EQ(x, 13);
    EXPECT_FLOAT_EQ(y, 2);
    // A quarter turn moves a point to the right of the origin above it (y grows downwards).
    Matrix3::Rotation(3.14159265f / 2).Transform(1, 0, x, y);
    EXPECT_NEAR(x, 0, 1e-6);
    EXPECT_NEAR(y, -1, 1e-6);
}
