#include "framework/platform/window/HeadlessWindowSystem.h"

#include "framework/platform/ResultCode.h"
#include "framework/platform/display/MemoryDisplayDriver.h"

namespace Zorbel {

HeadlessWindowSystem::HeadlessWindowSystem(Clock& clock, DisplayOptions options)
    : BasicWindowSystem(clock), mOptions(std::move(options)),
      // A panel along the bottom, as on most desktops.
      mWorkArea{0, 0, mOptions.desktopWidth, mOptions.desktopHeight - 32} {}

HeadlessWindowSystem::WindowRecord* HeadlessWindowSystem::Find(WindowId window) {
    auto found = mWindows.find(window);
    return found == mWindows.end() ? nullptr : &found->second;
}

const HeadlessWindowSystem::WindowRecord* HeadlessWindowSystem::FindWindow(WindowId window) const {
    auto found = mWindows.find(window);
    return found == mWindows.end() ? nullptr : &found->second;
}

WindowId HeadlessWindowSystem::CreateWindow(const WindowDesc& desc) {
    if (!desc.logical && (desc.clientWidth <= 0 || desc.clientHeight <= 0)) return 0;
    WindowRecord record;
    record.desc = desc;
    record.visible = desc.visible && !desc.logical;
    if (desc.logical) {
        record.client = {};
    } else if (desc.fullScreen) {
        record.client = {0, 0, desc.clientWidth, desc.clientHeight};
    } else if (desc.centred) {
        int32_t outerWidth = desc.clientWidth + 2 * BorderWidth;
        int32_t outerHeight = desc.clientHeight + TitleHeight + BorderWidth;
        record.client = {mOptions.desktopWidth / 2 - outerWidth / 2 + BorderWidth,
                         mOptions.desktopHeight / 2 - outerHeight / 2 + TitleHeight, desc.clientWidth,
                         desc.clientHeight};
    } else {
        record.client = {desc.x + BorderWidth, desc.y + TitleHeight, desc.clientWidth, desc.clientHeight};
    }
    WindowId id = mNextWindow++;
    mWindows[id] = std::move(record);
    return id;
}

void HeadlessWindowSystem::DestroyWindow(WindowId window) {
    if (mWindows.erase(window) == 0) return;
    mPointers.erase(window);
    ForgetWindow(window);
}

void HeadlessWindowSystem::ShowWindow(WindowId window, ShowCommand command) {
    WindowRecord* record = Find(window);
    if (!record || record->desc.logical) return;
    switch (command) {
        case ShowCommand::Hide:
            record->visible = false;
            break;
        case ShowCommand::Show:
        case ShowCommand::ShowNoActivate:
            record->visible = true;
            break;
        case ShowCommand::Minimise:
            record->visible = true;
            record->minimised = true;
            break;
        case ShowCommand::Restore:
            record->visible = true;
            record->minimised = false;
            break;
    }
}

void HeadlessWindowSystem::MoveWindow(WindowId window, int32_t x, int32_t y) {
    WindowRecord* record = Find(window);
    if (!record || record->desc.logical || record->desc.fullScreen) return;
    record->client.x = x + BorderWidth;
    record->client.y = y + TitleHeight;
}

void HeadlessWindowSystem::RaiseWindow(WindowId window) {
    if (WindowRecord* record = Find(window)) ++record->raiseCount;
}

void HeadlessWindowSystem::SetTitle(WindowId window, const std::string& title) {
    if (WindowRecord* record = Find(window)) record->desc.title = title;
}

void HeadlessWindowSystem::SetIcon(WindowId window, const uint32_t* pixels, int32_t width, int32_t height) {
    WindowRecord* record = Find(window);
    if (!record || !pixels || width <= 0 || height <= 0) return;
    record->icon.assign(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height));
}

bool HeadlessWindowSystem::IsVisible(WindowId window) {
    const WindowRecord* record = Find(window);
    return record && record->visible;
}

