#include "framework/app/DDDisplayDevice.h"

#include "framework/app/ZorbelAppBase.h"
#include "framework/graphics/D3DInterface.h"
#include "framework/graphics/D3DTester.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"

#include <algorithm>

namespace Zorbel {

DDDisplayDevice::DDDisplayDevice(ZorbelAppBase& app)
    : mApp(app),
      mDevice(std::make_unique<DDInterface>(static_cast<DisplayHost&>(*this), app.GetImageContext(),
                                            app.GetWindowSystem(), app.GetClock())) {}

DDDisplayDevice::~DDDisplayDevice() = default;

uint32_t DDDisplayDevice::InitDevice(WindowId window, bool windowed) {
    return static_cast<uint32_t>(mDevice->InitDevice(window, windowed));
}

void DDDisplayDevice::ReleaseDevice() {
    mDevice->ReleaseDevice();
}

bool DDDisplayDevice::Redraw(const Rect* clip) {
    return mDevice->Redraw(clip);
}

MemoryImage* DDDisplayDevice::GetScreenImage() {
    return mDevice->GetScreenImage();
}

std::unique_ptr<MemoryImage> DDDisplayDevice::CreateImage() {
    return std::make_unique<DDImage>(*mDevice);
}

int32_t DDDisplayDevice::GetRefreshRate() const {
    return mDevice->RefreshRate();
}

int32_t DDDisplayDevice::GetMillisecondsPerFrame() const {
    return mDevice->MillisecondsPerFrame();
}

bool DDDisplayDevice::Is3D() const {
    return mDevice->Is3DEnabled();
}

void DDDisplayDevice::Set3D(bool on) {
    mDevice->Set3DEnabled(on);
}

bool DDDisplayDevice::IsWindowed() const {
    return mDevice->IsWindowed();
}

bool DDDisplayDevice::ChooseSoftCursor(MemoryImage* image) {
    return mDevice->ChooseSoftCursor(image);
}

void DDDisplayDevice::MoveSoftCursor(int32_t x, int32_t y) {
    mDevice->MoveSoftCursor(x, y);
}

void DDDisplayDevice::SetSoftCursorPosition(int32_t x, int32_t y) {
    mDevice->SetSoftCursorPosition(x, y);
}

std::recursive_mutex& DDDisplayDevice::GetLock() {
    return mDevice->Lock();
}

std::string DDDisplayDevice::GetErrorText() const {
    return mDevice->ErrorText();
}

std::string DDDisplayDevice::GetInfoText() const {
    return "Display: " + std::to_string(mDevice->Width()) + "x" + std::to_string(mDevice->Height()) + " " +
           std::to_string(mDevice->bitDepth) + " bit, " + std::to_string(mDevice->RefreshRate()) +
           " Hz\r\n3D: " + (mDevice->Is3DEnabled() ? "Yes" : "No") + "\r\n";
}

int32_t DDDisplayDevice::DisplayWidth() const {
    return mApp.GetWidth();
}

int32_t DDDisplayDevice::DisplayHeight() const {
    return mApp.GetHeight();
}

bool DDDisplayDevice::WaitForVSync() const {
    return mApp.GetWaitForVSync();
}

bool DDDisplayDevice::SystemDialogActive() const {
    return mApp.IsSystemDialogActive();
}

int32_t DDDisplayDevice::MinVideoMemoryMB() const {
    return mApp.GetMinVideoMemoryMB();
}

int32_t DDDisplayDevice::RecVideoMemoryMB() const {
    return mApp.GetRecVideoMemoryMB();
}

void DDDisplayDevice::HardwareError(const std::string& text) {
    ++mHardwareErrors;
    mApp.RegistryWriteString("Test3D\\RuntimeError", text);
}

bool DDDisplayDevice::ReadSetting(const std::string& name, uint32_t& type, std::vector<uint8_t>& data) {
    uint8_t buffer[4096];
    uint32_t length = sizeof buffer;
    if (!mApp.RegistryRead(name, type, buffer, length)) return false;
    data.assign(buffer, buffer + std::min<uint32_t>(length, sizeof buffer));
    return true;
}

bool DDDisplayDevice::WriteSetting(const std::string& name, uint32_t type, const void* data, size_t length) {
    return mApp.RegistryWrite(name, type, data, length);
}

bool DDDisplayDevice::PlayingDemo() const {
    // FIXME: the tester's results go into the demo stream once demos record more than their settings.
    return mApp.IsDemoPlaying();
}

void DDDisplayDevice::Fresh3DTestHook() {
    mApp.Fresh3DTestHook();
}

bool DDDisplayDevice::ReadScreen(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) {
    std::lock_guard<std::recursive_mutex> guard(mDevice->Lock());
    DDImage* screen = mDevice->GetScreenImage();
    if (screen == nullptr || !screen->GetSurface()) return false;
    // A picture of our own borrows the screen's surface for the read, so the screen image keeps its
    // state (no pixel copy is left behind in it).
    DDImage borrowed(*mDevice);
    borrowed.AdoptSurface(screen->GetSurface());
    return CopyOpaque(borrowed, pixels, width, height);
}

bool DDDisplayDevice::GetTextureUse(const MemoryImage& image, TextureUse& use) {
    uint32_t format = 0;
    size_t bytes = 0;
    if (image.GetHardwareTexture() == nullptr || !mDevice->Hardware().DescribeTexture(image, format, bytes))
        return false;
    use.format = format == GpuFormat::A4R4G4B4 ? TextureFormat::A4R4G4B4
                 : format == GpuFormat::R5G6B5 ? TextureFormat::R5G6B5
                                               : TextureFormat::A8R8G8B8;
    use.bytes = bytes;
    return true;
}

VideoMemory DDDisplayDevice::GetVideoMemory() {
    VideoMemory memory;
    GpuDevice* gpu = mDevice->Hardware().Device();
    if (gpu == nullptr || !gpu->Info().videoMemory) return memory;
    memory.total = *gpu->Info().videoMemory;
    // The drivers tell the total only; what is taken is what this program holds there: its textures
    // and the frame it draws into.
    const uint64_t frame =
        uint64_t(std::max(mDevice->Width(), 0)) * uint64_t(std::max(mDevice->Height(), 0)) * 4;
    const uint64_t taken = mDevice->Hardware().TextureMemory() + frame;
    memory.free = taken < memory.total ? memory.total - taken : 0;
    return memory;
}

HardwareVerdict DDDisplayDevice::Get3DVerdict() const {
    const D3DTester* tester = mDevice->Tester();
    if (tester == nullptr || !tester->HasRun() || !tester->FailureReason().empty())
        return HardwareVerdict::Unsupported;
    return tester->Warning().empty() ? HardwareVerdict::Recommended : HardwareVerdict::Supported;
}

} // namespace Zorbel
