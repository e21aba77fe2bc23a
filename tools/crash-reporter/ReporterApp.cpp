#include "tools/crash-reporter/ReporterApp.h"

#include "framework/app/ScreenModes.h"
#include "framework/font/SysFont.h"
#include "framework/platform/MessageBox.h"
#include "framework/widget/WidgetManager.h"

using namespace Zorbel;

namespace {

// The desktop's button face, behind every window of the reporter.
const Color kButtonFace(212, 208, 200);
const Color kWhite(255, 255, 255);
const Color kLabel(0, 0, 0);

std::unique_ptr<Font> MakeFont(FontEngine* engine, const char* face, int32_t points, bool bold) {
    return std::make_unique<SysFont>(engine, face, points, 0, bold, false, false);
}

} // namespace

ReporterApp::ReporterApp(CrashHandoff handoff, AppPlatform platform)
    : ZorbelAppBase(std::move(platform)), mHandoff(std::move(handoff)) {
    mProductName = "ZorbelCrashReporter";
    mWindowTitle = "Fatal Error!";
    mSettingsKey = "Bramblewick\\ZorbelCrashReporter";
    mNoSound = true;
    mAutoLoading = false;
    mWidth = 400;
    mHeight = 300;
    mServer = ReportServer::Parse(mHandoff.windows.reportServer);
}

ReporterApp::~ReporterApp() {
    ClearWidgets();
    mRetired.clear();
}

void ReporterApp::ReadSettings() {
    // The reporter keeps no settings of its own: a window at the fixed place, never full screen.
    GetScreenModes().SetWindowed(true);
    GetScreenModes().SetPreferredPosition(64, 64);
}

void ReporterApp::AfterInitHook() {
    FontEngine* engine = GetFontEngine();
    mHeaderFont = MakeFont(engine, "Arial", 9, true);
    mReportFont = MakeFont(engine, "Courier New", 8, false);
    mSmallFont = MakeFont(engine, "Tahoma", 8, false);
    mProgressFont = MakeFont(engine, "Tahoma", 10, true);
    if (mHandoff.hasApplication) CopyToClipboard(mHandoff.report);
    ShowCrashWindow();
}

void ReporterApp::ShowWindow(const std::string& title, int32_t width, int32_t height, int32_t x, int32_t y) {
    ClearWidgets();
    mWindowTitle = title;
    bool sameSize = width == mWidth && height == mHeight;
    mWidth = width;
    mHeight = height;
    GetScreenModes().SetPreferredPosition(x, y);
    if (!sameSize) {
        // A window of another size is a new window; a windowed one starts hidden.
        MakeWindow();
        GetWidgetManager()->SetScreenSize(width, height);
        GetWindowSystem().ShowWindow(GetMainWindow(), ShowCommand::Show);
    } else {
        GetWindowSystem().SetTitle(GetMainWindow(), title);
        GetWindowSystem().MoveWindow(GetMainWindow(), x, y);
    }
    GetWidgetManager()->MarkAllDirty();
}

void ReporterApp::ClearWidgets() {
    WidgetManager* manager = GetWidgetManager();
    for (std::unique_ptr<Widget>& widget : mWidgets) {
        if (manager) manager->RemoveChild(widget.get());
        mRetired.push_back(std::move(widget));
    }
    mWidgets.clear();
    mUserEntry = nullptr;
    mWaitText = nullptr;
}

ButtonWidget* ReporterApp::AddButton(int32_t id, const std::string& label, int32_t x, int32_t y,
                                     int32_t width, int32_t height, const Font& font) {
    auto button = std::make_unique<ButtonWidget>(id, this);
    button->SetLabel(label);
    button->SetFont(const_cast<Font*>(&font));
    button->SetColor(ButtonWidget::COLOR_LABEL, kLabel);
    button->SetColor(ButtonWidget::COLOR_LABEL_HILITE, kLabel);
    button->Resize(x, y, width, height);
    ButtonWidget* raw = button.get();
    GetWidgetManager()->AddChild(raw);
    mWidgets.push_back(std::move(button));
    return raw;
}

TextView* ReporterApp::AddText(const std::string& text, int32_t x, int32_t y, int32_t width, int32_t height,
                               const Font& font, bool readOnly, bool border) {
    auto view = std::make_unique<TextView>();
    view->SetFont(&font);
    view->SetReadOnly(readOnly);
    view->SetBorder(border);
    view->SetScrollBar(border);
    view->SetBackground(readOnly ? kButtonFace : kWhite);
    view->Resize(x, y, width, height);
    view->SetText(text);
    TextView* raw = view.get();
    GetWidgetManager()->AddChild(raw);
    mWidgets.push_back(std::move(view));
    return raw;
}

