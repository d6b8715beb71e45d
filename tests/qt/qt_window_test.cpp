// The Qt windows against the headless ones: the same layout driven the same way must deliver the same
// events, and a layout must land on the pixels its dialog units stand for.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/date.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_window.h"
#include "platform/qt/qt_window_system.h"
#include "platform/text1250.h"
#include "tests/support/comparison_layout.h"
#include "tests/support/headless_window.h"

namespace kirva::platform::qt {
namespace {

using Lines = std::vector<std::string>;

using namespace kirva::testing::comparison;

WindowLayout testLayout(Variables& v, int32_t points = 8) {
    return layout(v, "DejaVu Sans", points, 1);
}

std::string line(const Event& e) {
    return std::string(eventKindName(e.kind)) + " " + std::to_string(e.control);
}

// Lets Qt deliver what is pending (queued drains, focus and size events); bounded, never a fixed sleep.
void settle() {
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool waitFor(const std::function<bool()>& done, int milliseconds = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds) return false;
        QTest::qWait(10);
    }
    return true;
}

// Waits until the application's active window is this one. Without a window manager X may hand the focus
// to a window opened earlier after a later one has it, so Qt's own "active" wait can end too soon.
bool waitActive(QWidget* window) {
    return waitFor([window] { return QApplication::activeWindow() == window; });
}

// Runs a Qt window's loop while the steps act on it as a user would; returns the events in order.
Lines runQt(QtWindowSystem& system, Window& window, const std::vector<std::function<void(QtWindow&)>>& steps,
            const std::function<EventVerdict(const Event&)>& extra = {}) {
    auto& qtWindow = dynamic_cast<QtWindow&>(window);
    Lines seen;
    window.open(nullptr);
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(waitActive(qtWindow.widget()));
        settle();
        for (const auto& step : steps) {
            step(qtWindow);
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

Lines runHeadless(HeadlessWindowSystem& system, Window& window,
                  const std::function<EventVerdict(const Event&)>& extra = {}) {
    Lines seen;
    window.open(nullptr);
    window.runEventLoop([&](const Event& e) {
        seen.push_back(line(e));
        return extra ? extra(e) : EventVerdict::Normal;
    });
    (void)system;
    return seen;
}

QWidget* widgetOf(QtWindow& w, int32_t control) {
    return w.controlWidget(control);
}

TEST(QtWindow, ControlsLandOnThePixelsOfTheirDialogUnitsAtTwoFontSizes) {
    QtWindowSystem system;
    std::vector<int> entryWidths;
    for (int points : {8, 14}) {
        Variables v;
        auto window = system.createWindow(testLayout(v, points));
        auto& w = dynamic_cast<QtWindow&>(*window);
        window->open(nullptr);
        settle();

        // The scale worked out here from the font itself, as dialog layouts do.
        const QFontMetrics metrics(w.widget()->font());
        const int letters =
            metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        const int baseX = (letters / 26 + 1) / 2;
        const int baseY = metrics.height();
        auto px = [](int units, int base, int per) { return (units * base + per / 2) / per; };

        EXPECT_EQ(widgetOf(w, kFrom)->geometry(),
                  QRect(px(60, baseX, 4), px(4, baseY, 8), px(60, baseX, 4), px(12, baseY, 8)))
            << points;
        EXPECT_EQ(widgetOf(w, kBuild)->geometry(),
                  QRect(px(60, baseX, 4), px(100, baseY, 8), px(62, baseX, 4), px(14, baseY, 8)))
            << points;
        // "auto" is the natural size, and the units reported cover it.
        const QWidget* prompt = widgetOf(w, kFromPrompt);
        EXPECT_EQ(prompt->size(), prompt->sizeHint()) << points;
        EXPECT_EQ(prompt->pos(), QPoint(px(4, baseX, 4), px(4, baseY, 8))) << points;
        EXPECT_GE(px(window->controlPlace(kFromPrompt).width, baseX, 4), prompt->width()) << points;
        EXPECT_TRUE(window->autoWidth(kFromPrompt));
        // The client area is the layout's size; the window reports it in units again, exactly.
        EXPECT_EQ(w.widget()->findChild<QWidget*>(QStringLiteral("client"))->size(),
                  QSize(px(200, baseX, 4), px(120, baseY, 8)));
        EXPECT_EQ(window->place().width, 200);
        EXPECT_EQ(window->place().height, 120);

        // The resizer's moves land exactly, and in one batch.
        window->beginBatchedMoves();
        window->setControlPlace(kFrom, {70, 4, 80, 12});
        EXPECT_EQ(widgetOf(w, kFrom)->x(), px(60, baseX, 4));
        window->endBatchedMoves();
        EXPECT_EQ(widgetOf(w, kFrom)->geometry(),
                  QRect(px(70, baseX, 4), px(4, baseY, 8), px(80, baseX, 4), px(12, baseY, 8)));
        EXPECT_EQ(window->controlPlace(kFrom), (Rect{70, 4, 80, 12}));
        entryWidths.push_back(widgetOf(w, kFrom)->width());
        window->close();
    }
    EXPECT_GT(entryWidths[1], entryWidths[0]);  // the layout grows with its font
}

TEST(QtWindow, TypingTabbingAndClickingGiveTheEventsOfTheHeadlessWindow) {
    Variables headlessVariables;
    HeadlessWindowSystem headless;
    headless.user().focus(kFrom).type(kFrom, "1.2.2019").pressTab().pressTab().type(kRate, "8,5").click(kBuild);
    headless.user().type(kTo, "31.02.2019").click(kDelete).closeBox();
    auto headlessWindow = headless.createWindow(testLayout(headlessVariables));
    const Lines expected = runHeadless(headless, *headlessWindow);

    Variables v;
    QtWindowSystem system;
    auto window = system.createWindow(testLayout(v));
    std::string status;
    const Lines seen = runQt(system, *window,
                             {
                                 [](QtWindow& w) { QTest::mouseClick(widgetOf(w, kFrom), Qt::LeftButton); },
                                 [&](QtWindow& w) {
                                     status = fromQStringLossy(w.statusBar()->currentMessage()).toUtf8();
                                     QTest::keyClicks(widgetOf(w, kFrom), QStringLiteral("1.2.2019"));
                                 },
                                 [](QtWindow& w) { QTest::keyClick(widgetOf(w, kFrom), Qt::Key_Tab); },
                                 [](QtWindow& w) { QTest::keyClick(widgetOf(w, kTo), Qt::Key_Tab); },
                                 [](QtWindow& w) { QTest::keyClicks(widgetOf(w, kRate), QStringLiteral("8,5")); },
                                 [](QtWindow& w) { QTest::mouseClick(widgetOf(w, kBuild), Qt::LeftButton); },
                                 [](QtWindow& w) { QTest::mouseClick(widgetOf(w, kTo), Qt::LeftButton); },
                                 [](QtWindow& w) { QTest::keyClicks(widgetOf(w, kTo), QStringLiteral("31.02.2019")); },
                                 [](QtWindow& w) { QTest::mouseClick(widgetOf(w, kDelete), Qt::LeftButton); },
                                 [](QtWindow& w) { w.widget()->close(); },
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
    EXPECT_EQ(status, "Od datuma računov");
}

TEST(QtWindow, EnterAccessKeysAndEscapeGiveTheEventsOfTheHeadlessWindow) {
    Variables headlessVariables;
    HeadlessWindowSystem headless;
    headless.user().type(kTo, "28.02.2019").pressEnter().pressAccessKey('o').pressAccessKey('b').pressEscape();
    auto headlessWindow = headless.createWindow(testLayout(headlessVariables));
    const Lines expected = runHeadless(headless, *headlessWindow);

    Variables v;
    QtWindowSystem system;
    auto window = system.createWindow(testLayout(v));
    const Lines seen = runQt(system, *window,
                             {
                                 [](QtWindow& w) { QTest::mouseClick(widgetOf(w, kTo), Qt::LeftButton); },
                                 [](QtWindow& w) { QTest::keyClicks(widgetOf(w, kTo), QStringLiteral("28.02.2019")); },
                                 [](QtWindow& w) { QTest::keyClick(widgetOf(w, kTo), Qt::Key_Return); },
                                 [](QtWindow& w) { QTest::keyClick(widgetOf(w, kBuild), Qt::Key_O, Qt::AltModifier); },
                                 [](QtWindow& w) { QTest::keyClick(widgetOf(w, kFrom), Qt::Key_B, Qt::AltModifier); },
                                 [](QtWindow& w) { QTest::keyClick(widgetOf(w, kDelete), Qt::Key_Escape); },
                             });
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(expected, (Lines{"OpenWindow 0", "GainFocus 0", "Selected 4", "Accepted 4", "Selected 7", "Accepted 7",
                               "Selected 2", "Selected 6", "Accepted 6", "CloseWindow 0"}));
    EXPECT_EQ(v.to, *dateFromCivil(2019, 2, 28));
}

TEST(QtWindow, TheCloseBoxIsRefusedWhileTheHandlerSaysSo) {
    Variables v;
    QtWindowSystem system;
    auto window = system.createWindow(testLayout(v));
    int refusals = 1;
    bool visibleAfterRefusal = false;
    const Lines seen = runQt(system, *window,
                             {
                                 [](QtWindow& w) { w.widget()->close(); },
                                 [&](QtWindow& w) { visibleAfterRefusal = w.widget()->isVisible() && w.isOpen(); },
                                 [](QtWindow& w) { QTest::mouseClick(widgetOf(w, kCancel), Qt::LeftButton); },
                             },
                             [&](const Event& e) {
                                 return e.kind == EventKind::CloseWindow && refusals-- > 0 ? EventVerdict::SkipDefault
                                                                                           : EventVerdict::Normal;
                             });
    EXPECT_TRUE(visibleAfterRefusal);
    EXPECT_EQ(seen, (Lines{"OpenWindow 0", "GainFocus 0", "CloseWindow 0", "Selected 8", "CloseWindow 0"}));
    EXPECT_FALSE(dynamic_cast<QtWindow&>(*window).widget()->isVisible());
}

TEST(QtWindow, PostingToTheFrontAndNotifyFromAnotherThread) {
    Variables v;
    QtWindowSystem system;
    auto window = system.createWindow(testLayout(v));
    const Lines seen = runQt(system, *window,
                             {
                                 [](QtWindow& w) {
                                     w.post(Event{EventKind::Completed});
                                     w.post(Event{EventKind::DeferredResize}, true);
                                 },
                                 [](QtWindow& w) {
                                     std::thread([&w] { w.notify(3, 4, 5); }).join();
                                     EXPECT_TRUE(waitFor([&] { return w.currentEvent().kind == EventKind::Notify; }));
                                 },
                                 [](QtWindow& w) { w.post(Event{EventKind::CloseWindow}); },
                             });
    EXPECT_EQ(seen,
              (Lines{"OpenWindow 0", "GainFocus 0", "DeferredResize 0", "Completed 0", "Notify 0", "CloseWindow 0"}));
}

WindowLayout innerLayout(int64_t& number) {
    WindowLayout l;
    l.name = "inner";
    l.width = 100;
    l.height = 50;
    l.fontName = "DejaVu Sans";
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

TEST(QtWindow, ANestedModalWindowGivesTheEventsOfTheHeadlessOne) {
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
    QtWindowSystem system;
    auto window = system.createWindow(testLayout(v));
    Lines seen;
    const Lines outer = runQt(system, *window,
                              {
                                  [](QtWindow& w) { QTest::mouseClick(widgetOf(w, kBuild), Qt::LeftButton); },
                                  [](QtWindow& w) {
                                      EXPECT_TRUE(waitActive(w.widget()));
                                      settle();
                                      QTest::mouseClick(widgetOf(w, kCancel), Qt::LeftButton);
                                  },
                              },
                              [&](const Event& e) {
                                  seen.push_back(line(e));
                                  if (e.kind == EventKind::Accepted && e.control == kBuild) {
                                      auto inner = system.createWindow(innerLayout(number));
                                      auto& innerQt = dynamic_cast<QtWindow&>(*inner);
                                      inner->open(window.get());
                                      QTimer::singleShot(0, [&] {
                                          EXPECT_TRUE(waitActive(innerQt.widget()));
                                          settle();
                                          QTest::mouseClick(innerQt.controlWidget(1), Qt::LeftButton);
                                          settle();
                                          QTest::keyClicks(innerQt.controlWidget(1), QStringLiteral("42"));
                                          settle();
                                          QTest::mouseClick(innerQt.controlWidget(2), Qt::LeftButton);
                                      });
                                      inner->runEventLoop(endOnOk(seen));
                                      EXPECT_FALSE(inner->isOpen());
                                  }
                                  return EventVerdict::Normal;
                              });
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(number, 42);
}

// A handler that lets Qt run while it works (the progress repaint during a long count or run, a message
// box's own loop) is never entered again before it returns: what is posted, notified, timed or resized
// meanwhile waits in the window's queue and is handled after it, in its order.
TEST(QtWindow, AHandlerIsNotEnteredAgainWhileItShowsProgressOrAMessageBox) {
    Variables v;
    QtWindowSystem system;
    auto window = system.createWindow(testLayout(v));
    auto& qtWindow = dynamic_cast<QtWindow&>(*window);
    int depth = 0;
    int deepest = 0;
    bool working = false;
    Lines duringWork;
    bool boxAnswered = false;
    QTimer answerBox;
    QObject::connect(&answerBox, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || boxAnswered) return;
        boxAnswered = true;
        qtWindow.post(Event{EventKind::CloseWindow});  // the box's loop runs while this is queued
        box->buttons().front()->click();
    });

    const Lines seen =
        runQt(system, *window, {[](QtWindow& w) { QTest::mouseClick(widgetOf(w, kBuild), Qt::LeftButton); }},
              [&](const Event& e) {
                  deepest = std::max(deepest, ++depth);
                  if (working) duringWork.push_back(line(e));
                  if (e.kind == EventKind::Accepted && e.control == kBuild) {
                      working = true;
                      qtWindow.post(Event{EventKind::DeferredResize}, true);
                      qtWindow.post(Event{EventKind::Selected, kTo});
                      std::thread([&] { qtWindow.notify(1, 2, 3); }).join();
                      QTimer::singleShot(0, [&] { qtWindow.post(Event{EventKind::Completed}); });
                      qtWindow.widget()->resize(qtWindow.widget()->size() + QSize(40, 20));
                      for (int64_t done = 1; done <= 50; ++done) {
                          qtWindow.showProgress(done, 50);
                          std::this_thread::sleep_for(std::chrono::milliseconds(2));
                      }
                      qtWindow.showProgress(0, 0);
                      answerBox.start(10);
                      MessageBoxRequest request;
                      request.caption = Text1250::literal(" OPOZORILO");
                      request.text = Text1250::literal(" Temeljnica ni bila izdelana.");
                      system.messageBoxes().show(request);
                      answerBox.stop();
                      working = false;
                  }
                  --depth;
                  return EventVerdict::Normal;
              });
    EXPECT_TRUE(boxAnswered);
    EXPECT_EQ(deepest, 1);
    EXPECT_TRUE(duringWork.empty()) << duringWork.front();
    // After the handler: the front post first, then the rest in the order they came; the close last.
    const auto build = std::find(seen.begin(), seen.end(), "Accepted 7");
    ASSERT_NE(build, seen.end());
    const Lines after(build + 1, seen.end());
    ASSERT_GE(after.size(), 5u);
    EXPECT_EQ(after[0], "DeferredResize 0");
    EXPECT_EQ(after[1], "Selected 4");
    EXPECT_EQ(after[2], "Notify 0");
    EXPECT_NE(std::find(after.begin(), after.end(), "Completed 0"), after.end());
    EXPECT_EQ(after.back(), "CloseWindow 0");
}

TEST(QtWindow, ResizingRaisesSizedAndTheMinimumSizeHolds) {
    Variables headlessVariables;
    HeadlessWindowSystem headless;
    headless.user().resizeTo(100, 100).resizeBy(50, 10).closeBox();
    auto headlessWindow = headless.createWindow(testLayout(headlessVariables));
    headlessWindow->setMinimumSize(200, 120);
    const Lines expected = runHeadless(headless, *headlessWindow);

    Variables v;
    QtWindowSystem system;
    auto window = system.createWindow(testLayout(v));
    window->setMinimumSize(200, 120);
    Rect afterSmall, afterLarge;
    const Lines seen =
        runQt(system, *window,
              {
                  [&](QtWindow& w) {
                      const DialogUnits u = w.units();
                      w.widget()->resize(u.toPixelsX(100), u.toPixelsY(100));
                  },
                  [&](QtWindow& w) { afterSmall = w.place(); },
                  [&](QtWindow& w) {
                      const DialogUnits u = w.units();
                      w.widget()->resize(u.toPixelsX(250), u.toPixelsY(130) + w.statusBar()->sizeHint().height());
                      EXPECT_TRUE(waitFor([&] { return w.place().width == 250; }));
                      settle();
                  },
                  [&](QtWindow& w) { afterLarge = w.place(); },
                  [](QtWindow& w) { w.widget()->close(); },
              });
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(afterSmall.width, 200);
    EXPECT_EQ(afterSmall.height, 120);
    EXPECT_EQ(afterLarge.width, 250);
    EXPECT_EQ(afterLarge.height, 130);
}

TEST(QtWindow, AMessageBoxShowsItsCaptionTextAndNamedButton) {
    QtWindowSystem system;
    QString title, text;
    QStringList buttons;
    bool answered = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || answered) return;
        title = box->windowTitle();
        text = box->text();
        for (QAbstractButton* button : box->buttons()) buttons << button->text();
        answered = true;
        box->buttons().front()->click();
    });
    poll.start(10);
    MessageBoxRequest request;
    request.caption = Text1250::literal(" OPOZORILO");
    request.text = Text1250::literal(" Verjetno ste izbrali napačna datuma.| Preverite še enkrat ...");
    request.icon = MessageIcon::Information;
    request.buttonCaptions = {Text1250::literal("Zapri")};
    EXPECT_EQ(system.messageBoxes().show(request), ButtonOk);
    poll.stop();
    EXPECT_TRUE(answered);
    EXPECT_EQ(title, QStringLiteral(" OPOZORILO"));
    EXPECT_EQ(text, QStringLiteral(" Verjetno ste izbrali napačna datuma.\n Preverite še enkrat ..."));
    EXPECT_EQ(buttons, QStringList{QStringLiteral("Zapri")});
}

TEST(QtWindow, ImagesComeFromTheResourcesAndAMissingOneShowsNothing) {
    Variables v;
    QtWindowSystem system;
    auto window = system.createWindow(testLayout(v));
    auto& w = dynamic_cast<QtWindow&>(*window);
    EXPECT_FALSE(static_cast<QPushButton*>(widgetOf(w, kBuild))->icon().isNull());
    auto* logo = static_cast<QLabel*>(widgetOf(w, kLogo));
    EXPECT_TRUE(logo->pixmap().isNull());
    window->setImage(kLogo, "testrole");
    EXPECT_FALSE(logo->pixmap().isNull());
    EXPECT_EQ(window->image(kLogo), "testrole");
    window->setImage(kBuild, "");
    EXPECT_TRUE(static_cast<QPushButton*>(widgetOf(w, kBuild))->icon().isNull());
    EXPECT_EQ(widgetOf(w, kBuild)->toolTip(), QStringLiteral("Potrdi"));
}

TEST(QtWindow, AWindowIsPlacedOnAScreenWhateverPlaceItIsGiven) {
    Variables v;
    QtWindowSystem system;
    auto window = system.createWindow(testLayout(v));
    auto& w = dynamic_cast<QtWindow&>(*window);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();

    window->setPlace({kNoCoordinate, kNoCoordinate, 250, 150});
    window->open(nullptr);
    settle();
    EXPECT_TRUE(screen.contains(w.widget()->frameGeometry().center(), true));
    EXPECT_EQ(window->place().width, 250);
    EXPECT_EQ(window->place().height, 150);

    // A place remembered on a screen that is no longer there.
    window->setPlace({100000, -50000, kNoCoordinate, kNoCoordinate});
    settle();
    EXPECT_TRUE(screen.contains(w.widget()->pos()));

    // A remembered size far beyond the screen (Width=99999999): fitted to the screen, then placed on it.
    window->setPlace({100, 50, 99999999, 99999999});
    settle();
    EXPECT_TRUE(screen.contains(w.widget()->frameGeometry())) << w.widget()->frameGeometry().width();
    EXPECT_LE(w.widget()->width(), screen.width());
    EXPECT_GT(window->place().width, 250);
    window->setPlace({kNoCoordinate, kNoCoordinate, 2000, 400});
    settle();
    EXPECT_TRUE(screen.contains(w.widget()->frameGeometry()));
    window->close();
}

TEST(QtWindow, KeepOnScreensMovesAWindowOntoTheScreenItOverlapsMost) {
    const QRect primary(0, 0, 1920, 1040);
    const QRect second(1920, 0, 1280, 1024);
    const QList<QRect> screens{primary, second};
    EXPECT_EQ(keepOnScreens(QRect(100, 100, 400, 300), screens, primary), QRect(100, 100, 400, 300));
    EXPECT_EQ(keepOnScreens(QRect(1700, 900, 400, 300), screens, primary), QRect(1520, 740, 400, 300));
    EXPECT_EQ(keepOnScreens(QRect(1800, 900, 400, 300), screens, primary), QRect(1920, 724, 400, 300));
    EXPECT_EQ(keepOnScreens(QRect(3000, 50, 400, 300), screens, primary), QRect(2800, 50, 400, 300));
    EXPECT_EQ(keepOnScreens(QRect(-5000, -5000, 400, 300), screens, primary), QRect(0, 0, 400, 300));
    EXPECT_EQ(keepOnScreens(QRect(9000, 100, 400, 300), {primary}, primary), QRect(1520, 100, 400, 300));
    // Larger than the screen: cut to it first, then moved onto it.
    EXPECT_EQ(keepOnScreens(QRect(50, 50, 2500, 1200), {primary}, primary), QRect(0, 0, 1920, 1040));
    EXPECT_EQ(keepOnScreens(QRect(2000, 30, 99999999, 500), screens, primary), QRect(1920, 30, 1280, 500));
}

TEST(QtWindow, DialogUnitsRoundAsDialogLayoutsDo) {
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
}

TEST(QtText, WindowsCodePageAtTheEdge) {
    EXPECT_EQ(toQString(Text1250::literal("Šč ž")), QStringLiteral("Šč ž"));
    EXPECT_EQ(fromQString(QStringLiteral("Šč ž")), Text1250::literal("Šč ž"));
    EXPECT_FALSE(fromQString(QStringLiteral("日本")).has_value());
    EXPECT_EQ(fromQStringLossy(QStringLiteral("a日b")).toUtf8(), "a?b");
}

}  // namespace
}  // namespace kirva::platform::qt
