#include "framework/widget/EditWidget.h"

#include "framework/platform/VirtualKey.h"
#include "framework/widget/EditListener.h"
#include "graphics/DisplayTestUtil.h"
#include "support/StubWidgetHost.h"
#include "support/SurfaceColors.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using namespace Zorbel::Testing;
using ZorbelTest::StubWidgetHost;
using Log = std::vector<std::string>;

namespace {

class RecordingListener : public EditListener {
public:
    Log log;
    void EditWidgetText(int32_t id, const std::string& text) override {
        log.push_back("enter " + std::to_string(id) + " " + text);
    }
    void EditWidgetChanged(int32_t, const std::string& text) override { log.push_back("changed " + text); }
    void EditWidgetCancelled(int32_t id) override { log.push_back("escape " + std::to_string(id)); }
};

// The field sits at (10, 10), 21 pixels high: the text starts at x = 13 and its line at y = 13. The
// stand-in font draws every character but a space as a solid 10 x 15 cell, one row below the line's top.
// The field is drawn on a display surface, where system fonts draw their text.
class EditWidgetTest : public ::testing::Test {
protected:
    EditWidgetTest() {
        edit.Resize(10, 10, 200, 21);
        manager.AddChild(&edit);
        manager.GiveFocus(&edit);
        EXPECT_EQ(display.Init(), DDInterface::RESULT_OK);
        manager.SetImage(display.device->GetScreenImage());
        kWhite = Native(255, 255, 255);
        kBlack = Native(0, 0, 0);
        kNavy = Native(0, 0, 128);
    }
    ~EditWidgetTest() override { manager.RemoveChild(&edit); }

    void Type(const std::string& text) {
        for (char c : text)
            manager.CharTyped(c);
    }
    void Key(int32_t key) {
        manager.KeyDown(key);
        manager.KeyUp(key);
    }
    // The key with a modifier held.
    void Chord(int32_t modifier, int32_t key) {
        manager.KeyDown(modifier);
        Key(key);
        manager.KeyUp(modifier);
    }
    void Draw() {
        manager.MarkAllDirty();
        manager.DrawDirtyWidgets();
    }
    uint32_t At(int32_t x, int32_t y) {
        Surface& drawn = *display.device->DrawSurface();
        return drawn.PixelAt(x, y) & drawn.Format().ColorMask();
    }
    // Text is drawn with the colour's own value, fills as the surface rounds them.
    uint32_t TextColor(int32_t r, int32_t g, int32_t b) {
        const PixelFormat& format = display.device->DrawSurface()->Format();
        return format.FromArgb(0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b)) &
               format.ColorMask();
    }
    uint32_t Native(int32_t r, int32_t g, int32_t b) {
        return ZorbelTest::OpaqueFill(display.device->DrawSurface()->Format(), Color(r, g, b));
    }

    StubWidgetHost host;
    WidgetManager& manager = host.manager;
    RecordingListener listener;
    EditWidget edit{7, &listener};
    HeadlessDisplay display{DisplayOptions{}, 240, 60};
    // The colours as the surface holds them.
    uint32_t kWhite = 0;
    uint32_t kBlack = 0;
    uint32_t kNavy = 0;
};

} // namespace

TEST_F(EditWidgetTest, TypingEditsAtTheCaretAndReportsEveryChange) {
    Type("1:30");
    Key(VirtualKey::Left);
    Key(VirtualKey::Left);
    EXPECT_EQ(edit.GetCaret(), 2u);
    Key(VirtualKey::Back);
    Key(VirtualKey::Delete);
    EXPECT_EQ(edit.GetText(), "10");
    Key(VirtualKey::Home);
    Type("2");
    Key(VirtualKey::End);
    // Control characters and the C1 range are no text; the rest of Latin-1 is.
    Type("\x01\x85\xE9\x7F");
    EXPECT_EQ(edit.GetText(), "210\xE9");
    EXPECT_EQ(edit.GetCaret(), 4u);
    Key(VirtualKey::Back);
    Key(VirtualKey::Back);
    // At either end there is nothing to take away, and nothing is reported.
    Key(VirtualKey::Home);
    Key(VirtualKey::Back);
    Key(VirtualKey::End);
    Key(VirtualKey::Delete);
    Key(VirtualKey::Return);
    Key(VirtualKey::Escape);
    EXPECT_EQ(listener.log,
              (Log{"changed 1", "changed 1:", "changed 1:3", "changed 1:30", "changed 130", "changed 10",
                   "changed 210", "changed 210\xE9", "changed 210", "changed 21", "enter 7 21", "escape 7"}));
}

