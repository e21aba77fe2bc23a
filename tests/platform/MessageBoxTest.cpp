#include "framework/platform/MessageBox.h"

#include <gtest/gtest.h>

using namespace Zorbel;

TEST(MessageBoxTest, StylesNameTheirButtonsAndTheDefaultAnswer) {
    MessageBoxButtons yesNo = ButtonsForStyle(MessageBoxStyle::YesNo | MessageBoxStyle::IconQuestion);
    ASSERT_EQ(yesNo.count, 2);
    EXPECT_EQ(yesNo.answers[0], MessageBoxAnswer::Yes);
    EXPECT_EQ(yesNo.answers[1], MessageBoxAnswer::No);
    EXPECT_EQ(DefaultMessageBoxAnswer({"Keep it?", "Question", MessageBoxStyle::YesNo}),
              MessageBoxAnswer::Yes);
    EXPECT_EQ(DefaultMessageBoxAnswer({"", "", MessageBoxStyle::YesNo | MessageBoxStyle::DefaultButton2}),
              MessageBoxAnswer::No);
    EXPECT_EQ(DefaultMessageBoxAnswer({"", "", MessageBoxStyle::Ok | MessageBoxStyle::IconError}),
              MessageBoxAnswer::Ok);
    EXPECT_EQ(
        DefaultMessageBoxAnswer({"", "", MessageBoxStyle::YesNoCancel | MessageBoxStyle::DefaultButton3}),
        MessageBoxAnswer::Cancel);
    // A default button beyond the buttons shown falls back to the first.
    EXPECT_EQ(DefaultMessageBoxAnswer({"", "", MessageBoxStyle::OkCancel | MessageBoxStyle::DefaultButton3}),
              MessageBoxAnswer::Ok);
}
