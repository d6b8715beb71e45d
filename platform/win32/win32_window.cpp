#include "platform/win32/win32_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <limits>

#include "platform/text1250.h"
#include "platform/win32/win32_text.h"

namespace kirva::platform::win32 {

namespace {

constexpr UINT kDrainMessage = WM_APP + 1;
constexpr UINT kSettleMessage = WM_APP + 2;
constexpr wchar_t kWindowClass[] = L"KirvaWindow";
constexpr int kFirstControlId = 1000;

HINSTANCE programInstance() {
    return GetModuleHandleW(nullptr);
}

void registerWindowClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = DefWindowProcW;  // replaced per window by the window's own procedure
    windowClass.hInstance = programInstance();
    // Resource 1 is the program's icon (kirva.exe's resources); a test program without one gets the system's.
    windowClass.hIcon = LoadIconW(programInstance(), MAKEINTRESOURCEW(1));
    if (windowClass.hIcon == nullptr) windowClass.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);
    registered = true;
}

// The named colours a layout's lines use; anything else is the system's shadow colour.
COLORREF namedColour(const std::string& name) {
    struct Named {
        const char* name;
        COLORREF colour;
    };
    static constexpr Named kColours[] = {
        {"silver", RGB(192, 192, 192)}, {"gray", RGB(128, 128, 128)},  {"grey", RGB(128, 128, 128)},
        {"black", RGB(0, 0, 0)},        {"white", RGB(255, 255, 255)}, {"navy", RGB(0, 0, 128)},
        {"blue", RGB(0, 0, 255)},       {"red", RGB(255, 0, 0)},       {"maroon", RGB(128, 0, 0)},
        {"green", RGB(0, 128, 0)},      {"teal", RGB(0, 128, 128)},    {"yellow", RGB(255, 255, 0)},
    };
    for (const Named& named : kColours) {
        if (equalNoCase(name, named.name)) return named.colour;
    }
    return GetSysColor(COLOR_BTNSHADOW);
}

// The ICON resource of an image role ("build" is the resource named BUILD), sized for the place; null when
// the program carries no picture for the role.
IconHandle roleIcon(void* resources, const std::string& role, int side) {
    if (role.empty() || side <= 0) return {};
    const std::wstring name = toWide(upper1250(role));
    auto* module = static_cast<HINSTANCE>(resources != nullptr ? resources : programInstance());
    return IconHandle(static_cast<HICON>(LoadImageW(module, name.c_str(), IMAGE_ICON, side, side, LR_DEFAULTCOLOR)));
}

int32_t keyCodeOf(WPARAM virtualKey) {
    int32_t code = static_cast<int32_t>(virtualKey & 0xFFFF);
    // Letters, digits, Tab, Enter, Escape and the function keys have the interface's codes as they are.
    if (GetKeyState(VK_SHIFT) < 0) code |= keys::kShift;
    if (GetKeyState(VK_CONTROL) < 0) code |= keys::kCtrl;
    if (GetKeyState(VK_MENU) < 0) code |= keys::kAlt;
    return code;
}

}  // namespace

Win32Window::Win32Window(Win32WindowSystem& system, const WindowLayout& layout)
    : system_(system), layout_(layout), fontName_(layout.fontName) {
    registerWindowClass();
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    if (layout.resizable) style |= WS_THICKFRAME | WS_MAXIMIZEBOX;
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, toWide(layout.caption).c_str(), style, CW_USEDEFAULT,
                            CW_USEDEFAULT, 200, 200, nullptr, nullptr, programInstance(), nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Window::windowProc));
    dpi_ = static_cast<int>(GetDpiForWindow(hwnd_));
    if (dpi_ <= 0) dpi_ = 96;
    makeFont(dpi_);
    if (!layout.icon.empty()) {
        windowIcon_ = roleIcon(system_.resources(), layout.icon, GetSystemMetrics(SM_CXICON));
        if (windowIcon_) SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(windowIcon_.get()));
    }

    if (layout.statusBar) {
        statusBar_ =
            CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | (layout.resizable ? SBARS_SIZEGRIP : 0),
                            0, 0, 0, 0, hwnd_, nullptr, programInstance(), nullptr);
        SendMessageW(statusBar_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        progress_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 0, 0, statusBar_, nullptr,
                                    programInstance(), nullptr);
    }
    tooltips_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, programInstance(), nullptr);

    controls_.reserve(layout.controls.size());
    for (const ControlLayout& cl : layout.controls) controls_.emplace_back(cl);
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        buildControl(controls_[i]);
        SetWindowLongPtrW(controls_[i].hwnd, GWLP_ID, static_cast<LONG_PTR>(kFirstControlId + i));
    }

    const SIZE extra = frameExtra();
    SetWindowPos(hwnd_, nullptr, 0, 0, units_.toPixelsX(layout.width) + extra.cx,
                 units_.toPixelsY(layout.height) + extra.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    layoutFrame();
}

Win32Window::~Win32Window() {
    if (open_) close();
    if (busy_) setBusy(false);
    // No message of the window's own destruction may reach this half-destroyed object.
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    for (Control& c : controls_) RemoveWindowSubclass(c.hwnd, &Win32Window::controlProc, 0);
    DestroyWindow(tooltips_);
    DestroyWindow(hwnd_);
}

void Win32Window::makeFont(int dpi) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(layout_.fontPoints, dpi, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    const std::wstring face = toWide(layout_.fontName);
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    font_.reset(CreateFontIndirectW(&font));
    // The dialog-unit base of the font, measured as MapDialogRect measures it.
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, font_.get());
    SIZE letters{};
    GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    units_.baseX = std::max(1, static_cast<int>((letters.cx / 26 + 1) / 2));
    units_.baseY = std::max(1, static_cast<int>(metrics.tmHeight));
}

