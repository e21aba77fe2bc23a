// A program that fails on purpose, in the way its argument names, so that the crash reporter's tests
// can read the report it leaves. Built without sanitizers: they would catch the fault first.
//
//   zorbel_crash_child null|divide|illegal|abort|overflow|exception|thread|crash|second|restored
//
// "second" faults again while the report is being built; "restored" faults after the handlers
// before the reporter's were put back.
//
// With ZORBEL_TEST_REPORTER set, that program stands in for the reporter; otherwise no window opens.
#include "framework/debug/CrashReportHost.h"
#include "framework/debug/CrashReporter.h"
#include "framework/debug/ExceptionCodes.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

int* volatile gNowhere = nullptr;
bool gFaultyHost = false;

class ChildHost : public Zorbel::CrashReportHost {
public:
    void HideApplication() override { std::fputs("hidden\n", stderr); }
    std::string GetInfoText() override {
        if (gFaultyHost) *gNowhere = 1;
        return "Product: CrashChild\r\nVersion: 1.2c\r\n";
    }
    void AddCrashReportFields(std::map<std::string, std::string>& fields) override {
        fields["board"] = "4x4";
    }
    std::string GetCrashUploadFile() override { return std::string(); }
    std::string SaveDemoForCrash() override { return std::getenv("ZORBEL_TEST_DEMO") ? "child.dmo" : ""; }
    std::string GetProductName() override { return "CrashChild"; }
    std::string GetProductVersion() override { return "1.2c"; }
    std::string GetDisplayBackEnd() override { return std::string(); }
    std::string GetSoundBackEnd() override { return std::string(); }
};

volatile int gZero = 0;
volatile int gSeven = 7;

__attribute__((noinline)) void FaultNullPointer() {
    *gNowhere = 42;
}

__attribute__((noinline)) int FaultDivide() {
    return gSeven / gZero;
}

__attribute__((noinline)) void FaultIllegal() {
    __builtin_trap();
}

__attribute__((noinline)) void FaultAbort() {
    std::abort();
}

__attribute__((noinline)) int FaultRecursion(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    // The end the compiler cannot see coming: no depth is this large before the stack runs out.
    if (depth == gZero - 1) return 0;
    return FaultRecursion(depth + 1) + frame[0];
}

__attribute__((noinline)) void FaultException() {
    throw std::runtime_error("nobody catches this");
}

__attribute__((noinline)) void FaultRequested() {
    Zorbel::CrashReporter::ReportNow(Zorbel::EXCEPTION_CODE_ACCESS_VIOLATION);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    ChildHost host;
    Zorbel::CrashReporter::Install();
    Zorbel::CrashReporter::SetHost(&host);
    Zorbel::CrashReporter::Options& options = Zorbel::CrashReporter::GetOptions();
    const char* reporter = std::getenv("ZORBEL_TEST_REPORTER");
    options.showCrashWindow = reporter != nullptr;
    if (reporter) options.reporterProgram = reporter;

    std::string mode = argv[1];
    if (mode == "null")
        FaultNullPointer();
    else if (mode == "divide")
        return FaultDivide();
    else if (mode == "illegal")
        FaultIllegal();
    else if (mode == "abort")
        FaultAbort();
    else if (mode == "overflow")
        return FaultRecursion(0);
    else if (mode == "exception")
        FaultException();
    else if (mode == "thread")
        std::thread(FaultNullPointer).join();
    else if (mode == "crash")
        FaultRequested();
    else if (mode == "second") {
        gFaultyHost = true;
        FaultNullPointer();
    } else if (mode == "restored") {
        Zorbel::CrashReporter::Restore();
        FaultNullPointer();
    }
    return 0;
}
