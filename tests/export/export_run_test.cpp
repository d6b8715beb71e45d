#include "export/export_run.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>

#include "data/layout.h"
#include "platform/text1250.h"
#include "tests/support/export_files.h"

namespace kirva::exporting {
namespace {

using kirva::testing::readFile;
using kirva::testing::writeFile;

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
        settings.potDoXmlRacunov = Text1250::fromBytes((folder.path() / "out").string() + "/");
        settings.potDoIzdanihRacunov = Text1250::fromBytes("data/");
        settings.potDoPartnerjev = Text1250::fromBytes("data/");
        settings.firmaOpal = Text1250::fromBytes(padRight("ACME", 50));
        settings.kljucOpal = Text1250::fromBytes(padRight("KEY", 50));
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
    EXPECT_EQ(state.odRacuna.bytes(), "100");
    EXPECT_EQ(state.doRacuna.bytes(), "101");
    EXPECT_EQ(front.requests, std::vector<std::string>{"update bindings"});
    EXPECT_TRUE(front.boxes.shown().empty());

    front.requests.clear();
    state.period = {day(2019, 7, 1), day(2019, 7, 31)};
    ASSERT_TRUE(countPeriodInvoices(f, state, front).ok());
    EXPECT_EQ(state.steviloRacunov, 0);
    EXPECT_EQ(state.odRacuna.bytes(), "100");
    EXPECT_EQ(state.doRacuna.bytes(), "101");
    EXPECT_EQ(front.requests, (std::vector<std::string>{"nothing to export", "focus close", "update bindings"}));
    ASSERT_EQ(front.boxes.shown().size(), 1u);
    const auto& box = front.boxes.shown()[0];
    EXPECT_EQ(box.text.toUtf8(), " V knjigi izdanih računov ni podatkov za izbrano datumsko obdobje !");
    EXPECT_EQ(box.caption.toUtf8(), " OPOZORILO");
    EXPECT_EQ(box.icon, platform::MessageIcon::Information);
    EXPECT_EQ(box.buttonCaptions, std::vector<Text1250>{Text1250::literal("Zapri")});
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
    EXPECT_EQ(state.doRacuna.bytes(), "33999");
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
        EXPECT_EQ(front.boxes.shown()[i].text.toUtf8(), texts[i]);
        EXPECT_EQ(front.boxes.shown()[i].caption.toUtf8(), "INFORMACIJA");
        EXPECT_EQ(front.boxes.shown()[i].icon, platform::MessageIcon::WinLogo);
        EXPECT_EQ(front.boxes.shown()[i].buttonCaptions, std::vector<Text1250>{Text1250::literal("Zapri")});
    }
    EXPECT_EQ(front.requests, std::vector<std::string>(3, "nothing to export"));

    front.boxes.clearShown();
    checkOutputSettings(settings, front);
    EXPECT_TRUE(front.boxes.shown().empty());
}

TEST(OutputFileName, FolderIdentificationNumbersAndTodayWithoutLeadingZeros) {
    settings::Settings settings;
    settings.potDoXmlRacunov = Text1250::fromBytes("/srv/opal/");
    settings.firmaOpal = Text1250::fromBytes(padRight("ACME", 50));
    ExportState state;
    state.odRacuna = Text1250::fromBytes("100");
    state.doRacuna = Text1250::fromBytes("150");
    EXPECT_EQ(composeOutputFileName(settings, state, day(2019, 3, 5)).bytes(), "/srv/opal/ACME 100-150 201935.XML");
    EXPECT_EQ(composeOutputFileName(settings, state, day(2019, 11, 12)).bytes(), "/srv/opal/ACME 100-150 20191112.XML");
    EXPECT_EQ(composeOutputFileName(settings, state, day(2020, 2, 1)).bytes(), "/srv/opal/ACME 100-150 202021.XML");

    settings.firmaOpal = Text1250::fromBytes(padRight("A/B\\C:D*E?F\"G<H>I|J", 50));
    EXPECT_EQ(composeOutputFileName(settings, state, day(2019, 3, 5)).bytes(),
              "/srv/opal/A_B_C_D_E_F_G_H_I_J 100-150 201935.XML");
    EXPECT_EQ(fileNamePart(Text1250::fromBytes(std::string("Tab\there\x01\x7F", 10))).bytes(), "Tab_here__");
    EXPECT_EQ(fileNamePart(Text1250::literal("Čevljar d.o.o.  ")), Text1250::literal("Čevljar d.o.o."));
    EXPECT_EQ(fileNamePart(Text1250::literal("..")).bytes(), "..");
}

