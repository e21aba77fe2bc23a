#include "framework/platform/display/Surface.h"

#include "framework/platform/ResultCode.h"

#include <cstring>
#include <limits>
#include <new>
#include <type_traits>

namespace Zorbel {

namespace {

// Rows start on 16-byte boundaries, like most display memory; code that ignores the pitch fails visibly.
constexpr int kRowAlignment = 16;
constexpr int kMaxSide = 16384;

template <int Bpp>
uint32_t ReadPixel(const uint8_t* p) {
    if constexpr (Bpp == 2) {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    } else if constexpr (Bpp == 3) {
        return p[0] | (p[1] << 8) | (p[2] << 16);
    } else {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
}

template <int Bpp>
void WritePixel(uint8_t* p, uint32_t value) {
    if constexpr (Bpp == 2) {
        auto v = static_cast<uint16_t>(value);
        std::memcpy(p, &v, 2);
    } else if constexpr (Bpp == 3) {
        p[0] = static_cast<uint8_t>(value);
        p[1] = static_cast<uint8_t>(value >> 8);
        p[2] = static_cast<uint8_t>(value >> 16);
    } else {
        std::memcpy(p, &value, 4);
    }
}

// How a blit walks its pixels: the destination area to write, and the full rectangles that define the
// mapping from destination to source (the destination may have been clipped).
struct BltPlan {
    PixelRect dest;
    PixelRect fullDest;
    PixelRect fullSource;
    bool keyed = false;
    uint32_t key = 0;
    uint32_t colorMask = 0;
};

// Nearest sample at pixel centres: destination pixel i of n maps to source pixel (2i + 1) * m / (2n).
inline int32_t SourceIndex(int64_t i, int64_t sourceLength, int64_t destLength) {
    return static_cast<int32_t>(((2 * i + 1) * sourceLength) / (2 * destLength));
}

// A keyed row without stretching, written so that the compiler can vectorise it: every pixel is
// stored, keyed ones with the destination's own value.
template <typename P>
void KeyedRow(uint8_t* out, const uint8_t* in, int32_t n, uint32_t key, uint32_t mask) {
    // Rows start 16-byte aligned and pixels are naturally aligned within them.
    auto* d = reinterpret_cast<P*>(out);
    const auto* s = reinterpret_cast<const P*>(in);
    const P k = static_cast<P>(key), m = static_cast<P>(mask);
    for (int32_t i = 0; i < n; ++i) {
        const P pixel = s[i];
        d[i] = (pixel & m) == k ? d[i] : pixel;
    }
}

template <int Bpp, bool Keyed>
void BltRows(Surface& dest, const Surface& source, const BltPlan& plan) {
    const PixelRect& d = plan.dest;
    const bool stretched =
        plan.fullDest.width != plan.fullSource.width || plan.fullDest.height != plan.fullSource.height;
    std::vector<int32_t> columns;
    if (stretched) {
        columns.resize(static_cast<size_t>(d.width));
        for (int32_t i = 0; i < d.width; ++i) {
            columns[static_cast<size_t>(i)] =
                plan.fullSource.x +
                SourceIndex(d.x - plan.fullDest.x + i, plan.fullSource.width, plan.fullDest.width);
        }
    }
    for (int32_t row = 0; row < d.height; ++row) {
        int32_t destY = d.y + row;
        int32_t sourceY = plan.fullSource.y +
                          SourceIndex(destY - plan.fullDest.y, plan.fullSource.height, plan.fullDest.height);
        const uint8_t* in = source.Row(sourceY);
        uint8_t* out = dest.Row(destY) + static_cast<size_t>(d.x) * Bpp;
        int32_t firstColumn = plan.fullSource.x + (d.x - plan.fullDest.x);
        if (!stretched && !Keyed) {
            std::memmove(out, in + static_cast<size_t>(firstColumn) * Bpp,
                         static_cast<size_t>(d.width) * Bpp);
            continue;
        }
        for (int32_t i = 0; i < d.width; ++i) {
            int32_t sourceX = stretched ? columns[static_cast<size_t>(i)] : firstColumn + i;
            uint32_t pixel = ReadPixel<Bpp>(in + static_cast<size_t>(sourceX) * Bpp);
            if constexpr (Keyed) {
                if ((pixel & plan.colorMask) == plan.key) continue;
            }
            WritePixel<Bpp>(out + static_cast<size_t>(i) * Bpp, pixel);
        }
    }
}

template <int Bpp>
void BltFormat(Surface& dest, const Surface& source, const BltPlan& plan) {
    if (plan.keyed) {
        BltRows<Bpp, true>(dest, source, plan);
    } else {
        BltRows<Bpp, false>(dest, source, plan);
    }
}

template <int Bpp>
void FillRows(Surface& surface, const PixelRect& area, uint32_t value) {
    for (int32_t y = area.y; y < area.Bottom(); ++y) {
        uint8_t* out = surface.Row(y) + static_cast<size_t>(area.x) * Bpp;
        for (int32_t i = 0; i < area.width; ++i)
            WritePixel<Bpp>(out + static_cast<size_t>(i) * Bpp, value);
    }
}

bool SameLayout(const PixelFormat& a, const PixelFormat& b) {
    return a.bitsPerPixel == b.bitsPerPixel && a.ColorMask() == b.ColorMask();
}

} // namespace

uint32_t Surface::Create(int width, int height, const PixelFormat& format, uint32_t caps,
                         std::shared_ptr<Surface>& out) {
    out.reset();
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return ResultCode::InvalidParams;
    if (!format.IsValid()) return ResultCode::InvalidPixelFormat;
    try {
        out = std::shared_ptr<Surface>(new Surface(width, height, format, caps));
    } catch (const std::bad_alloc&) {
        return ResultCode::OutOfMemory;
    }
    return ResultCode::Ok;
}

Surface::Surface(int width, int height, const PixelFormat& format, uint32_t caps)
    : mWidth(width), mHeight(height),
      mPitch((width * format.BytesPerPixel() + kRowAlignment - 1) / kRowAlignment * kRowAlignment),
      mFormat(format), mCaps(caps), mPixels(static_cast<size_t>(mPitch) * static_cast<size_t>(height), 0) {}

Surface::~Surface() = default;

uint32_t Surface::CheckUsable() const {
    if (mLost) return ResultCode::SurfaceLost;
    if (mLocked) return ResultCode::SurfaceBusy;
    return ResultCode::Ok;
}

uint32_t Surface::Lock(SurfaceLock& out) {
    if (uint32_t result = CheckUsable()) return result;
    mLocked = true;
    out.pixels = mPixels.data();
    out.pitch = mPitch;
    out.width = mWidth;
    out.height = mHeight;
    out.format = mFormat;
    return ResultCode::Ok;
}

uint32_t Surface::Unlock() {
    if (!mLocked) return ResultCode::NotLocked;
    mLocked = false;
    // Whatever was written while locked may be on screen now.
    Presented(Bounds());
    return ResultCode::Ok;
}

bool Surface::ClipToSurface(PixelRect& rect) const {
    rect = rect.Intersection(Bounds());
    return !rect.IsEmpty();
}

uint32_t Surface::Blt(const PixelRect* destRect, Surface* source, const PixelRect* srcRect, uint32_t flags) {
    if (source == nullptr) return ResultCode::InvalidParams;
    if (uint32_t result = CheckUsable()) return result;
    if (uint32_t result = source->CheckUsable()) return result;
    if (!SameLayout(mFormat, source->mFormat)) return ResultCode::InvalidPixelFormat;

    BltPlan plan;
    plan.fullSource = srcRect ? *srcRect : source->Bounds();
    plan.fullDest = destRect ? *destRect : Bounds();
    if (plan.fullSource.IsEmpty() || plan.fullDest.IsEmpty() || !source->Bounds().Contains(plan.fullSource))
        return ResultCode::InvalidRect;
    plan.dest = plan.fullDest;
    if (!Bounds().Contains(plan.dest)) {
        if (!mClipper) return ResultCode::InvalidRect;
        if (!ClipToSurface(plan.dest)) return ResultCode::Ok;
    }
    if ((flags & BltFlags::KeySource) && source->mColorKey) {
        plan.keyed = true;
        plan.colorMask = mFormat.ColorMask();
        plan.key = *source->mColorKey & plan.colorMask;
    }

    // A blit within one surface reads from a copy when the areas could overlap in a way that a row-wise
    // memmove does not handle (stretching, keying, or a downward move).
    std::shared_ptr<Surface> copy;
    Surface* from = source;
    bool stretched =
        plan.fullDest.width != plan.fullSource.width || plan.fullDest.height != plan.fullSource.height;
    if (source == this && (stretched || plan.keyed || plan.dest.y > plan.fullSource.y)) {
        copy = std::shared_ptr<Surface>(new Surface(mWidth, mHeight, mFormat, mCaps));
        copy->mPixels = mPixels;
        from = copy.get();
    }
    switch (mFormat.BytesPerPixel()) {
        case 2:
            BltFormat<2>(*this, *from, plan);
            break;
        case 3:
            BltFormat<3>(*this, *from, plan);
            break;
        default:
            BltFormat<4>(*this, *from, plan);
            break;
    }
    Presented(plan.dest);
    return ResultCode::Ok;
}

uint32_t Surface::ColorFill(const PixelRect* destRect, uint32_t value) {
    if (uint32_t result = CheckUsable()) return result;
    PixelRect area = destRect ? *destRect : Bounds();
    if (area.IsEmpty()) return ResultCode::InvalidRect;
    if (!Bounds().Contains(area)) {
        if (!mClipper) return ResultCode::InvalidRect;
        if (!ClipToSurface(area)) return ResultCode::Ok;
    }
    switch (mFormat.BytesPerPixel()) {
        case 2:
            FillRows<2>(*this, area, value);
            break;
        case 3:
            FillRows<3>(*this, area, value);
            break;
        default:
            FillRows<4>(*this, area, value);
            break;
    }
    Presented(area);
    return ResultCode::Ok;
}

uint32_t Surface::SetColorKey(std::optional<uint32_t> key) {
    if (mLost) return ResultCode::SurfaceLost;
    mColorKey = key;
    return ResultCode::Ok;
}

uint32_t Surface::SetClipper(std::shared_ptr<Clipper> clipper) {
    if (mLost) return ResultCode::SurfaceLost;
    mClipper = std::move(clipper);
    return ResultCode::Ok;
}

uint32_t Surface::GetAttachedSurface(std::shared_ptr<Surface>& out) const {
    out = mBackBuffer;
    if (mLost) return ResultCode::SurfaceLost;
    return mBackBuffer ? ResultCode::Ok : ResultCode::NotFound;
}

void Surface::AttachBackBuffer(std::shared_ptr<Surface> backBuffer) {
    mBackBuffer = std::move(backBuffer);
}

uint32_t Surface::Flip() {
    if (!(mCaps & SurfaceCaps::Flip) || !mBackBuffer) return ResultCode::NotFlippable;
    if (uint32_t result = CheckUsable()) return result;
    if (uint32_t result = mBackBuffer->CheckUsable()) return result;
    mPixels.swap(mBackBuffer->mPixels);
    Presented(Bounds());
    return ResultCode::Ok;
}

uint32_t Surface::PixelAt(int x, int y) const {
    const uint8_t* p = Row(y) + static_cast<size_t>(x) * static_cast<size_t>(mFormat.BytesPerPixel());
    switch (mFormat.BytesPerPixel()) {
        case 2:
            return ReadPixel<2>(p);
        case 3:
            return ReadPixel<3>(p);
        default:
            return ReadPixel<4>(p);
    }
}

void Surface::SetPixelAt(int x, int y, uint32_t value) {
    uint8_t* p = Row(y) + static_cast<size_t>(x) * static_cast<size_t>(mFormat.BytesPerPixel());
    switch (mFormat.BytesPerPixel()) {
        case 2:
            WritePixel<2>(p, value);
            break;
        case 3:
            WritePixel<3>(p, value);
            break;
        default:
            WritePixel<4>(p, value);
            break;
    }
}

void Surface::Presented(const PixelRect& area) {
    if (mPresenter && (mCaps & SurfaceCaps::Primary)) mPresenter->Present(*this, area);
}

} // namespace Zorbel