void Win32Window::buildControl(Control& c) {
    const ControlLayout& cl = c.layout;
    const wchar_t* windowClass = L"STATIC";
    DWORD style = WS_CHILD;
    DWORD exStyle = 0;
    switch (cl.kind) {
        case ControlKind::Prompt:
        case ControlKind::Text:
            style |= SS_LEFT;
            break;
        case ControlKind::Entry:
        case ControlKind::DropList:
            windowClass = L"EDIT";
            style |= ES_AUTOHSCROLL | WS_TABSTOP | (cl.readOnly ? ES_READONLY : 0);
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::Button:
            windowClass = L"BUTTON";
            style |= (cl.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_NOTIFY | WS_TABSTOP;
            break;
        case ControlKind::CheckBox:
            windowClass = L"BUTTON";
            style |= BS_AUTOCHECKBOX | BS_NOTIFY | WS_TABSTOP;
            break;
        case ControlKind::Radio:
            windowClass = L"BUTTON";
            style |= BS_AUTORADIOBUTTON | BS_NOTIFY | WS_TABSTOP;
            break;
        case ControlKind::Image:
        case ControlKind::Line:
            style |= SS_OWNERDRAW;
            break;
        case ControlKind::Group:
        case ControlKind::Option:
        case ControlKind::Box:
            windowClass = L"BUTTON";
            style |= BS_GROUPBOX;
            break;
        case ControlKind::List:
            windowClass = WC_LISTVIEWW;
            style |= LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        default:
            break;
    }
    c.hwnd = CreateWindowExW(exStyle, windowClass, L"", style, 0, 0, 0, 0, hwnd_, nullptr, programInstance(), nullptr);
    SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    SetWindowSubclass(c.hwnd, &Win32Window::controlProc, 0, reinterpret_cast<DWORD_PTR>(this));
    if (isEntryKind(cl.kind) && cl.maxLength > 0) {
        SendMessageW(c.hwnd, EM_SETLIMITTEXT, std::min<std::size_t>(cl.maxLength, 0x7FFFFFFE), 0);
    }
    if (cl.kind == ControlKind::List) {
        ListView_SetExtendedListViewStyle(c.hwnd, LVS_EX_FULLROWSELECT);
        for (std::size_t i = 0; i < cl.columns.size(); ++i) {
            std::wstring heading = toWide(cl.columns[i].heading);
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = heading.data();
            column.cx = units_.toPixelsX(cl.columns[i].width);
            ListView_InsertColumn(c.hwnd, static_cast<int>(i), &column);
        }
    }
    if (!cl.tooltip.empty()) {
        std::wstring tip = toWide(cl.tooltip);
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd_;
        tool.uId = reinterpret_cast<UINT_PTR>(c.hwnd);
        tool.lpszText = tip.data();
        SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    applyText(c);
    showFromBinding(c);
    placeControl(c);
    applyImage(c);
    ShowWindow(c.hwnd, c.hidden ? SW_HIDE : SW_SHOWNA);
}

void Win32Window::applyText(Control& c) {
    switch (c.layout.kind) {
        case ControlKind::Prompt:
        case ControlKind::Text:
        case ControlKind::Button:
        case ControlKind::CheckBox:
        case ControlKind::Radio:
        case ControlKind::Group:
        case ControlKind::Option:
            // "&" marks the access key as the system shows it: underlined, "&&" a plain "&".
            SetWindowTextW(c.hwnd, toWide(c.text).c_str());
            break;
        case ControlKind::Entry:
        case ControlKind::DropList:
            if (!c.layout.binding && !c.text.empty()) {
                SetWindowTextW(c.hwnd, toWide(c.text).c_str());
                SendMessageW(c.hwnd, EM_SETMODIFY, FALSE, 0);
                c.lastShown = c.text;
            }
            break;
        default:
            break;
    }
}

void Win32Window::applyImage(Control& c) {
    if (c.layout.kind == ControlKind::Image) {
        RECT area{};
        GetClientRect(c.hwnd, &area);
        const int side = std::min(area.right, area.bottom);
        c.icon = roleIcon(system_.resources(), c.image, side);  // a role without a picture shows nothing
        c.iconSide = side;
        InvalidateRect(c.hwnd, nullptr, TRUE);
    } else if (c.layout.kind == ControlKind::Button) {
        RECT area{};
        GetClientRect(c.hwnd, &area);
        const int side = std::max(8, std::min(static_cast<int>(area.bottom) - 6, MulDiv(16, dpi_, 96)));
        c.icon = roleIcon(system_.resources(), c.image, side);
        c.iconSide = side;
        SendMessageW(c.hwnd, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(c.icon.get()));
    }
}

SIZE Win32Window::naturalSize(const Control& c) const {
    const std::wstring text = toWide(withoutAccessMarks(c.text));
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, font_.get());
    RECT bounds{0, 0, 0, 0};
    DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &bounds, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    SIZE size{text.empty() ? 0 : bounds.right, bounds.bottom};
    switch (c.layout.kind) {
        case ControlKind::Button:
            size.cx += units_.toPixelsX(12) + (c.icon ? c.iconSide + 4 : 0);
            size.cy = units_.toPixelsY(14);
            break;
        case ControlKind::CheckBox:
        case ControlKind::Radio:
            size.cx += GetSystemMetrics(SM_CXMENUCHECK) + units_.toPixelsX(3);
            size.cy = std::max<LONG>(size.cy, GetSystemMetrics(SM_CYMENUCHECK));
            break;
        case ControlKind::Line:
            // A rule is thin across, whatever the font: 2 pixels (the etched pair, or the colour).
            size = SIZE{2, 2};
            break;
        case ControlKind::Entry:
        case ControlKind::DropList:
            size.cx = units_.toPixelsX(40);
            size.cy += 2 * GetSystemMetrics(SM_CYEDGE) + 2;
            break;
        default:
            break;
    }
    return size;
}

void Win32Window::placeControl(Control& c) {
    const bool autoW = c.layout.place.width == 0;
    const bool autoH = c.layout.place.height == 0;
    const SIZE natural = autoW || autoH ? naturalSize(c) : SIZE{0, 0};
    const int width = autoW ? natural.cx : units_.toPixelsX(c.place.width);
    const int height = autoH ? natural.cy : units_.toPixelsY(c.place.height);
    if (autoW) c.place.width = units_.toUnitsXCeil(width);
    if (autoH) c.place.height = units_.toUnitsYCeil(height);
    MoveWindow(c.hwnd, units_.toPixelsX(c.place.x), units_.toPixelsY(c.place.y), width, height, TRUE);
}

Win32Window::Control* Win32Window::find(int32_t control) {
    for (Control& c : controls_) {
        if (c.layout.number == control) return &c;
    }
    return nullptr;
}

const Win32Window::Control* Win32Window::find(int32_t control) const {
    for (const Control& c : controls_) {
        if (c.layout.number == control) return &c;
    }
    return nullptr;
}

Win32Window::Control* Win32Window::findHandle(HWND hwnd) {
    for (Control& c : controls_) {
        if (c.hwnd == hwnd) return &c;
    }
    return nullptr;
}

HWND Win32Window::controlHandle(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr ? c->hwnd : nullptr;
}

bool Win32Window::canFocus(const Control& c) const {
    return isFocusableKind(c.layout.kind) && !c.hidden && IsWindowEnabled(c.hwnd) != FALSE;
}

int32_t Win32Window::nextFocusable(int32_t from, bool backwards) const {
    return platform::nextFocusable(controls_, from, backwards, [this](const Control& c) { return canFocus(c); });
}

// --- Opening, the loop, closing ---

void Win32Window::open(Window* owner) {
    if (open_) return;
    auto& open = system_.openWindows();
    Win32Window* below = open.empty() ? nullptr : open.back();
    if (below != nullptr) {
        // Modal to the whole program, as the windows of one thread have always been.
        below->setActive(false);
        for (Win32Window* window : open) EnableWindow(window->hwnd_, FALSE);
    }
    auto* ownerWindow = dynamic_cast<Win32Window*>(owner);
    if (ownerWindow == nullptr) ownerWindow = below;
    if (ownerWindow != nullptr)
        SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(ownerWindow->hwnd_));
    open.push_back(this);
    applyPlace(nullptr, clientPixels());
    // A state asked for before the window was open (a remembered Maximize=Yes) is how it opens.
    ShowWindow(hwnd_, pendingState_ == WindowState::Maximized   ? SW_SHOWMAXIMIZED
                      : pendingState_ == WindowState::Minimized ? SW_SHOWMINIMIZED
                                                                : SW_SHOW);
    SetForegroundWindow(hwnd_);
    // Nothing of the layout has the focus until the program or the user puts it somewhere.
    SetFocus(hwnd_);
    UpdateWindow(hwnd_);
    open_ = true;
    lastSize_ = clientUnits();
    lastState_ = state();
    active_ = true;
    post(Event{EventKind::OpenWindow});
    post(Event{EventKind::GainFocus});
}

