#include "framework/platform/window/SdlWindowSystem.h"

#include "framework/platform/ResultCode.h"
#include "framework/platform/VirtualKey.h"
#include "framework/platform/display/SdlDisplayDriver.h"
#include "framework/platform/window/KeyMap.h"
#include "framework/platform/window/XScreenSaver.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

namespace Zorbel {

namespace {

SDL_SystemCursor ToSdl(SystemCursor shape) {
    switch (shape) {
        case SystemCursor::Hand:
            return SDL_SYSTEM_CURSOR_HAND;
        case SystemCursor::TextBeam:
            return SDL_SYSTEM_CURSOR_IBEAM;
        case SystemCursor::NotAllowed:
            return SDL_SYSTEM_CURSOR_NO;
        case SystemCursor::Move:
            return SDL_SYSTEM_CURSOR_SIZEALL;
        case SystemCursor::ResizeNeSw:
            return SDL_SYSTEM_CURSOR_SIZENESW;
        case SystemCursor::ResizeNs:
            return SDL_SYSTEM_CURSOR_SIZENS;
        case SystemCursor::ResizeNwSe:
            return SDL_SYSTEM_CURSOR_SIZENWSE;
        case SystemCursor::ResizeWe:
            return SDL_SYSTEM_CURSOR_SIZEWE;
        case SystemCursor::Wait:
            return SDL_SYSTEM_CURSOR_WAIT;
        case SystemCursor::Arrow:
            break;
    }
    return SDL_SYSTEM_CURSOR_ARROW;
}

uint8_t ButtonBitsFromSdl(uint32_t state) {
    uint8_t bits = 0;
    if (state & SDL_BUTTON_LMASK) bits |= ButtonLeft;
    if (state & SDL_BUTTON_RMASK) bits |= ButtonRight;
    if (state & SDL_BUTTON_MMASK) bits |= ButtonMiddle;
    return bits;
}

const char* ButtonText(int answer) {
    switch (answer) {
        case MessageBoxAnswer::Ok:
            return "OK";
        case MessageBoxAnswer::Cancel:
            return "Cancel";
        case MessageBoxAnswer::Abort:
            return "Abort";
        case MessageBoxAnswer::Retry:
            return "Retry";
        case MessageBoxAnswer::Ignore:
            return "Ignore";
        case MessageBoxAnswer::Yes:
            return "Yes";
        case MessageBoxAnswer::No:
            return "No";
        default:
            return "?";
    }
}

bool IsHeadlessDriver() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0);
}

} // namespace

std::unique_ptr<SdlWindowSystem> SdlWindowSystem::Create(Clock& clock, DisplayOptions options,
                                                         std::string* error) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (error) *error = SDL_GetError();
        return nullptr;
    }
    return std::unique_ptr<SdlWindowSystem>(new SdlWindowSystem(clock, std::move(options)));
}

SdlWindowSystem::SdlWindowSystem(Clock& clock, DisplayOptions options)
    : BasicWindowSystem(clock), mOptions(std::move(options)), mHeadless(IsHeadlessDriver()) {}

