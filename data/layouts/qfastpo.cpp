#include "data/layout.h"

namespace kirva::data {

const Layout& qfastpoLayout() {
    using enum FieldType;
    static const Layout layout{
        .label = "QFASTPO",
        .prefix = "QFASTPO",
        .table = "QFASTPO",
        .fileName = "QFASTPO.DB",
        .recordSize = 137,
        .nameTextBytes = 256,
        .structureVersion = 16,
        .fields =
            {
                {"FIRMA", UShort, 0, 2},
                {"VRSTARACUNA", Text, 2, 1},
                {"RACUNSTEVILKA", ULong, 3, 4},
                {"POSTAVKANARACUNU", Short, 7, 2},
                {"GRUPAIZDELKOVSTORITEV", Text, 9, 3},
                {"SIFRAIZDELKASTORITEV", Text, 12, 13},
                {"EM", Short, 25, 2},
                {"KOLICINA", Decimal, 27, 6, 4},
                {"CENA", Decimal, 33, 6, 4},
                {"CENAZDDV", Decimal, 39, 6, 4},
                {"POPUST", Decimal, 45, 3, 2},
                {"DDVSIFRA", UShort, 48, 2},
                {"DDVPROCENT", Decimal, 50, 4, 2},
                {"DDVPROCENTOBR", Decimal, 54, 4, 2},
                {"ZNESEKPOSTAVKEZDDV", Decimal, 58, 7, 4},
                {"ZNESEKDDV", Decimal, 65, 7, 4},
                {"ZNESEKDDVOBR", Decimal, 72, 7, 4},
                {"BLAGOSTORITEVSOFTWARE", Text, 79, 1},
                {"RAZLIKAVCENI", Decimal, 80, 7, 4},
                {"NABAVNACENA", Decimal, 87, 7, 4},
                {"SKLADISCE", Short, 94, 2},
                {"GRUPA", Short, 96, 2},
                {"ARTIKEL", Long, 98, 4},
                {"DOBAVNICA", Long, 102, 4},
                {"POLJE1", Text, 106, 20},
                {"POLJE2", Byte, 126, 1},
                {"POLJE3", Long, 127, 4},
                {"POLJE4", Decimal, 131, 6, 4},
            },
        .keys =
            {
                {"RACUNKEY",
                 {"FIRMA", "VRSTARACUNA", "RACUNSTEVILKA", "POSTAVKANARACUNU"},
                 true,
                 true,
                 4,
                 "Po številki računa"},
                {"RACUNGRUPAKLJUC",
                 {"FIRMA", "VRSTARACUNA", "RACUNSTEVILKA", "GRUPAIZDELKOVSTORITEV", "POSTAVKANARACUNU"},
                 false,
                 false,
                 0,
                 "QFASTPO:RacunGrupaKljuc"},
            },
        .memos = {{"OPISPOSTAVKE", 500, "QFASTPO:OpisPostavke"}},
        // The dictionary counts this file's fields from 2, so each rule's number is one above the field's.
        .rules =
            {
                {3, "VRSTARACUNA", RuleKind::CodeList, "]R[]P[]A[", "'Račun','Predračun','Avansni račun'",
                 "Vrsta Računa"},
                {19, "BLAGOSTORITEVSOFTWARE", RuleKind::CodeList, "]B[]S[]P[]D[", "'Blago','Storitev','Prog.','Drugo'",
                 "QFASTPO:BlagoStoritevSoftWare"},
            },
        .initialValues = {},
    };
    return layout;
}

}  // namespace kirva::data
