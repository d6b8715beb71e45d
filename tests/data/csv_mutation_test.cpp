// Thousands of damaged CSV texts thrown at the reader: it must never crash, and every text is either
// refused with placed problems or read into records that write back and read again unchanged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/csv.h"
#include "data/layout.h"
#include "tests/data/csv_test_layout.h"
#include "tools/demo/demo_data.h"

namespace kirva::data {
namespace {

std::string writeAll(const Layout& layout, const std::vector<CsvRecord>& records) {
    const CsvWriter writer(layout);
    std::string out = writer.header();
    for (const auto& r : records) {
        auto written = writer.append(r.record, out);
        EXPECT_TRUE(written.ok()) << written.error().message;
    }
    return out;
}

std::string mutate(demo::Random& random, std::string text) {
    static const std::string kBytes =
        std::string(",\"\n\r-.0123456789xZ ;", 20) + "\xC3\xA8\xE2\x82\xAC" + std::string(1, '\0') + "\xEF\xBB\xBF";
    const int edits = static_cast<int>(random.between(1, 4));
    for (int e = 0; e < edits; ++e) {
        const auto at = text.empty() ? 0 : random.below(text.size());
        switch (random.below(6)) {
            case 0:
                if (!text.empty()) text[at] = kBytes[random.below(kBytes.size())];
                break;
            case 1:
                text.insert(at, 1, kBytes[random.below(kBytes.size())]);
                break;
            case 2:
                if (!text.empty()) text.erase(at, 1 + random.below(3));
                break;
            case 3: {
                const auto length = random.below(12);
                text.insert(random.below(text.size() + 1), text.substr(at, length));
                break;
            }
            case 4:
                text.resize(at);
                break;
            default:
                if (!text.empty()) text[at] = static_cast<char>(random.below(256));
                break;
        }
    }
    return text;
}

TEST(CsvMutation, ReaderRefusesCleanlyOrRoundTrips) {
    struct Base {
        const Layout* layout;
        std::string csv;
    };
    const std::vector<Base> bases = {
        {&testing::csvTestLayout(),
         "BYTEF,SHORTF,ULONGF,LONGF,NAZIV,OZNAKA,ZNESEK,STOPNJA,DATUM,DRZ,STEV,DELNO[1],DELNO[2],DELNO[3],DATUMI[1],"
         "DATUMI[2],OPOMBE\n"
         "1,-2,3,4,\"Čas, \"\"ura\"\"\",abc,-12.50,22.00,2024-02-29,SI,7,0.01,1.00,,2024-01-01,,\"a\r\nb\"\n"
         "255,32767,0,-1,Žaba,,0,9.50,,,0,,,,,1801-01-01,z\n"},
        {&faracunLayout(),
         "BE,POSLOVNAENOTA,TIPRACUNA,POSLOVNIPARTNER,INTERNASTEVDOKUMENTA,STEVILKARACUNA,LETODOKUMENTA,"
         "DATUMDOKUMENTA,OPISKNJIZBE,ZNESEKDEBET,OSNOVADDV1,STOPNJADDV1,ZNESEKDDV1,DELNOPLACILODATUM[5]\n"
         "1,1,B,1001,1,2400001,2024,2024-12-31,Prodaja blaga,122.00,100.00,22.00,22.00,\n"
         "2,3,g,1002,2,2500002,2025,2025-01-02,\"Dobropis, vračilo\",-61.00,-50.00,22.00,-11.00,2025-02-01\n"},
    };
    demo::Random random(20240229);
    int refused = 0, accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        const Base& base = bases[static_cast<std::size_t>(i) % bases.size()];
        const std::string text = mutate(random, base.csv);
        const auto read = readCsv(*base.layout, text);
        if (!read.ok()) {
            ++refused;
            ASSERT_FALSE(read.problems.empty());
            ASSERT_LE(read.problems.size(), read.problemCount);
            for (const auto& p : read.problems) {
                ASSERT_GE(p.line, 1u) << text;
                ASSERT_FALSE(p.message.empty()) << text;
            }
            continue;
        }
        ++accepted;
        const std::string written = writeAll(*base.layout, read.records);
        const auto again = readCsv(*base.layout, written);
        ASSERT_TRUE(again.ok()) << "input:\n" << text << "\nwritten:\n" << written;
        ASSERT_EQ(again.records.size(), read.records.size());
        ASSERT_EQ(writeAll(*base.layout, again.records), written);
    }
    EXPECT_GT(refused, 100);
    EXPECT_GT(accepted, 100);
}

}  // namespace
}  // namespace kirva::data
