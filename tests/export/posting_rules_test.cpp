#include "export/posting_rules.h"

#include <gtest/gtest.h>

#include "platform/text1250.h"

namespace kirva::exporting {
namespace {

Decimal amount(std::string_view text) {
    return *Decimal::parse(text);
}

TEST(JournalTextForms, FixedWidthFormsAndTheirOverflow) {
    EXPECT_EQ(dateForm(*dateFromCivil(2019, 5, 21)), "2019-05-21");
    EXPECT_EQ(dateForm(*dateFromCivil(1801, 1, 1)), "1801-01-01");
    EXPECT_EQ(dateForm(0), "");

    const std::vector<std::pair<std::string, std::string>> amounts = {
        {"1234.5", "1234.50        "},
        {"-80", "-80.00         "},
        {"0", "0.00           "},
        {"0.01", "0.01           "},
        {"-0.01", "-0.01          "},
        {"122.00", "122.00         "},
        {"999999999999.99", "999999999999.99"},      // exactly 15
        {"-9999999999999.99", "-9999999999999.99"},  // wider: whole, never cut
    };
    for (const auto& [value, text] : amounts) EXPECT_EQ(amountForm(amount(value)), text) << value;

    EXPECT_EQ(documentNumberForm(amount("1234")), "1234          ");
    EXPECT_EQ(documentNumberForm(amount("-17")), "-17           ");
    EXPECT_EQ(documentNumberForm(amount("9999999999999")), "9999999999999 ");
    EXPECT_EQ(documentNumberForm(amount("-9999999999999")), "-9999999999999");

    EXPECT_EQ(partnerCodeForm(123), "     123");
    EXPECT_EQ(partnerCodeForm(0), "       0");
    EXPECT_EQ(partnerCodeForm(-5), "      -5");
    EXPECT_EQ(partnerCodeForm(12345678), "12345678");
    EXPECT_EQ(partnerCodeForm(2147483647), "2147483647");

    EXPECT_EQ(plainNumberForm(5), "5");
    EXPECT_EQ(plainNumberForm(2019), "2019");
    EXPECT_EQ(accountForm(760), "760");
    EXPECT_EQ(accountForm(4294967295u), "4294967295");
}

TEST(JournalTextForms, CountryRule) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Slovenija", "SVN"},
        {"si", "SVN"},
        {"SLOVENIJA", "SVN"},
        {padRight("Slovenija", 20), "SVN"},
        {"Si", "SVN"},
        {"Avstrija", "AVS"},
        {"AT", "AT "},
        {"", "   "},
        {padRight("", 20), "   "},
        {"SLO", "SLO"},
        {"Slovenija d", "SLO"},
        {cp1250("češka"), cp1250("ČEŠ")},
    };
    for (const auto& [drzava, code] : cases) EXPECT_EQ(countryCode(drzava), code) << drzava;
    EXPECT_EQ(consumptionCountry("Slovenija"), "SLO");
    EXPECT_EQ(consumptionCountry("si"), "SI ");
    EXPECT_EQ(consumptionCountry(""), "   ");
}

TEST(JournalTextForms, PostalSplitKeepsFixedSlices) {
    EXPECT_EQ(postalCode(padRight("1000 Ljubljana", 30)), "1000 ");
    EXPECT_EQ(placeName(padRight("1000 Ljubljana", 30)), "Ljubljana" + std::string(15, ' '));
    EXPECT_EQ(postalCode(padRight("10115 Berlin", 30)), "10115");
    EXPECT_EQ(placeName(padRight("10115 Berlin", 30)), " Berlin" + std::string(17, ' '));
    EXPECT_EQ(postalCode(""), "     ");
    EXPECT_EQ(placeName(""), std::string(24, ' '));
    // Characters 6 to 29: the 30th is never taken.
    EXPECT_EQ(placeName("12345" + std::string(24, 'x') + "Z"), std::string(24, 'x'));
}

