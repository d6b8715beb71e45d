#include "framework/window/window_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "framework/window/window_resizer.h"
#include "tests/support/headless_window.h"

using namespace kirva::framework;
using kirva::platform::ControlKind;
using kirva::platform::ControlLayout;
using kirva::platform::HeadlessWindowSystem;
using kirva::platform::ScriptedUser;
using kirva::platform::Window;
using kirva::platform::WindowLayout;
using kirva::platform::WindowState;

namespace {

constexpr int32_t kName = 1;    // an entry bound to a text
constexpr int32_t kDate = 2;    // an entry bound to a date
constexpr int32_t kOk = 3;      // a response button: completed
constexpr int32_t kApply = 4;   // an ordinary button
constexpr int32_t kCancel = 5;  // the standard close action

// A small window procedure built the way the program's windows are: Init takes the request, runs the
// base, registers its response button, opens the window; it writes down what its handlers saw.
class ProbeWindow : public WindowController {
  public:
    explicit ProbeWindow(HeadlessWindowSystem& system) : WindowController(system), system_(system) {}

    ErrorLevel init() override {
        request = procedureRequest();
        const ErrorLevel level = WindowController::init();
        if (level != ErrorLevel::Quiet) return level;
        if (failInit) return ErrorLevel::Notice;
        firstField = kName;
        navigation = &navigationRequest();
        procedureRequest() = RequestNone;
        procedureResponse() = ResponseNone;
        linkToolbar(toolbar);
        addResponseButton(kOk, request == RequestConfirmCancels ? ResponseCancelled : ResponseCompleted);
        window_ = system_.createWindow(layout());
        openWindow(*window_);
        if (withResizer) {
            resizer.init(*window_, 2, true, false);
            linkResizer(resizer);
        }
        registerAlertKeys();
        return ErrorLevel::Quiet;
    }
    ErrorLevel shutdown() override {
        ++shutdowns;
        return WindowController::shutdown();
    }
    ErrorLevel handleAccepted() override {
        const ErrorLevel level = WindowController::handleAccepted();
        const int32_t control = acceptedControl();
        steps.push_back("accepted " + std::to_string(control) + (window()->isOpen() ? " (open)" : " (closed)"));
        if (control == kApply) closeWithResponse(applyResponse);
        return level;
    }
    ErrorLevel handleSelected() override {
        if (endLoopOnSelect != 0 && event().control == endLoopOnSelect) return ErrorLevel::Fatal;
        return ErrorLevel::Quiet;
    }
    ErrorLevel handleCloseRequest() override {
        if (refuseCloses > 0) {
            --refuseCloses;
            return ErrorLevel::Notice;
        }
        return WindowController::handleCloseRequest();
    }
    void refresh(bool force) override {
        ++refreshes;
        WindowController::refresh(force);
    }

    static WindowLayout layout() {
        WindowLayout layout;
        layout.name = "Probe";
        layout.caption = kirva::Text1250::literal("Probe");
        layout.width = 200;
        layout.height = 100;
        auto add = [&](int32_t number, ControlKind kind, std::string_view text, kirva::platform::Rect place) {
            ControlLayout control;
            control.number = number;
            control.kind = kind;
            control.text = kirva::Text1250::literal(text);
            control.place = place;
            layout.controls.push_back(std::move(control));
            return &layout.controls.back();
        };
        add(kName, ControlKind::Entry, "", {10, 10, 100, 12});
        add(kDate, ControlKind::Entry, "", {10, 30, 60, 12});
        add(kOk, ControlKind::Button, "&Ok", {60, 80, 40, 14});
        add(kApply, ControlKind::Button, "&Apply", {105, 80, 40, 14});
        add(kCancel, ControlKind::Button, "Cancel", {150, 80, 40, 14})->standardClose = true;
        return layout;
    }

    bool failInit = false;
    bool withResizer = false;
    int32_t endLoopOnSelect = 0;
    int refuseCloses = 0;
    uint8_t applyResponse = ResponseCompleted;
    int shutdowns = 0;
    int refreshes = 0;
    std::vector<std::string> steps;
    WindowToolbar toolbar;
    WindowResizer resizer;

