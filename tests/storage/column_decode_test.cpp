// Decoding stored values straight into a record image must give exactly what the record's own setters
// give, whatever the image held before: the driver decodes every row into one reused record. Encoding
// straight from the image must give what encodeColumn gives, whatever the reused value held before.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/decimal.h"
#include "platform/text1250.h"
#include "storage/schema.h"
#include "tests/support/test_layout.h"

namespace kirva::storage {
namespace {

using data::FieldType;

const data::Layout& decodeLayout() {
    static const data::Layout layout = [] {
        data::Layout l;
        l.label = "DECODE";
        l.prefix = "DEC";
        l.table = "DECODE";
        l.fileName = "DECODE.DB";
        l.nameTextBytes = 255;
        l = kirva::testing::layOut(std::move(l), {
                                                     {"BYTEVAL", FieldType::Byte, 1},
                                                     {"SHORTVAL", FieldType::Short, 2},
                                                     {"USHORTVAL", FieldType::UShort, 2},
                                                     {"LONGVAL", FieldType::Long, 4},
                                                     {"ULONGVAL", FieldType::ULong, 4},
                                                     {"DAY", FieldType::Date, 4},
                                                     {"NAME", FieldType::Text, 12},
                                                     {"CNAME", FieldType::CText, 6},
                                                     {"AMOUNT", FieldType::Decimal, 4, 2},
                                                     {"WIDE", FieldType::Decimal, 9, 0},
                                                     {"PARTS", FieldType::Decimal, 3, 1, 4},
                                                 });
        l.memos = {{"NOTES", 20, "DEC:Notes"}};
        return l;
    }();
    return layout;
}

const Column& columnNamed(const std::vector<Column>& columns, const std::string& name) {
    for (const Column& c : columns) {
        if (c.name == name) return c;
    }
    throw std::logic_error("no column " + name);
}

data::Record filledWith(uint8_t byte) {
    data::Record r(decodeLayout());
    for (uint8_t& b : r.image()) b = byte;
    EXPECT_TRUE(r.setMemo(0, "old memo"));
    return r;
}

TEST(ColumnDecode, WholeNumbersAndDecimalsMatchTheSetters) {
    const auto columns = storageColumns(decodeLayout());
    struct Case {
        const char* column;
        int64_t stored;
    };
    const Case cases[] = {
        {"BYTEVAL", 0},
        {"BYTEVAL", 255},
        {"SHORTVAL", -32768},
        {"SHORTVAL", 32767},
        {"SHORTVAL", -1},
        {"USHORTVAL", 65535},
        {"LONGVAL", std::numeric_limits<int32_t>::min()},
        {"LONGVAL", std::numeric_limits<int32_t>::max()},
        {"ULONGVAL", std::numeric_limits<uint32_t>::max()},
        {"DAY", 82153},
        {"AMOUNT", 0},
        {"AMOUNT", 1},
        {"AMOUNT", -1},
        {"AMOUNT", 12250},
        {"AMOUNT", 9999999},
        {"AMOUNT", -9999999},
        {"AMOUNT", 100},
        {"WIDE", 99999999999999999},
        {"WIDE", -99999999999999999},
        {"WIDE", 10000000000000000},
        {"WIDE", 7},
        {"PARTS[1]", 99999},
        {"PARTS[4]", -10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " = " + std::to_string(c.stored));
        const Column& column = columnNamed(columns, c.column);
        for (const uint8_t before : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x5A}}) {
            data::Record expected = filledWith(before);
            if (column.kind == ColumnKind::Decimal) {
                const int places = decodeLayout().fields[column.field].places;
                ASSERT_TRUE(expected.setDecimal(column.field, Decimal::fromUnits(c.stored, places), column.element));
            } else {
                ASSERT_TRUE(expected.setInteger(column.field, c.stored, column.element));
            }
            data::Record decoded = filledWith(before);
            ASSERT_TRUE(decodeColumn(Value::ofInteger(c.stored), column, decoded));
            EXPECT_TRUE(std::equal(expected.image().begin(), expected.image().end(), decoded.image().begin()));
        }
    }
}

TEST(ColumnDecode, NumbersThatDoNotFitLeaveTheImageAlone) {
    const auto columns = storageColumns(decodeLayout());
    struct Case {
        const char* column;
        int64_t stored;
    };
    const Case cases[] = {
        {"BYTEVAL", 256},
        {"BYTEVAL", -1},
        {"SHORTVAL", 32768},
        {"ULONGVAL", -1},
        {"LONGVAL", int64_t{1} << 31},
        {"AMOUNT", 10000000},
        {"AMOUNT", -10000000},
        {"WIDE", 100000000000000000},
        {"WIDE", std::numeric_limits<int64_t>::min()},
        {"WIDE", std::numeric_limits<int64_t>::max()},
        {"PARTS[2]", -100000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " = " + std::to_string(c.stored));
        data::Record r = filledWith(0x77);
        EXPECT_FALSE(decodeColumn(Value::ofInteger(c.stored), columnNamed(columns, c.column), r));
        for (const uint8_t b : r.image()) ASSERT_EQ(b, 0x77);
    }
}

