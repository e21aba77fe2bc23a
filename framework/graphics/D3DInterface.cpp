#include "framework/graphics/D3DInterface.h"

#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/DisplayHost.h"
#include "framework/graphics/Matrix3.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/SurfaceKernels.h"
#include "framework/platform/FontFace.h"
#include "framework/platform/ResultCode.h"
#include "framework/platform/display/ErrorName.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace Zorbel {

// The texture record of one picture: its pieces and what they were made from.
struct HardwareTexture {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t format = 0;
    uint32_t flags = 0;
    PieceLayout layout;
    std::vector<std::unique_ptr<GpuTexture>> pieces; // row by row
    double scaleX = 1;
    double scaleY = 1;
    size_t memory = 0;
    int32_t uploadedChange = -1;

    GpuTexture* Piece(int32_t column, int32_t row) const {
        return pieces[static_cast<size_t>(row) * static_cast<size_t>(layout.columns) +
                      static_cast<size_t>(column)]
            .get();
    }
};

namespace {

// One piece of a picture's texture and the part of the picture it holds.
struct PieceArea {
    GpuTexture& piece;
    int32_t left;
    int32_t top;
    int32_t usedWidth;
    int32_t usedHeight;
};

// Calls visit for every piece, row by row, while it returns true.
template <typename Visit>
bool ForEachPiece(const HardwareTexture& texture, Visit visit) {
    const PieceLayout& layout = texture.layout;
    for (int32_t row = 0; row < layout.rows; ++row) {
        for (int32_t column = 0; column < layout.columns; ++column) {
            GpuTexture& piece = *texture.Piece(column, row);
            const int32_t left = column * layout.pieceWidth, top = row * layout.pieceHeight;
            if (!visit(PieceArea{piece, left, top, std::min(piece.Width(), texture.width - left),
                                 std::min(piece.Height(), texture.height - top)}))
                return false;
        }
    }
    return true;
}

// Device pixel centres lie at whole numbers: a vertex moves half a pixel back to hit them. The GPU
// behind the renderer counts its centres at one half, so the two shifts meet at the nominal position.
constexpr double kCentreShift = -0.5;
constexpr double kDevicePixelCentre = 0.5;
constexpr float ToDevice(double v) {
    return static_cast<float>(v + kCentreShift + kDevicePixelCentre);
}

constexpr int32_t kTableLimit = 1024;
constexpr int32_t kMaxWaste = 64;

bool IsPowerOfTwo(int32_t n) {
    return n > 0 && std::has_single_bit(static_cast<uint32_t>(n));
}

int32_t PowerOfTwoAtLeast(int32_t n) {
    return n <= 1 ? 1 : static_cast<int32_t>(std::bit_ceil(static_cast<uint32_t>(n)));
}

// The piece side for a picture side below the table limit: the power of two that covers it when that
// wastes little, else the largest smaller one whose remainder is small or itself a power of two.
int32_t TableSide(int32_t size) {
    const int32_t covering = PowerOfTwoAtLeast(size);
    if (covering - size <= kMaxWaste) return covering;
    for (int32_t side = covering / 2; side >= 1; side /= 2) {
        const int32_t remainder = size % side;
        if (remainder < kMaxWaste || IsPowerOfTwo(remainder)) return side;
    }
    return covering;
}

int32_t Clamp(int32_t side, int32_t least, int32_t most) {
    return std::max(std::min(side, most), least);
}

GpuBlend BlendFor(DrawMode mode) {
    return mode == DRAWMODE_ADDITIVE
               ? GpuBlend{GpuBlendFactor::SourceAlpha, GpuBlendFactor::One}
               : GpuBlend{GpuBlendFactor::SourceAlpha, GpuBlendFactor::InverseSourceAlpha};
}

uint32_t Modulate(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t product = ((a >> shift) & 0xFF) * ((b >> shift) & 0xFF);
        out |= ((product + 127) / 255) << shift;
    }
    return out;
}

} // namespace

D3DInterface::D3DInterface(DDInterface& display) : mDisplay(display) {}

D3DInterface::~D3DInterface() {
    ReleaseDevice3D();
}

bool D3DInterface::IsActive() const {
    return mDisplay.Is3DEnabled();
}

