#include "framework/errors/error_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace kirva::framework {
namespace {

using platform::ButtonCancel;
using platform::ButtonNo;
using platform::ButtonOk;
using platform::ButtonYes;
using platform::MessageIcon;

const std::string kPressOk = "  Press OK to end this application";

class ErrorManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        manager.setMessageBoxes(boxes);
        manager.setExitHook([this](int code) { exitCodes.push_back(code); });
        manager.setRuntimeErrorSource([this] { return storageError; });
        manager.initialize();
    }

    // The text of the only box shown since the last call.
    std::string onlyShownText() {
        EXPECT_EQ(boxes.shown().size(), 1u);
        std::string text = boxes.shown().empty() ? std::string() : boxes.shown().back().text.bytes();
        boxes.clearShown();
        return text;
    }

    platform::HeadlessMessageBoxes boxes;
    ErrorManager manager;
    storage::StorageError storageError;
    std::vector<int> exitCodes;
};

TEST_F(ErrorManagerTest, FileCouldNotBeOpenedShowsStorageErrorAndEndsProgram) {
    manager.setFileName("N");
    ErrorStatus& state = manager.status();
    state.saveError = "T";
    state.saveErrorCode = 2;

    EXPECT_EQ(manager.handleError(29), ErrorLevel::Fatal);  // only seen because the test hook returns

    ASSERT_EQ(boxes.shown().size(), 1u);
    const auto& box = boxes.shown()[0];
    EXPECT_EQ(box.caption.bytes(), "File Access Error");
    EXPECT_EQ(box.text.bytes(), "File N could not be opened.  Error: T (2).  Press OK to end this application");
    EXPECT_EQ(box.icon, MessageIcon::Information);
    EXPECT_EQ(box.buttons, ButtonOk);
    EXPECT_EQ(box.defaultButton, ButtonOk);
    EXPECT_EQ(exitCodes, std::vector<int>{kFatalExitCode});
}

TEST_F(ErrorManagerTest, RaiseCapturesTheStorageLayersCurrentError) {
    storageError = {storage::FileNotFound, 14, "unable to open database file"};
    manager.setFileName("C:\\DATA\\FARACUN.DB   ");  // trailing blanks carry no meaning

    EXPECT_EQ(manager.raise(29), ErrorLevel::Fatal);

    const ErrorStatus& state = manager.status();
    EXPECT_EQ(state.saveErrorCode, 2);
    EXPECT_EQ(state.saveError, storage::errorCodeText(2));
    EXPECT_EQ(state.saveFileErrorCode, "14");
    EXPECT_EQ(state.saveFileError, "unable to open database file");
    EXPECT_EQ(onlyShownText(),
              "File C:\\DATA\\FARACUN.DB could not be opened.  Error: " + std::string(storage::errorCodeText(2)) +
                  ": unable to open database file (2)." + kPressOk);
    EXPECT_EQ(exitCodes.size(), 1u);
}

