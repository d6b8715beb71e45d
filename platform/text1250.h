#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

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
// The same, appended to `out`: a caller converting many texts keeps one buffer's room.
void appendCp1250AsUtf8(std::string& out, std::string_view cp1250);
// For source literals, which are UTF-8: the Windows-1250 form of a text known to fit.
std::string cp1250(std::string_view utf8Literal);
// Whether a text is valid UTF-8.
bool isValidUtf8(std::string_view text);
// Whether every byte is below 0x80: such a text is the same in UTF-8 and in Windows-1250.
bool isAscii(std::string_view text);

// Windows-1250 text as the program holds it: control texts and captions, message boxes, the settings, the
// export state, record texts. A type of its own, so that UTF-8 (file names, messages for the console, source
// literals) handed where Windows-1250 is meant fails to compile instead of showing the wrong letters; the
// named conversions are the only ways in and out.
class Text1250 {
  public:
    Text1250() = default;
    // A source literal (UTF-8, as sources are) known to fit Windows-1250: cp1250() typed.
    static Text1250 literal(std::string_view utf8Literal) { return Text1250(cp1250(utf8Literal)); }
    // UTF-8 from outside: refused, never altered, at the first character Windows-1250 lacks.
    static Result<Text1250> fromUtf8(std::string_view utf8);
    // Bytes that are Windows-1250 already: a record image's text, a stored setting, a journal's bytes.
    static Text1250 fromBytes(std::string_view bytes) { return Text1250(std::string(bytes)); }

    std::string toUtf8() const { return cp1250ToUtf8(bytes_); }
    const std::string& bytes() const { return bytes_; }
    bool empty() const { return bytes_.empty(); }
    std::size_t size() const { return bytes_.size(); }

    Text1250& operator+=(const Text1250& more) {
        bytes_ += more.bytes_;
        return *this;
    }
    friend Text1250 operator+(Text1250 first, const Text1250& second) { return first += second; }
    friend bool operator==(const Text1250&, const Text1250&) = default;

  private:
    explicit Text1250(std::string bytes) : bytes_(std::move(bytes)) {}
    std::string bytes_;
};

// Upper case of every Windows-1250 letter (č → Č, š → Š, ž → Ž, ...), not only ASCII.
std::string upper1250(std::string_view cp1250);

// Whether two texts are equal but for the case of their letters (Windows-1250, so ASCII too): the one
// compare for names that are not case-sensitive (labels, field and key names, column names).
bool equalNoCase(std::string_view a, std::string_view b);

// Trailing blanks removed.
std::string_view clipRight(std::string_view text);
// Cut or padded with blanks to exactly `width` bytes.
std::string padRight(std::string_view text, std::size_t width);
// The same two for Windows-1250 text held as such (fixed-width globals, their blank-padded values).
Text1250 clipRight(const Text1250& text);
Text1250 padRight(const Text1250& text, std::size_t width);
// The bytes [first, first+count) of `text`, 1-based like the program's slices ("characters 6 to 29"),
// padded with blanks where the text is shorter.
std::string slice(std::string_view text, std::size_t first, std::size_t count);

}  // namespace kirva
