#include "tools/demo/demo_data.h"

#include <algorithm>
#include <array>
#include <map>
#include <string_view>
#include <utility>

namespace kirva::demo {

uint64_t Random::next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

uint64_t Random::below(uint64_t n) {
    // Rejection keeps the mapping exactly uniform.
    const uint64_t limit = UINT64_MAX - UINT64_MAX % n;
    uint64_t x;
    do {
        x = next();
    } while (x >= limit);
    return x % n;
}

int64_t Random::between(int64_t low, int64_t high) {
    return low + static_cast<int64_t>(below(static_cast<uint64_t>(high - low) + 1));
}

bool Random::chance(int perMille) {
    return static_cast<int>(below(1000)) < perMille;
}

namespace {

template <class T, std::size_t N>
const T& pick(Random& random, const std::array<T, N>& items) {
    return items[random.below(N)];
}

std::string digits(Random& random, int count) {
    std::string out;
    out += static_cast<char>('1' + random.below(9));
    for (int i = 1; i < count; ++i) out += static_cast<char>('0' + random.below(10));
    return out;
}

// ASCII form of a name for e-mail addresses.
std::string asciiWord(std::string_view utf8) {
    static const std::map<std::string_view, char> kLetters = {{"č", 'c'}, {"Č", 'c'}, {"š", 's'}, {"Š", 's'},
                                                              {"ž", 'z'}, {"Ž", 'z'}, {"ć", 'c'}, {"đ", 'd'},
                                                              {"ä", 'a'}, {"ö", 'o'}, {"ü", 'u'}, {"ß", 's'}};
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) out += static_cast<char>(c);
            if (c >= 'A' && c <= 'Z') out += static_cast<char>(c - 'A' + 'a');
            ++i;
            continue;
        }
        const auto found = kLetters.find(utf8.substr(i, 2));
        if (found != kLetters.end()) out += found->second;
        i += 2;
    }
    return out;
}

constexpr std::array<std::string_view, 20> kTrades = {
    "Gradbeništvo", "Mizarstvo",        "Elektro",         "Avtoservis", "Trgovina",     "Pekarna",   "Računovodstvo",
    "Kovinarstvo",  "Vrtnarstvo",       "Čistilni servis", "Turizem",    "Gostilna",     "Tiskarna",  "Zidarstvo",
    "Frizerstvo",   "Slikopleskarstvo", "Inštalacije",     "Šiviljstvo", "Prevozništvo", "Sadjarstvo"};
constexpr std::array<std::string_view, 30> kSurnames = {
    "Kovačič",   "Žagar",  "Šuštar", "Novak",  "Horvat",   "Krajnc",   "Zupančič", "Potočnik", "Kos",    "Vidmar",
    "Golob",     "Turk",   "Božič",  "Kralj",  "Mlakar",   "Košir",    "Jerman",   "Hribar",   "Bizjak", "Černe",
    "Žnidaršič", "Rozman", "Pečnik", "Močnik", "Štrukelj", "Železnik", "Čuk",      "Ševc",     "Kožuh",  "Petrič"};
constexpr std::array<std::string_view, 16> kFirstNames = {"Janez",  "Marija", "Franc",  "Ana",    "Jože",    "Mojca",
                                                          "Matjaž", "Špela",  "Andrej", "Nataša", "Boštjan", "Urška",
                                                          "Tomaž",  "Maša",   "Žiga",   "Tjaša"};
constexpr std::array<std::string_view, 4> kForms = {"d.o.o.", "s.p.", "d.d.", "k.d."};
constexpr std::array<std::string_view, 15> kStreets = {
    "Slovenska cesta",    "Tržaška cesta",     "Prešernova ulica", "Šmartinska cesta",  "Celovška cesta",
    "Cankarjeva ulica",   "Partizanska cesta", "Žabjak",           "Kidričeva ulica",   "Glavni trg",
    "Gregorčičeva ulica", "Trubarjeva ulica",  "Vošnjakova ulica", "Ljubljanska cesta", "Ulica Šercerjeve brigade"};
