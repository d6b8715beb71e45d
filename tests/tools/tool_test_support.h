// Shared helpers of the data-tool tests: the common temporary folder and file helpers, and running a
// kirva-cli command in-process.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_folder.h"
#include "tools/cli/cli.h"

namespace kirva::tooltest {

namespace fs = std::filesystem;

using kirva::testing::readFile;
using kirva::testing::TestFolder;
using kirva::testing::writeFile;

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

inline Outcome cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    Outcome outcome;
    outcome.code = kirva::cli::run(args, out, err);
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

}  // namespace kirva::tooltest
