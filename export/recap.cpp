#include "export/recap.h"

#include <algorithm>

namespace kirva::exporting {

namespace {

// Every line kind the rules write, in their order; the zero-rate base's market kinds share its place.
constexpr std::array<std::string_view, 10> kKinds = {
    "Znesek_z_ddv",
    "Osnova_splosna_stopnja",
    "Oproscen_promet_storitev_EU",
    "Neobdavcen_promet_s_pravico_do_odbitka",
    "DDV_splosna_stopnja",
    "Osnova_znizana_stopnja",
    "DDV_znizana_stopnja",
    "Osnova_splosna_stop_76a_clen",
    "Osnova_znizana_stop_76a_clen",
    "Ne_gre_v_knjigo",
};

Result<void> add(Decimal& total, const Decimal& amount) {
    auto sum = total.plus(amount);
    if (!sum) return makeError("a total of the recap overflows: " + sum.error().message);
    total = *sum;
    return {};
}

}  // namespace

std::optional<int> lineKindOrder(std::string_view kind) {
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        if (!kKinds[i].empty() && kKinds[i] == kind) return static_cast<int>(i);
    }
    return std::nullopt;
}

Result<void> Recap::addDocument(bool creditNote, Market market, std::span<const RecapLine> lines) {
    MarketCounts& counts = markets_[static_cast<std::size_t>(market)];
    ++(creditNote ? counts.creditNotes : counts.invoices);
    ++documents_;
    for (const RecapLine& line : lines) {
        AccountTotals& account = accounts_[line.account];
        if (line.debit) {
            if (auto added = add(account.debit, line.amount); !added) return added;
            if (auto added = add(debit_, line.amount); !added) return added;
            continue;
        }
        if (auto added = add(account.credit, line.amount); !added) return added;
        if (auto added = add(credit_, line.amount); !added) return added;
        if (line.kind == "Ne_gre_v_knjigo") continue;
        VatTotals& vat = vat_[line.kind];
        vat.kind = line.kind;
        if (auto added = add(vat.base, line.base); !added) return added;
        if (auto added = add(vat.amount, line.amount); !added) return added;
    }
    return {};
}

std::vector<VatTotals> Recap::vat() const {
    std::vector<VatTotals> rows;
    for (const auto& [kind, totals] : vat_) rows.push_back(totals);
    std::stable_sort(rows.begin(), rows.end(), [](const VatTotals& a, const VatTotals& b) {
        return lineKindOrder(a.kind).value_or(99) < lineKindOrder(b.kind).value_or(99);
    });
    return rows;
}

void Recap::warnMissingUnit(const Invoice& invoice) {
    const auto same = [&](const RecapWarning& w) {
        return w.kind == RecapWarning::Kind::MissingUnit && w.company == invoice.be && w.unit == invoice.poslovnaEnota;
    };
    auto it = std::find_if(warnings_.begin(), warnings_.end(), same);
    if (it == warnings_.end()) {
        warnings_.push_back({RecapWarning::Kind::MissingUnit, invoice.be, invoice.poslovnaEnota, 0, {}});
        it = warnings_.end() - 1;
    }
    it->invoices.push_back(invoice.stevilkaRacuna.toString());
}

void Recap::warnMissingCustomer(const Invoice& invoice) {
    const auto same = [&](const RecapWarning& w) {
        return w.kind == RecapWarning::Kind::MissingCustomer && w.customer == invoice.poslovniPartner;
    };
    auto it = std::find_if(warnings_.begin(), warnings_.end(), same);
    if (it == warnings_.end()) {
        warnings_.push_back(
            {RecapWarning::Kind::MissingCustomer, invoice.be, invoice.poslovnaEnota, invoice.poslovniPartner, {}});
        it = warnings_.end() - 1;
    }
    it->invoices.push_back(invoice.stevilkaRacuna.toString());
}

Result<Recap> recapPeriod(ExportFiles& files, const Period& period) {
    Recap recap;
    InvoiceBook book(files);
    UnitLookup units(files);
    CustomerLookup customers(files);
    if (auto started = book.start(period.from); !started) return started.error();
    InvoiceStream invoices(book);
    UnitAccounts unit;
    Customer customer;
    std::vector<RecapLine> lines;
    for (;;) {
        auto read = invoices.next();
        if (!read) return read.error();
        if (*read == nullptr) break;
        const Invoice& invoice = **read;
        if (!isTaken(invoice, period)) continue;

        auto unitFound = units.fetch(invoice, unit);
        if (!unitFound) return unitFound.error();
        if (!*unitFound) recap.warnMissingUnit(invoice);
        auto difference = differenceAmount(invoice);
        if (!difference) return difference.error();
        auto customerFound = customers.fetch(invoice, customer);
        if (!customerFound) return customerFound.error();
        if (!*customerFound) recap.warnMissingCustomer(invoice);
        const Market market = marketOf(customer);

        lines.clear();
        for (const PostingLine& line : postingLines(invoice, unit, market, *difference)) {
            lines.push_back({std::string(line.kindText), line.account, line.kind == LineKind::CustomerTotal,
                             line.amount, line.base.value_or(Decimal::fromUnits(0, 2))});
        }
        if (auto added = recap.addDocument(invoice.znesekDebet.isNegative(), market, lines); !added) {
            return added.error();
        }
    }
    return recap;
}

}  // namespace kirva::exporting
