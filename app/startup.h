// Start-up and shut-down of the program's services, in their fixed order, for the desktop program and
// kirva-cli alike. See app/upgrade_registration.h for what app/ may depend on.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/dictionary.h"
#include "framework/errors/error_manager.h"
#include "framework/files/relation_manager.h"
#include "framework/window/ini_manager.h"
#include "settings/settings_store.h"

namespace kirva::app {

// The program-wide state that start-up establishes.
struct Program {
    framework::ErrorManager& errors;
    framework::IniManager& ini;
    std::string settingsFileName;   // SettingsFileName
    settings::Settings settings;    // the settings globals
    settings::DataFileNames names;  // the data-file name texts the file managers refer to
};

struct StartupOptions {
    // The INI file; the program's own is ".\KIRVA.INI" of the current folder (kirva-cli may name another).
    std::string settingsFileName = settings::kDefaultSettingsFileName;
    app::DictionaryOptions dictionary;
    // The upgrade registration with the process's component, at most once per process.
    bool registerUpgrade = true;
    // The window side's steps, which only a desktop front has: the general toolkit given the INI manager and
    // the program's name, and the application's icon. Left empty, the steps do nothing.
    std::function<void(framework::IniManager& ini, std::string_view programName)> initToolkit;
    std::function<void(std::string_view iconName)> setApplicationIcon;
    // A fatal message takes the program down in the order of shutDown() before the process ends with the
    // message's exit code. The managers of the dictionary use the per-thread file registries as they end,
    // so they must end before the thread's own variables do; ending the process straight away would
    // destroy the registries first. Off for an owner that ends the work itself (the export session).
    bool endInOrderOnFatal = true;
};

// The program's name, handed to the toolkit, and the application icon start-up names.
inline constexpr std::string_view kProgramName = "KIRVA";
inline constexpr std::string_view kApplicationIcon = "XMLe.ICO";

// The process's one INI manager.
framework::IniManager& iniManager();

// In this order: the error manager is initialised, SettingsFileName set, the INI manager initialised with
// it, the dictionary set up for this thread (no file opened), the toolkit and the application icon (when
// the front has them), the data files registered with the upgrade component. None of the steps checks a
// result.
void startUp(Program& program, const StartupOptions& options = {});
// In this order: the INI manager writes its bookkeeping and lets go of its lists; then, as at the end of
// the thread and the process, the dictionary is taken down, the INI manager released and the error
// manager shut down.
void shutDown(Program& program);
// What a fatal message does with endInOrderOnFatal: shutDown(program), the standard streams flushed, and
// the process ended with `exitCode`. Does not return.
[[noreturn]] void endAfterFatal(Program& program, int exitCode);

// The windowless part of the export window's start: loadExportSettings, then openExportFiles. Returns the
// first failing result (a fatal one has ended the program unless the error manager's exit hook returned);
// exportWindowEnd balances it either way.
uint8_t exportWindowStart(Program& program);
// LoadSettings (which composes the data-file names) and the OPAL identification.
void loadExportSettings(Program& program);
// The opening part of it alone: the five files through their relation managers, QFASTPO in use.
uint8_t openExportFiles();
// The export window's end: FARACUN, QFASTOR, SFENPA, SFPARTN and SaopRAC closed through their relation
// managers.
void exportWindowEnd();

}  // namespace kirva::app