  private:
    HeadlessWindowSystem& system_;
    std::unique_ptr<Window> window_;
};

class WindowControllerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        procedureRequest() = RequestNone;
        procedureResponse() = ResponseNone;
        navigationRequest() = 0;
    }
    ScriptedUser& user() { return system.user(); }
    // The transcript's lines for the probe window and its opening and closing.
    std::vector<std::string> happened() const {
        std::vector<std::string> lines;
        for (const std::string& line : system.transcript()) {
            if (line.rfind("Probe", 0) == 0 || line == "open Probe" || line == "close Probe") lines.push_back(line);
        }
        return lines;
    }
    static std::ptrdiff_t indexOf(const std::vector<std::string>& lines, const std::string& line) {
        auto it = std::find(lines.begin(), lines.end(), line);
        return it == lines.end() ? -1 : it - lines.begin();
    }

    HeadlessWindowSystem system;
    ProbeWindow probe{system};
};

TEST_F(WindowControllerTest, ClosingWithoutAResponseButtonReportsCancelled) {
    struct Case {
        const char* how;
        std::function<void(ScriptedUser&)> script;
        uint8_t response;
    };
    const Case cases[] = {
        {"close box", [](ScriptedUser& u) { u.closeBox(); }, ResponseCancelled},
        {"escape", [](ScriptedUser& u) { u.pressEscape(); }, ResponseCancelled},
        {"standard-close button", [](ScriptedUser& u) { u.click(kCancel); }, ResponseCancelled},
        {"response button", [](ScriptedUser& u) { u.click(kOk); }, ResponseCompleted},
        {"response button by its key", [](ScriptedUser& u) { u.pressAccessKey('o'); }, ResponseCompleted},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        HeadlessWindowSystem fresh;
        ProbeWindow window(fresh);
        c.script(fresh.user());
        EXPECT_EQ(window.run(), c.response);
        EXPECT_EQ(window.shutdowns, 1);
        EXPECT_TRUE(window.dead);
        EXPECT_FALSE(window.window()->isOpen());
        EXPECT_EQ(fresh.user().pendingSteps(), 0u);
    }
}

TEST_F(WindowControllerTest, AResponseButtonsOwnStepsRunBeforeTheWindowCloses) {
    user().type(kName, "Novak").click(kOk);
    EXPECT_EQ(probe.run(), ResponseCompleted);
    EXPECT_EQ(probe.steps, (std::vector<std::string>{"accepted 1 (open)", "accepted 3 (open)"}));
    const auto lines = happened();
    const auto accepted = indexOf(lines, "Probe: Accepted 3");
    const auto closeEvent = indexOf(lines, "Probe: CloseWindow 0");
    const auto closed = indexOf(lines, "close Probe");
    ASSERT_GE(accepted, 0);
    EXPECT_LT(accepted, closeEvent);
    EXPECT_LT(closeEvent, closed);
}

TEST_F(WindowControllerTest, TheRequestOfTheCallerChoosesTheResponseAndIsTakenOnce) {
    procedureRequest() = RequestConfirmCancels;
    procedureResponse() = ResponseCompleted;
    user().check([](Window&) {
        EXPECT_EQ(procedureRequest(), RequestNone);
        EXPECT_EQ(procedureResponse(), ResponseNone);
    });
    user().click(kOk);
    EXPECT_EQ(probe.run(), ResponseCancelled);
    EXPECT_EQ(probe.request, RequestConfirmCancels);
    EXPECT_EQ(probe.originalRequest, RequestConfirmCancels);

    // The values are the thread's own.
    procedureRequest() = RequestDelete;
    std::thread([] {
        EXPECT_EQ(procedureRequest(), RequestNone);
        procedureRequest() = RequestInsert;
    }).join();
    EXPECT_EQ(procedureRequest(), RequestDelete);
}

