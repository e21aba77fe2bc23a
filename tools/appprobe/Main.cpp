// A bare application: the framework's window, main loop, settings and single-instance rule with nothing
// on screen. The end-to-end tests start it as a real process.
#include "framework/app/ZorbelAppBase.h"
#include "framework/platform/files/ProductVersion.h"

ZORBEL_PRODUCT_VERSION("1.0 probe");

namespace {

class ProbeApp : public Zorbel::ZorbelAppBase {
public:
    ProbeApp() {
        mProductName = "ZorbelProbe";
        mWindowTitle = "Zorbel Probe";
        mSettingsKey = "Bramblewick\\ZorbelProbe";
    }
};

} // namespace

int main(int argc, char** argv) {
    Zorbel::ZorbelAppBase::SetProgramInstance(argc, argv);
    {
        ProbeApp app;
        app.Init();
        app.Start();
    }
    return 0;
}
