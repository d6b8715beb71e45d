// framework/errors/: the error manager, through which the framework reports file, record and form errors
// and asks its standard questions: the message table, how a message is looked up, filled in from the
// calling thread's error state and shown, and the optional error log and history. Depends on platform/
// (message boxes, the re-entrant lock) and storage/storage_error.h (the storage layer's current error) only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "framework/errors/error_level.h"
#include "framework/errors/error_log.h"
#include "framework/errors/message_table.h"
#include "platform/lock_guard.h"
#include "platform/window/message_box.h"
#include "storage/storage_error.h"

namespace kirva::framework {

// Sizes of the texts kept in the error state; longer values are cut.
constexpr std::size_t kStatusTextSize = 1023;    // field, file, key and message texts
constexpr std::size_t kSavedTextSize = 254;      // the saved storage error texts and the driver's code
constexpr std::size_t kComposedTextSize = 1999;  // a composed message

// The exit code with which a fatal message ends the program: the command line's "a data file could not be
// opened or read".
constexpr int kFatalExitCode = 4;

// The error state of one thread: the context a message is filled in from, and the current error.
struct ErrorStatus {
    std::string fieldName;    // %Field
    std::string fileName;     // %File
    std::string keyName;      // %Key
    std::string messageText;  // %Message
    std::string saveError;    // the storage layer's error text
    int32_t saveErrorCode = 0;
    std::string saveFileError;                                   // the driver's own message
    std::string saveFileErrorCode = "0";                         // the driver's own code, as text
    ErrorEntry errorBuffer{0, " ", " ", ErrorLevel::Quiet, ""};  // the current error
    int32_t prevErrorId = 0;                                     // the id of the error selected before the current one
};

struct ProcedureNameEntry {
    std::thread::id thread;
    std::string name;
};

class ErrorManager {
  public:
    // Ends the program after a fatal message. The default flushes the standard streams and exits with
    // kFatalExitCode. A hook that returns (tests) makes the fatal handler return ErrorLevel::Fatal.
    using ExitHook = std::function<void(int exitCode)>;
    // The storage layer's current error, as captureRuntimeError() reads it; default: lastStorageError().
    using RuntimeErrorSource = std::function<storage::StorageError()>;
    // Shows the history window and returns the button pressed. Without one, the history is shown as one
    // message box holding its texts (one per line).
    using HistoryWindow = std::function<unsigned(const HistoryWindowRequest&)>;

    // Empty: no messages until initialize(). Message boxes go to standard error and answer their default
    // until setMessageBoxes() names the window system's.
    ErrorManager();
    virtual ~ErrorManager();
    ErrorManager(const ErrorManager&) = delete;
    ErrorManager& operator=(const ErrorManager&) = delete;

    // The boxes must outlive the manager (or be replaced before they go).
    void setMessageBoxes(platform::MessageBoxes& boxes);
    void setExitHook(ExitHook hook);
    void setRuntimeErrorSource(RuntimeErrorSource source);
    void setHistoryWindow(HistoryWindow window);

    // Set-up and tear-down.
    // Creates the standard log (once), the default category "QRM", history off (threshold 0, view level 3,
    // no reset on view), then setup() with the standard log.
    void initialize();
    // Uses the given log from now on (not owned; null: none); creates the message list with the built-in
    // table and the procedure-name and history lists when they do not exist yet.
    virtual void setup(ErrorLog* log);
    // Drops the messages, the history, the procedure names and the standard log.
    virtual void shutdown();

    // The message table. A later entry with the same id overrides an earlier one.
    virtual Result<void> addTable(std::span<const uint8_t> packedTable);
    virtual void addEntry(int32_t id, std::string_view message, std::string_view title, ErrorLevel level,
                          std::string_view category = {});
    // Removes the entry found for the id (the latest with that id), if any.
    virtual void removeEntry(int32_t id);
    // The entry found for an id: the last one in the table whose id matches as unsigned 16-bit values.
    std::optional<ErrorEntry> findEntry(int32_t id) const;
    std::size_t entryCount() const;
    // For id -1 the default category; else the entry's own category, or the default when it has none.
    std::string getCategory(int32_t id) const;
    // For id -1 sets the default category; else the category of the entry found, if any.
    void setCategory(int32_t id, std::string_view category);

