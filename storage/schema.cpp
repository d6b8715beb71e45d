#include "storage/schema.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/date.h"
#include "platform/decimal.h"
#include "platform/text1250.h"
#include "storage/sqlite_handle.h"

namespace kirva::storage {

namespace {

using data::FieldType;

std::string_view typeName(int type) {
    switch (type) {
        case SQLITE_INTEGER:
            return "a whole number";
        case SQLITE_FLOAT:
            return "a real number";
        case SQLITE_TEXT:
            return "a text";
        case SQLITE_BLOB:
            return "a blob";
        default:
            return "NULL";
    }
}

// How many bytes of a wrong-typed value a message shows.
constexpr std::size_t kShownBytes = 32;

// A stored value of the wrong type as a message shows it, so that the user can find the value in the file:
// a text in quotes with anything that is not printable UTF-8 (control bytes, broken sequences) escaped as
// \xNN, a blob as hexadecimal bytes, a real number in full; a long one is cut, with its length named.
std::string shownValue(const Value& value) {
    switch (value.type) {
        case SQLITE_FLOAT: {
            char text[40];
            std::snprintf(text, sizeof text, "%.17g", value.real);
            return text;
        }
        case SQLITE_INTEGER:
            return std::to_string(value.integer);
        case SQLITE_TEXT:
        case SQLITE_BLOB:
            break;
        default:
            return {};
    }
    const std::string_view bytes = value.bytes;
    const std::string_view head = bytes.substr(0, kShownBytes);
    const auto hex = [](unsigned char byte) {
        constexpr char kDigits[] = "0123456789ABCDEF";
        return std::string{kDigits[byte >> 4], kDigits[byte & 0x0F]};
    };
    std::string shown;
    if (value.type == SQLITE_BLOB) {
        for (std::size_t i = 0; i < head.size(); ++i)
            shown += (i > 0 ? " " : "") + hex(static_cast<unsigned char>(head[i]));
    } else {
        shown = "'";
        for (std::size_t i = 0; i < head.size();) {
            const auto byte = static_cast<unsigned char>(head[i]);
            std::size_t length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            length = std::min(length, head.size() - i);
            const std::string_view one = head.substr(i, length);
            if (byte >= 0x20 && byte != 0x7F && byte != '\\' && byte != '\'' && isValidUtf8(one)) {
                shown += one;
                i += length;
            } else {
                shown += "\\x" + hex(byte);
                ++i;
            }
        }
        shown += "'";
    }
    if (bytes.size() > head.size()) shown += "... (" + std::to_string(bytes.size()) + " bytes)";
    return shown;
}

}  // namespace

std::vector<Column> storageColumns(const data::Layout& layout) {
    std::vector<Column> columns;
    for (const std::size_t index : layout.storedFields()) {
        const data::FieldDef& f = layout.fields[index];
        ColumnKind kind = ColumnKind::Integer;
        if (f.type == FieldType::Decimal) kind = ColumnKind::Decimal;
        if (f.type == FieldType::Text) kind = ColumnKind::Text;
        if (f.type == FieldType::CText) kind = ColumnKind::CText;
        for (std::size_t e = 0; e < f.elements; ++e) {
            std::string name(f.name);
            if (f.elements > 1) name += "[" + std::to_string(e + 1) + "]";
            columns.push_back(Column{std::move(name), kind, index, e, 0});
        }
    }
    for (std::size_t m = 0; m < layout.memos.size(); ++m) {
        columns.push_back(Column{std::string(layout.memos[m].name), ColumnKind::Memo, 0, 0, m});
    }
    return columns;
}

std::vector<std::vector<std::size_t>> keyColumnPositions(const data::Layout& layout,
                                                         const std::vector<Column>& columns) {
    std::vector<std::vector<std::size_t>> keys;
    for (std::size_t k = 0; k < layout.keys.size(); ++k) {
        std::vector<std::size_t> positions;
        for (const std::size_t field : layout.keyColumns(k)) {
            for (std::size_t c = 0; c < columns.size(); ++c) {
                if (columns[c].kind != ColumnKind::Memo && columns[c].field == field) positions.push_back(c);
            }
        }
        keys.push_back(std::move(positions));
    }
    return keys;
}

std::string indexName(const data::Layout& layout, std::size_t key) {
    return std::string(layout.table) + "_" + std::string(layout.keys[key].name);
}

std::string createTableSql(const data::Layout& layout, const std::vector<Column>& columns) {
    std::string sql = "CREATE TABLE " + sqlite::quote(layout.table) + " (";
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (c > 0) sql += ", ";
        sql += sqlite::quote(columns[c].name);
        sql += columns[c].isText() ? " TEXT NOT NULL DEFAULT ''" : " INTEGER NOT NULL DEFAULT 0";
    }
    return sql + ")";
}

