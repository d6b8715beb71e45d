// Runs every folder under tests/cases/ as one story: its CSV files are imported into data files of a fresh
// Runs every folder under tests/cases/ as one story: its CSV files are imported into data files of a fresh
// folder, its command (export, count, summary, verify, import, dump, check or demo) runs there in-process with a fixed
// today, and the exit code, the two streams and the journal must match what the folder expects. In `args`, $DIR is the
// fresh folder and $CASE the case's own folder (for inputs such as a CSV to import). The journal must match byte for
// byte; when it does not, the first elements that differ are shown with their paths and texts. `expected-kept` lists
// files of raw/ that must be left byte for byte (an older journal a failed run keeps). KIRVA_UPDATE_GOLDEN=1 writes
// what came out as the new expectations (read them before committing).
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/date.h"
#include "platform/text1250.h"
#include "settings/settings_store.h"
#include "tests/support/test_folder.h"
#include "tests/support/xml_reader.h"
#include "tools/cli/cli.h"
#include "tools/cli/commands.h"
#include "tools/cli/export_commands.h"
#include "tools/cli/recap_commands.h"

namespace kirva::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kCases = fs::path(KIRVA_TEST_DIR) / "cases";

std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(kCases, ignored)) {
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class CurrentDirectory {
  public:
    explicit CurrentDirectory(const fs::path& path) : previous_(fs::current_path()) { fs::current_path(path); }
    ~CurrentDirectory() { fs::current_path(previous_); }

  private:
    fs::path previous_;
};

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) result.push_back(line);
    }
    return result;
}

// The first differences of two journals, element by element, readable in a terminal.
std::string describeDifference(const std::string& expected, const std::string& actual) {
    const auto want = readXmlEntries(expected);
    const auto got = readXmlEntries(actual);
    std::ostringstream out;
    if (!want.error.empty()) out << "expected.xml does not read: " << want.error << "\n";
    if (!got.error.empty()) out << "the journal does not read: " << got.error << "\n";
    int shown = 0;
    const std::size_t n = std::max(want.entries.size(), got.entries.size());
    for (std::size_t i = 0; i < n && shown < 8; ++i) {
        const XmlEntry none{"(none)", ""};
        const XmlEntry& w = i < want.entries.size() ? want.entries[i] : none;
        const XmlEntry& g = i < got.entries.size() ? got.entries[i] : none;
        if (w.path == g.path && w.text == g.text) continue;
        ++shown;
        out << "element " << i + 1 << ":\n  expected " << w.path << " = '" << cp1250ToUtf8(w.text) << "'\n  got      "
            << g.path << " = '" << cp1250ToUtf8(g.text) << "'\n";
    }
    if (shown == 0) out << "the elements and texts agree; the bytes between them differ\n";
    return out.str();
}

// Journals and unfinished temporary files anywhere under `folder`.
std::vector<std::string> leftovers(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".XML") || name.ends_with(".tmp")) found.push_back(entry.path().string());
    }
    return found;
}

class GoldenCase : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenCase, Runs) {
    const fs::path source = kCases / GetParam();
    const bool update = std::getenv("KIRVA_UPDATE_GOLDEN") != nullptr;
    TestFolder folder;
    const std::string dir = folder.path().string();
    CurrentDirectory inFolder(folder.path());

    fs::copy_file(source / "KIRVA.INI", folder.path() / "KIRVA.INI");
    for (const char* sub : {"data", "out"}) fs::create_directory(folder.path() / sub);
    // Files a case needs as they stand (a damaged data file, say).
    if (fs::exists(source / "raw")) {
        // File by file: MinGW's library refuses to copy a folder into one that exists.
        for (const auto& entry : fs::recursive_directory_iterator(source / "raw")) {
            const fs::path target = folder.path() / entry.path().lexically_relative(source / "raw");
            if (entry.is_directory()) {
                fs::create_directories(target);
            } else {
                fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
            }
        }
    }
    {
        settings::Settings settings;
        settings::DataFileNames names;
        settings::loadSettings("./KIRVA.INI", settings, names);
        for (const auto& [csv, name] : {std::pair{"FARACUN.csv", names.faracun}, std::pair{"SFENPA.csv", names.sfenpa},
                                        std::pair{"SFPARTN.csv", names.sfpartn}}) {
            if (!fs::exists(source / csv)) continue;
            std::ostringstream out, err;
            const int imported = cli::run({"import", cp1250ToUtf8(name), (source / csv).string()}, out, err);
            ASSERT_EQ(imported, 0) << csv << ": " << err.str();
        }
    }

