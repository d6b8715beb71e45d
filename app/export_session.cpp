#include "app/export_session.h"

#include <iostream>
#include <utility>

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

StartupOptions withIniFile(std::string settingsFileName) {
    StartupOptions options;
    options.settingsFileName = std::move(settingsFileName);
    return options;
}

}  // namespace

ExportSession::ExportSession(StartupOptions options, exporting::ExportFront& front, const Clock& clock)
    : front_(front), clock_(clock), program_{framework::errorManager(), iniManager(), {}, {}, {}} {
    program_.errors.setMessageBoxes(front_.messageBoxes());
    // Recorded from the first step on, so that a fatal message during the start-up ends the work in order too.
    program_.errors.setExitHook([this](int exitCode) {
        if (!fatalExit_) fatalExit_ = exitCode;
    });
    options.dictionary.clock = &clock;
    options.endInOrderOnFatal = false;  // the session ends its work instead, and its owner the process
    startUp(program_, options);
}

ExportSession::ExportSession(std::string settingsFileName, exporting::ExportFront& front, const Clock& clock)
    : ExportSession(withIniFile(std::move(settingsFileName)), front, clock) {}

ExportSession::~ExportSession() {
    finish();
}

bool ExportSession::start() {
    if (started_) return filesOpen_;
    started_ = true;
    beginProcedure();
    loadSettings();
    const uint8_t result = openFiles();
    filesOpen_ = result == framework::ResultDone && !ended();
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
    exporting::ExportFiles opened = files();
    return exporting::runExport(opened, program_.settings, state, clock_, front_, program_.settingsFileName);
}

exporting::RunResult ExportSession::countAndRunExport(exporting::ExportState& state) {
    exporting::ExportFiles opened = files();
    return exporting::countAndRunExport(opened, program_.settings, state, clock_, front_, program_.settingsFileName);
}

void ExportSession::end() {
    started_ = false;
    filesOpen_ = false;
    closeFiles();
    endProcedure();
}

int ExportSession::finish() {
    if (finished_) return *finished_;
    end();
    shutDown(program_);
    program_.errors.setExitHook({});
    program_.errors.setMessageBoxes(standardErrorBoxes());
    finished_ = fatalExit_.value_or(0);
    return *finished_;
}

void ExportSession::beginProcedure() {
    if (procedureBegun_) return;
    procedureBegun_ = true;
    program_.errors.registerProcedureName(kExportProcedureName);
}

void ExportSession::endProcedure() {
    if (!procedureBegun_) return;
    procedureBegun_ = false;
    program_.errors.registerProcedureName(kExportProcedureName, true);
}

void ExportSession::loadSettings() {
    loadExportSettings(program_);
}

uint8_t ExportSession::openFiles() {
    filesOpened_ = true;  // closing balances a partly successful opening too
    return openExportFiles();
}

exporting::ExportFiles ExportSession::files() {
    framework::DataFile& faracun = *fileOf("FARACUN");
    framework::DataFile& sfenpa = *fileOf("SFENPA");
    framework::DataFile& sfpartn = *fileOf("SFPARTN");
    return {faracun.storage(), faracun.record(),  sfenpa.storage(),
            sfenpa.record(),   sfpartn.storage(), sfpartn.record()};
}

void ExportSession::closeFiles() {
    if (!filesOpened_) return;
    filesOpened_ = false;
    exportWindowEnd();
}

}  // namespace kirva::app
