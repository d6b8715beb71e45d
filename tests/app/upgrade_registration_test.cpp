#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "app/upgrade_registration.h"
#include "data/layout.h"

using kirva::storage::UpgradeComponent;

namespace {

std::vector<std::string> lines(const UpgradeComponent& component) {
    std::vector<std::string> out;
    for (const auto& call : component.calls()) out.push_back(call.toString());
    return out;
}

TEST(UpgradeRegistration, RegistersTheOptionsTheDriverAndTheSixFilesInOrder) {
    UpgradeComponent component;
    std::atomic<bool> registered{false};
    kirva::app::registerWithUpgradeComponent(component, registered);
    const std::vector<std::string> expected{
        R"(UpgradePassHandle())",
        R"(UpgradeSetOption("inifilename", "./upgrade.ini"))",
        R"(UpgradeSetOption("BadFile", "0"))",
        R"(UpgradeAddDriver("Db"; __GDB, 1, 1 bytes))",
        R"(UpgradeIgnoreDriver("AllFiles"; 1))",
        R"(UpgradeSetOption("SPCreate", "1"))",
        R"(UpgradeUsingFile("FARACUN", "FARACUN"; FARACUN, 25, 0))",
        R"(UpgradeUsingFile("QFASTOR", "QFASTOR"; QFASTOR, 10, 0))",
        R"(UpgradeAlternateFieldName("OpombeRacuna", "QFASTOR:OpombeRacuna"))",
        R"(UpgradeSetIfNew("QFASTOR:IdRacuna", "AUTONUMBER"))",
        R"(UpgradeAlternateFieldName("QFASTOR:FASTOR:KupecDavcna)(", "QFASTOR:KupecDavcna"))",
        R"(UpgradeUsingFile("QFASTPO", "QFASTPO"; QFASTPO, 16, 0))",
        R"(UpgradeAlternateFieldName("OpisPostavke", "QFASTPO:OpisPostavke"))",
        R"(UpgradeUsingFile("SFENPA", "SFENPA"; SFENPA, 2, 0))",
        R"(UpgradeUsingFile("SFPARTN", "SFPARTN"; SFPARTN, 17, 0))",
        R"(UpgradeAlternateFieldName("Opombe", "SFPARTN:Opombe"))",
        R"(UpgradeUsingFile("SaopRAC", "SaopRAC"; SaopRAC, 0, 0))",
    };
    EXPECT_EQ(lines(component), expected);
    EXPECT_TRUE(registered);
    EXPECT_NE(kirva::app::upgradeHandle(), 0);
}

TEST(UpgradeRegistration, RegistersOncePerProcessButTakesAHandleEachTime) {
    UpgradeComponent component;
    std::atomic<bool> registered{false};
    kirva::app::registerWithUpgradeComponent(component, registered);
    const auto first = component.calls().size();
    kirva::app::registerWithUpgradeComponent(component, registered);
    const auto calls = component.calls();
    ASSERT_EQ(calls.size(), first + 1);
    EXPECT_EQ(calls.back().operation, "UpgradePassHandle");
}

TEST(UpgradeRegistration, VersionsAgreeWithTheLayouts) {
    // Each registered file's version is the one its layout declares; the others are not registered.
    UpgradeComponent component;
    std::atomic<bool> registered{false};
    kirva::app::registerWithUpgradeComponent(component, registered);
    int registeredFiles = 0;
    for (const auto& call : component.calls()) {
        if (call.operation != "UpgradeUsingFile") continue;
        ++registeredFiles;
        const auto* layout = kirva::data::findLayout(call.texts[0]);
        ASSERT_NE(layout, nullptr);
        EXPECT_EQ(std::to_string(layout->structureVersion), call.others[1]) << call.texts[0];
    }
    EXPECT_EQ(registeredFiles, 6);
    int versioned = 0;
    for (const auto* layout : kirva::data::dictionaryLayouts()) versioned += layout->structureVersion >= 0;
    EXPECT_EQ(versioned, 6);
}

}  // namespace
