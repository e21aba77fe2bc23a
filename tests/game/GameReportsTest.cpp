// The developer reports on the real game and its real display, text drawn with the real fonts: the
// frame-rate overlay sits at the bottom right of the frame, and F11 shoots exactly that frame.
#include "framework/app/DeveloperReports.h"
#include "framework/imagelib/ImageLib.h"
#include "framework/widget/WidgetManager.h"
#include "game/GameHarness.h"

#include <filesystem>

using namespace Zorbel;

namespace {

class GameReportsTest : public TesserineTest::GameFixture {
protected:
    void Send(MessageKind kind, int32_t value, int32_t x = 0, int32_t y = 0) {
        WindowMessage message;
        message.window = app->GetMainWindow();
        message.kind = kind;
        message.value = value;
        message.x = x;
        message.y = y;
        app->WindowProc(message);
        app->ProcessQueuedMessages(true);
    }
    void Press(int32_t key, int32_t held = 0) {
        if (held) Send(held == 18 ? MessageKind::SysKeyDown : MessageKind::KeyDown, held);
        Send(held == 18 ? MessageKind::SysKeyDown : MessageKind::KeyDown, key);
        Send(MessageKind::KeyUp, key);
        if (held) Send(MessageKind::KeyUp, held);
    }
    DeveloperReports& Reports() { return static_cast<TesserineTest::TestGame&>(*app).GetDeveloperReports(); }
    // A frame of the whole screen, presented.
    void Draw() {
        clock.Advance(20);
        app->GetWidgetManager()->MarkAllDirty();
        app->DrawDirty();
    }
};

TEST_F(GameReportsTest, TheFrameRateShowsAtTheBottomRightAndTheScreenshotHoldsIt) {
    StartGame();
    Steps(92);
    const auto shots = root / "_screenshots";
    Reports().SetFolders(shots.string(), (root / "_dump").string());
    Send(MessageKind::KeyDown, 17);
    Send(MessageKind::SysKeyDown, 18);
    Press('D');
    Send(MessageKind::KeyUp, 18);
    Send(MessageKind::KeyUp, 17);
    Press(114);
    ASSERT_TRUE(Reports().IsShowingFps());
    Draw();
    EXPECT_EQ(Reports().GetOverlays().GetCounterText(), "FPS: 0");

    MemoryImage* screen = app->GetDisplay()->GetScreenImage();
    MemoryImage* counter = Reports().GetOverlays().GetCounterImage();
    ASSERT_NE(counter, nullptr);
    const int32_t h = counter->GetHeight();
    EXPECT_GT(h, 10);
    EXPECT_EQ(counter->GetWidth(), 50);
    // The box: black at its edges, with the light text inside.
    int bright = 0;
    for (int y = 600 - h - 10; y < 590; ++y)
        for (int x = 740; x < 790; ++x) {
            const uint32_t c = TesserineTest::PixelAt(screen, x, y) & 0xFFFFFF;
            bright += (c & 0x808080) == 0x808080;
            if (x == 740 || y == 600 - h - 10) {
                EXPECT_EQ(c, 0u) << x << "," << y;
            }
        }
    EXPECT_GT(bright, 20) << "the text is drawn";

    Press(122);
    std::unique_ptr<ImageLib::Image> shot = ImageLib::ReadPng((shots / "image1.png").string());
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->GetWidth(), 800);
    ASSERT_EQ(shot->GetHeight(), 600);
    int differing = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            differing += (shot->GetBits()[y * 800 + x] & 0xFFFFFF) !=
                         (TesserineTest::PixelAt(screen, x, y) & 0xFFFFFF);
    EXPECT_EQ(differing, 0);

    // Shift + F3: the pointer instead of the frame rate.
    Send(MessageKind::MouseMove, 0, 321, 123);
    Press(114, 16);
    Draw();
    EXPECT_EQ(Reports().GetOverlays().GetCounterText(), "321,123");
}

} // namespace
