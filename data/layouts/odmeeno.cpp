#include "data/layout.h"
#include "data/layouts/declaration.h"

namespace kirva::data {

namespace {

Layout declareOdmeeno() {
    Layout layout{
        .label = "ODMEENO",
        .prefix = "ODMEENO",
        .table = "ODMEENO",
        .fileName = "",
        .recordSize = 35,
        .nameTextBytes = 255,
        .structureVersion = -1,
        .fields = {},
        .keys = {},
        .memos = {},
        .rules =
            {
                {.dictionaryNumber = 4,
                 .field = "PODATKIZAMESEC",
                 .kind = RuleKind::Range,
                 .codeList = "",
                 .displayTexts = "",
                 .prompt = "Podatki so za Mesec",
                 .low = 1,
                 .high = 12,
                 .rangeText = "1 .. 12"},
            },
        .initialValues = {},
    };
    // The fields and keys, from the one declaration of this record.
#include "data/layouts/odmeeno.def"
    return layout;
}

}  // namespace

const Layout& odmeenoLayout() {
    static const Layout layout = declareOdmeeno();
    return layout;
}

}  // namespace kirva::data
