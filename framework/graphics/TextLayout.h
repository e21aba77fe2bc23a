#pragma once

#include "framework/graphics/Rect.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Zorbel {

class Font;
class Graphics;

// Justified and word-wrapped text through a context's font. Justification codes: 0 centred, 1
// right-aligned, -1 (or any other value) left-aligned. y coordinates given to the drawing
// operations are baselines unless a rectangle is given, whose top is the top of the first line.
class TextLayout {
public:
    enum Justification : int32_t { JUSTIFY_LEFT = -1, JUSTIFY_CENTER = 0, JUSTIFY_RIGHT = 1 };

    // A line of a wrapped text: a range of bytes of the original string.
    struct Line {
        size_t offset = 0;
        size_t length = 0;
        bool operator==(const Line&) const = default;
    };

    TextLayout() = delete;

    // Breaks text into lines no wider than width: at explicit line breaks ("\n", "\r\n"), and at
    // blanks, which are dropped at a break. A word alone wider than the line is broken between
    // characters (at least one character a line). Empty text has no lines.
    static std::vector<Line> WrapLines(Font* font, int32_t width, const std::string& text);

    // Draws (when draw is set) or only measures length bytes of text from offset (a negative length
    // means to the end), justified within (x, x + width); returns the width of that text.
    static int32_t DrawStringJustified(Graphics* g, const std::string& text, int32_t x, int32_t y,
                                       int32_t width, int32_t justification, bool draw, int32_t offset,
                                       int32_t length);

    // Draws the wrapped text in rect.width from rect's top-left, lineSpacing pixels from baseline to
    // baseline; returns the height it used. rect.height does not limit the drawing.
    static int32_t DrawWordWrapped(Graphics* g, const Rect& rect, const std::string& text,
                                   int32_t lineSpacing, int32_t justification);

    // What DrawWordWrapped would return: for n lines the first line's height above its top padding
    // plus n - 1 line spacings; 0 for empty text or without a font.
    static int32_t MeasureWordWrappedHeight(Font* font, int32_t width, const std::string& text,
                                            int32_t lineSpacing);

    // Where a line of the given width starts within (x, x + width).
    static int32_t JustifiedX(int32_t x, int32_t width, int32_t lineWidth, int32_t justification);
};

} // namespace Zorbel
