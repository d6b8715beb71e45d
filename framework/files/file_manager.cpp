#include "framework/files/file_manager.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/text1250.h"
#include "platform/thread_slot.h"

namespace kirva::framework {

namespace {

struct FileMapping {
    const DataFile* file;
    FileManager* manager;
};

struct RelationMapping {
    const DataFile* file;
    RelationManager* manager;
};

// The registries of the calling thread: created with it, gone with it. A thread slot, not thread_local
// vectors: see platform/thread_slot.h.
struct ThreadTables {
    std::vector<FileMapping> fileMapping;
    std::vector<RelationMapping> relationMapping;
    std::vector<FileUseEntry> statusQueue;
};

ThreadTables& threadTables() {
    static platform::ThreadSlot<ThreadTables> tables;
    return tables.get();
}
std::vector<FileMapping>& fileMapping() {
    return threadTables().fileMapping;
}
std::vector<RelationMapping>& relationMapping() {
    return threadTables().relationMapping;
}
std::vector<FileUseEntry>& statusQueue() {
    return threadTables().statusQueue;
}

template <class Mapping, class Manager>
void mapEntry(std::vector<Mapping>& mapping, const DataFile* file, Manager* manager) {
    for (auto& entry : mapping) {
        if (entry.file == file) {
            entry.manager = manager;
            return;
        }
    }
    mapping.push_back({file, manager});
}

template <class Mapping>
void unmapEntry(std::vector<Mapping>& mapping, const DataFile* file) {
    std::erase_if(mapping, [file](const Mapping& entry) { return entry.file == file; });
}

// The scope entry of a file on this thread: the one with the highest scope level.
FileUseEntry* scopeEntry(const DataFile* file) {
    FileUseEntry* found = nullptr;
    for (auto& entry : statusQueue()) {
        if (entry.file == file && entry.thread == std::this_thread::get_id() &&
            (found == nullptr || entry.scopeLevel > found->scopeLevel)) {
            found = &entry;
        }
    }
    return found;
}

std::string cut(std::string_view text, std::size_t length) {
    return std::string(text.substr(0, std::min(text.size(), length)));
}

// The value of one key component as the text that identifies a group of records.
std::string componentText(const data::Record& record, std::size_t field) {
    const data::FieldDef& f = record.layout().fields[field];
    if (f.type == data::FieldType::Decimal) {
        const auto value = record.decimal(field);
        return value ? value->toString() : std::string("?");
    }
    if (f.isNumber()) return std::to_string(record.integer(field));
    return clipRight(record.text(field)).bytes();
}

int64_t largestValue(data::FieldType type) {
    switch (type) {
        case data::FieldType::Byte:
            return 255;
        case data::FieldType::Short:
            return 32767;
        case data::FieldType::UShort:
            return 65535;
        case data::FieldType::ULong:
            return std::numeric_limits<uint32_t>::max();
        default:
            return std::numeric_limits<int32_t>::max();
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// Registries

FileManager* fileManagerOf(const DataFile& file) {
    for (const auto& entry : fileMapping()) {
        if (entry.file == &file) return entry.manager;
    }
    return nullptr;
}

RelationManager* relationManagerOf(const DataFile& file) {
    for (const auto& entry : relationMapping()) {
        if (entry.file == &file) return entry.manager;
    }
    return nullptr;
}

void mapRelationManager(const DataFile& file, RelationManager* manager) {
    mapEntry(relationMapping(), &file, manager);
}
void unmapRelationManager(const DataFile& file) {
    unmapEntry(relationMapping(), &file);
}
const std::vector<FileUseEntry>& fileUseEntries() {
    return statusQueue();
}
std::size_t mappedFileManagers() {
    return fileMapping().size();
}
std::size_t mappedRelationManagers() {
    return relationMapping().size();
}

// ---------------------------------------------------------------------------------------------------------
// Set-up and take-down

FileManager::~FileManager() {
    // After shutdown the file may already be gone; only a manager still live lets go of it here.
    if (killed_) return;
    cleanUp();
    if (file_ != nullptr && file_->callback() == this) file_->setCallback(nullptr);
}

void FileManager::bindFile(DataFile& file, framework::ErrorManager& errors, std::string_view label,
                           FileManager* aliasedFile) {
    initialized_ = false;
    file_ = &file;
    errors_ = &errors;
    aliasedFile_ = aliasedFile;
    fileNameValue_ = cut(label, 255);
    // Hears of the file's end even before the first use attaches it.
    if (file.callback() == nullptr) file.setCallback(this);
}

void FileManager::configure() {
    opened_ = 0;
    lazyOpen = true;
    killed_ = false;
    cleanedUp_ = false;
    useMrp = false;
    mrpSize = 10;
    if (file_ != nullptr) mapEntry(fileMapping(), file_, this);
}

void FileManager::attach(DataFile& file, framework::ErrorManager& errors) {
    errors_ = &errors;
    file_ = &file;
    if (file.threadSpecific()) {
        privateOpener_ = std::make_unique<PrivateOpener>(file);
        opener_ = privateOpener_.get();
        sharedOpener_ = false;
    } else {
        opener_ = &SharedOpener::acquire(file);
        sharedOpener_ = true;
    }
    keys_.clear();
    buffers_.clear();
    saved_.clear();
    skipHeldRecords = false;
    if (!openModeOverridden) openMode = storage::kOpenReadWriteDenyNone;
    create = 1;
    lockRecover = 10;
    primaryKey_ = 0;
    fileNameValue_ = cut(file.name(), 255);
    cleanedUp_ = false;
    initialized_ = true;
    killed_ = false;
    useMrp = false;
    mrpSize = 20;
    file.setCallback(this);
}

void FileManager::registerKey(std::size_t key, std::string_view description, int autoNumberComponent) {
    const data::Layout& layout = file_->layout();
    const data::KeyDef& def = layout.keys[key];
    KeyEntry entry;
    entry.key = key;
    entry.description = cut(description, 80);
    entry.autoInc = autoNumberComponent;
    if (autoNumberComponent != 0) hasAutoInc_ = true;
    entry.dups = !def.unique;
    entry.nocase = false;  // the storage layer's keys compare texts as they stand
    if (def.primary) primaryKey_ = keys_.size() + 1;
    for (const auto field : layout.keyColumns(key)) {
        KeyComponent component;
        component.field = field;
        component.fieldName = layout.fullFieldName(field);
        if (entry.nocase && !layout.fields[field].isNumber())
            component.fieldName = "UPPER(" + component.fieldName + ")";
        entry.fields.push_back(std::move(component));
    }
    keys_.push_back(std::move(entry));
}

void FileManager::shutdown() {
    if (initialized_ && !killed_) {
        cleanUp();
        if (file_ != nullptr && file_->callback() == this) file_->setCallback(nullptr);
        killed_ = true;
        initialized_ = false;
    }
}

void FileManager::dispose() {
    if (!killed_) shutdown();
    if (file_ != nullptr) file_->setNameText(nullptr);
}

void FileManager::cleanUp() {
    if (cleanedUp_) return;
    cleanedUp_ = true;
    while (opened_ > 0) close();
    if (file_ != nullptr) {
        unmapEntry(fileMapping(), file_);
        std::erase_if(statusQueue(), [this](const FileUseEntry& entry) { return entry.file == file_; });
    }
    keys_.clear();
    buffers_.clear();
    saved_.clear();
    exposed_.clear();
    if (sharedOpener_ && file_ != nullptr) SharedOpener::release(*file_);
    opener_ = nullptr;
    privateOpener_.reset();
    sharedOpener_ = false;
    openModeOverridden = false;
}

// ---------------------------------------------------------------------------------------------------------
// Call-backs

template <class Operation>
int FileManager::perform(FileOperation operation, Operation&& run) {
    fileCalled(operation);
    const int code = run();
    fileDone(operation, code);
    return code;
}

void FileManager::fileCalled(FileOperation operation) {
    ++inCallback_;
    (void)operationHook(operation);
    --inCallback_;
}

void FileManager::fileDone(FileOperation operation, int errorCode) {
    ++inCallback_;
    if (errorCode == storage::NoError && file_ != nullptr) {
        const bool read = operation == FileOperation::Next || operation == FileOperation::Previous ||
                          operation == FileOperation::Get || operation == FileOperation::Reget;
        if (read && savePreviousBuffer) {
            const auto image = file_->record().image();
            previousBuffer_.assign(image.begin(), image.end());
        }
        if (operation == FileOperation::Put || operation == FileOperation::Add) blobChanged_ = true;
        if (read) blobChanged_ = false;
    }
    (void)operationHook(operation);
    --inCallback_;
}

void FileManager::fileDestroyed() {
    cleanUp();
    file_ = nullptr;
    initialized_ = false;
    killed_ = true;
}

// ---------------------------------------------------------------------------------------------------------
// Use, open, close

std::string FileManager::displayName() const {
    if (file_ != nullptr && file_->nameText() != nullptr) {
        std::string name = *file_->nameText();
        if (const auto zero = name.find('\0'); zero != std::string::npos) name.resize(zero);
        return std::string(clipRight(name));
    }
    const std::string_view label = clipRight(fileNameValue_);
    if (!label.empty()) return std::string(label);
    if (file_ != nullptr) return file_->name();
    return "Unknown File";
}

uint8_t FileManager::use(UseType useType) {
    ++inUseFile_;
    uint8_t result = ResultDone;
    if (useType == UseType::Initialize) {
        if (lazyOpen && opened_ < 1) {
            if (used_) {
                scopeOpen();
                exposeFields();
                ++opened_;
            } else {
                ++opened_;
                openPhysically(true);
                --opened_;
            }
        }
    } else {
        if (useType != UseType::Unrecorded) scopeUse(useType);
        if (lazyOpen && !used_) {
            if (opened_ < 1) {
                result = static_cast<uint8_t>(raiseError(MsgUsageError));
            } else {
                const int id = saveBuffer();
                result = openPhysically(true);
                restoreBuffer(id, true);
            }
        }
    }
    --inUseFile_;
    return result;
}

uint8_t FileManager::open() {
    return openCounting(true);
}
uint8_t FileManager::openSilently() {
    return openCounting(false);
}

uint8_t FileManager::openCounting(bool raise) {
    scopeOpen();
    exposeFields();
    if (forcePhysicalOpen || (!lazyOpen && opened_ == 0)) {
        const uint8_t result = openPhysically(raise);
        if (result != ResultDone) return result;
    }
    ++opened_;
    return ResultDone;
}

uint8_t FileManager::openPhysically(bool raise) {
    if (use(UseType::Initialize) != ResultDone || file_ == nullptr || opener_ == nullptr) {
        noteError(MsgOpenError);
        return raise ? static_cast<uint8_t>(raiseLastError()) : ResultFailed;
    }
    storage::KeyedFile& storage = file_->storage();
    // The wait on another program's lock is set before the first open, so that the open and every read
    // after it wait as long as the manager allows.
    perform(FileOperation::Command, [&] { return storage.sendCommand("Recover=" + std::to_string(lockRecover)); });
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int code = perform(FileOperation::Open, [&] { return opener_->openFile(openMode); });
        if (code == storage::NoError) {
            used_ = true;
            atEof_ = false;
            autoIncDone_ = false;
            return ResultDone;
        }
        // A lock that outlasted the wait is reported as what it is; opening read-only would not help.
        if (code == storage::AccessDenied && storage::lastStorageError().isLock()) break;
        if (code == storage::AccessDenied) {
            if ((openMode & 0x03) == 0) break;
            openMode &= 0xF0;
            if (raise) {
                raiseError(MsgAccessDenied);
            } else {
                noteError(MsgAccessDenied);
            }
            continue;
        }
        if (code == storage::FileNotFound) {
            if (create != 1) break;
            const int created =
                perform(FileOperation::Create, [&] { return storage.create(cp1250ToUtf8(file_->name())); });
            if (created == storage::NoError) continue;
            noteError(MsgCreateError);
            return raise ? static_cast<uint8_t>(raiseLastError()) : ResultFailed;
        }
        if (code == storage::KeysNeedRebuild) {
            noteError(MsgInvalidKey);
            if (!raise) return ResultFailed;
            raiseLastError();
            const int built = perform(FileOperation::BuildKeys, [&] { return storage.buildKeys(); });
            if (built == storage::NoError) continue;
            return static_cast<uint8_t>(raiseError(MsgKeyNotBuilt));
        }
        if (code == storage::StructureMismatch) {
            noteError(MsgInvalidFile);
            return raise ? static_cast<uint8_t>(raiseLastError()) : ResultFailed;
        }
        break;
    }
    noteError(MsgOpenError);
    return raise ? static_cast<uint8_t>(raiseLastError()) : ResultFailed;
}

uint8_t FileManager::close() {
    ++inClose_;
    scopeClose();
    if (useMrp) useMrp = false;  // the storage layer has no read-ahead to reset
    if (opened_ > 0) {
        if (opened_-- == 1) {
            if (initialized_ && opener_ != nullptr) {
                perform(FileOperation::Close, [&] { return opener_->closeFile(); });
            }
            used_ = false;
        }
    }
    --inClose_;
    return ResultDone;
}

// ---------------------------------------------------------------------------------------------------------
// Errors

void FileManager::noteError(int32_t id) {
    if (errors_ != nullptr) errors_->captureRuntimeError();
    lastError_ = id;
}

ErrorLevel FileManager::raiseLastError() {
    if (errors_ == nullptr) return ErrorLevel::Notice;
    errors_->setFileName(displayName());
    return errors_->handleError(lastError_);
}

ErrorLevel FileManager::raiseError(int32_t id) {
    noteError(id);
    return raiseLastError();
}

ErrorLevel FileManager::raiseErrorWithText(int32_t id, std::string_view text) {
    if (errors_ == nullptr) return ErrorLevel::Notice;
    errors_->setFileName(displayName());
    lastError_ = id;
    return errors_->raiseWithText(id, text);
}

// ---------------------------------------------------------------------------------------------------------
// Record operations

uint8_t FileManager::next() {
    return readSequential(true, true);
}
uint8_t FileManager::previous() {
    return readSequential(false, true);
}
uint8_t FileManager::nextSilently() {
    return readSequential(true, false);
}
uint8_t FileManager::previousSilently() {
    return readSequential(false, false);
}

uint8_t FileManager::readSequential(bool forward, bool raise) {
    if (use(UseType::Keep) != ResultDone) return ResultNotUsable;
    storage::KeyedFile& storage = file_->storage();
    data::Record& record = file_->record();
    for (;;) {
        atEof_ = false;
        const int code = forward ? perform(FileOperation::Next, [&] { return storage.next(record); })
                                 : perform(FileOperation::Previous, [&] { return storage.previous(record); });
        if (code == storage::NoError) return ResultDone;
        if (code == storage::EndOfFile) {
            atEof_ = true;
            return ResultFailed;
        }
        if (code == storage::RecordHeld) {
            if (skipHeldRecords) continue;
            if (!raise) {
                noteError(MsgRecordHeld);
                return ResultFailed;
            }
            return static_cast<uint8_t>(raiseError(MsgRecordHeld));
        }
        if (!raise) {
            noteError(MsgRetrievalError);
            return ResultNotUsable;
        }
        return static_cast<uint8_t>(raiseError(MsgRetrievalError));
    }
}

uint8_t FileManager::fetchSilently(std::size_t key) {
    if (use(UseType::Keep) != ResultDone) return ResultNotUsable;
    storage::KeyedFile& storage = file_->storage();
    const int code = perform(FileOperation::Get, [&] { return storage.get(key, file_->record()); });
    return code == storage::NoError ? ResultDone : ResultFailed;
}

uint8_t FileManager::fetch(std::size_t key) {
    const uint8_t result = fetchSilently(key);
    if (result != ResultDone && file_ != nullptr) file_->record().clear();
    return result;
}

uint8_t FileManager::insert() {
    return insertRecord(true);
}
uint8_t FileManager::insertSilently() {
    return insertRecord(false);
}

const KeyEntry* FileManager::duplicateKey() {
    // The record was not stored, so any record holding its values on a unique key is the one in the way.
    // A get makes the found record the driver's current one; the current record is put back afterwards so
    // that a later update or delete still acts on the record the caller last read.
    data::Record probe(file_->layout());
    storage::KeyedFile& storage = file_->storage();
    const int64_t current = storage.position();
    const KeyEntry* found = nullptr;
    for (const KeyEntry& key : keys_) {
        if (key.dups) continue;
        std::copy(file_->record().image().begin(), file_->record().image().end(), probe.image().begin());
        if (storage.get(key.key, probe) == storage::NoError) {
            found = &key;
            break;
        }
    }
    if (current != 0) (void)storage.reget(current, probe);
    return found;
}

void FileManager::setKeyNameFrom(const KeyEntry& key) {
    const std::string name =
        key.description.empty() ? file_->layout().fullKeyName(key.key) : std::string(clipRight(key.description));
    if (errors_ != nullptr) errors_->setKeyName(name);
}

uint8_t FileManager::insertRecord(bool raise) {
    if (use(UseType::Keep) != ResultDone) return ResultNotUsable;
    if (validate(1, static_cast<int>(file_->layout().fields.size()) + 1, raise) != ResultDone) return ResultFailed;
    storage::KeyedFile& storage = file_->storage();
    data::Record& record = file_->record();
    int code = storage::NoError;
    if (hasAutoInc_ && !autoIncDone_) {
        const uint8_t numbered = primeAutoNumberRecord(raise);
        if (numbered != ResultDone) return numbered;
    } else if (hasAutoInc_) {
        code = perform(FileOperation::Put, [&] { return storage.put(record); });
    } else {
        code = perform(FileOperation::Add, [&] { return storage.add(record); });
    }
    if (code == storage::NoError) {
        autoIncDone_ = false;
        return ResultDone;
    }
    if (code == storage::DuplicateKey) {
        const KeyEntry* key = duplicateKey();
        std::string description;
        if (key != nullptr) {
            setKeyNameFrom(*key);
            description = key->description.empty() ? file_->layout().fullKeyName(key->key) : key->description;
        }
        if (errors_ != nullptr) errors_->setMessageText(description);
        if (!raise) {
            noteError(MsgDuplicateKey);
            return ResultFailed;
        }
        return static_cast<uint8_t>(raiseErrorWithText(MsgDuplicateKey, description));
    }
    if (!raise) {
        noteError(MsgInsertError);
        return ResultFailed;
    }
    return static_cast<uint8_t>(raiseError(MsgInsertError));
}

uint8_t FileManager::update() {
    return updateRecord(true);
}
uint8_t FileManager::updateSilently() {
    return updateRecord(false);
}

uint8_t FileManager::updateRecord(bool raise) {
    if (use(UseType::Keep) != ResultDone) return ResultNotUsable;
    if (validate(1, static_cast<int>(file_->layout().fields.size()) + 1, raise) != ResultDone) return ResultInvalid;
    storage::KeyedFile& storage = file_->storage();
    const int64_t position = storage.position();
    const int code = perform(FileOperation::Put, [&] { return storage.put(file_->record()); });
    if (code == storage::NoError) return ResultDone;
    if (code == storage::ChangedByAnother) {
        noteError(MsgChangedByOther);
        if (raise) raiseLastError();
        // Show what the other station wrote.
        perform(FileOperation::Reget, [&] { return storage.reget(position, file_->record()); });
        return ResultFailed;
    }
    if (!raise) {
        noteError(MsgUpdateError);
        return ResultFailed;
    }
    return static_cast<uint8_t>(raiseError(MsgUpdateError));
}

uint8_t FileManager::deleteCurrent(bool ask) {
    if (use(UseType::Keep) != ResultDone) return ResultNotUsable;
    if (ask && raiseError(MsgConfirmDelete) != ErrorLevel::Quiet) return ResultDeclined;
    storage::KeyedFile& storage = file_->storage();
    const int code = perform(FileOperation::Remove, [&] { return storage.remove(); });
    if (code == storage::NoError) return ResultDone;
    noteError(MsgDeleteError);
    return ResultFailed;
}

uint8_t FileManager::clearForNewRecord(bool keepBuffer) {
    if (aliasedFile_ != nullptr) {
        FileManager& alias = *aliasedFile_;
        alias.open();
        if (keepBuffer) {
            const auto image = file_->record().image();
            std::copy(image.begin(), image.end(), alias.file_->record().image().begin());
        }
        const uint8_t result = alias.clearForNewRecord(keepBuffer);
        const auto primed = alias.file_->record().image();
        std::copy(primed.begin(), primed.end(), file_->record().image().begin());
        alias.close();
        return result;
    }
    if (use(UseType::Keep) != ResultDone) return ResultNotUsable;
    if (!keepBuffer) file_->record().clear();
    setInitialValues();
    if (!hasAutoInc_) return ResultDone;
    autoIncDone_ = false;
    return primeAutoNumber();
}

uint8_t FileManager::primeAutoNumber() {
    return primeAutoNumberRecord(true);
}
uint8_t FileManager::primeAutoNumberSilently() {
    return primeAutoNumberRecord(false);
}

uint8_t FileManager::numberKey(const KeyEntry& key) {
    const std::size_t numbered = static_cast<std::size_t>(key.autoInc - 1);
    if (numbered >= key.fields.size()) return ResultDone;
    data::Record& record = file_->record();
    storage::KeyedFile& storage = file_->storage();
    const std::size_t numberField = key.fields[numbered].field;

    std::string group;
    for (std::size_t i = 0; i < numbered; ++i) group += componentText(record, key.fields[i].field) + "|";

    const int id = saveBuffer();
    // Behind the group: the numbered component and those after it at their largest.
    for (std::size_t i = numbered; i < key.fields.size(); ++i) {
        const std::size_t field = key.fields[i].field;
        const data::FieldDef& f = file_->layout().fields[field];
        if (f.isNumber() && f.type != data::FieldType::Decimal) {
            (void)record.setInteger(field, largestValue(f.type));
        } else if (!f.isNumber()) {
            auto bytes = record.image().subspan(f.offset, f.totalSize());
            std::fill(bytes.begin(), bytes.end(), uint8_t{0xFF});
        }
    }
    int code = perform(FileOperation::Set, [&] { return storage.set(key.key, record); });
    if (code == storage::NoError) code = perform(FileOperation::Previous, [&] { return storage.previous(record); });
    int64_t number = 1;
    if (code == storage::NoError) {
        std::string found;
        for (std::size_t i = 0; i < numbered; ++i) found += componentText(record, key.fields[i].field) + "|";
        if (found == group) number = record.integer(numberField) + 1;
    } else if (code != storage::EndOfFile) {
        noteError(MsgRetrievalError);
        restoreBuffer(id, true);
        return ResultFailed;
    }
    restoreBuffer(id, true);
    if (!record.setInteger(numberField, number)) return ResultFailed;
    return ResultDone;
}

uint8_t FileManager::primeAutoNumberRecord(bool raise) {
    if (use(UseType::Keep) != ResultDone) return ResultNotUsable;
    storage::KeyedFile& storage = file_->storage();
    for (;;) {
        int code = storage::NoError;
        for (int attempt = 0; attempt < 3; ++attempt) {
            for (const KeyEntry& key : keys_) {
                if (key.autoInc == 0) continue;
                if (numberKey(key) != ResultDone) return ResultFailed;
            }
            code = perform(FileOperation::Add, [&] { return storage.add(file_->record()); });
            if (code == storage::NoError) {
                autoIncDone_ = true;
                return ResultDone;
            }
        }
        if (code == storage::DuplicateKey) {
            if (const KeyEntry* key = duplicateKey()) setKeyNameFrom(*key);
        }
        noteError(MsgAutoNumberError);
        if (!raise || raiseLastError() != ErrorLevel::Quiet) return ResultFailed;
    }
}

uint8_t FileManager::cancelAutoNumber() {
    if (!autoIncDone_ || file_ == nullptr) return ResultDone;
    storage::KeyedFile& storage = file_->storage();
    const int code = perform(FileOperation::Remove, [&] { return storage.remove(); });
    if (code != storage::NoError) {
        noteError(MsgDeleteError);
        return ResultFailed;
    }
    autoIncDone_ = false;
    return ResultDone;
}

// ---------------------------------------------------------------------------------------------------------
// Buffers and states

int FileManager::saveBuffer() {
    if (file_ == nullptr) return 0;
    const int first = buffers_.empty() ? 1 : buffers_.back().id + 1;
    const data::Record& record = file_->record();
    buffers_.push_back({first, std::vector<uint8_t>(record.image().begin(), record.image().end())});
    // Then each memo; the storage layer keeps no null flags.
    for (std::size_t m = 0; m < record.layout().memos.size(); ++m) {
        const std::string& memo = record.memo(m);
        buffers_.push_back({first + 1 + static_cast<int>(m), std::vector<uint8_t>(memo.begin(), memo.end())});
    }
    return first;
}

void FileManager::restoreBuffer(int id, bool restore) {
    if (file_ == nullptr || id == 0) return;
    data::Record& record = file_->record();
    const std::size_t parts = 1 + record.layout().memos.size();
    for (std::size_t part = 0; part < parts; ++part) {
        const int partId = id + static_cast<int>(part);
        const auto found =
            std::find_if(buffers_.begin(), buffers_.end(), [partId](const BufferCopy& c) { return c.id == partId; });
        if (found == buffers_.end()) continue;
        if (restore) {
            if (part == 0) {
                std::copy_n(found->bytes.begin(), std::min(found->bytes.size(), record.image().size()),
                            record.image().begin());
            } else {
                (void)record.setMemo(part - 1, std::string(found->bytes.begin(), found->bytes.end()));
            }
        }
        buffers_.erase(found);
    }
}

bool FileManager::equalsSavedBuffer(int id) const {
    if (file_ == nullptr) return false;
    const data::Record& record = file_->record();
    const std::size_t parts = 1 + record.layout().memos.size();
    for (std::size_t part = 0; part < parts; ++part) {
        const int partId = id + static_cast<int>(part);
        const auto found =
            std::find_if(buffers_.begin(), buffers_.end(), [partId](const BufferCopy& c) { return c.id == partId; });
        if (found == buffers_.end()) return false;
        if (part == 0) {
            if (!std::equal(found->bytes.begin(), found->bytes.end(), record.image().begin(), record.image().end())) {
                return false;
            }
        } else {
            const std::string& memo = record.memo(part - 1);
            if (!std::equal(found->bytes.begin(), found->bytes.end(), memo.begin(), memo.end())) return false;
        }
    }
    return true;
}

int FileManager::saveState() {
    if (file_ == nullptr || !used_) return 0;
    SavedState state;
    state.id = saved_.empty() ? 1 : saved_.back().id + 1;
    state.buffer = saveBuffer();
    state.autoIncDone = autoIncDone_;
    state.position = file_->storage().position();
    state.order = file_->storage().sequenceKey();
    saved_.push_back(state);
    return state.id;
}

void FileManager::restoreState(int id, bool restore) {
    const auto found = std::find_if(saved_.begin(), saved_.end(), [id](const SavedState& s) { return s.id == id; });
    if (found == saved_.end() || file_ == nullptr) return;
    const SavedState state = *found;
    saved_.erase(found);
    ++inRestore_;
    storage::KeyedFile& storage = file_->storage();
    if (state.position != 0 && storage.isOpen()) {
        data::Record scratch(file_->layout());
        // The order the outer procedure was reading in, else the primary key's.
        std::optional<std::size_t> order = state.order;
        if (!order && primaryKey_ != 0) order = keys_[primaryKey_ - 1].key;
        if (aliasedFile_ == nullptr && order) {
            // Back to the saved place in that order: the next read goes on after that record.
            const auto saved = std::find_if(buffers_.begin(), buffers_.end(),
                                            [&](const BufferCopy& c) { return c.id == state.buffer; });
            if (saved != buffers_.end()) {
                std::copy_n(saved->bytes.begin(), std::min(saved->bytes.size(), scratch.image().size()),
                            scratch.image().begin());
                const std::size_t key = *order;
                int code = perform(FileOperation::Set, [&] { return storage.set(key, scratch); });
                while (code == storage::NoError && storage.position() != state.position) {
                    code = perform(FileOperation::Next, [&] { return storage.next(scratch); });
                }
            }
        } else {
            perform(FileOperation::Reget, [&] { return storage.reget(state.position, scratch); });
        }
    }
    restoreBuffer(state.buffer, restore);
    autoIncDone_ = state.autoIncDone;
    --inRestore_;
}

// ---------------------------------------------------------------------------------------------------------
// Validation

uint8_t FileManager::checkField(int, bool) {
    return ResultDone;
}
uint8_t FileManager::testField(int field) {
    return validate(field, field, true);
}
uint8_t FileManager::testFieldSilently(int field) {
    return validate(field, field, false);
}
uint8_t FileManager::validateFields(int first, int last) {
    return validate(first, last, true);
}
uint8_t FileManager::validateRecord() {
    if (file_ == nullptr) return ResultDone;
    return validate(1, static_cast<int>(file_->layout().fields.size()) + 1, true);
}

uint8_t FileManager::validate(int first, int last, bool raise) {
    if (aliasedFile_ != nullptr) {
        FileManager& alias = *aliasedFile_;
        alias.use(UseType::Keep);
        const int id = alias.saveBuffer();
        const auto image = file_->record().image();
        std::copy(image.begin(), image.end(), alias.file_->record().image().begin());
        const uint8_t result = alias.validate(first, last, raise);
        alias.restoreBuffer(id, true);
        return result;
    }
    for (int field = first; field <= last; ++field) {
        if (const uint8_t result = checkField(field, raise); result != ResultDone) return result;
    }
    return ResultDone;
}

void FileManager::exposeFields() {
    if (file_ == nullptr) return;
    exposed_.clear();
    const data::Layout& layout = file_->layout();
    for (std::size_t field = 0; field < layout.fields.size(); ++field) exposed_.push_back(layout.fullFieldName(field));
}

// ---------------------------------------------------------------------------------------------------------
// The procedure scope rule

void FileManager::scopeUse(UseType useType) {
    if (file_ == nullptr) return;
    const std::string procedure = errors_ != nullptr ? errors_->getProcedureName() : std::string();
    FileUseEntry* entry = scopeEntry(file_);
    if (entry == nullptr) {
        statusQueue().push_back({std::this_thread::get_id(), procedure, file_, useType, 0, 1, 0});
    } else if (entry->procedure != procedure) {
        const int level = entry->scopeLevel + 1;
        const int hold = static_cast<uint8_t>(useType) <= static_cast<uint8_t>(UseType::Keep) ? saveState() : 0;
        statusQueue().push_back({std::this_thread::get_id(), procedure, file_, useType, hold, level, 0});
    } else if (static_cast<uint8_t>(useType) > static_cast<uint8_t>(entry->useType)) {
        entry->useType = useType;
    }
}

void FileManager::scopeOpen() {
    if (file_ == nullptr) return;
    FileUseEntry* entry = scopeEntry(file_);
    if (entry != nullptr && errors_ != nullptr && entry->procedure == errors_->getProcedureName()) ++entry->nestedOpen;
}

void FileManager::scopeClose() {
    if (file_ == nullptr) return;
    FileUseEntry* entry = scopeEntry(file_);
    if (entry == nullptr || errors_ == nullptr || entry->procedure != errors_->getProcedureName()) return;
    if (entry->nestedOpen > 0) {
        --entry->nestedOpen;
        return;
    }
    const int hold = entry->hold;
    const bool restore = static_cast<uint8_t>(entry->useType) < static_cast<uint8_t>(UseType::Change);
    const auto index = entry - statusQueue().data();
    statusQueue().erase(statusQueue().begin() + index);
    if (hold != 0) restoreState(hold, restore);
}

}  // namespace kirva::framework
