#pragma once

#include "framework/debug/CrashContext.h"

#include <string>

namespace Zorbel {

// The stack trace of a crash report. The walk follows the unwind tables from the machine state
// (libunwind) and names each frame with its function, source file and line from the debug
// information (libdw); the frame-pointer chain stands in when that walk yields nothing.
class StackTrace {
public:
    // Frames beyond this many are left out: a runaway recursion would otherwise fill the report.
    static constexpr int kMaxFrames = 64;

    // The trace lines, each ending in CR LF; the unwinder's walk, else the frame-pointer walk.
    static std::string Write(const CrashContext& context);
    // The walks on their own.
    static std::string WriteUnwound(const CrashContext& context);
    static std::string WriteFramePointerWalk(uint64_t pc, uint64_t frame);
};

} // namespace Zorbel
