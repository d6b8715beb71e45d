#include "platform/xml/background_writer.h"

#ifdef __linux__
#include <fcntl.h>
#endif

#include <cerrno>

#include "platform/system_files.h"

namespace kirva::platform {

namespace {

// How much written text is handed to the disk at a time while the file is still being made.
[[maybe_unused]] constexpr uint64_t kWritebackEvery = 8 * 1024 * 1024;

}  // namespace

BackgroundWriter::BackgroundWriter(int fd, std::size_t bufferSize) : fd_(fd) {
    for (Slot& slot : slots_) slot.bytes.resize(bufferSize);
    try {
        thread_ = std::thread([this] { run(); });
    } catch (...) {
        // No thread to be had: handOver() writes each buffer itself.
    }
}

BackgroundWriter::~BackgroundWriter() {
    stop();
}

bool BackgroundWriter::handOver(std::size_t used) {
    slots_[filling_].used = used;
    if (!thread_.joinable()) {
        if (error_ == 0 && !stopping_) error_ = write(slots_[filling_]);
        return error_ == 0;
    }
    std::unique_lock lock(mutex_);
    ++pending_;
    handedOver_.notify_one();
    filling_ = (filling_ + 1) % kBuffers;
    // The buffers handed over are the ones from first_ on; the next one is free once fewer than all are.
    written_.wait(lock, [this] { return pending_ < kBuffers; });
    return error_ == 0;
}

int BackgroundWriter::finish() {
    if (thread_.joinable()) {
        std::unique_lock lock(mutex_);
        written_.wait(lock, [this] { return pending_ == 0; });
    }
    stop();
    return error_;
}

int BackgroundWriter::error() {
    std::lock_guard lock(mutex_);
    return error_;
}

void BackgroundWriter::stop() noexcept {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    handedOver_.notify_one();
    thread_.join();
}

void BackgroundWriter::run() noexcept {
    std::unique_lock lock(mutex_);
    for (;;) {
        handedOver_.wait(lock, [this] { return pending_ > 0 || stopping_; });
        if (stopping_) break;
        const Slot& slot = slots_[first_];
        const bool skip = error_ != 0;
        lock.unlock();
        // After a failed write nothing more is written; the buffers still come back, so no one waits forever.
        const int result = skip ? 0 : write(slot);
        lock.lock();
        if (result != 0 && error_ == 0) error_ = result;
        first_ = (first_ + 1) % kBuffers;
        --pending_;
        written_.notify_one();
    }
    // Nothing handed over is left waiting for a writer that has gone.
    pending_ = 0;
    written_.notify_all();
}

int BackgroundWriter::write(const Slot& slot) noexcept {
    if (const int error = writeWhole(fd_, slot.bytes.data(), slot.used); error != 0) return error;
    fileSize_ += slot.used;
#ifdef __linux__
    // Start the disk writing what is written so far while the rest is made, so that the fsync at the end
    // waits only for the last part. Only a hint: the fsync still decides whether the file is on disk.
    if (fileSize_ - hintedUpTo_ >= kWritebackEvery) {
        ::sync_file_range(fd_, static_cast<off_t>(hintedUpTo_), static_cast<off_t>(fileSize_ - hintedUpTo_),
                          SYNC_FILE_RANGE_WRITE);
        hintedUpTo_ = fileSize_;
    }
#endif
    return 0;
}

}  // namespace kirva::platform
