#include "framework/sound/ModuleSource.h"

#include "framework/platform/files/InputFile.h"
#include "framework/sound/Mixer.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace Zorbel {

std::unique_ptr<ModuleSource> ModuleSource::Open(const std::string& path) {
    InputFile file(path, MaxFileBytes);
    std::string bytes;
    if (!file || !file.ReadAll(bytes)) return nullptr;
    return FromMemory(bytes.data(), bytes.size());
}

std::unique_ptr<ModuleSource> ModuleSource::FromMemory(const void* bytes, size_t size) {
    if (size == 0) return nullptr;
    openmpt_module* module =
        openmpt_module_create_from_memory2(bytes, size, openmpt_log_func_silent, nullptr,
                                           openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
    if (!module) return nullptr;
    std::unique_ptr<ModuleSource> source(new ModuleSource(module));
    source->SetLoop(false);
    return source;
}

ModuleSource::~ModuleSource() {
    openmpt_module_destroy(mModule);
}

uint32_t ModuleSource::Rate() const {
    return Mixer::OutputRate;
}

long ModuleSource::ReadFrames(int16_t* out, size_t frameCount) {
    return static_cast<long>(
        openmpt_module_read_interleaved_stereo(mModule, int32_t(Mixer::OutputRate), frameCount, out));
}

bool ModuleSource::Restart(int64_t order) {
    if (order < 0 || order >= openmpt_module_get_num_orders(mModule)) return false;
    openmpt_module_set_position_order_row(mModule, static_cast<int32_t>(order), 0);
    return true;
}

void ModuleSource::SetLoop(bool loop) {
    openmpt_module_set_repeat_count(mModule, loop ? -1 : 0);
}

void ModuleSource::SetAmplify(int32_t amplify) {
    // 50 plays the module as written; each doubling adds about 6 dB, down to silence at 0.
    double factor = std::clamp(amplify, 0, 100) / 50.0;
    int32_t millibel =
        factor > 0 ? static_cast<int32_t>(std::lround(2000.0 * std::log10(factor))) : INT_MIN / 2;
    openmpt_module_set_render_param(mModule, OPENMPT_MODULE_RENDER_MASTERGAIN_MILLIBEL, millibel);
}

} // namespace Zorbel
