#pragma once

#include "framework/graphics/D3DTestImage.h"
#include "framework/platform/GpuDevice.h"
#include "framework/platform/WindowMessage.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace Zorbel {

class DisplayDriver;
class DisplayHost;

// Decides, before 3D is first used, whether the graphics hardware can be trusted with it: checks the
// video memory and the lists of known cards, then draws five small scenes into a 100 x 100 target,
// reads them back and compares them with the colours they must give. The verdict (a failure reason
// and a warning) is kept in the settings store, so the test runs again only when the hardware or the
// thresholds change. A software rasteriser is judged by the same tests. The host must outlive it.
class D3DTester {
public:
    static constexpr int32_t CacheVersion = 2;
    static constexpr int32_t TargetSize = 100;
    static constexpr int32_t TileSize = 64;
    using Identifier = std::array<uint8_t, 16>;

    explicit D3DTester(DisplayHost& host) : mHost(host) {}

    void SetVideoMemoryThresholds(int32_t minimumMB, int32_t recommendedMB) {
        mMinVideoMemoryMB = minimumMB;
        mRecVideoMemoryMB = recommendedMB;
    }
    // The desktop whose frame counts against the video memory.
    void SetDesktop(int32_t width, int32_t height, int32_t bitsPerPixel) {
        mDesktopWidth = width;
        mDesktopHeight = height;
        mDesktopBits = bitsPerPixel;
    }
    void SetUseSettingsStore(bool on) { mUseSettingsStore = on; }
    // For tests: draws the second layer of scene `scene` (0 to 4) with this blend instead of its own.
    void OverrideSceneBlend(int scene, GpuBlend blend) { mBlendOverrides[scene] = blend; }

    void RunTest(WindowId window, DisplayDriver* driver);

    // Empty when 3D may be used.
    const std::string& FailureReason() const { return mFailureReason; }
    const std::string& Warning() const { return mWarning; }
    // True when the result comes from a test run now rather than a stored earlier result.
    bool ResultIsNew() const { return mResultIsNew; }
    bool HasRun() const { return mHasRun; }
    const std::string& Description() const { return mDescription; }
    const std::string& DriverFile() const { return mDriverFile; }
    int32_t DriverYear() const { return mDriverYear; }
    const Identifier& DisplayIdentifier() const { return mIdentifier; }
    // What the last scene drawn left in the target.
    const D3DTestImage& TestImage() const { return mTestImage; }

    // 16 bytes that tell one display (and driver version) from another.
    static Identifier MakeIdentifier(const std::string& vendor, const std::string& renderer,
                                     const std::string& version);
    // The card rule: a card named in the "vhwb.dat" list (when given) is not supported; with a
    // "vhw.dat" list only the cards it names are; without either, drivers from before 2002 are trusted
    // only on "ati " cards that are neither "nvidia" nor "radeon". Lists hold one name a line.
    static bool IsCardSupported(const std::string& description, int32_t driverYear,
                                const std::string* vhwList, const std::string* vhwbList);

private:
    bool InitTest(WindowId window, DisplayDriver* driver);
    bool ReadCache();
    void WriteCache();
    bool DxFail(const char* step, uint32_t code);
    bool CreateDevice(WindowId window, DisplayDriver* driver);
    void CheckVideoMemory(bool& enough);
    void CheckCard();
    // Runs one scene; false when it found a wrong pixel (the failure is set then).
    bool RunScene(int scene);
    bool DrawTiles(GpuTexture& texture, int32_t at, uint32_t color, GpuBlend blend);
    void ReleaseDevice();

    DisplayHost& mHost;
    int32_t mMinVideoMemoryMB = 6;
    int32_t mRecVideoMemoryMB = 14;
    int32_t mDesktopWidth = 1024;
    int32_t mDesktopHeight = 768;
    int32_t mDesktopBits = 32;
    bool mUseSettingsStore = true;
    std::unique_ptr<GpuDevice> mGpu;
    std::unique_ptr<GpuTexture> mTarget;
    std::unique_ptr<GpuTexture> mTextures[2];
    uint32_t mTextureFormat = GpuFormat::A8R8G8B8;
    Identifier mIdentifier{};
    std::string mDriverFile;
    std::string mDescription;
    D3DTestImage mTestImage;
    std::string mFailureReason;
    std::string mWarning;
    bool mResultIsNew = false;
    bool mHasRun = false;
    int32_t mDriverYear = 0;
    std::map<int, GpuBlend> mBlendOverrides;
};

} // namespace Zorbel
