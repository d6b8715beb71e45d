// The export window as a book-keeper uses it, on the headless window system: the period it opens with, the
// count after each accepted date, the wrong-dates warning, the build button's run, and the window's start
// and end with their warnings and their fatal case.
#include "export/export_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <utility>

#include "framework/window/window_controller.h"
#include "settings/settings_window.h"
#include "tests/support/desktop_test.h"
#include "tools/cli/export_commands.h"
#include "tools/demo/demo_files.h"

namespace kirva::exporting {
namespace {

namespace fs = std::filesystem;
using kirva::testing::readFile;
using platform::Window;

constexpr std::string_view kNoInvoices = " V knjigi izdanih računov ni podatkov za izbrano datumsko obdobje !";
constexpr std::string_view kWrongDates = " Verjetno ste izbrali napačna datuma.";
constexpr std::string_view kCompleted = " Konec izdelave temeljnice izdanih računov.";

class ExportWindowTest : public testing::DesktopTest {
  protected:
    // The demo book (September 2018 to February 2019 for 15 March 2019) with its KIRVA.INI.
    void demoData() {
        auto written = demo::writeDemo(folder.path().string(), demo::DemoOptions{}, clock());
        ASSERT_TRUE(written.ok()) << written.error().message;
    }
    fs::path outputFolder() const { return folder.path() / "XML"; }

