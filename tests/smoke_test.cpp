#include <gtest/gtest.h>

#include <sstream>

#include "tools/cli/cli.h"

TEST(Cli, VersionAndUnknownCommand) {
    std::ostringstream out, err;
    EXPECT_EQ(kirva::cli::run({"--version"}, out, err), 0);
    EXPECT_NE(out.str().find("kirva-cli"), std::string::npos);
    EXPECT_EQ(kirva::cli::run({"nonsense"}, out, err), 2);
}
