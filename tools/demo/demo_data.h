// The demo data behind `kirva-cli demo`: a repeatable book of issued invoices with its business units and
// partners, made to exercise every posting rule the way a real book does (domestic, EU and third-country
// customers, both VAT rates, credit notes, reverse charge, rounding differences, cash and non-cash). The
// model here is plain values (a unit's accounts as the posting rules hold them); demo_files.h turns it into
// data files and a KIRVA.INI. Depends on export/ (the posting model), settings/ (the settings keys), data/ and
// platform/; never on Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/posting_rules.h"
#include "platform/date.h"

namespace kirva::demo {

// A small deterministic generator (splitmix64) with its own uniform mapping, so a seed gives the same data
// with every compiler and standard library.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next();
    // Uniform in [0, n); n > 0.
    uint64_t below(uint64_t n);
    // Uniform in [low, high].
    int64_t between(int64_t low, int64_t high);
    // True with a probability of perMille / 1000.
    bool chance(int perMille);

  private:
    uint64_t state_;
};

enum class Market { Domestic, Eu, ThirdCountry };

// Texts in the model are UTF-8; they become Windows-1250 when written into records.
struct Partner {
    uint32_t sifra = 0;
    Market market = Market::Domestic;
    std::string naziv;
    std::string naslov;
    std::string posta;   // "1000 Ljubljana"
    std::string drzava;  // "SLOVENIJA", "AT", "NEMČIJA" ...
    std::string drzavaOznaka;
    std::string davcnaStevilka;
    std::string maticnaStevilka;  // empty for some
    std::string skupina;          // "", "S.", "EU", "TS"
    uint8_t ddv = 0;              // 1 VAT payer
    uint16_t dniValute = 30;
    std::string telefon;
    std::string email;
    std::string jezik;
    std::string opombe;
};

struct BusinessUnit {
    int company = 1;
    int unit = 1;                      // unit 1 sells goods, the others services
    exporting::UnitAccounts accounts;  // the posting rules' own model of a unit's accounts
};

// Amounts in cents, rates in hundredths of a percent (2200 is 22 %).
struct Invoice {
    int company = 1;
    int unit = 1;
    std::string tipRacuna;  // "B" non-cash, "G" cash (a few "b")
    std::string konto;
    uint32_t partner = 0;
    int32_t internaStevilka = 0;
    int64_t stevilka = 0;
    int leto = 0;
    int vrstaDokumenta = 1;
    std::string oznaka;
    int komercialist = 0;
    DateNumber datumStoritve = 0;
    DateNumber datum = 0;
    DateNumber datumValute = 0;
    DateNumber datumKnjizenja = 0;
    std::string opis;
    int64_t znesek = 0;  // ZNESEKDEBET, VAT included
    int64_t osnova1 = 0;
    int stopnja1 = 0;
    int stopnja1Obr = 0;
    int64_t ddv1 = 0;
    int64_t ddv1Obr = 0;
    int64_t osnova2 = 0;
    int stopnja2 = 0;
    int stopnja2Obr = 0;
    int64_t ddv2 = 0;
    int64_t ddv2Obr = 0;
    std::string redna;  // "R", "D", "T"
    std::string vrstaObracuna;
    std::string oprostitev;  // "08" .. "12"
    int64_t placano = 0;
    DateNumber datumPlacila = 0;
    std::vector<int64_t> delnaPlacila;     // at most 5
    std::vector<DateNumber> datumiDelnih;  // as many
    bool reverseCharge() const { return stopnja1Obr != 0 || stopnja2Obr != 0; }
};

struct DemoOptions {
    int invoices = 300;
    uint64_t seed = 1;
};

struct DemoData {
    DateNumber from = 0;  // the first day invoices may carry
    DateNumber to = 0;    // the last: the end of the previous calendar month
    std::vector<BusinessUnit> units;
    std::vector<Partner> partners;
    std::vector<Invoice> invoices;  // in date order
};

// The span of the demo book for a given day: it ends with the previous calendar month and reaches back six
// months, or further to the December of the year before, so that it always crosses a year boundary.
void demoPeriod(DateNumber today, DateNumber& from, DateNumber& to);

// Where a company's invoice numbers of a year start: each company numbers in a series of its own, the
// company's number first ((company * 100 + year % 100) * 1000000: company 2's 15th invoice of 2026 is
// 226000015). The book's key order is company, year, number, so every period's first invoice in that order
// has the smallest number and its last the largest, as the journal's file name shows them.
int64_t invoiceSeries(int company, int year);

DemoData generateDemo(const DemoOptions& options, DateNumber today);

}  // namespace kirva::demo
