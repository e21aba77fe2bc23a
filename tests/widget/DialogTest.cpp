#include "framework/widget/Dialog.h"

#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/widget/DialogButton.h"
#include "graphics/DisplayTestUtil.h"
#include "graphics/ImageTestUtil.h"
#include "support/RecordingFont.h"
#include "support/StubWidgetHost.h"
#include "support/SurfaceColors.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using namespace Zorbel::Testing;
using ZorbelTest::RecordingFont;
using ZorbelTest::StubWidgetHost;
using Log = std::vector<std::string>;

namespace {

constexpr int32_t kDialogId = 5;

class DialogTest : public ::testing::Test {
protected:
    std::unique_ptr<Dialog> Make(int32_t mode, const std::string& header = "", const std::string& lines = "",
                                 const std::string& footer = "", bool modal = false,
                                 Image* buttonPicture = nullptr) {
        return std::make_unique<Dialog>(&host, nullptr, buttonPicture, kDialogId, modal, header, lines,
                                        footer, mode);
    }

    Dialog* Show(std::unique_ptr<Dialog> dialog, const Rect& rect) {
        dialog->Resize(rect);
        return host.ShowDialog(std::move(dialog));
    }

    void Click(Widget* widget) {
        Point at = widget->GetAbsolutePosition();
        at.x += widget->GetWidth() / 2;
        at.y += widget->GetHeight() / 2;
        host.manager.MouseMove(at.x, at.y);
        host.manager.MouseDown(at.x, at.y, 1);
        host.manager.MouseUp(at.x, at.y, 1);
    }

    StubWidgetHost host;
    ImageContext context;
};

} // namespace

// Buttons and layout ------------------------------------------------------------------------------------

TEST_F(DialogTest, TheFooterModeShowsOneFullWidthButtonAndNoFooterText) {
    Dialog* dialog = Show(Make(Dialog::BUTTONS_FOOTER, "", "", "Continue"), Rect(200, 100, 400, 200));
    ASSERT_NE(dialog->GetYesButton(), nullptr);
    EXPECT_EQ(dialog->GetNoButton(), nullptr);
    EXPECT_EQ(dialog->GetYesButton()->GetRect(), Rect(224, 252, 352, 24));
    EXPECT_EQ(dialog->GetYesButton()->GetLabel(), "Continue");

    RecordingFont text;
    dialog->SetHeaderFont(&text);
    dialog->SetLinesFont(&text);
    MemoryImage screen(context);
    Fill(screen, 800, 600, 0xFF000000);
    host.manager.SetImage(&screen);
    host.manager.DrawDirtyWidgets();
    for (const std::string& place : text.Places())
        EXPECT_EQ(place.find("Continue"), std::string::npos) << place;
}

TEST_F(DialogTest, HeaderLinesAndFooterAreDrawnWhereTheLayoutPutsThem) {
    Dialog* dialog = Show(Make(Dialog::BUTTONS_NONE, "Title", "Hello", "Foot"), Rect(200, 100, 400, 200));
    RecordingFont text;
    dialog->SetHeaderFont(&text);
    dialog->SetLinesFont(&text);
    dialog->SetColor(Dialog::COLOR_LINES, Color(1, 2, 3));
    MemoryImage screen(context);
    Fill(screen, 800, 600, 0xFF000000);
    host.manager.SetImage(&screen);
    host.manager.DrawDirtyWidgets();
    // Header baseline 24 + 12; lines from 36 + 15 - 12 + 10 = 49, baseline 61, 15 high; footer baseline
    // 49 + 15 + 8 + 15. The lines are centred in 400 - 48 - 4 from x = 26.
    EXPECT_EQ(text.Places(), (Log{"Title@175,36", "Hello@175,61", "Foot@180,87"}));
    EXPECT_EQ(text.Calls()[0].color, Color(255, 255, 255));
    EXPECT_EQ(text.Calls()[1].color, Color(1, 2, 3));
}

TEST_F(DialogTest, TwoButtonsOnFourHundredPixelsAreEach172Wide) {
    Dialog* dialog = Show(Make(Dialog::BUTTONS_YES_NO), Rect(0, 0, 400, 200));
    EXPECT_EQ(dialog->GetYesButton()->GetRect(), Rect(24, 152, 172, 24));
    EXPECT_EQ(dialog->GetNoButton()->GetRect(), Rect(204, 152, 172, 24));
    EXPECT_EQ(dialog->GetYesButton()->GetLabel(), "YES");
    EXPECT_EQ(dialog->GetNoButton()->GetLabel(), "NO");

    dialog->mButtonSidePadding = 10;
    dialog->Resize(0, 0, 400, 201);
    EXPECT_EQ(dialog->GetYesButton()->GetRect(), Rect(34, 153, 162, 24));
    EXPECT_EQ(dialog->GetNoButton()->GetRect(), Rect(204, 153, 162, 24));
}

