// kirva, the desktop program: the program's start-up, its export window and its shut-down on the Qt window
// system. It takes no options (Qt's own, such as -platform, are Qt's business) and works with KIRVA.INI of
// the folder it is started from. Ends with 0 when the export window has closed, with 4 after a fatal
// message; an unexpected failure is reported and ends it with 4 as well, never with a crash.
#include <QApplication>
#include <QIcon>
#include <csignal>
#include <cstdio>
#include <exception>

#include "app/desktop_program.h"
#include "framework/errors/error_manager.h"
#include "platform/qt/qt_window_system.h"

int main(int argc, char** argv) {
    // A write past the file-size limit then fails with its reason and the window says so, instead of the
    // program being killed.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication application(argc, argv);
    try {
        kirva::platform::qt::QtWindowSystem windows;
        kirva::app::DesktopOptions options;
        // The general toolkit's place is Qt's application object: it carries the program's name.
        options.startup.initToolkit = [](kirva::framework::IniManager&, std::string_view name) {
            QApplication::setApplicationName(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
            QApplication::setApplicationDisplayName(QApplication::applicationName());
        };
        // Start-up names the application icon XMLe.ICO; the program's own icon stands for it.
        options.startup.setApplicationIcon = [](std::string_view) {
            QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/kirva.svg")));
        };
        return kirva::app::runDesktopProgram(windows, options);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "kirva: %s\n", failure.what());
    } catch (...) {
        std::fprintf(stderr, "kirva: unexpected failure\n");
    }
    return kirva::framework::kFatalExitCode;
}
