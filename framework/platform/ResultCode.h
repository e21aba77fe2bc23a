#pragma once

#include <cstdint>

namespace Zorbel {

// Failure codes of the display layer. They keep the numbers of the classic display interfaces, so that
// one lookup (ErrorName) names the codes of every family the framework reports.
namespace ResultCode {

constexpr uint32_t Ok = 0;

// Codes shared with the general system families.
constexpr uint32_t Unsupported = 0x80004001;
constexpr uint32_t NoInterface = 0x80004002;
constexpr uint32_t Generic = 0x80004005;
constexpr uint32_t NoAggregation = 0x80040110;
constexpr uint32_t NotInitialized = 0x800401F0;
constexpr uint32_t OutOfMemory = 0x8007000E;
constexpr uint32_t InvalidParams = 0x80070057;

// The display family: 0x88760000 plus a number.
constexpr uint32_t InvalidCaps = 0x88760064;
constexpr uint32_t InvalidMode = 0x88760078;
constexpr uint32_t InvalidObject = 0x88760082;
constexpr uint32_t InvalidPixelFormat = 0x88760091;
constexpr uint32_t InvalidRect = 0x88760096;
constexpr uint32_t NoCooperativeLevelSet = 0x887600D4;
constexpr uint32_t NoColorKey = 0x887600D7;
constexpr uint32_t NoExclusiveMode = 0x887600E1;
constexpr uint32_t NotFound = 0x887600FF;
constexpr uint32_t OutOfVideoMemory = 0x8876017C;
constexpr uint32_t SurfaceBusy = 0x887601AE;
constexpr uint32_t SurfaceLost = 0x887601C2;
constexpr uint32_t SurfaceNotAttached = 0x887601CC;
constexpr uint32_t VerticalBlankInProgress = 0x88760219;
constexpr uint32_t PrimarySurfaceAlreadyExists = 0x88760234;
constexpr uint32_t NoHwnd = 0x88760239;
constexpr uint32_t NotFlippable = 0x88760246;
constexpr uint32_t NotLocked = 0x88760248;
constexpr uint32_t UnsupportedMode = 0x8876024E;

constexpr bool Succeeded(uint32_t code) {
    return (code & 0x80000000u) == 0;
}
constexpr bool Failed(uint32_t code) {
    return !Succeeded(code);
}

} // namespace ResultCode

} // namespace Zorbel
