// Writing the demo model (demo_data.h) as data files and a KIRVA.INI, through the keyed-file driver.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "data/record.h"
#include "platform/date.h"
#include "platform/result.h"
#include "tools/demo/demo_data.h"

namespace kirva::demo {

// The records of the model, each written into a cleared record of its file's layout.
void fillUnit(const BusinessUnit& unit, data::Record& record);
void fillPartner(const Partner& partner, data::Record& record, DateNumber today);
void fillInvoice(const Invoice& invoice, data::Record& record);

struct DemoSummary {
    std::size_t invoices = 0;
    std::size_t partners = 0;
    std::size_t units = 0;
    DateNumber from = 0;
    DateNumber to = 0;
    std::string iniFile;
};

// The first of the demo's files that already exists in `dir`, if any.
std::optional<std::string> existingDemoFile(const std::string& dir);

// Writes FARACUN.DB, SFENPA.DB and SFPARTN.DB with the demo data, the empty QFASTOR.DB, QFASTPO.DB,
// SaopRAC.DB and SFPOEN.DB, the output folder XML/ and a KIRVA.INI whose folders point at `dir` (made
// absolute). Refuses a folder that already holds any of these files, so no one's data is overwritten;
// on a failure it removes what it wrote.
Result<DemoSummary> writeDemo(const std::string& dir, const DemoOptions& options, const Clock& clock);

}  // namespace kirva::demo