constexpr std::array<std::string_view, 20> kPosts = {
    "1000 Ljubljana",   "2000 Maribor",        "3000 Celje",
    "4000 Kranj",       "5000 Nova Gorica",    "6000 Koper",
    "8000 Novo mesto",  "9000 Murska Sobota",  "1230 Domžale",
    "3320 Velenje",     "4260 Bled",           "2250 Ptuj",
    "1290 Grosuplje",   "6320 Portorož",       "8250 Brežice",
    "9220 Lendava",     "2380 Slovenj Gradec", "3210 Slovenske Konjice",
    "4220 Škofja Loka", "5270 Ajdovščina"};

struct Country {
    std::string_view name;  // as the invoicing system's users typed it
    std::string_view code;
    int vatDigits;
    std::string_view vatPrefix;
    std::array<std::string_view, 3> posts;
    std::array<std::string_view, 3> names;
    std::array<std::string_view, 2> streets;
};

const std::array<Country, 5> kEuCountries = {{
    {"AVSTRIJA",
     "AT",
     8,
     "U",
     {"9020 Klagenfurt", "8010 Graz", "1010 Wien"},
     {"Alpenholz GmbH", "Kärntner Metallbau GmbH", "Steirische Frischwaren KG"},
     {"Hauptplatz", "Bahnhofstraße"}},
    {"NEMČIJA",
     "DE",
     9,
     "",
     {"80331 München", "10115 Berlin", "70173 Stuttgart"},
     {"Müller Maschinenbau GmbH", "Schäfer Logistik KG", "Bayerische Holzwerke AG"},
     {"Marienplatz", "Hafenstraße"}},
    {"ITALIJA",
     "IT",
     11,
     "",
     {"34100 Trieste", "33100 Udine", "20121 Milano"},
     {"Rossi Costruzioni S.r.l.", "Adriatica Trasporti S.p.A.", "Friulana Legno S.r.l."},
     {"Via Roma", "Corso Italia"}},
    {"HRVAŠKA",
     "HR",
     11,
     "",
     {"10000 Zagreb", "51000 Rijeka", "21000 Split"},
     {"Jadran Export d.o.o.", "Zagorje Drvo d.o.o.", "Istarski Kamen d.o.o."},
     {"Ilica", "Korzo"}},
    {"MADŽARSKA",
     "HU",
     8,
     "",
     {"9700 Szombathely", "1051 Budapest", "8900 Zalaegerszeg"},
     {"Pannon Gép Kft.", "Balaton Szerviz Kft.", "Rába Logisztika Zrt."},
     {"Fő utca", "Kossuth utca"}},
}};

const std::array<Country, 4> kThirdCountries = {{
    {"SRBIJA",
     "RS",
     9,
     "",
     {"11000 Beograd", "21000 Novi Sad", "18000 Niš"},
     {"Beogradska Trgovina d.o.o.", "Vojvodina Agrar d.o.o.", "Niš Metal a.d."},
     {"Knez Mihailova", "Bulevar Oslobođenja"}},
    {"ŠVICA",
     "CH",
     9,
     "CHE",
     {"8001 Zürich", "3011 Bern", "6900 Lugano"},
     {"Helvetia Präzision AG", "Alpen Uhren GmbH", "Ticino Logistica SA"},
     {"Bahnhofstrasse", "Via Nassa"}},
    {"BOSNA IN HERCEGOVINA",
     "BA",
     12,
     "",
     {"71000 Sarajevo", "78000 Banja Luka", "88000 Mostar"},
     {"Sarajevo Promet d.o.o.", "Krajina Drvo d.o.o.", "Hercegovina Vino d.o.o."},
     {"Ferhadija", "Titova"}},
    {"ZDA",
     "US",
     9,
     "",
     {"10001 New York", "60601 Chicago", "94105 San Francisco"},
     {"Atlantic Imports Inc.", "Great Lakes Tools LLC", "Pacific Trade Corp."},
     {"Main Street", "Market Street"}},
}};

std::string cut(std::string text, std::size_t characters) {
    // Counts UTF-8 characters; the demo's texts are all within Windows-1250.
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && ++count > characters) {
            text.resize(i);
            break;
        }
    }
    return text;
}

