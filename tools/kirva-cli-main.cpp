// The command-line front: a thin main over the commands in tools/cli/.
#include <iostream>
#include <string>
#include <vector>

#include "platform/system_files.h"
#include "tools/cli/cli.h"

int main(int argc, char** argv) {
    kirva::platform::prepareConsole();
    std::vector<std::string> arguments = kirva::platform::programArguments(argc, argv);
    // The command's own arguments, without the program's name.
    if (!arguments.empty()) arguments.erase(arguments.begin());
    return kirva::cli::run(arguments, std::cout, std::cerr);
}
