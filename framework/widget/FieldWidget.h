#pragma once

#include "framework/graphics/Rect.h"
#include "framework/widget/Widget.h"

#include <cstdint>
#include <memory>

namespace Zorbel {

class Font;

// What the text entry and the list box share: a framed face in the field colours, an inner area
// inside the frame and the padding, and a font of the field's own (a copy of one given, or
// "SansSerif" 12 points made once the field is in a tree). The field redraws itself when the focus
// comes or goes, since it shows the focus.
class FieldWidget : public Widget {
public:
    enum ColorIndex : int32_t {
        COLOR_BKG = 0,         // the face
        COLOR_OUTLINE = 1,     // the frame
        COLOR_TEXT = 2,        // the text (and the caret)
        COLOR_HILITE = 3,      // behind selected text
        COLOR_HILITE_TEXT = 4, // selected text
        NUM_COLORS = 5,
    };

    // Pixels between the one-pixel frame and the inner area.
    static constexpr int32_t Padding = 2;
    // The frame and the padding on each side.
    static constexpr int32_t Inset = 1 + Padding;

    ~FieldWidget() override;

    void FocusGained() override;
    void FocusLost() override;

    // Keeps a copy of the font (or none); the caller keeps its own.
    void SetFont(Font* font);
    Font* GetFont();

protected:
    FieldWidget();

    // The area inside the frame and the padding, in the field's coordinates.
    Rect InnerArea() const;
    // The face and the frame.
    void DrawFrame(Graphics* g);
    void EnsureFont();
    // The font changed: what depends on its metrics follows.
    virtual void FontChanged() {}

    std::unique_ptr<Font> mFont;
};

} // namespace Zorbel
