#include "data/csv.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/text1250.h"
#include "tests/data/csv_test_layout.h"

namespace kirva::data {
namespace {

using testing::csvTestLayout;

const char* const kHeader =
    "BYTEF,SHORTF,ULONGF,LONGF,NAZIV,OZNAKA,ZNESEK,STOPNJA,DATUM,DRZ,STEV,DELNO[1],DELNO[2],DELNO[3],DATUMI[1],"
    "DATUMI[2],OPOMBE\n";

std::string dumpAll(const CsvReadResult& read) {
    CsvWriter writer(csvTestLayout());
    std::string out = writer.header();
    for (const auto& r : read.records) EXPECT_TRUE(writer.append(r.record, out).ok());
    return out;
}

TEST(CsvColumns, FollowTheLayoutWithArraysExpandedGroupsLeftOutAndMemosLast) {
    std::string header;
    for (const auto& c : csvColumns(csvTestLayout())) header += (header.empty() ? "" : ",") + c.name;
    EXPECT_EQ(header + "\n", kHeader);
    EXPECT_EQ(CsvWriter(csvTestLayout()).header(), kHeader);
}

TEST(CsvRead, StoresEveryKindOfValue) {
    const std::string csv = std::string(kHeader) +
                            "255,-32768,4294967295,-2147483648,Čevapčiči,abcd,-12345678901.23,999.99,2019-05-21,SI,"
                            "42,1.5,-2,0.01,1801-01-01,9999-12-31,\"z, vejico\"\n";
    const auto read = readCsv(csvTestLayout(), csv);
    ASSERT_TRUE(read.ok()) << read.problems[0].text();
    ASSERT_EQ(read.records.size(), 1u);
    const Record& r = read.records[0].record;
    EXPECT_EQ(r.integer(0), 255);
    EXPECT_EQ(r.integer(1), -32768);
    EXPECT_EQ(r.integer(2), 4294967295LL);
    EXPECT_EQ(r.integer(3), -2147483648LL);
    EXPECT_EQ(r.text(4).bytes(), cp1250("Čevapčiči "));
    EXPECT_EQ(r.text(5).bytes(), "abcd");
    EXPECT_EQ(r.decimal(6)->toString(), "-12345678901.23");
    EXPECT_EQ(r.decimal(7)->toString(), "999.99");
    EXPECT_EQ(r.integer(8), *dateFromCivil(2019, 5, 21));
    EXPECT_EQ(r.text(9).bytes(), std::string("SI\x2A\0\0\0", 6)) << "the group's members fill its bytes";
    EXPECT_EQ(r.decimal(12, 0)->toString(), "1.50");
    EXPECT_EQ(r.decimal(12, 1)->toString(), "-2.00");
    EXPECT_EQ(r.integer(13, 0), 4);
    EXPECT_EQ(r.memo(0), "z, vejico");
    EXPECT_EQ(read.records[0].line, 2u);
}

TEST(CsvRead, DecimalsAsWrittenWhateverTheirZerosAndSign) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0", "0.00"},
        {"-0.00", "0.00"},
        {"7.5", "7.50"},
        {"-0.01", "-0.01"},
        {"99999999999.99", "99999999999.99"},
        {"-99999999999.99", "-99999999999.99"},
        {"000000000000000000000012.30", "12.30"},  // more zeros than a quick read of the digits takes
        {"-000000000000000000000000.05", "-0.05"},
    };
    for (const auto& [written, read] : cases) {
        const auto result = readCsv(csvTestLayout(), "ZNESEK\n" + written + "\n");
        ASSERT_TRUE(result.ok()) << written << ": " << result.problems[0].text();
        EXPECT_EQ(result.records.at(0).record.decimal(6)->toString(), read) << written;
    }
}

