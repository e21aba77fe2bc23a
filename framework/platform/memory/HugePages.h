#pragma once

#include <cstddef>

namespace Zorbel {

// Asks the system to back the whole 2 MiB pages within [data, data + size) with huge pages. Filling a
// fresh buffer of a hundred megabytes otherwise costs tens of thousands of page faults, more than the
// copying itself. Only a hint: nothing changes for the caller, and a range without a whole huge page in
// it is left alone.
void PreferHugePages(void* data, size_t size);

} // namespace Zorbel
