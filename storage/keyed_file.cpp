#include "storage/keyed_file.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <limits>
#include <optional>
#include <utility>
#include <vector>
#include "platform/system_files.h"
#include "platform/text1250.h"
#include "platform/thread_slot.h"

#include "storage/schema.h"
#include "storage/sqlite_handle.h"

namespace kirva::storage {

namespace {

// A thread slot, not a thread_local object: see platform/thread_slot.h.
StorageError& threadLastError() {
    static platform::ThreadSlot<StorageError> error;
    return error.get();
}

// Rows fetched by one statement of a sequential read; the statement is reset before any row is served.
constexpr int kBatchSize = 256;
constexpr int64_t kMinRowid = std::numeric_limits<int64_t>::min();
constexpr int64_t kMaxRowid = std::numeric_limits<int64_t>::max();

std::string columnText(sqlite3_stmt* statement, int column) {
    const auto* text = sqlite3_column_text(statement, column);
    return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text));
}

// Fills `value` in place, so that a value read again and again keeps its text's storage. The column is
// taken once as SQLite's value and read from there: every sqlite3_column_* call would look it up again.
// (Such a value is unprotected, which matters only to a connection shared between threads; ours is not.)
void readValueInto(sqlite3_stmt* statement, int column, Value& value) {
    sqlite3_value* stored = sqlite3_column_value(statement, column);
    value.type = sqlite3_value_type(stored);
    value.integer = 0;
    value.real = 0;
    value.bytes.clear();
    switch (value.type) {
        case SQLITE_INTEGER:
            value.integer = sqlite3_value_int64(stored);
            break;
        case SQLITE_FLOAT:
            value.real = sqlite3_value_double(stored);
            break;
        case SQLITE_TEXT: {
            const auto* text = sqlite3_value_text(stored);
            const int size = sqlite3_value_bytes(stored);
            if (text != nullptr)
                value.bytes.assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
            break;
        }
        case SQLITE_BLOB: {
            const auto* blob = sqlite3_value_blob(stored);
            const int size = sqlite3_value_bytes(stored);
            if (blob != nullptr) value.bytes.assign(static_cast<const char*>(blob), static_cast<std::size_t>(size));
            break;
        }
        default:
            break;
    }
}

// SQLITE_STATIC only where the value outlives the statement's step and its reset (a ResetGuard's scope).
int bindValue(sqlite3_stmt* statement, int index, const Value& value,
              sqlite3_destructor_type lifetime = SQLITE_TRANSIENT) {
    switch (value.type) {
        case SQLITE_INTEGER:
            return sqlite3_bind_int64(statement, index, value.integer);
        case SQLITE_FLOAT:
            return sqlite3_bind_double(statement, index, value.real);
        case SQLITE_TEXT:
            return sqlite3_bind_text64(statement, index, value.bytes.data(), value.bytes.size(), lifetime, SQLITE_UTF8);
        case SQLITE_BLOB:
            return sqlite3_bind_blob64(statement, index, value.bytes.data(), value.bytes.size(), lifetime);
        default:
            return sqlite3_bind_null(statement, index);
    }
}

struct Row {
    int64_t rowid = 0;
    std::vector<Value> values;  // one per storage column
};

void readRowInto(sqlite3_stmt* statement, std::size_t columns, Row& row) {
    row.rowid = sqlite3_column_int64(statement, 0);
    row.values.resize(columns);
    for (std::size_t c = 0; c < columns; ++c) readValueInto(statement, static_cast<int>(c) + 1, row.values[c]);
}

Row readRow(sqlite3_stmt* statement, std::size_t columns) {
    Row row;
    readRowInto(statement, columns, row);
    return row;
}

uint32_t bigEndian(const unsigned char* bytes, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | bytes[i];
    return value;
}

bool exists(const std::string& path) {
    return platform::pathExists(path);
}

// A database file shorter than its header says has lost pages: SQLite would find out only when it reads
// them, perhaps in the middle of a book. A hot journal beside the file may still restore it, so the file
// is left to SQLite then.
bool isTruncated(const std::string& path, uint64_t fileSize) {
    if (fileSize < 100 || exists(path + "-journal") || exists(path + "-wal")) return false;
    std::ifstream in(platform::pathOf(path), std::ios::binary);
    std::array<unsigned char, 100> header{};
    if (!in.read(reinterpret_cast<char*>(header.data()), header.size())) return false;
    if (std::memcmp(header.data(), "SQLite format 3", 16) != 0) return false;
    uint64_t pageSize = bigEndian(&header[16], 2);
    if (pageSize == 1) pageSize = 65536;
    const uint64_t pages = bigEndian(&header[28], 4);
    const bool pagesValid = bigEndian(&header[24], 4) == bigEndian(&header[92], 4);
    return pagesValid && pages > 0 && fileSize < pages * pageSize;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of(platform::kPathSeparators);
    if (slash == std::string::npos) return ".";
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// Rolls back the interrupted write whose journal lies beside the file, through a connection that may write
// (SQLite rolls a hot journal back on that connection's first read). False when this user may not write to
// the file or its folder, or the rollback failed.
bool rollBackInterruptedWrite(const std::string& path, int busySeconds) {
    // A file marked read-only is not written even by a user the system would let through.
    const platform::FileStatus status = platform::fileStatus(path);
    if (status.error != 0 || status.readOnly) return false;
    if (!platform::mayWrite(path) || !platform::mayWrite(folderOf(path))) return false;
    sqlite::Database db;
    if (sqlite::openDatabase(path, SQLITE_OPEN_READWRITE, db) != SQLITE_OK) return false;
    sqlite3_busy_timeout(db.get(), busySeconds * 1000);
    sqlite::Statement read;
    if (sqlite::prepare(db.get(), "SELECT count(*) FROM sqlite_master", read) != SQLITE_OK) return false;
    return sqlite3_step(read.get()) == SQLITE_ROW;
}

}  // namespace

