// The journal export: the run from a period of invoice dates to a finished journal file for OPAL
// (CountPeriodInvoices, CheckOutputSettings, RunExport), the journal document it writes, and the posting
// rules that turn invoices into postings. Works on open data files handed in by its front (the export
// window, or the command line) and talks to the user only through that front. The run depends on data/,
// settings/ and platform/ (storage, XML writer, message boxes, dates); only the export window
// (export_window.h) stands on the window framework and the settings window. Never Qt.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "export/journal.h"
#include "export/posting_rules.h"
#include "platform/date.h"
#include "platform/window/message_box.h"
#include "settings/settings_store.h"

namespace kirva::exporting {

// What the run needs of its front. A windowless front makes the window requests no-ops.
class ExportFront {
  public:
    virtual ~ExportFront() = default;
    // Hide the build button; the close button " ZAPRI" with Izhod.GIF, shown; redisplay.
    virtual void showNothingToExport() = 0;
    virtual void focusCloseButton() = 0;
    // Take the screen values into their variables (UpdateBindings).
    virtual void updateBindings() = 0;
    virtual platform::MessageBoxes& messageBoxes() = 0;
    // How far a pass over the invoice book has got: records read of about `total` (the book's size; 0 when
    // unknown). Called every few thousand records and once at the end; a window shows it, others need not.
    virtual void progress(int64_t /*done*/, int64_t /*total*/) {}
};

// The front of the command line: no window, the boxes go where it says.
class WindowlessFront final : public ExportFront {
  public:
    explicit WindowlessFront(platform::MessageBoxes& boxes) : boxes_(boxes) {}
    void showNothingToExport() override {}
    void focusCloseButton() override {}
    void updateBindings() override {}
    platform::MessageBoxes& messageBoxes() override { return boxes_; }

  private:
    platform::MessageBoxes& boxes_;
};

// The values the operations share with their front (the window's GLO: period and LOC: fields).
struct ExportState {
    Period period;               // GLO:ODDATUMA, GLO:DODATUMA
    int64_t steviloRacunov = 0;  // LOC:STEVILORACUNOV, wide so that no period wraps it
    Text1250 odRacuna;           // LOC:ODRACUNA, the first invoice number as digits
    Text1250 doRacuna;           // LOC:DORACUNA
    Text1250 outputFileName;     // OutputFileName; outputPath() is the form it is opened by
};

// The export window's procedure name, under which the error manager reports while its files are open.
inline constexpr std::string_view kExportProcedureName = "IzdelavaXMLdatotekeIzdanihRacunov";

// The period the export window starts with: the previous calendar month of `today`.
Period defaultPeriod(DateNumber today);

// The test of an accepted date: wrong when the from-date is after a set to-date, either date is after
// today, or the from-date is 0; accepting the to-date also refuses a to-date of 0, while the from-date may be
// accepted before a to-date is given.
enum class AcceptedDate { From, To };
bool datesWrong(const Period& period, DateNumber today, AcceptedDate accepted);
// The warning about wrong dates.
platform::MessageBoxRequest wrongDatesMessage();
// The same rule for a whole period given at once (both dates accepted), with the reason in plain words;
// nullopt when the period is right.
std::optional<std::string> wrongDates(const Period& period, DateNumber today);
// Shows the warning about wrong dates.
void warnWrongDates(ExportFront& front);

// The warnings the export window shows once it is open: the output or the invoice folder empty, then the
// OPAL identification or key blank. Neither stops anything.
void warnAboutMissingSettings(const settings::Settings& settings, ExportFront& front);

// CountPeriodInvoices: counts the records dated in the period (zero totals included) and notes the first
// and last invoice number; an empty period is warned about and keeps the earlier numbers. An error only
// when the invoice book cannot be read.
Result<void> countPeriodInvoices(ExportFiles& files, ExportState& state, ExportFront& front);

// CheckOutputSettings: one message for each folder setting that is empty.
void checkOutputSettings(const settings::Settings& settings, ExportFront& front);

// The file-name part taken from the company identification: trailing blanks removed, and every character a
// file name cannot hold (path separators, : * ? " < > |, control characters) replaced by "_".
Text1250 fileNamePart(const Text1250& firmaOpal);
// OutputFileName: folder, identification, " ", first-last, " ", today as year, month and day without
// leading zeros, ".XML".
Text1250 composeOutputFileName(const settings::Settings& settings, const ExportState& state, DateNumber today);
// The path a composed journal name is opened by: trailing blanks dropped, in UTF-8. The one place where the
// name changes form; every front and the run open the journal through it.
std::string outputPath(const Text1250& outputFileName);

// RunExport: composes the file name, builds the journal and reports completion. The journal exists under
// its name exactly when the result is Done; an older journal of that name is replaced only by a complete
// one. Refused, starting nothing, when the wrong-dates rule refuses the period, or when `settingsFile` is
// named and checkSettingsFile finds a value in it the program cannot hold.
RunResult runExport(ExportFiles& files, const settings::Settings& settings, ExportState& state, const Clock& clock,
                    ExportFront& front, const std::string& settingsFile = {});

// The windowless road in one read of the invoice book: CountPeriodInvoices, CheckOutputSettings and
// RunExport together. The journal is written under a temporary name while the same pass counts the period;
// the name is composed from that count at the end and the journal renamed into place, so the name and the
// content come from one snapshot of the book. What is shown, and when the journal exists, is what the
// count followed (when not 0) by the build button gives; the folder warnings come when the first invoice
// of the period is met. An empty period is warned about and writes nothing: Done with a count of 0.
RunResult countAndRunExport(ExportFiles& files, const settings::Settings& settings, ExportState& state,
                            const Clock& clock, ExportFront& front, const std::string& settingsFile = {});

}  // namespace kirva::exporting