bool D3DInterface::Fail(const char* step, uint32_t code) {
    mErrorText = std::string(step) + ": " + ErrorName(code);
    mDisplay.Host().HardwareError(mErrorText);
    return false;
}

// --- Device ---

bool D3DInterface::InitDevice3D() {
    mErrorText.clear();
    ReleaseDevice3D();
    // Set-up failures are the display's to report; only drawing failures go to the host.
    auto fail = [&](const char* step, uint32_t code) {
        mErrorText = std::string(step) + ": " + ErrorName(code);
        mTarget.reset();
        mGpu.reset();
        return false;
    };
    DisplayDriver* driver = mDisplay.Driver();
    if (driver == nullptr) return fail("Query DrawSurface", ResultCode::NotInitialized);
    mWidth = mDisplay.Width();
    mHeight = mDisplay.Height();
    if (uint32_t hr = driver->CreateGpuDevice(mGpu)) return fail("CreateDevice IID_IDirect3DHALDevice", hr);
    if (uint32_t hr = mGpu->CreateTexture(GpuFormat::A8R8G8B8, mWidth, mHeight, true, mTarget))
        return fail("Query DrawSurface", hr);
    const GpuInfo& info = mGpu->Info();
    mCaps = TextureCaps{};
    if (info.maxTextureWidth > 0 && info.maxTextureHeight > 0) {
        mCaps.maxWidth = std::min(info.maxTextureWidth, kTableLimit);
        mCaps.maxHeight = std::min(info.maxTextureHeight, kTableLimit);
        // Any size from one pixel up, and no limit on the aspect.
        mCaps.minWidth = 1;
        mCaps.minHeight = 1;
        mCaps.maxAspect = 65536;
    }
    mCaps.formats = info.formats;
    if (uint32_t hr = mGpu->SetTarget(mTarget.get())) return fail("SetRenderTarget", hr);
    if (uint32_t hr = mGpu->SetClip(nullptr)) return fail("SetViewport", hr);
    if (uint32_t hr = mGpu->Clear(0xFF000000)) return fail("Clear", hr);
    return true;
}

void D3DInterface::ReleaseDevice3D() {
    if (mSceneOpen) EndScene3D();
    std::vector<MemoryImage*> textured;
    {
        std::lock_guard lock(mTexturesLock);
        for (auto& [image, texture] : mTextures)
            textured.push_back(image);
    }
    // A picture whose texture holds its only copy takes its pixels back first.
    for (MemoryImage* image : textured)
        if (image->Bits() == nullptr && image->ColorIndices() == nullptr) image->GetPixels();
    {
        std::lock_guard lock(mTexturesLock);
        for (auto& [image, texture] : mTextures)
            image->SetHardwareTexture(nullptr);
        mTextures.clear();
        mRetired.clear();
        mTextureMemory = 0;
    }
    mTarget.reset();
    mGpu.reset();
    mClipSet = false;
}

void D3DInterface::FreeRetired() {
    std::lock_guard lock(mTexturesLock);
    mRetired.clear();
}

size_t D3DInterface::TexturedImageCount() {
    std::lock_guard lock(mTexturesLock);
    return mTextures.size();
}

bool D3DInterface::DescribeTexture(const MemoryImage& image, uint32_t& format, size_t& bytes) {
    std::lock_guard lock(mTexturesLock);
    auto found = mTextures.find(const_cast<MemoryImage*>(&image));
    if (found == mTextures.end() || found->second->pieces.empty()) return false;
    format = found->second->format;
    bytes = found->second->memory;
    return true;
}

bool D3DInterface::BeginScene3D() {
    if (mSceneOpen) return true;
    if (!mGpu || !mTarget) return false;
    FreeRetired();
    if (uint32_t hr = mGpu->SetTarget(mTarget.get())) return Fail("SetRenderTarget", hr);
    mClipSet = false;
    mSceneOpen = true;
    return true;
}

void D3DInterface::EndScene3D() {
    mSceneOpen = false;
}

