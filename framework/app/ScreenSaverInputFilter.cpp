#include "framework/app/ScreenSaverInputFilter.h"

namespace Zorbel {

ScreenSaverInputFilter::Verdict ScreenSaverInputFilter::Examine(const WindowMessage& message,
                                                                WindowId mainWindow, uint32_t now,
                                                                uint32_t lastMonitorPowerMs) {
    if (mClosing) return Verdict::Pass;
    bool close = false;
    switch (message.kind) {
        case MessageKind::Activate:
            close = message.value == 0;
            break;
        case MessageKind::Close:
        case MessageKind::KeyDown:
        case MessageKind::SysKeyDown:
        case MessageKind::LeftDown:
        case MessageKind::LeftDouble:
        case MessageKind::RightDown:
        case MessageKind::RightDouble:
        case MessageKind::MiddleDown:
        case MessageKind::MiddleDouble:
            close = true;
            break;
        case MessageKind::MouseMove:
            if (mPointerX < 0) {
                // The first report tells where the pointer rests.
                mPointerX = message.x;
                mPointerY = message.y;
                return Verdict::Swallow;
            }
            if (message.x == mPointerX && message.y == mPointerY) return Verdict::Swallow;
            mPointerX = message.x;
            mPointerY = message.y;
            if (++mMoveCount <= 3) return Verdict::Swallow;
            close = true;
            break;
        default:
            return Verdict::Pass;
    }
    if (!close) return Verdict::Pass;
    if (message.window != mainWindow) return Verdict::Swallow;
    bool powerGrace = lastMonitorPowerMs != 0 && now - lastMonitorPowerMs < 1000;
    if (powerGrace && (message.kind == MessageKind::Close || message.kind == MessageKind::MouseMove ||
                       message.kind == MessageKind::Activate))
        return Verdict::Swallow;
    // There is no screen-saver password on this desktop, so nothing stands between input and closing.
    mClosing = true;
    return Verdict::Close;
}

} // namespace Zorbel
