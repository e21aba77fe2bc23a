#include "framework/graphics/DDImage.h"

#include "framework/graphics/AreaResampler.h"
#include "framework/graphics/CoverageBlit.h"
#include "framework/graphics/D3DInterface.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/PixelBlend.h"
#include "framework/platform/ResultCode.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstring>
#include <vector>

namespace Zorbel {

using namespace PixelBlend;

namespace {

NativeDisplay LayoutOf(const PixelFormat& format) {
    return NativeDisplay::FromMasks(format.bitsPerPixel, format.redMask, format.greenMask, format.blueMask);
}

PixelFormat FormatOf(const NativeDisplay& display) {
    return PixelFormat{display.bitDepth, display.redMask, display.greenMask, display.blueMask};
}

bool SameLayout(const PixelFormat& format, const NativeDisplay& display) {
    return format.bitsPerPixel == display.bitDepth && format.redMask == display.redMask &&
           format.greenMask == display.greenMask && format.blueMask == display.blueMask;
}

uint32_t ReadNative(const SurfaceLock& lock, int32_t x, int32_t y) {
    const uint8_t* p = lock.pixels + static_cast<size_t>(y) * static_cast<size_t>(lock.pitch);
    if (lock.format.bitsPerPixel == 16) {
        uint16_t v;
        std::memcpy(&v, p + static_cast<size_t>(x) * 2, 2);
        return v;
    }
    uint32_t v;
    std::memcpy(&v, p + static_cast<size_t>(x) * 4, 4);
    return v;
}

void WriteNative(const SurfaceLock& lock, int32_t x, int32_t y, uint32_t value) {
    uint8_t* p = lock.pixels + static_cast<size_t>(y) * static_cast<size_t>(lock.pitch);
    if (lock.format.bitsPerPixel == 16) {
        const auto v = static_cast<uint16_t>(value);
        std::memcpy(p + static_cast<size_t>(x) * 2, &v, 2);
    } else {
        std::memcpy(p + static_cast<size_t>(x) * 4, &value, 4);
    }
}

// The colour key of a picture whose transparent pixels would otherwise share their value with an
// opaque pixel: the smallest value no opaque pixel uses. None when every value is taken.
std::optional<uint32_t> UnusedValue(const uint32_t* bits, size_t n, const NativeDisplay& layout) {
    if (layout.bitDepth == 16) {
        // All 65,536 values fit one bit table.
        auto used = std::make_unique<std::bitset<65536>>();
        for (size_t i = 0; i < n; ++i)
            if (Alpha(bits[i]) > 0) used->set(SurfaceKernels::ToNative(layout, bits[i]) & 0xFFFF);
        for (uint32_t v = 0; v < 65536; ++v)
            if (!used->test(v)) return v;
        return std::nullopt;
    }
    std::vector<uint32_t> used;
    used.reserve(n);
    for (size_t i = 0; i < n; ++i)
        if (Alpha(bits[i]) > 0) used.push_back(SurfaceKernels::ToNative(layout, bits[i]));
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    uint32_t candidate = 0;
    for (uint32_t v : used) {
        if (v != candidate) break;
        ++candidate;
    }
    return candidate;
}

} // namespace

DDImage::DDImage(DDInterface& device) : MemoryImage(device.Images()), mDevice(&device) {
    mDevice->RegisterImage(this);
}

DDImage::~DDImage() {
    if (mSurface && mLockCount > 0) mSurface->Unlock();
    if (mDevice) mDevice->DeregisterImage(this);
}

void DDImage::DetachFromDevice() {
    if (mSurface && !mSurfaceBorrowed && !mBits && !mColorTable) GetPixels();
    ReleaseSurface();
    mSurfaceBorrowed = false;
    mDevice = nullptr;
}

// --- Surfaces ---

bool DDImage::IsDrawSurface() const {
    return mDevice != nullptr && mSurface != nullptr && mSurface == mDevice->DrawSurface();
}

void DDImage::ReleaseSurface() {
    if (mSurface && mLockCount > 0) mSurface->Unlock();
    mLockCount = 0;
    mSurface.reset();
}

void DDImage::AdoptSurface(std::shared_ptr<Surface> surface) {
    if (!surface) return;
    ReleaseSurface();
    mBits.reset();
    FreePalette();
    mSurface = std::move(surface);
    mSurfaceBorrowed = true;
    mWidth = mSurface->Width();
    mHeight = mSurface->Height();
    mNoLock = false;
}

bool DDImage::GenerateSurface() {
    if (mSurface) return true;
    if (mDevice == nullptr || mWidth <= 0 || mHeight <= 0) return false;
    RecomputeAlphaFlags();
    if (mHasAlpha) return false;
    const NativeDisplay& layout = *mDevice;
    if (layout.bitDepth != 16 && layout.bitDepth != 32) return false;
    // A palettised picture is expanded first.
    const uint32_t* bits = GetPixels();
    if (bits == nullptr) return false;

    std::shared_ptr<Surface> surface;
    const uint32_t memory = mVideoMemory ? SurfaceCaps::VideoMemory : SurfaceCaps::SystemMemory;
    SurfaceRequest request = SurfaceRequest::Offscreen(mWidth, mHeight, memory);
    request.format = FormatOf(layout);
    uint32_t made = mDevice->Driver()
                        ? mDevice->Driver()->CreateSurface(request, surface)
                        : Surface::Create(mWidth, mHeight, *request.format, request.caps, surface);
    if (made != ResultCode::Ok) return false;

    const size_t n = PixelCount();
    std::optional<uint32_t> key;
    if (mHasTrans) {
        const uint32_t* firstClear = std::find_if(bits, bits + n, [](uint32_t p) { return Alpha(p) < 255; });
        if (firstClear != bits + n) {
            key = SurfaceKernels::ToNative(layout, *firstClear);
            const bool shared = std::any_of(bits, bits + n, [&](uint32_t p) {
                return Alpha(p) == 255 && SurfaceKernels::ToNative(layout, p) == *key;
            });
            if (shared) key = UnusedValue(bits, n, layout);
            if (!key) return false;
        }
    }
    SurfaceLock lock;
    if (surface->Lock(lock) != ResultCode::Ok) return false;
    for (int32_t y = 0; y < mHeight; ++y) {
        const uint32_t* row = bits + static_cast<size_t>(y) * static_cast<size_t>(mWidth);
        for (int32_t x = 0; x < mWidth; ++x) {
            const uint32_t p = row[x];
            WriteNative(lock, x, y, key && Alpha(p) < 255 ? *key : SurfaceKernels::ToNative(layout, p));
        }
    }
    surface->Unlock();
    if (key) surface->SetColorKey(*key);
    mSurface = std::move(surface);
    mSurfaceBorrowed = false;
    mWantSurface = true;
    return true;
}

bool DDImage::GenerateSurfaceWithKey() {
    if (mDevice == nullptr) return false;
    std::lock_guard lock(mDevice->Lock());
    return GenerateSurface();
}

bool DDImage::AcquireSurfaceLock() {
    if (mDevice == nullptr) return false;
    std::lock_guard lock(mDevice->Lock());
    if (mDevice->Is3DEnabled() && IsDrawSurface()) return false;
    if (mNoLock) return false;
    if (mLockCount == 0) {
        if (!mSurface && !GenerateSurface()) return false;
        if (mSurface->Lock(mLockDesc) != ResultCode::Ok) return false;
    }
    ++mLockCount;
    return true;
}

bool DDImage::ReleaseSurfaceLock() {
    if (mDevice == nullptr) return false;
    std::lock_guard lock(mDevice->Lock());
    if (mDevice->Is3DEnabled() && IsDrawSurface()) return false;
    if (mLockCount == 0) return false;
    if (--mLockCount == 0 && mSurface) mSurface->Unlock();
    return true;
}

bool DDImage::BeginSurfaceDrawing(NativeTarget& target) {
    if (mDevice == nullptr) return false;
    // A surface made for another screen layout is rebuilt in the current one.
    if (mSurface && !mSurfaceBorrowed && !SameLayout(mSurface->Format(), *mDevice)) {
        if (!mBits && !mColorTable && GetPixels() == nullptr) return false;
        ReleaseSurface();
    }
    if (!AcquireSurfaceLock()) return false;
    if (!SameLayout(mLockDesc.format, *mDevice)) {
        ReleaseSurfaceLock();
        return false;
    }
    target.pixels = mLockDesc.pixels;
    target.pitch = mLockDesc.pitch;
    target.width = mLockDesc.width;
    target.height = mLockDesc.height;
    target.display = mDevice;
    for (int i = 0; i < 3; ++i)
        target.addTables[i] = mDevice->AddTable(i).data();
    return true;
}

void DDImage::DropMemoryCopies() {
    // The surface is the master copy now.
    mBits.reset();
    FreePalette();
    mNativeAlphaData.reset();
    mRLAlphaData.reset();
    mRLAdditiveData.reset();
    ++mBitsChangedCount;
}

void DDImage::EndSurfaceDrawing() {
    DropMemoryCopies();
    ReleaseSurfaceLock();
}

void DDImage::WriteBitsToSurface() {
    if (!mSurface || !mBits || !AcquireSurfaceLock()) return;
    const NativeDisplay layout = LayoutOf(mLockDesc.format);
    const int32_t width = std::min(mWidth, mLockDesc.width);
    const int32_t height = std::min(mHeight, mLockDesc.height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            WriteNative(mLockDesc, x, y,
                        SurfaceKernels::ToNative(layout, mBits[static_cast<size_t>(y) * mWidth + x]));
    ReleaseSurfaceLock();
    mBits.reset();
    mNativeAlphaData.reset();
    mRLAlphaData.reset();
    mRLAdditiveData.reset();
}

// While a frame is drawn the surface is locked for the whole frame; the text takes the surface for
// itself and hands the lock back afterwards.
void DDImage::DrawTextCoverage(const TextCoverage& coverage, int32_t left, int32_t top, const Rect& clipRect,
                               const Color& color) {
    // Into the hardware path's draw target the text goes as a picture, in order with the frame's other
    // drawing.
    if (mDevice != nullptr && mDevice->Is3DEnabled() && IsDrawSurface()) {
        mDevice->Hardware().DrawTextCoverage(*this, coverage, left, top, clipRect, color);
        return;
    }
    if (!mSurface && AcquireSurfaceLock()) ReleaseSurfaceLock();
    std::shared_ptr<Surface> surface = mSurface;
    if (!surface) return;

    const bool wasLocked = surface->IsLocked();
    if (wasLocked) surface->Unlock();
    SurfaceLock lock;
    bool drawn = surface->Lock(lock) == ResultCode::Ok;
    if (drawn) {
        CoverageBlit::ToSurface(lock, coverage, left, top, clipRect, color);
        surface->Unlock();
    }
    if (wasLocked) {
        SurfaceLock relock;
        (void)surface->Lock(relock);
    }
    if (!drawn || mBits == nullptr) return;
    // The picture also keeps its pixels in memory, and whichever copy it trusts next must show the
    // text: the memory copy gets it too before the picture hears of the change. A picture whose
    // surface is its only copy is not told, since that would make it drop the surface.
    CoverageBlit::ToPixels(GetPixels(), mWidth, mHeight, coverage, left, top, clipRect, color);
    NotifyPixelsChanged();
}

uint32_t* DDImage::GetPixels() {
    if (mBits || !mSurface) return MemoryImage::GetPixels();
    if (mNoLock || !AcquireSurfaceLock()) return nullptr;
    const NativeDisplay layout = LayoutOf(mLockDesc.format);
    const std::optional<uint32_t> key = mSurface->ColorKey();
    const uint32_t colourBits = mLockDesc.format.ColorMask();
    uint32_t* bits = AllocateBits();
    const int32_t width = std::min(mWidth, mLockDesc.width);
    const int32_t height = std::min(mHeight, mLockDesc.height);
    for (int32_t y = 0; y < height; ++y) {
        uint32_t* row = bits + static_cast<size_t>(y) * mWidth;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = ReadNative(mLockDesc, x, y);
            // Keyed pixels were transparent and come back so.
            row[x] =
                key && (v & colourBits) == (*key & colourBits) ? 0 : SurfaceKernels::FromNative(layout, v);
        }
    }
    ReleaseSurfaceLock();
    return bits;
}

// --- Memory management ---

void DDImage::NotifyPixelsChanged() {
    MemoryImage::NotifyPixelsChanged();
    if (!mSurface) return;
    if (mSurfaceBorrowed)
        WriteBitsToSurface();
    else
        ReleaseSurface(); // the pixels in memory are the master copy again
}

void DDImage::RecomputeAlphaFlags() {
    if (mSurface) return;
    MemoryImage::RecomputeAlphaFlags();
}

void DDImage::SetSize(int32_t width, int32_t height) {
    const bool hasTrans = mHasTrans, hasAlpha = mHasAlpha;
    MemoryImage::SetSize(width, height);
    mHasTrans = hasTrans;
    mHasAlpha = hasAlpha;
}

bool DDImage::ConvertToPalette() {
    if (!MemoryImage::ConvertToPalette()) return false;
    if (!mSurfaceBorrowed) ReleaseSurface();
    return true;
}

bool DDImage::DropPixels() {
    if (mSurfaceBorrowed) return false;
    mPurgeBits = true;
    RecomputeAlphaFlags();
    if (mDevice && mDevice->Is3DEnabled()) {
        if (mSurface) {
            GetPixels();
            ReleaseSurface();
        }
        return MemoryImage::DropPixels();
    }
    if (mWantSurface && GenerateSurface()) {
        const bool had = mBits || mColorIndices;
        mBits.reset();
        FreePalette();
        return had;
    }
    return MemoryImage::DropPixels();
}

void DDImage::FreeAllCaches() {
    if (mSurfaceBorrowed) return;
    if (mSurface) {
        GetPixels();
        ReleaseSurface();
    }
    MemoryImage::FreeAllCaches();
}

void DDImage::FreeNativeCaches() {
    if (mSurfaceBorrowed) return;
    // A surface is in the screen's layout, which may be about to change.
    if (mSurface) {
        GetPixels();
        ReleaseSurface();
    }
    MemoryImage::FreeNativeCaches();
}

bool DDImage::RestoreAfterReset() {
    if (mSurfaceBorrowed) return false;
    bool restored = false;
    if (mWantPal) restored = ConvertToPalette();
    if (mPurgeBits) return DropPixels() || restored;
    if (mWantSurface && !mSurface) restored = GenerateSurface() || restored;
    return restored;
}

// --- Routing ---

DDImage::Route DDImage::RouteFor(bool cursorAreasStayNative) {
    if (mDevice == nullptr) return Route::Memory;
    const bool threeD = mDevice->Is3DEnabled();
    if (threeD && IsDrawSurface()) return Route::Hardware;
    RecomputeAlphaFlags();
    if (mHasAlpha || mHasTrans) return Route::Memory;
    if (threeD && !(cursorAreasStayNative && mDevice->IsCursorAreaImage(this))) return Route::Memory;
    return Route::Surface;
}

bool DDImage::SurfaceToSurfaceBlit(MemoryImage* source, const PixelRect& dest, const PixelRect& from) {
    auto* src = dynamic_cast<DDImage*>(source);
    if (src == nullptr || src == this || !src->mSurface || src->mLockCount > 0 || mDevice == nullptr)
        return false;
    src->RecomputeAlphaFlags();
    if (src->mHasAlpha) return false;
    if (!mSurface && !GenerateSurface()) return false;
    if (!(src->mSurface->Format() == mSurface->Format())) {
        // A source made for an earlier screen layout is rebuilt in this one.
        if (src->mSurfaceBorrowed || !SameLayout(mSurface->Format(), *mDevice)) return false;
        if (!src->mBits && !src->mColorTable && src->GetPixels() == nullptr) return false;
        src->ReleaseSurface();
        if (!src->GenerateSurface()) return false;
    }
    // Blits need both surfaces unlocked.
    const bool relock = mLockCount > 0;
    if (relock) mSurface->Unlock();
    const uint32_t flags = BltFlags::Wait | (src->mHasTrans ? BltFlags::KeySource : 0);
    const uint32_t result = mSurface->Blt(&dest, src->mSurface.get(), &from, flags);
    if (relock && mSurface->Lock(mLockDesc) != ResultCode::Ok) mLockCount = 0;
    return result == ResultCode::Ok;
}

// --- Surface drawing ---

void DDImage::SurfaceFillRect(const Rect& rect, const Color& color) {
    NativeTarget target;
    if (!BeginSurfaceDrawing(target)) return;
    SurfaceKernels::FillRect(target, rect, color);
    EndSurfaceDrawing();
}

void DDImage::SurfaceAdditiveFillRect(const Rect& rect, const Color& color) {
    NativeTarget target;
    if (!BeginSurfaceDrawing(target)) return;
    SurfaceKernels::AdditiveFillRect(target, rect, color);
    EndSurfaceDrawing();
}

void DDImage::SurfaceBlit(MemoryImage* source, int32_t x, int32_t y, const Rect& srcRect,
                          const Color& color) {
    NativeTarget target;
    if (source == nullptr || !BeginSurfaceDrawing(target)) return;
    SurfaceKernels::Blit(target, x, y, *source, srcRect, color, DRAWMODE_NORMAL, false);
    EndSurfaceDrawing();
}

void DDImage::SurfaceAdditiveBlit(MemoryImage* source, int32_t x, int32_t y, const Rect& srcRect,
                                  const Color& color) {
    NativeTarget target;
    if (source == nullptr || !BeginSurfaceDrawing(target)) return;
    SurfaceKernels::Blit(target, x, y, *source, srcRect, color, DRAWMODE_ADDITIVE, false);
    EndSurfaceDrawing();
}

void DDImage::SurfaceLine(double x1, double y1, double x2, double y2, const Color& color) {
    NativeTarget target;
    if (!BeginSurfaceDrawing(target)) return;
    SurfaceKernels::Line(target, x1, y1, x2, y2, color, DRAWMODE_NORMAL);
    EndSurfaceDrawing();
}

void DDImage::SurfaceAdditiveLine(double x1, double y1, double x2, double y2, const Color& color) {
    NativeTarget target;
    if (!BeginSurfaceDrawing(target)) return;
    SurfaceKernels::Line(target, x1, y1, x2, y2, color, DRAWMODE_ADDITIVE);
    EndSurfaceDrawing();
}

void DDImage::SurfaceBlitMirror(MemoryImage* source, int32_t x, int32_t y, const Rect& srcRect,
                                const Color& color) {
    NativeTarget target;
    if (source == nullptr || !BeginSurfaceDrawing(target)) return;
    SurfaceKernels::Blit(target, x, y, *source, srcRect, color, DRAWMODE_NORMAL, true);
    EndSurfaceDrawing();
}

void DDImage::SurfaceAdditiveBlitMirror(MemoryImage* source, int32_t x, int32_t y, const Rect& srcRect,
                                        const Color& color) {
    NativeTarget target;
    if (source == nullptr || !BeginSurfaceDrawing(target)) return;
    SurfaceKernels::Blit(target, x, y, *source, srcRect, color, DRAWMODE_ADDITIVE, true);
    EndSurfaceDrawing();
}

// --- Drawing ---

bool DDImage::FillPolygon(const Point* points, int32_t count, const Rect& clipRect, const Color& color,
                          DrawMode drawMode, int32_t offsetX, int32_t offsetY) {
    if (RouteFor() == Route::Hardware)
        return mDevice->Hardware().FillPolygon(*this, points, count, clipRect, color, drawMode, offsetX,
                                               offsetY);
    return MemoryImage::FillPolygon(points, count, clipRect, color, drawMode, offsetX, offsetY);
}

void DDImage::FillArea(const Rect& rect, const Color& color, DrawMode drawMode) {
    if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE) return;
    switch (RouteFor()) {
        case Route::Hardware:
            mDevice->Hardware().FillArea(*this, rect, color, drawMode);
            return;
        case Route::Memory:
            MemoryImage::FillArea(rect, color, drawMode);
            return;
        case Route::Surface:
            if (drawMode == DRAWMODE_ADDITIVE)
                SurfaceAdditiveFillRect(rect, color);
            else
                SurfaceFillRect(rect, color);
            return;
    }
}

