#include "tools/cli/export_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "export/export_run.h"
#include "tests/support/test_folder.h"

namespace kirva::cli {
namespace {

using kirva::testing::TestFolder;

DateNumber day(int year, int month, int dayOfMonth) {
    return *dateFromCivil(year, month, dayOfMonth);
}

TEST(DefaultPeriod, IsThePreviousCalendarMonth) {
    const std::vector<std::pair<DateNumber, exporting::Period>> cases = {
        {day(2019, 3, 15), {day(2019, 2, 1), day(2019, 2, 28)}},
        {day(2020, 1, 1), {day(2019, 12, 1), day(2019, 12, 31)}},
        {day(2020, 3, 31), {day(2020, 2, 1), day(2020, 2, 29)}},
        {day(2019, 6, 1), {day(2019, 5, 1), day(2019, 5, 31)}},
    };
    for (const auto& [today, period] : cases) {
        const auto got = exporting::defaultPeriod(today);
        EXPECT_EQ(got.from, period.from) << formatDateDots(today);
        EXPECT_EQ(got.to, period.to) << formatDateDots(today);
    }
}

struct UsageCase {
    Args args;
    int exit;
    std::string inErr;  // a part of what standard error must say
};

TEST(ExportCommandLine, BadUsageAndWrongDatesExitWithTwoAndSayWhy) {
    TestFolder folder;
    const std::string ini = folder / "KIRVA.INI";
    kirva::testing::writeFile(ini, "[GLOBAL]\nPotDoIzdanihRacunov=" + folder.path().string() + "/\n");
    const std::vector<UsageCase> cases = {
        {{"--from"}, 2, "option --from needs a value"},
        {{"--bogus"}, 2, "unknown option '--bogus'"},
        {{"extra"}, 2, "unexpected argument 'extra'"},
        {{"--from", "2019-13-01"}, 2, "'2019-13-01' is not a date"},
        {{"--from", "1.5.2019", "--to", "16.06.2019", "--ini", ini}, 2, "after today (15.06.2019)"},
        {{"--from=02.06.2019", "--to=01.06.2019", "--ini", ini}, 2, "is after the last 01.06.2019"},
        {{"--from", "16.06.2019", "--to", "16.06.2019", "--ini", ini}, 2, "Verjetno ste izbrali"},
    };
    const FixedClock clock(day(2019, 6, 15));
    for (const auto& c : cases) {
        using Command = int (*)(const Args&, std::ostream&, std::ostream&, const Clock&);
        for (Command command : {static_cast<Command>(exportCommand), static_cast<Command>(countCommand)}) {
            std::ostringstream out, err;
            const int exit = command(c.args, out, err, clock);
            EXPECT_EQ(exit, c.exit) << ::testing::PrintToString(c.args);
            EXPECT_NE(err.str().find(c.inErr), std::string::npos) << err.str();
            EXPECT_TRUE(out.str().empty()) << out.str();
        }
    }
    std::ostringstream out, err;
    EXPECT_EQ(exportCommand({"--help"}, out, err, clock), 0);
    EXPECT_NE(out.str().find("usage: kirva-cli export"), std::string::npos);
}

TEST(ExportCommandLine, ADataFileThatCannotBeOpenedExitsWithFour) {
    TestFolder folder;
    const std::string ini = folder / "KIRVA.INI";
    kirva::testing::writeFile(ini, "[GLOBAL]\nPotDoIzdanihRacunov=" + folder.path().string() + "/missing/\n");
    const FixedClock clock(day(2019, 6, 15));
    std::ostringstream out, err;
    EXPECT_EQ(exportCommand({"--ini", ini}, out, err, clock), 4);
    // The missing folder keeps the file manager from making the file: its fatal message ends the program.
    EXPECT_NE(err.str().find("creating " + folder.path().string() + "/missing/FARACUN.DB."), std::string::npos)
        << err.str();
}

// A settings file named with --ini must exist (only the program's own KIRVA.INI is made when missing), and
// a file that is not a settings file is refused: nothing is created or rewritten, and the exit code is 2.
TEST(ExportCommandLine, ASettingsFileThatIsMissingOrNotOneIsRefusedAndNothingIsWritten) {
    TestFolder folder;
    const std::string database = std::string("SQLite format 3\0", 16) + std::string(100, '\x01');
    kirva::testing::writeFile(folder / "FARACUN.DB", database);
    const FixedClock clock(day(2019, 6, 15));
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    for (const std::string& ini : {std::string("MISSING.INI"), std::string("FARACUN.DB")}) {
        using Command = int (*)(const Args&, std::ostream&, std::ostream&, const Clock&);
        for (Command command : {static_cast<Command>(exportCommand), static_cast<Command>(countCommand)}) {
            std::ostringstream out, err;
            EXPECT_EQ(command({"--ini", ini}, out, err, clock), 2) << ini;
            EXPECT_NE(err.str().find(ini), std::string::npos) << err.str();
            EXPECT_EQ(folder.names(), (std::set<std::string>{"FARACUN.DB"})) << ini;
            EXPECT_EQ(kirva::testing::readFile(folder / "FARACUN.DB"), database);
        }
    }
    std::filesystem::current_path(previous);
}

// The built program, as outside tests drive it: an empty book counts 0 and exits with 1.
TEST(ExportCommandLine, TheProgramCountsAnEmptyBook) {
    TestFolder folder;
    kirva::testing::writeFile(folder / "KIRVA.INI", "[OPAL]\nFirma=ACME\n");
#ifdef _WIN32
    // Absolute with its drive, as the test starts on the drive the build is on.
    std::string program = std::filesystem::absolute(KIRVA_CLI_PATH).string();
    std::replace(program.begin(), program.end(), '/', '\\');
    // cmd.exe: the exit code is what std::system gives back.
    const std::string command = "cd /d \"" + folder.path().string() + "\" && \"" + program +
                                "\" count --from 01.01.2019 --to 31.01.2019 >out.txt 2>err.txt";
    EXPECT_EQ(std::system(command.c_str()), 1);
#else
    const std::string command = "cd '" + folder.path().string() + "' && '" + KIRVA_CLI_PATH +
                                "' count --from 01.01.2019 --to 31.01.2019 >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
#endif
    EXPECT_EQ(kirva::testing::readFile(folder / "out.txt"), "0\n");
    EXPECT_NE(kirva::testing::readFile(folder / "err.txt").find(" OPOZORILO\n"), std::string::npos);
    // The missing data files were made, empty, as the program makes them.
    EXPECT_TRUE(folder.names().count("FARACUN.DB"));
}

// Past the file-size limit the write fails with its reason rather than the signal killing the program: exit
// 3, the reason said, no journal and no temporary left.
#ifndef _WIN32
// Windows has no file-size limit for a process; its counterpart is the read-only journal of the run tests.
TEST(ExportCommandLine, AFileSizeLimitFailsTheWriteWithItsReason) {
    TestFolder folder;
    const std::string cli = KIRVA_CLI_PATH;
    const std::string in = "cd '" + folder.path().string() + "' && ";
    ASSERT_EQ(std::system((in + "'" + cli + "' demo . >/dev/null 2>&1").c_str()), 0);
    // The signal as a shell gives it to a program it starts: not ignored.
    const auto previous = std::signal(SIGXFSZ, SIG_DFL);
    const int status =
        std::system((in + "(ulimit -f 16; exec '" + cli + "' export >out.txt 2>err.txt); echo $? >exit.txt").c_str());
    std::signal(SIGXFSZ, previous);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(kirva::testing::readFile(folder / "exit.txt"), "3\n");
    const std::string err = kirva::testing::readFile(folder / "err.txt");
    EXPECT_NE(err.find("the journal was not written: "), std::string::npos) << err;
    EXPECT_NE(err.find("File too large"), std::string::npos) << err;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path())) {
        const auto extension = entry.path().extension();
        EXPECT_TRUE(extension != ".XML" && extension != ".tmp") << entry.path();
    }
}
#endif

}  // namespace
}  // namespace kirva::cli
