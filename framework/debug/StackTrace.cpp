#include "framework/debug/StackTrace.h"

#include "framework/debug/LogicalAddress.h"

#define UNW_LOCAL_ONLY
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <elfutils/libdwfl.h>
#include <libunwind.h>
#include <unistd.h>

namespace Zorbel {

namespace {

std::string Format(const char* format, auto... values) {
    char line[1024];
    int length = std::snprintf(line, sizeof line, format, values...);
    if (length < 0) return std::string();
    return std::string(line, std::min(static_cast<size_t>(length), sizeof line - 1));
}

std::string Demangle(const char* name) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    if (status != 0 || !demangled) return name;
    std::string result = demangled;
    std::free(demangled);
    return result;
}

// The process's modules and their debug information, reported once per crash.
class Symbols {
public:
    Symbols() {
        mDwfl = dwfl_begin(&kCallbacks);
        if (!mDwfl) return;
        if (dwfl_linux_proc_report(mDwfl, getpid()) != 0 || dwfl_report_end(mDwfl, nullptr, nullptr) != 0) {
            dwfl_end(mDwfl);
            mDwfl = nullptr;
        }
    }
    ~Symbols() {
        if (mDwfl) dwfl_end(mDwfl);
    }
    Symbols(const Symbols&) = delete;
    Symbols& operator=(const Symbols&) = delete;

    // The function holding address, its start, and the source line of lookup (the call itself for
    // a return address).
    bool Find(uint64_t address, uint64_t lookup, std::string& name, uint64_t& displacement, std::string& file,
              int& line) const {
        if (!mDwfl) return false;
        Dwfl_Module* module = dwfl_addrmodule(mDwfl, lookup);
        if (!module) return false;
        GElf_Off offset = 0;
        GElf_Sym symbol;
        const char* found = dwfl_module_addrinfo(module, lookup, &offset, &symbol, nullptr, nullptr, nullptr);
        if (!found) return false;
        name = Demangle(found);
        displacement = offset + (address - lookup);
        file.clear();
        line = 0;
        if (Dwfl_Line* source = dwfl_module_getsrc(module, lookup)) {
            if (const char* path = dwfl_lineinfo(source, nullptr, &line, nullptr, nullptr, nullptr))
                file = path;
        }
        return true;
    }

private:
    static char* sDebugInfoPath;
    static constexpr Dwfl_Callbacks kCallbacks = {dwfl_linux_proc_find_elf, dwfl_standard_find_debuginfo,
                                                  nullptr, &sDebugInfoPath};
    Dwfl* mDwfl = nullptr;
};

char* Symbols::sDebugInfoPath = nullptr;

uint64_t ReadWord(uint64_t address, bool& ok) {
    uint64_t word = 0;
    ok = ReadProcessMemory(static_cast<uintptr_t>(address), &word, sizeof word);
    return word;
}

std::string ParamsLine(uint64_t stack) {
    uint64_t words[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        words[i] = ReadWord(stack + 8 * static_cast<uint64_t>(i), ok);
    }
    return Format("Params: %016" PRIX64 " %016" PRIX64 " %016" PRIX64 " %016" PRIX64 "\r\n", words[0],
                  words[1], words[2], words[3]);
}

std::string UnknownFrame(uint64_t frame, uint64_t pc) {
    LogicalAddress logical = LogicalAddress::Of(static_cast<uintptr_t>(pc));
    return Format("%016" PRIX64 " %016" PRIX64 " %04X:%08" PRIX64 " %s\r\n", frame, pc, logical.section,
                  logical.offset, logical.ModuleName().c_str());
}

} // namespace

std::string StackTrace::Write(const CrashContext& context) {
    std::string trace = WriteUnwound(context);
    if (!trace.empty()) return trace;
    CrashRegisters registers = CrashRegisters::From(context.machine);
    return WriteFramePointerWalk(registers.ip, registers.bp);
}

std::string StackTrace::WriteUnwound(const CrashContext& context) {
    if (!context.machine) return std::string();
    unw_cursor_t cursor;
    int status = unw_init_local2(&cursor, context.machine, context.fromSignal ? UNW_INIT_SIGNAL_FRAME : 0);
    std::string trace;
    if (status < 0) return Format("StackWalk failed (error %d)\r\n", -status);
    Symbols symbols;
    for (int frames = 0; frames < kMaxFrames; ++frames) {
        unw_word_t pc = 0, sp = 0;
        unw_get_reg(&cursor, UNW_REG_IP, &pc);
        unw_get_reg(&cursor, UNW_REG_SP, &sp);
        if (pc == 0 || sp == 0) break;
        // A return address points after its call; the call itself names the right line.
        bool returnAddress = frames > 0 || !context.fromSignal;
        uint64_t lookup = returnAddress ? pc - 1 : pc;
        std::string name, file;
        uint64_t displacement = 0;
        int line = 0;
        if (symbols.Find(pc, lookup, name, displacement, file, line)) {
            trace += Format("%016" PRIX64 " %016" PRIX64 " %s+%" PRIX64 "\r\n", static_cast<uint64_t>(sp),
                            static_cast<uint64_t>(pc), name.c_str(), displacement);
            if (!file.empty()) trace += Format("    %s line %d\r\n", file.c_str(), line);
        } else {
            trace += UnknownFrame(sp, pc);
        }
        trace += ParamsLine(sp) + "\r\n";
        status = unw_step(&cursor);
        if (status == 0) break;
        if (status < 0) {
            trace += Format("StackWalk failed (error %d)\r\n", -status);
            break;
        }
    }
    return trace;
}

std::string StackTrace::WriteFramePointerWalk(uint64_t pc, uint64_t frame) {
    std::string trace;
    for (int frames = 0; frames < kMaxFrames; ++frames) {
        LogicalAddress logical = LogicalAddress::Of(static_cast<uintptr_t>(pc));
        trace += Format("%016" PRIX64 "  %016" PRIX64 "  %04X:%08" PRIX64 " %s\r\n", pc, frame,
                        logical.section, logical.offset, logical.ModuleName().c_str());
        bool savedOk = false, returnOk = false;
        uint64_t next = ReadWord(frame, savedOk);
        uint64_t nextPc = ReadWord(frame + 8, returnOk);
        if (!savedOk || !returnOk || next % 8 != 0 || next <= frame) break;
        pc = nextPc;
        frame = next;
    }
    return trace;
}

} // namespace Zorbel
