// The storage layer's errors: the codes the framework knows, their texts, and the calling thread's last
// error. A header of its own so that the error manager can report storage errors without the driver.
// Uses the standard library only.
#pragma once

#include <string>
#include <string_view>

namespace kirva::storage {

// Storage error codes, as the framework knows them.
enum ErrorCode : int {
    NoError = 0,
    FileNotFound = 2,
    AccessDenied = 5,  // busy or locked, or no write access
    EndOfFile = 33,    // record not available: read past the last record
    RecordNotFound = 35,
    DuplicateKey = 40,
    RecordHeld = 43,
    KeysNeedRebuild = 46,
    StructureMismatch = 47,
    AlreadyOpen = 52,
    ChangedByAnother = 89,
    DriverError = 90,  // any other driver error, a damaged record among them
};

// The text of an error code, as the framework shows it ("File Not Found", ...); empty for 0.
std::string_view errorCodeText(int code);

struct StorageError {
    int code = NoError;
    int sqliteCode = 0;         // SQLite's extended result code, 0 when SQLite said nothing
    std::string sqliteMessage;  // SQLite's message, or what the driver found wrong
    // The code's text ("File Not Found", "File System Error"); the driver's detail stays in the two
    // members above.
    std::string text() const;
    // Whether the failure is another program's lock that outlasted the wait (code 5 from a busy or locked
    // file), as opposed to a file that may not be written. Defined by the keyed-file driver.
    bool isLock() const;
};

// The outcome of the calling thread's last storage operation on any file, as the framework's
// "current error" (the error manager captures it when it raises a message).
const StorageError& lastStorageError();

}  // namespace kirva::storage
