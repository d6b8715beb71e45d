// kirva.exe, the desktop program on Windows: the program's start-up, its export window and its shut-down on
// the Win32 window system. A GUI-subsystem program (no console window) that takes no options and works with
// KIRVA.INI of the folder it is started from (the shortcut's start folder). Ends with 0 when the export
// window has closed, with 4 after a fatal message; an unexpected failure is shown in a box and ends it with
// 4 as well, never with a crash.
#include <windows.h>

#include <exception>
#include <string>

#include "app/desktop_program.h"
#include "framework/errors/error_manager.h"
#include "platform/text1250.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window_system.h"

namespace {

// No console to write to: the failure is shown as the program's other messages are.
void reportFailure(const std::string& what) {
    const std::wstring text =
        kirva::platform::win32::toWide(kirva::cp1250(" Program se je nepričakovano ustavil:\n ") + what);
    MessageBoxW(nullptr, text.c_str(), kirva::platform::win32::toWide(kirva::cp1250(" NAPAKA")).c_str(),
                MB_OK | MB_ICONHAND | MB_SETFOREGROUND);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        kirva::platform::win32::Win32WindowSystem windows;
        kirva::app::DesktopOptions options;
        // The toolkit needs nothing at start-up: the window class is registered with the first window.
        options.startup.initToolkit = [](kirva::framework::IniManager&, std::string_view) {};
        // Start-up names the application icon XMLe.ICO; the program's own icon (resource 1) stands for it, set
        // on every window by its class.
        options.startup.setApplicationIcon = [](std::string_view) {};
        return kirva::app::runDesktopProgram(windows, options);
    } catch (const std::exception& failure) {
        const auto reason = kirva::utf8ToCp1250(failure.what());
        reportFailure(reason ? *reason : std::string("unexpected failure"));
    } catch (...) {
        reportFailure("unexpected failure");
    }
    return kirva::framework::kFatalExitCode;
}
