#pragma once

#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/SurfaceKernels.h"
#include "framework/platform/display/Surface.h"

#include <memory>

namespace Zorbel {

class DDInterface;

// A picture that may also live in a display surface in the screen's layout. Opaque pictures (and
// pictures whose only transparency is fully transparent pixels, drawn with a colour key) are turned
// into a surface once and drawn from it; whatever is drawn into a surface picture goes straight into
// the surface, which then holds the only copy of the pixels. Pictures with partial transparency stay
// in memory and draw as MemoryImage does.
//
// The screen image and the cursor areas borrow their surfaces from the display device: such a
// picture never drops or rebuilds its surface. The device must outlive its images; an image left
// when the device goes away loses its surface and stays a plain memory picture.
class DDImage : public MemoryImage {
public:
    explicit DDImage(DDInterface& device);
    DDImage(const DDImage&) = delete;
    DDImage& operator=(const DDImage&) = delete;
    ~DDImage() override;

    // --- Surface operations ---
    // A generated surface goes into video memory (here: is marked so) instead of system memory.
    virtual void PlaceInVideoMemory(bool on) { mVideoMemory = on; }
    // Turns the picture into a surface, fully transparent pixels becoming the colour key. False for
    // pictures with partial transparency or when the surface cannot be made.
    virtual bool GenerateSurfaceWithKey();
    virtual void SurfaceFillRect(const Rect& rect, const Color& color);
    virtual void SurfaceAdditiveFillRect(const Rect& rect, const Color& color);
    virtual void SurfaceBlit(MemoryImage* source, int32_t x, int32_t y, const Rect& srcRect,
                             const Color& color);
    virtual void SurfaceAdditiveBlit(MemoryImage* source, int32_t x, int32_t y, const Rect& srcRect,
                                     const Color& color);
    virtual void SurfaceLine(double x1, double y1, double x2, double y2, const Color& color);
    virtual void SurfaceAdditiveLine(double x1, double y1, double x2, double y2, const Color& color);
    virtual void SurfaceBlitMirror(MemoryImage* source, int32_t x, int32_t y, const Rect& srcRect,
                                   const Color& color);
    virtual void SurfaceAdditiveBlitMirror(MemoryImage* source, int32_t x, int32_t y, const Rect& srcRect,
                                           const Color& color);
    // Locks are counted: the surface is locked by the first and unlocked by the last. Refused while
    // the hardware path draws into this surface, or when the surface must not be locked.
    virtual bool AcquireSurfaceLock();
    virtual bool ReleaseSurfaceLock();
    // Borrows a surface made elsewhere; the picture takes its size.
    virtual void AdoptSurface(std::shared_ptr<Surface> surface);

    // --- Image and MemoryImage operations, routed to the hardware path, the surface or memory ---
    bool FillPolygon(const Point* points, int32_t count, const Rect& clipRect, const Color& color,
                     DrawMode drawMode, int32_t offsetX, int32_t offsetY) override;
    void FillArea(const Rect& rect, const Color& color, DrawMode drawMode) override;
    void DrawSegment(double x1, double y1, double x2, double y2, const Color& color,
                     DrawMode drawMode) override;
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
    void BlitImageFlipped(Image* source, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                          DrawMode drawMode) override;
    void BlitImageScaledFlipped(Image* source, const FRect& destRect, const FRect& srcRect,
                                const BlitState& state, bool fastStretch) override;

    // Text goes straight into the surface, and into the memory copy when the picture keeps one.
    void DrawTextCoverage(const TextCoverage& coverage, int32_t left, int32_t top, const Rect& clipRect,
                          const Color& color) override;
    bool BeginDrawingBatch() override { return AcquireSurfaceLock(); }
    void EndDrawingBatch() override { ReleaseSurfaceLock(); }

    bool DropPixels() override;
    void FreeAllCaches() override;
    bool RestoreAfterReset() override;
    void NotifyPixelsChanged() override;
    void RecomputeAlphaFlags() override;
    void FreeNativeCaches() override;
    void SetSize(int32_t width, int32_t height) override;
    // With a surface and no pixels, reads the surface back (colour-keyed pixels as transparent black).
    uint32_t* GetPixels() override;
    bool ConvertToPalette() override;
    bool HasSurface() const override { return mSurface != nullptr; }
    void SetWantSurface(bool want) override { mWantSurface = want; }

    // --- State ---
    const std::shared_ptr<Surface>& GetSurface() const { return mSurface; }
    bool IsSurfaceBorrowed() const { return mSurfaceBorrowed; }
    bool WantsSurface() const { return mWantSurface; }
    int32_t LockCount() const { return mLockCount; }
    bool IsNoLock() const { return mNoLock; }
    void SetNoLock(bool on) { mNoLock = on; }
    bool IsInVideoMemory() const { return mVideoMemory; }
    DDInterface* Device() const { return mDevice; }

    // The device is going away: the picture keeps its pixels in memory and forgets the surface.
    void DetachFromDevice();

private:
    enum class Route { Hardware, Memory, Surface };

    // Where a drawing operation goes; cursorAreasStayNative keeps the cursor areas on the surface path
    // when 3D is on (for plain blits).
    Route RouteFor(bool cursorAreasStayNative = false);
    bool IsDrawSurface() const;
    bool GenerateSurface();
    void ReleaseSurface();
    // The locked surface as the kernels see it; false when it cannot be locked.
    bool BeginSurfaceDrawing(NativeTarget& target);
    // After drawing into the surface: it holds the only copy of the pixels now.
    void DropMemoryCopies();
    void EndSurfaceDrawing();
    void BlitScaled(Image* source, const FRect& destRect, const FRect& srcRect, const BlitState& state,
                    bool fastStretch, bool mirror);
    // A borrowed surface takes back pixels that were drawn in memory.
    void WriteBitsToSurface();
    // One DirectDraw-style blit from another surface picture; false when that is not possible.
    bool SurfaceToSurfaceBlit(MemoryImage* source, const PixelRect& dest, const PixelRect& from);

    DDInterface* mDevice;
    std::shared_ptr<Surface> mSurface;
    bool mSurfaceBorrowed = false;
    bool mNoLock = false;
    bool mVideoMemory = false;
    bool mWantSurface = false;
    int32_t mLockCount = 0;
    SurfaceLock mLockDesc;
};

} // namespace Zorbel
