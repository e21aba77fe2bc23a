#include "framework/platform/CpuFeatures.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace Zorbel {

namespace {

std::atomic<bool>& SimdSwitch() {
    static std::atomic<bool> enabled{
        CpuFeatures::HasSse2() &&
        !CpuFeatures::DisabledBy(CpuFeatures::DisableSetting(), CpuFeatures::VectorSet::Sse2)};
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

bool CpuFeatures::HasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

const char* CpuFeatures::DisableSetting() {
    return std::getenv("ZORBEL_DISABLE_SIMD");
}

bool CpuFeatures::DisabledBy(const char* setting, VectorSet set) {
    if (setting == nullptr || *setting == '\0') return false;
    if (std::strcmp(setting, "avx2") == 0) return set == VectorSet::Avx2;
    return true;
}

bool CpuFeatures::SimdEnabled() {
    return SimdSwitch().load(std::memory_order_relaxed);
}

void CpuFeatures::SetSimdEnabled(bool enabled) {
    SimdSwitch().store(enabled && HasSse2(), std::memory_order_relaxed);
}

} // namespace Zorbel
