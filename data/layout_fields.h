// Typed indices of every layout's fields and keys, in the layout's own order: data::faracun::ZNESEKDEBET is
// the index of FARACUN:ZNESEKDEBET in faracunLayout().fields, data::faracun::keys::RACUNKLJUC the index of
// FARACUN:RACUNKLJUC in its keys. Readers and writers of records name their fields with these at compile
// time instead of looking them up by name at run time. The layout tables stay the one source of truth:
// tests/data/layout_fields_test.cpp checks every constant against the name its layout gives that place, and
// the count of each, so a layout changed without these fails the tests. Part of data/; uses nothing else.
#pragma once

#include <cstddef>

namespace kirva::data {

namespace appindod {
enum Field : std::size_t {
    SIFRAPODJETJA,
    POSLOVNABANKAALIAGENCIJA,
    IMEINPOTDODATOTEKENALOGOV,
    DAJALECPODM4M8,
    ZAVEZANECPODM4M8,
    IDPREJEMNIKA,
};

namespace keys {
enum Key : std::size_t {
    SIFRAKLJUC,
};
}  // namespace keys

}  // namespace appindod

namespace appinra {
enum Field : std::size_t {
    SIFRAPODJETJA,
    POSLOVNABANKA,
    NASLOVBANKE,
    KRAJBANKE,
    BICBANKE,
    KONTAKTNAOSEBA1,
    KONTAKTNAOSEBA2,
    KONTAKTNAOSEBA3,
    TRRPRIBANKI,
    KONTOKNJIZENJE,
    IMEIZPISKA,
};

namespace keys {
enum Key : std::size_t {
    POBANKI,
    PORACUNIH,
};
}  // namespace keys

}  // namespace appinra

namespace appins {
enum Field : std::size_t {
    SIFRAPODJETJA,
    NAZIVPODJETJA,
    NASLOV,
    POSTAKRAJ,
    POSTA,
    TELEFON_1,
    TELEFON_2,
    TELEFAX,
    E_MAIL,
    PODPISNIK,
    TITULAPODPISNIKA,
    DAVCNASTEVILKA,
    ZAVEZANEC,
    MATICNASTEVILKAFIRME,
    USTANOVNIKAPITAL,
    SIFRADEJAVNOSTI,
    STEVILKASRG,
    DATUMSRG,
    REGISTARCIJAPRISODISCU,
    PRAVNAOBLIKA,
    ZIRORACUN_1,
    ZR_SKLIC,
    ZIRORACUN_2,
    AGENCIJAPOSLOVALNICA,
    AGENCIJASIFRA,
    POSLOVNABANKA,
    POSLOVNIRACUNPRIBANKI,
    SKLICBANKA,
    RACUNFIRMEPRIBANKI,
    DAVCNIURAD,
    DAVCNIURADSIFRA,
    STATISTICNAOZNAKAOBCINE,
    NAPISSPODNJAVRSTICA,
    POTINIMEBMPDATOTEKE,
};

namespace keys {
enum Key : std::size_t {
    FIRMAKLJUC,
};
}  // namespace keys

}  // namespace appins

namespace faparac {
enum Field : std::size_t {
    FIRMA,
    POSLOVNAENOTA,
    TIPRACUNA,
    KONTOREALIZACIJE,
    VRSTADOKUMENTA,
    SIFRAPARTNERJAZANEPOSLOVNORABO,
    SIFRAPARTNERJALASTNAMP,
    DAVEK1,
    KONTODAVEK1,
    DAVEK2,
    KONTODAVEK2,
    DAVEK3,
    KONTODAVEK3,
    DAVEK4,
    KONTODAVEK4,
    REALIZACIJABREZDAVKAKONTO,
    REALIZACIJABREZDAVKABLAGOKONTO,
    PREFAKTURIRANOKONTO,
    KONTOREAL_G,
    DAVEK1_G,
    DAVEK1KONTO_G,
    DAVEK2_G,
    DAVEK2KONTO_G,
    DAVEK3_G,
    DAVEK3KONTO_G,
    DAVEK4_G,
    DAVEK4KONTO_G,
    REALIZACIJABREZDAVKAG,
    REALIZACIJABREZDAVKABLAGOG,
    PREFAKTURIRANOKONTO_G,
    POTDODATOTEKEREALIZACIJE,
    REALIZACIJAPOSTAVKE,
    POTDOPOSLOVNIHPARTNERJEV,
    POTDODISTRIBUIRANEBAZEPROMETAMP,
    POTDODISTRIBUIRANEBAZEKUPCEVMP,
    KNJIZIVKNJIGOODRACUNA,
    MESTODATOTEKEGKKNJDOK,
    MESTODATOTEKEKNJKNJI,
    POVECAJSTRACUNAPRENOS,
};

namespace keys {
enum Key : std::size_t {
    KNJIZENJEKLJUC,
    PARAMETRIKLJUC,
};
}  // namespace keys

}  // namespace faparac

namespace faracun {
enum Field : std::size_t {
    BE,
    POSLOVNAENOTA,
    TIPRACUNA,
    KONTO,
    POSLOVNIPARTNER,
    INTERNASTEVDOKUMENTA,
    STEVILKARACUNA,
    LETODOKUMENTA,
    VRSTADOKUMENTA,
    OZNAKADOKUMENTA,
    KOMERCIALIST,
    DATUMSTORITVEDOBAVE,
    DATUMDOKUMENTA,
    DATUMVALUTEPLACILA,
    DATUMKNJIZENJA,
    KNJIZIL,
    OPISKNJIZBE,
    ZNESEKDEBET,
    ZNESEKKREDIT,
    OSNOVADDV1,
    SIFRADDV1,
    STOPNJADDV1,
    STOPNJADDV1OBR,
    ZNESEKDDV1,
    ZNESEKDDV1OBR,
    OSNOVADDV2,
    SIFRADDV2,
    REALIZACIJABREZDDVSTOR,
    REALIZACIJABREZDDVBLAGO,
    STOPNJADDV2,
    STOPNJADDV2OBR,
    ZNESEKDDV2,
    ZNESEKDDV2OBR,
    OSNOVADDVAVASNI,
    SIFRADDVAVASNI,
    STOPNJADDVAVASNI,
    ZNESEKDDVAVASNI,
    REDNADRUGATRISTRANSKADOBAVAEU,
    VRSTAOBRACUNADDV,
    VRSTAOPROSTITVE,
    OPOMBE,
    KNJIZENOVFINANCE,
    REALIZACIJAPOENOTAHBREZDDV,
    PREFAKTURIRANO,
    DODATNAKONCESIJSKADAJATEVSTUDENT,
    FAKTURIRANOZDRZAVAROVANJESTUDENT,
    ZNESEKPLACILARACUNA,
    DATUMPLACILARACUNA,
    DELNOPLACILOZNESEK,
    DELNOPLACILODATUM,
};

namespace keys {
enum Key : std::size_t {
    FINANCEKLJUC,
    RACUNKLJUC,
    KNJIGAENOTAKLJUC,
    KNJIGAKLJUC,
    POPARNERJIHKLJUC,
};
}  // namespace keys

}  // namespace faracun

namespace odmeeno {
enum Field : std::size_t {
    PODJETJE,
    SIFRAENOTE,
    PODATKIZALETO,
    PODATKIZAMESEC,
    MESECNIFONDUR,
    VREDNOSTTOCKE,
    MESECNASTIMULACIJA,
    STIMULACIJAENOTEVOSNOVO,
    KODASTIMULACIJE,
    DATUMIZPLACILA,
    DODATEKZAPREHRANO,
};

namespace keys {
enum Key : std::size_t {
    ENOTAKLJUC,
};
}  // namespace keys

}  // namespace odmeeno

namespace qfastor {
enum Field : std::size_t {
    IDRACUNA,
    FIRMA,
    VRSTARACUNA,
    RACUNSTEVILKA,
    DATUMRACUNA,
    NACINDODELJEVANJASTEVILK,
    OZNAKAPOSLOVNIPROSTOR,
    OZNAKANAPRAVE,
    AVANSNIRACUN,
    KUPECSIFRA,
    KUPECNAZIV,
    KUPECNAZIV2,
    KUPECNASLOV,
    KUPECKRAJ,
    KUPECDAVCNA,
    DATUMIZDELAVE,
    URAIZDELAVERACUNA,
    DATUMVALUTA,
    DATUMDOBAVNICE,
    OZNAKADOBAVNICE,
    DELOOPRAVIL,
    KONTAKTNAOSEBA,
    RACUNIZDELAL,
    DAVCNASTEVPRODAJALCA,
    RSOZNAKAPOSLPROSTORA,
    RSOZNAKANAPRAVE,
    RSRACUNSTEVILKA,
    RSDATUMIZDELAVE,
    RSURAIZDELAVE,
    VKDATUMIZDAJE,
    VKRACUNSTEVILKA,
    VKSTEVILKASETA,
    VKSERIJSKASTEVILKA,
    VKOZNAKAPOSLPROSTORA,
    POTNIK,
    NAROCILNICA,
    DATUMNAROCILNICE,
    NACINPLACILA,
    IZPISANO,
    KNJIZENO,
    OBDOBJEOD,
    OBDOBJEDO,
    STEVZBIRNIK,
    OZNAKAPROSTORA,
    NUM1,
    NUM2,
    NUMD1,
    NUMD2,
    KRAJOPRAVLJENESTORITVE,
    STRING2,
    ZOI,
    EOR,
    EORDATUM,
    EORURA,
};

namespace keys {
enum Key : std::size_t {
    RACUNKEY,
    IDKLJUC,
    KUPECKEY,
    ZBIRNIKKLJUC,
};
}  // namespace keys

}  // namespace qfastor

namespace qfastpo {
enum Field : std::size_t {
    FIRMA,
    VRSTARACUNA,
    RACUNSTEVILKA,
    POSTAVKANARACUNU,
    GRUPAIZDELKOVSTORITEV,
    SIFRAIZDELKASTORITEV,
    EM,
    KOLICINA,
    CENA,
    CENAZDDV,
    POPUST,
    DDVSIFRA,
    DDVPROCENT,
    DDVPROCENTOBR,
    ZNESEKPOSTAVKEZDDV,
    ZNESEKDDV,
    ZNESEKDDVOBR,
    BLAGOSTORITEVSOFTWARE,
    RAZLIKAVCENI,
    NABAVNACENA,
    SKLADISCE,
    GRUPA,
    ARTIKEL,
    DOBAVNICA,
    POLJE1,
    POLJE2,
    POLJE3,
    POLJE4,
};

namespace keys {
enum Key : std::size_t {
    RACUNKEY,
    RACUNGRUPAKLJUC,
};
}  // namespace keys

}  // namespace qfastpo

namespace saoprac {
enum Field : std::size_t {
    IDENT,
    FIRMA,
    VRSTARACUNA,
    RACUNSTEVILKA,
    DATUMRACUNA,
    KUPECNAZIV,
};

namespace keys {
enum Key : std::size_t {
    ID_KLJUC,
    STEVILKA_KLJUC,
};
}  // namespace keys

}  // namespace saoprac

namespace sfenpa {
enum Field : std::size_t {
    PODJETJE,
    SIFRAPOSLOVNEENOTE,
    KONTOKUPCIBREZGOTOVINSKO,
    KONTOKUPCIGOTOVINSKO,
    KONTOREALIZACIJESTORITVE,
    KONTOREALIZACIJEBLAGO,
    KONTODDVVISJA,
    KONTODDVNIZJA,
    KONTOIZRAVNAVE,
};

namespace keys {
enum Key : std::size_t {
    SIFRAKLJUC,
};
}  // namespace keys

}  // namespace sfenpa

namespace sfpartn {
enum Field : std::size_t {
    SIFRA,
    NAZIV,
    NAZIV2,
    NASLOV,
    NASLOV2,
    POSTA,
    DRZAVA,
    TELEFON,
    TELEFAKS,
    GSM,
    EMAIL,
    WWW,
    ODGOVORNAOSEBA,
    KONTAKTNAOSEBA,
    DAVCNASTEVILKAEU,
    DRZAVAOZNAKA,
    DAVCNASTEV,
    DDV,
    MATICNASTEVILKA,
    SIFRADEJAVNOSTI,
    ZR,
    SEDEZ,
    RACUN,
    NAMEN,
    PARTIJA,
    MODEL,
    SKLIC,
    USTANOVNIKAPITAL,
    DNIVALUTE,
    ZACETEKVALUTE,
    BONITETA,
    KONTOKUPCA,
    KONTODOBAVITELJA,
    DEVIZNIRACUN,
    DEVIZA,
    TECAJNALISTA,
    TECAJ,
    JEZIK,
    AVANSTIP,
    ZDRZAVAROVANJE,
    ZDRZAVARFAKTURA,
    REGSTEVZZZS,
    IZPOSTAVAZZZS,
    DATUMUSTANOVITVE,
    NASLOVZAPOSILJANJEPOSTE,
    POSTAZAPOSILJANJE,
    DATUMSPREMEMBE,
    URASPREMEMBE,
    UPORABNIK,
    KLASIFIKACIJASKIS,
    SKUPINA,
    SIFRASKIS,
};

namespace keys {
enum Key : std::size_t {
    NAZIVKLJUC,
    DAVCNASTEVKLJUC,
    SIFRAKLJUC,
    ZRKLJUC,
};
}  // namespace keys

}  // namespace sfpartn

namespace sfpoen {
enum Field : std::size_t {
    PODJETJE,
    SIFRAPOSLOVNEENOTE,
    NAZIVPOSLOVNEENOTE,
    NASLOV,
    POSTAKRAJ,
    VODJAPOSLOVNEENOTE,
    VRSTAFAKTUR,
};

namespace keys {
enum Key : std::size_t {
    SIFRAKLJUC,
    NAZIVKLJUC,
};
}  // namespace keys

}  // namespace sfpoen

// FAPARAC2 is the second view of FAPARAC: the same record, the same keys.
namespace faparac2 = faparac;

}  // namespace kirva::data
