#include "data/layout.h"
#include "data/layouts/declaration.h"

namespace kirva::data {

namespace {

Layout declareFaracun() {
    Layout layout{
        .label = "FARACUN",
        .prefix = "FARACUN",
        .table = "FARACUN",
        .fileName = "FARACUN.DB",
        .recordSize = 446,
        .nameTextBytes = 255,
        .structureVersion = 25,
        .fields = {},
        .keys = {},
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
    // The fields and keys, from the one declaration of this record.
#include "data/layouts/faracun.def"
    return layout;
}

}  // namespace

const Layout& faracunLayout() {
    static const Layout layout = declareFaracun();
    return layout;
}

}  // namespace kirva::data
