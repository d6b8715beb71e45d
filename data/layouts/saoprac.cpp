#include "data/layout.h"

namespace kirva::data {

const Layout& saopracLayout() {
    using enum FieldType;
    static const Layout layout{
        .label = "SaopRAC",
        .prefix = "SaopRAC",
        .table = "SaopRAC",
        .fileName = "SaopRAC.DB",
        .recordSize = 55,
        .nameTextBytes = 256,
        .structureVersion = 0,
        .fields =
            {
                {"IDENT", ULong, 0, 4},
                {"FIRMA", Short, 4, 2},
                {"VRSTARACUNA", Text, 6, 1},
                {"RACUNSTEVILKA", ULong, 7, 4},
                {"DATUMRACUNA", Date, 11, 4},
                {"KUPECNAZIV", Text, 15, 40},
            },
        .keys =
            {
                {"ID_KLJUC", {"IDENT"}, true, true, 0, "SaopRAC:ID_Kljuc"},
                {"STEVILKA_KLJUC", {"FIRMA", "VRSTARACUNA", "RACUNSTEVILKA"}, false, false, 0, "PO ŠTEVILKI RAČUNA"},
            },
        .memos = {},
        .rules =
            {
                {3, "VRSTARACUNA", RuleKind::CodeList, "]R[]P[]A[", "'Račun','Predračun','Avasni računi'",
                 "SaopRAC:VrstaRacuna"},
            },
        .initialValues = {},
    };
    return layout;
}

}  // namespace kirva::data