SdlWindowSystem::~SdlWindowSystem() {
    while (!mWindows.empty())
        DestroyWindow(mWindows.begin()->first);
    for (auto& [handle, cursor] : mCursors) {
        if (cursor.sdl) SDL_FreeCursor(cursor.sdl);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

// --- Windows ---

WindowId SdlWindowSystem::CreateWindow(const WindowDesc& desc) {
    Window window;
    if (desc.logical) {
        window.logical = true;
    } else {
        if (desc.clientWidth <= 0 || desc.clientHeight <= 0) return 0;
        uint32_t flags = desc.visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
        if (desc.topMost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
        int x = desc.centred ? SDL_WINDOWPOS_CENTERED : desc.x;
        int y = desc.centred ? SDL_WINDOWPOS_CENTERED : desc.y;
        if (desc.fullScreen) {
            flags |= SDL_WINDOW_BORDERLESS;
            x = y = 0;
        }
        window.sdl = SDL_CreateWindow(Latin1ToUtf8(desc.title).c_str(), x, y, desc.clientWidth,
                                      desc.clientHeight, flags);
        if (!window.sdl) {
            std::fprintf(stderr, "Creating a window failed: %s\n", SDL_GetError());
            return 0;
        }
    }
    WindowId id = mNextWindow++;
    mWindows[id] = window;
    if (window.sdl && !desc.centred && !desc.fullScreen) MoveWindow(id, desc.x, desc.y);
    return id;
}

void SdlWindowSystem::DestroyWindow(WindowId window) {
    auto found = mWindows.find(window);
    if (found == mWindows.end()) return;
    SDL_Window* sdl = found->second.sdl;
    mWindows.erase(found);
    // Drivers drop their renderers first: a renderer must not outlive its window.
    ForgetWindow(window);
    if (sdl) SDL_DestroyWindow(sdl);
}

SDL_Window* SdlWindowSystem::NativeWindow(WindowId window) const {
    auto found = mWindows.find(window);
    return found == mWindows.end() ? nullptr : found->second.sdl;
}

void SdlWindowSystem::ShowWindow(WindowId window, ShowCommand command) {
    SDL_Window* sdl = NativeWindow(window);
    if (!sdl) return;
    const bool wasShown = (SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN) != 0;
    switch (command) {
        case ShowCommand::Hide:
            SDL_HideWindow(sdl);
            break;
        case ShowCommand::Show:
            SDL_ShowWindow(sdl);
            SDL_RaiseWindow(sdl);
            break;
        case ShowCommand::ShowNoActivate:
            SDL_ShowWindow(sdl);
            break;
        case ShowCommand::Minimise:
            SDL_MinimizeWindow(sdl);
            break;
        case ShowCommand::Restore:
            SDL_ShowWindow(sdl);
            SDL_RestoreWindow(sdl);
            break;
    }
    // A position asked for while the window was unmapped is lost on X servers without a window
    // manager, where the window appears where it was created; asking again once it is shown keeps it.
    const Window& record = mWindows.find(window)->second;
    if (!wasShown && record.positionRequested && command != ShowCommand::Hide &&
        command != ShowCommand::Minimise && !(SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN))
        SDL_SetWindowPosition(sdl, record.requestedX, record.requestedY);
}

void SdlWindowSystem::MoveWindow(WindowId window, int32_t x, int32_t y) {
    SDL_Window* sdl = NativeWindow(window);
    if (!sdl) return;
    // SDL places the client area; the caller means the frame around it.
    int32_t left, top, right, bottom;
    FrameBorders(window, left, top, right, bottom);
    Window& record = mWindows.find(window)->second;
    record.positionRequested = true;
    record.requestedX = x + left;
    record.requestedY = y + top;
    SDL_SetWindowPosition(sdl, x + left, y + top);
}

void SdlWindowSystem::RaiseWindow(WindowId window) {
    if (SDL_Window* sdl = NativeWindow(window)) SDL_RaiseWindow(sdl);
}

void SdlWindowSystem::SetTitle(WindowId window, const std::string& title) {
    if (SDL_Window* sdl = NativeWindow(window)) SDL_SetWindowTitle(sdl, Latin1ToUtf8(title).c_str());
}

void SdlWindowSystem::SetIcon(WindowId window, const uint32_t* pixels, int32_t width, int32_t height) {
    SDL_Window* sdl = NativeWindow(window);
    if (!sdl || !pixels || width <= 0 || height <= 0) return;
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32,
                                                           width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!icon) return;
    SDL_SetWindowIcon(sdl, icon);
    SDL_FreeSurface(icon);
}

bool SdlWindowSystem::IsVisible(WindowId window) {
    SDL_Window* sdl = NativeWindow(window);
    return sdl && (SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN) &&
           !(SDL_GetWindowFlags(sdl) & SDL_WINDOW_HIDDEN);
}

bool SdlWindowSystem::IsMinimised(WindowId window) {
    SDL_Window* sdl = NativeWindow(window);
    return sdl && (SDL_GetWindowFlags(sdl) & SDL_WINDOW_MINIMIZED);
}

PixelRect SdlWindowSystem::ClientRect(WindowId window) {
    SDL_Window* sdl = NativeWindow(window);
    if (!sdl) return {};
    PixelRect rect;
    SDL_GetWindowPosition(sdl, &rect.x, &rect.y);
    SDL_GetWindowSize(sdl, &rect.width, &rect.height);
    return rect;
}

PixelRect SdlWindowSystem::FrameRect(WindowId window) {
    int32_t left, top, right, bottom;
    FrameBorders(window, left, top, right, bottom);
    PixelRect client = ClientRect(window);
    return {client.x - left, client.y - top, client.width + left + right, client.height + top + bottom};
}

void SdlWindowSystem::FrameBorders(WindowId window, int32_t& left, int32_t& top, int32_t& right,
                                   int32_t& bottom) {
    left = top = right = bottom = 0;
    if (SDL_Window* sdl = NativeWindow(window)) {
        // Unknown (zero) until the window manager has framed the window.
        if (SDL_GetWindowBordersSize(sdl, &top, &left, &bottom, &right) != 0) left = top = right = bottom = 0;
    }
}

// --- Messages ---

int SdlWindowSystem::AddPumpTask(std::function<void()> task) {
    int id = mNextPumpTask++;
    mPumpTasks[id] = std::move(task);
    return id;
}

void SdlWindowSystem::RemovePumpTask(int id) {
    mPumpTasks.erase(id);
}

bool SdlWindowSystem::DispatchDesktopEvents(const MessageReceiver& receive) {
    for (auto& [id, task] : mPumpTasks)
        task();
    mReceive = &receive;
    bool going = true;
    SDL_Event event;
    while (going && SDL_PollEvent(&event))
        going = TranslateEvent(event);
    mReceive = nullptr;
    return going;
}

WindowId SdlWindowSystem::FromSdlId(uint32_t sdlId) const {
    for (const auto& [id, window] : mWindows) {
        if (window.sdl && SDL_GetWindowID(window.sdl) == sdlId) return id;
    }
    return MainWindow();
}

WindowId SdlWindowSystem::MainWindow() const {
    for (const auto& [id, window] : mWindows) {
        if (!window.logical) return id;
    }
    return 0;
}

bool SdlWindowSystem::Deliver(const WindowMessage& message) {
    if (message.window == 0 || !mReceive) return true;
    return (*mReceive)(message);
}

bool SdlWindowSystem::Deliver(WindowId window, MessageKind kind, int32_t value, int32_t x, int32_t y) {
    WindowMessage message;
    message.window = window;
    message.kind = kind;
    message.value = value;
    message.x = x;
    message.y = y;
    return Deliver(message);
}

bool SdlWindowSystem::TranslateEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_WINDOWEVENT:
            return TranslateWindowEvent(event);
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            return TranslateKeyEvent(event);
        case SDL_TEXTINPUT: {
            // While Alt is held the key itself reports the character (as a system character).
            SDL_Keymod mod = SDL_GetModState();
            if ((mod & KMOD_ALT) && !(mod & KMOD_CTRL)) return true;
            WindowId window = FromSdlId(event.text.windowID);
            for (char c : Utf8ToLatin1(event.text.text))
                if (!Deliver(window, MessageKind::Char, static_cast<uint8_t>(c))) return false;
            return true;
        }
        case SDL_MOUSEMOTION:
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
        case SDL_MOUSEWHEEL:
            return TranslateMouseEvent(event);
        case SDL_QUIT: {
            // The last window's close request brings a quit event too; a quit on its own means the
            // session or the process is ending (a signal, a log-off).
            bool closeSeen = mCloseSeen;
            mCloseSeen = false;
            return closeSeen || Deliver(MainWindow(), MessageKind::EndSession);
        }
        default:
            return true;
    }
}