// Defined beside the driver, which alone knows SQLite's codes.
bool StorageError::isLock() const {
    const int primary = sqliteCode & 0xFF;
    return code == AccessDenied && (primary == SQLITE_BUSY || primary == SQLITE_LOCKED);
}

const StorageError& lastStorageError() {
    return threadLastError();
}

struct KeyedFile::Impl {
    // Where a sequential read stands. Anchored: next() reads from (key values, forwardFrom) on and
    // previous() from (key values, backwardFrom) back, both inclusive; an empty bound means nothing more
    // lies that way.
    struct Cursor {
        enum class Kind { None, First, Last, Anchored };
        Kind kind = Kind::None;
        std::size_t key = 0;
        std::vector<Value> values;
        std::optional<int64_t> forwardFrom;
        std::optional<int64_t> backwardFrom;
    };
    // The rows of one fetch. Its rows stay allocated from batch to batch (only `size` of them hold the
    // fetch), so a long read does not allocate for every record.
    struct Batch {
        bool valid = false;
        bool forward = true;
        std::vector<Row> rows;
        std::size_t size = 0;
        std::size_t next = 0;
        void reset() {
            valid = false;
            size = 0;
            next = 0;
        }
    };
    struct KeyStatements {
        sqlite::Statement scan[2][2];  // [forward][bounded]
        sqlite::Statement exact;
    };

    explicit Impl(const data::Layout& l)
        : layout(l),
          columns(storageColumns(l)),
          keys(keyColumnPositions(l, columns)),
          places(columnPlaces(l, columns)),
          scratch(l) {
        selectList = "rowid";
        for (const Column& c : columns) selectList += ", " + sqlite::quote(c.name);
    }

    const data::Layout& layout;
    std::vector<Column> columns;
    std::vector<std::vector<std::size_t>> keys;
    std::vector<ColumnPlace> places;
    std::string selectList;
    data::Record scratch;  // where a row is decoded before it reaches the caller's buffer

    int busySeconds = kDefaultLockWaitSeconds;
    std::string path;
    std::string lastOpenedPath;  // kept after a failed open, for buildKeys()
    uint64_t generation = 0;
    bool inTransaction = false;
    StorageError error;

    // Declared after the connection so that they are finalised before it closes.
    sqlite::Database db;
    std::vector<KeyStatements> keyStatements;
    sqlite::Statement insertStatement, updateStatement, deleteStatement, byRowidStatement, countStatement;

    Cursor cursor;
    Batch batch;
    std::optional<int64_t> current;    // the current record's rowid
    std::vector<Value> currentValues;  // what this object last read or wrote of it
    std::vector<Value> addedValues;    // where add() encodes; swapped with currentValues, so both keep their room

    int succeed() {
        error = {};
        threadLastError() = {};
        return NoError;
    }
    int fail(StorageError e) {
        error = std::move(e);
        threadLastError() = error;
        return error.code;
    }
    int fail(int rc) {
        StorageError e = sqlite::check(rc, db.get());
        // A lock says whose it is and how long it was waited for, so that nobody takes it for a damaged
        // file or missing rights.
        if (e.isLock()) {
            e.sqliteMessage = where() + " is locked by another program (waited " + std::to_string(busySeconds) +
                              " s): " + e.sqliteMessage;
        }
        return fail(std::move(e));
    }
    int failDriver(int code, const std::string& message) { return fail(sqlite::driverError(code, message)); }
    int notOpen() { return failDriver(DriverError, std::string(layout.label) + ": the file is not open"); }

    std::string where() const { return path.empty() ? std::string(layout.label) : path; }

    void forgetStatements() {
        keyStatements.clear();
        insertStatement.reset();
        updateStatement.reset();
        deleteStatement.reset();
        byRowidStatement.reset();
        countStatement.reset();
    }

    void closeDatabase() {
        forgetStatements();
        db.reset();
        path.clear();
        cursor = {};
        batch = {};
        current.reset();
        currentValues.clear();
        inTransaction = false;
        ++generation;
    }

    // Prepares a statement once and keeps it; returns the SQLite result.
    int prepared(sqlite::Statement& slot, const std::string& sql) {
        if (slot) return SQLITE_OK;
        return sqlite::prepare(db.get(), sql, slot);
    }

