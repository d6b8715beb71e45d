// The export window's layout: its controls and their texts in field order, and the refusals that guard the
// journal (a refused period, a settings value the program cannot hold, a data folder too long). What the
// window does as a book-keeper uses it is told by the stories under tests/stories/export/.
#include "export/export_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <utility>

#include "framework/window/window_controller.h"
#include "platform/text1250.h"
#include "settings/settings_window.h"
#include "tests/support/desktop_test.h"
#include "tools/cli/export_commands.h"
#include "tools/demo/demo_files.h"

namespace kirva::exporting {
namespace {

namespace fs = std::filesystem;
using kirva::testing::readFile;
using platform::Window;

constexpr std::string_view kNoInvoices = " V knjigi izdanih računov ni podatkov za izbrano datumsko obdobje !";
constexpr std::string_view kWrongDates = " Verjetno ste izbrali napačna datuma.";
constexpr std::string_view kCompleted = " Konec izdelave temeljnice izdanih računov.";

class ExportWindowTest : public testing::DesktopTest {
  protected:
    // The demo book (September 2018 to February 2019 for 15 March 2019) with its KIRVA.INI.
    void demoData() {
        auto written = demo::writeDemo(folder.path().string(), demo::DemoOptions{}, clock());
        ASSERT_TRUE(written.ok()) << written.error().message;
    }
    fs::path outputFolder() const { return folder.path() / "XML"; }