bool SdlWindowSystem::TranslateWindowEvent(const SDL_Event& event) {
    WindowId window = FromSdlId(event.window.windowID);
    const int32_t a = event.window.data1;
    const int32_t b = event.window.data2;
    switch (event.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
            return Deliver(window, MessageKind::Paint);
        case SDL_WINDOWEVENT_MOVED:
            return Deliver(window, MessageKind::Move, 0, a, b);
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            SDL_Window* sdl = NativeWindow(window);
            bool maximised = sdl && (SDL_GetWindowFlags(sdl) & SDL_WINDOW_MAXIMIZED);
            return Deliver(window, MessageKind::Size, maximised ? SizeMaximised : SizeRestored, a, b);
        }
        case SDL_WINDOWEVENT_MINIMIZED:
            return Deliver(window, MessageKind::Size, SizeMinimised, 0, 0);
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED: {
            PixelRect client = ClientRect(window);
            int32_t state = event.window.event == SDL_WINDOWEVENT_MAXIMIZED ? SizeMaximised : SizeRestored;
            return Deliver(window, MessageKind::Size, state, client.width, client.height);
        }
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            return Deliver(window, MessageKind::Activate, 1);
        case SDL_WINDOWEVENT_FOCUS_LOST:
            return Deliver(window, MessageKind::Activate, 0);
        case SDL_WINDOWEVENT_CLOSE:
            mCloseSeen = true;
            return Deliver(window, MessageKind::Close);
        default:
            return true;
    }
}

