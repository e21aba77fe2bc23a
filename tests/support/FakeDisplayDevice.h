#pragma once

#include "framework/app/DisplayDevice.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"

#include <atomic>
#include <deque>
#include <vector>

namespace ZorbelTest {

// A display device in memory: set-up and presents are counted, their results can be scripted, and the
// screen image is a plain memory image.
class FakeDisplayDevice : public Zorbel::DisplayDevice {
public:
    explicit FakeDisplayDevice(Zorbel::ImageContext& context) : mContext(context) {}

    uint32_t InitDevice(Zorbel::WindowId window, bool windowed) override {
        ++initCount;
        initWindows.push_back(window);
        initWindowed.push_back(windowed);
        uint32_t result = Zorbel::DisplayResult::Ok;
        if (!initResults.empty()) {
            result = initResults.front();
            initResults.pop_front();
        }
        mWindowed = windowed;
        mScreen.reset();
        if (result == Zorbel::DisplayResult::Ok) {
            mScreen = std::make_unique<Zorbel::MemoryImage>(mContext);
            mScreen->SetSize(width, height);
        }
        return result;
    }
    void ReleaseDevice() override { mScreen.reset(); }
    bool Redraw(const Zorbel::Rect*) override {
        ++presentCount;
        if (failPresents > 0) {
            --failPresents;
            return false;
        }
        return true;
    }
    Zorbel::MemoryImage* GetScreenImage() override { return mScreen.get(); }
    void ReleaseScreenForSystem() override { ++releaseForSystemCount; }
    std::unique_ptr<Zorbel::MemoryImage> CreateImage() override {
        return std::make_unique<Zorbel::MemoryImage>(mContext);
    }
    int32_t GetRefreshRate() const override { return 60; }
    int32_t GetMillisecondsPerFrame() const override { return 16; }
    bool Is3D() const override { return is3D; }
    void Set3D(bool on) override { is3D = on; }
    void SetAlphaDisabled(bool disabled) override { alphaDisabled = disabled; }
    bool IsWindowed() const override { return mWindowed; }
    bool ChooseSoftCursor(Zorbel::MemoryImage* image) override {
        bool changed = image != softCursor;
        softCursor = image;
        return changed;
    }
    void MoveSoftCursor(int32_t, int32_t) override { ++softCursorMoves; }
    void SetSoftCursorPosition(int32_t, int32_t) override { ++softCursorPositions; }
    std::recursive_mutex& GetLock() override { return mLock; }
    std::string GetErrorText() const override { return errorText; }
    std::string GetInfoText() const override { return "Display: fake\r\n"; }

    int32_t width = 640;
    int32_t height = 480;
    int initCount = 0;
    std::vector<Zorbel::WindowId> initWindows;
    std::vector<bool> initWindowed;
    std::deque<uint32_t> initResults;
    int presentCount = 0;
    int failPresents = 0;
    int releaseForSystemCount = 0;
    bool is3D = false;
    bool alphaDisabled = false;
    Zorbel::MemoryImage* softCursor = nullptr;
    std::atomic<int> softCursorMoves{0};
    std::atomic<int> softCursorPositions{0};
    std::string errorText = "CreateSurface Windowed Primary: DDERR_GENERIC";

private:
    Zorbel::ImageContext& mContext;
    std::unique_ptr<Zorbel::MemoryImage> mScreen;
    std::recursive_mutex mLock;
    bool mWindowed = true;
};

} // namespace ZorbelTest