TEST_F(DialogTest, OkAndCancelLabelsComeFromTheStringTable) {
    host.strings["DIALOG_BUTTON_OK"] = "Fine";
    auto dialog = Make(Dialog::BUTTONS_OK_CANCEL);
    EXPECT_EQ(dialog->GetYesButton()->GetLabel(), "Fine");
    EXPECT_EQ(dialog->GetNoButton()->GetLabel(), "CANCEL");
    EXPECT_EQ(Make(7)->GetYesButton(), nullptr) << "unknown modes have no buttons";
}

TEST_F(DialogTest, ButtonsLiveDirectlyAboveTheDialogInTheManager) {
    Widget other;
    host.manager.AddChild(&other);
    Dialog* dialog = Show(Make(Dialog::BUTTONS_YES_NO), Rect(0, 0, 400, 200));
    const auto& children = host.manager.GetChildren();
    EXPECT_EQ(children,
              (WidgetContainer::WidgetList{&other, dialog, dialog->GetYesButton(), dialog->GetNoButton()}));
    host.manager.PlaceAbove(&other, nullptr);
    host.manager.PlaceAbove(dialog, &other);
    EXPECT_EQ(children,
              (WidgetContainer::WidgetList{&other, dialog, dialog->GetYesButton(), dialog->GetNoButton()}));
    host.KillDialog(kDialogId);
    EXPECT_EQ(children, WidgetContainer::WidgetList{&other});
}

TEST_F(DialogTest, ButtonColoursFollowTheDialogsColoursThreeAndFour) {
    auto plain = Make(Dialog::BUTTONS_YES_NO);
    EXPECT_EQ(plain->GetColor(Dialog::COLOR_BUTTON_TEXT), Color(0, 0, 0));
    EXPECT_EQ(plain->GetYesButton()->GetColor(ButtonWidget::COLOR_LABEL), Color(0, 0, 0));
    EXPECT_EQ(plain->GetColor(Dialog::COLOR_BKG), Color(80, 80, 80));

    MemoryImage picture(context);
    Fill(picture, 9, 30, 0xFF00FF00);
    auto pictured = Make(Dialog::BUTTONS_YES_NO, "", "", "", false, &picture);
    EXPECT_EQ(pictured->GetColor(Dialog::COLOR_BUTTON_TEXT_HILITE), Color(255, 255, 255));
    EXPECT_EQ(pictured->GetNoButton()->GetColor(ButtonWidget::COLOR_LABEL_HILITE), Color(255, 255, 255));
    EXPECT_EQ(pictured->mButtonHeight, 30);

    pictured->SetColor(Dialog::COLOR_BUTTON_TEXT, Color(9, 9, 9));
    pictured->SetColor(Dialog::COLOR_BUTTON_TEXT_HILITE, Color(8, 8, 8));
    EXPECT_EQ(pictured->GetYesButton()->GetColor(ButtonWidget::COLOR_LABEL), Color(9, 9, 9));
    EXPECT_EQ(pictured->GetNoButton()->GetColor(ButtonWidget::COLOR_LABEL_HILITE), Color(8, 8, 8));
}

// Results -----------------------------------------------------------------------------------------------

TEST_F(DialogTest, ClickingNoSetsTheResultAndTellsTheListener) {
    Dialog* dialog = Show(Make(Dialog::BUTTONS_YES_NO, "", "", "", true), Rect(200, 100, 400, 200));
    EXPECT_EQ(host.manager.GetBaseModalWidget(), dialog);
    Click(dialog->GetNoButton());
    EXPECT_EQ(dialog->GetResult(), Dialog::ID_NO);
    EXPECT_EQ(host.dialogEvents, (Log{"pressed 5 1001", "released 5 1001"}));
}

TEST_F(DialogTest, WaitForResultReturnsTheClickedButtonAndClosesTheDialog) {
    Dialog* dialog = Show(Make(Dialog::BUTTONS_YES_NO, "", "", "", true), Rect(200, 100, 400, 200));
    host.onStep = [&](int32_t step) {
        if (step == 3) Click(dialog->GetYesButton());
    };
    EXPECT_EQ(dialog->WaitForResult(true), Dialog::ID_YES);
    EXPECT_EQ(host.updateSteps, 3);
    EXPECT_EQ(host.killed, std::vector<int32_t>{kDialogId});
    EXPECT_EQ(dialog->GetManager(), nullptr);
    EXPECT_EQ(host.manager.GetBaseModalWidget(), nullptr);
    EXPECT_TRUE(host.manager.GetChildren().empty());
}

