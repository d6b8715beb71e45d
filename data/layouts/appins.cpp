#include "data/layout.h"

namespace kirva::data {

const Layout& appinsLayout() {
    using enum FieldType;
    static const Layout layout{
        .label = "APPINS",
        .prefix = "APPINS",
        .table = "APPINS",
        .fileName = "",
        .recordSize = 717,
        .nameTextBytes = 255,
        .structureVersion = -1,
        .fields =
            {
                {"SIFRAPODJETJA", Short, 0, 2},
                {"NAZIVPODJETJA", Text, 2, 40},
                {"NASLOV", Text, 42, 40},
                {"POSTAKRAJ", Text, 82, 30},
                {"POSTA", Short, 112, 2},
                {"TELEFON_1", Text, 114, 20},
                {"TELEFON_2", Text, 134, 20},
                {"TELEFAX", Text, 154, 20},
                {"E_MAIL", Text, 174, 30},
                {"PODPISNIK", Text, 204, 30},
                {"TITULAPODPISNIKA", Text, 234, 20},
                {"DAVCNASTEVILKA", Text, 254, 8},
                {"ZAVEZANEC", Byte, 262, 1},
                {"MATICNASTEVILKAFIRME", Text, 263, 20},
                {"USTANOVNIKAPITAL", Decimal, 283, 8, 2},
                {"SIFRADEJAVNOSTI", Text, 291, 20},
                {"STEVILKASRG", Text, 311, 20},
                {"DATUMSRG", Date, 331, 4},
                {"REGISTARCIJAPRISODISCU", Text, 335, 30},
                {"PRAVNAOBLIKA", Text, 365, 10},
                {"ZIRORACUN_1", Text, 375, 24},
                {"ZR_SKLIC", Text, 399, 2},
                {"ZIRORACUN_2", Text, 401, 34},
                {"AGENCIJAPOSLOVALNICA", Text, 435, 20},
                {"AGENCIJASIFRA", Long, 455, 4},
                {"POSLOVNABANKA", Text, 459, 40},
                {"POSLOVNIRACUNPRIBANKI", Text, 499, 30},
                {"SKLICBANKA", Text, 529, 2},
                {"RACUNFIRMEPRIBANKI", Text, 531, 30},
                {"DAVCNIURAD", Text, 561, 20},
                {"DAVCNIURADSIFRA", Long, 581, 4},
                {"STATISTICNAOZNAKAOBCINE", Short, 585, 2},
                {"NAPISSPODNJAVRSTICA", Text, 587, 80},
                {"POTINIMEBMPDATOTEKE", Text, 667, 50},
            },
        .keys =
            {
                {"FIRMAKLJUC", {"SIFRAPODJETJA"}, true, true, 0, "APPINS:FirmaKljuc"},
            },
        .memos = {},
        .rules = {},
        .initialValues = {},
    };
    return layout;
}

}  // namespace kirva::data
