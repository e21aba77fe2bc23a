#include "framework/platform/chooser/ChainFileChooser.h"
#include "framework/platform/chooser/ScriptedFileChooser.h"

#include "support/FakeChooserTool.h"

#include <gtest/gtest.h>

using namespace Zorbel;

namespace {

FileChooserRequest PictureRequest() {
    FileChooserRequest request;
    request.title = "Choose Image to Load";
    request.filter = {"Images", {"*.jpg", "*.png", "*.tga", "*.gif"}};
    return request;
}

// A chain of scripted choosers, each answering once; the pointers stay valid while the chain lives.
struct ScriptedChain {
    ChainFileChooser chain;
    std::vector<ScriptedFileChooser*> links;

    explicit ScriptedChain(std::vector<FileChooserResult> answers) {
        for (FileChooserResult& answer : answers) {
            auto link = std::make_unique<ScriptedFileChooser>(FileChooserResult::Unavailable());
            link->Answer(std::move(answer));
            links.push_back(link.get());
            chain.Add(std::move(link));
        }
    }
    size_t Asked(size_t link) const { return links[link]->Requests().size(); }
};

} // namespace

TEST(ChainFileChooserTest, TheFirstChooserThatCanBeShownAnswers) {
    ScriptedChain cancelled({FileChooserResult::Unavailable(), FileChooserResult::Cancelled(),
                             FileChooserResult::Chosen("/c.png")});
    EXPECT_EQ(cancelled.chain.ChooseFileToOpen(PictureRequest()), FileChooserResult::Cancelled());
    EXPECT_EQ(cancelled.Asked(0), 1u);
    EXPECT_EQ(cancelled.Asked(1), 1u);
    EXPECT_EQ(cancelled.Asked(2), 0u) << "a cancel is an answer, not a reason to ask again";
    EXPECT_EQ(cancelled.links[1]->Requests()[0].title, "Choose Image to Load");

    ScriptedChain chosen({FileChooserResult::Chosen("/a b.jpg"), FileChooserResult::Chosen("/other.jpg")});
    EXPECT_EQ(chosen.chain.ChooseFileToOpen(PictureRequest()), FileChooserResult::Chosen("/a b.jpg"));
    EXPECT_EQ(chosen.Asked(1), 0u);
}

TEST(ChainFileChooserTest, UnavailableOnlyWhenEveryChooserIs) {
    ScriptedChain none({FileChooserResult::Unavailable(), FileChooserResult::Unavailable()});
    EXPECT_EQ(none.chain.ChooseFileToOpen(PictureRequest()), FileChooserResult::Unavailable());
    EXPECT_EQ(none.Asked(0), 1u);
    EXPECT_EQ(none.Asked(1), 1u);
    EXPECT_EQ(ChainFileChooser().ChooseFileToOpen(PictureRequest()), FileChooserResult::Unavailable());
}

TEST(ChainFileChooserTest, TheDesktopChooserFallsBackFromThePortalToZenityThenKdialog) {
    ZorbelTest::FakeChooserTools tools("desktop-chain");
    // No bus to reach a portal on, and only our stand-ins to run.
    tools.Environment().Set("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zorbel/bus");
    tools.Environment().Set("PATH", tools.Folder().string());
    std::unique_ptr<FileChooser> desktop = CreateDesktopFileChooser();
    EXPECT_EQ(desktop->ChooseFileToOpen(PictureRequest()), FileChooserResult::Unavailable());

    tools.Install("kdialog");
    tools.Answer("/pictures/from kdialog.png", 0);
    EXPECT_EQ(desktop->ChooseFileToOpen(PictureRequest()),
              FileChooserResult::Chosen("/pictures/from kdialog.png"));
    EXPECT_EQ(tools.Arguments().front(), "--title");

    tools.Install("zenity");
    tools.Answer("", 1);
    EXPECT_EQ(desktop->ChooseFileToOpen(PictureRequest()), FileChooserResult::Cancelled());
    EXPECT_EQ(tools.Arguments().front(), "--file-selection") << "zenity comes before kdialog";
}
