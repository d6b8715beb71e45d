#include "data/layout.h"
#include "data/layouts/declaration.h"

namespace kirva::data {

namespace {

Layout declareSfpoen() {
    Layout layout{
        .label = "SFPOEN",
        .prefix = "SFPOEN",
        .table = "SFPOEN",
        .fileName = "SFPOEN.DB",
        .recordSize = 205,
        .nameTextBytes = 255,
        .structureVersion = -1,
        .fields = {},
        .keys = {},
        .memos = {},
        .rules = {},
        .initialValues = {},
    };
    // The fields and keys, from the one declaration of this record.
#include "data/layouts/sfpoen.def"
    return layout;
}

}  // namespace

const Layout& sfpoenLayout() {
    static const Layout layout = declareSfpoen();
    return layout;
}

}  // namespace kirva::data
