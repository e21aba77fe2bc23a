#pragma once

#include "framework/graphics/Rect.h"
#include "framework/widget/FieldWidget.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Zorbel {

class EditListener;

// A field of editable text in one line: a caret, a selection between an anchor and the caret,
// Latin-1 typing, Backspace and Delete, the arrows (with Shift extending the selection), Home and
// End, Ctrl + A, C, V and X through the application's clipboard, a maximum length, and text that
// scrolls sideways when it is longer than the field. Enter, Escape and every change of the text are
// reported to the listener under the field's id.
//
// Everything that depends on how the text is laid out in lines goes through GetLines and the
// helpers beside it, so a field of many lines derives from this one by laying out more lines.
class EditWidget : public FieldWidget {
public:
    // The listener (may be null) must outlive the field.
    EditWidget(int32_t id, EditListener* listener);
    ~EditWidget() override;

    void Draw(Graphics* g) override;
    void Resize(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void KeyDown(int32_t keyCode) override;
    void CharTyped(char c) override;
    void MouseDown(int32_t x, int32_t y, int32_t clickCount) override;
    void MouseDrag(int32_t x, int32_t y) override;
    using Widget::MouseDown;
    using Widget::Resize;

    // --- Text and selection ---
    const std::string& GetText() const { return mText; }
    // Replaces the text, cut to the maximum length, with the caret at its end and nothing selected.
    // The listener is not told: only the player's changes are reported.
    void SetText(const std::string& text);
    // Characters beyond it are refused; 0 for no limit.
    void SetMaxChars(size_t maxChars);
    size_t GetMaxChars() const { return mMaxChars; }
    // The caret is an index between characters, 0 ... the text's length.
    size_t GetCaret() const { return mCaret; }
    size_t GetSelectionStart() const { return std::min(mAnchor, mCaret); }
    size_t GetSelectionEnd() const { return std::max(mAnchor, mCaret); }
    bool HasSelection() const { return mAnchor != mCaret; }
    std::string GetSelectedText() const;
    // Selects from anchor to caret (both clamped to the text).
    void SetSelection(size_t anchor, size_t caret);
    void SelectAll();

    // --- Editing, as the keys do it ---
    // Replaces the selection with the text, leaving out what cannot be typed and what the maximum
    // length has no room for.
    void InsertText(const std::string& text);
    // False when nothing is selected or the clipboard refused the text.
    bool Copy();
    void Cut();
    void Paste();

    int32_t GetId() const { return mId; }
    // How far the text is scrolled to the left, in pixels.
    int32_t GetScrollX() const { return mScrollX; }
    // The field's height for one line of its font (0 without a font).
    int32_t GetPreferredHeight();

    // Whether the character can be typed: printable Latin-1 (a field of many lines adds '\n').
    virtual bool AcceptsChar(char c) const;

protected:
    // A line of the text: the characters begin ... end - 1, without the line break.
    struct Line {
        size_t begin = 0;
        size_t end = 0;
    };

    // The lines of the text, first to last; a field of one line has exactly one, the whole text.
    virtual std::vector<Line> GetLines() const;
    // The top of the first line in the field's coordinates; one line is centred in the field.
    virtual int32_t FirstLineTop();
    // Enter: a field of one line reports its text.
    virtual void EnterPressed();
    // Moves the scroll position so that the caret is inside the field.
    virtual void ScrollToCaret();
    void FontChanged() override { ScrollToCaret(); }

    // The line that holds the index (an index at a line's end belongs to that line).
    Line LineOf(size_t index) const;
    size_t LineNumberOf(size_t index) const;
    int32_t LineHeight();
    // The width of the characters from begin up to index.
    int32_t TextWidth(size_t begin, size_t index);
    // The caret's place in the field's coordinates: x of the character edge, y of the line's top.
    Point IndexToPoint(size_t index);
    // The character edge nearest to the point.
    size_t PointToIndex(int32_t x, int32_t y);
    void DrawLine(Graphics* g, const Line& line, int32_t top);

    // Moves the caret; with extend the anchor stays and the selection grows or shrinks.
    void MoveCaret(size_t index, bool extend);
    // Every change of the text goes through here: the selection becomes the text, the caret lands
    // after it, and the listener hears of it.
    void ReplaceSelection(const std::string& text);
    bool IsKeyHeld(int32_t keyCode) const;

    int32_t mId;
    EditListener* mListener;
    std::string mText;
    size_t mCaret = 0;
    size_t mAnchor = 0;
    size_t mMaxChars = 0;
    int32_t mScrollX = 0;
    int32_t mScrollY = 0;
};

} // namespace Zorbel
