#pragma once

#include "framework/platform/PixelRect.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Zorbel {

// Texture layouts a GPU device may offer, as bits of a set.
namespace GpuFormat {
constexpr uint32_t A8R8G8B8 = 1; // 32-bit words 0xAARRGGBB
constexpr uint32_t A4R4G4B4 = 2; // 16-bit words 0xARGB
constexpr uint32_t R5G6B5 = 4;   // 16-bit words, no alpha

constexpr int BytesPerPixel(uint32_t format) {
    return format == A8R8G8B8 ? 4 : 2;
}
} // namespace GpuFormat

// How a drawn pixel is weighed against what is already there: result = source * src + dest * dest.
enum class GpuBlendFactor : uint8_t { Zero, One, SourceAlpha, InverseSourceAlpha };

struct GpuBlend {
    GpuBlendFactor source = GpuBlendFactor::SourceAlpha;
    GpuBlendFactor dest = GpuBlendFactor::InverseSourceAlpha;
    constexpr bool operator==(const GpuBlend&) const = default;
};

// One corner of a primitive: a position in target pixels (pixel centres at +0.5), a colour 0xAARRGGBB
// that multiplies the texture (or is the colour, without one) and a texture coordinate in 0 .. 1.
struct GpuVertex {
    float x = 0;
    float y = 0;
    uint32_t color = 0xFFFFFFFF;
    float u = 0;
    float v = 0;
};

enum class GpuPrimitive : uint8_t { TriangleList, TriangleStrip, TriangleFan, LineStrip };

// A texture on the device; a render target when made as one. Destroyed with the object, which must
// not outlive its device.
class GpuTexture {
public:
    virtual ~GpuTexture() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual uint32_t Format() const = 0;
};

// What the device says about itself.
struct GpuInfo {
    std::string vendor;
    std::string renderer;
    std::string version;
    // The driver library actually loaded, with its path; empty when unknown.
    std::string driverFile;
    // Video memory in bytes, where the driver reports it.
    std::optional<uint64_t> videoMemory;
    int maxTextureWidth = 0;
    int maxTextureHeight = 0;
    // Set of GpuFormat bits that textures can be made in without conversion.
    uint32_t formats = 0;
};

// A drawing device on the graphics hardware: textures, render targets, triangles and lines with
// vertex colours and blend factors, and reading a target back. Every operation returns a code of
// ResultCode.h. The device belongs to one display driver and must not outlive it.
class GpuDevice {
public:
    virtual ~GpuDevice() = default;

    virtual const GpuInfo& Info() const = 0;

    // A texture of the format, or a render target (always A8R8G8B8) when target is set.
    [[nodiscard]] virtual uint32_t CreateTexture(uint32_t format, int width, int height, bool target,
                                                 std::unique_ptr<GpuTexture>& out) = 0;
    // Replaces the whole texture: rows of width pixels in its format, pitch bytes apart.
    [[nodiscard]] virtual uint32_t Upload(GpuTexture& texture, const void* pixels, int pitch) = 0;
    // Where drawing goes from now on; null for nothing.
    [[nodiscard]] virtual uint32_t SetTarget(GpuTexture* target) = 0;
    // Drawing touches only the pixels of the target inside clip; null for the whole target.
    [[nodiscard]] virtual uint32_t SetClip(const PixelRect* clip) = 0;
    // Sets every pixel of the target to the colour 0xAARRGGBB (inside the clip).
    [[nodiscard]] virtual uint32_t Clear(uint32_t color) = 0;
    // Draws into the target. Triangles sample texture (none: the vertex colour alone), linear or
    // nearest; lines take the first vertex's colour and no texture.
    [[nodiscard]] virtual uint32_t Draw(GpuPrimitive primitive, const GpuVertex* vertices, int count,
                                        GpuTexture* texture, GpuBlend blend, bool linear) = 0;
    // The target's pixels in area as 0xAARRGGBB words, rows pitch bytes apart.
    [[nodiscard]] virtual uint32_t ReadPixels(const PixelRect& area, void* out, int pitch) = 0;
    // A texture's pixels as they were uploaded, in its own format, pitch bytes to a row. Leaves the
    // target and the clip as they were.
    [[nodiscard]] virtual uint32_t ReadTexture(GpuTexture& texture, void* out, int pitch) = 0;
};

} // namespace Zorbel
