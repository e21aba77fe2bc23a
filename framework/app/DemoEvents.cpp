#include "framework/app/DemoEvents.h"

#include "framework/app/Buffer.h"

namespace Zorbel {

namespace {

// A length field of a payload: valid only when that many bytes are still there, so that a damaged
// file never makes the reader allocate more than the file holds.
bool ReadLengthAndBytes(Buffer& in, std::vector<uint8_t>& bytes) {
    if (in.BitsRemaining() < 32) return false;
    int32_t length = in.GetInt32();
    if (length < 0 || static_cast<size_t>(length) > in.BitsRemaining() / 8) return false;
    bytes.resize(static_cast<size_t>(length));
    in.GetBytes(bytes.data(), bytes.size());
    return true;
}

void WriteLengthAndBytes(Buffer& out, const std::vector<uint8_t>& bytes) {
    out.PutInt32(static_cast<int32_t>(bytes.size()));
    out.PutBytes(bytes.data(), bytes.size());
}

} // namespace

bool DemoEvent::IsDispatched() const {
    if (isShort) return true;
    switch (code) {
        case DemoCode::SettingsRead:
        case DemoCode::SettingsWrite:
        case DemoCode::FileRead:
        case DemoCode::Transfer:
        case DemoCode::Sync:
            return false;
        default:
            return true;
    }
}

std::string DemoEvent::Name() const {
    if (isShort) return code == DemoCode::MouseMoveBy ? "move-by" : "button";
    switch (code) {
        case DemoCode::MouseMoveTo:
            return "move-to";
        case DemoCode::Activate:
            return "activate";
        case DemoCode::Minimised:
            return "minimised";
        case DemoCode::KeyDown:
            return "key-down";
        case DemoCode::KeyUp:
            return "key-up";
        case DemoCode::Char:
            return "char";
        case DemoCode::Close:
            return "close";
        case DemoCode::PointerEntered:
            return "pointer-entered";
        case DemoCode::PointerLeft:
            return "pointer-left";
        case DemoCode::LoadingDone:
            return "loading-done";
        case DemoCode::SettingsRead:
            return "settings-read";
        case DemoCode::SettingsWrite:
            return "settings-write";
        case DemoCode::FileRead:
            return "file-read";
        case DemoCode::Transfer:
            return "transfer";
        case DemoCode::Sync:
            return "sync";
        case DemoCode::Wheel:
            return "wheel";
        case DemoCode::DisplayMode:
            return "display-mode";
        case DemoCode::Filler:
            return "filler";
        default:
            return "unknown";
    }
}

void WriteDemoEvent(Buffer& out, const DemoEvent& event) {
    out.PutBits(event.isShort ? 1 : 0, 1);
    out.PutBits(static_cast<uint32_t>(event.code), event.isShort ? 1 : 5);
    if (event.isShort) {
        if (event.code == DemoCode::MouseMoveBy) {
            out.PutBits(static_cast<uint32_t>(event.a), 6);
            out.PutBits(static_cast<uint32_t>(event.b), 6);
        } else {
            out.PutBits(event.a ? 1 : 0, 1);
            out.PutBits(static_cast<uint32_t>(event.b), 3);
        }
        return;
    }
    switch (event.code) {
        case DemoCode::MouseMoveTo:
            out.PutBits(static_cast<uint32_t>(event.a), 12);
            out.PutBits(static_cast<uint32_t>(event.b), 12);
            break;
        case DemoCode::Activate:
            out.PutBits(event.a ? 1 : 0, 1);
            break;
        case DemoCode::Minimised:
            out.PutBool(event.a != 0);
            break;
        case DemoCode::KeyDown:
        case DemoCode::KeyUp:
        case DemoCode::Char:
        case DemoCode::Wheel:
            out.PutBits(static_cast<uint32_t>(event.a), 8);
            break;
        case DemoCode::SettingsRead:
            out.PutBits(event.flag ? 1 : 0, 1);
            if (event.flag) {
                out.PutInt32(static_cast<int32_t>(event.type));
                WriteLengthAndBytes(out, event.bytes);
            }
            break;
        case DemoCode::SettingsWrite:
            out.PutBits(event.flag ? 1 : 0, 1);
            break;
        case DemoCode::FileRead:
            out.PutBits(event.flag ? 1 : 0, 1);
            if (event.flag) WriteLengthAndBytes(out, event.bytes);
            break;
        case DemoCode::Transfer:
            out.PutInt32(event.a);
            out.PutByte(static_cast<uint8_t>(event.b));
            out.PutText(std::string(event.bytes.begin(), event.bytes.end()));
            break;
        case DemoCode::Sync:
            WriteLengthAndBytes(out, event.bytes);
            break;
        case DemoCode::DisplayMode:
            out.PutBool(event.flag);
            out.PutByte(static_cast<uint8_t>(event.a));
            break;
        default:
            break;
    }
}

bool ReadDemoPayload(Buffer& in, DemoEvent& event) {
    auto enough = [&in](size_t bits) { return in.BitsRemaining() >= bits; };
    if (event.isShort) {
        if (!enough(event.code == DemoCode::MouseMoveBy ? 12 : 4)) return false;
        if (event.code == DemoCode::MouseMoveBy) {
            event.a = static_cast<int32_t>(in.GetBits(6, true));
            event.b = static_cast<int32_t>(in.GetBits(6, true));
        } else {
            event.a = static_cast<int32_t>(in.GetBits(1));
            event.b = static_cast<int32_t>(in.GetBits(3, true));
        }
        return true;
    }
    switch (event.code) {
        case DemoCode::MouseMoveTo:
            if (!enough(24)) return false;
            event.a = static_cast<int32_t>(in.GetBits(12));
            event.b = static_cast<int32_t>(in.GetBits(12));
            return true;
        case DemoCode::Activate:
            if (!enough(1)) return false;
            event.a = static_cast<int32_t>(in.GetBits(1));
            return true;
        case DemoCode::Minimised:
            if (!enough(8)) return false;
            event.a = in.GetBool() ? 1 : 0;
            return true;
        case DemoCode::KeyDown:
        case DemoCode::KeyUp:
        case DemoCode::Char:
            if (!enough(8)) return false;
            event.a = static_cast<int32_t>(in.GetBits(8));
            return true;
        case DemoCode::Wheel:
            if (!enough(8)) return false;
            event.a = static_cast<int32_t>(in.GetBits(8, true));
            return true;
        case DemoCode::Close:
        case DemoCode::PointerEntered:
        case DemoCode::PointerLeft:
        case DemoCode::LoadingDone:
        case DemoCode::Filler:
            return true;
        case DemoCode::SettingsRead:
            if (!enough(1)) return false;
            event.flag = in.GetBits(1) != 0;
            if (!event.flag) return true;
            if (!enough(32)) return false;
            event.type = static_cast<uint32_t>(in.GetInt32());
            return ReadLengthAndBytes(in, event.bytes);
        case DemoCode::SettingsWrite:
            if (!enough(1)) return false;
            event.flag = in.GetBits(1) != 0;
            return true;
        case DemoCode::FileRead:
            if (!enough(1)) return false;
            event.flag = in.GetBits(1) != 0;
            return !event.flag || ReadLengthAndBytes(in, event.bytes);
        case DemoCode::Transfer: {
            if (!enough(32 + 8 + 16)) return false;
            event.a = in.GetInt32();
            event.b = in.GetByte();
            std::string text = in.GetText();
            event.bytes.assign(text.begin(), text.end());
            return true;
        }
        case DemoCode::Sync:
            return ReadLengthAndBytes(in, event.bytes);
        case DemoCode::DisplayMode:
            if (!enough(16)) return false;
            event.flag = in.GetBool();
            event.a = in.GetByte();
            return true;
        default:
            return false;
    }
}

DecodedDemoStream DecodeDemoStream(const uint8_t* data, size_t size) {
    Buffer in;
    in.Assign(data, size);
    DecodedDemoStream decoded;
    int32_t step = 0;
    // The smallest event is a header of 4 + 1 + 1 bits and a short payload: fewer bits are padding.
    while (in.BitsRemaining() >= MinDemoEventBits) {
        DemoEvent event;
        step += static_cast<int32_t>(in.GetBits(4));
        event.step = step;
        event.isShort = in.GetBits(1) != 0;
        event.code = static_cast<int32_t>(in.GetBits(event.isShort ? 1 : 5));
        if (!ReadDemoPayload(in, event)) {
            decoded.complete = false;
            break;
        }
        decoded.events.push_back(std::move(event));
    }
    return decoded;
}

} // namespace Zorbel
