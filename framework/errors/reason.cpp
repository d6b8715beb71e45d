#include "framework/errors/reason.h"

#include <algorithm>
#include <cerrno>

#include "platform/text1250.h"

namespace kirva::framework {

namespace {

// A name from outside (a path, a key) as window text: Windows-1250 where it has the characters, and "?"
// for each character it lacks, so that a reason is always shown.
Text1250 shown(const std::string& utf8) {
    if (auto text = Text1250::fromUtf8(utf8)) return *text;
    Text1250 text;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        std::size_t length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        length = std::min(length, utf8.size() - i);
        auto one = Text1250::fromUtf8(utf8.substr(i, length));
        text += one ? *one : Text1250::literal("?");
        i += length;
    }
    return text;
}

// "56 znakov", "2 znaka", "3 znaki", "1 znak": the noun agrees with the number as Slovenian wants it.
std::string characters(int64_t n) {
    const int64_t last = n % 100;
    const char* noun = last == 1 ? "znak" : last == 2 ? "znaka" : (last == 3 || last == 4) ? "znaki" : "znakov";
    return std::to_string(n) + " " + noun;
}

std::string systemErrorInWords(int code) {
    switch (code) {
        case EFBIG:
            return "datoteka bi presegla največjo dovoljeno velikost";
        case ENOSPC:
            return "na disku ni več prostora";
#ifdef EDQUOT  // not on Windows
        case EDQUOT:
            return "dovoljeni prostor na disku je porabljen";
#endif
        case EACCES:
        case EPERM:
            return "ni dovoljenja za pisanje v mapo";
        case ENOENT:
            return "mapa ne obstaja";
        case ENOTDIR:
            return "pot ne vodi do mape";
        case EROFS:
            return "disk je namenjen samo branju";
        case EISDIR:
            return "na tem mestu je mapa";
        case ENAMETOOLONG:
            return "ime datoteke je predolgo";
        case EIO:
            return "disk je javil napako pri pisanju";
        default:
            return "sistemska napaka " + std::to_string(code);
    }
}

std::string settingPlace(const Reason& r) {
    return "ključa " + r.key + " v razdelku [" + r.section + "] datoteke " + r.file;
}

std::string slovenianUtf8(const Reason& r) {
    switch (r.what) {
        case ReasonKind::NotSettingsFile:
            return "Datoteka " + r.file + " ni datoteka z nastavitvami, zato je program ne bere in ne spreminja.";
        case ReasonKind::SettingNotHeld:
            return "Vrednost " + settingPlace(r) + " vsebuje znak, ki ga kodna tabela Windows-1250 nima.";
        case ReasonKind::SettingUncarried:
            return "Vrednost " + settingPlace(r) + " ima na " + std::to_string(r.length) + ". mestu znak " + r.value +
                   ", ki ga temeljnica ne more prenesti.";
        case ReasonKind::SettingTooLong:
            return "Vrednost " + settingPlace(r) + " je dolga " + characters(r.length) +
                   ", program pa jih hrani največ " + std::to_string(r.limit) + ".";
        case ReasonKind::DataFileNameTooLong:
            return "Mapa v vrednosti " + settingPlace(r) + " je predolga: ime podatkovne datoteke " + r.value +
                   " bi bilo dolgo " + characters(r.length) + ", program pa jih hrani največ " +
                   std::to_string(r.limit) + ".";
        case ReasonKind::NoOutputFolder:
            return "Mapa za temeljnice (ključ PotDoXMLRacunov v razdelku [GLOBAL]) ni določena.";
        case ReasonKind::WrongPeriod:
            return "Obdobje " + r.value + " ni pravilno izbrano.";
        case ReasonKind::JournalNotWritten: {
            std::string text = "Datoteke " + r.file + " ni bilo mogoče zapisati";
            if (r.code != 0) text += ": " + systemErrorInWords(r.code);
            if (!r.invoice.empty()) text += " (pri računu " + r.invoice + ")";
            return text + ".";
        }
        case ReasonKind::DataFileUnreadable:
            return "Podatkovne datoteke " + r.file + " ni mogoče prebrati.";
        case ReasonKind::TextNotCarried:
            return "V datoteki " + r.file + " ima polje " + r.key + " (" +
                   (r.partner.empty() ? "" : "kupec " + r.partner + ", ") + "račun " + r.invoice + ") na " +
                   std::to_string(r.length) + ". mestu znak " + r.value + ", ki ga temeljnica ne more prenesti.";
    }
    return {};
}

}  // namespace

Text1250 slovenianText(const Reason& reason) {
    // Composed in UTF-8 and converted once; a name from outside that holds a character Windows-1250 lacks
    // shows "?" there.
    return shown(slovenianUtf8(reason));
}

std::string englishText(const Reason& r) {
    const auto place = [&r] { return "the value of " + r.key + " in [" + r.section + "] of " + r.file; };
    switch (r.what) {
        case ReasonKind::NotSettingsFile:
        case ReasonKind::SettingNotHeld:
        case ReasonKind::DataFileUnreadable:
            return r.detail;
        case ReasonKind::SettingUncarried:
            return place() + " holds the byte " + r.value + " at position " + std::to_string(r.length) +
                   ", which the journal cannot carry";
        case ReasonKind::SettingTooLong:
            return place() + " is " + std::to_string(r.length) + " characters long; the program holds at most " +
                   std::to_string(r.limit);
        case ReasonKind::DataFileNameTooLong:
            return place() + " makes the data-file name " + r.value + " " + std::to_string(r.length) +
                   " characters long; the program holds at most " + std::to_string(r.limit);
        case ReasonKind::NoOutputFolder:
            return "no output folder is set (PotDoXMLRacunov in [GLOBAL] of the settings file); nothing was written";
        case ReasonKind::WrongPeriod:
            return "wrong period " + r.value + ": " + r.detail;
        case ReasonKind::JournalNotWritten:
            return "the journal was not written: " + r.detail +
                   (r.invoice.empty() ? "" : " (invoice " + r.invoice + ")");
        case ReasonKind::TextNotCarried:
            return r.file + ": " +
                   (r.partner.empty() ? "invoice " + r.invoice
                                      : "customer " + r.partner + " (invoice " + r.invoice + ")") +
                   ": " + r.key + " holds the byte " + r.value + " at position " + std::to_string(r.length) +
                   ", which the journal cannot carry";
    }
    return r.detail;
}

}  // namespace kirva::framework
