// The file manager of one data file: counts opens, opens physically at first real use (lazy open), retries
// a refused open in a fixed way (lock recovery, creating a missing file, rebuilding damaged keys, falling
// back to read-only) and turns every storage failure into a numbered message of the error manager. It also
// offers the record operations (next, previous, fetch, insert, update, delete, auto-numbering, saving and
// restoring the buffer and the file's state, validation) with the same conventions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "framework/errors/error_manager.h"
#include "framework/files/data_file.h"
#include "framework/files/file_opener.h"

namespace kirva::framework {

using framework::ErrorLevel;

// The result byte of open and record operations. A raising operation that reports through the error
// manager returns the manager's level instead (0, 4 or 5).
inline constexpr uint8_t ResultDone = 0;
inline constexpr uint8_t ResultInvalid = 1;    // record validation failed
inline constexpr uint8_t ResultNotUsable = 3;  // the file could not be made usable
inline constexpr uint8_t ResultDeclined = 4;   // the user declined
inline constexpr uint8_t ResultFailed = 5;     // recorded in lastError() and the error manager's status

// How strongly a procedure uses a file. 1 to 3 are recorded for the procedure scope rule (a larger value is
// a stronger use; below 3 the outer procedure gets its record buffer back when an inner one lets go).
enum class UseType : uint8_t {
    Look = 1,
    Keep = 2,  // what every record operation asks first
    Change = 3,
    Unrecorded = 4,
    Initialize = 5,  // set-up only: no other effect on a file that is open or in use
};

// Message ids of the error manager that the file manager raises.
enum FileMessage : int32_t {
    MsgRetrievalError = 1,
    MsgAccessDenied = 2,
    MsgInsertError = 4,
    MsgChangedByOther = 7,
    MsgConfirmDelete = 11,
    MsgCreateError = 12,
    MsgDeleteError = 13,
    MsgDuplicateKey = 15,
    MsgInvalidFile = 26,
    MsgOpenError = 29,
    MsgUpdateError = 31,
    MsgKeyNotBuilt = 32,
    MsgInvalidKey = 33,
    MsgRecordHeld = 34,
    MsgAutoNumberError = 38,
    MsgUsageError = 45,
};

struct KeyComponent {
    std::size_t field;      // index in the layout's fields
    std::string fieldName;  // "FARACUN:BE"; "UPPER(...)" for a text component of a key that ignores case
    bool ascend = true;
};

struct KeyEntry {
    std::size_t key;          // index in the layout's keys
    std::string description;  // at most 80 characters
    std::vector<KeyComponent> fields;
    int autoInc = 0;  // the auto-numbered component (1-based), 0 none
    bool dups = false;
    bool nocase = false;
};

class FileManager : public FileCallback {
  public:
    FileManager() = default;
    ~FileManager() override;
    FileManager(const FileManager&) = delete;
    FileManager& operator=(const FileManager&) = delete;

    // Set-up and take-down.
    // The common part of the per-file configuration: not initialised, not open, lazy, entered in the
    // thread's file mapping. The per-file configuration binds the file, the error manager, the label and
    // the alias first (bindFile), then runs this.
    virtual void configure();
    void bindFile(DataFile& file, framework::ErrorManager& errors, std::string_view label,
                  FileManager* aliasedFile = nullptr);
    // Full set-up at first use: the file, its opener and the defaults (open mode 0x42 unless overridden,
    // CREATE 1, LOCKRECOVER 10, no primary key, the storage layer's name as the label).
    virtual void attach(DataFile& file, framework::ErrorManager& errors);
    // key: index in the layout's keys. autoNumberComponent: 1-based, 0 none.
    void registerKey(std::size_t key, std::string_view description, int autoNumberComponent);
    virtual void shutdown();
    virtual void dispose();

    // Use, open and close.
    virtual uint8_t use(UseType useType = UseType::Keep);
    virtual uint8_t open();
    virtual uint8_t openSilently();
    virtual uint8_t close();
    bool isOpen() const { return initialized_ && opened_ > 0; }
    std::string displayName() const;

    // Errors.
    void noteError(int32_t id);
    virtual ErrorLevel raiseLastError();
    virtual ErrorLevel raiseError(int32_t id);
    virtual ErrorLevel raiseErrorWithText(int32_t id, std::string_view text);

    // Record operations, on the file's record buffer.
    virtual uint8_t next();
    virtual uint8_t previous();
    virtual uint8_t nextSilently();
    virtual uint8_t previousSilently();
    virtual uint8_t fetch(std::size_t key);
    virtual uint8_t fetchSilently(std::size_t key);
    virtual uint8_t insert();
    virtual uint8_t insertSilently();
    virtual uint8_t update();
    virtual uint8_t updateSilently();
    virtual uint8_t deleteCurrent(bool ask);
    virtual uint8_t clearForNewRecord(bool keepBuffer = false);
    virtual uint8_t primeAutoNumber();
    virtual uint8_t primeAutoNumberSilently();
    virtual uint8_t cancelAutoNumber();
    virtual void setInitialValues() {}

    // Buffers and states. Ids start at 1; 0 means none.
    virtual int saveBuffer();
    // restore: copy back into the record buffer; either way the copies are freed.
    virtual void restoreBuffer(int id, bool restore);
    virtual bool equalsSavedBuffer(int id) const;
    int saveState();
    void restoreState(int id, bool restore);

