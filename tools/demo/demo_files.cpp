#include "tools/demo/demo_files.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "data/layout.h"
#include "platform/decimal.h"
#include "platform/ini/profile_file.h"
#include "storage/keyed_file.h"
#include "platform/text1250.h"

namespace kirva::demo {

namespace {

namespace fs = std::filesystem;
using data::Record;

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
    check(r.setText(field, cp1250(utf8)));
}

// Field indexes looked up once per layout: the demo writes hundreds of thousands of records.
struct FaracunFields {
    explicit FaracunFields(const data::Layout& l)
        : be(*l.findField("BE")),
          poslovnaEnota(*l.findField("POSLOVNAENOTA")),
          tipRacuna(*l.findField("TIPRACUNA")),
          konto(*l.findField("KONTO")),
          poslovniPartner(*l.findField("POSLOVNIPARTNER")),
          interna(*l.findField("INTERNASTEVDOKUMENTA")),
          stevilka(*l.findField("STEVILKARACUNA")),
          leto(*l.findField("LETODOKUMENTA")),
          vrstaDokumenta(*l.findField("VRSTADOKUMENTA")),
          oznaka(*l.findField("OZNAKADOKUMENTA")),
          komercialist(*l.findField("KOMERCIALIST")),
          datumStoritve(*l.findField("DATUMSTORITVEDOBAVE")),
          datum(*l.findField("DATUMDOKUMENTA")),
          datumValute(*l.findField("DATUMVALUTEPLACILA")),
          datumKnjizenja(*l.findField("DATUMKNJIZENJA")),
          knjizil(*l.findField("KNJIZIL")),
          opis(*l.findField("OPISKNJIZBE")),
          znesek(*l.findField("ZNESEKDEBET")),
          osnova1(*l.findField("OSNOVADDV1")),
          sifra1(*l.findField("SIFRADDV1")),
          stopnja1(*l.findField("STOPNJADDV1")),
          stopnja1Obr(*l.findField("STOPNJADDV1OBR")),
          ddv1(*l.findField("ZNESEKDDV1")),
          ddv1Obr(*l.findField("ZNESEKDDV1OBR")),
          osnova2(*l.findField("OSNOVADDV2")),
          sifra2(*l.findField("SIFRADDV2")),
          realizacijaStor(*l.findField("REALIZACIJABREZDDVSTOR")),
          realizacijaBlago(*l.findField("REALIZACIJABREZDDVBLAGO")),
          stopnja2(*l.findField("STOPNJADDV2")),
          stopnja2Obr(*l.findField("STOPNJADDV2OBR")),
          ddv2(*l.findField("ZNESEKDDV2")),
          ddv2Obr(*l.findField("ZNESEKDDV2OBR")),
          redna(*l.findField("REDNADRUGATRISTRANSKADOBAVAEU")),
          vrstaObracuna(*l.findField("VRSTAOBRACUNADDV")),
          oprostitev(*l.findField("VRSTAOPROSTITVE")),
          poEnotah(*l.findField("REALIZACIJAPOENOTAHBREZDDV")),
          placano(*l.findField("ZNESEKPLACILARACUNA")),
          datumPlacila(*l.findField("DATUMPLACILARACUNA")),
          delnaPlacila(*l.findField("DELNOPLACILOZNESEK")),
          datumiDelnih(*l.findField("DELNOPLACILODATUM")) {}

    std::size_t be, poslovnaEnota, tipRacuna, konto, poslovniPartner, interna, stevilka, leto, vrstaDokumenta, oznaka,
        komercialist, datumStoritve, datum, datumValute, datumKnjizenja, knjizil, opis, znesek, osnova1, sifra1,
        stopnja1, stopnja1Obr, ddv1, ddv1Obr, osnova2, sifra2, realizacijaStor, realizacijaBlago, stopnja2, stopnja2Obr,
        ddv2, ddv2Obr, redna, vrstaObracuna, oprostitev, poEnotah, placano, datumPlacila, delnaPlacila, datumiDelnih;
};

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
    const fs::path folder(dir);
    for (const auto& named : demoFiles(folder)) {
        if (fs::exists(named.path, ec)) return named.path.string();
    }
    if (fs::exists(folder / "KIRVA.INI", ec)) return (folder / "KIRVA.INI").string();
    return std::nullopt;
}