TEST(ColumnDecode, TextsMatchTheSettersAsciiOrNot) {
    const auto columns = storageColumns(decodeLayout());
    struct Case {
        const char* column;
        const char* utf8;
        const char* held;  // Windows-1250 as UTF-8 source; what the field holds before padding
    };
    const Case cases[] = {
        {"NAME", "", ""},
        {"NAME", "Najem", "Najem"},
        {"NAME", "Najem   ", "Najem"},
        {"NAME", "   lead", "   lead"},
        {"NAME", "twelve chars", "twelve chars"},
        {"NAME", "twelve chars    ", "twelve chars"},
        {"NAME", "Jože Mlakar", "Jože Mlakar"},
        {"NAME", "ČŠŽčšž€", "ČŠŽčšž€"},
        {"NAME", "a&<>\t\"'", "a&<>\t\"'"},
        {"CNAME", "", ""},
        {"CNAME", "five ", "five "},
        {"CNAME", "žaba", "žaba"},
        {"NOTES", "memo text  ", "memo text  "},
        {"NOTES", "šumniki", "šumniki"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " = '" + c.utf8 + "'");
        const Column& column = columnNamed(columns, c.column);
        for (const uint8_t before : {uint8_t{0x00}, uint8_t{0x41}, uint8_t{0xE8}}) {
            data::Record expected = filledWith(before);
            if (column.kind == ColumnKind::Memo) {
                ASSERT_TRUE(expected.setMemo(column.memo, cp1250(c.held)));
            } else {
                ASSERT_TRUE(expected.setText(column.field, Text1250::literal(c.held), column.element));
            }
            data::Record decoded = filledWith(before);
            ASSERT_TRUE(decodeColumn(Value::ofText(c.utf8), column, decoded));
            EXPECT_TRUE(std::equal(expected.image().begin(), expected.image().end(), decoded.image().begin()));
            EXPECT_EQ(decoded.memo(0), expected.memo(0));
        }
    }
}

TEST(ColumnDecode, TextsThatCannotBeHeldLeaveTheImageAlone) {
    const auto columns = storageColumns(decodeLayout());
    struct Case {
        const char* column;
        std::string utf8;
    };
    const Case cases[] = {
        {"NAME", "thirteen char"}, {"NAME", "dvanajst črk!"},  // thirteen characters, fourteen bytes of UTF-8
        {"NAME", "mañana"},                                    // ñ is not in Windows-1250
        {"NAME", "\xC3"},                                      // cut UTF-8
        {"CNAME", "sixchr"},       {"CNAME", std::string("a\0b", 3)}, {"NOTES", std::string(21, 'n')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " = '" + c.utf8 + "'");
        data::Record r = filledWith(0x66);
        EXPECT_FALSE(decodeColumn(Value::ofText(c.utf8), columnNamed(columns, c.column), r));
        for (const uint8_t b : r.image()) ASSERT_EQ(b, 0x66);
        EXPECT_EQ(r.memo(0), "old memo");
    }
}

