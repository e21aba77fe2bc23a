#include "framework/app/DisplayDevice.h"

namespace Zorbel {

std::string DisplayResultText(uint32_t result) {
    switch (result) {
        case DisplayResult::Ok:
            return "RESULT_OK";
        case DisplayResult::Fail:
            return "RESULT_FAIL";
        case DisplayResult::CreateFail:
            return "RESULT_DD_CREATE_FAIL";
        case DisplayResult::SurfaceFail:
            return "RESULT_SURFACE_FAIL";
        case DisplayResult::ExclusiveFail:
            return "RESULT_EXCLUSIVE_FAIL";
        case DisplayResult::DisplayChangeFail:
            return "RESULT_DISPCHANGE_FAIL";
        case DisplayResult::InvalidColorDepth:
            return "RESULT_INVALID_COLORDEPTH";
        default:
            return "RESULT_UNKNOWN";
    }
}

} // namespace Zorbel
