#include "app/upgrade_registration.h"

#include <string_view>
#include <vector>

#include "data/record.h"

namespace kirva::app {

namespace {

thread_local int32_t threadUpgradeHandle = 0;

struct Further {
    bool alternateName;  // true: UpgradeAlternateFieldName(text, field); false: UpgradeSetIfNew(field, text)
    std::string_view first;
    std::string_view second;
};

struct Registration {
    std::string_view label;
    int version;
    std::vector<Further> further;
};

const std::vector<Registration>& registrations() {
    static const std::vector<Registration> table{
        {"FARACUN", 25, {}},
        {"QFASTOR",
         10,
         {{true, "OpombeRacuna", "QFASTOR:OpombeRacuna"},
          {false, "QFASTOR:IdRacuna", "AUTONUMBER"},
          {true, "QFASTOR:FASTOR:KupecDavcna)(", "QFASTOR:KupecDavcna"}}},
        {"QFASTPO", 16, {{true, "OpisPostavke", "QFASTPO:OpisPostavke"}}},
        {"SFENPA", 2, {}},
        {"SFPARTN", 17, {{true, "Opombe", "SFPARTN:Opombe"}}},
        {"SaopRAC", 0, {}},
    };
    return table;
}

}  // namespace

const char* const kUpgradeSettingsFileName = "./upgrade.ini";

const data::Layout& upgradePlaceholderLayout() {
    static const data::Layout layout{
        .label = "__GDB",
        .prefix = "__GDB",
        .table = "__GDB",
        .fileName = "",
        .recordSize = 1,
        .nameTextBytes = 0,
        .structureVersion = -1,
        .fields = {{"A", data::FieldType::Byte, 0, 1}},
        .keys = {},
        .memos = {},
        .rules = {},
        .initialValues = {},
    };
    return layout;
}

void registerWithUpgradeComponent(storage::UpgradeComponent& component, std::atomic<bool>& registered) {
    threadUpgradeHandle = component.passHandle();
    if (registered.exchange(true)) return;
    static const data::Record placeholderRecord(upgradePlaceholderLayout());
    component.setOption("inifilename", kUpgradeSettingsFileName);
    component.setOption("BadFile", int64_t{0});
    component.addDriver("Db", upgradePlaceholderLayout(), 1, placeholderRecord);
    component.ignoreDriver("AllFiles", 1);
    component.setOption("SPCreate", int64_t{1});
    for (const Registration& file : registrations()) {
        const data::Layout* layout = data::findLayout(file.label);
        component.usingFile(file.label, file.label, layout != nullptr ? *layout : upgradePlaceholderLayout(),
                            file.version, 0);
        for (const Further& further : file.further) {
            if (further.alternateName) {
                component.alternateFieldName(further.first, further.second);
            } else {
                component.setIfNew(further.first, further.second);
            }
        }
    }
}

void registerWithUpgradeComponent() {
    static std::atomic<bool> registered{false};
    registerWithUpgradeComponent(storage::upgradeComponent(), registered);
}

int32_t upgradeHandle() {
    return threadUpgradeHandle;
}

}  // namespace kirva::app
