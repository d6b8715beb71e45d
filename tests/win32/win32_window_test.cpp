// The Win32 windows against the headless ones: the same layout driven the same way must deliver the same
// events, and a layout must land on the pixels its dialog units stand for. The user's input arrives as a
// user's does, through SendInput (keys, typed characters, mouse clicks) into the system's input queue;
// only the close box is asked for with the message it sends (WM_SYSCOMMAND SC_CLOSE), since where the
// frame's box is drawn is the window manager's business.
#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/date.h"
#include "platform/text1250.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window.h"
#include "platform/win32/win32_window_system.h"
#include "tests/support/comparison_layout.h"
#include "tests/support/headless_window.h"

namespace kirva::platform::win32 {
namespace {

using Lines = std::vector<std::string>;

using namespace kirva::testing::comparison;

WindowLayout testLayout(Variables& v, int32_t points = 8) {
    return layout(v, "Verdana", points, 0);  // the line its natural height
}

std::string line(const Event& e) {
    return std::string(eventKindName(e.kind)) + " " + std::to_string(e.control);
}

// Lets the system deliver what is pending (input on its way, drains, focus and size messages): until the
// queue has stayed empty for a moment; bounded, never a fixed sleep alone.
void settle(int quietMilliseconds = 60) {
    using Clock = std::chrono::steady_clock;
    const auto limit = Clock::now() + std::chrono::seconds(5);
    auto quietSince = Clock::now();
    while (Clock::now() < limit) {
        MSG message{};
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
            // A caret's blink and repaints come for ever; they are no news.
            constexpr UINT kSystemTimer = 0x0118;
            if (message.message != WM_TIMER && message.message != kSystemTimer && message.message != WM_PAINT) {
                quietSince = Clock::now();
            }
            continue;
        }
        if (Clock::now() - quietSince > std::chrono::milliseconds(quietMilliseconds)) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

bool waitFor(const std::function<bool()>& done, int milliseconds = 5000) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        settle(5);
    }
    return true;
}

void sendKey(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

// A key pressed with modifiers held, as the keyboard sends it.
void pressKey(WORD key, std::vector<WORD> modifiers = {}) {
    for (WORD modifier : modifiers) sendKey(modifier, false);
    sendKey(key, false);
    sendKey(key, true);
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) sendKey(*m, true);
    settle();
}

// Typed characters, one key stroke each.
void typeText(std::string_view cp1250Text) {
    for (wchar_t c : toWide(cp1250Text)) {
        INPUT strokes[2]{};
        for (int i = 0; i < 2; ++i) {
            strokes[i].type = INPUT_KEYBOARD;
            strokes[i].ki.wScan = c;
            strokes[i].ki.dwFlags = KEYEVENTF_UNICODE | (i == 1 ? KEYEVENTF_KEYUP : 0);
        }
        SendInput(2, strokes, sizeof strokes[0]);
    }
    settle();
}

void sendMouse(DWORD flags, int x = 0, int y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

// A left click in the middle of a window as a hand makes it: the pointer arrives (and is seen there), then
// the button goes down and up, each event at that place.
void click(HWND target) {
    RECT area{};
    GetWindowRect(target, &area);
    const int x = (area.left + area.right) / 2;
    const int y = (area.top + area.bottom) / 2;
    constexpr DWORD kAt = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    sendMouse(kAt, x, y);
    EXPECT_TRUE(waitFor([&] {
        POINT cursor{};
        GetCursorPos(&cursor);
        return cursor.x == x && cursor.y == y;
    }));
    sendMouse(kAt | MOUSEEVENTF_LEFTDOWN, x, y);
    settle(20);
    sendMouse(kAt | MOUSEEVENTF_LEFTUP, x, y);
    settle();
}

void closeBox(HWND window) {
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    settle();
}

bool isActive(HWND window) {
    return GetForegroundWindow() == window && GetActiveWindow() == window;
}

// Runs the steps from inside the window's loop, as a user acting while the program waits.
struct Driver {
    static inline std::function<void()> pending;
    static void CALLBACK fire(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        auto steps = std::move(pending);
        pending = nullptr;
        if (steps) steps();
    }
    static void later(std::function<void()> steps) {
        pending = std::move(steps);
        SetTimer(nullptr, 0, 1, &Driver::fire);
    }
};

// A test never hangs: a window loop that has not ended in time is a failure, and its windows are closed.
struct Watchdog {
    static inline Win32WindowSystem* system = nullptr;
    static void CALLBACK fire(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        ADD_FAILURE() << "the window's loop did not end within 60 s";
        while (system != nullptr && !system->openWindows().empty()) system->openWindows().back()->close();
    }
    explicit Watchdog(Win32WindowSystem& watched) : timer(SetTimer(nullptr, 0, 60000, &Watchdog::fire)) {
        system = &watched;
    }
    ~Watchdog() {
        KillTimer(nullptr, timer);
        system = nullptr;
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    UINT_PTR timer;
};

Lines runWin32(Win32WindowSystem& system, Window& window, const std::vector<std::function<void(Win32Window&)>>& steps,
               const std::function<EventVerdict(const Event&)>& extra = {}) {
    auto& w = dynamic_cast<Win32Window&>(window);
    Lines seen;
    const Watchdog watchdog(system);
    window.open(nullptr);
    Driver::later([&] {
        EXPECT_TRUE(waitFor([&] { return isActive(w.handle()); }));
        settle();
        for (const auto& step : steps) {
            step(w);
            settle();
        }
    });
    window.runEventLoop([&](const Event& e) {
        seen.push_back(line(e));
        return extra ? extra(e) : EventVerdict::Normal;
    });
    EXPECT_FALSE(window.isOpen());
    EXPECT_TRUE(system.openWindows().empty());
    return seen;
}

Lines runHeadless(Window& window, const std::function<EventVerdict(const Event&)>& extra = {}) {
    Lines seen;
    window.open(nullptr);
    window.runEventLoop([&](const Event& e) {
        seen.push_back(line(e));
        return extra ? extra(e) : EventVerdict::Normal;
    });
    return seen;
}

// A control's place in its window's client area, in pixels.
ScreenRect placeInParent(HWND control) {
    RECT area{};
    GetWindowRect(control, &area);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&area), 2);
    return ScreenRect{area.left, area.top, area.right - area.left, area.bottom - area.top};
}

ScreenRect rect(int x, int y, int width, int height) {
    return ScreenRect{x, y, width, height};
}

TEST(Win32Window, ControlsLandOnThePixelsOfTheirDialogUnitsAtTwoFontSizes) {
    Win32WindowSystem system;
    std::vector<int> entryWidths;
    for (int points : {8, 14}) {
        Variables v;
        auto window = system.createWindow(testLayout(v, points));
        auto& w = dynamic_cast<Win32Window&>(*window);
        window->open(nullptr);
        settle();

        // The scale worked out here from the window's font itself, as MapDialogRect does.
        HDC dc = GetDC(w.handle());
        auto font = reinterpret_cast<HFONT>(SendMessageW(w.controlHandle(kFrom), WM_GETFONT, 0, 0));
        HGDIOBJ old = SelectObject(dc, font);
        SIZE letters{};
        GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, old);
        ReleaseDC(w.handle(), dc);
        const int baseX = static_cast<int>((letters.cx / 26 + 1) / 2);
        const int baseY = static_cast<int>(metrics.tmHeight);
        auto px = [](int units, int base, int per) { return (units * base + per / 2) / per; };

        EXPECT_EQ(placeInParent(w.controlHandle(kFrom)),
                  rect(px(60, baseX, 4), px(4, baseY, 8), px(60, baseX, 4), px(12, baseY, 8)))
            << points;
        EXPECT_EQ(placeInParent(w.controlHandle(kBuild)),
                  rect(px(60, baseX, 4), px(100, baseY, 8), px(62, baseX, 4), px(14, baseY, 8)))
            << points;
        // "auto" is the natural size, and the units reported cover the text.
        const ScreenRect prompt = placeInParent(w.controlHandle(kFromPrompt));
        EXPECT_EQ(prompt.x, px(4, baseX, 4));
        EXPECT_EQ(prompt.y, px(4, baseY, 8));
        EXPECT_TRUE(window->autoWidth(kFromPrompt));
        EXPECT_GE(px(window->controlPlace(kFromPrompt).width, baseX, 4), prompt.width);
        EXPECT_GE(prompt.width, 10 * baseX / 2);  // "Od datuma:" is wider than five average letters
        // A rule of no given height is a thin one, not a line of text.
        EXPECT_EQ(placeInParent(w.controlHandle(9)).height, 2) << points;
        EXPECT_LE(window->controlPlace(9).height, 2) << points;
        // The client area above the status bar is the layout's size; the window reports it in units again.
        EXPECT_EQ(window->place().width, 200) << points;
        EXPECT_EQ(window->place().height, 120) << points;

        // The resizer's moves land exactly, and in one batch.
        window->beginBatchedMoves();
        window->setControlPlace(kFrom, {70, 4, 80, 12});
        EXPECT_EQ(placeInParent(w.controlHandle(kFrom)).x, px(60, baseX, 4));
        window->endBatchedMoves();
        EXPECT_EQ(placeInParent(w.controlHandle(kFrom)),
                  rect(px(70, baseX, 4), px(4, baseY, 8), px(80, baseX, 4), px(12, baseY, 8)));
        EXPECT_EQ(window->controlPlace(kFrom), (Rect{70, 4, 80, 12}));
        entryWidths.push_back(placeInParent(w.controlHandle(kFrom)).width);
        window->close();
    }
    EXPECT_GT(entryWidths[1], entryWidths[0]);  // the layout grows with its font
}

