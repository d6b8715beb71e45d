#include "export/export_run.h"

#include <cstring>

#include "platform/text1250.h"

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
    return programMessage(cp1250(" Verjetno ste izbrali napačna datuma. Preverite še enkrat ..."), " OPOZORILO",
                          MessageIcon::Information, "Zapri");
}

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
        state.doRacuna = invoice.stevilkaRacuna.toString();
        if (state.steviloRacunov == 1) state.odRacuna = state.doRacuna;
    }
    counter.finish();
    if (state.steviloRacunov == 0) {
        front.messageBoxes().show(
            programMessage(cp1250(" V knjigi izdanih računov ni podatkov za izbrano datumsko obdobje !"), " OPOZORILO",
                           MessageIcon::Information, "Zapri"));
        front.showNothingToExport();
        front.focusCloseButton();
    }
    front.updateBindings();
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
        front.messageBoxes().show(
            programMessage(cp1250(" Poti do vhodnih in izhodnih podatkov računov niso nastavljene - NASTAVITVE !"),
                           " OPOZORILO", MessageIcon::Information, "Zapri"));
    }
    if (clipRight(settings.firmaOpal).empty() || clipRight(settings.kljucOpal).empty()) {
        front.messageBoxes().show(
            programMessage(cp1250(" Identifikacijski podatki za firmo niso določeni - NASTAVITVE !"), " OPOZORILO",
                           MessageIcon::Information, "Zapri"));
    }
}

void checkOutputSettings(const settings::Settings& settings, ExportFront& front) {
    const std::pair<const std::string*, const char*> checks[] = {
        {&settings.potDoXmlRacunov, " Verjetno ni določena pot za izhodno datoteko .XML v nastavitvah programa ..."},
        {&settings.potDoIzdanihRacunov,
         " Verjetno ni določena pot za datoteko izdanih računov v nastavitvah programa ..."},
        {&settings.potDoPartnerjev, " Verjetno ni določena pot za datoteko kupcev v nastavitvah programa ..."},
    };
    for (const auto& [folder, text] : checks) {
        if (!clipRight(*folder).empty()) continue;
        front.messageBoxes().show(programMessage(cp1250(text), "INFORMACIJA", MessageIcon::WinLogo, "Zapri"));
        front.showNothingToExport();
    }
}

std::string fileNamePart(std::string_view firmaOpal) {
    std::string part(clipRight(firmaOpal));
    for (char& c : part) {
        const auto byte = static_cast<unsigned char>(c);
        const bool control =
            byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x83 || byte == 0x88 || byte == 0x90 || byte == 0x98;
        if (control || std::strchr("/\\:*?\"<>|", c) != nullptr) c = '_';
    }
    return part;
}

std::string composeOutputFileName(const settings::Settings& settings, const ExportState& state, DateNumber today) {
    const CivilDate date = civilFromDate(today);
    return settings.potDoXmlRacunov + fileNamePart(settings.firmaOpal) + " " + state.odRacuna + "-" + state.doRacuna +
           " " + std::to_string(date.year) + std::to_string(date.month) + std::to_string(date.day) + ".XML";
}

RunResult runExport(ExportFiles& files, const settings::Settings& settings, ExportState& state, const Clock& clock,
                    ExportFront& front, const std::string& settingsFile) {
    // A period the wrong-dates rule refuses is never exported, whichever key or button reached the run: the
    // invoice numbers on screen may still be those of an earlier period.
    if (auto wrong = wrongDates(state.period, clock.today())) {
        return {RunStatus::Refused,
                {.what = framework::ReasonKind::WrongPeriod,
                 .value = formatDateDots(state.period.from) + " to " + formatDateDots(state.period.to),
                 .detail = *wrong}};
    }
    // Nor while the settings file holds a value the program cannot hold whole: the journal would carry it
    // altered, or the data files would be the wrong ones.
    if (!settingsFile.empty()) {
        if (auto unusable = settings::checkSettingsFile(settingsFile))
            return {RunStatus::Refused, std::move(*unusable)};
    }
    // The journal must never land in whatever folder the program happens to run in, whichever front asks
    // (the window hides its build button in this state, but an access key may still reach it).
    if (clipRight(settings.potDoXmlRacunov).empty()) {
        return {RunStatus::JournalNotWritten, {.what = framework::ReasonKind::NoOutputFolder}};
    }
    state.outputFileName = composeOutputFileName(settings, state, clock.today());

    // An older journal of the same name stays as it is until the new one is complete: the journal is written
    // under a temporary name and only its final rename replaces the old file. A run that fails, is refused
    // or is killed leaves the old journal untouched.
    RunResult result = buildJournal(files, settings, state.period, state.outputFileName, front.messageBoxes(),
                                    [&front](int64_t done, int64_t total) { front.progress(done, total); });
    if (!result.ok()) return result;

    front.messageBoxes().show(programMessage(
        cp1250(" Konec izdelave temeljnice izdanih računov.||Datoteka za OPAL računovodski program se nahaja "
               "v imeniku:|") +
            state.outputFileName,
        " OBVESTILO", MessageIcon::WinLogo, "ZAPRI"));
    return result;
}

}  // namespace kirva::exporting
