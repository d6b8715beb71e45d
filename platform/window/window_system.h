// platform/window/: the window system behind one interface, so that the framework and the program's
// windows never see the toolkit. Two implementations: Qt 6 Widgets (platform/qt/, the desktop program) and
// the headless, scripted one the tests drive the windows with (tests/support/headless_window.h, linked by
// the test programs only); the command-line front opens no window. No Qt in this folder.
//
// Everything in this interface is in dialog units (the layout's units: a quarter of the window font's
// average character width horizontally, an eighth of its height vertically), so a layout looks the same at
// any screen scale and the resizer computes in the units the layouts are drawn in. Texts are Windows-1250
// (Text1250); an implementation converts at its own edge.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/decimal.h"
#include "platform/text1250.h"
#include "platform/window/message_box.h"

namespace kirva::platform {

// A place and size. For a control: relative to the window's client area. For a window: its position on
// the screen and its client size. kNoCoordinate means "no value": the window system decides.
constexpr int32_t kNoCoordinate = INT32_MIN;

struct Rect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Control kinds. The resizer chooses its default strategies by these.
enum class ControlKind : uint8_t {
    Prompt,    // a label in front of an entry; its "&" letter moves the focus to the next control
    Text,      // static text
    Entry,     // one-line entry bound to a variable
    DropList,  // counts as an entry
    Button,
    CheckBox,
    Radio,
    Image,
    Line,
    Box,
    Group,
    Option,
    Sheet,
    Tab,
    Region,
    List,
};

// How an entry shows and takes its bound variable.
enum class FieldFormat : uint8_t {
    Text,      // the text as it stands, at most maxLength characters
    Date,      // a day number shown and typed as dd.mm.yyyy (four-digit year); 0 shows empty
    Rate,      // a decimal 8 wide, two places, decimal comma, point for thousands, then " %" ("8,50 %")
    Number,    // a whole number, at most maxLength characters
    CheckBox,  // 1 when ticked, 0 when not
};

// A control's bound variable: the entry shows display() and, when the user leaves it after a change,
// hands the typed text to accept(). accept() returns false when the text is no value of the variable's
// kind (the window then raises Rejected instead of Accepted and the variable keeps its value).
class Binding {
  public:
    virtual ~Binding() = default;
    virtual Text1250 display() const = 0;
    virtual bool accept(const Text1250& typed) = 0;
};

// Bindings for the formats above; the variable must outlive the window. Defined in bindings.cpp.
std::shared_ptr<Binding> bindText(Text1250& variable, std::size_t maxLength);
std::shared_ptr<Binding> bindDate(int32_t& dayNumber);
std::shared_ptr<Binding> bindRate(Decimal& rate);  // two places shown; a typed "8,5" is 8.50
std::shared_ptr<Binding> bindNumber(int64_t& number, std::size_t maxLength);
std::shared_ptr<Binding> bindCheckBox(uint8_t& flag);

struct ListColumn {
    Text1250 heading;
    int32_t width = 0;  // dialog units
};

// One control of a window layout. Controls are listed in tab (field) order.
struct ControlLayout {
    int32_t number = 0;  // the field number by which handlers tell controls apart (> 0, unique)
    ControlKind kind = ControlKind::Text;
    Text1250 text;        // "&" marks the access key, "&&" is a literal "&"
    std::string image;    // image role for buttons and images ("build", "cancel", "logo", ...)
    Rect place;           // dialog units; width or height 0 = the natural size
    Text1250 statusText;  // shown in the status bar while the control has the focus
    Text1250 tooltip;
    FieldFormat format = FieldFormat::Text;
    std::size_t maxLength = 0;  // entries: characters; 0 = no limit
    std::shared_ptr<Binding> binding;
    bool standardClose = false;  // a button that closes the window as the close box does
    bool defaultButton = false;  // Enter presses it, after an entry with a change took it (not if refused)
    bool grey = false;           // text in the disabled colour
    bool hidden = false;
    bool readOnly = false;
    std::string colour;               // lines: a named colour ("silver"); empty = the system's
    int32_t parent = 0;               // a container control holding this one; 0 = the window
    std::vector<ListColumn> columns;  // lists
};

struct WindowLayout {
    std::string name;  // the procedure's name, used for the window's object name and tests
    Text1250 caption;
    int32_t width = 0;  // client size, dialog units
    int32_t height = 0;
    std::string fontName = "Verdana";
    int32_t fontPoints = 8;
    bool resizable = true;
    bool statusBar = true;
    std::string icon;  // image role of the window's icon; empty = the application's
    std::vector<ControlLayout> controls;
};

// The events a window delivers, in the kinds of the window manager.
enum class EventKind : uint8_t {
    Accepted,      // an entry left after a change (value taken), a button pressed, a check box toggled
    Rejected,      // an entry left with text that is no value of its kind
    Selected,      // a control got the focus
    NewSelection,  // a list's or sheet's selection changed
    AlertKey,      // a registered alert key was pressed
    OpenWindow,    // the window has opened (once)
    CloseWindow,   // the close box, a standard-close button, or a posted close
    CloseDown,     // the application is ending
    LoseFocus,     // the window lost activation
    GainFocus,     // the window got activation
    Sized,         // the window's size changed
    Restored,      // the window was restored from maximised or minimised
    Maximized,
    Iconized,
    Completed,       // posted by forms
    Notify,          // posted from another thread through notify()
    DeferredResize,  // the user event the window manager posts after Sized, handled by the resizer
};

// The name of an event kind as the transcripts and diagnostics write it ("Accepted", "OpenWindow").
std::string_view eventKindName(EventKind kind);

// Key codes as keyCode() reports them: the plain keys by their virtual-key values, letters and digits by
// their upper-case ASCII codes, with modifier bits added; mouse clicks have codes of their own, so that a
// window can tell a click left over from the calling window (the window manager clears those).
namespace keys {
constexpr int32_t kTab = 0x09;
constexpr int32_t kEnter = 0x0D;
constexpr int32_t kEscape = 0x1B;
constexpr int32_t kF1 = 0x70;  // kF1 + n - 1 for Fn, up to F12
constexpr int32_t kShift = 0x0100;
constexpr int32_t kCtrl = 0x0200;
constexpr int32_t kAlt = 0x0400;  // kAlt | 'I' is Alt+I
constexpr int32_t kMouseLeft = 0x1001;
constexpr int32_t kMouseRight = 0x1002;
constexpr int32_t kMouseCenter = 0x1003;
constexpr int32_t kMouseLeft2 = 0x1011;  // double clicks
constexpr int32_t kMouseRight2 = 0x1012;
constexpr int32_t kMouseCenter2 = 0x1013;
constexpr bool isMouseKey(int32_t code) {
    return code >= kMouseLeft && code <= kMouseCenter2;
}
}  // namespace keys

struct Event {
    EventKind kind = EventKind::Accepted;
    int32_t control = 0;  // 0 for a window event
    // Notify only:
    uint32_t notifyCode = 0;
    uint64_t notifyThread = 0;
    int64_t notifyParameter = 0;
};

// What the window manager tells the event loop after it handled an event.
enum class EventVerdict : uint8_t {
    Normal,       // let the window system finish the event (e.g. close on CloseWindow)
    SkipDefault,  // the event was fully handled: no default processing (a CloseWindow is then refused)
    EndLoop,      // end the event loop at once; the window closes
};

enum class WindowState : uint8_t { Normal, Maximized, Minimized };

class Window {
  public:
    virtual ~Window() = default;

