// kirva-cli import: a CSV loaded into a data file, all or nothing, in the CSV form of data/csv.h.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
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
#include "tools/cli/data_tool.h"

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

}  // namespace kirva::cli
