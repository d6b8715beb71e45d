#include "data/layout.h"

namespace kirva::data {

const Layout& odmeenoLayout() {
    using enum FieldType;
    static const Layout layout{
        .label = "ODMEENO",
        .prefix = "ODMEENO",
        .table = "ODMEENO",
        .fileName = "",
        .recordSize = 35,
        .nameTextBytes = 255,
        .structureVersion = -1,
        .fields =
            {
                {"PODJETJE", Short, 0, 2},
                {"SIFRAENOTE", Short, 2, 2},
                {"PODATKIZALETO", Short, 4, 2},
                {"PODATKIZAMESEC", Short, 6, 2},
                {"MESECNIFONDUR", Short, 8, 2},
                {"VREDNOSTTOCKE", Decimal, 10, 7, 4},
                {"MESECNASTIMULACIJA", Decimal, 17, 5, 4},
                {"STIMULACIJAENOTEVOSNOVO", Short, 22, 2},
                {"KODASTIMULACIJE", Short, 24, 2},
                {"DATUMIZPLACILA", Date, 26, 4},
                {"DODATEKZAPREHRANO", Decimal, 30, 5, 2},
            },
        .keys =
            {
                {"ENOTAKLJUC",
                 {"PODJETJE", "SIFRAENOTE", "PODATKIZALETO", "PODATKIZAMESEC"},
                 true,
                 true,
                 0,
                 "ODMEENO:EnotaKljuc"},
            },
        .memos = {},
        .rules =
            {
                {.dictionaryNumber = 4,
                 .field = "PODATKIZAMESEC",
                 .kind = RuleKind::Range,
                 .codeList = "",
                 .displayTexts = "",
                 .prompt = "Podatki so za Mesec",
                 .low = 1,
                 .high = 12,
                 .rangeText = "1 .. 12"},
            },
        .initialValues = {},
    };
    return layout;
}

}  // namespace kirva::data
