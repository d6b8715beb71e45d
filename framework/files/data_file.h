// framework/files/: the file manager framework. Per data file and per thread one FileManager (opening with
// use counting, lazy opening, lock recovery, creation, key rebuilding, the read-only fallback, record
// operations, every failure as a numbered message of the error manager) and one RelationManager (opening
// and closing related files together, referential actions). Depends on data/, platform/ and
// framework/errors/; never includes Qt.
#pragma once

#include <string>

#include "data/layout.h"
#include "data/record.h"
#include "storage/keyed_file.h"

namespace kirva::framework {

// The operations on a file that its call-back receiver hears of.
enum class FileOperation : uint8_t {
    Open,
    Close,
    Create,
    BuildKeys,
    Set,
    Next,
    Previous,
    Get,
    Add,
    Put,
    Remove,
    Reget,
    Command,
};

// Told before and after every operation that the framework performs on a file, and when the file goes.
class FileCallback {
  public:
    virtual ~FileCallback() = default;
    virtual void fileCalled(FileOperation operation) = 0;
    virtual void fileDone(FileOperation operation, int errorCode) = 0;
    virtual void fileDestroyed() = 0;
};

// One data file as a thread sees it: the storage instance, its record buffer and its name text. The name
// text is a reference, so a name assigned after set-up is the one used when the file is opened.
class DataFile {
  public:
    // threadSpecific: each thread has its own instance (every file of this program); a shared file is
    // opened once for all threads through a shared opener.
    explicit DataFile(const data::Layout& layout, const std::string* nameText = nullptr, bool threadSpecific = true);
    ~DataFile();
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    const data::Layout& layout() const { return *layout_; }
    storage::KeyedFile& storage() { return storage_; }
    const storage::KeyedFile& storage() const { return storage_; }
    data::Record& record() { return record_; }
    const data::Record& record() const { return record_; }
    bool threadSpecific() const { return threadSpecific_; }

    const std::string* nameText() const { return nameText_; }
    void setNameText(const std::string* nameText) { nameText_ = nameText; }
    // The name the storage layer uses: the name text without trailing blanks, cut to what the text holds
    // (its size less the terminator); when it is empty, the table's name with ".DB" in the current folder.
    std::string name() const;

    // At most one receiver; it hears of the file's end.
    void setCallback(FileCallback* receiver) { callback_ = receiver; }
    FileCallback* callback() const { return callback_; }

  private:
    const data::Layout* layout_;
    storage::KeyedFile storage_;
    data::Record record_;
    const std::string* nameText_;
    bool threadSpecific_;
    FileCallback* callback_ = nullptr;
};

}  // namespace kirva::framework
