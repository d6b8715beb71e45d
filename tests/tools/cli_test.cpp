#include "tools/cli/cli.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

// --help and --version work on the program and on every command, without touching any file.
TEST(Cli, HelpAndVersionOnEveryCommand) {
    for (const std::string command : {"", "export", "count", "import", "dump", "check", "demo"}) {
        for (const std::string option : {"--help", "--version"}) {
            std::ostringstream out, err;
            std::vector<std::string> args;
            if (!command.empty()) args.push_back(command);
            args.push_back(option);
            EXPECT_EQ(kirva::cli::run(args, out, err), 0) << command << " " << option << ": " << err.str();
            EXPECT_NE(out.str().find(option == "--help" ? "usage" : "kirva-cli "), std::string::npos)
                << command << " " << option;
        }
    }
}

TEST(Cli, AnUnknownCommandOrNoneIsBadUsage) {
    std::ostringstream out, err;
    EXPECT_EQ(kirva::cli::run({"nonsense"}, out, err), 2);
    EXPECT_NE(err.str().find("unknown command 'nonsense'"), std::string::npos);
    EXPECT_EQ(kirva::cli::run(std::vector<std::string>{}, out, err), 2);
}

}  // namespace