void DDImage::DrawSegment(double x1, double y1, double x2, double y2, const Color& color, DrawMode drawMode) {
    if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE) return;
    switch (RouteFor()) {
        case Route::Hardware:
            mDevice->Hardware().DrawSegment(*this, x1, y1, x2, y2, color, drawMode);
            return;
        case Route::Memory:
            MemoryImage::DrawSegment(x1, y1, x2, y2, color, drawMode);
            return;
        case Route::Surface:
            if (drawMode == DRAWMODE_ADDITIVE)
                SurfaceAdditiveLine(x1, y1, x2, y2, color);
            else
                SurfaceLine(x1, y1, x2, y2, color);
            return;
    }
}

void DDImage::BlitImage(Image* source, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                        DrawMode drawMode) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (src == nullptr || (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE)) return;
    const Route route = RouteFor(true);
    if (route == Route::Memory) {
        MemoryImage::BlitImage(source, x, y, srcRect, color, drawMode);
        return;
    }
    // The hardware path's draw target lives on the GPU, which takes back what the draw surface holds at
    // every presentation; so even a plain blit of an opaque surface picture goes through the GPU.
    if (route == Route::Hardware) {
        mDevice->Hardware().BlitImage(*this, source, x, y, srcRect, color, drawMode);
        return;
    }
    if (drawMode == DRAWMODE_ADDITIVE)
        SurfaceAdditiveBlit(src, x, y, srcRect, color);
    else
        SurfaceBlit(src, x, y, srcRect, color);
}

