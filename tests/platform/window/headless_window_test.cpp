#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/date.h"
#include "platform/text1250.h"
#include "tests/support/headless_window.h"

namespace kirva::platform {
namespace {

using Lines = std::vector<std::string>;

// A small dialog of the program's kinds: two dates, a rate, a check box, two buttons.
enum : int32_t {
    kFromPrompt = 1,
    kFrom = 2,
    kToPrompt = 3,
    kTo = 4,
    kRate = 5,
    kDelete = 6,
    kBuild = 7,
    kCancel = 8,
    kNote = 9,
    kLogo = 10,
    kHiddenEntry = 11,
};

class HeadlessWindowTest : public ::testing::Test {
  protected:
    WindowLayout layout() {
        WindowLayout l;
        l.name = "w";
        l.caption = Text1250::literal(" IZVOZ");
        l.width = 200;
        l.height = 120;
        auto add = [&](int32_t number, ControlKind kind, std::string text, Rect place) -> ControlLayout& {
            ControlLayout c;
            c.number = number;
            c.kind = kind;
            c.text = Text1250::literal(text);
            c.place = place;
            l.controls.push_back(c);
            return l.controls.back();
        };
        add(kFromPrompt, ControlKind::Prompt, "&Od datuma:", {4, 4, 0, 0});
        add(kFrom, ControlKind::Entry, "", {60, 4, 60, 12}).binding = bindDate(from);
        add(kToPrompt, ControlKind::Prompt, "&Do datuma:", {4, 20, 0, 0});
        add(kTo, ControlKind::Entry, "", {60, 20, 60, 12}).binding = bindDate(to);
        add(kRate, ControlKind::Entry, "", {60, 36, 47, 10}).binding = bindRate(rate);
        add(kDelete, ControlKind::CheckBox, "&Brisanje && čiščenje", {4, 52, 0, 0}).binding = bindCheckBox(flag);
        ControlLayout& build = add(kBuild, ControlKind::Button, "  &IZDELAJ", {60, 100, 62, 14});
        build.defaultButton = true;
        add(kCancel, ControlKind::Button, "&PREKLIČI", {130, 100, 62, 14}).standardClose = true;
        add(kNote, ControlKind::Text, "Opomba", {4, 70, 0, 0});
        add(kLogo, ControlKind::Image, "", {170, 0, 31, 31}).image = "logo";
        add(kHiddenEntry, ControlKind::Entry, "", {4, 84, 20, 10}).hidden = true;
        return l;
    }

    // Opens the window and runs its loop with the handler (default: every event handled normally).
    void run(std::function<EventVerdict(const Event&)> handler = {}) {
        window = system.createWindow(layout());
        window->open(nullptr);
        window->runEventLoop(handler ? handler : [](const Event&) { return EventVerdict::Normal; });
    }

    // The window's events, without its open and close lines.
    Lines events() const { return system.transcript("w: "); }

