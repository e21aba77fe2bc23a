#include "framework/debug/CrashReport.h"

#include "framework/debug/CrashReportHost.h"
#include "framework/debug/ExceptionCodes.h"
#include "framework/debug/LogicalAddress.h"
#include "framework/debug/MapFile.h"
#include "framework/debug/StackTrace.h"

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <sys/utsname.h>

namespace Zorbel {

namespace {

template <typename... Values>
std::string Format(const char* format, Values... values) {
    char line[512];
    int length = std::snprintf(line, sizeof line, format, values...);
    if (length < 0) return std::string();
    return std::string(line, std::min(static_cast<size_t>(length), sizeof line - 1));
}

// The distribution's own name for itself ("Debian GNU/Linux 12 (bookworm)").
std::string DistributionName() {
    std::ifstream in("/etc/os-release");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("PRETTY_NAME=", 0) != 0) continue;
        std::string value = line.substr(12);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\''))
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return "Linux";
}

} // namespace

std::string CrashReport::ExceptionLine(uint32_t code, uintptr_t address, uint32_t threadId) {
    const uint64_t wide = address;
    if (const char* name = ExceptionName(code))
        return Format("Exception: %s (code 0x%x) at address %016" PRIX64 " in thread %X\r\n", name, code,
                      wide, threadId);
    return Format("Unknown exception: (code 0x%x) at address %016" PRIX64 " in thread %X\r\n", code, wide,
                  threadId);
}

std::string CrashReport::RegisterLines(const CrashRegisters& r) {
    return Format("RAX:%016" PRIX64 " RBX:%016" PRIX64 " RCX:%016" PRIX64 " RDX:%016" PRIX64
                  " RSI:%016" PRIX64 " RDI:%016" PRIX64 "\r\n",
                  r.ax, r.bx, r.cx, r.dx, r.si, r.di) +
           Format("RIP:%016" PRIX64 " RSP:%016" PRIX64 "  RBP:%016" PRIX64 "\r\n", r.ip, r.sp, r.bp) +
           Format("CS:%04X SS:%04X DS:%04X ES:%04X FS:%04X GS:%04X\r\n", r.cs, r.ss, r.ds, r.es, r.fs, r.gs) +
           Format("Flags:%08X\r\n", r.flags) + "\r\n";
}

std::string CrashReport::SystemLines(CrashReportHost* host) {
    utsname system{};
    uname(&system);
    std::string lines = std::string("Linux Ver: ") + system.release + " " + DistributionName() + "\r\n";
    if (host) {
        std::string display = host->GetDisplayBackEnd();
        std::string sound = host->GetSoundBackEnd();
        if (!display.empty()) lines += "Display Ver: " + display + "\r\n";
        if (!sound.empty()) lines += "Sound Ver: " + sound + "\r\n";
    }
    return lines;
}

CrashReport CrashReport::Build(const CrashContext& context, CrashReportHost* host,
                               const std::string& mapFile) {
    CrashReport report;
    std::string& text = report.text;
    text = ExceptionLine(context.code, context.address, context.threadId);

    LogicalAddress logical = LogicalAddress::Of(context.address);
    const uint64_t offset = logical.offset;
    text += "Module: " + logical.ModuleName() + "\r\n";
    text += Format("Logical Address: %04X:%08" PRIX64 "\r\n", logical.section, offset) + "\r\n";
    report.errorTitle = Format("Exception at %04X:%08" PRIX64, logical.section, offset);

    text += StackTrace::Write(context) + "\r\n";
    text += RegisterLines(CrashRegisters::From(context.machine));
    text += SystemLines(host);
    if (host) {
        std::string info = host->GetInfoText();
        if (!info.empty()) text += "\r\n" + info;
    }
    if (!mapFile.empty()) {
        MapFile map;
        if (map.ReadFile(mapFile)) text = map.Symbolise(text);
    }
    return report;
}

} // namespace Zorbel