    // Opens the window (modal to its owner when one is given; owner may be null). Posts OpenWindow.
    virtual void open(Window* owner) = 0;
    virtual bool isOpen() const = 0;
    // Runs the event loop until the window has closed; handler is called for each event. Events whose
    // registered handlers (registerHandler) return EndLoop or SkipDefault are not passed on.
    virtual void runEventLoop(const std::function<EventVerdict(const Event&)>& handler) = 0;
    // Queues an event for this window; front = ahead of every pending event.
    virtual void post(const Event& event, bool front = false) = 0;
    // Closes at once (used after the loop ended); a closed window delivers no more events.
    virtual void close() = 0;
    // Callable from any thread: queues a Notify event.
    virtual void notify(uint32_t code, uint64_t thread, int64_t parameter) = 0;

    // Handlers called for an event kind before the loop's handler sees it. Returns an id for unregister.
    virtual int registerHandler(EventKind kind, std::function<EventVerdict(const Event&)> handler) = 0;
    virtual void unregisterHandler(int id) = 0;

    // The event being handled, and the focus.
    virtual const Event& currentEvent() const = 0;
    virtual int32_t acceptedControl() const = 0;  // the control of the last Accepted event
    virtual int32_t focusedControl() const = 0;
    virtual int32_t keyCode() const = 0;  // the last key pressed (0 = none); clearKeyCode() forgets it
    virtual void clearKeyCode() = 0;
    virtual void registerAlertKey(int32_t keyCode) = 0;

