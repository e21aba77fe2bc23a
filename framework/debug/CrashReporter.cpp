#include "framework/debug/CrashReporter.h"

#include "framework/app/ExitCodes.h"
#include "framework/debug/CrashHandoff.h"
#include "framework/debug/CrashReport.h"
#include "framework/debug/CrashReportHost.h"
#include "framework/debug/ExceptionCodes.h"
#include "framework/debug/MapFile.h"
#include "framework/platform/files/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Zorbel {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP};
constexpr size_t kSignalCount = sizeof kSignals / sizeof kSignals[0];
// Big enough for the report's unwinding and debug information on a thread whose own stack is gone.
constexpr size_t kAltStackSize = 1024 * 1024;
// A fault this close below the stack pointer is the stack running into its guard.
constexpr uintptr_t kStackOverflowReach = 1024 * 1024;

struct sigaction gPrevious[kSignalCount];
std::terminate_handler gPreviousTerminate = nullptr;
std::atomic<bool> gInstalled{false};
std::atomic<bool> gReporting{false};
std::atomic<CrashReportHost*> gHost{nullptr};

uint32_t ThreadId() {
    return static_cast<uint32_t>(syscall(SYS_gettid));
}

[[noreturn]] void EndProcess() {
    // No core dump and no desktop crash prompt: the report is the record of this crash.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
    _exit(EXIT_CODE_CRASH);
}

void OnWatchdog(int) {
    _exit(EXIT_CODE_CRASH);
}

uint32_t CodeOfSignal(int signal, const siginfo_t* info, const ucontext_t* machine) {
    switch (signal) {
        case SIGSEGV:
        case SIGBUS: {
            uintptr_t address = reinterpret_cast<uintptr_t>(info->si_addr);
            uintptr_t sp = static_cast<uintptr_t>(CrashRegisters::From(machine).sp);
            if (sp != 0 && address < sp + 4096 && address + kStackOverflowReach > sp)
                return EXCEPTION_CODE_STACK_OVERFLOW;
            return EXCEPTION_CODE_ACCESS_VIOLATION;
        }
        case SIGFPE:
            switch (info->si_code) {
                case FPE_INTDIV:
                    return EXCEPTION_CODE_INTEGER_DIVIDE;
                case FPE_INTOVF:
                    return EXCEPTION_CODE_INTEGER_OVERFLOW;
                case FPE_FLTDIV:
                    return EXCEPTION_CODE_FLOAT_DIVIDE;
                case FPE_FLTOVF:
                    return EXCEPTION_CODE_FLOAT_OVERFLOW;
                case FPE_FLTUND:
                    return EXCEPTION_CODE_FLOAT_UNDERFLOW;
                case FPE_FLTRES:
                    return EXCEPTION_CODE_FLOAT_INEXACT;
                case FPE_FLTINV:
                    return EXCEPTION_CODE_FLOAT_INVALID;
                default:
                    return EXCEPTION_CODE_INTEGER_DIVIDE;
            }
        case SIGILL:
            return info->si_code == ILL_PRVOPC ? EXCEPTION_CODE_PRIVILEGED_INSTRUCTION
                                               : EXCEPTION_CODE_ILLEGAL_INSTRUCTION;
        case SIGTRAP:
            return EXCEPTION_CODE_BREAKPOINT;
        default:
            return EXCEPTION_CODE_ABORT;
    }
}

void OnSignal(int signal, siginfo_t* info, void* machineState) {
    auto* machine = static_cast<ucontext_t*>(machineState);
    CrashContext context;
    context.code = CodeOfSignal(signal, info, machine);
    // Like the exception address of the old platform: the instruction that faulted or raised.
    context.address = static_cast<uintptr_t>(CrashRegisters::From(machine).ip);
    context.threadId = ThreadId();
    context.machine = machine;
    context.fromSignal = true;
    CrashReporter::HandleCrash(context);
    // Only with letSystemHandle: the system's own response.
    std::signal(signal, SIG_DFL);
    raise(signal);
}

void OnTerminate() {
    CrashReporter::ReportNow(EXCEPTION_CODE_CPP);
}

std::string ReporterProgram() {
    const std::string& configured = CrashReporter::GetOptions().reporterProgram;
    if (!configured.empty()) return configured;
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length > 0) {
        std::string self(path, static_cast<size_t>(length));
        std::string beside = self.substr(0, self.rfind('/') + 1) + "zorbel-crash-reporter";
        if (access(beside.c_str(), X_OK) == 0) return beside;
    }
    return "zorbel-crash-reporter";
}

