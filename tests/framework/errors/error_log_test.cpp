#include "framework/errors/error_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framework/errors/error_manager.h"
#include "platform/text1250.h"
#include "tests/support/test_folder.h"

namespace kirva::framework {
namespace {

namespace fs = std::filesystem;
using platform::ButtonHelp;
using platform::ButtonOk;

using kirva::testing::TestFolder;

std::vector<std::string> readLines(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

ErrorLog::Stamp fixedStamp() {
    return {"21.05.2019", "14:03:07"};
}

TEST(ErrorLog, OpenWriteCloseCountUsesAndAppend) {
    TestFolder folder;
    const fs::path file = folder.path() / "QRMError.Log";
    ErrorLog log(file, fixedStamp);

    EXPECT_EQ(log.write("not open"), 5);
    EXPECT_EQ(log.open(), 0);
    EXPECT_TRUE(fs::exists(file));  // created on open
    EXPECT_EQ(log.open(), 0);       // nested use shares the open file
    EXPECT_EQ(log.usage(), 2);
    EXPECT_EQ(log.write(log.lineFor("first|line")), 0);
    EXPECT_EQ(log.close(), 0);
    EXPECT_EQ(log.usage(), 1);
    EXPECT_EQ(log.write(log.lineFor(cp1250("Šifra ž"))), 0);
    EXPECT_EQ(log.close(), 0);
    EXPECT_EQ(log.usage(), 0);
    EXPECT_EQ(log.close(), 0);  // closing a closed log changes nothing
    EXPECT_EQ(log.usage(), 0);

    EXPECT_EQ(log.open(), 0);  // a new open appends behind the earlier lines
    EXPECT_EQ(log.write(std::string(1100, 'x')), 0);
    EXPECT_EQ(log.close(true), 0);

    const auto lines = readLines(file);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "21.05.2019@14:03:07 --> first|line");
    EXPECT_EQ(lines[1], "21.05.2019@14:03:07 --> Šifra ž");  // written as UTF-8
    EXPECT_EQ(lines[2], std::string(ErrorLog::kLineSize, 'x'));
}

TEST(ErrorLog, FailuresAreReportedAsFive) {
    TestFolder folder;
    ErrorLog log(folder.path() / "missing-folder" / "QRMError.Log", fixedStamp);
    EXPECT_EQ(log.open(), 5);
    EXPECT_EQ(log.usage(), 0);
    EXPECT_EQ(log.write("x"), 5);
}

class ErrorReportingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        manager.setMessageBoxes(boxes);
        manager.setExitHook([this](int code) { exitCodes.push_back(code); });
        manager.setRuntimeErrorSource([] { return storage::StorageError{}; });
        manager.initialize();
    }

    TestFolder folder;
    platform::HeadlessMessageBoxes boxes;
    ErrorManager manager;
    std::vector<int> exitCodes;
};

TEST_F(ErrorReportingTest, LoggedLineCarriesTheShownText) {
    EXPECT_EQ(manager.errorLog()->path(), fs::path("QRMError.Log"));
    ErrorLog log(folder.path() / "QRMError.Log", fixedStamp);
    manager.setup(&log);
    manager.setLogErrors(true);
    manager.setFileName("FARACUN");
    manager.status().saveError = "File Not Found";
    manager.status().saveErrorCode = 2;

    manager.handleError(29);
    manager.askUser(41, ButtonOk, ButtonOk);  // questions asked directly are not logged

    ASSERT_EQ(boxes.shown().size(), 2u);
    const auto lines = readLines(log.path());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "21.05.2019@14:03:07 --> " + boxes.shown()[0].text.bytes());
    EXPECT_EQ(log.usage(), 0);
}

TEST_F(ErrorReportingTest, LogFailureStillShowsTheMessage) {
    ErrorLog log(folder.path() / "no" / "such" / "QRMError.Log", fixedStamp);
    manager.setup(&log);
    manager.setLogErrors(true);
    EXPECT_EQ(manager.handleError(28), ErrorLevel::Notice);
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(log.usage(), 0);
}

