#include "framework/app/CrashHooks.h"

#include "framework/app/ZorbelAppBase.h"
#include "framework/debug/CrashReporter.h"
#include "framework/debug/ExceptionCodes.h"
#include "framework/platform/process/BackEndNames.h"

namespace Zorbel {

namespace {

// Faults are caught from static initialisation on, before the application exists.
// A fuzzing engine keeps its own fault handlers.
const bool gInstalledAtStart = [] {
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    CrashReporter::Install();
#endif
    return true;
}();

} // namespace

CrashHooks::CrashHooks(ZorbelAppBase& app) : mApp(app) {
    (void)gInstalledAtStart;
    CrashReporter::SetHost(this);
}

CrashHooks::~CrashHooks() {
    if (CrashReporter::GetHost() == this) CrashReporter::SetHost(nullptr);
}

void CrashHooks::Install() {
    CrashReporter::Install();
    // The old platform's way to test the reporter was a write through a null pointer; the report
    // names the same exception without the undefined behaviour.
    if (mCrashRequested) CrashReporter::ReportNow(EXCEPTION_CODE_ACCESS_VIOLATION);
}

void CrashHooks::HideApplication() {
    mApp.HideApplication();
}

std::string CrashHooks::GetInfoText() {
    return mApp.GetInfoText();
}

void CrashHooks::AddCrashReportFields(std::map<std::string, std::string>& fields) {
    mApp.AddCrashReportFields(fields);
}

std::string CrashHooks::GetCrashUploadFile() {
    return mApp.GetCrashUploadFile();
}

std::string CrashHooks::SaveDemoForCrash() {
    return mApp.SaveDemoAfterCrash();
}

std::string CrashHooks::GetProductName() {
    return mApp.GetProductName();
}

std::string CrashHooks::GetProductVersion() {
    return mApp.GetProductVersionText();
}

std::string CrashHooks::GetDisplayBackEnd() {
    return DisplayBackEndName();
}

std::string CrashHooks::GetSoundBackEnd() {
    return SoundBackEndName();
}

} // namespace Zorbel