bool HeadlessWindowSystem::IsMinimised(WindowId window) {
    const WindowRecord* record = Find(window);
    return record && record->minimised;
}

PixelRect HeadlessWindowSystem::ClientRect(WindowId window) {
    const WindowRecord* record = Find(window);
    return record ? record->client : PixelRect{};
}

PixelRect HeadlessWindowSystem::FrameRect(WindowId window) {
    int32_t left, top, right, bottom;
    FrameBorders(window, left, top, right, bottom);
    PixelRect client = ClientRect(window);
    return {client.x - left, client.y - top, client.width + left + right, client.height + top + bottom};
}

void HeadlessWindowSystem::FrameBorders(WindowId window, int32_t& left, int32_t& top, int32_t& right,
                                        int32_t& bottom) {
    const WindowRecord* record = Find(window);
    bool framed = record && !record->desc.logical && !record->desc.fullScreen;
    left = right = bottom = framed ? BorderWidth : 0;
    top = framed ? TitleHeight : 0;
}

void HeadlessWindowSystem::SetPointer(WindowId window, int32_t x, int32_t y, bool inWindow, uint8_t buttons) {
    mPointers[window] = PointerState{x, y, inWindow, buttons};
}

PointerState HeadlessWindowSystem::QueryPointer(WindowId window) {
    auto found = mPointers.find(window);
    return found == mPointers.end() ? PointerState{} : found->second;
}

PixelRect HeadlessWindowSystem::WorkArea() {
    return mWorkArea;
}

DisplayMode HeadlessWindowSystem::DesktopMode() {
    PixelFormat format = mOptions.desktopFormat.value_or(PixelFormat::X8R8G8B8());
    return DisplayMode{mOptions.desktopWidth, mOptions.desktopHeight, format.bitsPerPixel,
                       static_cast<int32_t>(mOptions.refreshRate)};
}

int HeadlessWindowSystem::ShowMessageBox(WindowId, const MessageBoxRequest& request) {
    mMessageBoxes.push_back(request);
    const MessageBoxPolicy& policy = GetMessageBoxPolicy();
    return policy ? policy(request) : DefaultMessageBoxAnswer(request);
}

CursorHandle HeadlessWindowSystem::CreateSystemCursor(SystemCursor shape) {
    CursorHandle handle = mNextCursor++;
    mCursors[handle].shape = shape;
    return handle;
}

CursorHandle HeadlessWindowSystem::CreateMaskCursor(const MaskCursor& cursor) {
    if (!cursor.IsValid()) return 0;
    CursorHandle handle = mNextCursor++;
    mCursors[handle].mask = cursor;
    return handle;
}

void HeadlessWindowSystem::DestroyCursor(CursorHandle cursor) {
    mCursors.erase(cursor);
    if (mCurrentCursor == cursor) mCurrentCursor = 0;
}

std::optional<SystemCursor> HeadlessWindowSystem::CursorShape(CursorHandle cursor) const {
    auto found = mCursors.find(cursor);
    return found == mCursors.end() ? std::nullopt : found->second.shape;
}

const MaskCursor* HeadlessWindowSystem::CursorMask(CursorHandle cursor) const {
    auto found = mCursors.find(cursor);
    if (found == mCursors.end() || found->second.shape) return nullptr;
    return &found->second.mask;
}

bool HeadlessWindowSystem::SetClipboardText(const std::string& latin1) {
    mClipboard = latin1;
    return true;
}

bool HeadlessWindowSystem::OpenUrl(const std::string& url) {
    mOpenedUrls.push_back(url);
    const auto& handler = GetUrlHandler();
    return handler ? handler(url) : false;
}

uint32_t HeadlessWindowSystem::CreateDisplayDriver(std::unique_ptr<DisplayDriver>& out) {
    out = std::make_unique<MemoryDisplayDriver>(*this, mOptions);
    return ResultCode::Ok;
}

} // namespace Zorbel
