#include "app/startup.h"

#include <gtest/gtest.h>

#include "platform/ini/profile_file.h"
#include "settings/settings_store.h"
#include "tests/framework/files/file_test_support.h"

namespace kirva::app {
namespace {

using framework::ErrorLevel;
using framework::testing::FileTest;
namespace fs = std::filesystem;
using platform::readProfileString;
using platform::writeProfileString;

class StartupTest : public FileTest {
  protected:
    void SetUp() override {
        FileTest::SetUp();
        ini = path("KIRVA.INI");
        folder = dir.string() + "/";
        for (const auto& key : {settings::keys::potDoIzdanihRacunov, settings::keys::potDoPartnerjev}) {
            ASSERT_TRUE(writeProfileString(ini, key.section, key.key, folder).ok());
        }
        options.settingsFileName = ini;
        options.registerUpgrade = false;
        options.dictionary.lockRecover = 0;
        options.endInOrderOnFatal = false;  // the fixture records the exit code instead
    }
    void TearDown() override {
        if (app::dictionaryActive()) app::dictionaryShutdown();
        FileTest::TearDown();
    }

    std::string ini;
    std::string folder;
    StartupOptions options;
    framework::IniManager manager;
};

TEST_F(StartupTest, TheExportsFilesOpenAndCloseAsTheWindowHasThem) {
    Program program{errors, manager, {}, {}, {}};
    startUp(program, options);
    EXPECT_EQ(program.settingsFileName, ini);
    EXPECT_EQ(manager.fileName(), ini);
    ASSERT_TRUE(app::dictionaryActive());
    EXPECT_EQ(app::accessOf("FARACUN")->opened(), 0);

    ASSERT_EQ(exportWindowStart(program), framework::ResultDone);
    EXPECT_EQ(program.names.faracun, folder + "FARACUN.DB");
    // Missing files are created empty; the five are counted once, QFASTPO is in use without a count.
    for (const char* label : {"FARACUN", "SFENPA", "SFPARTN", "QFASTOR", "SaopRAC"}) {
        SCOPED_TRACE(label);
        EXPECT_TRUE(fs::exists(folder + label + ".DB"));
        EXPECT_EQ(app::accessOf(label)->opened(), 1);
        EXPECT_TRUE(app::fileOf(label)->storage().isOpen());
    }
    EXPECT_TRUE(app::fileOf("QFASTPO")->storage().isOpen());
    EXPECT_EQ(app::accessOf("QFASTPO")->opened(), 1);  // counted once through QFASTOR's relation
    // Related files are counted but stay closed; SFPOEN was never reached.
    EXPECT_EQ(app::accessOf("FAPARAC")->opened(), 1);
    EXPECT_FALSE(fs::exists(folder + "SFPOEN.DB"));
    EXPECT_TRUE(boxes.shown().empty());

    exportWindowEnd();
    for (const char* label : {"FARACUN", "SFENPA", "SFPARTN", "QFASTOR", "SaopRAC", "QFASTPO", "FAPARAC"}) {
        SCOPED_TRACE(label);
        EXPECT_EQ(app::accessOf(label)->opened(), 0);
        EXPECT_FALSE(app::fileOf(label)->storage().isOpen());
    }

    shutDown(program);
    EXPECT_FALSE(app::dictionaryActive());
    EXPECT_FALSE(manager.sectors().has_value());
    EXPECT_EQ(readProfileString(ini, "__Dont_Touch_Me__", "Sectors", "<missing>"), "0");
    EXPECT_TRUE(exitCodes.empty());
}

TEST_F(StartupTest, ADataFileThatCannotBeOpenedEndsTheStartWithMessage29) {
    fs::create_directories(folder + "SFENPA.DB");  // a folder where the file should be
    Program program{errors, manager, {}, {}, {}};
    startUp(program, options);
    EXPECT_EQ(exportWindowStart(program), static_cast<uint8_t>(ErrorLevel::Fatal));
    EXPECT_EQ(exitCodes, std::vector<int>{framework::kFatalExitCode});
    ASSERT_EQ(captions(), std::vector<std::string>{"File Access Error"});
    EXPECT_EQ(boxes.shown()[0].text.bytes().rfind("File " + folder + "SFENPA.DB could not be opened.  Error: ", 0), 0u)
        << boxes.shown()[0].text.bytes();
    exportWindowEnd();
    for (const char* label : {"FARACUN", "SFENPA", "FAPARAC"}) EXPECT_EQ(app::accessOf(label)->opened(), 0) << label;
    shutDown(program);
}

}  // namespace
}  // namespace kirva::app
