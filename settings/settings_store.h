// The program's settings: the values kept in KIRVA.INI (folders, the OPAL identification, the stored VAT
// rates and the work-data option), the steps that load and save them, and the data-file names composed
// from the folders and the layouts. The store depends on data/ (the layouts), platform/ and the reasons of
// framework/errors/reason.h only; the settings window (settings_window.h) stands on the window framework as well. Never
// Qt.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "framework/errors/reason.h"
#include "platform/decimal.h"
#include "platform/result.h"
#include "platform/text1250.h"

namespace kirva::settings {

// One key of KIRVA.INI the program keeps: where it stands, the width of the global its text is read into
// (characters, one byte each in Windows-1250; 0 for the option and the rates, which are read as numbers),
// and the value taken when the key is missing. The settings store, the settings window, the demo and the
// tests name a key only through this table.
struct SettingKey {
    std::string_view section;
    std::string_view key;
    std::size_t width = 0;
    std::string_view fallback;
};

namespace keys {
inline constexpr SettingKey potDoIzdanihRacunov{"GLOBAL", "PotDoIzdanihRacunov", 254, ""};
inline constexpr SettingKey potDoPartnerjev{"GLOBAL", "PotDoPartnerjev", 255, ""};
inline constexpr SettingKey potDoXmlRacunov{"GLOBAL", "PotDoXMLRacunov", 254, ""};
inline constexpr SettingKey brisanjeDelovnih{"GLOBAL", "BrisanjeDelPodat", 0, "0"};
inline constexpr SettingKey stopnjaDdvVisja{"DAVKI", "StopnjaDDVvisja", 0, "22"};
inline constexpr SettingKey stopnjaDdvNizja{"DAVKI", "StopnjaDDVnizja", 0, "9.5"};
inline constexpr SettingKey firmaOpal{"OPAL", "Firma", 50, ""};
inline constexpr SettingKey kljucOpal{"OPAL", "Kljuc", 50, ""};
}  // namespace keys

// Every key, in the order SaveAllSettings writes them.
inline constexpr std::array<SettingKey, 8> kSettingKeys{
    keys::potDoIzdanihRacunov, keys::potDoPartnerjev, keys::potDoXmlRacunov, keys::brisanjeDelovnih,
    keys::stopnjaDdvVisja,     keys::stopnjaDdvNizja, keys::firmaOpal,       keys::kljucOpal};

// The settings globals (GLO:...), one per key above.
struct Settings {
    Text1250 potDoIzdanihRacunov;  // GLO:POTDOIZDANIHRACUNOV, at most 254 characters
    Text1250 potDoPartnerjev;      // GLO:POTDOPARTNERJEV, at most 255 characters
    Text1250 potDoXmlRacunov;      // GLO:POTDOXMLRACUNOV, at most 254 characters
    // GLO:BRISANJEDELOVNIH, 1 on, 0 off. Read as a whole number 0 to 255 (blanks around it do not count);
    // any other text reads as 0.
    uint8_t brisanjeDelovnih = 0;
    // GLO:STOPNJADDVVISJA, 5 digits, 2 decimals. Read with two decimals (more are rounded half away from
    // zero); text that is not a number, or a number outside -999.99 to 999.99, reads as 0. Written without
    // trailing zeros ("22", "9.5").
    Decimal stopnjaDdvVisja;
    Decimal stopnjaDdvNizja;                        // GLO:STOPNJADDVNIZJA, the same way
    Text1250 firmaOpal = padRight(Text1250(), 50);  // GLO:FIRMAOPAL, always 50 characters, blank-padded
    Text1250 kljucOpal = padRight(Text1250(), 50);  // GLO:KLJUCOPAL
};

// The names of the seven data files the program can find, composed from the two folders. A name the
// program never assigns stays empty. Each is a stable object, so holders of a reference see a name assigned
// later.
struct DataFileNames {
    std::string faracun;
    std::string sfpoen;
    std::string sfenpa;
    std::string qfastor;
    std::string qfastpo;
    std::string saoprac;
    std::string sfpartn;

    // The name text of a file by its label (case-insensitive); nullptr for the files never named.
    std::string* find(std::string_view label);
};

// The INI file name, ".\KIRVA.INI" on the program's own platform ("./KIRVA.INI" here).
extern const char* const kDefaultSettingsFileName;

// Why the settings file cannot be used as it stands, or nullopt when it can: an existing file must be a text
// settings file (never a data file or a journal named by mistake), and the folders and the OPAL
// identification must be held whole (no character Windows-1250 lacks, no folder or identification longer
// than its global, no folder that makes a data-file name longer than its name text). A missing file is no
// error here; the caller decides whether it may be created. The export is refused while the file holds
// such a value; the program ends only when the file is not a settings file at all (endsTheProgram).
std::optional<framework::Reason> checkSettingsFile(const std::string& settingsFile);
bool endsTheProgram(const framework::Reason& reason);

// LoadSettings: folders, data-file names, the output folder (written back only when the key is missing), the
// option, the rates. Texts longer than their globals are cut. A failed write-back is ignored (the file then
// simply lacks the key); a key that is there is never rewritten.
void loadSettings(const std::string& settingsFile, Settings& settings, DataFileNames& names);
// The data-file names from the two folders, exactly as the folders stand (nothing inserted), never cut:
// checkSettingsFile refuses a folder that makes one longer than its name text (254 characters for FARACUN,
// SFPOEN and SFENPA, 255 for the others).
void composeDataFileNames(const Settings& settings, DataFileNames& names);
// The OPAL identification (Firma, Kljuc), read after LoadSettings.
void readIdentification(const std::string& settingsFile, Settings& settings);
// SaveFolderSettings and SaveAllSettings, each in one rewrite of the file. Every key is attempted (one that
// cannot be stored is left out); they return the first failure, and
// callers may ignore it, as the settings window always has. Firma and Kljuc are written without trailing
// blanks.
Result<void> saveFolderSettings(const std::string& settingsFile, const Settings& settings);
Result<void> saveAllSettings(const std::string& settingsFile, const Settings& settings);

}  // namespace kirva::settings