TEST(PostingRules, MarketAccountsAndDocumentKind) {
    const std::vector<std::pair<std::string, std::string_view>> markets = {
        {"EU", "EU"},    {"eu", "EU"},    {"Eu", "EU"},  {"TS", "Tretji_svet"}, {"ts", "Tretji_svet"},
        {"S.", "Domac"}, {"  ", "Domac"}, {"", "Domac"}, {"E ", "Domac"},
    };
    for (const auto& [skupina, text] : markets) {
        Customer customer;
        customer.skupina = skupina;
        EXPECT_EQ(marketText(marketOf(customer)), text) << skupina;
        EXPECT_EQ(hasTaxNumber(customer), text == "Domac") << skupina;
    }

    UnitAccounts unit{.kontoKupciBrezgotovinsko = 1200,
                      .kontoKupciGotovinsko = 1210,
                      .kontoRealizacijeStoritve = 7600,
                      .kontoRealizacijeBlago = 7620,
                      .kontoDdvVisja = 2600,
                      .kontoDdvNizja = 2610,
                      .kontoIzravnave = 7890};
    Invoice invoice;
    for (const auto& [tip, account] : std::vector<std::pair<std::string, uint32_t>>{
             {"B", 1200}, {"b", 1200}, {"G", 1210}, {" ", 1210}, {"", 1210}}) {
        invoice.tipRacuna = tip;
        EXPECT_EQ(customerAccount(invoice, unit), account) << "'" << tip << "'";
    }
    for (const auto& [unitNumber, account] :
         std::vector<std::pair<int16_t, uint32_t>>{{1, 7620}, {2, 7600}, {0, 7600}, {-1, 7600}, {11, 7600}}) {
        invoice.poslovnaEnota = unitNumber;
        EXPECT_EQ(revenueAccount(invoice, unit), account) << unitNumber;
    }

    invoice.znesekDebet = amount("0.01");
    EXPECT_EQ(documentKind(invoice), "Izdani_racun");
    invoice.znesekDebet = amount("-0.01");
    EXPECT_EQ(documentKind(invoice), "Izdani_dobropis");
}

struct Line {
    std::string kind;
    uint32_t account;
    std::string amount;
    std::string base;  // "0" where the journal writes the constant
    friend bool operator==(const Line&, const Line&) = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
    return out << "{" << line.kind << ", " << line.account << ", " << line.amount << ", " << line.base << "}";
}

struct LinesCase {
    std::string name;
    // total, base1, rate1, vat1, base2, rate2, vat2, rate1 76.a, rate2 76.a
    std::array<std::string, 9> amounts;
    std::string skupina;
    int16_t unit;
    std::vector<Line> lines;
};

Invoice invoiceOf(const LinesCase& c) {
    Invoice invoice;
    invoice.poslovnaEnota = c.unit;
    invoice.tipRacuna = "B";
    Decimal* fields[] = {&invoice.znesekDebet, &invoice.osnovaDdv1,     &invoice.stopnjaDdv1,
                         &invoice.znesekDdv1,  &invoice.osnovaDdv2,     &invoice.stopnjaDdv2,
                         &invoice.znesekDdv2,  &invoice.stopnjaDdv1Obr, &invoice.stopnjaDdv2Obr};
    for (std::size_t i = 0; i < 9; ++i) *fields[i] = amount(c.amounts[i]).rescaled(2).value();
    return invoice;
}

