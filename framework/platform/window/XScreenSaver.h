#pragma once

#include "framework/platform/WindowSystem.h"

namespace Zorbel {

// Reads the X server's screen saver: its timeout from the core protocol, its state and the idle time
// from the screen-saver extension. The libraries are loaded when first needed, so a system without them
// (or without an X display) only answers false.
class XScreenSaver {
public:
    XScreenSaver();
    XScreenSaver(const XScreenSaver&) = delete;
    XScreenSaver& operator=(const XScreenSaver&) = delete;
    ~XScreenSaver();

    bool Query(ScreenSaverState& out);

private:
    bool Open();

    void* mX11 = nullptr;
    void* mXss = nullptr;
    void* mDisplay = nullptr;
    void* mInfo = nullptr;
    bool mTried = false;
};

} // namespace Zorbel
