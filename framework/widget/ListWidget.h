#pragma once

#include "framework/graphics/Rect.h"
#include "framework/widget/FieldWidget.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Zorbel {

class ListListener;

// A list box: lines of text in a frame, one of them selected. The view scrolls by the mouse wheel and
// follows the selection, which the arrows, Page Up and Page Down, Home and End and a click move. A
// double-click (or Enter) on an item reports it to the listener under the list's id.
class ListWidget : public FieldWidget {
public:
    // Items scrolled by one notch of the wheel.
    static constexpr int32_t WheelItems = 3;
    static constexpr int32_t NoSelection = -1;

    // The listener (may be null) must outlive the list.
    ListWidget(int32_t id, ListListener* listener);
    ~ListWidget() override;

    void Draw(Graphics* g) override;
    void Resize(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void KeyDown(int32_t keyCode) override;
    void MouseDown(int32_t x, int32_t y, int32_t clickCount) override;
    void MouseWheel(int32_t delta) override;
    using Widget::MouseDown;
    using Widget::Resize;

    // --- Items ---
    void AddItem(const std::string& text);
    // Replaces every item; nothing is selected and the view is at the top.
    void SetItems(std::vector<std::string> items);
    const std::vector<std::string>& GetItems() const { return mItems; }
    int32_t GetItemCount() const { return static_cast<int32_t>(mItems.size()); }

    // --- Selection and scrolling ---
    int32_t GetSelectedIndex() const { return mSelected; }
    // Selects the item (NoSelection, or clamped to the items) and scrolls it into view. The listener
    // is not told: only the player's choices are reported.
    void SetSelectedIndex(int32_t index);
    // The first item in view, and how many whole items the view shows.
    int32_t GetTopIndex() const { return mTopIndex; }
    void SetTopIndex(int32_t index);
    int32_t GetVisibleItemCount();
    // The item at a point in the list's coordinates, or NoSelection.
    int32_t IndexAt(int32_t x, int32_t y);

    int32_t GetId() const { return mId; }
    int32_t GetItemHeight();
    // The width of the widest item, and the list width that shows it whole.
    int32_t GetWidestItemWidth();
    int32_t GetPreferredWidth();

protected:
    // The player chose the item: selected, in view, and reported.
    void Choose(int32_t index);
    void ScrollToSelection();
    void FontChanged() override { ScrollToSelection(); }

    int32_t mId;
    ListListener* mListener;
    std::vector<std::string> mItems;
    int32_t mSelected = NoSelection;
    int32_t mTopIndex = 0;
};

} // namespace Zorbel
