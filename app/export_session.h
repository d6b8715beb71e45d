// The export session: the export window's life without the window, the one both kirva-cli and the desktop
// program's export window go through. Part of app/: may use export/, settings/, framework/, storage/,
// data/ and platform/; never includes Qt.
//
// Its life, as the window lives it:
//   ExportSession session(iniFile, front, clock);   // the program started (error manager, INI file name,
//                                                   // INI manager, dictionary, upgrade registration)
//   if (!session.start()) ...                       // procedure name, LoadSettings, identification, files
//   session.warnAboutMissingSettings();             // the window's warnings once it is open
//   exporting::ExportState state{...period...};
//   if (auto wrong = exporting::wrongDates(state.period, today)) ...   // each accepted date
//   session.count(state);                           // CountPeriodInvoices
//   session.runExport(state);                       // CheckOutputSettings, then RunExport
//   session.end();                                  // the files closed (also done by the destructor)
// Every message box, the error manager's included, goes through the front's message boxes.
#pragma once

#include <optional>
#include <string>

#include "app/startup.h"
#include "export/export_run.h"
#include "platform/date.h"
#include "platform/result.h"

namespace kirva::app {

using exporting::kExportProcedureName;

class ExportSession {
  public:
    // Starts the program as the desktop program starts it. A fatal message of the error manager ends the
    // session's work rather than the process: start() then fails and fatalExitCode() holds the code the
    // program must end with, after the orderly shut-down that the destructor makes, so nothing is left
    // half-done and in-process callers (tests) keep running.
    ExportSession(std::string settingsFileName, exporting::ExportFront& front, const Clock& clock);
    // end(), then the program shut down in its order; the error manager's boxes go back to standard error.
    ~ExportSession();
    ExportSession(const ExportSession&) = delete;
    ExportSession& operator=(const ExportSession&) = delete;

    // The window's start without the window: its procedure name, LoadSettings (which composes the data-file
    // names), the OPAL identification, FARACUN, SFENPA, SFPARTN, QFASTOR and SaopRAC opened through their
    // relation managers (a missing file is created empty) and QFASTPO in use. False when a file could not be
    // opened; the error manager has then shown its message. Runs once; a second call answers the first's.
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
    // The window's end: the files closed through their relation managers, the procedure name removed. Runs
    // once, whether or not start() succeeded.
    void end();

    // The files as their managers opened them, with their record buffers; only after start() succeeded.
    exporting::ExportFiles files();
    const settings::Settings& settings() const { return program_.settings; }
    const settings::DataFileNames& names() const { return program_.names; }
    // Set when the error manager ended the program with a fatal message.
    std::optional<int> fatalExitCode() const { return fatalExit_; }

  private:
    exporting::ExportFront& front_;
    const Clock& clock_;
    Program program_;
    bool started_ = false;  // start() ran and end() has not
    bool filesOpen_ = false;
    std::optional<int> fatalExit_;
};

}  // namespace kirva::app
