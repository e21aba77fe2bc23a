#pragma once

#include "framework/graphics/Image.h"
#include "framework/graphics/NativeDisplay.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

namespace Zorbel {

class ImageContext;
struct HardwareTexture;

// A picture in main memory: 32-bit 0xAARRGGBB pixels, row by row without padding, or after
// palettising 8-bit indices into a table of 256 colours. Derived caches (premultiplied pixels in the
// display's layout, alpha runs, additive runs) are built on first use and dropped whenever the
// pixels change. Every drawing operation works on the 32-bit pixels, so drawing into a palettised
// picture turns it back into 32-bit pixels first.
//
// The image registers with its context when constructed and deregisters when destroyed; the
// context must outlive it.
class MemoryImage : public Image {
public:
    // The word after the last pixel; anything else there means something wrote past the pixels.
    static constexpr uint32_t GuardWord = 0x4BEEFADE;

    explicit MemoryImage(ImageContext& context);
    MemoryImage(ImageContext&&) = delete;
    // Copies pixels, palette, premultiplied pixels and alpha runs, never the hardware texture. A
    // source that holds neither pixels nor a palette builds its pixels for the copy and frees them
    // again afterwards.
    MemoryImage(const MemoryImage& other);
    MemoryImage& operator=(const MemoryImage&) = delete;
    ~MemoryImage() override;

    ImageContext& GetContext() const { return *mContext; }

    // Drawing (see Image). Each operation clips to the picture and ends with NotifyPixelsChanged.
    void FillArea(const Rect& rect, const Color& color, DrawMode drawMode) override;
    void ClearArea(const Rect& rect) override;
    void DrawSegment(double x1, double y1, double x2, double y2, const Color& color,
                     DrawMode drawMode) override;
    // Only MemoryImage sources are drawn; a palettised source is read through its colour table.
    void BlitImage(Image* source, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                   DrawMode drawMode) override;
    void BlitImageAtFraction(Image* source, float x, float y, const FRect& srcRect,
                             const BlitState& state) override;
    void BlitImageTurned(Image* source, float x, float y, const FRect& srcRect, const BlitState& state,
                         double angle, float centreX, float centreY) override;
    void BlitImageScaled(Image* source, const FRect& destRect, const FRect& srcRect, const BlitState& state,
                         bool fastStretch) override;
    void BlitImageTransformed(Image* source, float x, float y, const Matrix3& matrix, const BlitState& state,
                              const Rect& srcRect, bool filtered) override;
    void BlitTexturedTriangles(Image* texture, const TexturedTriangle* triangles, int32_t count,
                               const BlitState& state, float offsetX, float offsetY, bool filtered) override;

    // Derived data, built on first use.
    // One word per pixel (256 for a palettised picture, one per table entry): each channel
    // premultiplied by alpha and moved into the display's layout, the source alpha in the top byte.
    virtual const uint32_t* GetPremultipliedPixels(const NativeDisplay& display);
    // One byte per pixel: how many pixels of the same alpha class (0, 255, other) follow in the row,
    // this one included, at most 255.
    virtual const uint8_t* GetAlphaRuns();
    // The same encoding over two classes: premultiplied colour bits all zero, or not.
    virtual const uint8_t* GetAdditiveRuns(const NativeDisplay& display);

    // Memory management.
    // Keeps only the premultiplied form (or, under the hardware path, the texture). True when the
    // 32-bit pixels were freed.
    virtual bool DropPixels();
    virtual void FreeSoftwareCaches();
    virtual void FreeTexture();
    virtual void FreeAllCaches();
    // After the display was reset: palettises and drops pixels again as the picture asked before.
    virtual bool RestoreAfterReset();

    // Every write of pixels ends here: counts the change and drops the derived caches.
    virtual void NotifyPixelsChanged();
    virtual void RecomputeAlphaFlags();
    virtual void FreeNativeCaches();

    // Pixels.
    // Sets every pixel to transparent black; null when the picture has no pixels.
    virtual uint32_t* ClearAll();
    // Copies width x height pixels. With commit the alpha flags are recomputed at once.
    virtual void SetPixels(const uint32_t* pixels, int32_t width, int32_t height, bool commit);
    // Like SetPixels, but takes over the block instead of copying it: width × height + 1 words from
    // std::malloc (the last one is the image's guard), freed by the image.
    void AdoptPixels(uint32_t* bits, int32_t width, int32_t height, bool commit);
    // Pixels come into being zero-filled at the next GetPixels.
    virtual void SetSize(int32_t width, int32_t height);
    // The 32-bit pixels, rebuilt from the palette, the premultiplied form or the texture when they
    // were freed, zero-filled when nothing is left to rebuild them from. Never null here; an image
    // over a display surface may refuse.
    virtual uint32_t* GetPixels();
    virtual void ForceAlphaFlags(bool hasTrans, bool hasAlpha);
    virtual void SetVolatileHint(bool isVolatile);
    // Lossless: fails, leaving the picture unchanged, when it has more than 256 distinct colours.
    virtual bool ConvertToPalette();
    // Whether the picture lives in a display surface, and the wish to be turned into one again after
    // a reset. A picture in main memory has none and keeps no such wish.
    virtual bool HasSurface() const { return false; }
    virtual void SetWantSurface(bool) {}

