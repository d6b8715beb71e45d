#include "data/layout.h"
#include "data/layouts/declaration.h"

namespace kirva::data {

namespace {

Layout declareAppins() {
    Layout layout{
        .label = "APPINS",
        .prefix = "APPINS",
        .table = "APPINS",
        .fileName = "",
        .recordSize = 717,
        .nameTextBytes = 255,
        .structureVersion = -1,
        .fields = {},
        .keys = {},
        .memos = {},
        .rules = {},
        .initialValues = {},
    };
    // The fields and keys, from the one declaration of this record.
#include "data/layouts/appins.def"
    return layout;
}

}  // namespace

const Layout& appinsLayout() {
    static const Layout layout = declareAppins();
    return layout;
}

}  // namespace kirva::data
