#include "framework/graphics/MemoryImage.h"

#include "framework/graphics/AreaResampler.h"
#include "framework/graphics/HardwarePath.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/LineWalk.h"
#include "framework/graphics/PixelKernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace Zorbel {

using namespace PixelBlend;

namespace {

constexpr Color OpaqueWhite = Color::White;

int32_t Clamp255(int32_t v) {
    return std::clamp(v, 0, 255);
}

// Channels outside 0 ... 255 would spill into their neighbours in the packed arithmetic.
Color Clamped(const Color& c) {
    return Color(Clamp255(c.red), Clamp255(c.green), Clamp255(c.blue), Clamp255(c.alpha));
}

template <typename T>
std::unique_ptr<T[]> CopyArray(const std::unique_ptr<T[]>& from, size_t n) {
    if (!from) return nullptr;
    auto copy = std::make_unique_for_overwrite<T[]>(n);
    std::memcpy(copy.get(), from.get(), n * sizeof(T));
    return copy;
}

// One channel premultiplied by (alpha + 1) / 256 and reduced to the display's width and position.
uint32_t NativeChannel(uint32_t c, uint32_t alpha, int32_t bits, int32_t shift, uint32_t mask) {
    const uint32_t premultiplied = (c * (alpha + 1)) >> 8;
    const int32_t drop = std::clamp(8 - bits, 0, 8);
    return ((premultiplied >> drop) << std::clamp(shift, 0, 31)) & mask;
}

uint32_t ToNative(uint32_t p, const NativeDisplay& d) {
    const uint32_t a = Alpha(p);
    return (a << 24) | NativeChannel(Red(p), a, d.redBits, d.redShift, d.redMask) |
           NativeChannel(Green(p), a, d.greenBits, d.greenShift, d.greenMask) |
           NativeChannel(Blue(p), a, d.blueBits, d.blueShift, d.blueMask);
}

// The inverse of NativeChannel, up to the precision the premultiplication kept.
uint32_t FromNative(uint64_t v, uint64_t alpha, uint64_t mask, int32_t bits, int32_t shift) {
    const uint64_t unpremultiplied = mask & ((mask & v) * 256 / (alpha + 1));
    return static_cast<uint32_t>(((unpremultiplied * 256) >> std::clamp(bits + shift, 0, 63)) & 0xFF);
}

// Classes of the run encoding: a run of n equal classes is written n, n-1, ..., 1, each cut to 255.
template <typename ClassOf>
void EncodeRuns(uint8_t* out, int32_t width, int32_t height, ClassOf classOf) {
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = out + static_cast<size_t>(y) * width;
        const size_t base = static_cast<size_t>(y) * width;
        uint32_t following = 0;
        int previousClass = -1;
        for (int32_t x = width - 1; x >= 0; --x) {
            const int cls = classOf(base + x);
            following = cls == previousClass ? following + 1 : 1;
            previousClass = cls;
            row[x] = static_cast<uint8_t>(std::min<uint32_t>(following, 255));
        }
    }
}

int AlphaClass(uint32_t alpha) {
    return alpha == 0 ? 0 : alpha == 255 ? 1 : 2;
}

// Room for one source row expanded through a colour table; rows as narrow as a glyph stay on the
// stack, so drawing text allocates nothing.
class RowScratch {
public:
    explicit RowScratch(int32_t width) {
        if (width > kOnStack) mHeap.resize(static_cast<size_t>(width));
    }
    uint32_t* data() { return mHeap.empty() ? mStack : mHeap.data(); }

private:
    static constexpr int32_t kOnStack = 256;
    uint32_t mStack[kOnStack];
    std::vector<uint32_t> mHeap;
};

// Calls visit(i, n, alpha of pixel i) for each stretch of pixels of one alpha class in a row of w
// source pixels with their alpha runs. A run that does not end in 1 was cut at 255 pixels and goes
// on in the next one, so the stretch is found from the run bytes alone.
template <typename Visit>
void ForEachAlphaRun(const uint32_t* s, const uint8_t* run, int32_t w, Visit visit) {
    for (int32_t i = 0; i < w;) {
        int32_t n = 0;
        do
            n += std::clamp<int32_t>(run[i + n], 1, w - i - n);
        while (i + n < w && run[i + n - 1] != 1);
        visit(i, n, PixelBlend::Alpha(s[i]));
        i += n;
    }
}

} // namespace

