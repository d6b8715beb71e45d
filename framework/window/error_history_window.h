// The error history window: what the error manager shows instead of single message boxes when it keeps a
// history. A list of the reported messages with their categories, and up to eight buttons named by the
// caller's button mask; the code of the button pressed is the answer. The window works on a private copy
// of the history, so other threads can report while it is open.
#pragma once

#include <array>
#include <memory>

#include "framework/errors/error_log.h"
#include "framework/window/window_controller.h"

namespace kirva::framework {
class ErrorManager;
}

namespace kirva::framework {

class ErrorHistoryWindow : public WindowController {
  public:
    static constexpr int32_t kIconControl = 1;
    static constexpr int32_t kListControl = 2;
    static constexpr int32_t kFirstButton = 3;  // eight buttons, 3 to 10, hidden until used
    static constexpr std::size_t kButtonCount = 8;
    static constexpr std::size_t kShownTextLength = 255;  // of a message in the list

    // The window's layout: the image, the two-column list and the eight hidden buttons.
    static const platform::WindowLayout& layout();

    ErrorHistoryWindow(platform::WindowSystem& windowSystem, framework::HistoryWindowRequest historyRequest);

    ErrorLevel init() override;
    ErrorLevel shutdown() override;
    ErrorLevel handleAccepted() override;
    // Its own operation after the window manager's: labels, remembers and shows one button per bit of the
    // request's mask, from Help down to Ok, and gives the default one the focus.
    virtual void setupButtons();

    // The code of the button pressed; closing the window otherwise answers Cancel when the window offers
    // it, else the default button.
    unsigned result() const { return result_; }
    // The private copy of the history (empty after shutdown).
    const std::vector<framework::HistoryEntry>& entries() const { return request_.entries; }
    // The button codes by control, 0 for a control not used.
    const std::array<unsigned, kButtonCount>& buttonCodes() const { return buttonCodes_; }

  private:
    framework::HistoryWindowRequest request_;
    std::unique_ptr<platform::Window> ownWindow_;
    std::array<unsigned, kButtonCount> buttonCodes_{};
    unsigned result_ = 0;
};

// Runs the history window for one request and returns the button pressed.
unsigned showErrorHistoryWindow(platform::WindowSystem& windowSystem, const framework::HistoryWindowRequest& request);

// Makes the manager show its history in the window (the windowless front keeps its one message box). The
// window system must outlive the manager's use of it.
void useErrorHistoryWindow(framework::ErrorManager& manager, platform::WindowSystem& windowSystem);

}  // namespace kirva::framework
