#include "framework/errors/message_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kirva::framework {
namespace {

struct GoldenRow {
    int id = 0;
    int level = 0;
    std::string title;
    std::string message;
};

std::string unquote(const std::string& field) {
    if (field.size() < 2 || field.front() != '"' || field.back() != '"') {
        ADD_FAILURE() << "not a quoted text: " << field;
        return field;
    }
    return field.substr(1, field.size() - 2);
}

std::vector<GoldenRow> readGolden() {
    std::ifstream in(KIRVA_TEST_DIR "/framework/errors/builtin_messages.txt");
    EXPECT_TRUE(in) << "golden file missing";
    std::vector<GoldenRow> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
        if (fields.size() != 4) {
            ADD_FAILURE() << "bad golden line: " << line;
            continue;
        }
        rows.push_back({std::stoi(fields[0]), std::stoi(fields[1]), unquote(fields[2]), unquote(fields[3])});
    }
    return rows;
}

TEST(MessageTable, BuiltInTableMatchesGoldenListInStoredOrder) {
    const std::vector<GoldenRow> golden = readGolden();
    ASSERT_EQ(golden.size(), 54u);

    const auto table = builtInMessageTable();
    ASSERT_GE(table.size(), 2u);
    EXPECT_EQ(table[0] | (table[1] << 8), 54);

    auto entries = unpackMessageTable(table);
    ASSERT_TRUE(entries) << entries.error().message;
    ASSERT_EQ(entries->size(), golden.size());
    for (std::size_t i = 0; i < golden.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i + 1) + ", id " + std::to_string(golden[i].id));
        const ErrorEntry& entry = (*entries)[i];
        EXPECT_EQ(entry.id, golden[i].id);
        EXPECT_EQ(static_cast<int>(entry.fatality), golden[i].level);
        EXPECT_EQ(entry.title, golden[i].title);
        EXPECT_EQ(entry.message, golden[i].message);
        EXPECT_TRUE(entry.category.empty());
    }
}

TEST(MessageTable, PackedLayoutOfFirstEntry) {
    // count 54, then id 33, level 5, "Invalid Key" (11 bytes), then the message's length byte.
    const auto table = builtInMessageTable();
    const std::vector<uint8_t> head(table.begin(), table.begin() + 17);
    const std::vector<uint8_t> expected = {54, 0, 33, 0, 5, 11, 'I', 'n', 'v', 'a', 'l', 'i', 'd', ' ', 'K', 'e', 'y'};
    EXPECT_EQ(head, expected);
    EXPECT_EQ(table[17], std::string_view("%File key file is invalid. Key must be rebuilt.").size());
}

TEST(MessageTable, PackAndUnpackRoundTripKeepsHighIdsAndCp1250) {
    const std::vector<ErrorEntry> entries = {
        {0xFFFF,
         "\x8A"
         "ifra %File",
         "Napaka \x9E", ErrorLevel::Notice, ""},
        {7, "", "", ErrorLevel::Question, ""},
    };
    auto packed = packMessageTable(entries);
    ASSERT_TRUE(packed);
    auto back = unpackMessageTable(*packed);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 2u);
    EXPECT_EQ((*back)[0].id, 0xFFFF);
    EXPECT_EQ((*back)[0].message, entries[0].message);
    EXPECT_EQ((*back)[0].title, entries[0].title);
    EXPECT_EQ((*back)[1].fatality, ErrorLevel::Question);
}

TEST(MessageTable, MalformedTablesAreRefused) {
    const std::vector<std::vector<uint8_t>> bad = {
        {},                                    // no count
        {1},                                   // half a count
        {1, 0},                                // one entry promised, none there
        {1, 0, 5, 0, 5, 3, 'a', 'b'},          // title cut short
        {1, 0, 5, 0, 5, 1, 'a', 4, 'x', 'y'},  // message cut short
        {1, 0, 5, 0, 5, 0, 0, 'z'},            // a byte after the last entry
    };
    for (const auto& table : bad) {
        EXPECT_FALSE(unpackMessageTable(table)) << "table of " << table.size() << " bytes";
    }
    const std::vector<uint8_t> emptyTable = {0, 0};
    auto none = unpackMessageTable(emptyTable);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());

    const std::vector<ErrorEntry> tooLong = {{1, std::string(256, 'x'), "t", ErrorLevel::Notice, ""}};
    EXPECT_FALSE(packMessageTable(tooLong));
}

}  // namespace
}  // namespace kirva::framework
