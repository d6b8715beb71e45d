#pragma once

#include <ostream>

#include "platform/date.h"
#include "tools/cli/commands.h"

namespace kirva::cli {

// summary: the recap of a period from the book. verify: a journal checked and recapped. Exit codes of
// verify: 0 the journal holds, 1 it has faults (each named on standard error), 2 bad usage or a file that
// cannot be read.
int summaryCommand(const Args& args, std::ostream& out, std::ostream& err, const Clock& clock);
int verifyCommand(const Args& args, std::ostream& out, std::ostream& err);

}  // namespace kirva::cli