bool D3DInterface::SetClip(const Rect* clip) {
    const Rect whole(0, 0, mWidth, mHeight);
    const Rect wanted = clip ? clip->Intersection(whole) : whole;
    if (mClipSet && wanted == mClip) return true;
    const PixelRect area{wanted.x, wanted.y, wanted.width, wanted.height};
    if (uint32_t hr = mGpu->SetClip(&area)) return Fail("SetViewport", hr);
    mClip = wanted;
    mClipSet = true;
    return true;
}

bool D3DInterface::Begin(const Rect* clip) {
    if (!mGpu || !mTarget || !mErrorText.empty()) return false;
    if (!BeginScene3D()) return false;
    return SetClip(clip);
}

bool D3DInterface::CopyTargetTo(uint8_t* pixels, int32_t pitch, int32_t bitDepth) {
    if (!mGpu || !mTarget) return false;
    if (uint32_t hr = mGpu->SetTarget(mTarget.get())) return Fail("SetRenderTarget", hr);
    const PixelRect whole{0, 0, mWidth, mHeight};
    // A 32-bit surface takes the frame as it is; a 16-bit one through a copy in its layout.
    if (bitDepth == 32) {
        if (uint32_t hr = mGpu->ReadPixels(whole, pixels, pitch)) return Fail("CopyPrimary Lock", hr);
        return true;
    }
    std::vector<uint32_t> frame(static_cast<size_t>(mWidth) * static_cast<size_t>(mHeight));
    if (uint32_t hr = mGpu->ReadPixels(whole, frame.data(), mWidth * 4)) return Fail("CopyPrimary Lock", hr);
    for (int32_t y = 0; y < mHeight; ++y) {
        uint8_t* row = pixels + static_cast<size_t>(y) * static_cast<size_t>(pitch);
        const uint32_t* from = frame.data() + static_cast<size_t>(y) * static_cast<size_t>(mWidth);
        for (int32_t x = 0; x < mWidth; ++x) {
            const auto value = static_cast<uint16_t>(SurfaceKernels::ToNative(mDisplay, from[x]));
            std::memcpy(row + static_cast<size_t>(x) * 2, &value, 2);
        }
    }
    return true;
}

// --- Textures ---

uint32_t D3DInterface::ChooseFormat(bool hasAlpha, uint32_t flags, uint32_t formats) {
    uint32_t format = hasAlpha || (formats & GpuFormat::R5G6B5) == 0 || (flags & TextureFlags::AlwaysAlpha)
                          ? GpuFormat::A8R8G8B8
                          : GpuFormat::R5G6B5;
    const bool has4444 = (formats & GpuFormat::A4R4G4B4) != 0;
    if (format == GpuFormat::A8R8G8B8 &&
        ((formats & GpuFormat::A8R8G8B8) == 0 || ((flags & TextureFlags::Prefer4444) && has4444)))
        format = GpuFormat::A4R4G4B4;
    return format;
}

PieceLayout D3DInterface::LayoutPieces(int32_t width, int32_t height, uint32_t flags,
                                       const TextureCaps& caps) {
    PieceLayout layout;
    if (width <= 0 || height <= 0) return layout;
    auto side = [&](int32_t size, int32_t least, int32_t most) {
        const int32_t wanted = (flags & TextureFlags::FullPowerOfTwo) ? PowerOfTwoAtLeast(size)
                               : size < kTableLimit                   ? TableSide(size)
                                                                      : most;
        return Clamp(wanted, least, most);
    };
    if (flags & TextureFlags::Fixed64) {
        layout.pieceWidth = layout.pieceHeight = 64;
    } else {
        layout.pieceWidth = side(width, caps.minWidth, caps.maxWidth);
        layout.pieceHeight = side(height, caps.minHeight, caps.maxHeight);
        const int64_t aspect = caps.maxAspect > 0 ? caps.maxAspect : 65536;
        while (layout.pieceWidth > layout.pieceHeight * aspect && layout.pieceHeight < caps.maxHeight)
            layout.pieceHeight *= 2;
        while (layout.pieceHeight > layout.pieceWidth * aspect && layout.pieceWidth < caps.maxWidth)
            layout.pieceWidth *= 2;
    }
    layout.columns = (width + layout.pieceWidth - 1) / layout.pieceWidth;
    layout.rows = (height + layout.pieceHeight - 1) / layout.pieceHeight;
    // The last column and row are cut to what is left, in whole powers of two.
    auto last = [](int32_t size, int32_t count, int32_t piece, int32_t least, int32_t most) {
        const int32_t remainder = size - (count - 1) * piece;
        return remainder == piece ? piece : Clamp(PowerOfTwoAtLeast(remainder), least, std::max(most, piece));
    };
    layout.lastWidth = last(width, layout.columns, layout.pieceWidth, caps.minWidth, caps.maxWidth);
    layout.lastHeight = last(height, layout.rows, layout.pieceHeight, caps.minHeight, caps.maxHeight);
    return layout;
}

