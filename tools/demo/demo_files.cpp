#include "tools/demo/demo_files.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "data/layout.h"
#include "data/layout_fields.h"
#include "platform/decimal.h"
#include "platform/ini/profile_file.h"
#include "platform/system_files.h"
#include "platform/text1250.h"
#include "settings/settings_store.h"
#include "storage/keyed_file.h"

namespace kirva::demo {

namespace {

namespace fs = std::filesystem;
using data::Record;
namespace faracun = data::faracun;
namespace sfenpa = data::sfenpa;
namespace sfpartn = data::sfpartn;

// The demo's values always fit their fields; a refusal here is a fault of this file.
void check(const Result<void>& stored) {
    if (!stored) throw std::logic_error("demo data does not fit: " + stored.error().message);
}

void setWhole(Record& r, std::size_t field, int64_t value, std::size_t element = 0) {
    check(r.setInteger(field, value, element));
}
void setAmount(Record& r, std::size_t field, int64_t units, int places = 2, std::size_t element = 0) {
    check(r.setDecimal(field, Decimal::fromUnits(units, places), element));
}
void setText(Record& r, std::size_t field, std::string_view utf8) {
    check(r.setText(field, Text1250::literal(utf8)));
}

struct NamedFile {
    const data::Layout* layout;
    fs::path path;
};

std::vector<NamedFile> demoFiles(const fs::path& folder) {
    std::vector<NamedFile> files;
    for (const data::Layout* layout :
         {&data::faracunLayout(), &data::sfenpaLayout(), &data::sfpartnLayout(), &data::qfastorLayout(),
          &data::qfastpoLayout(), &data::saopracLayout(), &data::sfpoenLayout()}) {
        files.push_back({layout, folder / std::string(layout->fileName)});
    }
    return files;
}

}  // namespace

std::optional<std::string> existingDemoFile(const std::string& dir) {
    std::error_code ec;
    const fs::path folder = platform::pathOf(dir);
    for (const auto& named : demoFiles(folder)) {
        if (fs::exists(named.path, ec)) return named.path.string();
    }
    if (fs::exists(folder / "KIRVA.INI", ec)) return (folder / "KIRVA.INI").string();
    return std::nullopt;
}

void fillUnit(const BusinessUnit& unit, Record& record) {
    record.clear();
    setWhole(record, sfenpa::PODJETJE, unit.company);
    setWhole(record, sfenpa::SIFRAPOSLOVNEENOTE, unit.unit);
    setWhole(record, sfenpa::KONTOKUPCIBREZGOTOVINSKO, unit.accounts.kontoKupciBrezgotovinsko);
    setWhole(record, sfenpa::KONTOKUPCIGOTOVINSKO, unit.accounts.kontoKupciGotovinsko);
    setWhole(record, sfenpa::KONTOREALIZACIJESTORITVE, unit.accounts.kontoRealizacijeStoritve);
    setWhole(record, sfenpa::KONTOREALIZACIJEBLAGO, unit.accounts.kontoRealizacijeBlago);
    setWhole(record, sfenpa::KONTODDVVISJA, unit.accounts.kontoDdvVisja);
    setWhole(record, sfenpa::KONTODDVNIZJA, unit.accounts.kontoDdvNizja);
    setWhole(record, sfenpa::KONTOIZRAVNAVE, unit.accounts.kontoIzravnave);
}

void fillPartner(const Partner& p, Record& record, DateNumber today) {
    record.clear();
    setWhole(record, sfpartn::SIFRA, p.sifra);
    setText(record, sfpartn::NAZIV, p.naziv);
    setText(record, sfpartn::NASLOV, p.naslov);
    setText(record, sfpartn::POSTA, p.posta);
    setText(record, sfpartn::DRZAVA, p.drzava);
    setText(record, sfpartn::TELEFON, p.telefon);
    setText(record, sfpartn::EMAIL, p.email);
    setText(record, sfpartn::DRZAVAOZNAKA, p.drzavaOznaka);
    setText(record, sfpartn::DAVCNASTEV, p.davcnaStevilka);
    setWhole(record, sfpartn::DDV, p.ddv);
    setText(record, sfpartn::MATICNASTEVILKA, p.maticnaStevilka);
    if (p.naziv.ends_with("d.o.o.")) setAmount(record, sfpartn::USTANOVNIKAPITAL, 750000);
    setWhole(record, sfpartn::DNIVALUTE, p.dniValute);
    setText(record, sfpartn::ZACETEKVALUTE, "D");
    setWhole(record, sfpartn::BONITETA, 1);
    setText(record, sfpartn::KONTOKUPCA, p.market == Market::Domestic ? "1200" : "1210");
    setWhole(record, sfpartn::DEVIZA, 978);
    setWhole(record, sfpartn::TECAJ, 2);
    setText(record, sfpartn::JEZIK, p.jezik);
    setWhole(record, sfpartn::AVANSTIP, 1);
    setWhole(record, sfpartn::ZDRZAVAROVANJE, 1);
    setWhole(record, sfpartn::ZDRZAVARFAKTURA, 1);
    setWhole(record, sfpartn::DATUMSPREMEMBE, today - static_cast<DateNumber>(p.sifra % 400));
    setText(record, sfpartn::UPORABNIK, "DEMO");
    setText(record, sfpartn::SKUPINA, p.skupina);
    if (!p.opombe.empty()) {
        if (const auto memo = record.layout().findMemo("OPOMBE")) check(record.setMemo(*memo, cp1250(p.opombe)));
    }
}

void fillInvoice(const Invoice& inv, Record& record) {
    record.clear();
    setWhole(record, faracun::BE, inv.company);
    setWhole(record, faracun::POSLOVNAENOTA, inv.unit);
    setText(record, faracun::TIPRACUNA, inv.tipRacuna);
    setText(record, faracun::KONTO, inv.konto);
    setWhole(record, faracun::POSLOVNIPARTNER, inv.partner);
    setWhole(record, faracun::INTERNASTEVDOKUMENTA, inv.internaStevilka);
    setAmount(record, faracun::STEVILKARACUNA, inv.stevilka, 0);
    setWhole(record, faracun::LETODOKUMENTA, inv.leto);
    setWhole(record, faracun::VRSTADOKUMENTA, inv.vrstaDokumenta);
    setText(record, faracun::OZNAKADOKUMENTA, inv.oznaka);
    setWhole(record, faracun::KOMERCIALIST, inv.komercialist);
    setWhole(record, faracun::DATUMSTORITVEDOBAVE, inv.datumStoritve);
    setWhole(record, faracun::DATUMDOKUMENTA, inv.datum);
    setWhole(record, faracun::DATUMVALUTEPLACILA, inv.datumValute);
    setWhole(record, faracun::DATUMKNJIZENJA, inv.datumKnjizenja);
    setWhole(record, faracun::KNJIZIL, 1);
    setText(record, faracun::OPISKNJIZBE, inv.opis);
    setAmount(record, faracun::ZNESEKDEBET, inv.znesek);
    setAmount(record, faracun::OSNOVADDV1, inv.osnova1);
    setWhole(record, faracun::SIFRADDV1, inv.stopnja1 != 0 || inv.stopnja1Obr != 0 ? 1 : 0);
    setAmount(record, faracun::STOPNJADDV1, inv.stopnja1);
    setAmount(record, faracun::STOPNJADDV1OBR, inv.stopnja1Obr);
    setAmount(record, faracun::ZNESEKDDV1, inv.ddv1);
    setAmount(record, faracun::ZNESEKDDV1OBR, inv.ddv1Obr);
    setAmount(record, faracun::OSNOVADDV2, inv.osnova2);
    setWhole(record, faracun::SIFRADDV2, inv.stopnja2 != 0 || inv.stopnja2Obr != 0 ? 2 : 0);
    const int64_t revenue = inv.reverseCharge() ? inv.znesek : inv.osnova1 + inv.osnova2;
    setAmount(record, inv.unit == 1 ? faracun::REALIZACIJABREZDDVBLAGO : faracun::REALIZACIJABREZDDVSTOR, revenue);
    setAmount(record, faracun::STOPNJADDV2, inv.stopnja2);
    setAmount(record, faracun::STOPNJADDV2OBR, inv.stopnja2Obr);
    setAmount(record, faracun::ZNESEKDDV2, inv.ddv2);
    setAmount(record, faracun::ZNESEKDDV2OBR, inv.ddv2Obr);
    setText(record, faracun::REDNADRUGATRISTRANSKADOBAVAEU, inv.redna);
    setText(record, faracun::VRSTAOBRACUNADDV, inv.vrstaObracuna);
    setText(record, faracun::VRSTAOPROSTITVE, inv.oprostitev);
    setAmount(record, faracun::REALIZACIJAPOENOTAHBREZDDV, revenue, 2, static_cast<std::size_t>(inv.unit - 1));
    setAmount(record, faracun::ZNESEKPLACILARACUNA, inv.placano);
    setWhole(record, faracun::DATUMPLACILARACUNA, inv.datumPlacila);
    for (std::size_t i = 0; i < inv.delnaPlacila.size(); ++i) {
        setAmount(record, faracun::DELNOPLACILOZNESEK, inv.delnaPlacila[i], 2, i);
        setWhole(record, faracun::DELNOPLACILODATUM, inv.datumiDelnih[i], i);
    }
}

namespace {

std::string driverFailure(const std::string& what, const storage::KeyedFile& file) {
    const auto& error = file.lastError();
    std::string message = what + ": " + error.text();
    if (!error.sqliteMessage.empty()) message += " (" + error.sqliteMessage + ")";
    return message;
}

// Creates one file and loads its records in one transaction.
template <class Fill>
Result<void> writeFile(const NamedFile& named, std::size_t count, Fill fill) {
    storage::KeyedFile file(*named.layout);
    const std::string path = named.path.string();
    if (file.create(path) != 0) return makeError(driverFailure("cannot create " + path, file));
    if (count == 0) return {};
    if (file.open(path) != 0) return makeError(driverFailure("cannot open " + path, file));
    storage::KeyedFile::Transaction transaction(file);
    if (transaction.status() != 0) return makeError(driverFailure("cannot write " + path, file));
    Record record(*named.layout);
    for (std::size_t i = 0; i < count; ++i) {
        fill(i, record);
        if (file.add(record) != 0) return makeError(driverFailure("cannot write " + path, file));
    }
    if (transaction.commit() != 0) return makeError(driverFailure("cannot write " + path, file));
    return {};
}

}  // namespace

Result<DemoSummary> writeDemo(const std::string& dir, const DemoOptions& options, const Clock& clock) {
    std::error_code ec;
    const fs::path folder = fs::absolute(platform::pathOf(dir), ec).lexically_normal();
    if (ec) return makeError("cannot resolve the folder " + dir + ": " + ec.message());
    // The folders in KIRVA.INI are written as the system writes them (backslashes on Windows).
    std::string folderText = platform::utf8Of(folder);
    if (!folderText.ends_with(platform::kNativeSeparator)) folderText += platform::kNativeSeparator;
    auto folderSetting = utf8ToCp1250(folderText);
    if (!folderSetting)
        return makeError("the folder name " + folderText +
                         " cannot be kept in KIRVA.INI: " + folderSetting.error().message);

    const std::vector<NamedFile> files = demoFiles(folder);
    const fs::path ini = folder / "KIRVA.INI";
    if (auto existing = existingDemoFile(dir)) {
        return makeError(*existing + " already exists; the demo is written only where it overwrites nothing");
    }
    const fs::path output = folder / "XML";
    fs::create_directories(output, ec);
    if (ec) return makeError("cannot create the folder " + output.string() + ": " + ec.message());

    const DateNumber today = clock.today();
    const DemoData demo = generateDemo(options, today);

    auto written = [&]() -> Result<void> {
        if (auto r = writeFile(files[0], demo.invoices.size(),
                               [&](std::size_t i, Record& rec) { fillInvoice(demo.invoices[i], rec); });
            !r) {
            return r;
        }
        if (auto r = writeFile(files[1], demo.units.size(),
                               [&](std::size_t i, Record& rec) { fillUnit(demo.units[i], rec); });
            !r) {
            return r;
        }
        if (auto r = writeFile(files[2], demo.partners.size(),
                               [&](std::size_t i, Record& rec) { fillPartner(demo.partners[i], rec, today); });
            !r) {
            return r;
        }
        for (std::size_t f = 3; f < files.size(); ++f) {
            if (auto r = writeFile(files[f], 0, [](std::size_t, Record&) {}); !r) return r;
        }
        const std::string iniName = ini.string();
        const std::string outputSetting = *folderSetting + "XML" + platform::kNativeSeparator;
        namespace keys = settings::keys;
        // The identification keeps to the settings window's hint: 10 to 30 characters each.
        const std::pair<settings::SettingKey, std::string> values[] = {{keys::potDoIzdanihRacunov, *folderSetting},
                                                                       {keys::potDoPartnerjev, *folderSetting},
                                                                       {keys::potDoXmlRacunov, outputSetting},
                                                                       {keys::brisanjeDelovnih, "0"},
                                                                       {keys::stopnjaDdvVisja, "22"},
                                                                       {keys::stopnjaDdvNizja, "9.5"},
                                                                       {keys::firmaOpal, "DEMO Trgovina d.o.o."},
                                                                       {keys::kljucOpal, "DEMO-OPAL-0001"}};
        platform::ProfileChanges settingsFile(iniName);
        for (const auto& [key, value] : values) {
            if (auto r = settingsFile.set(key.section, key.key, value); !r) {
                return makeError("cannot write " + iniName + ": " + r.error().message);
            }
        }
        if (auto r = settingsFile.save(); !r) return makeError("cannot write " + iniName + ": " + r.error().message);
        return {};
    }();
    if (!written) {
        for (const auto& named : files) {
            fs::remove(named.path, ec);
            (void)platform::removeFile(named.path.string() + "-journal");
        }
        fs::remove(ini, ec);
        return written.error();
    }
    DemoSummary summary;
    summary.invoices = demo.invoices.size();
    summary.partners = demo.partners.size();
    summary.units = demo.units.size();
    summary.from = demo.from;
    summary.to = demo.to;
    summary.iniFile = ini.string();
    return summary;
}

}  // namespace kirva::demo
