#include "settings/settings_window.h"

#include <memory>
#include <utility>

#include "framework/window/window_place_geometry.h"
#include "platform/system_files.h"
#include "platform/text1250.h"

namespace kirva::settings {

namespace {

using framework::ErrorLevel;
using platform::ControlKind;
using platform::ControlLayout;
using platform::FieldFormat;
using platform::Rect;

constexpr std::size_t kInvoiceWidth = keys::potDoIzdanihRacunov.width;
constexpr std::size_t kOutputWidth = keys::potDoXmlRacunov.width;
constexpr std::size_t kFirmaWidth = keys::firmaOpal.width;
constexpr std::size_t kKljucWidth = keys::kljucOpal.width;
// The partners' entry takes one character less than its global holds, as the window always has; the folder
// picker fills the global whole.
constexpr std::size_t kPartnerEntryWidth = keys::potDoPartnerjev.width - 1;

// Firma and Kljuc are fixed texts of 50 characters: shown without their padding, kept padded.
class FixedTextBinding final : public platform::Binding {
  public:
    FixedTextBinding(Text1250& variable, std::size_t width) : variable_(variable), width_(width) {}
    Text1250 display() const override { return clipRight(variable_); }
    bool accept(const Text1250& typed) override {
        variable_ = padRight(typed, width_);
        return true;
    }

