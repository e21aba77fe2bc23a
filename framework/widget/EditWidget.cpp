#include "framework/widget/EditWidget.h"

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/platform/VirtualKey.h"
#include "framework/widget/EditListener.h"
#include "framework/widget/WidgetHost.h"
#include "framework/widget/WidgetManager.h"

namespace Zorbel {

namespace {

// Stands in for a missing listener, so that the field never has to check.
EditListener& SilentListener() {
    static EditListener listener;
    return listener;
}

} // namespace

EditWidget::EditWidget(int32_t id, EditListener* listener)
    : mId(id), mListener(listener != nullptr ? listener : &SilentListener()) {}

EditWidget::~EditWidget() = default;

// Text and selection --------------------------------------------------------------------------------------

void EditWidget::SetText(const std::string& text) {
    mText = mMaxChars != 0 && text.size() > mMaxChars ? text.substr(0, mMaxChars) : text;
    mCaret = mAnchor = mText.size();
    mScrollX = 0;
    ScrollToCaret();
    Invalidate();
}

void EditWidget::SetMaxChars(size_t maxChars) {
    mMaxChars = maxChars;
    if (mMaxChars == 0 || mText.size() <= mMaxChars) return;
    mText.resize(mMaxChars);
    SetSelection(mAnchor, mCaret);
}

std::string EditWidget::GetSelectedText() const {
    return mText.substr(GetSelectionStart(), GetSelectionEnd() - GetSelectionStart());
}

void EditWidget::SetSelection(size_t anchor, size_t caret) {
    mAnchor = std::min(anchor, mText.size());
    MoveCaret(caret, true);
}

void EditWidget::SelectAll() {
    SetSelection(0, mText.size());
}

bool EditWidget::AcceptsChar(char c) const {
    auto code = static_cast<unsigned char>(c);
    // Printable Latin-1: no control characters of either half.
    return (code >= 0x20 && code < 0x7F) || code >= 0xA0;
}

void EditWidget::MoveCaret(size_t index, bool extend) {
    mCaret = std::min(index, mText.size());
    if (!extend) mAnchor = mCaret;
    ScrollToCaret();
    Invalidate();
}

void EditWidget::ReplaceSelection(const std::string& text) {
    size_t from = GetSelectionStart();
    size_t to = GetSelectionEnd();
    std::string accepted;
    for (char c : text)
        if (AcceptsChar(c)) accepted.push_back(c);
    size_t kept = mText.size() - (to - from);
    if (mMaxChars != 0) accepted.resize(std::min(accepted.size(), kept >= mMaxChars ? 0 : mMaxChars - kept));
    if (from == to && accepted.empty()) return;
    mText.replace(from, to - from, accepted);
    mAnchor = from + accepted.size();
    MoveCaret(mAnchor, false);
    mListener->EditWidgetChanged(mId, mText);
}

// Editing ------------------------------------------------------------------------------------------------

void EditWidget::InsertText(const std::string& text) {
    ReplaceSelection(text);
}

bool EditWidget::Copy() {
    WidgetHost* host = mManager != nullptr ? mManager->GetHost() : nullptr;
    return HasSelection() && host != nullptr && host->CopyToClipboard(GetSelectedText());
}

// The text stays when the clipboard did not take it: a cut never loses what was typed.
void EditWidget::Cut() {
    if (Copy()) ReplaceSelection("");
}

void EditWidget::Paste() {
    WidgetHost* host = mManager != nullptr ? mManager->GetHost() : nullptr;
    if (host == nullptr) return;
    std::string text = host->GetClipboardText();
    // A field without line breaks takes the first line of what was copied.
    if (!AcceptsChar('\n')) text = text.substr(0, text.find_first_of("\r\n"));
    ReplaceSelection(text);
}

bool EditWidget::IsKeyHeld(int32_t keyCode) const {
    return mManager != nullptr && mManager->IsKeyDown(keyCode);
}

void EditWidget::KeyDown(int32_t keyCode) {
    const bool shift = IsKeyHeld(VirtualKey::Shift);
    const bool ctrl = IsKeyHeld(VirtualKey::Control);
    switch (keyCode) {
        case VirtualKey::Left:
            // Without Shift a selection collapses to its side instead of moving the caret.
            if (HasSelection() && !shift)
                MoveCaret(GetSelectionStart(), false);
            else
                MoveCaret(mCaret > 0 ? mCaret - 1 : 0, shift);
            return;
        case VirtualKey::Right:
            if (HasSelection() && !shift)
                MoveCaret(GetSelectionEnd(), false);
            else
                MoveCaret(mCaret + 1, shift);
            return;
        case VirtualKey::Home:
            MoveCaret(LineOf(mCaret).begin, shift);
            return;
        case VirtualKey::End:
            MoveCaret(LineOf(mCaret).end, shift);
            return;
        case VirtualKey::Back:
            if (!HasSelection()) {
                if (mCaret == 0) return;
                mAnchor = mCaret - 1;
            }
            ReplaceSelection("");
            return;
        case VirtualKey::Delete:
            if (shift) {
                Cut();
                return;
            }
            if (!HasSelection()) {
                if (mCaret >= mText.size()) return;
                mAnchor = mCaret + 1;
            }
            ReplaceSelection("");
            return;
        case VirtualKey::Insert:
            if (ctrl)
                Copy();
            else if (shift)
                Paste();
            return;
        case VirtualKey::Return:
            EnterPressed();
            return;
        case VirtualKey::Escape:
            mListener->EditWidgetCancelled(mId);
            return;
        default:
            break;
    }
    if (ctrl) {
        switch (keyCode) {
            case 'A':
                SelectAll();
                return;
            case 'C':
                Copy();
                return;
            case 'V':
                Paste();
                return;
            case 'X':
                Cut();
                return;
            default:
                break;
        }
    }
    Widget::KeyDown(keyCode);
}

// Control characters (Backspace, Enter, Ctrl + letters) come as keys; here only text arrives.
void EditWidget::CharTyped(char c) {
    if (AcceptsChar(c)) ReplaceSelection(std::string(1, c));
}

void EditWidget::EnterPressed() {
    mListener->EditWidgetText(mId, mText);
}

void EditWidget::MouseDown(int32_t x, int32_t y, int32_t clickCount) {
    Widget::MouseDown(x, y, clickCount);
    if (clickCount == 2)
        SelectAll();
    else if (clickCount == 1)
        MoveCaret(PointToIndex(x, y), IsKeyHeld(VirtualKey::Shift));
}

void EditWidget::MouseDrag(int32_t x, int32_t y) {
    if (mManager != nullptr && (mManager->GetDownButtons() & WidgetManager::BUTTON_LEFT))
        MoveCaret(PointToIndex(x, y), true);
}

// Layout -------------------------------------------------------------------------------------------------

int32_t EditWidget::GetPreferredHeight() {
    EnsureFont();
    return mFont != nullptr ? LineHeight() + 2 * Inset : 0;
}

void EditWidget::Resize(int32_t x, int32_t y, int32_t width, int32_t height) {
    Widget::Resize(x, y, width, height);
    ScrollToCaret();
}

std::vector<EditWidget::Line> EditWidget::GetLines() const {
    return {Line{0, mText.size()}};
}

EditWidget::Line EditWidget::LineOf(size_t index) const {
    return GetLines()[LineNumberOf(index)];
}

size_t EditWidget::LineNumberOf(size_t index) const {
    std::vector<Line> lines = GetLines();
    size_t number = 0;
    while (number + 1 < lines.size() && index > lines[number].end)
        ++number;
    return number;
}

int32_t EditWidget::LineHeight() {
    return mFont != nullptr ? mFont->Height() : 0;
}

int32_t EditWidget::FirstLineTop() {
    return (mHeight - LineHeight()) / 2;
}

int32_t EditWidget::TextWidth(size_t begin, size_t index) {
    if (mFont == nullptr || index <= begin) return 0;
    return mFont->StringWidth(mText.substr(begin, index - begin));
}

Point EditWidget::IndexToPoint(size_t index) {
    Line line = LineOf(index);
    int32_t number = static_cast<int32_t>(LineNumberOf(index));
    return Point{InnerArea().x - mScrollX + TextWidth(line.begin, index),
                 FirstLineTop() - mScrollY + number * LineHeight()};
}

size_t EditWidget::PointToIndex(int32_t x, int32_t y) {
    EnsureFont();
    std::vector<Line> lines = GetLines();
    int32_t lineHeight = std::max(1, LineHeight());
    int32_t row = (y - FirstLineTop() + mScrollY) / lineHeight;
    const Line& line = lines[static_cast<size_t>(std::clamp<int32_t>(row, 0, int32_t(lines.size()) - 1))];
    int32_t local = x - InnerArea().x + mScrollX;
    // The edge nearest to the point: past the middle of a character its right edge is nearer.
    int32_t edge = 0;
    for (size_t index = line.begin; index < line.end; ++index) {
        int32_t next = TextWidth(line.begin, index + 1);
        if (2 * local < edge + next) return index;
        edge = next;
    }
    return line.end;
}

void EditWidget::ScrollToCaret() {
    EnsureFont();
    Rect area = InnerArea();
    if (mFont == nullptr || area.width <= 0) {
        mScrollX = 0;
        return;
    }
    int32_t caretX = TextWidth(LineOf(mCaret).begin, mCaret);
    if (caretX < mScrollX)
        mScrollX = caretX;
    else if (caretX > mScrollX + area.width - 1)
        mScrollX = caretX - area.width + 1;
    // While the text is longer than the field, no empty room is left at its right.
    int32_t widest = 0;
    for (const Line& line : GetLines())
        widest = std::max(widest, TextWidth(line.begin, line.end));
    mScrollX = std::clamp(mScrollX, 0, std::max(0, widest - area.width + 1));
}

// Drawing ------------------------------------------------------------------------------------------------

void EditWidget::Draw(Graphics* g) {
    EnsureFont();
    DrawFrame(g);
    if (mFont == nullptr) return;

    Graphics text(*g);
    Rect area = InnerArea();
    text.NarrowClip(area.x, area.y, area.width, area.height);
    text.SetTextFont(mFont.get());
    text.SetTintImages(true);
    int32_t top = FirstLineTop() - mScrollY;
    for (const Line& line : GetLines()) {
        DrawLine(&text, line, top);
        top += LineHeight();
    }
    if (mHasFocus) {
        Point caret = IndexToPoint(mCaret);
        text.SetPaintColor(GetColor(COLOR_TEXT));
        text.PaintRect(caret.x, caret.y, 1, LineHeight());
    }
}

// The line in the text colour, then its selected part over the selection colour. The selection shows
// only while the field has the focus.
void EditWidget::DrawLine(Graphics* g, const Line& line, int32_t top) {
    int32_t left = InnerArea().x - mScrollX;
    int32_t baseline = top + mFont->Ascent();
    g->SetPaintColor(GetColor(COLOR_TEXT));
    g->PaintText(mText.substr(line.begin, line.end - line.begin), left, baseline);
    if (!mHasFocus || !HasSelection()) return;
    size_t from = std::clamp(GetSelectionStart(), line.begin, line.end);
    size_t to = std::clamp(GetSelectionEnd(), line.begin, line.end);
    if (from == to) return;
    int32_t fromX = left + TextWidth(line.begin, from);
    int32_t toX = left + TextWidth(line.begin, to);
    g->SetPaintColor(GetColor(COLOR_HILITE));
    g->PaintRect(fromX, top, toX - fromX, LineHeight());
    g->SetPaintColor(GetColor(COLOR_HILITE_TEXT));
    g->PaintText(mText.substr(from, to - from), fromX, baseline);
}

} // namespace Zorbel