    static std::string shown(const Window& window, int32_t control) { return cp1250ToUtf8(window.text(control)); }
    static bool ready(const Window& window) {
        return !window.isHidden(kBuildButton) && shown(window, kCancelButton).find("PREKLI") != std::string::npos;
    }
    static bool nothingToExport(const Window& window) {
        return window.isHidden(kBuildButton) && shown(window, kCancelButton).find("ZAPRI") != std::string::npos &&
               window.image(kCancelButton) == "exit";
    }
};

// Every text of a layout is Windows-1250: a UTF-8 literal that slipped through would show as mojibake.
void expectWindows1250(const platform::WindowLayout& layout) {
    auto check = [&](const std::string& text, int32_t control) {
        EXPECT_TRUE(isAscii(text) || !isValidUtf8(text)) << layout.name << " control " << control << ": " << text;
    };
    check(layout.caption, 0);
    for (const auto& c : layout.controls) {
        check(c.text, c.number);
        check(c.tooltip, c.number);
        check(c.statusText, c.number);
    }
}

TEST(ExportWindowLayout, HasItsControlsAndTextsInFieldOrder) {
    ExportState state;
    const platform::WindowLayout layout = exportWindowLayout(state);
    expectWindows1250(layout);
    expectWindows1250(settings::settingsWindowLayout(*std::make_unique<settings::Settings>()));
    EXPECT_EQ(layout.caption.size(), 96u);
    EXPECT_EQ(cp1250ToUtf8(layout.caption),
              "XML izdani RAČUNI za OPAL       TALMOR d.o.o.                ver. 1.02     21.5. 2019           ");
    EXPECT_EQ(layout.fontName, "Verdana");
    auto find = [&](int32_t number) -> const platform::ControlLayout& {
        for (const auto& c : layout.controls) {
            if (c.number == number) return c;
        }
        ADD_FAILURE() << "no control " << number;
        return layout.controls.front();
    };
    EXPECT_EQ(cp1250ToUtf8(find(kToDate).tooltip), "Do datuma izdanih računov");
    EXPECT_EQ(cp1250ToUtf8(find(kInvoicesTitle).text), "PODATKI O RAČUNIH");
    EXPECT_EQ(cp1250ToUtf8(find(kFirstPrompt).text), "Začetna številka :");
    EXPECT_EQ(cp1250ToUtf8(find(kFirstNumber).statusText), "Prva številka računa v izdelavi eRačunov");
    EXPECT_EQ(cp1250ToUtf8(find(kLastPrompt).text), "Končna številka :");
    EXPECT_EQ(cp1250ToUtf8(find(kLastNumber).tooltip), "Zadnja številka računa v izdelavi eRačunov");
    EXPECT_EQ(cp1250ToUtf8(find(kCountPrompt).text), "Število :");
    EXPECT_EQ(find(kCount).maxLength, 6u);
    EXPECT_EQ(find(kBuildButton).text, "  &IZDELAJ");
    EXPECT_EQ(find(kBuildButton).statusText, "Accept operation");
    EXPECT_EQ(find(kBuildButton).tooltip, "Potrdi");
    EXPECT_EQ(cp1250ToUtf8(find(kCancelButton).text), "&PREKLIČI");
    EXPECT_EQ(find(kCancelButton).statusText, "Cancel Operation");
    EXPECT_EQ(find(kCancelButton).tooltip, "Preklic dejanja");
    EXPECT_EQ(cp1250ToUtf8(find(kPeriodTitle).text), "OBDOBJE RAČUNOV (datum računa)  OD ... DO ...");
    EXPECT_EQ(find(kSettingsButton).text, "");
    EXPECT_EQ(find(kSettingsButton).image, "settings");
    // Field order: the controls listed by their numbers.
    for (std::size_t i = 0; i < layout.controls.size(); ++i)
        EXPECT_EQ(layout.controls[i].number, static_cast<int32_t>(i + 1));
}

struct DefaultPeriodCase {
    int year, month, day;
    const char* from;
    const char* to;
};

class DefaultPeriodTest : public ExportWindowTest, public ::testing::WithParamInterface<DefaultPeriodCase> {};

TEST_P(DefaultPeriodTest, TheWindowOpensOnThePreviousCalendarMonth) {
    const DefaultPeriodCase& c = GetParam();
    today(c.year, c.month, c.day);
    completeSettings();
    std::string from, to;
    user.check([&](Window& w) {
        from = w.text(kFromDate);
        to = w.text(kToDate);
    });
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(from, c.from);
    EXPECT_EQ(to, c.to);
}

INSTANTIATE_TEST_SUITE_P(Today, DefaultPeriodTest,
                         ::testing::Values(DefaultPeriodCase{2019, 3, 15, "01.02.2019", "28.02.2019"},
                                           DefaultPeriodCase{2020, 1, 1, "01.12.2019", "31.12.2019"}));

TEST_F(ExportWindowTest, OpensCountingThePeriodWithTheBuildButtonReady) {
    demoData();
    std::string count, first, last, font;
    bool isReady = false;
    user.check([&](Window& w) {
        count = w.text(kCount);
        first = w.text(kFirstNumber);
        last = w.text(kLastNumber);
        font = w.fontName();
        isReady = ready(w);
    });
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(isReady);
    EXPECT_NE(count, "");
    EXPECT_NE(count, "0");
    EXPECT_NE(first, "");
    EXPECT_NE(last, "");
    EXPECT_EQ(font, "Arial CE");
    EXPECT_TRUE(boxes().empty()) << ::testing::PrintToString(boxes());
    EXPECT_EQ(windows.transcript("open ").front(), "open IzdelavaXMLdatotekeIzdanihRacunov");
}

TEST_F(ExportWindowTest, APeriodEndingAfterTodayIsRefusedAndTheFocusGoesToTheToDate) {
    demoData();
    std::string countBefore, countAfter;
    int32_t focus = 0;
    user.check([&](Window& w) { countBefore = w.text(kCount); }).enter(kToDate, "20.03.2019").check([&](Window& w) {
        focus = w.focusedControl();
        countAfter = w.text(kCount);
    });
    runProgram();
    EXPECT_EQ(boxesStarting(kWrongDates), 1u);
    EXPECT_EQ(focus, kToDate);
    EXPECT_EQ(countAfter, countBefore);  // no count for wrong dates
}

TEST_F(ExportWindowTest, AFromDateAfterTheToDateIsRefused) {
    demoData();
    int32_t focus = 0;
    user.enter(kFromDate, "01.03.2019").check([&](Window& w) { focus = w.focusedControl(); });
    runProgram();
    EXPECT_EQ(boxesStarting(kWrongDates), 1u);
    EXPECT_EQ(focus, kToDate);
    EXPECT_EQ(boxesStarting(kNoInvoices), 0u);  // the refused period is not counted
}

// A refused period is never exported: the window shows it as nothing to export, and no key or button
// makes a journal of it (the invoice numbers on screen still name the last period counted), nor touches a
// journal of that name made earlier.
class RefusedPeriodTest
    : public ExportWindowTest,
      public ::testing::WithParamInterface<std::pair<const char*, void (*)(platform::ScriptedUser&)>> {};

TEST_P(RefusedPeriodTest, IsNeverExported) {
    demoData();
    // The journal of the demo period, made earlier today.
    std::ostringstream out, err;
    ASSERT_EQ(cli::exportCommand({}, out, err, clock()), 0) << err.str();
    const std::string journalName = out.str().substr(0, out.str().find('\n'));
    const std::string earlier = readFile(journalName);
    bool refusedLook = false, open = false;
    user.enter(kFromDate, "05.03.2019").check([&](Window& w) { refusedLook = nothingToExport(w); });
    GetParam().second(user);
    user.check([&](Window& w) { open = w.isOpen(); }).closeBox();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(refusedLook);
    EXPECT_TRUE(open);
    EXPECT_EQ(boxesStarting(kCompleted), 0u);
    EXPECT_EQ(journals(outputFolder()).size(), 1u);
    EXPECT_TRUE(readFile(journalName) == earlier) << "the earlier journal changed";
    EXPECT_EQ(framework::procedureResponse(), framework::ResponseCancelled);
}

INSTANTIATE_TEST_SUITE_P(
    ByAnyKeyOrButton, RefusedPeriodTest,
    ::testing::Values(std::pair{"AltI", +[](platform::ScriptedUser& u) { u.pressAccessKey('I'); }},
                      std::pair{"Click", +[](platform::ScriptedUser& u) { u.click(kBuildButton); }},
                      std::pair{"Enter", +[](platform::ScriptedUser& u) { u.focus(kBuildButton).pressEnter(); }}),
    [](const auto& way) { return std::string(way.param.first); });

// A settings file holding a value the program cannot hold does not stop the window: the reason is shown
// once, in Slovenian, naming the key and the file; the run is refused until the user corrects the value in
// the settings window; nothing is written to the file that the user did not confirm.
TEST_F(ExportWindowTest, AValueTheProgramCannotHoldIsShownOnceRefusedAndCorrectedInTheSettingsWindow) {
    demoData();
    setting("OPAL", "Firma", std::string(56, 'F'));
    const std::string before = readFile(ini());
    std::string firmaShown, iniWhileRefused;
    std::size_t reasonsAtStart = 0;
    user.check([&](Window&) { reasonsAtStart = boxes().size(); })
        .click(kBuildButton)
        .check([&](Window&) { iniWhileRefused = readFile(ini()); })
        .click(kSettingsButton)
        .check([&](Window& w) { firmaShown = cp1250ToUtf8(w.text(settings::kFirma)); })
        .enter(settings::kFirma, "ACME d.o.o.")
        .click(settings::kConfirmButton)
        .click(kBuildButton);
    EXPECT_EQ(runProgram(), 0);
    ASSERT_EQ(reasonsAtStart, 1u) << ::testing::PrintToString(boxes());
    const std::string reason = boxes()[0];
    EXPECT_NE(reason.find("Firma"), std::string::npos) << reason;
    EXPECT_NE(reason.find("./KIRVA.INI"), std::string::npos) << reason;
    EXPECT_NE(reason.find("56 znakov"), std::string::npos) << reason;
    EXPECT_EQ(reason.find("the "), std::string::npos) << reason;  // no English
    EXPECT_EQ(boxesStarting(" Temeljnica ni bila izdelana."), 1u);
    EXPECT_EQ(iniWhileRefused, before);
    EXPECT_EQ(firmaShown, std::string(50, 'F'));  // as far as the program holds it
    EXPECT_EQ(iniValue("OPAL", "Firma"), "ACME d.o.o.");
    EXPECT_EQ(boxesStarting(kCompleted), 1u);
    ASSERT_EQ(journals(outputFolder()).size(), 1u);
    EXPECT_TRUE(journals(outputFolder())[0].filename().string().starts_with("ACME d.o.o. "));
}

// A folder that makes a data-file name too long names no file the program may open: the window says why,
// opens none, and creates nothing under a cut name.
TEST_F(ExportWindowTest, AFolderThatMakesADataFileNameTooLongIsRefusedAndNothingIsCreated) {
    completeSettings();
    const fs::path deep = folder.path() / std::string(246 - folder.path().string().size() - 2, 'd');
    fs::create_directories(deep);
    setting("GLOBAL", "PotDoIzdanihRacunov", deep.string() + "/");
    bool closeLook = false;
    user.check([&](Window& w) { closeLook = nothingToExport(w); }).pressAccessKey('I');
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(closeLook);
    ASSERT_GE(boxes().size(), 1u);
    EXPECT_NE(boxes()[0].find("PotDoIzdanihRacunov"), std::string::npos) << boxes()[0];
    EXPECT_NE(boxes()[0].find("FARACUN.DB"), std::string::npos) << boxes()[0];
    EXPECT_NE(boxes()[0].find("256 znakov"), std::string::npos) << boxes()[0];
    EXPECT_TRUE(fs::is_empty(deep));
    EXPECT_TRUE(journals(folder.path()).empty());
}

TEST_F(ExportWindowTest, TheFromDateMayBeAcceptedWhileTheToDateIsEmptyButTheToDateMayNot) {
    demoData();
    std::size_t afterEmptyTo = 0, afterFrom = 0;
    user.enter(kToDate, "")
        .check([&](Window&) { afterEmptyTo = boxesStarting(kWrongDates); })
        .enter(kFromDate, "01.01.2019")
        .check([&](Window&) { afterFrom = boxesStarting(kWrongDates); });
    runProgram();
    EXPECT_EQ(afterEmptyTo, 1u);  // the to-date accepted as 0: refused
    EXPECT_EQ(afterFrom, 1u);     // the from-date accepted with the to-date 0: not refused
}

TEST_F(ExportWindowTest, AnAcceptedPeriodIsCountedAndEnterInADateFieldAcceptsIt) {
    demoData();
    std::string februaryCount, januaryCount, januaryFirst;
    user.check([&](Window& w) { februaryCount = w.text(kCount); })
        .type(kFromDate, "01.01.2019")
        .pressEnter()
        .type(kToDate, "31.01.2019")
        .pressEnter()
        .check([&](Window& w) {
            januaryCount = w.text(kCount);
            januaryFirst = w.text(kFirstNumber);
        });
    runProgram();
    EXPECT_TRUE(boxes().empty()) << ::testing::PrintToString(boxes());
    EXPECT_NE(januaryCount, "0");
    EXPECT_NE(januaryCount, "");
    EXPECT_NE(januaryCount, februaryCount);
}

TEST_F(ExportWindowTest, ASuccessfulRunWritesOneJournalAndClosesTheWindow) {
    demoData();
    user.click(kBuildButton);
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(framework::procedureResponse(), framework::ResponseCompleted);
    EXPECT_EQ(journals(outputFolder()).size(), 1u);
    EXPECT_EQ(boxesStarting(kCompleted), 1u);
    // The window closed after the run, before the script had anything more to do.
    EXPECT_TRUE(windows.transcript("script ran out").empty());
    EXPECT_EQ(windows.transcript("close ").size(), 1u);
}

TEST_F(ExportWindowTest, AFailedRunKeepsTheWindowOpenWithTheBuildButtonAvailable) {
    demoData();
    setting("GLOBAL", "PotDoXMLRacunov", folder / "missing/");
    bool open = false, buildAvailable = false;
    user.click(kBuildButton).check([&](Window& w) {
        open = w.isOpen();
        buildAvailable = !w.isHidden(kBuildButton) && !w.isDisabled(kBuildButton);
    });
    user.closeBox();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(open);
    EXPECT_TRUE(buildAvailable);
    EXPECT_EQ(boxesStarting(kCompleted), 0u);
    EXPECT_EQ(boxesStarting(" Temeljnica ni bila izdelana."), 1u);
    EXPECT_EQ(framework::procedureResponse(), framework::ResponseCancelled);
    EXPECT_FALSE(fs::exists(folder.path() / "missing"));
}

TEST_F(ExportWindowTest, AnEmptyPeriodShowsTheCloseButtonAndFocusMovesDoNotCountAgain) {
    completeSettings();  // an empty book: the files are made empty at the start
    bool closeLook = false, stillCloseLook = false, lookAfterAccept = false;
    int32_t focus = 0;
    std::size_t afterFocusMoves = 0;
    user.check([&](Window& w) {
            closeLook = nothingToExport(w);
            focus = w.focusedControl();
        })
        .focus(kFromDate)
        .pressTab()
        .focus(kFromDate)
        .check([&](Window& w) {
            afterFocusMoves = boxesStarting(kNoInvoices);
            stillCloseLook = nothingToExport(w);
        })
        .enter(kToDate, "27.02.2019")
        .check([&](Window& w) { lookAfterAccept = nothingToExport(w); });
    runProgram();
    EXPECT_TRUE(closeLook);
    EXPECT_EQ(focus, kCancelButton);
    EXPECT_EQ(afterFocusMoves, 1u);  // only the count at the start
    EXPECT_TRUE(stillCloseLook);
    EXPECT_EQ(boxesStarting(kNoInvoices), 2u);  // the accepted date counted again
    EXPECT_TRUE(lookAfterAccept);
}

TEST_F(ExportWindowTest, MissingFoldersAndIdentificationAreWarnedAboutAndTheWindowStillOpens) {
    // No KIRVA.INI: every folder empty, the data files made empty in the current folder.
    runProgram();
    ASSERT_GE(boxes().size(), 2u);
    EXPECT_EQ(boxes()[0], " OPOZORILO:  Poti do vhodnih in izhodnih podatkov računov niso nastavljene - NASTAVITVE !");
    EXPECT_EQ(boxes()[1], " OPOZORILO:  Identifikacijski podatki za firmo niso določeni - NASTAVITVE !");
    EXPECT_EQ(windows.transcript("open ").size(), 1u);
    EXPECT_TRUE(fs::exists(folder.path() / "FARACUN.DB"));
    EXPECT_EQ(iniValue("GLOBAL", "PotDoXMLRacunov"), "");  // written back at every start
}

TEST_F(ExportWindowTest, ADataFileThatCannotBeOpenedEndsTheProgramWithTheFatalMessage) {
    completeSettings();
    fs::create_directories(folder.path() / "SFENPA.DB");  // a folder where the file should be
    EXPECT_EQ(runProgram(), framework::kFatalExitCode);
    ASSERT_EQ(windows.shownBoxes().size(), 1u);
    EXPECT_EQ(windows.shownBoxes()[0].caption, "File Access Error");
    EXPECT_NE(boxes()[0].find("SFENPA.DB could not be opened"), std::string::npos) << boxes()[0];
    EXPECT_TRUE(windows.transcript("open ").empty());  // the window never opened
    // The program still went down in its order: the INI manager wrote its bookkeeping.
    EXPECT_EQ(iniValue("__Dont_Touch_Me__", "Sectors"), "0");
}

TEST_F(ExportWindowTest, TheSettingsButtonOpensTheSettingsWindowAndItsOutputFolderIsUsedAtOnce) {
    demoData();
    const fs::path elsewhere = folder.path() / "elsewhere";
    fs::create_directories(elsewhere);
    std::vector<std::string> opened;
    user.click(kSettingsButton)
        .enter(settings::kOutputFolder, elsewhere.string() + "/")
        .click(settings::kConfirmButton)
        .check([&](Window&) { opened = windows.transcript("open "); })
        .click(kBuildButton);
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(opened, (std::vector<std::string>{"open IzdelavaXMLdatotekeIzdanihRacunov", "open NastavitvePrograma"}));
    EXPECT_EQ(journals(elsewhere).size(), 1u);
    EXPECT_TRUE(journals(outputFolder()).empty());
    EXPECT_EQ(iniValue("GLOBAL", "PotDoXMLRacunov"), elsewhere.string() + "/");
}

TEST_F(ExportWindowTest, TheDataFilesKeepTheFoldersInForceWhenTheWindowOpened) {
    demoData();
    const fs::path empty = folder.path() / "empty";
    fs::create_directories(empty);
    std::string before, after;
    user.check([&](Window& w) { before = w.text(kCount); })
        .click(kSettingsButton)
        .enter(settings::kInvoiceFolder, empty.string() + "/")
        .click(settings::kConfirmButton)
        .enter(kFromDate, "02.02.2019")
        .enter(kFromDate, "01.02.2019")
        .check([&](Window& w) { after = w.text(kCount); });
    runProgram();
    EXPECT_EQ(after, before);  // still the book the window opened
    EXPECT_FALSE(fs::exists(empty / "FARACUN.DB"));
    EXPECT_EQ(iniValue("GLOBAL", "PotDoIzdanihRacunov"), empty.string() + "/");
}

TEST_F(ExportWindowTest, TheCancelButtonClosesTheWindowWithoutAJournal) {
    demoData();
    user.click(kCancelButton);
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(framework::procedureResponse(), framework::ResponseCancelled);
    EXPECT_TRUE(journals(outputFolder()).empty());
    EXPECT_TRUE(windows.transcript("script ran out").empty());
}

TEST_F(ExportWindowTest, WithoutAnOutputFolderTheBuildButtonsAccessKeyWritesNothingAnywhere) {
    demoData();
    setting("GLOBAL", "PotDoXMLRacunov", "");
    bool open = false;
    user.pressAccessKey('I').check([&](Window& w) { open = w.isOpen(); });
    user.closeBox();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(open);
    EXPECT_TRUE(journals(folder.path()).empty());
    EXPECT_TRUE(journals(outputFolder()).empty());
    EXPECT_EQ(boxesStarting(kCompleted), 0u);
}

TEST_F(ExportWindowTest, AccessKeysPressTheButtons) {
    demoData();
    user.pressAccessKey('i');
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(journals(outputFolder()).size(), 1u);
}

TEST_F(ExportWindowTest, TabGoesThroughEveryFieldAndButtonInTheirOrder) {
    demoData();
    std::vector<int32_t> order;
    auto note = [&](Window& w) { order.push_back(w.focusedControl()); };
    user.focus(kFromDate).check(note);
    for (int i = 0; i < 8; ++i) user.pressTab().check(note);
    runProgram();
    EXPECT_EQ(order, (std::vector<int32_t>{kFromDate, kToDate, kFirstNumber, kLastNumber, kCount, kBuildButton,
                                           kCancelButton, kSettingsButton, kFromDate}));
}

}  // namespace
}  // namespace kirva::exporting