  private:
    Text1250& variable_;
    std::size_t width_;
};

ControlLayout prompt(int32_t number, const char* utf8Text, int32_t x, int32_t y) {
    ControlLayout control;
    control.number = number;
    control.kind = ControlKind::Prompt;
    control.text = Text1250::literal(utf8Text);
    control.place = {x, y, 0, 0};
    return control;
}

ControlLayout entry(int32_t number, std::shared_ptr<platform::Binding> binding, FieldFormat format,
                    std::size_t maxLength, Rect place, const char* utf8Tip = nullptr) {
    ControlLayout control;
    control.number = number;
    control.kind = ControlKind::Entry;
    control.binding = std::move(binding);
    control.format = format;
    control.maxLength = maxLength;
    control.place = place;
    if (utf8Tip != nullptr) control.statusText = control.tooltip = Text1250::literal(utf8Tip);
    return control;
}

ControlLayout button(int32_t number, const char* utf8Text, const char* image, Rect place) {
    ControlLayout control;
    control.number = number;
    control.kind = ControlKind::Button;
    control.text = Text1250::literal(utf8Text);
    control.image = image;
    control.place = place;
    return control;
}

}  // namespace

platform::WindowLayout settingsWindowLayout(Settings& settings) {
    platform::WindowLayout layout;
    layout.name = std::string(kSettingsProcedureName);
    layout.caption = Text1250::literal(" NASTAVITVE PROGRAMA");
    layout.width = 343;
    layout.height = 346;
    layout.fontName = "Verdana";
    layout.fontPoints = 8;
    layout.resizable = true;
    layout.icon = "settings";

    auto& c = layout.controls;
    ControlLayout image;
    image.number = kSettingsImage;
    image.kind = ControlKind::Image;
    image.image = "settings-image";
    image.place = {310, 0, 31, 31};
    c.push_back(image);

    c.push_back(prompt(kInvoiceFolderPrompt, "Imenik s podatki knjige izdanih računov in poslovnih enot:", 21, 31));
    c.push_back(entry(kInvoiceFolder, platform::bindText(settings.potDoIzdanihRacunov, kInvoiceWidth),
                      FieldFormat::Text, kInvoiceWidth, {21, 45, 286, 12}));
    c.push_back(button(kInvoiceFolderButton, "...", "", {310, 43, 15, 14}));
    c.push_back(prompt(kPartnerFolderPrompt, "Imenik s podatki kupcev (partnerjev):", 21, 71));
    c.push_back(entry(kPartnerFolder, platform::bindText(settings.potDoPartnerjev, kPartnerEntryWidth),
                      FieldFormat::Text, kPartnerEntryWidth, {21, 86, 285, 11}));
    c.push_back(button(kPartnerFolderButton, "...", "", {310, 84, 15, 14}));
    c.push_back(prompt(kOutputFolderPrompt, "Imenik s podatki računov v XML obliki za računovodski servis:", 21, 115));
    c.push_back(entry(kOutputFolder, platform::bindText(settings.potDoXmlRacunov, kOutputWidth), FieldFormat::Text,
                      kOutputWidth, {21, 131, 286, 12}));
    c.push_back(button(kOutputFolderButton, "...", "", {310, 128, 15, 14}));

    ControlLayout check;
    check.number = kDeleteWorkData;
    check.kind = ControlKind::CheckBox;
    check.text = Text1250::literal("  Brisanje delovnih podatkov računov po končani izdelavi XML ?");
    check.binding = platform::bindCheckBox(settings.brisanjeDelovnih);
    check.format = FieldFormat::CheckBox;
    check.statusText = check.tooltip = Text1250::literal("Ali se po koncu obdelave delovne datoteke pobrišejo ali ne");
    check.place = {21, 158, 0, 0};
    c.push_back(check);
    c.push_back(button(kInformationButton, "", "information", {250, 156, 15, 14}));

    c.push_back(prompt(kHigherRatePrompt, "Stopnja DDV - SPLOŠNA:", 21, 191));
    c.push_back(entry(kHigherRate, platform::bindRate(settings.stopnjaDdvVisja), FieldFormat::Rate, 8,
                      {109, 191, 47, 10}, "Stopnja DDV nova višja"));
    c.push_back(prompt(kLowerRatePrompt, "Stopnja DDV - ZNIŽANA:", 172, 191));
    c.push_back(entry(kLowerRate, platform::bindRate(settings.stopnjaDdvNizja), FieldFormat::Rate, 8,
                      {260, 191, 47, 10}, "Stopnja DDV nova nižja"));

    ControlLayout line;
    line.number = kSeparator;
    line.kind = ControlKind::Line;
    line.colour = "silver";
    line.place = {22, 218, 297, 0};
    c.push_back(line);

    // The heading's misspelling ("računovodsvto") is the window's own text, kept as users know it.
    c.push_back(prompt(kIdentificationTitle, "Identifikacija podjetja v programu za računovodsvto", 52, 234));
    c.push_back(prompt(kFirmaPrompt, "Firma:", 19, 254));
    c.push_back(entry(kFirma, std::make_shared<FixedTextBinding>(settings.firmaOpal, kFirmaWidth), FieldFormat::Text,
                      kFirmaWidth, {50, 255, 198, 10}, "Za identifikacijo z računovodskim programom OPAL"));
    c.push_back(prompt(kKljucPrompt, "Ključ:", 22, 274));
    c.push_back(entry(kKljuc, std::make_shared<FixedTextBinding>(settings.kljucOpal, kKljucWidth), FieldFormat::Text,
                      kKljucWidth, {50, 274, 198, 10}, "Za identifikacijo z računovodskim programom OPAL"));

    ControlLayout note;
    note.number = kIdentificationNote;
    note.kind = ControlKind::Text;
    note.text = Text1250::literal("Oba podatka morata biti dolga vsaj 10 znakov in na daljša od 30 znakov");
    note.grey = true;
    note.place = {50, 294, 0, 0};
    c.push_back(note);

    ControlLayout confirm = button(kConfirmButton, "&SHRANI", "confirm", {203, 328, 62, 14});
    confirm.statusText = Text1250::literal("Accept operation");
    confirm.tooltip = Text1250::literal("Potrdi");
    c.push_back(confirm);
    ControlLayout cancel = button(kCancelButton, "PREKLIČI", "cancel", {275, 328, 62, 14});
    cancel.standardClose = true;
    c.push_back(cancel);
    return layout;
}

platform::MessageBoxRequest workDataExplanation() {
    platform::MessageBoxRequest box;
    box.text = Text1250::literal(
        " Pred izdelavo XML temeljnice izdanih računov nastanejo delovni podatki izbranih računov.|"
        " Ta modul jih uporabi kot vhodne podatke in iz njih zgradi .XML dokument.||"
        " Z vklopom opcije \"Brisanje...\" bo modul tudi pobrisal vse delovne podatke.||"
        " V nasprotnem primeru morate zagotoviti brisanje teh podatkov v programih, kjer nastajajo !");
    box.caption = Text1250::literal(" POJASNILO");
    box.icon = platform::MessageIcon::WinLogo;
    box.buttons = platform::ButtonOk;
    box.defaultButton = platform::ButtonOk;
    box.buttonCaptions = {Text1250::literal("V redu")};
    return box;
}

SettingsWindow::SettingsWindow(SettingsWindowContext& context, platform::Window& window)
    : WindowController(context.windows), context_(context), window_(window) {}

SettingsWindow::~SettingsWindow() = default;

ErrorLevel SettingsWindow::init() {
    context_.errors.registerProcedureName(kSettingsProcedureName);
    request = framework::procedureRequest();
    if (const ErrorLevel level = WindowController::init(); level != ErrorLevel::Quiet) return level;
    firstField = kSettingsImage;
    navigation = &framework::navigationRequest();
    errors = &context_.errors;
    framework::procedureRequest() = framework::RequestNone;
    framework::procedureResponse() = framework::ResponseNone;
    linkToolbar(toolbar_);
    addResponseButton(kConfirmButton, request == framework::RequestConfirmCancels ? framework::ResponseCancelled
                                                                                  : framework::ResponseCompleted);
    openWindow(window_, nullptr);
    resizer_.init(window_, 2, true, false);
    linkResizer(resizer_);
    framework::WindowPlaceGeometry place(window_);
    context_.ini.restoreWindow(kSettingsProcedureName, place);
    resizer_.layoutWindow();
    registerAlertKeys();
    return ErrorLevel::Quiet;
}

ErrorLevel SettingsWindow::handleAccepted() {
    const ErrorLevel level = WindowController::handleAccepted();
    switch (window_.acceptedControl()) {
        case kInvoiceFolderButton:
            pickFolder(kInvoiceFolder, Text1250::literal(" Izberi mapo z datotekami izdanih računov"),
                       context_.settings.potDoIzdanihRacunov, kInvoiceWidth);
            saved(saveFolderSettings(context_.settingsFileName, context_.settings));
            window_.selectNext(kInvoiceFolderButton);
            break;
        case kPartnerFolderButton:
            pickFolder(kPartnerFolder, Text1250::literal(" Izberi mapo s podatki kupcev (poslovnih partnerjev)"),
                       context_.settings.potDoPartnerjev, keys::potDoPartnerjev.width);
            saved(saveFolderSettings(context_.settingsFileName, context_.settings));
            window_.selectNext(kPartnerFolderButton);
            break;
        case kOutputFolderButton:
            // The output folder is written only when the settings are confirmed.
            pickFolder(kOutputFolder, Text1250::literal(" Izberi mapo za izhodne XML datoteke"),
                       context_.settings.potDoXmlRacunov, kOutputWidth);
            window_.selectNext(kOutputFolderButton);
            break;
        case kInformationButton:
            updateBindings();
            windowSystem().messageBoxes().show(workDataExplanation());
            break;
        case kConfirmButton:
            updateBindings();
            saved(saveAllSettings(context_.settingsFileName, context_.settings));
            break;
        default:
            break;
    }
    return level;
}

void SettingsWindow::saved(const Result<void>& written) {
    if (written) return;
    // Settings that did not reach the file would be lost at the next start: say so.
    Result<Text1250> reason = Text1250::fromUtf8(written.error().message);
    platform::MessageBoxRequest box;
    box.text = Text1250::literal(" Nastavitev ni bilo mogoče shraniti.||") +
               (reason ? reason.value() : Text1250::fromBytes(written.error().message));
    box.caption = Text1250::literal(" OPOZORILO");
    box.icon = platform::MessageIcon::Information;
    box.buttonCaptions = {Text1250::literal("Zapri")};
    windowSystem().messageBoxes().show(box);
}

void SettingsWindow::pickFolder(int32_t entry, const Text1250& title, Text1250& folder, std::size_t maxLength) {
    updateBindings();
    platform::WindowSystem& system = windowSystem();
    savedDirectory_ = system.currentDirectory();
    // The globals are cut to what they hold (254 or 255 characters); the picker never hands back more.
    if (system.pickFolder(title, folder, maxLength)) {
        // Every consumer joins the folder straight to a file name, so a chosen folder ends with a separator.
        const std::string& chosen = folder.bytes();
        const bool ended = !chosen.empty() && platform::kPathSeparators.find(chosen.back()) != std::string_view::npos;
        if (!chosen.empty() && !ended && chosen.size() < maxLength) {
            folder += Text1250::fromBytes(std::string(1, platform::kNativeSeparator));
        }
        window_.display(entry);
    }
    system.setCurrentDirectory(savedDirectory_);
}

ErrorLevel SettingsWindow::shutdown() {
    if (const ErrorLevel level = WindowController::shutdown(); level != ErrorLevel::Quiet) return level;
    if (opened) {
        framework::WindowPlaceGeometry place(window_);
        context_.ini.saveWindow(kSettingsProcedureName, place);
    }
    context_.errors.registerProcedureName("", true);
    return ErrorLevel::Quiet;
}

uint8_t nastavitvePrograma(SettingsWindowContext& context) {
    std::unique_ptr<platform::Window> window = context.windows.createWindow(settingsWindowLayout(context.settings));
    uint8_t response = framework::ResponseCancelled;
    {
        SettingsWindow controller(context, *window);
        response = controller.run();
    }
    framework::procedureResponse() = response;
    return response;
}

}  // namespace kirva::settings
