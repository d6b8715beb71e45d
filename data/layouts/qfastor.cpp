#include "data/layout.h"

namespace kirva::data {

const Layout& qfastorLayout() {
    using enum FieldType;
    static const Layout layout{
        .label = "QFASTOR",
        .prefix = "QFASTOR",
        .table = "QFASTOR",
        .fileName = "QFASTOR.DB",
        .recordSize = 645,
        .nameTextBytes = 256,
        .structureVersion = 10,
        .fields =
            {
                {"IDRACUNA", ULong, 0, 4},
                {"FIRMA", Short, 4, 2},
                {"VRSTARACUNA", Text, 6, 1},
                {"RACUNSTEVILKA", ULong, 7, 4},
                {"DATUMRACUNA", Date, 11, 4},
                {"NACINDODELJEVANJASTEVILK", Text, 15, 1},
                {"OZNAKAPOSLOVNIPROSTOR", Text, 16, 10},
                {"OZNAKANAPRAVE", Text, 26, 10},
                {"AVANSNIRACUN", Byte, 36, 1},
                {"KUPECSIFRA", Long, 37, 4},
                {"KUPECNAZIV", Text, 41, 40},
                {"KUPECNAZIV2", Text, 81, 40},
                {"KUPECNASLOV", Text, 121, 40},
                {"KUPECKRAJ", Text, 161, 40},
                {"KUPECDAVCNA", CText, 201, 21},
                {"DATUMIZDELAVE", Date, 222, 4},
                {"URAIZDELAVERACUNA", Long, 226, 4},
                {"DATUMVALUTA", Date, 230, 4},
                {"DATUMDOBAVNICE", Date, 234, 4},
                {"OZNAKADOBAVNICE", Text, 238, 20},
                {"DELOOPRAVIL", Text, 258, 15},
                {"KONTAKTNAOSEBA", Text, 273, 35},
                {"RACUNIZDELAL", Short, 308, 2},
                {"DAVCNASTEVPRODAJALCA", Text, 310, 8},
                {"RSOZNAKAPOSLPROSTORA", Text, 318, 10},
                {"RSOZNAKANAPRAVE", Text, 328, 10},
                {"RSRACUNSTEVILKA", ULong, 338, 4},
                {"RSDATUMIZDELAVE", Date, 342, 4},
                {"RSURAIZDELAVE", Long, 346, 4},
                {"VKDATUMIZDAJE", Date, 350, 4},
                {"VKRACUNSTEVILKA", ULong, 354, 4},
                {"VKSTEVILKASETA", Text, 358, 2},
                {"VKSERIJSKASTEVILKA", Text, 360, 12},
                {"VKOZNAKAPOSLPROSTORA", Text, 372, 10},
                {"POTNIK", Short, 382, 2},
                {"NAROCILNICA", Text, 384, 10},
                {"DATUMNAROCILNICE", Date, 394, 4},
                {"NACINPLACILA", Text, 398, 1},
                {"IZPISANO", Byte, 399, 1},
                {"KNJIZENO", Byte, 400, 1},
                {"OBDOBJEOD", Date, 401, 4},
                {"OBDOBJEDO", Date, 405, 4},
                {"STEVZBIRNIK", Long, 409, 4},
                {"OZNAKAPROSTORA", Text, 413, 20},
                {"NUM1", Long, 433, 4},
                {"NUM2", Long, 437, 4},
                {"NUMD1", Decimal, 441, 6, 4},
                {"NUMD2", Decimal, 447, 6, 4},
                {"KRAJOPRAVLJENESTORITVE", Text, 453, 60},
                {"STRING2", Text, 513, 60},
                {"ZOI", Text, 573, 32},
                {"EOR", Text, 605, 32},
                {"EORDATUM", Date, 637, 4},
                {"EORURA", Long, 641, 4},
            },
        .keys =
            {
                {"RACUNKEY", {"FIRMA", "VRSTARACUNA", "RACUNSTEVILKA"}, true, false, 3, "RacunKey"},
                {"IDKLJUC", {"IDRACUNA"}, true, true, 1, "Po ID-ju"},
                {"KUPECKEY", {"KUPECSIFRA", "RACUNSTEVILKA"}, false, false, 0, "QFASTOR:KupecKey"},
                {"ZBIRNIKKLJUC", {"FIRMA", "STEVZBIRNIK"}, false, false, 0, "Po zbirniku storitev"},
            },
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
    return layout;
}

}  // namespace kirva::data