// --- Construction -------------------------------------------------------------------------------

MemoryImage::MemoryImage(ImageContext& context) : mContext(&context) {
    mContext->Register(this);
}

MemoryImage::MemoryImage(const MemoryImage& other)
    : Image(other), mBitsChangedCount(other.mBitsChangedCount), mTextureFlags(other.mTextureFlags),
      mHasTrans(other.mHasTrans), mHasAlpha(other.mHasAlpha), mIsVolatile(other.mIsVolatile),
      mPurgeBits(other.mPurgeBits), mWantPal(other.mWantPal), mBitsChanged(other.mBitsChanged),
      mContext(other.mContext) {
    // A source without pixels or palette builds its pixels for the copy and frees them again, so
    // it ends as it was; the object is only borrowed for that moment.
    auto& source = const_cast<MemoryImage&>(other);
    const bool buildInSource = !source.mBits && !source.mColorTable;
    if (buildInSource) source.GetPixels();

    const size_t n = PixelCount();
    if (source.mBits) std::memcpy(AllocateBits(), source.mBits.get(), (n + 1) * sizeof(uint32_t));
    mColorTable = CopyArray(source.mColorTable, 256);
    mColorIndices = CopyArray(source.mColorIndices, n);
    mNativeAlphaData = CopyArray(source.mNativeAlphaData, mColorTable ? 256 : n);
    mRLAlphaData = CopyArray(source.mRLAlphaData, n);

    if (buildInSource) source.mBits.reset();
    mContext->Register(this);
}

MemoryImage::~MemoryImage() {
    FreeTexture();
    mContext->Deregister(this);
}

// --- Storage ------------------------------------------------------------------------------------

uint32_t* MemoryImage::AllocateBits() {
    const size_t n = PixelCount();
    mBits.reset(static_cast<uint32_t*>(std::calloc(n + 1, sizeof(uint32_t))));
    if (!mBits) throw std::bad_alloc();
    mBits[n] = GuardWord;
    return mBits.get();
}

void MemoryImage::FreePalette() {
    mColorTable.reset();
    mColorIndices.reset();
}

uint32_t* MemoryImage::GetPixels() {
    if (mBits) return mBits.get();
    uint32_t* bits = AllocateBits();
    const size_t n = PixelCount();
    if (mColorTable) {
        for (size_t i = 0; i < n; ++i)
            bits[i] = mColorTable[mColorIndices[i]];
        FreePalette();
        mNativeAlphaData.reset();
    } else if (mNativeAlphaData) {
        RebuildFromNativeAlpha(bits);
    } else if (mHardwareTexture != nullptr && mContext->Hardware() != nullptr) {
        if (!mContext->Hardware()->ReadTextureBack(*this)) std::fill_n(bits, n, 0u);
        bits[n] = GuardWord;
    }
    return bits;
}

void MemoryImage::RebuildFromNativeAlpha(uint32_t* out) const {
    const NativeDisplay& d = mContext->Display();
    const size_t n = PixelCount();
    for (size_t i = 0; i < n; ++i) {
        const uint32_t v = mNativeAlphaData[i];
        const uint32_t a = Alpha(v);
        out[i] = Pack(a, FromNative(v, a, d.redMask, d.redBits, d.redShift),
                      FromNative(v, a, d.greenMask, d.greenBits, d.greenShift),
                      FromNative(v, a, d.blueMask, d.blueBits, d.blueShift));
    }
}

void MemoryImage::SetPixels(const uint32_t* pixels, int32_t width, int32_t height, bool commit) {
    FreePalette();
    // The old pixels stay until the copy is made: callers may hand in this image's own pixels.
    auto old = std::move(mBits);
    mWidth = std::max(width, 0);
    mHeight = std::max(height, 0);
    uint32_t* bits = AllocateBits();
    if (pixels != nullptr) std::memcpy(bits, pixels, PixelCount() * sizeof(uint32_t));
    old.reset();
    NotifyPixelsChanged();
    if (commit) RecomputeAlphaFlags();
}

