#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "data/record.h"
#include "platform/text1250.h"

namespace kirva::data {
namespace {

std::vector<uint8_t> imageBytes(const Record& r, uint32_t offset, uint32_t count) {
    const auto image = r.image();
    return {image.begin() + offset, image.begin() + offset + count};
}

Decimal dec(std::string_view text) {
    return Decimal::parse(text).value();
}

struct IntegerCase {
    const Layout& (*layout)();
    std::string_view field;
    int64_t low;
    int64_t high;
};

TEST(Record, WholeNumbersRoundTripAtTheirLimitsAndRefuseValuesBeyond) {
    const IntegerCase cases[] = {
        {faracunLayout, "BE", 0, 255},
        {faracunLayout, "POSLOVNAENOTA", -32768, 32767},
        {sfpartnLayout, "DNIVALUTE", 0, 65535},
        {faracunLayout, "POSLOVNIPARTNER", -2147483648LL, 2147483647LL},
        {sfenpaLayout, "KONTOKUPCIBREZGOTOVINSKO", 0, 4294967295LL},
        {faracunLayout, "DATUMDOKUMENTA", -2147483648LL, 2147483647LL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field));
        Record r(c.layout());
        const auto f = r.field(c.field);
        const FieldDef& def = r.layout().fields[f];
        for (const int64_t v : {c.low, c.high, int64_t{1}}) {
            ASSERT_TRUE(r.setInteger(f, v));
            EXPECT_EQ(r.integer(f), v);
        }
        // Little-endian in the image.
        ASSERT_TRUE(r.setInteger(f, 1));
        EXPECT_EQ(r.image()[def.offset], 1);
        const auto before = imageBytes(r, 0, r.layout().recordSize);
        EXPECT_FALSE(r.setInteger(f, c.low - 1));
        EXPECT_FALSE(r.setInteger(f, c.high + 1));
        EXPECT_EQ(imageBytes(r, 0, r.layout().recordSize), before) << "a refused value must leave the record alone";
    }
}

TEST(Record, WholeNumbersLieExactlyWhereTheLayoutSays) {
    Record r(faracunLayout());
    ASSERT_TRUE(r.setInteger(r.field("LETODOKUMENTA"), 0x07E3));  // 2019
    EXPECT_EQ(imageBytes(r, 25, 2), (std::vector<uint8_t>{0xE3, 0x07}));
    ASSERT_TRUE(r.setInteger(r.field("POSLOVNIPARTNER"), -2));
    EXPECT_EQ(imageBytes(r, 10, 4), (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(r.integer(r.field("FARACUN:POSLOVNIPARTNER")), -2);
}

TEST(Record, PackedDecimalsHaveASignNibbleThenTheDigits) {
    Record r(faracunLayout());
    const auto debit = r.field("ZNESEKDEBET");  // 7 bytes at 109, 2 places
    ASSERT_TRUE(r.setDecimal(debit, dec("122.5")));
    EXPECT_EQ(imageBytes(r, 109, 7), (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x00, 0x01, 0x22, 0x50}));
    EXPECT_EQ(r.decimal(debit)->toString(), "122.50");
    ASSERT_TRUE(r.setDecimal(debit, dec("-122.50")));
    EXPECT_EQ(imageBytes(r, 109, 7), (std::vector<uint8_t>{0xF0, 0x00, 0x00, 0x00, 0x01, 0x22, 0x50}));
    EXPECT_EQ(r.decimal(debit)->toString(), "-122.50");
    ASSERT_TRUE(r.setDecimal(debit, dec("0")));
    EXPECT_EQ(imageBytes(r, 109, 7), std::vector<uint8_t>(7, 0));
}

TEST(Record, InvoiceNumbersOfThirteenDigitsSurviveWithoutLoss) {
    Record r(faracunLayout());
    const auto number = r.field("STEVILKARACUNA");
    for (const auto text : {"9999999999999", "-9999999999999", "1234567890123", "1"}) {
        ASSERT_TRUE(r.setDecimal(number, dec(text))) << text;
        EXPECT_EQ(r.decimal(number)->toString(), text);
    }
    ASSERT_TRUE(r.setDecimal(number, dec("1234567890123")));
    EXPECT_EQ(imageBytes(r, 18, 7), (std::vector<uint8_t>{0x01, 0x23, 0x45, 0x67, 0x89, 0x01, 0x23}));
}

TEST(Record, ADecimalThatDoesNotFitIsRefusedAndNeverWraps) {
    Record r(faracunLayout());
    const auto rate = r.field("STOPNJADDV1");  // 3 bytes, 5 digits, 2 places
    ASSERT_TRUE(r.setDecimal(rate, dec("999.99")));
    const auto before = imageBytes(r, 0, 446);
    EXPECT_FALSE(r.setDecimal(rate, dec("1000")));
    EXPECT_FALSE(r.setDecimal(rate, dec("-1000.00")));
    EXPECT_FALSE(r.setDecimal(rate, dec("9.995"))) << "places beyond the field's are not rounded away";
    EXPECT_EQ(imageBytes(r, 0, 446), before);
    EXPECT_TRUE(r.setDecimal(rate, dec("9.500")));  // trailing zeros are no loss
    EXPECT_EQ(r.decimal(rate)->toString(), "9.50");
    EXPECT_FALSE(r.setDecimal(r.field("STEVILKARACUNA"), dec("10000000000000")));
}

TEST(Record, ADamagedPackedDecimalReadsAsAnError) {
    Record r(faracunLayout());
    r.image()[109 + 6] = 0x5A;  // a nibble that is no digit
    EXPECT_FALSE(r.decimal(r.field("ZNESEKDEBET")));
    r.image()[116] = 0x30;  // a sign that is neither 0 nor F
    EXPECT_FALSE(r.decimal(r.field("ZNESEKKREDIT")));
}

TEST(Record, ArrayElementsFollowOneAnother) {
    Record r(faracunLayout());
    const auto perUnit = r.field("REALIZACIJAPOENOTAHBREZDDV");  // 10 x 7 bytes at 298
    for (std::size_t e = 0; e < 10; ++e) {
        ASSERT_TRUE(r.setDecimal(perUnit, Decimal::fromUnits(static_cast<int64_t>(e + 1), 2), e));
    }
    for (std::size_t e = 0; e < 10; ++e) {
        EXPECT_EQ(r.decimal(perUnit, e)->units(), static_cast<int64_t>(e + 1));
        // The last byte holds the two lowest digits.
        EXPECT_EQ(r.image()[298 + 7 * e + 6], static_cast<uint8_t>((e + 1) / 10 << 4 | (e + 1) % 10)) << e;
    }
    EXPECT_THROW((void)r.decimal(perUnit, 10), std::out_of_range);
    const auto dates = r.field("DELNOPLACILODATUM");  // 5 x 4 bytes at 426, the record's end
    ASSERT_TRUE(r.setInteger(dates, 80000, 4));
    EXPECT_EQ(r.integer(dates, 4), 80000);
    EXPECT_EQ(r.integer(dates, 3), 0);
    EXPECT_EQ(imageBytes(r, 442, 4), (std::vector<uint8_t>{0x80, 0x38, 0x01, 0x00}));
}

TEST(Record, TextsArePaddedAndATextTooLongIsRefused) {
    Record r(faracunLayout());
    const auto konto = r.field("KONTO");  // 6 bytes at 4
    ASSERT_TRUE(r.setText(konto, Text1250::fromBytes("1200")));
    EXPECT_EQ(r.text(konto).bytes(), "1200  ");
    ASSERT_TRUE(r.setText(konto, Text1250::fromBytes("120000")));
    EXPECT_FALSE(r.setText(konto, Text1250::fromBytes("1200000")));
    EXPECT_EQ(r.text(konto).bytes(), "120000");
    const std::string remark = cp1250("Plačilo čez 30 dni, ŽR");
    ASSERT_TRUE(r.setText(r.field("OPOMBE"), Text1250::fromBytes(remark)));
    EXPECT_EQ(clipRight(r.text(r.field("OPOMBE")).bytes()), remark);
}

TEST(Record, ZeroTerminatedTextsHoldOneCharacterLessThanTheirWidth) {
    Record r(qfastorLayout());
    const auto taxNumber = r.field("KUPECDAVCNA");  // 21 bytes at 201
    ASSERT_TRUE(r.setText(taxNumber, Text1250::fromBytes(std::string(20, '7'))));
    EXPECT_EQ(r.text(taxNumber).bytes(), std::string(20, '7'));
    EXPECT_EQ(r.image()[201 + 20], 0);
    EXPECT_FALSE(r.setText(taxNumber, Text1250::fromBytes(std::string(21, '7'))));
    ASSERT_TRUE(r.setText(taxNumber, Text1250::fromBytes("SI1")));
    EXPECT_EQ(r.text(taxNumber).bytes(), "SI1");
    EXPECT_EQ(imageBytes(r, 204, 18), std::vector<uint8_t>(18, 0));
    EXPECT_FALSE(r.setText(taxNumber, Text1250::fromBytes(std::string("A\0B", 3))));
}

TEST(Record, AGroupReadsAsTheBytesOfItsMembers) {
    Record r(sfpartnLayout());
    ASSERT_TRUE(r.setText(r.field("DRZAVAOZNAKA"), Text1250::fromBytes("SI")));
    ASSERT_TRUE(r.setText(r.field("DAVCNASTEV"), Text1250::fromBytes("12345678")));
    EXPECT_EQ(r.text(r.field("DAVCNASTEVILKAEU")).bytes(), "SI12345678       ");
}

TEST(Record, ClearBlanksTextsAndZeroesEverythingElse) {
    Record r(qfastorLayout());
    std::fill(r.image().begin(), r.image().end(), uint8_t{0x99});
    ASSERT_TRUE(r.setMemo(0, "opomba"));
    r.clear();
    const Layout& l = r.layout();
    for (const std::size_t i : l.storedFields()) {
        const FieldDef& f = l.fields[i];
        const uint8_t expected = f.type == FieldType::Text ? ' ' : 0;
        EXPECT_EQ(imageBytes(r, f.offset, f.totalSize()), std::vector<uint8_t>(f.totalSize(), expected)) << f.name;
    }
    EXPECT_EQ(r.memo(0), "");
    EXPECT_TRUE(r.decimal(r.field("NUMD1"))->isZero());
}

TEST(Record, MemosHoldAtMostTheirSize) {
    Record r(sfpartnLayout());
    const auto memo = *r.layout().findMemo("SFPARTN:OPOMBE");
    ASSERT_TRUE(r.setMemo(memo, std::string(1000, 'x')));
    EXPECT_FALSE(r.setMemo(memo, std::string(1001, 'x')));
    EXPECT_EQ(r.memo(memo).size(), 1000u);
}

TEST(Record, AnUnknownFieldNameIsAProgrammingError) {
    Record r(sfenpaLayout());
    EXPECT_THROW((void)r.field("NOSUCHFIELD"), std::logic_error);
    EXPECT_THROW((void)r.field("FARACUN:PODJETJE"), std::logic_error);
    EXPECT_EQ(r.field("sfenpa:podjetje"), 0u);
}

}  // namespace
}  // namespace kirva::data
