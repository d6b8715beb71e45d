// What the file-manager tests share: a temporary folder, an error manager whose boxes are scripted and
// whose fatal end is recorded instead of ending the test, and a small layout with an auto-numbered key.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/errors/error_manager.h"
#include "framework/files/file_manager.h"
#include "platform/window/message_box.h"
#include "tests/support/test_folder.h"
#include "tests/support/test_layout.h"

namespace kirva::framework::testing {

namespace fs = std::filesystem;

// FIRMA, STEV (auto-numbered within FIRMA), NAZIV; the primary key is unique, the name key is not.
inline const data::Layout& testLayout() {
    static const data::Layout layout = [] {
        data::Layout l{};
        l.label = "TESTF";
        l.prefix = "TESTF";
        l.table = "TESTF";
        l.fileName = "TESTF.DB";
        l.nameTextBytes = 256;
        l.structureVersion = -1;
        l = kirva::testing::layOut(std::move(l), {
                                                     {"FIRMA", data::FieldType::Byte, 1},
                                                     {"STEV", data::FieldType::Long, 4},
                                                     {"NAZIV", data::FieldType::Text, 10},
                                                 });
        l.keys = {{"KLJUC", {"FIRMA", "STEV"}, true, true, 2, "Po firmi"},
                  {"NAZIVKEY", {"NAZIV"}, false, false, 0, ""}};
        return l;
    }();
    return layout;
}

// A manager set up the way the dictionary sets up its own: the first use attaches it and registers the
// keys. Records the operations its call-backs hear of.
class TestFileManager : public FileManager {
  public:
    uint8_t createSetting = 1;
    int16_t lockRecoverSetting = 0;
    std::vector<FileOperation> operations;

    uint8_t use(UseType useType = UseType::Keep) override {
        if (useType != UseType::Initialize) use(UseType::Initialize);
        if (useType == UseType::Initialize && !initialized()) {
            attach(*file(), *errorManager());
            create = createSetting;
            lockRecover = lockRecoverSetting;
            const auto& keys = file()->layout().keys;
            for (std::size_t k = 0; k < keys.size(); ++k) registerKey(k, keys[k].description, keys[k].autoNumbered);
        }
        return FileManager::use(useType);
    }
    bool operationHook(FileOperation operation) override {
        if (inHook_++ % 2 == 0) operations.push_back(operation);  // once per operation: called before and after
        return true;
    }

  private:
    int inHook_ = 0;
};

class FileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        errors.setMessageBoxes(boxes);
        errors.setExitHook([this](int code) { exitCodes.push_back(code); });
        errors.initialize();
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    // An empty data file of the layout at the path.
    void makeFile(const data::Layout& layout, const std::string& at) {
        storage::KeyedFile file(layout);
        ASSERT_EQ(file.create(at), 0) << file.lastError().text();
    }

    std::vector<std::string> captions() const {
        std::vector<std::string> out;
        for (const auto& box : boxes.shown()) out.push_back(box.caption.bytes());
        return out;
    }

    void sql(const std::string& at, const std::string& statement) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(at.c_str(), &db), SQLITE_OK);
        char* message = nullptr;
        const int rc = sqlite3_exec(db, statement.c_str(), nullptr, nullptr, &message);
        const std::string text = message != nullptr ? message : "";
        sqlite3_free(message);
        sqlite3_close(db);
        ASSERT_EQ(rc, SQLITE_OK) << text;
    }

    // Drops every index of a data file, as a damaged key file would have it.
    void dropIndexes(const std::string& at) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(at.c_str(), &db), SQLITE_OK);
        std::vector<std::string> names;
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL", -1,
                           &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        }
        sqlite3_finalize(statement);
        for (const auto& index : names) {
            sqlite3_exec(db, ("DROP INDEX \"" + index + "\";").c_str(), nullptr, nullptr, nullptr);
        }
        sqlite3_close(db);
        ASSERT_FALSE(names.empty());
    }

    kirva::testing::TestFolder tempFolder;
    const fs::path dir = tempFolder.path();
    platform::HeadlessMessageBoxes boxes;
    framework::ErrorManager errors;
    std::vector<int> exitCodes;
};

}  // namespace kirva::framework::testing
