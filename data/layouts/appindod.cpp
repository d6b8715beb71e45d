#include "data/layout.h"
#include "data/layouts/declaration.h"

namespace kirva::data {

namespace {

Layout declareAppindod() {
    Layout layout{
        .label = "APPINDOD",
        .prefix = "APPINDOD",
        .table = "APPINDOD",
        .fileName = "",
        .recordSize = 185,
        .nameTextBytes = 255,
        .structureVersion = -1,
        .fields = {},
        .keys = {},
        .memos = {},
        .rules =
            {
                {2, "POSLOVNABANKAALIAGENCIJA", RuleKind::CodeList, "]APP[]NLB[]ABA[]SKB[]KBM[",
                 "'APP','NLB d.d.','ABANKA','SKB banka','KBM d.d.'", "Poslovna banka ali agencija"},
            },
        .initialValues = {},
    };
    // The fields and keys, from the one declaration of this record.
#include "data/layouts/appindod.def"
    return layout;
}

}  // namespace

const Layout& appindodLayout() {
    static const Layout layout = declareAppindod();
    return layout;
}

}  // namespace kirva::data
