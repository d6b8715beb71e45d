// export and count run inside the export session, on the files the export window's relation managers
// open: what a user sees when a data file cannot be opened, the files made when they are missing, and the
// program's state after.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "app/dictionary.h"
#include "platform/ini/profile_file.h"
#include "platform/text1250.h"
#include "storage/upgrade/upgrade_component.h"
#include "tests/support/export_folder.h"
#include "tests/tools/tool_test_support.h"
#include "tools/cli/export_commands.h"

namespace kirva::cli {
namespace {

using kirva::testing::writeFile;
namespace fs = std::filesystem;

const Clock& kToday = kirva::testing::kExportToday;
const auto& kFiveFiles = kirva::testing::kExportFiles;

class ExportProgramTest : public kirva::testing::ExportFolderTest {
  protected:
    tooltest::Outcome command(const std::string& name,
                              const Args& period = {"--from", "01.05.2019", "--to", "31.05.2019"}) {
        Args args = period;
        args.insert(args.end(), {"--ini", ini});
        std::ostringstream out, err;
        tooltest::Outcome outcome;
        outcome.code = name == "export" ? exportCommand(args, out, err, kToday) : countCommand(args, out, err, kToday);
        outcome.out = out.str();
        outcome.err = err.str();
        return outcome;
    }

    std::vector<std::string> journals() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
            if (entry.path().extension() == ".XML" || entry.path().extension() == ".tmp")
                found.push_back(entry.path().string());
        }
        return found;
    }
};

struct Unopenable {
    std::string name;
    std::string file;                      // the data file that is spoilt, in data/
    bool asFolder;                         // a folder where the file should be; otherwise a file of garbage
    std::vector<std::string> openedFirst;  // the files the relation managers opened before it
};

TEST_F(ExportProgramTest, ADataFileThatCannotBeOpenedShowsMessage29AndEndsWithFour) {
    const std::vector<Unopenable> cases = {
        {"folder instead of FARACUN", "FARACUN.DB", true, {}},
        {"garbage SFENPA", "SFENPA.DB", false, {"FARACUN"}},
        {"folder instead of SaopRAC", "SaopRAC.DB", true, {"FARACUN", "SFENPA", "SFPARTN", "QFASTOR"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dataDir);
        fs::create_directories(dataDir);
        if (c.asFolder) {
            fs::create_directories(dataDir + c.file);
        } else {
            writeFile(dataDir + c.file, "this is not a database\n");
        }
        for (const char* name : {"export", "count"}) {
            SCOPED_TRACE(name);
            const auto outcome = command(name);
            EXPECT_EQ(outcome.code, DataFileError);
            EXPECT_EQ(outcome.out, "");
            // One box, the error manager's, and nothing after it.
            const std::string head = "File Access Error\nFile " + dataDir + c.file + " could not be opened.  Error: ";
            EXPECT_EQ(outcome.err.rfind(head, 0), 0u) << outcome.err;
            EXPECT_TRUE(outcome.err.ends_with(").  Press OK to end this application\n")) << outcome.err;
            EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 2) << outcome.err;
            if (!c.asFolder) {
                EXPECT_NE(outcome.err.find("file is not a database (26)"), std::string::npos);
            }
            EXPECT_TRUE(journals().empty());
            EXPECT_FALSE(app::dictionaryActive());
        }
    }
}

TEST_F(ExportProgramTest, AMissingDataFolderEndsWithTheCreationMessage) {
    fs::remove_all(dataDir);
    const auto outcome = command("export");
    EXPECT_EQ(outcome.code, DataFileError);
    EXPECT_EQ(outcome.err.rfind("File Creation Error\nError: (", 0), 0u) << outcome.err;
    EXPECT_NE(outcome.err.find("creating " + dataDir + "FARACUN.DB.  Press OK to end this application\n"),
              std::string::npos)
        << outcome.err;
    EXPECT_FALSE(fs::exists(dataDir));
}

TEST_F(ExportProgramTest, MissingDataFilesAreCreatedEmptyAndTheEndWritesTheIniBookkeeping) {
    const auto outcome = command("count");
    EXPECT_EQ(outcome.code, NothingInPeriod);
    EXPECT_EQ(outcome.out, "0\n");
    // Only the program's own warning: the new files open without a message.
    EXPECT_EQ(outcome.err, " OPOZORILO\n V knjigi izdanih računov ni podatkov za izbrano datumsko obdobje !\n");
    std::set<std::string> made;
    for (const auto& entry : fs::directory_iterator(dataDir)) made.insert(entry.path().filename().string());
    // The five and QFASTPO, which QFASTOR's relation opens; the files only related to them stay unmade.
    EXPECT_EQ(made, (std::set<std::string>{"FARACUN.DB", "QFASTOR.DB", "QFASTPO.DB", "SFENPA.DB", "SFPARTN.DB",
                                           "SaopRAC.DB"}));
    EXPECT_EQ(platform::readProfileString(ini, "__Dont_Touch_Me__", "Sectors", "<missing>"), "0");

    // A second run finds the files made by the first.
    const auto again = command("export");
    EXPECT_EQ(again.code, NothingInPeriod);
    EXPECT_TRUE(journals().empty());
}

TEST_F(ExportProgramTest, BadUsageAndWrongDatesTouchNoFile) {
    EXPECT_EQ(command("export", {"--from", "16.06.2019", "--to", "16.06.2019"}).code, BadUsage);
    EXPECT_EQ(command("count", {"--bogus"}).code, BadUsage);
    EXPECT_TRUE(fs::is_empty(dataDir));
    EXPECT_EQ(platform::readProfileString(ini, "__Dont_Touch_Me__", "Sectors", "<missing>"), "<missing>");
}

TEST_F(ExportProgramTest, EveryRunTakesAnUpgradeHandleAndTheProcessRegistersOnce) {
    const auto countOf = [](const std::vector<storage::UpgradeCall>& calls, const std::string& operation) {
        return std::count_if(calls.begin(), calls.end(), [&](const auto& call) { return call.operation == operation; });
    };
    const auto before = storage::upgradeComponent().calls();
    command("count");
    const auto first = storage::upgradeComponent().calls();
    EXPECT_EQ(countOf(first, "UpgradePassHandle"), countOf(before, "UpgradePassHandle") + 1);
    command("export");
    const auto second = storage::upgradeComponent().calls();
    ASSERT_EQ(second.size(), first.size() + 1);
    EXPECT_EQ(second.back().operation, "UpgradePassHandle");
    // The registration is in the record once, right after the handle of the run that made it.
    EXPECT_EQ(countOf(second, "UpgradeAddDriver"), 1);
    EXPECT_EQ(countOf(second, "UpgradeUsingFile"), 6);
    ASSERT_GE(second.size(), 2u);
    EXPECT_EQ(second[0].operation, "UpgradePassHandle");
    EXPECT_EQ(second[1].toString(), "UpgradeSetOption(\"inifilename\", \"./upgrade.ini\")");
}

}  // namespace
}  // namespace kirva::cli
