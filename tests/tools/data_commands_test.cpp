#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "data/csv.h"
#include "data/layout.h"
#include "data/record.h"
#include "platform/system_files.h"
#include "platform/text1250.h"
#include "storage/keyed_file.h"
#include "tests/tools/tool_test_support.h"
#include "tools/demo/demo_data.h"

namespace kirva::tooltest {
namespace {

using data::FieldType;
using data::Layout;
using data::Record;

const std::string kInvoiceHeader = "be,LetoDokumenta,INTERNASTEVDOKUMENTA,STEVILKARACUNA,DATUMDOKUMENTA,ZNESEKDEBET\n";

// ---- import and dump: round trips over every layout ----

// Records with a value in every column: key columns rise with the record's number, so key order is the
// order they were made in; every other column takes a value drawn over its whole domain.
std::vector<Record> sampleRecords(const Layout& layout, int count, uint64_t seed) {
    demo::Random random(seed);
    std::vector<bool> keyColumn(layout.fields.size(), false);
    for (std::size_t k = 0; k < layout.keys.size(); ++k) {
        for (auto f : layout.keyColumns(k)) keyColumn[f] = true;
    }
    static const std::vector<std::string> kAlphabet = {"a", "Z", "0", " ", ",", "\"", "\n", "\r", "č",
                                                       "Š", "ž", "€", "ß", "'", ";",  "x",  "y",  "Ö"};
    auto randomText = [&](std::size_t room) {
        std::string utf8;
        const auto length = random.below(std::min<std::size_t>(room, 60) + 1);
        for (std::size_t c = 0; c < length; ++c) utf8 += kAlphabet[random.below(kAlphabet.size())];
        while (!utf8.empty() && utf8.back() == ' ') utf8.pop_back();  // trailing blanks carry no meaning
        return cp1250(utf8);
    };
    std::vector<Record> records;
    for (int i = 0; i < count; ++i) {
        Record r(layout);
        for (std::size_t f = 0; f < layout.fields.size(); ++f) {
            const data::FieldDef& def = layout.fields[f];
            if (def.type == FieldType::Group) continue;
            for (std::size_t e = 0; e < def.elements; ++e) {
                bool ok = true;
                switch (def.type) {
                    case FieldType::Text:
                    case FieldType::CText: {
                        const std::size_t room = def.type == FieldType::CText ? def.size - 1 : def.size;
                        std::string text;
                        if (keyColumn[f]) {
                            text = room >= 4 ? "K" + std::string(3 - std::to_string(i).size(), '0') + std::to_string(i)
                                             : std::string(1, static_cast<char>('A' + i));
                        } else {
                            text = randomText(room);
                        }
                        ok = r.setText(f, Text1250::fromBytes(text), e).ok();
                        break;
                    }
                    case FieldType::Decimal: {
                        const int digits = static_cast<int>(def.size) * 2 - 1;
                        int64_t units = 0;
                        if (keyColumn[f]) {
                            units = i + 1;
                            for (int p = 0; p < def.places; ++p) units *= 10;
                        } else {
                            const auto used = random.between(1, digits);
                            for (int d = 0; d < used; ++d) units = units * 10 + static_cast<int64_t>(random.below(10));
                            if (random.chance(300)) units = -units;
                        }
                        ok = r.setDecimal(f, Decimal::fromUnits(units, def.places), e).ok();
                        break;
                    }
                    case FieldType::Date: {
                        const DateNumber low = *dateFromCivil(1801, 1, 1), high = *dateFromCivil(9999, 12, 31);
                        const int64_t value = keyColumn[f] ? *dateFromCivil(2020, 1, 1) + i
                                                           : (random.chance(200) ? 0 : random.between(low, high));
                        ok = r.setInteger(f, value, e).ok();
                        break;
                    }
                    default: {
                        int64_t low = 0, high = 255;
                        if (def.type == FieldType::Short) low = -32768, high = 32767;
                        if (def.type == FieldType::UShort) high = 65535;
                        if (def.type == FieldType::Long) low = INT32_MIN, high = INT32_MAX;
                        if (def.type == FieldType::ULong) high = UINT32_MAX;
                        ok = r.setInteger(f, keyColumn[f] ? i + 1 : random.between(low, high), e).ok();
                        break;
                    }
                }
                EXPECT_TRUE(ok) << layout.fullFieldName(f);
            }
        }
        for (std::size_t m = 0; m < layout.memos.size(); ++m)
            EXPECT_TRUE(r.setMemo(m, randomText(layout.memos[m].size)).ok());
        records.push_back(std::move(r));
    }
    return records;
}

class RoundTrip : public ::testing::TestWithParam<const Layout*> {};

TEST_P(RoundTrip, ImportThenDumpGivesTheSameFile) {
    const Layout& layout = *GetParam();
    TestFolder dir;
    const data::CsvWriter writer(layout);
    std::string csv = writer.header();
    for (const auto& r : sampleRecords(layout, 20, layout.recordSize)) ASSERT_TRUE(writer.append(r, csv).ok());
    writeFile(dir / "in.csv", csv);
    const std::string file = dir / (std::string(layout.label) + ".DB");

    const auto imported = cli({"import", file, dir / "in.csv"});
    ASSERT_EQ(imported.code, 0) << imported.err;
    EXPECT_EQ(imported.out, "imported 20 records into " + file + "\n");
    const auto dumped = cli({"dump", file});
    ASSERT_EQ(dumped.code, 0) << dumped.err;
    EXPECT_EQ(dumped.out, csv);
}

INSTANTIATE_TEST_SUITE_P(EveryLayout, RoundTrip, ::testing::ValuesIn(data::dictionaryLayouts()),
                         [](const auto& param) { return std::string(param.param->label); });

// ---- import: all or nothing ----

class Import : public ::testing::Test {
  protected:
    void SetUp() override {
        file = dir / "FARACUN.DB";
        writeFile(dir / "good.csv", kInvoiceHeader +
                                        "1,2024,1,100,2024-01-05,122.00\n"
                                        "1,2024,2,101,2024-01-06,-50.10\n");
        const auto loaded = cli({"import", file, dir / "good.csv"});
        ASSERT_EQ(loaded.code, 0) << loaded.err;
        before = readFile(file);
    }