// Starts the reporter, hands it everything, and waits until the user is done with its windows.
void RunReporter(const CrashHandoff& handoff) {
    int channel[2];
    if (pipe2(channel, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, channel[0], STDIN_FILENO);
    std::string program = ReporterProgram();
    char* arguments[] = {program.data(), nullptr};
    pid_t child = 0;
    int failed = posix_spawnp(&child, program.c_str(), &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(channel[0]);
    if (failed == 0) {
        std::string encoded = handoff.Encode();
        // A reporter that dies early must not end us with SIGPIPE before the report is on disk.
        std::signal(SIGPIPE, SIG_IGN);
        for (size_t sent = 0; sent < encoded.size();) {
            ssize_t n = write(channel[1], encoded.data() + sent, encoded.size() - sent);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
    }
    close(channel[1]);
    if (failed != 0) return;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

CrashReporter::Options& CrashReporter::GetOptions() {
    static Options options;
    return options;
}

void CrashReporter::Install() {
    if (gInstalled.exchange(true)) return;
    if (const char* server = std::getenv("ZORBEL_REPORT_SERVER")) GetOptions().windows.reportServer = server;
    PrepareThread();
    for (size_t i = 0; i < kSignalCount; ++i) {
        struct sigaction action {};
        action.sa_sigaction = OnSignal;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        sigaction(kSignals[i], &action, &gPrevious[i]);
    }
    gPreviousTerminate = std::set_terminate(OnTerminate);
}

void CrashReporter::Restore() {
    if (!gInstalled.exchange(false)) return;
    for (size_t i = 0; i < kSignalCount; ++i)
        sigaction(kSignals[i], &gPrevious[i], nullptr);
    std::set_terminate(gPreviousTerminate);
}

bool CrashReporter::IsInstalled() {
    return gInstalled;
}

void CrashReporter::PrepareThread() {
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE)) return;
    void* memory =
        mmap(nullptr, kAltStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (memory == MAP_FAILED) return;
    // The stack stays for the thread's life: a fault may come at any moment until it ends.
    stack_t stack{};
    stack.ss_sp = memory;
    stack.ss_size = kAltStackSize;
    if (sigaltstack(&stack, nullptr) != 0) munmap(memory, kAltStackSize);
}

void CrashReporter::SetHost(CrashReportHost* host) {
    gHost = host;
}

CrashReportHost* CrashReporter::GetHost() {
    return gHost;
}

void CrashReporter::ReportNow(uint32_t code) {
    ucontext_t machine;
    getcontext(&machine);
    CrashContext context;
    context.code = code;
    context.address = reinterpret_cast<uintptr_t>(__builtin_return_address(0));
    context.threadId = ThreadId();
    context.machine = &machine;
    HandleCrash(context);
    EndProcess();
}

void CrashReporter::HandleCrash(const CrashContext& context) {
    if (gReporting.exchange(true)) _exit(EXIT_CODE_CRASH);
    const Options& options = GetOptions();
    std::signal(SIGALRM, OnWatchdog);
    alarm(options.watchdogSeconds);

    CrashReportHost* host = gHost;
    if (host) host->HideApplication();
    CrashReport report = CrashReport::Build(context, host, MapFile::FindInFolder(""));
    if (!WriteFileAtomically("crash.txt", report.text + "\n"))
        (void)!write(STDERR_FILENO, report.text.data(), report.text.size());

    CrashHandoff handoff;
    handoff.report = report.text;
    handoff.errorTitle = report.errorTitle;
    handoff.hasApplication = host != nullptr;
    handoff.windows = options.windows;
    if (host) {
        handoff.demoFile = host->SaveDemoForCrash();
        handoff.hasDemo = !handoff.demoFile.empty();
        std::string upload = host->GetCrashUploadFile();
        if (!upload.empty()) {
            handoff.demoFile = upload;
            handoff.hasDemo = true;
        }
        handoff.productName = host->GetProductName();
        handoff.productVersion = host->GetProductVersion();
        host->AddCrashReportFields(handoff.fields);
    }
    // The windows wait for the user, however long that takes.
    alarm(0);
    if (options.showCrashWindow) RunReporter(handoff);
    if (!options.letSystemHandle) EndProcess();
}

} // namespace Zorbel
