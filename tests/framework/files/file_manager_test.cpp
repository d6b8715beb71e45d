#include "framework/files/file_manager.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/text1250.h"
#include "tests/framework/files/file_test_support.h"

namespace kirva::framework::testing {
namespace {

class FileManagerTest : public FileTest {
  protected:
    void SetUp() override {
        FileTest::SetUp();
        name = path("TESTF.DB");
        file = std::make_unique<DataFile>(testLayout(), &name);
        manager.bindFile(*file, errors, "TESTF");
        manager.configure();
    }
    void TearDown() override {
        manager.shutdown();
        file.reset();
        FileTest::TearDown();
    }

    // Adds a record with the given values through the manager.
    void add(int firma, int stev, std::string_view naziv) {
        data::Record& r = file->record();
        r.clear();
        ASSERT_TRUE(r.setInteger(0, firma).ok());
        ASSERT_TRUE(r.setInteger(1, stev).ok());
        ASSERT_TRUE(r.setText(2, Text1250::fromBytes(naziv)).ok());
        ASSERT_EQ(file->storage().add(r), 0) << file->storage().lastError().text();
    }
    std::string naziv() const { return std::string(kirva::clipRight(file->record().text(2).bytes())); }

    std::string name;
    std::unique_ptr<DataFile> file;
    TestFileManager manager;
};

TEST_F(FileManagerTest, LazyOpenCountsAndOpensAtFirstUse) {
    makeFile(testLayout(), name);
    EXPECT_EQ(manager.close(), ResultDone);  // nothing open: nothing to do
    EXPECT_EQ(manager.opened(), 0);

    EXPECT_EQ(manager.open(), ResultDone);
    EXPECT_EQ(manager.opened(), 1);
    EXPECT_FALSE(manager.used());
    EXPECT_FALSE(file->storage().isOpen());

    EXPECT_EQ(manager.use(), ResultDone);
    EXPECT_TRUE(manager.used());
    EXPECT_TRUE(file->storage().isOpen());
    EXPECT_EQ(manager.opened(), 1);

    EXPECT_EQ(manager.open(), ResultDone);
    EXPECT_EQ(manager.close(), ResultDone);
    EXPECT_TRUE(file->storage().isOpen());
    EXPECT_EQ(manager.close(), ResultDone);
    EXPECT_FALSE(file->storage().isOpen());
    EXPECT_FALSE(manager.used());
    EXPECT_EQ(manager.opened(), 0);
    EXPECT_TRUE(boxes.shown().empty());

    // The same manager opens again after its last close.
    EXPECT_EQ(manager.open(), ResultDone);
    EXPECT_EQ(manager.use(), ResultDone);
    EXPECT_TRUE(file->storage().isOpen());
    manager.close();
}

TEST_F(FileManagerTest, AFirstUseWithoutOpenOpensWithoutCounting) {
    makeFile(testLayout(), name);
    EXPECT_EQ(manager.use(), ResultDone);
    EXPECT_TRUE(file->storage().isOpen());
    EXPECT_EQ(manager.opened(), 0);
}

TEST_F(FileManagerTest, AMissingFileIsCreatedEmptyAndOpened) {
    ASSERT_FALSE(fs::exists(name));
    manager.open();
    EXPECT_EQ(manager.use(), ResultDone);
    EXPECT_TRUE(fs::exists(name));
    EXPECT_EQ(file->storage().records(), 0);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(manager.operations, (std::vector<FileOperation>{FileOperation::Command, FileOperation::Open,
                                                              FileOperation::Create, FileOperation::Open}));
}

TEST_F(FileManagerTest, AMissingFileWithoutCreateEndsTheProgramWithMessage29) {
    manager.createSetting = 0;
    manager.open();
    EXPECT_EQ(manager.use(), static_cast<uint8_t>(ErrorLevel::Fatal));  // seen only because the hook returns
    EXPECT_EQ(exitCodes, std::vector<int>{framework::kFatalExitCode});
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption.bytes(), "File Access Error");
    EXPECT_EQ(boxes.shown()[0].text.bytes().rfind("File " + name + " could not be opened.  Error: ", 0), 0u)
        << boxes.shown()[0].text.bytes();
    EXPECT_NE(boxes.shown()[0].text.bytes().find("(2).  Press OK to end this application"), std::string::npos)
        << boxes.shown()[0].text.bytes();
    EXPECT_EQ(manager.lastError(), MsgOpenError);
    EXPECT_FALSE(fs::exists(name));
}

TEST_F(FileManagerTest, OpenSilentlyOnlyRecordsTheFailure) {
    manager.createSetting = 0;
    manager.lazyOpen = false;  // so that the open itself is physical
    EXPECT_EQ(manager.openSilently(), ResultFailed);
    EXPECT_EQ(manager.opened(), 0);
    EXPECT_EQ(manager.lastError(), MsgOpenError);
    EXPECT_EQ(errors.status().saveErrorCode, storage::FileNotFound);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(exitCodes.empty());
}

TEST_F(FileManagerTest, AFileThatCannotBeWrittenIsOpenedReadOnlyAfterANotice) {
    makeFile(testLayout(), name);
    fs::permissions(name, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    manager.open();
    EXPECT_EQ(manager.use(), ResultDone);
    EXPECT_TRUE(file->storage().isOpen());
    EXPECT_EQ(manager.openMode, storage::kOpenReadOnlyDenyNone);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption.bytes(), "Access Denied");
    EXPECT_EQ(boxes.shown()[0].text.bytes(), "Could not get write access to " + name + " so trying read-only.");
    // The lock wait set first; refused for writing, then read-only.
    EXPECT_EQ(manager.operations,
              (std::vector<FileOperation>{FileOperation::Command, FileOperation::Open, FileOperation::Open}));
    EXPECT_TRUE(exitCodes.empty());
}

// A lock that outlasts the wait is reported as a lock: no "could not get write access ... trying
// read-only", which would only fail the same way.
TEST_F(FileManagerTest, AFileLockedLongerThanTheWaitEndsInMessage29NamingTheLock) {
    makeFile(testLayout(), name);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(name.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE; INSERT INTO TESTF (FIRMA, STEV, NAZIV) VALUES (1, 1, 'x');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);

    manager.lockRecoverSetting = 0;  // no waiting on the lock in a test
    manager.open();
    EXPECT_EQ(manager.use(), static_cast<uint8_t>(ErrorLevel::Fatal));
    EXPECT_EQ(captions(), (std::vector<std::string>{"File Access Error"}));
    EXPECT_NE(boxes.shown().back().text.bytes().find("Access Denied: " + name + " is locked by another program"),
              std::string::npos)
        << boxes.shown().back().text.bytes();
    EXPECT_EQ(exitCodes, std::vector<int>{framework::kFatalExitCode});
    EXPECT_EQ(manager.openMode, storage::kOpenReadWriteDenyNone);
    EXPECT_EQ(manager.operations, (std::vector<FileOperation>{FileOperation::Command, FileOperation::Open}));
    EXPECT_FALSE(file->storage().isOpen());

    sqlite3_exec(other, "ROLLBACK;", nullptr, nullptr, nullptr);
    sqlite3_close(other);
}

TEST_F(FileManagerTest, KeysThatMustBeRebuiltAreRebuiltAfterANotice) {
    makeFile(testLayout(), name);
    dropIndexes(name);
    manager.open();
    EXPECT_EQ(manager.use(), ResultDone);
    EXPECT_TRUE(file->storage().isOpen());
    EXPECT_EQ(captions(), std::vector<std::string>{"Invalid Key"});
    EXPECT_EQ(boxes.shown()[0].text.bytes(), name + " key file is invalid. Key must be rebuilt.");
    file->storage().close();
    storage::KeyedFile again(testLayout());
    EXPECT_EQ(again.open(name), 0);
}

TEST_F(FileManagerTest, AFileOfAnotherStructureEndsTheProgramWithInvalidFile) {
    sql(name, "CREATE TABLE TESTF (X INTEGER);");
    manager.open();
    EXPECT_EQ(manager.use(), static_cast<uint8_t>(ErrorLevel::Fatal));
    EXPECT_EQ(captions(), std::vector<std::string>{"Invalid File"});
    EXPECT_EQ(manager.lastError(), MsgInvalidFile);
}

TEST_F(FileManagerTest, UseBeforeOpenOnAManagerWithoutTheInitialisingOverrideIsAUsageError) {
    makeFile(testLayout(), name);
    FileManager plain;
    DataFile other(testLayout(), &name);
    plain.bindFile(other, errors, "TESTF");
    plain.configure();
    plain.attach(other, errors);
    EXPECT_EQ(plain.use(), static_cast<uint8_t>(ErrorLevel::Fatal));
    EXPECT_EQ(captions(), std::vector<std::string>{"File Usage Error"});
    EXPECT_EQ(boxes.shown()[0].text.bytes(),
              "Attempt to use file (" + name + ") before it was opened  Press OK to end this application");
}

TEST_F(FileManagerTest, DisplayNamePrefersTheNameTextThenTheLabel) {
    EXPECT_EQ(manager.displayName(), name);
    FileManager bare;
    EXPECT_EQ(bare.displayName(), "Unknown File");
    DataFile unnamed(testLayout());
    FileManager labelled;
    labelled.bindFile(unnamed, errors, "FAPARAC2  ");
    EXPECT_EQ(labelled.displayName(), "FAPARAC2");
}

TEST_F(FileManagerTest, AutoNumbersWithinTheGroupOfTheOtherComponents) {
    manager.open();
    ASSERT_EQ(manager.use(), ResultDone);
    data::Record& r = file->record();
    const auto insertFor = [&](int firma, std::string_view text) {
        r.clear();
        EXPECT_TRUE(r.setInteger(0, firma).ok());
        EXPECT_TRUE(r.setText(2, Text1250::fromBytes(text)).ok());
        EXPECT_EQ(manager.insert(), ResultDone);
        return r.integer(1);
    };
    EXPECT_EQ(insertFor(1, "a"), 1);
    EXPECT_EQ(insertFor(1, "b"), 2);
    EXPECT_EQ(insertFor(2, "c"), 1);
    EXPECT_EQ(insertFor(1, "d"), 3);
    EXPECT_FALSE(manager.autoIncDone());
    EXPECT_EQ(file->storage().records(), 4);
    manager.close();
}

TEST_F(FileManagerTest, ClearForNewRecordReservesTheNumberAndCancelGivesItBack) {
    manager.open();
    ASSERT_EQ(manager.use(), ResultDone);
    ASSERT_EQ(manager.clearForNewRecord(), ResultDone);
    EXPECT_TRUE(manager.autoIncDone());
    EXPECT_EQ(file->record().integer(1), 1);
    EXPECT_EQ(file->storage().records(), 1);
    EXPECT_EQ(manager.cancelAutoNumber(), ResultDone);
    EXPECT_EQ(file->storage().records(), 0);
    EXPECT_FALSE(manager.autoIncDone());
    manager.close();
}

TEST_F(FileManagerTest, ADuplicateOnTheUniqueKeyNamesTheKeysDescription) {
    makeFile(testLayout(), name);
    manager.open();
    ASSERT_EQ(manager.use(), ResultDone);
    add(1, 1, "a");
    // Numbered already: the insert writes over the current record, so take a fresh file without numbering.
    const data::Layout& layout = testLayout();
    data::Layout plainLayout = layout;
    plainLayout.keys[0].autoNumbered = 0;
    std::string plainName = path("PLAIN.DB");
    DataFile plainFile(plainLayout, &plainName);
    TestFileManager plain;
    plain.bindFile(plainFile, errors, "PLAIN");
    plain.configure();
    plain.open();
    ASSERT_EQ(plain.use(), ResultDone);
    data::Record& r = plainFile.record();
    ASSERT_TRUE(r.setInteger(0, 1).ok());
    ASSERT_TRUE(r.setInteger(1, 7).ok());
    EXPECT_EQ(plain.insert(), ResultDone);
    ASSERT_TRUE(r.setInteger(1, 8).ok());
    EXPECT_EQ(plain.insert(), ResultDone);
    const int64_t lastWritten = plainFile.storage().position();
    ASSERT_TRUE(r.setInteger(1, 7).ok());
    EXPECT_EQ(plain.insert(), static_cast<uint8_t>(ErrorLevel::Notice));
    // Naming the key in the way must not make the record in the way the current one.
    EXPECT_EQ(plainFile.storage().position(), lastWritten);
    ASSERT_EQ(captions(), std::vector<std::string>{"Duplicate Key Error"});
    EXPECT_EQ(boxes.shown()[0].text.bytes(), "Adding this record creates a duplicate entry for the key: Po firmi");
    EXPECT_EQ(errors.status().keyName, "Po firmi");
    EXPECT_EQ(plain.insertSilently(), ResultFailed);
    EXPECT_EQ(plain.lastError(), MsgDuplicateKey);
    EXPECT_EQ(boxes.shown().size(), 1u);
    plain.close();
    plain.shutdown();
    manager.close();
}

TEST_F(FileManagerTest, ReadsInKeyOrderStopAtTheEndWithoutAMessage) {
    makeFile(testLayout(), name);
    manager.open();
    ASSERT_EQ(manager.use(), ResultDone);
    add(1, 2, "b");
    add(1, 1, "a");
    ASSERT_EQ(file->storage().setFirst(0), 0);
    ASSERT_EQ(manager.next(), ResultDone);
    EXPECT_EQ(naziv(), "a");
    ASSERT_EQ(manager.next(), ResultDone);
    EXPECT_EQ(naziv(), "b");
    EXPECT_EQ(manager.next(), ResultFailed);
    EXPECT_TRUE(manager.atEof());
    EXPECT_TRUE(boxes.shown().empty());
    ASSERT_EQ(manager.previous(), ResultDone);
    EXPECT_FALSE(manager.atEof());

    // Fetch by key; a miss clears the buffer.
    data::Record& r = file->record();
    r.clear();
    ASSERT_TRUE(r.setInteger(0, 1).ok());
    ASSERT_TRUE(r.setInteger(1, 2).ok());
    EXPECT_EQ(manager.fetch(0), ResultDone);
    EXPECT_EQ(naziv(), "b");
    ASSERT_TRUE(r.setInteger(1, 9).ok());
    EXPECT_EQ(manager.fetch(0), ResultFailed);
    EXPECT_EQ(r.integer(0), 0);
    manager.close();
}

TEST_F(FileManagerTest, UpdateAndDeleteWithConfirmation) {
    makeFile(testLayout(), name);
    manager.open();
    ASSERT_EQ(manager.use(), ResultDone);
    add(1, 1, "a");
    ASSERT_EQ(file->storage().setFirst(0), 0);
    ASSERT_EQ(manager.next(), ResultDone);
    ASSERT_TRUE(file->record().setText(2, Text1250::fromBytes("changed")).ok());
    EXPECT_EQ(manager.update(), ResultDone);

    boxes.queueAnswer(platform::ButtonNo);
    EXPECT_EQ(manager.deleteCurrent(true), ResultDeclined);
    EXPECT_EQ(captions(), std::vector<std::string>{"Confirm Delete"});
    EXPECT_EQ(file->storage().records(), 1);
    boxes.queueAnswer(platform::ButtonYes);
    EXPECT_EQ(manager.deleteCurrent(true), ResultDone);
    EXPECT_EQ(file->storage().records(), 0);
    manager.close();
}

TEST_F(FileManagerTest, SavedBuffersComeBackAndCompare) {
    makeFile(testLayout(), name);
    manager.open();
    ASSERT_EQ(manager.use(), ResultDone);
    ASSERT_TRUE(file->record().setText(2, Text1250::fromBytes("first")).ok());
    const int first = manager.saveBuffer();
    EXPECT_TRUE(manager.equalsSavedBuffer(first));
    ASSERT_TRUE(file->record().setText(2, Text1250::fromBytes("second")).ok());
    EXPECT_FALSE(manager.equalsSavedBuffer(first));
    const int second = manager.saveBuffer();
    EXPECT_EQ(second, first + 1);
    manager.restoreBuffer(first, true);
    EXPECT_EQ(naziv(), "first");
    manager.restoreBuffer(second, false);  // freed without restoring
    EXPECT_EQ(naziv(), "first");
    EXPECT_EQ(manager.savedBuffers(), 0u);
    manager.close();
}

TEST_F(FileManagerTest, AnInnerProcedureGivesTheOuterOneItsBufferAndPositionBack) {
    makeFile(testLayout(), name);
    errors.registerProcedureName("Outer");
    manager.open();
    ASSERT_EQ(manager.use(), ResultDone);
    add(1, 1, "a");
    add(1, 2, "b");
    add(1, 3, "c");
    ASSERT_EQ(file->storage().setFirst(0), 0);
    ASSERT_EQ(manager.next(), ResultDone);
    ASSERT_EQ(naziv(), "a");

    errors.registerProcedureName("Inner");
    ASSERT_EQ(manager.open(), ResultDone);
    ASSERT_EQ(manager.use(), ResultDone);
    EXPECT_EQ(manager.savedStates(), 1u);
    ASSERT_EQ(file->storage().setFirst(0), 0);
    ASSERT_EQ(manager.next(), ResultDone);
    ASSERT_EQ(manager.next(), ResultDone);
    ASSERT_EQ(manager.next(), ResultDone);
    ASSERT_EQ(naziv(), "c");
    manager.close();
    errors.registerProcedureName("Inner", true);

    EXPECT_EQ(naziv(), "a");
    EXPECT_EQ(manager.savedStates(), 0u);
    EXPECT_TRUE(file->storage().isOpen());
    ASSERT_EQ(manager.next(), ResultDone);
    EXPECT_EQ(naziv(), "b");  // the outer read goes on where it was
    manager.close();
    errors.registerProcedureName("Outer", true);
    EXPECT_FALSE(file->storage().isOpen());
    EXPECT_TRUE(fileUseEntries().empty());
}

// The outer procedure reads by a key other than the primary one; after an inner use of the file it goes on in
// that key's order, to its end. (Put back in the primary key's order, it read "c" next and then ended early.)
TEST_F(FileManagerTest, AnInnerProcedureGivesTheOuterOneItsReadOrderBack) {
    makeFile(testLayout(), name);
    errors.registerProcedureName("Outer");
    manager.open();
    ASSERT_EQ(manager.use(), ResultDone);
    add(1, 1, "b");
    add(1, 2, "a");
    add(1, 3, "c");
    const std::size_t byName = 1;  // NAZIVKEY: a (1,2), b (1,1), c (1,3)
    ASSERT_EQ(file->storage().setFirst(byName), 0);
    ASSERT_EQ(manager.next(), ResultDone);
    ASSERT_EQ(naziv(), "a");

    for (const std::size_t innerKey : {std::size_t{0}, byName}) {
        SCOPED_TRACE(innerKey);
        errors.registerProcedureName("Inner");
        ASSERT_EQ(manager.open(), ResultDone);
        ASSERT_EQ(manager.use(), ResultDone);
        ASSERT_EQ(file->storage().setLast(innerKey), 0);
        ASSERT_EQ(manager.previous(), ResultDone);
        manager.close();
        errors.registerProcedureName("Inner", true);
        EXPECT_EQ(naziv(), "a");
    }

    ASSERT_EQ(manager.next(), ResultDone);
    EXPECT_EQ(naziv(), "b");
    ASSERT_EQ(manager.next(), ResultDone);
    EXPECT_EQ(naziv(), "c");
    EXPECT_EQ(manager.next(), ResultFailed);
    EXPECT_TRUE(manager.atEof());
    manager.close();
    errors.registerProcedureName("Outer", true);
}

TEST_F(FileManagerTest, ShutdownClosesEveryOpenAndLeavesTheRegistries) {
    makeFile(testLayout(), name);
    manager.open();
    manager.open();
    ASSERT_EQ(manager.use(), ResultDone);
    EXPECT_EQ(fileManagerOf(*file), &manager);
    manager.shutdown();
    EXPECT_TRUE(manager.killed());
    EXPECT_EQ(manager.opened(), 0);
    EXPECT_FALSE(file->storage().isOpen());
    EXPECT_EQ(fileManagerOf(*file), nullptr);
}

TEST_F(FileManagerTest, SharedFilesOpenOnceForAllTheirManagers) {
    makeFile(testLayout(), name);
    DataFile shared(testLayout(), &name, false);
    TestFileManager one, two;
    for (TestFileManager* m : {&one, &two}) {
        m->bindFile(shared, errors, "TESTF");
        m->configure();
    }
    one.open();
    two.open();
    ASSERT_EQ(one.use(), ResultDone);
    ASSERT_EQ(two.use(), ResultDone);
    EXPECT_TRUE(shared.storage().isOpen());
    one.close();
    EXPECT_TRUE(shared.storage().isOpen());
    two.close();
    EXPECT_FALSE(shared.storage().isOpen());
    one.shutdown();
    two.shutdown();
}

}  // namespace
}  // namespace kirva::framework::testing