std::string createIndexSql(const data::Layout& layout, const std::vector<Column>& columns,
                           const std::vector<std::vector<std::size_t>>& keys, std::size_t key) {
    std::string sql = layout.keys[key].unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ";
    sql += sqlite::quote(indexName(layout, key)) + " ON " + sqlite::quote(layout.table) + " (";
    for (std::size_t i = 0; i < keys[key].size(); ++i) {
        if (i > 0) sql += ", ";
        sql += sqlite::quote(columns[keys[key][i]].name);
    }
    return sql + ")";
}

int storedVersion(const data::Layout& layout) {
    return layout.structureVersion < 0 ? 0 : layout.structureVersion;
}

std::size_t textCapacity(const data::Layout& layout, const Column& column) {
    switch (column.kind) {
        case ColumnKind::Text:
            return layout.fields[column.field].size;
        case ColumnKind::CText:
            return layout.fields[column.field].size - 1;
        case ColumnKind::Memo:
            return layout.memos[column.memo].size;
        default:
            return 0;
    }
}

int decimalDigits(const data::Layout& layout, const Column& column) {
    return column.kind == ColumnKind::Decimal ? static_cast<int>(2 * layout.fields[column.field].size - 1) : 0;
}

Value Value::ofInteger(int64_t v) {
    Value value;
    value.type = SQLITE_INTEGER;
    value.integer = v;
    return value;
}

Value Value::ofText(std::string utf8) {
    Value value;
    value.type = SQLITE_TEXT;
    value.bytes = std::move(utf8);
    return value;
}

namespace {

const int64_t kFirstDay = *dateFromCivil(kFirstYear, 1, 1);
const int64_t kLastDay = *dateFromCivil(kLastYear, 12, 31);

}  // namespace

bool isStoredDate(int64_t day) {
    return day == 0 || (day >= kFirstDay && day <= kLastDay);
}

std::vector<ColumnPlace> columnPlaces(const data::Layout& layout, const std::vector<Column>& columns) {
    std::vector<ColumnPlace> places;
    places.reserve(columns.size());
    for (const Column& column : columns) {
        ColumnPlace place;
        place.kind = column.kind;
        if (column.kind != ColumnKind::Memo) {
            const data::FieldDef& f = layout.fields[column.field];
            place.offset = static_cast<uint32_t>(f.offset + f.size * column.element);
            place.size = f.size;
            const data::IntegerRange range = data::integerRange(f.type);
            place.low = range.low;
            place.high = range.high;
            if (f.type == data::FieldType::Date) {
                place.date = true;
                place.low = 0;
                place.high = kLastDay;
            }
            const bool inImage =
                column.element < f.elements && std::size_t{f.offset} + f.totalSize() <= layout.recordSize;
            place.direct = inImage && (column.kind != ColumnKind::Integer || f.size <= 8) &&
                           (column.kind != ColumnKind::CText || f.size >= 1);
        }
        places.push_back(place);
    }
    return places;
}

