#include "data/layout.h"

namespace kirva::data {

namespace {

// FAPARAC and its second view FAPARAC2 share one record.
std::vector<FieldDef> faparacFields() {
    using enum FieldType;
    return {
        {"FIRMA", Byte, 0, 1},
        {"POSLOVNAENOTA", Short, 1, 2},
        {"TIPRACUNA", Text, 3, 1},
        {"KONTOREALIZACIJE", Text, 4, 6},
        {"VRSTADOKUMENTA", Short, 10, 2},
        {"SIFRAPARTNERJAZANEPOSLOVNORABO", Long, 12, 4},
        {"SIFRAPARTNERJALASTNAMP", Long, 16, 4},
        {"DAVEK1", UShort, 20, 2},
        {"KONTODAVEK1", Text, 22, 6},
        {"DAVEK2", UShort, 28, 2},
        {"KONTODAVEK2", Text, 30, 6},
        {"DAVEK3", UShort, 36, 2},
        {"KONTODAVEK3", Text, 38, 6},
        {"DAVEK4", UShort, 44, 2},
        {"KONTODAVEK4", Text, 46, 6},
        {"REALIZACIJABREZDAVKAKONTO", Text, 52, 6},
        {"REALIZACIJABREZDAVKABLAGOKONTO", Text, 58, 6},
        {"PREFAKTURIRANOKONTO", Text, 64, 6},
        {"KONTOREAL_G", Long, 70, 4},
        {"DAVEK1_G", UShort, 74, 2},
        {"DAVEK1KONTO_G", Long, 76, 4},
        {"DAVEK2_G", UShort, 80, 2},
        {"DAVEK2KONTO_G", Long, 82, 4},
        {"DAVEK3_G", UShort, 86, 2},
        {"DAVEK3KONTO_G", Long, 88, 4},
        {"DAVEK4_G", UShort, 92, 2},
        {"DAVEK4KONTO_G", Long, 94, 4},
        {"REALIZACIJABREZDAVKAG", Long, 98, 4},
        {"REALIZACIJABREZDAVKABLAGOG", Text, 102, 6},
        {"PREFAKTURIRANOKONTO_G", Text, 108, 6},
        {"POTDODATOTEKEREALIZACIJE", Text, 114, 40},
        {"REALIZACIJAPOSTAVKE", Text, 154, 40},
        {"POTDOPOSLOVNIHPARTNERJEV", Text, 194, 40},
        {"POTDODISTRIBUIRANEBAZEPROMETAMP", Text, 234, 64},
        {"POTDODISTRIBUIRANEBAZEKUPCEVMP", Text, 298, 64},
        {"KNJIZIVKNJIGOODRACUNA", Long, 362, 4},
        {"MESTODATOTEKEGKKNJDOK", Text, 366, 64},
        {"MESTODATOTEKEKNJKNJI", Text, 430, 64},
        {"POVECAJSTRACUNAPRENOS", Byte, 494, 1},
    };
}

// The file and its second view differ only in their label, prefix and key descriptions. The view shares
// FAPARAC's table and name text, so neither has a file name of its own.
Layout faparacView(std::string_view label, std::string_view prefix, std::string_view knjizenjeDescription,
                   std::string_view parametriDescription) {
    return Layout{
        .label = label,
        .prefix = prefix,
        .table = "FAPARAC",
        .fileName = "",
        .recordSize = 495,
        .nameTextBytes = 255,
        .structureVersion = -1,
        .fields = faparacFields(),
        .keys =
            {
                {"KNJIZENJEKLJUC", {"FIRMA", "POSLOVNAENOTA"}, false, false, 0, knjizenjeDescription},
                {"PARAMETRIKLJUC", {"FIRMA", "POSLOVNAENOTA", "TIPRACUNA"}, true, true, 0, parametriDescription},
            },
        .memos = {},
        .rules = {},
        .initialValues = {},
    };
}

}  // namespace

const Layout& faparacLayout() {
    static const Layout layout = faparacView("FAPARAC", "FAPARAC", "FAPARAC:KnjizenjeKljuc", "FAPARAC:ParametriKljuc");
    return layout;
}

const Layout& faparac2Layout() {
    static const Layout layout = faparacView("FAPARAC2", "FAP", "FAP:KnjizenjeKljuc", "FAP:ParametriKljuc");
    return layout;
}

}  // namespace kirva::data
