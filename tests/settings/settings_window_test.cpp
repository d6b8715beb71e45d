// The settings window as a user works it, on the headless window system: what it shows, what each "..."
// button and the information button do, what confirming and cancelling write to KIRVA.INI, and where the
// window opens the next time.
#include "settings/settings_window.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "framework/window/window_controller.h"
#include "tests/support/desktop_test.h"
#include "tests/support/headless_window.h"

namespace kirva::settings {
namespace {

namespace fs = std::filesystem;
using platform::Window;

class SettingsWindowTest : public testing::DesktopTest {
  protected:
    void SetUp() override {
        DesktopTest::SetUp();
        errors.setMessageBoxes(windows.messageBoxes());
        errors.initialize();
        ini_.init(ini());
    }
    void TearDown() override {
        ini_.shutdown();
        errors.shutdown();
        DesktopTest::TearDown();
    }

    // The settings as the export window left them after LoadSettings.
    void loaded() {
        DataFileNames names;
        loadSettings(ini(), settings, names);
        readIdentification(ini(), settings);
    }
    uint8_t openWindow() {
        SettingsWindowContext context{windows, errors, ini_, iniName_, settings};
        return nastavitvePrograma(context);
    }
    // The INI file's settings keys, "section/key=value", those missing left out.
    std::vector<std::string> settingsKeys() const {
        std::vector<std::string> out;
        const std::pair<const char*, const char*> keys[] = {{"GLOBAL", "PotDoIzdanihRacunov"},
                                                            {"GLOBAL", "PotDoPartnerjev"},
                                                            {"GLOBAL", "PotDoXMLRacunov"},
                                                            {"GLOBAL", "BrisanjeDelPodat"},
                                                            {"DAVKI", "StopnjaDDVvisja"},
                                                            {"DAVKI", "StopnjaDDVnizja"},
                                                            {"OPAL", "Firma"},
                                                            {"OPAL", "Kljuc"}};
        for (const auto& [section, key] : keys) {
            const std::string value = iniValue(section, key);
            if (value != "<missing>") out.push_back(std::string(section) + "/" + key + "=" + value);
        }
        return out;
    }

    framework::ErrorManager errors;
    framework::IniManager ini_;
    Settings settings;

