#include "framework/window/error_history_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/errors/error_manager.h"
#include "tests/support/headless_window.h"

using namespace kirva::framework;
using kirva::framework::ErrorLevel;
using kirva::framework::ErrorManager;
using kirva::framework::HistoryEntry;
using kirva::framework::HistoryWindowRequest;
using kirva::platform::HeadlessWindowSystem;
using kirva::platform::Window;

namespace {

constexpr int32_t kFirst = ErrorHistoryWindow::kFirstButton;

// What the user sees of the window's buttons: the labels of the visible ones, in control order.
std::vector<std::string> visibleButtons(const Window& window) {
    std::vector<std::string> labels;
    for (int32_t control = kFirst; control < kFirst + 8; ++control) {
        if (!window.isHidden(control)) labels.push_back(window.text(control).toUtf8());
    }
    return labels;
}

class ErrorHistoryWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        manager.setMessageBoxes(system.messageBoxes());
        manager.initialize();
        manager.setExitHook([](int) {});
        useErrorHistoryWindow(manager, system);
    }
    void TearDown() override { manager.shutdown(); }

    // Reports a notice with the given message text.
    void notice(const std::string& text) {
        manager.addEntry(900, text, "Notice", ErrorLevel::Notice);
        manager.handleError(900);
    }

    HeadlessWindowSystem system;
    ErrorManager manager;
};

TEST_F(ErrorHistoryWindowTest, ShowErrorHistoryOffersHelpThenOkWithOkTheDefault) {
    manager.setHistoryThreshold(5);
    notice("Prvo sporočilo");
    std::vector<std::string> labels;
    std::string caption, icon;
    int32_t focused = 0;
    system.user()
        .check([&](Window& w) {
            labels = visibleButtons(w);
            caption = w.caption().toUtf8();
            icon = w.image(ErrorHistoryWindow::kIconControl);
            focused = w.focusedControl();
        })
        .pressEnter();
    EXPECT_EQ(manager.showErrorHistory(), kirva::platform::ButtonOk);
    EXPECT_EQ(labels, (std::vector<std::string>{"&Help", "O&k"}));
    EXPECT_EQ(caption, "Errors History");
    EXPECT_EQ(icon, "information");
    EXPECT_EQ(focused, kFirst + 1) << "the default button has the focus";
    EXPECT_TRUE(system.shownBoxes().empty()) << "a window, not a message box";
}

TEST_F(ErrorHistoryWindowTest, PressingAButtonAnswersItsCode) {
    struct Case {
        unsigned buttons, defaultButton;
        std::function<void(kirva::platform::ScriptedUser&)> press;
        unsigned answer;
    };
    const Case cases[] = {
        {129, 1, [](auto& u) { u.click(kFirst); }, 128},      // Help
        {129, 1, [](auto& u) { u.pressAccessKey('k'); }, 1},  // O&k by its key
        {6, 2, [](auto& u) { u.click(kFirst + 1); }, 2},      // No, Yes: Yes second
        {6, 4, [](auto& u) { u.pressEnter(); }, 4},           // the default No
        {0x7F, 1, [](auto& u) { u.click(kFirst + 6); }, 1},   // seven buttons: Ok last
        {0x41, 1, [](auto& u) { u.closeBox(); }, 64},         // closing answers Cancel when offered
        {6, 4, [](auto& u) { u.closeBox(); }, 4},             // else the default
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("buttons " + std::to_string(c.buttons));
        c.press(system.user());
        EXPECT_EQ(
            manager.showHistory("Vprašanje", kirva::platform::MessageIcon::Exclamation, c.buttons, c.defaultButton),
            c.answer);
    }
}

TEST_F(ErrorHistoryWindowTest, AThresholdOfThreeShowsTheLastThreeOnACopy) {
    manager.setHistoryThreshold(3);
    for (const char* text : {"ena", "dva", "tri", "štiri"}) notice(text);

    std::vector<HistoryEntry> shown;
    std::size_t afterwards = 99;
    manager.setHistoryWindow([&](const HistoryWindowRequest& request) {
        ErrorHistoryWindow window(system, request);
        system.user()
            .check([&](Window&) {
                shown = window.entries();
                manager.clearHistory();  // another thread reporting meanwhile does not touch the window's rows
                EXPECT_EQ(window.entries().size(), 3u);
            })
            .click(kFirst + 1);
        window.run();
        afterwards = window.entries().size();
        return window.result();
    });
    EXPECT_EQ(manager.showErrorHistory(), kirva::platform::ButtonOk);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].txt, "dva");
    EXPECT_EQ(shown[2].txt, "štiri");
    EXPECT_EQ(shown[2].category, "QRM");
    EXPECT_EQ(afterwards, 0u) << "the private copy is let go when the window closes";
}

TEST_F(ErrorHistoryWindowTest, TheLayoutHasTheListColumnsAndEightHiddenButtons) {
    const auto& layout = ErrorHistoryWindow::layout();
    ASSERT_EQ(layout.controls.size(), 10u);
    const auto& list = layout.controls[1];
    ASSERT_EQ(list.columns.size(), 2u);
    EXPECT_EQ(list.columns[0].heading.toUtf8(), "Message");
    EXPECT_EQ(list.columns[0].width, 217);
    EXPECT_EQ(list.columns[1].heading.toUtf8(), "Category");
    EXPECT_EQ(list.columns[1].width, 42);
    for (std::size_t i = 2; i < 10; ++i) EXPECT_TRUE(layout.controls[i].hidden);
}

TEST(ErrorHistoryWithoutWindow, TheWindowlessFrontKeepsItsOneMessageBox) {
    kirva::platform::HeadlessMessageBoxes boxes;
    ErrorManager manager;
    manager.setMessageBoxes(boxes);
    manager.initialize();
    manager.setHistoryThreshold(2);
    manager.addEntry(900, "ena", "Notice", ErrorLevel::Notice);
    manager.handleError(900);
    EXPECT_EQ(manager.showErrorHistory(), kirva::platform::ButtonOk);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption.toUtf8(), "Errors History");
    manager.shutdown();
}

}  // namespace