TEST(CsvRead, HeaderInAnyCaseAndOrderAndUnnamedFieldsCleared) {
    const auto read = readCsv(csvTestLayout(), "\xEF\xBB\xBFnaziv,Tst:LongF, Znesek \r\nAbc,7,\r\n");
    ASSERT_TRUE(read.ok()) << read.problems[0].text();
    ASSERT_EQ(read.records.size(), 1u);
    const Record& r = read.records[0].record;
    EXPECT_EQ(r.integer(3), 7);
    EXPECT_EQ(r.text(4).bytes(), "Abc       ");
    EXPECT_TRUE(r.decimal(6)->isZero());
    EXPECT_EQ(r.integer(0), 0);
    EXPECT_EQ(r.text(5).bytes(), "");
}

TEST(CsvRead, QuotingEmbeddedLineBreaksAndLineNumbers) {
    const auto read = readCsv(csvTestLayout(),
                              "LONGF,OPOMBE,NAZIV\n"
                              "1,\"dva\r\nvrstici\",\"a\"\"b\"\r\n"
                              "\n"  // an empty line is skipped
                              "2,\"\",x\n"
                              "3,bad,\"0123456789X\"");
    ASSERT_EQ(read.problemCount, 1u);
    EXPECT_EQ(read.problems[0].line, 6u) << "the third record starts on line 6 (line breaks inside quotes count)";
    EXPECT_EQ(read.problems[0].column, 3u);
    EXPECT_EQ(read.problems[0].field, "NAZIV");
}

TEST(CsvRead, QuotedValuesKeepTheirBytes) {
    const auto read = readCsv(csvTestLayout(), "LONGF,OPOMBE,NAZIV\n1,\"dva\r\nvrstici\",\"a\"\"b\"\n2,\"\",\" x\"\n");
    ASSERT_TRUE(read.ok());
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(read.records[0].record.memo(0), "dva\r\nvrstici");
    EXPECT_EQ(read.records[0].record.text(4).bytes(), "a\"b       ");
    EXPECT_EQ(read.records[1].record.text(4).bytes(), " x        ");
    EXPECT_EQ(read.records[1].line, 4u);
}

TEST(CsvRead, OnlyAHeaderGivesNoRecords) {
    for (const char* csv : {"LONGF", "LONGF\n", "LONGF\r\n\r\n"}) {
        const auto read = readCsv(csvTestLayout(), csv);
        EXPECT_TRUE(read.ok()) << csv;
        EXPECT_TRUE(read.records.empty()) << csv;
    }
}

struct BadCase {
    const char* name;
    std::string csv;
    std::string expected;  // the first problem's text
};

class CsvBadValue : public ::testing::TestWithParam<BadCase> {};

TEST_P(CsvBadValue, IsRefusedWithItsLineAndColumn) {
    const auto read = readCsv(csvTestLayout(), GetParam().csv);
    ASSERT_FALSE(read.ok());
    ASSERT_FALSE(read.problems.empty());
    EXPECT_EQ(read.problems[0].text(), GetParam().expected);
    EXPECT_TRUE(read.records.empty());
}

