#include "framework/platform/display/ErrorName.h"
#include "framework/platform/ResultCode.h"

#include <gtest/gtest.h>

using namespace Zorbel;

TEST(ErrorNameTest, CodesSharedBySeveralFamiliesHaveOneName) {
    EXPECT_EQ(ErrorName(0x80004001), "DDERR_UNSUPPORTED");
    EXPECT_EQ(ErrorName(0x80004002), "DSERR_NOINTERFACE");
    EXPECT_EQ(ErrorName(0x80004005), "DSERR_GENERIC");
    EXPECT_EQ(ErrorName(0x80040110), "DSERR_NOAGGREGATION");
    EXPECT_EQ(ErrorName(0x800401F0), "DDERR_NOTINITIALIZED");
    EXPECT_EQ(ErrorName(0x8007000E), "E_OUTOFMEMORY");
    EXPECT_EQ(ErrorName(0x80070057), "DDERR_INVALIDPARAMS");
}

TEST(ErrorNameTest, EveryCodeTheDisplayLayerReturnsHasAName) {
    using namespace ResultCode;
    for (uint32_t code : {InvalidCaps, InvalidMode, InvalidObject, InvalidPixelFormat, InvalidRect,
                          NoCooperativeLevelSet, NoColorKey, NoExclusiveMode, NotFound, OutOfVideoMemory,
                          SurfaceBusy, SurfaceLost, SurfaceNotAttached, VerticalBlankInProgress,
                          PrimarySurfaceAlreadyExists, NoHwnd, NotFlippable, NotLocked, UnsupportedMode}) {
        EXPECT_EQ(ErrorName(code).rfind("DDERR_", 0), 0u) << std::hex << code;
    }
    EXPECT_EQ(ErrorName(SurfaceLost), "DDERR_SURFACELOST");
    EXPECT_EQ(ErrorName(SurfaceBusy), "DDERR_SURFACEBUSY");
}

TEST(ErrorNameTest, UnknownCodesAreWrittenInLowerCaseHex) {
    EXPECT_EQ(ErrorName(0x8876FFFF), "8876ffff");
    EXPECT_EQ(ErrorName(0xDEADBEEF), "deadbeef");
    EXPECT_EQ(ErrorName(1), "1");
}
