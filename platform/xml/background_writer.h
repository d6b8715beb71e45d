// Writing a file's bytes on a thread of its own, so that the next bytes are made while the last ones go to
// the file. The caller fills one buffer at a time and hands it over; a few fixed buffers take turns, so the
// memory stays the same however long the file grows. Used by the XML writer; the standard library only.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace kirva::platform {

class BackgroundWriter {
  public:
    // The buffers taking turns: one being filled, one being written, the others waiting for either.
    static constexpr std::size_t kBuffers = 4;

    // Writes to `fd` (not owned; it must stay open until the writer is finished or destroyed). When no
    // thread can be started the buffers are written by the caller's thread as they are handed over.
    BackgroundWriter(int fd, std::size_t bufferSize);
    // Stops the thread and joins it; buffers handed over and not yet written are dropped.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // The buffer being filled; only the caller's thread touches it until it is handed over. It may be
    // grown for a text larger than it.
    std::vector<char>& buffer() { return slots_[filling_].bytes; }
    // Hands over the buffer's first `used` bytes and makes the next free buffer the one being filled (waiting
    // for the thread to free one). False once a write has failed; error() then says why.
    bool handOver(std::size_t used);
    // Waits until every byte handed over is written and stops the thread. The system error number of the
    // first write that failed, 0 when every one succeeded.
    int finish();
    // The system error number of the first write that failed so far, 0 while none has.
    int error();

  private:
    struct Slot {
        std::vector<char> bytes;
        std::size_t used = 0;
    };

    void run() noexcept;
    // Writes one buffer whole; the system error number, or 0.
    int write(const Slot& slot) noexcept;
    void stop() noexcept;

    const int fd_;
    std::array<Slot, kBuffers> slots_;
    std::size_t filling_ = 0;  // the caller's buffer (the caller's thread only)

    std::mutex mutex_;
    std::condition_variable handedOver_;  // the thread waits for work or for the stop
    std::condition_variable written_;     // the caller waits for a free buffer or for the end
    std::size_t first_ = 0;               // the oldest buffer handed over and not yet written
    std::size_t pending_ = 0;             // buffers handed over and not yet written
    bool stopping_ = false;
    int error_ = 0;

    uint64_t fileSize_ = 0;    // bytes written so far (the writing thread only)
    uint64_t hintedUpTo_ = 0;  // of which the disk was asked to start writing

    std::thread thread_;  // last, so that it starts after everything it uses is made
};

}  // namespace kirva::platform
