#pragma once

#include <ostream>
#include <string>

#include "platform/date.h"
#include "tools/cli/commands.h"

namespace kirva::cli {

// export and count: argument parsing and printing around the export session (app/export_session.h).
// export and count with the day taken as today given, so tests can fix it; the plain commands use the
// system clock.
int exportCommand(const Args& args, std::ostream& out, std::ostream& err, const Clock& clock);
int countCommand(const Args& args, std::ostream& out, std::ostream& err, const Clock& clock);

// The settings file a command over the book reads, checked before anything opens it: named with --ini
// (`named`) it must exist, and it must be a settings file whose values the program can hold. Says why on
// `err` after `prefix` and gives false when it is not.
bool settingsFileUsable(const std::string& ini, bool named, const std::string& prefix, std::ostream& err);

}  // namespace kirva::cli
