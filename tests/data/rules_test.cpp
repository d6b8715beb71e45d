#include <gtest/gtest.h>

#include <algorithm>
#include <variant>

#include "data/record.h"
#include "data/rules.h"
#include "platform/text1250.h"

namespace kirva::data {
namespace {

struct ValidationCase {
    std::string_view label;
    std::string_view field;
    std::variant<std::string_view, int64_t> value;  // UTF-8 text or a whole number
    int dictionaryNumber;
    int result;
};

const ValidationCase kCases[] = {
    // The invoice book's three code lists.
    {"FARACUN", "REDNADRUGATRISTRANSKADOBAVAEU", "R", 38, 0},
    {"FARACUN", "REDNADRUGATRISTRANSKADOBAVAEU", "T", 38, 0},
    {"FARACUN", "REDNADRUGATRISTRANSKADOBAVAEU", "", 38, 5},
    {"FARACUN", "REDNADRUGATRISTRANSKADOBAVAEU", "r", 38, 5},
    {"FARACUN", "VRSTAOBRACUNADDV", "Z", 39, 0},
    {"FARACUN", "VRSTAOBRACUNADDV", "P", 39, 0},
    {"FARACUN", "VRSTAOBRACUNADDV", "z", 39, 5},
    {"FARACUN", "VRSTAOBRACUNADDV", "B", 39, 5},
    {"FARACUN", "VRSTAOPROSTITVE", "08", 40, 0},
    {"FARACUN", "VRSTAOPROSTITVE", "12", 40, 0},
    {"FARACUN", "VRSTAOPROSTITVE", "8", 40, 5},
    {"FARACUN", "VRSTAOPROSTITVE", " 8", 40, 5},
    {"FARACUN", "VRSTAOPROSTITVE", "13", 40, 5},
    {"FARACUN", "VRSTAOPROSTITVE", "", 40, 5},
    {"FARACUN", "VRSTAOPROSTITVE", "[]", 40, 5},
    // Partners: texts and numbers written in decimal.
    {"SFPARTN", "ZACETEKVALUTE", "D", 30, 0},
    {"SFPARTN", "ZACETEKVALUTE", "O", 30, 0},
    {"SFPARTN", "ZACETEKVALUTE", "", 30, 5},
    {"SFPARTN", "ZACETEKVALUTE", "d", 30, 5},
    {"SFPARTN", "BONITETA", int64_t{0}, 31, 5},
    {"SFPARTN", "BONITETA", int64_t{1}, 31, 0},
    {"SFPARTN", "BONITETA", int64_t{5}, 31, 0},
    {"SFPARTN", "BONITETA", int64_t{6}, 31, 5},
    {"SFPARTN", "BONITETA", int64_t{12}, 31, 5},
    {"SFPARTN", "TECAJ", int64_t{2}, 37, 0},
    {"SFPARTN", "TECAJ", int64_t{4}, 37, 5},
    {"SFPARTN", "AVANSTIP", int64_t{3}, 39, 0},
    {"SFPARTN", "AVANSTIP", int64_t{0}, 39, 5},
    {"SFPARTN", "ZDRZAVAROVANJE", int64_t{0}, 40, 0},
    {"SFPARTN", "ZDRZAVAROVANJE", int64_t{1}, 40, 0},
    {"SFPARTN", "ZDRZAVAROVANJE", int64_t{10}, 40, 5},
    {"SFPARTN", "ZDRZAVARFAKTURA", int64_t{1}, 41, 0},
    {"SFPARTN", "ZDRZAVARFAKTURA", int64_t{2}, 41, 5},
    // Invoice documents: numbered one above the field's place in the record.
    {"QFASTOR", "VRSTARACUNA", "A", 4, 0},
    {"QFASTOR", "VRSTARACUNA", "a", 4, 5},
    {"QFASTOR", "NACINDODELJEVANJASTEVILK", "B", 7, 0},
    {"QFASTOR", "NACINDODELJEVANJASTEVILK", "", 7, 5},
    {"QFASTOR", "NACINPLACILA", "C", 39, 0},
    {"QFASTOR", "NACINPLACILA", "X", 39, 5},
    {"QFASTPO", "VRSTARACUNA", "R", 3, 0},
    {"QFASTPO", "VRSTARACUNA", "X", 3, 5},
    {"QFASTPO", "BLAGOSTORITEVSOFTWARE", "D", 19, 0},
    {"QFASTPO", "BLAGOSTORITEVSOFTWARE", "C", 19, 5},
    {"SaopRAC", "VRSTARACUNA", "P", 3, 0},
    {"SaopRAC", "VRSTARACUNA", "", 3, 5},
    {"APPINDOD", "POSLOVNABANKAALIAGENCIJA", "NLB", 2, 0},
    {"APPINDOD", "POSLOVNABANKAALIAGENCIJA", "KBM", 2, 0},
    {"APPINDOD", "POSLOVNABANKAALIAGENCIJA", "nlb", 2, 5},
    {"APPINDOD", "POSLOVNABANKAALIAGENCIJA", "NL", 2, 5},
    // The month range.
    {"ODMEENO", "PODATKIZAMESEC", int64_t{0}, 4, 5},
    {"ODMEENO", "PODATKIZAMESEC", int64_t{1}, 4, 0},
    {"ODMEENO", "PODATKIZAMESEC", int64_t{12}, 4, 0},
    {"ODMEENO", "PODATKIZAMESEC", int64_t{13}, 4, 5},
    {"ODMEENO", "PODATKIZAMESEC", int64_t{-1}, 4, 5},
};

TEST(FieldRules, ValidationCases) {
    for (const auto& c : kCases) {
        const Layout* layout = findLayout(c.label);
        ASSERT_NE(layout, nullptr);
        Record r(*layout);
        const auto f = r.field(c.field);
        if (const auto* text = std::get_if<std::string_view>(&c.value)) {
            ASSERT_TRUE(r.setText(f, Text1250::literal(*text)));
        } else {
            ASSERT_TRUE(r.setInteger(f, std::get<int64_t>(c.value)));
        }
        const FieldCheck check = checkField(r, c.dictionaryNumber);
        const std::string shown = std::holds_alternative<int64_t>(c.value)
                                      ? std::to_string(std::get<int64_t>(c.value))
                                      : "'" + std::string(std::get<std::string_view>(c.value)) + "'";
        EXPECT_EQ(check.result, c.result) << c.label << ":" << c.field << " = " << shown;
        EXPECT_EQ(check.field, c.field);
        const auto failures = checkRecord(r);
        const bool listed = std::any_of(failures.begin(), failures.end(),
                                        [&](const FieldCheck& failure) { return failure.field == c.field; });
        EXPECT_EQ(listed, c.result != 0) << c.label << ":" << c.field << " = " << shown;
    }
}

TEST(FieldRules, AFailedCodeListNamesTheValueErrorWithPromptAndDisplayTexts) {
    Record r(faracunLayout());
    ASSERT_TRUE(r.setText(r.field("VRSTAOPROSTITVE"), Text1250::fromBytes("8")));
    const FieldCheck check = checkField(r, 40);
    EXPECT_EQ(check.result, 5);
    EXPECT_EQ(check.messageEntry, 19);
    EXPECT_EQ(check.title, "Value Error");
    EXPECT_EQ(check.prompt, "#### Vrsta oprostitve obračuna DDV");
    EXPECT_EQ(check.message,
              "'Brez prav.odbitka (8)','Dobava EU(9)','Tristranska dob.EU(10)','Prodaja na daljavo (11)',"
              "'Montaža EU (12)'");
}

TEST(FieldRules, AFailedRangeNamesTheRangeError) {
    Record r(odmeenoLayout());
    const FieldCheck check = checkField(r, 4);  // a cleared month is 0
    EXPECT_EQ(check.result, 5);
    EXPECT_EQ(check.messageEntry, 20);
    EXPECT_EQ(check.title, "Range Error");
    EXPECT_EQ(check.prompt, "Podatki so za Mesec");
    EXPECT_EQ(check.message, "1 .. 12");
}

TEST(FieldRules, NumbersWithoutARulePassAndARuleReadsItsOwnField) {
    Record r(qfastorLayout());
    ASSERT_TRUE(
        r.setText(r.field("VRSTARACUNA"), Text1250::fromBytes("X")));  // the record's 3rd field, the dictionary's 4th
    EXPECT_EQ(checkField(r, 3).result, 0);
    EXPECT_EQ(checkField(r, 4).result, 5);
    EXPECT_EQ(checkField(r, 0).result, 0);
    EXPECT_EQ(checkField(r, 999).result, 0);
    EXPECT_EQ(checkField(r, -1).result, 0);
    Record units(sfenpaLayout());
    for (int n = 0; n <= 10; ++n) EXPECT_EQ(checkField(units, n).result, 0);
}

TEST(FieldRules, ACheckedRecordListsEveryFailureInOrder) {
    Record r(faracunLayout());
    auto failures = checkRecord(r);
    ASSERT_EQ(failures.size(), 3u);
    EXPECT_EQ(failures[0].dictionaryNumber, 38);
    EXPECT_EQ(failures[1].dictionaryNumber, 39);
    EXPECT_EQ(failures[2].dictionaryNumber, 40);
    setInitialValues(r, 0);
    ASSERT_TRUE(r.setText(r.field("VRSTAOBRACUNADDV"), Text1250::fromBytes("K")));
    failures = checkRecord(r);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].field, "VRSTAOPROSTITVE");
}

