#include "data/layout.h"
#include "data/layouts/declaration.h"

namespace kirva::data {

namespace {

Layout declareSaoprac() {
    Layout layout{
        .label = "SaopRAC",
        .prefix = "SaopRAC",
        .table = "SaopRAC",
        .fileName = "SaopRAC.DB",
        .recordSize = 55,
        .nameTextBytes = 256,
        .structureVersion = 0,
        .fields = {},
        .keys = {},
        .memos = {},
        .rules =
            {
                {3, "VRSTARACUNA", RuleKind::CodeList, "]R[]P[]A[", "'Račun','Predračun','Avasni računi'",
                 "SaopRAC:VrstaRacuna"},
            },
        .initialValues = {},
    };
    // The fields and keys, from the one declaration of this record.
#include "data/layouts/saoprac.def"
    return layout;
}

}  // namespace

const Layout& saopracLayout() {
    static const Layout layout = declareSaoprac();
    return layout;
}

}  // namespace kirva::data