// A file that cannot be opened or created is reported with the driver's explanation, whatever the code:
// "Access Denied (5)" alone does not tell missing rights from an interrupted write that waits to be rolled
// back. Other messages keep the code's text alone; a lock's explanation is not repeated.
TEST_F(ErrorManagerTest, OpenFailuresCarryTheDriversExplanation) {
    struct Case {
        int32_t message;
        storage::StorageError error;
        std::string errorText;
    };
    const std::string pending =
        "F.DB holds an interrupted write that has not been rolled back (F.DB-journal); it is rolled back when a "
        "user who may write to the file and its folder opens it, for example with kirva-cli check";
    const std::string denied(storage::errorCodeText(storage::AccessDenied));
    const Case cases[] = {
        {29, {storage::AccessDenied, 776, pending}, denied + ": " + pending + " (5)"},
        {12,
         {storage::AccessDenied, 8, "F.DB: the folder cannot be written"},
         denied + ": F.DB: the folder cannot be written (5)"},
        {29, {storage::FileNotFound, 14, ""}, std::string(storage::errorCodeText(2)) + " (2)"},
        {29, {storage::AccessDenied, 5, "database is locked"}, denied + ": database is locked (5)"},
        {31, {storage::AccessDenied, 776, pending}, denied + " (5)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.errorText);
        storageError = c.error;
        manager.setFileName("F.DB");
        manager.raise(c.message);
        const std::string text = onlyShownText();
        EXPECT_NE(text.find(c.errorText + (c.message == 29 ? "." : ")")), std::string::npos) << text;
        if (c.message == 31) {
            EXPECT_EQ(text.find("interrupted"), std::string::npos) << text;
        }
    }
}

TEST_F(ErrorManagerTest, FatalWithTheDefaultHookEndsTheProcessWithCodeFour) {
    ErrorManager real;  // the default exit hook
    real.setMessageBoxes(boxes);
    real.setRuntimeErrorSource([] { return storage::StorageError{}; });
    real.initialize();
    EXPECT_EXIT(real.handleError(45), ::testing::ExitedWithCode(kFatalExitCode), "");
}

TEST_F(ErrorManagerTest, ErrorTextTakesTheDriversMessageForCodes90_100And47) {
    struct Case {
        int code;
        std::string expected;
    };
    const Case cases[] = {
        {90, "Error: (no such table: FARACUN (1)) attempting to access a record from the FARACUN file."},
        {100, "Error: (no such table: FARACUN (1)) attempting to access a record from the FARACUN file."},
        {47, "Error: (no such table: FARACUN (1)) attempting to access a record from the FARACUN file."},
        {5, "Error: (Stored text (5)) attempting to access a record from the FARACUN file."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        manager.setFileName("FARACUN");
        ErrorStatus& state = manager.status();
        state.saveErrorCode = c.code;
        state.saveError = "Stored text";
        state.saveFileErrorCode = "1";
        state.saveFileError = "no such table: FARACUN";
        EXPECT_EQ(manager.handleError(1), ErrorLevel::Notice);
        EXPECT_EQ(onlyShownText(), c.expected + "  Returning to previous window.");
    }
}

TEST_F(ErrorManagerTest, InvalidFileFillsEveryCodeAndText) {
    storageError = {storage::StructureMismatch, 1, "table FARACUN has no column named DATUM"};
    manager.setFileName("FARACUN.DB");
    manager.raise(26);
    EXPECT_EQ(onlyShownText(), "FARACUN.DB has an invalid File structure.|Error: 47 - " +
                                   std::string(storage::errorCodeText(47)) +
                                   "|FileError: 1 - table FARACUN has no column named DATUM|" + kPressOk);
}

TEST_F(ErrorManagerTest, PlaceholdersMatchWhateverTheirCase) {
    manager.addEntry(900, "%file, %FILE and %File; %fIeLd", "Case", ErrorLevel::Notice);
    manager.setFileName("SFENPA");
    manager.setFieldName("SFENPA:SIFRA");
    EXPECT_EQ(manager.handleError(900), ErrorLevel::Notice);
    EXPECT_EQ(onlyShownText(), "SFENPA, SFENPA and SFENPA; SFENPA:SIFRA");
}

TEST_F(ErrorManagerTest, InsertedTextIsNotSubstitutedAgainForTheSamePlaceholder) {
    struct Case {
        std::string message;
        std::string fileName;
        std::string messageText;
        std::string expected;
    };
    const Case cases[] = {
        // a value holding its own placeholder stays as inserted
        {"%File / %File", "a%Fileb", "", "a%Fileb / a%Fileb"},
        // a value equal to the placeholder (whatever its case) leaves the text as it was
        {"%File x", "%FILE", "", "%File x"},
        // a later placeholder inside an inserted value is still filled
        {"[%Message]", "F", "%Message and %File", "[%Message and %File]"},
        {"[%File]", "%Message", "M", "[M]"},
        // longer placeholders first: %FileErrorCode is not read as %File + "ErrorCode"
        {"%FileErrorCode|%FileError|%File", "N", "", "14|driver says|N"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        manager.addEntry(901, c.message, "Sub", ErrorLevel::Notice);
        manager.setFileName(c.fileName);
        manager.setMessageText(c.messageText);
        manager.status().saveFileErrorCode = "14";
        manager.status().saveFileError = "driver says";
        manager.handleError(901);
        EXPECT_EQ(onlyShownText(), c.expected);
        manager.removeEntry(901);
    }
}

TEST_F(ErrorManagerTest, ComposedTextIsCutAt1999Characters) {
    manager.addEntry(902, "%Message%Message|end", "Long", ErrorLevel::Notice);
    manager.setMessageText(std::string(1500, 'x'));
    EXPECT_EQ(manager.status().messageText.size(), kStatusTextSize);  // cut to 1023 when stored
    manager.handleError(902);
    EXPECT_EQ(onlyShownText(), std::string(1999, 'x'));
}

TEST_F(ErrorManagerTest, StatusTextsLoseTrailingBlanksAndAreCut) {
    manager.setKeyName("FARACUN:RACUNKLJUC   ");
    EXPECT_EQ(manager.status().keyName, "FARACUN:RACUNKLJUC");
    manager.setFieldName(std::string(1030, 'f'));
    EXPECT_EQ(manager.status().fieldName.size(), 1023u);

    storageError = {90, 11, std::string(300, 'm')};
    manager.captureRuntimeError();
    EXPECT_EQ(manager.status().saveFileError.size(), kSavedTextSize);
}

TEST_F(ErrorManagerTest, NewerEntryOverridesOlderUntilRemoved) {
    manager.addEntry(29, "Replaced %File", "Mine", ErrorLevel::Notice);
    manager.setFileName("N");
    EXPECT_EQ(manager.handleError(29), ErrorLevel::Notice);
    EXPECT_EQ(boxes.shown().back().caption.bytes(), "Mine");
    EXPECT_EQ(onlyShownText(), "Replaced N");
    EXPECT_TRUE(exitCodes.empty());

    manager.removeEntry(29);
    EXPECT_EQ(manager.findEntry(29)->title, "File Access Error");
    manager.removeEntry(29);
    EXPECT_FALSE(manager.findEntry(29));
    manager.removeEntry(29);  // nothing left to remove
    EXPECT_EQ(manager.entryCount(), 53u);
}

TEST_F(ErrorManagerTest, IdsCompareAsUnsigned16Bit) {
    EXPECT_EQ(manager.findEntry(29 + 65536)->title, "File Access Error");
    manager.addEntry(65535, "High", "H", ErrorLevel::Notice);
    EXPECT_EQ(manager.findEntry(-1)->message, "High");
}

TEST_F(ErrorManagerTest, AskUserInSilentModeReturnsTheDefaultAndShowsNothing) {
    manager.setSilent(true);
    EXPECT_EQ(manager.askUser(40, ButtonYes | ButtonNo | ButtonCancel, ButtonCancel), ButtonCancel);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(ErrorManagerTest, AskUserShowsTheQuestionWithTheCallersButtons) {
    boxes.queueAnswer(ButtonNo);
    EXPECT_EQ(manager.askUser(41, ButtonYes | ButtonNo | ButtonCancel, ButtonCancel), ButtonNo);
    ASSERT_EQ(boxes.shown().size(), 1u);
    const auto& box = boxes.shown()[0];
    EXPECT_EQ(box.caption.bytes(), "Save Record");
    EXPECT_EQ(box.text.bytes(), "Do you want to save the changes to this record?");
    EXPECT_EQ(box.icon, MessageIcon::Exclamation);
    EXPECT_EQ(box.buttons, ButtonYes | ButtonNo | ButtonCancel);
    EXPECT_EQ(box.defaultButton, ButtonCancel);
}

TEST_F(ErrorManagerTest, QuestionAnswersMapToResults) {
    manager.addEntry(903, "Sure?", "Q4", ErrorLevel::Cancelled);  // level 4 asks like level 1
    struct Case {
        int id;
        unsigned answer;
        ErrorLevel expected;
    };
    const Case cases[] = {
        {11, ButtonYes, ErrorLevel::Quiet},        {11, ButtonNo, ErrorLevel::Cancelled},
        {11, ButtonCancel, ErrorLevel::Cancelled},  // anything but Yes
        {903, ButtonYes, ErrorLevel::Quiet},       {903, ButtonNo, ErrorLevel::Cancelled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        boxes.queueAnswer(c.answer);
        EXPECT_EQ(manager.handleError(c.id), c.expected);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].buttons, ButtonYes | ButtonNo);
        EXPECT_EQ(boxes.shown()[0].defaultButton, ButtonYes);
        EXPECT_EQ(boxes.shown()[0].icon, MessageIcon::Exclamation);
        boxes.clearShown();
    }
}

TEST_F(ErrorManagerTest, UnknownIdShowsNothingAndClearsTheCurrentError) {
    EXPECT_EQ(manager.handleError(999), ErrorLevel::Quiet);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(manager.status().errorBuffer.id, 0);
    EXPECT_EQ(manager.status().errorBuffer.message, "");

    EXPECT_EQ(manager.askUser(999, ButtonOk | ButtonCancel, ButtonOk), ButtonOk);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text.bytes(), "");
    EXPECT_EQ(boxes.shown()[0].caption.bytes(), "");
}

TEST_F(ErrorManagerTest, EveryLevelEndsOrGoesOnAsItShould) {
    manager.addEntry(904, "Odd level", "Odd", static_cast<ErrorLevel>(9));
    manager.addEntry(905, "Quiet", "Q", ErrorLevel::Quiet);
    EXPECT_EQ(manager.handleError(905), ErrorLevel::Quiet);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(manager.handleError(45), ErrorLevel::Fatal);  // a program error ends like a fatal one
    EXPECT_EQ(manager.handleError(904), ErrorLevel::Fatal);
    EXPECT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text.bytes(), "Odd level" + kPressOk);
    EXPECT_EQ(exitCodes, (std::vector<int>{kFatalExitCode, kFatalExitCode}));

    boxes.clearShown();
    manager.setSilent(true);  // silent: no message, but the program still ends
    EXPECT_EQ(manager.handleError(29), ErrorLevel::Fatal);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(exitCodes.size(), 3u);
    EXPECT_EQ(manager.handleError(2), ErrorLevel::Notice);
}

TEST_F(ErrorManagerTest, PreviousNamesTheErrorSelectedBefore) {
    manager.addEntry(906, "After %Previous", "Prev", ErrorLevel::Notice);
    manager.handleError(10);  // a question, answered by its default
    boxes.clearShown();
    manager.handleError(906);
    EXPECT_EQ(manager.status().prevErrorId, 10);
    EXPECT_EQ(onlyShownText(), "After Are you sure you want to cancel?");
    manager.handleError(906);  // the previous one is itself: its own text, unfilled
    EXPECT_EQ(onlyShownText(), "After After %Previous");
}

TEST_F(ErrorManagerTest, CategoriesFallBackToTheDefault) {
    EXPECT_EQ(manager.getCategory(-1), "QRM");
    EXPECT_EQ(manager.getCategory(29), "QRM");
    EXPECT_EQ(manager.getCategory(12345), "QRM");
    manager.setCategory(29, "Datoteke");
    EXPECT_EQ(manager.getCategory(29), "Datoteke");
    manager.setCategory(-1, "KIRVA");
    EXPECT_EQ(manager.getCategory(2), "KIRVA");

    manager.addEntry(907, "%Category / %Procedure", "Cat", ErrorLevel::Notice, "Moja");
    manager.registerProcedureName("IzdelavaXMLdatotekeIzdanihRacunov  ");
    manager.handleError(907);
    EXPECT_EQ(onlyShownText(), "Moja / IzdelavaXMLdatotekeIzdanihRacunov");
}

TEST_F(ErrorManagerTest, ProcedureNamesAndErrorStateArePerThread) {
    manager.registerProcedureName("IzdelavaXMLdatotekeIzdanihRacunov");
    manager.registerProcedureName("NastavitvePrograma");
    manager.setFileName("MAIN");

    std::string otherBefore, otherInner, otherAfter, otherFile;
    std::thread other([&] {
        otherBefore = manager.getProcedureName();
        otherFile = manager.status().fileName;
        manager.registerProcedureName("Druga");
        manager.registerProcedureName("Tretja");
        otherInner = manager.getProcedureName();
        manager.registerProcedureName("", true);
        otherAfter = manager.getProcedureName();
    });
    other.join();

    EXPECT_EQ(otherBefore, "");
    EXPECT_EQ(otherFile, "");  // a new thread starts with the initial state
    EXPECT_EQ(otherInner, "Tretja");
    EXPECT_EQ(otherAfter, "Druga");
    EXPECT_EQ(manager.getProcedureName(), "NastavitvePrograma");
    EXPECT_EQ(manager.status().fileName, "MAIN");
    manager.registerProcedureName("", true);
    EXPECT_EQ(manager.getProcedureName(), "IzdelavaXMLdatotekeIzdanihRacunov");
}

TEST(ErrorManagerState, InitialStateAndCaptureBeforeInitialize) {
    ErrorManager manager;
    manager.setRuntimeErrorSource([] { return storage::StorageError{2, 14, "x"}; });
    manager.captureRuntimeError();  // no store attached yet: nothing happens
    const ErrorStatus& state = manager.status();
    EXPECT_EQ(state.saveErrorCode, 0);
    EXPECT_EQ(state.saveFileErrorCode, "0");
    EXPECT_EQ(state.errorBuffer.message, " ");
    EXPECT_EQ(state.errorBuffer.title, " ");
    EXPECT_EQ(manager.entryCount(), 0u);

    manager.initialize();
    EXPECT_EQ(manager.entryCount(), 54u);
    manager.initialize();  // a second initialisation loads nothing twice
    EXPECT_EQ(manager.entryCount(), 54u);
    manager.shutdown();
    EXPECT_EQ(manager.entryCount(), 0u);
    EXPECT_EQ(manager.errorLog(), nullptr);
}

TEST(ErrorManagerState, AddTableAppendsOrRefusesAsAWhole) {
    ErrorManager manager;
    manager.initialize();
    const std::vector<ErrorEntry> mine = {{29, "Mine", "M", ErrorLevel::Notice, ""}};
    auto packed = packMessageTable(mine);
    ASSERT_TRUE(packed);
    ASSERT_TRUE(manager.addTable(*packed));
    EXPECT_EQ(manager.findEntry(29)->message, "Mine");

    std::vector<uint8_t> broken = *packed;
    broken.pop_back();
    EXPECT_FALSE(manager.addTable(broken));
    EXPECT_EQ(manager.entryCount(), 55u);
}

}  // namespace
}  // namespace kirva::framework