TEST_F(ExportRunTest, RunWritesTheJournalAndReportsCompletion) {
    addInvoice(1, 2019, 100, day(2019, 5, 2), "10.00");
    ExportFiles f = files();
    ExportState state;
    state.period = {day(2019, 5, 1), day(2019, 5, 31)};
    ASSERT_TRUE(countPeriodInvoices(f, state, front).ok());
    const FixedClock clock(day(2019, 6, 15));
    const RunResult result = runExport(f, settings, state, clock, front);
    ASSERT_TRUE(result.ok()) << framework::englishText(result.reason);
    EXPECT_EQ(state.outputFileName.bytes(), settings.potDoXmlRacunov.bytes() + "ACME 100-100 2019615.XML");
    EXPECT_TRUE(std::filesystem::exists(outputPath(state.outputFileName)));
    // A missing unit and a missing customer warn, then the completion message names the file.
    ASSERT_EQ(front.boxes.shown().size(), 3u);
    const auto& done = front.boxes.shown()[2];
    EXPECT_EQ(done.text.toUtf8(),
              " Konec izdelave temeljnice izdanih računov.||Datoteka za OPAL računovodski "
              "program se nahaja v imeniku:|" +
                  state.outputFileName.toUtf8());
    EXPECT_EQ(done.caption.toUtf8(), " OBVESTILO");
    EXPECT_EQ(done.icon, platform::MessageIcon::WinLogo);
    EXPECT_EQ(done.buttonCaptions, std::vector<Text1250>{Text1250::literal("ZAPRI")});
}

TEST_F(ExportRunTest, WhatStandsInTheJournalsPlaceIsNotRemovedAndTheRunFailsWithoutCompletion) {
    addInvoice(1, 2019, 100, day(2019, 5, 2), "10.00");
    ExportFiles f = files();
    ExportState state;
    state.period = {day(2019, 5, 1), day(2019, 5, 31)};
    ASSERT_TRUE(countPeriodInvoices(f, state, front).ok());
    // A non-empty folder under the journal's name cannot be replaced.
    const std::filesystem::path blocking = settings.potDoXmlRacunov.bytes() + "ACME 100-100 2019615.XML";
    std::filesystem::create_directories(blocking / "inside");
    const FixedClock clock(day(2019, 6, 15));
    const RunResult result = runExport(f, settings, state, clock, front);
    EXPECT_EQ(result.status, RunStatus::JournalNotWritten);
    EXPECT_NE(framework::englishText(result.reason).find("in place"), std::string::npos)
        << framework::englishText(result.reason);
    EXPECT_EQ(result.reason.file, blocking.string());
    for (const auto& box : front.boxes.shown()) EXPECT_NE(box.caption.toUtf8(), " OBVESTILO");
    // The folder is as it was, and nothing else is left in the output folder.
    EXPECT_TRUE(std::filesystem::exists(blocking / "inside"));
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(settings.potDoXmlRacunov.toUtf8()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

// One read of the book (countAndRunExport) against the count followed by the build button (CountPeriodInvoices,
// CheckOutputSettings, RunExport): the same result, count, name, boxes, journal bytes and files left.
struct OnePassCase {
    const char* name;
    std::vector<std::pair<int64_t, const char*>> book;  // invoice number and total; May 2019 unless noted
    bool emptyFolders = false;                          // the three folder settings empty
    bool missingOutputFolder = false;                   // the output folder names a folder that is not there
    bool badDescription = false;                        // the last invoice's description holds a BEL
    bool oldJournal = false;                            // a journal of the run's name is there already
};

class OnePass : public ExportRunTest, public ::testing::WithParamInterface<OnePassCase> {
  protected:
    // What a run gave, as one text.
    std::string outcome(bool onePass) {
        RecordingFront runFront;
        ExportFiles f = files();
        ExportState state;
        state.period = {day(2019, 5, 1), day(2019, 5, 31)};
        state.odRacuna = Text1250::fromBytes("earlier");
        state.doRacuna = Text1250::fromBytes("earlier");
        const FixedClock clock(day(2019, 6, 15));
        RunResult result;
        if (onePass) {
            result = countAndRunExport(f, settings, state, clock, runFront);
        } else if (auto counted = countPeriodInvoices(f, state, runFront); !counted) {
            result = {RunStatus::DataFileError,
                      {.what = framework::ReasonKind::DataFileUnreadable, .detail = counted.error().message}};
        } else if (state.steviloRacunov != 0) {
            checkOutputSettings(settings, runFront);
            result = runExport(f, settings, state, clock, runFront);
        }
        std::string out = "status " + std::to_string(static_cast<int>(result.status)) + " " +
                          framework::englishText(result.reason) + "\n";
        // A failed one-pass run stops reading where it failed, so only a run that got through has a count to
        // compare; what the user sees (boxes, files) is compared either way.
        if (result.ok()) {
            out += std::to_string(state.steviloRacunov) + " " + state.odRacuna.bytes() + "-" + state.doRacuna.bytes() +
                   " " + state.outputFileName.bytes() + "\n";
        }
        for (const auto& box : runFront.boxes.shown())
            out += (box.caption + Text1250::literal(": ") + box.text).bytes() + "\n";
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path() / "out")) {
            left.push_back(entry.path().string() + " " + std::to_string(std::filesystem::file_size(entry.path())) +
                           " " + (entry.is_regular_file() ? kirva::testing::readFile(entry.path()) : ""));
        }
        std::sort(left.begin(), left.end());
        for (const auto& l : left) out += l + "\n";
        return out;
    }
    void freshOutputFolder() {
        std::filesystem::remove_all(folder.path() / "out");
        std::filesystem::create_directory(folder.path() / "out");
        if (GetParam().oldJournal) kirva::testing::writeFile(folder.path() / "out" / "ACME 100-300 2019615.XML", "old");
    }
};

