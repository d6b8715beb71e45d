// summary and verify on realistic demo data: the recap from the book and the recap from the journal that
// the export wrote agree line for line and equal the journal's own Debet and Kredit per Konto; journals
// spoiled in one way each fail verify naming what is wrong, and none of them crashes it.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "platform/decimal.h"
#include "platform/text1250.h"
#include "tests/support/xml_reader.h"
#include "tests/tools/tool_test_support.h"
#include "tools/cli/commands.h"
#include "tools/cli/export_commands.h"
#include "tools/cli/recap_commands.h"

namespace kirva::tooltest {
namespace {

class RecapCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = fs::current_path();
        fs::current_path(folder_.path());
        std::ostringstream out, err;
        ASSERT_EQ(cli::demoCommand({".", "--invoices", "400", "--seed", "7"}, out, err, clock_), 0) << err.str();
        std::ostringstream path, exportErr;
        ASSERT_EQ(cli::exportCommand({}, path, exportErr, clock_), 0) << exportErr.str();
        journal_ = path.str().substr(0, path.str().find('\n'));
    }
    void TearDown() override { fs::current_path(previous_); }

    Outcome summary(const std::vector<std::string>& args) {
        std::ostringstream out, err;
        Outcome outcome;
        outcome.code = cli::summaryCommand(args, out, err, clock_);
        outcome.out = out.str();
        outcome.err = err.str();
        return outcome;
    }

    TestFolder folder_;
    fs::path previous_;
    FixedClock clock_{*parseDate("2019-06-15")};
    std::string journal_;
};

TEST_F(RecapCommands, BookAndJournalAgreeWithTheJournalsOwnSums) {
    const Outcome book = summary({"--format", "csv"});
    ASSERT_EQ(book.code, 0) << book.err;
    const Outcome check = cli({"verify", journal_, "--format", "csv"});
    ASSERT_EQ(check.code, 0) << check.err;
    EXPECT_EQ(book.out, check.out);

    // The sums taken here from the journal's elements, by a reader of its own.
    const auto entries = testing::readXmlEntries(readFile(journal_));
    ASSERT_TRUE(entries.error.empty()) << entries.error;
    std::map<uint64_t, std::pair<Decimal, Decimal>> sums;
    uint64_t konto = 0;
    for (const auto& entry : entries.entries) {
        const std::string leaf = entry.path.substr(entry.path.rfind('/') + 1);
        if (leaf == "Konto") konto = std::stoull(entry.text);
        if (leaf != "Debet" && leaf != "Kredit") continue;
        auto& [debit, credit] =
            sums.try_emplace(konto, Decimal::fromUnits(0, 2), Decimal::fromUnits(0, 2)).first->second;
        const Decimal amount = *Decimal::parse(std::string(clipRight(entry.text)), 2);
        (leaf == "Debet" ? debit : credit) = *(leaf == "Debet" ? debit : credit).plus(amount);
    }
    std::string expected = "Konto;Debet;Kredit\n";
    for (const auto& [account, totals] : sums) {
        expected += std::to_string(account) + ";" + totals.first.toString() + ";" + totals.second.toString() + "\n";
    }
    EXPECT_EQ(book.out, expected);
    EXPECT_GT(sums.size(), 5u);

    // The text and JSON recaps agree too (but for their titles).
    const Outcome bookJson = summary({"--format", "json"});
    const Outcome checkJson = cli({"verify", journal_, "--format", "json"});
    const auto withoutImbalances = [](const std::string& json) { return json.substr(0, json.find("\"warnings\"")); };
    EXPECT_EQ(withoutImbalances(bookJson.out), withoutImbalances(checkJson.out));
}

struct Spoiling {
    const char* name;
    std::string (*spoil)(std::string journal);
    std::vector<int> exits;
    const char* named;  // a text the error output must hold
};

std::string replaceNth(std::string text, const std::string& from, const std::string& to, int n) {
    std::size_t at = 0;
    for (int i = 0; i <= n; ++i) {
        at = text.find(from, i == 0 ? 0 : at + 1);
        if (at == std::string::npos) return text;
    }
    return text.replace(at, from.size(), to);
}

const Spoiling kSpoilings[] = {
    {"one amount changed",
     [](std::string j) { return replaceNth(j, "<Debet>", "<Debet>1", 1); },
     {1},
     "document 2 (invoice "},
    {"cut in half", [](std::string j) { return j.substr(0, j.size() / 2); }, {1, 2}, "ends inside"},
    {"cut after the declaration", [](std::string j) { return j.substr(0, 50); }, {1, 2}, "ends"},
    {"empty file", [](std::string) { return std::string(); }, {1, 2}, "XML declaration"},
    {"declared UTF-8",
     [](std::string j) { return replaceNth(j, "Windows-1250", "UTF-8", 0); },
     {1},
     "declared as Windows-1250"},
    {"written as UTF-8", [](std::string j) { return cp1250ToUtf8(j); }, {1}, "UTF-8"},
    {"market left out",
     [](std::string j) { return replaceNth(j, "<Trg>", "<Xrg>", 0).replace(j.find("</Trg>"), 6, "</Xrg>"); },
     {1},
     "Trg"},
    {"a date spoiled",
     [](std::string j) { return replaceNth(j, "<Datum_dokumenta>20", "<Datum_dokumenta>x0", 2); },
     {1},
     "not a date"},
    {"binary bytes",
     [](std::string j) { return replaceNth(j, "TALMOR KIRVA", std::string("TALMOR\x01\x00\xff KIRVA", 15), 0); },
     {1},
     "control character 0x01"},
    {"deep nesting",
     [](std::string j) {
         std::string deep;
         for (int i = 0; i < 100000; ++i) deep += "<a>";
         return replaceNth(j, "<Telo>", "<Telo>" + deep, 0);
     },
     {1},
     "deeper"},
    {"a doctype",
     [](std::string j) { return replaceNth(j, "<Prenos>", "<!DOCTYPE Prenos [<!ENTITY x \"y\">]><Prenos>", 0); },
     {1},
     "document type"},
};

TEST_F(RecapCommands, SpoiledJournalsFailNamingTheFault) {
    const std::string good = readFile(journal_);
    for (const Spoiling& s : kSpoilings) {
        SCOPED_TRACE(s.name);
        writeFile("spoiled.xml", s.spoil(good));
        const Outcome check = cli({"verify", "spoiled.xml"});
        EXPECT_NE(std::find(s.exits.begin(), s.exits.end(), check.code), s.exits.end()) << check.code << check.err;
        EXPECT_NE(check.err.find(s.named), std::string::npos) << check.err;
    }
}

TEST_F(RecapCommands, UsageAndUnreadableFiles) {
    EXPECT_EQ(cli({"verify"}).code, 2);
    EXPECT_EQ(cli({"verify", "a.xml", "b.xml"}).code, 2);
    EXPECT_EQ(cli({"verify", "a.xml", "--format", "xls"}).code, 2);
    const Outcome missing = cli({"verify", "none.xml"});
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("none.xml: cannot be read"), std::string::npos) << missing.err;
    EXPECT_EQ(cli({"verify", "."}).code, 2);
    EXPECT_EQ(cli({"verify", "--help"}).code, 0);
    EXPECT_EQ(summary({"--format"}).code, 2);
    EXPECT_EQ(summary({"--from", "01.07.2019"}).code, 2);  // after today
    EXPECT_EQ(summary({"--help"}).code, 0);
}

}  // namespace
}  // namespace kirva::tooltest