    std::string keyList(std::size_t key) const {
        std::string list;
        for (const std::size_t c : keys[key]) {
            if (!list.empty()) list += ", ";
            list += sqlite::quote(columns[c].name);
        }
        return list;
    }

    std::string scanSql(std::size_t key, bool forward, bool bounded) const {
        const std::string list = keyList(key);
        std::string sql = "SELECT " + selectList + " FROM " + sqlite::quote(layout.table);
        if (bounded) {
            sql += " WHERE (" + list + ", rowid) " + (forward ? ">=" : "<=") + " (";
            for (std::size_t i = 0; i <= keys[key].size(); ++i) sql += i == 0 ? "?" : ", ?";
            sql += ")";
        }
        const char* direction = forward ? "" : " DESC";
        sql += " ORDER BY ";
        for (const std::size_t c : keys[key]) sql += sqlite::quote(columns[c].name) + direction + ", ";
        sql += std::string("rowid") + direction + " LIMIT " + std::to_string(kBatchSize);
        return sql;
    }

    std::string exactSql(std::size_t key) const {
        std::string sql = "SELECT " + selectList + " FROM " + sqlite::quote(layout.table) + " WHERE ";
        for (std::size_t i = 0; i < keys[key].size(); ++i) {
            if (i > 0) sql += " AND ";
            sql += sqlite::quote(columns[keys[key][i]].name) + " = ?";
        }
        return sql + " ORDER BY rowid LIMIT 1";
    }

    int checkKey(std::size_t key) {
        if (key < layout.keys.size()) return NoError;
        return failDriver(DriverError, std::string(layout.label) + " has no key number " + std::to_string(key + 1));
    }

    int checkBuffer(const data::Record& buffer) {
        if (&buffer.layout() == &layout) return NoError;
        return failDriver(DriverError, "a record of " + std::string(buffer.layout().label) + " was given to " +
                                           std::string(layout.label));
    }

