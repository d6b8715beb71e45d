// The export window IzdelavaXMLdatotekeIzdanihRacunov: the program's main window. The user picks a period
// of invoice dates, sees how many invoices it holds and their first and last numbers, and builds the
// journal; a button opens the settings window. The window is the export run's front (ExportFront): it calls
// the very operations kirva-cli calls, and decides only when each runs and how its buttons look.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "export/export_life.h"
#include "export/export_run.h"
#include "framework/window/ini_manager.h"
#include "framework/window/window_controller.h"
#include "framework/window/window_resizer.h"
#include "settings/settings_store.h"

namespace kirva::exporting {

// The controls, in field (tab) order; prompts come just before their entries.
enum ExportControl : int32_t {
    kFromDate = 1,       // ?GLO:ODDATUMA
    kLine2 = 2,          // ?LINE2
    kToDate = 3,         // ?GLO:DODATUMA
    kInvoicesTitle = 4,  // ?STRING1
    kLine1 = 5,          // ?LINE1
    kFirstPrompt = 6,
    kFirstNumber = 7,  // ?LOC:ODRACUNA
    kLastPrompt = 8,
    kLastNumber = 9,  // ?LOC:DORACUNA
    kCountPrompt = 10,
    kCount = 11,           // ?LOC:STEVILORACUNOV
    kBuildButton = 12,     // ?OKBUTTON
    kCancelButton = 13,    // ?CANCEL
    kLine1b = 14,          // ?LINE1:4
    kLine1c = 15,          // ?LINE1:2
    kLine1d = 16,          // ?LINE1:6
    kSettingsButton = 17,  // ?GUMBNASTAVITVE:2
    kPeriodTitle = 18,     // ?STRING1:2
    kImage = 19,           // ?IMAGE1
};

// What the window works with: the program's services, and the export's life (settings, files, procedure
// name) that the program's start-up owns and the window takes step by step.
struct ExportWindowContext {
    platform::WindowSystem& windows;
    framework::ErrorManager& errors;
    framework::IniManager& ini;
    ExportLife& session;
    const Clock& clock;
};

// The window's layout, texts in Windows-1250, entries bound to the period and the count's results.
platform::WindowLayout exportWindowLayout(ExportState& state);

class ExportWindow : public framework::WindowController, public ExportFront {
  public:
    // `state` holds the period and the LOC: values the window's entries are bound to; it outlives the window.
    ExportWindow(ExportWindowContext& context, platform::Window& window, ExportState& state);
    ~ExportWindow() override;

    framework::ErrorLevel init() override;
    framework::ErrorLevel shutdown() override;
    framework::ErrorLevel handleEvent() override;
    framework::ErrorLevel handleAccepted() override;
    framework::ErrorLevel handleSelected() override;
    framework::ErrorLevel handleWindowEvent() override;
    // One operation for both bases: the count's results are shown first (the run has just set them), then
    // the screen's values are taken into their variables.
    void updateBindings() override;

    // ExportFront.
    void showNothingToExport() override;
    void focusCloseButton() override;
    platform::MessageBoxes& messageBoxes() override;
    void progress(int64_t done, int64_t total) override;

    const ExportState& state() const { return state_; }
    bool datesValid() const { return datesValid_; }
    bool noData() const { return noData_; }

  private:
    void showReady();
    // CountPeriodInvoices with a busy cursor; false when the invoice book could not be read (shown).
    bool count();
    void beginWork();
    void endWork();
    class BusyAwareBoxes;

    ExportWindowContext& context_;
    platform::Window& window_;
    framework::WindowToolbar toolbar_;
    framework::WindowResizer resizer_;
    ExportState& state_;
    std::optional<ExportFiles> files_;  // once open
    bool datesValid_ = false;
    bool noData_ = false;
    // When the current pass started, so that progress is shown only for a pass that takes a while.
    std::optional<std::chrono::steady_clock::time_point> workStarted_;
    bool progressShown_ = false;
    // The window system's boxes, with the busy cursor and the progress put away while a box is up.
    std::unique_ptr<platform::MessageBoxes> boxes_;
};

// The export procedure: creates the window, its controller, toolbar link and resizer, runs the controller,
// stores the response in ProcedureResponse and returns it.
uint8_t izdelavaXmlDatotekeIzdanihRacunov(ExportWindowContext& context);

}  // namespace kirva::exporting
