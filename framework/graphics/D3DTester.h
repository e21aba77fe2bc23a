#pragma once

#include "framework/platform/WindowMessage.h"

#include <cstdint>
#include <string>

namespace Zorbel {

class DisplayDriver;

// Decides, before 3D is first used, whether the graphics hardware can be trusted with it. This build
// has no hardware path, so every test fails with a reason that says so.
class D3DTester {
public:
    void SetVideoMemoryThresholds(int32_t minimumMB, int32_t recommendedMB) {
        mMinVideoMemoryMB = minimumMB;
        mRecVideoMemoryMB = recommendedMB;
    }

    void RunTest(WindowId window, DisplayDriver* driver);

    // Empty when 3D may be used.
    const std::string& FailureReason() const { return mFailureReason; }
    const std::string& Warning() const { return mWarning; }
    // True when the result comes from a test run now rather than a stored earlier result.
    bool ResultIsNew() const { return mResultIsNew; }
    bool HasRun() const { return mHasRun; }

private:
    int32_t mMinVideoMemoryMB = 6;
    int32_t mRecVideoMemoryMB = 14;
    std::string mFailureReason;
    std::string mWarning;
    bool mResultIsNew = false;
    bool mHasRun = false;
};

} // namespace Zorbel
