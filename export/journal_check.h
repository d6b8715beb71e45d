// Checking a journal of this format, whoever wrote it: well formed, declared and encoded as Windows-1250,
// the journal's elements in their order with values in their text forms, the redundant amounts agreeing,
// and each document's debit equal to its credit, but for the imbalances the posting rules themselves make.
// The recap of what the journal posts comes out of the same pass.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "export/recap.h"
#include "platform/decimal.h"

namespace kirva::exporting {

// One fault: where (a document and its invoice number, or the journal's header), which element (a path
// below the document, such as "Knjizba[2]/Kredit"), the value found, and what is wrong with it.
struct JournalFault {
    std::string document;  // "document 3 (invoice 19000101)", "header", or "journal"
    std::string element;
    std::string value;  // Windows-1250 as found; empty when there is none
    std::string problem;
};

// A document whose debit and credit differ as the posting rules make them differ.
struct RuleImbalance {
    std::string document;
    Decimal debit;
    Decimal credit;
    std::string why;
};

struct JournalCheck {
    std::vector<JournalFault> faults;
    std::vector<RuleImbalance> ruleImbalances;
    Recap recap;            // of the documents read (every document, faulty ones included)
    bool complete = false;  // the journal was read to its end
    bool ok() const { return faults.empty() && complete; }
};

// Checks a journal's bytes. Stops at the first fault that keeps it from being read further (not well
// formed, cut short); every other fault is listed and the checking goes on.
JournalCheck checkJournal(std::string_view bytes);

}  // namespace kirva::exporting
