#include "data/layout.h"

namespace kirva::data {

const Layout& sfpartnLayout() {
    using enum FieldType;
    static const Layout layout{
        .label = "SFPARTN",
        .prefix = "SFPARTN",
        .table = "SFPARTN",
        .fileName = "SFPARTN.DB",
        .recordSize = 718,
        .nameTextBytes = 256,
        .structureVersion = 17,
        .fields =
            {
                {"SIFRA", ULong, 0, 4},
                {"NAZIV", Text, 4, 40},
                {"NAZIV2", Text, 44, 40},
                {"NASLOV", Text, 84, 40},
                {"NASLOV2", Text, 124, 40},
                {"POSTA", Text, 164, 30},
                {"DRZAVA", Text, 194, 20},
                {"TELEFON", Text, 214, 30},
                {"TELEFAKS", Text, 244, 30},
                {"GSM", Text, 274, 30},
                {"EMAIL", Text, 304, 40},
                {"WWW", Text, 344, 40},
                {"ODGOVORNAOSEBA", Text, 384, 20},
                {"KONTAKTNAOSEBA", Text, 404, 20},
                {"DAVCNASTEVILKAEU", Group, 424, 17},
                {"DRZAVAOZNAKA", Text, 424, 2},
                {"DAVCNASTEV", Text, 426, 15},
                {"DDV", Byte, 441, 1},
                {"MATICNASTEVILKA", Text, 442, 10},
                {"SIFRADEJAVNOSTI", Text, 452, 12},
                {"ZR", Group, 464, 44},
                {"SEDEZ", Text, 464, 5},
                {"RACUN", Text, 469, 3},
                {"NAMEN", Text, 472, 3},
                {"PARTIJA", Text, 475, 10},
                {"MODEL", Text, 485, 2},
                {"SKLIC", Text, 487, 21},
                {"USTANOVNIKAPITAL", Decimal, 508, 7, 2},
                {"DNIVALUTE", UShort, 515, 2},
                {"ZACETEKVALUTE", Text, 517, 1},
                {"BONITETA", Byte, 518, 1},
                {"KONTOKUPCA", Text, 519, 6},
                {"KONTODOBAVITELJA", Text, 525, 6},
                {"DEVIZNIRACUN", Text, 531, 40},
                {"DEVIZA", UShort, 571, 2},
                {"TECAJNALISTA", UShort, 573, 2},
                {"TECAJ", Byte, 575, 1},
                {"JEZIK", Text, 576, 20},
                {"AVANSTIP", Byte, 596, 1},
                {"ZDRZAVAROVANJE", Byte, 597, 1},
                {"ZDRZAVARFAKTURA", Byte, 598, 1},
                {"REGSTEVZZZS", Text, 599, 10},
                {"IZPOSTAVAZZZS", Byte, 609, 1},
                {"DATUMUSTANOVITVE", Date, 610, 4},
                {"NASLOVZAPOSILJANJEPOSTE", Text, 614, 40},
                {"POSTAZAPOSILJANJE", Text, 654, 30},
                {"DATUMSPREMEMBE", Date, 684, 4},
                {"URASPREMEMBE", Long, 688, 4},
                {"UPORABNIK", Text, 692, 20},
                {"KLASIFIKACIJASKIS", Group, 712, 6},
                {"SKUPINA", Text, 712, 2},
                {"SIFRASKIS", Long, 714, 4},
            },
        .keys =
            {
                {"NAZIVKLJUC", {"NAZIV"}, false, false, 0, " PO NAZIVU"},
                {"DAVCNASTEVKLJUC", {"DAVCNASTEVILKAEU"}, false, false, 0, " PO DAVČNI ŠTEVILKI"},
                {"SIFRAKLJUC", {"SIFRA"}, true, true, 1, "PO ŠIFRI"},
                {"ZRKLJUC", {"ZR"}, false, false, 0, " PO ŽR"},
            },
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
    return layout;
}

}  // namespace kirva::data