void MemoryImage::AdoptPixels(uint32_t* bits, int32_t width, int32_t height, bool commit) {
    FreePalette();
    mBits.reset(bits);
    mWidth = bits ? std::max(width, 0) : 0;
    mHeight = bits ? std::max(height, 0) : 0;
    if (bits) mBits[PixelCount()] = GuardWord;
    NotifyPixelsChanged();
    if (commit) RecomputeAlphaFlags();
}

void MemoryImage::SetSize(int32_t width, int32_t height) {
    mBits.reset();
    // Indices of the old size would be expanded into the new one.
    FreePalette();
    mWidth = std::max(width, 0);
    mHeight = std::max(height, 0);
    mHasTrans = true;
    mHasAlpha = true;
    NotifyPixelsChanged();
}

uint32_t* MemoryImage::ClearAll() {
    uint32_t* bits = GetPixels();
    if (bits == nullptr) return nullptr;
    std::fill_n(bits, PixelCount(), 0u);
    NotifyPixelsChanged();
    return bits;
}

void MemoryImage::ForceAlphaFlags(bool hasTrans, bool hasAlpha) {
    mForcedMode = true;
    mHasTrans = hasTrans;
    mHasAlpha = hasAlpha;
}

void MemoryImage::SetVolatileHint(bool isVolatile) {
    mIsVolatile = isVolatile;
}

// --- Change tracking and caches ----------------------------------------------------------------

void MemoryImage::NotifyPixelsChanged() {
    ++mBitsChangedCount;
    mBitsChanged = true;
    mNativeAlphaData.reset();
    mRLAlphaData.reset();
    mRLAdditiveData.reset();
}

void MemoryImage::RecomputeAlphaFlags() {
    if (!mBitsChanged) return;
    if (!mForcedMode) {
        mHasAlpha = false;
        auto scan = [this](const uint32_t* pixels, size_t n) {
            mHasTrans = false;
            for (size_t i = 0; i < n; ++i) {
                const uint32_t a = Alpha(pixels[i]);
                if (a == 0)
                    mHasTrans = true;
                else if (a != 255)
                    mHasAlpha = true;
            }
        };
        if (mBits)
            scan(mBits.get(), PixelCount());
        else if (mColorTable)
            scan(mColorTable.get(), 256);
        else
            mHasTrans = true;
    }
    mBitsChanged = false;
}

const uint32_t* MemoryImage::GetPremultipliedPixels(const NativeDisplay& display) {
    if (mNativeAlphaData) return mNativeAlphaData.get();
    RecomputeAlphaFlags();
    if (mColorTable) {
        mNativeAlphaData = std::make_unique_for_overwrite<uint32_t[]>(256);
        for (int i = 0; i < 256; ++i)
            mNativeAlphaData[i] = ToNative(mColorTable[i], display);
    } else {
        const uint32_t* bits = GetPixels();
        if (IsOwnPremultipliedForm(display)) return bits;
        const size_t n = PixelCount();
        auto native = std::make_unique_for_overwrite<uint32_t[]>(n);
        for (size_t i = 0; i < n; ++i)
            native[i] = ToNative(bits[i], display);
        mNativeAlphaData = std::move(native);
    }
    return mNativeAlphaData.get();
}

// An opaque picture (as its pixels say, not as a forced mode claims) on a display of 8-bit channels in
// their usual places: premultiplying changes no pixel, so the pixels serve as their own native form
// instead of a second copy of the same bytes.
bool MemoryImage::IsOwnPremultipliedForm(const NativeDisplay& d) const {
    return mBits && !mColorTable && !mForcedMode && !mHasTrans && !mHasAlpha && d.redMask == 0xFF0000 &&
           d.greenMask == 0xFF00 && d.blueMask == 0xFF && d.redBits == 8 && d.greenBits == 8 &&
           d.blueBits == 8 && d.redShift == 16 && d.greenShift == 8 && d.blueShift == 0;
}

