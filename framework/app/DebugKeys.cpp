#include "framework/app/DebugKeys.h"

namespace Zorbel {

bool DebugKeys::KeyDown(int32_t) {
    return false;
}

} // namespace Zorbel
