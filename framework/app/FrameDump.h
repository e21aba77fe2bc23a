#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

namespace Zorbel {

class MemoryImage;

// Frames written at chosen update steps, for comparing two runs (a recording and its replay) picture
// by picture. ZORBEL_FRAME_DUMP=DIR:STEP[,STEP...] asks for DIR/frame-STEP.png at each listed step.
class FrameDump {
public:
    // From the environment; null when the variable is unset or names no step.
    static std::unique_ptr<FrameDump> FromEnvironment();
    // From a value as the variable holds it; null when it names no folder or no step.
    static std::unique_ptr<FrameDump> Parse(const std::string& value);

    bool Wants(int32_t step) const { return mSteps.count(step) != 0; }
    // Writes the picture as DIR/frame-STEP.png; false when it could not be written.
    bool Write(int32_t step, MemoryImage& image) const;

    const std::string& GetFolder() const { return mFolder; }
    const std::set<int32_t>& GetSteps() const { return mSteps; }

private:
    std::string mFolder;
    std::set<int32_t> mSteps;
};

} // namespace Zorbel
