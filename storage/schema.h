// How a record layout is laid out as a SQLite table: the columns (one per stored field, array element and
// memo), their SQL types, the index of each key, and the conversions between a record image and the
// column values. The keyed-file driver builds on it; tools and tests may use it to name columns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/layout.h"
#include "data/record.h"
#include "platform/result.h"

namespace kirva::storage {

enum class ColumnKind : uint8_t {
    Integer,  // whole numbers and day numbers
    Decimal,  // INTEGER in units of the last decimal place
    Text,     // fixed-width text: stored without trailing blanks
    CText,    // zero-terminated text: stored as it is
    Memo,     // a memo: stored as it is
};

struct Column {
    std::string name;  // "ZNESEKDEBET", "DELNOPLACILODATUM[2]", a memo's name
    ColumnKind kind;
    std::size_t field = 0;    // index into Layout::fields (not for memos)
    std::size_t element = 0;  // 0-based array element
    std::size_t memo = 0;     // index into Layout::memos (memos only)

    bool isText() const { return kind == ColumnKind::Text || kind == ColumnKind::CText || kind == ColumnKind::Memo; }
    std::string_view sqlType() const { return isText() ? "TEXT" : "INTEGER"; }
};

// The stored fields in layout order (arrays element by element), then the memos.
std::vector<Column> storageColumns(const data::Layout& layout);
// For each key of the layout, the positions in storageColumns() of its columns, in component order.
std::vector<std::vector<std::size_t>> keyColumnPositions(const data::Layout& layout,
                                                         const std::vector<Column>& columns);
// "FARACUN_RACUNKLJUC"
std::string indexName(const data::Layout& layout, std::size_t key);
// CREATE TABLE, then one CREATE [UNIQUE] INDEX per key.
std::string createTableSql(const data::Layout& layout, const std::vector<Column>& columns);
std::string createIndexSql(const data::Layout& layout, const std::vector<Column>& columns,
                           const std::vector<std::vector<std::size_t>>& keys, std::size_t key);
// The structure version stored as PRAGMA user_version (0 when the layout has none).
int storedVersion(const data::Layout& layout);

// Characters a text column holds at most (Text: the width; CText: one less; Memo: its size) and digits
// of a decimal column (2 * bytes - 1).
std::size_t textCapacity(const data::Layout& layout, const Column& column);
int decimalDigits(const data::Layout& layout, const Column& column);

// A value as SQLite holds it. `type` is SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB or
// SQLITE_NULL; text and blob bytes are in `bytes`.
struct Value {
    int type = 0;
    int64_t integer = 0;
    double real = 0;
    std::string bytes;

    static Value ofInteger(int64_t v);
    static Value ofText(std::string utf8);
    friend bool operator==(const Value&, const Value&) = default;
};

// The value a column stores for a record (texts converted to UTF-8). An error when the record holds a
// damaged packed decimal.
Result<Value> encodeColumn(const data::Record& record, const Column& column);
// Puts a stored value into the record; an error says what is wrong with it (NULL, wrong type, too long,
// not in Windows-1250, out of the type's range, too many digits).
Result<void> decodeColumn(const Value& value, const Column& column, data::Record& record);

// Where a column's value goes in the record image, worked out once for a layout so that reading many rows
// looks nothing up.
struct ColumnPlace {
    ColumnKind kind = ColumnKind::Integer;
    bool direct = false;  // whether decodeDirect handles the column at all (not memos)
    uint32_t offset = 0;  // the column's bytes in the image
    uint32_t size = 0;
    int64_t low = 0, high = 0;  // the range of a whole number; of a date, 0 up to the last real day
    bool date = false;          // a day number: 0, or a real calendar date (no day 1 to 3)
};
std::vector<ColumnPlace> columnPlaces(const data::Layout& layout, const std::vector<Column>& columns);

// The one rule for day numbers that every reader keeps: 0 (no date) or the number of a real calendar date
// between kFirstYear and kLastYear.
bool isStoredDate(int64_t day);

// decodeColumn's common cases straight into the image: a whole number in its range, a decimal within its
// digits, a text of plain ASCII that fits. False, with the image untouched, for anything else: decodeColumn
// then decodes it, or says what is wrong with it.
bool decodeDirect(const Value& value, const ColumnPlace& place, std::span<uint8_t> image);

// encodeColumn's common cases into a value whose text keeps its room from row to row: a whole number as the
// record reads it, a sound packed decimal and a text straight from the image. False for a memo or a damaged
// decimal: encodeColumn then encodes it, or says what is wrong with it.
bool encodeDirect(const data::Record& record, const Column& column, const ColumnPlace& place, Value& out);

}  // namespace kirva::storage
