#include "data/layout.h"
#include "data/layouts/declaration.h"

namespace kirva::data {

namespace {

Layout declareAppinra() {
    Layout layout{
        .label = "APPINRA",
        .prefix = "APPINRA",
        .table = "APPINRA",
        .fileName = "",
        .recordSize = 417,
        .nameTextBytes = 256,
        .structureVersion = -1,
        .fields = {},
        .keys = {},
        .memos = {},
        .rules = {},
        .initialValues = {},
    };
    // The fields and keys, from the one declaration of this record.
#include "data/layouts/appinra.def"
    return layout;
}

}  // namespace

const Layout& appinraLayout() {
    static const Layout layout = declareAppinra();
    return layout;
}

}  // namespace kirva::data