    static std::string shown(const Window& window, int32_t control) { return window.text(control).toUtf8(); }
    static bool ready(const Window& window) {
        return !window.isHidden(kBuildButton) && shown(window, kCancelButton).find("PREKLI") != std::string::npos;
    }
    static bool nothingToExport(const Window& window) {
        return window.isHidden(kBuildButton) && shown(window, kCancelButton).find("ZAPRI") != std::string::npos &&
               window.image(kCancelButton) == "exit";
    }
};

TEST(ExportWindowLayout, HasItsControlsAndTextsInFieldOrder) {
    ExportState state;
    const platform::WindowLayout layout = exportWindowLayout(state);
    EXPECT_EQ(layout.caption.size(), 96u);
    EXPECT_EQ(layout.caption.toUtf8(),
              "XML izdani RAČUNI za OPAL       TALMOR d.o.o.                ver. 1.02     21.5. 2019           ");
    EXPECT_EQ(layout.fontName, "Verdana");
    auto find = [&](int32_t number) -> const platform::ControlLayout& {
        for (const auto& c : layout.controls) {
            if (c.number == number) return c;
        }
        ADD_FAILURE() << "no control " << number;
        return layout.controls.front();
    };
    EXPECT_EQ(find(kToDate).tooltip.toUtf8(), "Do datuma izdanih računov");
    EXPECT_EQ(find(kInvoicesTitle).text.toUtf8(), "PODATKI O RAČUNIH");
    EXPECT_EQ(find(kFirstPrompt).text.toUtf8(), "Začetna številka :");
    EXPECT_EQ(find(kFirstNumber).statusText.toUtf8(), "Prva številka računa v izdelavi eRačunov");
    EXPECT_EQ(find(kLastPrompt).text.toUtf8(), "Končna številka :");
    EXPECT_EQ(find(kLastNumber).tooltip.toUtf8(), "Zadnja številka računa v izdelavi eRačunov");
    EXPECT_EQ(find(kCountPrompt).text.toUtf8(), "Število :");
    EXPECT_EQ(find(kCount).maxLength, 6u);
    EXPECT_EQ(find(kBuildButton).text.toUtf8(), "  &IZDELAJ");
    EXPECT_EQ(find(kBuildButton).statusText.toUtf8(), "Accept operation");
    EXPECT_EQ(find(kBuildButton).tooltip.toUtf8(), "Potrdi");
    EXPECT_EQ(find(kCancelButton).text.toUtf8(), "&PREKLIČI");
    EXPECT_EQ(find(kCancelButton).statusText.toUtf8(), "Cancel Operation");
    EXPECT_EQ(find(kCancelButton).tooltip.toUtf8(), "Preklic dejanja");
    EXPECT_EQ(find(kPeriodTitle).text.toUtf8(), "OBDOBJE RAČUNOV (datum računa)  OD ... DO ...");
    EXPECT_EQ(find(kSettingsButton).text.toUtf8(), "");
    EXPECT_EQ(find(kSettingsButton).image, "settings");
    // Field order: the controls listed by their numbers.
    for (std::size_t i = 0; i < layout.controls.size(); ++i)
        EXPECT_EQ(layout.controls[i].number, static_cast<int32_t>(i + 1));
}

// A refused period is never exported: the window shows it as nothing to export, and no key or button
// makes a journal of it (the invoice numbers on screen still name the last period counted), nor touches a
// journal of that name made earlier.
class RefusedPeriodTest
    : public ExportWindowTest,
      public ::testing::WithParamInterface<std::pair<const char*, void (*)(platform::ScriptedUser&)>> {};

TEST_P(RefusedPeriodTest, IsNeverExported) {
    demoData();
    // The journal of the demo period, made earlier today.
    std::ostringstream out, err;
    ASSERT_EQ(cli::exportCommand({}, out, err, clock()), 0) << err.str();
    const std::string journalName = out.str().substr(0, out.str().find('\n'));
    const std::string earlier = readFile(journalName);
    bool refusedLook = false, open = false;
    user.enter(kFromDate, "05.03.2019").check([&](Window& w) { refusedLook = nothingToExport(w); });
    GetParam().second(user);
    user.check([&](Window& w) { open = w.isOpen(); }).closeBox();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(refusedLook);
    EXPECT_TRUE(open);
    EXPECT_EQ(boxesStarting(kCompleted), 0u);
    EXPECT_EQ(journals(outputFolder()).size(), 1u);
    EXPECT_TRUE(readFile(journalName) == earlier) << "the earlier journal changed";
    EXPECT_EQ(framework::procedureResponse(), framework::ResponseCancelled);
}

INSTANTIATE_TEST_SUITE_P(
    ByAnyKeyOrButton, RefusedPeriodTest,
    ::testing::Values(std::pair{"AltI", +[](platform::ScriptedUser& u) { u.pressAccessKey('I'); }},
                      std::pair{"Click", +[](platform::ScriptedUser& u) { u.click(kBuildButton); }},
                      std::pair{"Enter", +[](platform::ScriptedUser& u) { u.focus(kBuildButton).pressEnter(); }}),
    [](const auto& way) { return std::string(way.param.first); });

// A settings file holding a value the program cannot hold does not stop the window: the reason is shown
// once, in Slovenian, naming the key and the file; the run is refused until the user corrects the value in
// the settings window; nothing is written to the file that the user did not confirm.
TEST_F(ExportWindowTest, AValueTheProgramCannotHoldIsShownOnceRefusedAndCorrectedInTheSettingsWindow) {
    demoData();
    setting(settings::keys::firmaOpal, std::string(56, 'F'));
    const std::string before = readFile(ini());
    std::string firmaShown, iniWhileRefused;
    std::size_t reasonsAtStart = 0;
    user.check([&](Window&) { reasonsAtStart = boxes().size(); })
        .click(kBuildButton)
        .check([&](Window&) { iniWhileRefused = readFile(ini()); })
        .click(kSettingsButton)
        .check([&](Window& w) { firmaShown = w.text(settings::kFirma).toUtf8(); })
        .enter(settings::kFirma, "ACME d.o.o.")
        .click(settings::kConfirmButton)
        .click(kBuildButton);
    EXPECT_EQ(runProgram(), 0);
    ASSERT_EQ(reasonsAtStart, 1u) << ::testing::PrintToString(boxes());
    const std::string reason = boxes()[0];
    EXPECT_NE(reason.find("Firma"), std::string::npos) << reason;
    EXPECT_NE(reason.find("./KIRVA.INI"), std::string::npos) << reason;
    EXPECT_NE(reason.find("56 znakov"), std::string::npos) << reason;
    EXPECT_EQ(reason.find("the "), std::string::npos) << reason;  // no English
    EXPECT_EQ(boxesStarting(" Temeljnica ni bila izdelana."), 1u);
    EXPECT_EQ(iniWhileRefused, before);
    EXPECT_EQ(firmaShown, std::string(50, 'F'));  // as far as the program holds it
    EXPECT_EQ(iniValue(settings::keys::firmaOpal), "ACME d.o.o.");
    EXPECT_EQ(boxesStarting(kCompleted), 1u);
    ASSERT_EQ(journals(outputFolder()).size(), 1u);
    EXPECT_TRUE(journals(outputFolder())[0].filename().string().starts_with("ACME d.o.o. "));
}

// A folder that makes a data-file name too long names no file the program may open: the window says why,
// opens none, and creates nothing under a cut name.
TEST_F(ExportWindowTest, AFolderThatMakesADataFileNameTooLongIsRefusedAndNothingIsCreated) {
    completeSettings();
    const fs::path deep = folder.path() / std::string(246 - folder.path().string().size() - 2, 'd');
    fs::create_directories(deep);
    setting(settings::keys::potDoIzdanihRacunov, deep.string() + "/");
    bool closeLook = false;
    user.check([&](Window& w) { closeLook = nothingToExport(w); }).pressAccessKey('I');
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(closeLook);
    ASSERT_GE(boxes().size(), 1u);
    EXPECT_NE(boxes()[0].find("PotDoIzdanihRacunov"), std::string::npos) << boxes()[0];
    EXPECT_NE(boxes()[0].find("FARACUN.DB"), std::string::npos) << boxes()[0];
    EXPECT_NE(boxes()[0].find("256 znakov"), std::string::npos) << boxes()[0];
    EXPECT_TRUE(fs::is_empty(deep));
    EXPECT_TRUE(journals(folder.path()).empty());
}

}  // namespace
}  // namespace kirva::exporting
