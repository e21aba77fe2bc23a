#pragma once

#include "framework/graphics/Color.h"
#include "framework/graphics/DrawMode.h"
#include "framework/graphics/NativeDisplay.h"
#include "framework/graphics/Rect.h"

#include <cstdint>

namespace Zorbel {

class MemoryImage;

// A locked 16- or 32-bit surface as the drawing kernels see it: its memory, its layout and the
// saturating add tables of its three channels (entry i = min(i, 2^bits - 1)).
struct NativeTarget {
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    int32_t width = 0;
    int32_t height = 0;
    const NativeDisplay* display = nullptr;
    const int32_t* addTables[3] = {nullptr, nullptr, nullptr}; // red, green, blue

    Rect Bounds() const { return Rect(0, 0, width, height); }
};

// Drawing straight into a surface in its native layout. Each kernel takes an area or position that
// its caller has clipped to the surface (sources are clipped here too, so nothing outside either
// picture is ever addressed) and never reports errors.
namespace SurfaceKernels {

// Opaque colours become each channel's top bits (on 32 bits a full channel is written as 254);
// translucent ones are premultiplied and laid over the surface.
void FillRect(const NativeTarget& target, const Rect& area, const Color& color);
// Saturating addition of the colour weighted by its alpha.
void AdditiveFillRect(const NativeTarget& target, const Rect& area, const Color& color);

// The source's srcRect drawn at (x, y), in normal or additive mode, weighted by colour (opaque white
// for none). Mirrored blits draw the rectangle's columns right to left.
void Blit(const NativeTarget& target, int32_t x, int32_t y, MemoryImage& source, const Rect& srcRect,
          const Color& color, DrawMode drawMode, bool mirror);

// Nearest-sample scaling in 16.16 fixed point: destination row i reads source row
// trunc(srcY + i * scaleY), column j reads trunc(srcX + (j + 1) * scaleX), kept inside srcBounds.
void BlitScaledNearest(const NativeTarget& target, const Rect& dest, MemoryImage& source, double srcX,
                       double srcY, double scaleX, double scaleY, const Rect& srcBounds, const Color& color,
                       DrawMode drawMode, bool mirror);

// A slanted line, walked like the software renderer's lines; straight lines are fills.
void Line(const NativeTarget& target, double x1, double y1, double x2, double y2, const Color& color,
          DrawMode drawMode);

// One opaque 0xRRGGBB colour in the target's layout, channels cut to their width.
uint32_t ToNative(const NativeDisplay& display, uint32_t argb);
// A surface pixel as 0xFFRRGGBB: each channel moved back to the top of its byte.
uint32_t FromNative(const NativeDisplay& display, uint32_t pixel);

} // namespace SurfaceKernels

} // namespace Zorbel
