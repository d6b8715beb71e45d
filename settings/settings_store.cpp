#include "settings/settings_store.h"

#include <array>

#include "data/layout.h"
#include "platform/ini/profile_file.h"
#include "platform/text1250.h"
#include "platform/xml/xml_writer.h"

namespace kirva::settings {

namespace {

using platform::Profile;
using platform::ProfileChanges;
using platform::writeProfileString;

// The seven data files the program names, with the name text each is composed into. File names and the
// widths of their name texts come from the layouts.
struct NamedFile {
    const data::Layout& layout;
    std::string DataFileNames::*name;
    bool partnerFolder;  // SFPARTN lives in the partners' folder, the rest in the invoices' folder
};

const std::array<NamedFile, 7>& namedFiles() {
    static const std::array<NamedFile, 7> files{{
        {data::faracunLayout(), &DataFileNames::faracun, false},
        {data::sfpoenLayout(), &DataFileNames::sfpoen, false},
        {data::sfenpaLayout(), &DataFileNames::sfenpa, false},
        {data::qfastorLayout(), &DataFileNames::qfastor, false},
        {data::qfastpoLayout(), &DataFileNames::qfastpo, false},
        {data::saopracLayout(), &DataFileNames::saoprac, false},
        {data::sfpartnLayout(), &DataFileNames::sfpartn, true},
    }};
    return files;
}

constexpr int kRatePlaces = 2;
constexpr int64_t kRateLimitUnits = 99999;  // 999.99: five digits, two of them decimals

// A text global: the profile's values are Windows-1250 already.
Text1250 readText(const Profile& file, const SettingKey& key) {
    std::string value = file.value(key.section, key.key, key.fallback);
    if (value.size() > key.width) value.resize(key.width);
    return Text1250::fromBytes(value);
}

std::string readValue(const Profile& file, const SettingKey& key) {
    return file.value(key.section, key.key, key.fallback);
}

// The work-data option: a whole number 0 to 255 is the byte; anything else (not a number, a fraction, a
// negative or larger number) is 0, which is off.
uint8_t optionByte(std::string_view text) {
    if (text.starts_with('+')) text.remove_prefix(1);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return 0;
    const auto significant = text.find_first_not_of('0');
    if (significant == std::string_view::npos) return 0;
    text.remove_prefix(significant);
    if (text.size() > 3) return 0;
    int value = 0;
    for (const char c : text) value = value * 10 + (c - '0');
    return value <= 255 ? static_cast<uint8_t>(value) : 0;
}

// A rate: a sign, digits and a point; more than two decimals are rounded half away from zero. Text that is
// not a number, and a number outside -999.99 to 999.99, read as 0.
Decimal rateValue(std::string_view text) {
    const Decimal zero = Decimal::fromUnits(0, kRatePlaces);
    // Only the first decimal past the rate's two decides the rounding; the digits after it are checked and
    // dropped, so a long fraction does not exceed the places a Decimal holds.
    constexpr std::size_t kDeciding = kRatePlaces + 1;
    if (const auto point = text.find('.'); point != std::string_view::npos && text.size() - point - 1 > kDeciding) {
        if (text.substr(point + 1 + kDeciding).find_first_not_of("0123456789") != std::string_view::npos) return zero;
        text = text.substr(0, point + 1 + kDeciding);
    }
    const auto parsed = Decimal::parse(text);
    if (!parsed) return zero;
    const auto rate = parsed->rounded(kRatePlaces);
    if (!rate || rate->units() > kRateLimitUnits || rate->units() < -kRateLimitUnits) return zero;
    return *rate;
}

}  // namespace

const char* const kDefaultSettingsFileName = "./KIRVA.INI";

std::string* DataFileNames::find(std::string_view label) {
    for (const NamedFile& file : namedFiles()) {
        if (equalNoCase(file.layout.label, label)) return &(this->*file.name);
    }
    return nullptr;
}

void composeDataFileNames(const Settings& settings, DataFileNames& names) {
    for (const NamedFile& file : namedFiles()) {
        const Text1250& folder = file.partnerFolder ? settings.potDoPartnerjev : settings.potDoIzdanihRacunov;
        // Never cut: a folder that makes a name longer than its name text is refused by checkSettingsFile, and
        // a cut name would name some other file.
        names.*file.name = folder.bytes() + std::string(file.layout.fileName);
    }
}

std::optional<framework::Reason> checkSettingsFile(const std::string& settingsFile) {
    using framework::Reason;
    using framework::ReasonKind;
    // One reading of the file serves every check.
    const Profile profile = Profile::read(settingsFile);
    if (auto usable = profile.usable(); !usable) {
        return Reason{.what = ReasonKind::NotSettingsFile, .file = settingsFile, .detail = usable.error().message};
    }
    // The texts the export takes as they stand: one the program cannot hold whole would reach the journal,
    // or a data-file name, altered.
    for (const SettingKey& held :
         {keys::potDoIzdanihRacunov, keys::potDoPartnerjev, keys::potDoXmlRacunov, keys::firmaOpal, keys::kljucOpal}) {
        const bool identification = held.section == keys::firmaOpal.section;
        Reason reason{.file = settingsFile, .section = std::string(held.section), .key = std::string(held.key)};
        auto value = profile.exactValue(held.section, held.key, held.fallback);
        if (!value) {
            // A value with a character Windows-1250 lacks; any other failure is the file's as a whole.
            const bool ofValue = value.error().message.starts_with("the value of ");
            reason.what = ofValue ? ReasonKind::SettingNotHeld : ReasonKind::NotSettingsFile;
            reason.detail = value.error().message;
            return reason;
        }
        if (const auto at = platform::firstUncarriedByte(*value); at && identification) {
            reason.what = ReasonKind::SettingUncarried;
            reason.value = platform::byteText(static_cast<unsigned char>((*value)[*at]));
            reason.length = static_cast<int64_t>(*at + 1);
            return reason;
        }
        if (value->size() > held.width) {
            reason.what = ReasonKind::SettingTooLong;
            reason.length = static_cast<int64_t>(value->size());
            reason.limit = static_cast<int64_t>(held.width);
            return reason;
        }
        // A folder is joined with the data-file names; a name that would not fit its name text is never cut
        // (a cut name would open, or create, some other file).
        if (identification || held.key == keys::potDoXmlRacunov.key) continue;
        const bool partners = held.key == keys::potDoPartnerjev.key;
        for (const NamedFile& file : namedFiles()) {
            if (file.partnerFolder != partners) continue;
            const std::size_t length = value->size() + file.layout.fileName.size();
            const std::size_t limit = file.layout.nameTextBytes - 1;  // a name text of n bytes holds n-1
            if (length <= limit) continue;
            reason.what = ReasonKind::DataFileNameTooLong;
            reason.value = std::string(file.layout.fileName);
            reason.length = static_cast<int64_t>(length);
            reason.limit = static_cast<int64_t>(limit);
            return reason;
        }
    }
    return std::nullopt;
}

bool endsTheProgram(const framework::Reason& reason) {
    return reason.what == framework::ReasonKind::NotSettingsFile;
}

void loadSettings(const std::string& settingsFile, Settings& settings, DataFileNames& names) {
    // The file is read once; every key comes from that reading.
    const Profile profile = Profile::read(settingsFile);
    settings.potDoIzdanihRacunov = readText(profile, keys::potDoIzdanihRacunov);
    settings.potDoPartnerjev = readText(profile, keys::potDoPartnerjev);
    composeDataFileNames(settings, names);
    settings.potDoXmlRacunov = readText(profile, keys::potDoXmlRacunov);
    // Written when missing, so that the file always holds the key the user has to fill in. A value that is
    // there is never written back: it may hold what the program could not take whole. A failure here
    // changes nothing in memory; the settings window reports the next one.
    constexpr std::string_view kMissing = "\n";  // no stored value holds a line break
    const SettingKey& output = keys::potDoXmlRacunov;
    if (profile.value(output.section, output.key, kMissing) == kMissing) {
        (void)writeProfileString(settingsFile, output.section, output.key, settings.potDoXmlRacunov.bytes());
    }
    settings.brisanjeDelovnih = optionByte(readValue(profile, keys::brisanjeDelovnih));
    settings.stopnjaDdvVisja = rateValue(readValue(profile, keys::stopnjaDdvVisja));
    settings.stopnjaDdvNizja = rateValue(readValue(profile, keys::stopnjaDdvNizja));
}

void readIdentification(const std::string& settingsFile, Settings& settings) {
    const Profile profile = Profile::read(settingsFile);
    settings.firmaOpal = Text1250::fromBytes(padRight(readValue(profile, keys::firmaOpal), keys::firmaOpal.width));
    settings.kljucOpal = Text1250::fromBytes(padRight(readValue(profile, keys::kljucOpal), keys::kljucOpal.width));
}

namespace {

// The keys of SaveFolderSettings and SaveAllSettings go to the file in one rewrite. A key that cannot be
// stored is left out and reported; the others are still written.
class SettingsWrite {
  public:
    explicit SettingsWrite(const std::string& file) : changes_(file) {}
    void set(const SettingKey& key, const std::string& value) {
        auto accepted = changes_.set(key.section, key.key, value);
        if (!accepted && first_) first_ = std::move(accepted);
    }
    // The file keeps the globals' Windows-1250 bytes.
    void set(const SettingKey& key, const Text1250& value) { set(key, value.bytes()); }
    void addFolders(const Settings& settings) {
        set(keys::potDoIzdanihRacunov, settings.potDoIzdanihRacunov);
        set(keys::potDoPartnerjev, settings.potDoPartnerjev);
        set(keys::potDoXmlRacunov, settings.potDoXmlRacunov);
        set(keys::brisanjeDelovnih, std::to_string(settings.brisanjeDelovnih));
    }
    Result<void> save() {
        auto saved = changes_.save();
        if (!saved && first_) first_ = std::move(saved);
        return first_;
    }

  private:
    ProfileChanges changes_;
    Result<void> first_;
};

}  // namespace

Result<void> saveFolderSettings(const std::string& settingsFile, const Settings& settings) {
    SettingsWrite write(settingsFile);
    write.addFolders(settings);
    return write.save();
}

Result<void> saveAllSettings(const std::string& settingsFile, const Settings& settings) {
    SettingsWrite write(settingsFile);
    write.addFolders(settings);
    write.set(keys::stopnjaDdvVisja, settings.stopnjaDdvVisja.toPlainString());
    write.set(keys::stopnjaDdvNizja, settings.stopnjaDdvNizja.toPlainString());
    write.set(keys::firmaOpal, clipRight(settings.firmaOpal));
    write.set(keys::kljucOpal, clipRight(settings.kljucOpal));
    return write.save();
}

}  // namespace kirva::settings
