#pragma once

#include "framework/graphics/Rect.h"
#include "framework/widget/DirtyArea.h"
#include "framework/widget/WidgetFlags.h"

#include <cstdint>
#include <list>

namespace Zorbel {

class Graphics;
class Widget;
class WidgetManager;

// The common base of the widget tree: a rectangle, an ordered list of child widgets, dirty marking
// and the recursive update and draw walks. The list only references its children: whoever created
// a widget deletes it, and destroying a container never deletes its children.
class WidgetContainer {
public:
    // Children from the bottom-most (drawn first) to the top-most (hit first).
    using WidgetList = std::list<Widget*>;

    WidgetContainer() = default;
    WidgetContainer(const WidgetContainer&) = delete;
    WidgetContainer& operator=(const WidgetContainer&) = delete;
    virtual ~WidgetContainer();

    virtual Rect GetRect() const;
    // A strict overlap of the two rectangles: touching edges do not intersect.
    virtual bool Intersects(const WidgetContainer* other) const;

    // Marks the child dirty for the next draw step. At the root this also dirties whatever is drawn
    // over the child, and beneath it when the child is translucent.
    virtual void Invalidate(Widget* child);
    virtual void Invalidate();
    // Marks the child dirty together with what lies beneath it: used when the child moves, shrinks
    // or disappears, so that the area it leaves is drawn again.
    virtual void InvalidateWithBelow(Widget* child);
    virtual void InvalidateWithBelow();
    // Marks only an area of the container dirty, in its own coordinates: the next draw step draws it
    // clipped to that area, together with whatever lies over the area. A wholly dirty container is
    // drawn whole anyway. Animations mark what they move so that a still screen costs nothing.
    void InvalidateArea(const Rect& area);

    virtual void AttachedToManager(WidgetManager* manager);
    virtual void DetachedFromManager(WidgetManager* manager);

    // Runs at most once per update step of the manager; counts the updates.
    virtual void Update();
    virtual void UpdateTree(FlagContext& context);
    virtual void UpdateFraction(double fraction);
    virtual void UpdateFractionTree(FlagContext& context, double fraction);
    virtual void Draw(Graphics* g);
    virtual void DrawTree(FlagContext& context, Graphics* g);

    // Appends the widget as the top-most child; a widget that has another parent leaves it first.
    void AddChild(Widget* widget);
    // Takes the widget out of the tree without deleting it. Does nothing for a widget that is not a
    // child.
    void RemoveChild(Widget* widget);
    // Moves the widget directly above reference, or to the top when reference is not a child.
    void PlaceAbove(Widget* widget, Widget* reference);
    bool HasChild(const Widget* widget) const;
    const WidgetList& GetChildren() const { return mWidgets; }

    // The manager this container is attached to, null while detached.
    WidgetManager* GetManager() const { return mManager; }
    WidgetContainer* GetParent() const { return mParent; }
    // The sum of the positions up the parent chain: where the container lies on the screen.
    Point GetAbsolutePosition() const;

    int32_t GetX() const { return mX; }
    int32_t GetY() const { return mY; }
    int32_t GetWidth() const { return mWidth; }
    int32_t GetHeight() const { return mHeight; }

    bool IsDirty() const { return mDirty; }
    // The parts marked by InvalidateArea since the last draw, empty when none (or wholly dirty).
    const DirtyArea& GetDirtyArea() const { return mDirtyArea; }
    void ClearDirty() { mDirty = false; }
    int32_t GetUpdateCount() const { return mUpdateCount; }

    // A translucent container dirties what lies beneath it whenever it is dirtied.
    bool HasAlpha() const { return mHasAlpha; }
    void SetHasAlpha(bool hasAlpha) { mHasAlpha = hasAlpha; }
    // Whether WF_CLIP is honoured for this container.
    bool GetClip() const { return mClip; }
    void SetClip(bool clip) { mClip = clip; }
    // Applied to the walks' flags on the way into this container.
    const WidgetFlagsChange& GetFlagsChange() const { return mFlagsChange; }
    void SetFlagsChange(const WidgetFlagsChange& change) { mFlagsChange = change; }
    // Deferred overlays of lower priority are drawn before this container.
    int32_t GetPriority() const { return mPriority; }
    void SetPriority(int32_t priority) { mPriority = priority; }

protected:
    // A walk over the children that survives the removal of any child, the current one included:
    // removing the current child moves the walk on to the next one and sets iteratorModified, so the
    // walk does not advance twice. Walks nest (a dialog waiting for its result updates the tree from
    // inside an update), so every active walk of a container is kept in a chain.
    struct ChildWalk {
        WidgetList::iterator current;
        bool iteratorModified = false;
        ChildWalk* outer = nullptr;
    };

    template <typename Visit>
    void WalkChildren(Visit visit);

    // The child's area, given in this container's coordinates, is dirty.
    void InvalidateArea(Widget* child, const Rect& area);
    // Takes the child out of the list, moving any walk that stands on it.
    void Unlink(WidgetList::iterator position);
    // Child hit search in this container's coordinates; see WidgetManager::WidgetUnderPoint.
    Widget* FindWidget(int32_t x, int32_t y, int32_t flags, int32_t& localX, int32_t& localY);
    // Clears the parent and manager of every child: the container goes away without its children.
    void OrphanChildren();
    // Detaches the container and its sub-tree from the manager without notifying anyone.
    void ClearManager();

    WidgetList mWidgets;
    WidgetManager* mManager = nullptr;
    WidgetContainer* mParent = nullptr;
    ChildWalk* mWalks = nullptr;
    int32_t mLastManagerUpdateCount = 0;
    int32_t mUpdateCount = 0;
    bool mDirty = false;
    DirtyArea mDirtyArea;
    int32_t mX = 0;
    int32_t mY = 0;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    bool mHasAlpha = false;
    bool mClip = true;
    WidgetFlagsChange mFlagsChange;
    int32_t mPriority = 0;

    friend class WidgetManager;
};

template <typename Visit>
void WidgetContainer::WalkChildren(Visit visit) {
    ChildWalk walk{mWidgets.begin(), false, mWalks};
    mWalks = &walk;
    while (walk.current != mWidgets.end()) {
        walk.iteratorModified = false;
        visit(*walk.current);
        if (!walk.iteratorModified) ++walk.current;
    }
    mWalks = walk.outer;
}

} // namespace Zorbel
