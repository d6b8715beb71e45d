// kirva-cli: the windowless front of the program (export, count) and the data tools (import, dump,
// check, demo). Each command is a function of its arguments and two streams, so tests run them
// in-process. Exit codes are the command-line contract: 0 done, 1 nothing in the period, 2 bad usage or
// wrong dates, 3 the journal could not be written, 4 a data file could not be opened or read.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kirva::cli {

enum ExitCode : int { Done = 0, NothingInPeriod = 1, BadUsage = 2, JournalNotWritten = 3, DataFileError = 4 };

int run(int argc, char** argv, std::ostream& out, std::ostream& err);
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kirva::cli