    // The stored values of a buffer, all columns or those of a key. The values `out` holds are written
    // over, so that a caller encoding many records keeps their texts' room.
    int encode(const data::Record& buffer, const std::vector<std::size_t>* only, std::vector<Value>& out) {
        const std::size_t count = only != nullptr ? only->size() : columns.size();
        out.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t c = only != nullptr ? (*only)[i] : i;
            if (encodeDirect(buffer, columns[c], places[c], out[i])) continue;
            auto value = encodeColumn(buffer, columns[c]);
            if (!value)
                return failDriver(DriverError, where() + ": the record cannot be stored: " + value.error().message);
            out[i] = std::move(value).value();
        }
        return NoError;
    }

    // Fills the buffer from a stored row; the buffer is left as it was when the row is damaged.
    int decode(const Row& row, data::Record& buffer) {
        // Every stored column is written whole, and what lies between them is never written, so the
        // scratch record needs no clearing between rows.
        data::Record& record = scratch;
        const std::span<uint8_t> image = record.image();
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (decodeDirect(row.values[c], places[c], image)) continue;
            auto done = decodeColumn(row.values[c], columns[c], record);
            if (!done) {
                const std::string name = std::string(layout.prefix) + ":" + columns[c].name;
                return failDriver(DriverError, where() + ": damaged record at position " + std::to_string(row.rowid) +
                                                   ": " + name + " " + done.error().message);
            }
        }
        buffer = record;
        return succeed();
    }

    void makeCurrent(int64_t rowid, std::vector<Value> values) {
        current = rowid;
        currentValues = std::move(values);
    }

    // The row at a position, or nothing; a failure is recorded and returned through `rc`.
    std::optional<Row> rowAt(int64_t rowid, int& rc) {
        rc = prepared(byRowidStatement,
                      "SELECT " + selectList + " FROM " + sqlite::quote(layout.table) + " WHERE rowid = ?");
        if (rc != SQLITE_OK) return std::nullopt;
        sqlite3_stmt* statement = byRowidStatement.get();
        sqlite::ResetGuard reset(statement);
        sqlite3_bind_int64(statement, 1, rowid);
        rc = sqlite3_step(statement);
        if (rc == SQLITE_ROW) {
            Row row = readRow(statement, columns.size());
            rc = SQLITE_OK;
            return row;
        }
        if (rc == SQLITE_DONE) rc = SQLITE_OK;
        return std::nullopt;
    }

    // Fetches the next batch of the sequence in one direction; an empty batch means the end.
    int fetch(bool forward) {
        batch.reset();
        batch.forward = forward;
        const Cursor& c = cursor;
        const bool unbounded = forward ? c.kind == Cursor::Kind::First : c.kind == Cursor::Kind::Last;
        const std::optional<int64_t>& bound = forward ? c.forwardFrom : c.backwardFrom;
        if (!unbounded && (c.kind != Cursor::Kind::Anchored || !bound)) {
            batch.valid = true;
            return NoError;
        }
        if (keyStatements.size() != layout.keys.size()) keyStatements.resize(layout.keys.size());
        sqlite::Statement& slot = keyStatements[c.key].scan[forward ? 1 : 0][unbounded ? 0 : 1];
        int rc = prepared(slot, scanSql(c.key, forward, !unbounded));
        if (rc != SQLITE_OK) return fail(rc);
        sqlite3_stmt* statement = slot.get();
        sqlite::ResetGuard reset(statement);
        if (!unbounded) {
            int index = 1;
            for (const Value& v : c.values) bindValue(statement, index++, v);
            sqlite3_bind_int64(statement, index, *bound);
        }
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            if (batch.size == batch.rows.size()) batch.rows.emplace_back();
            readRowInto(statement, columns.size(), batch.rows[batch.size++]);
        }
        if (rc != SQLITE_DONE) {
            batch.reset();
            return fail(rc);
        }
        batch.valid = true;
        return NoError;
    }

    int read(bool forward, data::Record& buffer) {
        if (!db) return notOpen();
        if (int rc = checkBuffer(buffer)) return rc;
        if (cursor.kind == Cursor::Kind::None) {
            return failDriver(DriverError, where() + ": no key order was set before reading");
        }
        if (!batch.valid || batch.forward != forward || batch.next >= batch.size) {
            if (int rc = fetch(forward)) return rc;
        }
        if (batch.next >= batch.size) {
            batch.valid = false;
            return failDriver(EndOfFile, where() + ": no further record");
        }
        Row& row = batch.rows[batch.next++];
        cursor.kind = Cursor::Kind::Anchored;
        const std::vector<std::size_t>& keyColumns = keys[cursor.key];
        cursor.values.resize(keyColumns.size());
        for (std::size_t i = 0; i < keyColumns.size(); ++i) cursor.values[i] = row.values[keyColumns[i]];
        cursor.forwardFrom = row.rowid == kMaxRowid ? std::nullopt : std::optional<int64_t>(row.rowid + 1);
        cursor.backwardFrom = row.rowid == kMinRowid ? std::nullopt : std::optional<int64_t>(row.rowid - 1);
        const int rc = decode(row, buffer);
        // The row's values become the current record's; the slot takes the old ones' storage for reuse.
        current = row.rowid;
        std::swap(currentValues, row.values);
        return rc;
    }

    // Checks that the open file holds the layout's table with the layout's columns and indexes.
    int verifySchema() {
        sqlite::Statement info;
        int rc = sqlite::prepare(db.get(), "PRAGMA table_info(" + sqlite::quote(layout.table) + ")", info);
        if (rc != SQLITE_OK) return fail(rc);
        struct Found {
            std::string name;
            std::string type;  // as declared
            bool notNull = false;
        };
        std::vector<Found> found;
        while ((rc = sqlite3_step(info.get())) == SQLITE_ROW) {
            found.push_back(
                {columnText(info.get(), 1), columnText(info.get(), 2), sqlite3_column_int(info.get(), 3) != 0});
        }
        if (rc != SQLITE_DONE) return fail(rc);
        info.reset();
        const std::string table = where() + ": table " + std::string(layout.table);
        if (found.empty())
            return failDriver(StructureMismatch, where() + " holds no table " + std::string(layout.table));
        for (const Column& column : columns) {
            auto it = std::find_if(found.begin(), found.end(),
                                   [&](const auto& f) { return equalNoCase(f.name, column.name); });
            if (it == found.end()) return failDriver(StructureMismatch, table + " has no column " + column.name);
            if (!equalNoCase(it->type, column.sqlType())) {
                return failDriver(StructureMismatch, table + ": column " + column.name + " is declared '" + it->type +
                                                         "', not " + std::string(column.sqlType()));
            }
        }
        // A NULL in a key column drops out of every comparison a keyed read makes, so its record would
        // be skipped without a word: such a table is refused rather than read short.
        for (std::size_t k = 0; k < keys.size(); ++k) {
            for (const std::size_t c : keys[k]) {
                const Column& column = columns[c];
                auto it = std::find_if(found.begin(), found.end(),
                                       [&](const auto& f) { return equalNoCase(f.name, column.name); });
                if (!it->notNull) {
                    return failDriver(StructureMismatch, table + ": column " + column.name + " of key " +
                                                             layout.fullKeyName(k) + " is not declared NOT NULL");
                }
            }
        }
        for (const auto& f : found) {
            const bool known = std::any_of(columns.begin(), columns.end(),
                                           [&](const Column& column) { return equalNoCase(f.name, column.name); });
            if (!known) return failDriver(StructureMismatch, table + " has a column " + f.name + " the layout lacks");
        }
        sqlite::Statement probe;
        rc = sqlite::prepare(db.get(), "SELECT rowid FROM " + sqlite::quote(layout.table) + " LIMIT 0", probe);
        if (rc != SQLITE_OK) return failDriver(StructureMismatch, table + " has no record positions (rowid)");
        probe.reset();
        for (std::size_t k = 0; k < layout.keys.size(); ++k) {
            if (int result = verifyIndex(k)) return result;
        }
        return NoError;
    }

    int verifyIndex(std::size_t key) {
        const std::string name = indexName(layout, key);
        const std::string missing = where() + ": the index " + name + " of key " + layout.fullKeyName(key);
        sqlite::Statement list;
        int rc = sqlite::prepare(db.get(), "PRAGMA index_list(" + sqlite::quote(layout.table) + ")", list);
        if (rc != SQLITE_OK) return fail(rc);
        bool present = false, unique = false, partial = false;
        while ((rc = sqlite3_step(list.get())) == SQLITE_ROW) {
            if (!equalNoCase(columnText(list.get(), 1), name)) continue;
            present = true;
            unique = sqlite3_column_int(list.get(), 2) != 0;
            partial = sqlite3_column_int(list.get(), 4) != 0;
        }
        if (rc != SQLITE_DONE) return fail(rc);
        if (!present) return failDriver(KeysNeedRebuild, missing + " is missing");
        if (unique != layout.keys[key].unique || partial) {
            return failDriver(KeysNeedRebuild,
                              missing + " is not " + (layout.keys[key].unique ? "unique" : "as declared"));
        }
        sqlite::Statement info;
        rc = sqlite::prepare(db.get(), "PRAGMA index_xinfo(" + sqlite::quote(name) + ")", info);
        if (rc != SQLITE_OK) return fail(rc);
        std::vector<std::string> indexed;
        bool plain = true;
        while ((rc = sqlite3_step(info.get())) == SQLITE_ROW) {
            if (sqlite3_column_int(info.get(), 5) == 0) continue;  // the rowid every index ends with
            indexed.push_back(columnText(info.get(), 2));
            plain = plain && sqlite3_column_int(info.get(), 3) == 0 && equalNoCase(columnText(info.get(), 4), "BINARY");
        }
        if (rc != SQLITE_DONE) return fail(rc);
        bool same = plain && indexed.size() == keys[key].size();
        for (std::size_t i = 0; same && i < indexed.size(); ++i)
            same = equalNoCase(indexed[i], columns[keys[key][i]].name);
        if (!same) return failDriver(KeysNeedRebuild, missing + " does not hold the key's columns in order");
        return NoError;
    }

    int rebuildIndexes() {
        sqlite::ScopedWrite write(db.get());
        if (write.beginResult() != SQLITE_OK) return fail(write.beginResult());
        for (std::size_t k = 0; k < layout.keys.size(); ++k) {
            const std::string drop = "DROP INDEX IF EXISTS " + sqlite::quote(indexName(layout, k));
            int rc = sqlite::execute(db.get(), drop.c_str());
            if (rc != SQLITE_OK) return fail(rc);
            const std::string create = createIndexSql(layout, columns, keys, k);
            rc = sqlite::execute(db.get(), create.c_str());
            if (rc != SQLITE_OK) {
                StorageError e = sqlite::check(rc, db.get());
                if (e.code == DuplicateKey) {
                    e.sqliteMessage = where() + ": key " + layout.fullKeyName(k) + " is not unique: " + e.sqliteMessage;
                }
                return fail(std::move(e));
            }
        }
        if (int rc = write.commit(); rc != SQLITE_OK) return fail(rc);
        return succeed();
    }

    // Positions before the first (or after the last) record in the order of a key.
    int startAtEnd(std::size_t key, Cursor::Kind kind) {
        if (!db) return notOpen();
        if (int rc = checkKey(key)) return rc;
        cursor = {kind, key, {}, std::nullopt, std::nullopt};
        batch.reset();
        return succeed();
    }
};

