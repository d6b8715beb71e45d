// Reading the invoice book ahead of the journal: the invoices in the book's order across many batches, a
// damaged record stopping the reading where it stands (for the stream, the count and the run alike), and a
// stream given up half-way.
#include <gtest/gtest.h>

#include <sqlite3.h>
#ifdef _WIN32
#include <sys/stat.h>
#else
#include <sys/resource.h>
#endif

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <memory>

#include "data/layout.h"
#include "export/export_run.h"
#include "export/journal.h"
#include "platform/text1250.h"
#include "tests/support/export_files.h"

namespace kirva::exporting {
namespace {

DateNumber day(int year, int month, int dayOfMonth) {
    return *dateFromCivil(year, month, dayOfMonth);
}

// Runs one statement on a data file behind the driver's back, as another program (or damage) would.
void execute(const std::string& path, const std::string& sql) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, sqlite3_close);
    ASSERT_EQ(sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(raw);
}

class InvoiceStreamTest : public kirva::testing::ExportFilesTest {
  protected:
    InvoiceStreamTest() {
        settings.potDoXmlRacunov = Text1250::fromBytes((folder.path() / "out").string() + "/");
        settings.firmaOpal = Text1250::fromBytes(padRight("ACME", 50));
    }

    // Invoices 1000, 1001, ... of company 1 in May 2019; the internal number is the position in the book.
    void addInvoices(int count) {
        storage::KeyedFile::Transaction batch(faracun);
        ASSERT_EQ(batch.status(), 0);
        for (int i = 1; i <= count; ++i) addInvoice(1, 2019, 999 + i, day(2019, 5, 1 + i % 28), "12.20");
        ASSERT_EQ(batch.commit(), 0);
    }

    // Spoils the record of one internal number in a column neither the count nor the journal shows.
    void damage(int internalNumber) {
        execute(folder / "FARACUN.DB", "UPDATE FARACUN SET OPOMBE = '" + std::string(81, 'x') +
                                           "' WHERE INTERNASTEVDOKUMENTA = " + std::to_string(internalNumber));
    }

    // How a record the driver refuses is reported.
    std::string unreadable() const { return "cannot read " + (folder / "FARACUN.DB") + " (next record): "; }