bool decodeDirect(const Value& value, const ColumnPlace& place, std::span<uint8_t> image) {
    if (!place.direct) return false;
    uint8_t* bytes = image.data() + place.offset;
    switch (place.kind) {
        case ColumnKind::Integer: {
            if (value.type != SQLITE_INTEGER || value.integer < place.low || value.integer > place.high) return false;
            if (place.date && value.integer > 0 && value.integer < kFirstDay) return false;
            auto raw = static_cast<uint64_t>(value.integer);
            for (uint32_t i = 0; i < place.size; ++i) {
                bytes[i] = static_cast<uint8_t>(raw & 0xFF);
                raw >>= 8;
            }
            return true;
        }
        case ColumnKind::Decimal:
            return value.type == SQLITE_INTEGER && packUnits(value.integer, std::span<uint8_t>(bytes, place.size));
        case ColumnKind::Text:
        case ColumnKind::CText: {
            if (value.type != SQLITE_TEXT) return false;
            std::string_view held = value.bytes;
            if (place.kind == ColumnKind::Text) held = clipRight(held);
            const std::size_t capacity = place.kind == ColumnKind::CText ? place.size - 1 : place.size;
            if (held.size() > capacity || !isAscii(held)) return false;
            if (place.kind == ColumnKind::CText && held.find('\0') != std::string_view::npos) return false;
            if (!held.empty()) std::memcpy(bytes, held.data(), held.size());
            std::memset(bytes + held.size(), place.kind == ColumnKind::CText ? 0 : ' ', place.size - held.size());
            return true;
        }
        case ColumnKind::Memo:
            break;
    }
    return false;
}

bool encodeDirect(const data::Record& record, const Column& column, const ColumnPlace& place, Value& out) {
    if (!place.direct) return false;
    const uint8_t* bytes = record.image().data() + place.offset;
    switch (place.kind) {
        case ColumnKind::Integer:
            out.type = SQLITE_INTEGER;
            out.integer = record.integer(column.field, column.element);
            break;
        case ColumnKind::Decimal: {
            const auto units = unpackUnits(std::span<const uint8_t>(bytes, place.size));
            if (!units) return false;
            out.type = SQLITE_INTEGER;
            out.integer = *units;
            break;
        }
        case ColumnKind::Text:
        case ColumnKind::CText: {
            std::string_view held(reinterpret_cast<const char*>(bytes), place.size);
            if (place.kind == ColumnKind::Text) {
                held = clipRight(held);
            } else if (const auto nul = held.find('\0'); nul != std::string_view::npos) {
                held = held.substr(0, nul);
            }
            out.type = SQLITE_TEXT;
            out.integer = 0;
            out.real = 0;
            out.bytes.clear();
            appendCp1250AsUtf8(out.bytes, held);
            return true;
        }
        case ColumnKind::Memo:
            return false;
    }
    out.real = 0;
    out.bytes.clear();
    return true;
}

Result<Value> encodeColumn(const data::Record& record, const Column& column) {
    switch (column.kind) {
        case ColumnKind::Integer:
            return Value::ofInteger(record.integer(column.field, column.element));
        case ColumnKind::Decimal: {
            auto value = record.decimal(column.field, column.element);
            if (!value) return value.error();
            const int places = record.layout().fields[column.field].places;
            const auto units = value->unitsAt(places);
            if (!units)
                return makeError(record.layout().fullFieldName(column.field) + ": cannot be held with " +
                                 std::to_string(places) + " decimals");
            return Value::ofInteger(*units);
        }
        case ColumnKind::Text:
            return Value::ofText(clipRight(record.text(column.field, column.element)).toUtf8());
        case ColumnKind::CText:
            return Value::ofText(record.text(column.field, column.element).toUtf8());
        case ColumnKind::Memo:
            return Value::ofText(cp1250ToUtf8(record.memo(column.memo)));
    }
    return makeError("unknown column kind");
}