const uint8_t* MemoryImage::GetAlphaRuns() {
    if (mRLAlphaData) return mRLAlphaData.get();
    if (!mColorTable && !mNativeAlphaData && !mBits) GetPixels();
    auto runs = std::make_unique_for_overwrite<uint8_t[]>(PixelCount());
    if (mColorTable) {
        EncodeRuns(runs.get(), mWidth, mHeight,
                   [&](size_t i) { return AlphaClass(Alpha(mColorTable[mColorIndices[i]])); });
    } else {
        const uint32_t* pixels = mNativeAlphaData ? mNativeAlphaData.get() : mBits.get();
        EncodeRuns(runs.get(), mWidth, mHeight, [&](size_t i) { return AlphaClass(Alpha(pixels[i])); });
    }
    mRLAlphaData = std::move(runs);
    return mRLAlphaData.get();
}

const uint8_t* MemoryImage::GetAdditiveRuns(const NativeDisplay& display) {
    if (mRLAdditiveData) return mRLAdditiveData.get();
    const uint32_t* native = GetPremultipliedPixels(display);
    const uint32_t colourBits = display.redMask | display.greenMask | display.blueMask;
    auto runs = std::make_unique_for_overwrite<uint8_t[]>(PixelCount());
    if (mColorTable) {
        EncodeRuns(runs.get(), mWidth, mHeight,
                   [&](size_t i) { return (native[mColorIndices[i]] & colourBits) != 0 ? 1 : 0; });
    } else {
        EncodeRuns(runs.get(), mWidth, mHeight,
                   [&](size_t i) { return (native[i] & colourBits) != 0 ? 1 : 0; });
    }
    mRLAdditiveData = std::move(runs);
    return mRLAdditiveData.get();
}

bool MemoryImage::DropPixels() {
    mPurgeBits = true;
    const bool hadBits = mBits != nullptr;
    if (!mContext->HardwareActive()) {
        if (!mBits && !mColorIndices) return false;
        // Pixels that are their own native form are the one copy already.
        if (GetPremultipliedPixels(mContext->Display()) == mBits.get()) return false;
        mBits.reset();
        // A palettised picture keeps its indices even when it has a texture: its premultiplied form
        // holds only the 256 table entries and could not rebuild the pixels.
        return hadBits;
    }
    if (mHardwareTexture == nullptr) return false;
    const bool hadPalette = mColorIndices != nullptr;
    mBits.reset();
    FreePalette();
    return hadBits || hadPalette;
}

void MemoryImage::FreeSoftwareCaches() {
    if (!mBits && !mColorIndices) GetPixels();
    mNativeAlphaData.reset();
    mRLAdditiveData.reset();
    mRLAlphaData.reset();
}

void MemoryImage::FreeTexture() {
    if (mHardwareTexture != nullptr && mContext->Hardware() != nullptr)
        mContext->Hardware()->DropTexture(*this);
}

void MemoryImage::FreeAllCaches() {
    FreeSoftwareCaches();
    FreeTexture();
}

bool MemoryImage::RestoreAfterReset() {
    if (mWantPal) ConvertToPalette();
    if (mPurgeBits) return DropPixels();
    return false;
}

void MemoryImage::FreeNativeCaches() {
    if (!mBits && !mColorIndices) GetPixels();
    mNativeAlphaData.reset();
    mRLAdditiveData.reset();
}

bool MemoryImage::ConvertToPalette() {
    RecomputeAlphaFlags();
    if (mColorTable) return true;
    const uint32_t* bits = GetPixels();
    if (bits == nullptr) return false;

    const size_t n = PixelCount();
    auto indices = std::make_unique_for_overwrite<uint8_t[]>(n);
    auto table = std::make_unique<uint32_t[]>(256);
    // The distinct colours sorted, each with its table position, for the binary search.
    std::vector<std::pair<uint32_t, uint8_t>> sorted;
    sorted.reserve(256);
    for (size_t i = 0; i < n; ++i) {
        const uint32_t p = bits[i];
        auto it =
            std::lower_bound(sorted.begin(), sorted.end(), p,
                             [](const std::pair<uint32_t, uint8_t>& e, uint32_t v) { return e.first < v; });
        if (it == sorted.end() || it->first != p) {
            if (sorted.size() == 256) {
                mWantPal = false;
                return false;
            }
            const auto index = static_cast<uint8_t>(sorted.size());
            table[index] = p;
            it = sorted.insert(it, {p, index});
        }
        indices[i] = it->second;
    }
    mColorTable = std::move(table);
    mColorIndices = std::move(indices);
    mBits.reset();
    mNativeAlphaData.reset();
    mWantPal = true;
    return true;
}

