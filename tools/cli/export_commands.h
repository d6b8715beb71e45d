#pragma once

#include <ostream>

#include "platform/date.h"
#include "tools/cli/commands.h"

namespace kirva::cli {

// export and count: argument parsing and printing around the export session (app/export_session.h).
// export and count with the day taken as today given, so tests can fix it; the plain commands use the
// system clock.
int exportCommand(const Args& args, std::ostream& out, std::ostream& err, const Clock& clock);
int countCommand(const Args& args, std::ostream& out, std::ostream& err, const Clock& clock);

}  // namespace kirva::cli
