// The platform's re-entrant lock and its scoped holder. The error manager, the file openers and the INI
// manager guard their shared lists with it; it must be re-entrant because their operations call each other
// while the lock is held.
#pragma once

#include <mutex>

namespace kirva::platform {

using ReentrantLock = std::recursive_mutex;

// Takes the lock when set up and releases it when it ends.
class [[nodiscard]] LockGuard {
  public:
    explicit LockGuard(ReentrantLock& lock) : lock_(lock) { lock_.lock(); }
    ~LockGuard() { lock_.unlock(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

  private:
    ReentrantLock& lock_;
};

}  // namespace kirva::platform
