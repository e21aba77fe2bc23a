#pragma once

#include "framework/app/DisplayDevice.h"
#include "framework/graphics/DisplayHost.h"

#include <memory>

namespace Zorbel {

class DDInterface;
class ZorbelAppBase;

// The application's display: the surface display device on the application's window system, with the
// application as its host. The application must outlive it.
class DDDisplayDevice : public DisplayDevice, private DisplayHost {
public:
    explicit DDDisplayDevice(ZorbelAppBase& app);
    ~DDDisplayDevice() override;

    uint32_t InitDevice(WindowId window, bool windowed) override;
    void ReleaseDevice() override;
    bool Redraw(const Rect* clip) override;
    MemoryImage* GetScreenImage() override;
    void ReleaseScreenForSystem() override {}
    std::unique_ptr<MemoryImage> CreateImage() override;
    int32_t GetRefreshRate() const override;
    int32_t GetMillisecondsPerFrame() const override;
    bool Is3D() const override;
    void Set3D(bool on) override;
    void SetAlphaDisabled(bool) override {}
    bool IsWindowed() const override;
    bool ChooseSoftCursor(MemoryImage* image) override;
    void MoveSoftCursor(int32_t x, int32_t y) override;
    void SetSoftCursorPosition(int32_t x, int32_t y) override;
    std::recursive_mutex& GetLock() override;
    std::string GetErrorText() const override;
    std::string GetInfoText() const override;
    bool ReadScreen(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) override;
    bool GetTextureUse(const MemoryImage& image, TextureUse& use) override;
    VideoMemory GetVideoMemory() override;
    HardwareVerdict Get3DVerdict() const override;

    DDInterface& Device() { return *mDevice; }
    bool HadHardwareProblems() const override { return mHardwareErrors > 0; }
    int32_t HardwareErrorCount() const override { return mHardwareErrors; }

private:
    int32_t DisplayWidth() const override;
    int32_t DisplayHeight() const override;
    int32_t FullScreenBitDepth() const override { return 32; }
    bool WaitForVSync() const override;
    bool SystemDialogActive() const override;
    int32_t MinVideoMemoryMB() const override;
    int32_t RecVideoMemoryMB() const override;
    void Fresh3DTestHook() override;
    void HardwareError(const std::string& text) override;
    bool ReadSetting(const std::string& name, uint32_t& type, std::vector<uint8_t>& data) override;
    bool WriteSetting(const std::string& name, uint32_t type, const void* data, size_t length) override;
    bool PlayingDemo() const override;

    ZorbelAppBase& mApp;
    std::unique_ptr<DDInterface> mDevice;
    int32_t mHardwareErrors = 0;
};

} // namespace Zorbel