    settings::Settings settings;
    platform::HeadlessMessageBoxes boxes;
    WindowlessFront front{boxes};
};

TEST_F(InvoiceStreamTest, GivesEveryInvoiceInKeyOrderAcrossManyBatchesThenTheEnd) {
    constexpr int kCount = 2000;  // several times what is read ahead
    addInvoices(kCount);
    ExportFiles f = files();
    InvoiceBook book(f);
    ASSERT_TRUE(book.start(day(2019, 1, 1)).ok());
    InvoiceStream stream(book);
    for (int i = 1; i <= kCount; ++i) {
        auto read = stream.next();
        ASSERT_TRUE(read.ok()) << read.error().message;
        ASSERT_NE(*read, nullptr) << "invoice " << i;
        EXPECT_EQ((*read)->internaStevDokumenta, i);
        EXPECT_EQ((*read)->stevilkaRacuna.toString(), std::to_string(999 + i));
    }
    for (int again = 0; again < 3; ++again) {
        auto end = stream.next();
        ASSERT_TRUE(end.ok());
        EXPECT_EQ(*end, nullptr);
    }
}

TEST_F(InvoiceStreamTest, ADamagedRecordComesAfterTheInvoicesBeforeItAndStopsTheReading) {
    addInvoices(1500);
    damage(700);
    ExportFiles f = files();
    InvoiceBook book(f);
    ASSERT_TRUE(book.start(day(2019, 1, 1)).ok());
    InvoiceStream stream(book);
    for (int i = 1; i < 700; ++i) {
        auto read = stream.next();
        ASSERT_TRUE(read.ok()) << "invoice " << i << ": " << read.error().message;
        ASSERT_NE(*read, nullptr);
        EXPECT_EQ((*read)->internaStevDokumenta, i);
    }
    for (int again = 0; again < 2; ++again) {
        auto failed = stream.next();
        ASSERT_FALSE(failed.ok());
        EXPECT_EQ(failed.error().message.rfind(unreadable(), 0), 0u) << failed.error().message;
    }
}

TEST_F(InvoiceStreamTest, AStreamGivenUpHalfWayStopsItsThread) {
    addInvoices(3000);
    ExportFiles f = files();
    InvoiceBook book(f);
    ASSERT_TRUE(book.start(day(2019, 1, 1)).ok());
    {
        InvoiceStream stream(book);
        for (int i = 0; i < 10; ++i) ASSERT_TRUE(stream.next().ok());
    }
    // The book is the caller's again: it reads on from wherever the thread left it.
    Invoice invoice;
    auto read = book.next(invoice);
    ASSERT_TRUE(read.ok());
    EXPECT_TRUE(*read);
}

TEST_F(InvoiceStreamTest, CountAndRunFailOnADamagedRecordAndLeaveNoJournal) {
    addInvoices(1200);
    damage(1100);
    ExportFiles f = files();
    ExportState state;
    state.period = {day(2019, 5, 1), day(2019, 5, 31)};
    const auto counted = countPeriodInvoices(f, state, front);
    ASSERT_FALSE(counted.ok());
    EXPECT_EQ(counted.error().message.rfind(unreadable(), 0), 0u) << counted.error().message;

    const RunResult run = buildJournal(f, settings, state.period, settings.potDoXmlRacunov.bytes() + "J.XML", boxes);
    EXPECT_EQ(run.status, RunStatus::DataFileError);
    EXPECT_EQ(framework::englishText(run.reason).rfind(unreadable(), 0), 0u) << framework::englishText(run.reason);
    EXPECT_EQ(run.reason.file, f.faracun.path());
    EXPECT_TRUE(std::filesystem::is_empty(folder.path() / "out"));
}

TEST_F(InvoiceStreamTest, AJournalThatCannotBeWrittenFailsTheRunAndLeavesNothing) {
    addInvoices(1200);
    ExportFiles f = files();
    const Period period{day(2019, 5, 1), day(2019, 5, 31)};
#ifdef _WIN32
    // Windows has no file-size limit for a process: the previous journal, marked read-only, refuses the new one.
    const std::string journal = settings.potDoXmlRacunov.bytes() + "J.XML";
    kirva::testing::writeFile(journal, "old");
    ASSERT_EQ(::_chmod(journal.c_str(), _S_IREAD), 0);
    const RunResult run = buildJournal(f, settings, period, journal, boxes);
    EXPECT_EQ(run.status, RunStatus::JournalNotWritten);
    const std::string said = framework::englishText(run.reason);
    EXPECT_EQ(said.rfind("the journal was not written: cannot put " + journal + " in place: ", 0), 0u) << said;
    EXPECT_EQ(kirva::testing::readFile(journal), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path() / "out"), {}), 1);
    ::_chmod(journal.c_str(), _S_IREAD | _S_IWRITE);
#else
    // The file-size limit makes the kernel refuse writes past it, as a full disk does.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limit = previous;
    limit.rlim_cur = 64 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const RunResult run = buildJournal(f, settings, period, settings.potDoXmlRacunov.bytes() + "J.XML", boxes);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(run.status, RunStatus::JournalNotWritten);
    const std::string said = framework::englishText(run.reason);
    EXPECT_EQ(
        said.rfind("the journal was not written: cannot write " + settings.potDoXmlRacunov.bytes() + "J.XML: ", 0), 0u)
        << said;
    EXPECT_EQ(run.reason.code, EFBIG);
    EXPECT_TRUE(std::filesystem::is_empty(folder.path() / "out"));
#endif
}

}  // namespace
}  // namespace kirva::exporting
