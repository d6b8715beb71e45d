// What the window systems (the headless one in tests/support/, Qt in platform/qt/, Win32 in platform/win32/)
// share, so that a layout behaves alike on each: which kinds take typed text and the focus, access keys and
// what they reach, the walk through the field order, and one window's event queue with its handlers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/window_system.h"

namespace kirva::platform {

// Entries (and drop lists) take typed text, which reaches the binding when the user leaves them.
bool isEntryKind(ControlKind kind);
// Kinds that never take the focus: Tab passes them by and a click on them does nothing.
bool isFocusableKind(ControlKind kind);
// Kinds a click, the space bar or their access key presses: buttons, check boxes and radio buttons.
bool isPressedKind(ControlKind kind);
// The letter after a single "&" ("&&" is a literal "&") of a text, upper-cased (Windows-1250); 0 when the
// text has none.
char accessKeyOf(const Text1250& text);
// The text as shown: the access-key marks removed ("&&" shows as "&").
Text1250 withoutAccessMarks(const Text1250& text);

// What both window systems keep of a control besides its layout, as the layout starts it: its text (the
// label with its "&" marks, or an entry's text in the headless system), image role, place in dialog units
// (natural sizes filled in as the window measures them) and whether it is hidden.
struct ControlState {
    explicit ControlState(const ControlLayout& design)
        : layout(design), text(design.text), image(design.image), place(design.place), hidden(design.hidden) {}

    ControlLayout layout;
    Text1250 text;
    std::string image;
    Rect place;
    bool hidden = false;
};

// The control after (or before) `from` in field order that `canFocus` lets take the focus, wrapping round;
// 0 when none can. `controls` are in field order, each with its `layout.number`; a `from` not among them
// starts the walk at the beginning (or, backwards, at the end).
template <class Controls, class CanFocus>
int32_t nextFocusable(const Controls& controls, int32_t from, bool backwards, CanFocus canFocus) {
    const auto count = static_cast<std::ptrdiff_t>(controls.size());
    if (count == 0) return 0;
    std::ptrdiff_t start = -1;
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        if (controls[static_cast<std::size_t>(i)].layout.number == from) start = i;
    }
    if (start < 0) start = backwards ? 0 : count - 1;
    for (std::ptrdiff_t step = 1; step <= count; ++step) {
        const std::ptrdiff_t i = ((backwards ? start - step : start + step) % count + count) % count;
        const auto& c = controls[static_cast<std::size_t>(i)];
        if (canFocus(c)) return c.layout.number;
    }
    return 0;
}

// The dialog-unit scale of one font, in pixels, as a real window system measures it, and the conversions
// it makes with it.
struct DialogUnits {
    int baseX = 8;   // average character width
    int baseY = 16;  // character height

    // Rounded to the nearest pixel (or unit) as MulDiv rounds.
    int toPixelsX(int32_t units) const;
    int toPixelsY(int32_t units) const;
    int32_t toUnitsX(int pixels) const;
    int32_t toUnitsY(int pixels) const;
    // Pixels back to units rounded up, for natural sizes, so that text never gets less room than it needs.
    int32_t toUnitsXCeil(int pixels) const;
    int32_t toUnitsYCeil(int pixels) const;
};

// Where a window of this frame goes so that it is on a screen, all in pixels: on the screen (work area) it
// overlaps most (the primary one when it overlaps none, e.g. a remembered place on a screen that is gone),
// no larger than that screen (size first), then moved as little as possible to lie wholly on it.
Rect keepOnScreens(const Rect& frame, const std::vector<Rect>& screens, const Rect& primary);

// What an access key reaches.
struct AccessTarget {
    enum class Action : uint8_t {
        None,   // no control answers to the letter: the window beeps
        Stay,   // a label's letter whose control has the focus already
        Focus,  // the focus moves to `control`
        Press,  // `control` is pressed (it takes the focus first)
    };
    Action action = Action::None;
    int32_t control = 0;
};

// The first control in field order whose text marks `letter` (upper-cased, Windows-1250) and that
// `answers` (shown and enabled): a label's letter reaches the control after it, a button's or check box's
// presses it, any other control takes the focus. `focused` is the control that has the focus.
template <class Controls, class Answers, class CanFocus>
AccessTarget accessKeyTarget(const Controls& controls, char letter, int32_t focused, Answers answers,
                             CanFocus canFocus) {
    using Action = AccessTarget::Action;
    if (letter == '\0') return {};
    for (const auto& c : controls) {
        if (!answers(c) || accessKeyOf(c.text) != letter) continue;
        switch (c.layout.kind) {
            case ControlKind::Prompt:
            case ControlKind::Text:
            case ControlKind::Group:
            case ControlKind::Option: {
                const int32_t next = nextFocusable(controls, c.layout.number, false, canFocus);
                return next != 0 && next != focused ? AccessTarget{Action::Focus, next} : AccessTarget{Action::Stay};
            }
            default:
                break;
        }
        if (isPressedKind(c.layout.kind)) return {Action::Press, c.layout.number};
        if (canFocus(c) && c.layout.number != focused) return {Action::Focus, c.layout.number};
        return {Action::Stay};
    }
    return {};
}

// One window's events: the queue (posted to the back or the front; notify() posts from other threads),
// the handlers registered for a kind, the current event and the last accepted control.
class WindowEvents {
  public:
    using Handler = std::function<EventVerdict(const Event&)>;

    void post(const Event& event, bool front = false);
    std::optional<Event> take();
    void clear();

    int registerHandler(EventKind kind, Handler handler);
    void unregisterHandler(int id);

    // Makes `event` the current one, hands it to the handlers registered for its kind in the order they
    // were registered (one may unregister another, or itself), then to `loopHandler` (when there is one),
    // stopping at the first that ends the loop or skips the default. Returns that verdict, else Normal:
    // then the window does the event's default (a CloseWindow or CloseDown closes it).
    EventVerdict deliver(const Event& event, const Handler* loopHandler);

    const Event& current() const { return current_; }
    int32_t acceptedControl() const { return acceptedControl_; }

  private:
    struct Registered {
        EventKind kind;
        Handler handler;
    };

    std::mutex mutex_;  // guards queue_ alone
    std::deque<Event> queue_;
    std::map<int, Registered> handlers_;
    int nextId_ = 1;
    Event current_;
    int32_t acceptedControl_ = 0;
};

}  // namespace kirva::platform
