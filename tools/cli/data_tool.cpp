#include "tools/cli/data_tool.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/layout.h"
#include "data/record.h"
#include "platform/system_files.h"
#include "platform/text1250.h"
#include "storage/keyed_file.h"

namespace kirva::cli {

namespace fs = std::filesystem;
using data::Layout;
using data::Record;
using storage::KeyedFile;

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

namespace {

std::string knownLayouts() {
    std::string names;
    for (const Layout* layout : data::dictionaryLayouts()) {
        names += (names.empty() ? "" : ", ") + std::string(layout->label);
    }
    return names;
}

}  // namespace

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

std::string valueText(const Record& record, std::size_t field) {
    const data::FieldDef& def = record.layout().fields[field];
    switch (def.type) {
        case data::FieldType::Text:
        case data::FieldType::CText:
        case data::FieldType::Group:
            return "'" + clipRight(record.text(field)).toUtf8() + "'";
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

}  // namespace kirva::cli