TEST_F(DialogTest, WaitForResultGivesNoResultWhenTheApplicationQuits) {
    Dialog* dialog = Show(Make(Dialog::BUTTONS_YES_NO), Rect(200, 100, 400, 200));
    host.shutdownAfter = 4;
    EXPECT_EQ(dialog->WaitForResult(false), Dialog::NoResult);
    EXPECT_EQ(host.updateSteps, 4);
    EXPECT_TRUE(host.killed.empty());
}

TEST_F(DialogTest, WaitForResultStopsWhenTheDialogIsClosedMeanwhile) {
    Dialog* dialog = Show(Make(Dialog::BUTTONS_YES_NO), Rect(200, 100, 400, 200));
    host.onStep = [&](int32_t step) {
        if (step == 2) host.KillDialog(kDialogId);
    };
    // Closed without a click, the dialog answers 0.
    EXPECT_EQ(dialog->WaitForResult(false), 0);
    EXPECT_EQ(host.updateSteps, 2);
}

// Preferred height --------------------------------------------------------------------------------------

TEST_F(DialogTest, PreferredHeightWithOnlyLinesIsTheInsetsPlusTheWrappedText) {
    // 348 pixels hold 34 characters of 10: the text wraps into two lines of 15 pixels.
    auto dialog = Make(Dialog::BUTTONS_NONE, "", "aaaaaaaaaa bbbbbbbbbb cccccccccc dddddddddd");
    EXPECT_EQ(dialog->GetPreferredHeight(400), 48 + 15 + 15);
    dialog->mExtraLineSpacing = 3;
    EXPECT_EQ(dialog->GetPreferredHeight(400), 48 + 15 + 18);
}

TEST_F(DialogTest, PreferredHeightCountsEveryPartWithItsGaps) {
    auto full = Make(Dialog::BUTTONS_YES_NO, "Head", "aaaaaaaaaa bbbbbbbbbb cccccccccc dddddddddd", "Foot");
    EXPECT_EQ(full->GetPreferredHeight(400), 48 + 15 + 10 + 30 + 8 + 15 + 8 + 8 + 24);
    auto footerButton = Make(Dialog::BUTTONS_FOOTER, "", "", "Foot");
    EXPECT_EQ(footerButton->GetPreferredHeight(400), 48 + 8 + 24);
    EXPECT_EQ(Make(Dialog::BUTTONS_NONE)->GetPreferredHeight(400), 48);
}

TEST_F(DialogTest, ShowingADialogWithoutAWidthSizesItToTheScreen) {
    Dialog* dialog = host.ShowDialog(Make(Dialog::BUTTONS_NONE, "", "short"));
    EXPECT_EQ(dialog->GetRect(), Rect(200, 120, 400, 48 + 15));
}

// Dragging ----------------------------------------------------------------------------------------------

TEST_F(DialogTest, ADraggedDialogStopsEightPixelsBeyondTheScreenEdges) {
    Dialog* dialog = Show(Make(Dialog::BUTTONS_YES_NO), Rect(200, 120, 400, 200));
    WidgetManager& manager = host.manager;
    manager.MouseMove(210, 130);
    manager.MouseDown(210, 130, 1);
    EXPECT_TRUE(dialog->IsDragging());
    manager.MouseMove(2000, 130);
    EXPECT_EQ(dialog->GetX(), 800 - 400 + 8);
    EXPECT_EQ(dialog->GetY(), 120);
    EXPECT_EQ(dialog->GetYesButton()->GetX(), 408 + 24) << "the buttons move along";

    // The grab point slid to the dialog's right side, so turning back moves the dialog at once.
    manager.MouseMove(700, 130);
    EXPECT_EQ(dialog->GetX(), 309);

    manager.MouseMove(-500, -500);
    EXPECT_EQ(dialog->GetX(), -8);
    EXPECT_EQ(dialog->GetY(), -8);
    manager.MouseUp(-500, -500, 1);
    EXPECT_FALSE(dialog->IsDragging());
    EXPECT_EQ(host.cursors, (std::vector<int32_t>{2, 0}));
}

TEST_F(DialogTest, OnlyALeftSinglePressDrags) {
    Dialog* dialog = Show(Make(Dialog::BUTTONS_NONE), Rect(200, 120, 400, 200));
    host.manager.MouseMove(210, 130);
    host.manager.MouseDown(210, 130, -1);
    host.manager.MouseMove(300, 130);
    EXPECT_EQ(dialog->GetX(), 200);
    EXPECT_TRUE(host.cursors.empty());
}

// Drawing -----------------------------------------------------------------------------------------------

