#include "framework/window/window_controller.h"

#include <thread>

#include "framework/window/window_resizer.h"

namespace kirva::framework {

using platform::Event;
using platform::EventKind;
using platform::EventVerdict;

namespace {

thread_local uint8_t tProcedureRequest = RequestNone;
thread_local uint8_t tProcedureResponse = ResponseNone;
thread_local int32_t tNavigationRequest = 0;

// Events that come in bursts or only mark a transition; the refresh check after an event skips them.
bool isTransitional(EventKind kind) {
    switch (kind) {
        case EventKind::LoseFocus:
        case EventKind::GainFocus:
        case EventKind::Sized:
        case EventKind::Restored:
        case EventKind::Maximized:
        case EventKind::Iconized:
        case EventKind::DeferredResize:
        case EventKind::NewSelection:
            return true;
        default:
            return false;
    }
}

EventVerdict verdictFor(ErrorLevel level) {
    switch (level) {
        case ErrorLevel::Fatal:
            return EventVerdict::EndLoop;
        case ErrorLevel::Notice:
            return EventVerdict::SkipDefault;
        default:
            return EventVerdict::Normal;
    }
}

}  // namespace

uint8_t& procedureRequest() {
    return tProcedureRequest;
}

uint8_t& procedureResponse() {
    return tProcedureResponse;
}

int32_t& navigationRequest() {
    return tNavigationRequest;
}

// ---- toolbar link

void WindowToolbar::callFirst() {
    if (!targets_ || targets_->empty() || targets_->back().target == nullptr) return;
    targets_->back().target->redisplay();
}

// The current target takes the accepted control; a navigation request stays for the form to act on.
void WindowToolbar::takeAccepted(int32_t control, int32_t& /*navigation*/) {
    if (!targets_ || targets_->empty() || targets_->back().target == nullptr) return;
    Event accepted;
    accepted.kind = EventKind::Accepted;
    accepted.control = control;
    (void)targets_->back().target->handleEvent(accepted);
}

// ---- window manager

WindowController::WindowController(platform::WindowSystem& windowSystem) : windowSystem_(windowSystem) {}

WindowController::~WindowController() = default;

int32_t WindowController::acceptedControl() const {
    if (event_ != nullptr && event_->kind == EventKind::Accepted) return event_->control;
    return window_ != nullptr ? window_->acceptedControl() : 0;
}

void WindowController::eventLoop() {
    if (dead || window_ == nullptr) return;
    lastInsertedPosition.clear();
    bool ended = false;
    window_->runEventLoop([this, &ended](const Event& current) {
        // The handlers run inside the window system's loop: nothing may be thrown across it. A handler
        // that fails that way ends the window as cancelled rather than leaving it half-handled.
        EventVerdict verdict = EventVerdict::EndLoop;
        const Event* outer = event_;
        event_ = &current;
        try {
            verdict = verdictFor(handleEvent());
        } catch (...) {
            verdict = EventVerdict::EndLoop;
        }
        event_ = outer;
        if (verdict == EventVerdict::EndLoop) ended = true;
        return verdict;
    });
    if (ended && window_->isOpen()) window_->close();
}

ErrorLevel WindowController::init() {
    originalRequest = request;
    components_.emplace();
    buttons_.emplace();
    // No expression-name scope to open: nothing here evaluates expressions at run time. A click left
    // over from an earlier use of the window is not this run's key.
    if (window_ != nullptr && platform::keys::isMouseKey(window_->keyCode())) window_->clearKeyCode();
    insertAction = RequestChange;
    deleteAction = RequestChange;
    changeAction = RequestChange;
    cancelAction = RequestDelete;
    autoRefresh = true;
    autoToolbar = true;
    owner_ = nullptr;
    return ErrorLevel::Quiet;
}

ErrorLevel WindowController::shutdown() {
    if (dead || !components_) return ErrorLevel::Notice;
    for (WindowComponent* component : *components_) component->release();
    components_.reset();
    buttons_.reset();
    if (toolbar_ != nullptr) toolbar_->release();
    if (resizer_ != nullptr) resizer_->shutdown();
    dead = true;
    return ErrorLevel::Quiet;
}

void WindowController::firstOpen() {
    refresh(false);
    inited |= 1;
}

void WindowController::openWindow(platform::Window& window, platform::Window* owner) {
    window_ = &window;
    if (owner != nullptr) owner_ = owner;
    window.open(owner_);
    // The click that opened this window belongs to the calling window, not to this one's handlers.
    if (platform::keys::isMouseKey(window.keyCode())) window.clearKeyCode();
    opened = true;
}

void WindowController::refresh(bool force) {
    force = force || forcedReset;
    forcedReset = false;
    if (components_) {
        for (WindowComponent* component : *components_) {
            if (component->boundToFile()) component->rereadRecord();
            component->refresh(force);
        }
        for (WindowComponent* component : *components_) component->redisplay();
    }
    if (window_ != nullptr) window_->display(0);
}

uint8_t WindowController::run() {
    if (init() == ErrorLevel::Quiet) eventLoop();
    (void)shutdown();
    // A window whose initialisation failed after it opened is not left on the screen.
    if (window_ != nullptr && window_->isOpen()) window_->close();
    return response != ResponseNone ? response : static_cast<uint8_t>(ResponseCancelled);
}

void WindowController::registerAlertKeys() {
    if (!components_) return;
    for (WindowComponent* component : *components_) component->registerAlertKeys();
}

void WindowController::closeWithResponse(uint8_t newResponse) {
    response = newResponse;
    if (window_ != nullptr) {
        Event close;
        close.kind = EventKind::CloseWindow;
        window_->post(close);
    }
    if (newResponse == ResponseCancelled && toolbar_ != nullptr) navigationRequest() = 0;
}

ErrorLevel WindowController::handleAccepted() {
    const int32_t control = acceptedControl();
    if (toolbar_ != nullptr) {
        toolbar_->takeAccepted(control, navigationRequest());
        if (control == kToolbarHistoryButton && window_ != nullptr) {
            restoreFieldFromHistory(window_->focusedControl());
        }
    }
    if (buttons_) {
        for (const ResponseButton& button : *buttons_) {
            if (button.control == control) {
                closeWithResponse(button.response);
                return ErrorLevel::Notice;
            }
        }
    }
    return ErrorLevel::Quiet;
}

ErrorLevel WindowController::handleCloseRequest() {
    return ErrorLevel::Quiet;
}

ErrorLevel WindowController::handleEvent() {
    const Event& current = event();
    ErrorLevel level = ErrorLevel::Quiet;
    if (current.control == 0) {
        level = handleWindowEvent();
        if (level != ErrorLevel::Quiet) return level;
    }
    switch (current.kind) {
        case EventKind::Sized:
            if (window_ != nullptr) {
                Event deferred;
                deferred.kind = EventKind::DeferredResize;
                window_->post(deferred, true);
            }
            break;
        case EventKind::Accepted:
            level = handleAccepted();
            break;
        case EventKind::Rejected:
            level = handleRejected();
            break;
        case EventKind::Selected:
            level = handleSelected();
            break;
        case EventKind::NewSelection:
            level = handleNewSelection();
            break;
        case EventKind::AlertKey:
            if (historyKey != 0 && window_ != nullptr && window_->keyCode() == historyKey) {
                restoreFieldFromHistory(window_->focusedControl());
            }
            break;
        default:
            break;
    }
    if (level != ErrorLevel::Quiet) return level;
    if (current.control != 0) {
        level = handleFieldEvent();
        if (level != ErrorLevel::Quiet) return level;
    }
    if (components_) {
        for (WindowComponent* component : *components_) {
            level = component->handleEvent(current);
            if (level != ErrorLevel::Quiet) return level;
        }
        if (autoRefresh && !isTransitional(current.kind)) {
            for (WindowComponent* component : *components_) {
                if (component->needsRefresh()) {
                    refresh(false);
                    break;
                }
            }
        }
    }
    return ErrorLevel::Quiet;
}

ErrorLevel WindowController::handleNewSelection() {
    const int32_t control = event().control;
    if (window_ != nullptr && control != 0 && window_->controlKind(control) == platform::ControlKind::Sheet) {
        refresh(false);
        if (autoToolbar && toolbar_ != nullptr) toolbar_->callFirst();
    }
    return ErrorLevel::Quiet;
}

ErrorLevel WindowController::handleNotify(uint32_t /*code*/, uint64_t /*thread*/, int64_t /*parameter*/) {
    return ErrorLevel::Quiet;
}

ErrorLevel WindowController::handleRejected() {
    windowSystem_.beep();
    const int32_t control = event().control;
    if (window_ != nullptr && control != 0) {
        window_->display(control);
        window_->select(control);
    }
    return ErrorLevel::Quiet;
}

ErrorLevel WindowController::handleWindowEvent() {
    const Event& current = event();
    switch (current.kind) {
        case EventKind::OpenWindow:
            if ((inited & 1) == 0) firstOpen();
            if (firstField != 0 && window_ != nullptr) window_->select(firstField);
            return ErrorLevel::Quiet;
        case EventKind::Notify: {
            const ErrorLevel level = handleNotify(current.notifyCode, current.notifyThread, current.notifyParameter);
            if (level == ErrorLevel::Quiet && current.notifyCode == kNotifyGainFocus && window_ != nullptr) {
                std::this_thread::yield();
                if (window_->state() == platform::WindowState::Minimized) {
                    window_->setState(platform::WindowState::Normal);
                }
                Event gain;
                gain.kind = EventKind::GainFocus;
                window_->post(gain);
            }
            return level;
        }
        case EventKind::LoseFocus:
            if (resetOnGainFocus) forcedReset = true;
            return ErrorLevel::Quiet;
        case EventKind::GainFocus:
            if ((inited & 1) != 0) {
                refresh(false);
            } else {
                firstOpen();
            }
            return ErrorLevel::Quiet;
        case EventKind::Sized:
            // The first size report comes from opening the window; only later ones are the user's.
            if ((inited & 2) == 0) {
                inited |= 2;
            } else {
                refresh(false);
            }
            return ErrorLevel::Quiet;
        case EventKind::Completed:
            return handleCompleted();
        case EventKind::CloseWindow:
        case EventKind::CloseDown:
            return handleCloseRequest();
        default:
            return ErrorLevel::Quiet;
    }
}

void WindowController::updateBindings() {
    // The screen's values into the bound variables (the window takes them on leaving a field as well, so
    // this only matters for a field the user has typed into and not left), then the components'.
    if (window_ != nullptr) window_->updateBindings();
    if (!components_) return;
    for (WindowComponent* component : *components_) component->takeScreenValues();
}

void WindowController::setControlDisabled(int32_t control, bool disabled) {
    if (control == 0 || window_ == nullptr) return;
    window_->setDisabled(control, disabled);
}

void WindowController::focusFirstField() {
    if (firstField != 0 && window_ != nullptr) window_->select(firstField);
}

void WindowController::addResponseButton(int32_t control, uint8_t buttonResponse) {
    if (!buttons_) buttons_.emplace();
    buttons_->push_back({control, buttonResponse});
}

void WindowController::linkToolbar(WindowToolbar& toolbar) {
    toolbar_ = &toolbar;
    toolbar.init();
}

void WindowController::linkResizer(WindowResizer& resizer) {
    resizer_ = &resizer;
}

void WindowController::addComponent(WindowComponent& component) {
    if (!components_) components_.emplace();
    components_->push_back(&component);
}

}  // namespace kirva::framework