TEST(PostingRules, LinesTheirConditionsAndOrder) {
    const UnitAccounts unit{.kontoKupciBrezgotovinsko = 120,
                            .kontoKupciGotovinsko = 121,
                            .kontoRealizacijeStoritve = 760,
                            .kontoRealizacijeBlago = 762,
                            .kontoDdvVisja = 260,
                            .kontoDdvNizja = 261,
                            .kontoIzravnave = 789};
    const std::vector<LinesCase> cases = {
        {"domestic 122.00",
         {"122", "100", "22", "22", "0", "0", "0", "0", "0"},
         "S.",
         2,
         {{"Znesek_z_ddv", 120, "122.00", "0"},
          {"Osnova_splosna_stopnja", 760, "100.00", "100.00"},
          {"DDV_splosna_stopnja", 260, "22.00", "100.00"}}},
        {"its credit note",
         {"-122", "-100", "22", "-22", "0", "0", "0", "0", "0"},
         "S.",
         2,
         {{"Znesek_z_ddv", 120, "-122.00", "0"},
          {"Osnova_splosna_stopnja", 760, "-100.00", "-100.00"},
          {"DDV_splosna_stopnja", 260, "-22.00", "-100.00"}}},
        {"unit 1 posts to goods",
         {"122", "100", "22", "22", "0", "0", "0", "0", "0"},
         "",
         1,
         {{"Znesek_z_ddv", 120, "122.00", "0"},
          {"Osnova_splosna_stopnja", 762, "100.00", "100.00"},
          {"DDV_splosna_stopnja", 260, "22.00", "100.00"}}},
        {"third country, rate 0",
         {"500", "500", "0", "0", "0", "0", "0", "0", "0"},
         "TS",
         2,
         {{"Znesek_z_ddv", 120, "500.00", "0"}, {"Neobdavcen_promet_s_pravico_do_odbitka", 760, "500.00", "500.00"}}},
        {"EU, rate 0",
         {"500", "500", "0", "0", "0", "0", "0", "0", "0"},
         "eu",
         2,
         {{"Znesek_z_ddv", 120, "500.00", "0"}, {"Oproscen_promet_storitev_EU", 760, "500.00", "500.00"}}},
        {"domestic, rate 0",
         {"500", "500", "0", "0", "0", "0", "0", "0", "0"},
         "",
         2,
         {{"Znesek_z_ddv", 120, "500.00", "0"}, {"Osnova_splosna_stopnja", 760, "500.00", "500.00"}}},
        {"0.01 above",
         {"122.01", "100", "22", "22", "0", "0", "0", "0", "0"},
         "",
         2,
         {{"Znesek_z_ddv", 120, "122.01", "0"},
          {"Osnova_splosna_stopnja", 760, "100.00", "100.00"},
          {"DDV_splosna_stopnja", 260, "22.00", "100.00"},
          {"Ne_gre_v_knjigo", 789, "0.01", "0"}}},
        {"0.01 below",
         {"121.99", "100", "22", "22", "0", "0", "0", "0", "0"},
         "",
         2,
         {{"Znesek_z_ddv", 120, "121.99", "0"},
          {"Osnova_splosna_stopnja", 760, "100.00", "100.00"},
          {"DDV_splosna_stopnja", 260, "22.00", "100.00"},
          {"Ne_gre_v_knjigo", 789, "-0.01", "0"}}},
        {"both rates",
         {"231.50", "100", "22", "22", "100", "9.5", "9.5", "0", "0"},
         "",
         2,
         {{"Znesek_z_ddv", 120, "231.50", "0"},
          {"Osnova_splosna_stopnja", 760, "100.00", "100.00"},
          {"DDV_splosna_stopnja", 260, "22.00", "100.00"},
          {"Osnova_znizana_stopnja", 760, "100.00", "100.00"},
          {"DDV_znizana_stopnja", 261, "9.50", "100.00"}}},
        {"76.a, no base",
         {"1000", "0", "0", "0", "0", "0", "0", "22", "0"},
         "",
         2,
         {{"Znesek_z_ddv", 120, "1000.00", "0"},
          {"Osnova_splosna_stop_76a_clen", 760, "1000.00", "1000.00"},
          {"Ne_gre_v_knjigo", 789, "1000.00", "0"}}},
        {"76.a with a rate-0 base",
         {"1000", "1000", "0", "0", "0", "0", "0", "22", "0"},
         "",
         2,
         {{"Znesek_z_ddv", 120, "1000.00", "0"},
          {"Osnova_splosna_stopnja", 760, "1000.00", "1000.00"},
          {"Osnova_splosna_stop_76a_clen", 760, "1000.00", "1000.00"}}},
        {"76.a at both rates",
         {"1000", "1000", "0", "0", "0", "0", "0", "22", "9.5"},
         "",
         2,
         {{"Znesek_z_ddv", 120, "1000.00", "0"},
          {"Osnova_splosna_stopnja", 760, "1000.00", "1000.00"},
          {"Osnova_splosna_stop_76a_clen", 760, "1000.00", "1000.00"},
          {"Osnova_znizana_stop_76a_clen", 760, "1000.00", "1000.00"}}},
        {"general rate without a base",
         {"10", "0", "22", "0", "0", "0", "0", "0", "0"},
         "",
         2,
         {{"Znesek_z_ddv", 120, "10.00", "0"},
          {"Osnova_splosna_stopnja", 760, "0.00", "0.00"},
          {"Ne_gre_v_knjigo", 789, "10.00", "0"}}},
        {"reduced base at rate 0 is posted nowhere but subtracted",
         {"150", "100", "0", "0", "50", "0", "0", "0", "0"},
         "",
         2,
         {{"Znesek_z_ddv", 120, "150.00", "0"}, {"Osnova_splosna_stopnja", 760, "100.00", "100.00"}}},
        {"difference wider than 7 digits is exact",
         {"250000", "0", "0", "0", "0", "0", "0", "0", "0"},
         "",
         2,
         {{"Znesek_z_ddv", 120, "250000.00", "0"}, {"Ne_gre_v_knjigo", 789, "250000.00", "0"}}},
    };
    for (const auto& c : cases) {
        const Invoice invoice = invoiceOf(c);
        Customer customer;
        customer.skupina = c.skupina;
        const auto difference = differenceAmount(invoice);
        ASSERT_TRUE(difference.ok());
        std::vector<Line> lines;
        for (const auto& line : postingLines(invoice, unit, marketOf(customer), *difference)) {
            lines.push_back({std::string(line.kindText), line.account, line.amount.toString(),
                             line.base ? line.base->toString() : "0"});
        }
        EXPECT_EQ(lines, c.lines) << c.name;
    }
}

