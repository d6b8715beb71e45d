#include "storage/sqlite_handle.h"

namespace kirva::storage::sqlite {

int mapResultCode(int rc) {
    switch (rc) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE:
            return NoError;
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY:
            return DuplicateKey;
        default:
            break;
    }
    switch (rc & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
        case SQLITE_CANTOPEN:
            return AccessDenied;
        default:
            return DriverError;
    }
}

StorageError check(int rc, sqlite3* db) {
    StorageError error;
    error.code = mapResultCode(rc);
    if (error.code == NoError) return error;
    error.sqliteCode = rc;
    // The connection's message belongs to its last call; when it speaks of another code, the code's own
    // text is the honest one.
    const bool messageFits = db != nullptr && sqlite3_extended_errcode(db) == rc;
    error.sqliteMessage = messageFits ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return error;
}

StorageError driverError(int code, std::string message) {
    StorageError error;
    error.code = code;
    error.sqliteMessage = std::move(message);
    return error;
}

int openDatabase(const std::string& path, int flags, Database& out) {
    sqlite3* raw = nullptr;
    // A connection belongs to one keyed file, which is never used from two threads at once: SQLite's
    // own locking of the connection around every call would only cost time.
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    out.reset(raw);
    if (raw != nullptr) sqlite3_extended_result_codes(raw, 1);
    return rc;
}

int prepare(sqlite3* db, std::string_view sql, Statement& out) {
    sqlite3_stmt* raw = nullptr;
    const int rc =
        sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
    out.reset(raw);
    return rc;
}

int execute(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

ScopedWrite::ScopedWrite(sqlite3* db) : db_(db) {
    if (sqlite3_get_autocommit(db_) == 0) return;
    beginResult_ = execute(db_, "BEGIN IMMEDIATE");
    owns_ = beginResult_ == SQLITE_OK;
}

ScopedWrite::~ScopedWrite() {
    if (owns_ && sqlite3_get_autocommit(db_) == 0) execute(db_, "ROLLBACK");
}

int ScopedWrite::commit() {
    if (!owns_) return SQLITE_OK;
    const int rc = execute(db_, "COMMIT");
    if (rc == SQLITE_OK) owns_ = false;
    return rc;
}

std::string quote(std::string_view identifier) {
    std::string out = "\"";
    for (char c : identifier) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace kirva::storage::sqlite
