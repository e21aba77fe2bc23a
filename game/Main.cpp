#include "framework/platform/files/ProductVersion.h"
#include "game/GameApp.h"

ZORBEL_PRODUCT_VERSION(TESSERINE_VERSION);

int main(int argc, char** argv) {
    Zorbel::ZorbelAppBase::SetProgramInstance(argc, argv);
    {
        Tesserine::GameApp app;
        app.Init();
        app.Start();
    }
    return 0;
}
