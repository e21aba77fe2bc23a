#include "framework/platform/memory/HugePages.h"

#include <cstdint>
#include <sys/mman.h>

namespace Zorbel {

namespace {

constexpr uintptr_t HugePageSize = uintptr_t{2} << 20;

} // namespace

void PreferHugePages(void* data, size_t size) {
    auto begin = reinterpret_cast<uintptr_t>(data);
    uintptr_t first = (begin + HugePageSize - 1) & ~(HugePageSize - 1);
    uintptr_t last = (begin + size) & ~(HugePageSize - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

} // namespace Zorbel
