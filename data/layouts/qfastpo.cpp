#include "data/layout.h"
#include "data/layouts/declaration.h"

namespace kirva::data {

namespace {

Layout declareQfastpo() {
    Layout layout{
        .label = "QFASTPO",
        .prefix = "QFASTPO",
        .table = "QFASTPO",
        .fileName = "QFASTPO.DB",
        .recordSize = 137,
        .nameTextBytes = 256,
        .structureVersion = 16,
        .fields = {},
        .keys = {},
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
    // The fields and keys, from the one declaration of this record.
#include "data/layouts/qfastpo.def"
    return layout;
}

}  // namespace

const Layout& qfastpoLayout() {
    static const Layout layout = declareQfastpo();
    return layout;
}

}  // namespace kirva::data
