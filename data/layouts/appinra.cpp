#include "data/layout.h"

namespace kirva::data {

const Layout& appinraLayout() {
    using enum FieldType;
    static const Layout layout{
        .label = "APPINRA",
        .prefix = "APPINRA",
        .table = "APPINRA",
        .fileName = "",
        .recordSize = 417,
        .nameTextBytes = 256,
        .structureVersion = -1,
        .fields =
            {
                {"SIFRAPODJETJA", Short, 0, 2},
                {"POSLOVNABANKA", Text, 2, 60},
                {"NASLOVBANKE", Text, 62, 60},
                {"KRAJBANKE", Text, 122, 60},
                {"BICBANKE", CText, 182, 20},
                {"KONTAKTNAOSEBA1", Text, 202, 60},
                {"KONTAKTNAOSEBA2", Text, 262, 60},
                {"KONTAKTNAOSEBA3", Text, 322, 60},
                {"TRRPRIBANKI", CText, 382, 20},
                {"KONTOKNJIZENJE", Text, 402, 6},
                {"IMEIZPISKA", CText, 408, 9},
            },
        .keys =
            {
                {"POBANKI", {"SIFRAPODJETJA", "POSLOVNABANKA", "TRRPRIBANKI"}, true, true, 0, "Po poslovnih bankah"},
                {"PORACUNIH", {"SIFRAPODJETJA", "TRRPRIBANKI"}, false, false, 0, "APPINRA:PoRacunih"},
            },
        .memos = {},
        .rules = {},
        .initialValues = {},
    };
    return layout;
}

}  // namespace kirva::data