KeyedFile::KeyedFile(const data::Layout& layout) : layout_(&layout), impl_(std::make_unique<Impl>(layout)) {}

KeyedFile::~KeyedFile() = default;

int KeyedFile::open(const std::string& path, uint8_t openMode) {
    Impl& m = *impl_;
    if (m.db) return m.failDriver(AlreadyOpen, m.path + " is already open");
    m.lastOpenedPath = path;
    const platform::FileStatus info = platform::fileStatus(path);
    if (info.error != 0) {
        const int err = info.error;
        const std::string why = platform::systemErrorText(err);
        if (err == ENOENT || err == ENOTDIR) return m.failDriver(FileNotFound, path + ": " + why);
        return m.failDriver(AccessDenied, path + ": " + why);
    }
    if (!info.regular) return m.failDriver(DriverError, path + " is not a data file");
    const bool write = (openMode & 0x0F) != 0;
    if (write) {
        // A file marked read-only is not written even by a user the system would let through.
        if (info.readOnly || !platform::mayWrite(path)) {
            return m.failDriver(AccessDenied, path + ": no write access to the file");
        }
        if (!platform::mayWrite(folderOf(path))) {
            return m.failDriver(AccessDenied, path + ": no write access to its folder");
        }
    }
    if (isTruncated(path, info.size)) {
        return m.failDriver(DriverError, path + " is damaged: it is shorter than its header says");
    }

    for (int attempt = 0;; ++attempt) {
        sqlite::Database db;
        int rc = sqlite::openDatabase(path, write ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, db);
        if (rc != SQLITE_OK) return m.fail(sqlite::check(rc, db.get()));
        sqlite3_busy_timeout(db.get(), m.busySeconds * 1000);
        if (write && sqlite3_db_readonly(db.get(), "main") == 1) {
            return m.failDriver(AccessDenied, path + ": the file can only be read");
        }
        m.db = std::move(db);
        m.path = path;
        // The structure check is the open's first read: it waits on a writer's lock as every read does.
        if (m.verifySchema() == NoError) return m.succeed();
        StorageError e = m.error;
        m.closeDatabase();
        // A write that was cut off (a killed import) left its journal behind, and only a connection that
        // may write can roll it back. Where this user may write, that is done here; otherwise the message
        // says what is pending and how it is cleared.
        if (e.sqliteCode == SQLITE_READONLY_ROLLBACK && attempt == 0) {
            if (rollBackInterruptedWrite(path, m.busySeconds)) continue;
            e.sqliteMessage = path + " holds an interrupted write that has not been rolled back (" + path +
                              "-journal); it is rolled back when a user who may write to the file and its folder " +
                              "opens it, for example with kirva-cli check (" + e.sqliteMessage + ")";
        }
        return m.fail(std::move(e));
    }
}

