#include "data/layout.h"

namespace kirva::data {

const Layout& appindodLayout() {
    using enum FieldType;
    static const Layout layout{
        .label = "APPINDOD",
        .prefix = "APPINDOD",
        .table = "APPINDOD",
        .fileName = "",
        .recordSize = 185,
        .nameTextBytes = 255,
        .structureVersion = -1,
        .fields =
            {
                {"SIFRAPODJETJA", Short, 0, 2},
                {"POSLOVNABANKAALIAGENCIJA", Text, 2, 3},
                {"IMEINPOTDODATOTEKENALOGOV", Text, 5, 120},
                {"DAJALECPODM4M8", Text, 125, 20},
                {"ZAVEZANECPODM4M8", Text, 145, 20},
                {"IDPREJEMNIKA", Text, 165, 20},
            },
        .keys =
            {
                {"SIFRAKLJUC", {"SIFRAPODJETJA"}, true, true, 0, "APPINDOD:SifraKljuc"},
            },
        .memos = {},
        .rules =
            {
                {2, "POSLOVNABANKAALIAGENCIJA", RuleKind::CodeList, "]APP[]NLB[]ABA[]SKB[]KBM[",
                 "'APP','NLB d.d.','ABANKA','SKB banka','KBM d.d.'", "Poslovna banka ali agencija"},
            },
        .initialValues = {},
    };
    return layout;
}

}  // namespace kirva::data
