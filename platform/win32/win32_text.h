// The one place where the program's Windows-1250 texts cross into the Win32 API's UTF-16 and back: through
// code page 1250 itself (MultiByteToWideChar / WideCharToMultiByte), so that what the window shows is
// exactly what the program holds.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/text1250.h"

namespace kirva::platform::win32 {

// Windows-1250 bytes to UTF-16 for the window system.
std::wstring toWide(std::string_view cp1250);
inline std::wstring toWide(const Text1250& text) {
    return toWide(text.bytes());
}
// UTF-16 from the window system to Windows-1250; nullopt when a character has no Windows-1250 form (a name
// of the user's typed or chosen outside the code page), rather than a silently altered text.
std::optional<std::string> fromWide(std::wstring_view wide);
// As fromWide, with "?" for each character that has no Windows-1250 form: for what is only shown or
// compared, never stored.
std::string fromWideLossy(std::wstring_view wide);
// The same, as the program's text: what a control shows or the user typed.
std::optional<Text1250> textFromWide(std::wstring_view wide);
Text1250 textFromWideLossy(std::wstring_view wide);

}  // namespace kirva::platform::win32