    // State, for the display device, the hardware path and the image dump.
    bool HasTrans() const { return mHasTrans; }
    bool HasAlpha() const { return mHasAlpha; }
    bool IsForced() const { return mForcedMode; }
    bool IsVolatile() const { return mIsVolatile; }
    bool PurgesBits() const { return mPurgeBits; }
    bool WantsPalette() const { return mWantPal; }
    // The wishes RestoreAfterReset follows; DropPixels and ConvertToPalette set them as they succeed.
    void SetPurgeBits(bool purge) { mPurgeBits = purge; }
    void SetWantPalette(bool want) { mWantPal = want; }
    bool BitsChanged() const { return mBitsChanged; }
    int32_t GetChangeCount() const { return mBitsChangedCount; }
    size_t PixelCount() const { return static_cast<size_t>(mWidth) * static_cast<size_t>(mHeight); }

    // The stored forms; each may be null.
    const uint32_t* Bits() const { return mBits.get(); }
    const uint32_t* ColorTable() const { return mColorTable.get(); }
    const uint8_t* ColorIndices() const { return mColorIndices.get(); }
    const uint32_t* NativeAlphaData() const { return mNativeAlphaData.get(); }
    const uint8_t* RLAlphaData() const { return mRLAlphaData.get(); }
    const uint8_t* RLAdditiveData() const { return mRLAdditiveData.get(); }

    // The hardware path's texture record, which the hardware path owns.
    HardwareTexture* GetHardwareTexture() const { return mHardwareTexture; }
    void SetHardwareTexture(HardwareTexture* texture) { mHardwareTexture = texture; }
    uint32_t GetTextureFlags() const { return mTextureFlags; }
    void SetTextureFlags(uint32_t flags) { mTextureFlags = flags; }

protected:
    // Allocates width x height + 1 words, the guard in the last. Frees nothing.
    uint32_t* AllocateBits();
    void FreePalette();
    // The pixels of one source row as 32-bit words: the row itself, or expanded through the colour
    // table into scratch (which must hold n words).
    const uint32_t* SourceRow(int32_t x, int32_t y, int32_t n, uint32_t* scratch) const;

    // Callers clip, but a rectangle reaching outside either picture must not reach outside memory:
    // cuts the source rectangle to the source picture and its destination at (x, y) to the
    // destination picture, keeping the two in step. False when nothing is left.
    static bool ClipBlit(const Rect& srcRect, const Rect& srcBounds, int32_t x, int32_t y,
                         const Rect& destBounds, Rect& from, Rect& to);
    // A scaled blit cut to its clip: the whole destination pixels it covers, the part of the source
    // rectangle they show, and the source step per destination pixel.
    struct ScaledClip {
        Rect dest;
        FRect source;
        double scaleX;
        double scaleY;
    };
    // Nothing when the rectangles are empty or nothing of the destination lies inside clipRect and
    // this picture.
    std::optional<ScaledClip> ClipScaled(const FRect& destRect, const FRect& srcRect,
                                         const Rect& clipRect) const;

    // True when the pixels are their own premultiplied form for this display, with no copy made.
    bool IsOwnPremultipliedForm(const NativeDisplay& display) const;

    // The pixels come from std::malloc, so that pictures decoded elsewhere can be taken over whole.
    struct FreeBits {
        void operator()(uint32_t* bits) const { std::free(bits); }
    };
    std::unique_ptr<uint32_t[], FreeBits> mBits;
    int32_t mBitsChangedCount = 0;
    HardwareTexture* mHardwareTexture = nullptr;
    uint32_t mTextureFlags = 0;
    std::unique_ptr<uint32_t[]> mColorTable;
    std::unique_ptr<uint8_t[]> mColorIndices;
    bool mForcedMode = false;
    bool mHasTrans = false;
    bool mHasAlpha = false;
    bool mIsVolatile = false;
    bool mPurgeBits = false;
    bool mWantPal = false;
    std::unique_ptr<uint32_t[]> mNativeAlphaData;
    std::unique_ptr<uint8_t[]> mRLAlphaData;
    std::unique_ptr<uint8_t[]> mRLAdditiveData;
    bool mBitsChanged = false;
    ImageContext* mContext;

private:
    void RebuildFromNativeAlpha(uint32_t* out) const;
    void BlitNormal(MemoryImage& source, int32_t x, int32_t y, const Rect& srcRect, const Color& color);
    void BlitAdditive(MemoryImage& source, int32_t x, int32_t y, const Rect& srcRect, const Color& color);
    void BlitScaledNearest(MemoryImage& source, const Rect& dest, double srcX, double srcY, double scaleX,
                           double scaleY, const FRect& srcRect);
    void BlitScaledArea(MemoryImage& source, const Rect& dest, double srcX, double srcY, double srcW,
                        double srcH);
};

} // namespace Zorbel
