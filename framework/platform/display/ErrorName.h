#pragma once

#include <cstdint>
#include <string>

namespace Zorbel {

// The symbolic name of a failure code of the display, 3D or sound layers ("DDERR_SURFACELOST",
// "E_OUTOFMEMORY", ...). A code without a name is written in lower-case hexadecimal without a prefix.
// Codes shared by several families have one name.
std::string ErrorName(uint32_t code);

} // namespace Zorbel
