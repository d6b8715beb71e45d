#include "export/export_window.h"

#include <utility>

#include "framework/errors/reason.h"
#include "platform/text1250.h"
#include "settings/settings_store.h"
#include "settings/settings_window.h"

namespace kirva::exporting {

namespace {

using framework::ErrorLevel;
using platform::ControlKind;
using platform::ControlLayout;
using platform::FieldFormat;
using platform::MessageIcon;
using platform::Rect;

// A pass that ends sooner shows no progress indication, only the busy cursor.
constexpr auto kProgressAfter = std::chrono::milliseconds(500);

// The two looks of the close button. The access key stays on the letter the window opened with.
const char* const kCancelLook = " &PREKLIČI";
const char* const kCloseLook = " &ZAPRI";

ControlLayout control(int32_t number, ControlKind kind, Rect place, Text1250 text = {}) {
    ControlLayout c;
    c.number = number;
    c.kind = kind;
    c.place = place;
    c.text = std::move(text);
    return c;
}

ControlLayout line(int32_t number, Rect place) {
    return control(number, ControlKind::Line, place);
}

ControlLayout dateEntry(int32_t number, int32_t& date, Rect place) {
    ControlLayout c = control(number, ControlKind::Entry, place);
    c.format = FieldFormat::Date;
    c.maxLength = 10;
    c.binding = platform::bindDate(date);
    return c;
}

}  // namespace

platform::WindowLayout exportWindowLayout(ExportState& state) {
    platform::WindowLayout layout;
    layout.name = std::string(kExportProcedureName);
    layout.caption = Text1250::literal(
        "XML izdani RAČUNI za OPAL       TALMOR d.o.o.                ver. 1.02     21.5. 2019           ");
    layout.width = 250;
    layout.height = 166;
    layout.fontName = "Verdana";
    layout.fontPoints = 8;
    layout.resizable = true;
    layout.icon = "kirva";

    auto& c = layout.controls;
    c.push_back(dateEntry(kFromDate, state.period.from, {60, 24, 56, 12}));
    c.push_back(line(kLine2, {120, 30, 8, 0}));
    ControlLayout to = dateEntry(kToDate, state.period.to, {132, 24, 56, 12});
    to.statusText = to.tooltip = Text1250::literal("Do datuma izdanih računov");
    c.push_back(to);
    c.push_back(control(kInvoicesTitle, ControlKind::Text, {10, 57, 0, 0}, Text1250::literal("PODATKI O RAČUNIH")));
    c.push_back(line(kLine1, {10, 67, 230, 0}));

    struct Number {
        int32_t prompt;
        const char* promptText;
        int32_t entry;
        int32_t y;
        const char* tip;
    };
    const Number numbers[] = {
        {kFirstPrompt, "Začetna številka :", kFirstNumber, 75, "Prva številka računa v izdelavi eRačunov"},
        {kLastPrompt, "Končna številka :", kLastNumber, 91, "Zadnja številka računa v izdelavi eRačunov"},
    };
    for (const Number& n : numbers) {
        c.push_back(control(n.prompt, ControlKind::Prompt, {16, n.y + 2, 0, 0}, Text1250::literal(n.promptText)));
        ControlLayout e = control(n.entry, ControlKind::Entry, {90, n.y, 150, 12});
        e.binding = platform::bindText(n.entry == kFirstNumber ? state.odRacuna : state.doRacuna, 34);
        e.maxLength = 34;
        e.readOnly = true;  // the count fills them; the run names its file after them
        e.statusText = e.tooltip = Text1250::literal(n.tip);
        c.push_back(e);
    }
    c.push_back(control(kCountPrompt, ControlKind::Prompt, {16, 109, 0, 0}, Text1250::literal("Število :")));
    ControlLayout count = control(kCount, ControlKind::Entry, {90, 107, 40, 12});
    count.format = FieldFormat::Number;
    count.maxLength = 6;
    count.binding = platform::bindNumber(state.steviloRacunov, 6);
    count.readOnly = true;
    c.push_back(count);

    ControlLayout build =
        control(kBuildButton, ControlKind::Button, {84, 134, 74, 20}, Text1250::literal("  &IZDELAJ"));
    build.image = "build";
    build.statusText = Text1250::literal("Accept operation");
    build.tooltip = Text1250::literal("Potrdi");
    c.push_back(build);
    ControlLayout cancel =
        control(kCancelButton, ControlKind::Button, {166, 134, 74, 20}, Text1250::literal("&PREKLIČI"));
    cancel.image = "cancel";
    cancel.statusText = Text1250::literal("Cancel Operation");
    cancel.tooltip = Text1250::literal("Preklic dejanja");
    c.push_back(cancel);

    c.push_back(line(kLine1b, {10, 4, 230, 0}));
    c.push_back(line(kLine1c, {10, 125, 230, 0}));
    c.push_back(line(kLine1d, {10, 160, 230, 0}));

    ControlLayout settings = control(kSettingsButton, ControlKind::Button, {216, 14, 24, 24});
    settings.image = "settings";
    settings.tooltip = settings.statusText = Text1250::literal("Nastavitve programa");
    c.push_back(settings);
    c.push_back(control(kPeriodTitle, ControlKind::Text, {60, 11, 0, 0},
                        Text1250::literal("OBDOBJE RAČUNOV (datum računa)  OD ... DO ...")));
    ControlLayout image = control(kImage, ControlKind::Image, {10, 10, 40, 40});
    image.image = "logo";
    c.push_back(image);
    return layout;
}

class ExportWindow::BusyAwareBoxes final : public platform::MessageBoxes {
  public:
    explicit BusyAwareBoxes(ExportWindow& owner) : owner_(owner) {}
    unsigned show(const platform::MessageBoxRequest& request) override {
        const bool working = owner_.workStarted_.has_value();
        if (working) {
            if (owner_.progressShown_) owner_.window_.showProgress(0, 0);
            owner_.progressShown_ = false;
            owner_.window_.setBusy(false);
        }
        const unsigned pressed = owner_.context_.windows.messageBoxes().show(request);
        if (working) {
            owner_.window_.setBusy(true);
            owner_.workStarted_ = std::chrono::steady_clock::now();
        }
        return pressed;
    }

