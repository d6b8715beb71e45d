// kirva-cli: the windowless front of the program (export, count) and the data tools (import, dump,
// check, demo). Each command is a function of its arguments and two streams, so tests run them
// in-process. Exit codes are the command-line contract, named per command below.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kirva::cli {

enum ExitCode : int {
    // Every command.
    Done = 0,
    BadUsage = 2,       // and, for export and count, wrong dates
    DataFileError = 4,  // a data file could not be opened, read or written
    // export and count.
    NothingInPeriod = 1,    // the period holds no invoice; nothing written
    JournalNotWritten = 3,  // export only
    // import: the CSV was refused (a bad value or header, a repeated unique key); nothing written.
    CsvRefused = 1,
    // check: at least one record fails its field validation.
    ChecksFailed = 1,
};

int run(int argc, char** argv, std::ostream& out, std::ostream& err);
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kirva::cli
