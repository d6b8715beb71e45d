#include "framework/window/window_place_geometry.h"

#include <gtest/gtest.h>

#include "framework/window/ini_manager.h"
#include "platform/ini/profile_file.h"
#include "tests/support/headless_window.h"
#include "tests/support/test_folder.h"

using namespace kirva::framework;
using kirva::platform::HeadlessWindowSystem;
using kirva::platform::Rect;
using kirva::platform::WindowLayout;
using kirva::platform::WindowState;

namespace {

WindowLayout dialog(bool resizable) {
    WindowLayout layout;
    layout.name = "Probe";
    layout.width = 343;
    layout.height = 346;
    layout.resizable = resizable;
    return layout;
}

class WindowPlaceTest : public ::testing::Test {
  protected:
    void SetUp() override { ini.init(file); }
    void TearDown() override { ini.shutdown(); }
    std::string stored(std::string_view key) { return kirva::platform::readProfileString(file, "Probe", key, "-"); }

    kirva::testing::TestFolder folder;
    const std::string file = folder / "KIRVA.INI";
    IniManager ini;
    HeadlessWindowSystem system;
};

TEST_F(WindowPlaceTest, APlaceAndSizeComeBackOnTheNextOpening) {
    auto first = system.createWindow(dialog(true));
    first->open(nullptr);
    first->setPlace({40, 30, 400, 380});
    ini.saveWindow("Probe", WindowPlaceGeometry(*first));
    first->close();
    EXPECT_EQ(stored("Maximize"), "No");
    EXPECT_EQ(stored("XPos"), "40");
    EXPECT_EQ(stored("Height"), "380");

    auto second = system.createWindow(dialog(true));
    second->open(nullptr);
    WindowPlaceGeometry geometry(*second);
    ini.restoreWindow("Probe", geometry);
    EXPECT_EQ(second->place(), (Rect{40, 30, 400, 380}));
    EXPECT_FALSE(geometry.maximized());
}

TEST_F(WindowPlaceTest, AMaximisedWindowReopensMaximisedAndTheWindowSystemPlacesIt) {
    auto first = system.createWindow(dialog(true));
    first->open(nullptr);
    first->setState(WindowState::Maximized);
    ini.saveWindow("Probe", WindowPlaceGeometry(*first));
    EXPECT_EQ(stored("Maximize"), "Yes");
    EXPECT_EQ(stored("XPos"), "-") << "a coordinate without value is not stored";

    auto second = system.createWindow(dialog(true));
    second->open(nullptr);
    WindowPlaceGeometry geometry(*second);
    ini.restoreWindow("Probe", geometry);
    EXPECT_EQ(second->state(), WindowState::Maximized);
    second->setState(WindowState::Normal);
    EXPECT_NE(second->place().x, kNoValue) << "the window system chose a place";
    EXPECT_NE(second->place().y, kNoValue);
}

TEST_F(WindowPlaceTest, AWindowTheUserCannotResizeKeepsItsDesignSize) {
    auto first = system.createWindow(dialog(false));
    first->open(nullptr);
    first->setPlace({12, 14, 343, 346});
    ini.saveWindow("Probe", WindowPlaceGeometry(*first));
    EXPECT_EQ(stored("Width"), "-");
    ASSERT_TRUE(kirva::platform::writeProfileString(file, "Probe", "Width", "900").ok());

    auto second = system.createWindow(dialog(false));
    second->open(nullptr);
    WindowPlaceGeometry geometry(*second);
    ini.restoreWindow("Probe", geometry);
    EXPECT_EQ(second->place(), (Rect{12, 14, 343, 346}));
}

TEST_F(WindowPlaceTest, AMinimisedStateIsReadAndSetThroughTheWindowState) {
    auto window = system.createWindow(dialog(true));
    window->open(nullptr);
    WindowPlaceGeometry geometry(*window);
    geometry.setMinimized(true);
    EXPECT_TRUE(geometry.minimized());
    EXPECT_FALSE(geometry.maximized());
    geometry.setMaximized(false);  // not maximised: stays minimised
    EXPECT_TRUE(geometry.minimized());
    geometry.setMinimized(false);
    EXPECT_EQ(window->state(), WindowState::Normal);
}

}  // namespace