void DDImage::BlitImageFlipped(Image* source, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                               DrawMode drawMode) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (src == nullptr || (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE)) return;
    switch (RouteFor()) {
        case Route::Hardware:
            mDevice->Hardware().BlitImageMirrored(*this, source, x, y, srcRect, color, drawMode);
            return;
        case Route::Memory:
            MemoryImage::BlitImageFlipped(source, x, y, srcRect, color, drawMode);
            return;
        case Route::Surface:
            if (drawMode == DRAWMODE_ADDITIVE)
                SurfaceAdditiveBlitMirror(src, x, y, srcRect, color);
            else
                SurfaceBlitMirror(src, x, y, srcRect, color);
            return;
    }
}

void DDImage::BlitImageScaled(Image* source, const FRect& destRect, const FRect& srcRect,
                              const BlitState& state, bool fastStretch) {
    BlitScaled(source, destRect, srcRect, state, fastStretch, false);
}

void DDImage::BlitImageScaledFlipped(Image* source, const FRect& destRect, const FRect& srcRect,
                                     const BlitState& state, bool fastStretch) {
    BlitScaled(source, destRect, srcRect, state, fastStretch, true);
}

void DDImage::BlitScaled(Image* source, const FRect& destRect, const FRect& srcRect, const BlitState& state,
                         bool fastStretch, bool mirror) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (src == nullptr || (state.mode != DRAWMODE_NORMAL && state.mode != DRAWMODE_ADDITIVE)) return;
    const Route route = RouteFor();
    if (route == Route::Hardware) {
        mDevice->Hardware().BlitImageScaled(*this, source, destRect, srcRect, state, mirror);
        return;
    }
    if (route == Route::Memory) {
        // Only surface pictures draw mirrored.
        if (!mirror) MemoryImage::BlitImageScaled(source, destRect, srcRect, state, fastStretch);
        return;
    }
    // Clipping as the software renderer does it.
    const std::optional<ScaledClip> cut = ClipScaled(destRect, srcRect, state.clip);
    if (!cut || src->PixelCount() == 0) return;
    const Rect& dest = cut->dest;
    const double sourceX = cut->source.x, sourceY = cut->source.y;
    const double sourceW = cut->source.width, sourceH = cut->source.height;

    if (fastStretch) {
        // An opaque or colour-keyed surface picture is stretched by the surface itself.
        if (!mirror && state.mode == DRAWMODE_NORMAL && state.color == Color::White && mSurface) {
            const int32_t left =
                std::clamp(static_cast<int32_t>(std::floor(sourceX)), 0, src->GetWidth() - 1);
            const int32_t top =
                std::clamp(static_cast<int32_t>(std::floor(sourceY)), 0, src->GetHeight() - 1);
            const int32_t right =
                std::clamp(static_cast<int32_t>(std::ceil(sourceX + sourceW)), left + 1, src->GetWidth());
            const int32_t bottom =
                std::clamp(static_cast<int32_t>(std::ceil(sourceY + sourceH)), top + 1, src->GetHeight());
            const PixelRect to{dest.x, dest.y, dest.width, dest.height};
            const PixelRect from{left, top, right - left, bottom - top};
            if (SurfaceToSurfaceBlit(src, to, from)) {
                DropMemoryCopies();
                return;
            }
        }
        NativeTarget target;
        if (!BeginSurfaceDrawing(target)) return;
        const Rect bounds(
            static_cast<int32_t>(std::floor(srcRect.x)), static_cast<int32_t>(std::floor(srcRect.y)),
            static_cast<int32_t>(std::ceil(srcRect.x + srcRect.width) - std::floor(srcRect.x)),
            static_cast<int32_t>(std::ceil(srcRect.y + srcRect.height) - std::floor(srcRect.y)));
        SurfaceKernels::BlitScaledNearest(target, dest, *src, sourceX, sourceY, cut->scaleX, cut->scaleY,
                                          bounds, state.color, state.mode, mirror);
        EndSurfaceDrawing();
        return;
    }

    // Area-weighted: resampled into a picture of the destination's size, which is then blitted, so
    // that the colour and the draw mode apply.
    const auto left = static_cast<int32_t>(std::max(std::floor(sourceX), 0.0));
    const auto top = static_cast<int32_t>(std::max(std::floor(sourceY), 0.0));
    const auto right = static_cast<int32_t>(std::min(std::ceil(sourceX + sourceW), double(src->GetWidth())));
    const auto bottom =
        static_cast<int32_t>(std::min(std::ceil(sourceY + sourceH), double(src->GetHeight())));
    if (right <= left || bottom <= top) return;
    const uint32_t* bits = src->Bits();
    const uint32_t* table = src->ColorTable();
    const uint8_t* indices = src->ColorIndices();
    if (bits == nullptr && (table == nullptr || indices == nullptr)) {
        bits = src->GetPixels();
        if (bits == nullptr) return;
    }
    std::vector<uint32_t> scratch(static_cast<size_t>(right - left));
    const AreaResampler resampler(right - left, bottom - top, dest.width, dest.height);
    const std::vector<uint32_t> resampled = resampler.Resample([&](int32_t y) -> const uint32_t* {
        const size_t start = static_cast<size_t>(top + y) * static_cast<size_t>(src->GetWidth()) + left;
        if (bits) return bits + start;
        for (size_t i = 0; i < scratch.size(); ++i)
            scratch[i] = table[indices[start + i]];
        return scratch.data();
    });
    MemoryImage scaled(GetContext());
    scaled.SetPixels(resampled.data(), dest.width, dest.height, true);
    if (mirror)
        BlitImageFlipped(&scaled, dest.x, dest.y, scaled.GetBounds(), state.color, state.mode);
    else
        BlitImage(&scaled, dest.x, dest.y, scaled.GetBounds(), state.color, state.mode);
}