void Win32Window::setActive(bool active) {
    if (active_ == active || !open_) return;
    active_ = active;
    post(Event{active ? EventKind::GainFocus : EventKind::LoseFocus});
}

void Win32Window::runEventLoop(const std::function<EventVerdict(const Event&)>& handler) {
    if (!open_) return;
    const auto* outerHandler = handler_;
    const bool outerInLoop = inLoop_;
    handler_ = &handler;
    inLoop_ = true;
    endLoop_ = false;
    auto& loops = system_.runningLoops();
    loops.push_back(this);
    drain();
    MSG message{};
    while (open_ && !endLoop_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            // WM_QUIT (the session ends): leave it for the outer loops, and end this one as the close box would.
            if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
        drain();
    }
    loops.erase(std::remove(loops.begin(), loops.end(), this), loops.end());
    handler_ = outerHandler;
    inLoop_ = outerInLoop;
    if (open_) close();
    if (!loops.empty()) loops.back()->scheduleDrain();
}

void Win32Window::post(const Event& event, bool front) {
    events_.post(event, front);
    scheduleDrain();
}

void Win32Window::notify(uint32_t code, uint64_t thread, int64_t parameter) {
    Event event{EventKind::Notify};
    event.notifyCode = code;
    event.notifyThread = thread;
    event.notifyParameter = parameter;
    events_.post(event);
    // PostMessage may be called from any thread; the drain runs on the window's own.
    PostMessageW(hwnd_, kDrainMessage, 0, 0);
}

void Win32Window::scheduleDrain() {
    PostMessageW(hwnd_, kDrainMessage, 0, 0);
}

// Works off the queue while this window's loop is the innermost one; a nested window's loop drains its own
// queue, and this one continues when that loop has ended. A handler is never entered again before it
// returns: while one runs (draining_), messages may still be dispatched (the progress repaint, a message
// box's or the folder picker's own loop) and deliver a drain message, which then returns at once; what was
// posted meanwhile waits in the queue, and the loop below takes it after the handler, in its order.
void Win32Window::drain() {
    if (!inLoop_ || draining_) return;
    const auto& loops = system_.runningLoops();
    if (loops.empty() || loops.back() != this) return;
    draining_ = true;
    while (open_ && !endLoop_) {
        const std::optional<Event> event = events_.take();
        if (!event) break;
        dispatch(*event);
    }
    draining_ = false;
}

void Win32Window::dispatch(const Event& event) {
    EventVerdict verdict = EventVerdict::Normal;
    // No exception may cross the system's message loop: one that escapes a handler is reported and the
    // event counts as handled normally.
    try {
        verdict = events_.deliver(event, handler_);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kirva: %s: %s\n", layout_.name.c_str(), error.what());
    } catch (...) {
        std::fprintf(stderr, "kirva: %s: unknown error in an event handler\n", layout_.name.c_str());
    }
    if (verdict == EventVerdict::EndLoop) {
        endLoop_ = true;
        return;
    }
    if (verdict == EventVerdict::SkipDefault) return;
    if (event.kind == EventKind::CloseWindow || event.kind == EventKind::CloseDown) close();
}

