#pragma once

#include <map>
#include <string>

namespace Zorbel {

// What the application lends the crash reporter. The reporter runs without one until the application
// exists; ZorbelAppBase registers itself through its crash hooks.
class CrashReportHost {
public:
    virtual ~CrashReportHost() = default;

    // Takes the application off the screen before anything else happens.
    virtual void HideApplication() = 0;
    // The application's lines for the report ("Product: ..." and on).
    virtual std::string GetInfoText() = 0;
    // Form fields the upload carries before its own.
    virtual void AddCrashReportFields(std::map<std::string, std::string>& fields) = 0;
    // A file to upload in place of the demo; empty for none.
    virtual std::string GetCrashUploadFile() = 0;
    // Ends the demo being recorded with its filler event, saves it and stops recording; the saved
    // file's name, or empty when no demo was being recorded.
    virtual std::string SaveDemoForCrash() = 0;
    virtual std::string GetProductName() = 0;
    virtual std::string GetProductVersion() = 0;
    // The display and sound back ends the application runs on, for the report's system lines; empty
    // for one it does not use.
    virtual std::string GetDisplayBackEnd() = 0;
    virtual std::string GetSoundBackEnd() = 0;
};

} // namespace Zorbel