TEST_F(EditWidgetTest, ShiftWithTheArrowsSelectsAndTypingReplacesTheSelection) {
    edit.SetText("hello world");
    EXPECT_TRUE(listener.log.empty()) << "setting the text is not the player's change";
    for (int i = 0; i < 5; ++i)
        Chord(VirtualKey::Shift, VirtualKey::Left);
    EXPECT_EQ(edit.GetSelectedText(), "world");
    Type("X");
    EXPECT_EQ(edit.GetText(), "hello X");
    EXPECT_FALSE(edit.HasSelection());

    Key(VirtualKey::Home);
    Chord(VirtualKey::Shift, VirtualKey::End);
    EXPECT_EQ(edit.GetSelectedText(), "hello X");
    // Without Shift an arrow ends the selection at its side.
    Key(VirtualKey::Left);
    EXPECT_EQ(edit.GetCaret(), 0u);
    EXPECT_FALSE(edit.HasSelection());
    Chord(VirtualKey::Control, 'A');
    EXPECT_EQ(edit.GetSelectionStart(), 0u);
    EXPECT_EQ(edit.GetSelectionEnd(), 7u);
    Key(VirtualKey::Back);
    EXPECT_EQ(edit.GetText(), "");

    edit.SetMaxChars(4);
    Type("12345");
    EXPECT_EQ(edit.GetText(), "1234");
    edit.SetText("abcdefgh");
    EXPECT_EQ(edit.GetText(), "abcd");
}

TEST_F(EditWidgetTest, CutCopyAndPasteMakeTheRoundTripThroughTheClipboard) {
    edit.SetText("12:30");
    Chord(VirtualKey::Control, 'A');
    Chord(VirtualKey::Control, 'C');
    EXPECT_EQ(host.clipboard, "12:30");
    EXPECT_EQ(edit.GetText(), "12:30");

    edit.SetSelection(3, 5);
    Chord(VirtualKey::Control, 'X');
    EXPECT_EQ(host.clipboard, "30");
    EXPECT_EQ(edit.GetText(), "12:");
    Chord(VirtualKey::Control, 'V');
    Chord(VirtualKey::Control, 'V');
    EXPECT_EQ(edit.GetText(), "12:3030");

    // The classic keys do the same: Shift + Delete cuts, Shift + Insert pastes, Ctrl + Insert copies.
    Chord(VirtualKey::Shift, VirtualKey::Home);
    Chord(VirtualKey::Shift, VirtualKey::Delete);
    EXPECT_EQ(host.clipboard, "12:3030");
    EXPECT_EQ(edit.GetText(), "");
    Chord(VirtualKey::Shift, VirtualKey::Insert);
    EXPECT_EQ(edit.GetText(), "12:3030");

    // One line takes the first line of what was copied, and no more than its room.
    host.clipboard = "45\r\nsecond line";
    edit.SelectAll();
    Chord(VirtualKey::Control, 'V');
    EXPECT_EQ(edit.GetText(), "45");
    edit.SetMaxChars(4);
    host.clipboard = "123456";
    Chord(VirtualKey::Control, 'V');
    EXPECT_EQ(edit.GetText(), "4512");

    // Nothing selected: nothing is copied, and a cut takes nothing away.
    host.clipboard = "kept";
    Chord(VirtualKey::Control, 'X');
    EXPECT_EQ(host.clipboard, "kept");
    EXPECT_EQ(edit.GetText(), "4512");
}

