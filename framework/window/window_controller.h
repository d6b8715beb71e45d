// The window manager: the base of every window procedure. It opens the window, runs its event loop,
// dispatches each event to an overridable handler, turns designated buttons into a response, and closes
// down. Windows are reached only through the window-system interface (platform/window/).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/errors/error_level.h"
#include "platform/window/window_system.h"

namespace kirva::framework {
class ErrorManager;
}

namespace kirva::framework {

using framework::ErrorLevel;

// Request and response codes handed between window procedures.
enum Request : uint8_t {
    RequestNone = 0,
    RequestInsert = 1,
    RequestChange = 2,
    RequestDelete = 3,
    RequestConfirmCancels = 4,  // the confirm button answers with ResponseCancelled
    RequestFormState = 6,
    RequestSaveAndContinue = 7,
};
enum Response : uint8_t { ResponseNone = 0, ResponseCompleted = 1, ResponseCancelled = 2 };

// Per-thread values shared by the window procedures of one thread.
uint8_t& procedureRequest();
uint8_t& procedureResponse();
int32_t& navigationRequest();

// The toolbar's history button, which restores the focused control's remembered value.
constexpr int32_t kToolbarHistoryButton = 3012;

// The notification code by which another thread asks a window to come to the front: the window is
// restored when minimised and gets a GainFocus event of its own.
constexpr uint32_t kNotifyGainFocus = static_cast<uint32_t>(platform::EventKind::GainFocus);

class WindowResizer;

// A part of a window that takes part in its events (none of the program's windows registers one).
class WindowComponent {
  public:
    virtual ~WindowComponent() = default;
    virtual void release() {}
    virtual void refresh(bool /*force*/) {}
    virtual bool needsRefresh() const { return false; }
    virtual void registerAlertKeys() {}
    virtual ErrorLevel handleEvent(const platform::Event&) { return ErrorLevel::Quiet; }
    virtual void takeScreenValues() {}
    virtual void redisplay() {}
    virtual bool boundToFile() const { return false; }
    virtual void rereadRecord() {}
};

// Links a window to a shared toolbar. The program's windows register no targets, so every call does
// nothing; the link is kept so that windows are built the way the framework expects.
class WindowToolbar {
  public:
    struct Target {
        int32_t id = 0;
        WindowComponent* target = nullptr;
    };
    void init() { targets_.emplace(); }
    void callFirst();
    void release() { targets_.reset(); }
    void takeAccepted(int32_t control, int32_t& navigation);
    bool initialised() const { return targets_.has_value(); }

  private:
    std::optional<std::vector<Target>> targets_;
};

class WindowController {
  public:
    explicit WindowController(platform::WindowSystem& windowSystem);
    virtual ~WindowController();
    WindowController(const WindowController&) = delete;
    WindowController& operator=(const WindowController&) = delete;

    // The operation table, in its order.
    virtual void eventLoop();
    virtual ErrorLevel init();
    virtual ErrorLevel shutdown();
    virtual void firstOpen();
    virtual void openWindow(platform::Window& window, platform::Window* owner = nullptr);
    virtual void prepareNextInsert() {}
    virtual ErrorLevel formRequestStep() { return ErrorLevel::Quiet; }
    virtual void refresh(bool force = false);
    virtual void restoreFieldFromHistory(int32_t /*control*/) {}
    uint8_t run();  // Init, EventLoop when Init returned 0, Shutdown always; the response, 2 when 0
    virtual uint8_t returnCancelled() { return ResponseCancelled; }
    virtual void registerAlertKeys();
    virtual void closeWithResponse(uint8_t response);
    virtual ErrorLevel handleAccepted();
    virtual ErrorLevel handleCompleted() { return ErrorLevel::Quiet; }
    virtual ErrorLevel handleCloseRequest();
    virtual ErrorLevel handleEvent();
    virtual ErrorLevel handleFieldEvent() { return ErrorLevel::Quiet; }
    virtual ErrorLevel handleNewSelection();
    virtual ErrorLevel handleNotify(uint32_t code, uint64_t thread, int64_t parameter);
    virtual ErrorLevel handleRejected();
    virtual ErrorLevel handleSelected() { return ErrorLevel::Quiet; }
    virtual ErrorLevel handleWindowEvent();
    virtual void updateBindings();
    virtual void setControlDisabled(int32_t control, bool disabled);
    virtual ErrorLevel insertStep() { return ErrorLevel::Quiet; }
    virtual ErrorLevel changeStep() { return ErrorLevel::Quiet; }
    virtual ErrorLevel deleteStep() { return ErrorLevel::Quiet; }
    virtual ErrorLevel saveChangeAndStay() { return ErrorLevel::Quiet; }
    virtual ErrorLevel saveInsertAndStay() { return ErrorLevel::Quiet; }
    virtual void focusFirstField();

    // Helpers for derived windows.
    void addResponseButton(int32_t control, uint8_t response);
    void linkToolbar(WindowToolbar& toolbar);
    void linkResizer(WindowResizer& resizer);
    void addComponent(WindowComponent& component);

    platform::WindowSystem& windowSystem() const { return windowSystem_; }
    platform::Window* window() const { return window_; }  // MYWINDOW, set by openWindow
    // The event being handled (valid inside the handlers; an empty Accepted event outside them).
    const platform::Event& event() const { return event_ != nullptr ? *event_ : noEvent_; }
    // The control of the Accepted event being handled (else the window's last accepted control).
    int32_t acceptedControl() const;

    // Fields the derived windows read and set.
    uint8_t request = 0;
    uint8_t response = 0;
    uint8_t originalRequest = 0;
    int32_t firstField = 0;
    bool autoRefresh = false;
    bool autoToolbar = false;
    bool filesOpened = false;
    bool forcedReset = false;
    bool resetOnGainFocus = false;
    uint8_t inited = 0;  // bit 0: first opening processed; bit 1: first resize seen
    bool dead = false;
    bool opened = false;
    int32_t historyKey = 0;
    int32_t* navigation = nullptr;  // VCRREQUEST: links navigationRequest()
    framework::ErrorManager* errors = nullptr;
    uint8_t insertAction = 0, changeAction = 0, deleteAction = 0, cancelAction = 0;
    std::string lastInsertedPosition;  // forms only; cleared when the event loop starts

  protected:
    struct ResponseButton {
        int32_t control;
        uint8_t response;
    };
    std::optional<std::vector<ResponseButton>> buttons_;
    std::optional<std::vector<WindowComponent*>> components_;
    WindowToolbar* toolbar_ = nullptr;
    WindowResizer* resizer_ = nullptr;

  private:
    platform::WindowSystem& windowSystem_;
    platform::Window* window_ = nullptr;
    platform::Window* owner_ = nullptr;
    const platform::Event* event_ = nullptr;
    static inline const platform::Event noEvent_{};
};

}  // namespace kirva::framework