Partner makeDomestic(Random& random, uint32_t sifra) {
    Partner p;
    p.sifra = sifra;
    p.market = Market::Domestic;
    const std::string surname(pick(random, kSurnames));
    const bool person = random.chance(120);
    if (person) {
        p.naziv = std::string(pick(random, kFirstNames)) + " " + surname;
        p.ddv = 0;
    } else {
        const std::string_view form = random.chance(500) ? kForms[0] : pick(random, kForms);
        p.naziv = cut(std::string(pick(random, kTrades)) + " " + surname + " " + std::string(form), 40);
        p.ddv = form == "s.p." && random.chance(400) ? 0 : 1;
        if (!random.chance(100)) p.maticnaStevilka = digits(random, 7) + "000";
        p.email = "info@" + asciiWord(surname) + ".si";
    }
    // One draw per statement: the order in which operands of one expression are evaluated is unspecified.
    p.naslov = std::string(pick(random, kStreets));
    p.naslov += " " + std::to_string(random.between(1, 160));
    p.posta = std::string(pick(random, kPosts));
    static constexpr std::array<std::string_view, 4> kNames = {"SLOVENIJA", "SLOVENIJA", "Slovenija", "SI"};
    p.drzava = std::string(pick(random, kNames));
    p.drzavaOznaka = p.ddv != 0 ? "SI" : "";
    p.davcnaStevilka = digits(random, 8);
    p.skupina = random.chance(600) ? "S." : "";
    p.dniValute = static_cast<uint16_t>(std::array<int, 4>{8, 15, 30, 30}[random.below(4)]);
    p.telefon = "0" + std::to_string(random.between(1, 7));
    p.telefon += " " + digits(random, 3);
    p.telefon += " " + digits(random, 2);
    p.telefon += " " + digits(random, 2);
    p.jezik = "SLOVENSKI";
    if (random.chance(150)) p.opombe = "Plačilo po predračunu. Pošta na naslov sedeža.";
    return p;
}

Partner makeForeign(Random& random, uint32_t sifra, const Country& country, Market market) {
    Partner p;
    p.sifra = sifra;
    p.market = market;
    p.naziv = std::string(country.names[random.below(3)]);
    p.naslov = std::string(country.streets[random.below(2)]);
    p.naslov += " " + std::to_string(random.between(1, 90));
    p.posta = std::string(country.posts[random.below(3)]);
    // Users typed the country now as its name, now as its code.
    p.drzava = std::string(random.chance(300) ? country.code : country.name);
    p.drzavaOznaka = std::string(country.code);
    p.davcnaStevilka = std::string(country.vatPrefix) + digits(random, country.vatDigits);
    if (market == Market::Eu) {
        p.skupina = random.chance(100) ? "eu" : "EU";
        p.ddv = 1;
    } else {
        p.skupina = "TS";
        p.ddv = 0;
    }
    p.dniValute = 30;
    p.telefon = "+" + digits(random, 2);
    p.telefon += " " + digits(random, 3);
    p.telefon += " " + digits(random, 6);
    p.email = "office@" + asciiWord(p.naziv.substr(0, p.naziv.find(' '))) + ".com";
    p.jezik = market == Market::Eu && (country.code == "AT" || country.code == "DE") ? "NEMŠKI" : "ANGLEŠKI";
    return p;
}

std::vector<Partner> makePartners(Random& random, int invoices) {
    const int count = std::clamp(invoices / 6, 24, 600);
    std::vector<Partner> partners;
    for (int i = 0; i < count; ++i) {
        const auto sifra = static_cast<uint32_t>(1001 + i);
        const auto roll = random.below(100);
        if (roll < 70) {
            partners.push_back(makeDomestic(random, sifra));
        } else if (roll < 88) {
            partners.push_back(makeForeign(random, sifra, pick(random, kEuCountries), Market::Eu));
        } else {
            partners.push_back(makeForeign(random, sifra, pick(random, kThirdCountries), Market::ThirdCountry));
        }
    }
    return partners;
}

std::vector<BusinessUnit> makeUnits() {
    std::vector<BusinessUnit> units;
    for (int company = 1; company <= 2; ++company) {
        const uint32_t offset = static_cast<uint32_t>(company - 1) * 1000;
        for (int unit = 1; unit <= (company == 1 ? 3 : 2); ++unit) {
            BusinessUnit u;
            u.company = company;
            u.unit = unit;
            u.accounts.kontoKupciBrezgotovinsko = 120000 + offset;
            u.accounts.kontoKupciGotovinsko = 120100 + offset;
            u.accounts.kontoRealizacijeStoritve = 760000 + offset + static_cast<uint32_t>(unit);
            u.accounts.kontoRealizacijeBlago = 762000 + offset + static_cast<uint32_t>(unit);
            u.accounts.kontoDdvVisja = 260000 + offset;
            u.accounts.kontoDdvNizja = 260100 + offset;
            u.accounts.kontoIzravnave = 769900 + offset;
            units.push_back(u);
        }
    }
    return units;
}

