#include "data/layout.h"
#include "data/layouts/declaration.h"

namespace kirva::data {

namespace {

Layout declareQfastor() {
    Layout layout{
        .label = "QFASTOR",
        .prefix = "QFASTOR",
        .table = "QFASTOR",
        .fileName = "QFASTOR.DB",
        .recordSize = 645,
        .nameTextBytes = 256,
        .structureVersion = 10,
        .fields = {},
        .keys = {},
        .memos = {{"OPOMBERACUNA", 800, "QFASTOR:OpombeRacuna"}},
        // The dictionary counts this file's fields from 2, so each rule's number is one above the field's.
        .rules =
            {
                {4, "VRSTARACUNA", RuleKind::CodeList, "]R[]P[]A[", "'Račun','Predračun','Avasni računi'",
                 "QFASTOR:VrstaRacuna"},
                {7, "NACINDODELJEVANJASTEVILK", RuleKind::CodeList, "]C[]B[", "'Centralno ','Po elektronski napravi'",
                 "Način dodeljevanja številk računov"},
                {39, "NACINPLACILA", RuleKind::CodeList, "]B[]G[]D[]P[]K[]C[",
                 "'Brezgotovisko','Gotovina','Dobropis','Položnica','Kartica','Čeki'",
                 "NačinPlačila  B-brezgot, G-gotovina, P-položnica"},
            },
        // The time fields RSURAIZDELAVE and EORURA stay cleared: a day number is no time of day.
        .initialValues =
            {
                {"DATUMIZDELAVE", InitialKind::Today},
                {"RSDATUMIZDELAVE", InitialKind::Today},
                {"EORDATUM", InitialKind::Today},
            },
    };
    // The fields and keys, from the one declaration of this record.
#include "data/layouts/qfastor.def"
    return layout;
}

}  // namespace

const Layout& qfastorLayout() {
    static const Layout layout = declareQfastor();
    return layout;
}

}  // namespace kirva::data
