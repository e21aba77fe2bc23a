#pragma once

#include "framework/debug/CrashContext.h"
#include "framework/debug/CrashHandoff.h"

#include <string>

namespace Zorbel {

class CrashReportHost;

// Catches every fatal fault of the process and reports it: the signal handlers (on an alternate stack,
// so that a stack overflow is caught too) for SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT and SIGTRAP, and
// a std::terminate handler for uncaught C++ exceptions. A fault hides the application, builds the
// report, writes "crash.txt" and the demo being recorded, hands both to the reporter process that
// shows the crash windows, and ends the process with EXIT_CODE_CRASH and no core dump. A second fault
// while reporting ends the process at once, and a report that takes too long is cut short by a
// watchdog, so a crash never hangs.
//
// The handlers are installed during static initialisation by the application's crash hooks.
class CrashReporter {
public:
    // Process-wide settings, read when a fault is reported.
    struct Options {
        bool showCrashWindow = true;
        // The report server among them comes from ZORBEL_REPORT_SERVER.
        CrashWindowSettings windows;
        // When set, the fault ends the process the system's way (a core dump where enabled).
        bool letSystemHandle = false;
        // The reporter program; empty: "zorbel-crash-reporter" beside this program, else on the PATH.
        std::string reporterProgram;
        // Seconds the report may take before the watchdog ends the process.
        unsigned watchdogSeconds = 30;
    };
    static Options& GetOptions();

    // Installs the handlers, remembering the ones before them; a second call does nothing.
    static void Install();
    // Puts the remembered handlers back.
    static void Restore();
    static bool IsInstalled();
    // Gives this thread an alternate signal stack, so that its stack overflow is reported too (the
    // installing thread has one).
    static void PrepareThread();

    // The application while it exists (borrowed; null when there is none).
    static void SetHost(CrashReportHost* host);
    static CrashReportHost* GetHost();

    // Hands control to the reporter as for an unhandled fault with code ("-crash"). Never returns.
    [[noreturn]] static void ReportNow(uint32_t code);
    // The whole response to one fault: every step after the handler caught it.
    static void HandleCrash(const CrashContext& context);
};

} // namespace Zorbel
