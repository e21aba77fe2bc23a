#include "framework/app/ExitCodes.h"
#include "framework/debug/CrashHandoff.h"
#include "framework/debug/MapFile.h"
#include "framework/debug/MapFileWriter.h"
#include "support/ChildRun.h"
#include "support/ScratchFolder.h"
#include "support/WholeFile.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <regex>
#include <sys/stat.h>

namespace Zorbel {
namespace {

using Testing::ScratchFolder;
using ZorbelTest::ReadWholeFile;
using ZorbelTest::RunChildIn;

// The crash.txt a child failing in mode leaves behind (empty when it left none).
std::string CrashReportOf(const ScratchFolder& folder, const std::string& mode) {
    ZorbelTest::ChildEnd end = RunChildIn(folder.Path(""), ZORBEL_CRASH_CHILD, {mode});
    EXPECT_FALSE(end.timedOut) << mode;
    EXPECT_TRUE(end.exited) << mode << " ended by signal " << end.signal;
    EXPECT_EQ(end.exitCode, EXIT_CODE_CRASH) << mode;
    return ReadWholeFile(folder.Path("crash.txt"));
}

std::string FirstLine(const std::string& report) {
    return report.substr(0, report.find("\r\n"));
}

struct Fault {
    const char* mode;
    const char* exceptionLine; // a regular expression for the first line
    const char* function;      // the function the trace must name
};

class CrashReporterFaultTest : public ::testing::TestWithParam<Fault> {};

TEST_P(CrashReporterFaultTest, LeavesAReportNamingTheExceptionTheFunctionAndItsLine) {
    const Fault& fault = GetParam();
    ScratchFolder folder(std::string("crash-") + fault.mode);
    std::string report = CrashReportOf(folder, fault.mode);
    ASSERT_FALSE(report.empty()) << fault.mode;
    EXPECT_TRUE(std::regex_match(FirstLine(report), std::regex(fault.exceptionLine))) << FirstLine(report);
    // An abort is raised inside the C library; every other fault in the program itself.
    EXPECT_TRUE(std::regex_search(report, std::regex("\r\nModule: (zorbel_crash_child|libc\\.so\\.6)\r\n")))
        << report;
    EXPECT_TRUE(std::regex_search(report, std::regex("Logical Address: [0-9A-F]{4}:[0-9A-F]{8}\r\n")));
    // The faulting function by name, and the source line under it.
    std::regex frame(std::string(" [^\r\n]*") + fault.function +
                     "[^\r\n]*\\+[0-9A-F]+\r\n    [^\r\n]*CrashChild\\.cpp line [0-9]+\r\n");
    EXPECT_TRUE(std::regex_search(report, frame)) << report;
    EXPECT_TRUE(std::regex_search(
        report, std::regex("\r\nRAX:[0-9A-F]{16} RBX:[0-9A-F]{16} RCX:[0-9A-F]{16} RDX:[0-9A-F]{16} "
                           "RSI:[0-9A-F]{16} RDI:[0-9A-F]{16}\r\nRIP:[0-9A-F]{16} "
                           "RSP:[0-9A-F]{16}  RBP:[0-9A-F]{16}\r\nCS:[0-9A-F]{4} SS:")));
    EXPECT_NE(report.find("\r\nLinux Ver: "), std::string::npos);
    // The application's information closes the report, which the file ends with a newline after.
    EXPECT_NE(report.find("\r\n\r\nProduct: CrashChild\r\nVersion: 1.2c\r\n\n"), std::string::npos);
    EXPECT_EQ(report.back(), '\n');
}

INSTANTIATE_TEST_SUITE_P(
    EachFault, CrashReporterFaultTest,
    ::testing::Values(
        Fault{"null",
              "Exception: Access Violation \\(code 0xc0000005\\) at address [0-9A-F]{16} in thread [0-9A-F]+",
              "FaultNullPointer"},
        Fault{"divide",
              "Exception: Integer Divide by Zero \\(code 0xc0000094\\) at address [0-9A-F]{16} in thread "
              "[0-9A-F]+",
              "FaultDivide"},
        Fault{"illegal",
              "Exception: Illegal Instruction \\(code 0xc000001d\\) at address [0-9A-F]{16} in thread "
              "[0-9A-F]+",
              "FaultIllegal"},
        Fault{"abort", "Unknown exception: \\(code 0x40000015\\) at address [0-9A-F]{16} in thread [0-9A-F]+",
              "FaultAbort"},
        Fault{"overflow",
              "Exception: Stack Overflow \\(code 0xc00000fd\\) at address [0-9A-F]{16} in thread [0-9A-F]+",
              "FaultRecursion"},
        Fault{"exception",
              "Unknown exception: \\(code 0xe06d7363\\) at address [0-9A-F]{16} in thread [0-9A-F]+",
              "FaultException"},
        Fault{"thread",
              "Exception: Access Violation \\(code 0xc0000005\\) at address [0-9A-F]{16} in thread [0-9A-F]+",
              "FaultNullPointer"},
        Fault{"crash",
              "Exception: Access Violation \\(code 0xc0000005\\) at address [0-9A-F]{16} in thread [0-9A-F]+",
              "FaultRequested"}),
    [](const ::testing::TestParamInfo<Fault>& param) { return std::string(param.param.mode); });

TEST(CrashReporterTest, ASecondFaultWhileReportingEndsTheProcessAtOnce) {
    ScratchFolder folder("crash-second");
    ZorbelTest::ChildEnd end = RunChildIn(folder.Path(""), ZORBEL_CRASH_CHILD, {"second"});
    EXPECT_FALSE(end.timedOut);
    EXPECT_TRUE(end.exited);
    EXPECT_EQ(end.exitCode, EXIT_CODE_CRASH);
    // The fault came while the report was being built, before it could be written.
    EXPECT_FALSE(std::filesystem::exists(folder.Path("crash.txt")));
}

TEST(CrashReporterTest, RestoredHandlersLeaveTheFaultToTheSystem) {
    ScratchFolder folder("crash-restored");
    ZorbelTest::ChildEnd end = RunChildIn(folder.Path(""), ZORBEL_CRASH_CHILD, {"restored"});
    EXPECT_FALSE(end.timedOut);
    EXPECT_EQ(end.signal, SIGSEGV);
    EXPECT_FALSE(std::filesystem::exists(folder.Path("crash.txt")));
}

TEST(CrashReporterTest, AMapFileBesideTheProgramNamesTheLogicalAddress) {
    ScratchFolder folder("crash-map");
    std::string map = MapFileWriter::Write(ZORBEL_CRASH_CHILD);
    ASSERT_FALSE(map.empty());
    folder.Write("zorbel_crash_child.map", map);
    std::string report = CrashReportOf(folder, "null");
    // The logical address became the function, its distance, and the source line beneath.
    EXPECT_TRUE(std::regex_search(
        report, std::regex("Logical Address: [^\r\n]*FaultNullPointer\\(\\)\\+0x[0-9A-F]+\r\n"
                           "    [^\r\n]*CrashChild\\.cpp line [0-9]+ \\+0x[0-9A-F]+\r\n")))
        << report;
    EXPECT_TRUE(std::regex_search(FirstLine(report), std::regex("^Exception: Access Violation")));
}

TEST(CrashReporterTest, HandsTheReportAndTheApplicationsFieldsToTheReporter) {
    ScratchFolder folder("crash-handoff");
    std::string script = folder.Write("reporter.sh", "#!/bin/sh\ncat > handoff.bin\n");
    chmod(script.c_str(), 0755);
    setenv("ZORBEL_TEST_REPORTER", script.c_str(), 1);
    setenv("ZORBEL_TEST_DEMO", "1", 1);
    std::string report = CrashReportOf(folder, "null");
    unsetenv("ZORBEL_TEST_REPORTER");
    unsetenv("ZORBEL_TEST_DEMO");
    std::optional<CrashHandoff> handoff = CrashHandoff::Decode(ReadWholeFile(folder.Path("handoff.bin")));
    ASSERT_TRUE(handoff);
    EXPECT_EQ(handoff->report + "\n", report);
    EXPECT_TRUE(std::regex_match(handoff->errorTitle, std::regex("Exception at [0-9A-F]{4}:[0-9A-F]{8}")));
    EXPECT_TRUE(handoff->hasApplication);
    EXPECT_TRUE(handoff->hasDemo);
    EXPECT_EQ(handoff->demoFile, "child.dmo");
    EXPECT_EQ(handoff->productName, "CrashChild");
    EXPECT_EQ(handoff->productVersion, "1.2c");
    EXPECT_EQ(handoff->fields, (std::map<std::string, std::string>{{"board", "4x4"}}));
    EXPECT_EQ(handoff->windows.crashHeader, "An unexpected error has occured!");
}

TEST(CrashHandoffTest, DecodesWhatItEncodedAndRefusesBrokenText) {
    CrashHandoff handoff;
    handoff.report = "line one\r\nline two\n with 12 digits";
    handoff.fields = {{"a", "1"}, {"b", ""}};
    handoff.windows.reportServer = "http://127.0.0.1:8080/x";
    std::optional<CrashHandoff> back = CrashHandoff::Decode(handoff.Encode());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->report, handoff.report);
    EXPECT_EQ(back->fields, handoff.fields);
    EXPECT_EQ(back->windows.reportServer, handoff.windows.reportServer);
    std::string encoded = handoff.Encode();
    EXPECT_FALSE(CrashHandoff::Decode(encoded.substr(0, encoded.size() - 3)));
    EXPECT_FALSE(CrashHandoff::Decode("report 99999999999999999999\nx\n"));
    EXPECT_FALSE(CrashHandoff::Decode("report 5\nab\n"));
}

} // namespace
} // namespace Zorbel
