#pragma once

#include <string>

namespace Zorbel {

// The display and sound back ends this process runs on, for crash reports ("SDL 2.26.5 x11"); empty
// when the subsystem has not been started.
std::string DisplayBackEndName();
std::string SoundBackEndName();

} // namespace Zorbel
