// The rules that choose the invoices of a period and turn one invoice, with its business unit's accounts
// and its customer, into a journal document and its posting lines; and the text forms the journal writes.
// Plain functions of plain values, so they read the same whatever the records come from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date.h"
#include "platform/decimal.h"
#include "platform/result.h"
#include "platform/window/message_box.h"

namespace kirva::exporting {

// The fields of one FARACUN record that the journal uses. Texts are Windows-1250 as stored.
struct Invoice {
    uint8_t be = 0;               // company
    int16_t poslovnaEnota = 0;    // business unit
    std::string tipRacuna = " ";  // one letter
    int32_t poslovniPartner = 0;  // customer number
    int32_t internaStevDokumenta = 0;
    Decimal stevilkaRacuna;  // invoice number, no decimals
    int16_t letoDokumenta = 0;
    DateNumber datumStoritveDobave = 0;
    DateNumber datumDokumenta = 0;
    DateNumber datumValutePlacila = 0;
    DateNumber datumKnjizenja = 0;
    std::string opisKnjizbe;
    Decimal znesekDebet;
    Decimal osnovaDdv1, stopnjaDdv1, znesekDdv1;
    Decimal osnovaDdv2, stopnjaDdv2, znesekDdv2;
    Decimal stopnjaDdv1Obr, stopnjaDdv2Obr;  // domestic reverse charge (76.a), tested for non-zero only
};

// The accounts of one business unit (SFENPA). All 0 when the unit does not exist.
struct UnitAccounts {
    uint32_t kontoKupciBrezgotovinsko = 0;
    uint32_t kontoKupciGotovinsko = 0;
    uint32_t kontoRealizacijeStoritve = 0;
    uint32_t kontoRealizacijeBlago = 0;
    uint32_t kontoDdvVisja = 0;
    uint32_t kontoDdvNizja = 0;
    uint32_t kontoIzravnave = 0;
};

// The customer (SFPARTN) as the journal uses it; a customer that does not exist is all blank.
struct Customer {
    std::string naziv;
    std::string naslov;
    std::string posta;             // post code and place, 30 characters
    std::string drzava;            // 20 characters
    uint8_t ddv = 0;               // VAT status
    std::string davcnaStevilkaEu;  // the group: 2-letter prefix and 15-character tax number
    std::string davcnaStev;        // the tax number behind the prefix
    std::string maticnaStevilka;
    std::string skupina;  // "EU", "TS" or anything else
};

struct Period {
    DateNumber from = 0;  // GLO:ODDATUMA
    DateNumber to = 0;    // GLO:DODATUMA
};

enum class Market { Domestic, Eu, ThirdCountry };

enum class LineKind {
    CustomerTotal,         // 1 Znesek_z_ddv
    GeneralRateBase,       // 2 Osnova_splosna_stopnja
    ZeroRateBase,          // 3 by market
    GeneralRateVat,        // 4 DDV_splosna_stopnja
    ReducedRateBase,       // 5 Osnova_znizana_stopnja
    ReducedRateVat,        // 6 DDV_znizana_stopnja
    ReverseChargeGeneral,  // 7 Osnova_splosna_stop_76a_clen
    ReverseChargeReduced,  // 8 Osnova_znizana_stop_76a_clen
    Difference,            // 9 Ne_gre_v_knjigo
};

struct PostingLine {
    LineKind kind;
    std::string_view kindText;    // Vrsta_knjizbe
    uint32_t account = 0;         // Konto
    Decimal amount;               // Debet of the customer line, Kredit of the others
    std::optional<Decimal> base;  // Osnova; none where the journal writes the constant "0"
};

// Whether the record's document date lies in the period (both ends included): what the count counts.
bool inPeriod(const Invoice& invoice, const Period& period);
// Whether the journal takes the record: a non-zero total and a date in the period.
bool isTaken(const Invoice& invoice, const Period& period);

// Total less both bases and both VAT amounts, exact (never cut to a narrower form).
Result<Decimal> differenceAmount(const Invoice& invoice);
// "Izdani_racun" or "Izdani_dobropis".
std::string_view documentKind(const Invoice& invoice);
Market marketOf(const Customer& customer);
std::string_view marketText(Market market);  // "Domac", "EU", "Tretji_svet"
uint32_t customerAccount(const Invoice& invoice, const UnitAccounts& unit);
uint32_t revenueAccount(const Invoice& invoice, const UnitAccounts& unit);
// Domestic reverse charge: either 76.a rate non-zero.
bool isReverseCharge(const Invoice& invoice);

// Every posting line of the document, the customer line first, in the fixed order.
std::vector<PostingLine> postingLines(const Invoice& invoice, const UnitAccounts& unit, Market market,
                                      const Decimal& difference);

// The two warnings, as the program shows them.
platform::MessageBoxRequest missingUnitWarning(const Invoice& invoice);
platform::MessageBoxRequest missingCustomerWarning(const Invoice& invoice);
// A box of the program's own: one button with the program's own caption.
platform::MessageBoxRequest programMessage(Text1250 text, Text1250 caption, platform::MessageIcon icon,
                                           Text1250 buttonCaption);

// Text forms of the journal (Windows-1250).
std::string dateForm(DateNumber date);                    // "2019-05-21"; empty for 0
std::string amountForm(const Decimal& amount);            // "1234.50" padded to 15; wider values whole
std::string documentNumberForm(const Decimal& number);    // padded to 14; wider values whole
std::string plainNumberForm(int64_t number);              // "5"
std::string partnerCodeForm(int64_t code);                // right-aligned in 8; wider values whole
std::string accountForm(uint32_t account);                // "760"
std::string countryCode(std::string_view drzava);         // "SVN" or the first three letters, upper case
std::string consumptionCountry(std::string_view drzava);  // the first three letters, upper case
std::string postalCode(std::string_view posta);           // characters 1 to 5
std::string placeName(std::string_view posta);            // characters 6 to 29
std::string documentDescription(const Invoice& invoice);
// "Davcni_zavezanec" or "Nedavcni_zavezanec".
std::string_view vatStatus(const Customer& customer);
// Whether the partner element carries Davcna_stevilka: only for domestic customers.
bool hasTaxNumber(const Customer& customer);

}  // namespace kirva::exporting
