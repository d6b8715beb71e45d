#include "platform/thread_slot.h"

#include <pthread.h>

#include <cstdio>
#include <cstdlib>

namespace kirva::platform {

ThreadSlotKey::ThreadSlotKey(void (*destroy)(void*)) {
    pthread_key_t key{};
    if (pthread_key_create(&key, destroy) != 0) {
        // Only when the system has run out of keys, at start-up: nothing sensible can follow.
        std::fputs("kirva: no thread-local storage key is left\n", stderr);
        std::abort();
    }
    key_ = static_cast<unsigned long>(key);
    made_ = true;
}

ThreadSlotKey::~ThreadSlotKey() {
    if (made_) pthread_key_delete(static_cast<pthread_key_t>(key_));
}

void* ThreadSlotKey::value() const {
    return pthread_getspecific(static_cast<pthread_key_t>(key_));
}

void ThreadSlotKey::setValue(void* value) {
    pthread_setspecific(static_cast<pthread_key_t>(key_), value);
}

}  // namespace kirva::platform
