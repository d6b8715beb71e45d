#include "data/layout.h"
#include "data/layouts/declaration.h"

namespace kirva::data {

namespace {

Layout declareSfpartn() {
    Layout layout{
        .label = "SFPARTN",
        .prefix = "SFPARTN",
        .table = "SFPARTN",
        .fileName = "SFPARTN.DB",
        .recordSize = 718,
        .nameTextBytes = 256,
        .structureVersion = 17,
        .fields = {},
        .keys = {},
        .memos = {{"OPOMBE", 1000, "SFPARTN:Opombe"}},
        .rules =
            {
                {30, "ZACETEKVALUTE", RuleKind::CodeList, "]D[]O[", "'DUR','Opravljeno delo-dobava'",
                 "Od kdaj velja valuta  D-dur, O-opravljeno delo(dobava)"},
                {31, "BONITETA", RuleKind::CodeList, "]1[]2[]3[]4[]5[",
                 "'Prvi','Drugi','Tretji','Neplačnik','Blokada poslovanja'", "Bonitetni razred partnerja"},
                {37, "TECAJ", RuleKind::CodeList, "]1[]2[]3[", "'Nakupni','Srednji','Prodajni'",
                 "Nakupni, srednji ali prodajni"},
                {39, "AVANSTIP", RuleKind::CodeList, "]1[]2[]3[", "'Ne','Vceloti','Delno'", "SFPARTN:AvansTip"},
                {40, "ZDRZAVAROVANJE", RuleKind::CodeList, "]1[]0[", "' Delodajalec',' Servis'",
                 "Ali plačuje zdr.zavarovanje sama firma 1 ali servis 0"},
                {41, "ZDRZAVARFAKTURA", RuleKind::CodeList, "]0[]1[", "' Da',' Ne'",
                 "Zdr . Zavar na fakturi - da-0  ne -1"},
            },
        .initialValues =
            {
                {"DRZAVA", InitialKind::Text, "SLOVENIJA"},
                {"ZACETEKVALUTE", InitialKind::Text, "D"},
                {"TECAJ", InitialKind::Number, "", 2},
                {"SKUPINA", InitialKind::Text, "S."},
            },
    };
    // The fields and keys, from the one declaration of this record.
#include "data/layouts/sfpartn.def"
    return layout;
}

}  // namespace

const Layout& sfpartnLayout() {
    static const Layout layout = declareSfpartn();
    return layout;
}

}  // namespace kirva::data
