#include "framework/debug/CrashContext.h"

namespace Zorbel {

namespace {

#if defined(__x86_64__)
// User space runs with fixed stack and data selectors; the signal context does not carry them.
uint16_t ReadSelector(int which) {
    uint16_t value = 0;
    switch (which) {
        case 0:
            asm volatile("mov %%ss, %0" : "=r"(value));
            break;
        case 1:
            asm volatile("mov %%ds, %0" : "=r"(value));
            break;
        default:
            asm volatile("mov %%es, %0" : "=r"(value));
            break;
    }
    return value;
}
#endif

} // namespace

CrashRegisters CrashRegisters::From(const ucontext_t* machine) {
    CrashRegisters registers;
    if (!machine) return registers;
#if defined(__x86_64__)
    const greg_t* g = machine->uc_mcontext.gregs;
    registers.ax = static_cast<uint64_t>(g[REG_RAX]);
    registers.bx = static_cast<uint64_t>(g[REG_RBX]);
    registers.cx = static_cast<uint64_t>(g[REG_RCX]);
    registers.dx = static_cast<uint64_t>(g[REG_RDX]);
    registers.si = static_cast<uint64_t>(g[REG_RSI]);
    registers.di = static_cast<uint64_t>(g[REG_RDI]);
    registers.ip = static_cast<uint64_t>(g[REG_RIP]);
    registers.sp = static_cast<uint64_t>(g[REG_RSP]);
    registers.bp = static_cast<uint64_t>(g[REG_RBP]);
    // The code, graphics and extra segment selectors share one word: cs, gs, fs from the low end.
    uint64_t selectors = static_cast<uint64_t>(g[REG_CSGSFS]);
    registers.cs = static_cast<uint16_t>(selectors);
    registers.gs = static_cast<uint16_t>(selectors >> 16);
    registers.fs = static_cast<uint16_t>(selectors >> 32);
    registers.ss = ReadSelector(0);
    registers.ds = ReadSelector(1);
    registers.es = ReadSelector(2);
    registers.flags = static_cast<uint32_t>(g[REG_EFL]);
#elif defined(__aarch64__)
    registers.ip = machine->uc_mcontext.pc;
    registers.sp = machine->uc_mcontext.sp;
    registers.bp = machine->uc_mcontext.regs[29];
    registers.ax = machine->uc_mcontext.regs[0];
    registers.bx = machine->uc_mcontext.regs[1];
    registers.cx = machine->uc_mcontext.regs[2];
    registers.dx = machine->uc_mcontext.regs[3];
    registers.si = machine->uc_mcontext.regs[4];
    registers.di = machine->uc_mcontext.regs[5];
    registers.flags = static_cast<uint32_t>(machine->uc_mcontext.pstate);
#endif
    return registers;
}

} // namespace Zorbel
