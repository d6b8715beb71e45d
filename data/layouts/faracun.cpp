#include "data/layout.h"

namespace kirva::data {

const Layout& faracunLayout() {
    using enum FieldType;
    static const Layout layout{
        .label = "FARACUN",
        .prefix = "FARACUN",
        .table = "FARACUN",
        .fileName = "FARACUN.DB",
        .recordSize = 446,
        .nameTextBytes = 255,
        .structureVersion = 25,
        .fields =
            {
                {"BE", Byte, 0, 1},
                {"POSLOVNAENOTA", Short, 1, 2},
                {"TIPRACUNA", Text, 3, 1},
                {"KONTO", Text, 4, 6},
                {"POSLOVNIPARTNER", Long, 10, 4},
                {"INTERNASTEVDOKUMENTA", Long, 14, 4},
                {"STEVILKARACUNA", Decimal, 18, 7, 0},
                {"LETODOKUMENTA", Short, 25, 2},
                {"VRSTADOKUMENTA", Short, 27, 2},
                {"OZNAKADOKUMENTA", Text, 29, 20},
                {"KOMERCIALIST", Short, 49, 2},
                {"DATUMSTORITVEDOBAVE", Date, 51, 4},
                {"DATUMDOKUMENTA", Date, 55, 4},
                {"DATUMVALUTEPLACILA", Date, 59, 4},
                {"DATUMKNJIZENJA", Date, 63, 4},
                {"KNJIZIL", Short, 67, 2},
                {"OPISKNJIZBE", Text, 69, 40},
                {"ZNESEKDEBET", Decimal, 109, 7, 2},
                {"ZNESEKKREDIT", Decimal, 116, 7, 2},
                {"OSNOVADDV1", Decimal, 123, 7, 2},
                {"SIFRADDV1", Byte, 130, 1},
                {"STOPNJADDV1", Decimal, 131, 3, 2},
                {"STOPNJADDV1OBR", Decimal, 134, 3, 2},
                {"ZNESEKDDV1", Decimal, 137, 7, 2},
                {"ZNESEKDDV1OBR", Decimal, 144, 7, 2},
                {"OSNOVADDV2", Decimal, 151, 7, 2},
                {"SIFRADDV2", Byte, 158, 1},
                {"REALIZACIJABREZDDVSTOR", Decimal, 159, 6, 2},
                {"REALIZACIJABREZDDVBLAGO", Decimal, 165, 6, 2},
                {"STOPNJADDV2", Decimal, 171, 3, 2},
                {"STOPNJADDV2OBR", Decimal, 174, 3, 2},
                {"ZNESEKDDV2", Decimal, 177, 7, 2},
                {"ZNESEKDDV2OBR", Decimal, 184, 7, 2},
                {"OSNOVADDVAVASNI", Decimal, 191, 7, 2},
                {"SIFRADDVAVASNI", Short, 198, 2},
                {"STOPNJADDVAVASNI", Decimal, 200, 3, 2},
                {"ZNESEKDDVAVASNI", Decimal, 203, 7, 2},
                {"REDNADRUGATRISTRANSKADOBAVAEU", Text, 210, 1},
                {"VRSTAOBRACUNADDV", Text, 211, 1},
                {"VRSTAOPROSTITVE", Text, 212, 2},
                {"OPOMBE", Text, 214, 80},
                {"KNJIZENOVFINANCE", Long, 294, 4},
                {"REALIZACIJAPOENOTAHBREZDDV", Decimal, 298, 7, 2, 10},
                {"PREFAKTURIRANO", Decimal, 368, 6, 2},
                {"DODATNAKONCESIJSKADAJATEVSTUDENT", Decimal, 374, 6, 2},
                {"FAKTURIRANOZDRZAVAROVANJESTUDENT", Decimal, 380, 6, 2},
                {"ZNESEKPLACILARACUNA", Decimal, 386, 6, 2},
                {"DATUMPLACILARACUNA", Date, 392, 4},
                {"DELNOPLACILOZNESEK", Decimal, 396, 6, 2, 5},
                {"DELNOPLACILODATUM", Date, 426, 4, 0, 5},
            },
        .keys =
            {
                {"FINANCEKLJUC",
                 {"BE", "KONTO", "LETODOKUMENTA", "STEVILKARACUNA", "DATUMKNJIZENJA"},
                 false,
                 false,
                 0,
                 "FARACUN:FinanceKljuc"},
                {"RACUNKLJUC", {"BE", "LETODOKUMENTA", "STEVILKARACUNA"}, false, false, 0, "FARACUN:RacunKljuc"},
                {"KNJIGAENOTAKLJUC",
                 {"BE", "POSLOVNAENOTA", "LETODOKUMENTA", "STEVILKARACUNA"},
                 false,
                 false,
                 0,
                 "FARACUN:KnjigaEnotaKljuc"},
                {"KNJIGAKLJUC", {"BE", "LETODOKUMENTA", "INTERNASTEVDOKUMENTA"}, true, true, 3, "FARACUN:KnjigaKljuc"},
                {"POPARNERJIHKLJUC",
                 {"BE", "POSLOVNIPARTNER", "LETODOKUMENTA", "STEVILKARACUNA"},
                 false,
                 false,
                 0,
                 "Po kupcih"},
            },
        .memos = {},
        .rules =
            {
                {38, "REDNADRUGATRISTRANSKADOBAVAEU", RuleKind::CodeList, "]R[]D[]T[",
                 "'Oproščena dobava EU ','Druga dobava EU ','Tristranska dobava EU'",
                 "Redna / Druga / Tristranske dobava znotraj EU"},
                {39, "VRSTAOBRACUNADDV", RuleKind::CodeList, "]Z[]K[]N[]I[]E[]O[]U[]P[",
                 "'Davčni Zavezanec SLO','Končni potrošnik SLO','Neobdavčen promet','Izvoz','Pridobitev EU',"
                 "'Samoobd.Ost.','Samoodb.Uvoz','Neobd 19'",
                 "#### Vrsta obračuna DDV Z-zavezanec N-ni, I-izvoz, B-brez DDV,D- druge oprost."},
                {40, "VRSTAOPROSTITVE", RuleKind::CodeList, "]08[]09[]10[]11[]12[",
                 "'Brez prav.odbitka (8)','Dobava EU(9)','Tristranska dob.EU(10)','Prodaja na daljavo (11)',"
                 "'Montaža EU (12)'",
                 "#### Vrsta oprostitve obračuna DDV"},
            },
        .initialValues =
            {
                {"REDNADRUGATRISTRANSKADOBAVAEU", InitialKind::Text, "R"},
            },
    };
    return layout;
}

}  // namespace kirva::data
