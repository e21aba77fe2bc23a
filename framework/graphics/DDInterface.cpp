#include "framework/graphics/DDInterface.h"

#include "framework/graphics/D3DInterface.h"
#include "framework/graphics/D3DTester.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DisplayHost.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageContext.h"
#include "framework/platform/Clock.h"
#include "framework/platform/ResultCode.h"
#include "framework/platform/WindowSystem.h"
#include "framework/platform/display/ErrorName.h"

#include <algorithm>

namespace Zorbel {

namespace {

// How long the beam may be chased before presenting falls back to a plain wait for the vertical blank.
constexpr uint32_t kBeamChaseLimitMs = 200;
constexpr int32_t kMaxVsyncTimeouts = 3;

PixelRect ToPixelRect(const Rect& r) {
    return {r.x, r.y, r.width, r.height};
}

} // namespace

DDInterface::DDInterface(DisplayHost& host, ImageContext& images, WindowSystem& windows, Clock& clock)
    : mHost(host), mImages(images), mWindows(windows), mClock(clock),
      mD3D(std::make_unique<D3DInterface>(*this)) {
    // Until set-up reads the screen, the tables describe the default 32-bit layout, so that surface
    // pictures can be drawn from the start.
    BuildTables();
    mImages.AttachDisplay(this);
    mImages.AttachHardware(mD3D.get());
}

DDInterface::~DDInterface() {
    ReleaseDevice();
    std::lock_guard lock(mLock);
    // Pictures that outlive the device keep their pixels in memory.
    std::vector<DDImage*> left(mSurfaceImages.begin(), mSurfaceImages.end());
    for (DDImage* image : left)
        image->DetachFromDevice();
    mSurfaceImages.clear();
    mImages.AttachHardware(nullptr);
    mImages.AttachDisplay(nullptr);
}

std::string DDInterface::ResultText(int32_t result) {
    switch (result) {
        case RESULT_OK:
            return "RESULT_OK";
        case RESULT_FAIL:
            return "RESULT_FAIL";
        case RESULT_DD_CREATE_FAIL:
            return "RESULT_DD_CREATE_FAIL";
        case RESULT_SURFACE_FAIL:
            return "RESULT_SURFACE_FAIL";
        case RESULT_EXCLUSIVE_FAIL:
            return "RESULT_EXCLUSIVE_FAIL";
        case RESULT_DISPCHANGE_FAIL:
            return "RESULT_DISPCHANGE_FAIL";
        case RESULT_INVALID_COLORDEPTH:
            return "RESULT_INVALID_COLORDEPTH";
        default:
            return "RESULT_UNKNOWN";
    }
}

DDInterface::Result DDInterface::Fail(const char* step, uint32_t code, Result result) {
    mErrorText = std::string(step) + ": " + ErrorName(code);
    return result;
}

// --- Surface images ---

void DDInterface::RegisterImage(DDImage* image) {
    std::lock_guard lock(mLock);
    mSurfaceImages.insert(image);
}

void DDInterface::DeregisterImage(DDImage* image) {
    std::lock_guard lock(mLock);
    mSurfaceImages.erase(image);
}

size_t DDInterface::SurfaceImageCount() {
    std::lock_guard lock(mLock);
    return mSurfaceImages.size();
}

bool DDInterface::IsCursorAreaImage(const DDImage* image) const {
    return image != nullptr && (image == mOldCursorImage.get() || image == mNewCursorImage.get());
}

// --- Set-up ---

DDInterface::Result DDInterface::InitDevice(WindowId window, bool windowed) {
    std::lock_guard lock(mLock);
    mInitialized = false;
    ReleaseDevice();
    mErrorText.clear();

    if (uint32_t hr = mWindows.CreateDisplayDriver(mDriver))
        return Fail("DirectDrawCreateEx", hr, RESULT_DD_CREATE_FAIL);
    if (!mDriver) return Fail("DirectDrawCreateEx", ResultCode::Generic, RESULT_DD_CREATE_FAIL);

    mWindow = window;
    mWindowed = windowed;
    RunTesterIfWanted();

    mWidth = mHost.DisplayWidth();
    mHeight = mHost.DisplayHeight();
    mFullScreenBitDepth = mHost.FullScreenBitDepth();

    std::shared_ptr<Clipper> clipper;
    const Result made = windowed ? CreateWindowedSurfaces(clipper) : CreateFullScreenSurfaces(clipper);
    if (made != RESULT_OK) return made;

    // The clipper binds the primary to the window; the primary keeps the only reference.
    if (clipper->SetWindow(window) == ResultCode::Ok) mPrimary->SetClipper(clipper);
    clipper.reset();

    ReadRefreshRate();
    if (Result result = CreateCursorAreas(); result != RESULT_OK) return result;

    const PixelFormat& format = mPrimary->Format();
    if (format.bitsPerPixel != 16 && format.bitsPerPixel != 32) return RESULT_INVALID_COLORDEPTH;
    static_cast<NativeDisplay&>(*this) =
        NativeDisplay::FromMasks(format.bitsPerPixel, format.redMask, format.greenMask, format.blueMask);
    BuildTables();

    SelectVideoOnlyDrawing(mVideoOnly);

    if (m3DEnabled && !mD3D->InitDevice3D()) {
        mErrorText = "3D init error: " + mD3D->ErrorText();
        return RESULT_3D_FAIL;
    }
    ++mSetupCount;
    mInitialized = true;
    return RESULT_OK;
}

void DDInterface::RunTesterIfWanted() {
    if (mTester || !(m3DEnabled || mHost.Wants3DTest())) return;
    mTester = std::make_unique<D3DTester>(mHost);
    mTester->SetVideoMemoryThresholds(mHost.MinVideoMemoryMB(), mHost.RecVideoMemoryMB());
    const DisplayMode desktop = mWindows.DesktopMode();
    mTester->SetDesktop(desktop.width, desktop.height, desktop.bitsPerPixel);
    mTester->RunTest(mWindow, mDriver.get());
    const bool failure = !mTester->FailureReason().empty();
    const bool warning = !mTester->Warning().empty();
    if (failure || (warning && mTester->ResultIsNew())) m3DEnabled = false;
    if (mTester->ResultIsNew()) mHost.Fresh3DTestHook();
}

DDInterface::Result DDInterface::CreateWindowedSurfaces(std::shared_ptr<Clipper>& clipper) {
    const uint32_t device3D = m3DEnabled ? SurfaceCaps::Device3D : 0;
    // Without a window to co-operate with, the primary below fails and says why.
    (void)mDriver->SetCooperativeLevel(mWindow, CooperativeLevel::Normal);
    if (uint32_t hr = mDriver->CreateSurface(SurfaceRequest::Primary(device3D), mPrimary)) {
        if (hr == ResultCode::InvalidPixelFormat) return RESULT_INVALID_COLORDEPTH;
        return Fail("CreateSurface Windowed Primary", hr, RESULT_SURFACE_FAIL);
    }
    const int depth = mPrimary->Format().bitsPerPixel;
    if (depth != 16 && depth != 32) return RESULT_INVALID_COLORDEPTH;
    const uint32_t memory =
        m3DEnabled ? SurfaceCaps::VideoMemory | SurfaceCaps::Device3D : SurfaceCaps::SystemMemory;
    if (uint32_t hr =
            mDriver->CreateSurface(SurfaceRequest::Offscreen(mWidth, mHeight, memory), mDrawSurface))
        return Fail("CreateSurface Windowed DrawSurface", hr, RESULT_SURFACE_FAIL);
    if (uint32_t hr = mDriver->CreateClipper(clipper)) return Fail("CreateClipper Windowed", hr, RESULT_FAIL);
    return RESULT_OK;
}

DDInterface::Result DDInterface::CreateFullScreenSurfaces(std::shared_ptr<Clipper>& clipper) {
    const uint32_t device3D = m3DEnabled ? SurfaceCaps::Device3D : 0;
    if (uint32_t hr =
            mDriver->SetCooperativeLevel(mWindow, CooperativeLevel::Exclusive | CooperativeLevel::FullScreen))
        return Fail("SetCooperativeLevel FullScreen", hr, RESULT_EXCLUSIVE_FAIL);
    if (uint32_t hr = mDriver->SetDisplayMode(mWidth, mHeight, mFullScreenBitDepth))
        return Fail("SetDisplayMode FullScreen", hr, RESULT_DISPCHANGE_FAIL);
    if (uint32_t hr = mDriver->CreateSurface(SurfaceRequest::FlippingPrimary(device3D), mPrimary))
        return Fail("CreateSurface FullScreen Primary", hr, RESULT_SURFACE_FAIL);
    if (uint32_t hr = mPrimary->GetAttachedSurface(mBackBuffer))
        return Fail("GetAttachedSurface", hr, RESULT_SURFACE_FAIL);
    const uint32_t memory =
        m3DEnabled ? SurfaceCaps::VideoMemory | SurfaceCaps::Device3D : SurfaceCaps::SystemMemory;
    if (uint32_t hr =
            mDriver->CreateSurface(SurfaceRequest::Offscreen(mWidth, mHeight, memory), mDrawSurface))
        return Fail("CreateSurface FullScreen DrawSurface", hr, RESULT_SURFACE_FAIL);
    if (uint32_t hr = mDriver->CreateClipper(clipper))
        return Fail("CreateClipper FullScreen", hr, RESULT_FAIL);
    return RESULT_OK;
}

void DDInterface::ReadRefreshRate() {
    uint32_t hertz = 0;
    const uint32_t hr = mDriver->GetMonitorFrequency(hertz);
    if (ResultCode::Failed(hr) || hertz < 60 || hertz > 100) {
        hertz = ResultCode::Failed(hr) ? 60 : std::clamp<uint32_t>(hertz, 60, 100);
        mHost.RefreshRateUnreliable();
    }
    mRefreshRate = static_cast<int32_t>(hertz);
    mMillisecondsPerFrame = static_cast<int32_t>(1000 / hertz);
}

DDInterface::Result DDInterface::CreateCursorAreas() {
    const SurfaceRequest area = SurfaceRequest::Offscreen(CursorAreaSize, CursorAreaSize);
    if (uint32_t hr = mDriver->CreateSurface(area, mOldCursorSurface))
        return Fail("CreateSurface OldCursorArea", hr, RESULT_SURFACE_FAIL);
    if (uint32_t hr = mDriver->CreateSurface(area, mNewCursorSurface))
        return Fail("CreateSurface NewCursorArea", hr, RESULT_SURFACE_FAIL);
    for (auto [image, surface] :
         {std::pair{&mOldCursorImage, &mOldCursorSurface}, std::pair{&mNewCursorImage, &mNewCursorSurface}}) {
        *image = std::make_unique<DDImage>(*this);
        (*image)->AdoptSurface(*surface);
        (*image)->ForceAlphaFlags(false, false);
    }
    return RESULT_OK;
}

void DDInterface::BuildTables() {
    const uint32_t masks[3] = {redMask, greenMask, blueMask};
    const int32_t bits[3] = {redBits, greenBits, blueBits};
    for (size_t c = 0; c < 3; ++c) {
        const int32_t m = (1 << std::clamp(bits[c], 0, 16)) - 1;
        auto& add = mAddTables[c];
        add.resize(static_cast<size_t>(2 * m + 1));
        for (int32_t i = 0; i <= 2 * m; ++i)
            add[static_cast<size_t>(i)] = std::min(i, m);
        for (uint32_t i = 0; i < 256; ++i) {
            const uint64_t value = (static_cast<uint64_t>(masks[c]) * i / 255) & masks[c];
            mConversionTables[c][i] = static_cast<int32_t>(value);
        }
    }
}

void DDInterface::ReleaseDevice() {
    std::lock_guard lock(mLock);
    mInitialized = false;
    mD3D->ReleaseDevice3D();
    mOldCursorImage.reset();
    mNewCursorImage.reset();
    mOldCursorSurface.reset();
    mNewCursorSurface.reset();
    mCursorShown = false;
    mScreenImage.reset();
    mDrawSurface.reset();
    mBackBuffer.reset();
    mPrimary.reset();
    if (mDriver && mWindow != 0) (void)mDriver->SetCooperativeLevel(mWindow, CooperativeLevel::Normal);
    mDriver.reset();
}

void DDInterface::SelectVideoOnlyDrawing(bool on) {
    std::lock_guard lock(mLock);
    if (on && !mBackBuffer && mDriver) {
        SurfaceRequest request = SurfaceRequest::Offscreen(mWidth, mHeight, SurfaceCaps::VideoMemory);
        if (mDriver->CreateSurface(request, mBackBuffer) != ResultCode::Ok) mBackBuffer.reset();
    }
    if (!mBackBuffer) on = false;
    mVideoOnly = on;
    mScreenImage.reset();
    const std::shared_ptr<Surface>& surface = on ? mBackBuffer : mDrawSurface;
    if (!surface) return;
    mScreenImage = std::make_unique<DDImage>(*this);
    mScreenImage->AdoptSurface(surface);
    mScreenImage->SetNoLock(on);
    mScreenImage->PlaceInVideoMemory(on);
    mScreenImage->ForceAlphaFlags(false, false);
}

// --- Presentation ---

bool DDInterface::Redraw(const Rect* rect) {
    std::lock_guard lock(mLock);
    if (!mInitialized) return false;
    mInRedraw = true;
    if (m3DEnabled && !Finish3DFrame()) {
        // A hardware call failed since the last frame: continue in software, which draws it again.
        m3DEnabled = false;
        mInRedraw = false;
        return false;
    }
    const PixelRect source = rect ? ToPixelRect(*rect) : PixelRect{0, 0, mWidth, mHeight};
    const PixelPoint origin = mDriver->ClientOrigin(mWindow);
    const PixelRect dest = source.Offset(origin.x, origin.y);

    uint32_t hr;
    const char* step;
    if (mWindowed) {
        hr = PresentWindowed(source, dest);
        step = "Redraw Windowed";
    } else if (!mHost.UsesPageFlipping() || mHost.SystemDialogActive()) {
        hr = mPrimary->Blt(&dest, mDrawSurface.get(), &source, BltFlags::Wait);
        step = "Redraw FullScreen Blt";
    } else {
        hr = PresentFlipping(source);
        step = "Redraw FullScreen Flip";
    }
    if (ResultCode::Failed(hr)) mErrorText = std::string(step) + ": " + ErrorName(hr);
    mInRedraw = false;
    return ResultCode::Succeeded(hr);
}

bool DDInterface::Finish3DFrame() {
    if (!mD3D->ErrorText().empty()) return false;
    if (mD3D->IsSceneOpen()) {
        mD3D->EndScene3D();
        mD3D->ClearErrorText();
    }
    // The frame is read back into the draw surface, so that the presentation, the software cursor and
    // whatever reads the screen see it as they see a software frame.
    SurfaceLock lock;
    if (!mDrawSurface || mDrawSurface->Lock(lock) != ResultCode::Ok) return true;
    const bool copied = mD3D->CopyTargetTo(lock.pixels, lock.pitch, lock.format.bitsPerPixel);
    mDrawSurface->Unlock();
    return copied;
}

uint32_t DDInterface::PresentWindowed(const PixelRect& source, const PixelRect& dest) {
    if (mVideoOnly) {
        if (mHost.WaitForVSync()) (void)mDriver->WaitForVerticalBlank(VerticalBlank::BlockBegin);
        DrawSoftCursor(*mBackBuffer);
        return mPrimary->Blt(&dest, mBackBuffer.get(), &source, BltFlags::Wait);
    }
    const bool cursorDrawn = DrawSoftCursor(*mDrawSurface);
    uint32_t hr;
    if (mHost.WaitForVSync() && mVsyncTimeouts < kMaxVsyncTimeouts)
        hr = BeamChasingBlit(source, dest);
    else
        hr = mPrimary->Blt(&dest, mDrawSurface.get(), &source, BltFlags::Wait);
    if (cursorDrawn) {
        // The draw surface gets back what was under the cursor; the primary keeps showing it.
        const PixelRect saved{0, 0, mCursorArea.width, mCursorArea.height};
        (void)mDrawSurface->Blt(&mCursorArea, mOldCursorSurface.get(), &saved, BltFlags::Wait);
    }
    return hr;
}

// Presents the frame in two halves, each blitted while the display scans the other, so that no
// frame is shown torn. Displays that cannot report their scan line (every one this runs on) get the
// whole frame after a vertical-blank wait instead.
uint32_t DDInterface::BeamChasingBlit(const PixelRect& source, const PixelRect& dest) {
    const int32_t middle = dest.y + dest.height / 2;
    const int32_t screenHeight = mDriver->ScreenHeight();
    const uint32_t start = mClock.Milliseconds();
    auto timedOut = [&] { return mClock.Milliseconds() - start >= kBeamChaseLimitMs; };
    auto wholeFrame = [&](bool countTimeout) {
        if (countTimeout) ++mVsyncTimeouts;
        (void)mDriver->WaitForVerticalBlank(VerticalBlank::BlockBegin);
        return mPrimary->Blt(&dest, mDrawSurface.get(), &source, BltFlags::Wait);
    };

    // Wait until the beam has been seen above the middle line and then at or below it.
    bool seenAbove = false;
    for (;;) {
        if (timedOut()) return wholeFrame(true);
        uint32_t line = 0;
        const uint32_t hr = mDriver->GetScanLine(line);
        const bool blank = hr == ResultCode::VerticalBlankInProgress;
        if (ResultCode::Failed(hr) && !blank) return wholeFrame(false);
        const bool above =
            !blank && static_cast<int32_t>(line) < middle && static_cast<int32_t>(line) < screenHeight;
        if (above)
            seenAbove = true;
        else if (seenAbove)
            break;
    }
    const int32_t topHeight = middle - dest.y;
    const PixelRect topDest{dest.x, dest.y, dest.width, topHeight};
    const PixelRect topSource{source.x, source.y, source.width, topHeight};
    if (topHeight > 0) {
        if (uint32_t hr = mPrimary->Blt(&topDest, mDrawSurface.get(), &topSource, BltFlags::Wait)) return hr;
    }

    // Then until it passes the bottom line or wraps to the top.
    uint32_t previous = 0;
    bool first = true;
    for (;;) {
        if (timedOut()) return wholeFrame(true);
        uint32_t line = 0;
        const uint32_t hr = mDriver->GetScanLine(line);
        if (hr == ResultCode::VerticalBlankInProgress) break;
        if (ResultCode::Failed(hr)) return wholeFrame(false);
        if (static_cast<int32_t>(line) >= dest.Bottom() || (!first && line < previous)) break;
        previous = line;
        first = false;
    }
    const PixelRect bottomDest{dest.x, middle, dest.width, dest.Bottom() - middle};
    const PixelRect bottomSource{source.x, source.y + topHeight, source.width, source.height - topHeight};
    mVsyncTimeouts = 0;
    if (bottomDest.height <= 0) return ResultCode::Ok;
    return mPrimary->Blt(&bottomDest, mDrawSurface.get(), &bottomSource, BltFlags::Wait);
}

uint32_t DDInterface::PresentFlipping(const PixelRect& source) {
    // A flip shows the whole back buffer, so the whole frame goes there.
    (void)source;
    if (!mVideoOnly) {
        if (uint32_t hr = mBackBuffer->Blt(nullptr, mDrawSurface.get(), nullptr, BltFlags::Wait)) return hr;
    }
    DrawSoftCursor(*mBackBuffer);
    return mPrimary->Flip();
}

// --- Software cursor ---

bool DDInterface::ChooseSoftCursor(MemoryImage* image) {
    std::lock_guard lock(mLock);
    if (image == mCursorImage) return false;
    // The old picture must not stay behind on the screen.
    if (mCursorShown && mPrimary) RemoveSoftCursor(*mPrimary);
    mCursorImage = image;
    return true;
}

PixelPoint DDInterface::OriginOn(const Surface& target) {
    return &target == mPrimary.get() && mDriver ? mDriver->ClientOrigin(mWindow) : PixelPoint{0, 0};
}

bool DDInterface::DrawSoftCursor(Surface& target) {
    if (mCursorImage == nullptr || !mOldCursorSurface || !mNewCursorSurface) return false;
    const int32_t half = CursorAreaSize / 2;
    const PixelRect screen{0, 0, mWidth, mHeight};
    const PixelRect area =
        PixelRect{mNewCursorX - half, mNewCursorY - half, CursorAreaSize, CursorAreaSize}.Intersection(
            screen);
    if (area.IsEmpty()) {
        mCursorShown = false;
        return false;
    }
    const PixelPoint origin = OriginOn(target);
    const PixelRect onTarget = area.Offset(origin.x, origin.y);
    const PixelRect saved{0, 0, area.width, area.height};
    const bool savedOk = mOldCursorSurface->Blt(&saved, &target, &onTarget, BltFlags::Wait) == ResultCode::Ok;
    const int32_t left = mNewCursorX - mCursorImage->GetWidth() / 2;
    const int32_t top = mNewCursorY - mCursorImage->GetHeight() / 2;
    if (&target != mDrawSurface.get() || m3DEnabled) {
        (void)mNewCursorSurface->Blt(&saved, mOldCursorSurface.get(), &saved, BltFlags::Wait);
        {
            Graphics g(mNewCursorImage.get());
            g.PaintImage(mCursorImage, left - area.x, top - area.y);
        }
        (void)target.Blt(&onTarget, mNewCursorSurface.get(), &saved, BltFlags::Wait);
    } else if (mScreenImage) {
        Graphics g(mScreenImage.get());
        g.PaintImage(mCursorImage, left, top);
    }
    mShownCursorX = mNewCursorX;
    mShownCursorY = mNewCursorY;
    mCursorArea = area;
    mCursorShown = savedOk;
    return savedOk;
}

void DDInterface::RemoveSoftCursor(Surface& target) {
    if (!mCursorShown) return;
    const PixelPoint origin = OriginOn(target);
    const PixelRect onTarget = mCursorArea.Offset(origin.x, origin.y);
    const PixelRect saved{0, 0, mCursorArea.width, mCursorArea.height};
    (void)target.Blt(&onTarget, mOldCursorSurface.get(), &saved, BltFlags::Wait);
    mCursorShown = false;
}

void DDInterface::MoveSoftCursor(int32_t x, int32_t y) {
    mNewCursorX = x;
    mNewCursorY = y;
    // A presentation in progress draws the cursor itself, at this position.
    if (mInRedraw) return;
    std::lock_guard lock(mLock);
    if (!mInitialized || !mPrimary || mCursorImage == nullptr) return;
    if (mCursorShown) RemoveSoftCursor(*mPrimary);
    DrawSoftCursor(*mPrimary);
}

} // namespace Zorbel
