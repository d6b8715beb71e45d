#include "framework/errors/error_manager.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <unordered_map>
#include <utility>

#include "platform/text1250.h"
#include "platform/thread_slot.h"

namespace kirva::framework {

namespace {

using platform::LockGuard;
using platform::MessageIcon;

std::atomic<uint64_t> nextSerial{1};

// Each thread has its own error state per manager; a thread that has not used a manager yet gets the
// initial state. A thread slot, not a thread_local map: see platform/thread_slot.h.
ErrorStatus& threadStatus(uint64_t serial) {
    static platform::ThreadSlot<std::unordered_map<uint64_t, ErrorStatus>> statuses;
    return statuses.get()[serial];
}

// Until the window system names its own, boxes are printed on standard error and answer their default.
class StandardErrorBoxes final : public platform::MessageBoxes {
  public:
    unsigned show(const platform::MessageBoxRequest& request) override {
        std::cerr << platform::formatMessageBoxForTerminal(request) << std::flush;
        return request.defaultButton;
    }
};

void endProgram(int exitCode) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::exit(exitCode);
}

storage::StorageError currentStorageError() {
    return storage::lastStorageError();
}

std::string cut(std::string_view text, std::size_t size) {
    return std::string(text.substr(0, size));
}

std::string clipped(std::string_view text, std::size_t size) {
    return cut(clipRight(text), size);
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

std::size_t findIgnoringCase(std::string_view text, std::string_view pattern, std::size_t from) {
    if (pattern.empty() || text.size() < pattern.size()) return std::string_view::npos;
    for (std::size_t at = from; at + pattern.size() <= text.size(); ++at) {
        if (equalsIgnoringCase(text.substr(at, pattern.size()), pattern)) return at;
    }
    return std::string_view::npos;
}

// Replaces every occurrence of the placeholder, whatever its case, scanning on behind each inserted value
// so that a value holding the placeholder is not substituted again. The text never grows beyond the
// composed-text size.
void replacePlaceholder(std::string& text, std::string_view placeholder, std::string_view value) {
    if (equalsIgnoringCase(value, placeholder)) return;
    std::size_t at = 0;
    while ((at = findIgnoringCase(text, placeholder, at)) != std::string::npos) {
        text.replace(at, placeholder.size(), value);
        at += value.size();
        if (text.size() > kComposedTextSize) text.resize(kComposedTextSize);
    }
}

bool sameId(int32_t a, int32_t b) {
    return static_cast<uint16_t>(a) == static_cast<uint16_t>(b);
}

// The entry found for an id: the last one whose id matches, so that a later entry overrides an earlier one.
template <class Entries>
auto findIn(Entries* entries, int32_t id) -> decltype(&entries->back()) {
    if (entries == nullptr) return nullptr;
    for (auto it = entries->rbegin(); it != entries->rend(); ++it) {
        if (sameId(it->id, id)) return &*it;
    }
    return nullptr;
}

}  // namespace

ErrorManager::ErrorManager()
    : serial_(nextSerial++),
      defaultBoxes_(std::make_unique<StandardErrorBoxes>()),
      boxes_(defaultBoxes_.get()),
      exitHook_(endProgram),
      runtimeErrorSource_(currentStorageError) {}

ErrorManager::~ErrorManager() = default;

void ErrorManager::setMessageBoxes(platform::MessageBoxes& boxes) {
    boxes_ = &boxes;
}

void ErrorManager::setExitHook(ExitHook hook) {
    exitHook_ = hook ? std::move(hook) : ExitHook(endProgram);
}

void ErrorManager::setRuntimeErrorSource(RuntimeErrorSource source) {
    runtimeErrorSource_ = source ? std::move(source) : RuntimeErrorSource(currentStorageError);
}

void ErrorManager::setHistoryWindow(HistoryWindow window) {
    historyWindow_ = std::move(window);
}

// ---- set-up and tear-down

void ErrorManager::initialize() {
    initialized_ = true;
    if (stdErrorLog_) return;
    stdErrorLog_ = std::make_unique<ErrorLog>();
    defaultCategory_ = "QRM";
    {
        LockGuard guard(critSect_);
        errors_.reset();
        history_.reset();
        procNames_.reset();
    }
    historyThreshold_ = 0;
    historyViewLevel_ = 3;
    historyResetOnView_ = false;
    setup(stdErrorLog_.get());
}

void ErrorManager::setup(ErrorLog* log) {
    LockGuard guard(critSect_);
    errorLog_ = log;
    if (!errors_) {
        errors_ = std::make_unique<std::vector<ErrorEntry>>();
        // The built-in table is part of the program; a fault in it is caught by the tests.
        (void)addTable(builtInMessageTable());
    }
    if (!procNames_) procNames_ = std::make_unique<std::vector<ProcedureNameEntry>>();
    if (!history_) history_ = std::make_unique<std::vector<HistoryEntry>>();
}

void ErrorManager::shutdown() {
    LockGuard guard(critSect_);
    errors_.reset();
    history_.reset();
    procNames_.reset();
    if (errorLog_ == stdErrorLog_.get()) errorLog_ = nullptr;
    stdErrorLog_.reset();
}

// ---- the message table

Result<void> ErrorManager::addTable(std::span<const uint8_t> packedTable) {
    auto entries = unpackMessageTable(packedTable);
    if (!entries) return entries.error();
    LockGuard guard(critSect_);
    if (!errors_) errors_ = std::make_unique<std::vector<ErrorEntry>>();
    for (ErrorEntry& entry : *entries) errors_->push_back(std::move(entry));
    return {};
}

void ErrorManager::addEntry(int32_t id, std::string_view message, std::string_view title, ErrorLevel level,
                            std::string_view category) {
    LockGuard guard(critSect_);
    if (!errors_) errors_ = std::make_unique<std::vector<ErrorEntry>>();
    errors_->push_back({id, std::string(message), std::string(title), level, std::string(category)});
}

void ErrorManager::removeEntry(int32_t id) {
    LockGuard guard(critSect_);
    if (!errors_) return;
    for (auto it = errors_->rbegin(); it != errors_->rend(); ++it) {
        if (sameId(it->id, id)) {
            errors_->erase(std::next(it).base());
            return;
        }
    }
}

std::optional<ErrorEntry> ErrorManager::findEntry(int32_t id) const {
    LockGuard guard(critSect_);
    const ErrorEntry* found = findIn<const std::vector<ErrorEntry>>(errors_.get(), id);
    if (found == nullptr) return std::nullopt;
    return *found;
}

std::size_t ErrorManager::entryCount() const {
    LockGuard guard(critSect_);
    return errors_ ? errors_->size() : 0;
}

std::string ErrorManager::getCategory(int32_t id) const {
    LockGuard guard(critSect_);
    if (id != -1) {
        const ErrorEntry* found = findIn<const std::vector<ErrorEntry>>(errors_.get(), id);
        if (found != nullptr && !found->category.empty()) return found->category;
    }
    return defaultCategory_;
}

void ErrorManager::setCategory(int32_t id, std::string_view category) {
    LockGuard guard(critSect_);
    if (id == -1) {
        defaultCategory_ = category;
        return;
    }
    if (ErrorEntry* found = findIn(errors_.get(), id)) found->category = category;
}

// ---- the calling thread's error context

ErrorStatus& ErrorManager::status() {
    return threadStatus(serial_);
}

void ErrorManager::setFieldName(std::string_view text) {
    status().fieldName = clipped(text, kStatusTextSize);
}

void ErrorManager::setFileName(std::string_view text) {
    status().fileName = clipped(text, kStatusTextSize);
}

void ErrorManager::setKeyName(std::string_view text) {
    status().keyName = clipped(text, kStatusTextSize);
}

void ErrorManager::setMessageText(std::string_view text) {
    status().messageText = clipped(text, kStatusTextSize);
}

void ErrorManager::captureRuntimeError() {
    if (!initialized_) return;
    const storage::StorageError current = runtimeErrorSource_();
    ErrorStatus& state = status();
    state.saveErrorCode = current.code;
    state.saveError = cut(storage::errorCodeText(current.code), kSavedTextSize);
    // Access denied has two causes, a lock and missing rights; a lock says so, whose and how long it was
    // waited for.
    if (current.isLock()) state.saveError = cut(state.saveError + ": " + current.sqliteMessage, kSavedTextSize);
    state.saveFileErrorCode = cut(std::to_string(current.sqliteCode), kSavedTextSize);
    state.saveFileError = cut(current.sqliteMessage, kSavedTextSize);
}

void ErrorManager::registerProcedureName(std::string_view name, bool remove) {
    LockGuard guard(critSect_);
    if (!procNames_) procNames_ = std::make_unique<std::vector<ProcedureNameEntry>>();
    const std::thread::id self = std::this_thread::get_id();
    if (!remove) {
        procNames_->push_back({self, std::string(clipRight(name))});
        return;
    }
    for (auto it = procNames_->rbegin(); it != procNames_->rend(); ++it) {
        if (it->thread == self) {
            procNames_->erase(std::next(it).base());
            return;
        }
    }
}

std::string ErrorManager::getProcedureName() const {
    LockGuard guard(critSect_);
    if (!procNames_) return {};
    const std::thread::id self = std::this_thread::get_id();
    for (auto it = procNames_->rbegin(); it != procNames_->rend(); ++it) {
        if (it->thread == self) return it->name;
    }
    return {};
}

// ---- reporting

ErrorLevel ErrorManager::raise(int32_t id) {
    captureRuntimeError();
    return handleError(id);
}

ErrorLevel ErrorManager::raiseWithText(int32_t id, std::string_view text) {
    setMessageText(text);
    return raise(id);
}

ErrorLevel ErrorManager::handleError(int32_t id) {
    selectEntry(id);
    switch (status().errorBuffer.fatality) {
        case ErrorLevel::Quiet:
            return onQuiet();
        case ErrorLevel::Question:
        case ErrorLevel::Cancelled:
            return onQuestion();
        case ErrorLevel::ProgramError:
            return onProgramError();
        case ErrorLevel::Fatal:
            return onFatal();
        case ErrorLevel::Notice:
            return onNotice();
    }
    return onOtherLevel();
}

unsigned ErrorManager::askUser(int32_t id, unsigned buttons, unsigned defaultButton) {
    if (silent_) return defaultButton;
    selectEntry(id);
    const std::string text = composeText();
    return showMessageBox(text, status().errorBuffer.title, MessageIcon::Exclamation, buttons, defaultButton,
                          messageStyle_);
}

namespace {

// The messages of a file that could not be opened (29) or created (12).
bool isOpenFailure(int32_t id) {
    const auto number = static_cast<uint16_t>(id);
    return number == 29 || number == 12;
}

}  // namespace

void ErrorManager::selectEntry(int32_t id) {
    ErrorStatus& state = status();
    state.prevErrorId = state.errorBuffer.id;
    std::optional<ErrorEntry> found = findEntry(id);
    state.errorBuffer = found ? std::move(*found) : ErrorEntry{};
}

std::string ErrorManager::composeText() const {
    ErrorStatus& state = threadStatus(serial_);
    const ErrorEntry& current = state.errorBuffer;
    std::string text = cut(current.message, kComposedTextSize);

    std::string errorText;
    if (state.saveErrorCode == 90 || state.saveErrorCode == 100 || state.saveErrorCode == 47) {
        errorText = state.saveFileError + " (" + state.saveFileErrorCode + ")";
    } else {
        errorText = state.saveError;
        // A file that cannot be opened or created says why in the driver's words: "Access Denied" alone
        // does not tell missing rights from an interrupted write waiting to be rolled back.
        if (isOpenFailure(current.id) && !state.saveFileError.empty() &&
            state.saveError.find(state.saveFileError) == std::string::npos) {
            errorText += ": " + state.saveFileError;
        }
        errorText += " (" + std::to_string(state.saveErrorCode) + ")";
    }

    // Longer placeholders that begin like shorter ones go first.
    replacePlaceholder(text, "%FileErrorCode", state.saveFileErrorCode);
    replacePlaceholder(text, "%FileError", state.saveFileError);
    replacePlaceholder(text, "%File", state.fileName);
    replacePlaceholder(text, "%Key", state.keyName);
    replacePlaceholder(text, "%ErrorCode", std::to_string(state.saveErrorCode));
    replacePlaceholder(text, "%ErrorText", errorText);
    replacePlaceholder(text, "%Error", state.saveError);
    replacePlaceholder(text, "%Message", state.messageText);
    replacePlaceholder(text, "%Field", state.fieldName);
    replacePlaceholder(text, "%Procedure", getProcedureName());
    replacePlaceholder(text, "%Category", current.category);
    if (findIgnoringCase(text, "%Previous", 0) != std::string::npos) {
        const std::optional<ErrorEntry> previous = findEntry(state.prevErrorId);
        replacePlaceholder(text, "%Previous", previous ? std::string_view(previous->message) : std::string_view());
    }
    return text;
}

unsigned ErrorManager::report(std::string_view text, std::string_view caption, MessageIcon icon, unsigned buttons,
                              unsigned defaultButton, int style) {
    if (logErrors_) {
        LockGuard guard(critSect_);
        if (errorLog_ != nullptr) {
            // The log is a convenience: its failures must not stop the message.
            (void)errorLog_->open(false);
            (void)errorLog_->write(errorLog_->lineFor(text));
            (void)errorLog_->close(false);
        }
    }
    if (historyThreshold_ != 0) {
        LockGuard guard(critSect_);
        appendToHistoryLocked(text);
    }
    if (silent_) return defaultButton;
    if (historyThreshold_ != 0) {
        if (static_cast<int32_t>(status().errorBuffer.fatality) != historyViewLevel_) return defaultButton;
        const unsigned answer = showHistory(caption, icon, buttons, defaultButton);
        if (historyResetOnView_) clearHistory();
        return answer;
    }
    return showMessageBox(text, caption, icon, buttons, defaultButton, style);
}

unsigned ErrorManager::showMessageBox(std::string_view text, std::string_view caption, MessageIcon icon,
                                      unsigned buttons, unsigned defaultButton, int style) {
    // The manager's texts (its table's, the history's) are Windows-1250 already.
    platform::MessageBoxRequest request;
    request.text = Text1250::fromBytes(text);
    request.caption = Text1250::fromBytes(caption);
    request.icon = icon;
    request.buttons = buttons;
    request.defaultButton = defaultButton;
    request.style = style;
    return boxes_->show(request);
}

// ---- the level handlers

ErrorLevel ErrorManager::onQuiet() {
    return ErrorLevel::Quiet;
}

ErrorLevel ErrorManager::onQuestion() {
    const std::string text = composeText();
    const unsigned answer = report(text, status().errorBuffer.title, MessageIcon::Exclamation,
                                   platform::ButtonYes | platform::ButtonNo, platform::ButtonYes, messageStyle_);
    return answer == platform::ButtonYes ? ErrorLevel::Quiet : ErrorLevel::Cancelled;
}

ErrorLevel ErrorManager::onProgramError() {
    return onFatal();
}

ErrorLevel ErrorManager::onFatal() {
    const std::string text = composeText() + "  Press OK to end this application";
    (void)report(text, status().errorBuffer.title, MessageIcon::Information, platform::ButtonOk, platform::ButtonOk,
                 messageStyle_);
    exitHook_(kFatalExitCode);
    return ErrorLevel::Fatal;
}

ErrorLevel ErrorManager::onNotice() {
    const std::string text = composeText();
    (void)report(text, status().errorBuffer.title, MessageIcon::Information, platform::ButtonOk, platform::ButtonOk,
                 messageStyle_);
    return ErrorLevel::Notice;
}

ErrorLevel ErrorManager::onOtherLevel() {
    return onProgramError();
}

// ---- history

void ErrorManager::appendToHistoryLocked(std::string_view text) {
    if (!history_) history_ = std::make_unique<std::vector<HistoryEntry>>();
    if (historyThreshold_ > 0) {
        const auto limit = static_cast<std::size_t>(historyThreshold_);
        if (history_->size() >= limit) history_->erase(history_->begin(), history_->end() - (limit - 1));
    }
    const int32_t id = status().errorBuffer.id;
    appendHistory({getCategory(id), cut(text, kStatusTextSize), static_cast<int16_t>(id)});
}

void ErrorManager::appendHistory(HistoryEntry entry) {
    LockGuard guard(critSect_);
    if (!history_) history_ = std::make_unique<std::vector<HistoryEntry>>();
    history_->push_back(std::move(entry));
}

void ErrorManager::clearHistory() {
    LockGuard guard(critSect_);
    if (history_) history_->clear();
}

std::vector<HistoryEntry> ErrorManager::history() const {
    LockGuard guard(critSect_);
    return history_ ? *history_ : std::vector<HistoryEntry>{};
}

unsigned ErrorManager::showHistory(std::string_view caption, MessageIcon icon, unsigned buttons,
                                   unsigned defaultButton) {
    HistoryWindowRequest request;
    request.caption = caption;
    request.icon = icon == MessageIcon::None ? MessageIcon::Information : icon;
    request.buttons = historyButtons(buttons, defaultButton);
    request.entries = history();  // a private copy: other threads may report meanwhile
    if (historyWindow_) return historyWindow_(request);

    // Without a window: the history as one box, one message per line.
    std::string text;
    for (const HistoryEntry& entry : request.entries) {
        if (!text.empty()) text += '|';
        text += entry.txt;
    }
    return showMessageBox(text, request.caption, request.icon, buttons, defaultButton, messageStyle_);
}

unsigned ErrorManager::showErrorHistory() {
    return showHistory("Errors History", MessageIcon::None, platform::ButtonOk | platform::ButtonHelp,
                       platform::ButtonOk);
}

// ---- the program's instance

ErrorManager& errorManager() {
    static ErrorManager instance;
    return instance;
}

}  // namespace kirva::framework
