#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Zorbel {

class Buffer;

// The events of a demo's event stream. Each event is a step delta (4 bits, the update steps since the
// previous event), a 1 for a short or a 0 for a long event, its code (1 bit short, 5 bits long) and a
// payload that depends on the code. Recorder, player, the dump tool and the fuzz target share this
// one description of the payloads.
namespace DemoCode {
// Short events.
constexpr int32_t MouseMoveBy = 0; // dx, dy: 6 bits each, signed
constexpr int32_t MouseButton = 1; // press bit, 3-bit signed press code
// Long events.
constexpr int32_t MouseMoveTo = 0;    // x, y: 12 bits each
constexpr int32_t Activate = 1;       // 1 bit
constexpr int32_t Minimised = 2;      // bool byte
constexpr int32_t KeyDown = 3;        // 8 bits
constexpr int32_t KeyUp = 4;          // 8 bits
constexpr int32_t Char = 5;           // 8 bits
constexpr int32_t Close = 6;          //
constexpr int32_t PointerEntered = 7; //
constexpr int32_t PointerLeft = 8;    //
constexpr int32_t LoadingDone = 9;    //
constexpr int32_t SettingsRead = 11;  // success bit; then type, length, bytes
constexpr int32_t SettingsWrite = 12; // success bit
constexpr int32_t FileRead = 15;      // success bit; then length, bytes
constexpr int32_t Transfer = 17;      // transfer id, result byte, text
constexpr int32_t Sync = 18;          // length, bytes
constexpr int32_t Wheel = 21;         // 8 bits, signed notches
constexpr int32_t DisplayMode = 23;   // bool byte windowed, byte refresh rate
constexpr int32_t Filler = 31;        //
} // namespace DemoCode

// The smallest event: a header of 4 + 1 + 1 bits and the 4 bits of a button. The padding after the
// last event of a stream is always shorter.
constexpr size_t MinDemoEventBits = 10;

// One decoded event with its payload. Which fields mean something depends on the code: a and b are
// the two numbers (dx/dy, x/y, press/code, key, active, ...), flag the success or windowed bit, type
// the settings value type, bytes the data of settings, files, sync values and transfer texts.
struct DemoEvent {
    int32_t step = 0;
    bool isShort = false;
    int32_t code = 0;
    int32_t a = 0;
    int32_t b = 0;
    bool flag = false;
    uint32_t type = 0;
    std::vector<uint8_t> bytes;

    // The events the playback loop carries out itself; the rest are read by the operation that needs
    // them (settings, files, transfers, synchronised values).
    bool IsDispatched() const;
    // The event's kind in a few words, for the dump tool and diagnostics.
    std::string Name() const;
};

// Writes an event's code bits and payload (after the step delta, which the recorder writes).
void WriteDemoEvent(Buffer& out, const DemoEvent& event);
// Reads the payload of an event whose header was read. False when the code is unknown or the payload
// is cut short or claims more bytes than remain: the stream cannot be read past it.
bool ReadDemoPayload(Buffer& in, DemoEvent& event);

// The whole stream decoded, stopping at its end, at the padding bits of its last byte or at the first
// event that cannot be read (then complete is false).
struct DecodedDemoStream {
    std::vector<DemoEvent> events;
    bool complete = true;
};
DecodedDemoStream DecodeDemoStream(const uint8_t* data, size_t size);

} // namespace Zorbel
