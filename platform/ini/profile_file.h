// Profile (INI) files as the program has always used them: sections in square brackets, one
// "key=value" line per key; section and key names match without regard to case; a missing file,
// section or key reads as the default; writing creates what is missing and keeps every other line
// (comments, other sections, the order of keys) as it was. The file is never held open.
// Values are Windows-1250 in memory. A file's encoding: a UTF-8 byte-order mark means UTF-8; otherwise the
// file is UTF-8 only when it decodes as UTF-8 and every character it then holds is one Windows-1250 has
// (Windows-1250 letters such as "ČŠ", C8 8A, also happen to decode as UTF-8, as a letter nobody typed);
// anything else is Windows-1250. A file keeps its encoding; a new file, and one of plain ASCII that shows no
// encoding yet, takes the system's own (kNewProfileUtf8): UTF-8 on Linux, Windows-1250 on Windows, where
// the other programs that read settings files expect the ANSI code page.
//
// The details:
// - A line "[Name]" opens a section (blanks around the name do not count); "key=value" is split at the first
//   "=", so a value may hold "="; blanks and tabs around key and value do not count, so a value never keeps
//   leading or trailing blanks. Lines starting with ";" or "#" are comments; any other line is kept and
//   matches nothing. Keys before the first section belong to none.
// - Duplicate sections or keys: the first one is read and replaced; the later ones are kept as they are.
// - A UTF-8 byte-order mark is accepted and kept. A character of such a file that Windows-1250 lacks reads
//   as '?' through readProfileString; readProfileStringExact reports it instead. A changed or new line is
//   written in the file's own encoding, and every other line keeps its bytes.
// - A key whose value does not change keeps its line byte for byte (trailing blanks, which a read drops,
//   included). A replaced value keeps its line (the key's spelling, the blanks around "=", the line
//   ending); a new key
//   goes after the last line of its section that is neither blank nor a comment; a new section goes at the
//   end of the file. New lines take the file's line ending (CRLF or LF), CRLF in a new file.
// - A write that changes nothing leaves the file untouched. A changed file is written to a temporary file
//   beside it, flushed and renamed into place (through a symbolic link, its target), keeping its
//   permissions, so it is never left half written. A name or value that would break the file (a line break,
//   "]" in a section name, "=" in a key name) is refused, as is writing over a file that cannot be read or
//   that is not a text settings file (a zero byte, a database or XML header,
//   bytes that are neither UTF-8 nor Windows-1250): a file named by mistake is never rewritten.
// - `file` is a path as the file system takes it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/result.h"

namespace kirva::platform {

// The encoding of a new settings file (and of a plain-ASCII one once it gains another letter): true UTF-8,
// false Windows-1250. The one place the choice is made.
#ifdef _WIN32
inline constexpr bool kNewProfileUtf8 = false;
#else
inline constexpr bool kNewProfileUtf8 = true;
#endif

// The value, or `defaultValue` when the file, the section or the key is missing or the file cannot be read.
std::string readProfileString(const std::string& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue);
// The same, but a stored character Windows-1250 lacks is an error naming the key and the file, so that a
// value is never taken (and later written back) with a '?' in its place.
Result<std::string> readProfileStringExact(const std::string& file, std::string_view section, std::string_view key,
                                           std::string_view defaultValue);
Result<void> writeProfileString(const std::string& file, std::string_view section, std::string_view key,
                                std::string_view value);
// Whether an existing file is a text settings file the program may read and write; a missing file is no
// error (a write creates it). The error names the file and what it holds instead.
Result<void> checkProfileFile(const std::string& file);
// Several keys of one section in one rewrite of the file, in order, each as writeProfileString writes it;
// nothing is written when one of them is refused.
Result<void> writeProfileStrings(const std::string& file, std::string_view section,
                                 const std::vector<std::pair<std::string, std::string>>& entries);
// Removes every line of the key in the section; a missing file, section or key is no error.
Result<void> deleteProfileKey(const std::string& file, std::string_view section, std::string_view key);

// A settings file read and parsed once; every key is then looked up in memory, so reading many keys (a long
// persisted list) costs one pass over the file. The functions above read the file anew at each call.
class Profile {
  public:
    // Never fails: a missing or unreadable file reads as empty; why the file may not be used is kept for
    // usable().
    static Profile read(const std::string& file);
    Profile(Profile&&) noexcept;
    Profile& operator=(Profile&&) noexcept;
    ~Profile();

    // As readProfileString and readProfileStringExact.
    std::string value(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    Result<std::string> exactValue(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    // As checkProfileFile, for the file as it was read.
    Result<void> usable() const;
    // False for a file kept as Windows-1250.
    bool utf8() const;

  private:
    struct Parsed;
    explicit Profile(std::unique_ptr<Parsed> parsed);
    std::unique_ptr<Parsed> parsed_;
};

// Changes to one settings file, collected and written in one rewrite by save().
class ProfileChanges {
  public:
    explicit ProfileChanges(std::string file) : file_(std::move(file)) {}

    // A name or value that would break the file is refused here and not recorded.
    Result<void> set(std::string_view section, std::string_view key, std::string_view value);
    void erase(std::string_view section, std::string_view key);
    // Reads the file as it is now (never one that is not a text settings file), applies the changes in the
    // order given and writes the file once, only when its bytes change. The changes are kept.
    Result<void> save() const;

  private:
    struct Change {
        bool erase = false;
        std::string section, key, value;
    };
    std::string file_;
    std::vector<Change> changes_;
};

}  // namespace kirva::platform
