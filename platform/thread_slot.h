#pragma once

// One object per thread, destroyed when its thread ends: what a thread_local object with a destructor gives,
// without its fault on Windows, where MinGW's runtime destroys such an object after its thread's storage is
// gone and the program crashes as a std::thread ends (the journal is built on three threads). The objects
// hang off a key of the thread library, whose end-of-thread clean-up runs while the thread still stands.
// The main thread's object is not destroyed at exit.

#include <memory>

namespace kirva::platform {

class ThreadSlotKey {
  public:
    explicit ThreadSlotKey(void (*destroy)(void*));
    ~ThreadSlotKey();
    ThreadSlotKey(const ThreadSlotKey&) = delete;
    ThreadSlotKey& operator=(const ThreadSlotKey&) = delete;

    void* value() const;
    void setValue(void* value);

  private:
    unsigned long key_ = 0;
    bool made_ = false;
};

template <class T>
class ThreadSlot {
  public:
    ThreadSlot() : key_([](void* value) { std::unique_ptr<T>(static_cast<T*>(value)).reset(); }) {}

    // This thread's object, or nullptr when it has none.
    T* find() const { return static_cast<T*>(key_.value()); }

    // This thread's object, made with T() the first time.
    T& get() {
        if (T* object = find()) return *object;
        return put(std::make_unique<T>());
    }

    // Gives this thread `object` (the key owns it from here on), destroying the one it had.
    T& put(std::unique_ptr<T> object) {
        reset();
        T* raw = object.release();
        key_.setValue(raw);
        return *raw;
    }

    // Destroys this thread's object now.
    void reset() {
        std::unique_ptr<T> old(find());
        key_.setValue(nullptr);
    }

  private:
    ThreadSlotKey key_;
};

}  // namespace kirva::platform
