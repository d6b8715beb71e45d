#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/date.h"
#include "settings/settings_store.h"
#include "tools/cli/commands.h"

namespace kirva::cli {

// export and count: argument parsing and printing around the export session (app/export_session.h).
// export and count with the day taken as today given, so tests can fix it; the plain commands use the
// system clock.
int exportCommand(const Args& args, std::ostream& out, std::ostream& err, const Clock& clock);
int countCommand(const Args& args, std::ostream& out, std::ostream& err, const Clock& clock);

// The settings file a command over the book reads, checked before anything opens it: named with --ini
// (`named`) it must exist, and it must be a settings file whose values the program can hold. Says why on
// `err` after `prefix` and gives false when it is not.
bool settingsFileUsable(const std::string& ini, bool named, const std::string& prefix, std::ostream& err);

// The options of the commands over a period of the book: --from, --to and --ini.
struct PeriodOptions {
    std::optional<DateNumber> from;
    std::optional<DateNumber> to;
    std::string ini = settings::kDefaultSettingsFileName;
    bool iniGiven = false;  // --ini named the file: it must exist, only the program's own is created
};
bool isPeriodOption(std::string_view name);
// Takes --from, --to or --ini with its value; the line that says what is wrong with it, or nullopt.
std::optional<std::string> takePeriodOption(std::string_view name, const std::string& value, PeriodOptions& options);

// Hands each argument to `take` in order, as a name ("--from", "-h", a file) with its value: after "=" in
// "--name=value", else the next argument where `takesValue` says the name has one. The first line that says
// what is wrong (`take`'s, or an option's missing value), or nullopt.
using OptionTaker =
    std::function<std::optional<std::string>(const std::string& name, const std::optional<std::string>& value)>;
std::optional<std::string> scanOptions(const Args& args, const std::function<bool(std::string_view)>& takesValue,
                                       const OptionTaker& take);

}  // namespace kirva::cli
