// The settings window's folder picker leaves the process's current directory as it found it, whatever
// folder the user browsed to (the stories under tests/stories/settings/ tell the rest of what the window
// does, but cannot see the current directory).
#include "settings/settings_window.h"

#include <gtest/gtest.h>

#include "framework/window/window_controller.h"
#include "tests/support/desktop_test.h"
#include "tests/support/headless_window.h"

namespace kirva::settings {
namespace {

using platform::Window;

class SettingsWindowTest : public testing::DesktopTest {
  protected:
    void SetUp() override {
        DesktopTest::SetUp();
        errors.setMessageBoxes(windows.messageBoxes());
        errors.initialize();
        ini_.init(ini());
    }
    void TearDown() override {
        ini_.shutdown();
        errors.shutdown();
        DesktopTest::TearDown();
    }

    // The settings as the export window left them after LoadSettings.
    void loaded() {
        DataFileNames names;
        loadSettings(ini(), settings, names);
        readIdentification(ini(), settings);
    }
    uint8_t openWindow() {
        SettingsWindowContext context{windows, errors, ini_, iniName_, settings};
        return nastavitvePrograma(context);
    }
    framework::ErrorManager errors;
    framework::IniManager ini_;
    Settings settings;

  private:
    std::string iniName_ = ini();
};

TEST_F(SettingsWindowTest, TheCurrentDirectoryIsTheSameAfterThePicker) {
    loaded();
    const std::string before = windows.currentDirectory();
    std::string during;
    user.answerFolderPicker("/data/racuni/", "/").click(kInvoiceFolderButton).check([&](Window&) {
        during = windows.currentDirectory();
    });
    openWindow();
    EXPECT_EQ(during, before);
    EXPECT_EQ(windows.currentDirectory(), before);
}

}  // namespace
}  // namespace kirva::settings
