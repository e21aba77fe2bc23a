#include "framework/platform/MessageBox.h"

namespace Zorbel {

MessageBoxButtons ButtonsForStyle(uint32_t style) {
    using namespace MessageBoxAnswer;
    MessageBoxButtons buttons;
    auto set = [&buttons](std::initializer_list<int> answers) {
        for (int answer : answers)
            buttons.answers[buttons.count++] = answer;
    };
    switch (style & MessageBoxStyle::ButtonsMask) {
        case MessageBoxStyle::OkCancel:
            set({Ok, Cancel});
            break;
        case MessageBoxStyle::AbortRetryIgnore:
            set({Abort, Retry, Ignore});
            break;
        case MessageBoxStyle::YesNoCancel:
            set({Yes, No, Cancel});
            break;
        case MessageBoxStyle::YesNo:
            set({Yes, No});
            break;
        case MessageBoxStyle::RetryCancel:
            set({Retry, Cancel});
            break;
        default:
            set({Ok});
            break;
    }
    int wanted = static_cast<int>((style & MessageBoxStyle::DefaultButtonMask) >> 8);
    buttons.defaultIndex = wanted < buttons.count ? wanted : 0;
    return buttons;
}

int DefaultMessageBoxAnswer(const MessageBoxRequest& request) {
    MessageBoxButtons buttons = ButtonsForStyle(request.style);
    return buttons.answers[buttons.defaultIndex];
}

} // namespace Zorbel