int KeyedFile::create(const std::string& path) {
    Impl& m = *impl_;
    // Made exclusively first, so that an existing file is never taken over.
    int err = 0;
    const int fd = platform::createNewFile(path, err);
    if (fd < 0) {
        const std::string message = path + " cannot be created: " + platform::systemErrorText(err);
        return m.failDriver(err == EACCES || err == EPERM || err == EROFS ? AccessDenied : DriverError, message);
    }
    (void)platform::closeFile(fd);
    StorageError failure;
    {
        sqlite::Database db;
        int rc = sqlite::openDatabase(path, SQLITE_OPEN_READWRITE, db);
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(db.get(), m.busySeconds * 1000);
            std::string sql = "BEGIN IMMEDIATE; " + createTableSql(m.layout, m.columns) + ";";
            for (std::size_t k = 0; k < m.layout.keys.size(); ++k) {
                sql += " " + createIndexSql(m.layout, m.columns, m.keys, k) + ";";
            }
            sql += " PRAGMA user_version = " + std::to_string(storedVersion(m.layout)) + "; COMMIT;";
            rc = sqlite::execute(db.get(), sql.c_str());
        }
        if (rc != SQLITE_OK) failure = sqlite::check(rc, db.get());
    }
    if (failure.code != NoError) {
        // Nothing half-made stays behind.
        (void)platform::removeFile(path);
        (void)platform::removeFile(path + "-journal");
        failure.sqliteMessage = path + " cannot be created: " + failure.sqliteMessage;
        return m.fail(std::move(failure));
    }
    return m.succeed();
}

void KeyedFile::close() {
    impl_->closeDatabase();
    impl_->succeed();
}

bool KeyedFile::isOpen() const {
    return impl_->db != nullptr;
}

const std::string& KeyedFile::path() const {
    return impl_->path;
}

int KeyedFile::set(std::size_t key, const data::Record& buffer) {
    Impl& m = *impl_;
    if (!m.db) return m.notOpen();
    if (int rc = m.checkKey(key)) return rc;
    if (int rc = m.checkBuffer(buffer)) return rc;
    std::vector<Value> values;
    if (int rc = m.encode(buffer, &m.keys[key], values)) return rc;
    m.cursor = {Impl::Cursor::Kind::Anchored, key, std::move(values), kMinRowid, kMaxRowid};
    m.batch.reset();
    return m.succeed();
}

int KeyedFile::setFirst(std::size_t key) {
    return impl_->startAtEnd(key, Impl::Cursor::Kind::First);
}

int KeyedFile::setLast(std::size_t key) {
    return impl_->startAtEnd(key, Impl::Cursor::Kind::Last);
}

int KeyedFile::resetTo(std::size_t key, int64_t position) {
    Impl& m = *impl_;
    if (!m.db) return m.notOpen();
    if (int rc = m.checkKey(key)) return rc;
    int rc = SQLITE_OK;
    auto row = m.rowAt(position, rc);
    if (rc != SQLITE_OK) return m.fail(rc);
    if (!row) return m.failDriver(RecordNotFound, m.where() + ": no record at position " + std::to_string(position));
    std::vector<Value> values;
    for (const std::size_t k : m.keys[key]) values.push_back(row->values[k]);
    m.cursor = {Impl::Cursor::Kind::Anchored, key, std::move(values), position, position};
    m.batch.reset();
    return m.succeed();
}

int KeyedFile::next(data::Record& buffer) {
    return impl_->read(true, buffer);
}

int KeyedFile::previous(data::Record& buffer) {
    return impl_->read(false, buffer);
}

