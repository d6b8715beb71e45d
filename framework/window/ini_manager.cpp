#include "framework/window/ini_manager.h"

#include <charconv>
#include <utility>

#include "platform/ini/profile_file.h"

namespace kirva::framework {

namespace {

using Guard = platform::LockGuard;

std::string cut(std::string text, std::size_t length) {
    if (text.size() > length) text.resize(length);
    return text;
}

// A stored number as the program reads it: blanks around a whole number are allowed, anything else is 0.
int64_t toNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return 0;
    return value;
}

int32_t toCoordinate(std::string_view text) {
    const int64_t value = toNumber(text);
    if (value < INT32_MIN || value > INT32_MAX) return 0;
    return static_cast<int32_t>(value);
}

std::string rowEntry(std::string_view entry, std::size_t row) {
    return std::string(entry) + "_" + std::to_string(row);
}

}  // namespace

// The INI file read once for the reads of one operation (a list of thousands of rows would otherwise read
// and parse the whole file for every field). Nested operations share the outer one's reading.
class ReadBatch {
  public:
    explicit ReadBatch(IniManager& manager) : manager_(manager) {
        if (manager_.kind_ != StorageKind::IniFile || manager_.loaded_) return;
        manager_.loaded_.emplace(platform::Profile::read(manager_.fileName_));
        owner_ = true;
    }
    ~ReadBatch() {
        if (owner_) manager_.loaded_.reset();
    }
    ReadBatch(const ReadBatch&) = delete;
    ReadBatch& operator=(const ReadBatch&) = delete;

  private:
    IniManager& manager_;
    bool owner_ = false;
};

// The writes and deletions of one operation, written in one rewrite of the INI file when it ends.
class WriteBatch {
  public:
    explicit WriteBatch(IniManager& manager) : manager_(manager) {
        if (manager_.kind_ != StorageKind::IniFile || manager_.pending_) return;
        manager_.pending_.emplace(manager_.fileName_);
        owner_ = true;
    }
    ~WriteBatch() {
        if (!owner_) return;
        // Failures of the store are not detected, as the program has always had it.
        (void)manager_.pending_->save();
        manager_.pending_.reset();
    }
    WriteBatch(const WriteBatch&) = delete;
    WriteBatch& operator=(const WriteBatch&) = delete;

  private:
    IniManager& manager_;
    bool owner_ = false;
};

std::string IniManager::registrySection(std::string_view file, std::string_view section) const {
    std::string key = std::to_string(registryRoot_) + "\\";
    if (!file.empty()) key += std::string(file) + "\\";
    return key + std::string(section);
}

std::string IniManager::readValue(std::string_view section, std::string_view entry, std::string_view defaultValue,
                                  std::string_view file) {
    Guard guard(lock_);
    switch (kind_) {
        case StorageKind::IniFile:
            if (loaded_ && batched(file)) return cut(loaded_->value(section, entry, defaultValue), kRawReadLength);
            return cut(platform::readProfileString(std::string(file), section, entry, defaultValue), kRawReadLength);
        case StorageKind::Registry: {
            std::string value = platform::readProfileString(registryFile_, registrySection(file, section), entry, "");
            return value.empty() ? std::string(defaultValue) : cut(std::move(value), kRawReadLength);
        }
        case StorageKind::Nothing:
            break;
    }
    return {};
}

void IniManager::writeValue(std::string_view section, std::string_view entry, std::string_view value,
                            std::string_view file) {
    Guard guard(lock_);
    // Failures of the store are not detected, as the program has always had it.
    switch (kind_) {
        case StorageKind::IniFile:
            if (pending_ && batched(file)) {
                (void)pending_->set(section, entry, value);
            } else {
                (void)platform::writeProfileString(std::string(file), section, entry, value);
            }
            break;
        case StorageKind::Registry:
            if (value.empty()) {
                (void)platform::deleteProfileKey(registryFile_, registrySection(file, section), entry);
            } else {
                (void)platform::writeProfileString(registryFile_, registrySection(file, section), entry, value);
            }
            break;
        case StorageKind::Nothing:
            break;
    }
}

void IniManager::eraseEntry(std::string_view section, std::string_view entry) {
    Guard guard(lock_);
    switch (kind_) {
        case StorageKind::IniFile:
            if (pending_) {
                pending_->erase(section, entry);
            } else {
                (void)platform::deleteProfileKey(fileName_, section, entry);
            }
            break;
        case StorageKind::Registry:
            (void)platform::deleteProfileKey(registryFile_, registrySection(fileName_, section), entry);
            break;
        case StorageKind::Nothing:
            break;
    }
}

void IniManager::init(std::string_view fileName, StorageKind kind, int32_t registryRoot) {
    Guard guard(lock_);
    fileName_ = cut(std::string(fileName), kFileNameLength);
    kind_ = kind;
    registryRoot_ = registryRoot;
    sectors_.emplace();
    afterInit();
    readList(kListSection, kListEntry, *sectors_, 3);
}

void IniManager::shutdown() {
    Guard guard(lock_);
    if (!sectors_) return;
    writeList(kListSection, kListEntry, *sectors_, 3);
    sectors_.reset();
}

