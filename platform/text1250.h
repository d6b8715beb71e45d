#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace kirva {

// Texts in memory are Windows-1250, one byte per character. UTF-8 appears only at the edges (SQLite,
// INI files, terminal, file names, Qt); these are the conversions and the fixed-width helpers.

// UTF-8 to Windows-1250. An error names the byte offset of invalid UTF-8 or of a character that
// Windows-1250 lacks; data coming in is refused rather than altered.
Result<std::string> utf8ToCp1250(std::string_view utf8);
// Windows-1250 to UTF-8; bytes the code page leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) are kept
// as the C1 control of the same value so that the round trip stays exact.
std::string cp1250ToUtf8(std::string_view cp1250);
// For source literals, which are UTF-8: the Windows-1250 form of a text known to fit.
std::string cp1250(std::string_view utf8Literal);
// Whether a text is valid UTF-8.
bool isValidUtf8(std::string_view text);
// Whether every byte is below 0x80: such a text is the same in UTF-8 and in Windows-1250.
bool isAscii(std::string_view text);

// Upper case of every Windows-1250 letter (č → Č, š → Š, ž → Ž, ...), not only ASCII.
std::string upper1250(std::string_view cp1250);

// Whether two texts are equal but for the case of their letters (Windows-1250, so ASCII too): the one
// compare for names that are not case-sensitive (labels, field and key names, column names).
bool equalNoCase(std::string_view a, std::string_view b);

// Trailing blanks removed.
std::string_view clipRight(std::string_view text);
// Cut or padded with blanks to exactly `width` bytes.
std::string padRight(std::string_view text, std::size_t width);
// The bytes [first, first+count) of `text`, 1-based like the program's slices ("characters 6 to 29"),
// padded with blanks where the text is shorter.
std::string slice(std::string_view text, std::size_t first, std::size_t count);

}  // namespace kirva
