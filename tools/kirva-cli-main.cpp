// The command-line front: a thin main over the commands in tools/cli/.
#include <iostream>

#include "tools/cli/cli.h"

int main(int argc, char** argv) {
    return kirva::cli::run(argc, argv, std::cout, std::cerr);
}