void Win32Window::close() {
    if (!open_) return;
    pendingState_ = state();  // what a closed window reports, and how it opens again
    open_ = false;
    events_.clear();
    auto& open = system_.openWindows();
    const bool wasInnermost = !open.empty() && open.back() == this;
    open.erase(std::remove(open.begin(), open.end(), this), open.end());
    if (wasInnermost && !open.empty()) {
        // The window below takes the input again before this one goes, so that the activation passes to it.
        Win32Window* back = open.back();
        EnableWindow(back->hwnd_, TRUE);
        closing_ = true;
        ShowWindow(hwnd_, SW_HIDE);
        closing_ = false;
        back->setActive(true);
        SetForegroundWindow(back->hwnd_);
        SetActiveWindow(back->hwnd_);
    } else {
        closing_ = true;
        ShowWindow(hwnd_, SW_HIDE);
        closing_ = false;
    }
    SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, 0);
}

int Win32Window::registerHandler(EventKind kind, std::function<EventVerdict(const Event&)> handler) {
    return events_.registerHandler(kind, std::move(handler));
}

void Win32Window::unregisterHandler(int id) {
    events_.unregisterHandler(id);
}

void Win32Window::registerAlertKey(int32_t keyCode) {
    if (std::find(alertKeys_.begin(), alertKeys_.end(), keyCode) == alertKeys_.end()) alertKeys_.push_back(keyCode);
}

// --- The user at the keyboard and the mouse ---

LRESULT CALLBACK Win32Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    return window->handleMessage(message, wParam, lParam);
}

LRESULT CALLBACK Win32Window::controlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) {
    auto* window = reinterpret_cast<Win32Window*>(data);
    Control* c = window->findHandle(hwnd);
    if (c == nullptr) return DefSubclassProc(hwnd, message, wParam, lParam);
    switch (message) {
        case WM_SETFOCUS: {
            const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
            window->focusIn(*c);
            return result;
        }
        case WM_KILLFOCUS:
            window->focusOut(*c, reinterpret_cast<HWND>(wParam));
            return DefSubclassProc(hwnd, message, wParam, lParam);
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_CHAR:
        case WM_SYSCHAR:
            if (window->handleKey(c, message, wParam)) return 0;
            break;
        case WM_LBUTTONDOWN:
            window->keyCode_ = keys::kMouseLeft;
            break;
        case WM_LBUTTONDBLCLK:
            window->keyCode_ = keys::kMouseLeft2;
            break;
        case WM_RBUTTONDOWN:
            window->keyCode_ = keys::kMouseRight;
            break;
        case WM_RBUTTONDBLCLK:
            window->keyCode_ = keys::kMouseRight2;
            break;
        case WM_MBUTTONDOWN:
            window->keyCode_ = keys::kMouseCenter;
            break;
        case WM_MBUTTONDBLCLK:
            window->keyCode_ = keys::kMouseCenter2;
            break;
        case WM_GETDLGCODE:
            // The window answers Tab, Enter and Escape itself.
            return DefSubclassProc(hwnd, message, wParam, lParam) | DLGC_WANTALLKEYS;
        default:
            break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

bool Win32Window::handleKey(Control* c, UINT message, WPARAM wParam) {
    (void)c;
    const bool alt = GetKeyState(VK_MENU) < 0;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            if (wParam == VK_SHIFT || wParam == VK_CONTROL || wParam == VK_MENU) return false;
            keyCode_ = keyCodeOf(wParam);
            if (wParam == VK_TAB && !alt && !ctrl) {
                const int32_t next = nextFocusable(focused_, shift);
                if (next != 0) selectByKey(next);
                return true;
            }
            if (wParam == VK_RETURN && !alt && !ctrl && !shift) {
                enterKey();
                return true;
            }
            if (wParam == VK_ESCAPE && !alt && !ctrl && !shift) {
                post(Event{EventKind::CloseWindow});
                return true;
            }
            if (std::find(alertKeys_.begin(), alertKeys_.end(), keyCode_) != alertKeys_.end()) {
                post(Event{EventKind::AlertKey, focused_});
                return true;
            }
            return false;
        }
        case WM_CHAR:
            // The keys above did their work on the way down; their characters must not reach an entry.
            return wParam == L'\t' || wParam == L'\r' || wParam == L'\n' || wParam == 0x1B;
        case WM_SYSCHAR:
            if (!alt) return false;
            accessKey(static_cast<wchar_t>(wParam));
            return true;
        default:
            return false;
    }
}

void Win32Window::focusIn(Control& c) {
    showStatus(c.layout.statusText);
    if (focused_ != c.layout.number) {
        focused_ = c.layout.number;
        post(Event{EventKind::Selected, focused_});
    }
}

void Win32Window::focusOut(Control& c, HWND gettingFocus) {
    // Focus that leaves with the window's activation (a box, another program) is no move of the user's.
    if (gettingFocus == nullptr || (gettingFocus != hwnd_ && IsChild(hwnd_, gettingFocus) == FALSE)) return;
    if (isEntryKind(c.layout.kind) && entryModified(c)) acceptEntry(c);
}

void Win32Window::showStatus(const Text1250& text) {
    if (statusBar_ != nullptr) SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(toWide(text).c_str()));
}