// The operations without a native kernel draw into the pixels in memory; a borrowed surface takes
// them back afterwards, any other surface is dropped in favour of the memory copy.

void DDImage::BlitImageAtFraction(Image* source, float x, float y, const FRect& srcRect,
                                  const BlitState& state) {
    BlitImageTurned(source, x, y, srcRect, state, 0.0, 0.0f, 0.0f);
}

void DDImage::BlitImageTurned(Image* source, float x, float y, const FRect& srcRect, const BlitState& state,
                              double angle, float centreX, float centreY) {
    if (RouteFor() == Route::Hardware) {
        mDevice->Hardware().BlitImageTurned(*this, source, x, y, srcRect, state, angle, centreX, centreY);
        return;
    }
    MemoryImage::BlitImageTurned(source, x, y, srcRect, state, angle, centreX, centreY);
}

void DDImage::BlitImageTransformed(Image* source, float x, float y, const Matrix3& matrix,
                                   const BlitState& state, const Rect& srcRect, bool filtered) {
    if (RouteFor() == Route::Hardware) {
        mDevice->Hardware().BlitImageTransformed(*this, source, x, y, matrix, state, srcRect, filtered);
        return;
    }
    MemoryImage::BlitImageTransformed(source, x, y, matrix, state, srcRect, filtered);
}

void DDImage::BlitTexturedTriangles(Image* texture, const TexturedTriangle* triangles, int32_t count,
                                    const BlitState& state, float offsetX, float offsetY, bool filtered) {
    if (RouteFor() == Route::Hardware) {
        mDevice->Hardware().BlitTexturedTriangles(*this, texture, triangles, count, state, offsetX, offsetY,
                                                  filtered);
        return;
    }
    MemoryImage::BlitTexturedTriangles(texture, triangles, count, state, offsetX, offsetY, filtered);
}

} // namespace Zorbel
