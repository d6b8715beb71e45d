// What the data tools (import, dump, check) share: their arguments, the layout a file is read with, and the
// words they use for the driver's errors and a record's values.
#pragma once

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "data/layout.h"
#include "data/record.h"
#include "storage/keyed_file.h"
#include "tools/cli/commands.h"

namespace kirva::cli {

// The command's arguments: positionals and --name VALUE (or --name=VALUE) options.
struct Parsed {
    std::vector<std::string> positional;
    std::map<std::string, std::string, std::less<>> options;
    bool help = false;
};

// The arguments of `command`, whose options are `known`; nullopt (with the reason on `err`) for an unknown
// option or one without its value.
std::optional<Parsed> parseArgs(const Args& args, std::initializer_list<std::string_view> known,
                                std::string_view command, std::ostream& err);
// An option's value; empty when it was not given.
std::string option(const Parsed& parsed, std::string_view name);
// The layout named by --layout, else by the file's base name; nullptr (with the reason on `err`) when no
// data file is named so.
const data::Layout* layoutFor(const std::string& file, const std::string& override, std::string_view command,
                              std::ostream& err);
// The driver's last error in words, with SQLite's own message when there is one.
std::string driverDetail(const storage::KeyedFile& file);
// A field's value as the CSV shows it, for messages.
std::string valueText(const data::Record& record, std::size_t field);
// A key's values: "BE 1, LETODOKUMENTA 2024, INTERNASTEVDOKUMENTA 5".
std::string keyValues(const data::Record& record, std::size_t key);
// The primary key, else the first key; nullopt for a layout without keys.
std::optional<std::size_t> defaultKey(const data::Layout& layout);

}  // namespace kirva::cli