bool SdlWindowSystem::TranslateKeyEvent(const SDL_Event& event) {
    const SDL_Keysym& key = event.key.keysym;
    int32_t virtualKey = VirtualKeyFromSdl(key.sym, key.scancode, (key.mod & KMOD_NUM) != 0);
    if (virtualKey == VirtualKey::None) return true;
    bool ctrl = (key.mod & KMOD_CTRL) != 0;
    bool shift = (key.mod & KMOD_SHIFT) != 0;
    // Alt makes a key a system key, unless Ctrl is held too (Ctrl + Alt is how AltGr types characters).
    bool system = ((key.mod & KMOD_ALT) != 0 || virtualKey == VirtualKey::Alt) && !ctrl;
    bool down = event.type == SDL_KEYDOWN;
    WindowMessage message;
    message.window = FromSdlId(event.key.windowID);
    message.kind = down ? (system ? MessageKind::SysKeyDown : MessageKind::KeyDown)
                        : (system ? MessageKind::SysKeyUp : MessageKind::KeyUp);
    message.value = virtualKey;
    message.repeat = event.key.repeat != 0;
    if (!Deliver(message)) return false;
    if (!down) return true;
    if (system) {
        if (int32_t c = AltCharacterForKey(key.sym, shift))
            return Deliver(message.window, MessageKind::SysChar, c);
    } else if (int32_t c = ControlCharacterForKey(virtualKey, ctrl)) {
        return Deliver(message.window, MessageKind::Char, c);
    }
    return true;
}

bool SdlWindowSystem::TranslateMouseEvent(const SDL_Event& event) {
    WindowMessage message;
    switch (event.type) {
        case SDL_MOUSEMOTION: {
            mMouseX = event.motion.x;
            mMouseY = event.motion.y;
            mButtons = ButtonBitsFromSdl(event.motion.state);
            message.window = FromSdlId(event.motion.windowID);
            message.kind = MessageKind::MouseMove;
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const SDL_MouseButtonEvent& button = event.button;
            bool down = event.type == SDL_MOUSEBUTTONDOWN;
            // Every second click of a series is a double click; a third press is a plain press again.
            bool twice = down && button.clicks >= 2 && button.clicks % 2 == 0;
            uint8_t bit;
            switch (button.button) {
                case SDL_BUTTON_LEFT:
                    message.kind = down ? (twice ? MessageKind::LeftDouble : MessageKind::LeftDown)
                                        : MessageKind::LeftUp;
                    bit = ButtonLeft;
                    break;
                case SDL_BUTTON_RIGHT:
                    message.kind = down ? (twice ? MessageKind::RightDouble : MessageKind::RightDown)
                                        : MessageKind::RightUp;
                    bit = ButtonRight;
                    break;
                case SDL_BUTTON_MIDDLE:
                    message.kind = down ? (twice ? MessageKind::MiddleDouble : MessageKind::MiddleDown)
                                        : MessageKind::MiddleUp;
                    bit = ButtonMiddle;
                    break;
                default:
                    return true;
            }
            mButtons = down ? (mButtons | bit) : (mButtons & ~bit);
            mMouseX = button.x;
            mMouseY = button.y;
            message.window = FromSdlId(button.windowID);
            break;
        }
        case SDL_MOUSEWHEEL: {
            int32_t notches = event.wheel.y;
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
            if (notches == 0) return true;
            message.window = FromSdlId(event.wheel.windowID);
            message.kind = MessageKind::Wheel;
            message.value = notches * 120;
            break;
        }
        default:
            return true;
    }
    message.x = mMouseX;
    message.y = mMouseY;
    message.buttons = mButtons;
    return Deliver(message);
}

