// The physical open and close of one file, with a use count for the files that all threads share.
#pragma once

#include <cstdint>

#include "framework/files/data_file.h"

namespace kirva::framework {

class FileOpener {
  public:
    virtual ~FileOpener() = default;
    // Opens in the given mode; "already open" counts as success. Returns the storage error code.
    virtual int openFile(uint8_t mode) = 0;
    virtual int closeFile() = 0;
};

// For a file whose instance is the calling thread's own.
class PrivateOpener final : public FileOpener {
  public:
    explicit PrivateOpener(DataFile& file) : file_(file) {}
    int openFile(uint8_t mode) override;
    int closeFile() override;

  private:
    DataFile& file_;
};

// For a file shared by all threads: one opener per file for the whole process, kept in a process-wide list
// and reference-counted by the managers attached to the file. Opens physically for its first user and
// closes for its last.
class SharedOpener final : public FileOpener {
  public:
    // The file's opener, created on its first reference.
    static SharedOpener& acquire(DataFile& file);
    // Drops one reference; the last one removes the opener from the list.
    static void release(DataFile& file);

    int openFile(uint8_t mode) override;
    int closeFile() override;
    int useCount() const;

    explicit SharedOpener(DataFile& file) : file_(file) {}

  private:
    DataFile& file_;
    int uses_ = 0;
};

}  // namespace kirva::framework