  private:
    std::string iniName_ = ini();
};

TEST_F(SettingsWindowTest, ShowsTheSettingsWithTheirFormats) {
    setting("GLOBAL", "PotDoIzdanihRacunov", "/data/racuni/");
    setting("GLOBAL", "BrisanjeDelPodat", "1");
    setting("OPAL", "Firma", "ACME d.o.o.");
    loaded();
    std::string invoices, higher, lower, firma, caption;
    user.check([&](Window& w) {
        invoices = w.text(kInvoiceFolder);
        higher = w.text(kHigherRate);
        lower = w.text(kLowerRate);
        firma = w.text(kFirma);
        caption = w.caption();
    });
    EXPECT_EQ(openWindow(), framework::ResponseCancelled);  // the script ran out: closed by the close box
    EXPECT_EQ(invoices, "/data/racuni/");
    EXPECT_EQ(higher, "22,00 %");
    EXPECT_EQ(lower, "9,50 %");
    EXPECT_EQ(firma, "ACME d.o.o.");
    EXPECT_EQ(caption, " NASTAVITVE PROGRAMA");
}

TEST_F(SettingsWindowTest, PickingTheInvoiceFolderThenCancellingWritesTheFourGlobalKeysOnly) {
    setting("DAVKI", "StopnjaDDVvisja", "22");
    setting("OPAL", "Firma", "STARA");
    loaded();
    user.enter(kPartnerFolder, "/data/kupci/")
        .answerFolderPicker("/data/racuni")
        .click(kInvoiceFolderButton)
        .enter(kHigherRate, "25")
        .enter(kFirma, "NOVA")
        .click(kCancelButton);
    EXPECT_EQ(openWindow(), framework::ResponseCancelled);
    EXPECT_EQ(iniValue("GLOBAL", "PotDoIzdanihRacunov"), "/data/racuni/");  // with its separator
    EXPECT_EQ(iniValue("GLOBAL", "PotDoPartnerjev"), "/data/kupci/");
    EXPECT_EQ(iniValue("GLOBAL", "PotDoXMLRacunov"), "");
    EXPECT_EQ(iniValue("GLOBAL", "BrisanjeDelPodat"), "0");
    EXPECT_EQ(iniValue("DAVKI", "StopnjaDDVvisja"), "22");
    EXPECT_EQ(iniValue("DAVKI", "StopnjaDDVnizja"), "<missing>");
    EXPECT_EQ(iniValue("OPAL", "Firma"), "STARA");
    // The globals keep what was typed.
    EXPECT_EQ(settings.stopnjaDdvVisja.unitsAt(2), 2500);
    EXPECT_EQ(clipRight(settings.firmaOpal), "NOVA");
    EXPECT_EQ(settings.firmaOpal.size(), 50u);
    EXPECT_EQ(windows.transcript("folder "),
              std::vector<std::string>{"folder  Izberi mapo z datotekami izdanih računov -> /data/racuni/"});
}

TEST_F(SettingsWindowTest, PickingTheOutputFolderThenCancellingWritesNothing) {
    loaded();  // LoadSettings wrote PotDoXMLRacunov back (empty)
    const std::vector<std::string> before = settingsKeys();
    user.answerFolderPicker("/data/xml/").click(kOutputFolderButton).click(kCancelButton);
    openWindow();
    EXPECT_EQ(settingsKeys(), before);
    EXPECT_EQ(settings.potDoXmlRacunov, "/data/xml/");
}

TEST_F(SettingsWindowTest, ACancelledPickerLeavesTheFolderButStillSavesTheFolderSettings) {
    setting("GLOBAL", "PotDoPartnerjev", "/old/");
    loaded();
    std::string shown;
    user.answerFolderPicker(std::nullopt).click(kPartnerFolderButton).check([&](Window& w) {
        shown = w.text(kPartnerFolder);
    });
    openWindow();
    EXPECT_EQ(shown, "/old/");
    EXPECT_EQ(settings.potDoPartnerjev, "/old/");
    EXPECT_EQ(iniValue("GLOBAL", "BrisanjeDelPodat"), "0");  // SaveFolderSettings ran
}

TEST_F(SettingsWindowTest, ConfirmingWithEmptyFieldsWritesAllEightKeys) {
    user.click(kConfirmButton);
    EXPECT_EQ(openWindow(), framework::ResponseCompleted);
    EXPECT_EQ(settingsKeys(), (std::vector<std::string>{"GLOBAL/PotDoIzdanihRacunov=", "GLOBAL/PotDoPartnerjev=",
                                                        "GLOBAL/PotDoXMLRacunov=", "GLOBAL/BrisanjeDelPodat=0",
                                                        "DAVKI/StopnjaDDVvisja=0", "DAVKI/StopnjaDDVnizja=0",
                                                        "OPAL/Firma=", "OPAL/Kljuc="}));
}

TEST_F(SettingsWindowTest, ARateTypedWithACommaIsShownWithTwoPlacesAndWrittenWithAPoint) {
    loaded();
    std::string shown;
    user.enter(kLowerRate, "8,5").check([&](Window& w) { shown = w.text(kLowerRate); }).click(kConfirmButton);
    openWindow();
    EXPECT_EQ(shown, "8,50 %");
    EXPECT_EQ(iniValue("DAVKI", "StopnjaDDVnizja"), "8.5");
}

TEST_F(SettingsWindowTest, TheCurrentDirectoryIsTheSameAfterThePicker) {
    loaded();
    const std::string before = windows.currentDirectory();
    std::string during;
    user.answerFolderPicker("/data/racuni/", "/").click(kInvoiceFolderButton).check([&](Window&) {
        during = windows.currentDirectory();
    });
    openWindow();
    EXPECT_EQ(during, before);
    EXPECT_EQ(windows.currentDirectory(), before);
}

TEST_F(SettingsWindowTest, TheInformationButtonExplainsTheWorkDataOption) {
    loaded();
    bool open = false;
    user.click(kInformationButton).check([&](Window& w) { open = w.isOpen(); });
    openWindow();
    EXPECT_TRUE(open);
    ASSERT_EQ(windows.shownBoxes().size(), 1u);
    const auto& box = windows.shownBoxes()[0];
    EXPECT_EQ(box.caption, " POJASNILO");
    EXPECT_EQ(box.icon, platform::MessageIcon::WinLogo);
    EXPECT_EQ(box.buttonCaptions, std::vector<std::string>{"V redu"});
    EXPECT_EQ(cp1250ToUtf8(box.text),
              " Pred izdelavo XML temeljnice izdanih računov nastanejo delovni podatki izbranih računov.|"
              " Ta modul jih uporabi kot vhodne podatke in iz njih zgradi .XML dokument.||"
              " Z vklopom opcije \"Brisanje...\" bo modul tudi pobrisal vse delovne podatke.||"
              " V nasprotnem primeru morate zagotoviti brisanje teh podatkov v programih, kjer nastajajo !");
}

TEST_F(SettingsWindowTest, ReopensAtThePlaceAndSizeItWasClosedAt) {
    loaded();
    user.moveTo(40, 30).resizeTo(400, 380).click(kCancelButton);
    openWindow();
    platform::Rect reopened;
    user.check([&](Window& w) { reopened = w.place(); });
    openWindow();
    EXPECT_EQ(reopened, (platform::Rect{40, 30, 400, 380}));
    EXPECT_EQ(iniValue("NastavitvePrograma", "Width"), "400");
}

TEST_F(SettingsWindowTest, TheWindowCannotBeMadeSmallerThanItsDesign) {
    loaded();
    platform::Rect place;
    user.resizeTo(100, 100).check([&](Window& w) { place = w.place(); });
    openWindow();
    EXPECT_GE(place.width, 343);
    EXPECT_GE(place.height, 346);
}

TEST_F(SettingsWindowTest, EveryControlIsReachedByTabInItsOrder) {
    loaded();
    std::vector<int32_t> order;
    user.focus(kInvoiceFolder).check([&](Window& w) { order.push_back(w.focusedControl()); });
    for (int i = 0; i < 14; ++i) user.pressTab().check([&](Window& w) { order.push_back(w.focusedControl()); });
    openWindow();
    EXPECT_EQ(order, (std::vector<int32_t>{kInvoiceFolder, kInvoiceFolderButton, kPartnerFolder, kPartnerFolderButton,
                                           kOutputFolder, kOutputFolderButton, kDeleteWorkData, kInformationButton,
                                           kHigherRate, kLowerRate, kFirma, kKljuc, kConfirmButton, kCancelButton,
                                           kInvoiceFolder}));
}

}  // namespace
}  // namespace kirva::settings
