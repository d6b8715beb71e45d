// The command-line front: a thin main over the commands in tools/cli/.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "platform/system_files.h"
#include "tools/cli/cli.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // A write past the file-size limit then fails with its reason ("File too large") and the run cleans up,
    // instead of the process being killed with a half-written temporary left behind.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    kirva::platform::prepareConsole();
    std::vector<std::string> arguments = kirva::platform::programArguments(argc, argv);
    // The command's own arguments, without the program's name.
    if (!arguments.empty()) arguments.erase(arguments.begin());
    return kirva::cli::run(arguments, std::cout, std::cerr);
}
