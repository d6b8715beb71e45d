// The window system's message boxes, behind one interface with two implementations: the Qt one (the
// desktop program, in platform/qt/) and the headless one here, which the command-line front and the tests
// use. Texts are Windows-1250 (Text1250); a "|" in a text starts a new line.
#pragma once

#include <cstdint>
#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "platform/text1250.h"

namespace kirva::platform {

// The standard icons the program asks for.
enum class MessageIcon : uint8_t {
    None,
    Information,  // the asterisk (IDI_ASTERISK)
    Exclamation,  // IDI_EXCLAMATION
    WinLogo,      // IDI_WINLOGO
    Question,
    Hand,
};

// Button codes, a bit mask: the box returns the code of the button pressed.
enum MessageButton : unsigned {
    ButtonOk = 1,
    ButtonYes = 2,
    ButtonNo = 4,
    ButtonAbort = 8,
    ButtonRetry = 16,
    ButtonIgnore = 32,
    ButtonCancel = 64,
    ButtonHelp = 128,
};

struct MessageBoxRequest {
    Text1250 text;  // "|" = line break
    Text1250 caption;
    MessageIcon icon = MessageIcon::None;
    unsigned buttons = ButtonOk;
    unsigned defaultButton = ButtonOk;
    int style = 0;
    // Captions of the buttons when the program names them itself (" Zapri"); empty for the standard ones.
    std::vector<Text1250> buttonCaptions;
};

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Shows the box modally and returns the code of the button pressed.
    virtual unsigned show(const MessageBoxRequest& request) = 0;
};

// Answers every box at once: with the next scripted answer when one is queued, otherwise with the
// box's default button. Keeps what was shown, and when given a stream prints each box on it as its caption
// and its text (UTF-8, each "|" turned into a line break), as the command-line front does.
class HeadlessMessageBoxes final : public MessageBoxes {
  public:
    HeadlessMessageBoxes() = default;
    explicit HeadlessMessageBoxes(std::ostream& printTo) : out_(&printTo) {}

    unsigned show(const MessageBoxRequest& request) override;

    void queueAnswer(unsigned button) { answers_.push_back(button); }
    const std::vector<MessageBoxRequest>& shown() const { return shown_; }
    void clearShown() { shown_.clear(); }

  private:
    std::ostream* out_ = nullptr;
    std::deque<unsigned> answers_;
    std::vector<MessageBoxRequest> shown_;
};

// How the command line prints a box: caption, then the text with "|" as line breaks, in UTF-8.
std::string formatMessageBoxForTerminal(const MessageBoxRequest& request);

}  // namespace kirva::platform
