#pragma once

#include "framework/debug/CrashContext.h"

#include <string>

namespace Zorbel {

class CrashReportHost;

// The text of a crash report, in its fixed order: the exception line, the module and logical
// address, the stack trace, the registers, the system lines, the application's information, all with
// CR LF line ends; then, with a map file in the working directory, names and lines in place of
// section:offset pairs.
struct CrashReport {
    std::string text;
    // "Exception at SSSS:OOOOOOOO".
    std::string errorTitle;

    // host may be null (no application yet). mapFile is the map to symbolise with, empty for none.
    static CrashReport Build(const CrashContext& context, CrashReportHost* host, const std::string& mapFile);

    // The parts on their own.
    static std::string ExceptionLine(uint32_t code, uintptr_t address, uint32_t threadId);
    static std::string RegisterLines(const CrashRegisters& registers);
    static std::string SystemLines(CrashReportHost* host);
};

} // namespace Zorbel
