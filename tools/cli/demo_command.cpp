// demo: writes the demo data files and a KIRVA.INI (tools/demo/).
#include <charconv>
#include <string>
#include <string_view>

#include "platform/date.h"
#include "tools/cli/cli.h"
#include "tools/cli/commands.h"
#include "tools/demo/demo_files.h"

namespace kirva::cli {

namespace {

constexpr std::string_view kDemoHelp =
    "usage: kirva-cli demo DIR [--invoices N] [--seed S]\n"
    "\n"
    "Writes demo data into the folder DIR (created when missing): FARACUN.DB with N invoices (default\n"
    "300) dated from at least six months back up to the end of the previous calendar month, SFENPA.DB\n"
    "with the accounts of the business units of two companies, SFPARTN.DB with domestic, EU and\n"
    "third-country customers, the empty QFASTOR.DB, QFASTPO.DB, SaopRAC.DB and SFPOEN.DB, the output\n"
    "folder DIR/XML/ and a KIRVA.INI pointing at them, so that `cd DIR && kirva-cli export` writes the\n"
    "journal of the previous month. The same seed S (default 1) gives the same data on the same day.\n"
    "DIR must not hold any of these files already.\n"
    "\n"
    "exit codes: 0 written; 2 bad usage, or DIR already holds demo files; 4 a file could not be written.\n";

template <class T>
bool parseNumber(std::string_view text, T& value) {
    const auto end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

}  // namespace

// The clock is injectable for tests; the command line uses the system's.
int demoCommand(const Args& args, std::ostream& out, std::ostream& err, const Clock& clock) {
    std::string dir;
    demo::DemoOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out << kDemoHelp;
            return Done;
        }
        if (arg == "--invoices" || arg == "--seed") {
            if (i + 1 >= args.size()) {
                err << "kirva-cli demo: " << arg << " needs a value; see kirva-cli demo --help\n";
                return BadUsage;
            }
            const std::string& value = args[++i];
            const bool good = arg == "--invoices" ? parseNumber(value, options.invoices) && options.invoices >= 0 &&
                                                        options.invoices <= 10'000'000
                                                  : parseNumber(value, options.seed);
            if (!good) {
                err << "kirva-cli demo: " << arg << " takes a whole number"
                    << (arg == "--invoices" ? " from 0 to 10000000" : "") << ", not '" << value << "'\n";
                return BadUsage;
            }
            continue;
        }
        if (arg.starts_with("--") || !dir.empty()) {
            err << "kirva-cli demo: unexpected argument '" << arg << "'; see kirva-cli demo --help\n";
            return BadUsage;
        }
        dir = arg;
    }
    if (dir.empty()) {
        err << "kirva-cli demo: expected the folder DIR; see kirva-cli demo --help\n";
        return BadUsage;
    }
    if (auto existing = demo::existingDemoFile(dir)) {
        err << "kirva-cli demo: " << *existing << " already exists; choose a folder without data files\n";
        return BadUsage;
    }
    auto written = demo::writeDemo(dir, options, clock);
    if (!written) {
        err << "kirva-cli demo: " << written.error().message << "\n";
        return DataFileError;
    }
    out << "demo data written: " << written->invoices << " invoices from " << formatDateDots(written->from) << " to "
        << formatDateDots(written->to) << ", " << written->partners << " partners, " << written->units
        << " business units; settings in " << written->iniFile << "\n";
    return Done;
}

int demoCommand(const Args& args, std::ostream& out, std::ostream& err) {
    const SystemClock clock;
    return demoCommand(args, out, err, clock);
}

}  // namespace kirva::cli
