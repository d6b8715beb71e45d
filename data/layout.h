// The invoicing system's data files as this program declares them: one declarative layout table per file
// (fields, keys, memos, value domains, initial values and validation), the record image built from it,
// and the field rules. The tables are the single source of truth: the record image, the SQLite schema,
// the CSV form and the validation are all derived from them. Depends on platform/ only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kirva::data {

enum class FieldType : uint8_t {
    Byte,     // unsigned 8-bit
    Short,    // signed 16-bit, little-endian
    UShort,   // unsigned 16-bit
    Long,     // signed 32-bit
    ULong,    // unsigned 32-bit
    Text,     // fixed length, blank-padded Windows-1250
    CText,    // zero-terminated, at most size-1 characters
    Decimal,  // packed decimal of `size` bytes, 2*size-1 digits, `places` decimals
    Date,     // day number, signed 32-bit
    Group,    // a named run of the fields that follow it inside [offset, offset+size); not stored itself
};

// The values a whole-number or date field can hold, and how a message names its type; low > high for the
// types that are not whole numbers.
struct IntegerRange {
    int64_t low;
    int64_t high;
    std::string_view kind;
};
IntegerRange integerRange(FieldType type);

struct FieldDef {
    std::string_view name;  // upper case, without the file's prefix
    FieldType type;
    uint32_t offset;
    uint32_t size;          // bytes of one element; a group's whole width
    uint8_t places = 0;     // decimals of a Decimal
    uint16_t elements = 1;  // array length; elements follow one another without gaps

    uint32_t totalSize() const { return size * elements; }
    bool isNumber() const { return type != FieldType::Text && type != FieldType::CText && type != FieldType::Group; }
};

struct KeyDef {
    std::string_view name;                     // upper case, without prefix: "RACUNKLJUC"
    std::vector<std::string_view> components;  // field names, ascending, in order
    bool unique = false;
    bool primary = false;
    int autoNumbered = 0;          // 1-based component that is auto-numbered; 0 = none
    std::string_view description;  // UTF-8 as it appears in the source; exact, leading blanks included
};

struct MemoDef {
    std::string_view name;         // "OPOMBE"
    uint32_t size;                 // at most this many bytes
    std::string_view exposedName;  // name made available to expressions: "SFPARTN:Opombe"
};

enum class RuleKind : uint8_t { CodeList, Range };

// One field rule of the file's CheckField. `dictionaryNumber` is the number the rule is called with.
struct FieldRule {
    int dictionaryNumber;
    std::string_view field;
    RuleKind kind;
    std::string_view codeList;        // "]R[]D[]T[" for CodeList
    std::string_view displayTexts;    // UTF-8: "'Oproščena dobava EU ','Druga dobava EU ',..."
    std::string_view prompt;          // UTF-8: the field's name in messages
    int64_t low = 0;                  // Range
    int64_t high = 0;                 // Range
    std::string_view rangeText = {};  // "1 .. 12"
};

enum class InitialKind : uint8_t { Text, Number, Today };

struct InitialValue {
    std::string_view field;
    InitialKind kind;
    std::string_view text = {};  // UTF-8, for Text
    int64_t number = 0;          // for Number
};

struct Layout {
    std::string_view label;     // "FARACUN"; "FAPARAC2" for the second view
    std::string_view prefix;    // "FARACUN"; "FAP" for FAPARAC2
    std::string_view table;     // SQLite table: the label, except FAPARAC2 which shares "FAPARAC"
    std::string_view fileName;  // "FARACUN.DB"; empty when the program never assigns a name
    uint32_t recordSize;
    uint32_t nameTextBytes;        // 255 or 256: the size of the file-name text
    int structureVersion;          // version registered with the upgrade component; -1 when not registered
    std::vector<FieldDef> fields;  // in the table's order; the table's number is index + 1
    std::vector<KeyDef> keys;      // in declaration order
    std::vector<MemoDef> memos;
    std::vector<FieldRule> rules;
    std::vector<InitialValue> initialValues;

    // Case-insensitive; accepts "NAME" and "PREFIX:NAME".
    std::optional<std::size_t> findField(std::string_view name) const;
    std::optional<std::size_t> findKey(std::string_view name) const;
    std::optional<std::size_t> findMemo(std::string_view name) const;
    // Indexes of the fields a group holds (the fields after it that lie inside its width).
    std::vector<std::size_t> groupMembers(std::size_t group) const;
    // The fields stored as columns: every field but groups.
    std::vector<std::size_t> storedFields() const;
    // Stored fields that make up a key, in order, groups replaced by their members.
    std::vector<std::size_t> keyColumns(std::size_t key) const;
    // "FARACUN:BE"
    std::string fullFieldName(std::size_t field) const;
    std::string fullKeyName(std::size_t key) const;
};

// All thirteen layouts in the dictionary's own order (APPINRA first, FAPARAC2 last).
const std::vector<const Layout*>& dictionaryLayouts();
// Case-insensitive lookup by label; nullptr when unknown.
const Layout* findLayout(std::string_view label);

const Layout& appinraLayout();
const Layout& appindodLayout();
const Layout& qfastorLayout();
const Layout& qfastpoLayout();
const Layout& saopracLayout();
const Layout& sfpartnLayout();
const Layout& odmeenoLayout();
const Layout& sfpoenLayout();
const Layout& faracunLayout();
const Layout& faparacLayout();
const Layout& appinsLayout();
const Layout& sfenpaLayout();
const Layout& faparac2Layout();

}  // namespace kirva::data
