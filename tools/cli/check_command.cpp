// kirva-cli check: the field validation over every record of a data file.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/layout.h"
#include "data/record.h"
#include "data/rules.h"
#include "storage/keyed_file.h"
#include "tools/cli/cli.h"
#include "tools/cli/commands.h"
#include "tools/cli/data_tool.h"

namespace kirva::cli {

namespace {

using data::Layout;
using data::Record;
using storage::KeyedFile;

constexpr std::string_view kCheckHelp =
    "usage: kirva-cli check FILE [--layout NAME]\n"
    "\n"
    "Runs the file's field validation over every record of the data file FILE, in the order of its\n"
    "primary key, and lists each failure: the record's position and key values, the field, its value,\n"
    "and the message with the field's prompt.\n"
    "\n"
    "exit codes: 0 every record passes; 1 failures were found; 2 bad usage or unknown layout; 4 the\n"
    "data file could not be opened or read.\n";

}  // namespace

int checkCommand(const Args& args, std::ostream& out, std::ostream& err) {
    const auto parsed = parseArgs(args, {"layout"}, "check", err);
    if (!parsed) return BadUsage;
    if (parsed->help) {
        out << kCheckHelp;
        return Done;
    }
    if (parsed->positional.size() != 1) {
        err << "kirva-cli check: expected one FILE; see kirva-cli check --help\n";
        return BadUsage;
    }
    const std::string& path = parsed->positional[0];
    const Layout* layout = layoutFor(path, option(*parsed, "layout"), "check", err);
    if (layout == nullptr) return BadUsage;
    const auto key = defaultKey(*layout);
    KeyedFile file(*layout);
    if (file.open(path, storage::kOpenReadOnlyDenyNone) != 0 || (key && file.setFirst(*key) != 0)) {
        err << "kirva-cli check: cannot open " << path << ": " << driverDetail(file) << "\n";
        return DataFileError;
    }
    if (!key) {
        out << path << ": no key to read by; nothing checked\n";
        return Done;
    }
    Record record(*layout);
    std::size_t checked = 0;
    std::size_t failures = 0;
    std::size_t failedRecords = 0;
    while (true) {
        const int rc = file.next(record);
        if (rc == storage::EndOfFile) break;
        if (rc != 0) {
            err << "kirva-cli check: cannot read " << path << " after " << checked << " records: " << driverDetail(file)
                << "\n";
            return DataFileError;
        }
        ++checked;
        const auto failed = data::checkRecord(record);
        if (failed.empty()) continue;
        ++failedRecords;
        for (const auto& check : failed) {
            ++failures;
            const auto field = layout->findField(check.field);
            out << "record at position " << file.position() << " (" << keyValues(record, *key)
                << "): " << layout->prefix << ":" << check.field << " = " << (field ? valueText(record, *field) : "?")
                << ": " << check.title << ": " << check.prompt << ": " << check.message << "\n";
        }
    }
    out << path << ": " << checked << " record" << (checked == 1 ? "" : "s") << " checked, " << failures << " failure"
        << (failures == 1 ? "" : "s") << " in " << failedRecords << " record" << (failedRecords == 1 ? "" : "s")
        << "\n";
    return failures == 0 ? Done : ChecksFailed;
}

}  // namespace kirva::cli
