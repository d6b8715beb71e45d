#include "tools/cli/export_commands.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "app/export_session.h"
#include "export/export_run.h"
#include "framework/errors/reason.h"
#include "platform/system_files.h"
#include "platform/text1250.h"
#include "platform/window/message_box.h"
#include "settings/settings_store.h"
#include "tools/cli/cli.h"

namespace kirva::cli {

namespace {

struct ExportOptions {
    PeriodOptions period;
    bool help = false;
    bool version = false;
};

std::string usage(std::string_view command) {
    return "usage: kirva-cli " + std::string(command) +
           " [--from DATE] [--to DATE] [--ini PATH]\n"
           "DATE is dd.mm.yyyy or yyyy-mm-dd; a date not given comes from the previous calendar month.\n"
           "Settings come from ./KIRVA.INI, or the file given with --ini.\n";
}

// The options, or the line that says what is wrong with them.
std::optional<std::string> parseOptions(const Args& args, ExportOptions& options) {
    return scanOptions(
        args, isPeriodOption,
        [&](const std::string& name, const std::optional<std::string>& value) -> std::optional<std::string> {
            if (name == "--help" || name == "-h") {
                options.help = true;
            } else if (name == "--version") {
                options.version = true;
            } else if (isPeriodOption(name)) {
                return takePeriodOption(name, *value, options.period);
            } else {
                return name.rfind("-", 0) == 0 ? "unknown option '" + name + "'" : "unexpected argument '" + name + "'";
            }
            return std::nullopt;
        });
}

enum class Command { Export, Count };

int periodCommand(Command command, const Args& args, std::ostream& out, std::ostream& err, const Clock& clock) {
    const std::string_view name = command == Command::Export ? "export" : "count";
    const std::string prefix = "kirva-cli " + std::string(name) + ": ";
    ExportOptions options;
    if (const auto wrong = parseOptions(args, options)) {
        err << prefix << *wrong << "\n" << usage(name);
        return BadUsage;
    }
    if (options.help) {
        out << usage(name);
        return Done;
    }
    if (options.version) {
        out << "kirva-cli " << KIRVA_VERSION << "\n";
        return Done;
    }

    platform::HeadlessMessageBoxes boxes(err);
    exporting::WindowlessFront front(boxes);

    const DateNumber today = clock.today();
    exporting::ExportState state;
    state.period = exporting::defaultPeriod(today);
    if (options.period.from) state.period.from = *options.period.from;
    if (options.period.to) state.period.to = *options.period.to;
    if (const auto wrong = exporting::wrongDates(state.period, today)) {
        exporting::warnWrongDates(front);
        err << prefix << "wrong period " << formatDateDots(state.period.from) << " to "
            << formatDateDots(state.period.to) << ": " << *wrong << "\n";
        return BadUsage;
    }

    if (!settingsFileUsable(options.period.ini, options.period.iniGiven, prefix, err)) return BadUsage;

    app::ExportSession session(options.period.ini, front, clock);
    if (!session.start()) {
        // The error manager has shown why; a failure it did not call fatal still ends the command here.
        if (!session.fatalExitCode()) err << prefix << "the data files could not be opened\n";
        return DataFileError;
    }

    if (command == Command::Count) {
        if (auto counted = session.count(state); !counted) {
            err << prefix << counted.error().message << "\n";
            return DataFileError;
        }
        if (state.steviloRacunov == 0) {
            out << "0\n";
            return NothingInPeriod;
        }
        out << state.steviloRacunov << " " << state.odRacuna.toUtf8() << " " << state.doRacuna.toUtf8() << "\n";
        return Done;
    }

    // One read of the book: the journal's name comes from the count of the same pass.
    const exporting::RunResult result = session.countAndRunExport(state);
    switch (result.status) {
        case exporting::RunStatus::Done:
            if (state.steviloRacunov == 0) return NothingInPeriod;
            break;
        case exporting::RunStatus::DataFileError:
            err << prefix << framework::englishText(result.reason) << "\n";
            return DataFileError;
        case exporting::RunStatus::JournalNotWritten:
            err << prefix << framework::englishText(result.reason) << "\n";
            return JournalNotWritten;
        case exporting::RunStatus::Refused:
            err << prefix << framework::englishText(result.reason) << "\n";
            return BadUsage;
    }
    std::error_code ignored;
    const std::filesystem::path journal = platform::pathOf(exporting::outputPath(state.outputFileName));
    out << std::filesystem::absolute(journal, ignored).lexically_normal().string() << "\n";
    return Done;
}

}  // namespace

bool settingsFileUsable(const std::string& ini, bool named, const std::string& prefix, std::ostream& err) {
    // A settings file named by mistake (a data file, a journal) is never read as settings nor written.
    std::error_code missing;
    if (named && !std::filesystem::exists(platform::pathOf(ini), missing)) {
        err << prefix << "the settings file " << ini << " does not exist\n";
        return false;
    }
    if (auto unusable = settings::checkSettingsFile(ini)) {
        err << prefix << framework::englishText(*unusable) << "\n";
        return false;
    }
    return true;
}

int exportCommand(const Args& args, std::ostream& out, std::ostream& err, const Clock& clock) {
    return periodCommand(Command::Export, args, out, err, clock);
}

int countCommand(const Args& args, std::ostream& out, std::ostream& err, const Clock& clock) {
    return periodCommand(Command::Count, args, out, err, clock);
}

int exportCommand(const Args& args, std::ostream& out, std::ostream& err) {
    return exportCommand(args, out, err, SystemClock());
}

int countCommand(const Args& args, std::ostream& out, std::ostream& err) {
    return countCommand(args, out, err, SystemClock());
}

bool isPeriodOption(std::string_view name) {
    return name == "--from" || name == "--to" || name == "--ini";
}

std::optional<std::string> takePeriodOption(std::string_view name, const std::string& value, PeriodOptions& options) {
    if (name == "--ini") {
        if (value.empty()) return "option --ini needs a file name";
        options.ini = value;
        options.iniGiven = true;
        return std::nullopt;
    }
    const auto date = parseDate(value);
    if (!date) return "'" + value + "' is not a date (dd.mm.yyyy or yyyy-mm-dd)";
    (name == "--from" ? options.from : options.to) = *date;
    return std::nullopt;
}

std::optional<std::string> scanOptions(const Args& args, const std::function<bool(std::string_view)>& takesValue,
                                       const OptionTaker& take) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (!value && takesValue(name)) {
            if (i + 1 >= args.size()) return "option " + name + " needs a value";
            value = args[++i];
        }
        if (auto wrong = take(name, value)) return wrong;
    }
    return std::nullopt;
}

}  // namespace kirva::cli