    // Validation by the dictionary's field numbers; 0 = valid.
    virtual uint8_t validateRecord();
    virtual uint8_t validateFields(int first, int last);
    virtual uint8_t testField(int field);
    virtual uint8_t testFieldSilently(int field);
    // The base accepts every value.
    virtual uint8_t checkField(int field, bool raise);

    // Makes the record's fields (and, in the dictionary's overrides, a memo) available to expressions.
    virtual void exposeFields();
    const std::vector<std::string>& exposedNames() const { return exposed_; }

    // Call-backs: every operation the manager performs on its file passes through these; each operation's
    // hook lets it proceed.
    void fileCalled(FileOperation operation) override;
    void fileDone(FileOperation operation, int errorCode) override;
    void fileDestroyed() override;
    virtual bool operationHook(FileOperation) { return true; }

    // Settings (the dictionary and tests set them after attach).
    uint8_t create = 1;
    int16_t lockRecover = 10;
    bool lazyOpen = true;
    uint8_t openMode = storage::kOpenReadWriteDenyNone;
    bool openModeOverridden = false;
    bool skipHeldRecords = false;
    bool savePreviousBuffer = false;
    bool useMrp = false;
    uint8_t mrpSize = 0;
    // Set by a relation manager while it forces the physical open through a relation tree.
    bool forcePhysicalOpen = false;

    // State.
    DataFile* file() const { return file_; }
    framework::ErrorManager* errorManager() const { return errors_; }
    FileManager* aliasedFile() const { return aliasedFile_; }
    int32_t opened() const { return opened_; }
    bool used() const { return used_; }
    bool initialized() const { return initialized_; }
    bool killed() const { return killed_; }
    bool cleanedUp() const { return cleanedUp_; }
    bool atEof() const { return atEof_; }
    bool autoIncDone() const { return autoIncDone_; }
    bool hasAutoInc() const { return hasAutoInc_; }
    int32_t lastError() const { return lastError_; }
    std::size_t primaryKey() const { return primaryKey_; }  // 1-based position in keys(), 0 none
    const std::vector<KeyEntry>& keys() const { return keys_; }
    const std::string& fileNameValue() const { return fileNameValue_; }
    bool blobChanged() const { return blobChanged_; }
    const std::vector<uint8_t>& previousBuffer() const { return previousBuffer_; }
    std::size_t savedStates() const { return saved_.size(); }
    std::size_t savedBuffers() const { return buffers_.size(); }

  protected:
    void expose(std::string name) { exposed_.push_back(std::move(name)); }
    // The physical open; raise: report failures through the error manager.
    uint8_t openPhysically(bool raise);
    uint8_t openCounting(bool raise);
    uint8_t readSequential(bool forward, bool raise);
    uint8_t insertRecord(bool raise);
    uint8_t updateRecord(bool raise);
    uint8_t primeAutoNumberRecord(bool raise);
    // The auto-number of one key for the record in the buffer; 0 or a failure.
    uint8_t numberKey(const KeyEntry& key);
    // The first unique key whose values another record already holds (the one behind a duplicate).
    const KeyEntry* duplicateKey();
    void setKeyNameFrom(const KeyEntry& key);
    uint8_t validate(int first, int last, bool raise);
    void cleanUp();

    template <class Operation>
    int perform(FileOperation operation, Operation&& run);

    // The procedure scope rule.
    void scopeUse(UseType useType);
    void scopeOpen();
    void scopeClose();

  private:
    struct BufferCopy {
        int id;
        std::vector<uint8_t> bytes;
    };
    struct SavedState {
        int buffer;
        int id;
        bool autoIncDone;
        int64_t position;
        std::optional<std::size_t> order;  // the key the file was being read by, if any
    };

    DataFile* file_ = nullptr;
    framework::ErrorManager* errors_ = nullptr;
    FileManager* aliasedFile_ = nullptr;
    std::string fileNameValue_;
    std::unique_ptr<FileOpener> privateOpener_;
    FileOpener* opener_ = nullptr;
    bool sharedOpener_ = false;

    std::vector<BufferCopy> buffers_;
    std::vector<SavedState> saved_;
    std::vector<KeyEntry> keys_;
    std::vector<std::string> exposed_;
    std::vector<uint8_t> previousBuffer_;

    bool hasAutoInc_ = false;
    int inUseFile_ = 0;
    int inCallback_ = 0;
    int inClose_ = 0;
    int inRestore_ = 0;
    bool used_ = false;
    int32_t opened_ = 0;
    bool atEof_ = false;
    bool autoIncDone_ = false;
    int32_t lastError_ = 0;
    std::size_t primaryKey_ = 0;
    bool cleanedUp_ = false;
    bool blobChanged_ = false;
    bool initialized_ = false;
    bool killed_ = false;
};

// The calling thread's registries.
struct FileUseEntry {
    std::thread::id thread;
    std::string procedure;
    const DataFile* file;
    UseType useType;  // the strongest use so far
    int hold;         // the saved state to give back, 0 none
    int scopeLevel;
    int nestedOpen;
};

class RelationManager;

// Which manager serves a file on the calling thread; nullptr when none.
FileManager* fileManagerOf(const DataFile& file);
RelationManager* relationManagerOf(const DataFile& file);
void mapRelationManager(const DataFile& file, RelationManager* manager);
void unmapRelationManager(const DataFile& file);
// The procedure scope entries of the calling thread, oldest first.
const std::vector<FileUseEntry>& fileUseEntries();
// How many managers the calling thread's mappings hold.
std::size_t mappedFileManagers();
std::size_t mappedRelationManagers();

}  // namespace kirva::framework
