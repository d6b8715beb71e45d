// kirva-cli dump: every record of a data file as CSV, in the order of a key.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/csv.h"
#include "data/layout.h"
#include "data/record.h"
#include "storage/keyed_file.h"
#include "tools/cli/cli.h"
#include "tools/cli/commands.h"
#include "tools/cli/data_tool.h"

namespace kirva::cli {

namespace {

using data::Layout;
using data::Record;
using storage::KeyedFile;

constexpr std::string_view kDumpHelp =
    "usage: kirva-cli dump FILE [--key NAME] [--layout NAME]\n"
    "\n"
    "Writes every record of the data file FILE as CSV on standard output, in the form import reads, in\n"
    "the order of a key: the key named by --key (with or without the file's prefix), else the primary\n"
    "key, else the first key. The layout is named by FILE's base name unless --layout names it.\n"
    "\n"
    "exit codes: 0 written; 2 bad usage or unknown layout or key; 4 the data file could not be opened\n"
    "or read, or holds a damaged record.\n";

}  // namespace

int dumpCommand(const Args& args, std::ostream& out, std::ostream& err) {
    const auto parsed = parseArgs(args, {"key", "layout"}, "dump", err);
    if (!parsed) return BadUsage;
    if (parsed->help) {
        out << kDumpHelp;
        return Done;
    }
    if (parsed->positional.size() != 1) {
        err << "kirva-cli dump: expected one FILE; see kirva-cli dump --help\n";
        return BadUsage;
    }
    const std::string& path = parsed->positional[0];
    const Layout* layout = layoutFor(path, option(*parsed, "layout"), "dump", err);
    if (layout == nullptr) return BadUsage;
    std::optional<std::size_t> key;
    if (const std::string name = option(*parsed, "key"); !name.empty()) {
        key = layout->findKey(name);
        if (!key) {
            std::string keys;
            for (std::size_t k = 0; k < layout->keys.size(); ++k) {
                keys += (keys.empty() ? "" : ", ") + layout->fullKeyName(k);
            }
            err << "kirva-cli dump: " << layout->label << " has no key named '" << name << "'; its keys: " << keys
                << "\n";
            return BadUsage;
        }
    } else {
        key = defaultKey(*layout);
        if (!key) {
            err << "kirva-cli dump: " << layout->label << " has no key to order its records by\n";
            return BadUsage;
        }
    }

    KeyedFile file(*layout);
    if (file.open(path, storage::kOpenReadOnlyDenyNone) != 0 || file.setFirst(*key) != 0) {
        err << "kirva-cli dump: cannot open " << path << ": " << driverDetail(file) << "\n";
        return DataFileError;
    }
    const data::CsvWriter writer(*layout);
    std::string chunk = writer.header();
    Record record(*layout);
    while (true) {
        const int rc = file.next(record);
        if (rc == storage::EndOfFile) break;
        if (rc != 0) {
            out << chunk;
            err << "kirva-cli dump: cannot read " << path << ": " << driverDetail(file) << "\n";
            return DataFileError;
        }
        if (auto written = writer.append(record, chunk); !written) {
            out << chunk;
            err << "kirva-cli dump: " << path << ": the record at position " << file.position()
                << " cannot be written: " << written.error().message << "\n";
            return DataFileError;
        }
        if (chunk.size() >= (1u << 16)) {
            out << chunk;
            chunk.clear();
        }
    }
    out << chunk;
    out.flush();
    return Done;
}

}  // namespace kirva::cli
