#pragma once

#include <cstdint>

namespace Zorbel {

// The flags that every update and draw walk carries down the widget tree. A container, a modal
// widget or the loss of window focus switch behaviour off (or on) for whole sub-trees by changing
// them on the way down, without touching the widgets themselves.
enum WidgetFlag : int32_t {
    WF_UPDATE = 0x01,      // Update and UpdateFraction run
    WF_MARK_DIRTY = 0x02,  // the widget is marked dirty on every update step
    WF_DRAW = 0x04,        // Draw runs
    WF_CLIP = 0x08,        // drawing of the widget and its children is clipped to its rectangle
    WF_ALLOW_MOUSE = 0x10, // the widget and its sub-tree can be found under the mouse
    WF_ALLOW_FOCUS = 0x20, // the widget may keep the keyboard focus (used by the modal rules)
};

// Update, draw, clip, mouse and focus; not mark-dirty.
inline constexpr int32_t DEFAULT_WIDGET_FLAGS = 0x3D;

// A pair of masks: applying it to f gives (f OR addFlags) AND NOT removeFlags.
struct WidgetFlagsChange {
    int32_t addFlags = 0;
    int32_t removeFlags = 0;

    constexpr int32_t Apply(int32_t flags) const { return (flags | addFlags) & ~removeFlags; }
    constexpr bool operator==(const WidgetFlagsChange&) const = default;
};

// Below a modal widget the mouse and the focus are off.
inline constexpr WidgetFlagsChange DEFAULT_BELOW_MODAL_CHANGE{0, WF_ALLOW_MOUSE | WF_ALLOW_FOCUS};

// What the walks pass down. Containers change flags and belowFlags on the way in and restore them
// on the way out; isAboveModal is never reset during a walk: once the walk meets the base modal
// widget, it and everything drawn or updated after it are above the modal layer.
struct FlagContext {
    int32_t flags = DEFAULT_WIDGET_FLAGS;
    int32_t belowFlags = DEFAULT_WIDGET_FLAGS;
    bool isAboveModal = true;

    constexpr int32_t Effective() const { return isAboveModal ? flags : belowFlags; }
};

} // namespace Zorbel
