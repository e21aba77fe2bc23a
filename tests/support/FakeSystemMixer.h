#pragma once

#include "framework/platform/SystemMixer.h"

#include <memory>

namespace ZorbelTest {

// A desktop volume control that keeps its value in a variable the test owns (absent when it is null).
class FakeSystemMixer : public Zorbel::SystemMixer {
public:
    explicit FakeSystemMixer(std::shared_ptr<uint32_t> value) : mValue(std::move(value)) {}
    bool ReadVolume(uint32_t& value) override {
        if (!mValue) return false;
        value = *mValue;
        return true;
    }
    void WriteVolume(uint32_t value) override {
        if (mValue) *mValue = value;
    }

private:
    std::shared_ptr<uint32_t> mValue;
};

} // namespace ZorbelTest