// VAT of a base in cents at a rate in hundredths of a percent, rounded half away from zero.
int64_t vatOf(int64_t base, int rate) {
    const int64_t scaled = base * rate;
    return scaled >= 0 ? (scaled + 5000) / 10000 : -((-scaled + 5000) / 10000);
}

int64_t amount(Random& random) {
    const auto roll = random.below(100);
    if (roll < 60) return random.between(1000, 50000);
    if (roll < 90) return random.between(50000, 500000);
    return random.between(500000, 5000000);
}

constexpr int kGeneral = 2200;
constexpr int kReduced = 950;

constexpr std::array<std::string_view, 6> kGoods = {"Prodaja blaga",           "Dobava materiala",
                                                    "Prodaja rezervnih delov", "Dobava opreme po pogodbi",
                                                    "Prodaja živil",           "Dobava pohištva"};
constexpr std::array<std::string_view, 6> kServices = {"Storitve vzdrževanja", "Svetovanje",
                                                       "Servis naprav",        "Izobraževanje zaposlenih",
                                                       "Najem opreme",         "Gradbena dela po situaciji"};

// Fills the amounts and VAT codes of one invoice for its partner.
void makeAmounts(Random& random, Invoice& inv, const Partner& partner) {
    inv.redna = "R";
    inv.oprostitev = "08";
    if (partner.market == Market::Eu) {
        inv.osnova1 = amount(random);
        inv.vrstaObracuna = "N";
        const bool triangular = random.chance(80);
        inv.redna = triangular ? "T" : "R";
        inv.oprostitev = triangular ? "10" : "09";
    } else if (partner.market == Market::ThirdCountry) {
        inv.osnova1 = amount(random);
        inv.vrstaObracuna = "I";
    } else if (partner.ddv != 0 && random.chance(50)) {
        // Domestic reverse charge (76.a): the customer accounts for the VAT; the invoice shows the rate and
        // the VAT it would have carried, and books the base with a zero rate or not at all.
        const int64_t base = amount(random);
        const bool reduced = random.chance(200);
        inv.znesek = base;
        if (reduced) {
            inv.stopnja2Obr = kReduced;
            inv.ddv2Obr = vatOf(base, kReduced);
            if (!random.chance(300)) inv.osnova2 = base;
        } else {
            inv.stopnja1Obr = kGeneral;
            inv.ddv1Obr = vatOf(base, kGeneral);
            if (!random.chance(300)) inv.osnova1 = base;
        }
        inv.vrstaObracuna = "O";
        return;
    } else {
        const auto roll = random.below(100);
        if (roll < 55) {
            inv.osnova1 = amount(random);
            inv.stopnja1 = kGeneral;
        } else if (roll < 72) {
            inv.osnova2 = amount(random);
            inv.stopnja2 = kReduced;
        } else if (roll < 95) {
            inv.osnova1 = amount(random);
            inv.stopnja1 = kGeneral;
            inv.osnova2 = amount(random);
            inv.stopnja2 = kReduced;
        } else {
            inv.osnova1 = amount(random);  // exempt domestic supply: a base with a zero rate
        }
        inv.ddv1 = vatOf(inv.osnova1, inv.stopnja1);
        inv.ddv2 = vatOf(inv.osnova2, inv.stopnja2);
        inv.vrstaObracuna = inv.stopnja1 == 0 && inv.stopnja2 == 0 ? "N" : (partner.ddv != 0 ? "Z" : "K");
    }
    inv.znesek = inv.osnova1 + inv.ddv1 + inv.osnova2 + inv.ddv2;
    if ((inv.stopnja1 != 0 || inv.stopnja2 != 0) && random.chance(40)) {
        inv.znesek += random.chance(500) ? 1 : -1;  // the till rounded the total
    }
}

void negate(Invoice& inv) {
    for (int64_t* value : {&inv.znesek, &inv.osnova1, &inv.ddv1, &inv.ddv1Obr, &inv.osnova2, &inv.ddv2, &inv.ddv2Obr}) {
        *value = -*value;
    }
}

}  // namespace

