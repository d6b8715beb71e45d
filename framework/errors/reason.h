// Why the program refused or failed, as data: what failed, which file, key, invoice and value. The program
// hands a Reason up to its front, and each front words it with its own table, both of which live here so
// that one place holds every wording: slovenianText for the windows (Windows-1250), englishText for
// kirva-cli's standard error (UTF-8). Depends on platform/ only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/text1250.h"

namespace kirva::framework {

enum class ReasonKind {
    NotSettingsFile,      // file is no text settings file; detail says what it is
    SettingNotHeld,       // the value of key in [section] of file has a character Windows-1250 lacks
    SettingUncarried,     // the value of key holds the byte `value` at `position`, which the journal cannot carry
    SettingTooLong,       // the value of key is `length` characters long, the program holds `limit`
    DataFileNameTooLong,  // the folder in key makes the data-file name `value` `length` characters long
    NoOutputFolder,       // PotDoXMLRacunov is empty
    WrongPeriod,          // the period `value` is refused by the wrong-dates rule; detail says why
    JournalNotWritten,    // the journal `file` could not be written; `code` is the system's error number
    DataFileUnreadable,   // the data file `file` could not be read; detail is the driver's own text
    TextNotCarried,       // field `key` of `file` (invoice, customer) holds `value` at `position`
};

struct Reason {
    ReasonKind what = ReasonKind::DataFileUnreadable;
    std::string file{};     // a path, UTF-8
    std::string section{};  // a settings section
    std::string key{};      // a settings key, or a field (SFPARTN:NAZIV)
    std::string invoice{};  // an invoice number, as digits
    std::string partner{};  // a customer number, when the reason concerns one
    std::string value{};    // the value concerned: a byte (0x07), a data-file name, a period
    int64_t length = 0;     // a length in characters, or a position (from 1)
    int64_t limit = 0;      // the most the program holds
    int code = 0;           // the system's error number (errno), 0 when none
    std::string detail{};   // the lower layer's own English text (driver, system), for the English front
};

// The reason in the windows' words: Slovenian; "|" starts a new line of a message box.
Text1250 slovenianText(const Reason& reason);
// The reason as kirva-cli prints it: English, UTF-8, one line.
std::string englishText(const Reason& reason);

}  // namespace kirva::framework
