// import, dump and check: the data tools over the keyed-file driver and the CSV form of data/csv.h.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "data/csv.h"
#include "data/layout.h"
#include "data/record.h"
#include "data/rules.h"
#include "platform/system_files.h"
#include "platform/text1250.h"
#include "storage/keyed_file.h"
#include "tools/cli/cli.h"
#include "tools/cli/commands.h"

namespace kirva::cli {

namespace {

namespace fs = std::filesystem;
using data::Layout;
using data::Record;
using storage::KeyedFile;

constexpr std::size_t kMaxListed = 50;

constexpr std::string_view kImportHelp =
    "usage: kirva-cli import FILE CSV [--layout NAME]\n"
    "\n"
    "Loads the records of CSV into the data file FILE, creating FILE when it is missing. The layout is\n"
    "named by FILE's base name (FARACUN.DB -> FARACUN) unless --layout names it (FAPARAC2, for example).\n"
    "\n"
    "CSV: RFC 4180 in UTF-8; the first line names the columns (the field names without prefix, in any\n"
    "case; array elements as NAME[1] .. NAME[n]; a memo by its name; groups are not columns, their\n"
    "members are). Fields not named are cleared. Decimals with a point, dates yyyy-mm-dd, an empty\n"
    "number or date is 0. Values are stored as given.\n"
    "\n"
    "All or nothing: any bad value, or a record that repeats a unique key (within the CSV or against\n"
    "the records already in FILE), refuses the whole CSV with its line and column, and FILE is left\n"
    "as it was. A new FILE is built under a work name of its own and put in place at the end, unless\n"
    "another import created FILE meanwhile: that one is kept, and this import fails.\n"
    "\n"
    "exit codes: 0 loaded; 1 the CSV was refused, nothing written; 2 bad usage, unknown layout or\n"
    "unreadable CSV; 4 the data file could not be opened, created or written.\n";

constexpr std::string_view kDumpHelp =
    "usage: kirva-cli dump FILE [--key NAME] [--layout NAME]\n"
    "\n"
    "Writes every record of the data file FILE as CSV on standard output, in the form import reads, in\n"
    "the order of a key: the key named by --key (with or without the file's prefix), else the primary\n"
    "key, else the first key. The layout is named by FILE's base name unless --layout names it.\n"
    "\n"
    "exit codes: 0 written; 2 bad usage or unknown layout or key; 4 the data file could not be opened\n"
    "or read, or holds a damaged record.\n";

constexpr std::string_view kCheckHelp =
    "usage: kirva-cli check FILE [--layout NAME]\n"
    "\n"
    "Runs the file's field validation over every record of the data file FILE, in the order of its\n"
    "primary key, and lists each failure: the record's position and key values, the field, its value,\n"
    "and the message with the field's prompt.\n"
    "\n"
    "exit codes: 0 every record passes; 1 failures were found; 2 bad usage or unknown layout; 4 the\n"
    "data file could not be opened or read.\n";

// The command's arguments: positionals and --name VALUE (or --name=VALUE) options.
struct Parsed {
    std::vector<std::string> positional;
    std::map<std::string, std::string, std::less<>> options;
    bool help = false;
};

std::optional<Parsed> parseArgs(const Args& args, std::initializer_list<std::string_view> known,
                                std::string_view command, std::ostream& err) {
    Parsed parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
            continue;
        }
        if (!arg.starts_with("--")) {
            parsed.positional.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::string value;
        const auto equals = name.find('=');
        if (equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        bool isKnown = false;
        for (auto k : known) isKnown = isKnown || k == name;
        if (!isKnown) {
            err << "kirva-cli " << command << ": unknown option --" << name << "; see kirva-cli " << command
                << " --help\n";
            return std::nullopt;
        }
        if (equals == std::string::npos) {
            if (i + 1 >= args.size()) {
                err << "kirva-cli " << command << ": --" << name << " needs a value; see kirva-cli " << command
                    << " --help\n";
                return std::nullopt;
            }
            value = args[++i];
        }
        parsed.options[name] = value;
    }
    return parsed;
}

std::string option(const Parsed& parsed, std::string_view name) {
    const auto found = parsed.options.find(name);
    return found == parsed.options.end() ? std::string() : found->second;
}

std::string knownLayouts() {
    std::string names;
    for (const Layout* layout : data::dictionaryLayouts()) {
        names += (names.empty() ? "" : ", ") + std::string(layout->label);
    }
    return names;
}

// The layout named by --layout, else by the file's base name.
const Layout* layoutFor(const std::string& file, const std::string& override, std::string_view command,
                        std::ostream& err) {
    const std::string name = override.empty() ? platform::pathOf(file).stem().string() : override;
    const Layout* layout = data::findLayout(name);
    if (layout == nullptr) {
        err << "kirva-cli " << command << ": no data file is named '" << name << "'"
            << (override.empty() ? " (name the layout with --layout NAME)" : "") << "; known: " << knownLayouts()
            << "\n";
    }
    return layout;
}

std::string driverDetail(const KeyedFile& file) {
    const auto& error = file.lastError();
    std::string text = error.text();
    if (text.empty()) text = "error " + std::to_string(error.code);
    if (!error.sqliteMessage.empty()) text += " (" + error.sqliteMessage + ")";
    return text;
}

// A field's value as the CSV shows it, for messages.
std::string valueText(const Record& record, std::size_t field) {
    const data::FieldDef& def = record.layout().fields[field];
    switch (def.type) {
        case data::FieldType::Text:
        case data::FieldType::CText:
        case data::FieldType::Group:
            return "'" + cp1250ToUtf8(clipRight(record.text(field))) + "'";
        case data::FieldType::Decimal: {
            const auto value = record.decimal(field);
            return value ? value->toString() : std::string("(damaged)");
        }
        case data::FieldType::Date:
            return formatDateIso(static_cast<DateNumber>(record.integer(field)));
        default:
            return std::to_string(record.integer(field));
    }
}

// "BE 1, LETODOKUMENTA 2024, INTERNASTEVDOKUMENTA 5"
std::string keyValues(const Record& record, std::size_t key) {
    std::string out;
    for (auto field : record.layout().keyColumns(key)) {
        out += (out.empty() ? "" : ", ") + std::string(record.layout().fields[field].name) + " " +
               valueText(record, field);
    }
    return out;
}

std::optional<std::size_t> defaultKey(const Layout& layout) {
    for (std::size_t k = 0; k < layout.keys.size(); ++k) {
        if (layout.keys[k].primary) return k;
    }
    if (layout.keys.empty()) return std::nullopt;
    return 0;
}

// The key bytes of one unique key: the image bytes of its columns, which is what makes two records equal.
std::string keyImage(const Record& record, const std::vector<std::size_t>& columns) {
    std::string bytes;
    for (auto field : columns) {
        const data::FieldDef& def = record.layout().fields[field];
        const auto image = record.image().subspan(def.offset, def.totalSize());
        bytes.append(reinterpret_cast<const char*>(image.data()), image.size());
        bytes += '\x1F';
    }
    return bytes;
}

void listProblems(std::ostream& err, const std::string& source, const std::vector<std::string>& listed,
                  std::size_t total) {
    for (const auto& line : listed) err << source << ": " << line << "\n";
    if (total > listed.size()) err << source << ": ... and " << total - listed.size() << " more\n";
}

// A record of the CSV that repeats a unique key: of an earlier record of the CSV, or of one already in
// the file.
struct Duplicate {
    std::size_t line = 0;
    std::size_t key = 0;
    std::string image;  // keyImage of the repeated key
    std::string values;
    bool found = false;  // which unique key it repeats could be told
    bool ofCsv = false;
};

// The first line of the CSV holding each listed CSV duplicate's key: a second read of the text, on the way
// to refusing it, so that the import never keeps a key per record.
void findRepeatedLines(const Layout& layout, std::istream& in, std::vector<Duplicate>& listed,
                       std::map<std::size_t, std::size_t>& firstLine) {
    std::map<std::pair<std::size_t, std::string>, std::size_t> wanted;  // (key, image) → first line
    for (const auto& d : listed) {
        if (d.ofCsv) wanted.emplace(std::pair{d.key, d.image}, 0);
    }
    in.clear();
    in.seekg(0);
    data::CsvReader again(layout, in);
    while (const data::CsvRecord* r = again.next()) {
        for (auto& [key, line] : wanted) {
            if (line == 0 && keyImage(r->record, layout.keyColumns(key.first)) == key.second) line = r->line;
        }
    }
    for (const auto& d : listed) {
        if (d.ofCsv) firstLine[d.line] = wanted[{d.key, d.image}];
    }
}

// Renames `from` to `to` only when nothing is at `to`: a file another import put there meanwhile stays.
Result<void> renameIfAbsent(const std::string& from, const std::string& to) {
    const int error = platform::renameIfAbsent(from, to);
    if (error == 0) return {};
    if (error == EEXIST) return makeError(to + " was created by someone else while this import ran");
    return makeError("cannot create " + to + ": " + platform::systemErrorText(error));
}

void reportCsvProblems(std::ostream& err, const std::string& csvPath, const std::string& dataPath,
                       const data::CsvReader& reader) {
    std::vector<std::string> listed;
    for (const auto& problem : reader.problems()) listed.push_back(problem.text());
    listProblems(err, csvPath, listed, reader.problemCount());
    if (reader.badRecords() == 0) {
        err << "kirva-cli import: the header of " << csvPath << " is not usable; nothing was written to " << dataPath
            << "\n";
    } else {
        err << "kirva-cli import: " << reader.badRecords() << " bad record" << (reader.badRecords() == 1 ? "" : "s")
            << " in " << csvPath << "; nothing was written to " << dataPath << "\n";
    }
}

// Reads, checks and loads the CSV into an open file one record at a time, in one transaction: nothing
// stays written unless every record was good and went in. A bad value stops the loading but not the
// reading, so that every problem is reported.
int loadRecords(KeyedFile& file, const std::string& shownName, const std::string& csvName, std::istream& in,
                std::size_t& loaded, std::ostream& err) {
    const Layout& layout = file.layout();
    KeyedFile::Transaction transaction(file);
    if (transaction.status() != 0) {
        err << "kirva-cli import: cannot write " << shownName << ": " << driverDetail(file) << "\n";
        return DataFileError;
    }
    data::CsvReadOptions options;
    options.maxListed = kMaxListed;
    data::CsvReader reader(layout, in, options);
    // Records this import adds take positions from the first one it added on: a repeated key found at such
    // a position is one of the CSV's own.
    std::optional<int64_t> firstAdded;
    std::vector<Duplicate> listed;
    std::size_t ofCsv = 0;
    std::size_t ofFile = 0;
    while (data::CsvRecord* r = reader.next()) {
        if (!reader.ok()) continue;
        const int rc = file.add(r->record);
        if (rc == 0) {
            if (!firstAdded) firstAdded = file.position();
            ++loaded;
            continue;
        }
        if (rc != storage::DuplicateKey) {
            err << "kirva-cli import: cannot write " << shownName << " (CSV line " << r->line
                << "): " << driverDetail(file) << "; nothing was written\n";
            return DataFileError;
        }
        Duplicate duplicate{r->line, 0, {}, {}, false, false};
        for (std::size_t k = 0; k < layout.keys.size() && !duplicate.found; ++k) {
            if (!layout.keys[k].unique) continue;
            Record probe = r->record;
            if (file.get(k, probe) != 0) continue;
            duplicate.found = true;
            duplicate.key = k;
            duplicate.image = keyImage(r->record, layout.keyColumns(k));
            duplicate.values = keyValues(r->record, k);
            duplicate.ofCsv = firstAdded && file.position() >= *firstAdded;
        }
        ++(duplicate.ofCsv ? ofCsv : ofFile);
        // Listed by kind, as each kind is reported on its own.
        const std::size_t sameKind = static_cast<std::size_t>(std::count_if(
            listed.begin(), listed.end(), [&](const Duplicate& d) { return d.ofCsv == duplicate.ofCsv; }));
        if (sameKind < kMaxListed) listed.push_back(std::move(duplicate));
    }
    if (reader.readFailed()) {
        err << "kirva-cli import: cannot read the CSV file " << csvName << "; nothing was written to " << shownName
            << "\n";
        return BadUsage;
    }
    if (!reader.ok()) {
        reportCsvProblems(err, csvName, shownName, reader);
        return CsvRefused;
    }
    if (ofCsv != 0) {
        std::map<std::size_t, std::size_t> firstLine;
        findRepeatedLines(layout, in, listed, firstLine);
        std::vector<std::string> lines;
        for (const auto& d : listed) {
            if (!d.ofCsv) continue;
            lines.push_back("line " + std::to_string(d.line) + ": the unique key " + layout.fullKeyName(d.key) + " (" +
                            d.values + ") repeats line " + std::to_string(firstLine[d.line]));
        }
        listProblems(err, csvName, lines, ofCsv);
        err << "kirva-cli import: " << ofCsv << " record" << (ofCsv == 1 ? "" : "s") << " of " << csvName
            << " repeat a unique key; nothing was written to " << shownName << "\n";
        return CsvRefused;
    }
    if (ofFile != 0) {
        std::vector<std::string> lines;
        for (const auto& d : listed) {
            const std::string which = d.found ? layout.fullKeyName(d.key) + " (" + d.values + ")" : std::string("key");
            lines.push_back("line " + std::to_string(d.line) + ": a record with the same unique " + which +
                            " is already in " + shownName);
        }
        listProblems(err, csvName, lines, ofFile);
        err << "kirva-cli import: " << ofFile << " record" << (ofFile == 1 ? "" : "s")
            << " of the CSV repeat a unique key; nothing was written to " << shownName << "\n";
        return CsvRefused;
    }
    if (transaction.commit() != 0) {
        err << "kirva-cli import: cannot write " << shownName << ": " << driverDetail(file)
            << "; nothing was written\n";
        return DataFileError;
    }
    return Done;
}

}  // namespace

int importCommand(const Args& args, std::ostream& out, std::ostream& err) {
    const auto parsed = parseArgs(args, {"layout"}, "import", err);
    if (!parsed) return BadUsage;
    if (parsed->help) {
        out << kImportHelp;
        return Done;
    }
    if (parsed->positional.size() != 2) {
        err << "kirva-cli import: expected FILE and CSV; see kirva-cli import --help\n";
        return BadUsage;
    }
    const std::string& dataPath = parsed->positional[0];
    const std::string& csvPath = parsed->positional[1];
    const Layout* layout = layoutFor(dataPath, option(*parsed, "layout"), "import", err);
    if (layout == nullptr) return BadUsage;

    std::ifstream in(csvPath, std::ios::binary);
    std::error_code ec;
    if (!in || fs::is_directory(csvPath, ec)) {
        err << "kirva-cli import: cannot read the CSV file " << csvPath << "\n";
        return BadUsage;
    }

    const bool existed = fs::exists(platform::pathOf(dataPath), ec);
    // A new file is built under a work name of this import's own, made exclusively beside its final name,
    // and put in place only when it is complete and only where no file has appeared meanwhile: another
    // import's work file is never touched, and its finished file is never replaced.
    std::string workPath = dataPath;
    bool ownWork = false;  // the work file was made by this import, and only then is it removed
    std::size_t loaded = 0;
    int rc = Done;
    {
        KeyedFile file(*layout);
        int opened = 1;
        if (existed) {
            opened = file.open(dataPath);
        } else {
            for (int attempt = 0; attempt < 100 && !ownWork; ++attempt) {
                workPath = dataPath + ".import-" + std::to_string(platform::currentProcessId()) + "-" +
                           std::to_string(attempt);
                if (platform::pathExists(workPath) || platform::pathExists(workPath + "-journal")) continue;
                if (file.create(workPath) != 0) break;
                ownWork = true;
                opened = file.open(workPath);
            }
        }
        if (opened != 0) {
            // A bad CSV is named before a data file that cannot be opened, as when the text is checked first.
            data::CsvReadOptions options;
            options.maxListed = kMaxListed;
            data::CsvReader check(*layout, in, options);
            while (check.next() != nullptr) {
            }
            if (!check.ok()) {
                reportCsvProblems(err, csvPath, dataPath, check);
                rc = CsvRefused;
            } else {
                err << "kirva-cli import: cannot " << (existed ? "open " : "create ") << dataPath << ": "
                    << (file.lastError().code != 0 ? driverDetail(file) : std::string("no free work name beside it"))
                    << "\n";
                rc = DataFileError;
            }
        } else {
            rc = loadRecords(file, dataPath, csvPath, in, loaded, err);
            file.close();
        }
    }
    if (!existed) {
        if (rc == Done) {
            if (const auto placed = renameIfAbsent(workPath, dataPath); !placed) {
                err << "kirva-cli import: " << placed.error().message << "; nothing of " << csvPath << " was written\n";
                rc = DataFileError;
            }
        }
        if (rc != Done && ownWork) {
            (void)platform::removeFile(workPath);
            (void)platform::removeFile(workPath + "-journal");
        }
    }
    if (rc == Done) {
        out << "imported " << loaded << " record" << (loaded == 1 ? "" : "s") << " into " << dataPath << "\n";
    }
    return rc;
}

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