Result<void> decodeColumn(const Value& value, const Column& column, data::Record& record) {
    const data::Layout& layout = record.layout();
    const bool wantText = column.isText();
    if (value.type != (wantText ? SQLITE_TEXT : SQLITE_INTEGER)) {
        const std::string shown = shownValue(value);
        return makeError("holds " + std::string(typeName(value.type)) + (shown.empty() ? "" : " " + shown) + " where " +
                         (wantText ? "a text" : "a whole number") + " belongs");
    }
    // Every row of every read comes through here, so the values go straight into the record's image; the
    // record's own setters, with their messages, are left for what does not fit.
    const auto place = [&](const data::FieldDef& f) {
        return record.image().subspan(f.offset + std::size_t{f.size} * column.element, f.size);
    };
    switch (column.kind) {
        case ColumnKind::Integer: {
            const data::FieldDef& f = layout.fields[column.field];
            const data::IntegerRange range = data::integerRange(f.type);
            if (value.integer < range.low || value.integer > range.high) {
                return makeError("holds " + std::to_string(value.integer) + ", outside " + std::to_string(range.low) +
                                 " .. " + std::to_string(range.high));
            }
            if (f.type == data::FieldType::Date && !isStoredDate(value.integer)) {
                return makeError("holds the day number " + std::to_string(value.integer) +
                                 ", which is no calendar date between " + std::to_string(kFirstYear) + " and " +
                                 std::to_string(kLastYear));
            }
            if (column.element >= f.elements || f.size > 8) {
                return record.setInteger(column.field, value.integer, column.element);
            }
            auto raw = static_cast<uint64_t>(value.integer);
            for (uint8_t& byte : place(f)) {
                byte = static_cast<uint8_t>(raw & 0xFF);
                raw >>= 8;
            }
            return {};
        }
        case ColumnKind::Decimal: {
            const data::FieldDef& f = layout.fields[column.field];
            if (column.element < f.elements && packUnits(value.integer, place(f))) return {};
            const int places = f.places;
            const Decimal amount = Decimal::fromUnits(value.integer, places);
            const int digits = decimalDigits(layout, column);
            if (!amount.fitsDigits(digits, places)) {
                return makeError("holds " + amount.toString() + ", more than " + std::to_string(digits) + " digits");
            }
            return record.setDecimal(column.field, amount, column.element);
        }
        case ColumnKind::Text:
        case ColumnKind::CText:
        case ColumnKind::Memo: {
            // Plain ASCII reads the same in both encodings: no conversion, no copy.
            std::string converted;
            std::string_view held = value.bytes;
            if (!isAscii(held)) {
                auto text = utf8ToCp1250(value.bytes);
                if (!text) return makeError("holds a text that cannot be read: " + text.error().message);
                converted = std::move(text).value();
                held = converted;
            }
            // Trailing blanks of a fixed-width text carry no meaning: the field pads them back.
            if (column.kind == ColumnKind::Text) held = clipRight(held);
            const std::size_t capacity = textCapacity(layout, column);
            if (held.size() > capacity) {
                return makeError("holds a text of " + std::to_string(held.size()) + " characters, more than " +
                                 std::to_string(capacity));
            }
            if (column.kind == ColumnKind::CText && held.find('\0') != std::string_view::npos) {
                return makeError("holds a text with a zero character");
            }
            if (column.kind == ColumnKind::Memo) return record.setMemo(column.memo, std::string(held));
            const data::FieldDef& f = layout.fields[column.field];
            if (column.element >= f.elements) {
                // An empty view from clipRight has no data pointer; hand over one that has.
                return record.setText(column.field, Text1250::fromBytes(held), column.element);
            }
            const auto bytes = place(f);
            // An empty view may carry no data pointer at all, which memcpy must never be given.
            if (!held.empty()) std::memcpy(bytes.data(), held.data(), held.size());
            std::memset(bytes.data() + held.size(), column.kind == ColumnKind::CText ? 0 : ' ',
                        bytes.size() - held.size());
            return {};
        }
    }
    return makeError("unknown column kind");
}

}  // namespace kirva::storage
