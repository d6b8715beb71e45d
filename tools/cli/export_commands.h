#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "app/startup.h"
#include "export/journal.h"
#include "platform/date.h"
#include "platform/window/message_box.h"
#include "tools/cli/commands.h"

namespace kirva::cli {

// export and count with the day taken as today given, so tests can fix it; the plain commands use the
// system clock.
int exportCommand(const Args& args, std::ostream& out, std::ostream& err, const Clock& clock);
int countCommand(const Args& args, std::ostream& out, std::ostream& err, const Clock& clock);

// The program around a windowless export or count. Constructing it starts the program as the desktop
// program starts (error manager, settings file name, INI manager, dictionary, upgrade registration); the
// export window's start and end are openFiles() and closeFiles(); the end of its life closes what is still
// open and shuts the program down in its order. Every message box, the error manager's included, goes to
// `boxes`. A fatal message ends the program's work rather than the process: openFiles() then fails and
// fatalExitCode() holds the code the command must end with, after the orderly shut-down, so that nothing
// is left half-done and in-process callers (tests) keep running.
class WindowlessProgram {
  public:
    WindowlessProgram(std::string settingsFileName, platform::MessageBoxes& boxes, const Clock& clock);
    ~WindowlessProgram();
    WindowlessProgram(const WindowlessProgram&) = delete;
    WindowlessProgram& operator=(const WindowlessProgram&) = delete;

    // The export window's start without the window: its procedure name, LoadSettings, the identification,
    // FARACUN, SFENPA, SFPARTN, QFASTOR and SaopRAC opened through their relation managers (a missing file
    // is created empty) and QFASTPO in use. False when a file could not be opened; the error manager has
    // then shown its message.
    bool openFiles();
    // The export window's end: the files closed through their relation managers, the procedure name
    // removed. Runs once, whether or not openFiles() succeeded.
    void closeFiles();

    // The files as their managers opened them, with their record buffers; only after openFiles() succeeded.
    exporting::ExportFiles files();
    const settings::Settings& settings() const { return program_.settings; }
    const settings::DataFileNames& names() const { return program_.names; }
    // Set when the error manager ended the program with a fatal message.
    std::optional<int> fatalExitCode() const { return fatalExit_; }

  private:
    app::Program program_;
    bool windowStarted_ = false;  // openFiles() ran and closeFiles() has not
    bool filesOpen_ = false;
    std::optional<int> fatalExit_;
};

}  // namespace kirva::cli