    TestFolder dir;
    std::string file;
    std::string before;
};

TEST_F(Import, ABadLineAtTheEndLeavesTheFileExactlyAsItWas) {
    writeFile(dir / "bad.csv", kInvoiceHeader +
                                   "1,2024,3,102,2024-01-07,10.00\n"
                                   "1,2024,4,103,2024-01-08,10.00\n"
                                   "1,2024,5,104,2019-02-31,10.00\n");
    const auto refused = cli({"import", file, dir / "bad.csv"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(refused.err, dir / "bad.csv" +
                               ": line 4, column 5 (DATUMDOKUMENTA): '2019-02-31' is not a calendar date\n"
                               "kirva-cli import: 1 bad record in " +
                               dir / "bad.csv" + "; nothing was written to " + file + "\n");
    EXPECT_EQ(readFile(file), before);
    EXPECT_FALSE(fs::exists(file + "-journal"));
}

TEST_F(Import, ADuplicateOfARecordInTheFileRefusesTheWholeCsv) {
    writeFile(dir / "dup.csv", kInvoiceHeader +
                                   "1,2024,3,102,2024-01-07,10.00\n"
                                   "1,2024,2,999,2024-01-08,10.00\n");
    const auto refused = cli({"import", file, dir / "dup.csv"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find(": line 3: a record with the same unique FARACUN:KNJIGAKLJUC (BE 1, LETODOKUMENTA "
                               "2024, INTERNASTEVDOKUMENTA 2) is already in " +
                               file),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(readFile(file), before) << "the record before the duplicate was rolled back too";
}

TEST_F(Import, ADuplicateInsideTheCsvNamesBothLines) {
    const std::string fresh = dir / "NEW/FARACUN.DB";
    fs::create_directory(dir.path() / "NEW");
    writeFile(dir / "dup.csv", kInvoiceHeader +
                                   "1,2024,7,1,2024-01-07,10.00\n"
                                   "2,2024,7,1,2024-01-07,10.00\n"
                                   "1,2024,7,2,2024-01-08,10.00\n");
    const auto refused = cli({"import", fresh, dir / "dup.csv"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find("line 4: the unique key FARACUN:KNJIGAKLJUC (BE 1, LETODOKUMENTA 2024, "
                               "INTERNASTEVDOKUMENTA 7) repeats line 2"),
              std::string::npos)
        << refused.err;
    EXPECT_TRUE(fs::is_empty(dir.path() / "NEW")) << "a file that was missing stays missing";
}

TEST_F(Import, BadValuesIntoAMissingFileLeaveNoFile) {
    const std::string fresh = dir / "SFENPA.DB";
    writeFile(dir / "bad.csv", "PODJETJE,SIFRAPOSLOVNEENOTE\n1,x\n");
    EXPECT_EQ(cli({"import", fresh, dir / "bad.csv"}).code, 1);
    EXPECT_FALSE(fs::exists(fresh));
}

TEST_F(Import, OnlyAHeaderMakesAnEmptyFile) {
    const std::string fresh = dir / "sfenpa.db";
    writeFile(dir / "empty.csv", "PODJETJE\r\n");
    const auto made = cli({"import", fresh, dir / "empty.csv"});
    ASSERT_EQ(made.code, 0) << made.err;
    ASSERT_TRUE(fs::exists(fresh));
    const auto dumped = cli({"dump", fresh});
    EXPECT_EQ(dumped.code, 0);
    EXPECT_EQ(dumped.out, data::CsvWriter(data::sfenpaLayout()).header());
}

TEST_F(Import, AddsToRecordsAlreadyInTheFile) {
    writeFile(dir / "more.csv", kInvoiceHeader + "2,2023,1,5,2023-12-31,1.00\n");
    ASSERT_EQ(cli({"import", file, dir / "more.csv"}).code, 0);
    const auto dumped = cli({"dump", file, "--key", "faracun:racunkljuc"});
    ASSERT_EQ(dumped.code, 0) << dumped.err;
    // RACUNKLJUC orders by company, year, invoice number.
    const auto first = dumped.out.find("\n1,");
    const auto last = dumped.out.find("\n2,");
    EXPECT_NE(first, std::string::npos);
    EXPECT_GT(last, first);
    EXPECT_EQ(std::count(dumped.out.begin(), dumped.out.end(), '\n'), 4);
}

// Another import's work file beside the target is never taken over or removed.
TEST_F(Import, AnotherImportsWorkFileIsLeftAlone) {
    const std::string fresh = dir / "SFENPA.DB";
    writeFile(dir / "one.csv", "PODJETJE,SIFRAPOSLOVNEENOTE\n1,1\n");
    for (const std::string& name :
         {fresh + ".import-new", fresh + ".import-" + std::to_string(platform::currentProcessId()) + "-0"}) {
        writeFile(name, "another import's work");
    }
    const auto made = cli({"import", fresh, dir / "one.csv"});
    ASSERT_EQ(made.code, 0) << made.err;
    EXPECT_EQ(readFile(fresh + ".import-new"), "another import's work");
    EXPECT_EQ(readFile(fresh + ".import-" + std::to_string(platform::currentProcessId()) + "-0"),
              "another import's work");
    EXPECT_NE(cli({"dump", fresh}).out.find("\n1,1,0,"), std::string::npos);
}

// Imports racing into the same new file: one of those that found no file puts it in place, the others that
// found none fail and say so, and the file holds exactly the records of the imports that reported success.
// An import that starts after the file is in place adds to it (as into any existing file) and says so
// truthfully, so the test counts what each reported rather than how the processes happened to interleave.
// Run as separate processes, as users would.
TEST_F(Import, ConcurrentImportsIntoANewFileReportTheTruth) {
#ifdef _WIN32
    GTEST_SKIP() << "runs the imports as background jobs of a POSIX shell";
#else
    constexpr int kImports = 4;
    constexpr int kRows = 3000;
    const std::string fresh = dir / "RACE/SFENPA.DB";
    fs::create_directory(dir.path() / "RACE");
    std::string script;
    for (int i = 0; i < kImports; ++i) {
        std::string csv = "PODJETJE,SIFRAPOSLOVNEENOTE\n";
        for (int row = 1; row <= kRows; ++row) csv += std::to_string(i + 1) + "," + std::to_string(row) + "\n";
        writeFile(dir / ("in" + std::to_string(i) + ".csv"), csv);
        const std::string n = std::to_string(i);
        script += "('" + std::string(KIRVA_CLI_PATH) + "' import '" + fresh + "' '" + (dir / ("in" + n + ".csv")) +
                  "' >'" + (dir / ("out" + n)) + "' 2>'" + (dir / ("err" + n)) + "'; echo $? >'" + (dir / ("rc" + n)) +
                  "') & ";
    }
    ASSERT_EQ(std::system(("cd '" + dir.path().string() + "' && " + script + "wait").c_str()), 0);
    std::vector<int> succeeded, failed;
    for (int i = 0; i < kImports; ++i) {
        const std::string n = std::to_string(i);
        const std::string rc = readFile(dir / ("rc" + n));
        if (rc == "0\n") {
            succeeded.push_back(i);
            EXPECT_NE(readFile(dir / ("out" + n)).find("imported 3000 records"), std::string::npos);
        } else {
            failed.push_back(i);
            EXPECT_EQ(rc, "4\n");
            EXPECT_NE(readFile(dir / ("err" + n)).find("was created by someone else"), std::string::npos)
                << readFile(dir / ("err" + n));
        }
    }
    ASSERT_FALSE(succeeded.empty());
    const auto dumped = cli({"dump", fresh});
    ASSERT_EQ(dumped.code, 0);
    // Every record of every import that reported success, and not one of an import that failed: a file put in
    // place over another import's would have lost the earlier one's records.
    EXPECT_EQ(std::count(dumped.out.begin(), dumped.out.end(), '\n'),
              1 + kRows * static_cast<std::ptrdiff_t>(succeeded.size()));
    for (const int i : succeeded) {
        EXPECT_NE(dumped.out.find("\n" + std::to_string(i + 1) + ",1,"), std::string::npos) << "import " << i;
    }
    for (const int i : failed) {
        EXPECT_EQ(dumped.out.find("\n" + std::to_string(i + 1) + ","), std::string::npos) << "import " << i;
    }
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path() / "RACE")) left.insert(entry.path().filename().string());
    EXPECT_EQ(left, std::set<std::string>{"SFENPA.DB"});
#endif
}

// A row of twenty million empty fields is refused in the memory of its text, not of twenty million values;
// run under a memory limit as a separate process, as a user would meet it.
TEST_F(Import, ARowWithMillionsOfFieldsIsRefusedWithinAMemoryLimit) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#elif defined(_WIN32)
    GTEST_SKIP() << "the memory limit is set with ulimit, which Windows does not have";
#else
    const std::string fresh = dir / "SFENPA.DB";
    writeFile(dir / "wide.csv", "PODJETJE,SIFRAPOSLOVNEENOTE\n1" + std::string(20'000'000, ',') + "\n");
    const std::string command = "ulimit -v 400000; '" + std::string(KIRVA_CLI_PATH) + "' import '" + fresh + "' '" +
                                (dir / "wide.csv") + "' >'" + (dir / "out") + "' 2>'" + (dir / "err") + "'";
    const int status = std::system(("bash -c \"" + command + "\"").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << readFile(dir / "err");
    EXPECT_NE(readFile(dir / "err").find("line 2, column 3: the row has 20000001 values where the header names 2"),
              std::string::npos)
        << readFile(dir / "err");
    EXPECT_FALSE(fs::exists(fresh));
#endif
}

// ---- dump: key order ----

TEST(Dump, FollowsTheKeyItIsGiven) {
    TestFolder dir;
    writeFile(dir / "p.csv",
              "SIFRA,NAZIV\n"
              "3,Ana\n"
              "1,Žiga\n"
              "2,Boris\n");
    ASSERT_EQ(cli({"import", dir / "SFPARTN.DB", dir / "p.csv"}).code, 0);
    auto names = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"dump", dir / "SFPARTN.DB"});
        const auto dumped = cli(args);
        EXPECT_EQ(dumped.code, 0) << dumped.err;
        std::string order;
        std::istringstream lines(dumped.out);
        std::string line;
        std::getline(lines, line);
        while (std::getline(lines, line)) order += line.substr(0, line.find(',')) + " ";
        return order;
    };
    EXPECT_EQ(names({}), "1 2 3 ") << "the primary key SIFRAKLJUC";
    EXPECT_EQ(names({"--key", "NAZIVKLJUC"}), "3 2 1 ");
    EXPECT_EQ(names({"--key=SFPARTN:SifraKljuc"}), "1 2 3 ");
    const auto wrong = cli({"dump", dir / "SFPARTN.DB", "--key", "NAZIV"});
    EXPECT_EQ(wrong.code, 2);
    EXPECT_NE(wrong.err.find("SFPARTN has no key named 'NAZIV'; its keys: SFPARTN:NAZIVKLJUC"), std::string::npos)
        << wrong.err;
}

// ---- check ----

TEST(Check, ListsEachFailingFieldAndExitsWithOne) {
    TestFolder dir;
    writeFile(dir / "p.csv",
              "SIFRA,ZACETEKVALUTE,BONITETA,TECAJ,AVANSTIP,ZDRZAVAROVANJE,ZDRZAVARFAKTURA\n"
              "1,D,1,2,1,1,0\n"
              "2,d,1,2,1,1,0\n"
              "3,O,9,2,1,1,0\n");
    ASSERT_EQ(cli({"import", dir / "SFPARTN.DB", dir / "p.csv"}).code, 0);
    const auto checked = cli({"check", dir / "SFPARTN.DB"});
    EXPECT_EQ(checked.code, 1) << checked.err;
    EXPECT_EQ(checked.out,
              "record at position 2 (SIFRA 2): SFPARTN:ZACETEKVALUTE = 'd': Value Error: Od kdaj velja valuta  "
              "D-dur, O-opravljeno delo(dobava): 'DUR','Opravljeno delo-dobava'\n"
              "record at position 3 (SIFRA 3): SFPARTN:BONITETA = 9: Value Error: Bonitetni razred partnerja: "
              "'Prvi','Drugi','Tretji','Neplačnik','Blokada poslovanja'\n" +
                  dir / "SFPARTN.DB" + ": 3 records checked, 2 failures in 2 records\n");

    writeFile(dir / "ok.csv",
              "SIFRA,ZACETEKVALUTE,BONITETA,TECAJ,AVANSTIP,ZDRZAVAROVANJE,ZDRZAVARFAKTURA\n1,D,1,2,1,1,0\n");
    ASSERT_EQ(cli({"import", dir / "clean/SFPARTN.DB", dir / "ok.csv"}).code, 4) << "its folder is missing";
    fs::create_directory(dir.path() / "clean");
    ASSERT_EQ(cli({"import", dir / "clean/SFPARTN.DB", dir / "ok.csv"}).code, 0);
    EXPECT_EQ(cli({"check", dir / "clean/SFPARTN.DB"}).code, 0);
}

// ---- usage and exit codes ----

struct UsageCase {
    const char* name;
    std::vector<std::string> args;  // "@" stands for the test's folder
    int code;
    std::string errPart;  // on standard error (standard output for --help)
};

void PrintTo(const UsageCase& c, std::ostream* os) {
    *os << c.name;
}

class Usage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(Usage, GivesItsExitCodeAndOneClearLine) {
    TestFolder dir;
    writeFile(dir / "ok.csv", "PODJETJE,SIFRAPOSLOVNEENOTE\n1,1\n");
    std::vector<std::string> args;
    for (auto arg : GetParam().args) {
        if (const auto at = arg.find('@'); at != std::string::npos) arg.replace(at, 1, dir.path().string());
        args.push_back(arg);
    }
    const auto outcome = cli(args);
    EXPECT_EQ(outcome.code, GetParam().code) << outcome.err;
    const std::string& shown = outcome.code == 0 ? outcome.out : outcome.err;
    EXPECT_NE(shown.find(GetParam().errPart), std::string::npos) << shown;
    if (outcome.code != 0) {
        EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 1) << shown;
    }
}

const std::vector<UsageCase> kUsageCases = {
    {"ImportHelp", {"import", "--help"}, 0, "usage: kirva-cli import FILE CSV [--layout NAME]"},
    {"DumpHelp", {"dump", "--help"}, 0, "usage: kirva-cli dump FILE [--key NAME]"},
    {"CheckHelp", {"check", "-h"}, 0, "exit codes: 0 every record passes; 1 failures were found"},
    {"DemoHelp", {"demo", "--help"}, 0, "usage: kirva-cli demo DIR [--invoices N] [--seed S]"},
    {"ImportWithoutArguments", {"import"}, 2, "kirva-cli import: expected FILE and CSV"},
    {"ImportUnknownOption", {"import", "@/SFENPA.DB", "@/ok.csv", "--force"}, 2, "unknown option --force"},
    {"ImportOptionWithoutValue", {"import", "@/SFENPA.DB", "@/ok.csv", "--layout"}, 2, "--layout needs a value"},
    {"ImportUnknownLayout",
     {"import", "@/data.db", "@/ok.csv"},
     2,
     "no data file is named 'data' (name the layout with --layout NAME); known: APPINRA"},
    {"ImportLayoutOverride", {"import", "@/data.db", "@/ok.csv", "--layout", "sfenpa"}, 0, "imported 1 record"},
    {"ImportMissingCsv", {"import", "@/SFENPA.DB", "@/none.csv"}, 2, "cannot read the CSV file"},
    {"ImportIntoMissingFolder", {"import", "@/no/SFENPA.DB", "@/ok.csv"}, 4, "kirva-cli import: cannot create"},
    {"DumpMissingFile", {"dump", "@/SFENPA.DB"}, 4, "kirva-cli dump: cannot open"},
    {"DumpTwoFiles", {"dump", "@/SFENPA.DB", "@/SFPARTN.DB"}, 2, "expected one FILE"},
    {"CheckMissingFile", {"check", "@/FARACUN.DB"}, 4, "kirva-cli check: cannot open"},
    {"CheckNotADatabase", {"check", "@/ok.csv", "--layout", "SFENPA"}, 4, "kirva-cli check: cannot open"},
    {"DemoWithoutFolder", {"demo"}, 2, "expected the folder DIR"},
    {"DemoBadCount", {"demo", "@/d", "--invoices", "many"}, 2, "--invoices takes a whole number from 0 to 10000000"},
    {"DemoNegativeCount", {"demo", "@/d", "--invoices", "-5"}, 2, "--invoices takes a whole number"},
    {"DemoBadSeed", {"demo", "@/d", "--seed", "1x"}, 2, "--seed takes a whole number, not '1x'"},
    {"DemoTwoFolders", {"demo", "@/a", "@/b"}, 2, "unexpected argument"},
};

INSTANTIATE_TEST_SUITE_P(Table, Usage, ::testing::ValuesIn(kUsageCases),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kirva::tooltest