// A value of the wrong type is named with the value itself, shown safely: a text in quotes with control
// bytes, quotes and broken UTF-8 escaped, a blob in hexadecimal, both cut after 32 bytes.
TEST(ColumnDecode, AWrongTypedValueIsNamedWithItsValue) {
    const auto columns = storageColumns(decodeLayout());
    const auto blob = [](std::string bytes) {
        Value v;
        v.type = SQLITE_BLOB;
        v.bytes = std::move(bytes);
        return v;
    };
    Value real;
    real.type = SQLITE_FLOAT;
    real.real = 122.5;
    Value null;
    null.type = SQLITE_NULL;
    struct Case {
        const char* column;
        Value value;
        std::string message;
    };
    const Case cases[] = {
        {"LONGVAL", Value::ofText("12a"), "holds a text '12a' where a whole number belongs"},
        {"AMOUNT", Value::ofText("Žaga 'x'\t\x01"),
         "holds a text 'Žaga \\x27x\\x27\\x09\\x01' where a whole number belongs"},
        {"DAY", Value::ofText("\xC3("), "holds a text '\\xC3(' where a whole number belongs"},
        {"LONGVAL", Value::ofText(std::string(40, 'x')),
         "holds a text '" + std::string(32, 'x') + "'... (40 bytes) where a whole number belongs"},
        {"AMOUNT", real, "holds a real number 122.5 where a whole number belongs"},
        {"NAME", real, "holds a real number 122.5 where a text belongs"},
        {"LONGVAL", blob(std::string("\x00\xFF A", 4)), "holds a blob 00 FF 20 41 where a whole number belongs"},
        {"NAME", blob(std::string(33, '\x10')),
         "holds a blob 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 10 "
         "10... (33 bytes) where a text belongs"},
        {"NAME", Value::ofInteger(7), "holds a whole number 7 where a text belongs"},
        {"LONGVAL", null, "holds NULL where a whole number belongs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        data::Record r = filledWith(0x55);
        const auto decoded = decodeColumn(c.value, columnNamed(columns, c.column), r);
        ASSERT_FALSE(decoded);
        EXPECT_EQ(decoded.error().message, c.message);
        EXPECT_TRUE(isValidUtf8(decoded.error().message));
    }
}

TEST(ColumnDecode, TheDirectPathDecodesAsDecodeColumnDoesOrLeavesTheValueToIt) {
    const auto columns = storageColumns(decodeLayout());
    const auto places = columnPlaces(decodeLayout(), columns);
    ASSERT_EQ(places.size(), columns.size());
    Value null, real, blob;
    real.type = SQLITE_FLOAT;
    real.real = 1.5;
    blob.type = SQLITE_BLOB;
    blob.bytes = "A";
    const std::vector<Value> values = {
        Value::ofInteger(0),
        Value::ofInteger(1),
        Value::ofInteger(-1),
        Value::ofInteger(255),
        Value::ofInteger(256),
        Value::ofInteger(32767),
        Value::ofInteger(-32769),
        Value::ofInteger(65535),
        Value::ofInteger(9999999),
        Value::ofInteger(-10000000),
        Value::ofInteger(99999999999999999),
        Value::ofInteger(int64_t{1} << 31),
        Value::ofInteger(std::numeric_limits<uint32_t>::max()),
        Value::ofInteger(std::numeric_limits<int64_t>::min()),
        Value::ofInteger(std::numeric_limits<int64_t>::max()),
        Value::ofText(""),
        Value::ofText("abc"),
        Value::ofText("abcde   "),
        Value::ofText("twelve chars"),
        Value::ofText("thirteen char"),
        Value::ofText("Jože"),
        Value::ofText("mañana"),
        Value::ofText(std::string("a\0b", 3)),
        Value::ofText("12"),
        null,
        real,
        blob,
    };
    std::size_t directly = 0;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        for (const Value& value : values) {
            SCOPED_TRACE(columns[c].name + " = " + std::to_string(value.integer) + " '" + value.bytes + "' type " +
                         std::to_string(value.type));
            data::Record viaColumn = filledWith(0x3C);
            const bool decoded = static_cast<bool>(decodeColumn(value, columns[c], viaColumn));
            data::Record direct = filledWith(0x3C);
            if (decodeDirect(value, places[c], direct.image())) {
                ++directly;
                EXPECT_TRUE(decoded);
                EXPECT_TRUE(std::equal(viaColumn.image().begin(), viaColumn.image().end(), direct.image().begin()));
            } else {
                for (const uint8_t b : direct.image()) ASSERT_EQ(b, 0x3C);
            }
            EXPECT_EQ(direct.memo(0), "old memo");
        }
    }
    EXPECT_GT(directly, 50u) << "the common cases go the direct way";
}

TEST(ColumnEncode, TheDirectPathEncodesAsEncodeColumnDoesOrLeavesTheColumnToIt) {
    const auto columns = storageColumns(decodeLayout());
    const auto places = columnPlaces(decodeLayout(), columns);
    // Images of every kind of byte: blanks and zeros, sign nibbles of both kinds, digits that are no BCD,
    // texts with letters outside ASCII and a zero byte inside, and noise.
    std::vector<data::Record> images;
    for (const int fill : {0x00, 0x20, 0x3C, 0x99, 0xF9, 0xFF, 0x8A, 0x0A})
        images.push_back(filledWith(static_cast<uint8_t>(fill)));
    data::Record letters(decodeLayout());
    ASSERT_TRUE(letters.setText(columnNamed(columns, "NAME").field, Text1250::literal("Žužemberk č")));
    ASSERT_TRUE(letters.setInteger(columnNamed(columns, "SHORTVAL").field, -32768));
    ASSERT_TRUE(letters.setInteger(columnNamed(columns, "LONGVAL").field, -1));
    ASSERT_TRUE(letters.setInteger(columnNamed(columns, "ULONGVAL").field, std::numeric_limits<uint32_t>::max()));
    ASSERT_TRUE(letters.setDecimal(columnNamed(columns, "AMOUNT").field, *Decimal::parse("-12345.67", 2)));
    images.push_back(letters);
    std::mt19937 noise(1250);
    for (int i = 0; i < 200; ++i) {
        data::Record r = filledWith(0);
        for (uint8_t& b : r.image()) b = static_cast<uint8_t>(noise());
        images.push_back(r);
    }

    std::size_t directly = 0;
    Value reused = Value::ofText("left over from an earlier row");
    for (const data::Record& image : images) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            SCOPED_TRACE(columns[c].name);
            const auto viaColumn = encodeColumn(image, columns[c]);
            if (!encodeDirect(image, columns[c], places[c], reused)) {
                EXPECT_TRUE(columns[c].kind == ColumnKind::Memo || !viaColumn) << "a sound column left undone";
                continue;
            }
            ++directly;
            ASSERT_TRUE(viaColumn);
            EXPECT_EQ(reused, *viaColumn);
        }
    }
    EXPECT_GT(directly, 1000u) << "the common cases go the direct way";
}

}  // namespace
}  // namespace kirva::storage