TEST_F(DialogTest, TheBuiltInLookIsAnOutlinedPanelWithAShadow) {
    constexpr uint32_t kBackground = 0xFF3060C0;
    Show(Make(Dialog::BUTTONS_NONE), Rect(10, 10, 100, 80));
    MemoryImage screen(context);
    Fill(screen, 140, 120, kBackground);
    host.manager.SetImage(&screen);
    host.manager.DrawDirtyWidgets();
    auto at = [&](int32_t x, int32_t y) { return PixelAt(screen, 10 + x, 10 + y); };
    EXPECT_EQ(at(11, 11), kBackground);
    EXPECT_EQ(at(12, 12), 0xFFFFFFFFu);
    EXPECT_EQ(at(87, 12), 0xFFFFFFFFu);
    EXPECT_EQ(at(12, 67), 0xFFFFFFFFu);
    EXPECT_EQ(at(87, 67), 0xFFFFFFFFu);
    EXPECT_EQ(at(13, 13), 0xFF505050u);
    EXPECT_EQ(at(86, 66), 0xFF505050u);
    // Half-transparent black over the background: each channel c becomes c * 128 >> 8.
    EXPECT_EQ(at(88, 24), 0xFF183060u);
    EXPECT_EQ(at(99, 79), 0xFF183060u);
    EXPECT_EQ(at(24, 68), 0xFF183060u);
    EXPECT_EQ(at(88, 23), kBackground);
    EXPECT_EQ(at(23, 68), kBackground);
}

TEST_F(DialogTest, AFramePictureIsStretchedInsideTheBackgroundInsets) {
    constexpr uint32_t kBackground = 0xFF000000;
    MemoryImage frame(context);
    Fill(frame, 6, 6, 0xFF00FF00);
    auto made = std::make_unique<Dialog>(&host, &frame, nullptr, kDialogId, false, "", "", "", 0);
    made->mBackgroundInsets = Insets{5, 6, 7, 8};
    Show(std::move(made), Rect(10, 10, 100, 80));
    MemoryImage screen(context);
    Fill(screen, 140, 120, kBackground);
    host.manager.SetImage(&screen);
    host.manager.DrawDirtyWidgets();
    auto at = [&](int32_t x, int32_t y) { return PixelAt(screen, 10 + x, 10 + y); };
    EXPECT_EQ(at(4, 6), kBackground);
    EXPECT_EQ(at(5, 6), 0xFF00FF00u);
    EXPECT_EQ(at(92, 71), 0xFF00FF00u);
    EXPECT_EQ(at(93, 71), kBackground);
    EXPECT_EQ(at(92, 72), kBackground);
}

// On display surfaces -----------------------------------------------------------------------------------

TEST(DialogSurfaceTest, TheBuiltInFrameInItsColoursOn32And16BitScreens) {
    for (int bits : {32, 16}) {
        SCOPED_TRACE(bits);
        DisplayOptions options;
        options.desktopFormat = PixelFormat::ForDepth(bits);
        HeadlessDisplay display(options, 140, 120);
        ASSERT_EQ(display.Init(), DDInterface::RESULT_OK);
        Surface& drawn = *display.device->DrawSurface();
        const PixelFormat& format = drawn.Format();
        const uint32_t background = format.FromArgb(0xFF306090);
        ASSERT_EQ(drawn.ColorFill(nullptr, background), ResultCode::Ok);
        auto native = [&](int32_t r, int32_t g, int32_t b) {
            return ZorbelTest::OpaqueFill(format, Color(r, g, b));
        };
        auto at = [&](int32_t x, int32_t y) { return drawn.PixelAt(10 + x, 10 + y) & format.ColorMask(); };

        StubWidgetHost host;
        host.manager.SetScreenSize(140, 120);
        Dialog* dialog =
            host.ShowDialog(std::make_unique<Dialog>(&host, nullptr, nullptr, 1, false, "", "", "", 0));
        dialog->Resize(10, 10, 100, 80);
        host.manager.SetImage(display.device->GetScreenImage());
        EXPECT_TRUE(host.manager.DrawDirtyWidgets());
        EXPECT_EQ(at(11, 11), background);
        EXPECT_EQ(at(12, 12), native(255, 255, 255));
        EXPECT_EQ(at(87, 67), native(255, 255, 255));
        EXPECT_EQ(at(13, 13), native(80, 80, 80));
        EXPECT_EQ(at(86, 66), native(80, 80, 80));
        EXPECT_EQ(at(88, 24), ZorbelTest::HalfBlackFill(format, background));
        EXPECT_EQ(at(99, 79), ZorbelTest::HalfBlackFill(format, background));
        EXPECT_EQ(at(88, 23), background);
        host.KillDialog(1);
    }
}
