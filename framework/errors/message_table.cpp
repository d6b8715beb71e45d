#include "framework/errors/message_table.h"

#include <array>
#include <string>

namespace kirva::framework {

namespace {

struct BuiltInRow {
    uint16_t id;
    uint8_t level;
    std::string_view title;
    std::string_view message;
};

// In stored order; later rows override earlier ones with the same id when looked up.
constexpr BuiltInRow kBuiltInRows[] = {
    {33, 5, "Invalid Key", "%File key file is invalid. Key must be rebuilt."},
    {32, 3, "Key was not built", "Error: (%ErrorText) repairing key for %File."},
    {12, 3, "File Creation Error", "Error: (%ErrorText) creating %File."},
    {30, 5, "Procedure not defined", "The Procedure %Message has not been defined."},
    {21, 5, "Range Error", "The value of %Field must be lower than %Message."},
    {22, 5, "Range Error", "The value of %Field must be higher than %Message."},
    {20, 5, "Range Error", "The value of %Field must be in range %Message."},
    {18, 5, "Field contents error", "The value of %Field must be found in the %Message file."},
    {37, 5, "Referential Integrity Update Error",
     "This record is referenced from the file %File. Linking field(s) have been restricted from change and have "
     "been reset to original values."},
    {36, 5, "Referential Integrity Delete Error",
     "This record is referenced from the file %File. This record cannot be deleted while these references exist."},
    {4, 5, "Record Insert Error",
     "An error was experienced during the creation of a record.|File: %File|Error: %ErrorText."},
    {7, 5, "Record Was Not Updated", "This record was changed by another station."},
    {8, 5, "Record Was Not Updated",
     "This record was changed by another station. Those changes will now be displayed. Use the Ditto Button or "
     "Ctrl+H to recall your changes."},
    {40, 1, "Record Update Error", "An error was experienced changing this record. Do you want to try to save again?"},
    {39, 1, "Record Delete Error",
     "An error was experienced deleting this record. Do you want to try to delete it again?"},
    {25, 5, "Invalid Request", "This form cannot be used to insert a record"},
    {44, 5, "Invalid Request", "This form cannot be used to update a record"},
    {14, 5, "Invalid Request", "This form cannot be used to delete a record"},
    {10, 1, "Changes will be lost!", "Are you sure you want to cancel?"},
    {15, 5, "Duplicate Key Error", "Adding this record creates a duplicate entry for the key: %Message"},
    {38, 1, "Auto Increment Error",
     "Attempts to automatically number this record have failed.|File: %File|Key: %Key|Error: %ErrorText.|Try Again?"},
    {23, 5, "File Load Error", "%File File Load Error.  Error: %ErrorText."},
    {42, 1, "Beginning of File Error",
     "The beginning of the file %File was encountered. Do you want to start again from the end of the file?"},
    {43, 1, "End of File Error",
     "The end of the file %File was encountered. Do you want to start again from the beginning?"},
    {6, 5, "File Access Error", "File %File could not be closed.  Error: %ErrorText."},
    {29, 3, "File Access Error", "File %File could not be opened.  Error: %ErrorText."},
    {31, 5, "Record was not updated", "An error (%ErrorText) was experienced when making changes to the %File file."},
    {13, 5, "Record was not deleted",
     "An error (%ErrorText) was experienced when deleting a record from the %File file."},
    {11, 1, "Confirm Delete", "Are you sure you want to delete the highlighted record?"},
    {41, 1, "Save Record", "Do you want to save the changes to this record?"},
    {27, 5, "Transaction cancelled", "Error: (%ErrorText) attempting to frame the transaction on %File."},
    {1, 5, "Record Retrieval Error",
     "Error: (%ErrorText) attempting to access a record from the %File file.  Returning to previous window."},
    {46, 5, "View Open Error",
     "Error: (%ErrorText) attempting to open the current VIEW. Filter and Range Limits ignored."},
    {3, 1, "Record Added", "This record has been added to the file. Do you want to add another record?"},
    {34, 5, "Record not read", "A record held by another station was encountered reading from the %File file."},
    {5, 5, "Add New Record?", "Record match not found, do you wish to add a new one?"},
    {19, 5, "Value Error", "The value of %Field must be in the list : %Message."},
    {28, 5, "No Records", "There are no records available to process."},
    {2, 5, "Access Denied", "Could not get write access to %File so trying read-only."},
    {45, 2, "File Usage Error", "Attempt to use file (%File) before it was opened"},
    {47, 5, "Unsupported QBE Column",
     "The saved QBE column, %Field is not supported. It will be dropped from the query."},
    {48, 5, "SMTP Error", "The following SMTP Error occurred: %Message "},
    {49, 5, "NNTP Error", "%Message "},
    {50, 5, "Winsock Error", "%Message "},
    {52, 3, "WMF Parser Error", "The File %File is not a valid WMF file."},
    {24, 3, "WMF Parser Error", "Get next record from file %File failed."},
    {54, 3, "WMF Parser Error", "Cannot find %Field id. Parsing %File."},
    {53, 3, "WMF Parser Error", "Invalid %Field control found. Parsing %File."},
    {51, 3, "WMF Parser Error", "Adding record to queue failed. Parsing %File."},
    {55, 5, "Report Writer Error", "Poorly Formed Comment String \"%Message\" at Position %Field."},
    {56, 5, "Report Writer Error", "Unknown Property %Message."},
    {9, 5, "Record Retrieval Error",
     "This record was changed or deleted by another station.|Error: (%ErrorText) attempting to access a record "
     "from the %File file."},
    {26, 3, "Invalid File",
     "%File has an invalid File structure.|Error: %ErrorCode - %Error|FileError: %FileErrorCode - %FileError|"},
    {16, 5, "SQL Execution Error", "Executing the SQL command %Message failed.|Error: %ErrorText."},
};

constexpr std::size_t packedSize() {
    std::size_t size = 2;
    for (const BuiltInRow& row : kBuiltInRows) size += 2 + 1 + 1 + row.title.size() + 1 + row.message.size();
    return size;
}

constexpr bool textsFit() {
    for (const BuiltInRow& row : kBuiltInRows) {
        if (row.title.size() > 255 || row.message.size() > 255) return false;
        for (char c : row.title) {
            if (static_cast<unsigned char>(c) > 0x7F) return false;  // literals must be plain ASCII here
        }
        for (char c : row.message) {
            if (static_cast<unsigned char>(c) > 0x7F) return false;
        }
    }
    return true;
}
static_assert(textsFit(), "a built-in text does not fit its one-byte length or is not ASCII");

constexpr auto packBuiltIns() {
    std::array<uint8_t, packedSize()> out{};
    std::size_t at = 0;
    constexpr std::size_t count = std::size(kBuiltInRows);
    out[at++] = static_cast<uint8_t>(count & 0xFF);
    out[at++] = static_cast<uint8_t>(count >> 8);
    for (const BuiltInRow& row : kBuiltInRows) {
        out[at++] = static_cast<uint8_t>(row.id & 0xFF);
        out[at++] = static_cast<uint8_t>(row.id >> 8);
        out[at++] = row.level;
        out[at++] = static_cast<uint8_t>(row.title.size());
        for (char c : row.title) out[at++] = static_cast<uint8_t>(c);
        out[at++] = static_cast<uint8_t>(row.message.size());
        for (char c : row.message) out[at++] = static_cast<uint8_t>(c);
    }
    return out;
}

constexpr auto kBuiltInTable = packBuiltIns();

}  // namespace

std::span<const uint8_t> builtInMessageTable() {
    return kBuiltInTable;
}

Result<std::vector<ErrorEntry>> unpackMessageTable(std::span<const uint8_t> table) {
    std::size_t at = 0;
    auto truncated = [&](std::size_t entry) {
        return makeError("The message table ends inside entry " + std::to_string(entry + 1) + " (at byte " +
                         std::to_string(at) + " of " + std::to_string(table.size()) + ").");
    };
    if (table.size() < 2) return makeError("The message table is shorter than its entry count.");
    const std::size_t count = table[0] | (static_cast<std::size_t>(table[1]) << 8);
    at = 2;
    std::vector<ErrorEntry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (table.size() - at < 4) return truncated(i);
        ErrorEntry entry;
        entry.id = table[at] | (table[at + 1] << 8);
        entry.fatality = static_cast<ErrorLevel>(table[at + 2]);
        const std::size_t titleLength = table[at + 3];
        at += 4;
        if (table.size() - at < titleLength + 1) return truncated(i);
        entry.title.assign(reinterpret_cast<const char*>(table.data() + at), titleLength);
        at += titleLength;
        const std::size_t messageLength = table[at++];
        if (table.size() - at < messageLength) return truncated(i);
        entry.message.assign(reinterpret_cast<const char*>(table.data() + at), messageLength);
        at += messageLength;
        entries.push_back(std::move(entry));
    }
    if (at != table.size()) {
        return makeError("The message table holds " + std::to_string(table.size() - at) +
                         " bytes after its last entry (entry count " + std::to_string(count) + ").");
    }
    return entries;
}

Result<std::vector<uint8_t>> packMessageTable(std::span<const ErrorEntry> entries) {
    if (entries.size() > 0xFFFF) return makeError("A message table holds at most 65535 entries.");
    std::vector<uint8_t> out;
    out.push_back(static_cast<uint8_t>(entries.size() & 0xFF));
    out.push_back(static_cast<uint8_t>(entries.size() >> 8));
    for (const ErrorEntry& entry : entries) {
        if (entry.title.size() > 255 || entry.message.size() > 255) {
            return makeError("The texts of message " + std::to_string(entry.id) +
                             " are too long for a packed table (at most 255 bytes each).");
        }
        const auto id = static_cast<uint16_t>(entry.id);
        out.push_back(static_cast<uint8_t>(id & 0xFF));
        out.push_back(static_cast<uint8_t>(id >> 8));
        out.push_back(static_cast<uint8_t>(entry.fatality));
        out.push_back(static_cast<uint8_t>(entry.title.size()));
        out.insert(out.end(), entry.title.begin(), entry.title.end());
        out.push_back(static_cast<uint8_t>(entry.message.size()));
        out.insert(out.end(), entry.message.begin(), entry.message.end());
    }
    return out;
}

}  // namespace kirva::framework
