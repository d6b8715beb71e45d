// Weak stand-ins for the storage driver's error functions, so that the error manager's tests link while
// the driver is not part of this build; the driver's own definitions take their place when it is linked.
#include <string_view>

#include "platform/storage/keyed_file.h"

namespace kirva::storage {

__attribute__((weak)) const StorageError& lastStorageError() {
    thread_local StorageError none;
    return none;
}

__attribute__((weak)) std::string_view errorCodeText(int code) {
    switch (code) {
        case NoError:
            return "";
        case FileNotFound:
            return "File Not Found";
        case AccessDenied:
            return "Access Denied";
        default:
            return "Driver Error";
    }
}

}  // namespace kirva::storage
