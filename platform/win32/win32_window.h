// One window of the Win32 window system: a top-level window of its own class with the layout's controls
// (the system's STATIC, EDIT and BUTTON classes, a status bar and tooltips from the common controls) placed
// in pixels worked out from dialog units, delivering the events of the interface in the order the headless
// windows deliver them. Keys are taken in each control's subclass procedure, so that any message loop that
// dispatches (the window's own, a test's) gives the same events.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/win32/win32_window_system.h"
#include "platform/window/window_parts.h"

namespace kirva::platform::win32 {

// Owners of GDI and user handles: the handle is given back when its owner goes.
struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
struct IconDeleter {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct BrushDeleter {
    void operator()(HBRUSH brush) const { DeleteObject(brush); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;
using BrushHandle = std::unique_ptr<std::remove_pointer_t<HBRUSH>, BrushDeleter>;

class Win32Window final : public Window {
  public:
    Win32Window(Win32WindowSystem& system, const WindowLayout& layout);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    void open(Window* owner) override;
    bool isOpen() const override { return open_; }
    void runEventLoop(const std::function<EventVerdict(const Event&)>& handler) override;
    void post(const Event& event, bool front = false) override;
    void close() override;
    void notify(uint32_t code, uint64_t thread, int64_t parameter) override;
    int registerHandler(EventKind kind, std::function<EventVerdict(const Event&)> handler) override;
    void unregisterHandler(int id) override;

    const Event& currentEvent() const override { return events_.current(); }
    int32_t acceptedControl() const override { return events_.acceptedControl(); }
    int32_t focusedControl() const override { return focused_; }
    int32_t keyCode() const override { return keyCode_; }
    void clearKeyCode() override { keyCode_ = 0; }
    void registerAlertKey(int32_t keyCode) override;

    std::vector<int32_t> controls() const override;
    ControlKind controlKind(int32_t control) const override;
    int32_t controlParent(int32_t control) const override;
    void select(int32_t control) override;
    void selectNext(int32_t control) override;
    void display(int32_t control = 0) override;
    void updateBindings() override;
    Text1250 text(int32_t control) const override;
    void setText(int32_t control, const Text1250& text) override;
    void setImage(int32_t control, std::string_view role) override;
    std::string image(int32_t control) const override;
    void setHidden(int32_t control, bool hidden) override;
    bool isHidden(int32_t control) const override;
    void setDisabled(int32_t control, bool disabled) override;
    bool isDisabled(int32_t control) const override;
    Rect controlPlace(int32_t control) const override;
    void setControlPlace(int32_t control, const Rect& place) override;
    bool autoWidth(int32_t control) const override;
    bool autoHeight(int32_t control) const override;
    void beginBatchedMoves() override;
    void endBatchedMoves() override;
    void setFontName(std::string_view name) override { fontName_ = std::string(name); }
    std::string fontName() const override { return fontName_; }
    void setListRows(int32_t control, std::vector<std::vector<Text1250>> rows) override;

    Rect place() const override;
    void setPlace(const Rect& place) override;
    WindowState state() const override;
    void setState(WindowState state) override;
    bool resizable() const override { return layout_.resizable; }
    void setMinimumSize(int32_t width, int32_t height) override;
    void setMaximumSize(int32_t width, int32_t height) override;
    Text1250 caption() const override;
    void setCaption(const Text1250& caption) override;
    void setBusy(bool busy) override;
    void showProgress(int64_t done, int64_t total) override;

    // For tests and the desktop program: the window, a control's window, the unit scale, the status text.
    HWND handle() const { return hwnd_; }
    HWND controlHandle(int32_t control) const;
    DialogUnits units() const { return units_; }
    Text1250 statusText() const;
    bool hasIcon(int32_t control) const;
    Text1250 tooltip(int32_t control) const;
    // Called by the system when the window's loop is again the innermost one.
    void scheduleDrain();
    void setActive(bool active);

  private:
    struct Control : ControlState {  // text: the label of a non-entry; an entry's is in its window
        using ControlState::ControlState;
        HWND hwnd = nullptr;  // a child of the window, destroyed with it
        Text1250 lastShown;   // an entry's text as last shown from its binding or set by the program
        IconHandle icon;      // a button's or image's picture, while it shows it
        int iconSide = 0;
    };

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK controlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR data);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // A key or focus message of a control (or of the window itself, c null); true when it was taken.
    bool handleKey(Control* c, UINT message, WPARAM wParam);

    void makeFont(int dpi);
    void buildControl(Control& c);
    void applyText(Control& c);
    void applyImage(Control& c);
    void placeControl(Control& c);
    SIZE naturalSize(const Control& c) const;
    Control* find(int32_t control);
    const Control* find(int32_t control) const;
    Control* findHandle(HWND hwnd);
    bool canFocus(const Control& c) const;
    int32_t nextFocusable(int32_t from, bool backwards) const;
    void focusAwayFrom(int32_t control);
    void selectByKey(int32_t control);
    void focusIn(Control& c);
    void focusOut(Control& c, HWND gettingFocus);
    Text1250 entryText(const Control& c) const;
    bool entryModified(const Control& c) const;
    bool acceptEntry(Control& c);
    void press(Control& c);
    void clicked(Control& c);
    void accessKey(wchar_t letter);
    void enterKey();
    void showFromBinding(Control& c);
    void showStatus(const Text1250& text);
    void layoutFrame();
    int statusHeight() const;
    SIZE clientPixels() const;
    Rect clientUnits() const;
    SIZE frameExtra() const;  // the frame's width and height beyond the client area and status bar
    void applyPlace(const POINT* position, SIZE clientSize);
    void scheduleSettle();
    void settle();
    void drain();
    void dispatch(const Event& event);

    Win32WindowSystem& system_;
    WindowLayout layout_;
    HWND hwnd_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND progress_ = nullptr;
    HWND tooltips_ = nullptr;
    FontHandle font_;
    BrushHandle lineBrush_;
    IconHandle windowIcon_;
    DialogUnits units_;
    int dpi_ = 96;
    std::vector<Control> controls_;
    std::string fontName_;
    HWND savedFocus_ = nullptr;

    bool open_ = false;
    bool active_ = false;
    bool closing_ = false;
    bool xAuto_ = true;
    bool yAuto_ = true;
    bool busy_ = false;
    int32_t minWidth_ = 0, minHeight_ = 0, maxWidth_ = 0, maxHeight_ = 0;
    Rect lastSize_;
    WindowState lastState_ = WindowState::Normal;
    WindowState pendingState_ = WindowState::Normal;  // asked for before the window opened
    bool settlePending_ = false;

    WindowEvents events_;
    const std::function<EventVerdict(const Event&)>* handler_ = nullptr;
    bool inLoop_ = false;
    bool endLoop_ = false;
    bool draining_ = false;

    int32_t focused_ = 0;
    int32_t keyCode_ = 0;
    std::vector<int32_t> alertKeys_;
    int batchDepth_ = 0;
    std::vector<std::pair<int32_t, Rect>> pendingMoves_;
};

}  // namespace kirva::platform::win32
