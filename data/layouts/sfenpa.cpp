#include "data/layout.h"

namespace kirva::data {

const Layout& sfenpaLayout() {
    using enum FieldType;
    static const Layout layout{
        .label = "SFENPA",
        .prefix = "SFENPA",
        .table = "SFENPA",
        .fileName = "SFENPA.DB",
        .recordSize = 32,
        .nameTextBytes = 255,
        .structureVersion = 2,
        // Account numbers are whole numbers here, not texts as in the invoice book.
        .fields =
            {
                {"PODJETJE", Short, 0, 2},
                {"SIFRAPOSLOVNEENOTE", Short, 2, 2},
                {"KONTOKUPCIBREZGOTOVINSKO", ULong, 4, 4},
                {"KONTOKUPCIGOTOVINSKO", ULong, 8, 4},
                {"KONTOREALIZACIJESTORITVE", ULong, 12, 4},
                {"KONTOREALIZACIJEBLAGO", ULong, 16, 4},
                {"KONTODDVVISJA", ULong, 20, 4},
                {"KONTODDVNIZJA", ULong, 24, 4},
                {"KONTOIZRAVNAVE", ULong, 28, 4},
            },
        .keys =
            {
                {"SIFRAKLJUC", {"PODJETJE", "SIFRAPOSLOVNEENOTE"}, true, true, 2, "SFENPA:SifraKljuc"},
            },
        .memos = {},
        .rules = {},
        .initialValues = {},
    };
    return layout;
}

}  // namespace kirva::data
