// The one place where the program's Windows-1250 texts meet Qt's strings.
#pragma once

#include <QString>
#include <optional>

#include "platform/text1250.h"

namespace kirva::platform::qt {

// Windows-1250 to a Qt string (every byte has a character, so this always succeeds).
QString toQString(const Text1250& text);
// A Qt string to Windows-1250; nullopt when it holds a character that Windows-1250 lacks (such text is
// refused, never altered).
std::optional<Text1250> fromQString(const QString& text);
// The same for what must have a value (what a control shows): a character Windows-1250 lacks becomes "?".
Text1250 fromQStringLossy(const QString& text);

}  // namespace kirva::platform::qt
