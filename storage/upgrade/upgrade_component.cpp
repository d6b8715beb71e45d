#include "storage/upgrade/upgrade_component.h"

namespace kirva::storage {

std::string UpgradeCall::toString() const {
    std::string text = operation + "(";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) text += ", ";
        text += "\"" + texts[i] + "\"";
    }
    if (!others.empty()) {
        text += "; ";
        for (std::size_t i = 0; i < others.size(); ++i) {
            if (i > 0) text += ", ";
            text += others[i];
        }
    }
    return text + ")";
}

void UpgradeComponent::add(UpgradeCall call) {
    std::lock_guard<std::mutex> guard(mutex_);
    calls_.push_back(std::move(call));
}

int32_t UpgradeComponent::passHandle() {
    int32_t handle = 0;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        handle = ++handles_;
    }
    add({"UpgradePassHandle", {}, {}});
    return handle;
}

void UpgradeComponent::setOption(std::string_view option, std::string_view value) {
    add({"UpgradeSetOption", {std::string(option), std::string(value)}, {}});
}

void UpgradeComponent::setOption(std::string_view option, int64_t value) {
    add({"UpgradeSetOption", {std::string(option), std::to_string(value)}, {}});
}

void UpgradeComponent::addDriver(std::string_view driver, const data::Layout& file, int flag,
                                 const data::Record& record) {
    add({"UpgradeAddDriver",
         {std::string(driver)},
         {std::string(file.label), std::to_string(flag), std::to_string(record.image().size()) + " bytes"}});
}

void UpgradeComponent::ignoreDriver(std::string_view name, int flag) {
    add({"UpgradeIgnoreDriver", {std::string(name)}, {std::to_string(flag)}});
}

void UpgradeComponent::usingFile(std::string_view label, std::string_view sameLabel, const data::Layout& file,
                                 int version, int flag) {
    add({"UpgradeUsingFile",
         {std::string(label), std::string(sameLabel)},
         {std::string(file.label), std::to_string(version), std::to_string(flag)}});
}

void UpgradeComponent::alternateFieldName(std::string_view alternateName, std::string_view fieldLabel) {
    add({"UpgradeAlternateFieldName", {std::string(alternateName), std::string(fieldLabel)}, {}});
}

void UpgradeComponent::setIfNew(std::string_view fieldLabel, std::string_view value) {
    add({"UpgradeSetIfNew", {std::string(fieldLabel), std::string(value)}, {}});
}

std::vector<UpgradeCall> UpgradeComponent::calls() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return calls_;
}

void UpgradeComponent::clear() {
    std::lock_guard<std::mutex> guard(mutex_);
    calls_.clear();
}

UpgradeComponent& upgradeComponent() {
    static UpgradeComponent component;
    return component;
}

}  // namespace kirva::storage
