#include "export/export_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "data/layout.h"
#include "platform/text1250.h"
#include "tests/support/export_files.h"

namespace kirva::exporting {
namespace {

DateNumber day(int year, int month, int dayOfMonth) {
    return *dateFromCivil(year, month, dayOfMonth);
}

// A front that records what the run asked of it.
class RecordingFront final : public ExportFront {
  public:
    void showNothingToExport() override { requests.push_back("nothing to export"); }
    void focusCloseButton() override { requests.push_back("focus close"); }
    void updateBindings() override { requests.push_back("update bindings"); }
    platform::MessageBoxes& messageBoxes() override { return boxes; }

    platform::HeadlessMessageBoxes boxes;
    std::vector<std::string> requests;
};

// The export's settings over the three open data files.
class ExportRunTest : public kirva::testing::ExportFilesTest {
  protected:
    ExportRunTest() {
        settings.potDoXmlRacunov = (folder.path() / "out").string() + "/";
        settings.potDoIzdanihRacunov = "data/";
        settings.potDoPartnerjev = "data/";
        settings.firmaOpal = padRight("ACME", 50);
        settings.kljucOpal = padRight("KEY", 50);
    }

    settings::Settings settings;
    RecordingFront front;
};

TEST_F(ExportRunTest, CountTakesTheFirstAndLastNumberAndAnEmptyPeriodKeepsThem) {
    addInvoice(1, 2019, 100, day(2019, 5, 2), "10.00");
    addInvoice(1, 2019, 101, day(2019, 5, 3), "0.00");  // counted, though the journal leaves it out
    addInvoice(1, 2019, 102, day(2019, 6, 3), "10.00");
    ExportFiles f = files();

    ExportState state;
    state.period = {day(2019, 5, 1), day(2019, 5, 31)};
    ASSERT_TRUE(countPeriodInvoices(f, state, front).ok());
    EXPECT_EQ(state.steviloRacunov, 2);
    EXPECT_EQ(state.odRacuna, "100");
    EXPECT_EQ(state.doRacuna, "101");
    EXPECT_EQ(front.requests, std::vector<std::string>{"update bindings"});
    EXPECT_TRUE(front.boxes.shown().empty());

    front.requests.clear();
    state.period = {day(2019, 7, 1), day(2019, 7, 31)};
    ASSERT_TRUE(countPeriodInvoices(f, state, front).ok());
    EXPECT_EQ(state.steviloRacunov, 0);
    EXPECT_EQ(state.odRacuna, "100");
    EXPECT_EQ(state.doRacuna, "101");
    EXPECT_EQ(front.requests, (std::vector<std::string>{"nothing to export", "focus close", "update bindings"}));
    ASSERT_EQ(front.boxes.shown().size(), 1u);
    const auto& box = front.boxes.shown()[0];
    EXPECT_EQ(cp1250ToUtf8(box.text), " V knjigi izdanih računov ni podatkov za izbrano datumsko obdobje !");
    EXPECT_EQ(box.caption, " OPOZORILO");
    EXPECT_EQ(box.icon, platform::MessageIcon::Information);
    EXPECT_EQ(box.buttonCaptions, std::vector<std::string>{"Zapri"});
}

TEST_F(ExportRunTest, CountDoesNotWrapPastSixteenBits) {
    {
        storage::KeyedFile::Transaction batch(faracun);
        ASSERT_EQ(batch.status(), 0);
        for (int i = 0; i < 33000; ++i) addInvoice(1, 2019, 1000 + i, day(2019, 5, 1 + i % 31), "1.00");
        ASSERT_EQ(batch.commit(), 0);
    }
    ExportFiles f = files();
    ExportState state;
    state.period = {day(2019, 5, 1), day(2019, 5, 31)};
    ASSERT_TRUE(countPeriodInvoices(f, state, front).ok());
    EXPECT_EQ(state.steviloRacunov, 33000);
    EXPECT_EQ(state.doRacuna, "33999");
}

TEST_F(ExportRunTest, CheckOutputSettingsWarnsForEachEmptyFolderInOrder) {
    settings::Settings empty;
    checkOutputSettings(empty, front);
    ASSERT_EQ(front.boxes.shown().size(), 3u);
    const char* texts[] = {
        " Verjetno ni določena pot za izhodno datoteko .XML v nastavitvah programa ...",
        " Verjetno ni določena pot za datoteko izdanih računov v nastavitvah programa ...",
        " Verjetno ni določena pot za datoteko kupcev v nastavitvah programa ...",
    };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cp1250ToUtf8(front.boxes.shown()[i].text), texts[i]);
        EXPECT_EQ(front.boxes.shown()[i].caption, "INFORMACIJA");
        EXPECT_EQ(front.boxes.shown()[i].icon, platform::MessageIcon::WinLogo);
        EXPECT_EQ(front.boxes.shown()[i].buttonCaptions, std::vector<std::string>{"Zapri"});
    }
    EXPECT_EQ(front.requests, std::vector<std::string>(3, "nothing to export"));