const std::vector<BadCase> kBadCases = {
    {"EmptyText", "", "line 1: the first line must name the columns"},
    {"UnknownColumn", "LONGF,NAZIV,NIC\n", "line 1, column 3: unknown column 'NIC': TESTCSV has no such field"},
    {"DuplicateColumn", "LONGF,naziv,NAZIV\n",
     "line 1, column 3 (NAZIV): the column is named twice (first in column 2)"},
    {"GroupAsColumn", "KODA\n", "line 1, column 1: 'KODA' is a group; name its members instead: DRZ STEV"},
    {"ArrayWithoutElement", "DELNO\n", "line 1, column 1: 'DELNO' is an array; name its elements DELNO[1] to DELNO[3]"},
    {"ArrayElementPastTheEnd", "DELNO[4]\n", "line 1, column 1: unknown column 'DELNO[4]': TESTCSV has no such field"},
    {"TooFewValues", "LONGF,NAZIV\n1\n", "line 2, column 2: the row has 1 values where the header names 2 columns"},
    {"TooManyValues", "LONGF,NAZIV\n1,a,b\n",
     "line 2, column 3: the row has 3 values where the header names 2 columns"},
    {"NotAWholeNumber", "LONGF\n1.0\n", "line 2, column 1 (LONGF): '1.0' is not a whole number"},
    {"PlusSign", "LONGF\n+1\n", "line 2, column 1 (LONGF): '+1' is not a whole number"},
    {"ByteOutOfRange", "BYTEF\n256\n",
     "line 2, column 1 (BYTEF): '256' is out of range for an unsigned byte (0 to 255)"},
    {"NegativeUnsigned", "ULONGF\n-1\n",
     "line 2, column 1 (ULONGF): '-1' is out of range for an unsigned 32-bit number (0 to 4294967295)"},
    {"ShortOutOfRange", "SHORTF\n32768\n",
     "line 2, column 1 (SHORTF): '32768' is out of range for a signed 16-bit number (-32768 to 32767)"},
    {"HugeNumber", "LONGF\n99999999999999999999999\n",
     "line 2, column 1 (LONGF): '99999999999999999999999' is out of range for a signed 32-bit number (-2147483648 to "
     "2147483647)"},
    {"DecimalComma", "ZNESEK\n\"1,5\"\n",
     "line 2, column 1 (ZNESEK): '1,5' is not a decimal number (digits with a point, such as -1234.50)"},
    {"DecimalWithoutDigitsAfterPoint", "ZNESEK\n5.\n",
     "line 2, column 1 (ZNESEK): '5.' is not a decimal number (digits with a point, such as -1234.50)"},
    {"TooManyPlaces", "ZNESEK\n1.234\n",
     "line 2, column 1 (ZNESEK): '1.234' has more decimals than the field holds (2)"},
    {"FourteenDigitsInThirteen", "ZNESEK\n123456789012.34\n",
     "line 2, column 1 (ZNESEK): '123456789012.34' has more digits than the field holds (13, of which 2 decimals)"},
    {"RateTooLarge", "STOPNJA\n1000\n",
     "line 2, column 1 (STOPNJA): '1000' has more digits than the field holds (5, of which 2 decimals)"},
    {"DateNotInCalendar", "DATUM\n2019-02-31\n", "line 2, column 1 (DATUM): '2019-02-31' is not a calendar date"},
    {"DateInDottedForm", "DATUM\n21.05.2019\n",
     "line 2, column 1 (DATUM): '21.05.2019' is not a date in the form yyyy-mm-dd"},
    {"DateBeforeDayOne", "DATUM\n1800-12-31\n", "line 2, column 1 (DATUM): '1800-12-31' is not a calendar date"},
    {"ArrayElementDate", "LONGF,DATUMI[2]\n1,2019-13-01\n",
     "line 2, column 2 (DATUMI[2]): '2019-13-01' is not a calendar date"},
    {"TextTooLong", "NAZIV\nČčččččččččč\n",
     "line 2, column 1 (NAZIV): a text of 11 characters is longer than the field holds (10)"},
    {"ZeroTerminatedTextTooLong", "OZNAKA\nabcde\n",
     "line 2, column 1 (OZNAKA): a text of 5 characters is longer than the field holds (4)"},
    {"MemoTooLong", "OPOMBE\n123456789012345678901\n",
     "line 2, column 1 (OPOMBE): a text of 21 characters is longer than the field holds (20)"},
    {"CharacterOutsideWindows1250", "NAZIV\nab→c\n",
     "line 2, column 1 (NAZIV): the character '→' at byte 3 is not in Windows-1250"},
    {"InvalidUtf8", "NAZIV\nab\xC3(\n", "line 2, column 1 (NAZIV): invalid UTF-8 at byte 3"},
    {"ZeroByte", std::string("NAZIV\na\0b\n", 10), "line 2, column 1 (NAZIV): a text may not hold a zero byte"},
    {"QuoteInsidePlainValue", "NAZIV\nab\"c\n",
     "line 2, column 1: a quote inside a value that does not start with a quote"},
    {"TextAfterClosingQuote", "NAZIV,LONGF\n\"ab\"c,1\n", "line 2, column 1: characters follow the closing quote"},
    {"UnclosedQuote", "LONGF,NAZIV\n1,\"abc\n2,x\n",
     "line 2, column 2: the quoted value is not closed before the end of the file"},
};