TEST_P(OnePass, GivesWhatTheCountAndTheRunGive) {
    const OnePassCase& c = GetParam();
    for (std::size_t i = 0; i < c.book.size(); ++i) {
        const auto [number, total] = c.book[i];
        const DateNumber date = number == 999 ? day(2019, 6, 2) : day(2019, 5, 2 + static_cast<int>(i));
        addInvoice(1, 2019, number, date, total);
    }
    if (c.badDescription) {
        data::Record r(data::faracunLayout());
        ASSERT_TRUE(r.setInteger(r.field("BE"), 1).ok());
        ASSERT_TRUE(r.setInteger(r.field("LETODOKUMENTA"), 2019).ok());
        ASSERT_TRUE(r.setInteger(r.field("INTERNASTEVDOKUMENTA"), 1000).ok());
        ASSERT_TRUE(r.setDecimal(r.field("STEVILKARACUNA"), Decimal::fromInt(250)).ok());
        ASSERT_TRUE(r.setInteger(r.field("DATUMDOKUMENTA"), day(2019, 5, 20)).ok());
        ASSERT_TRUE(r.setDecimal(r.field("ZNESEKDEBET"), *Decimal::parse("5.00")).ok());
        ASSERT_TRUE(r.setText(r.field("OPISKNJIZBE"), Text1250::fromBytes("bell \x07")).ok());
        ASSERT_EQ(faracun.add(r), 0);
    }
    if (c.emptyFolders) settings.potDoXmlRacunov = settings.potDoIzdanihRacunov = settings.potDoPartnerjev = Text1250();
    if (c.missingOutputFolder)
        settings.potDoXmlRacunov = Text1250::fromBytes((folder.path() / "missing").string() + "/");

    freshOutputFolder();
    const std::string twoSteps = outcome(false);
    freshOutputFolder();
    const std::string onePass = outcome(true);
    EXPECT_EQ(onePass, twoSteps);
}

const OnePassCase kOnePassCases[] = {
    {"TwoInvoicesAndAZeroTotal", {{100, "10.00"}, {101, "0.00"}, {102, "-5.00"}, {999, "7.00"}}},
    {"EmptyPeriodKeepsTheEarlierNumbersAndWritesNothing", {{999, "7.00"}}},
    {"ZeroTotalsOnlyAreCountedAndNamedWithoutADokument", {{100, "0.00"}, {300, "0.00"}}},
    {"NegativeNumbersKeepTheirSign", {{-7, "1.00"}, {-3, "2.00"}, {4, "3.00"}}},
    {"FoldersNotSet", {{100, "10.00"}}, true},
    {"FoldersNotSetAndAnEmptyPeriod", {{999, "10.00"}}, true},
    {"OutputFolderMissing", {{100, "10.00"}}, false, true},
    {"OldJournalReplaced", {{100, "10.00"}, {300, "1.00"}}, false, false, false, true},
    {"AFailedRunKeepsTheOldJournalAndLeavesNothingElse", {{100, "10.00"}, {300, "1.00"}}, false, false, true, true},
};

INSTANTIATE_TEST_SUITE_P(Table, OnePass, ::testing::ValuesIn(kOnePassCases),
                         [](const auto& param) { return std::string(param.param.name); });

