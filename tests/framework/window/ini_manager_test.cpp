#include "framework/window/ini_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/ini/profile_file.h"
#include "tests/support/test_folder.h"

namespace fs = std::filesystem;
using namespace kirva::framework;
using kirva::platform::readProfileString;
using kirva::platform::writeProfileString;

namespace {

// A window as the INI manager sees it; remembers what was set, in order.
class FakeWindow final : public WindowGeometry {
  public:
    bool isMaximized = false, isMinimized = false, canResize = true;
    int32_t px = 10, py = 20, pw = 300, ph = 200;
    std::vector<std::string> calls;

    bool maximized() const override { return isMaximized; }
    bool minimized() const override { return isMinimized; }
    bool resizable() const override { return canResize; }
    int32_t x() const override { return px; }
    int32_t y() const override { return py; }
    int32_t width() const override { return pw; }
    int32_t height() const override { return ph; }
    void setX(int32_t v) override { px = v, calls.push_back("x=" + std::to_string(v)); }
    void setY(int32_t v) override { py = v, calls.push_back("y=" + std::to_string(v)); }
    void setWidth(int32_t v) override { pw = v, calls.push_back("w=" + std::to_string(v)); }
    void setHeight(int32_t v) override { ph = v, calls.push_back("h=" + std::to_string(v)); }
    void setMaximized(bool v) override { isMaximized = v, calls.push_back(v ? "maximize" : "unmaximize"); }
    void setMinimized(bool v) override { isMinimized = v, calls.push_back(v ? "minimize" : "unminimize"); }
};

class IniManagerTest : public ::testing::Test {
  protected:
    std::string read(std::string_view section, std::string_view key) {
        return readProfileString(ini, section, key, "<missing>");
    }