TEST(Win32Window, TypingTabbingAndClickingGiveTheEventsOfTheHeadlessWindow) {
    Variables headlessVariables;
    HeadlessWindowSystem headless;
    headless.user().focus(kFrom).type(kFrom, "1.2.2019").pressTab().pressTab().type(kRate, "8,5").click(kBuild);
    headless.user().type(kTo, "31.02.2019").click(kDelete).closeBox();
    auto headlessWindow = headless.createWindow(testLayout(headlessVariables));
    const Lines expected = runHeadless(*headlessWindow);

    Variables v;
    Win32WindowSystem system;
    auto window = system.createWindow(testLayout(v));
    std::string status;
    const Lines seen = runWin32(system, *window,
                                {
                                    [](Win32Window& w) { click(w.controlHandle(kFrom)); },
                                    [&](Win32Window& w) {
                                        status = w.statusText().bytes();
                                        typeText("1.2.2019");
                                    },
                                    [](Win32Window&) { pressKey(VK_TAB); },
                                    [](Win32Window&) { pressKey(VK_TAB); },
                                    [](Win32Window&) { typeText("8,5"); },
                                    [](Win32Window& w) { click(w.controlHandle(kBuild)); },
                                    [](Win32Window& w) { click(w.controlHandle(kTo)); },
                                    [](Win32Window&) { typeText("31.02.2019"); },
                                    [](Win32Window& w) { click(w.controlHandle(kDelete)); },
                                    [](Win32Window& w) { closeBox(w.handle()); },
                                });
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(expected, (Lines{"OpenWindow 0", "GainFocus 0", "Selected 2", "Accepted 2", "Selected 4", "Selected 5",
                               "Accepted 5", "Selected 7", "Accepted 7", "Selected 4", "Rejected 4", "Selected 6",
                               "Accepted 6", "CloseWindow 0"}));
    EXPECT_EQ(v.from, *dateFromCivil(2019, 2, 1));
    EXPECT_EQ(v.rate, Decimal::fromUnits(850, 2));
    EXPECT_EQ(v.to, 0);  // the refused date left it alone
    EXPECT_EQ(v.flag, 1);
    EXPECT_EQ(window->text(kRate).toUtf8(), "8,50 %");
    EXPECT_EQ(window->text(kTo).toUtf8(), "31.02.2019");
    EXPECT_EQ(status, cp1250("Od datuma računov"));
}