TEST(PostingRules, SelectionByTotalAndDate) {
    const Period may{*dateFromCivil(2019, 5, 1), *dateFromCivil(2019, 5, 31)};
    Invoice invoice;
    invoice.znesekDebet = amount("1.00");
    for (const auto& [date, taken] : std::vector<std::pair<CivilDate, bool>>{
             {{2019, 4, 30}, false}, {{2019, 5, 1}, true}, {{2019, 5, 31}, true}, {{2019, 6, 1}, false}}) {
        invoice.datumDokumenta = *dateFromCivil(date.year, date.month, date.day);
        EXPECT_EQ(isTaken(invoice, may), taken) << date.day << "." << date.month;
        EXPECT_EQ(inPeriod(invoice, may), taken);
    }
    invoice.datumDokumenta = may.from;
    invoice.znesekDebet = amount("0.00");
    invoice.osnovaDdv1 = amount("100");
    EXPECT_FALSE(isTaken(invoice, may));
    EXPECT_TRUE(inPeriod(invoice, may));
}

TEST(PostingRules, DocumentDescription) {
    Invoice invoice;
    invoice.opisKnjizbe = padRight("Storitve maj", 40);
    EXPECT_EQ(documentDescription(invoice), "Storitve maj");
    invoice.stopnjaDdv2Obr = amount("9.5");
    EXPECT_EQ(documentDescription(invoice), cp1250("Račun 76.a člen"));
}

TEST(PostingRules, WarningsAsTheProgramShowsThem) {
    Invoice invoice;
    invoice.be = 1;
    invoice.poslovnaEnota = 7;
    invoice.stevilkaRacuna = amount("19000123");
    invoice.internaStevDokumenta = 345;
    invoice.opisKnjizbe = padRight("Storitve maj", 40);
    invoice.poslovniPartner = 555;

    const auto unit = missingUnitWarning(invoice);
    EXPECT_EQ(unit.text.toUtf8(),
              " V SFENPA ne obstaja zapis za podjetje 1 in poslovno enoto 7|| Račun številka: 19000123| Interna "
              "številka: 345| Opis knjižbe: Storitve maj|| Knjižba ne bo opremljena z ustreznimi konti !");
    EXPECT_EQ(unit.caption.toUtf8(), " OPOZORILO");
    EXPECT_EQ(unit.icon, platform::MessageIcon::Information);
    EXPECT_EQ(unit.buttonCaptions, std::vector<Text1250>{Text1250::literal("Zapri")});

    const auto customer = missingCustomerWarning(invoice);
    EXPECT_EQ(customer.text.toUtf8(), " V šifrantu ne obstaja kupec 555|| Račun: 19000123| PE: 7");
    EXPECT_EQ(customer.caption.toUtf8(), " OPOZORILO");
    EXPECT_EQ(customer.buttonCaptions, std::vector<Text1250>{Text1250::literal("Zapri")});

    invoice.stevilkaRacuna = amount("-4");
    EXPECT_NE(missingCustomerWarning(invoice).text.toUtf8().find("Račun: -4|"), std::string::npos);
}

}  // namespace
}  // namespace kirva::exporting
