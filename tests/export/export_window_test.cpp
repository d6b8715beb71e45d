// The export window's layout: its controls and their texts in field order. What the window does as a
// book-keeper uses it is told by the stories under tests/stories/export/.
#include "export/export_window.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/text1250.h"
#include "settings/settings_window.h"

namespace kirva::exporting {
namespace {

// Every text of a layout is Windows-1250: a UTF-8 literal that slipped through would show as mojibake.
void expectWindows1250(const platform::WindowLayout& layout) {
    auto check = [&](const std::string& text, int32_t control) {
        EXPECT_TRUE(isAscii(text) || !isValidUtf8(text)) << layout.name << " control " << control << ": " << text;
    };
    check(layout.caption, 0);
    for (const auto& c : layout.controls) {
        check(c.text, c.number);
        check(c.tooltip, c.number);
        check(c.statusText, c.number);
    }
}

TEST(ExportWindowLayout, HasItsControlsAndTextsInFieldOrder) {
    ExportState state;
    const platform::WindowLayout layout = exportWindowLayout(state);
    expectWindows1250(layout);
    expectWindows1250(settings::settingsWindowLayout(*std::make_unique<settings::Settings>()));
    EXPECT_EQ(layout.caption.size(), 96u);
    EXPECT_EQ(cp1250ToUtf8(layout.caption),
              "XML izdani RAČUNI za OPAL       TALMOR d.o.o.                ver. 1.02     21.5. 2019           ");
    EXPECT_EQ(layout.fontName, "Verdana");
    auto find = [&](int32_t number) -> const platform::ControlLayout& {
        for (const auto& c : layout.controls) {
            if (c.number == number) return c;
        }
        ADD_FAILURE() << "no control " << number;
        return layout.controls.front();
    };
    EXPECT_EQ(cp1250ToUtf8(find(kToDate).tooltip), "Do datuma izdanih računov");
    EXPECT_EQ(cp1250ToUtf8(find(kInvoicesTitle).text), "PODATKI O RAČUNIH");
    EXPECT_EQ(cp1250ToUtf8(find(kFirstPrompt).text), "Začetna številka :");
    EXPECT_EQ(cp1250ToUtf8(find(kFirstNumber).statusText), "Prva številka računa v izdelavi eRačunov");
    EXPECT_EQ(cp1250ToUtf8(find(kLastPrompt).text), "Končna številka :");
    EXPECT_EQ(cp1250ToUtf8(find(kLastNumber).tooltip), "Zadnja številka računa v izdelavi eRačunov");
    EXPECT_EQ(cp1250ToUtf8(find(kCountPrompt).text), "Število :");
    EXPECT_EQ(find(kCount).maxLength, 6u);
    EXPECT_EQ(find(kBuildButton).text, "  &IZDELAJ");
    EXPECT_EQ(find(kBuildButton).statusText, "Accept operation");
    EXPECT_EQ(find(kBuildButton).tooltip, "Potrdi");
    EXPECT_EQ(cp1250ToUtf8(find(kCancelButton).text), "&PREKLIČI");
    EXPECT_EQ(find(kCancelButton).statusText, "Cancel Operation");
    EXPECT_EQ(find(kCancelButton).tooltip, "Preklic dejanja");
    EXPECT_EQ(cp1250ToUtf8(find(kPeriodTitle).text), "OBDOBJE RAČUNOV (datum računa)  OD ... DO ...");
    EXPECT_EQ(find(kSettingsButton).text, "");
    EXPECT_EQ(find(kSettingsButton).image, "settings");
    // Field order: the controls listed by their numbers.
    for (std::size_t i = 0; i < layout.controls.size(); ++i)
        EXPECT_EQ(layout.controls[i].number, static_cast<int32_t>(i + 1));
}

}  // namespace
}  // namespace kirva::exporting
