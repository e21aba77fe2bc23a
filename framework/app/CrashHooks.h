#pragma once

#include "framework/debug/CrashReportHost.h"

namespace Zorbel {

class ZorbelAppBase;

// Where the crash reporter attaches to the application: while the application exists it is the
// reporter's host (its hiding, information text, form fields, upload file and demo), and "-crash"
// hands control to the reporter as for a fault. The reporter itself is installed during static
// initialisation, before any application exists.
class CrashHooks : public CrashReportHost {
public:
    // app must outlive the hooks (the application owns them).
    explicit CrashHooks(ZorbelAppBase& app);
    ~CrashHooks() override;
    CrashHooks(const CrashHooks&) = delete;
    CrashHooks& operator=(const CrashHooks&) = delete;

    // The end of Init: faults from now on reach the reporter (again, should something have put other
    // handlers in), and a "-crash" of the command line hands control to it, so that the report, like
    // every file of the run, lands in the working folder and the window it hides exists.
    void Install();
    // "-crash": the reporter takes over as if the program had crashed, once Init is done.
    void RequestCrash() { mCrashRequested = true; }
    bool IsCrashRequested() const { return mCrashRequested; }

    void HideApplication() override;
    std::string GetInfoText() override;
    void AddCrashReportFields(std::map<std::string, std::string>& fields) override;
    std::string GetCrashUploadFile() override;
    std::string SaveDemoForCrash() override;
    std::string GetProductName() override;
    std::string GetProductVersion() override;
    std::string GetDisplayBackEnd() override;
    std::string GetSoundBackEnd() override;

private:
    ZorbelAppBase& mApp;
    bool mCrashRequested = false;
};

} // namespace Zorbel