uint32_t D3DInterface::ToTexel(uint32_t p, uint32_t format) {
    switch (format) {
        case GpuFormat::A4R4G4B4:
            return (p >> 28 << 12) | ((p >> 20 & 0xF) << 8) | ((p >> 12 & 0xF) << 4) | (p >> 4 & 0xF);
        case GpuFormat::R5G6B5:
            return ((p >> 19 & 0x1F) << 11) | ((p >> 10 & 0x3F) << 5) | (p >> 3 & 0x1F);
        default:
            return p;
    }
}

uint32_t D3DInterface::FromTexel(uint32_t t, uint32_t format) {
    switch (format) {
        case GpuFormat::A4R4G4B4: {
            auto widen = [](uint32_t nibble) { return nibble * 17; };
            return widen(t >> 12 & 0xF) << 24 | widen(t >> 8 & 0xF) << 16 | widen(t >> 4 & 0xF) << 8 |
                   widen(t & 0xF);
        }
        case GpuFormat::R5G6B5: {
            const uint32_t r = t >> 11 & 0x1F, g = t >> 5 & 0x3F, b = t & 0x1F;
            return 0xFF000000u | ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
        }
        default:
            return t;
    }
}

bool D3DInterface::PrepareTexture(MemoryImage& image) {
    if (!mGpu || image.GetWidth() <= 0 || image.GetHeight() <= 0) return false;
    if (image.GetHardwareTexture() == nullptr) {
        auto record = std::make_unique<HardwareTexture>();
        image.SetHardwareTexture(record.get());
        std::lock_guard lock(mTexturesLock);
        mTextures[&image] = std::move(record);
    }
    HardwareTexture& texture = *image.GetHardwareTexture();
    image.RecomputeAlphaFlags();
    const uint32_t flags = image.GetTextureFlags();
    const uint32_t format = ChooseFormat(image.HasAlpha() || image.HasTrans(), flags, mCaps.formats);
    if (texture.pieces.empty() || texture.width != image.GetWidth() || texture.height != image.GetHeight() ||
        texture.format != format || texture.flags != flags) {
        mTextureMemory -= texture.memory;
        texture = HardwareTexture{};
        texture.width = image.GetWidth();
        texture.height = image.GetHeight();
        texture.format = format;
        texture.flags = flags;
        texture.layout = LayoutPieces(texture.width, texture.height, flags, mCaps);
        const PieceLayout& layout = texture.layout;
        texture.scaleX = double(texture.width) / layout.pieceWidth;
        texture.scaleY = double(texture.height) / layout.pieceHeight;
        for (int32_t row = 0; row < layout.rows; ++row) {
            for (int32_t column = 0; column < layout.columns; ++column) {
                const int32_t w = column == layout.columns - 1 ? layout.lastWidth : layout.pieceWidth;
                const int32_t h = row == layout.rows - 1 ? layout.lastHeight : layout.pieceHeight;
                std::unique_ptr<GpuTexture> piece;
                if (uint32_t hr = mGpu->CreateTexture(format, w, h, false, piece)) {
                    texture.pieces.clear();
                    texture.memory = 0;
                    return Fail("CreateSurface (Texture)", hr);
                }
                texture.pieces.push_back(std::move(piece));
                texture.memory += static_cast<size_t>(w) * static_cast<size_t>(h) *
                                  static_cast<size_t>(GpuFormat::BytesPerPixel(format));
            }
        }
        mTextureMemory += texture.memory;
    }
    if (texture.uploadedChange != image.GetChangeCount()) {
        if (!Upload(image, texture)) return false;
        texture.uploadedChange = image.GetChangeCount();
        if (image.PurgesBits()) image.DropPixels();
    }
    return true;
}

