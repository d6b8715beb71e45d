#include "app/startup.h"

#include "app/upgrade_registration.h"

namespace kirva::app {

framework::IniManager& iniManager() {
    static framework::IniManager manager;
    return manager;
}

void startUp(Program& program, const StartupOptions& options) {
    program.errors.initialize();
    program.settingsFileName = options.settingsFileName;
    program.ini.init(program.settingsFileName, framework::StorageKind::IniFile, 0);
    data::dictionaryInit(program.errors, program.names, options.dictionary);
    if (options.initToolkit) options.initToolkit(program.ini, kProgramName);
    if (options.setApplicationIcon) options.setApplicationIcon(kApplicationIcon);
    if (options.registerUpgrade) registerWithUpgradeComponent();
}

void shutDown(Program& program) {
    program.ini.beforeShutdown();
    program.ini.shutdown();
    data::dictionaryShutdown();
    program.ini.release();
    program.errors.shutdown();
}

uint8_t exportWindowStart(Program& program) {
    settings::loadSettings(program.settingsFileName, program.settings, program.names);
    settings::readIdentification(program.settingsFileName, program.settings);
    return openExportFiles();
}

uint8_t openExportFiles() {
    for (const char* label : {"FARACUN", "SFENPA", "SFPARTN", "QFASTOR", "SaopRAC"}) {
        files::RelationManager* relation = data::relateOf(label);
        if (relation == nullptr) continue;
        if (const uint8_t result = relation->open(); result != files::ResultDone) return result;
    }
    if (files::FileManager* qfastpo = data::accessOf("QFASTPO")) {
        if (const uint8_t result = qfastpo->use(files::UseType::Keep); result != files::ResultDone) return result;
    }
    return files::ResultDone;
}

void exportWindowEnd() {
    for (const char* label : {"FARACUN", "QFASTOR", "SFENPA", "SFPARTN", "SaopRAC"}) {
        if (files::RelationManager* relation = data::relateOf(label)) relation->close();
    }
}

}  // namespace kirva::app
