#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/date.h"

namespace kirva::cli {

using Args = std::vector<std::string>;

// Each takes the arguments after the command's name.
int exportCommand(const Args& args, std::ostream& out, std::ostream& err);
int countCommand(const Args& args, std::ostream& out, std::ostream& err);
int importCommand(const Args& args, std::ostream& out, std::ostream& err);
int dumpCommand(const Args& args, std::ostream& out, std::ostream& err);
int checkCommand(const Args& args, std::ostream& out, std::ostream& err);
int demoCommand(const Args& args, std::ostream& out, std::ostream& err);
int summaryCommand(const Args& args, std::ostream& out, std::ostream& err);
int verifyCommand(const Args& args, std::ostream& out, std::ostream& err);
// demo with an injected clock: the demo's invoices end with the month before the clock's today.
int demoCommand(const Args& args, std::ostream& out, std::ostream& err, const Clock& clock);

}  // namespace kirva::cli
