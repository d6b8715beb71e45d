// The export session: the export window's life without the window, the one both kirva-cli and the desktop
// program go through. Part of app/: may use export/, settings/, framework/, storage/, data/ and platform/;
// never includes Qt.
//
// Its life, as kirva-cli lives it:
//   ExportSession session(iniFile, front, clock);   // the program started (error manager with a recording
//                                                   // fatal-exit hook, INI file name, INI manager,
//                                                   // dictionary, upgrade registration)
//   if (!session.start()) ...                       // procedure name, LoadSettings, identification, files
//   session.warnAboutMissingSettings();             // the window's warnings once it is open
//   exporting::ExportState state{...period...};
//   if (auto wrong = exporting::wrongDates(state.period, today)) ...   // each accepted date
//   session.count(state);                           // CountPeriodInvoices
//   session.runExport(state);                       // CheckOutputSettings, then RunExport
//   session.end();                                  // the files closed, the procedure name removed
//   session.finish();                               // the program shut down (also done by the destructor)
// The desktop program hands the session to the export window as its exporting::ExportLife instead: the
// window takes the same steps (beginProcedure, loadSettings, openFiles ... closeFiles, endProcedure) one by
// one, in the order of its own start and end, and is the front of its own count and run.
// Every message box, the error manager's included, goes through the front's message boxes.
#pragma once

#include <optional>
#include <string>

#include "app/startup.h"
#include "export/export_life.h"
#include "export/export_run.h"
#include "platform/date.h"
#include "platform/result.h"

namespace kirva::app {

using exporting::kExportProcedureName;

class ExportSession final : public exporting::ExportLife {
  public:
    // Starts the program in its order (startUp with `options`). A fatal message of the error manager ends
    // the session's work rather than the process: start() then fails, ended() is true and fatalExitCode()
    // holds the code the program must end with after the orderly shut-down of finish(), so nothing is left
    // half-done and in-process callers (tests) keep running.
    ExportSession(StartupOptions options, exporting::ExportFront& front, const Clock& clock);
    // The program as kirva-cli starts it: its INI file, the upgrade registration, no toolkit.
    ExportSession(std::string settingsFileName, exporting::ExportFront& front, const Clock& clock);
    // finish(), unless it has run.
    ~ExportSession() override;
    ExportSession(const ExportSession&) = delete;
    ExportSession& operator=(const ExportSession&) = delete;

    // The window's start without the window: beginProcedure, loadSettings, openFiles. False when a file
    // could not be opened; the error manager has then shown its message. Runs once; a second call answers
    // the first's.
    bool start();
    // The warnings the window shows once it is open: the output or the invoice folder not set, then the OPAL
    // identification or key blank. They never stop the session. kirva-cli does not show them: its export
    // warns about every folder just before the run (runExport).
    void warnAboutMissingSettings();
    // CountPeriodInvoices for state.period: the count and the first and last invoice number in `state`. An
    // error only when the invoice book cannot be read. Only after start() succeeded.
    Result<void> count(exporting::ExportState& state);
    // What the build button does, counted period in `state`: CheckOutputSettings, then RunExport. The journal
    // exists under state.outputFileName exactly when the result is Done. Only after start() succeeded.
    exporting::RunResult runExport(exporting::ExportState& state);
    // count() and runExport() in one read of the book, for a front without a window (exporting::
    // countAndRunExport): Done with state.steviloRacunov 0 when the period holds no invoice.
    exporting::RunResult countAndRunExport(exporting::ExportState& state);
    // The window's end: closeFiles, endProcedure. Safe whether or not start() ran or succeeded, and twice.
    void end();
    // end(), then the program shut down in its order (INI bookkeeping, dictionary, INI manager, error
    // manager); the error manager's boxes go back to standard error. Returns the program's exit code: the
    // fatal message's when one ended the work, else 0. Runs once; later calls answer the first's.
    int finish();

    // exporting::ExportLife: the steps start() and end() are made of, for the export window.
    void beginProcedure() override;
    void endProcedure() override;
    void loadSettings() override;
    uint8_t openFiles() override;
    exporting::ExportFiles files() override;
    void closeFiles() override;
    bool ended() const override { return fatalExit_.has_value(); }
    const std::string& settingsFileName() const override { return program_.settingsFileName; }
    settings::Settings& settings() override { return program_.settings; }
    settings::DataFileNames& names() override { return program_.names; }

    framework::ErrorManager& errors() { return program_.errors; }
    framework::IniManager& ini() { return program_.ini; }
    // Set when the error manager ended the program with a fatal message.
    std::optional<int> fatalExitCode() const { return fatalExit_; }

  private:
    exporting::ExportFront& front_;
    const Clock& clock_;
    Program program_;
    bool started_ = false;  // start() ran and end() has not
    bool filesOpen_ = false;
    bool procedureBegun_ = false;
    bool filesOpened_ = false;  // openFiles() ran and closeFiles() has not
    std::optional<int> finished_;
    std::optional<int> fatalExit_;
};

}  // namespace kirva::app
