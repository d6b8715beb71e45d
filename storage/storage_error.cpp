#include "storage/storage_error.h"

namespace kirva::storage {

std::string_view errorCodeText(int code) {
    switch (code) {
        case NoError:
            return "";
        case FileNotFound:
            return "File Not Found";
        case AccessDenied:
            return "Access Denied";
        case EndOfFile:
            return "Record Not Available";
        case RecordNotFound:
            return "Record Not Found";
        case DuplicateKey:
            return "Creates Duplicate Key";
        case RecordHeld:
            return "Record Is Already Held";
        case KeysNeedRebuild:
            return "Key Files Must Be Rebuilt";
        case StructureMismatch:
            return "Invalid Record Declaration";
        case AlreadyOpen:
            return "File Already Open";
        case ChangedByAnother:
            return "Record Changed By Another Station";
        case DriverError:
            return "File System Error";
        default:
            return "Unknown Error";
    }
}

std::string StorageError::text() const {
    return std::string(errorCodeText(code));
}

}  // namespace kirva::storage