void IniManager::writeEntry(std::string_view section, std::string_view entry, std::string_view value) {
    Guard guard(lock_);
    writeValue(section, entry, value, fileName_);
}

std::string IniManager::readEntry(std::string_view section, std::string_view entry) {
    Guard guard(lock_);
    return readValue(section, entry, "", fileName_);
}

void IniManager::readInto(std::string_view section, std::string_view entry, std::string& variable) {
    Guard guard(lock_);
    variable = readValue(section, entry, variable, fileName_);
}

std::string IniManager::readText(std::string_view section, std::string_view entry) {
    Guard guard(lock_);
    return cut(readValue(section, entry, kUnknown, fileName_), kTextLength);
}

std::string IniManager::readField(std::string_view section, std::string_view entry, int n) {
    Guard guard(lock_);
    const std::string text = readText(section, entry);
    std::size_t start = 0;
    for (int i = 1; i < n; ++i) {
        const auto comma = text.find(',', start);
        start = comma == std::string::npos ? 0 : comma + 1;
    }
    const auto end = text.find(',', start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

void IniManager::readList(std::string_view section, std::string_view entry, std::vector<IniRow>& list, int columns) {
    Guard guard(lock_);
    const ReadBatch batch(*this);
    const int64_t count = toNumber(readEntry(section, entry));
    // A damaged count is bounded by the rows actually there: the list ends at the first missing row.
    constexpr std::string_view kMissing = "\n";  // no stored value holds a line break
    for (int64_t i = 1; i <= count; ++i) {
        if (readValue(section, rowEntry(entry, static_cast<std::size_t>(i)), kMissing, fileName_) == kMissing) break;
        IniRow row;
        for (int k = 1; k <= columns && k <= 4; ++k) {
            row.push_back(cut(readField(section, rowEntry(entry, static_cast<std::size_t>(i)), k), kColumnLength));
        }
        list.push_back(std::move(row));
    }
}

void IniManager::writeList(std::string_view section, std::string_view entry, const std::vector<IniRow>& list,
                           int columns) {
    Guard guard(lock_);
    const WriteBatch batch(*this);
    std::vector<std::pair<std::string, std::string>> entries;
    entries.emplace_back(entry, std::to_string(list.size()));
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::string value;
        for (int k = 0; k < columns && k < 4; ++k) {
            if (k > 0) value += ',';
            if (static_cast<std::size_t>(k) < list[i].size()) value += cut(list[i][k], kColumnLength);
        }
        entries.emplace_back(rowEntry(entry, i + 1), cut(std::move(value), kListValueLength));
    }
    // For an INI file the whole list goes in one rewrite (the batch); the other kinds take it entry by
    // entry.
    for (const auto& [name, value] : entries) writeEntry(section, name, value);
}

void IniManager::saveWindow(std::string_view procedureName, const WindowGeometry& window) {
    Guard guard(lock_);
    const WriteBatch batch(*this);
    const bool maximized = window.maximized();
    const bool minimized = window.minimized();
    int32_t x = kNoValue, y = kNoValue, width = kNoValue, height = kNoValue;
    if (!maximized && !minimized) {
        x = window.x();
        y = window.y();
        if (window.resizable()) {
            width = window.width();
            height = window.height();
        }
    }
    writeEntry(procedureName, "Maximize", maximized ? "Yes" : "No");
    writeEntry(procedureName, "Minimize", minimized ? "Yes" : "No");
    const std::pair<std::string_view, int32_t> coordinates[] = {
        {"XPos", x}, {"YPos", y}, {"Width", width}, {"Height", height}};
    for (const auto& [entry, value] : coordinates) {
        if (value == kNoValue) {
            eraseEntry(procedureName, entry);
        } else {
            writeEntry(procedureName, entry, std::to_string(value));
        }
    }
}

void IniManager::restoreWindow(std::string_view procedureName, WindowGeometry& window) {
    Guard guard(lock_);
    const ReadBatch batch(*this);
    const std::string maximize = readEntry(procedureName, "Maximize");
    if (maximize != "No" && maximize != "Yes") return;
    const bool maximized = maximize == "Yes";
    const bool minimized = readEntry(procedureName, "Minimize") == "Yes";
    const std::string noValue = std::to_string(kNoValue);
    const int32_t x = toCoordinate(readValue(procedureName, "XPos", noValue, fileName_));
    const int32_t y = toCoordinate(readValue(procedureName, "YPos", noValue, fileName_));
    const int32_t width = toCoordinate(readValue(procedureName, "Width", noValue, fileName_));
    const int32_t height = toCoordinate(readValue(procedureName, "Height", noValue, fileName_));

    const bool maximizedNow = window.maximized();
    if (!maximized && maximizedNow) window.setMaximized(false);
    window.setX(x);
    window.setY(y);
    if (window.resizable()) {
        if (width != kNoValue) window.setWidth(width);
        if (height != kNoValue) window.setHeight(height);
    }
    if (maximized && !maximizedNow) window.setMaximized(true);
    window.setMinimized(minimized);
}

}  // namespace kirva::framework
