// storage/upgrade/: the file-structure upgrade component that start-up registers the data files with.
// Here it is a component without effect on the files: it accepts the registration calls in their order
// and keeps a record of them, which tests read. Part of the storage layer: uses data/ for the layouts and
// platform/; never includes Qt.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "data/layout.h"
#include "data/record.h"

namespace kirva::storage {

// One call as it was made: the operation's name, its text arguments and its other arguments (a file by
// its label, numbers in decimal), each in the order given.
struct UpgradeCall {
    std::string operation;
    std::vector<std::string> texts;
    std::vector<std::string> others;

    friend bool operator==(const UpgradeCall&, const UpgradeCall&) = default;
    // "UpgradeUsingFile(\"FARACUN\", \"FARACUN\"; FARACUN, 25, 0)"
    std::string toString() const;
};

class UpgradeComponent {
  public:
    int32_t passHandle();
    void setOption(std::string_view option, std::string_view value);
    void setOption(std::string_view option, int64_t value);
    void addDriver(std::string_view driver, const data::Layout& file, int flag, const data::Record& record);
    void ignoreDriver(std::string_view name, int flag);
    void usingFile(std::string_view label, std::string_view sameLabel, const data::Layout& file, int version, int flag);
    void alternateFieldName(std::string_view alternateName, std::string_view fieldLabel);
    void setIfNew(std::string_view fieldLabel, std::string_view value);

    std::vector<UpgradeCall> calls() const;
    void clear();

  private:
    void add(UpgradeCall call);

    mutable std::mutex mutex_;
    std::vector<UpgradeCall> calls_;
    int32_t handles_ = 0;
};

// The process's one component.
UpgradeComponent& upgradeComponent();

}  // namespace kirva::storage
