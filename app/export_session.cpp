#include "app/export_session.h"

#include <iostream>

#include "app/dictionary.h"
#include "platform/text1250.h"
#include "platform/window/message_box.h"

namespace kirva::app {

namespace {

// Where the error manager's boxes go once a session is over: standard error, as before any session.
platform::MessageBoxes& standardErrorBoxes() {
    static platform::HeadlessMessageBoxes boxes(std::cerr);
    return boxes;
}

}  // namespace

ExportSession::ExportSession(std::string settingsFileName, exporting::ExportFront& front, const Clock& clock)
    : front_(front), clock_(clock), program_{framework::errorManager(), iniManager(), {}, {}, {}} {
    program_.errors.setMessageBoxes(front_.messageBoxes());
    StartupOptions options;
    options.settingsFileName = std::move(settingsFileName);
    options.dictionary.clock = &clock;
    options.endInOrderOnFatal = false;  // the session ends its work instead, and its owner the process
    startUp(program_, options);
    program_.errors.setExitHook([this](int exitCode) {
        if (!fatalExit_) fatalExit_ = exitCode;
    });
}

ExportSession::~ExportSession() {
    end();
    shutDown(program_);
    program_.errors.setExitHook({});
    program_.errors.setMessageBoxes(standardErrorBoxes());
}

bool ExportSession::start() {
    if (started_) return filesOpen_;
    started_ = true;
    program_.errors.registerProcedureName(kExportProcedureName);
    const uint8_t result = exportWindowStart(program_);
    filesOpen_ = result == framework::ResultDone && !fatalExit_;
    return filesOpen_;
}

void ExportSession::warnAboutMissingSettings() {
    exporting::warnAboutMissingSettings(program_.settings, front_);
}

Result<void> ExportSession::count(exporting::ExportState& state) {
    exporting::ExportFiles opened = files();
    return exporting::countPeriodInvoices(opened, state, front_);
}

exporting::RunResult ExportSession::runExport(exporting::ExportState& state) {
    // The window checks the folders when its build button gets the focus, just before the run.
    exporting::checkOutputSettings(program_.settings, front_);
    // Without an output folder the window hides its build button; the journal must never land in whatever
    // folder the program happens to run in.
    if (clipRight(program_.settings.potDoXmlRacunov).empty()) {
        return {exporting::RunStatus::JournalNotWritten, "no output folder is set (PotDoXMLRacunov in [GLOBAL] of " +
                                                             program_.settingsFileName + "); nothing was written"};
    }
    exporting::ExportFiles opened = files();
    return exporting::runExport(opened, program_.settings, state, clock_, front_);
}

void ExportSession::end() {
    if (!started_) return;
    started_ = false;
    filesOpen_ = false;
    exportWindowEnd();
    program_.errors.registerProcedureName(kExportProcedureName, true);
}

exporting::ExportFiles ExportSession::files() {
    framework::DataFile& faracun = *fileOf("FARACUN");
    framework::DataFile& sfenpa = *fileOf("SFENPA");
    framework::DataFile& sfpartn = *fileOf("SFPARTN");
    return {faracun.storage(), faracun.record(),  sfenpa.storage(),
            sfenpa.record(),   sfpartn.storage(), sfpartn.record()};
}

}  // namespace kirva::app
