// The journal document: one Dokument per taken invoice of the period, with its customer and posting lines,
// written through the XML writer as the invoice book (invoice_book.h) hands the invoices out.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "export/invoice_book.h"
#include "export/posting_rules.h"
#include "framework/errors/reason.h"
#include "platform/window/message_box.h"
#include "platform/xml/xml_writer.h"
#include "settings/settings_store.h"

namespace kirva::exporting {

// How a run ended. A data-file error means a file could not be read (not: a record was missing). A refused
// run started nothing: the period or the settings file did not allow it.
enum class RunStatus { Done, DataFileError, JournalNotWritten, Refused };

struct RunResult {
    RunStatus status = RunStatus::Done;
    framework::Reason reason;  // for a failure; each front words it
    bool ok() const { return status == RunStatus::Done; }
};

// BuildJournal: writes the journal of `period` to `path` (UTF-8, as outputPath() gives it).
// Missing units and customers are warned about through `boxes` and the run goes on. The journal is in
// place only when the result is Done; otherwise nothing is left under its name.
RunResult buildJournal(ExportFiles& files, const settings::Settings& settings, const Period& period,
                       const std::string& path, platform::MessageBoxes& boxes, const ProgressReport& progress = {});

// What one read of the book saw of the period by the rules of CountPeriodInvoices: every record dated in
// the period, zero totals included, and the first and last invoice number in reading order.
struct PeriodTally {
    int64_t count = 0;
    Decimal first;
    Decimal last;
    bool complete = false;  // the book was read to its end
    void note(const Invoice& invoice, const Period& period) {
        if (!inPeriod(invoice, period)) return;
        if (++count == 1) first = invoice.stevilkaRacuna;
        last = invoice.stevilkaRacuna;
    }
};

// A journal pass that counts the period as well, so that the name the count gives and the content come
// from the same read of the book.
struct CountingPass {
    PeriodTally tally;
    // Called when the first record of the period is met, before anything is shown about it.
    std::function<void()> firstInPeriod;
};

// The body of BuildJournal: the whole document of `period` into `writer`, whose file (`path`, named in the
// reasons) the caller has created and completes (closeFile) or abandons. With `counting`, the same read of
// the book counts the period too; the tally is complete only when the journal was written to its end.
RunResult writeJournal(platform::XmlWriter& writer, const std::string& path, ExportFiles& files,
                       const settings::Settings& settings, const Period& period, platform::MessageBoxes& boxes,
                       const ProgressReport& progress, CountingPass* counting);

}  // namespace kirva::exporting