// A full disk in the middle of the one read: the run fails, and neither the journal nor its temporary file
// is left.
TEST_F(ExportRunTest, OnePassThatCannotWriteFailsAndLeavesNothing) {
#ifdef _WIN32
    GTEST_SKIP()
        << "Windows has no file-size limit for a process; the read-only journal of InvoiceStreamTest stands in";
#else
    for (int i = 0; i < 1200; ++i) addInvoice(1, 2019, 1000 + i, day(2019, 5, 1 + i % 28), "10.00");
    ExportFiles f = files();
    ExportState state;
    state.period = {day(2019, 5, 1), day(2019, 5, 31)};
    const FixedClock clock(day(2019, 6, 15));
    // The file-size limit makes the kernel refuse writes past it, as a full disk does.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limit = previous;
    limit.rlim_cur = 64 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const RunResult run = countAndRunExport(f, settings, state, clock, front);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(run.status, RunStatus::JournalNotWritten);
    const std::string reason = framework::englishText(run.reason);
    EXPECT_EQ(reason.rfind("the journal was not written: cannot write ", 0), 0u) << reason;
    EXPECT_TRUE(std::filesystem::is_empty(folder.path() / "out"));
#endif
}

// An older journal of the same name is replaced only by a complete one: whatever stops a run before that
// leaves it byte for byte.
TEST_F(ExportRunTest, AnOlderJournalIsReplacedOnlyByACompleteOne) {
    addInvoice(1, 2019, 100, day(2019, 5, 2), "10.00");
    ExportFiles f = files();
    ExportState state;
    state.period = {day(2019, 5, 1), day(2019, 5, 31)};
    ASSERT_TRUE(countPeriodInvoices(f, state, front).ok());
    const std::string journal = settings.potDoXmlRacunov.bytes() + "ACME 100-100 2019615.XML";
    const std::string old = "the journal made earlier today\n";
    writeFile(journal, old);
    const FixedClock clock(day(2019, 6, 15));

    struct Stop {
        const char* what;
        std::function<void(ExportState&, settings::Settings&)> arrange;
        RunStatus status;
    };
    const Stop stops[] = {
        {"a period after today", [](ExportState& s, settings::Settings&) { s.period.to = day(2019, 7, 1); },
         RunStatus::Refused},
        {"a from-date after the to-date",
         [](ExportState& s, settings::Settings&) {
             s.period = {day(2019, 6, 5), day(2019, 5, 31)};
         },
         RunStatus::Refused},
        {"no output folder", [](ExportState&, settings::Settings& c) { c.potDoXmlRacunov = Text1250(); },
         RunStatus::JournalNotWritten},
    };
    for (const Stop& stop : stops) {
        ExportState tried = state;
        settings::Settings changed = settings;
        stop.arrange(tried, changed);
        front.boxes.clearShown();
        const RunResult result = runExport(f, changed, tried, clock, front);
        EXPECT_EQ(result.status, stop.status) << stop.what;
        EXPECT_EQ(readFile(journal), old) << stop.what;
        EXPECT_TRUE(front.boxes.shown().empty()) << stop.what;
    }

    const RunResult done = runExport(f, settings, state, clock, front);
    ASSERT_TRUE(done.ok()) << framework::englishText(done.reason);
    EXPECT_TRUE(readFile(journal).starts_with("<?xml"));
}

TEST_F(ExportRunTest, ARunIsRefusedWhileTheSettingsFileHoldsAValueTheProgramCannotHold) {
    addInvoice(1, 2019, 100, day(2019, 5, 2), "10.00");
    ExportFiles f = files();
    ExportState state;
    state.period = {day(2019, 5, 1), day(2019, 5, 31)};
    ASSERT_TRUE(countPeriodInvoices(f, state, front).ok());
    const std::string ini = (folder.path() / "KIRVA.INI").string();
    writeFile(ini, "[OPAL]\nFirma=" + std::string(56, 'F') + "\nKljuc=K\n");
    const FixedClock clock(day(2019, 6, 15));

    const RunResult refused = runExport(f, settings, state, clock, front, ini);
    EXPECT_EQ(refused.status, RunStatus::Refused);
    EXPECT_EQ(refused.reason.what, framework::ReasonKind::SettingTooLong);
    EXPECT_EQ(refused.reason.key, "Firma");
    EXPECT_FALSE(std::filesystem::exists(settings.potDoXmlRacunov.bytes() + "ACME 100-100 2019615.XML"));

    writeFile(ini, "[OPAL]\nFirma=ACME\nKljuc=K\n");
    EXPECT_TRUE(runExport(f, settings, state, clock, front, ini).ok());
}

}  // namespace
}  // namespace kirva::exporting
