#include "framework/widget/TextView.h"

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/platform/VirtualKey.h"

#include <algorithm>

namespace Zorbel {

namespace {

const Color kBorderDark(128, 128, 128);
const Color kTrack(224, 224, 224);
const Color kThumb(160, 160, 160);
const Color kText(0, 0, 0);

// The text's lines as written, each line end being "\r\n", "\n" or "\r".
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

} // namespace

TextView::TextView() {
    mAcceptsFocus = true;
}

TextView::~TextView() = default;

void TextView::SetFont(const Font* font) {
    mFont = font ? font->Clone() : nullptr;
    Changed();
}

void TextView::SetText(const std::string& text) {
    // The length limit is the user's: a text shown read-only is shown whole.
    mText = mReadOnly ? text : text.substr(0, mMaxLength);
    mTopLine = 0;
    Changed();
}

void TextView::SetReadOnly(bool readOnly) {
    mReadOnly = readOnly;
    Invalidate();
}

void TextView::Changed() {
    mWrapped = false;
    Invalidate();
}

int32_t TextView::LineHeight() const {
    return mFont ? std::max(1, mFont->LineSpacing()) : 1;
}

int32_t TextView::TextWidth() const {
    return std::max(0, mWidth - 2 * kMargin - (mScrollBar ? kScrollBarWidth : 0));
}

int32_t TextView::VisibleLineCount() const {
    return std::max(1, (mHeight - 2 * kMargin) / LineHeight());
}

void TextView::Rewrap() {
    mLines.clear();
    const int32_t width = TextWidth();
    for (const std::string& line : SplitLines(mText)) {
        if (!mFont) {
            mLines.push_back(line);
            continue;
        }
        // Words move whole to the next line; a word wider than the box is broken where it must be.
        std::string rest = line;
        while (mFont->StringWidth(rest) > width && rest.size() > 1) {
            size_t fit = 1;
            while (fit < rest.size() && mFont->StringWidth(rest.substr(0, fit + 1)) <= width)
                ++fit;
            size_t breakAt = rest.rfind(' ', fit);
            size_t cut = breakAt != std::string::npos && breakAt > 0 ? breakAt : fit;
            mLines.push_back(rest.substr(0, cut));
            rest = rest.substr(cut < rest.size() && rest[cut] == ' ' ? cut + 1 : cut);
        }
        mLines.push_back(rest);
    }
    mWrapped = true;
}

const std::vector<std::string>& TextView::GetLines() {
    if (!mWrapped) Rewrap();
    return mLines;
}

int32_t TextView::MaxTopLine() {
    return std::max(0, static_cast<int32_t>(GetLines().size()) - VisibleLineCount());
}

void TextView::ScrollTo(int32_t topLine) {
    int32_t clamped = std::clamp(topLine, 0, MaxTopLine());
    if (clamped == mTopLine) return;
    mTopLine = clamped;
    Invalidate();
}

void TextView::Resize(int32_t x, int32_t y, int32_t width, int32_t height) {
    Widget::Resize(x, y, width, height);
    Changed();
}

void TextView::Draw(Graphics* g) {
    g->SetPaintColor(mBackground);
    g->PaintRect(0, 0, mWidth, mHeight);
    if (mBorder) {
        g->SetPaintColor(kBorderDark);
        g->PaintFrame(0, 0, mWidth, mHeight);
    }
    if (mScrollBar) DrawScrollBar(g);
    if (!mFont) return;
    const std::vector<std::string>& lines = GetLines();
    Graphics text(*g);
    text.NarrowClip(kMargin, kMargin, TextWidth(), mHeight - 2 * kMargin);
    text.SetTextFont(mFont.get());
    text.SetPaintColor(kText);
    const int32_t lineHeight = LineHeight();
    const int32_t shown = VisibleLineCount() + 1;
    for (int32_t i = 0; i < shown && mTopLine + i < static_cast<int32_t>(lines.size()); ++i)
        text.PaintText(lines[static_cast<size_t>(mTopLine + i)], kMargin,
                       kMargin + i * lineHeight + mFont->Ascent());
    // The caret sits after the last character, where typing goes.
    int32_t last = static_cast<int32_t>(lines.size()) - 1;
    if (!mReadOnly && mHasFocus && last >= mTopLine && last < mTopLine + shown) {
        int32_t x = kMargin + mFont->StringWidth(lines.back());
        text.PaintRect(x, kMargin + (last - mTopLine) * lineHeight, 1, mFont->Height());
    }
}

void TextView::DrawScrollBar(Graphics* g) {
    const int32_t x = mWidth - kScrollBarWidth - (mBorder ? 1 : 0);
    const int32_t top = mBorder ? 1 : 0;
    const int32_t height = mHeight - 2 * top;
    g->SetPaintColor(kTrack);
    g->PaintRect(x, top, kScrollBarWidth, height);
    const int32_t total = std::max(1, static_cast<int32_t>(GetLines().size()));
    const int32_t visible = std::min(VisibleLineCount(), total);
    const int32_t thumbHeight = std::max(8, height * visible / total);
    const int32_t maxTop = MaxTopLine();
    const int32_t thumbY = maxTop == 0 ? 0 : (height - thumbHeight) * mTopLine / maxTop;
    g->SetPaintColor(kThumb);
    g->PaintRect(x + 2, top + thumbY, kScrollBarWidth - 4, thumbHeight);
}

void TextView::FocusGained() {
    Widget::FocusGained();
    Invalidate();
}

void TextView::FocusLost() {
    Widget::FocusLost();
    Invalidate();
}

void TextView::CharTyped(char c) {
    if (mReadOnly) return;
    if (c == '\b') {
        if (mText.size() >= 2 && mText.compare(mText.size() - 2, 2, "\r\n") == 0)
            mText.resize(mText.size() - 2);
        else if (!mText.empty())
            mText.pop_back();
    } else if (c == '\r' || c == '\n') {
        if (mText.size() + 2 > mMaxLength) return;
        mText += "\r\n";
    } else if (static_cast<unsigned char>(c) >= 32 && c != 127) {
        if (mText.size() + 1 > mMaxLength) return;
        mText += c;
    } else {
        return;
    }
    Changed();
    ScrollTo(MaxTopLine());
}

void TextView::KeyDown(int32_t keyCode) {
    switch (keyCode) {
        case VirtualKey::Up:
            ScrollTo(mTopLine - 1);
            break;
        case VirtualKey::Down:
            ScrollTo(mTopLine + 1);
            break;
        case VirtualKey::PageUp:
            ScrollTo(mTopLine - VisibleLineCount());
            break;
        case VirtualKey::PageDown:
            ScrollTo(mTopLine + VisibleLineCount());
            break;
        case VirtualKey::Home:
            ScrollTo(0);
            break;
        case VirtualKey::End:
            ScrollTo(MaxTopLine());
            break;
        default:
            Widget::KeyDown(keyCode);
            break;
    }
}

void TextView::MouseWheel(int32_t delta) {
    // One notch scrolls three lines, like the desktop's text boxes.
    ScrollTo(mTopLine - (delta > 0 ? 3 : delta < 0 ? -3 : 0));
}

void TextView::MouseDown(int32_t x, int32_t y, int32_t clickCount) {
    Widget::MouseDown(x, y, clickCount);
    if (!mScrollBar || x < mWidth - kScrollBarWidth - 1) return;
    // A click on the bar pages towards it.
    const int32_t maxTop = std::max(1, MaxTopLine());
    const int32_t thumbY = (mHeight - 8) * mTopLine / maxTop;
    ScrollTo(mTopLine + (y < thumbY ? -VisibleLineCount() : VisibleLineCount()));
}

} // namespace Zorbel
