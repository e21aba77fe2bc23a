#include "framework/graphics/CpuFeatures.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace Zorbel {

namespace {

// The same switch as the row kernels': "avx2" turns off only the AVX2 set, which these kernels do not
// use; any other non-empty value turns off every vector kernel.
bool DisabledByEnvironment() {
    const char* value = std::getenv("ZORBEL_DISABLE_SIMD");
    return value != nullptr && *value != '\0' && std::strcmp(value, "avx2") != 0;
}

std::atomic<bool>& SimdSwitch() {
    static std::atomic<bool> enabled{CpuFeatures::HasSse2() && !DisabledByEnvironment()};
    return enabled;
}

} // namespace

bool CpuFeatures::HasSse2() {
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("sse2");
#else
    return false;
#endif
}

bool CpuFeatures::HasSsse3() {
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("ssse3");
#else
    return false;
#endif
}

bool CpuFeatures::SimdEnabled() {
    return SimdSwitch().load(std::memory_order_relaxed);
}

void CpuFeatures::SetSimdEnabled(bool enabled) {
    SimdSwitch().store(enabled && HasSse2(), std::memory_order_relaxed);
}

} // namespace Zorbel