void demoPeriod(DateNumber today, DateNumber& from, DateNumber& to) {
    const CivilDate now = civilFromDate(today);
    const int thisMonth = now.year * 12 + (now.month - 1);
    const int previous = thisMonth - 1;
    const int sixBack = previous - 5;
    const int decemberBefore = (previous / 12 - 1) * 12 + 11;
    const int first = std::min(sixBack, decemberBefore);
    from = *dateFromCivil(first / 12, first % 12 + 1, 1);
    to = *dateFromCivil(thisMonth / 12, thisMonth % 12 + 1, 1) - 1;
}

int64_t invoiceSeries(int company, int year) {
    return (static_cast<int64_t>(company) * 100 + year % 100) * 1000000;
}

DemoData generateDemo(const DemoOptions& options, DateNumber today) {
    DemoData data;
    Random random(options.seed);
    demoPeriod(today, data.from, data.to);
    data.units = makeUnits();
    data.partners = makePartners(random, options.invoices);

    // Working days of the span; invoices fall on them.
    std::vector<DateNumber> workdays;
    for (DateNumber d = data.from; d <= data.to; ++d) {
        if ((d + 6) % 7 < 5) workdays.push_back(d);  // Monday is 0: day 4, 1 January 1801, was a Thursday
    }
    std::vector<DateNumber> dates(static_cast<std::size_t>(std::max(options.invoices, 0)));
    for (auto& d : dates) d = workdays[random.below(workdays.size())];
    std::sort(dates.begin(), dates.end());

    std::map<std::pair<int, int>, int> sequence;  // (company, year) → last number given
    data.invoices.reserve(dates.size());
    for (const DateNumber date : dates) {
        Invoice inv;
        inv.company = random.chance(700) ? 1 : 2;
        inv.unit = static_cast<int>(random.between(1, inv.company == 1 ? 3 : 2));
        const Partner& partner = data.partners[random.below(data.partners.size())];
        inv.partner = partner.sifra;
        inv.datum = date;
        inv.leto = civilFromDate(date).year;
        const int number = ++sequence[{inv.company, inv.leto}];
        inv.internaStevilka = number;
        inv.stevilka = invoiceSeries(inv.company, inv.leto) + number;
        inv.oznaka =
            "IR-" + std::to_string(inv.leto) + "-" + std::to_string(inv.company) + "-" + std::to_string(number);
        inv.komercialist = static_cast<int>(random.between(1, 6));
        inv.datumStoritve = random.chance(30) ? 0 : date - static_cast<DateNumber>(random.below(6));
        inv.datumValute = date + partner.dniValute;
        inv.datumKnjizenja = date;
        inv.konto = partner.market == Market::Domestic ? "1200" : "1210";
        const bool cash = partner.market == Market::Domestic && random.chance(inv.unit == 1 ? 250 : 80);
        inv.tipRacuna = cash ? "G" : (random.chance(10) ? "b" : "B");

        makeAmounts(random, inv, partner);
        const bool credit = random.chance(partner.market == Market::Domestic ? 50 : 20);
        if (credit) {
            negate(inv);
            inv.vrstaDokumenta = 2;
            // It credits an earlier invoice of the same company and year.
            const int64_t firstOfYear = invoiceSeries(inv.company, inv.leto) + 1;
            const int64_t credited = inv.stevilka - 1 - static_cast<int64_t>(random.below(5));
            inv.opis = "Dobropis k računu " + std::to_string(std::max(credited, firstOfYear));
        } else if (inv.reverseCharge()) {
            inv.opis = "Gradbene storitve, 76.a člen ZDDV-1";
        } else {
            inv.opis = std::string(inv.unit == 1 ? pick(random, kGoods) : pick(random, kServices));
        }

        // Payments: older invoices are mostly paid, some in parts.
        if (!credit && inv.datumValute < today - 5 && random.chance(800)) {
            if (random.chance(120) && inv.znesek > 200) {
                const int64_t first = inv.znesek / 2;
                inv.delnaPlacila = {first, inv.znesek - first};
                inv.datumiDelnih = {inv.datumValute - 5, inv.datumValute + 3};
            }
            inv.placano = inv.znesek;
            inv.datumPlacila = inv.datumValute + static_cast<DateNumber>(random.between(-7, 4));
        }
        data.invoices.push_back(std::move(inv));
    }
    return data;
}

}  // namespace kirva::demo