const uint32_t* MemoryImage::SourceRow(int32_t x, int32_t y, int32_t n, uint32_t* scratch) const {
    const size_t start = static_cast<size_t>(y) * mWidth + x;
    if (mBits) return mBits.get() + start;
    for (int32_t i = 0; i < n; ++i)
        scratch[i] = mColorTable[mColorIndices[start + i]];
    return scratch;
}

// --- Fills and lines ----------------------------------------------------------------------------

void MemoryImage::FillArea(const Rect& rect, const Color& color, DrawMode) {
    const Rect r = rect.Intersection(GetBounds());
    if (r.IsEmpty()) return;
    uint32_t* bits = GetPixels();
    if (bits == nullptr) return;
    const Color c = Clamped(color);
    const uint32_t packed = c.ToPacked();
    for (int32_t y = r.y; y < r.y + r.height; ++y) {
        uint32_t* row = bits + static_cast<size_t>(y) * mWidth + r.x;
        if (c.alpha == 255)
            std::fill_n(row, r.width, packed);
        else if (c.alpha != 0)
            ActiveKernels().fillBlend(row, r.width, packed);
    }
    NotifyPixelsChanged();
}

void MemoryImage::ClearArea(const Rect& rect) {
    const Rect r = rect.Intersection(GetBounds());
    if (r.IsEmpty()) return;
    uint32_t* bits = GetPixels();
    if (bits == nullptr) return;
    for (int32_t y = r.y; y < r.y + r.height; ++y)
        std::fill_n(bits + static_cast<size_t>(y) * mWidth + r.x, r.width, 0u);
    NotifyPixelsChanged();
}

void MemoryImage::DrawSegment(double x1, double y1, double x2, double y2, const Color& color,
                              DrawMode drawMode) {
    if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE) return;
    if (!LineInRange(x1, y1, x2, y2)) return;
    if (y1 == y2 || x1 == x2) {
        const Rect area = StraightLineArea(x1, y1, x2, y2, mWidth, mHeight);
        if (area.IsEmpty()) return;
        FillArea(area, color, drawMode);
        return;
    }
    const Color c = Clamped(color);
    // A transparent line would still make the pixels it crosses opaque; it draws nothing instead.
    if (c.alpha == 0) return;
    uint32_t* bits = GetPixels();
    if (bits == nullptr) return;

    const SaturationTable& table = mContext->Saturation();
    const uint32_t a = static_cast<uint32_t>(c.alpha);
    const auto r = static_cast<uint32_t>(c.red), g = static_cast<uint32_t>(c.green),
               b = static_cast<uint32_t>(c.blue);
    auto convert = [](uint32_t v) { return (v * 255 + 127) >> 8; };
    auto normalChannel = [a, convert](uint32_t k, uint32_t d) {
        if (a == 255) return convert(k);
        return convert((k * a + 128) >> 8) + ((d * (256 - a) + 127) >> 8);
    };
    auto plot = [&](int64_t px, int64_t py) {
        if (px < 0 || py < 0 || px >= mWidth || py >= mHeight) return;
        uint32_t& d = bits[static_cast<size_t>(py) * mWidth + static_cast<size_t>(px)];
        if (drawMode == DRAWMODE_NORMAL)
            d = Pack(255, normalChannel(r, Red(d)), normalChannel(g, Green(d)), normalChannel(b, Blue(d)));
        else
            d = AddChannels(d | 0xFF000000, r * a / 255, g * a / 255, b * a / 255, table);
    };

    WalkLine(x1, y1, x2, y2, mWidth, mHeight, plot);
    NotifyPixelsChanged();
}

