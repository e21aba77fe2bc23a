#pragma once

#include "framework/app/ZorbelAppBase.h"
#include "framework/debug/CrashHandoff.h"
#include "framework/debug/ReportUpload.h"
#include "framework/net/HTTPTransfer.h"
#include "framework/widget/ButtonListener.h"
#include "framework/widget/ButtonWidget.h"
#include "framework/widget/TextView.h"

#include <memory>
#include <string>

// The crash reporter's windows, shown by a process of their own for the program that crashed: the
// crash window with the report, the submit window that takes the user's description, and the progress
// window that uploads the report and offers a retry when the server cannot be reached.
class ReporterApp : public Zorbel::ZorbelAppBase {
public:
    enum class Stage { Crash, Submit, Progress, Done };
    enum ButtonId : int32_t { BUTTON_SEND = 1, BUTTON_CLOSE, BUTTON_CONTINUE, BUTTON_ABORT, BUTTON_STOP };

    explicit ReporterApp(Zorbel::CrashHandoff handoff, Zorbel::AppPlatform platform = {});
    ~ReporterApp() override;

    void ButtonReleased(int32_t id) override;
    void UpdateFrames() override;
    void AfterInitHook() override;
    void ReadSettings() override;
    void WriteSettings() override {}
    void Shutdown() override;

    Stage GetStage() const { return mStage; }
    const std::string& GetUserText() const { return mUserText; }

private:
    // One window of the reporter: its title, client size and position.
    void ShowWindow(const std::string& title, int32_t width, int32_t height, int32_t x, int32_t y);
    void ClearWidgets();
    Zorbel::ButtonWidget* AddButton(int32_t id, const std::string& label, int32_t x, int32_t y, int32_t width,
                                    int32_t height, const Zorbel::Font& font);
    Zorbel::TextView* AddText(const std::string& text, int32_t x, int32_t y, int32_t width, int32_t height,
                              const Zorbel::Font& font, bool readOnly, bool border);

    void ShowCrashWindow();
    void ShowSubmitWindow();
    void ShowProgressWindow();
    void SubmitReport();
    void PollTransfer();
    void Finish();

    Zorbel::CrashHandoff mHandoff;
    Zorbel::ReportServer mServer;
    Stage mStage = Stage::Crash;
    std::string mUserText;
    Zorbel::HTTPTransfer mTransfer;
    int32_t mSteps = 0;
    int32_t mDots = 0;

    std::unique_ptr<Zorbel::Font> mHeaderFont;   // Arial 9 pt bold
    std::unique_ptr<Zorbel::Font> mReportFont;   // Courier New 8 pt
    std::unique_ptr<Zorbel::Font> mSmallFont;    // Tahoma 8 pt
    std::unique_ptr<Zorbel::Font> mProgressFont; // Tahoma 10 pt bold
    std::vector<std::unique_ptr<Zorbel::Widget>> mWidgets;
    // The widgets of the window before: a button's click replaces the window from inside the button's
    // own handler, so they go at the next update step.
    std::vector<std::unique_ptr<Zorbel::Widget>> mRetired;
    Zorbel::TextView* mUserEntry = nullptr;
    Zorbel::TextView* mWaitText = nullptr;
};
