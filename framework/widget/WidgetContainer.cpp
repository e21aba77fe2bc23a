#include "framework/widget/WidgetContainer.h"

#include "framework/graphics/Graphics.h"
#include "framework/widget/Widget.h"
#include "framework/widget/WidgetManager.h"

#include <algorithm>
#include <vector>

namespace Zorbel {

namespace {

// Applies a container's flags change to both flag sets for the time the walk is inside it.
class FlagScope {
public:
    FlagScope(FlagContext& context, const WidgetFlagsChange& change)
        : mContext(context), mFlags(context.flags), mBelowFlags(context.belowFlags) {
        context.flags = change.Apply(context.flags);
        context.belowFlags = change.Apply(context.belowFlags);
    }
    ~FlagScope() {
        mContext.flags = mFlags;
        mContext.belowFlags = mBelowFlags;
    }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    FlagContext& mContext;
    int32_t mFlags;
    int32_t mBelowFlags;
};

} // namespace

WidgetContainer::~WidgetContainer() {
    OrphanChildren();
}

void WidgetContainer::OrphanChildren() {
    for (Widget* child : mWidgets) {
        child->mParent = nullptr;
        child->ClearManager();
    }
    mWidgets.clear();
}

void WidgetContainer::ClearManager() {
    mManager = nullptr;
    for (Widget* child : mWidgets)
        child->ClearManager();
}

Rect WidgetContainer::GetRect() const {
    return Rect(mX, mY, mWidth, mHeight);
}

bool WidgetContainer::Intersects(const WidgetContainer* other) const {
    return other != nullptr && GetRect().Intersects(other->GetRect());
}

Point WidgetContainer::GetAbsolutePosition() const {
    Point position;
    for (const WidgetContainer* c = this; c != nullptr; c = c->mParent) {
        position.x += c->mX;
        position.y += c->mY;
    }
    return position;
}

// Dirty marking -------------------------------------------------------------------------------------

void WidgetContainer::Invalidate() {
    if (mParent != nullptr)
        mParent->Invalidate(static_cast<Widget*>(this));
    else
        mDirty = true;
}

void WidgetContainer::InvalidateWithBelow() {
    if (mParent != nullptr)
        mParent->InvalidateWithBelow(static_cast<Widget*>(this));
    else
        mDirty = true;
}

void WidgetContainer::Invalidate(Widget* child) {
    if (child == nullptr || child->mDirty) return;
    Invalidate();
    child->mDirty = true;
    // Only the root knows what overlaps on the screen; below it a redraw of the top-level ancestor
    // redraws the whole sub-tree anyway.
    if (mParent != nullptr) return;
    if (child->mHasAlpha) {
        InvalidateWithBelow(child);
        return;
    }
    auto it = std::find(mWidgets.begin(), mWidgets.end(), child);
    if (it == mWidgets.end()) return;
    for (++it; it != mWidgets.end(); ++it) {
        Widget* sibling = *it;
        if (sibling->mVisible && sibling->Intersects(child)) Invalidate(sibling);
    }
}

void WidgetContainer::InvalidateWithBelow(Widget* child) {
    if (child == nullptr) return;
    InvalidateWithBelow();
    child->mDirty = true;
    if (mParent != nullptr) return;
    auto position = std::find(mWidgets.begin(), mWidgets.end(), child);
    if (position == mWidgets.end()) return;

    // Downwards: an opaque sibling that holds the whole visible part of the child hides everything
    // further down, so the walk stops there.
    Rect area = child->GetRect().Intersection(Rect(0, 0, mWidth, mHeight));
    for (auto it = std::make_reverse_iterator(position); it != mWidgets.rend(); ++it) {
        Widget* sibling = *it;
        if (!sibling->mVisible) continue;
        bool opaque = !sibling->mHasTransparencies && !sibling->mHasAlpha;
        if (opaque && !area.IsEmpty() && sibling->Contains(area.x, area.y) &&
            sibling->Contains(area.x + area.width - 1, area.y + area.height - 1)) {
            // The sibling redraws the whole of itself, so whatever lies over it is drawn again too;
            // otherwise a widget above it that was not dirty would vanish under it.
            Invalidate(sibling);
            break;
        }
        if (sibling->Intersects(child)) Invalidate(sibling);
    }
    for (auto it = position; it != mWidgets.end(); ++it) {
        Widget* sibling = *it;
        if (sibling->mVisible && sibling->Intersects(child)) Invalidate(sibling);
    }
}

void WidgetContainer::InvalidateArea(const Rect& area) {
    const Rect inside = area.Intersection(Rect(0, 0, mWidth, mHeight));
    if (inside.IsEmpty() || mDirty) return;
    if (mParent != nullptr)
        mParent->InvalidateArea(static_cast<Widget*>(this), inside.Offset(mX, mY));
    else
        mDirty = true;
}

void WidgetContainer::InvalidateArea(Widget* child, const Rect& area) {
    if (child == nullptr || child->mDirty) return;
    // Below the root the top-level ancestor is drawn clipped to the area, with its whole sub-tree.
    if (mParent != nullptr) {
        InvalidateArea(area);
        return;
    }
    mDirty = true;
    child->mDirtyArea.Add(area.Offset(-child->mX, -child->mY));
    // What lies over the area is drawn again there, over the freshly drawn child.
    auto it = std::find(mWidgets.begin(), mWidgets.end(), child);
    if (it == mWidgets.end()) return;
    for (++it; it != mWidgets.end(); ++it) {
        Widget* sibling = *it;
        const Rect overlap = area.Intersection(sibling->GetRect());
        if (sibling->mVisible && !overlap.IsEmpty()) InvalidateArea(sibling, overlap);
    }
}

// The tree -----------------------------------------------------------------------------------------

bool WidgetContainer::HasChild(const Widget* widget) const {
    return widget != nullptr && std::find(mWidgets.begin(), mWidgets.end(), widget) != mWidgets.end();
}

void WidgetContainer::AddChild(Widget* widget) {
    if (widget == nullptr || widget == this || HasChild(widget)) return;
    if (widget->mParent != nullptr) widget->mParent->RemoveChild(widget);
    mWidgets.push_back(widget);
    widget->mManager = mManager;
    widget->mParent = this;
    if (mManager != nullptr) {
        widget->AttachedToManager(mManager);
        widget->InvalidateWithBelow();
        mManager->RefreshMouseOver();
    }
    mDirty = true;
}

void WidgetContainer::AttachedToManager(WidgetManager* manager) {
    // A child's hook may change the list, so the walk goes over a copy and skips children that left.
    std::vector<Widget*> children(mWidgets.begin(), mWidgets.end());
    for (Widget* child : children) {
        if (child->mParent != this) continue;
        child->mManager = manager;
        child->AttachedToManager(manager);
        mDirty = true;
    }
}

void WidgetContainer::DetachedFromManager(WidgetManager* manager) {
    std::vector<Widget*> children(mWidgets.begin(), mWidgets.end());
    for (Widget* child : children) {
        if (child->mParent != this) continue;
        if (manager != nullptr) manager->ForgetWidget(child);
        child->DetachedFromManager(manager);
        child->mManager = nullptr;
    }
}

void WidgetContainer::RemoveChild(Widget* widget) {
    if (!HasChild(widget)) return;
    if (WidgetManager* manager = mManager; manager != nullptr) {
        manager->ForgetWidget(widget);
        manager->ForgetInModalStack(widget);
        widget->DetachedFromManager(manager);
        InvalidateWithBelow(widget);
    }
    widget->mManager = nullptr;
    widget->mParent = nullptr;
    // The hooks above may have changed the list, so the widget is looked up again.
    auto position = std::find(mWidgets.begin(), mWidgets.end(), widget);
    if (position != mWidgets.end()) Unlink(position);
}

void WidgetContainer::Unlink(WidgetList::iterator position) {
    for (ChildWalk* walk = mWalks; walk != nullptr; walk = walk->outer) {
        if (walk->current == position) {
            ++walk->current;
            walk->iteratorModified = true;
        }
    }
    mWidgets.erase(position);
}

void WidgetContainer::PlaceAbove(Widget* widget, Widget* reference) {
    auto position = std::find(mWidgets.begin(), mWidgets.end(), widget);
    if (widget == nullptr || position == mWidgets.end()) return;
    Unlink(position);
    auto target = std::find(mWidgets.begin(), mWidgets.end(), reference);
    mWidgets.insert(target == mWidgets.end() ? target : std::next(target), widget);
    widget->ZOrderChanged();
}

// Hit search: the top-most child first; a hit among a child's own children wins over the child.
// Everything after the base modal widget lies below it and is searched with the below-modal change.
Widget* WidgetContainer::FindWidget(int32_t x, int32_t y, int32_t flags, int32_t& localX, int32_t& localY) {
    flags = mFlagsChange.Apply(flags);
    for (auto it = mWidgets.rbegin(); it != mWidgets.rend(); ++it) {
        Widget* child = *it;
        int32_t childX = x - child->mX;
        int32_t childY = y - child->mY;
        if ((flags & WF_ALLOW_MOUSE) && child->mVisible) {
            if (Widget* inner = child->FindWidget(childX, childY, flags, localX, localY)) return inner;
            if (child->mMouseVisible && child->GetInnerRect().Contains(x, y) &&
                child->HitTest(childX, childY)) {
                localX = childX;
                localY = childY;
                return child;
            }
        }
        if (mManager != nullptr && child == mManager->mBaseModalWidget)
            flags = mManager->mBelowModalChange.Apply(flags);
    }
    return nullptr;
}

// Update walk -----------------------------------------------------------------------------------------

void WidgetContainer::Update() {
    ++mUpdateCount;
}

void WidgetContainer::UpdateFraction(double) {}

void WidgetContainer::UpdateTree(FlagContext& context) {
    FlagScope scope(context, mFlagsChange);
    int32_t effective = context.Effective();
    if (effective & WF_MARK_DIRTY) Invalidate();
    if (mManager == nullptr) return;
    if ((effective & WF_UPDATE) && mManager->mUpdateCount != mLastManagerUpdateCount) {
        mLastManagerUpdateCount = mManager->mUpdateCount;
        Update();
    }
    if (mManager == nullptr) return;
    WalkChildren([&](Widget* child) {
        if (mManager != nullptr && child == mManager->mBaseModalWidget) context.isAboveModal = true;
        child->UpdateTree(context);
    });
}

void WidgetContainer::UpdateFractionTree(FlagContext& context, double fraction) {
    FlagScope scope(context, mFlagsChange);
    int32_t effective = context.Effective();
    if (effective & WF_MARK_DIRTY) Invalidate();
    if (mManager == nullptr) return;
    if (effective & WF_UPDATE) UpdateFraction(fraction);
    if (mManager == nullptr) return;
    WalkChildren([&](Widget* child) {
        if (mManager != nullptr && child == mManager->mBaseModalWidget) context.isAboveModal = true;
        child->UpdateFractionTree(context, fraction);
    });
}

// Draw walk ------------------------------------------------------------------------------------------

void WidgetContainer::Draw(Graphics*) {}

void WidgetContainer::DrawTree(FlagContext& context, Graphics* g) {
    if (mManager != nullptr && mManager->mMinOverlayPriority < mPriority)
        mManager->FlushDeferredOverlays(mPriority);
    FlagScope scope(context, mFlagsChange);
    int32_t effective = context.Effective();
    if (mClip && (effective & WF_CLIP)) g->NarrowClip(0, 0, mWidth, mHeight);
    if (mWidgets.empty()) {
        if (effective & WF_DRAW) Draw(g);
        return;
    }
    if (effective & WF_DRAW) {
        g->SaveState();
        Draw(g);
        g->RestoreState();
    }
    WalkChildren([&](Widget* child) {
        if (!child->mVisible) return;
        if (mManager != nullptr && child == mManager->mBaseModalWidget) context.isAboveModal = true;
        Graphics childGraphics(*g);
        childGraphics.Offset(child->mX, child->mY);
        child->DrawTree(context, &childGraphics);
        child->mDirty = false;
    });
}

} // namespace Zorbel
