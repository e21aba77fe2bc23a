#include "framework/app/DDDisplayDevice.h"

#include "framework/app/ZorbelAppBase.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"

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
    mHardwareProblems = true;
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

} // namespace Zorbel