Text1250 Win32Window::statusText() const {
    if (statusBar_ == nullptr) return {};
    const auto length = LOWORD(SendMessageW(statusBar_, SB_GETTEXTLENGTHW, 0, 0));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(statusBar_, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return textFromWideLossy(text);
}

Text1250 Win32Window::entryText(const Control& c) const {
    const int length = GetWindowTextLengthW(c.hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(c.hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(0, got)));
    return textFromWideLossy(text);
}

bool Win32Window::entryModified(const Control& c) const {
    return SendMessageW(c.hwnd, EM_GETMODIFY, 0, 0) != 0 && entryText(c) != c.lastShown;
}

bool Win32Window::acceptEntry(Control& c) {
    SendMessageW(c.hwnd, EM_SETMODIFY, FALSE, 0);
    const int length = GetWindowTextLengthW(c.hwnd);
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    wide.resize(static_cast<std::size_t>(std::max(0, GetWindowTextW(c.hwnd, wide.data(), length + 1))));
    const std::optional<Text1250> typed = textFromWide(wide);
    if (!typed || (c.layout.binding && !c.layout.binding->accept(*typed))) {
        post(Event{EventKind::Rejected, c.layout.number});
        return false;
    }
    if (c.layout.binding) {
        showFromBinding(c);
    } else {
        c.lastShown = *typed;
    }
    post(Event{EventKind::Accepted, c.layout.number});
    return true;
}

// What a click on a button or check box raises (the system has toggled a check box already).
void Win32Window::clicked(Control& c) {
    if (c.layout.kind == ControlKind::CheckBox || c.layout.kind == ControlKind::Radio) {
        const bool checked = SendMessageW(c.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (c.layout.binding) c.layout.binding->accept(Text1250::literal(checked ? "1" : "0"));
        post(Event{EventKind::Accepted, c.layout.number});
        return;
    }
    post(c.layout.standardClose ? Event{EventKind::CloseWindow} : Event{EventKind::Accepted, c.layout.number});
}

// A button pressed, a check box toggled by key: the focus moves to it first (leaving an entry takes its
// change), then it is clicked, which raises its Accepted.
void Win32Window::press(Control& c) {
    if (c.hidden || IsWindowEnabled(c.hwnd) == FALSE) return;
    if (focused_ != c.layout.number) select(c.layout.number);
    if (c.layout.kind == ControlKind::CheckBox) {
        const bool checked = SendMessageW(c.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
        SendMessageW(c.hwnd, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
    } else if (c.layout.kind == ControlKind::Radio) {
        SendMessageW(c.hwnd, BM_SETCHECK, BST_CHECKED, 0);
    }
    clicked(c);
}

void Win32Window::accessKey(wchar_t letter) {
    // The layouts' texts are Windows-1250: a letter outside it is the access key of no control.
    const std::optional<std::string> typed = fromWide(std::wstring_view(&letter, 1));
    const char wanted = typed && typed->size() == 1 ? upper1250(*typed)[0] : '\0';
    const AccessTarget target = accessKeyTarget(
        controls_, wanted, focused_, [](const Control& c) { return !c.hidden && IsWindowEnabled(c.hwnd) != FALSE; },
        [this](const Control& c) { return canFocus(c); });
    switch (target.action) {
        case AccessTarget::Action::None:
            system_.beep();
            return;
        case AccessTarget::Action::Stay:
            return;
        case AccessTarget::Action::Focus:
            selectByKey(target.control);
            return;
        case AccessTarget::Action::Press:
            press(*find(target.control));
            return;
    }
}

void Win32Window::enterKey() {
    Control* c = find(focused_);
    if (c != nullptr && c->layout.kind == ControlKind::Button) {
        press(*c);
        return;
    }
    if (c != nullptr && isEntryKind(c->layout.kind) && entryModified(*c)) {
        if (!acceptEntry(*c)) return;
    }
    for (Control& button : controls_) {
        if (button.layout.defaultButton && button.layout.kind == ControlKind::Button && !button.hidden &&
            IsWindowEnabled(button.hwnd) != FALSE) {
            press(button);
            return;
        }
    }
}

LRESULT Win32Window::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kDrainMessage:
            drain();
            return 0;
        case kSettleMessage:
            settle();
            return 0;
        case WM_CLOSE:
            // The close box asks; the window closes when the handlers let the CloseWindow event through.
            if (open_) post(Event{EventKind::CloseWindow});
            return 0;
        case WM_SIZE:
            layoutFrame();
            scheduleSettle();
            return 0;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            const SIZE extra = frameExtra();
            if (minWidth_ > 0) info->ptMinTrackSize.x = units_.toPixelsX(minWidth_) + extra.cx;
            if (minHeight_ > 0) info->ptMinTrackSize.y = units_.toPixelsY(minHeight_) + extra.cy;
            if (maxWidth_ > 0) info->ptMaxTrackSize.x = units_.toPixelsX(maxWidth_) + extra.cx;
            if (maxHeight_ > 0) info->ptMaxTrackSize.y = units_.toPixelsY(maxHeight_) + extra.cy;
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus != nullptr && IsChild(hwnd_, focus) != FALSE) savedFocus_ = focus;
                // Our own boxes and pickers take the activation for a moment; that is no change of the user's.
                if (!system_.ownModalShowing() && !closing_) setActive(false);
            } else {
                if (!system_.ownModalShowing()) setActive(true);
                if (savedFocus_ != nullptr && IsWindow(savedFocus_) != FALSE && IsWindowVisible(savedFocus_) != FALSE) {
                    SetFocus(savedFocus_);
                } else {
                    SetFocus(hwnd_);
                }
            }
            return 0;
        case WM_SETCURSOR:
            if (busy_) {
                SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // IDC_WAIT
                return TRUE;
            }
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_CHAR:
        case WM_SYSCHAR:
            if (handleKey(nullptr, message, wParam)) return 0;
            break;
        case WM_COMMAND: {
            Control* c = findHandle(reinterpret_cast<HWND>(lParam));
            if (c != nullptr && HIWORD(wParam) == BN_CLICKED && isPressedKind(c->layout.kind)) clicked(*c);
            return 0;
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            Control* c = findHandle(header->hwndFrom);
            if (c != nullptr && header->code == LVN_ITEMCHANGED) {
                const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
                if ((change->uNewState & LVIS_SELECTED) != 0 && (change->uOldState & LVIS_SELECTED) == 0) {
                    post(Event{EventKind::NewSelection, c->layout.number});
                }
            }
            return 0;
        }
        case WM_CTLCOLORSTATIC: {
            Control* c = findHandle(reinterpret_cast<HWND>(lParam));
            if (c == nullptr || !c->layout.grey) break;
            auto* dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            Control* c = findHandle(item->hwndItem);
            if (c == nullptr) break;
            RECT area = item->rcItem;
            FillRect(item->hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
            if (c->layout.kind == ControlKind::Image && c->icon) {
                const int side = c->iconSide;
                DrawIconEx(item->hDC, area.left + (area.right - area.left - side) / 2,
                           area.top + (area.bottom - area.top - side) / 2, c->icon.get(), side, side, 0, nullptr,
                           DI_NORMAL);
            } else if (c->layout.kind == ControlKind::Line) {
                if (!c->layout.colour.empty()) {
                    const BrushHandle brush(CreateSolidBrush(namedColour(c->layout.colour)));
                    FillRect(item->hDC, &area, brush.get());
                } else {
                    const bool vertical = area.bottom - area.top > area.right - area.left;
                    DrawEdge(item->hDC, &area, EDGE_ETCHED, vertical ? BF_LEFT : BF_TOP);
                }
            }
            return TRUE;
        }
        case WM_DPICHANGED: {
            // Another screen's scale: the font is made anew at it, and the layout follows in dialog units.
            dpi_ = HIWORD(wParam);
            const FontHandle previous = std::move(font_);  // in use by the controls until they have the new one
            makeFont(dpi_);
            if (statusBar_ != nullptr)
                SendMessageW(statusBar_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
            for (Control& c : controls_) {
                SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
                placeControl(c);
                applyImage(c);
            }
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

// --- Controls ---

std::vector<int32_t> Win32Window::controls() const {
    std::vector<int32_t> numbers;
    for (const Control& c : controls_) numbers.push_back(c.layout.number);
    return numbers;
}

ControlKind Win32Window::controlKind(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr ? c->layout.kind : ControlKind::Text;
}

int32_t Win32Window::controlParent(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr ? c->layout.parent : 0;
}

void Win32Window::select(int32_t control) {
    Control* c = find(control);
    if (c == nullptr || !canFocus(*c)) return;
    if (control == focused_) {
        SetFocus(c->hwnd);
        post(Event{EventKind::Selected, control});
        return;
    }
    Control* previous = find(focused_);
    SetFocus(c->hwnd);
    if (focused_ == control) return;  // the focus messages did it all
    // A window without the activation moves its focus without focus messages: do what they would have done.
    if (previous != nullptr && isEntryKind(previous->layout.kind) && entryModified(*previous)) acceptEntry(*previous);
    focused_ = control;
    savedFocus_ = c->hwnd;
    showStatus(c->layout.statusText);
    post(Event{EventKind::Selected, control});
}

// The focus moved by the keyboard (Tab, an access key): an entry reached so has its text selected, so that
// typing replaces it, as in every Windows dialog.
void Win32Window::selectByKey(int32_t control) {
    select(control);
    const Control* c = find(control);
    if (c != nullptr && isEntryKind(c->layout.kind) && focused_ == control) SendMessageW(c->hwnd, EM_SETSEL, 0, -1);
}

void Win32Window::selectNext(int32_t control) {
    const int32_t next = nextFocusable(control, false);
    if (next != 0) select(next);
}

void Win32Window::showFromBinding(Control& c) {
    if (!c.layout.binding) return;
    const Text1250 value = c.layout.binding->display();
    if (isEntryKind(c.layout.kind)) {
        SetWindowTextW(c.hwnd, toWide(value).c_str());
        SendMessageW(c.hwnd, EM_SETMODIFY, FALSE, 0);
        c.lastShown = value;
    } else if (c.layout.kind == ControlKind::CheckBox || c.layout.kind == ControlKind::Radio) {
        SendMessageW(c.hwnd, BM_SETCHECK, value == Text1250::literal("1") ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void Win32Window::display(int32_t control) {
    for (Control& c : controls_) {
        if (control == 0 || c.layout.number == control) showFromBinding(c);
    }
}

void Win32Window::updateBindings() {
    for (Control& c : controls_) {
        if (!isEntryKind(c.layout.kind) || !c.layout.binding || !entryModified(c)) continue;
        const int length = GetWindowTextLengthW(c.hwnd);
        std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
        wide.resize(static_cast<std::size_t>(std::max(0, GetWindowTextW(c.hwnd, wide.data(), length + 1))));
        if (const std::optional<Text1250> typed = textFromWide(wide)) c.layout.binding->accept(*typed);
    }
}

Text1250 Win32Window::text(int32_t control) const {
    const Control* c = find(control);
    if (c == nullptr) return {};
    if (isEntryKind(c->layout.kind)) return entryText(*c);
    return c->text;
}

void Win32Window::setText(int32_t control, const Text1250& text) {
    Control* c = find(control);
    if (c == nullptr) return;
    if (isEntryKind(c->layout.kind)) {
        SetWindowTextW(c->hwnd, toWide(text).c_str());
        SendMessageW(c->hwnd, EM_SETMODIFY, FALSE, 0);
        c->lastShown = text;
        return;
    }
    c->text = text;
    applyText(*c);
    if (c->layout.place.width == 0 || c->layout.place.height == 0) placeControl(*c);
}

void Win32Window::setImage(int32_t control, std::string_view role) {
    Control* c = find(control);
    if (c == nullptr) return;
    c->image = std::string(role);
    applyImage(*c);
}

std::string Win32Window::image(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr ? c->image : std::string();
}

bool Win32Window::hasIcon(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr && c->icon != nullptr;
}

Text1250 Win32Window::tooltip(int32_t control) const {
    const Control* c = find(control);
    if (c == nullptr) return {};
    wchar_t buffer[512] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(c->hwnd);
    tool.lpszText = buffer;
    SendMessageW(tooltips_, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
    return textFromWideLossy(buffer);
}

void Win32Window::setHidden(int32_t control, bool hidden) {
    Control* c = find(control);
    if (c == nullptr || c->hidden == hidden) return;
    c->hidden = hidden;
    const bool hadFocus = hidden && focused_ == control;
    ShowWindow(c->hwnd, hidden ? SW_HIDE : SW_SHOWNA);
    if (hadFocus && focused_ == control) focusAwayFrom(control);
}

void Win32Window::focusAwayFrom(int32_t control) {
    const int32_t next = nextFocusable(control, false);
    if (next != 0 && next != control) {
        select(next);
    } else {
        focused_ = 0;
        if (GetFocus() != nullptr && IsChild(hwnd_, GetFocus()) != FALSE) SetFocus(hwnd_);
    }
}

bool Win32Window::isHidden(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr && c->hidden;
}

void Win32Window::setDisabled(int32_t control, bool disabled) {
    Control* c = find(control);
    if (c == nullptr || (IsWindowEnabled(c->hwnd) == FALSE) == disabled) return;
    EnableWindow(c->hwnd, disabled ? FALSE : TRUE);
    if (disabled && focused_ == control) focusAwayFrom(control);
}

bool Win32Window::isDisabled(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr && IsWindowEnabled(c->hwnd) == FALSE;
}

Rect Win32Window::controlPlace(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr ? c->place : Rect{};
}

void Win32Window::setControlPlace(int32_t control, const Rect& place) {
    Control* c = find(control);
    if (c == nullptr) return;
    if (batchDepth_ > 0) {
        pendingMoves_.emplace_back(control, place);
        return;
    }
    c->place = place;
    placeControl(*c);
    if (c->layout.kind == ControlKind::Image) applyImage(*c);
}

bool Win32Window::autoWidth(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr && c->layout.place.width == 0;
}

bool Win32Window::autoHeight(int32_t control) const {
    const Control* c = find(control);
    return c != nullptr && c->layout.place.height == 0;
}

void Win32Window::beginBatchedMoves() {
    if (batchDepth_++ == 0) SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
}

void Win32Window::endBatchedMoves() {
    if (batchDepth_ == 0 || --batchDepth_ > 0) return;
    auto moves = std::move(pendingMoves_);
    pendingMoves_.clear();
    for (const auto& [control, place] : moves) setControlPlace(control, place);
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    // One repaint for the whole batch.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void Win32Window::setListRows(int32_t control, std::vector<std::vector<Text1250>> rows) {
    Control* c = find(control);
    if (c == nullptr || c->layout.kind != ControlKind::List) return;
    // Refilling is no selection of the user's: the list's notifications are not taken meanwhile.
    const bool wasOpen = open_;
    open_ = false;
    ListView_DeleteAllItems(c->hwnd);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (std::size_t column = 0; column < rows[row].size(); ++column) {
            std::wstring cell = toWide(rows[row][column]);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(row);
            item.iSubItem = static_cast<int>(column);
            item.pszText = cell.data();
            if (column == 0) {
                SendMessageW(c->hwnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            } else {
                SendMessageW(c->hwnd, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            }
        }
    }
    open_ = wasOpen;
    events_.clear();
}

// --- The window ---

int Win32Window::statusHeight() const {
    if (statusBar_ == nullptr) return 0;
    RECT area{};
    GetWindowRect(statusBar_, &area);
    return area.bottom - area.top;
}

SIZE Win32Window::frameExtra() const {
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)), static_cast<UINT>(dpi_));
    return SIZE{frame.right - frame.left, frame.bottom - frame.top + statusHeight()};
}

void Win32Window::layoutFrame() {
    if (statusBar_ == nullptr) return;
    SendMessageW(statusBar_, WM_SIZE, 0, 0);  // the status bar places itself at the bottom
    RECT bar{};
    GetClientRect(statusBar_, &bar);
    // The text on the left, the progress in a part of its own on the right (100 units wide).
    const int progressWidth = units_.toPixelsX(100);
    const int grip = layout_.resizable ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    int parts[2] = {std::max(0, static_cast<int>(bar.right) - progressWidth - grip), -1};
    SendMessageW(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    RECT part{};
    SendMessageW(statusBar_, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&part));
    MoveWindow(progress_, part.left + 1, part.top + 1, std::max(0, static_cast<int>(part.right - part.left) - 2 - grip),
               std::max(0, static_cast<int>(part.bottom - part.top) - 2), TRUE);
}

SIZE Win32Window::clientPixels() const {
    RECT area{};
    GetClientRect(hwnd_, &area);
    return SIZE{area.right, std::max(0L, area.bottom - statusHeight())};
}

Rect Win32Window::clientUnits() const {
    const SIZE client = clientPixels();
    return Rect{0, 0, units_.toUnitsX(client.cx), units_.toUnitsY(client.cy)};
}

Rect Win32Window::place() const {
    if (IsZoomed(hwnd_) != FALSE || IsIconic(hwnd_) != FALSE) {
        // Maximised or minimised: the place it has when restored, as the INI manager keeps it.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(hwnd_, &placement);
        const RECT& normal = placement.rcNormalPosition;
        const SIZE extra = frameExtra();
        return Rect{units_.toUnitsX(normal.left), units_.toUnitsY(normal.top),
                    units_.toUnitsX(normal.right - normal.left - extra.cx),
                    units_.toUnitsY(normal.bottom - normal.top - extra.cy)};
    }
    RECT frame{};
    GetWindowRect(hwnd_, &frame);
    const Rect client = clientUnits();
    return Rect{units_.toUnitsX(frame.left), units_.toUnitsY(frame.top), client.width, client.height};
}

// Sizes the client area and puts the window where it was asked to be (nullptr: where it is, unless the
// system chooses the place), always wholly on a screen.
void Win32Window::applyPlace(const POINT* position, SIZE clientSize) {
    const SIZE extra = frameExtra();
    SIZE frameSize{clientSize.cx + extra.cx, clientSize.cy + extra.cy};
    if (layout_.resizable) {
        if (minWidth_ > 0) frameSize.cx = std::max<LONG>(frameSize.cx, units_.toPixelsX(minWidth_) + extra.cx);
        if (minHeight_ > 0) frameSize.cy = std::max<LONG>(frameSize.cy, units_.toPixelsY(minHeight_) + extra.cy);
        if (maxWidth_ > 0) frameSize.cx = std::min<LONG>(frameSize.cx, units_.toPixelsX(maxWidth_) + extra.cx);
        if (maxHeight_ > 0) frameSize.cy = std::min<LONG>(frameSize.cy, units_.toPixelsY(maxHeight_) + extra.cy);
    }
    const std::vector<ScreenRect> areas = Win32WindowSystem::workAreas();
    const ScreenRect primary = Win32WindowSystem::primaryWorkArea();
    RECT now{};
    GetWindowRect(hwnd_, &now);
    POINT topLeft = position != nullptr ? *position : POINT{now.left, now.top};
    // The size is fitted to the screen before the window gets it, so that a remembered size far beyond the
    // screen never reaches the system.
    ScreenRect placed = keepOnScreens(ScreenRect{topLeft.x, topLeft.y, frameSize.cx, frameSize.cy}, areas, primary);
    if (xAuto_ || yAuto_) {
        // The system's place: centred over the window it opens from, else on the primary screen.
        ScreenRect around = primary;
        const auto& open = system_.openWindows();
        const auto self = std::find(open.begin(), open.end(), this);
        const Win32Window* below = self == open.end() ? (open.empty() ? nullptr : open.back())
                                                      : (self == open.begin() ? nullptr : *(self - 1));
        if (below != nullptr) {
            RECT belowFrame{};
            GetWindowRect(below->hwnd_, &belowFrame);
            around = ScreenRect{belowFrame.left, belowFrame.top, belowFrame.right - belowFrame.left,
                                belowFrame.bottom - belowFrame.top};
        }
        if (xAuto_) topLeft.x = around.x + (around.width - placed.width) / 2;
        if (yAuto_) topLeft.y = around.y + (around.height - placed.height) / 2;
        placed = keepOnScreens(ScreenRect{topLeft.x, topLeft.y, placed.width, placed.height}, areas, primary);
    }
    if (IsZoomed(hwnd_) != FALSE || IsIconic(hwnd_) != FALSE) {
        // A maximised or minimised window keeps its state; the place is the one it is restored to.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(hwnd_, &placement);
        placement.rcNormalPosition = RECT{placed.x, placed.y, placed.x + placed.width, placed.y + placed.height};
        SetWindowPlacement(hwnd_, &placement);
        return;
    }
    SetWindowPos(hwnd_, nullptr, placed.x, placed.y, placed.width, placed.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::setPlace(const Rect& place) {
    const SIZE current = clientPixels();
    const SIZE client{place.width != kNoCoordinate ? units_.toPixelsX(place.width) : current.cx,
                      place.height != kNoCoordinate ? units_.toPixelsY(place.height) : current.cy};
    xAuto_ = place.x == kNoCoordinate;
    yAuto_ = place.y == kNoCoordinate;
    RECT frame{};
    GetWindowRect(hwnd_, &frame);
    const POINT wanted{xAuto_ ? frame.left : units_.toPixelsX(place.x), yAuto_ ? frame.top : units_.toPixelsY(place.y)};
    applyPlace(&wanted, client);
}

WindowState Win32Window::state() const {
    if (!open_ && IsWindowVisible(hwnd_) == FALSE) return pendingState_;
    if (IsIconic(hwnd_) != FALSE) return WindowState::Minimized;
    if (IsZoomed(hwnd_) != FALSE) return WindowState::Maximized;
    return WindowState::Normal;
}

void Win32Window::setState(WindowState state) {
    pendingState_ = state;
    if (!open_) return;
    ShowWindow(hwnd_, state == WindowState::Maximized   ? SW_MAXIMIZE
                      : state == WindowState::Minimized ? SW_MINIMIZE
                                                        : SW_RESTORE);
}

void Win32Window::setMinimumSize(int32_t width, int32_t height) {
    minWidth_ = layout_.resizable ? std::max(0, width) : 0;
    minHeight_ = layout_.resizable ? std::max(0, height) : 0;
    if (minWidth_ == 0 && minHeight_ == 0) return;
    const SIZE client = clientPixels();
    applyPlace(nullptr, client);
}

void Win32Window::setMaximumSize(int32_t width, int32_t height) {
    maxWidth_ = layout_.resizable ? std::max(0, width) : 0;
    maxHeight_ = layout_.resizable ? std::max(0, height) : 0;
    if (maxWidth_ == 0 && maxHeight_ == 0) return;
    applyPlace(nullptr, clientPixels());
}

Text1250 Win32Window::caption() const {
    const int length = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(std::max(0, GetWindowTextW(hwnd_, text.data(), length + 1))));
    return textFromWideLossy(text);
}

void Win32Window::setCaption(const Text1250& caption) {
    SetWindowTextW(hwnd_, toWide(caption).c_str());
}

void Win32Window::setBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(busy ? 32514 : 32512)));  // IDC_WAIT, IDC_ARROW
}

void Win32Window::showProgress(int64_t done, int64_t total) {
    if (progress_ == nullptr) return;
    if (total <= 0) {
        ShowWindow(progress_, SW_HIDE);
        return;
    }
    // The bar counts in int: large totals are shown in proportion.
    constexpr int64_t kSteps = 10000;
    const int64_t shown = std::clamp<int64_t>(done, 0, total);
    const int64_t value =
        total > std::numeric_limits<int64_t>::max() / kSteps ? shown / (total / kSteps) : shown * kSteps / total;
    SendMessageW(progress_, PBM_SETRANGE32, 0, static_cast<LPARAM>(kSteps));
    SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(std::min(value, kSteps)), 0);
    ShowWindow(progress_, SW_SHOWNA);
    // Paint what is pending without taking the user's input while the program works: only paint messages
    // (and the messages other threads send) are handled here; the window's own events wait for the handler.
    MSG message{};
    while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&message);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (busy_) SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));
}

void Win32Window::scheduleSettle() {
    if (settlePending_ || !open_) return;
    settlePending_ = true;
    PostMessageW(hwnd_, kSettleMessage, 0, 0);
}

// Size and state changes become events once the system has delivered all of them, in one order: Sized
// first, then Maximized, Iconized or Restored.
void Win32Window::settle() {
    settlePending_ = false;
    if (!open_) return;
    const Rect size = clientUnits();
    const WindowState now = state();
    if (size.width != lastSize_.width || size.height != lastSize_.height) {
        if (now != WindowState::Minimized) {
            lastSize_ = size;
            post(Event{EventKind::Sized});
        }
    }
    if (now != lastState_) {
        const WindowState before = lastState_;
        lastState_ = now;
        if (now == WindowState::Maximized) {
            post(Event{EventKind::Maximized});
        } else if (now == WindowState::Minimized) {
            post(Event{EventKind::Iconized});
        } else if (before != WindowState::Normal) {
            post(Event{EventKind::Restored});
        }
    }
}

}  // namespace kirva::platform::win32