    std::vector<std::string> args = lines(readFile((source / "args").string()));
    ASSERT_FALSE(args.empty()) << "the case has no command";
    for (auto& arg : args) arg = replaceAll(replaceAll(arg, "$DIR", dir), "$CASE", source.string());
    const std::string todayText =
        fs::exists(source / "today") ? lines(readFile((source / "today").string()))[0] : std::string("2019-06-15");
    const auto today = parseDate(todayText);
    ASSERT_TRUE(today.has_value()) << todayText;
    const FixedClock clock(*today);

    std::ostringstream out, err;
    const std::string command = args.front();
    const cli::Args rest(args.begin() + 1, args.end());
    int exit = -1;
    if (command == "export") {
        exit = cli::exportCommand(rest, out, err, clock);
    } else if (command == "count") {
        exit = cli::countCommand(rest, out, err, clock);
    } else if (command == "summary") {
        exit = cli::summaryCommand(rest, out, err, clock);
    } else if (command == "demo") {
        exit = cli::demoCommand(rest, out, err, clock);
    } else {
        ASSERT_TRUE(command == "import" || command == "dump" || command == "check" || command == "verify") << command;
        exit = cli::run(args, out, err);
    }
    const auto shown = [&](const std::string& text) {
        std::string result = replaceAll(replaceAll(text, source.string(), "$CASE"), dir, "$DIR");
#ifdef _WIN32
        // The paths the program prints have the system's backslashes; the expectations are written with '/'.
        std::string::size_type at = 0;
        while ((at = result.find("$DIR", at)) != std::string::npos) {
            for (; at < result.size() && result[at] != '\n' && result[at] != ' '; ++at) {
                if (result[at] == '\\') result[at] = '/';
            }
        }
#endif
        return result;
    };
    const std::string stdoutText = shown(out.str());
    const std::string stderrText = shown(err.str());

    std::string journal;
    const auto stdoutLines = lines(out.str());
    if (exit == 0 && command == "export" && !stdoutLines.empty()) journal = readFile(stdoutLines[0]);

    if (update) {
        writeFile((source / "expected-exit").string(), std::to_string(exit) + "\n");
        writeFile((source / "expected-stdout").string(), stdoutText);
        writeFile((source / "expected-stderr").string(), stderrText);
        if (!journal.empty())
            writeFile((source / "expected.xml").string(), journal);
        else
            fs::remove(source / "expected.xml");
        GTEST_SKIP() << "expectations written";
    }

    EXPECT_EQ(std::to_string(exit), lines(readFile((source / "expected-exit").string())).at(0));
    EXPECT_EQ(stdoutText, readFile((source / "expected-stdout").string()));
    EXPECT_EQ(stderrText, readFile((source / "expected-stderr").string()));

    std::vector<std::string> found = leftovers(folder.path());
    // Files of raw/ the case expects left exactly as they were (an older journal a failed run must keep).
    if (fs::exists(source / "expected-kept")) {
        for (const std::string& kept : lines(readFile((source / "expected-kept").string()))) {
            EXPECT_TRUE(readFile((folder.path() / kept).string()) == readFile((source / "raw" / kept).string()))
                << kept << " was not kept as it was";
            std::erase(found, (folder.path() / kept).make_preferred().string());
        }
    }
    if (fs::exists(source / "expected.xml")) {
        const std::string expected = readFile((source / "expected.xml").string());
        ASSERT_FALSE(journal.empty()) << "no journal was written";
        EXPECT_TRUE(expected == journal) << describeDifference(expected, journal);
        EXPECT_TRUE(readXmlEntries(journal).error.empty());
        ASSERT_EQ(found.size(), 1u) << "besides the journal: " << ::testing::PrintToString(found);
        EXPECT_EQ(found[0], stdoutLines[0]);
    } else {
        EXPECT_TRUE(found.empty()) << "left behind: " << ::testing::PrintToString(found);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenCase, ::testing::ValuesIn(caseNames()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                             std::string name = param.param;
                             std::replace_if(
                                 name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return name;
                         });

}  // namespace
}  // namespace kirva::testing