TEST_F(EditWidgetTest, TheCaretAndTheSelectionAreDrawnWhileTheFieldHasTheFocus) {
    edit.SetText("a b");
    Draw();
    // The frame, the face, the text cells, and the caret right after the last character.
    EXPECT_EQ(At(10, 10), Native(132, 132, 132));
    EXPECT_EQ(At(12, 20), kWhite);
    EXPECT_EQ(At(15, 20), kBlack);
    EXPECT_EQ(At(27, 20), kWhite);
    EXPECT_EQ(At(35, 20), kBlack);
    EXPECT_EQ(At(43, 13), kBlack) << "the caret";
    EXPECT_EQ(At(43, 27), kBlack) << "the caret";
    EXPECT_EQ(At(44, 20), kWhite);

    edit.SelectAll();
    Draw();
    EXPECT_EQ(At(27, 20), kNavy) << "the selected space";
    EXPECT_EQ(At(15, 20), TextColor(255, 255, 255))
        << "selected text is drawn in the highlight's text colour";
    EXPECT_EQ(At(45, 20), kWhite) << "the selection ends with the text";

    manager.GiveFocus(nullptr);
    Draw();
    EXPECT_EQ(At(27, 20), kWhite) << "no selection without the focus";
    EXPECT_EQ(At(15, 20), kBlack);
    EXPECT_EQ(At(43, 20), kWhite) << "no caret without the focus";
}

TEST_F(EditWidgetTest, LongTextScrollsSidewaysToKeepTheCaretInView) {
    edit.Resize(10, 10, 60, 21);
    // Ten characters are 100 pixels in a text area of 54: the end is in view.
    edit.SetText("a a a a a ");
    EXPECT_EQ(edit.GetScrollX(), 47);
    Draw();
    EXPECT_EQ(At(66, 20), kBlack) << "the caret on the last column of the text area";
    EXPECT_EQ(At(65, 20), kWhite) << "the last character, a space, just before it";
    EXPECT_EQ(At(67, 20), kWhite) << "the padding stays clear";

    Key(VirtualKey::Home);
    EXPECT_EQ(edit.GetScrollX(), 0);
    Draw();
    EXPECT_EQ(At(13, 20), kBlack);
    EXPECT_EQ(At(23 + 2, 20), kWhite);
    // Deleting from the end pulls the text back so that no room is wasted at its right.
    Key(VirtualKey::End);
    Key(VirtualKey::Left);
    for (int i = 0; i < 3; ++i)
        Key(VirtualKey::Back);
    EXPECT_EQ(edit.GetText(), "a a a  ");
    EXPECT_EQ(edit.GetScrollX(), 17);
}

TEST_F(EditWidgetTest, TheMousePlacesTheCaretAndDragsOrDoubleClicksASelection) {
    edit.SetText("0123456789");
    auto press = [&](int32_t x, int32_t code) {
        manager.MouseMove(x, 20);
        manager.MouseDown(x, 20, code);
    };
    // Past the middle of a character its right edge is nearer.
    press(13 + 24, 1);
    manager.MouseUp(13 + 24, 20, 1);
    EXPECT_EQ(edit.GetCaret(), 2u);
    press(13 + 26, 1);
    manager.MouseMove(13 + 66, 20);
    manager.MouseUp(13 + 66, 20, 1);
    EXPECT_EQ(edit.GetSelectedText(), "3456");
    press(13 + 26, 2);
    manager.MouseUp(13 + 26, 20, 2);
    EXPECT_EQ(edit.GetSelectedText(), "0123456789");
    // A press elsewhere takes the focus from the field, a press on it gives it back.
    manager.GiveFocus(nullptr);
    press(13 + 4, 1);
    EXPECT_TRUE(edit.HasFocus());
    EXPECT_EQ(edit.GetCaret(), 0u);
}
