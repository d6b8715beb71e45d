#include "tools/cli/commands.h"

namespace kirva::cli {

int exportCommand(const Args&, std::ostream&, std::ostream& err) {
    err << "kirva-cli: this command is not built yet\n";
    return 2;
}

int countCommand(const Args&, std::ostream&, std::ostream& err) {
    err << "kirva-cli: this command is not built yet\n";
    return 2;
}

}  // namespace kirva::cli
