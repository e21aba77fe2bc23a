#pragma once

#include "framework/widget/Widget.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Zorbel {

class Font;

// A multi-line text box: the text wrapped at word boundaries to the box's width, optionally with a
// border and a vertical scroll bar, scrolled by the wheel, the bar and the paging keys. Read-only it
// shows a text; editable it takes typed characters, Backspace and Enter at the end of the text (up to
// a maximum length) and shows a caret there while it has the focus.
class TextView : public Widget {
public:
    static constexpr int32_t kScrollBarWidth = 16;
    // Space between the border and the text.
    static constexpr int32_t kMargin = 3;

    TextView();
    ~TextView() override;

    // Keeps a copy of the font; the caller keeps its own.
    void SetFont(const Font* font);
    void SetText(const std::string& text);
    // The text with the line ends as typed ("\r\n" for each Enter).
    const std::string& GetText() const { return mText; }
    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return mReadOnly; }
    void SetBorder(bool border) { mBorder = border; }
    void SetScrollBar(bool scrollBar) { mScrollBar = scrollBar; }
    void SetMaxLength(size_t maxLength) { mMaxLength = maxLength; }
    void SetBackground(const Color& color) { mBackground = color; }

    // The wrapped lines and the first one shown.
    const std::vector<std::string>& GetLines();
    int32_t GetTopLine() const { return mTopLine; }
    void ScrollTo(int32_t topLine);
    int32_t VisibleLineCount() const;

    void Draw(Graphics* g) override;
    void Resize(int32_t x, int32_t y, int32_t width, int32_t height) override;
    using Widget::Resize;
    bool AcceptsFocus() override { return true; }
    void FocusGained() override;
    void FocusLost() override;
    void CharTyped(char c) override;
    void KeyDown(int32_t keyCode) override;
    void MouseWheel(int32_t delta) override;
    void MouseDown(int32_t x, int32_t y, int32_t clickCount) override;
    using Widget::KeyDown;
    using Widget::MouseDown;

private:
    int32_t LineHeight() const;
    int32_t TextWidth() const;
    int32_t MaxTopLine();
    void Rewrap();
    void Changed();
    void DrawScrollBar(Graphics* g);

    std::unique_ptr<Font> mFont;
    std::string mText;
    std::vector<std::string> mLines;
    bool mWrapped = false;
    int32_t mTopLine = 0;
    bool mReadOnly = true;
    bool mBorder = false;
    bool mScrollBar = false;
    size_t mMaxLength = 8191;
    Color mBackground{255, 255, 255};
};

} // namespace Zorbel