// --- Pointer and desktop ---

PointerState SdlWindowSystem::QueryPointer(WindowId window) {
    PointerState state;
    SDL_Window* sdl = NativeWindow(window);
    if (!sdl) return state;
    int globalX = 0, globalY = 0;
    state.buttons = ButtonBitsFromSdl(SDL_GetGlobalMouseState(&globalX, &globalY));
    PixelRect client = ClientRect(window);
    int windowX = globalX - client.x;
    int windowY = globalY - client.y;
    state.x = windowX;
    state.y = windowY;
    // A scaled full-screen frame reports positions in frame pixels, like the mouse messages.
    if (SDL_Renderer* renderer = SDL_GetRenderer(sdl)) {
        float logicalX = 0, logicalY = 0;
        SDL_RenderWindowToLogical(renderer, windowX, windowY, &logicalX, &logicalY);
        state.x = static_cast<int32_t>(logicalX);
        state.y = static_cast<int32_t>(logicalY);
    }
    bool inside = windowX >= 0 && windowY >= 0 && windowX < client.width && windowY < client.height;
    state.inWindow = inside && SDL_GetMouseFocus() == sdl;
    return state;
}

void SdlWindowSystem::CaptureMouse(bool capture) {
    SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE);
}

PixelRect SdlWindowSystem::WorkArea() {
    SDL_Rect bounds;
    if (SDL_GetDisplayUsableBounds(0, &bounds) != 0 && SDL_GetDisplayBounds(0, &bounds) != 0) return {};
    return {bounds.x, bounds.y, bounds.w, bounds.h};
}

DisplayMode SdlWindowSystem::DesktopMode() {
    DisplayMode mode;
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
        mode.width = desktop.w;
        mode.height = desktop.h;
        mode.refreshRate = desktop.refresh_rate;
        // A 24-bit colour depth is stored in 32-bit pixels.
        mode.bitsPerPixel = static_cast<int32_t>(SDL_BYTESPERPIXEL(desktop.format)) * 8;
    }
    if (mOptions.desktopFormat) mode.bitsPerPixel = mOptions.desktopFormat->bitsPerPixel;
    return mode;
}

// --- Message boxes ---

int SdlWindowSystem::ShowMessageBox(WindowId owner, const MessageBoxRequest& request) {
    if (const MessageBoxPolicy& policy = GetMessageBoxPolicy()) return policy(request);
    if (mHeadless) {
        std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
        return DefaultMessageBoxAnswer(request);
    }
    MessageBoxButtons buttons = ButtonsForStyle(request.style);
    SDL_MessageBoxButtonData data[3];
    int escapeAnswer = buttons.answers[buttons.count - 1];
    for (int i = 0; i < buttons.count; ++i) {
        data[i].buttonid = buttons.answers[i];
        data[i].text = ButtonText(buttons.answers[i]);
        data[i].flags = i == buttons.defaultIndex ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0;
        if (buttons.answers[i] == MessageBoxAnswer::Cancel) escapeAnswer = MessageBoxAnswer::Cancel;
    }
    for (int i = 0; i < buttons.count; ++i) {
        if (data[i].buttonid == escapeAnswer) data[i].flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    }
    uint32_t icon = request.style & MessageBoxStyle::IconMask;
    std::string text = Latin1ToUtf8(request.text);
    std::string caption = Latin1ToUtf8(request.caption);
    SDL_MessageBoxData box{};
    box.flags = icon == MessageBoxStyle::IconError     ? SDL_MESSAGEBOX_ERROR
                : icon == MessageBoxStyle::IconWarning ? SDL_MESSAGEBOX_WARNING
                                                       : SDL_MESSAGEBOX_INFORMATION;
    box.window = NativeWindow(owner);
    box.title = caption.c_str();
    box.message = text.c_str();
    box.numbuttons = buttons.count;
    box.buttons = data;
    int answer = -1;
    if (SDL_ShowMessageBox(&box, &answer) != 0) {
        std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
        return 0;
    }
    // Closing the box counts as its escape button.
    return answer < 0 ? escapeAnswer : answer;
}