  private:
    ExportWindow& owner_;
};

ExportWindow::ExportWindow(ExportWindowContext& context, platform::Window& window, ExportState& state)
    : WindowController(context.windows),
      context_(context),
      window_(window),
      state_(state),
      boxes_(std::make_unique<BusyAwareBoxes>(*this)) {}

ExportWindow::~ExportWindow() = default;

ErrorLevel ExportWindow::init() {
    context_.session.beginProcedure();
    request = framework::procedureRequest();
    if (const ErrorLevel level = WindowController::init(); level != ErrorLevel::Quiet) return level;

    linkToolbar(toolbar_);
    context_.session.loadSettings();
    // A settings file holding a value the program cannot hold whole does not stop the window: the user
    // corrects it in the settings window, and the run is refused until then. A folder that makes a data-file
    // name too long names no file the program may open, so the files stay closed.
    const std::optional<framework::Reason> unusable = settings::checkSettingsFile(context_.session.settingsFileName());
    const bool namesRefused = unusable && unusable->what == framework::ReasonKind::DataFileNameTooLong;

    addResponseButton(kBuildButton, request == framework::RequestConfirmCancels ? framework::ResponseCancelled
                                                                                : framework::ResponseCompleted);
    addResponseButton(kCancelButton, framework::ResponseCancelled);

    if (!namesRefused) {
        // The flag is set whatever the outcome: closing balances a partly successful opening too.
        const uint8_t openResult = context_.session.openFiles();
        filesOpened = true;
        if (openResult != 0 || context_.session.ended()) return ErrorLevel::Fatal;
        files_.emplace(context_.session.files());
    }

    openWindow(window_);

    if (unusable) {
        messageBoxes().show(programMessage(
            Text1250::literal(" Nastavitev ni mogoče uporabiti v celoti.||") + framework::slovenianText(*unusable) +
                Text1250::literal("||Vrednost popravite v nastavitvah programa; dotlej temeljnice "
                                  "ni mogoče izdelati."),
            Text1250::literal(" OPOZORILO"), MessageIcon::Information, Text1250::literal("Zapri")));
    }

    warnAboutMissingSettings(context_.session.settings(), *this);

    state_.period = defaultPeriod(context_.clock.today());
    window_.display(kFromDate);
    window_.display(kToDate);
    datesValid_ = false;

    resizer_.init(window_, 2, true, false);
    linkResizer(resizer_);
    registerAlertKeys();

    window_.select(kFromDate);
    return ErrorLevel::Quiet;
}

ErrorLevel ExportWindow::shutdown() {
    if (const ErrorLevel level = WindowController::shutdown(); level != ErrorLevel::Quiet) return level;
    if (filesOpened) {
        files_.reset();
        context_.session.closeFiles();
        filesOpened = false;
    }
    context_.session.endProcedure();
    return ErrorLevel::Quiet;
}

ErrorLevel ExportWindow::handleEvent() {
    const ErrorLevel level = WindowController::handleEvent();
    // A fatal message ends the program: the window closes and the program shuts down in its order.
    if (context_.session.ended()) return ErrorLevel::Fatal;
    return level;
}

ErrorLevel ExportWindow::handleWindowEvent() {
    if (event().kind == platform::EventKind::OpenWindow) window_.setFontName("Arial CE");
    return WindowController::handleWindowEvent();
}

ErrorLevel ExportWindow::handleSelected() {
    const int32_t selected = event().control;
    if (selected == kBuildButton) checkOutputSettings(context_.session.settings(), *this);
    const ErrorLevel level = WindowController::handleSelected();
    // A period the wrong-dates warning refuses is not counted when a date field gets the focus either (the
    // warning puts it on the to-date), so the focus stays there and the last count stands.
    const bool refused = datesWrong(state_.period, context_.clock.today(), AcceptedDate::To);
    if ((selected == kFromDate || selected == kToDate) && state_.period.from != 0 && state_.period.to != 0) {
        if (!noData_ && !refused) {
            if (count()) {
                showReady();
            } else {
                showNothingToExport();
                noData_ = true;
                window_.select(kCancelButton);
            }
        }
        window_.display();
    }
    return level;
}

ErrorLevel ExportWindow::handleAccepted() {
    const int32_t accepted = window_.acceptedControl();
    if (accepted == kBuildButton && state_.steviloRacunov != 0) {
        if (!files_) return ErrorLevel::Notice;
        beginWork();
        const RunResult result = runExport(*files_, context_.session.settings(), state_, context_.clock, *this,
                                           context_.session.settingsFileName());
        endWork();
        if (!result.ok()) {
            // The journal was not made: say why, and keep the window open so the dates or the settings can be
            // mended. A refused period gets the window's own warning about wrong dates.
            if (result.reason.what == framework::ReasonKind::WrongPeriod) {
                messageBoxes().show(wrongDatesMessage());
                showNothingToExport();
                window_.select(kToDate);
            } else {
                messageBoxes().show(programMessage(
                    Text1250::literal(" Temeljnica ni bila izdelana.||") + framework::slovenianText(result.reason),
                    Text1250::literal(" OPOZORILO"), MessageIcon::Information, Text1250::literal("Zapri")));
            }
            return ErrorLevel::Notice;
        }
    }

    const ErrorLevel level = WindowController::handleAccepted();

    if (accepted == kFromDate || accepted == kToDate) {
        const AcceptedDate which = accepted == kFromDate ? AcceptedDate::From : AcceptedDate::To;
        if (datesWrong(state_.period, context_.clock.today(), which)) {
            messageBoxes().show(wrongDatesMessage());
            datesValid_ = false;
            // The numbers on screen belong to the last period counted, not to this one: nothing to export
            // until a right period is counted.
            showNothingToExport();
            window_.select(kToDate);
            return ErrorLevel::Notice;
        }
        if (state_.period.from != 0 && state_.period.to != 0) datesValid_ = true;
        if (!datesValid_) return level;
        if (count()) {
            showReady();
            window_.display();
        } else {
            showNothingToExport();
        }
    } else if (accepted == kSettingsButton) {
        updateBindings();
        settings::SettingsWindowContext settingsContext{context_.windows, context_.errors, context_.ini,
                                                        context_.session.settingsFileName(),
                                                        context_.session.settings()};
        settings::nastavitvePrograma(settingsContext);
        refresh();
    }
    return level;
}

bool ExportWindow::count() {
    if (!files_) return false;  // the data files were not opened: there is nothing to count
    beginWork();
    const Result<void> counted = countPeriodInvoices(*files_, state_, *this);
    endWork();
    if (!counted) {
        // The book could not be read to its end: nothing to build from a partial count.
        state_.steviloRacunov = 0;
        window_.display(kCount);
        messageBoxes().show(
            programMessage(Text1250::literal(" Knjige izdanih računov ni mogoče prebrati.||") +
                               framework::slovenianText({.what = framework::ReasonKind::DataFileUnreadable,
                                                         .file = files_->faracun.path(),
                                                         .detail = counted.error().message}),
                           Text1250::literal(" OPOZORILO"), MessageIcon::Information, Text1250::literal("Zapri")));
        return false;
    }
    return state_.steviloRacunov != 0;
}

void ExportWindow::showReady() {
    window_.setHidden(kBuildButton, false);
    window_.setText(kCancelButton, Text1250::literal(kCancelLook));
    window_.setImage(kCancelButton, "cancel");
}

void ExportWindow::showNothingToExport() {
    window_.setHidden(kBuildButton, true);
    window_.setText(kCancelButton, Text1250::literal(kCloseLook));
    window_.setImage(kCancelButton, "exit");
    window_.setHidden(kCancelButton, false);
    window_.display();
}

void ExportWindow::focusCloseButton() {
    window_.select(kCancelButton);
}

void ExportWindow::updateBindings() {
    for (const int32_t result : {kFirstNumber, kLastNumber, kCount}) window_.display(result);
    WindowController::updateBindings();
}

platform::MessageBoxes& ExportWindow::messageBoxes() {
    return *boxes_;
}

void ExportWindow::beginWork() {
    window_.setBusy(true);
    workStarted_ = std::chrono::steady_clock::now();
    progressShown_ = false;
}

void ExportWindow::endWork() {
    if (progressShown_) window_.showProgress(0, 0);
    progressShown_ = false;
    workStarted_.reset();
    window_.setBusy(false);
}

void ExportWindow::progress(int64_t done, int64_t total) {
    if (!workStarted_) return;
    if (!progressShown_ && std::chrono::steady_clock::now() - *workStarted_ < kProgressAfter) return;
    progressShown_ = true;
    window_.showProgress(done, total);
}

uint8_t izdelavaXmlDatotekeIzdanihRacunov(ExportWindowContext& context) {
    ExportState state;  // the procedure's locals, cleared; the period is set at the window's start
    std::unique_ptr<platform::Window> window = context.windows.createWindow(exportWindowLayout(state));
    uint8_t response = framework::ResponseCancelled;
    {
        ExportWindow controller(context, *window, state);
        response = controller.run();
    }
    framework::procedureResponse() = response;
    return response;
}

}  // namespace kirva::exporting
