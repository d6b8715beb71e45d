// The recap (rekapitulacija) of a period: documents by kind and market, debit and credit per account, base
// and amount per kind of VAT line, the grand totals and the warnings. The same totals come from the book,
// through the posting rules that write the journal (recapPeriod), and from a journal read back
// (export/journal_check.h), so the two can be compared line by line.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "export/journal.h"
#include "export/posting_rules.h"
#include "platform/decimal.h"
#include "platform/result.h"

namespace kirva::exporting {

// One posting line as the recap counts it: the journal's Vrsta_knjizbe, Konto, Debet or Kredit, Osnova.
struct RecapLine {
    std::string kind;
    uint32_t account = 0;
    bool debit = false;  // the customer line; every other line is a credit
    Decimal amount;
    Decimal base;  // 0 where the journal writes the constant "0"
};

struct AccountTotals {
    Decimal debit = Decimal::fromUnits(0, 2);
    Decimal credit = Decimal::fromUnits(0, 2);
};

// The lines of one kind other than the customer and the rounding line: their bases and amounts.
struct VatTotals {
    std::string kind;
    Decimal base = Decimal::fromUnits(0, 2);
    Decimal amount = Decimal::fromUnits(0, 2);
};

struct MarketCounts {
    int64_t invoices = 0;
    int64_t creditNotes = 0;
};

// A missing business unit or customer, once, with every invoice it touched (their numbers, in book order).
struct RecapWarning {
    enum class Kind { MissingUnit, MissingCustomer };
    Kind kind = Kind::MissingUnit;
    int company = 0;       // MissingUnit
    int unit = 0;          // MissingUnit; the business unit of the first invoice for MissingCustomer
    int64_t customer = 0;  // MissingCustomer
    std::vector<std::string> invoices;
};

class Recap {
  public:
    // Counts one document with its lines. An error only when a total overflows.
    Result<void> addDocument(bool creditNote, Market market, std::span<const RecapLine> lines);
    void warnMissingUnit(const Invoice& invoice);
    void warnMissingCustomer(const Invoice& invoice);

    // Domestic, EU, third country (the order of Market).
    const std::array<MarketCounts, 3>& markets() const { return markets_; }
    const std::map<uint32_t, AccountTotals>& accounts() const { return accounts_; }
    // In the order the posting rules write the line kinds.
    std::vector<VatTotals> vat() const;
    const Decimal& debit() const { return debit_; }
    const Decimal& credit() const { return credit_; }
    int64_t documents() const { return documents_; }
    const std::vector<RecapWarning>& warnings() const { return warnings_; }

  private:
    std::array<MarketCounts, 3> markets_{};
    std::map<uint32_t, AccountTotals> accounts_;
    std::map<std::string, VatTotals> vat_;
    Decimal debit_ = Decimal::fromUnits(0, 2);
    Decimal credit_ = Decimal::fromUnits(0, 2);
    int64_t documents_ = 0;
    std::vector<RecapWarning> warnings_;
};

// The order of the line kinds in a document (the customer line 0, the rounding line last); nothing for a
// text that is no line kind.
std::optional<int> lineKindOrder(std::string_view kind);

// The recap of `period` from the book: the same reading, look-ups and posting rules as the journal's, the
// warnings gathered instead of shown. An error when a data file cannot be read.
Result<Recap> recapPeriod(ExportFiles& files, const Period& period);

}  // namespace kirva::exporting
