// app/: the program's start-up and shut-down: the error manager, the settings file name, the INI manager,
// the dictionary set-up, the upgrade registration, the opening and closing of the export's data files and
// the export session, which the desktop program and kirva-cli both stand on; and the desktop program's
// whole life with the export window (desktop_program.h), on whatever window system its front hands in.
// The top of the program layer: may use export/, settings/, framework/, storage/, data/ and platform/;
// never includes Qt.
#pragma once

#include <atomic>
#include <cstdint>

#include "storage/upgrade/upgrade_component.h"

namespace kirva::app {

// The upgrade component's own settings file, named to it at registration.
extern const char* const kUpgradeSettingsFileName;

// The placeholder file handed to UpgradeAddDriver: declared with the keyed-file driver, its record one
// unsigned byte (__GDB:A); it lives until the process ends and is never opened.
const data::Layout& upgradePlaceholderLayout();

// Start-up's steps 7 and 8: takes a handle from the component (kept per thread, never read again) and,
// when `registered` is still false, sets it and registers the options, the driver and the six data files
// the component knows, in their order.
void registerWithUpgradeComponent(storage::UpgradeComponent& component, std::atomic<bool>& registered);
// The same with the process's component and the process's flag: registers at most once per process.
void registerWithUpgradeComponent();

// The handle the calling thread got at its last registration step.
int32_t upgradeHandle();

}  // namespace kirva::app
