// What the tests of the desktop program's windows share: a folder of their own that is also the current
// directory (as the program is started from the folder holding KIRVA.INI), the headless window system with
// its scripted user, a fixed "today", and the whole program run on them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/desktop_program.h"
#include "platform/ini/profile_file.h"
#include "platform/text1250.h"
#include "settings/settings_store.h"
#include "tests/support/headless_window.h"
#include "tests/support/test_folder.h"

namespace kirva::testing {

class DesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previousDirectory_ = std::filesystem::current_path();
        std::filesystem::current_path(folder.path());
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::current_path(previousDirectory_, ignored);
    }

    // Today, as the program sees it.
    void today(int year, int month, int day) { clock_.emplace(*dateFromCivil(year, month, day)); }
    const Clock& clock() {
        if (!clock_) today(2019, 3, 15);
        return *clock_;
    }

    std::string ini() const { return folder / "KIRVA.INI"; }
    std::string folderSetting() const { return folder.path().string() + "/"; }
    void setting(const char* section, const char* key, const std::string& value) {
        ASSERT_TRUE(platform::writeProfileString(ini(), section, key, value).ok());
    }
    void setting(const settings::SettingKey& key, const std::string& value) {
        ASSERT_TRUE(platform::writeProfileString(ini(), key.section, key.key, value).ok());
    }
    std::string iniValue(const char* section, const char* key) const {
        return platform::readProfileString(ini(), section, key, "<missing>");
    }
    std::string iniValue(const settings::SettingKey& key) const {
        return platform::readProfileString(ini(), key.section, key.key, "<missing>");
    }
    // Folders and identification set, the data files not yet there (they are made empty at the start).
    void completeSettings() {
        setting(settings::keys::potDoIzdanihRacunov, folderSetting());
        setting(settings::keys::potDoPartnerjev, folderSetting());
        setting(settings::keys::potDoXmlRacunov, folderSetting());
        setting(settings::keys::firmaOpal, "ACME");
        setting(settings::keys::kljucOpal, "KLJUC12345");
    }

    // The program as `kirva` runs it, on the headless window system; returns its exit code.
    int runProgram() {
        app::DesktopOptions options;
        options.startup.registerUpgrade = false;
        options.startup.dictionary.lockRecover = 0;
        options.clock = &clock();
        return app::runDesktopProgram(windows, options);
    }

    // The boxes shown, as "caption: text" in UTF-8.
    std::vector<std::string> boxes() const {
        std::vector<std::string> out;
        for (const auto& box : windows.shownBoxes())
            out.push_back((box.caption + Text1250::literal(": ") + box.text).toUtf8());
        return out;
    }
    // How many boxes showed a text that starts with `utf8Start` (after the leading blank the texts have).
    std::size_t boxesStarting(std::string_view utf8Start) const {
        std::size_t n = 0;
        for (const auto& box : windows.shownBoxes()) {
            if (box.text.toUtf8().rfind(utf8Start, 0) == 0) ++n;
        }
        return n;
    }

    // The .XML files in a folder.
    static std::vector<std::filesystem::path> journals(const std::filesystem::path& dir) {
        std::vector<std::filesystem::path> out;
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ignored)) {
            if (entry.path().extension() == ".XML") out.push_back(entry.path());
        }
        return out;
    }

    TestFolder folder;
    platform::HeadlessWindowSystem windows;
    platform::ScriptedUser& user = windows.user();

  private:
    std::filesystem::path previousDirectory_;
    std::optional<FixedClock> clock_;
};

}  // namespace kirva::testing