TEST(Win32Window, EnterAccessKeysAndEscapeGiveTheEventsOfTheHeadlessWindow) {
    Variables headlessVariables;
    HeadlessWindowSystem headless;
    headless.user().type(kTo, "28.02.2019").pressEnter().pressAccessKey('o').pressAccessKey('b').pressEscape();
    auto headlessWindow = headless.createWindow(testLayout(headlessVariables));
    const Lines expected = runHeadless(*headlessWindow);

    Variables v;
    Win32WindowSystem system;
    auto window = system.createWindow(testLayout(v));
    const Lines seen = runWin32(system, *window,
                                {
                                    [](Win32Window& w) { click(w.controlHandle(kTo)); },
                                    [](Win32Window&) { typeText("28.02.2019"); },
                                    [](Win32Window&) { pressKey(VK_RETURN); },
                                    [](Win32Window&) { pressKey('O', {VK_MENU}); },
                                    [](Win32Window&) { pressKey('B', {VK_MENU}); },
                                    [](Win32Window&) { pressKey(VK_ESCAPE); },
                                });
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(expected, (Lines{"OpenWindow 0", "GainFocus 0", "Selected 4", "Accepted 4", "Selected 7", "Accepted 7",
                               "Selected 2", "Selected 6", "Accepted 6", "CloseWindow 0"}));
    EXPECT_EQ(v.to, *dateFromCivil(2019, 2, 28));
}

TEST(Win32Window, TheCloseBoxIsRefusedWhileTheHandlerSaysSo) {
    Variables v;
    Win32WindowSystem system;
    auto window = system.createWindow(testLayout(v));
    int refusals = 1;
    bool visibleAfterRefusal = false;
    const Lines seen =
        runWin32(system, *window,
                 {
                     [](Win32Window& w) { closeBox(w.handle()); },
                     [&](Win32Window& w) { visibleAfterRefusal = IsWindowVisible(w.handle()) != FALSE && w.isOpen(); },
                     [](Win32Window& w) { click(w.controlHandle(kCancel)); },
                 },
                 [&](const Event& e) {
                     return e.kind == EventKind::CloseWindow && refusals-- > 0 ? EventVerdict::SkipDefault
                                                                               : EventVerdict::Normal;
                 });
    EXPECT_TRUE(visibleAfterRefusal);
    EXPECT_EQ(seen, (Lines{"OpenWindow 0", "GainFocus 0", "CloseWindow 0", "Selected 8", "CloseWindow 0"}));
    EXPECT_FALSE(IsWindowVisible(dynamic_cast<Win32Window&>(*window).handle()));
}