// --- Cursors ---

CursorHandle SdlWindowSystem::CreateSystemCursor(SystemCursor shape) {
    CursorHandle handle = mNextCursor++;
    // Desktops without the shape leave a null cursor, shown as the default.
    mCursors[handle].sdl = SDL_CreateSystemCursor(ToSdl(shape));
    return handle;
}

CursorHandle SdlWindowSystem::CreateMaskCursor(const MaskCursor& cursor) {
    if (!cursor.IsValid()) return 0;
    std::vector<uint8_t> data, mask;
    MaskCursorToSdlBits(cursor, data, mask);
    CursorHandle handle = mNextCursor++;
    mCursors[handle].sdl =
        SDL_CreateCursor(data.data(), mask.data(), cursor.width, cursor.height, cursor.hotX, cursor.hotY);
    return handle;
}

void SdlWindowSystem::DestroyCursor(CursorHandle cursor) {
    auto found = mCursors.find(cursor);
    if (found == mCursors.end()) return;
    if (mCurrentCursor == cursor) {
        mCurrentCursor = 0;
        SDL_SetCursor(SDL_GetDefaultCursor());
    }
    if (found->second.sdl) SDL_FreeCursor(found->second.sdl);
    mCursors.erase(found);
}

void SdlWindowSystem::SetCursor(CursorHandle cursor) {
    mCurrentCursor = mCursors.count(cursor) ? cursor : 0;
    mCursorSet = true;
    ApplyCursor();
}

void SdlWindowSystem::ShowSystemCursor(bool show) {
    mSystemCursorShown = show;
    ApplyCursor();
}

void SdlWindowSystem::ApplyCursor() {
    SDL_Cursor* sdl = nullptr;
    if (auto found = mCursors.find(mCurrentCursor); found != mCursors.end()) sdl = found->second.sdl;
    if (mCurrentCursor != 0) SDL_SetCursor(sdl ? sdl : SDL_GetDefaultCursor());
    bool visible = mSystemCursorShown && (mCurrentCursor != 0 || !mCursorSet);
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

// --- Clipboard and web pages ---

bool SdlWindowSystem::SetClipboardText(const std::string& latin1) {
    return SDL_SetClipboardText(Latin1ToUtf8(latin1).c_str()) == 0;
}

std::string SdlWindowSystem::ClipboardText() {
    char* text = SDL_GetClipboardText();
    if (!text) return {};
    std::string result = Utf8ToLatin1(text);
    SDL_free(text);
    return result;
}

bool SdlWindowSystem::QueryScreenSaver(ScreenSaverState& out) {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (mHeadless || !driver || std::string(driver) != "x11") return false;
    if (!mScreenSaver) mScreenSaver = std::make_unique<XScreenSaver>();
    return mScreenSaver->Query(out);
}

void SdlWindowSystem::AllowScreenBlanking(bool allowed) {
    if (allowed)
        SDL_EnableScreenSaver();
    else
        SDL_DisableScreenSaver();
}

bool SdlWindowSystem::OpenUrl(const std::string& url) {
    if (const auto& handler = GetUrlHandler()) return handler(url);
    if (mHeadless) return false;
    return SDL_OpenURL(url.c_str()) == 0;
}

uint32_t SdlWindowSystem::CreateDisplayDriver(std::unique_ptr<DisplayDriver>& out) {
    out = std::make_unique<SdlDisplayDriver>(*this, mOptions);
    return ResultCode::Ok;
}

} // namespace Zorbel
