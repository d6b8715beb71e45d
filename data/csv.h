// The CSV form of a data file, derived from its layout alone: one column per stored field (array elements
// as NAME[1] .. NAME[n]), one per memo, groups never (their members are columns). The reader takes RFC 4180
// text in UTF-8 and refuses rather than alters: every bad value is reported with its line and column, and
// the caller writes nothing unless the whole text was good. The writer produces the same form, so a text
// it wrote reads back to the same records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/layout.h"
#include "data/record.h"
#include "platform/result.h"

namespace kirva::data {

// One column of a layout's CSV form.
struct CsvColumn {
    enum class Kind : uint8_t { Field, Memo };
    Kind kind = Kind::Field;
    std::size_t index = 0;    // field index (Layout::fields) or memo index (Layout::memos)
    std::size_t element = 0;  // 0-based array element
    std::string name;         // "ZNESEKDEBET", "DELNOPLACILODATUM[2]", "OPOMBE"
};

// The columns in the layout's order: stored fields first, memos after them.
std::vector<CsvColumn> csvColumns(const Layout& layout);

// One thing wrong with the text, placed where the user can find it.
struct CsvProblem {
    std::size_t line = 0;    // 1-based line of the text where the value (or row) starts
    std::size_t column = 0;  // 1-based column; 0 when the problem is the row as a whole
    std::string field;       // the column's name, empty when there is none
    std::string message;
    // "line 4, column 7 (ZNESEKDEBET): ..." or "line 4: ..."
    std::string text() const;
};

struct CsvRecord {
    Record record;
    std::size_t line = 0;  // where the record starts in the text
};

struct CsvReadResult {
    std::vector<CsvRecord> records;    // the records read, in the text's order; complete only when ok()
    std::vector<CsvProblem> problems;  // the first problems found, at most CsvReadOptions::maxListed
    std::size_t problemCount = 0;      // every problem found, listed or not
    std::size_t badRecords = 0;        // rows holding at least one problem
    bool ok() const { return problemCount == 0; }
};

struct CsvReadOptions {
    std::size_t maxListed = 50;
    std::size_t pieceSize = std::size_t{1} << 20;  // bytes read from a stream at a time
};

// Reads the whole text. Values: whole numbers within their type; decimals with a point and at most the
// field's places and digits; dates yyyy-mm-dd; an empty number, decimal or date is 0; texts converted to
// Windows-1250 and no longer than the field. A header naming an unknown or a repeated column stops the
// reading there; every other problem is counted and the reading goes on with the next row.
CsvReadResult readCsv(const Layout& layout, std::string_view utf8, const CsvReadOptions& options = {});

// Reads a CSV text one record after another, with the checks of readCsv, so that a text of any length
// is read in bounded memory: from a stream, it holds a piece of the text (a megabyte, or the longest row)
// and one record.
class CsvReader {
  public:
    CsvReader(const Layout& layout, std::istream& in, const CsvReadOptions& options = {});
    CsvReader(const Layout& layout, std::string_view utf8, const CsvReadOptions& options = {});
    ~CsvReader();
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // The next good record (the reader's own, valid until the next call), null at the end of the text or when the
    // header is not usable. A bad row is counted, its problems noted, and the reading goes on after it.
    CsvRecord* next();

    // The first problems found so far (at most CsvReadOptions::maxListed), all of them counted.
    const std::vector<CsvProblem>& problems() const;
    std::size_t problemCount() const;
    std::size_t badRecords() const;  // rows holding at least one problem
    bool ok() const { return problemCount() == 0; }
    // The stream failed before its end: the text was not read whole.
    bool readFailed() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Writes records in the CSV form: the header in the layout's order, texts without trailing blanks, fields
// quoted only when they need it, lines ending in "\n".
class CsvWriter {
  public:
    explicit CsvWriter(const Layout& layout);

    const Layout& layout() const { return *layout_; }
    // The header line, "\n" included.
    std::string header() const;
    // Appends one record's line; an error (naming the column) when a stored value cannot be written, such
    // as a damaged packed decimal or a day number that is no calendar date. Nothing is appended then.
    Result<void> append(const Record& record, std::string& out) const;

  private:
    const Layout* layout_;
    std::vector<CsvColumn> columns_;
};

}  // namespace kirva::data