    front.boxes.clearShown();
    checkOutputSettings(settings, front);
    EXPECT_TRUE(front.boxes.shown().empty());
}

TEST(OutputFileName, FolderIdentificationNumbersAndTodayWithoutLeadingZeros) {
    settings::Settings settings;
    settings.potDoXmlRacunov = "/srv/opal/";
    settings.firmaOpal = padRight("ACME", 50);
    ExportState state;
    state.odRacuna = "100";
    state.doRacuna = "150";
    EXPECT_EQ(composeOutputFileName(settings, state, day(2019, 3, 5)), "/srv/opal/ACME 100-150 201935.XML");
    EXPECT_EQ(composeOutputFileName(settings, state, day(2019, 11, 12)), "/srv/opal/ACME 100-150 20191112.XML");
    EXPECT_EQ(composeOutputFileName(settings, state, day(2020, 2, 1)), "/srv/opal/ACME 100-150 202021.XML");

    settings.firmaOpal = padRight("A/B\\C:D*E?F\"G<H>I|J", 50);
    EXPECT_EQ(composeOutputFileName(settings, state, day(2019, 3, 5)),
              "/srv/opal/A_B_C_D_E_F_G_H_I_J 100-150 201935.XML");
    EXPECT_EQ(fileNamePart(std::string("Tab\there\x01\x7F", 10)), "Tab_here__");
    EXPECT_EQ(fileNamePart(cp1250("Čevljar d.o.o.  ")), cp1250("Čevljar d.o.o."));
    EXPECT_EQ(fileNamePart(".."), "..");
}

TEST_F(ExportRunTest, RunWritesTheJournalAndReportsCompletion) {
    addInvoice(1, 2019, 100, day(2019, 5, 2), "10.00");
    ExportFiles f = files();
    ExportState state;
    state.period = {day(2019, 5, 1), day(2019, 5, 31)};
    ASSERT_TRUE(countPeriodInvoices(f, state, front).ok());
    const FixedClock clock(day(2019, 6, 15));
    const RunResult result = runExport(f, settings, state, clock, front);
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(state.outputFileName, settings.potDoXmlRacunov + "ACME 100-100 2019615.XML");
    EXPECT_TRUE(std::filesystem::exists(state.outputFileName));
    // A missing unit and a missing customer warn, then the completion message names the file.
    ASSERT_EQ(front.boxes.shown().size(), 3u);
    const auto& done = front.boxes.shown()[2];
    EXPECT_EQ(cp1250ToUtf8(done.text),
              " Konec izdelave temeljnice izdanih računov.||Datoteka za OPAL računovodski "
              "program se nahaja v imeniku:|" +
                  state.outputFileName);
    EXPECT_EQ(done.caption, " OBVESTILO");
    EXPECT_EQ(done.icon, platform::MessageIcon::WinLogo);
    EXPECT_EQ(done.buttonCaptions, std::vector<std::string>{"ZAPRI"});
}

TEST_F(ExportRunTest, AnOldFileThatCannotBeRemovedIsWarnedAboutAndTheRunFailsWithoutCompletion) {
    addInvoice(1, 2019, 100, day(2019, 5, 2), "10.00");
    ExportFiles f = files();
    ExportState state;
    state.period = {day(2019, 5, 1), day(2019, 5, 31)};
    ASSERT_TRUE(countPeriodInvoices(f, state, front).ok());
    // A non-empty folder under the journal's name can be neither removed nor replaced.
    const std::filesystem::path blocking = settings.potDoXmlRacunov + "ACME 100-100 2019615.XML";
    std::filesystem::create_directories(blocking / "inside");
    const FixedClock clock(day(2019, 6, 15));
    const RunResult result = runExport(f, settings, state, clock, front);
    EXPECT_EQ(result.status, RunStatus::JournalNotWritten);
    EXPECT_NE(result.reason.find("in place"), std::string::npos) << result.reason;
    ASSERT_GE(front.boxes.shown().size(), 1u);
    const auto& warning = front.boxes.shown()[0];
#ifdef _WIN32
    const int refused = EACCES;  // what Windows says of removing a folder as a file
#else
    const int refused = ENOTEMPTY;
#endif
    const std::string expectedStart =
        "Napaka pri brisanju izhodne datoteke " + blocking.string() + "|| Oznaka: " + std::to_string(refused) + " - ";
    EXPECT_TRUE(cp1250ToUtf8(warning.text).starts_with(expectedStart)) << cp1250ToUtf8(warning.text);
    EXPECT_EQ(warning.caption, "OPOZORILO");
    EXPECT_EQ(warning.buttonCaptions, std::vector<std::string>{"ZAPRI"});
    for (const auto& box : front.boxes.shown()) EXPECT_NE(box.caption, " OBVESTILO");
    // Nothing but the blocking folder is left in the output folder.
    EXPECT_EQ(folder.names().count("out"), 1u);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(settings.potDoXmlRacunov)) ++entries;
    EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace kirva::exporting
