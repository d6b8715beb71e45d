#include "framework/files/file_opener.h"

#include <map>
#include <memory>

#include "platform/lock_guard.h"
#include "platform/text1250.h"

namespace kirva::framework {

namespace {

int openStorage(DataFile& file, uint8_t mode) {
    const int code = file.storage().open(cp1250ToUtf8(file.name()), mode);
    return code == storage::AlreadyOpen ? storage::NoError : code;
}

struct SharedEntry {
    std::unique_ptr<SharedOpener> opener;
    int references = 0;
};

struct SharedRegistry {
    platform::ReentrantLock lock;
    std::map<const DataFile*, SharedEntry> openers;
};

SharedRegistry& sharedRegistry() {
    static SharedRegistry registry;
    return registry;
}

}  // namespace

int PrivateOpener::openFile(uint8_t mode) {
    return openStorage(file_, mode);
}

int PrivateOpener::closeFile() {
    file_.storage().close();
    return storage::NoError;
}

SharedOpener& SharedOpener::acquire(DataFile& file) {
    auto& registry = sharedRegistry();
    platform::LockGuard guard(registry.lock);
    auto& entry = registry.openers[&file];
    if (!entry.opener) entry.opener = std::make_unique<SharedOpener>(file);
    ++entry.references;
    return *entry.opener;
}

void SharedOpener::release(DataFile& file) {
    auto& registry = sharedRegistry();
    platform::LockGuard guard(registry.lock);
    const auto found = registry.openers.find(&file);
    if (found == registry.openers.end()) return;
    if (--found->second.references <= 0) registry.openers.erase(found);
}

int SharedOpener::openFile(uint8_t mode) {
    platform::LockGuard guard(sharedRegistry().lock);
    if (uses_ == 0) {
        const int code = openStorage(file_, mode);
        if (code != storage::NoError) return code;
    }
    ++uses_;
    return storage::NoError;
}

int SharedOpener::closeFile() {
    platform::LockGuard guard(sharedRegistry().lock);
    if (uses_ == 0) return storage::NoError;
    if (uses_ == 1) file_.storage().close();
    --uses_;
    return storage::NoError;
}

int SharedOpener::useCount() const {
    platform::LockGuard guard(sharedRegistry().lock);
    return uses_;
}

}  // namespace kirva::framework
