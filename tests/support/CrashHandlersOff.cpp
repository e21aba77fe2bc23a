// The application installs the crash reporter's handlers during static initialisation. In the test
// program the sanitizers and GoogleTest report faults better, so their handlers are put back before
// the first test runs.
#include "framework/debug/CrashReporter.h"

#include <gtest/gtest.h>

namespace {

class CrashHandlersOff : public ::testing::Environment {
public:
    void SetUp() override { Zorbel::CrashReporter::Restore(); }
};

[[maybe_unused]] ::testing::Environment* const gCrashHandlersOff =
    ::testing::AddGlobalTestEnvironment(new CrashHandlersOff);

} // namespace