TEST(Win32Window, PostingToTheFrontAndNotifyFromAnotherThread) {
    Variables v;
    Win32WindowSystem system;
    auto window = system.createWindow(testLayout(v));
    const Lines seen =
        runWin32(system, *window,
                 {
                     [](Win32Window& w) {
                         w.post(Event{EventKind::Completed});
                         w.post(Event{EventKind::DeferredResize}, true);
                     },
                     [](Win32Window& w) {
                         std::thread([&w] { w.notify(3, 4, 5); }).join();
                         EXPECT_TRUE(waitFor([&] { return w.currentEvent().kind == EventKind::Notify; }));
                         EXPECT_EQ(w.currentEvent().notifyParameter, 5);
                     },
                     [](Win32Window& w) { w.post(Event{EventKind::CloseWindow}); },
                 });
    EXPECT_EQ(seen,
              (Lines{"OpenWindow 0", "GainFocus 0", "DeferredResize 0", "Completed 0", "Notify 0", "CloseWindow 0"}));
}

WindowLayout innerLayout(int64_t& number) {
    WindowLayout l;
    l.name = "inner";
    l.width = 100;
    l.height = 50;
    ControlLayout entry;
    entry.number = 1;
    entry.kind = ControlKind::Entry;
    entry.place = {4, 4, 40, 12};
    entry.binding = bindNumber(number, 6);
    ControlLayout ok;
    ok.number = 2;
    ok.kind = ControlKind::Button;
    ok.text = Text1250::literal("OK");
    ok.place = {50, 30, 40, 14};
    l.controls = {entry, ok};
    return l;
}

TEST(Win32Window, ANestedModalWindowGivesTheEventsOfTheHeadlessOne) {
    auto endOnOk = [](Lines& seen) {
        return [&seen](const Event& e) {
            seen.push_back("inner " + line(e));
            return e.kind == EventKind::Accepted && e.control == 2 ? EventVerdict::EndLoop : EventVerdict::Normal;
        };
    };

    Variables headlessVariables;
    int64_t headlessNumber = 0;
    HeadlessWindowSystem headless;
    headless.user().click(kBuild).type(1, "42").click(2).click(kCancel);
    auto headlessWindow = headless.createWindow(testLayout(headlessVariables));
    Lines expected;
    headlessWindow->open(nullptr);
    headlessWindow->runEventLoop([&](const Event& e) {
        expected.push_back(line(e));
        if (e.kind == EventKind::Accepted && e.control == kBuild) {
            auto inner = headless.createWindow(innerLayout(headlessNumber));
            inner->open(headlessWindow.get());
            inner->runEventLoop(endOnOk(expected));
        }
        return EventVerdict::Normal;
    });
    EXPECT_EQ(headlessNumber, 42);

    Variables v;
    int64_t number = 0;
    Win32WindowSystem system;
    auto window = system.createWindow(testLayout(v));
    Lines seen;
    bool outerDisabled = false;
    runWin32(system, *window,
             {
                 [](Win32Window& w) { click(w.controlHandle(kBuild)); },
                 [](Win32Window& w) {
                     EXPECT_TRUE(waitFor([&] { return isActive(w.handle()); }));
                     click(w.controlHandle(kCancel));
                 },
             },
             [&](const Event& e) {
                 seen.push_back(line(e));
                 if (e.kind == EventKind::Accepted && e.control == kBuild) {
                     auto inner = system.createWindow(innerLayout(number));
                     auto& innerWindow = dynamic_cast<Win32Window&>(*inner);
                     inner->open(window.get());
                     Driver::later([&] {
                         EXPECT_TRUE(waitFor([&] { return isActive(innerWindow.handle()); }));
                         outerDisabled = IsWindowEnabled(dynamic_cast<Win32Window&>(*window).handle()) == FALSE;
                         settle();
                         click(innerWindow.controlHandle(1));
                         typeText("42");
                         click(innerWindow.controlHandle(2));
                     });
                     inner->runEventLoop(endOnOk(seen));
                     EXPECT_FALSE(inner->isOpen());
                 }
                 return EventVerdict::Normal;
             });
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(number, 42);
    EXPECT_TRUE(outerDisabled);
}

