#include "data/layout.h"
#include "data/layouts/declaration.h"

namespace kirva::data {

namespace {

Layout declareSfenpa() {
    Layout layout{
        .label = "SFENPA",
        .prefix = "SFENPA",
        .table = "SFENPA",
        .fileName = "SFENPA.DB",
        .recordSize = 32,
        .nameTextBytes = 255,
        .structureVersion = 2,
        .fields = {},
        .keys = {},
        .memos = {},
        .rules = {},
        .initialValues = {},
    };
    // The fields and keys, from the one declaration of this record.
#include "data/layouts/sfenpa.def"
    return layout;
}

}  // namespace

const Layout& sfenpaLayout() {
    static const Layout layout = declareSfenpa();
    return layout;
}

}  // namespace kirva::data