void fillUnit(const BusinessUnit& unit, Record& record) {
    record.clear();
    setWhole(record, record.field("PODJETJE"), unit.company);
    setWhole(record, record.field("SIFRAPOSLOVNEENOTE"), unit.unit);
    setWhole(record, record.field("KONTOKUPCIBREZGOTOVINSKO"), unit.kontoKupciBrezgotovinsko);
    setWhole(record, record.field("KONTOKUPCIGOTOVINSKO"), unit.kontoKupciGotovinsko);
    setWhole(record, record.field("KONTOREALIZACIJESTORITVE"), unit.kontoRealizacijeStoritve);
    setWhole(record, record.field("KONTOREALIZACIJEBLAGO"), unit.kontoRealizacijeBlago);
    setWhole(record, record.field("KONTODDVVISJA"), unit.kontoDdvVisja);
    setWhole(record, record.field("KONTODDVNIZJA"), unit.kontoDdvNizja);
    setWhole(record, record.field("KONTOIZRAVNAVE"), unit.kontoIzravnave);
}

void fillPartner(const Partner& p, Record& record, DateNumber today) {
    record.clear();
    setWhole(record, record.field("SIFRA"), p.sifra);
    setText(record, record.field("NAZIV"), p.naziv);
    setText(record, record.field("NASLOV"), p.naslov);
    setText(record, record.field("POSTA"), p.posta);
    setText(record, record.field("DRZAVA"), p.drzava);
    setText(record, record.field("TELEFON"), p.telefon);
    setText(record, record.field("EMAIL"), p.email);
    setText(record, record.field("DRZAVAOZNAKA"), p.drzavaOznaka);
    setText(record, record.field("DAVCNASTEV"), p.davcnaStevilka);
    setWhole(record, record.field("DDV"), p.ddv);
    setText(record, record.field("MATICNASTEVILKA"), p.maticnaStevilka);
    if (p.naziv.ends_with("d.o.o.")) setAmount(record, record.field("USTANOVNIKAPITAL"), 750000);
    setWhole(record, record.field("DNIVALUTE"), p.dniValute);
    setText(record, record.field("ZACETEKVALUTE"), "D");
    setWhole(record, record.field("BONITETA"), 1);
    setText(record, record.field("KONTOKUPCA"), p.market == Market::Domestic ? "1200" : "1210");
    setWhole(record, record.field("DEVIZA"), 978);
    setWhole(record, record.field("TECAJ"), 2);
    setText(record, record.field("JEZIK"), p.jezik);
    setWhole(record, record.field("AVANSTIP"), 1);
    setWhole(record, record.field("ZDRZAVAROVANJE"), 1);
    setWhole(record, record.field("ZDRZAVARFAKTURA"), 1);
    setWhole(record, record.field("DATUMSPREMEMBE"), today - static_cast<DateNumber>(p.sifra % 400));
    setText(record, record.field("UPORABNIK"), "DEMO");
    setText(record, record.field("SKUPINA"), p.skupina);
    if (!p.opombe.empty()) {
        const auto memo = record.layout().findMemo("OPOMBE");
        if (memo) check(record.setMemo(*memo, cp1250(p.opombe)));
    }
}