// --- Blits --------------------------------------------------------------------------------------

void MemoryImage::BlitImage(Image* source, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                            DrawMode drawMode) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (src == nullptr || (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE)) return;

    Rect from, to;
    if (!ClipBlit(srcRect, src->GetBounds(), x, y, GetBounds(), from, to)) return;

    if (src == this) {
        // Drawing a picture onto itself reads from a copy, so rows already drawn are not read again.
        MemoryImage copy(*mContext);
        std::vector<uint32_t> pixels(static_cast<size_t>(from.width) * from.height);
        std::vector<uint32_t> scratch(from.width);
        for (int32_t row = 0; row < from.height; ++row)
            std::memcpy(pixels.data() + static_cast<size_t>(row) * from.width,
                        SourceRow(from.x, from.y + row, from.width, scratch.data()),
                        from.width * sizeof(uint32_t));
        copy.SetPixels(pixels.data(), from.width, from.height, true);
        BlitImage(&copy, to.x, to.y, Rect(0, 0, from.width, from.height), color, drawMode);
        return;
    }

    if (GetPixels() == nullptr) return;
    src->RecomputeAlphaFlags();
    if (!src->mBits && !src->mColorTable && src->GetPixels() == nullptr) return;

    if (drawMode == DRAWMODE_NORMAL)
        BlitNormal(*src, to.x, to.y, from, Clamped(color));
    else
        BlitAdditive(*src, to.x, to.y, from, Clamped(color));
    NotifyPixelsChanged();
}

void MemoryImage::BlitNormal(MemoryImage& source, int32_t x, int32_t y, const Rect& srcRect,
                             const Color& color) {
    const PixelKernels& kernels = ActiveKernels();
    const bool white = color == OpaqueWhite;
    const int32_t w = srcRect.width;
    RowScratch scratch(source.mBits ? 0 : w);
    auto dstRow = [&](int32_t row) { return mBits.get() + static_cast<size_t>(y + row) * mWidth + x; };
    auto srcRow = [&](int32_t row) {
        return source.SourceRow(srcRect.x, srcRect.y + row, w, scratch.data());
    };

    // The destination's flags are taken as they stand: recomputing them here would scan the whole
    // destination on every blit. Pictures that are drawn into set them (SetPixels with commit,
    // ForceAlphaFlags) or keep the safe ones SetSize gives.
    if (white && !mHasAlpha && !mHasTrans) {
        // Opaque destination: walk the alpha runs, copying opaque runs and skipping transparent ones.
        const uint8_t* runs = source.GetAlphaRuns();
        for (int32_t row = 0; row < srcRect.height; ++row) {
            const uint32_t* s = srcRow(row);
            uint32_t* d = dstRow(row);
            const uint8_t* run = runs + static_cast<size_t>(srcRect.y + row) * source.mWidth + srcRect.x;
            // The walk skips through the run bytes faster than the hardware fetches them ahead.
            if (row + 1 < srcRect.height)
                for (int32_t i = 0; i < w; i += 64)
                    __builtin_prefetch(run + source.mWidth + i);
            ForEachAlphaRun(s, run, w, [&](int32_t i, int32_t n, uint32_t a) {
                if (a == 255)
                    std::memcpy(d + i, s + i, n * sizeof(uint32_t));
                else if (a == 0)
                    return;
                else if (n < 8)
                    for (int32_t k = i; k < i + n; ++k)
                        d[k] = OverOpaque(d[k], s[k]);
                else
                    kernels.blendOpaqueDest(d + i, s + i, n);
            });
        }
        return;
    }
    if (white) {
        for (int32_t row = 0; row < srcRect.height; ++row)
            kernels.blend(dstRow(row), srcRow(row), w);
        return;
    }
    // Every pixel would be weighted to nothing.
    if (color.alpha == 0) return;
    const Tint tint{uint32_t(color.red), uint32_t(color.green), uint32_t(color.blue), uint32_t(color.alpha)};
    // Transparent runs leave the destination as it is, and are most of a glyph or sprite.
    const uint8_t* runs = source.GetAlphaRuns();
    for (int32_t row = 0; row < srcRect.height; ++row) {
        const uint32_t* s = srcRow(row);
        uint32_t* d = dstRow(row);
        const uint8_t* run = runs + static_cast<size_t>(srcRect.y + row) * source.mWidth + srcRect.x;
        ForEachAlphaRun(s, run, w, [&](int32_t i, int32_t n, uint32_t a) {
            if (a != 0) kernels.blendTinted(d + i, s + i, n, tint);
        });
    }
}

