#include "framework/platform/window/XScreenSaver.h"

#include <cstdlib>
#include <dlfcn.h>

namespace Zorbel {

namespace {

// The parts of the X11 and screen-saver extension interfaces used here, declared by their documented
// shapes so that no development headers are needed.
struct XssInfo {
    unsigned long window;
    int state; // 0 off, 1 on, 3 disabled
    int kind;
    unsigned long tilOrSince;
    unsigned long idle; // milliseconds
    unsigned long eventMask;
};

using OpenDisplayFn = void* (*)(const char*);
using CloseDisplayFn = int (*)(void*);
using DefaultRootFn = unsigned long (*)(void*);
using GetScreenSaverFn = int (*)(void*, int*, int*, int*, int*);
using FreeFn = int (*)(void*);
using QueryExtensionFn = int (*)(void*, int*, int*);
using AllocInfoFn = void* (*)();
using QueryInfoFn = int (*)(void*, unsigned long, void*);

template <typename F>
F Symbol(void* library, const char* name) {
    return reinterpret_cast<F>(dlsym(library, name));
}

} // namespace

XScreenSaver::XScreenSaver() = default;

XScreenSaver::~XScreenSaver() {
    if (mInfo && mX11) {
        if (auto xFree = Symbol<FreeFn>(mX11, "XFree")) xFree(mInfo);
    }
    if (mDisplay && mX11) {
        if (auto closeDisplay = Symbol<CloseDisplayFn>(mX11, "XCloseDisplay")) closeDisplay(mDisplay);
    }
    if (mXss) dlclose(mXss);
    if (mX11) dlclose(mX11);
}

bool XScreenSaver::Open() {
    if (mTried) return mDisplay != nullptr && mInfo != nullptr;
    mTried = true;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return false;
    mX11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    mXss = dlopen("libXss.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!mX11 || !mXss) return false;
    auto openDisplay = Symbol<OpenDisplayFn>(mX11, "XOpenDisplay");
    auto queryExtension = Symbol<QueryExtensionFn>(mXss, "XScreenSaverQueryExtension");
    auto allocInfo = Symbol<AllocInfoFn>(mXss, "XScreenSaverAllocInfo");
    if (!openDisplay || !queryExtension || !allocInfo) return false;
    mDisplay = openDisplay(nullptr);
    if (!mDisplay) return false;
    int eventBase = 0, errorBase = 0;
    if (!queryExtension(mDisplay, &eventBase, &errorBase)) return false;
    mInfo = allocInfo();
    return mInfo != nullptr;
}

bool XScreenSaver::Query(ScreenSaverState& out) {
    if (!Open()) return false;
    auto defaultRoot = Symbol<DefaultRootFn>(mX11, "XDefaultRootWindow");
    auto getScreenSaver = Symbol<GetScreenSaverFn>(mX11, "XGetScreenSaver");
    auto queryInfo = Symbol<QueryInfoFn>(mXss, "XScreenSaverQueryInfo");
    if (!defaultRoot || !getScreenSaver || !queryInfo) return false;
    int timeout = 0, interval = 0, blanking = 0, exposures = 0;
    getScreenSaver(mDisplay, &timeout, &interval, &blanking, &exposures);
    if (!queryInfo(mDisplay, defaultRoot(mDisplay), mInfo)) return false;
    const XssInfo& info = *static_cast<const XssInfo*>(mInfo);
    out.enabled = timeout > 0 && info.state != 3;
    out.timeoutSeconds = timeout;
    out.running = info.state == 1;
    out.idleMs = static_cast<uint32_t>(info.idle);
    return true;
}

} // namespace Zorbel
