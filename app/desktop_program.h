// The desktop program's whole life on a window system: start-up in its fixed order, the export window as the
// only top-level window, and the shut-down once it has closed. The window system and the toolkit and icon
// steps come from the front (desktop/ on Qt, the tests on the headless system).
#pragma once

#include "app/startup.h"
#include "platform/date.h"
#include "platform/window/window_system.h"

namespace kirva::app {

struct DesktopOptions {
    // ./KIRVA.INI of the current folder, the upgrade registration, and the front's toolkit and icon steps.
    StartupOptions startup;
    // Today's date; the system's when null.
    const Clock* clock = nullptr;
};

// Runs the program and returns its exit code: 0 when the export window has closed, framework::kFatalExitCode
// (4) when a fatal message ended the program. Either way the program has been taken down in its order.
int runDesktopProgram(platform::WindowSystem& windows, DesktopOptions options = {});

}  // namespace kirva::app
