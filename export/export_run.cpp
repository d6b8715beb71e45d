#include "export/export_run.h"

#include <cstring>

#include "platform/text1250.h"
#include "platform/xml/xml_writer.h"

namespace kirva::exporting {

using platform::MessageIcon;

Period defaultPeriod(DateNumber today) {
    // The day before the first of this month is the last day of the previous one.
    const DateNumber lastDay = today - civilFromDate(today).day;
    const CivilDate last = civilFromDate(lastDay);
    return {dateFromCivil(last.year, last.month, 1).value_or(0), lastDay};
}

bool datesWrong(const Period& period, DateNumber today, AcceptedDate accepted) {
    if (period.from > period.to && period.to > 0) return true;
    if (period.to > today || period.from > today || period.from == 0) return true;
    return accepted == AcceptedDate::To && period.to == 0;
}

platform::MessageBoxRequest wrongDatesMessage() {
    return programMessage(Text1250::literal(" Verjetno ste izbrali napačna datuma. Preverite še enkrat ..."),
                          Text1250::literal(" OPOZORILO"), MessageIcon::Information, Text1250::literal("Zapri"));
}

namespace {

// The end of CountPeriodInvoices, once the count is in `state`: an empty period is warned about.
void endCount(const ExportState& state, ExportFront& front) {
    if (state.steviloRacunov == 0) {
        front.messageBoxes().show(
            programMessage(Text1250::literal(" V knjigi izdanih računov ni podatkov za izbrano datumsko obdobje !"),
                           Text1250::literal(" OPOZORILO"), MessageIcon::Information, Text1250::literal("Zapri")));
        front.showNothingToExport();
        front.focusCloseButton();
    }
    front.updateBindings();
}

void showCompletion(const Text1250& outputFileName, ExportFront& front) {
    front.messageBoxes().show(programMessage(
        Text1250::literal(
            " Konec izdelave temeljnice izdanih računov.||Datoteka za OPAL računovodski program se nahaja "
            "v imeniku:|") +
            outputFileName,
        Text1250::literal(" OBVESTILO"), MessageIcon::WinLogo, Text1250::literal("ZAPRI")));
}

}  // namespace

Result<void> countPeriodInvoices(ExportFiles& files, ExportState& state, ExportFront& front) {
    state.steviloRacunov = 0;
    ProgressCounter counter(files.faracun, [&front](int64_t done, int64_t total) { front.progress(done, total); });
    InvoiceBook book(files);
    if (auto started = book.start(state.period.from); !started) return started;
    Invoice invoice;
    for (;;) {
        auto read = book.next(invoice);
        if (!read) return makeError(read.error().message);
        if (!*read) break;
        counter.step();
        if (!inPeriod(invoice, state.period)) continue;
        ++state.steviloRacunov;
        state.doRacuna = Text1250::fromBytes(invoice.stevilkaRacuna.toString());
        if (state.steviloRacunov == 1) state.odRacuna = state.doRacuna;
    }
    counter.finish();
    endCount(state, front);
    return {};
}

std::optional<std::string> wrongDates(const Period& period, DateNumber today) {
    if (!datesWrong(period, today, AcceptedDate::To)) return std::nullopt;
    if (period.from == 0 || period.to == 0) return "both dates are needed";
    if (period.to > today) {
        return "the last day " + formatDateDots(period.to) + " is after today (" + formatDateDots(today) + ")";
    }
    if (period.from > today) {
        return "the first day " + formatDateDots(period.from) + " is after today (" + formatDateDots(today) + ")";
    }
    return "the first day " + formatDateDots(period.from) + " is after the last " + formatDateDots(period.to);
}

void warnWrongDates(ExportFront& front) {
    front.messageBoxes().show(wrongDatesMessage());
}

void warnAboutMissingSettings(const settings::Settings& settings, ExportFront& front) {
    if (clipRight(settings.potDoXmlRacunov).empty() || clipRight(settings.potDoIzdanihRacunov).empty()) {
        front.messageBoxes().show(programMessage(
            Text1250::literal(" Poti do vhodnih in izhodnih podatkov računov niso nastavljene - NASTAVITVE !"),
            Text1250::literal(" OPOZORILO"), MessageIcon::Information, Text1250::literal("Zapri")));
    }
    if (clipRight(settings.firmaOpal).empty() || clipRight(settings.kljucOpal).empty()) {
        front.messageBoxes().show(
            programMessage(Text1250::literal(" Identifikacijski podatki za firmo niso določeni - NASTAVITVE !"),
                           Text1250::literal(" OPOZORILO"), MessageIcon::Information, Text1250::literal("Zapri")));
    }
}

void checkOutputSettings(const settings::Settings& settings, ExportFront& front) {
    const std::pair<const Text1250*, const char*> checks[] = {
        {&settings.potDoXmlRacunov, " Verjetno ni določena pot za izhodno datoteko .XML v nastavitvah programa ..."},
        {&settings.potDoIzdanihRacunov,
         " Verjetno ni določena pot za datoteko izdanih računov v nastavitvah programa ..."},
        {&settings.potDoPartnerjev, " Verjetno ni določena pot za datoteko kupcev v nastavitvah programa ..."},
    };
    for (const auto& [folder, text] : checks) {
        if (!clipRight(*folder).empty()) continue;
        front.messageBoxes().show(programMessage(Text1250::literal(text), Text1250::literal("INFORMACIJA"),
                                                 MessageIcon::WinLogo, Text1250::literal("Zapri")));
        front.showNothingToExport();
    }
}

Text1250 fileNamePart(const Text1250& firmaOpal) {
    std::string part(clipRight(firmaOpal.bytes()));
    for (char& c : part) {
        const auto byte = static_cast<unsigned char>(c);
        const bool control =
            byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x83 || byte == 0x88 || byte == 0x90 || byte == 0x98;
        if (control || std::strchr("/\\:*?\"<>|", c) != nullptr) c = '_';
    }
    return Text1250::fromBytes(part);
}

namespace {

// Today as the file names carry it: year, month and day without leading zeros.
Text1250 dayPart(DateNumber today) {
    const CivilDate date = civilFromDate(today);
    return Text1250::fromBytes(std::to_string(date.year) + std::to_string(date.month) + std::to_string(date.day));
}

}  // namespace

Text1250 composeOutputFileName(const settings::Settings& settings, const ExportState& state, DateNumber today) {
    return settings.potDoXmlRacunov + fileNamePart(settings.firmaOpal) + Text1250::literal(" ") + state.odRacuna +
           Text1250::literal("-") + state.doRacuna + Text1250::literal(" ") + dayPart(today) +
           Text1250::literal(".XML");
}

std::string outputPath(const Text1250& outputFileName) {
    return clipRight(outputFileName).toUtf8();
}

// Why a run must not start at all: a period the wrong-dates rule refuses, or a settings file that holds a
// value the program cannot hold whole; nullopt when it may.
std::optional<RunResult> refusal(const ExportState& state, const Clock& clock, const std::string& settingsFile) {
    // A period the wrong-dates rule refuses is never exported, whichever key or button reached the run: the
    // invoice numbers on screen may still be those of an earlier period.
    if (auto wrong = wrongDates(state.period, clock.today())) {
        return RunResult{RunStatus::Refused,
                         {.what = framework::ReasonKind::WrongPeriod,
                          .value = formatDateDots(state.period.from) + " to " + formatDateDots(state.period.to),
                          .detail = *wrong}};
    }
    // Nor while the settings file holds a value the program cannot hold whole: the journal would carry it
    // altered, or the data files would be the wrong ones.
    if (!settingsFile.empty()) {
        if (auto unusable = settings::checkSettingsFile(settingsFile))
            return RunResult{RunStatus::Refused, std::move(*unusable)};
    }
    return std::nullopt;
}

RunResult runExport(ExportFiles& files, const settings::Settings& settings, ExportState& state, const Clock& clock,
                    ExportFront& front, const std::string& settingsFile) {
    if (auto refused = refusal(state, clock, settingsFile)) return std::move(*refused);
    // The journal must never land in whatever folder the program happens to run in, whichever front asks
    // (the window hides its build button in this state, but an access key may still reach it).
    if (clipRight(settings.potDoXmlRacunov).empty()) {
        return {RunStatus::JournalNotWritten, {.what = framework::ReasonKind::NoOutputFolder}};
    }
    state.outputFileName = composeOutputFileName(settings, state, clock.today());

    // An older journal of the same name stays as it is until the new one is complete: the journal is written
    // under a temporary name and only its final rename replaces the old file. A run that fails, is refused
    // or is killed leaves the old journal untouched.
    RunResult result =
        buildJournal(files, settings, state.period, outputPath(state.outputFileName), front.messageBoxes(),
                     [&front](int64_t done, int64_t total) { front.progress(done, total); });
    if (!result.ok()) return result;

    showCompletion(state.outputFileName, front);
    return result;
}

RunResult countAndRunExport(ExportFiles& files, const settings::Settings& settings, ExportState& state,
                            const Clock& clock, ExportFront& front, const std::string& settingsFile) {
    if (auto refused = refusal(state, clock, settingsFile)) return std::move(*refused);
    // Without an output folder, or without a temporary journal in it, the run cannot go on: count, and let
    // RunExport refuse with the name the count gives, as the two steps always have. The book is still read
    // only once, by the count.
    const DateNumber today = clock.today();
    // The temporary journal is named as the journal will be, less the invoice numbers not known yet.
    const Text1250 provisional = settings.potDoXmlRacunov + fileNamePart(settings.firmaOpal) + Text1250::literal(" ") +
                                 dayPart(today) + Text1250::literal(".XML");
    const std::string provisionalPath = outputPath(provisional);
    platform::XmlWriter writer;
    if (clipRight(settings.potDoXmlRacunov).empty() || writer.createFile(provisionalPath, "1.0", "Windows-1250") != 0) {
        if (auto counted = countPeriodInvoices(files, state, front); !counted) {
            return {RunStatus::DataFileError,
                    {.what = framework::ReasonKind::DataFileUnreadable,
                     .file = files.faracun.path(),
                     .detail = counted.error().message}};
        }
        if (state.steviloRacunov == 0) return {};
        checkOutputSettings(settings, front);
        return runExport(files, settings, state, clock, front, settingsFile);
    }

    CountingPass pass;
    // The build button's folder warnings follow a count that is not 0, and come before any warning of the
    // run: the first invoice of the period is where that becomes known.
    pass.firstInPeriod = [&] { checkOutputSettings(settings, front); };
    RunResult result = writeJournal(
        writer, provisionalPath, files, settings, state.period, front.messageBoxes(),
        [&front](int64_t done, int64_t total) { front.progress(done, total); }, &pass);
    // A book that could not be read to its end has no count: nothing else happens, as when the count fails.
    if (!pass.tally.complete) return result;

    state.steviloRacunov = pass.tally.count;
    if (pass.tally.count != 0) {
        state.odRacuna = Text1250::fromBytes(pass.tally.first.toString());
        state.doRacuna = Text1250::fromBytes(pass.tally.last.toString());
    }
    endCount(state, front);
    if (state.steviloRacunov == 0) return {};  // the writer removes its temporary file

    state.outputFileName = composeOutputFileName(settings, state, today);
    if (!result.ok()) return result;
    // The rename of the complete journal is what replaces an older one of the same name.
    const std::string path = outputPath(state.outputFileName);
    if (auto closed = writer.closeFile(path); !closed) {
        return {RunStatus::JournalNotWritten,
                {.what = framework::ReasonKind::JournalNotWritten,
                 .file = path,
                 .code = writer.failureCode(),
                 .detail = closed.error().message}};
    }
    showCompletion(state.outputFileName, front);
    return result;
}

}  // namespace kirva::exporting