TEST_F(WindowControllerTest, ACancellingResponseClearsThePendingNavigation) {
    probe.applyResponse = ResponseCancelled;
    user().check([](Window&) { navigationRequest() = 7; }).click(kApply);
    EXPECT_EQ(probe.run(), ResponseCancelled);
    EXPECT_EQ(navigationRequest(), 0);
}

TEST_F(WindowControllerTest, InitThatFailsStillShutsDownOnceAndReportsCancelled) {
    probe.failInit = true;
    user().click(kOk);
    EXPECT_EQ(probe.run(), ResponseCancelled);
    EXPECT_EQ(probe.shutdowns, 1);
    EXPECT_TRUE(probe.dead);
    EXPECT_TRUE(happened().empty()) << "no window was opened and no event handled";
}

TEST_F(WindowControllerTest, ShutdownAfterShutdownDoesNothingAndReturnsNotice) {
    user().closeBox();
    probe.run();
    EXPECT_EQ(probe.shutdown(), ErrorLevel::Notice);
    ProbeWindow neverRun(system);
    EXPECT_EQ(neverRun.shutdown(), ErrorLevel::Notice) << "nothing was initialised";
}

TEST_F(WindowControllerTest, TheFirstResizeDoesNotRefreshLaterOnesDo) {
    int beforeResizing = 0, afterFirst = 0, afterSecond = 0;
    user()
        .check([&](Window&) { beforeResizing = probe.refreshes; })
        .resizeBy(20, 0)
        .check([&](Window&) { afterFirst = probe.refreshes; })
        .resizeBy(20, 10)
        .check([&](Window&) { afterSecond = probe.refreshes; })
        .closeBox();
    probe.run();
    EXPECT_GE(beforeResizing, 1) << "opening refreshes once";
    EXPECT_EQ(afterFirst, beforeResizing);
    EXPECT_EQ(afterSecond, afterFirst + 1);
    EXPECT_EQ(probe.inited, 3);
}

TEST_F(WindowControllerTest, EveryResizeIsFollowedByTheDeferredResizeTheResizerLaysOutOn) {
    probe.withResizer = true;
    kirva::platform::Rect cancelPlace;
    user().resizeBy(100, 0).check([&](Window& w) { cancelPlace = w.controlPlace(kCancel); }).closeBox();
    probe.run();
    const auto lines = happened();
    const auto sized = indexOf(lines, "Probe: Sized 0");
    const auto deferred = indexOf(lines, "Probe: DeferredResize 0");
    ASSERT_GE(sized, 0);
    EXPECT_EQ(deferred, sized + 1) << "posted in front of every pending event";
    EXPECT_EQ(cancelPlace, (kirva::platform::Rect{250, 80, 40, 14})) << "nearer the right edge: keeps its distance";
    EXPECT_TRUE(probe.resizer.entries().empty()) << "the window manager's shutdown shut the resizer down";
}

TEST_F(WindowControllerTest, LevelsMapToTheLoopsVerdicts) {
    // 5 from the close request: the close is refused and the window stays; a later close goes through.
    probe.refuseCloses = 1;
    bool openAfterRefusal = false;
    user().closeBox().check([&](Window& w) { openAfterRefusal = w.isOpen(); }).closeBox();
    EXPECT_EQ(probe.run(), ResponseCancelled);
    EXPECT_TRUE(openAfterRefusal);

    // 3 from a handler ends the loop at once: the rest of the script is not played.
    HeadlessWindowSystem fresh;
    ProbeWindow window(fresh);
    window.endLoopOnSelect = kDate;
    fresh.user().focus(kDate).type(kName, "never typed").click(kOk);
    EXPECT_EQ(window.run(), ResponseCancelled);
    EXPECT_FALSE(window.window()->isOpen());
    EXPECT_TRUE(window.steps.empty());
}

