#include "tools/cli/cli.h"

#include <algorithm>
#include <exception>
#include <map>
#include <new>
#include <string_view>

#include "tools/cli/commands.h"

namespace kirva::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: kirva-cli <command> [options]\n"
    "\n"
    "commands:\n"
    "  export [--from DATE] [--to DATE] [--ini PATH]   write the journal of a period\n"
    "  count  [--from DATE] [--to DATE] [--ini PATH]   count the invoices of a period\n"
    "  import FILE CSV [--layout NAME]                 load records into a data file\n"
    "  dump   FILE [--key NAME]                        write the records as CSV in key order\n"
    "  check  FILE                                     run the field validation over every record\n"
    "  demo   DIR [--invoices N] [--seed S]            write demo data files and a KIRVA.INI\n"
    "  summary [--from DATE] [--to DATE] [--ini PATH] [--format text|csv|json]\n"
    "                                                  the recap of a period from the invoice book\n"
    "  verify JOURNAL.XML [--format text|csv|json]     check a journal and print its recap\n"
    "\n"
    "DATE is dd.mm.yyyy or yyyy-mm-dd. Every command takes --help; kirva-cli --version prints the version.\n";

}  // namespace

namespace {

int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.empty() ? err : out) << kUsage;
        return args.empty() ? BadUsage : Done;
    }
    if (args[0] == "--version") {
        out << "kirva-cli " << KIRVA_VERSION << "\n";
        return Done;
    }
    using Command = int (*)(const Args&, std::ostream&, std::ostream&);
    static const std::map<std::string, Command, std::less<>> table = {
        {"export", exportCommand}, {"count", countCommand}, {"import", importCommand},   {"dump", dumpCommand},
        {"check", checkCommand},   {"demo", demoCommand},   {"summary", summaryCommand}, {"verify", verifyCommand},
    };
    auto it = table.find(args[0]);
    if (it == table.end()) {
        err << "kirva-cli: unknown command '" << args[0] << "'; see kirva-cli --help\n";
        return BadUsage;
    }
    // --version is answered the same way for every command, before the command reads its arguments.
    if (std::find(args.begin() + 1, args.end(), "--version") != args.end()) {
        out << "kirva-cli " << KIRVA_VERSION << "\n";
        return Done;
    }
    return it->second(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    // Nothing may end the program without a word: running out of memory, or any other exception, is one
    // clear line and the exit code of a failed data file.
    try {
        return runCommand(args, out, err);
    } catch (const std::bad_alloc&) {
        err << "kirva-cli: out of memory; nothing more was done\n";
    } catch (const std::exception& e) {
        err << "kirva-cli: unexpected failure: " << e.what() << "; nothing more was done\n";
    } catch (...) {
        err << "kirva-cli: unexpected failure; nothing more was done\n";
    }
    return DataFileError;
}

int run(int argc, char** argv, std::ostream& out, std::ostream& err) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return run(args, out, err);
}

}  // namespace kirva::cli