int KeyedFile::get(std::size_t key, data::Record& buffer) {
    Impl& m = *impl_;
    if (!m.db) return m.notOpen();
    if (int rc = m.checkKey(key)) return rc;
    if (int rc = m.checkBuffer(buffer)) return rc;
    std::vector<Value> values;
    if (int rc = m.encode(buffer, &m.keys[key], values)) return rc;
    if (m.keyStatements.size() != m.layout.keys.size()) m.keyStatements.resize(m.layout.keys.size());
    sqlite::Statement& slot = m.keyStatements[key].exact;
    int rc = m.prepared(slot, m.exactSql(key));
    if (rc != SQLITE_OK) return m.fail(rc);
    std::optional<Row> row;
    {
        sqlite::ResetGuard reset(slot.get());
        int index = 1;
        for (const Value& v : values) bindValue(slot.get(), index++, v);
        rc = sqlite3_step(slot.get());
        if (rc == SQLITE_ROW) row = readRow(slot.get(), m.columns.size());
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return m.fail(rc);
    if (!row)
        return m.failDriver(RecordNotFound, m.where() + ": no record with that value of " + m.layout.fullKeyName(key));
    rc = m.decode(*row, buffer);
    m.makeCurrent(row->rowid, std::move(row->values));
    return rc;
}

int KeyedFile::add(data::Record& buffer) {
    Impl& m = *impl_;
    if (!m.db) return m.notOpen();
    if (int rc = m.checkBuffer(buffer)) return rc;
    std::vector<Value>& values = m.addedValues;
    if (int rc = m.encode(buffer, nullptr, values)) return rc;
    // The statement is made once per open file: a bulk load adds many records through it.
    if (!m.insertStatement) {
        std::string sql = "INSERT INTO " + sqlite::quote(m.layout.table) + " (";
        std::string marks;
        for (std::size_t c = 0; c < m.columns.size(); ++c) {
            sql += (c > 0 ? ", " : "") + sqlite::quote(m.columns[c].name);
            marks += c > 0 ? ", ?" : "?";
        }
        if (int rc = m.prepared(m.insertStatement, sql + ") VALUES (" + marks + ")"); rc != SQLITE_OK)
            return m.fail(rc);
    }
    int rc = SQLITE_OK;
    {
        sqlite::ResetGuard reset(m.insertStatement.get());
        int index = 1;
        // The values stay where they are until the guard has reset the statement, so they need no copy.
        for (const Value& v : values) bindValue(m.insertStatement.get(), index++, v, SQLITE_STATIC);
        rc = sqlite3_step(m.insertStatement.get());
    }
    if (rc != SQLITE_DONE) return m.fail(rc);
    m.batch.reset();
    m.current = sqlite3_last_insert_rowid(m.db.get());
    m.currentValues.swap(values);
    return m.succeed();
}

int KeyedFile::put(const data::Record& buffer) {
    Impl& m = *impl_;
    if (!m.db) return m.notOpen();
    if (!m.current) return m.failDriver(RecordNotFound, m.where() + ": no current record to write over");
    if (int rc = m.checkBuffer(buffer)) return rc;
    std::vector<Value> values;
    if (int rc = m.encode(buffer, nullptr, values)) return rc;
    sqlite::ScopedWrite write(m.db.get());
    if (write.beginResult() != SQLITE_OK) return m.fail(write.beginResult());
    int rc = SQLITE_OK;
    auto stored = m.rowAt(*m.current, rc);
    if (rc != SQLITE_OK) return m.fail(rc);
    if (!stored || stored->values != m.currentValues) {
        return m.failDriver(ChangedByAnother, m.where() + ": the record at position " + std::to_string(*m.current) +
                                                  (stored ? " was changed" : " was deleted") + " since it was read");
    }
    if (!m.updateStatement) {
        std::string sql = "UPDATE " + sqlite::quote(m.layout.table) + " SET ";
        for (std::size_t c = 0; c < m.columns.size(); ++c)
            sql += (c > 0 ? ", " : "") + sqlite::quote(m.columns[c].name) + " = ?";
        rc = m.prepared(m.updateStatement, sql + " WHERE rowid = ?");
        if (rc != SQLITE_OK) return m.fail(rc);
    }
    {
        sqlite::ResetGuard reset(m.updateStatement.get());
        int index = 1;
        for (const Value& v : values) bindValue(m.updateStatement.get(), index++, v);
        sqlite3_bind_int64(m.updateStatement.get(), index, *m.current);
        rc = sqlite3_step(m.updateStatement.get());
    }
    if (rc != SQLITE_DONE) return m.fail(rc);
    if (rc = write.commit(); rc != SQLITE_OK) return m.fail(rc);
    m.batch.reset();
    m.currentValues = std::move(values);
    return m.succeed();
}

int KeyedFile::remove() {
    Impl& m = *impl_;
    if (!m.db) return m.notOpen();
    if (!m.current) return m.failDriver(RecordNotFound, m.where() + ": no current record to delete");
    int rc = m.prepared(m.deleteStatement, "DELETE FROM " + sqlite::quote(m.layout.table) + " WHERE rowid = ?");
    if (rc != SQLITE_OK) return m.fail(rc);
    {
        sqlite::ResetGuard reset(m.deleteStatement.get());
        sqlite3_bind_int64(m.deleteStatement.get(), 1, *m.current);
        rc = sqlite3_step(m.deleteStatement.get());
    }
    if (rc != SQLITE_DONE) return m.fail(rc);
    const bool deleted = sqlite3_changes(m.db.get()) > 0;
    const int64_t was = *m.current;
    m.batch.reset();
    m.current.reset();
    m.currentValues.clear();
    if (!deleted) return m.failDriver(RecordNotFound, m.where() + ": no record at position " + std::to_string(was));
    return m.succeed();
}

int64_t KeyedFile::position() const {
    return impl_->current.value_or(0);
}

std::optional<std::size_t> KeyedFile::sequenceKey() const {
    if (impl_->cursor.kind == Impl::Cursor::Kind::None) return std::nullopt;
    return impl_->cursor.key;
}

int KeyedFile::reget(int64_t position, data::Record& buffer) {
    Impl& m = *impl_;
    if (!m.db) return m.notOpen();
    if (int rc = m.checkBuffer(buffer)) return rc;
    int rc = SQLITE_OK;
    auto row = m.rowAt(position, rc);
    if (rc != SQLITE_OK) return m.fail(rc);
    if (!row) return m.failDriver(RecordNotFound, m.where() + ": no record at position " + std::to_string(position));
    rc = m.decode(*row, buffer);
    m.makeCurrent(row->rowid, std::move(row->values));
    return rc;
}

int64_t KeyedFile::records() {
    Impl& m = *impl_;
    if (!m.db) return m.notOpen(), -1;
    int rc = m.prepared(m.countStatement, "SELECT count(*) FROM " + sqlite::quote(m.layout.table));
    if (rc != SQLITE_OK) return m.fail(rc), -1;
    sqlite::ResetGuard reset(m.countStatement.get());
    rc = sqlite3_step(m.countStatement.get());
    if (rc != SQLITE_ROW) return m.fail(rc), -1;
    const int64_t count = sqlite3_column_int64(m.countStatement.get(), 0);
    m.succeed();
    return count;
}

int KeyedFile::buildKeys() {
    Impl& m = *impl_;
    if (m.db) {
        m.batch.reset();
        return m.rebuildIndexes();
    }
    // After an open that found a key missing the file is closed; it is rebuilt where that open looked.
    if (m.lastOpenedPath.empty()) return m.notOpen();
    if (!exists(m.lastOpenedPath)) return m.failDriver(FileNotFound, m.lastOpenedPath + " does not exist");
    sqlite::Database db;
    int rc = sqlite::openDatabase(m.lastOpenedPath, SQLITE_OPEN_READWRITE, db);
    if (rc != SQLITE_OK) return m.fail(sqlite::check(rc, db.get()));
    sqlite3_busy_timeout(db.get(), m.busySeconds * 1000);
    m.db = std::move(db);
    m.path = m.lastOpenedPath;
    const int result = m.rebuildIndexes();
    StorageError e = m.error;
    m.closeDatabase();
    return result == NoError ? m.succeed() : m.fail(std::move(e));
}

int KeyedFile::sendCommand(std::string_view command) {
    Impl& m = *impl_;
    constexpr std::string_view recover = "recover=";
    if (command.size() > recover.size() && equalNoCase(command.substr(0, recover.size()), recover)) {
        const std::string_view digits = command.substr(recover.size());
        int seconds = -1;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
        if (ec == std::errc() && end == digits.data() + digits.size() && seconds >= 0 &&
            seconds <= std::numeric_limits<int>::max() / 1000) {
            m.busySeconds = seconds;
            if (m.db) sqlite3_busy_timeout(m.db.get(), seconds * 1000);
            return m.succeed();
        }
    }
    return m.failDriver(DriverError, "unknown driver command '" + std::string(command) + "'");
}

const StorageError& KeyedFile::lastError() const {
    return impl_->error;
}

KeyedFile::Transaction::Transaction(KeyedFile& file) : file_(&file) {
    Impl& m = *file.impl_;
    if (!m.db) {
        status_ = m.notOpen();
        return;
    }
    if (m.inTransaction || sqlite3_get_autocommit(m.db.get()) == 0) {
        status_ = m.failDriver(DriverError, m.where() + ": a transaction is already open");
        return;
    }
    const int rc = sqlite::execute(m.db.get(), "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) {
        status_ = m.fail(rc);
        return;
    }
    active_ = true;
    generation_ = m.generation;
    m.inTransaction = true;
    m.batch.reset();
    status_ = m.succeed();
}

KeyedFile::Transaction::~Transaction() {
    if (!active_) return;
    Impl& m = *file_->impl_;
    if (!m.db || m.generation != generation_) return;  // the close already rolled it back
    if (sqlite3_get_autocommit(m.db.get()) == 0) sqlite::execute(m.db.get(), "ROLLBACK");
    m.inTransaction = false;
    m.batch.reset();
    // The current record may be one the rollback took away.
    m.current.reset();
    m.currentValues.clear();
}

int KeyedFile::Transaction::commit() {
    Impl& m = *file_->impl_;
    if (!active_ || !m.db || m.generation != generation_) {
        return m.failDriver(DriverError, m.where() + ": no transaction to commit");
    }
    const int rc = sqlite::execute(m.db.get(), "COMMIT");
    if (rc != SQLITE_OK) return m.fail(rc);
    active_ = false;
    m.inTransaction = false;
    return m.succeed();
}

}  // namespace kirva::storage