bool D3DInterface::Upload(MemoryImage& image, HardwareTexture& texture) {
    const uint32_t* bits = image.Bits();
    const uint32_t* table = image.ColorTable();
    const uint8_t* indices = image.ColorIndices();
    if (bits == nullptr && (table == nullptr || indices == nullptr)) {
        bits = image.GetPixels();
        if (bits == nullptr) return false;
    }
    const int bytes = GpuFormat::BytesPerPixel(texture.format);
    std::vector<uint8_t> buffer;
    return ForEachPiece(texture, [&](const PieceArea& area) {
        GpuTexture& piece = area.piece;
        // What lies beyond the picture stays transparent black.
        buffer.assign(static_cast<size_t>(piece.Width() * piece.Height() * bytes), 0);
        for (int32_t y = 0; y < area.usedHeight; ++y) {
            const size_t start = static_cast<size_t>(area.top + y) * static_cast<size_t>(texture.width) +
                                 static_cast<size_t>(area.left);
            uint8_t* out = buffer.data() + static_cast<size_t>(y * piece.Width() * bytes);
            for (int32_t x = 0; x < area.usedWidth; ++x) {
                const uint32_t p = bits ? bits[start + static_cast<size_t>(x)]
                                        : table[indices[start + static_cast<size_t>(x)]];
                const uint32_t texel = ToTexel(p, texture.format);
                std::memcpy(out + static_cast<size_t>(x * bytes), &texel, static_cast<size_t>(bytes));
            }
        }
        if (uint32_t hr = mGpu->Upload(piece, buffer.data(), piece.Width() * bytes))
            return Fail("Lock Texture", hr);
        return true;
    });
}

void D3DInterface::DropTexture(MemoryImage& image) {
    image.SetHardwareTexture(nullptr);
    std::lock_guard lock(mTexturesLock);
    auto found = mTextures.find(&image);
    if (found == mTextures.end()) return;
    mTextureMemory -= found->second->memory;
    mRetired.push_back(std::move(found->second));
    mTextures.erase(found);
}

bool D3DInterface::ReadTextureBack(MemoryImage& image) {
    if (image.GetHardwareTexture() == nullptr || !mGpu) return false;
    const HardwareTexture& texture = *image.GetHardwareTexture();
    uint32_t* bits = image.GetPixels();
    if (bits == nullptr || texture.width != image.GetWidth() || texture.height != image.GetHeight())
        return false;
    const int bytes = GpuFormat::BytesPerPixel(texture.format);
    std::vector<uint8_t> buffer;
    return ForEachPiece(texture, [&](const PieceArea& area) {
        GpuTexture& piece = area.piece;
        buffer.assign(static_cast<size_t>(piece.Width() * piece.Height() * bytes), 0);
        if (mGpu->ReadTexture(piece, buffer.data(), piece.Width() * bytes) != ResultCode::Ok) return false;
        for (int32_t y = 0; y < area.usedHeight; ++y) {
            const uint8_t* in = buffer.data() + static_cast<size_t>(y * piece.Width() * bytes);
            uint32_t* out =
                bits + static_cast<size_t>(area.top + y) * static_cast<size_t>(texture.width) + area.left;
            for (int32_t x = 0; x < area.usedWidth; ++x) {
                uint32_t texel = 0;
                std::memcpy(&texel, in + static_cast<size_t>(x * bytes), static_cast<size_t>(bytes));
                out[x] = FromTexel(texel, texture.format);
            }
        }
        return true;
    });
}

// --- Drawing ---

void D3DInterface::DrawUntextured(GpuPrimitive primitive, const GpuVertex* vertices, int count, DrawMode mode,
                                  const char* step) {
    if (uint32_t hr = mGpu->Draw(primitive, vertices, count, nullptr, BlendFor(mode), false)) Fail(step, hr);
}

