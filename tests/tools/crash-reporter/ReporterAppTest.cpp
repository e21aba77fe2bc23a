#include "tools/crash-reporter/ReporterApp.h"

#include "framework/widget/WidgetManager.h"
#include "support/LoopbackServer.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace {

using Zorbel::ButtonWidget;
using Zorbel::CrashHandoff;
using Zorbel::TextView;
using Zorbel::Widget;
using ZorbelTest::LoopbackServer;

// The reporter on SDL's headless driver, its settings, lock and data folder in a scratch folder.
class ReporterAppTest : public ::testing::Test {
protected:
    ReporterAppTest() : folder("reporter-app") {
        setenv("XDG_CONFIG_HOME", folder.Path("config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", folder.Path("").c_str(), 1);
        setenv("XDG_DATA_HOME", folder.Path("data").c_str(), 1);
        Zorbel::ZorbelAppBase::SetProgramCommandLine("\"/opt/zorbel/zorbel-crash-reporter\"");
    }
    ~ReporterAppTest() override {
        app.reset();
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_RUNTIME_DIR");
        unsetenv("XDG_DATA_HOME");
    }

    CrashHandoff Handoff(const std::string& server) {
        CrashHandoff handoff;
        handoff.report = "Exception: Access Violation (code 0xc0000005)\r\n";
        handoff.errorTitle = "Exception at 000F:00000010";
        handoff.productName = "Tesserine";
        handoff.productVersion = " 0.9b";
        handoff.hasApplication = true;
        handoff.windows.reportServer = server;
        handoff.demoFile = folder.Write("run.dmo", "DEMO");
        handoff.hasDemo = true;
        return handoff;
    }

    ReporterApp& Start(const CrashHandoff& handoff) {
        app = std::make_unique<ReporterApp>(handoff);
        app->Init();
        return *app;
    }

    // The buttons on screen as "label x,y widthxheight", in the order they were added.
    std::vector<std::string> Buttons() {
        std::vector<std::string> buttons;
        for (Widget* widget : app->GetWidgetManager()->GetChildren())
            if (auto* button = dynamic_cast<ButtonWidget*>(widget))
                buttons.push_back(button->GetLabel() + " " + std::to_string(button->GetX()) + "," +
                                  std::to_string(button->GetY()) + " " + std::to_string(button->GetWidth()) +
                                  "x" + std::to_string(button->GetHeight()) +
                                  (button->IsDisabled() ? " disabled" : ""));
        return buttons;
    }

    // Runs the reporter's loop until it is done, at most a minute.
    bool RunUntilDone() {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (app->GetStage() != ReporterApp::Stage::Done && std::chrono::steady_clock::now() < deadline)
            app->UpdateApp();
        return app->GetStage() == ReporterApp::Stage::Done;
    }

    Zorbel::Testing::ScratchFolder folder;
    std::unique_ptr<ReporterApp> app;
};

TEST_F(ReporterAppTest, WithoutAServerOnlyCloseNowShowsAcrossTheWindow) {
    Start(Handoff(""));
    EXPECT_EQ(app->GetWidth(), 400);
    EXPECT_EQ(app->GetHeight(), 300);
    EXPECT_EQ(Buttons(), (std::vector<std::string>{"Close Now 8,268 384x24"}));
    app->ButtonReleased(ReporterApp::BUTTON_CLOSE);
    EXPECT_EQ(app->GetStage(), ReporterApp::Stage::Done);
}

TEST_F(ReporterAppTest, ShowsTheReportAndSendReportBesideCloseNow) {
    CrashHandoff handoff = Handoff("127.0.0.1:9");
    handoff.hasApplication = false;
    Start(handoff);
    // Without an application the report cannot be sent.
    EXPECT_EQ(Buttons(),
              (std::vector<std::string>{"Send Report 8,268 188x24 disabled", "Close Now 204,268 188x24"}));
    bool reportShown = false;
    for (Widget* widget : app->GetWidgetManager()->GetChildren())
        if (auto* text = dynamic_cast<TextView*>(widget))
            reportShown |=
                text->GetText() == handoff.report && text->GetY() == 92 && text->GetHeight() == 168;
    EXPECT_TRUE(reportShown);
}

TEST_F(ReporterAppTest, SendReportTakesTheDescriptionAndUploadsItWithTheDemo) {
    LoopbackServer server(LoopbackServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
    Start(Handoff(server.Url("/")));
    app->ButtonReleased(ReporterApp::BUTTON_SEND);
    EXPECT_EQ(app->GetStage(), ReporterApp::Stage::Submit);
    EXPECT_EQ(Buttons(), (std::vector<std::string>{"Continue 8,268 188x24", "Abort 204,268 188x24"}));
    // The description box has the focus: typing goes there.
    for (char c : std::string("slid off\r"))
        app->GetWidgetManager()->CharTyped(c);
    app->ButtonReleased(ReporterApp::BUTTON_CONTINUE);
    EXPECT_EQ(app->GetStage(), ReporterApp::Stage::Progress);
    EXPECT_EQ(app->GetWidth(), 240);
    EXPECT_EQ(app->GetHeight(), 64);
    EXPECT_EQ(Buttons(), (std::vector<std::string>{"Abort 72,36 96x22"}));
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(app->GetUserText(), "slid off\r\n");
    ASSERT_EQ(server.Requests().size(), 1u);
    const std::string request = server.Requests()[0];
    EXPECT_NE(request.find("name=\"usertext\"\r\n\r\nslid off\r\n\r\n"), std::string::npos);
    EXPECT_NE(
        request.find("filename=\"orvane.dmo\"\r\nContent-Type: application/octet-stream\r\n\r\nDEMO\r\n"),
        std::string::npos);
}

} // namespace
