// The settings window NastavitvePrograma: a modal dialog, opened from the export window, in which the user
// sets the three data folders, the work-data option, the two VAT rates and the company's identification for
// OPAL. Its entries are bound straight to the settings globals; KIRVA.INI is written when a folder is picked
// for the invoice book or the partners, and when the user confirms. Stands on the window framework.
#pragma once

#include <cstdint>
#include <string>

#include "framework/errors/error_manager.h"
#include "framework/window/ini_manager.h"
#include "framework/window/window_controller.h"
#include "framework/window/window_resizer.h"
#include "settings/settings_store.h"

namespace kirva::settings {

// The controls by their field numbers, in tab order.
enum SettingsControl : int32_t {
    kSettingsImage = 1,
    kInvoiceFolderPrompt = 2,
    kInvoiceFolder = 3,
    kInvoiceFolderButton = 4,
    kPartnerFolderPrompt = 5,
    kPartnerFolder = 6,
    kPartnerFolderButton = 7,
    kOutputFolderPrompt = 8,
    kOutputFolder = 9,
    kOutputFolderButton = 10,
    kDeleteWorkData = 11,
    kInformationButton = 12,
    kHigherRatePrompt = 13,
    kHigherRate = 14,
    kLowerRatePrompt = 15,
    kLowerRate = 16,
    kSeparator = 17,
    kIdentificationTitle = 18,
    kFirmaPrompt = 19,
    kFirma = 20,
    kKljucPrompt = 21,
    kKljuc = 22,
    kIdentificationNote = 23,
    kConfirmButton = 24,
    kCancelButton = 25,
};

// The window's name: its procedure name and the INI section of its position.
inline constexpr std::string_view kSettingsProcedureName = "NastavitvePrograma";

struct SettingsWindowContext {
    platform::WindowSystem& windows;
    framework::ErrorManager& errors;
    framework::IniManager& ini;
    const std::string& settingsFileName;
    Settings& settings;  // the globals the entries are bound to
};

// The window's layout, texts in Windows-1250, entries bound to the globals.
platform::WindowLayout settingsWindowLayout(Settings& settings);

// The window's explanation of the work-data option (the information button).
platform::MessageBoxRequest workDataExplanation();

class SettingsWindow : public framework::WindowController {
  public:
    SettingsWindow(SettingsWindowContext& context, platform::Window& window);
    ~SettingsWindow() override;

    framework::ErrorLevel init() override;
    framework::ErrorLevel shutdown() override;
    framework::ErrorLevel handleAccepted() override;

  private:
    // A "..." button: the folder picker on one folder global; the current directory is put back after it.
    void pickFolder(int32_t entry, const Text1250& title, Text1250& folder, std::size_t maxLength);

    // Warns when the settings could not be written.
    void saved(const Result<void>& written);

    SettingsWindowContext& context_;
    platform::Window& window_;
    framework::WindowToolbar toolbar_;
    framework::WindowResizer resizer_;
    std::string savedDirectory_;  // the current directory while the folder picker is up
};

// The settings procedure: runs the window and stores its response in ProcedureResponse (1 after confirming,
// 2 otherwise), which it also returns.
uint8_t nastavitvePrograma(SettingsWindowContext& context);

}  // namespace kirva::settings
