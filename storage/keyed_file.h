// The keyed-file driver: one data file as one SQLite database holding one table of its layout. Offers the
// operations the file managers and the export need (open, create, position by key, read next and previous
// in key order, get by exact key, add, put, delete, rebuild keys, driver commands) and reports failures as
// the program's storage error codes with SQLite's own code and message beside them. storage/ is the layer
// above the record model: it may use data/ and platform/ only; never includes Qt.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "data/layout.h"
#include "data/record.h"
#include "storage/storage_error.h"

namespace kirva::storage {

// How long an open or a read waits on another program's lock before it fails with 5, until a "Recover=N"
// command says otherwise: the file managers' own wait.
constexpr int kDefaultLockWaitSeconds = 10;

// The byte of an open mode: low nibble access (0 read-only, 1 write-only, 2 read/write), high nibble
// sharing (0x40 deny none). SQLite has no deny modes; only the access part decides.
constexpr uint8_t kOpenReadWriteDenyNone = 0x42;
constexpr uint8_t kOpenReadOnlyDenyNone = 0x40;

class KeyedFile {
  public:
    explicit KeyedFile(const data::Layout& layout);
    ~KeyedFile();
    KeyedFile(const KeyedFile&) = delete;
    KeyedFile& operator=(const KeyedFile&) = delete;

    const data::Layout& layout() const { return *layout_; }

    // Each operation returns its error code (0 on success) and keeps the detail in lastError().

    // Opens an existing file. 2 when it does not exist, 5 when locked or not writable in a writing mode,
    // 47 when its table does not match the layout, 46 when an index is missing, 52 when already open,
    // 90 when it is not a database or is damaged.
    int open(const std::string& path, uint8_t openMode = kOpenReadWriteDenyNone);
    // Creates an empty file with its table and indexes (replacing nothing: 90 when one exists).
    int create(const std::string& path);
    void close();
    bool isOpen() const;
    const std::string& path() const;

    // Starts a sequence in the order of a key at the buffer's key values: next() then reads the first
    // record whose key is not below them, previous() the last record whose key is not above them.
    int set(std::size_t key, const data::Record& buffer);
    // Positions before the first (or after the last) record in key order.
    int setFirst(std::size_t key);
    int setLast(std::size_t key);
    // Starts a sequence in the order of a key at the record of a position: next() and previous() both
    // read that record first (35 when there is no record at that position).
    int resetTo(std::size_t key, int64_t position);
    // Reads on in the order of the key last set (equal keys in position order); 33 past the end. Once a
    // record was read, next() and previous() go on from it in either direction. Records are fetched in
    // batches and no transaction stays open between calls, so changes by others show up from the next
    // batch on.
    int next(data::Record& buffer);
    int previous(data::Record& buffer);
    // Reads the record whose key equals the buffer's key values exactly (the first of equals); 35 if none.
    int get(std::size_t key, data::Record& buffer);

    // Adds the buffer as a new record (40 on a duplicate unique key) and makes it the current record.
    int add(data::Record& buffer);
    // Writes the buffer over the current record; 89 when another station changed it since it was read,
    // 35 when there is no current record.
    int put(const data::Record& buffer);
    // Deletes the current record.
    int remove();

    // The key whose order the current sequence reads in (set, setFirst, setLast, or a read after them);
    // nothing when no order has been set since the file was opened.
    std::optional<std::size_t> sequenceKey() const;

    // The current record's position (its rowid), 0 when there is none; re-read a record by position.
    int64_t position() const;
    int reget(int64_t position, data::Record& buffer);
    // The number of records; -1 when they could not be counted (see lastError()).
    int64_t records();

    // Drops and rebuilds every index of the layout.
    int buildKeys();
    // "Recover=N": waits up to N seconds on a lock before an open or read gives up with 5 (the wait is
    // kDefaultLockWaitSeconds until this is sent).
    int sendCommand(std::string_view command);

    const StorageError& lastError() const;

    // An all-or-nothing batch of writes for bulk loading: BEGIN IMMEDIATE when constructed (status()
    // tells whether it began: 0, or 5 when another connection holds the file), commit() makes every
    // write since then durable, and the destructor rolls back unless commit() succeeded; it never throws.
    // One at a time per file; closing the file rolls back an open one. Reads inside it see its writes.
    // It must not outlive its file.
    class Transaction {
      public:
        explicit Transaction(KeyedFile& file);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;

        int status() const { return status_; }
        int commit();

      private:
        KeyedFile* file_;
        uint64_t generation_ = 0;
        int status_ = NoError;
        bool active_ = false;
    };

  private:
    struct Impl;
    const data::Layout* layout_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kirva::storage