void ReporterApp::ShowCrashWindow() {
    mStage = Stage::Crash;
    ShowWindow("Fatal Error!", 400, 300, 64, 64);
    // The window's own face lies behind everything.
    AddText("", 0, 0, 400, 300, *mHeaderFont, true, false)->SetDisabled(true);
    AddText(mHandoff.windows.crashHeader, 8, 8, 384, 84, *mHeaderFont, true, false);
    AddText(mHandoff.report, 8, 92, 384, 168, *mReportFont, true, true);
    if (mHandoff.windows.allowSubmitting && mServer.configured) {
        AddButton(BUTTON_SEND, "Send Report", 8, 268, 188, 24, *mHeaderFont)
            ->SetDisabled(!mHandoff.hasApplication);
        AddButton(BUTTON_CLOSE, "Close Now", 204, 268, 188, 24, *mHeaderFont);
    } else {
        AddButton(BUTTON_CLOSE, "Close Now", 8, 268, 384, 24, *mHeaderFont);
    }
}

void ReporterApp::ShowSubmitWindow() {
    mStage = Stage::Submit;
    ShowWindow("Error Details", 400, 300, 80, 80);
    AddText("", 0, 0, 400, 300, *mHeaderFont, true, false)->SetDisabled(true);
    AddText(mHandoff.windows.submitHeader, 8, 8, 384, 84, *mHeaderFont, true, false);
    mUserEntry = AddText("", 8, 92, 384, 168, *mSmallFont, false, true);
    mUserEntry->SetMaxLength(8191);
    AddButton(BUTTON_CONTINUE, "Continue", 8, 268, 188, 24, *mHeaderFont)
        ->SetDisabled(!mHandoff.hasApplication);
    AddButton(BUTTON_ABORT, "Abort", 204, 268, 188, 24, *mHeaderFont);
    GetWidgetManager()->GiveFocus(mUserEntry);
}

void ReporterApp::ShowProgressWindow() {
    mStage = Stage::Progress;
    ShowWindow("Submitting Report", 240, 64, 64, 64);
    AddText("", 0, 0, 240, 64, *mSmallFont, true, false)->SetDisabled(true);
    mWaitText = AddText("Please Wait", 24, 10, 224, 24, *mProgressFont, true, false);
    AddButton(BUTTON_STOP, "Abort", 72, 36, 96, 22, *mSmallFont);
    mSteps = 0;
    mDots = 0;
}

void ReporterApp::SubmitReport() {
    mTransfer.SendRequest(mServer.url, ReportUpload::BuildRequest(mHandoff, mUserText, mServer.host));
}

void ReporterApp::ButtonReleased(int32_t id) {
    switch (id) {
        case BUTTON_SEND:
            ShowSubmitWindow();
            break;
        case BUTTON_CONTINUE:
            mUserText = mUserEntry ? mUserEntry->GetText().substr(0, 8191) : std::string();
            ShowProgressWindow();
            SubmitReport();
            break;
        case BUTTON_STOP:
            // The transfer stops, and that ends the upload as done.
            mTransfer.ResetTransfer();
            Finish();
            break;
        default:
            Finish();
            break;
    }
}

void ReporterApp::UpdateFrames() {
    mRetired.clear();
    ZorbelAppBase::UpdateFrames();
    if (mStage != Stage::Progress) return;
    ++mSteps;
    // The status every 20 ms, the dots every second, on the 10 ms update clock.
    if (mSteps % 2 == 0) PollTransfer();
    if (mStage == Stage::Progress && mSteps % 100 == 0 && mWaitText) {
        ++mDots;
        std::string text = "Please Wait";
        for (int32_t i = 0; i < mDots % 10; ++i)
            text += " .";
        mWaitText->SetText(text);
    }
}

void ReporterApp::PollTransfer() {
    mTransfer.UpdateStatus();
    int32_t result = mTransfer.GetResult();
    if (result == HTTPTransfer::RESULT_IDLE || result == HTTPTransfer::RESULT_IN_PROGRESS) return;
    if (result == HTTPTransfer::RESULT_DONE || result == HTTPTransfer::RESULT_ABORTED) {
        Finish();
        return;
    }
    mTransfer.ResetTransfer();
    int answer =
        MessageBox(mHandoff.windows.connectionFailure, "Connection Failed", MessageBoxStyle::RetryCancel);
    if (answer == MessageBoxAnswer::Retry)
        SubmitReport();
    else
        Finish();
}

void ReporterApp::Finish() {
    if (mStage == Stage::Done) return;
    mStage = Stage::Done;
    Shutdown();
}

void ReporterApp::Shutdown() {
    // Closing any window of the reporter ends it.
    mStage = Stage::Done;
    ZorbelAppBase::Shutdown();
}