// Everything but the named fields stays as cleared.
void expectOnlyChanged(const Record& r, std::initializer_list<std::string_view> changed) {
    Record cleared(r.layout());
    for (const std::size_t i : r.layout().storedFields()) {
        const FieldDef& f = r.layout().fields[i];
        if (std::find(changed.begin(), changed.end(), f.name) != changed.end()) continue;
        const auto a = r.image().subspan(f.offset, f.totalSize());
        const auto b = cleared.image().subspan(f.offset, f.totalSize());
        EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin())) << f.name << " was changed";
    }
}

TEST(InitialValues, NewRecordsArePrimedAsTheDictionarySays) {
    const DateNumber today = *dateFromCivil(2019, 5, 21);
    Record invoice(faracunLayout());
    setInitialValues(invoice, today);
    EXPECT_EQ(invoice.text(invoice.field("REDNADRUGATRISTRANSKADOBAVAEU")).bytes(), "R");
    expectOnlyChanged(invoice, {"REDNADRUGATRISTRANSKADOBAVAEU"});

    Record partner(sfpartnLayout());
    setInitialValues(partner, today);
    EXPECT_EQ(partner.text(partner.field("DRZAVA")).bytes(), padRight("SLOVENIJA", 20));
    EXPECT_EQ(partner.text(partner.field("ZACETEKVALUTE")).bytes(), "D");
    EXPECT_EQ(partner.integer(partner.field("TECAJ")), 2);
    EXPECT_EQ(partner.text(partner.field("SKUPINA")).bytes(), "S.");
    expectOnlyChanged(partner, {"DRZAVA", "ZACETEKVALUTE", "TECAJ", "SKUPINA"});
    // A new partner still needs a rating and an advance kind: 0 is in neither list.
    const auto failures = checkRecord(partner);
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].field, "BONITETA");
    EXPECT_EQ(failures[1].field, "AVANSTIP");

    Record header(qfastorLayout());
    setInitialValues(header, today);
    for (const auto name : {"DATUMIZDELAVE", "RSDATUMIZDELAVE", "EORDATUM"}) {
        EXPECT_EQ(header.integer(header.field(name)), today) << name;
    }
    // The time fields get no day number: they stay cleared.
    expectOnlyChanged(header, {"DATUMIZDELAVE", "RSDATUMIZDELAVE", "EORDATUM"});

    for (const Layout* l : dictionaryLayouts()) {
        if (!l->initialValues.empty()) continue;
        Record r(*l);
        setInitialValues(r, today);
        expectOnlyChanged(r, {});
    }
}

}  // namespace
}  // namespace kirva::data