    kirva::testing::TestFolder tempFolder;
    const fs::path dir = tempFolder.path();
    const std::string ini = (dir / "KIRVA.INI").string();
};

constexpr std::string_view kSection = "NastavitvePrograma";

TEST_F(IniManagerTest, ReadFieldTakesTheNthPartAndWrapsToTheStart) {
    ASSERT_TRUE(writeProfileString(ini, "S", "k", "a,b").ok());
    ASSERT_TRUE(writeProfileString(ini, "S", "three", "x,,z").ok());
    IniManager manager;
    manager.init(ini);
    struct Case {
        std::string_view entry;
        int n;
        std::string expected;
    };
    const Case cases[] = {
        {"k", 1, "a"}, {"k", 2, "b"},    {"k", 3, "a"},  // no third comma: back to the start
        {"k", 0, "a"}, {"three", 2, ""}, {"three", 3, "z"}, {"missing", 1, "---Unknown---"},
    };
    for (const auto& c : cases) EXPECT_EQ(manager.readField("S", c.entry, c.n), c.expected) << c.entry << " " << c.n;
}

TEST_F(IniManagerTest, ReadIntoKeepsTheVariableWhenTheEntryIsMissingAndTextsAreCut) {
    ASSERT_TRUE(writeProfileString(ini, "S", "long", std::string(1500, 'x')).ok());
    IniManager manager;
    manager.init(ini);
    std::string variable = "kept";
    manager.readInto("S", "absent", variable);
    EXPECT_EQ(variable, "kept");
    EXPECT_EQ(manager.readEntry("S", "long").size(), 1023u);
    EXPECT_EQ(manager.readText("S", "long").size(), 999u);
    EXPECT_EQ(manager.readEntry("S", "absent"), "");
}

TEST_F(IniManagerTest, WithoutAnIniFileShutdownWritesAnEmptyList) {
    IniManager manager;
    manager.init(ini);
    ASSERT_TRUE(manager.sectors().has_value());
    EXPECT_TRUE(manager.sectors()->empty());
    manager.shutdown();
    EXPECT_FALSE(manager.sectors().has_value());
    EXPECT_EQ(read("__Dont_Touch_Me__", "Sectors"), "0");
}

TEST_F(IniManagerTest, ThePersistedListIsReadAtInitAndWrittenBackAtShutdown) {
    ASSERT_TRUE(writeProfileString(ini, "__Dont_Touch_Me__", "Sectors", "2").ok());
    ASSERT_TRUE(writeProfileString(ini, "__Dont_Touch_Me__", "Sectors_1", "a,b,c").ok());
    ASSERT_TRUE(writeProfileString(ini, "__Dont_Touch_Me__", "Sectors_2", "d,e").ok());
    ASSERT_TRUE(writeProfileString(ini, "__Dont_Touch_Me__", "Sectors_3", "left,as,it was").ok());
    IniManager manager;
    manager.init(ini);
    ASSERT_EQ(manager.sectors()->size(), 2u);
    EXPECT_EQ((*manager.sectors())[0], (IniRow{"a", "b", "c"}));
    // The third column of "d,e" wraps to the first part.
    EXPECT_EQ((*manager.sectors())[1], (IniRow{"d", "e", "d"}));
    manager.shutdown();
    EXPECT_EQ(read("__Dont_Touch_Me__", "Sectors"), "2");
    EXPECT_EQ(read("__Dont_Touch_Me__", "Sectors_2"), "d,e,d");
    EXPECT_EQ(read("__Dont_Touch_Me__", "Sectors_3"), "left,as,it was");  // rows beyond the count stay
}

// A damaged count with no rows behind it reads as the rows that are there, and the shut-down writes back
// only those (it used to write 3000 rows, one rewrite of the whole file each).
TEST_F(IniManagerTest, ADamagedCountIsBoundedByTheRowsThere) {
    ASSERT_TRUE(writeProfileString(ini, "__Dont_Touch_Me__", "Sectors", "3000").ok());
    ASSERT_TRUE(writeProfileString(ini, "__Dont_Touch_Me__", "Sectors_1", "a,b,c").ok());
    IniManager manager;
    manager.init(ini);
    ASSERT_EQ(manager.sectors()->size(), 1u);
    manager.shutdown();
    EXPECT_EQ(kirva::testing::readFile(ini), "[__Dont_Touch_Me__]\r\nSectors=1\r\nSectors_1=a,b,c\r\n");
}

// A long list (thousands of rows, as a real INI file can hold) is read from one reading of the file and
// written back in one rewrite: the rows come back whole and in order, the file's other lines untouched.
TEST_F(IniManagerTest, ALongListRoundTripsAndLeavesTheOtherLinesAlone) {
    std::string text = "[GLOBAL]\nPotDoPartnerjev = /x/   \n[__Dont_Touch_Me__]\nSectors=4000\n";
    for (int i = 1; i <= 4000; ++i) {
        text += "Sectors_" + std::to_string(i) + "=Okno" + std::to_string(i) + ",C:\\P\\" + std::to_string(i) + "," +
                std::to_string(i * 7) + "\n";
    }
    text += "; end\n";
    kirva::testing::writeFile(ini, text);
    IniManager manager;
    manager.init(ini);
    ASSERT_EQ(manager.sectors()->size(), 4000u);
    EXPECT_EQ(manager.sectors()->front(), (IniRow{"Okno1", "C:\\P\\1", "7"}));
    EXPECT_EQ(manager.sectors()->back(), (IniRow{"Okno4000", "C:\\P\\4000", "28000"}));
    manager.shutdown();
    EXPECT_EQ(kirva::testing::readFile(ini), text);
}

TEST_F(IniManagerTest, ACountThatIsNotANumberReadsAsNoRows) {
    ASSERT_TRUE(writeProfileString(ini, "L", "Rows", "two").ok());
    IniManager manager;
    manager.init(ini);
    std::vector<IniRow> rows;
    manager.readList("L", "Rows", rows, 3);
    EXPECT_TRUE(rows.empty());
}

TEST_F(IniManagerTest, AMaximisedWindowKeepsOnlyItsStateAndIsMaximisedAgain) {
    ASSERT_TRUE(writeProfileString(ini, std::string(kSection), "XPos", "5").ok());
    IniManager manager;
    manager.init(ini);
    FakeWindow window;
    window.isMaximized = true;
    manager.saveWindow(kSection, window);
    EXPECT_EQ(read(kSection, "Maximize"), "Yes");
    EXPECT_EQ(read(kSection, "Minimize"), "No");
    for (const char* key : {"XPos", "YPos", "Width", "Height"}) EXPECT_EQ(read(kSection, key), "<missing>") << key;

    FakeWindow reopened;
    manager.restoreWindow(kSection, reopened);
    EXPECT_TRUE(reopened.isMaximized);
    // The position without value goes to the window unchanged.
    EXPECT_EQ(reopened.calls, (std::vector<std::string>{"x=-2147483648", "y=-2147483648", "maximize", "unminimize"}));
}

TEST_F(IniManagerTest, ANormalWindowRoundTripsAndAFixedSizeOneKeepsItsDesignSize) {
    IniManager manager;
    manager.init(ini);
    FakeWindow window;
    window.px = 7, window.py = 8, window.pw = 640, window.ph = 480;
    manager.saveWindow(kSection, window);
    EXPECT_EQ(read(kSection, "Width"), "640");
    FakeWindow restored;
    restored.isMaximized = true;  // a maximised window is brought back to normal first
    manager.restoreWindow(kSection, restored);
    EXPECT_EQ(restored.calls, (std::vector<std::string>{"unmaximize", "x=7", "y=8", "w=640", "h=480", "unminimize"}));

    FakeWindow fixed;
    fixed.canResize = false;
    fixed.px = 1, fixed.py = 2;
    manager.saveWindow("Fixed", fixed);
    EXPECT_EQ(read("Fixed", "XPos"), "1");
    EXPECT_EQ(read("Fixed", "Width"), "<missing>");
    FakeWindow fixedAgain;
    fixedAgain.canResize = false;
    manager.restoreWindow("Fixed", fixedAgain);
    EXPECT_EQ(fixedAgain.calls, (std::vector<std::string>{"x=1", "y=2", "unminimize"}));
}

TEST_F(IniManagerTest, AMissingOrOddMaximizeLeavesTheWindowAsDesigned) {
    IniManager manager;
    manager.init(ini);
    ASSERT_TRUE(writeProfileString(ini, "NoMax", "XPos", "3").ok());
    ASSERT_TRUE(writeProfileString(ini, "Odd", "Maximize", "yes").ok());
    for (const char* section : {"NoMax", "Odd", "Absent"}) {
        FakeWindow window;
        manager.restoreWindow(section, window);
        EXPECT_TRUE(window.calls.empty()) << section;
    }
}

TEST_F(IniManagerTest, StorageKindsNothingAndRegistry) {
    IniManager nothing;
    nothing.init(ini, StorageKind::Nothing);
    nothing.writeEntry("S", "k", "v");
    EXPECT_EQ(nothing.readText("S", "k"), "");
    nothing.shutdown();
    EXPECT_FALSE(fs::exists(ini));

    IniManager registry;
    registry.setRegistryFile((dir / "registry.ini").string());
    registry.init("Software\\Kirva", StorageKind::Registry, 2);
    registry.writeEntry("S", "k", "v");
    EXPECT_EQ(readProfileString((dir / "registry.ini").string(), "2\\Software\\Kirva\\S", "k", ""), "v");
    EXPECT_EQ(registry.readEntry("S", "k"), "v");
    registry.writeEntry("S", "k", "");  // an empty value deletes
    EXPECT_EQ(registry.readText("S", "k"), "---Unknown---");
}

TEST_F(IniManagerTest, OperationsFromTwoThreadsDoNotInterleave) {
    IniManager manager;
    manager.init(ini);
    std::vector<IniRow> rows(20, IniRow{"a", "b", "c"});
    auto writer = [&] {
        for (int i = 0; i < 20; ++i) manager.writeList("L", "Rows", rows, 3);
    };
    std::thread one(writer), two(writer);
    one.join();
    two.join();
    std::vector<IniRow> back;
    manager.readList("L", "Rows", back, 3);
    EXPECT_EQ(back, rows);
}

}  // namespace
