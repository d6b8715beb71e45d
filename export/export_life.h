// The export's life without the window: the procedure name, the settings, the data files opened through
// their relation managers, and whether a fatal message has ended the program's work. The program's
// start-up owns all of it (app::ExportSession implements this), and the export window takes its steps one
// by one, in the order of its own start and end; it is declared here because export/ may not use app/.
#pragma once

#include <cstdint>
#include <string>

#include "export/export_run.h"
#include "settings/settings_store.h"

namespace kirva::exporting {

class ExportLife {
  public:
    virtual ~ExportLife() = default;

    // The export procedure's name registered with the error manager, which reports under it while the
    // files are open; endProcedure() removes it. Each runs once until the other has.
    virtual void beginProcedure() = 0;
    virtual void endProcedure() = 0;
    // LoadSettings (which composes the data-file names) and the OPAL identification, into settings() and
    // names().
    virtual void loadSettings() = 0;
    // FARACUN, SFENPA, SFPARTN, QFASTOR and SaopRAC opened through their relation managers, QFASTPO declared
    // in use. 0 when all are open; otherwise the failing result, after the error manager has reported it.
    virtual uint8_t openFiles() = 0;
    // The open files with their record buffers; only after openFiles() succeeded.
    virtual ExportFiles files() = 0;
    // Closes what openFiles() opened, whether it succeeded or not; nothing when it did not run.
    virtual void closeFiles() = 0;
    // True once the error manager has ended the program with a fatal message.
    virtual bool ended() const = 0;

    virtual const std::string& settingsFileName() const = 0;
    // The settings globals, which the settings window edits in place.
    virtual settings::Settings& settings() = 0;
    virtual settings::DataFileNames& names() = 0;
};

}  // namespace kirva::exporting
