// The command-line front: a thin main over the commands in tools/cli/.
#include <csignal>
#include <iostream>

#include "tools/cli/cli.h"

int main(int argc, char** argv) {
    // A write past the file-size limit then fails with its reason ("File too large") and the run cleans up,
    // instead of the process being killed with a half-written temporary left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    return kirva::cli::run(argc, argv, std::cout, std::cerr);
}
