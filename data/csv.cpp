#include "data/csv.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <span>
#include <unordered_map>

#include "platform/date.h"
#include "platform/decimal.h"
#include "platform/text1250.h"

namespace kirva::data {

namespace {

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// ---- RFC 4180 tokenizer ----

struct RawField {
    std::string value;
    std::size_t line = 0;
    std::size_t column = 0;
};

struct RawRow {
    std::size_t line = 0;
    std::size_t extra = 0;  // fields past the tokenizer's limit: counted, never kept
    std::vector<CsvProblem> syntax;

    // The row's fields, none for an empty line.
    std::span<const RawField> fields() const { return {held.data(), size}; }
    // The next field of the row. The fields stay allocated from row to row (only `size` of them hold the
    // row), so that a long read does not allocate for every value.
    RawField& add() {
        if (size == held.size()) held.emplace_back();
        return held[size++];
    }
    void clear() {
        size = 0;
        extra = 0;
        syntax.clear();
    }

  private:
    std::vector<RawField> held;
    std::size_t size = 0;
};

// Splits the text into rows and fields. Line breaks are CRLF, LF or a lone CR; inside quotes they are part
// of the value. A syntax fault marks its row and the tokenizer goes on after it, so the next rows are still
// checked. The text may come in pieces: until the last piece is given, a row that reaches the end of the
// piece is taken back (More), and read again once the text goes on.
class Tokenizer {
  public:
    enum class Step { Row, End, More };

    // The text from the current position on; `last` when nothing follows it.
    void setText(std::string_view text, bool last) {
        text_ = text;
        pos_ = 0;
        last_ = last;
    }
    std::size_t position() const { return pos_; }
    // Fields of a row past this many are read over and counted, not kept: a row of millions of empty
    // fields must not take memory for each of them.
    void setLimit(std::size_t fields) { limit_ = fields; }

    Step next(RawRow& row) {
        row.clear();
        if (pos_ >= text_.size()) return last_ ? Step::End : Step::More;
        const std::size_t startPos = pos_;
        const std::size_t startLine = line_;
        short_ = false;
        readRow(row);
        if (!short_) return Step::Row;
        pos_ = startPos;
        line_ = startLine;
        return Step::More;
    }

  private:
    void readRow(RawRow& row) {
        row.line = line_;
        if (atLineBreak()) {
            skipLineBreak();
            return;
        }
        while (true) {
            const bool kept = row.fields().size() < limit_;
            RawField& field = kept ? row.add() : overflow_;
            if (!kept) ++row.extra;
            field.line = line_;
            field.column = row.fields().size() + row.extra;
            if (!atEnd() && text_[pos_] == '"') {
                if (!readQuoted(field, row)) return;  // the text ended inside the quotes
            } else {
                readPlain(field, row);
            }
            if (atEnd()) return;
            if (text_[pos_] == ',') {
                ++pos_;
                continue;
            }
            skipLineBreak();
            return;
        }
    }
    // Past the text; when more of it is to come, the row is short and will be read again.
    bool atEnd() {
        if (pos_ < text_.size()) return false;
        if (!last_) short_ = true;
        return true;
    }
    // Whether the byte at `at` is there; when more of the text is to come, its absence makes the row short.
    bool has(std::size_t at) {
        if (at < text_.size()) return true;
        if (!last_) short_ = true;
        return false;
    }
    bool atLineBreak() const { return text_[pos_] == '\n' || text_[pos_] == '\r'; }
    void skipLineBreak() {
        if (text_[pos_] == '\r' && has(pos_ + 1) && text_[pos_ + 1] == '\n') ++pos_;
        ++pos_;
        ++line_;
    }
    static void fault(RawRow& row, const RawField& field, std::string message) {
        row.syntax.push_back({field.line, field.column, {}, std::move(message)});
    }
    void readPlain(RawField& field, RawRow& row) {
        const std::size_t start = pos_;
        bool quoteSeen = false;
        while (!atEnd() && text_[pos_] != ',' && !atLineBreak()) {
            if (text_[pos_] == '"') quoteSeen = true;
            ++pos_;
        }
        field.value.assign(text_.substr(start, pos_ - start));
        if (quoteSeen) fault(row, field, "a quote inside a value that does not start with a quote");
    }
    bool readQuoted(RawField& field, RawRow& row) {
        ++pos_;  // the opening quote
        field.value.clear();
        while (true) {
            if (atEnd()) {
                fault(row, field, "the quoted value is not closed before the end of the file");
                return false;
            }
            const char c = text_[pos_];
            if (c == '"') {
                if (has(pos_ + 1) && text_[pos_ + 1] == '"') {
                    field.value += '"';
                    pos_ += 2;
                    continue;
                }
                if (short_) return false;
                ++pos_;
                break;
            }
            field.value += c;
            ++pos_;
            if (c == '\n' || (c == '\r' && (!has(pos_) || text_[pos_] != '\n'))) ++line_;
            if (short_) return false;
        }
        if (!atEnd() && text_[pos_] != ',' && !atLineBreak()) {
            fault(row, field, "characters follow the closing quote");
            while (!atEnd() && text_[pos_] != ',' && !atLineBreak()) ++pos_;
        }
        return true;
    }

