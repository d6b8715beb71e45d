#include "export/posting_rules.h"

#include "platform/text1250.h"

namespace kirva::exporting {

namespace {

// Left-justified in `width`; a longer text is kept whole rather than cut.
std::string padTo(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string upperSkupina(const Customer& customer) {
    return std::string(clipRight(upper1250(customer.skupina)));
}

std::string numberText(const Decimal& number) {
    return number.toString();
}

}  // namespace

bool inPeriod(const Invoice& invoice, const Period& period) {
    return invoice.datumDokumenta >= period.from && invoice.datumDokumenta <= period.to;
}

bool isTaken(const Invoice& invoice, const Period& period) {
    return !invoice.znesekDebet.isZero() && inPeriod(invoice, period);
}

Result<Decimal> differenceAmount(const Invoice& invoice) {
    Result<Decimal> difference = invoice.znesekDebet;
    for (const Decimal* part : {&invoice.osnovaDdv1, &invoice.znesekDdv1, &invoice.osnovaDdv2, &invoice.znesekDdv2}) {
        difference = difference->minus(*part);
        if (!difference) return difference;
    }
    return difference;
}

std::string_view documentKind(const Invoice& invoice) {
    return invoice.znesekDebet.isNegative() ? "Izdani_dobropis" : "Izdani_racun";
}

Market marketOf(const Customer& customer) {
    const std::string skupina = upperSkupina(customer);
    if (skupina == "EU") return Market::Eu;
    if (skupina == "TS") return Market::ThirdCountry;
    return Market::Domestic;
}

std::string_view marketText(Market market) {
    switch (market) {
        case Market::Eu:
            return "EU";
        case Market::ThirdCountry:
            return "Tretji_svet";
        case Market::Domestic:
            break;
    }
    return "Domac";
}

uint32_t customerAccount(const Invoice& invoice, const UnitAccounts& unit) {
    const bool nonCash = !invoice.tipRacuna.empty() && (invoice.tipRacuna[0] == 'B' || invoice.tipRacuna[0] == 'b');
    return nonCash ? unit.kontoKupciBrezgotovinsko : unit.kontoKupciGotovinsko;
}

uint32_t revenueAccount(const Invoice& invoice, const UnitAccounts& unit) {
    return invoice.poslovnaEnota == 1 ? unit.kontoRealizacijeBlago : unit.kontoRealizacijeStoritve;
}

bool isReverseCharge(const Invoice& invoice) {
    return !invoice.stopnjaDdv1Obr.isZero() || !invoice.stopnjaDdv2Obr.isZero();
}

std::vector<PostingLine> postingLines(const Invoice& invoice, const UnitAccounts& unit, Market market,
                                      const Decimal& difference) {
    const uint32_t revenue = revenueAccount(invoice, unit);
    std::vector<PostingLine> lines;
    lines.push_back(
        {LineKind::CustomerTotal, "Znesek_z_ddv", customerAccount(invoice, unit), invoice.znesekDebet, std::nullopt});
    if (!invoice.stopnjaDdv1.isZero()) {
        lines.push_back(
            {LineKind::GeneralRateBase, "Osnova_splosna_stopnja", revenue, invoice.osnovaDdv1, invoice.osnovaDdv1});
    }
    if (!invoice.osnovaDdv1.isZero() && invoice.stopnjaDdv1.isZero()) {
        std::string_view kind = "Osnova_splosna_stopnja";
        if (market == Market::Eu) kind = "Oproscen_promet_storitev_EU";
        if (market == Market::ThirdCountry) kind = "Neobdavcen_promet_s_pravico_do_odbitka";
        lines.push_back({LineKind::ZeroRateBase, kind, revenue, invoice.osnovaDdv1, invoice.osnovaDdv1});
    }
    if (!invoice.znesekDdv1.isZero()) {
        lines.push_back({LineKind::GeneralRateVat, "DDV_splosna_stopnja", unit.kontoDdvVisja, invoice.znesekDdv1,
                         invoice.osnovaDdv1});
    }
    if (!invoice.stopnjaDdv2.isZero()) {
        lines.push_back(
            {LineKind::ReducedRateBase, "Osnova_znizana_stopnja", revenue, invoice.osnovaDdv2, invoice.osnovaDdv2});
    }
    if (!invoice.znesekDdv2.isZero()) {
        lines.push_back({LineKind::ReducedRateVat, "DDV_znizana_stopnja", unit.kontoDdvNizja, invoice.znesekDdv2,
                         invoice.osnovaDdv2});
    }
    if (!invoice.stopnjaDdv1Obr.isZero()) {
        lines.push_back({LineKind::ReverseChargeGeneral, "Osnova_splosna_stop_76a_clen", revenue, invoice.znesekDebet,
                         invoice.znesekDebet});
    }
    if (!invoice.stopnjaDdv2Obr.isZero()) {
        lines.push_back({LineKind::ReverseChargeReduced, "Osnova_znizana_stop_76a_clen", revenue, invoice.znesekDebet,
                         invoice.znesekDebet});
    }
    if (!difference.isZero()) {
        lines.push_back({LineKind::Difference, "Ne_gre_v_knjigo", unit.kontoIzravnave, difference, std::nullopt});
    }
    return lines;
}

platform::MessageBoxRequest programMessage(Text1250 text, Text1250 caption, platform::MessageIcon icon,
                                           Text1250 buttonCaption) {
    platform::MessageBoxRequest request;
    request.text = std::move(text);
    request.caption = std::move(caption);
    request.icon = icon;
    request.buttons = platform::ButtonOk;
    request.defaultButton = platform::ButtonOk;
    request.buttonCaptions = {std::move(buttonCaption)};
    return request;
}

platform::MessageBoxRequest missingUnitWarning(const Invoice& invoice) {
    const auto number = [](auto value) { return Text1250::fromBytes(std::to_string(value)); };
    Text1250 text = Text1250::literal(" V SFENPA ne obstaja zapis za podjetje ") + number(invoice.be) +
                    Text1250::literal(" in poslovno enoto ") + number(invoice.poslovnaEnota) +
                    Text1250::literal("|| Račun številka: ") + Text1250::fromBytes(numberText(invoice.stevilkaRacuna)) +
                    Text1250::literal("| Interna številka: ") + number(invoice.internaStevDokumenta) +
                    Text1250::literal("| Opis knjižbe: ") + Text1250::fromBytes(clipRight(invoice.opisKnjizbe)) +
                    Text1250::literal("|| Knjižba ne bo opremljena z ustreznimi konti !");
    return programMessage(std::move(text), Text1250::literal(" OPOZORILO"), platform::MessageIcon::Information,
                          Text1250::literal("Zapri"));
}

platform::MessageBoxRequest missingCustomerWarning(const Invoice& invoice) {
    const auto number = [](auto value) { return Text1250::fromBytes(std::to_string(value)); };
    Text1250 text = Text1250::literal(" V šifrantu ne obstaja kupec ") + number(invoice.poslovniPartner) +
                    Text1250::literal("|| Račun: ") + Text1250::fromBytes(numberText(invoice.stevilkaRacuna)) +
                    Text1250::literal("| PE: ") + number(invoice.poslovnaEnota);
    return programMessage(std::move(text), Text1250::literal(" OPOZORILO"), platform::MessageIcon::Information,
                          Text1250::literal("Zapri"));
}

std::string dateForm(DateNumber date) {
    return formatDateIso(date);
}

std::string amountForm(const Decimal& amount) {
    const auto twoPlaces = amount.rescaled(2);
    return padTo(twoPlaces ? twoPlaces->toString() : amount.toString(), 15);
}

std::string documentNumberForm(const Decimal& number) {
    return padTo(number.toString(), 14);
}

std::string plainNumberForm(int64_t number) {
    return std::to_string(number);
}

std::string partnerCodeForm(int64_t code) {
    std::string digits = std::to_string(code);
    if (digits.size() < 8) digits.insert(0, 8 - digits.size(), ' ');
    return digits;
}

std::string accountForm(uint32_t account) {
    return std::to_string(account);
}

std::string countryCode(std::string_view drzava) {
    const std::string upper = upper1250(drzava);
    const std::string_view name = clipRight(upper);
    if (name == "SLOVENIJA" || name == "SI") return "SVN";
    return slice(upper, 1, 3);
}

std::string consumptionCountry(std::string_view drzava) {
    return slice(upper1250(drzava), 1, 3);
}

std::string postalCode(std::string_view posta) {
    return slice(posta, 1, 5);
}

std::string placeName(std::string_view posta) {
    return slice(posta, 6, 24);
}

std::string documentDescription(const Invoice& invoice) {
    if (isReverseCharge(invoice)) return cp1250("Račun 76.a člen");
    return std::string(clipRight(invoice.opisKnjizbe));
}

std::string_view vatStatus(const Customer& customer) {
    return customer.ddv != 0 ? "Davcni_zavezanec" : "Nedavcni_zavezanec";
}

bool hasTaxNumber(const Customer& customer) {
    return marketOf(customer) == Market::Domestic;
}

}  // namespace kirva::exporting
