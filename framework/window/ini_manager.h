// The INI manager: keeps window positions and one persisted list of rows in the settings store on behalf
// of the window framework. One program-wide instance; every operation that touches the store or the list
// runs under the manager's re-entrant lock. Texts are Windows-1250.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/window/window_geometry.h"
#include "platform/ini/profile_file.h"
#include "platform/lock_guard.h"

namespace kirva::framework {

enum class StorageKind : int32_t {
    IniFile = 0,
    // The program's own platform kept these values in the system registry. Here they live in a profile
    // file of their own (registryFile()), in the section "<root>\<file name>\<section>" (the root as a
    // decimal number; "<root>\<section>" when the file name is empty).
    Registry = 1,
    Nothing = 2,  // reads give an empty text, writes and deletions do nothing
};

// One row of a persisted list: up to four column texts of at most 100 characters each.
using IniRow = std::vector<std::string>;

class IniManager {
  public:
    static constexpr std::string_view kListSection = "__Dont_Touch_Me__";
    static constexpr std::string_view kListEntry = "Sectors";
    static constexpr std::string_view kUnknown = "---Unknown---";
    static constexpr std::size_t kRawReadLength = 1023;
    static constexpr std::size_t kTextLength = 999;
    static constexpr std::size_t kColumnLength = 100;
    static constexpr std::size_t kListValueLength = 4999;
    static constexpr std::size_t kFileNameLength = 259;

    IniManager() = default;
    virtual ~IniManager() = default;
    IniManager(const IniManager&) = delete;
    IniManager& operator=(const IniManager&) = delete;

    // The operation table, in its order.
    virtual void release() {}
    // Raw read by storage kind; a missing value gives the default (and, for the registry kind, an empty one).
    virtual std::string readValue(std::string_view section, std::string_view entry, std::string_view defaultValue,
                                  std::string_view file);
    // Raw write by storage kind; for the registry kind an empty value deletes the entry instead.
    virtual void writeValue(std::string_view section, std::string_view entry, std::string_view value,
                            std::string_view file);
    virtual void afterInit() {}
    virtual void eraseEntry(std::string_view section, std::string_view entry);
    virtual void beforeShutdown() {}

    void init(std::string_view fileName, StorageKind kind = StorageKind::IniFile, int32_t registryRoot = 0);
    // Writes the persisted list back and lets it go.
    void shutdown();

    void writeEntry(std::string_view section, std::string_view entry, std::string_view value);
    std::string readEntry(std::string_view section, std::string_view entry);
    // A missing entry leaves the variable as it was.
    void readInto(std::string_view section, std::string_view entry, std::string& variable);
    // Up to 999 characters; "---Unknown---" when missing.
    std::string readText(std::string_view section, std::string_view entry);
    // The n-th comma-separated part of readText; the search for commas wraps to the start.
    std::string readField(std::string_view section, std::string_view entry, int n);
    // Rows of `columns` (1 to 4) columns under "<entry>" (the count) and "<entry>_<i>" (row i). Reading ends
    // at the first missing row, whatever the count says; an INI file is written in one rewrite.
    void readList(std::string_view section, std::string_view entry, std::vector<IniRow>& list, int columns);
    void writeList(std::string_view section, std::string_view entry, const std::vector<IniRow>& list, int columns);

    void saveWindow(std::string_view procedureName, const WindowGeometry& window);
    void restoreWindow(std::string_view procedureName, WindowGeometry& window);

    const std::string& fileName() const { return fileName_; }
    StorageKind kind() const { return kind_; }
    int32_t registryRoot() const { return registryRoot_; }
    // The persisted list ("SECTORS"); empty before init and after shutdown.
    const std::optional<std::vector<IniRow>>& sectors() const { return sectors_; }

    const std::string& registryFile() const { return registryFile_; }
    void setRegistryFile(std::string path) { registryFile_ = std::move(path); }

  private:
    std::string registrySection(std::string_view file, std::string_view section) const;
    // While an operation that reads or writes many entries runs, the INI file is read once into loaded_
    // and its changes are collected in pending_ and written once at the end (ReadBatch, WriteBatch).
    friend class ReadBatch;
    friend class WriteBatch;
    bool batched(std::string_view file) const { return kind_ == StorageKind::IniFile && file == fileName_; }

    std::string fileName_;
    std::optional<std::vector<IniRow>> sectors_;
    StorageKind kind_ = StorageKind::IniFile;
    int32_t registryRoot_ = 0;
    std::string registryFile_ = "./KIRVA-REGISTRY.INI";
    platform::ReentrantLock lock_;
    std::optional<platform::Profile> loaded_;
    std::optional<platform::ProfileChanges> pending_;
};

}  // namespace kirva::framework