void MemoryImage::BlitAdditive(MemoryImage& source, int32_t x, int32_t y, const Rect& srcRect,
                               const Color& color) {
    const PixelKernels& kernels = ActiveKernels();
    const SaturationTable& table = mContext->Saturation();
    const int32_t w = srcRect.width;
    RowScratch scratch(source.mBits ? 0 : w);
    const bool white = color == OpaqueWhite;
    const auto kA = static_cast<uint32_t>(color.alpha);
    const Tint tint{uint32_t(color.red) * kA / 255, uint32_t(color.green) * kA / 255,
                    uint32_t(color.blue) * kA / 255, 255};
    auto add = [&](uint32_t* d, const uint32_t* s, int32_t n) {
        if (!white)
            kernels.addTinted(d, s, n, tint, source.mHasAlpha, table);
        else if (source.mHasAlpha)
            kernels.addAlpha(d, s, n, table);
        else
            kernels.addOpaque(d, s, n, table);
    };
    for (int32_t row = 0; row < srcRect.height; ++row)
        add(mBits.get() + static_cast<size_t>(y + row) * mWidth + x,
            source.SourceRow(srcRect.x, srcRect.y + row, w, scratch.data()), w);
}

void MemoryImage::BlitImageAtFraction(Image* source, float x, float y, const FRect& srcRect,
                                      const BlitState& state) {
    BlitImageTurned(source, x, y, srcRect, state, 0.0, 0.0f, 0.0f);
}

void MemoryImage::BlitImageScaled(Image* source, const FRect& destRect, const FRect& srcRect,
                                  const BlitState& state, bool fastStretch) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (src == nullptr || (state.mode != DRAWMODE_NORMAL && state.mode != DRAWMODE_ADDITIVE)) return;
    const std::optional<ScaledClip> cut = ClipScaled(destRect, srcRect, state.clip);
    if (!cut || src->PixelCount() == 0) return;
    const Rect& dest = cut->dest;

    if (src == this) {
        MemoryImage copy(*this);
        BlitImageScaled(&copy, destRect, srcRect, state, fastStretch);
        return;
    }
    if (GetPixels() == nullptr) return;
    if (!src->mBits && !src->mColorTable && src->GetPixels() == nullptr) return;

    if (!fastStretch)
        BlitScaledArea(*src, dest, cut->source.x, cut->source.y, cut->source.width, cut->source.height);
    else if (Clamped(state.color) == OpaqueWhite)
        BlitScaledNearest(*src, dest, cut->source.x, cut->source.y, cut->scaleX, cut->scaleY, srcRect);
    NotifyPixelsChanged();
}

bool MemoryImage::ClipBlit(const Rect& srcRect, const Rect& srcBounds, int32_t x, int32_t y,
                           const Rect& destBounds, Rect& from, Rect& to) {
    const Rect inSource = srcRect.Intersection(srcBounds);
    const int64_t destX = int64_t(x) + inSource.x - srcRect.x;
    const int64_t destY = int64_t(y) + inSource.y - srcRect.y;
    const int64_t left = std::max<int64_t>(destX, destBounds.x);
    const int64_t top = std::max<int64_t>(destY, destBounds.y);
    const int64_t right = std::min<int64_t>(destX + inSource.width, int64_t(destBounds.x) + destBounds.width);
    const int64_t bottom =
        std::min<int64_t>(destY + inSource.height, int64_t(destBounds.y) + destBounds.height);
    if (right <= left || bottom <= top) return false;
    to = Rect(int32_t(left), int32_t(top), int32_t(right - left), int32_t(bottom - top));
    from =
        Rect(int32_t(inSource.x + (left - destX)), int32_t(inSource.y + (top - destY)), to.width, to.height);
    return true;
}

