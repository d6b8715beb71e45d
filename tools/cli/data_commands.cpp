#include "tools/cli/commands.h"

namespace kirva::cli {

int importCommand(const Args&, std::ostream&, std::ostream& err) {
    err << "kirva-cli: this command is not built yet\n";
    return 2;
}

int dumpCommand(const Args&, std::ostream&, std::ostream& err) {
    err << "kirva-cli: this command is not built yet\n";
    return 2;
}

int checkCommand(const Args&, std::ostream&, std::ostream& err) {
    err << "kirva-cli: this command is not built yet\n";
    return 2;
}

}  // namespace kirva::cli