// The windows of a box: the one of this thread with the dialog class.
HWND findBox() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM data) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(hwnd, name, 16);
            if (std::wstring_view(name) == L"#32770" && IsWindowVisible(hwnd) != FALSE) {
                *reinterpret_cast<HWND*>(data) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string windowText(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    return fromWideLossy(text);
}

// What a box shows, read while it is up, then answered with its first button.
struct BoxSeen {
    std::string caption, text;
    std::vector<std::string> buttons;
};

struct BoxAnswerer {
    static inline BoxSeen* seen = nullptr;
    static inline std::function<void()> before;
    static void CALLBACK poll(HWND, UINT, UINT_PTR timer, DWORD) {
        HWND box = findBox();
        if (box == nullptr) return;
        KillTimer(nullptr, timer);
        if (seen != nullptr) {
            seen->caption = windowText(box);
            for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
                wchar_t name[16] = {};
                GetClassNameW(child, name, 16);
                const std::wstring_view kind(name);
                if (kind == L"Button") seen->buttons.push_back(windowText(child));
                if (kind == L"Static" && !windowText(child).empty()) seen->text = windowText(child);
            }
        }
        if (before) before();
        HWND first = nullptr;
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr && first == nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t name[16] = {};
            GetClassNameW(child, name, 16);
            if (std::wstring_view(name) == L"Button") first = child;
        }
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(first), BN_CLICKED), reinterpret_cast<LPARAM>(first));
    }
    static void start() { SetTimer(nullptr, 0, 20, &BoxAnswerer::poll); }
};