TEST_F(ErrorReportingTest, HistoryKeepsTheLastThresholdMessages) {
    manager.setHistoryThreshold(3);
    manager.setCategory(34, "Branje");
    const int ids[] = {28, 7, 34, 25};
    for (int id : ids) {
        EXPECT_EQ(manager.handleError(id), ErrorLevel::Notice);
    }
    EXPECT_TRUE(boxes.shown().empty());  // only the view level (3) is shown

    const auto history = manager.history();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].id, 7);
    EXPECT_EQ(history[1].id, 34);
    EXPECT_EQ(history[1].category, "Branje");
    EXPECT_EQ(history[2].id, 25);
    EXPECT_EQ(history[2].category, "QRM");
    EXPECT_EQ(history[2].txt, "This form cannot be used to insert a record");

    manager.clearHistory();
    EXPECT_TRUE(manager.history().empty());
}

TEST_F(ErrorReportingTest, NegativeThresholdKeepsEverything) {
    manager.setHistoryThreshold(-1);
    for (int i = 0; i < 5; ++i) manager.handleError(28);
    EXPECT_EQ(manager.history().size(), 5u);
}

TEST_F(ErrorReportingTest, FatalShowsTheHistoryWindowBeforeTheEnd) {
    std::vector<HistoryWindowRequest> windows;
    manager.setHistoryWindow([&](const HistoryWindowRequest& request) {
        windows.push_back(request);
        return ButtonOk;
    });
    manager.setHistoryThreshold(10);
    manager.setHistoryResetOnView(true);
    manager.setFileName("SFENPA");

    manager.handleError(28);  // a notice: recorded, not shown
    EXPECT_TRUE(windows.empty());
    EXPECT_EQ(manager.handleError(29), ErrorLevel::Fatal);

    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].caption, "File Access Error");
    EXPECT_EQ(windows[0].icon, platform::MessageIcon::Information);
    ASSERT_EQ(windows[0].entries.size(), 2u);
    EXPECT_EQ(windows[0].entries[1].txt,
              "File SFENPA could not be opened.  Error:  (0).  Press OK to end this application");
    EXPECT_EQ(exitCodes.size(), 1u);
    EXPECT_TRUE(manager.history().empty());  // reset on view
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(ErrorReportingTest, HistoryWithoutAWindowIsOneBox) {
    manager.setHistoryThreshold(5);
    manager.setHistoryViewLevel(5);
    manager.handleError(28);
    manager.handleError(5);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].caption.bytes(), "Add New Record?");
    EXPECT_EQ(boxes.shown()[1].text.bytes(),
              "There are no records available to process.|Record match not found, do you wish to add a new one?");

    boxes.clearShown();
    manager.setSilent(true);  // silent: recorded, never shown
    EXPECT_EQ(manager.handleError(28), ErrorLevel::Notice);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(manager.history().size(), 3u);
}

TEST_F(ErrorReportingTest, ErrorHistoryWindowHasHelpThenOk) {
    std::vector<HistoryWindowRequest> windows;
    manager.setHistoryWindow([&](const HistoryWindowRequest& request) {
        windows.push_back(request);
        return ButtonHelp;
    });
    EXPECT_EQ(manager.showErrorHistory(), ButtonHelp);
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].caption, "Errors History");
    EXPECT_EQ(windows[0].icon, platform::MessageIcon::Information);  // no icon given: the asterisk
    ASSERT_EQ(windows[0].buttons.size(), 2u);
    EXPECT_EQ(windows[0].buttons[0].label, "&Help");
    EXPECT_FALSE(windows[0].buttons[0].isDefault);
    EXPECT_EQ(windows[0].buttons[1].label, "O&k");
    EXPECT_TRUE(windows[0].buttons[1].isDefault);
}

TEST(HistoryButtons, AllEightFromHelpDownToOk) {
    const auto buttons = historyButtons(255, 16);
    std::vector<std::string> labels;
    for (const auto& button : buttons) labels.push_back(button.label);
    EXPECT_EQ(labels,
              (std::vector<std::string>{"&Help", "&Cancel", "&Ignore", "&Retry", "&Abort", "&No", "&Yes", "O&k"}));
    EXPECT_TRUE(buttons[3].isDefault);
    EXPECT_EQ(buttons[3].code, 16u);
    EXPECT_TRUE(historyButtons(0, 1).empty());
}

}  // namespace
}  // namespace kirva::framework
