#include "framework/platform/display/ErrorName.h"

#include "framework/platform/ResultCode.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace Zorbel {

namespace {

struct NamedCode {
    uint32_t code;
    const char* name;
};

// Sorted by code. Layers that can return further codes add their names here.
constexpr std::array kNames = {
    NamedCode{ResultCode::Unsupported, "DDERR_UNSUPPORTED"},
    NamedCode{ResultCode::NoInterface, "DSERR_NOINTERFACE"},
    NamedCode{ResultCode::Generic, "DSERR_GENERIC"},
    NamedCode{ResultCode::NoAggregation, "DSERR_NOAGGREGATION"},
    NamedCode{ResultCode::NotInitialized, "DDERR_NOTINITIALIZED"},
    NamedCode{ResultCode::OutOfMemory, "E_OUTOFMEMORY"},
    NamedCode{ResultCode::InvalidParams, "DDERR_INVALIDPARAMS"},
    NamedCode{ResultCode::InvalidCaps, "DDERR_INVALIDCAPS"},
    NamedCode{ResultCode::InvalidMode, "DDERR_INVALIDMODE"},
    NamedCode{ResultCode::InvalidObject, "DDERR_INVALIDOBJECT"},
    NamedCode{ResultCode::InvalidPixelFormat, "DDERR_INVALIDPIXELFORMAT"},
    NamedCode{ResultCode::InvalidRect, "DDERR_INVALIDRECT"},
    NamedCode{ResultCode::NoCooperativeLevelSet, "DDERR_NOCOOPERATIVELEVELSET"},
    NamedCode{ResultCode::NoColorKey, "DDERR_NOCOLORKEY"},
    NamedCode{ResultCode::NoExclusiveMode, "DDERR_NOEXCLUSIVEMODE"},
    NamedCode{ResultCode::NotFound, "DDERR_NOTFOUND"},
    NamedCode{ResultCode::OutOfVideoMemory, "DDERR_OUTOFVIDEOMEMORY"},
    NamedCode{ResultCode::SurfaceBusy, "DDERR_SURFACEBUSY"},
    NamedCode{ResultCode::SurfaceLost, "DDERR_SURFACELOST"},
    NamedCode{ResultCode::SurfaceNotAttached, "DDERR_SURFACENOTATTACHED"},
    NamedCode{ResultCode::VerticalBlankInProgress, "DDERR_VERTICALBLANKINPROGRESS"},
    NamedCode{ResultCode::PrimarySurfaceAlreadyExists, "DDERR_PRIMARYSURFACEALREADYEXISTS"},
    NamedCode{ResultCode::NoHwnd, "DDERR_NOHWND"},
    NamedCode{ResultCode::NotFlippable, "DDERR_NOTFLIPPABLE"},
    NamedCode{ResultCode::NotLocked, "DDERR_NOTLOCKED"},
    NamedCode{ResultCode::UnsupportedMode, "DDERR_UNSUPPORTEDMODE"},
};

static_assert(std::is_sorted(kNames.begin(), kNames.end(),
                             [](const NamedCode& a, const NamedCode& b) { return a.code < b.code; }));

} // namespace

std::string ErrorName(uint32_t code) {
    auto found = std::lower_bound(kNames.begin(), kNames.end(), code,
                                  [](const NamedCode& entry, uint32_t value) { return entry.code < value; });
    if (found != kNames.end() && found->code == code) return found->name;
    char text[16];
    std::snprintf(text, sizeof text, "%x", code);
    return text;
}

} // namespace Zorbel