// A handler that lets the system run while it works (the progress repaint during a long count or run, a
// message box's own loop) is never entered again before it returns: what is posted, notified or resized
// meanwhile waits in the window's queue and is handled after it, in its order.
TEST(Win32Window, AHandlerIsNotEnteredAgainWhileItShowsProgressOrAMessageBox) {
    Variables v;
    Win32WindowSystem system;
    auto window = system.createWindow(testLayout(v));
    auto& w = dynamic_cast<Win32Window&>(*window);
    int depth = 0;
    int deepest = 0;
    bool working = false;
    Lines duringWork;
    BoxSeen box;
    const Lines seen =
        runWin32(system, *window, {[](Win32Window& win) { click(win.controlHandle(kBuild)); }}, [&](const Event& e) {
            deepest = std::max(deepest, ++depth);
            if (working) duringWork.push_back(line(e));
            if (e.kind == EventKind::Accepted && e.control == kBuild) {
                working = true;
                w.post(Event{EventKind::DeferredResize}, true);
                w.post(Event{EventKind::Selected, kTo});
                std::thread([&] { w.notify(1, 2, 3); }).join();
                RECT frame{};
                GetWindowRect(w.handle(), &frame);
                SetWindowPos(w.handle(), nullptr, 0, 0, frame.right - frame.left + 40, frame.bottom - frame.top + 20,
                             SWP_NOMOVE | SWP_NOZORDER);
                for (int64_t done = 1; done <= 50; ++done) {
                    w.showProgress(done, 50);
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
                w.showProgress(0, 0);
                BoxAnswerer::seen = &box;
                BoxAnswerer::before = [&] { w.post(Event{EventKind::CloseWindow}); };
                BoxAnswerer::start();
                MessageBoxRequest request;
                request.caption = Text1250::literal(" OPOZORILO");
                request.text = Text1250::literal(" Temeljnica ni bila izdelana.");
                system.messageBoxes().show(request);
                BoxAnswerer::before = nullptr;
                BoxAnswerer::seen = nullptr;
                working = false;
            }
            --depth;
            return EventVerdict::Normal;
        });
    EXPECT_EQ(box.caption, cp1250(" OPOZORILO"));
    EXPECT_EQ(deepest, 1);
    EXPECT_TRUE(duringWork.empty()) << duringWork.front();
    const auto build = std::find(seen.begin(), seen.end(), "Accepted 7");
    ASSERT_NE(build, seen.end());
    const Lines after(build + 1, seen.end());
    ASSERT_GE(after.size(), 5u);
    EXPECT_EQ(after[0], "DeferredResize 0");
    EXPECT_EQ(after[1], "Selected 4");
    EXPECT_EQ(after[2], "Notify 0");
    EXPECT_NE(std::find(after.begin(), after.end(), "Sized 0"), after.end());
    EXPECT_EQ(after.back(), "CloseWindow 0");
}

TEST(Win32Window, ResizingRaisesSizedAndTheMinimumSizeHolds) {
    Variables headlessVariables;
    HeadlessWindowSystem headless;
    headless.user().resizeTo(100, 100).resizeBy(50, 10).closeBox();
    auto headlessWindow = headless.createWindow(testLayout(headlessVariables));
    headlessWindow->setMinimumSize(200, 120);
    const Lines expected = runHeadless(*headlessWindow);

    Variables v;
    Win32WindowSystem system;
    auto window = system.createWindow(testLayout(v));
    window->setMinimumSize(200, 120);
    Rect afterSmall, afterLarge;
    // The frame around the client area and the status bar, as the user's drag of the border sizes it.
    auto frameFor = [](Win32Window& w, int32_t width, int32_t height) {
        RECT frame{}, client{};
        GetWindowRect(w.handle(), &frame);
        GetClientRect(w.handle(), &client);
        const DialogUnits u = w.units();
        const int extraX = (frame.right - frame.left) - client.right;
        const int extraY = (frame.bottom - frame.top) - client.bottom;
        const int status = client.bottom - u.toPixelsY(w.place().height);
        SetWindowPos(w.handle(), nullptr, 0, 0, u.toPixelsX(width) + extraX, u.toPixelsY(height) + extraY + status,
                     SWP_NOMOVE | SWP_NOZORDER);
    };
    const Lines seen = runWin32(system, *window,
                                {
                                    [&](Win32Window& w) { frameFor(w, 100, 100); },
                                    [&](Win32Window& w) { afterSmall = w.place(); },
                                    [&](Win32Window& w) { frameFor(w, 250, 130); },
                                    [&](Win32Window& w) { afterLarge = w.place(); },
                                    [](Win32Window& w) { closeBox(w.handle()); },
                                });
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(afterSmall.width, 200);
    EXPECT_EQ(afterSmall.height, 120);
    EXPECT_EQ(afterLarge.width, 250);
    EXPECT_EQ(afterLarge.height, 130);
}

TEST(Win32Window, AMessageBoxShowsItsCaptionTextAndNamedButtons) {
    Win32WindowSystem system;
    BoxSeen named;
    BoxAnswerer::seen = &named;
    BoxAnswerer::start();
    MessageBoxRequest request;
    request.caption = Text1250::literal(" OPOZORILO");
    request.text = Text1250::literal(" Verjetno ste izbrali napačna datuma.| Preverite še enkrat ...");
    request.icon = MessageIcon::Information;
    request.buttonCaptions = {Text1250::literal("Zapri")};
    EXPECT_EQ(system.messageBoxes().show(request), ButtonOk);
    EXPECT_EQ(named.caption, cp1250(" OPOZORILO"));
    EXPECT_EQ(named.text, cp1250(" Verjetno ste izbrali napačna datuma.\n Preverite še enkrat ..."));
    EXPECT_EQ(named.buttons, Lines{"Zapri"});

    // The standard buttons in Slovenian, whatever the system's language; the answer is the first one's code.
    BoxSeen standard;
    BoxAnswerer::seen = &standard;
    BoxAnswerer::start();
    request.buttonCaptions.clear();
    request.buttons = ButtonYes | ButtonNo;
    request.defaultButton = ButtonNo;
    request.icon = MessageIcon::Question;
    EXPECT_EQ(system.messageBoxes().show(request), ButtonYes);
    EXPECT_EQ(standard.buttons, (Lines{"Da", "Ne"}));
    BoxAnswerer::seen = nullptr;
}

bool underWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The picker as the user meets it: its caption and buttons read while it is up, then OK or Cancel pressed.
struct PickerAnswerer {
    static inline BoxSeen seen;
    static inline int answer = IDOK;
    static inline std::wstring awaited;  // the name the selection must show before OK (the tree fills in steps)
    static inline int polls = 0;
    static std::wstring selectedName(HWND picker) {
        HWND tree = FindWindowExW(picker, nullptr, L"SysTreeView32", nullptr);
        if (tree == nullptr) return {};
        wchar_t text[MAX_PATH] = {};
        TVITEMW item{};
        item.mask = TVIF_TEXT;
        item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        if (item.hItem == nullptr || SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) == 0)
            return {};
        return text;
    }
    static void CALLBACK poll(HWND, UINT, UINT_PTR timer, DWORD) {
        HWND picker = findBox();
        if (picker == nullptr) return;
        if (!awaited.empty() && selectedName(picker) != awaited && ++polls < 300)
            return;  // 30 s: Wine fills the tree slowly on a busy machine
        KillTimer(nullptr, timer);
        seen.caption = windowText(picker);
        for (int id : {IDOK, IDCANCEL}) seen.buttons.push_back(windowText(GetDlgItem(picker, id)));
        PostMessageW(picker, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    }
    // awaitedFolder: OK waits until the picker shows that folder selected.
    static void start(int button, const std::string& awaitedFolder = {}) {
        seen = BoxSeen{};
        answer = button;
        const std::wstring folder = toWide(awaitedFolder);
        const auto last = folder.find_last_of(L'\\', folder.size() > 1 ? folder.size() - 2 : 0);
        awaited = folder.substr(last == std::wstring::npos ? 0 : last + 1);
        while (!awaited.empty() && awaited.back() == L'\\') awaited.pop_back();
        polls = 0;
        SetTimer(nullptr, 0, 100, &PickerAnswerer::poll);
    }
};

TEST(Win32WindowSystem, TheFolderPickerStartsInTheFolderAndGivesItBackWithASeparator) {
    Win32WindowSystem system;
    // On C:, near the tree's top: Wine's picker may stop short of a folder deep in the user's profile.
    const std::wstring wide = L"C:\\Računi izbira";
    CreateDirectoryW(wide.c_str(), nullptr);
    const std::string chosen = fromWideLossy(wide);

    Text1250 folder = Text1250::fromBytes(chosen);
    PickerAnswerer::start(IDOK, chosen);
    ASSERT_TRUE(system.pickFolder(Text1250::literal(" Izberi mapo z datotekami izdanih računov"), folder, 255));
    EXPECT_EQ(folder.bytes(), chosen + "\\");
    EXPECT_EQ(PickerAnswerer::seen.caption, cp1250("Izberi mapo z datotekami izdanih računov"));
    EXPECT_EQ(PickerAnswerer::seen.buttons, (Lines{"V redu", cp1250("Prekliči")}));

    // Another folder, kept blank-padded as a setting is: the picker starts there all the same. It is on C:
    // too, as Wine's picker may not reach into its drive Z: (the Unix file system) on a build machine.
    const std::wstring otherWide = L"C:\\Druga mapa";
    CreateDirectoryW(otherWide.c_str(), nullptr);
    const std::string other = fromWideLossy(otherWide);
    folder = Text1250::fromBytes(padRight(other + "\\", 255));
    PickerAnswerer::start(IDOK, other);
    ASSERT_TRUE(system.pickFolder(Text1250::literal(" Izberi"), folder, 255));
    EXPECT_EQ(folder.bytes(), other + "\\");
    RemoveDirectoryW(otherWide.c_str());
    // Cut to what the setting holds; Cancel leaves the folder as it was.
    folder = Text1250::fromBytes(chosen);
    PickerAnswerer::start(IDOK, chosen);
    ASSERT_TRUE(system.pickFolder(Text1250::literal(" Izberi"), folder, 10));
    EXPECT_EQ(folder.bytes(), chosen.substr(0, 10));
    folder = Text1250::literal("nespremenjena");
    PickerAnswerer::start(IDCANCEL);
    EXPECT_FALSE(system.pickFolder(Text1250::literal(" Izberi"), folder, 255));
    EXPECT_EQ(folder.toUtf8(), "nespremenjena");
    RemoveDirectoryW(wide.c_str());

    // A folder named outside ASCII on the current directory's drive. Wine's picker cannot select one on its
    // drive Z: (the Unix file system), though it can on C:, as above.
    if (underWine()) {
        GTEST_SKIP() << "Wine's folder picker does not select a folder named outside ASCII on drive Z:";
    }
    const std::string current = system.currentDirectory();
    const std::string named = current + cp1250("\\Računi na disku");
    CreateDirectoryW(toWide(named).c_str(), nullptr);
    folder = Text1250::fromBytes(named);
    PickerAnswerer::start(IDOK, named);
    ASSERT_TRUE(system.pickFolder(Text1250::literal(" Izberi"), folder, 255));
    EXPECT_EQ(folder.bytes(), named + "\\");
    RemoveDirectoryW(toWide(named).c_str());
}

TEST(Win32Window, ImagesComeFromTheResourcesAndAMissingOneShowsNothing) {
    Variables v;
    Win32WindowSystem system;
    auto window = system.createWindow(testLayout(v));
    auto& w = dynamic_cast<Win32Window&>(*window);
    EXPECT_TRUE(w.hasIcon(kBuild));
    EXPECT_FALSE(w.hasIcon(kLogo));
    window->setImage(kLogo, "testrole");
    EXPECT_TRUE(w.hasIcon(kLogo));
    EXPECT_EQ(window->image(kLogo), "testrole");
    window->setImage(kBuild, "");
    EXPECT_FALSE(w.hasIcon(kBuild));
    EXPECT_EQ(w.tooltip(kBuild).toUtf8(), "Potrdi");
    // The program's own images are there by their roles too.
    window->setImage(kLogo, "logo");
    EXPECT_TRUE(w.hasIcon(kLogo));
}

TEST(Win32Window, AWindowIsPlacedOnAScreenWhateverPlaceItIsGiven) {
    Variables v;
    Win32WindowSystem system;
    auto window = system.createWindow(testLayout(v));
    auto& w = dynamic_cast<Win32Window&>(*window);
    const ScreenRect screen = Win32WindowSystem::primaryWorkArea();
    auto onScreen = [&] {
        RECT frame{};
        GetWindowRect(w.handle(), &frame);
        return frame.left >= screen.x && frame.top >= screen.y && frame.right <= screen.x + screen.width &&
               frame.bottom <= screen.y + screen.height;
    };

    window->setPlace({kNoCoordinate, kNoCoordinate, 250, 150});
    window->open(nullptr);
    settle();
    EXPECT_TRUE(onScreen());
    EXPECT_EQ(window->place().width, 250);
    EXPECT_EQ(window->place().height, 150);

    // A place remembered on a screen that is no longer there.
    window->setPlace({100000, -50000, kNoCoordinate, kNoCoordinate});
    settle();
    EXPECT_TRUE(onScreen());

    // A remembered size far beyond the screen (Width=99999999): fitted to the screen, then placed on it.
    window->setPlace({100, 50, 99999999, 99999999});
    settle();
    EXPECT_TRUE(onScreen());
    EXPECT_GT(window->place().width, 250);
    window->setPlace({40, 30, 200, 120});
    settle();
    EXPECT_EQ(window->place(), (Rect{40, 30, 200, 120}));
    window->close();

    // A remembered Maximize=Yes asked for before the window opens: it opens maximised, and its place is the
    // one it is restored to, which is where it goes back.
    auto again = system.createWindow(testLayout(v));
    again->setPlace({40, 30, 200, 120});
    again->setState(WindowState::Maximized);
    EXPECT_EQ(again->state(), WindowState::Maximized);
    again->open(nullptr);
    settle();
    EXPECT_EQ(again->state(), WindowState::Maximized);
    EXPECT_NE(IsZoomed(dynamic_cast<Win32Window&>(*again).handle()), FALSE);
    EXPECT_EQ(again->place(), (Rect{40, 30, 200, 120}));
    again->setState(WindowState::Normal);
    settle();
    EXPECT_EQ(again->state(), WindowState::Normal);
    EXPECT_EQ(again->place(), (Rect{40, 30, 200, 120}));
    again->close();
}

TEST(Win32WindowSystem, KeepOnScreensMovesAWindowOntoTheScreenItOverlapsMost) {
    const ScreenRect primary{0, 0, 1920, 1040};
    const ScreenRect second{1920, 0, 1280, 1024};
    const std::vector<ScreenRect> screens{primary, second};
    EXPECT_EQ(keepOnScreens({100, 100, 400, 300}, screens, primary), (ScreenRect{100, 100, 400, 300}));
    EXPECT_EQ(keepOnScreens({1700, 900, 400, 300}, screens, primary), (ScreenRect{1520, 740, 400, 300}));
    EXPECT_EQ(keepOnScreens({1800, 900, 400, 300}, screens, primary), (ScreenRect{1920, 724, 400, 300}));
    EXPECT_EQ(keepOnScreens({3000, 50, 400, 300}, screens, primary), (ScreenRect{2800, 50, 400, 300}));
    EXPECT_EQ(keepOnScreens({-5000, -5000, 400, 300}, screens, primary), (ScreenRect{0, 0, 400, 300}));
    EXPECT_EQ(keepOnScreens({9000, 100, 400, 300}, {primary}, primary), (ScreenRect{1520, 100, 400, 300}));
    EXPECT_EQ(keepOnScreens({50, 50, 2500, 1200}, {primary}, primary), (ScreenRect{0, 0, 1920, 1040}));
    EXPECT_EQ(keepOnScreens({2000, 30, 99999999, 500}, screens, primary), (ScreenRect{1920, 30, 1280, 500}));
}

TEST(Win32WindowSystem, DialogUnitsRoundAsDialogLayoutsDo) {
    DialogUnits units;
    units.baseX = 7;
    units.baseY = 13;
    EXPECT_EQ(units.toPixelsX(343), 600);  // 343 * 7 / 4 = 600.25
    EXPECT_EQ(units.toPixelsY(346), 562);  // 346 * 13 / 8 = 562.25
    EXPECT_EQ(units.toPixelsX(-4), -7);
    for (int32_t u : {0, 1, 3, 17, 200, 343, 1280}) {
        EXPECT_EQ(units.toUnitsX(units.toPixelsX(u)), u);
        EXPECT_EQ(units.toUnitsY(units.toPixelsY(u)), u);
    }
    EXPECT_EQ(units.toUnitsXCeil(8), 5);  // 8 pixels need 4.57 units
    EXPECT_EQ(units.toPixelsX(99999999), 174999998);
}

TEST(Win32Text, WindowsCodePage1250AtTheEdge) {
    EXPECT_EQ(toWide(cp1250("Šč ž Računi")), L"Šč ž Računi");
    EXPECT_EQ(fromWide(L"Šč ž"), cp1250("Šč ž"));
    EXPECT_EQ(fromWide(L""), "");
    EXPECT_FALSE(fromWide(L"日本").has_value());
    EXPECT_EQ(fromWide(L"ř"), cp1250("ř"));    // in the code page, as itself
    EXPECT_FALSE(fromWide(L"å").has_value());  // not in it, and not turned into "a"
    EXPECT_EQ(fromWideLossy(L"a日b"), "a?b");
    EXPECT_EQ(fromWideLossy(L"a\U0001F600b"), "a?b");  // a surrogate pair is one character
    // Every byte of the code page comes back as itself.
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(fromWide(toWide(all)), all);
}

TEST(Win32WindowSystem, TheCurrentDirectoryIsSetAndReadInItsLongForm) {
    Win32WindowSystem system;
    const std::string before = system.currentDirectory();
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"Računi kirva test";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::string named = fromWideLossy(folder);
    ASSERT_TRUE(system.setCurrentDirectory(named));
    EXPECT_EQ(system.currentDirectory(), named);
    EXPECT_TRUE(system.setCurrentDirectory(before));
    RemoveDirectoryW(folder.c_str());
    EXPECT_FALSE(system.setCurrentDirectory(cp1250("Z:\\ni take mape\\")));
}

}  // namespace
}  // namespace kirva::platform::win32
