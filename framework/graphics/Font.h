#pragma once

#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Zorbel {

class Graphics;

// The abstract font that all text is measured and drawn through. Concrete fonts fill in the
// metrics and supply measuring, drawing and copying. Texts are byte strings of 8-bit Latin-1
// characters; metrics are in pixels.
class Font {
public:
    Font() = default;
    Font(const Font&) = default;
    Font& operator=(const Font&) = delete;
    virtual ~Font() = default;

    // Pixels from the top of a line to the baseline.
    virtual int32_t Ascent() const { return mAscent; }
    // Extra space above the ascent that some layouts leave out.
    virtual int32_t AscentPadding() const { return mAscentPadding; }
    virtual int32_t Descent() const { return mHeight - mAscent; }
    virtual int32_t Height() const { return mHeight; }
    virtual int32_t LineSpacingOffset() const { return mLineSpacingOffset; }
    // The distance from one baseline to the next.
    virtual int32_t LineSpacing() const { return mHeight + mLineSpacingOffset; }
    virtual int32_t StringWidth(const std::string&) const { return 0; }
    virtual int32_t CharWidth(char c) const { return StringWidth(std::string(1, c)); }
    // Without kerning, the width of c alone.
    virtual int32_t CharWidthKerned(char c, char) const { return CharWidth(c); }
    // Draws text with its baseline at y. x and y are in the context's own coordinates (its
    // translation not yet applied); clipRect is in the destination image's coordinates.
    virtual void DrawText(Graphics& /*g*/, int32_t /*x*/, int32_t /*y*/, const std::string& /*text*/,
                          const Color& /*color*/, const Rect& /*clipRect*/) {}
    // A copy with resources of its own; the caller owns it.
    virtual std::unique_ptr<Font> Clone() const = 0;

protected:
    int32_t mAscent = 0;
    int32_t mAscentPadding = 0;
    int32_t mHeight = 0;
    int32_t mLineSpacingOffset = 0;
};

} // namespace Zorbel
