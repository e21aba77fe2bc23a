#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace Zorbel {

// Message boxes keep the classic numbering of styles and answers, since the application passes them
// through unchanged.
namespace MessageBoxStyle {
constexpr uint32_t Ok = 0x0;
constexpr uint32_t OkCancel = 0x1;
constexpr uint32_t AbortRetryIgnore = 0x2;
constexpr uint32_t YesNoCancel = 0x3;
constexpr uint32_t YesNo = 0x4;
constexpr uint32_t RetryCancel = 0x5;
constexpr uint32_t ButtonsMask = 0xF;
constexpr uint32_t IconError = 0x10;
constexpr uint32_t IconQuestion = 0x20;
constexpr uint32_t IconWarning = 0x30;
constexpr uint32_t IconInformation = 0x40;
constexpr uint32_t IconMask = 0xF0;
constexpr uint32_t DefaultButton2 = 0x100;
constexpr uint32_t DefaultButton3 = 0x200;
constexpr uint32_t DefaultButtonMask = 0xF00;
} // namespace MessageBoxStyle

namespace MessageBoxAnswer {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace MessageBoxAnswer

struct MessageBoxRequest {
    std::string text;
    std::string caption;
    uint32_t style = MessageBoxStyle::Ok;
};

// Decides the answer to a message box without showing it. Headless runs install one so that nothing
// ever waits for a person.
using MessageBoxPolicy = std::function<int(const MessageBoxRequest&)>;

// The buttons a style shows, as answers, left to right (one to three of them).
struct MessageBoxButtons {
    int answers[3] = {0, 0, 0};
    int count = 0;
    int defaultIndex = 0;
};
MessageBoxButtons ButtonsForStyle(uint32_t style);

// The answer a person gets by pressing Enter: the style's default button.
int DefaultMessageBoxAnswer(const MessageBoxRequest& request);

} // namespace Zorbel