void D3DInterface::DrawPicture(MemoryImage& picture, const Corner* corners, int count, DrawMode mode,
                               bool linear, const char* step) {
    if (!PrepareTexture(picture)) return;
    const HardwareTexture& texture = *picture.GetHardwareTexture();
    const PieceLayout& layout = texture.layout;
    double left = corners[0].sx, right = left, top = corners[0].sy, bottom = top;
    for (int i = 1; i < count; ++i) {
        left = std::min(left, corners[i].sx);
        right = std::max(right, corners[i].sx);
        top = std::min(top, corners[i].sy);
        bottom = std::max(bottom, corners[i].sy);
    }
    auto first = [](double v, int32_t piece, int32_t pieces) {
        return std::clamp(static_cast<int32_t>(std::floor(v / piece)), 0, pieces - 1);
    };
    const int32_t c0 = first(left, layout.pieceWidth, layout.columns);
    const int32_t c1 = first(std::nextafter(right, left), layout.pieceWidth, layout.columns);
    const int32_t r0 = first(top, layout.pieceHeight, layout.rows);
    const int32_t r1 = first(std::nextafter(bottom, top), layout.pieceHeight, layout.rows);

    std::vector<Corner>& polygon = mPolygon;
    std::vector<Corner>& cut = mCut;
    std::vector<GpuVertex>& vertices = mVertices;
    for (int32_t row = r0; row <= r1; ++row) {
        for (int32_t column = c0; column <= c1; ++column) {
            GpuTexture* piece = texture.Piece(column, row);
            const double px = double(column) * layout.pieceWidth, py = double(row) * layout.pieceHeight;
            // The part of the polygon over this piece, cut along the piece's edges in picture space;
            // the rest of a corner is interpolated, which is exact for the affine maps drawn here.
            polygon.assign(corners, corners + count);
            const double edges[4] = {px, py, std::min(px + piece->Width(), double(texture.width)),
                                     std::min(py + piece->Height(), double(texture.height))};
            for (int edge = 0; edge < 4 && polygon.size() >= 3; ++edge) {
                auto distance = [&](const Corner& c) {
                    switch (edge) {
                        case 0:
                            return c.sx - edges[0];
                        case 1:
                            return c.sy - edges[1];
                        case 2:
                            return edges[2] - c.sx;
                        default:
                            return edges[3] - c.sy;
                    }
                };
                cut.clear();
                for (size_t i = 0; i < polygon.size(); ++i) {
                    const Corner& a = polygon[i];
                    const Corner& b = polygon[(i + 1) % polygon.size()];
                    const double da = distance(a), db = distance(b);
                    if (da >= 0) cut.push_back(a);
                    if ((da >= 0) != (db >= 0)) {
                        const double t = da / (da - db);
                        cut.push_back(Corner{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t,
                                             a.sx + (b.sx - a.sx) * t, a.sy + (b.sy - a.sy) * t, a.color});
                    }
                }
                polygon.swap(cut);
            }
            if (polygon.size() < 3) continue;
            vertices.clear();
            // The cut lies on the piece's edges up to rounding, which must not leave the texture.
            auto within = [](double t) { return static_cast<float>(std::clamp(t, 0.0, 1.0)); };
            for (const Corner& c : polygon)
                vertices.push_back(GpuVertex{ToDevice(c.x), ToDevice(c.y), c.color,
                                             within((c.sx - px) / piece->Width()),
                                             within((c.sy - py) / piece->Height())});
            if (uint32_t hr = mGpu->Draw(GpuPrimitive::TriangleFan, vertices.data(),
                                         static_cast<int>(vertices.size()), piece, BlendFor(mode), linear)) {
                Fail(step, hr);
                return;
            }
        }
    }
}