    // Controls, in field order.
    virtual std::vector<int32_t> controls() const = 0;
    virtual ControlKind controlKind(int32_t control) const = 0;
    virtual int32_t controlParent(int32_t control) const = 0;  // 0 = the window
    virtual void select(int32_t control) = 0;                  // give it the focus (raises Selected)
    virtual void selectNext(int32_t control) = 0;              // the focus to the control after it
    // Redisplays a control from its binding (0 = every control).
    virtual void display(int32_t control = 0) = 0;
    // Takes what is on the screen into the bound variables without raising events (UpdateBindings).
    virtual void updateBindings() = 0;
    virtual Text1250 text(int32_t control) const = 0;  // what the control shows now
    virtual void setText(int32_t control, const Text1250& text) = 0;
    virtual void setImage(int32_t control, std::string_view role) = 0;
    virtual std::string image(int32_t control) const = 0;
    virtual void setHidden(int32_t control, bool hidden) = 0;
    virtual bool isHidden(int32_t control) const = 0;
    virtual void setDisabled(int32_t control, bool disabled) = 0;
    virtual bool isDisabled(int32_t control) const = 0;
    virtual Rect controlPlace(int32_t control) const = 0;  // empty Rect for an unknown control
    virtual void setControlPlace(int32_t control, const Rect& place) = 0;
    // Whether the window system sizes the control by itself in that direction ("auto" sizes).
    virtual bool autoWidth(int32_t control) const = 0;
    virtual bool autoHeight(int32_t control) const = 0;
    // Moves of many controls applied in one batch: between begin and end the moves are only recorded.
    virtual void beginBatchedMoves() = 0;
    virtual void endBatchedMoves() = 0;
    // The font-name display property of the window (what the window reports; the layout font stays).
    virtual void setFontName(std::string_view name) = 0;
    virtual std::string fontName() const = 0;
    // Lists: rows served from the caller's data.
    virtual void setListRows(int32_t control, std::vector<std::vector<Text1250>> rows) = 0;

    // The window itself: screen position and client size.
    virtual Rect place() const = 0;
    // A coordinate of kNoCoordinate leaves that value to the window system; a window never ends up
    // off every screen.
    virtual void setPlace(const Rect& place) = 0;
    virtual WindowState state() const = 0;
    virtual void setState(WindowState state) = 0;
    virtual bool resizable() const = 0;
    virtual void setMinimumSize(int32_t width, int32_t height) = 0;  // 0, 0 = none
    virtual void setMaximumSize(int32_t width, int32_t height) = 0;  // 0, 0 = none
    virtual Text1250 caption() const = 0;
    virtual void setCaption(const Text1250& caption) = 0;

    // Feedback while the program works on the window's thread: a busy cursor, and a progress indication
    // (done of total; total 0 hides it). Both keep the window painted without taking user input.
    virtual void setBusy(bool busy) = 0;
    virtual void showProgress(int64_t done, int64_t total) = 0;
};

class WindowSystem {
  public:
    virtual ~WindowSystem() = default;

    virtual std::unique_ptr<Window> createWindow(const WindowLayout& layout) = 0;
    virtual MessageBoxes& messageBoxes() = 0;
    // The folder picker: shows title, starts at folder; on a choice puts the folder (with a trailing
    // separator) into folder, cut to maxLength, and returns true. Cancel leaves folder unchanged.
    virtual bool pickFolder(const Text1250& title, Text1250& folder, std::size_t maxLength) = 0;
    virtual void beep() = 0;
    // The process's current directory, in its long form.
    virtual std::string currentDirectory() const = 0;
    virtual bool setCurrentDirectory(std::string_view directory) = 0;
};

}  // namespace kirva::platform
