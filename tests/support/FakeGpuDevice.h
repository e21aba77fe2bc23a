#pragma once

#include "framework/platform/GpuDevice.h"
#include "framework/platform/ResultCode.h"
#include "framework/platform/display/DisplayOptions.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace ZorbelTest {

// A GPU device in memory that keeps what is uploaded and counts what is drawn without drawing it: a
// cleared target reads back its colour. Draws (from the nth on) and texture creation can be made to
// fail. The state is shared, so that a test sees every device a driver made.
struct FakeGpuState {
    Zorbel::GpuInfo info;
    int draws = 0;
    int texturesMade = 0;
    int failDrawFrom = -1; // the first draw (0-based) to fail, -1 for none
    uint32_t failCode = Zorbel::ResultCode::Generic;
    bool failTextures = false;
    std::vector<Zorbel::GpuBlend> blends;

    FakeGpuState() {
        info.vendor = "Fake";
        info.renderer = "Fake GPU";
        info.version = "1.0";
        info.driverFile = "/proc/self/exe"; // a driver of this year
        info.videoMemory = uint64_t(256) << 20;
        info.maxTextureWidth = 4096;
        info.maxTextureHeight = 4096;
        info.formats = Zorbel::GpuFormat::A8R8G8B8 | Zorbel::GpuFormat::A4R4G4B4 | Zorbel::GpuFormat::R5G6B5;
    }
};

class FakeGpuTexture : public Zorbel::GpuTexture {
public:
    FakeGpuTexture(uint32_t format, int width, int height)
        : mFormat(format), mWidth(width), mHeight(height),
          bytes(static_cast<size_t>(width) * static_cast<size_t>(height) *
                    static_cast<size_t>(Zorbel::GpuFormat::BytesPerPixel(format)),
                0) {}
    int Width() const override { return mWidth; }
    int Height() const override { return mHeight; }
    uint32_t Format() const override { return mFormat; }

private:
    uint32_t mFormat;
    int mWidth;
    int mHeight;

public:
    std::vector<uint8_t> bytes;
};

class FakeGpuDevice : public Zorbel::GpuDevice {
public:
    explicit FakeGpuDevice(std::shared_ptr<FakeGpuState> state) : mState(std::move(state)) {}

    const Zorbel::GpuInfo& Info() const override { return mState->info; }
    uint32_t CreateTexture(uint32_t format, int width, int height, bool target,
                           std::unique_ptr<Zorbel::GpuTexture>& out) override {
        if (mState->failTextures && !target) return Zorbel::ResultCode::OutOfVideoMemory;
        ++mState->texturesMade;
        out = std::make_unique<FakeGpuTexture>(target ? Zorbel::GpuFormat::A8R8G8B8 : format, width, height);
        return Zorbel::ResultCode::Ok;
    }
    uint32_t Upload(Zorbel::GpuTexture& texture, const void* pixels, int pitch) override {
        auto& fake = static_cast<FakeGpuTexture&>(texture);
        const size_t row =
            static_cast<size_t>(fake.Width() * Zorbel::GpuFormat::BytesPerPixel(fake.Format()));
        for (int y = 0; y < fake.Height(); ++y)
            std::memcpy(fake.bytes.data() + row * static_cast<size_t>(y),
                        static_cast<const uint8_t*>(pixels) +
                            static_cast<size_t>(pitch) * static_cast<size_t>(y),
                        row);
        return Zorbel::ResultCode::Ok;
    }
    uint32_t SetTarget(Zorbel::GpuTexture* target) override {
        mTarget = static_cast<FakeGpuTexture*>(target);
        return Zorbel::ResultCode::Ok;
    }
    uint32_t SetClip(const Zorbel::PixelRect*) override { return Zorbel::ResultCode::Ok; }
    uint32_t Clear(uint32_t color) override {
        if (mTarget)
            for (size_t i = 0; i < mTarget->bytes.size(); i += 4)
                std::memcpy(mTarget->bytes.data() + i, &color, 4);
        return Zorbel::ResultCode::Ok;
    }
    uint32_t Draw(Zorbel::GpuPrimitive, const Zorbel::GpuVertex*, int, Zorbel::GpuTexture*,
                  Zorbel::GpuBlend blend, bool) override {
        const int draw = mState->draws++;
        mState->blends.push_back(blend);
        if (mState->failDrawFrom >= 0 && draw >= mState->failDrawFrom) return mState->failCode;
        return Zorbel::ResultCode::Ok;
    }
    uint32_t ReadPixels(const Zorbel::PixelRect& area, void* out, int pitch) override {
        if (!mTarget) return Zorbel::ResultCode::NotInitialized;
        for (int y = 0; y < area.height; ++y)
            std::memcpy(static_cast<uint8_t*>(out) + static_cast<size_t>(y) * static_cast<size_t>(pitch),
                        mTarget->bytes.data() +
                            (static_cast<size_t>(area.y + y) * static_cast<size_t>(mTarget->Width()) +
                             static_cast<size_t>(area.x)) *
                                4,
                        static_cast<size_t>(area.width) * 4);
        return Zorbel::ResultCode::Ok;
    }
    uint32_t ReadTexture(Zorbel::GpuTexture& texture, void* out, int pitch) override {
        auto& fake = static_cast<FakeGpuTexture&>(texture);
        const size_t row =
            static_cast<size_t>(fake.Width() * Zorbel::GpuFormat::BytesPerPixel(fake.Format()));
        for (int y = 0; y < fake.Height(); ++y)
            std::memcpy(static_cast<uint8_t*>(out) + static_cast<size_t>(pitch) * static_cast<size_t>(y),
                        fake.bytes.data() + row * static_cast<size_t>(y), row);
        return Zorbel::ResultCode::Ok;
    }

private:
    std::shared_ptr<FakeGpuState> mState;
    FakeGpuTexture* mTarget = nullptr;
};

// Display options whose desktop has the fake GPU, every device made sharing the state.
inline Zorbel::DisplayOptions WithFakeGpu(const std::shared_ptr<FakeGpuState>& state) {
    Zorbel::DisplayOptions options;
    options.gpuDevice = [state](std::unique_ptr<Zorbel::GpuDevice>& out) {
        out = std::make_unique<FakeGpuDevice>(state);
        return Zorbel::ResultCode::Ok;
    };
    return options;
}

} // namespace ZorbelTest