bool D3DInterface::FillPolygon(DDImage&, const Point* points, int32_t count, const Rect& clipRect,
                               const Color& color, DrawMode drawMode, int32_t offsetX, int32_t offsetY) {
    if (points == nullptr || count < 3 || !Begin(&clipRect)) return false;
    std::vector<GpuVertex> fan(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        fan[static_cast<size_t>(i)] = GpuVertex{ToDevice(points[i].x + offsetX),
                                                ToDevice(points[i].y + offsetY), color.ToPacked(), 0, 0};
    DrawUntextured(GpuPrimitive::TriangleFan, fan.data(), count, drawMode, "DrawPrimitive (FillPoly)");
    return mErrorText.empty();
}

void D3DInterface::FillArea(DDImage&, const Rect& rect, const Color& color, DrawMode drawMode) {
    if (rect.width <= 0 || rect.height <= 0 || !Begin(nullptr)) return;
    const uint32_t c = color.ToPacked();
    const float l = ToDevice(rect.x), t = ToDevice(rect.y);
    const float r = ToDevice(rect.x + rect.width), b = ToDevice(rect.y + rect.height);
    const GpuVertex strip[4] = {{l, t, c, 0, 0}, {r, t, c, 0, 0}, {l, b, c, 0, 0}, {r, b, c, 0, 0}};
    DrawUntextured(GpuPrimitive::TriangleStrip, strip, 4, drawMode, "DrawPrimitive (Rect)");
}

void D3DInterface::DrawSegment(DDImage&, double x1, double y1, double x2, double y2, const Color& color,
                               DrawMode drawMode) {
    if (!Begin(nullptr)) return;
    // Lines are placed on pixel centres by the renderer itself.
    const uint32_t c = color.ToPacked();
    const GpuVertex line[2] = {{float(x1), float(y1), c, 0, 0}, {float(x2), float(y2), c, 0, 0}};
    DrawUntextured(GpuPrimitive::LineStrip, line, 2, drawMode, "DrawPrimitive (Line)");
}

void D3DInterface::BlitImage(DDImage& target, Image* source, int32_t x, int32_t y, const Rect& srcRect,
                             const Color& color, DrawMode drawMode) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (src == nullptr || src == &target || srcRect.width <= 0 || srcRect.height <= 0 || !Begin(nullptr))
        return;
    const uint32_t c = color.ToPacked();
    const double l = x, t = y, r = double(x) + srcRect.width, b = double(y) + srcRect.height;
    const double sl = srcRect.x, st = srcRect.y, sr = sl + srcRect.width, sb = st + srcRect.height;
    const Corner quad[4] = {{l, t, sl, st, c}, {r, t, sr, st, c}, {r, b, sr, sb, c}, {l, b, sl, sb, c}};
    DrawPicture(*src, quad, 4, drawMode, false, "DrawPrimitive (Tri) 1");
}

void D3DInterface::BlitImageScaled(DDImage& target, Image* source, const FRect& destRect,
                                   const FRect& srcRect, const BlitState& state, bool mirror) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (src == nullptr || src == &target || destRect.width <= 0 || destRect.height <= 0 ||
        !Begin(&state.clip))
        return;
    const uint32_t c = state.color.ToPacked();
    const double l = destRect.x, t = destRect.y, r = l + destRect.width, b = t + destRect.height;
    double sl = srcRect.x, sr = srcRect.x + srcRect.width;
    if (mirror) std::swap(sl, sr);
    const double st = srcRect.y, sb = srcRect.y + srcRect.height;
    const Corner quad[4] = {{l, t, sl, st, c}, {r, t, sr, st, c}, {r, b, sr, sb, c}, {l, b, sl, sb, c}};
    DrawPicture(*src, quad, 4, state.mode, state.smooth, "DrawPrimitive (Tri) 2");
}

void D3DInterface::BlitImageMirrored(DDImage& target, Image* source, int32_t x, int32_t y,
                                     const Rect& srcRect, const Color& color, DrawMode drawMode) {
    const FRect dest(x, y, srcRect.width, srcRect.height);
    const FRect from(srcRect.x, srcRect.y, srcRect.width, srcRect.height);
    BlitImageScaled(target, source, dest, from,
                    BlitState{Rect(0, 0, mWidth, mHeight), color, drawMode, false}, true);
}

