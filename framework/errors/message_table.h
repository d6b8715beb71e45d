#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/errors/error_level.h"
#include "platform/result.h"

namespace kirva::framework {

// One message of the table. Only the low 16 bits of the id count: ids compare as unsigned 16-bit values.
struct ErrorEntry {
    int32_t id = 0;
    std::string message;  // Windows-1250; may hold placeholders (%File ...) and "|" as a line break
    std::string title;    // the caption of the message box
    ErrorLevel fatality = ErrorLevel::Quiet;
    std::string category;  // empty: the manager's default category applies
};

// The packed form of a message table: the entry count (unsigned 16-bit little-endian), then per entry the
// id (unsigned 16-bit little-endian), the level (1 byte), the title's length (1 byte) and bytes, and the
// message's length (1 byte) and bytes. Texts are Windows-1250, not terminated.

// The program's built-in messages in their packed form, in their stored order.
std::span<const uint8_t> builtInMessageTable();

// The entries of a packed table, each with an empty category. A table that ends early, or holds bytes
// after its last entry, is refused as a whole.
Result<std::vector<ErrorEntry>> unpackMessageTable(std::span<const uint8_t> table);

// The packed form of entries (categories are not part of it). An error when there are more than 65535
// entries or a text is longer than 255 bytes.
Result<std::vector<uint8_t>> packMessageTable(std::span<const ErrorEntry> entries);

}  // namespace kirva::framework
