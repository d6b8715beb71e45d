#include "tools/cli/export_commands.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "app/dictionary.h"
#include "export/export_run.h"
#include "platform/text1250.h"
#include "platform/window/message_box.h"
#include "settings/settings_store.h"
#include "tools/cli/cli.h"

namespace kirva::cli {

namespace {

struct PeriodOptions {
    std::optional<DateNumber> from;
    std::optional<DateNumber> to;
    std::string ini = settings::kDefaultSettingsFileName;
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
std::optional<std::string> parseOptions(const Args& args, PeriodOptions& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name == "--version") {
            options.version = true;
            continue;
        }
        if (name != "--from" && name != "--to" && name != "--ini") {
            return name.rfind("-", 0) == 0 ? "unknown option '" + name + "'" : "unexpected argument '" + name + "'";
        }
        if (!value) {
            if (i + 1 >= args.size()) return "option " + name + " needs a value";
            value = args[++i];
        }
        if (name == "--ini") {
            if (value->empty()) return "option --ini needs a file name";
            options.ini = *value;
            continue;
        }
        const auto date = parseDate(*value);
        if (!date) return "'" + *value + "' is not a date (dd.mm.yyyy or yyyy-mm-dd)";
        (name == "--from" ? options.from : options.to) = *date;
    }
    return std::nullopt;
}

// Why the period is wrong, tested as the export window tests an accepted date; nullopt when it is right.
std::optional<std::string> wrongPeriod(const exporting::Period& period, DateNumber today) {
    if (period.from == 0 || period.to == 0) return "both dates are needed";
    if (period.to > today) {
        return "the last day " + formatDateDots(period.to) + " is after today (" + formatDateDots(today) + ")";
    }
    if (period.from > today) {
        return "the first day " + formatDateDots(period.from) + " is after today (" + formatDateDots(today) + ")";
    }
    if (period.from > period.to) {
        return "the first day " + formatDateDots(period.from) + " is after the last " + formatDateDots(period.to);
    }
    return std::nullopt;
}

// The export window's name, under which the error manager reports while its files are open.
constexpr std::string_view kProcedureName = "IzdelavaXMLdatotekeIzdanihRacunov";

// Where the error manager's boxes go once a command is over: standard error, as before any command.
platform::MessageBoxes& standardErrorBoxes() {
    static platform::HeadlessMessageBoxes boxes(std::cerr);
    return boxes;
}

enum class Command { Export, Count };

int periodCommand(Command command, const Args& args, std::ostream& out, std::ostream& err, const Clock& clock) {
    const std::string_view name = command == Command::Export ? "export" : "count";
    const std::string prefix = "kirva-cli " + std::string(name) + ": ";
    PeriodOptions options;
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
    if (options.from) state.period.from = *options.from;
    if (options.to) state.period.to = *options.to;
    if (const auto wrong = wrongPeriod(state.period, today)) {
        boxes.show(exporting::programMessage(cp1250(" Verjetno ste izbrali napačna datuma. Preverite še enkrat ..."),
                                             " OPOZORILO", platform::MessageIcon::Information, "Zapri"));
        err << prefix << "wrong period " << formatDateDots(state.period.from) << " to "
            << formatDateDots(state.period.to) << ": " << *wrong << "\n";
        return BadUsage;
    }

    WindowlessProgram program(options.ini, boxes, clock);
    if (!program.openFiles()) {
        // The error manager has shown why; a failure it did not call fatal still ends the command here.
        if (!program.fatalExitCode()) err << prefix << "the data files could not be opened\n";
        return DataFileError;
    }
    const settings::Settings& settings = program.settings();
    exporting::ExportFiles files = program.files();

    if (auto counted = exporting::countPeriodInvoices(files, state, front); !counted) {
        err << prefix << counted.error().message << "\n";
        return DataFileError;
    }
    if (command == Command::Count) {
        if (state.steviloRacunov == 0) {
            out << "0\n";
            return NothingInPeriod;
        }
        out << state.steviloRacunov << " " << state.odRacuna << " " << state.doRacuna << "\n";
        return Done;
    }
    if (state.steviloRacunov == 0) return NothingInPeriod;

    // The window checks the folders when its build button gets the focus, just before the run.
    exporting::checkOutputSettings(settings, front);
    const exporting::RunResult result = exporting::runExport(files, settings, state, clock, front);
    switch (result.status) {
        case exporting::RunStatus::Done:
            break;
        case exporting::RunStatus::NothingInPeriod:
            return NothingInPeriod;
        case exporting::RunStatus::DataFileError:
            err << prefix << result.reason << "\n";
            return DataFileError;
        case exporting::RunStatus::JournalNotWritten:
            err << prefix << result.reason << "\n";
            return JournalNotWritten;
    }
    std::error_code ignored;
    const std::filesystem::path journal = cp1250ToUtf8(clipRight(state.outputFileName));
    out << std::filesystem::absolute(journal, ignored).lexically_normal().string() << "\n";
    return Done;
}

}  // namespace

WindowlessProgram::WindowlessProgram(std::string settingsFileName, platform::MessageBoxes& boxes, const Clock& clock)
    : program_{framework::errorManager(), app::iniManager(), {}, {}, {}} {
    program_.errors.setMessageBoxes(boxes);
    program_.errors.setExitHook([this](int exitCode) {
        if (!fatalExit_) fatalExit_ = exitCode;
    });
    app::StartupOptions options;
    options.settingsFileName = std::move(settingsFileName);
    options.dictionary.clock = &clock;
    app::startUp(program_, options);
}

WindowlessProgram::~WindowlessProgram() {
    closeFiles();
    app::shutDown(program_);
    program_.errors.setExitHook({});
    program_.errors.setMessageBoxes(standardErrorBoxes());
}

bool WindowlessProgram::openFiles() {
    if (windowStarted_) return filesOpen_;
    windowStarted_ = true;
    program_.errors.registerProcedureName(kProcedureName);
    const uint8_t result = app::exportWindowStart(program_);
    filesOpen_ = result == framework::ResultDone && !fatalExit_;
    return filesOpen_;
}

void WindowlessProgram::closeFiles() {
    if (!windowStarted_) return;
    windowStarted_ = false;
    filesOpen_ = false;
    app::exportWindowEnd();
    program_.errors.registerProcedureName(kProcedureName, true);
}

exporting::ExportFiles WindowlessProgram::files() {
    framework::DataFile& faracun = *app::fileOf("FARACUN");
    framework::DataFile& sfenpa = *app::fileOf("SFENPA");
    framework::DataFile& sfpartn = *app::fileOf("SFPARTN");
    return {faracun.storage(), faracun.record(),  sfenpa.storage(),
            sfenpa.record(),   sfpartn.storage(), sfpartn.record()};
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

}  // namespace kirva::cli
