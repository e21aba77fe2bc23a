#pragma once

#include <cstdint>

namespace Zorbel {

// The exception codes a crash report names, and the ones the fault handlers map signals to.
enum ExceptionCode : uint32_t {
    EXCEPTION_CODE_BREAKPOINT = 0x80000003,
    EXCEPTION_CODE_ACCESS_VIOLATION = 0xC0000005,
    EXCEPTION_CODE_ILLEGAL_INSTRUCTION = 0xC000001D,
    EXCEPTION_CODE_FLOAT_DENORMAL = 0xC000008D,
    EXCEPTION_CODE_FLOAT_DIVIDE = 0xC000008E,
    EXCEPTION_CODE_FLOAT_INEXACT = 0xC000008F,
    EXCEPTION_CODE_FLOAT_INVALID = 0xC0000090,
    EXCEPTION_CODE_FLOAT_OVERFLOW = 0xC0000091,
    EXCEPTION_CODE_FLOAT_UNDERFLOW = 0xC0000093,
    EXCEPTION_CODE_INTEGER_DIVIDE = 0xC0000094,
    EXCEPTION_CODE_INTEGER_OVERFLOW = 0xC0000095,
    EXCEPTION_CODE_PRIVILEGED_INSTRUCTION = 0xC0000096,
    EXCEPTION_CODE_STACK_OVERFLOW = 0xC00000FD,
    // Not in the table of names, so reported as unknown.
    EXCEPTION_CODE_ABORT = 0x40000015,
    EXCEPTION_CODE_CPP = 0xE06D7363,
};

// The name of an exception code, or null for a code the table does not know.
const char* ExceptionName(uint32_t code);

} // namespace Zorbel
