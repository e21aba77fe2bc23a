#pragma once

#include <cstdint>

namespace Zorbel {

// The desktop's own output volume, as one unsigned value 0 ... 65535.
class SystemMixer {
public:
    static constexpr uint32_t MaxValue = 65535;

    virtual ~SystemMixer() = default;

    // False when there is no volume control to read.
    virtual bool ReadVolume(uint32_t& value) = 0;
    // Does nothing when there is no volume control.
    virtual void WriteVolume(uint32_t value) = 0;
};

} // namespace Zorbel
