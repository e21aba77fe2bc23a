#include "framework/platform/chooser/ScriptedFileChooser.h"

#include <gtest/gtest.h>

using namespace Zorbel;

TEST(ScriptedFileChooserTest, AnswersInOrderThenFallsBackAndRecordsEveryRequest) {
    ScriptedFileChooser chooser;
    chooser.AnswerChosen("/pictures/one.png");
    chooser.Answer(FileChooserResult::Unavailable());
    FileChooserRequest request;
    request.title = "first";
    EXPECT_EQ(chooser.ChooseFileToOpen(request), FileChooserResult::Chosen("/pictures/one.png"));
    request.title = "second";
    EXPECT_EQ(chooser.ChooseFileToOpen(request), FileChooserResult::Unavailable());
    EXPECT_EQ(chooser.PendingAnswers(), 0u);
    EXPECT_EQ(chooser.ChooseFileToOpen(request), FileChooserResult::Cancelled());
    chooser.SetFallback(FileChooserResult::Unavailable());
    EXPECT_EQ(chooser.ChooseFileToOpen(request), FileChooserResult::Unavailable());
    ASSERT_EQ(chooser.Requests().size(), 4u);
    EXPECT_EQ(chooser.Requests()[0].title, "first");
    EXPECT_EQ(chooser.Requests()[3].title, "second");
}