void fillInvoice(const Invoice& inv, Record& record) {
    static const FaracunFields f(data::faracunLayout());
    record.clear();
    setWhole(record, f.be, inv.company);
    setWhole(record, f.poslovnaEnota, inv.unit);
    setText(record, f.tipRacuna, inv.tipRacuna);
    setText(record, f.konto, inv.konto);
    setWhole(record, f.poslovniPartner, inv.partner);
    setWhole(record, f.interna, inv.internaStevilka);
    setAmount(record, f.stevilka, inv.stevilka, 0);
    setWhole(record, f.leto, inv.leto);
    setWhole(record, f.vrstaDokumenta, inv.vrstaDokumenta);
    setText(record, f.oznaka, inv.oznaka);
    setWhole(record, f.komercialist, inv.komercialist);
    setWhole(record, f.datumStoritve, inv.datumStoritve);
    setWhole(record, f.datum, inv.datum);
    setWhole(record, f.datumValute, inv.datumValute);
    setWhole(record, f.datumKnjizenja, inv.datumKnjizenja);
    setWhole(record, f.knjizil, 1);
    setText(record, f.opis, inv.opis);
    setAmount(record, f.znesek, inv.znesek);
    setAmount(record, f.osnova1, inv.osnova1);
    setWhole(record, f.sifra1, inv.stopnja1 != 0 || inv.stopnja1Obr != 0 ? 1 : 0);
    setAmount(record, f.stopnja1, inv.stopnja1);
    setAmount(record, f.stopnja1Obr, inv.stopnja1Obr);
    setAmount(record, f.ddv1, inv.ddv1);
    setAmount(record, f.ddv1Obr, inv.ddv1Obr);
    setAmount(record, f.osnova2, inv.osnova2);
    setWhole(record, f.sifra2, inv.stopnja2 != 0 || inv.stopnja2Obr != 0 ? 2 : 0);
    const int64_t revenue = inv.reverseCharge() ? inv.znesek : inv.osnova1 + inv.osnova2;
    setAmount(record, inv.unit == 1 ? f.realizacijaBlago : f.realizacijaStor, revenue);
    setAmount(record, f.stopnja2, inv.stopnja2);
    setAmount(record, f.stopnja2Obr, inv.stopnja2Obr);
    setAmount(record, f.ddv2, inv.ddv2);
    setAmount(record, f.ddv2Obr, inv.ddv2Obr);
    setText(record, f.redna, inv.redna);
    setText(record, f.vrstaObracuna, inv.vrstaObracuna);
    setText(record, f.oprostitev, inv.oprostitev);
    setAmount(record, f.poEnotah, revenue, 2, static_cast<std::size_t>(inv.unit - 1));
    setAmount(record, f.placano, inv.placano);
    setWhole(record, f.datumPlacila, inv.datumPlacila);
    for (std::size_t i = 0; i < inv.delnaPlacila.size(); ++i) {
        setAmount(record, f.delnaPlacila, inv.delnaPlacila[i], 2, i);
        setWhole(record, f.datumiDelnih, inv.datumiDelnih[i], i);
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
    const fs::path folder = fs::absolute(fs::path(dir), ec).lexically_normal();
    if (ec) return makeError("cannot resolve the folder " + dir + ": " + ec.message());
    std::string folderText = folder.generic_string();
    if (!folderText.ends_with('/')) folderText += '/';
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
        const std::string outputSetting = *folderSetting + "XML/";
        const std::pair<const char*, const char*> keys[] = {{"GLOBAL", "PotDoIzdanihRacunov"},
                                                            {"GLOBAL", "PotDoPartnerjev"},
                                                            {"GLOBAL", "PotDoXMLRacunov"},
                                                            {"GLOBAL", "BrisanjeDelPodat"},
                                                            {"DAVKI", "StopnjaDDVvisja"},
                                                            {"DAVKI", "StopnjaDDVnizja"},
                                                            {"OPAL", "Firma"},
                                                            {"OPAL", "Kljuc"}};
        const std::string values[] = {*folderSetting, *folderSetting, outputSetting, "0",
                                      "22",           "9.5",          "DEMO",        "KIRVA-DEMO"};
        for (std::size_t k = 0; k < std::size(keys); ++k) {
            if (auto r = platform::writeProfileString(iniName, keys[k].first, keys[k].second, values[k]); !r) {
                return makeError("cannot write " + iniName + ": " + r.error().message);
            }
        }
        return {};
    }();
    if (!written) {
        for (const auto& named : files) {
            fs::remove(named.path, ec);
            fs::remove(named.path.string() + "-journal", ec);
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
