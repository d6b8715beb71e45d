// Profile (INI) files as the program has always used them: sections in square brackets, one
// "key=value" line per key; section and key names match without regard to case; a missing file,
// section or key reads as the default; writing creates what is missing and keeps every other line
// (comments, other sections, the order of keys) as it was. The file is never held open.
// Values are Windows-1250 in memory; the file is written as UTF-8, and a file that is not valid UTF-8 is
// read as Windows-1250.
#pragma once

#include <string>
#include <string_view>

#include "platform/result.h"

namespace kirva::platform {

std::string readProfileString(const std::string& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue);
Result<void> writeProfileString(const std::string& file, std::string_view section, std::string_view key,
                                std::string_view value);
Result<void> deleteProfileKey(const std::string& file, std::string_view section, std::string_view key);

}  // namespace kirva::platform