INSTANTIATE_TEST_SUITE_P(Table, CsvBadValue, ::testing::ValuesIn(kBadCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(CsvRead, CountsEveryBadRecordAndGoesOn) {
    std::string csv = "LONGF,ZNESEK,DATUM\n";
    csv += "1,1.00,2020-01-01\n";   // good
    csv += "x,1.001,2020-02-30\n";  // three problems in one record
    csv += "3,2.00,\n";             // good
    csv += "4\n";                   // wrong count
    for (int i = 0; i < 100; ++i) csv += "5,y,\n";
    CsvReadOptions options;
    options.maxListed = 10;
    const auto read = readCsv(csvTestLayout(), csv, options);
    EXPECT_EQ(read.badRecords, 102u);
    EXPECT_EQ(read.problemCount, 104u);
    ASSERT_EQ(read.problems.size(), 10u);
    EXPECT_EQ(read.problems[0].text(), "line 3, column 1 (LONGF): 'x' is not a whole number");
    EXPECT_EQ(read.problems[1].column, 2u);
    EXPECT_EQ(read.problems[2].column, 3u);
    EXPECT_EQ(read.problems[3].line, 5u);
    EXPECT_EQ(read.problems[4].text(),
              "line 6, column 2 (ZNESEK): 'y' is not a decimal number (digits with a point, such as -1234.50)");
    EXPECT_TRUE(read.records.empty()) << "nothing is handed on when any record was bad";
}

TEST(CsvRead, SyntaxFaultSpoilsOnlyItsRow) {
    const auto read = readCsv(csvTestLayout(), "LONGF,NAZIV\n1,a\"b\n2,\"c\"d\n3,ok\n4,\"also\"\"ok\"\n");
    EXPECT_EQ(read.badRecords, 2u);
    EXPECT_EQ(read.problemCount, 2u);
    EXPECT_EQ(read.problems[1].line, 3u);
}

TEST(CsvWrite, QuotesOnlyWhatNeedsItAndClipsTexts) {
    Record r(csvTestLayout());
    ASSERT_TRUE(r.setText(4, Text1250::literal("a,b")).ok());
    ASSERT_TRUE(r.setText(5, Text1250::fromBytes(" x")).ok());
    ASSERT_TRUE(r.setMemo(0, "\"q\"\nw ").ok());
    ASSERT_TRUE(r.setDecimal(6, Decimal::fromUnits(-5, 2)).ok());
    std::string out;
    ASSERT_TRUE(CsvWriter(csvTestLayout()).append(r, out).ok());
    EXPECT_EQ(out, "0,0,0,0,\"a,b\",\" x\",-0.05,0.00,,,0,0.00,0.00,0.00,,,\"\"\"q\"\"\nw \"\n");
}

TEST(CsvWrite, RefusesValuesItCannotWrite) {
    Record r(csvTestLayout());
    r.image()[27] = 0xAB;  // ZNESEK, not BCD
    std::string out = "kept";
    auto written = CsvWriter(csvTestLayout()).append(r, out);
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().message.find("column ZNESEK"), std::string::npos) << written.error().message;
    EXPECT_EQ(out, "kept");

    Record z(csvTestLayout());
    ASSERT_TRUE(z.setText(4, Text1250::fromBytes(std::string("a\0b", 3))).ok());
    written = CsvWriter(csvTestLayout()).append(z, out);
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().message.find("column NAZIV: the text holds a zero byte"), std::string::npos);

    Record c(csvTestLayout());
    std::fill_n(c.image().begin() + 21, 5, uint8_t{'x'});  // OZNAKA without its terminating zero
    written = CsvWriter(csvTestLayout()).append(c, out);
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().message.find("column OZNAKA: the zero-terminated text has no terminator"),
              std::string::npos);

    Record d(csvTestLayout());
    ASSERT_TRUE(d.setInteger(8, -5).ok());
    written = CsvWriter(csvTestLayout()).append(d, out);
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().message.find("day number -5"), std::string::npos) << written.error().message;
}

