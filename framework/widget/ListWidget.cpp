#include "framework/widget/ListWidget.h"

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/platform/VirtualKey.h"
#include "framework/widget/ListListener.h"
#include "framework/widget/WidgetManager.h"

#include <algorithm>

namespace Zorbel {

namespace {

ListListener& SilentListener() {
    static ListListener listener;
    return listener;
}

} // namespace

ListWidget::ListWidget(int32_t id, ListListener* listener)
    : mId(id), mListener(listener != nullptr ? listener : &SilentListener()) {}

ListWidget::~ListWidget() = default;

// Items --------------------------------------------------------------------------------------------------

void ListWidget::AddItem(const std::string& text) {
    mItems.push_back(text);
    Invalidate();
}

void ListWidget::SetItems(std::vector<std::string> items) {
    mItems = std::move(items);
    mSelected = NoSelection;
    mTopIndex = 0;
    Invalidate();
}

// Selection and scrolling ------------------------------------------------------------------------------

void ListWidget::SetSelectedIndex(int32_t index) {
    mSelected = mItems.empty() || index < 0 ? NoSelection : std::min(index, GetItemCount() - 1);
    ScrollToSelection();
    Invalidate();
}

void ListWidget::Choose(int32_t index) {
    if (mItems.empty()) return;
    int32_t previous = mSelected;
    SetSelectedIndex(std::max(0, index));
    if (mSelected != previous) mListener->ListSelectionChanged(mId, mSelected);
}

void ListWidget::SetTopIndex(int32_t index) {
    int32_t top = std::clamp(index, 0, std::max(0, GetItemCount() - GetVisibleItemCount()));
    if (top == mTopIndex) return;
    mTopIndex = top;
    Invalidate();
}

int32_t ListWidget::GetVisibleItemCount() {
    int32_t itemHeight = GetItemHeight();
    return itemHeight > 0 ? std::max(1, InnerArea().height / itemHeight) : 1;
}

void ListWidget::ScrollToSelection() {
    if (mSelected == NoSelection) {
        SetTopIndex(mTopIndex);
        return;
    }
    int32_t visible = GetVisibleItemCount();
    if (mSelected < mTopIndex)
        SetTopIndex(mSelected);
    else if (mSelected >= mTopIndex + visible)
        SetTopIndex(mSelected - visible + 1);
    else
        SetTopIndex(mTopIndex);
}

int32_t ListWidget::IndexAt(int32_t x, int32_t y) {
    Rect area = InnerArea();
    int32_t itemHeight = GetItemHeight();
    if (itemHeight <= 0 || !area.Contains(x, y)) return NoSelection;
    int32_t index = mTopIndex + (y - area.y) / itemHeight;
    return index < GetItemCount() ? index : NoSelection;
}

// Input -------------------------------------------------------------------------------------------------

void ListWidget::KeyDown(int32_t keyCode) {
    // A page moves by the items in view less one, so that one item of the old view stays in sight.
    int32_t page = std::max(1, GetVisibleItemCount() - 1);
    // With nothing selected, the first key selects the first item.
    int32_t at = mSelected;
    switch (keyCode) {
        case VirtualKey::Up:
            Choose(at == NoSelection ? 0 : at - 1);
            return;
        case VirtualKey::Down:
            Choose(at == NoSelection ? 0 : at + 1);
            return;
        case VirtualKey::PageUp:
            Choose(at == NoSelection ? 0 : at - page);
            return;
        case VirtualKey::PageDown:
            Choose(at == NoSelection ? 0 : at + page);
            return;
        case VirtualKey::Home:
            Choose(0);
            return;
        case VirtualKey::End:
            Choose(GetItemCount() - 1);
            return;
        case VirtualKey::Return:
            if (mSelected != NoSelection) mListener->ListItemActivated(mId, mSelected);
            return;
        case VirtualKey::Escape:
            mListener->ListCancelled(mId);
            return;
        default:
            Widget::KeyDown(keyCode);
            return;
    }
}

void ListWidget::MouseDown(int32_t x, int32_t y, int32_t clickCount) {
    Widget::MouseDown(x, y, clickCount);
    if (clickCount != 1 && clickCount != 2) return;
    int32_t index = IndexAt(x, y);
    if (index == NoSelection) return;
    Choose(index);
    if (clickCount == 2) mListener->ListItemActivated(mId, index);
}

// A notch away from the player (positive) shows earlier items.
void ListWidget::MouseWheel(int32_t delta) {
    SetTopIndex(mTopIndex - delta * WheelItems);
}

// Layout ------------------------------------------------------------------------------------------------

int32_t ListWidget::GetItemHeight() {
    EnsureFont();
    return mFont != nullptr ? mFont->Height() : 0;
}

int32_t ListWidget::GetWidestItemWidth() {
    EnsureFont();
    int32_t widest = 0;
    if (mFont != nullptr)
        for (const std::string& item : mItems)
            widest = std::max(widest, mFont->StringWidth(item));
    return widest;
}

int32_t ListWidget::GetPreferredWidth() {
    return GetWidestItemWidth() + 2 * Inset;
}

void ListWidget::Resize(int32_t x, int32_t y, int32_t width, int32_t height) {
    Widget::Resize(x, y, width, height);
    ScrollToSelection();
}

// Drawing ------------------------------------------------------------------------------------------------

// The selected item is highlighted across the whole width of the list.
void ListWidget::Draw(Graphics* g) {
    EnsureFont();
    DrawFrame(g);
    if (mFont == nullptr) return;

    Graphics items(*g);
    Rect area = InnerArea();
    items.NarrowClip(area.x, area.y, area.width, area.height);
    items.SetTextFont(mFont.get());
    items.SetTintImages(true);
    const int32_t itemHeight = GetItemHeight();
    for (int32_t index = mTopIndex, top = area.y; index < GetItemCount() && top < area.y + area.height;
         ++index, top += itemHeight) {
        bool selected = index == mSelected;
        if (selected) {
            items.SetPaintColor(GetColor(COLOR_HILITE));
            items.PaintRect(area.x, top, area.width, itemHeight);
        }
        items.SetPaintColor(GetColor(selected ? COLOR_HILITE_TEXT : COLOR_TEXT));
        items.PaintText(mItems[static_cast<size_t>(index)], area.x, top + mFont->Ascent());
    }
}

} // namespace Zorbel