std::optional<MemoryImage::ScaledClip> MemoryImage::ClipScaled(const FRect& destRect, const FRect& srcRect,
                                                               const Rect& clipRect) const {
    if (!(destRect.width > 0) || !(destRect.height > 0) || !(srcRect.width > 0) || !(srcRect.height > 0))
        return std::nullopt;
    // The clip, cut to this picture so that no pixel outside it is addressed.
    const Rect clip = clipRect.Intersection(GetBounds());
    const FRect clipped = destRect.Intersection(FRect(clip.x, clip.y, clip.width, clip.height));
    const double scaleX = srcRect.width / destRect.width;
    const double scaleY = srcRect.height / destRect.height;
    const FRect source(srcRect.x + (clipped.x - destRect.x) * scaleX,
                       srcRect.y + (clipped.y - destRect.y) * scaleY,
                       srcRect.width + (clipped.width - destRect.width) * scaleX,
                       srcRect.height + (clipped.height - destRect.height) * scaleY);
    if (!(source.width > 0) || !(source.height > 0)) return std::nullopt;
    const Rect dest(static_cast<int32_t>(clipped.x), static_cast<int32_t>(clipped.y),
                    static_cast<int32_t>(clipped.width), static_cast<int32_t>(clipped.height));
    if (dest.IsEmpty()) return std::nullopt;
    return ScaledClip{dest, source, scaleX, scaleY};
}

void MemoryImage::BlitScaledNearest(MemoryImage& source, const Rect& dest, double srcX, double srcY,
                                    double scaleX, double scaleY, const FRect& srcRect) {
    const auto lastColumn =
        static_cast<int64_t>(std::min<double>(std::ceil(srcRect.x + srcRect.width) - 1, source.mWidth - 1));
    auto sample = [](double v, int64_t high) {
        // Also keeps rectangles that reach outside the source picture inside it.
        return static_cast<int32_t>(std::clamp<double>(std::trunc(v), 0, static_cast<double>(high)));
    };
    std::vector<int32_t> columns(dest.width);
    for (int32_t j = 0; j < dest.width; ++j)
        columns[j] = sample(srcX + (j + 1) * scaleX, std::max<int64_t>(lastColumn, 0));

    const PixelKernels& kernels = ActiveKernels();
    std::vector<uint32_t> scratch(source.mBits ? 0 : source.mWidth);
    for (int32_t i = 0; i < dest.height; ++i) {
        const int32_t y = sample(srcY + i * scaleY, source.mHeight - 1);
        kernels.blendSampled(mBits.get() + static_cast<size_t>(dest.y + i) * mWidth + dest.x,
                             source.SourceRow(0, y, source.mWidth, scratch.data()), columns.data(),
                             dest.width);
    }
}

void MemoryImage::BlitScaledArea(MemoryImage& source, const Rect& dest, double srcX, double srcY, double srcW,
                                 double srcH) {
    // The covered span widened to whole source pixels.
    const auto left = static_cast<int32_t>(std::max(std::floor(srcX), 0.0));
    const auto top = static_cast<int32_t>(std::max(std::floor(srcY), 0.0));
    const auto right =
        static_cast<int32_t>(std::min(std::ceil(srcX + srcW), static_cast<double>(source.mWidth)));
    const auto bottom =
        static_cast<int32_t>(std::min(std::ceil(srcY + srcH), static_cast<double>(source.mHeight)));
    if (right <= left || bottom <= top) return;

    std::vector<uint32_t> scratch(source.mBits ? 0 : right - left);
    const AreaResampler resampler(right - left, bottom - top, dest.width, dest.height);
    const std::vector<uint32_t> resampled = resampler.Resample(
        [&](int32_t y) { return source.SourceRow(left, top + y, right - left, scratch.data()); });

    const PixelKernels& kernels = ActiveKernels();
    for (int32_t i = 0; i < dest.height; ++i)
        kernels.blendResampled(mBits.get() + static_cast<size_t>(dest.y + i) * mWidth + dest.x,
                               resampled.data() + static_cast<size_t>(i) * dest.width, dest.width);
}

} // namespace Zorbel