    // The calling thread's error context. Values are kept without trailing blanks and cut to their size.
    ErrorStatus& status();
    void setFieldName(std::string_view text);
    void setFileName(std::string_view text);
    void setKeyName(std::string_view text);
    void setMessageText(std::string_view text);
    // Saves the storage layer's current error in the status: its code, the code's text, and the driver's own
    // code (as text) and message. Nothing before initialize().
    void captureRuntimeError();
    // Registers the calling thread's current procedure, or with remove its innermost registration.
    void registerProcedureName(std::string_view name, bool remove = false);
    // The calling thread's innermost procedure name; empty when none.
    std::string getProcedureName() const;

    // Reporting.
    // Captures the storage error, then handleError(id).
    ErrorLevel raise(int32_t id);
    // setMessageText(text), then raise(id).
    ErrorLevel raiseWithText(int32_t id, std::string_view text);
    // Selects the message and acts by its level: 0 go on, 4 the user answered No, 5 shown; a fatal level
    // ends the program. An unknown id shows nothing and gives 0.
    ErrorLevel handleError(int32_t id);
    // Asks the message as a question with the caller's buttons; returns the button pressed (the default
    // at once when silent). Neither logged nor kept in the history.
    unsigned askUser(int32_t id, unsigned buttons, unsigned defaultButton);
    // Logs, keeps in the history and shows one message (or the history window); returns the button.
    virtual unsigned report(std::string_view text, std::string_view caption, platform::MessageIcon icon,
                            unsigned buttons, unsigned defaultButton, int style);
    virtual unsigned showMessageBox(std::string_view text, std::string_view caption, platform::MessageIcon icon,
                                    unsigned buttons, unsigned defaultButton, int style);
    // Makes the message of the id the current error (the cleared entry when unknown).
    void selectEntry(int32_t id);
    // The current error's text with its placeholders filled in.
    std::string composeText() const;

    // The level handlers.
    virtual ErrorLevel onQuiet();
    virtual ErrorLevel onQuestion();
    virtual ErrorLevel onProgramError();
    virtual ErrorLevel onFatal();
    virtual ErrorLevel onNotice();
    virtual ErrorLevel onOtherLevel();

    // History.
    virtual void appendHistory(HistoryEntry entry);
    void clearHistory();
    std::vector<HistoryEntry> history() const;
    virtual unsigned showHistory(std::string_view caption, platform::MessageIcon icon, unsigned buttons,
                                 unsigned defaultButton);
    // The history with the caption "Errors History", Ok and Help, Ok the default.
    virtual unsigned showErrorHistory();

    // Switches, all off after initialize(): the program shows every message, logs nothing and keeps no
    // history.
    bool silent() const { return silent_; }
    void setSilent(bool on) { silent_ = on; }
    bool logErrors() const { return logErrors_; }
    void setLogErrors(bool on) { logErrors_ = on; }
    // 0: no history; above 0: at most that many entries; below 0: unbounded.
    int32_t historyThreshold() const { return historyThreshold_; }
    void setHistoryThreshold(int32_t threshold) { historyThreshold_ = threshold; }
    // With history on, only messages of this level are shown (as the history window).
    int32_t historyViewLevel() const { return historyViewLevel_; }
    void setHistoryViewLevel(int32_t level) { historyViewLevel_ = level; }
    bool historyResetOnView() const { return historyResetOnView_; }
    void setHistoryResetOnView(bool on) { historyResetOnView_ = on; }
    int messageStyle() const { return messageStyle_; }
    void setMessageStyle(int style) { messageStyle_ = style; }
    ErrorLog* errorLog() const { return errorLog_; }

  private:
    void appendToHistoryLocked(std::string_view text);

    const uint64_t serial_;  // tells this manager's per-thread status apart from other managers'
    bool initialized_ = false;
    std::string defaultCategory_;
    std::unique_ptr<std::vector<ErrorEntry>> errors_;
    ErrorLog* errorLog_ = nullptr;
    std::unique_ptr<std::vector<HistoryEntry>> history_;
    std::unique_ptr<std::vector<ProcedureNameEntry>> procNames_;
    std::unique_ptr<ErrorLog> stdErrorLog_;
    bool silent_ = false;
    bool logErrors_ = false;
    int32_t historyThreshold_ = 0;
    int32_t historyViewLevel_ = 3;
    bool historyResetOnView_ = false;
    mutable platform::ReentrantLock critSect_;
    int messageStyle_ = 0;

    std::unique_ptr<platform::MessageBoxes> defaultBoxes_;
    platform::MessageBoxes* boxes_;
    ExitHook exitHook_;
    RuntimeErrorSource runtimeErrorSource_;
    HistoryWindow historyWindow_;
};

// The program's one error manager.
ErrorManager& errorManager();

}  // namespace kirva::framework
