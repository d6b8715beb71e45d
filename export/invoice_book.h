// The invoice book as the export reads it: FARACUN in key order from a period's year, a stream that reads it
// on a thread of its own ahead of the caller, the look-ups of each invoice's business unit and customer, and
// the progress of a pass. What the journal, the recap and the count share; none of them writes anything.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "data/record.h"
#include "export/posting_rules.h"
#include "platform/result.h"
#include "storage/keyed_file.h"

namespace kirva::exporting {

// The open data files the export reads and their record buffers, held by the caller (the window's file
// managers, or the command line).
struct ExportFiles {
    storage::KeyedFile& faracun;
    data::Record& faracunRecord;
    storage::KeyedFile& sfenpa;
    data::Record& sfenpaRecord;
    storage::KeyedFile& sfpartn;
    data::Record& sfpartnRecord;
};

// Reads FARACUN in the order of RACUNKLJUC from company 1 and the from-date's year to the end of the file.
class InvoiceBook {
  public:
    explicit InvoiceBook(ExportFiles& files);
    // Clears the record, sets company 1 and the year of `from`, and positions before the first record
    // whose key is not below that.
    Result<void> start(DateNumber from);
    // The next record in key order: true with `invoice` filled, false past the end, an error when the
    // file cannot be read.
    Result<bool> next(Invoice& invoice);

  private:
    ExportFiles& files_;
};

// The invoices of a started InvoiceBook, read on a thread of its own a few batches ahead of the caller, so
// that reading the book and building the journal overlap. They come out in the book's order, and a read
// error comes out where it was met, after every invoice read before it. The book (its file and record
// buffer) belongs to the thread until the stream is destroyed, which stops the thread and joins it. When no
// thread can be started, the caller's thread reads.
class InvoiceStream {
  public:
    explicit InvoiceStream(InvoiceBook& book);
    ~InvoiceStream();
    InvoiceStream(const InvoiceStream&) = delete;
    InvoiceStream& operator=(const InvoiceStream&) = delete;

    // The next invoice (valid until the next call), nullptr past the end, or the error that stopped the
    // reading; the end and an error are given again on every later call.
    Result<const Invoice*> next();

  private:
    static constexpr std::size_t kBatches = 3;
    static constexpr std::size_t kBatchSize = 256;
    struct Batch {
        std::vector<Invoice> invoices = std::vector<Invoice>(kBatchSize);
        std::size_t size = 0;
        bool last = false;  // the end of the book, or the error, follows these invoices
        std::string error;  // why the reading stopped, when it failed
        bool failed = false;
    };

    void run() noexcept;
    // Fills a batch from the book: up to kBatchSize invoices, then the end or the error if met.
    void fill(Batch& batch) noexcept;

    InvoiceBook& book_;
    std::array<Batch, kBatches> batches_;
    std::size_t taken_ = 0;  // invoices of the oldest batch given out (the caller's thread only)
    bool holding_ = false;   // whether the caller holds the oldest filled batch

    std::mutex mutex_;
    std::condition_variable filled_;   // the caller waits for a batch
    std::condition_variable emptied_;  // the thread waits for a free batch or for the stop
    std::size_t first_ = 0;            // the oldest filled batch
    std::size_t ready_ = 0;            // filled batches, the one the caller holds included
    bool stopping_ = false;

    std::thread thread_;  // last, so that it starts after everything it uses is made
};

// Business units by key (SFENPA:SIFRAKLJUC). fetch: true with the unit's accounts, false (every account 0)
// when it does not exist, an error when SFENPA cannot be read. Each unit is read once per run: the run
// only reads, and this keeps the number of storage calls to one per unit rather than one per invoice.
class UnitLookup {
  public:
    explicit UnitLookup(ExportFiles& files);
    Result<bool> fetch(const Invoice& invoice, UnitAccounts& unit);

  private:
    ExportFiles& files_;
    std::map<std::pair<int, int>, std::optional<UnitAccounts>> known_;
};

// Customers by key (SFPARTN:SIFRAKLJUC). fetch: true with the customer, false (all blank) when there is
// no such partner, an error when SFPARTN cannot be read. Recently read customers are kept (a bounded
// number, so memory does not grow with the book).
class CustomerLookup {
  public:
    explicit CustomerLookup(ExportFiles& files);
    Result<bool> fetch(const Invoice& invoice, Customer& customer);

  private:
    static constexpr std::size_t kKept = 4096;
    ExportFiles& files_;
    std::unordered_map<int32_t, std::optional<Customer>> known_;
};

// Reports how far a pass over the invoice book has got: records read, and the book's size as the total
// (0 when it cannot be told). The book's size is taken before the pass starts, so that asking for it leaves
// the storage layer's error state alone while reading.
using ProgressReport = std::function<void(int64_t done, int64_t total)>;

class ProgressCounter {
  public:
    static constexpr int64_t kEvery = 2048;  // records between two reports
    ProgressCounter(storage::KeyedFile& book, ProgressReport report);
    void step() {
        if (++done_ % kEvery == 0 && report_) report_(done_, total_);
    }
    void finish() {
        if (report_) report_(done_, total_ < done_ ? done_ : total_);
    }

  private:
    ProgressReport report_;
    int64_t done_ = 0;
    int64_t total_ = 0;
};

}  // namespace kirva::exporting
