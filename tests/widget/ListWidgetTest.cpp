#include "framework/widget/ListWidget.h"

#include "framework/platform/VirtualKey.h"
#include "framework/widget/ListListener.h"
#include "graphics/DisplayTestUtil.h"
#include "support/StubWidgetHost.h"
#include "support/SurfaceColors.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using namespace Zorbel::Testing;
using ZorbelTest::StubWidgetHost;
using Log = std::vector<std::string>;

namespace {

class RecordingListener : public ListListener {
public:
    Log log;
    void ListSelectionChanged(int32_t, int32_t index) override {
        log.push_back("selected " + std::to_string(index));
    }
    void ListItemActivated(int32_t id, int32_t index) override {
        log.push_back("activated " + std::to_string(id) + " " + std::to_string(index));
    }
    void ListCancelled(int32_t id) override { log.push_back("escape " + std::to_string(id)); }
};

// The list sits at (10, 10) with room for five items of 15 pixels: its first item's row starts at
// y = 13 and its text at x = 13.
class ListWidgetTest : public ::testing::Test {
protected:
    ListWidgetTest() {
        list.Resize(10, 10, 120, 5 * 15 + 6);
        manager.AddChild(&list);
        manager.GiveFocus(&list);
        std::vector<std::string> items;
        for (int i = 0; i < 20; ++i)
            items.push_back("item " + std::to_string(i));
        list.SetItems(items);
    }
    ~ListWidgetTest() override { manager.RemoveChild(&list); }

    void Key(int32_t key) {
        manager.KeyDown(key);
        manager.KeyUp(key);
    }
    // Presses on the row in view (0 the top one) with the press code.
    void Press(int32_t row, int32_t code) {
        int32_t y = 13 + row * 15 + 7;
        manager.MouseMove(40, y);
        manager.MouseDown(40, y, code);
        manager.MouseUp(40, y, code);
    }

    StubWidgetHost host;
    WidgetManager& manager = host.manager;
    RecordingListener listener;
    ListWidget list{4, &listener};
};

} // namespace

TEST_F(ListWidgetTest, KeysMoveTheSelectionAndTheViewFollowsIt) {
    EXPECT_EQ(list.GetVisibleItemCount(), 5);
    EXPECT_EQ(list.GetSelectedIndex(), ListWidget::NoSelection);
    Key(VirtualKey::Down);
    Key(VirtualKey::Down);
    EXPECT_EQ(list.GetSelectedIndex(), 1);
    Key(VirtualKey::End);
    EXPECT_EQ(list.GetSelectedIndex(), 19);
    EXPECT_EQ(list.GetTopIndex(), 15);
    // A page is the items in view less one.
    Key(VirtualKey::PageUp);
    EXPECT_EQ(list.GetSelectedIndex(), 15);
    EXPECT_EQ(list.GetTopIndex(), 15);
    Key(VirtualKey::PageUp);
    EXPECT_EQ(list.GetSelectedIndex(), 11);
    EXPECT_EQ(list.GetTopIndex(), 11);
    Key(VirtualKey::Home);
    Key(VirtualKey::Up);
    EXPECT_EQ(list.GetTopIndex(), 0);
    Key(VirtualKey::PageDown);
    Key(VirtualKey::Down);
    EXPECT_EQ(list.GetSelectedIndex(), 5);
    EXPECT_EQ(list.GetTopIndex(), 1);
    Key(VirtualKey::Return);
    Key(VirtualKey::Escape);
    EXPECT_EQ(listener.log, (Log{"selected 0", "selected 1", "selected 19", "selected 15", "selected 11",
                                 "selected 0", "selected 4", "selected 5", "activated 4 5", "escape 4"}));
}

TEST_F(ListWidgetTest, TheWheelScrollsTheViewAndAClickChoosesWhatItShows) {
    list.SetSelectedIndex(2);
    manager.MouseWheel(-1);
    EXPECT_EQ(list.GetTopIndex(), 3);
    manager.MouseWheel(-10);
    EXPECT_EQ(list.GetTopIndex(), 15) << "the last item stays at the bottom of the view";
    manager.MouseWheel(2);
    EXPECT_EQ(list.GetTopIndex(), 9);
    EXPECT_EQ(list.GetSelectedIndex(), 2) << "the wheel leaves the selection alone";
    EXPECT_TRUE(listener.log.empty());

    Press(2, 1);
    EXPECT_EQ(list.GetSelectedIndex(), 11);
    Press(2, 1);
    Press(2, 2);
    Press(4, -1);
    EXPECT_EQ(listener.log, (Log{"selected 11", "activated 4 11"}));

    // Below the last item there is nothing to choose.
    list.SetItems({"only"});
    Press(3, 1);
    Press(3, 2);
    EXPECT_EQ(list.GetSelectedIndex(), ListWidget::NoSelection);
    EXPECT_EQ(listener.log.size(), 2u);
}

TEST_F(ListWidgetTest, TheSelectedItemIsDrawnHighlightedAcrossTheList) {
    // On a display surface, where system fonts draw their text.
    HeadlessDisplay display(DisplayOptions{}, 140, 100);
    ASSERT_EQ(display.Init(), DDInterface::RESULT_OK);
    Surface& drawn = *display.device->DrawSurface();
    auto at = [&](int32_t x, int32_t y) { return drawn.PixelAt(x, y) & drawn.Format().ColorMask(); };
    auto native = [&](int32_t r, int32_t g, int32_t b) {
        return ZorbelTest::OpaqueFill(drawn.Format(), Color(r, g, b));
    };
    manager.SetImage(display.device->GetScreenImage());
    list.SetItems({"a", "b", "c"});
    list.SetSelectedIndex(1);
    manager.MarkAllDirty();
    manager.DrawDirtyWidgets();
    // Row 0 from y = 13, row 1 from y = 28; a character cell is 10 wide from x = 13.
    EXPECT_EQ(at(15, 20), native(0, 0, 0));
    EXPECT_EQ(at(60, 20), native(255, 255, 255));
    EXPECT_EQ(at(15, 35), drawn.Format().FromArgb(0xFFFFFFFF) & drawn.Format().ColorMask())
        << "the selected item's text, in its own colour";
    EXPECT_EQ(at(60, 35), native(0, 0, 128)) << "the highlight behind it";
    EXPECT_EQ(at(126, 35), native(0, 0, 128)) << "the highlight reaches across the list";
    EXPECT_EQ(at(128, 35), native(255, 255, 255)) << "the padding stays clear";
    EXPECT_EQ(at(129, 35), native(132, 132, 132)) << "the frame";
    EXPECT_EQ(at(15, 50), native(0, 0, 0));
    manager.SetImage(nullptr);
}
