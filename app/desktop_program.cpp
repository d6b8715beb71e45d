#include "app/desktop_program.h"

#include <iostream>
#include <optional>

#include "export/export_window.h"

namespace kirva::app {

namespace {

// The export window's files, as the dictionary set up their managers for this thread.
class DictionaryFiles final : public exporting::ExportDataFiles {
  public:
    uint8_t open() override { return openExportFiles(); }
    void close() override { exportWindowEnd(); }
    exporting::ExportFiles files() override {
        framework::DataFile& faracun = *app::fileOf("FARACUN");
        framework::DataFile& sfenpa = *app::fileOf("SFENPA");
        framework::DataFile& sfpartn = *app::fileOf("SFPARTN");
        return {faracun.storage(), faracun.record(),  sfenpa.storage(),
                sfenpa.record(),   sfpartn.storage(), sfpartn.record()};
    }
};

// Where the error manager's boxes go once the window system is gone.
platform::MessageBoxes& standardErrorBoxes() {
    static platform::HeadlessMessageBoxes boxes(std::cerr);
    return boxes;
}

}  // namespace

int runDesktopProgram(platform::WindowSystem& windows, DesktopOptions options) {
    framework::ErrorManager& errors = framework::errorManager();
    // A fatal message ends the program's work rather than the process at once, so the windows close, the
    // files are closed and the INI manager writes its bookkeeping before the process ends with its code.
    std::optional<int> fatalExit;
    errors.setMessageBoxes(windows.messageBoxes());
    errors.setExitHook([&fatalExit](int exitCode) {
        if (!fatalExit) fatalExit = exitCode;
    });

    const SystemClock systemClock;
    const Clock& clock = options.clock != nullptr ? *options.clock : systemClock;
    options.startup.dictionary.clock = &clock;
    options.startup.endInOrderOnFatal = false;  // the hook above ends the work; this function ends in order

    Program program{errors, iniManager(), {}, {}, {}};
    startUp(program, options.startup);

    DictionaryFiles dataFiles;
    exporting::ExportWindowContext context{windows,
                                           errors,
                                           program.ini,
                                           program.settingsFileName,
                                           program.settings,
                                           program.names,
                                           dataFiles,
                                           clock,
                                           [&fatalExit] { return fatalExit.has_value(); }};
    exporting::izdelavaXmlDatotekeIzdanihRacunov(context);

    shutDown(program);
    errors.setExitHook({});
    errors.setMessageBoxes(standardErrorBoxes());
    return fatalExit.value_or(0);
}

}  // namespace kirva::app