TEST(CsvRoundTrip, DumpOfAReadTextReadsBackToTheSameText) {
    const std::string csv = std::string(kHeader) +
                            "1,2,3,4,\" lead\",ab,0.10,22.00,2024-12-31,AT,0,0.00,0.00,-0.01,,2025-01-01,\n"
                            "0,0,0,-4,\"dva\"\"\",,-100.00,9.50,,,-7,0.00,0.00,0.00,,,\"več\r\nvrstic\"\n";
    const auto first = readCsv(csvTestLayout(), csv);
    ASSERT_TRUE(first.ok()) << first.problems[0].text();
    EXPECT_EQ(dumpAll(first), csv.substr(0, csv.size()));
    const auto second = readCsv(csvTestLayout(), dumpAll(first));
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(dumpAll(second), dumpAll(first));
}

// What a read gave, as one text: the records in the written form with their lines, then every problem.
std::string readingOf(const std::vector<std::pair<std::string, std::size_t>>& records,
                      const std::vector<CsvProblem>& problems, std::size_t problemCount, std::size_t badRecords) {
    std::string out;
    for (const auto& [line, at] : records) out += std::to_string(at) + ": " + line;
    for (const auto& p : problems) out += p.text() + "\n";
    return out + std::to_string(problemCount) + " problems, " + std::to_string(badRecords) + " bad\n";
}

// A stream read in pieces of a few bytes must give what the whole text gives: rows, quoted line breaks,
// doubled quotes, CRLF split between pieces, a byte order mark, and every bad case above.
TEST(CsvReader, InPiecesReadsAsTheWholeText) {
    std::vector<std::string> texts = {
        std::string(kHeader) +
            "255,-32768,4294967295,-2147483648,Čevapčiči,abcd,-12345678901.23,999.99,2019-05-21,SI,42,1.5,-2,0.01,"
            "1801-01-01,9999-12-31,\"z, vejico\"\r\n",
        "\xEF\xBB\xBFnaziv,Tst:LongF, Znesek \r\nAbc,7,\r\n",
        "LONGF,OPOMBE,NAZIV\n1,\"dva\r\nvrstici\",\"a\"\"b\"\r\n\n2,\"\",x\n3,bad,\"0123456789X\"",
        "LONGF,OPOMBE,NAZIV\r1,\"a\rb\",\"\"\"\"\r\r2,\"\"\"x\",y",
        "LONGF,NAZIV\n1,a\"b\n2,\"c\"d\n3,ok\n4,\"also\"\"ok\"\n",
        "LONGF",
        "\xEF\xBB",
    };
    for (const auto& bad : kBadCases) texts.push_back(bad.csv);
    const auto csvLine = [](const Record& record) {
        std::string line;
        EXPECT_TRUE(CsvWriter(csvTestLayout()).append(record, line).ok());
        return line;
    };
    for (const auto& text : texts) {
        CsvReader whole(csvTestLayout(), std::string_view(text));
        std::vector<std::pair<std::string, std::size_t>> expectedRecords;
        while (const CsvRecord* r = whole.next()) expectedRecords.emplace_back(csvLine(r->record), r->line);
        const std::string expected =
            readingOf(expectedRecords, whole.problems(), whole.problemCount(), whole.badRecords());
        for (const std::size_t piece : {1, 2, 3, 7, 4096}) {
            std::istringstream in(text);
            CsvReadOptions options;
            options.pieceSize = piece;
            CsvReader reader(csvTestLayout(), in, options);
            std::vector<std::pair<std::string, std::size_t>> records;
            while (const CsvRecord* r = reader.next()) records.emplace_back(csvLine(r->record), r->line);
            EXPECT_FALSE(reader.readFailed());
            EXPECT_EQ(readingOf(records, reader.problems(), reader.problemCount(), reader.badRecords()), expected)
                << "pieces of " << piece << " bytes of:\n"
                << text;
        }
    }
}

}  // namespace
}  // namespace kirva::data