    std::size_t limit_ = static_cast<std::size_t>(-1);
    RawField overflow_;  // where fields past the limit are read
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    bool last_ = true;
    bool short_ = false;  // the row being read reached the end of a piece that is not the last
};

// ---- values ----

bool allDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::string quoted(std::string_view value) {
    return "'" + std::string(value) + "'";
}

// Each returns an empty text when the value was stored, else what is wrong with it.
std::string setWhole(Record& record, std::size_t field, std::size_t element, std::string_view value) {
    const FieldDef& def = record.layout().fields[field];
    if (value.empty()) return record.setInteger(field, 0, element) ? "" : "cannot be cleared";
    const bool negative = value.front() == '-';
    const std::string_view digits = negative ? value.substr(1) : value;
    if (!allDigits(digits)) return quoted(value) + " is not a whole number";
    const IntegerRange range = integerRange(def.type);
    const std::size_t first = digits.find_first_not_of('0');
    const std::string_view significant = first == std::string_view::npos ? "0" : digits.substr(first);
    int64_t number = 0;
    bool fits = significant.size() <= 18;
    if (fits) {
        for (char c : significant) number = number * 10 + (c - '0');
        if (negative) number = -number;
        fits = number >= range.low && number <= range.high;
    }
    if (!fits) {
        return quoted(value) + " is out of range for " + std::string(range.kind) + " (" + std::to_string(range.low) +
               " to " + std::to_string(range.high) + ")";
    }
    auto stored = record.setInteger(field, number, element);
    return stored ? "" : stored.error().message;
}

std::string setDecimalValue(Record& record, std::size_t field, std::size_t element, std::string_view value) {
    const FieldDef& def = record.layout().fields[field];
    const int digits = static_cast<int>(def.size) * 2 - 1;
    if (value.empty()) return record.setDecimal(field, Decimal(), element) ? "" : "cannot be cleared";
    std::string_view body = value.front() == '-' ? value.substr(1) : value;
    const std::size_t point = body.find('.');
    const std::string_view whole = body.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : body.substr(point + 1);
    if (!allDigits(whole) || (point != std::string_view::npos && !allDigits(fraction))) {
        return quoted(value) + " is not a decimal number (digits with a point, such as -1234.50)";
    }
    if (fraction.size() > def.places) {
        return quoted(value) + " has more decimals than the field holds (" + std::to_string(def.places) + ")";
    }
    // Most values go straight into the field as units of its last place; 18 digits always fit the units.
    if (whole.size() + def.places <= 18) {
        int64_t units = 0;
        for (const char c : whole) units = units * 10 + (c - '0');
        for (std::size_t i = 0; i < def.places; ++i) units = units * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
        const Decimal number = Decimal::fromUnits(value.front() == '-' ? -units : units, def.places);
        if (record.setDecimal(field, number, element)) return "";
    }
    auto number = Decimal::parse(value, def.places);
    if (!number || !number->fitsDigits(digits, def.places)) {
        return quoted(value) + " has more digits than the field holds (" + std::to_string(digits) + ", of which " +
               std::to_string(def.places) + " decimals)";
    }
    auto stored = record.setDecimal(field, *number, element);
    return stored ? "" : stored.error().message;
}

std::string setDateValue(Record& record, std::size_t field, std::size_t element, std::string_view value) {
    if (value.empty()) return record.setInteger(field, 0, element) ? "" : "cannot be cleared";
    const bool form = value.size() == 10 && value[4] == '-' && value[7] == '-' && allDigits(value.substr(0, 4)) &&
                      allDigits(value.substr(5, 2)) && allDigits(value.substr(8, 2));
    if (!form) return quoted(value) + " is not a date in the form yyyy-mm-dd";
    auto date = dateFromCivil((value[0] - '0') * 1000 + (value[1] - '0') * 100 + (value[2] - '0') * 10 + value[3] - '0',
                              (value[5] - '0') * 10 + value[6] - '0', (value[8] - '0') * 10 + value[9] - '0');
    if (!date) return quoted(value) + " is not a calendar date";
    auto stored = record.setInteger(field, *date, element);
    return stored ? "" : stored.error().message;
}

// The Windows-1250 form of a text value, or what is wrong with it.
std::string toText(std::string_view value, std::size_t room, std::string& out) {
    if (value.find('\0') != std::string_view::npos) return "a text may not hold a zero byte";
    auto converted = utf8ToCp1250(value);
    if (!converted) return converted.error().message;
    if (converted->size() > room) {
        return "a text of " + std::to_string(converted->size()) + " characters is longer than the field holds (" +
               std::to_string(room) + ")";
    }
    out = std::move(converted).value();
    return {};
}

std::string setValue(Record& record, const CsvColumn& column, std::string_view value) {
    const Layout& layout = record.layout();
    if (column.kind == CsvColumn::Kind::Memo) {
        std::string text;
        if (auto problem = toText(value, layout.memos[column.index].size, text); !problem.empty()) return problem;
        auto stored = record.setMemo(column.index, std::move(text));
        return stored ? "" : stored.error().message;
    }
    const FieldDef& def = layout.fields[column.index];
    switch (def.type) {
        case FieldType::Text:
        case FieldType::CText: {
            std::string text;
            const std::size_t room = def.type == FieldType::CText ? def.size - 1 : def.size;
            if (auto problem = toText(value, room, text); !problem.empty()) return problem;
            auto stored = record.setText(column.index, Text1250::fromBytes(text), column.element);
            return stored ? "" : stored.error().message;
        }
        case FieldType::Decimal:
            return setDecimalValue(record, column.index, column.element, value);
        case FieldType::Date:
            return setDateValue(record, column.index, column.element, value);
        case FieldType::Group:
            return "a group is not a column";
        default:
            return setWhole(record, column.index, column.element, value);
    }
}

// What a header name that is no column means, for a message that helps.
std::string unknownColumnMessage(const Layout& layout, const std::string& name) {
    std::string message = "unknown column " + quoted(name) + ": " + std::string(layout.label) + " has no such field";
    const auto field = layout.findField(name);
    if (!field) return message;
    const FieldDef& def = layout.fields[*field];
    if (def.type == FieldType::Group) {
        message = quoted(name) + " is a group; name its members instead:";
        for (auto member : layout.groupMembers(*field)) message += " " + std::string(layout.fields[member].name);
    } else if (def.elements > 1) {
        message = quoted(name) + " is an array; name its elements " + std::string(def.name) + "[1] to " +
                  std::string(def.name) + "[" + std::to_string(def.elements) + "]";
    }
    return message;
}

bool needsQuotes(std::string_view value) {
    if (value.find_first_of(",\"\r\n") != std::string_view::npos) return true;
    return !value.empty() &&
           (value.front() == ' ' || value.front() == '\t' || value.back() == ' ' || value.back() == '\t');
}

void appendField(std::string& out, std::string_view value) {
    if (!needsQuotes(value)) {
        out += value;
        return;
    }
    out += '"';
    for (char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

std::vector<CsvColumn> csvColumns(const Layout& layout) {
    std::vector<CsvColumn> columns;
    for (auto field : layout.storedFields()) {
        const FieldDef& def = layout.fields[field];
        if (def.elements <= 1) {
            columns.push_back({CsvColumn::Kind::Field, field, 0, std::string(def.name)});
            continue;
        }
        for (std::size_t e = 0; e < def.elements; ++e) {
            columns.push_back(
                {CsvColumn::Kind::Field, field, e, std::string(def.name) + "[" + std::to_string(e + 1) + "]"});
        }
    }
    for (std::size_t m = 0; m < layout.memos.size(); ++m) {
        columns.push_back({CsvColumn::Kind::Memo, m, 0, std::string(layout.memos[m].name)});
    }
    return columns;
}

std::string CsvProblem::text() const {
    std::string out = "line " + std::to_string(line);
    if (column != 0) out += ", column " + std::to_string(column);
    if (!field.empty()) out += " (" + field + ")";
    return out + ": " + message;
}

struct CsvReader::State {
    const Layout& layout;
    CsvReadOptions options;
    std::istream* in = nullptr;  // null when the whole text was given
    std::string buffer;          // the part of the text not read yet (when read from `in`)
    std::string_view text;       // what the tokenizer reads: the buffer, or the whole text
    bool last = true;
    bool failed = false;  // `in` could not be read
    Tokenizer tokenizer;
    std::vector<CsvColumn> columns;
    std::vector<std::size_t> order;  // CSV column → layout column
    bool started = false;
    bool usable = false;  // the header named the columns
    RawRow row;
    CsvRecord current;
    CsvReadResult status;

    State(const Layout& l, const CsvReadOptions& o)
        : layout(l), options(o), columns(csvColumns(l)), current{Record(l), 0} {}

    void report(CsvProblem problem) {
        ++status.problemCount;
        if (status.problems.size() < options.maxListed) status.problems.push_back(std::move(problem));
    }

    // Moves the unread part to the front of the buffer and appends the next piece of `in`.
    void readMore() {
        buffer.erase(0, tokenizer.position());
        const std::size_t had = buffer.size();
        buffer.resize(had + std::max(std::max<std::size_t>(options.pieceSize, 1), had));
        in->read(buffer.data() + had, static_cast<std::streamsize>(buffer.size() - had));
        const auto got = static_cast<std::size_t>(in->gcount());
        buffer.resize(had + got);
        if (in->bad()) failed = true;
        last = got == 0 || in->eof() || failed;
        tokenizer.setText(buffer, last);
    }

    Tokenizer::Step nextRow() {
        for (;;) {
            const Tokenizer::Step step = tokenizer.next(row);
            if (step != Tokenizer::Step::More || in == nullptr) return step;
            readMore();
        }
    }

    void start() {
        started = true;
        if (in != nullptr) {
            last = false;
            tokenizer.setText({}, false);
            while (!last && buffer.size() < 3) readMore();
        }
        std::string_view whole = in != nullptr ? std::string_view(buffer) : text;
        const std::size_t bom = whole.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
        if (in != nullptr) {
            buffer.erase(0, bom);
            tokenizer.setText(buffer, last);
        } else {
            tokenizer.setText(text.substr(bom), true);
        }
        tokenizer.setLimit(columns.size());
        if (nextRow() != Tokenizer::Step::Row || row.fields().empty()) {
            report({1, 0, {}, "the first line must name the columns"});
            return;
        }
        for (auto& problem : row.syntax) report(std::move(problem));
        if (row.extra != 0) {
            report({1,
                    columns.size() + 1,
                    {},
                    "the header names " + std::to_string(columns.size() + row.extra) + " columns; " +
                        std::string(layout.label) + " has " + std::to_string(columns.size())});
        }
        if (!status.ok()) return;

        // Header: each name to its column.
        std::unordered_map<std::string, std::size_t> byName;
        for (std::size_t i = 0; i < columns.size(); ++i) byName.emplace(columns[i].name, i);
        const std::string prefix = upperAscii(layout.prefix) + ":";
        std::vector<std::size_t> namedAt(columns.size(), 0);  // layout column → 1-based CSV column, 0 = not named
        for (const RawField& field : row.fields()) {
            std::string name = upperAscii(trimBlanks(field.value));
            if (name.starts_with(prefix)) name.erase(0, prefix.size());
            const auto found = byName.find(name);
            if (found == byName.end()) {
                report({field.line, field.column, {}, unknownColumnMessage(layout, name)});
                continue;
            }
            if (namedAt[found->second] != 0) {
                report({field.line, field.column, name,
                        "the column is named twice (first in column " + std::to_string(namedAt[found->second]) + ")"});
                continue;
            }
            namedAt[found->second] = field.column;
            order.push_back(found->second);
        }
        if (!status.ok()) return;
        usable = true;
        tokenizer.setLimit(order.size());
    }

    // The next good record, or null at the end; a bad row is counted and skipped.
    CsvRecord* next() {
        if (!started) start();
        if (!usable) return nullptr;
        while (nextRow() == Tokenizer::Step::Row) {
            if (row.fields().empty() && row.syntax.empty()) continue;  // an empty line
            const std::size_t before = status.problemCount;
            for (auto& problem : row.syntax) report(std::move(problem));
            const std::size_t values = row.fields().size() + row.extra;
            if (status.problemCount == before && values != order.size()) {
                const std::size_t column = std::min(values, order.size()) + 1;
                report({row.line,
                        column,
                        {},
                        "the row has " + std::to_string(values) + " values where the header names " +
                            std::to_string(order.size()) + " columns"});
            }
            if (status.problemCount == before) {
                current.record.clear();
                for (std::size_t i = 0; i < order.size(); ++i) {
                    const CsvColumn& column = columns[order[i]];
                    const RawField& field = row.fields()[i];
                    if (auto problem = setValue(current.record, column, field.value); !problem.empty()) {
                        report({field.line, field.column, column.name, std::move(problem)});
                    }
                }
            }
            if (status.problemCount != before) {
                ++status.badRecords;
                continue;
            }
            current.line = row.line;
            return &current;
        }
        return nullptr;
    }
};

CsvReader::CsvReader(const Layout& layout, std::istream& in, const CsvReadOptions& options)
    : state_(std::make_unique<State>(layout, options)) {
    state_->in = &in;
}

CsvReader::CsvReader(const Layout& layout, std::string_view utf8, const CsvReadOptions& options)
    : state_(std::make_unique<State>(layout, options)) {
    state_->text = utf8;
}

CsvReader::~CsvReader() = default;

CsvRecord* CsvReader::next() {
    return state_->next();
}

const std::vector<CsvProblem>& CsvReader::problems() const {
    return state_->status.problems;
}
std::size_t CsvReader::problemCount() const {
    return state_->status.problemCount;
}
std::size_t CsvReader::badRecords() const {
    return state_->status.badRecords;
}
bool CsvReader::readFailed() const {
    return state_->failed;
}

CsvReadResult readCsv(const Layout& layout, std::string_view utf8, const CsvReadOptions& options) {
    CsvReader reader(layout, utf8, options);
    CsvReadResult result;
    while (const CsvRecord* record = reader.next()) {
        if (reader.ok()) result.records.push_back(*record);
    }
    if (!reader.ok()) result.records.clear();  // they will not be written
    result.problems = reader.problems();
    result.problemCount = reader.problemCount();
    result.badRecords = reader.badRecords();
    return result;
}

CsvWriter::CsvWriter(const Layout& layout) : layout_(&layout), columns_(csvColumns(layout)) {}

std::string CsvWriter::header() const {
    std::string out;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (i != 0) out += ',';
        appendField(out, columns_[i].name);
    }
    return out + "\n";
}

Result<void> CsvWriter::append(const Record& record, std::string& out) const {
    std::string line;
    std::string value;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const CsvColumn& column = columns_[i];
        value.clear();
        if (column.kind == CsvColumn::Kind::Memo) {
            value = cp1250ToUtf8(record.memo(column.index));
        } else {
            const FieldDef& def = layout_->fields[column.index];
            switch (def.type) {
                case FieldType::Text:
                case FieldType::CText: {
                    const Text1250 text = record.text(column.index, column.element);
                    if (def.type == FieldType::CText && text.size() >= def.size) {
                        return makeError("column " + column.name + ": the zero-terminated text has no terminator");
                    }
                    value = clipRight(text).toUtf8();
                    break;
                }
                case FieldType::Decimal: {
                    auto number = record.decimal(column.index, column.element);
                    if (!number) return makeError("column " + column.name + ": " + number.error().message);
                    auto fixed = number->rescaled(def.places);
                    if (!fixed) return makeError("column " + column.name + ": " + fixed.error().message);
                    value = fixed->toString();
                    break;
                }
                case FieldType::Date: {
                    const auto day = record.integer(column.index, column.element);
                    if (day == 0) break;
                    const CivilDate civil = civilFromDate(static_cast<DateNumber>(day));
                    if (day < 0 || !dateFromCivil(civil.year, civil.month, civil.day)) {
                        return makeError("column " + column.name + ": the day number " + std::to_string(day) +
                                         " is no calendar date between " + std::to_string(kFirstYear) + " and " +
                                         std::to_string(kLastYear));
                    }
                    value = formatDateIso(static_cast<DateNumber>(day));
                    break;
                }
                case FieldType::Group:
                    break;
                default:
                    value = std::to_string(record.integer(column.index, column.element));
                    break;
            }
        }
        if (value.find('\0') != std::string::npos) {
            // The reader refuses zero bytes, so writing one would make a text that cannot be read back.
            return makeError("column " + column.name + ": the text holds a zero byte, which the CSV form cannot carry");
        }
        if (i != 0) line += ',';
        if (columns_.size() == 1 && value.empty()) {
            line += "\"\"";  // an empty line would read as no record at all
        } else {
            appendField(line, value);
        }
    }
    out += line;
    out += '\n';
    return {};
}

}  // namespace kirva::data
