#pragma once

#include <cstdint>
#include <ucontext.h>

namespace Zorbel {

// What a fault handler knows about one fault: its exception code, the faulting address, the thread,
// and the machine state at that moment (the signal's context, or one captured on the spot when the
// reporter is called without a signal).
struct CrashContext {
    uint32_t code = 0;
    uintptr_t address = 0;
    uint32_t threadId = 0;
    // Borrowed; null when no machine state is known.
    ucontext_t* machine = nullptr;
    // True when machine comes from a signal: its first frame is the faulting instruction itself
    // rather than a return address.
    bool fromSignal = false;
};

// The registers of the report, read from a machine state (all zero on an architecture we do not
// know).
struct CrashRegisters {
    uint64_t ax = 0, bx = 0, cx = 0, dx = 0, si = 0, di = 0;
    uint64_t ip = 0, sp = 0, bp = 0;
    uint16_t cs = 0, ss = 0, ds = 0, es = 0, fs = 0, gs = 0;
    uint32_t flags = 0;

    static CrashRegisters From(const ucontext_t* machine);
};

} // namespace Zorbel