void D3DInterface::BlitImageTurned(DDImage& target, Image* source, float x, float y, const FRect& srcRect,
                                   const BlitState& state, double angle, float centreX, float centreY) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (src == nullptr || src == &target || srcRect.width <= 0 || srcRect.height <= 0 || !Begin(&state.clip))
        return;
    const double c = std::cos(angle), s = std::sin(angle);
    const double pivotX = double(x) + centreX, pivotY = double(y) + centreY;
    const uint32_t colour = state.color.ToPacked();
    Corner quad[4];
    for (int i = 0; i < 4; ++i) {
        const double localX = (i == 1 || i == 2) ? srcRect.width : 0.0;
        const double localY = i >= 2 ? srcRect.height : 0.0;
        const double X = localX - centreX, Y = localY - centreY;
        quad[i] = Corner{X * c + Y * s + pivotX, Y * c - X * s + pivotY, srcRect.x + localX,
                         srcRect.y + localY, colour};
    }
    // The software path always samples bilinearly when turning; the hardware follows smooth blending.
    DrawPicture(*src, quad, 4, state.mode, state.smooth || angle != 0.0, "DrawPrimitive (Tri) 3");
}

void D3DInterface::BlitImageTransformed(DDImage& target, Image* source, float x, float y,
                                        const Matrix3& matrix, const BlitState& state, const Rect& srcRect,
                                        bool filtered) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (src == nullptr || src == &target || srcRect.IsEmpty() || !Begin(&state.clip)) return;
    const double halfW = srcRect.width / 2.0, halfH = srcRect.height / 2.0;
    const uint32_t colour = state.color.ToPacked();
    Corner quad[4];
    for (int i = 0; i < 4; ++i) {
        const double cx = (i == 1 || i == 2) ? halfW : -halfW;
        const double cy = i >= 2 ? halfH : -halfH;
        const auto& m = matrix.m;
        quad[i] = Corner{m[0][0] * cx + m[0][1] * cy + m[0][2] + x, m[1][0] * cx + m[1][1] * cy + m[1][2] + y,
                         srcRect.x + cx + halfW, srcRect.y + cy + halfH, colour};
    }
    DrawPicture(*src, quad, 4, state.mode, filtered, "DrawPrimitive (Tri) 4");
}

void D3DInterface::BlitTexturedTriangles(DDImage& target, Image* texture, const TexturedTriangle* triangles,
                                         int32_t count, const BlitState& state, float offsetX, float offsetY,
                                         bool filtered) {
    auto* src = dynamic_cast<MemoryImage*>(texture);
    if (src == nullptr || src == &target || triangles == nullptr || count <= 0 || !Begin(&state.clip)) return;
    bool vertexColours = false;
    for (int32_t i = 0; i < count; ++i)
        for (const TriVertex& v : triangles[i].vertices)
            vertexColours |= v.color != 0;
    const uint32_t colour = state.color.ToPacked();
    for (int32_t i = 0; i < count && mErrorText.empty(); ++i) {
        Corner corners[3];
        for (int k = 0; k < 3; ++k) {
            const TriVertex& v = triangles[i].vertices[k];
            corners[k] =
                Corner{double(v.x) + offsetX, double(v.y) + offsetY, double(v.u) * src->GetWidth(),
                       double(v.v) * src->GetHeight(), vertexColours ? Modulate(v.color, colour) : colour};
        }
        DrawPicture(*src, corners, 3, state.mode, filtered, "DrawPrimitive (TriList)");
    }
}

void D3DInterface::DrawTextCoverage(DDImage& target, const TextCoverage& coverage, int32_t left, int32_t top,
                                    const Rect& clipRect, const Color& color) {
    if (coverage.width <= 0 || coverage.height <= 0) return;
    const Rect area = Rect(left, top, coverage.width, coverage.height).Intersection(clipRect);
    if (area.width <= 0 || area.height <= 0) return;
    const uint32_t rgb = color.ToPacked() & 0xFFFFFF;
    std::vector<uint32_t> pixels(static_cast<size_t>(area.width) * static_cast<size_t>(area.height));
    for (int32_t y = 0; y < area.height; ++y)
        for (int32_t x = 0; x < area.width; ++x)
            pixels[static_cast<size_t>(y) * static_cast<size_t>(area.width) + static_cast<size_t>(x)] =
                uint32_t(coverage.At(area.x - left + x, area.y - top + y)) << 24 | rgb;
    MemoryImage text(target.GetContext());
    text.SetPixels(pixels.data(), area.width, area.height, true);
    BlitImage(target, &text, area.x, area.y, text.GetBounds(), Color::White, DRAWMODE_NORMAL);
}

} // namespace Zorbel
