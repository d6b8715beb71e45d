#include "app/startup.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "app/upgrade_registration.h"

namespace kirva::app {

framework::IniManager& iniManager() {
    static framework::IniManager manager;
    return manager;
}

void startUp(Program& program, const StartupOptions& options) {
    program.errors.initialize();
    if (options.endInOrderOnFatal) {
        program.errors.setExitHook([&program](int exitCode) { endAfterFatal(program, exitCode); });
    }
    program.settingsFileName = options.settingsFileName;
    program.ini.init(program.settingsFileName, framework::StorageKind::IniFile, 0);
    app::dictionaryInit(program.errors, program.names, options.dictionary);
    if (options.initToolkit) options.initToolkit(program.ini, kProgramName);
    if (options.setApplicationIcon) options.setApplicationIcon(kApplicationIcon);
    if (options.registerUpgrade) registerWithUpgradeComponent();
}

void shutDown(Program& program) {
    program.ini.beforeShutdown();
    program.ini.shutdown();
    app::dictionaryShutdown();
    program.ini.release();
    program.errors.shutdown();
}

void endAfterFatal(Program& program, int exitCode) {
    shutDown(program);
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::exit(exitCode);
}

uint8_t exportWindowStart(Program& program) {
    loadExportSettings(program);
    return openExportFiles();
}

void loadExportSettings(Program& program) {
    settings::loadSettings(program.settingsFileName, program.settings, program.names);
    settings::readIdentification(program.settingsFileName, program.settings);
}

uint8_t openExportFiles() {
    for (const char* label : {"FARACUN", "SFENPA", "SFPARTN", "QFASTOR", "SaopRAC"}) {
        framework::RelationManager* relation = app::relateOf(label);
        if (relation == nullptr) continue;
        if (const uint8_t result = relation->open(); result != framework::ResultDone) return result;
    }
    if (framework::FileManager* qfastpo = app::accessOf("QFASTPO")) {
        if (const uint8_t result = qfastpo->use(framework::UseType::Keep); result != framework::ResultDone)
            return result;
    }
    return framework::ResultDone;
}

void exportWindowEnd() {
    for (const char* label : {"FARACUN", "QFASTOR", "SFENPA", "SFPARTN", "SaopRAC"}) {
        if (framework::RelationManager* relation = app::relateOf(label)) relation->close();
    }
}

}  // namespace kirva::app
