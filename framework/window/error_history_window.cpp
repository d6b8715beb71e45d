#include "framework/window/error_history_window.h"

#include <utility>

#include "framework/errors/error_manager.h"

namespace kirva::framework {

using platform::ControlKind;
using platform::ControlLayout;
using platform::MessageIcon;
using platform::WindowLayout;

namespace {

std::string_view imageRole(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Exclamation:
            return "exclamation";
        case MessageIcon::WinLogo:
            return "logo";
        case MessageIcon::Question:
            return "question";
        case MessageIcon::Hand:
            return "hand";
        default:
            return "information";  // the asterisk, also when no icon is given
    }
}

WindowLayout makeLayout() {
    WindowLayout layout;
    layout.name = "ErrorHistory";
    layout.caption = Text1250::literal("Errors History");
    layout.width = 300;
    layout.height = 134;
    layout.resizable = false;
    layout.statusBar = false;

    ControlLayout icon;
    icon.number = ErrorHistoryWindow::kIconControl;
    icon.kind = ControlKind::Image;
    icon.image = "information";
    icon.place = {6, 6, 20, 20};
    layout.controls.push_back(icon);

    ControlLayout list;
    list.number = ErrorHistoryWindow::kListControl;
    list.kind = ControlKind::List;
    list.place = {32, 6, 262, 102};
    list.columns = {{Text1250::literal("Message"), 217}, {Text1250::literal("Category"), 42}};
    layout.controls.push_back(list);

    // Eight buttons in a row under the list, filled from the left.
    for (std::size_t i = 0; i < ErrorHistoryWindow::kButtonCount; ++i) {
        ControlLayout button;
        button.number = ErrorHistoryWindow::kFirstButton + static_cast<int32_t>(i);
        button.kind = ControlKind::Button;
        button.place = {6 + 36 * static_cast<int32_t>(i), 114, 34, 14};
        button.hidden = true;
        layout.controls.push_back(button);
    }
    return layout;
}

}  // namespace

const WindowLayout& ErrorHistoryWindow::layout() {
    static const WindowLayout kLayout = makeLayout();
    return kLayout;
}

ErrorHistoryWindow::ErrorHistoryWindow(platform::WindowSystem& windowSystem,
                                       framework::HistoryWindowRequest historyRequest)
    : WindowController(windowSystem), request_(std::move(historyRequest)) {
    if (request_.buttons.size() > kButtonCount) request_.buttons.resize(kButtonCount);
    // Closing the window without a button: Cancel when offered, else the default.
    for (const framework::HistoryButton& button : request_.buttons) {
        if (button.isDefault) result_ = button.code;
    }
    for (const framework::HistoryButton& button : request_.buttons) {
        if (button.code == platform::ButtonCancel) result_ = button.code;
    }
}

ErrorLevel ErrorHistoryWindow::init() {
    // The history can come up in the middle of another window procedure: the request and response
    // handed between the program's procedures are theirs, so this window leaves them alone.
    const ErrorLevel level = WindowController::init();
    if (level != ErrorLevel::Quiet) return level;
    navigation = &navigationRequest();

    // The default button is a property of the layout; which control holds it follows from the request.
    WindowLayout windowLayout = layout();
    for (std::size_t i = 0; i < request_.buttons.size(); ++i) {
        if (request_.buttons[i].isDefault) {
            const int32_t control = kFirstButton + static_cast<int32_t>(i);
            for (ControlLayout& c : windowLayout.controls) c.defaultButton = c.number == control;
            firstField = control;
        }
    }
    ownWindow_ = windowSystem().createWindow(windowLayout);
    openWindow(*ownWindow_, nullptr);
    if (!request_.caption.empty()) window()->setCaption(Text1250::fromBytes(request_.caption));
    window()->setImage(kIconControl, imageRole(request_.icon));
    setupButtons();

    // The history's texts are the message table's, Windows-1250 already.
    std::vector<std::vector<Text1250>> rows;
    rows.reserve(request_.entries.size());
    for (const framework::HistoryEntry& entry : request_.entries) {
        rows.push_back(
            {Text1250::fromBytes(entry.txt.substr(0, kShownTextLength)), Text1250::fromBytes(entry.category)});
    }
    window()->setListRows(kListControl, std::move(rows));
    registerAlertKeys();
    return ErrorLevel::Quiet;
}

void ErrorHistoryWindow::setupButtons() {
    buttonCodes_.fill(0);
    for (std::size_t i = 0; i < request_.buttons.size(); ++i) {
        const framework::HistoryButton& button = request_.buttons[i];
        const int32_t control = kFirstButton + static_cast<int32_t>(i);
        buttonCodes_[i] = button.code;
        window()->setText(control, Text1250::fromBytes(button.label));
        window()->setHidden(control, false);
        if (button.isDefault) window()->select(control);
    }
}

ErrorLevel ErrorHistoryWindow::handleAccepted() {
    const ErrorLevel level = WindowController::handleAccepted();
    const int32_t control = acceptedControl();
    if (control >= kFirstButton && control < kFirstButton + static_cast<int32_t>(kButtonCount)) {
        const unsigned code = buttonCodes_[static_cast<std::size_t>(control - kFirstButton)];
        if (code != 0) {
            result_ = code;
            closeWithResponse(ResponseCompleted);
        }
    }
    return level;
}

ErrorLevel ErrorHistoryWindow::shutdown() {
    const ErrorLevel level = WindowController::shutdown();
    if (level != ErrorLevel::Quiet) return level;
    request_.entries.clear();
    request_.entries.shrink_to_fit();
    return ErrorLevel::Quiet;
}

unsigned showErrorHistoryWindow(platform::WindowSystem& windowSystem, const framework::HistoryWindowRequest& request) {
    ErrorHistoryWindow window(windowSystem, request);
    (void)window.run();
    return window.result();
}

void useErrorHistoryWindow(framework::ErrorManager& manager, platform::WindowSystem& windowSystem) {
    manager.setHistoryWindow([&windowSystem](const framework::HistoryWindowRequest& request) {
        return showErrorHistoryWindow(windowSystem, request);
    });
}

}  // namespace kirva::framework
