// The desktop program from start to end on the headless window system: the order of its start-up steps, the
// folder it works in, the shut-down after the export window, and one whole run on demo data whose journal is
// the very journal kirva-cli writes for the same period.
#include "app/desktop_program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/dictionary.h"
#include "export/export_window.h"
#include "storage/upgrade/upgrade_component.h"
#include "tests/support/desktop_test.h"
#include "tools/cli/export_commands.h"
#include "tools/demo/demo_files.h"

namespace kirva::app {
namespace {

namespace fs = std::filesystem;
using kirva::testing::readFile;

class DesktopProgramTest : public kirva::testing::DesktopTest {};

TEST_F(DesktopProgramTest, StartsInItsOrderAndShutsDownAfterTheExportWindow) {
    completeSettings();
    std::vector<std::string> steps;
    std::size_t upgradeCallsAtToolkit = 0, upgradeCallsAtIcon = 0, upgradeCallsAtWindow = 0;
    DesktopOptions options;
    options.clock = &clock();
    options.startup.dictionary.lockRecover = 0;
    options.startup.initToolkit = [&](framework::IniManager& ini, std::string_view name) {
        steps.push_back("toolkit " + std::string(name) + " " + ini.fileName() +
                        (app::dictionaryActive() ? " after the dictionary" : " before the dictionary"));
        upgradeCallsAtToolkit = storage::upgradeComponent().calls().size();
    };
    options.startup.setApplicationIcon = [&](std::string_view icon) {
        steps.push_back("icon " + std::string(icon));
        upgradeCallsAtIcon = storage::upgradeComponent().calls().size();
    };
    user.check([&](platform::Window&) {
        steps.push_back("window");
        upgradeCallsAtWindow = storage::upgradeComponent().calls().size();
    });
    EXPECT_EQ(runDesktopProgram(windows, options), 0);
    EXPECT_EQ(steps,
              (std::vector<std::string>{"toolkit KIRVA ./KIRVA.INI after the dictionary", "icon XMLe.ICO", "window"}));
    EXPECT_EQ(upgradeCallsAtIcon, upgradeCallsAtToolkit);
    EXPECT_GT(upgradeCallsAtWindow, upgradeCallsAtIcon);  // the handle, and the registration once per process
    EXPECT_FALSE(app::dictionaryActive());                // taken down after the window
    EXPECT_EQ(iniValue("__Dont_Touch_Me__", "Sectors"), "0");
}

TEST_F(DesktopProgramTest, ReadsAndWritesTheKirvaIniOfTheFolderItIsStartedFrom) {
    completeSettings();
    const fs::path other = folder.path() / "other";
    fs::create_directories(other);
    fs::current_path(other);  // no KIRVA.INI here: the program must not reach for the one above
    runProgram();
    EXPECT_TRUE(fs::exists(other / "KIRVA.INI"));
    EXPECT_EQ(platform::readProfileString((other / "KIRVA.INI").string(), "GLOBAL", "PotDoXMLRacunov", "<missing>"),
              "");
    EXPECT_TRUE(fs::exists(other / "FARACUN.DB"));  // empty folders: the files of the current folder
    EXPECT_EQ(iniValue(settings::keys::potDoXmlRacunov), folderSetting());  // the first folder's file is untouched
}

TEST_F(DesktopProgramTest, ClosingAtOnceStillWritesTheIniManagersBookkeeping) {
    completeSettings();
    user.closeBox();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(framework::procedureResponse(), framework::ResponseCancelled);
    EXPECT_EQ(iniValue("__Dont_Touch_Me__", "Sectors"), "0");
    EXPECT_EQ(windows.transcript("close "), std::vector<std::string>{"close IzdelavaXMLdatotekeIzdanihRacunov"});
}

TEST_F(DesktopProgramTest, AFileThatIsNoSettingsFileEndsTheProgramAndIsLeftAsItIs) {
    // A journal named as the settings file by mistake.
    kirva::testing::writeFile(ini(), std::string("<?xml version=\"1.0\"?>\0\x01\x02<Prenos/>", 27));
    const std::string before = readFile(ini());
    EXPECT_EQ(runProgram(), framework::kFatalExitCode);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_NE(boxes()[0].find("Datoteke z nastavitvami ni mogoče uporabiti"), std::string::npos) << boxes()[0];
    EXPECT_NE(boxes()[0].find("ni datoteka z nastavitvami"), std::string::npos) << boxes()[0];
    EXPECT_EQ(boxes()[0].find("the "), std::string::npos) << boxes()[0];  // no English
    EXPECT_TRUE(windows.transcript("open ").empty());
    EXPECT_EQ(readFile(ini()), before);
    EXPECT_FALSE(fs::exists(folder.path() / "FARACUN.DB"));  // nothing made on the strength of it
}

TEST_F(DesktopProgramTest, AValueItCannotHoldOpensTheWindowWhichSaysWhyOnceAndWritesNothingBack) {
    completeSettings();
    // A control character in the identification: the journal could not carry it.
    setting(settings::keys::firmaOpal, "AC\x01ME");
    const std::string before = readFile(ini());
    user.closeBox();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(windows.transcript("open ").size(), 1u);
    // Said once (the other box is the empty book's warning).
    ASSERT_EQ(boxesStarting(" Nastavitev ni mogoče uporabiti v celoti."), 1u) << ::testing::PrintToString(boxes());
    EXPECT_NE(boxes()[0].find("Firma"), std::string::npos) << boxes()[0];
    EXPECT_NE(boxes()[0].find("0x01"), std::string::npos) << boxes()[0];
    EXPECT_EQ(boxes()[0].find("the "), std::string::npos) << boxes()[0];
    // Only the INI manager's bookkeeping is added; the settings stay byte for byte.
    EXPECT_TRUE(readFile(ini()).starts_with(before.substr(0, before.find("[__Dont_Touch_Me__]"))));
    EXPECT_EQ(iniValue(settings::keys::firmaOpal), "AC\x01ME");
}

TEST_F(DesktopProgramTest, TheWindowsJournalIsTheJournalKirvaCliWritesForThePeriod) {
    demo::DemoOptions demoOptions;
    demoOptions.invoices = 600;
    ASSERT_TRUE(demo::writeDemo(folder.path().string(), demoOptions, clock()).ok());
    const fs::path output = folder.path() / "XML";

    std::ostringstream out, err;
    ASSERT_EQ(cli::exportCommand({}, out, err, clock()), 0) << err.str();
    const std::vector<fs::path> cliJournals = journals(output);
    ASSERT_EQ(cliJournals.size(), 1u);
    const std::string cliJournal = readFile(cliJournals[0]);
    fs::remove(cliJournals[0]);

    user.click(exporting::kBuildButton);
    EXPECT_EQ(runProgram(), 0);
    const std::vector<fs::path> windowJournals = journals(output);
    ASSERT_EQ(windowJournals.size(), 1u);
    EXPECT_EQ(windowJournals[0].filename(), cliJournals[0].filename());
    EXPECT_TRUE(readFile(windowJournals[0]) == cliJournal) << "the journals differ";
    EXPECT_GT(cliJournal.size(), 1000u);
}

}  // namespace
}  // namespace kirva::app
