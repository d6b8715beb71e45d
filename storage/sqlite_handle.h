// A thin RAII layer over the SQLite C API for the keyed-file driver: owned connections and statements,
// a reset guard that gives back a statement's read lock, a transaction guard, and the one place where a
// SQLite result code becomes a storage error. Private to storage/.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "storage/keyed_file.h"

namespace kirva::storage::sqlite {

struct DatabaseCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

using Database = std::unique_ptr<sqlite3, DatabaseCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// The storage error code for a SQLite result code (extended or primary).
int mapResultCode(int rc);

// 0 for SQLITE_OK, SQLITE_ROW and SQLITE_DONE; otherwise the mapped error with SQLite's extended code and
// the connection's message (or the code's general text when there is no connection).
StorageError check(int rc, sqlite3* db);

// An error found by the driver itself, not reported by SQLite.
StorageError driverError(int code, std::string message);

// Opens a connection for use by one thread at a time; the handle is owned even when the open fails, and
// the result code comes back.
int openDatabase(const std::string& path, int flags, Database& out);

// Prepares one statement; the handle is owned from the moment SQLite returns it.
int prepare(sqlite3* db, std::string_view sql, Statement& out);

// Runs SQL without results (one or more statements).
int execute(sqlite3* db, const char* sql);

// Resets a statement and clears its bindings when the scope ends, so that no statement keeps its read
// lock (and with it an open read transaction) between two calls of the driver.
class ResetGuard {
  public:
    explicit ResetGuard(sqlite3_stmt* statement) : statement_(statement) {}
    ~ResetGuard() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    ResetGuard(const ResetGuard&) = delete;
    ResetGuard& operator=(const ResetGuard&) = delete;

  private:
    sqlite3_stmt* statement_;
};

// A write transaction for one call of the driver: BEGIN IMMEDIATE when the connection is in autocommit
// mode (nothing to do inside a transaction the caller already holds), rolled back unless committed.
class ScopedWrite {
  public:
    explicit ScopedWrite(sqlite3* db);
    ~ScopedWrite();
    ScopedWrite(const ScopedWrite&) = delete;
    ScopedWrite& operator=(const ScopedWrite&) = delete;

    // The result of BEGIN (SQLITE_OK when none was needed).
    int beginResult() const { return beginResult_; }
    int commit();

  private:
    sqlite3* db_;
    bool owns_ = false;
    int beginResult_ = SQLITE_OK;
};

// "name" with embedded quotes doubled.
std::string quote(std::string_view identifier);

}  // namespace kirva::storage::sqlite
