#include "data/layout.h"
#include "data/layouts/declaration.h"

namespace kirva::data {

namespace {

// The file and its second view differ only in their label, prefix and key descriptions. The view shares
// FAPARAC's table and name text, so neither has a file name of its own.
Layout faparacView(std::string_view label, std::string_view prefix, std::string_view knjizenjeDescription,
                   std::string_view parametriDescription) {
    Layout layout{
        .label = label,
        .prefix = prefix,
        .table = "FAPARAC",
        .fileName = "",
        .recordSize = 495,
        .nameTextBytes = 255,
        .structureVersion = -1,
        .fields = {},
        .keys = {},
        .memos = {},
        .rules = {},
        .initialValues = {},
    };
    // The fields and keys, from the one declaration of this record.
#include "data/layouts/faparac.def"
    layout.keys[0].description = knjizenjeDescription;
    layout.keys[1].description = parametriDescription;
    return layout;
}

}  // namespace

const Layout& faparacLayout() {
    static const Layout layout = faparacView("FAPARAC", "FAPARAC", "FAPARAC:KnjizenjeKljuc", "FAPARAC:ParametriKljuc");
    return layout;
}

const Layout& faparac2Layout() {
    static const Layout layout = faparacView("FAPARAC2", "FAP", "FAP:KnjizenjeKljuc", "FAP:ParametriKljuc");
    return layout;
}

}  // namespace kirva::data
