#include "app/desktop_program.h"

#include <utility>

#include "app/export_session.h"
#include "export/export_window.h"
#include "export/posting_rules.h"
#include "platform/text1250.h"
#include "settings/settings_store.h"

namespace kirva::app {

int runDesktopProgram(platform::WindowSystem& windows, DesktopOptions options) {
    // A file that is not a settings file at all is neither read into the windows nor written: say so and
    // end. A settings file that merely holds a value the program cannot hold whole opens the window, which
    // says why and refuses the run until the value is corrected.
    if (auto unusable = settings::checkSettingsFile(options.startup.settingsFileName);
        unusable && settings::endsTheProgram(*unusable)) {
        windows.messageBoxes().show(exporting::programMessage(
            Text1250::literal(" Datoteke z nastavitvami ni mogoče uporabiti, zato se program ne zažene.||") +
                framework::slovenianText(*unusable),
            Text1250::literal(" OPOZORILO"), platform::MessageIcon::Exclamation, Text1250::literal("Zapri")));
        return framework::kFatalExitCode;
    }
    const SystemClock systemClock;
    const Clock& clock = options.clock != nullptr ? *options.clock : systemClock;
    // The window is the front of its own count and run; the session's front only says where the error
    // manager's boxes go: the window system's.
    exporting::WindowlessFront sessionFront(windows.messageBoxes());
    // A fatal message ends the program's work rather than the process at once, so the windows close, the
    // files are closed and the INI manager writes its bookkeeping before the process ends with its code.
    ExportSession session(std::move(options.startup), sessionFront, clock);
    exporting::ExportWindowContext context{windows, session.errors(), session.ini(), session, clock};
    exporting::izdelavaXmlDatotekeIzdanihRacunov(context);
    return session.finish();
}

}  // namespace kirva::app
