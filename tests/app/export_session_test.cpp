// The export session: the export window's life without the window, as kirva-cli and the desktop program
// live it (start, count, run, end), and a fatal message taking the program down in order.
#include "app/export_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/dictionary.h"
#include "export/export_life.h"
#include "platform/text1250.h"
#include "tests/support/export_folder.h"

namespace kirva::app {
namespace {

using kirva::testing::writeFile;
namespace fs = std::filesystem;

const Clock& kToday = kirva::testing::kExportToday;
const auto& kFiveFiles = kirva::testing::kExportFiles;

class ExportSessionTest : public kirva::testing::ExportFolderTest {
  protected:
    platform::HeadlessMessageBoxes boxes;
    exporting::WindowlessFront front{boxes};
};

TEST_F(ExportSessionTest, TheProgramOpensAndClosesAsTheExportWindowDoes) {
    auto& errors = framework::errorManager();
    {
        ExportSession program(ini, front, kToday);
        ASSERT_TRUE(dictionaryActive());
        EXPECT_GT(errors.entryCount(), 0u);
        EXPECT_EQ(iniManager().fileName(), ini);
        EXPECT_EQ(accessOf("FARACUN")->opened(), 0);

        ASSERT_TRUE(program.start());
        EXPECT_EQ(errors.getProcedureName(), "IzdelavaXMLdatotekeIzdanihRacunov");
        EXPECT_EQ(program.names().faracun, dataDir + "FARACUN.DB");
        EXPECT_EQ(clipRight(program.settings().firmaOpal).toUtf8(), "TALMOR");
        for (const char* label : kFiveFiles) {
            SCOPED_TRACE(label);
            EXPECT_EQ(accessOf(label)->opened(), 1);
            EXPECT_TRUE(fileOf(label)->storage().isOpen());
        }
        EXPECT_TRUE(accessOf("QFASTPO")->used());
        // The export reads the very files the managers opened.
        exporting::ExportFiles files = program.files();
        EXPECT_EQ(&files.faracun, &fileOf("FARACUN")->storage());
        EXPECT_EQ(&files.sfpartnRecord, &fileOf("SFPARTN")->record());

        program.end();
        for (const char* label : {"FARACUN", "SFENPA", "SFPARTN", "QFASTOR", "SaopRAC", "QFASTPO", "FAPARAC"}) {
            SCOPED_TRACE(label);
            EXPECT_EQ(accessOf(label)->opened(), 0);
            EXPECT_FALSE(fileOf(label)->storage().isOpen());
        }
        EXPECT_EQ(errors.getProcedureName(), "");
        EXPECT_FALSE(iniManager().sectors() == std::nullopt);
    }
    // Shut down in order: the INI manager's list written and let go, the dictionary taken down, the error
    // manager's messages dropped.
    EXPECT_EQ(iniManager().sectors(), std::nullopt);
    EXPECT_FALSE(dictionaryActive());
    EXPECT_EQ(errors.entryCount(), 0u);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(ExportSessionTest, AfterAFatalOpenTheFilesOpenedBeforeAreClosedAgain) {
    fs::create_directories(dataDir + "SFPARTN.DB");
    ExportSession program(ini, front, kToday);
    EXPECT_FALSE(program.start());
    EXPECT_EQ(program.fatalExitCode(), framework::kFatalExitCode);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption.bytes(), "File Access Error");
    EXPECT_EQ(accessOf("FARACUN")->opened(), 1);
    EXPECT_EQ(accessOf("SFENPA")->opened(), 1);
    EXPECT_EQ(accessOf("QFASTOR")->opened(), 0);  // never reached
    program.end();
    for (const char* label : kFiveFiles) EXPECT_EQ(accessOf(label)->opened(), 0) << label;
}

TEST_F(ExportSessionTest, CountsThePeriodAndEndsOnceOnTheFilesItMade) {
    ExportSession session(ini, front, kToday);
    ASSERT_TRUE(session.start());
    exporting::ExportState state;
    state.period = exporting::defaultPeriod(kToday.today());
    ASSERT_TRUE(session.count(state));
    EXPECT_EQ(state.steviloRacunov, 0);
    // The empty period is the program's own warning, through the front's boxes.
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption.bytes(), " OPOZORILO");
    session.end();
    session.end();
    EXPECT_EQ(accessOf("FARACUN")->opened(), 0);
}

TEST_F(ExportSessionTest, WarnsAboutMissingFoldersAndIdentificationOnceTheWindowIsOpen) {
    struct Case {
        std::string name;
        std::string ini;
        std::vector<std::string> texts;
    };
    const std::string folders = cp1250(" Poti do vhodnih in izhodnih podatkov računov niso nastavljene - NASTAVITVE !");
    const std::string identification = cp1250(" Identifikacijski podatki za firmo niso določeni - NASTAVITVE !");
    const std::string dataFolders = "[GLOBAL]\nPotDoIzdanihRacunov=" + dataDir + "\nPotDoPartnerjev=" + dataDir + "\n";
    const std::string output = "PotDoXMLRacunov=" + (folder / "out/") + "\n";
    const std::vector<Case> cases = {
        {"all set", dataFolders + output + "[OPAL]\nFirma=TALMOR\nKljuc=K-1\n", {}},
        {"no output folder, no identification", dataFolders, {folders, identification}},
        {"no key", dataFolders + output + "[OPAL]\nFirma=TALMOR\n", {identification}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(ini, c.ini);
        ExportSession session(ini, front, kToday);
        ASSERT_TRUE(session.start());
        boxes.clearShown();
        session.warnAboutMissingSettings();
        ASSERT_EQ(boxes.shown().size(), c.texts.size());
        for (std::size_t i = 0; i < c.texts.size(); ++i) {
            EXPECT_EQ(boxes.shown()[i].text.bytes(), c.texts[i]);
            EXPECT_EQ(boxes.shown()[i].caption.bytes(), " OPOZORILO");
        }
    }
}

// The export window takes the session's steps one by one (as exporting::ExportLife): each balances once,
// whatever order a failing start leaves them in, and finish() gives the program's exit code once.
TEST_F(ExportSessionTest, TheWindowsStepsBalanceOnceAndFinishGivesTheExitCode) {
    auto& errors = framework::errorManager();
    {
        ExportSession session(ini, front, kToday);
        exporting::ExportLife& life = session;
        life.closeFiles();  // nothing opened yet: nothing closed
        EXPECT_EQ(accessOf("FARACUN")->opened(), 0);
        life.beginProcedure();
        life.beginProcedure();
        EXPECT_EQ(errors.getProcedureName(), "IzdelavaXMLdatotekeIzdanihRacunov");
        life.loadSettings();
        EXPECT_EQ(life.names().faracun, dataDir + "FARACUN.DB");
        ASSERT_EQ(life.openFiles(), framework::ResultDone);
        EXPECT_FALSE(life.ended());
        EXPECT_EQ(&life.files().faracun, &fileOf("FARACUN")->storage());
        life.closeFiles();
        life.closeFiles();
        for (const char* label : kFiveFiles) EXPECT_EQ(accessOf(label)->opened(), 0) << label;
        life.endProcedure();
        EXPECT_EQ(errors.getProcedureName(), "");  // registered once, so removed once
        EXPECT_EQ(session.finish(), 0);
        EXPECT_FALSE(dictionaryActive());
        EXPECT_EQ(session.finish(), 0);  // the destructor's call changes nothing either
    }

    fs::remove(dataDir + "SFPARTN.DB");
    fs::create_directories(dataDir + "SFPARTN.DB");  // FARACUN and SFENPA open, then SFPARTN fails
    ExportSession session(ini, front, kToday);
    exporting::ExportLife& life = session;
    life.beginProcedure();
    life.loadSettings();
    EXPECT_NE(life.openFiles(), framework::ResultDone);
    EXPECT_TRUE(life.ended());
    EXPECT_EQ(accessOf("FARACUN")->opened(), 1);
    life.closeFiles();  // balances the partly successful opening
    for (const char* label : kFiveFiles) EXPECT_EQ(accessOf(label)->opened(), 0) << label;
    life.endProcedure();
    EXPECT_EQ(session.finish(), framework::kFatalExitCode);
}

// Without an owner that ends the work itself, a fatal message ends the process: the program is taken down
// in order first, so the dictionary's managers end before the thread's file registries they use. Ending
// straight away destroyed the registries first and crashed (exit 139).
TEST_F(ExportSessionTest, AFatalMessageEndsTheProcessInOrderWithExitCode4) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    fs::create_directories(dataDir + "SFPARTN.DB");  // FARACUN and SFENPA open first, then SFPARTN fails
    const auto startAsTheDesktopProgramDoes = [this] {
        Program program{framework::errorManager(), iniManager(), {}, {}, {}};
        StartupOptions options;
        options.settingsFileName = ini;
        startUp(program, options);
        program.errors.registerProcedureName(kExportProcedureName);
        exportWindowStart(program);
        std::_Exit(99);  // not reached: the fatal message ends the process
    };
    EXPECT_EXIT(startAsTheDesktopProgramDoes(), ::testing::ExitedWithCode(framework::kFatalExitCode),
                "File Access Error");
}

}  // namespace
}  // namespace kirva::app