    int32_t from = 0;
    int32_t to = 0;
    Decimal rate = Decimal::fromUnits(2200, 2);
    uint8_t flag = 0;
    HeadlessWindowSystem system;
    ScriptedUser& user = system.user();
    std::unique_ptr<Window> window;
};

TEST_F(HeadlessWindowTest, TypingAndTabAcceptsTheEntryThenSelectsTheNext) {
    user.type(kFrom, "1.2.2019").pressTab();
    run();
    EXPECT_EQ(system.transcript(), (Lines{"open w", "w: OpenWindow 0", "w: GainFocus 0", "w: Selected 2",
                                          "w: Accepted 2", "w: Selected 4", "w: CloseWindow 0", "close w"}));
    EXPECT_EQ(from, *dateFromCivil(2019, 2, 1));
    EXPECT_EQ(window->text(kFrom).toUtf8(), "01.02.2019");  // shown again in its own form
    EXPECT_FALSE(window->isOpen());
}

TEST_F(HeadlessWindowTest, LeavingAnEntryWithoutAChangeOnlySelects) {
    from = *dateFromCivil(2019, 2, 1);
    user.focus(kFrom).pressTab().type(kTo, "").pressShiftTab();  // typing what it already shows is no change
    run();
    EXPECT_EQ(events(), (Lines{"w: OpenWindow 0", "w: GainFocus 0", "w: Selected 2", "w: Selected 4", "w: Selected 2",
                               "w: CloseWindow 0"}));
}

TEST_F(HeadlessWindowTest, ClickingAButtonLeavesTheEntryFirst) {
    Lines seen;
    user.type(kRate, "8,5").click(kBuild).check([&](Window& w) { seen.push_back(w.text(kRate).toUtf8()); });
    run([&](const Event& e) {
        if (e.kind == EventKind::Accepted) seen.push_back("accepted " + std::to_string(window->acceptedControl()));
        return EventVerdict::Normal;
    });
    EXPECT_EQ(events(), (Lines{"w: OpenWindow 0", "w: GainFocus 0", "w: Selected 5", "w: Accepted 5", "w: Selected 7",
                               "w: Accepted 7", "w: CloseWindow 0"}));
    EXPECT_EQ(seen, (Lines{"accepted 5", "accepted 7", "8,50 %"}));
    EXPECT_EQ(rate, Decimal::fromUnits(850, 2));
}

TEST_F(HeadlessWindowTest, AccessKeysMoveTheFocusPressButtonsAndToggleCheckBoxes) {
    user.pressAccessKey('d')   // a prompt's letter: the entry after it
        .pressAccessKey('B')   // the check box, ticked
        .pressAccessKey('i')   // the button
        .pressAccessKey('z')   // nobody's letter: a beep
        .pressAccessKey('c');  // "&&" is no access key
    int32_t key = 0;
    user.check([&](Window& w) { key = w.keyCode(); });
    run();
    EXPECT_EQ(events(), (Lines{"w: OpenWindow 0", "w: GainFocus 0", "w: Selected 4", "w: Selected 6", "w: Accepted 6",
                               "w: Selected 7", "w: Accepted 7", "w: CloseWindow 0"}));
    EXPECT_EQ(system.transcript("beep").size(), 2u);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(key, keys::kAlt | 'C');
}

TEST_F(HeadlessWindowTest, EnterTakesTheEntryThenPressesTheDefaultButton) {
    user.type(kTo, "28.02.2019").pressEnter();
    run();
    EXPECT_EQ(events(), (Lines{"w: OpenWindow 0", "w: GainFocus 0", "w: Selected 4", "w: Accepted 4", "w: Selected 7",
                               "w: Accepted 7", "w: CloseWindow 0"}));
}

TEST_F(HeadlessWindowTest, EnterOnARefusedTextStopsThere) {
    user.type(kTo, "31.02.2019").pressEnter();
    run();
    EXPECT_EQ(events(),
              (Lines{"w: OpenWindow 0", "w: GainFocus 0", "w: Selected 4", "w: Rejected 4", "w: CloseWindow 0"}));
}

TEST_F(HeadlessWindowTest, ARejectedTextKeepsTheVariableAndStaysOnScreen) {
    from = *dateFromCivil(2019, 2, 1);
    user.type(kFrom, "31.02.2019").pressTab();
    std::string shown;
    user.check([&](Window& w) { shown = w.text(kFrom).toUtf8(); });
    run();
    EXPECT_EQ(events(), (Lines{"w: OpenWindow 0", "w: GainFocus 0", "w: Selected 2", "w: Rejected 2", "w: Selected 4",
                               "w: CloseWindow 0"}));
    EXPECT_EQ(from, *dateFromCivil(2019, 2, 1));
    EXPECT_EQ(shown, "31.02.2019");
    window->display(kFrom);
    EXPECT_EQ(window->text(kFrom).toUtf8(), "01.02.2019");
}

TEST_F(HeadlessWindowTest, TheCloseBoxCanBeRefusedAndAStandardCloseButtonActsAsIt) {
    int refusals = 1;
    std::vector<bool> openAfter;
    user.closeBox().check([&](Window& w) { openAfter.push_back(w.isOpen()); }).click(kCancel);
    run([&](const Event& e) {
        if (e.kind == EventKind::CloseWindow && refusals-- > 0) return EventVerdict::SkipDefault;
        return EventVerdict::Normal;
    });
    EXPECT_EQ(openAfter, std::vector<bool>{true});
    EXPECT_EQ(events(),
              (Lines{"w: OpenWindow 0", "w: GainFocus 0", "w: CloseWindow 0", "w: Selected 8", "w: CloseWindow 0"}));
    EXPECT_EQ(system.transcript().back(), "close w");
    EXPECT_EQ(user.pendingSteps(), 0u);
}

TEST_F(HeadlessWindowTest, AWindowThatNeverClosesEndsWhenTheScriptRunsOut) {
    run([](const Event& e) {
        return e.kind == EventKind::CloseWindow ? EventVerdict::SkipDefault : EventVerdict::Normal;
    });
    EXPECT_EQ(system.transcript(),
              (Lines{"open w", "w: OpenWindow 0", "w: GainFocus 0", "w: CloseWindow 0", "script ran out", "close w"}));
}

TEST_F(HeadlessWindowTest, ANestedModalWindowTakesTheFollowingSteps) {
    std::string innerText;
    int64_t innerNumber = 0;
    WindowLayout innerLayout;
    innerLayout.name = "inner";
    innerLayout.width = 100;
    innerLayout.height = 50;
    ControlLayout entry;
    entry.number = 1;
    entry.kind = ControlKind::Entry;
    entry.binding = bindNumber(innerNumber, 6);
    ControlLayout ok;
    ok.number = 2;
    ok.kind = ControlKind::Button;
    ok.text = Text1250::literal("OK");
    innerLayout.controls = {entry, ok};

    user.click(kBuild)
        .type(1, "42")
        .click(2)
        .check([&](Window& w) { innerText = w.caption().toUtf8(); })
        .click(kCancel);
    run([&](const Event& e) {
        if (e.kind == EventKind::Accepted && e.control == kBuild) {
            auto inner = system.createWindow(innerLayout);
            inner->open(window.get());
            EXPECT_EQ(system.openWindows().back(), inner.get());
            inner->runEventLoop([](const Event& ie) {
                return ie.kind == EventKind::Accepted && ie.control == 2 ? EventVerdict::EndLoop : EventVerdict::Normal;
            });
            EXPECT_FALSE(inner->isOpen());
        }
        return EventVerdict::Normal;
    });
    EXPECT_EQ(innerNumber, 42);
    EXPECT_EQ(innerText, " IZVOZ");  // the check ran on the outer window again
    EXPECT_EQ(system.transcript(),
              (Lines{"open w", "w: OpenWindow 0", "w: GainFocus 0", "w: Selected 7", "w: Accepted 7", "open inner",
                     "inner: OpenWindow 0", "inner: GainFocus 0", "inner: Selected 1", "inner: Accepted 1",
                     "inner: Selected 2", "inner: Accepted 2", "close inner", "w: LoseFocus 0", "w: GainFocus 0",
                     "w: Selected 8", "w: CloseWindow 0", "close w"}));
}

TEST_F(HeadlessWindowTest, TabFollowsFieldOrderPastWhatCannotTakeTheFocus) {
    user.pressTab().pressTab().pressTab().pressTab().pressTab().pressTab().pressTab().pressShiftTab();
    window = system.createWindow(layout());
    window->setDisabled(kRate, true);
    window->open(nullptr);
    window->runEventLoop([](const Event&) { return EventVerdict::Normal; });
    // Prompts, texts, images and the hidden and disabled entries are passed by; Tab wraps round.
    EXPECT_EQ(events(), (Lines{"w: OpenWindow 0", "w: GainFocus 0", "w: Selected 2", "w: Selected 4", "w: Selected 6",
                               "w: Selected 7", "w: Selected 8", "w: Selected 2", "w: Selected 4", "w: Selected 2",
                               "w: CloseWindow 0"}));
}

TEST_F(HeadlessWindowTest, RegisteredHandlersComeFirstAndCanKeepAnEventFromTheLoop) {
    std::vector<std::string> loopSaw;
    user.click(kBuild).pressKey(keys::kF1 + 1).click(kDelete);
    window = system.createWindow(layout());
    int registered = 0;
    const int id = window->registerHandler(EventKind::Accepted, [&](const Event& e) {
        ++registered;
        return e.control == kBuild ? EventVerdict::SkipDefault : EventVerdict::Normal;
    });
    window->registerHandler(EventKind::Accepted, [&](const Event&) {
        window->unregisterHandler(id);
        return EventVerdict::Normal;
    });
    window->registerAlertKey(keys::kF1 + 1);
    window->open(nullptr);
    window->runEventLoop([&](const Event& e) {
        loopSaw.push_back(std::string(eventKindName(e.kind)) + " " + std::to_string(e.control));
        return EventVerdict::Normal;
    });
    EXPECT_EQ(registered, 2);  // the second Accepted reaches the first handler, which the second then drops
    EXPECT_EQ(loopSaw, (Lines{"OpenWindow 0", "GainFocus 0", "Selected 7", "AlertKey 7", "Selected 6", "Accepted 6",
                              "CloseWindow 0"}));
}

TEST_F(HeadlessWindowTest, ARegisteredHandlerCanEndTheLoop) {
    user.click(kBuild).click(kDelete);
    window = system.createWindow(layout());
    window->registerHandler(EventKind::Accepted, [](const Event&) { return EventVerdict::EndLoop; });
    window->open(nullptr);
    window->runEventLoop([](const Event&) { return EventVerdict::Normal; });
    EXPECT_FALSE(window->isOpen());
    EXPECT_EQ(user.pendingSteps(), 1u);
    EXPECT_EQ(system.transcript().back(), "close w");
}

TEST_F(HeadlessWindowTest, TheMinimumSizeHoldsAndSizesRaiseSized) {
    std::vector<Rect> places;
    auto record = [&](Window& w) { places.push_back(w.place()); };
    user.resizeTo(100, 100).check(record).resizeBy(50, 10).check(record).resizeBy(0, 0).maximize().check(record);
    user.restore().check(record);
    window = system.createWindow(layout());
    window->setMinimumSize(200, 120);
    window->open(nullptr);
    window->runEventLoop([](const Event&) { return EventVerdict::Normal; });
    ASSERT_EQ(places.size(), 4u);
    EXPECT_EQ(places[0].width, 200);
    EXPECT_EQ(places[0].height, 120);
    EXPECT_EQ(places[1].width, 250);
    EXPECT_EQ(places[1].height, 130);
    EXPECT_EQ(places[2], HeadlessWindowSystem::kScreen);
    EXPECT_EQ(places[3], places[1]);
    EXPECT_EQ(events(), (Lines{"w: OpenWindow 0", "w: GainFocus 0", "w: Sized 0", "w: Sized 0", "w: Maximized 0",
                               "w: Sized 0", "w: Restored 0", "w: CloseWindow 0"}));
}

TEST_F(HeadlessWindowTest, APlaceWithoutValueIsCentredAndNoWindowLeavesTheScreen) {
    window = system.createWindow(layout());
    const Rect& screen = HeadlessWindowSystem::kScreen;
    EXPECT_EQ(window->place(), (Rect{(screen.width - 200) / 2, (screen.height - 120) / 2, 200, 120}));

    window->setPlace({kNoCoordinate, kNoCoordinate, 343, 346});
    EXPECT_EQ(window->place(), (Rect{(screen.width - 343) / 2, (screen.height - 346) / 2, 343, 346}));

    window->setPlace({10, 20, kNoCoordinate, kNoCoordinate});
    EXPECT_EQ(window->place(), (Rect{10, 20, 343, 346}));

    // A place remembered on a screen that is gone comes back onto this one.
    window->setPlace({5000, -300, 343, 346});
    EXPECT_EQ(window->place(), (Rect{screen.width - 343, 0, 343, 346}));
    // A size larger than the screen is fitted to it first, then the place.
    window->setPlace({-200, 9000, 2000, 100});
    EXPECT_EQ(window->place(), (Rect{0, screen.height - 100, screen.width, 100}));
    window->setPlace({100, 50, 99999999, 99999999});
    EXPECT_EQ(window->place(), screen);
}

TEST_F(HeadlessWindowTest, BatchedMovesArriveTogether) {
    window = system.createWindow(layout());
    const Rect before = window->controlPlace(kRate);
    window->beginBatchedMoves();
    window->setControlPlace(kRate, {70, 36, 57, 10});
    window->setControlPlace(kBuild, {80, 100, 62, 14});
    EXPECT_EQ(window->controlPlace(kRate), before);
    window->endBatchedMoves();
    EXPECT_EQ(window->controlPlace(kRate), (Rect{70, 36, 57, 10}));
    EXPECT_EQ(window->controlPlace(kBuild), (Rect{80, 100, 62, 14}));
    EXPECT_EQ(system.changes(), (Lines{"w: moves 2", "w: place 5 70,36,57,10", "w: place 7 80,100,62,14"}));
    EXPECT_EQ(window->controlPlace(999), Rect{});
}

TEST_F(HeadlessWindowTest, AutoSizesAreNaturalAndFollowTheText) {
    window = system.createWindow(layout());
    EXPECT_TRUE(window->autoWidth(kFromPrompt));
    EXPECT_TRUE(window->autoHeight(kFromPrompt));
    EXPECT_FALSE(window->autoWidth(kFrom));
    EXPECT_EQ(window->controlPlace(kFromPrompt), (Rect{4, 4, 40, 8}));  // "Od datuma:" without the "&"
    window->setText(kFromPrompt, Text1250::literal("Od:"));
    EXPECT_EQ(window->controlPlace(kFromPrompt).width, 12);
}

TEST_F(HeadlessWindowTest, HidingTheFocusedControlMovesTheFocusOn) {
    user.click(kBuild).check([](Window& w) { w.setHidden(kBuild, true); });
    run();
    EXPECT_EQ(events(), (Lines{"w: OpenWindow 0", "w: GainFocus 0", "w: Selected 7", "w: Accepted 7", "w: Selected 8",
                               "w: CloseWindow 0"}));
    EXPECT_EQ(system.changes(), Lines{"w: hide 7"});
}

TEST_F(HeadlessWindowTest, UpdateBindingsTakesOnlyWhatTheUserChangedAndRaisesNothing) {
    user.type(kTo, "28.02.2019").check([&](Window& w) {
        from = 5;  // the program changed this variable without showing it
        w.updateBindings();
    });
    run();
    EXPECT_EQ(to, *dateFromCivil(2019, 2, 28));
    EXPECT_EQ(from, 5);
    // The entry was still left with its change when the window closed: it did not raise Accepted there.
    EXPECT_EQ(events(), (Lines{"w: OpenWindow 0", "w: GainFocus 0", "w: Selected 4", "w: CloseWindow 0"}));
}

TEST_F(HeadlessWindowTest, NotifyFromAnotherThreadIsQueued) {
    std::vector<uint64_t> seen;
    user.check([&](Window& w) { std::thread([&w] { w.notify(7, 99, -3); }).join(); });
    run([&](const Event& e) {
        if (e.kind == EventKind::Notify)
            seen = {e.notifyCode, e.notifyThread, static_cast<uint64_t>(-e.notifyParameter)};
        return EventVerdict::Normal;
    });
    EXPECT_EQ(seen, (std::vector<uint64_t>{7, 99, 3}));
}

TEST_F(HeadlessWindowTest, PostingToTheFrontOvertakesPendingEvents) {
    user.check([](Window& w) {
        w.post(Event{EventKind::Completed});
        w.post(Event{EventKind::DeferredResize}, true);
    });
    run();
    EXPECT_EQ(events(), (Lines{"w: OpenWindow 0", "w: GainFocus 0", "w: DeferredResize 0", "w: Completed 0",
                               "w: CloseWindow 0"}));
}

TEST(HeadlessWindowSystemTest, AWindowMayOutliveItsSystem) {
    std::unique_ptr<Window> window;
    {
        HeadlessWindowSystem system;
        WindowLayout layout;
        layout.name = "late";
        window = system.createWindow(layout);
        window->open(nullptr);
        EXPECT_EQ(system.openWindows().size(), 1u);
    }
    EXPECT_FALSE(window->isOpen());
    window.reset();  // no reach into the system that is gone
}

TEST(HeadlessWindowSystemTest, MessageBoxesAreAnsweredRecordedAndPrinted) {
    std::ostringstream printed;
    HeadlessWindowSystem system(printed);
    system.user().answerMessageBox(ButtonNo);
    MessageBoxRequest request;
    request.caption = Text1250::literal(" OPOZORILO");
    request.text = Text1250::literal("Prva vrstica|druga č");
    request.buttons = ButtonYes | ButtonNo;
    request.defaultButton = ButtonYes;
    EXPECT_EQ(system.messageBoxes().show(request), ButtonNo);
    EXPECT_EQ(system.messageBoxes().show(request), ButtonYes);  // no answer left: the default button
    EXPECT_EQ(system.transcript("box "),
              (Lines{"box  OPOZORILO: Prva vrstica|druga č -> 4", "box  OPOZORILO: Prva vrstica|druga č -> 2"}));
    EXPECT_EQ(system.shownBoxes().size(), 2u);
    EXPECT_EQ(printed.str(), " OPOZORILO\nPrva vrstica\ndruga č\n OPOZORILO\nPrva vrstica\ndruga č\n");
}

TEST(HeadlessWindowSystemTest, TheFolderPickerAnswersWithATrailingSeparator) {
    HeadlessWindowSystem system;
    const std::string start = system.currentDirectory();
    system.user()
        .answerFolderPicker("/data/racuni", "/data")
        .answerFolderPicker(std::nullopt, "/elsewhere")
        .answerFolderPicker("/a/very/long/folder/");
    Text1250 folder = Text1250::literal("/old/");
    EXPECT_TRUE(system.pickFolder(Text1250::literal(" Izberi mapo"), folder, 255));
    EXPECT_EQ(folder.toUtf8(), "/data/racuni/");
    EXPECT_EQ(system.currentDirectory(), "/data");  // the picker moved it, as a real one may
    EXPECT_FALSE(system.pickFolder(Text1250::literal("t"), folder, 255));
    EXPECT_EQ(folder.toUtf8(), "/data/racuni/");
    EXPECT_EQ(system.currentDirectory(), "/elsewhere");
    EXPECT_TRUE(system.pickFolder(Text1250::literal("t"), folder, 8));
    EXPECT_EQ(folder.toUtf8(), "/a/very/");
    EXPECT_FALSE(system.pickFolder(Text1250::literal("t"), folder, 255));  // no answer left: cancelled
    EXPECT_TRUE(system.setCurrentDirectory(start));
    EXPECT_EQ(system.currentDirectory(), start);
    EXPECT_EQ(system.transcript("folder "), (Lines{"folder  Izberi mapo -> /data/racuni/", "folder t -> cancel",
                                                   "folder t -> /a/very/", "folder t -> cancel"}));
}

}  // namespace
}  // namespace kirva::platform
