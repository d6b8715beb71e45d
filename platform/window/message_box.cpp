#include "platform/window/message_box.h"

#include "platform/text1250.h"

namespace kirva::platform {

unsigned HeadlessMessageBoxes::show(const MessageBoxRequest& request) {
    shown_.push_back(request);
    if (out_ != nullptr) *out_ << formatMessageBoxForTerminal(request) << std::flush;
    if (!answers_.empty()) {
        const unsigned answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    return request.defaultButton;
}

std::string formatMessageBoxForTerminal(const MessageBoxRequest& request) {
    std::string text = request.text.toUtf8();
    for (char& c : text) {
        if (c == '|') c = '\n';
    }
    return request.caption.toUtf8() + "\n" + text + "\n";
}

}  // namespace kirva::platform
