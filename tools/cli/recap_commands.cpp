#include "tools/cli/recap_commands.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include "app/export_session.h"
#include "export/export_run.h"
#include "export/journal_check.h"
#include "export/recap.h"
#include "platform/text1250.h"
#include "platform/window/message_box.h"
#include "settings/settings_store.h"
#include "tools/cli/cli.h"
#include "tools/cli/export_commands.h"

namespace kirva::cli {

namespace {

enum class Format { Text, Csv, Json };

constexpr std::string_view kSummaryUsage =
    "usage: kirva-cli summary [--from DATE] [--to DATE] [--ini PATH] [--format text|csv|json]\n"
    "The recap of a period from the invoice book, by the rules that write the journal.\n"
    "DATE is dd.mm.yyyy or yyyy-mm-dd; a date not given comes from the previous calendar month.\n"
    "Settings come from ./KIRVA.INI, or the file given with --ini.\n";

constexpr std::string_view kVerifyUsage =
    "usage: kirva-cli verify JOURNAL.XML [--format text|csv|json]\n"
    "Checks a journal and prints its recap. Exit 0 when it holds, 1 with every fault named on standard\n"
    "error, 2 when the file cannot be read.\n";

// Amounts with a decimal point and two decimals.
std::string money(const Decimal& amount) {
    auto two = amount.rescaled(2);
    return two ? two->toString() : amount.toString();
}

std::string pad(std::string text, std::size_t width, bool right) {
    // Widths count characters, not bytes: the texts are UTF-8.
    std::size_t chars = 0;
    for (const char c : text) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    if (chars >= width) return text;
    return right ? std::string(width - chars, ' ') + text : text + std::string(width - chars, ' ');
}

std::string jsonText(std::string_view utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static const char digits[] = "0123456789abcdef";
            out += "\\u00";
            out += digits[(c >> 4) & 15];
            out += digits[c & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

const char* const kMarketNames[] = {"Domac", "EU", "Tretji_svet"};
const char* const kMarketLabels[] = {"domači kupci", "kupci v EU", "kupci v tretjih državah"};

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string warningText(const exporting::RecapWarning& w) {
    if (w.kind == exporting::RecapWarning::Kind::MissingUnit) {
        return "V SFENPA ne obstaja zapis za podjetje " + std::to_string(w.company) + " in poslovno enoto " +
               std::to_string(w.unit) + "; računi: " + joined(w.invoices);
    }
    return "V šifrantu ne obstaja kupec " + std::to_string(w.customer) + "; računi: " + joined(w.invoices);
}

void printRecap(const exporting::Recap& recap, const std::vector<exporting::RuleImbalance>& imbalances, Format format,
                const std::string& title, std::ostream& out) {
    if (format == Format::Csv) {
        out << "Konto;Debet;Kredit\n";
        for (const auto& [account, totals] : recap.accounts()) {
            out << account << ";" << money(totals.debit) << ";" << money(totals.credit) << "\n";
        }
        return;
    }
    if (format == Format::Json) {
        out << "{\n  \"documents\": " << recap.documents() << ",\n  \"markets\": {";
        for (std::size_t m = 0; m < 3; ++m) {
            out << (m ? ", " : "") << "\"" << kMarketNames[m] << "\": {\"invoices\": " << recap.markets()[m].invoices
                << ", \"creditNotes\": " << recap.markets()[m].creditNotes << "}";
        }
        out << "},\n  \"accounts\": [";
        bool first = true;
        for (const auto& [account, totals] : recap.accounts()) {
            out << (first ? "\n" : ",\n") << "    {\"konto\": " << account << ", \"debet\": " << money(totals.debit)
                << ", \"kredit\": " << money(totals.credit) << "}";
            first = false;
        }
        out << (first ? "" : "\n  ") << "],\n  \"vat\": [";
        first = true;
        for (const auto& vat : recap.vat()) {
            out << (first ? "\n" : ",\n") << "    {\"kind\": " << jsonText(vat.kind)
                << ", \"base\": " << money(vat.base) << ", \"amount\": " << money(vat.amount) << "}";
            first = false;
        }
        out << (first ? "" : "\n  ") << "],\n  \"debit\": " << money(recap.debit())
            << ",\n  \"credit\": " << money(recap.credit()) << ",\n  \"warnings\": [";
        first = true;
        for (const auto& w : recap.warnings()) {
            const bool unit = w.kind == exporting::RecapWarning::Kind::MissingUnit;
            out << (first ? "\n" : ",\n") << "    {\"kind\": \"" << (unit ? "missingUnit" : "missingCustomer")
                << "\", ";
            if (unit) {
                out << "\"company\": " << w.company << ", \"unit\": " << w.unit;
            } else {
                out << "\"customer\": " << w.customer;
            }
            out << ", \"invoices\": [";
            for (std::size_t i = 0; i < w.invoices.size(); ++i) out << (i ? ", " : "") << jsonText(w.invoices[i]);
            out << "]}";
            first = false;
        }
        out << (first ? "" : "\n  ") << "],\n  \"ruleImbalances\": [";
        first = true;
        for (const auto& r : imbalances) {
            out << (first ? "\n" : ",\n") << "    {\"document\": " << jsonText(r.document)
                << ", \"debit\": " << money(r.debit) << ", \"credit\": " << money(r.credit)
                << ", \"why\": " << jsonText(r.why) << "}";
            first = false;
        }
        out << (first ? "" : "\n  ") << "]\n}\n";
        return;
    }

    out << title << "\n\n";
    out << pad("Dokumenti", 28, false) << pad("Računi", 10, true) << pad("Dobropisi", 12, true) << "\n";
    int64_t invoices = 0, creditNotes = 0;
    for (std::size_t m = 0; m < 3; ++m) {
        const auto& counts = recap.markets()[m];
        out << "  " << pad(kMarketLabels[m], 26, false) << pad(std::to_string(counts.invoices), 10, true)
            << pad(std::to_string(counts.creditNotes), 12, true) << "\n";
        invoices += counts.invoices;
        creditNotes += counts.creditNotes;
    }
    out << "  " << pad("skupaj", 26, false) << pad(std::to_string(invoices), 10, true)
        << pad(std::to_string(creditNotes), 12, true) << "\n\n";

    out << pad("Konto", 14, false) << pad("Debet", 18, true) << pad("Kredit", 18, true) << "\n";
    for (const auto& [account, totals] : recap.accounts()) {
        out << "  " << pad(std::to_string(account), 12, false) << pad(money(totals.debit), 18, true)
            << pad(money(totals.credit), 18, true) << "\n";
    }
    out << "  " << pad("skupaj", 12, false) << pad(money(recap.debit()), 18, true)
        << pad(money(recap.credit()), 18, true) << "\n\n";

    out << pad("DDV po vrsti knjižbe", 42, false) << pad("Osnova", 18, true) << pad("Znesek", 18, true) << "\n";
    const auto vat = recap.vat();
    if (vat.empty()) out << "  (ni postavk)\n";
    for (const auto& row : vat) {
        out << "  " << pad(row.kind, 40, false) << pad(money(row.base), 18, true) << pad(money(row.amount), 18, true)
            << "\n";
    }
    if (!recap.warnings().empty()) {
        out << "\nOpozorila\n";
        for (const auto& w : recap.warnings()) out << "  " << warningText(w) << "\n";
    }
    if (!imbalances.empty()) {
        out << "\nDokumenti, ki jih pravila knjiženja pustijo neuravnotežene\n";
        for (const auto& r : imbalances) {
            out << "  " << r.document << ": debet " << money(r.debit) << ", kredit " << money(r.credit) << " (" << r.why
                << ")\n";
        }
    }
}

std::optional<Format> parseFormat(std::string_view text) {
    if (text == "text") return Format::Text;
    if (text == "csv") return Format::Csv;
    if (text == "json") return Format::Json;
    return std::nullopt;
}

struct Options {
    PeriodOptions period;
    Format format = Format::Text;
    std::vector<std::string> files;
    bool help = false;
};

// The options, or the line that says what is wrong with them. `period`: whether --from, --to and --ini
// are known.
std::optional<std::string> parseOptions(const Args& args, bool period, Options& options) {
    const auto takesValue = [period](std::string_view name) {
        return name == "--format" || (period && isPeriodOption(name));
    };
    return scanOptions(
        args, takesValue,
        [&](const std::string& name, const std::optional<std::string>& value) -> std::optional<std::string> {
            if (name == "--help" || name == "-h") {
                options.help = true;
            } else if (name == "--format") {
                const auto format = parseFormat(*value);
                if (!format) return "unknown format '" + *value + "' (text, csv or json)";
                options.format = *format;
            } else if (takesValue(name)) {
                return takePeriodOption(name, *value, options.period);
            } else if (name.rfind("-", 0) == 0) {
                return "unknown option '" + name + "'";
            } else if (period) {
                return "unexpected argument '" + name + "'";
            } else {
                options.files.push_back(name);
            }
            return std::nullopt;
        });
}

}  // namespace

int summaryCommand(const Args& args, std::ostream& out, std::ostream& err, const Clock& clock) {
    const std::string prefix = "kirva-cli summary: ";
    Options options;
    if (const auto wrong = parseOptions(args, true, options)) {
        err << prefix << *wrong << "\n" << kSummaryUsage;
        return BadUsage;
    }
    if (options.help) {
        out << kSummaryUsage;
        return Done;
    }
    platform::HeadlessMessageBoxes boxes(err);
    exporting::WindowlessFront front(boxes);
    const DateNumber today = clock.today();
    exporting::Period period = exporting::defaultPeriod(today);
    if (options.period.from) period.from = *options.period.from;
    if (options.period.to) period.to = *options.period.to;
    if (const auto wrong = exporting::wrongDates(period, today)) {
        err << prefix << "wrong period " << formatDateDots(period.from) << " to " << formatDateDots(period.to) << ": "
            << *wrong << "\n";
        return BadUsage;
    }
    if (!settingsFileUsable(options.period.ini, options.period.iniGiven, prefix, err)) return BadUsage;
    app::ExportSession session(options.period.ini, front, clock);
    if (!session.start()) {
        if (!session.fatalExitCode()) err << prefix << "the data files could not be opened\n";
        return DataFileError;
    }
    exporting::ExportFiles files = session.files();
    auto recap = exporting::recapPeriod(files, period);
    if (!recap) {
        err << prefix << recap.error().message << "\n";
        return DataFileError;
    }
    printRecap(*recap, {}, options.format,
               "Rekapitulacija obdobja " + formatDateDots(period.from) + " do " + formatDateDots(period.to), out);
    return Done;
}

int verifyCommand(const Args& args, std::ostream& out, std::ostream& err) {
    const std::string prefix = "kirva-cli verify: ";
    Options options;
    if (const auto wrong = parseOptions(args, false, options)) {
        err << prefix << *wrong << "\n" << kVerifyUsage;
        return BadUsage;
    }
    if (options.help) {
        out << kVerifyUsage;
        return Done;
    }
    if (options.files.size() != 1) {
        err << prefix << (options.files.empty() ? "name the journal to check" : "name one journal") << "\n"
            << kVerifyUsage;
        return BadUsage;
    }
    const std::string& path = options.files[0];
    // A journal is read whole; a file far larger than any month's journal is refused rather than loaded.
    constexpr std::uintmax_t kMaxBytes = std::uintmax_t{1} << 30;
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        err << prefix << path << ": is a folder, not a journal\n";
        return BadUsage;
    }
    const auto size = std::filesystem::file_size(path, error);
    if (error) {
        err << prefix << path << ": cannot be read: " << error.message() << "\n";
        return BadUsage;
    }
    if (size > kMaxBytes) {
        err << prefix << path << ": " << size << " bytes is larger than any journal this command reads (1 GiB)\n";
        return BadUsage;
    }
    std::ifstream file(path, std::ios::binary);
    std::string bytes;
    if (file) bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (!file && !file.eof()) {
        err << prefix << path << ": cannot be read\n";
        return BadUsage;
    }
    const exporting::JournalCheck check = exporting::checkJournal(bytes);
    for (const auto& f : check.faults) {
        err << prefix << path << ": " << f.document;
        if (!f.element.empty()) err << ", " << f.element;
        if (!f.value.empty()) err << " '" << cp1250ToUtf8(f.value) << "'";
        err << ": " << f.problem << "\n";
    }
    if (check.complete)
        printRecap(check.recap, check.ruleImbalances, options.format, "Rekapitulacija temeljnice " + path, out);
    if (check.ok()) return Done;
    err << prefix << path << ": " << check.faults.size() << (check.faults.size() == 1 ? " fault" : " faults")
        << (check.complete ? "" : "; the journal could not be read to its end") << "\n";
    return 1;
}

int summaryCommand(const Args& args, std::ostream& out, std::ostream& err) {
    return summaryCommand(args, out, err, SystemClock());
}

}  // namespace kirva::cli