TEST_F(WindowControllerTest, RejectedInputBeepsAndPutsTheFocusBack) {
    int32_t day = 0;
    // The probe's layout with its date entry bound, run by the plain window manager.
    WindowLayout layout = ProbeWindow::layout();
    layout.controls[1].format = kirva::platform::FieldFormat::Date;
    layout.controls[1].binding = kirva::platform::bindDate(day);
    auto window = system.createWindow(layout);
    WindowController controller(system);
    controller.init();
    controller.openWindow(*window);
    int32_t focusAfter = 0;
    user().type(kDate, "32.13.2019").pressTab().check([&](Window& w) { focusAfter = w.focusedControl(); }).closeBox();
    controller.eventLoop();
    controller.shutdown();
    EXPECT_EQ(focusAfter, kDate);
    EXPECT_EQ(day, 0);
    EXPECT_EQ(system.transcript("beep").size(), 1u);
}

// A component that writes down what the window manager asks of it.
class NotingComponent : public WindowComponent {
  public:
    explicit NotingComponent(std::vector<std::string>& notes) : notes_(notes) {}
    void release() override { notes_.push_back("release"); }
    void refresh(bool force) override { notes_.push_back(force ? "refresh forced" : "refresh"); }
    void redisplay() override { notes_.push_back("redisplay"); }
    void takeScreenValues() override { notes_.push_back("take screen values"); }
    void registerAlertKeys() override { notes_.push_back("alert keys"); }

  private:
    std::vector<std::string>& notes_;
};

TEST_F(WindowControllerTest, RefreshWithoutComponentsOnlyRedisplaysTheControls) {
    kirva::Text1250 name = kirva::Text1250::literal("Novak");
    WindowLayout layout = ProbeWindow::layout();
    layout.controls[0].binding = kirva::platform::bindText(name, 30);
    auto window = system.createWindow(layout);
    WindowController controller(system);
    ASSERT_EQ(controller.init(), ErrorLevel::Quiet);
    controller.openWindow(*window);
    const std::size_t linesBefore = system.transcript().size();

    name = kirva::Text1250::literal("Kovač");
    controller.refresh();
    EXPECT_EQ(window->text(kName).toUtf8(), "Kovač");
    EXPECT_EQ(system.transcript().size(), linesBefore) << "no event, no box";

    // With components: each refreshes (forced when a reset is pending), then each redisplays.
    std::vector<std::string> notes;
    NotingComponent first(notes), second(notes);
    controller.addComponent(first);
    controller.addComponent(second);
    controller.forcedReset = true;
    controller.refresh();
    controller.refresh();
    controller.updateBindings();
    controller.registerAlertKeys();
    controller.shutdown();
    EXPECT_EQ(notes,
              (std::vector<std::string>{"refresh forced", "refresh forced", "redisplay", "redisplay", "refresh",
                                        "refresh", "redisplay", "redisplay", "take screen values", "take screen values",
                                        "alert keys", "alert keys", "release", "release"}));
}

TEST_F(WindowControllerTest, AnotherThreadBringsAMinimisedWindowBack) {
    WindowState stateAfter = WindowState::Minimized;
    user()
        .minimize()
        .check([](Window& w) { std::thread([&w] { w.notify(kNotifyGainFocus, 1, 0); }).join(); })
        .check([&](Window& w) { stateAfter = w.state(); })
        .closeBox();
    probe.run();
    EXPECT_EQ(stateAfter, WindowState::Normal);
    const auto lines = happened();
    const auto notified = indexOf(lines, "Probe: Notify 0");
    ASSERT_GE(notified, 0);
    EXPECT_GT(std::count(lines.begin() + notified, lines.end(), "Probe: GainFocus 0"), 0);
}

TEST_F(WindowControllerTest, DisablingControlZeroIsIgnored) {
    user()
        .check([&](Window& w) {
            probe.setControlDisabled(kApply, true);
            probe.setControlDisabled(0, true);
            EXPECT_TRUE(w.isDisabled(kApply));
            EXPECT_FALSE(w.isDisabled(kOk));
            probe.setControlDisabled(kApply, false);
            EXPECT_FALSE(w.isDisabled(kApply));
        })
        .closeBox();
    probe.run();
}

}  // namespace
