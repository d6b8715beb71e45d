#include "data/layout.h"

namespace kirva::data {

const Layout& sfpoenLayout() {
    using enum FieldType;
    static const Layout layout{
        .label = "SFPOEN",
        .prefix = "SFPOEN",
        .table = "SFPOEN",
        .fileName = "SFPOEN.DB",
        .recordSize = 205,
        .nameTextBytes = 255,
        .structureVersion = -1,
        .fields =
            {
                {"PODJETJE", Short, 0, 2},
                {"SIFRAPOSLOVNEENOTE", Short, 2, 2},
                {"NAZIVPOSLOVNEENOTE", Text, 4, 60},
                {"NASLOV", Text, 64, 60},
                {"POSTAKRAJ", Text, 124, 40},
                {"VODJAPOSLOVNEENOTE", Text, 164, 40},
                {"VRSTAFAKTUR", Text, 204, 1},
            },
        .keys =
            {
                {"SIFRAKLJUC", {"PODJETJE", "SIFRAPOSLOVNEENOTE"}, true, true, 2, "SFPOEN:SifraKljuc"},
                {"NAZIVKLJUC", {"NAZIVPOSLOVNEENOTE"}, false, false, 0, "SFPOEN:NazivKljuc"},
            },
        .memos = {},
        .rules = {},
        .initialValues = {},
    };
    return layout;
}

}  // namespace kirva::data
