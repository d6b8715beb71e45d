#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/date.h"
#include "platform/text1250.h"
#include "platform/window/window_system.h"

namespace kirva::platform {
namespace {

Decimal rate(int64_t units) {
    return Decimal::fromUnits(units, 2);
}

constexpr int64_t kRefused = INT64_MIN;

TEST(Bindings, RateTakesCommaPointAndPercentAndShowsItsPicture) {
    struct Case {
        const char* typed;
        int64_t units;  // hundredths; kRefused when the text is no rate
        const char* shown;
    };
    const Case cases[] = {
        {"8,5", 850, "8,50 %"},
        {"8.5", 850, "8,50 %"},
        {"8,5 %", 850, "8,50 %"},
        {"8,5%", 850, "8,50 %"},
        {" 22 ", 2200, "22,00 %"},
        {"9,50 %", 950, "9,50 %"},
        {"1234,5", 123450, "1.234,50 %"},
        {"1.234,5", 123450, "1.234,50 %"},
        {"1.234.567", kRefused, ""},
        {"0", 0, "0,00 %"},
        {"", 0, "0,00 %"},
        {",5", 50, "0,50 %"},
        {"-5,25", -525, "-5,25 %"},
        {"9.999,99", 999999, "9.999,99 %"},
    };
    for (const Case& c : cases) {
        Decimal value = rate(111);
        auto binding = bindRate(value);
        const bool accepted = binding->accept(Text1250::literal(c.typed));
        if (c.units == kRefused) {
            EXPECT_FALSE(accepted) << c.typed;
            EXPECT_EQ(value, rate(111)) << c.typed;
            continue;
        }
        ASSERT_TRUE(accepted) << c.typed;
        EXPECT_EQ(value.units(), c.units) << c.typed;
        EXPECT_EQ(value.scale(), 2) << c.typed;
        EXPECT_EQ(binding->display().toUtf8(), c.shown) << c.typed;
    }
}

TEST(Bindings, RateRefusesWhatItsPictureCannotHold) {
    for (const char* typed : {"abc", "8,555", "8.555", "8,5,5", "10.000", "10000", "1,2.3", "8 5", "--5"}) {
        Decimal value = rate(850);
        EXPECT_FALSE(bindRate(value)->accept(Text1250::literal(typed))) << typed;
        EXPECT_EQ(value, rate(850)) << typed;
    }
}

TEST(Bindings, RateShowsAnyDecimalInTwoPlaces) {
    Decimal value = Decimal::fromInt(22);
    EXPECT_EQ(bindRate(value)->display().toUtf8(), "22,00 %");
    value = Decimal::fromUnits(9505, 3);  // 9.505 rounds half away from zero
    EXPECT_EQ(bindRate(value)->display().toUtf8(), "9,51 %");
    value = Decimal::fromUnits(-9505, 3);
    EXPECT_EQ(bindRate(value)->display().toUtf8(), "-9,51 %");
    value = Decimal::fromInt(123456);
    EXPECT_EQ(bindRate(value)->display().toUtf8(), "######## %");
}

TEST(Bindings, DateInTheWindowsFormOnly) {
    int32_t day = 0;
    auto binding = bindDate(day);
    EXPECT_EQ(binding->display().toUtf8(), "");
    ASSERT_TRUE(binding->accept(Text1250::literal("01.02.2019")));
    EXPECT_EQ(day, *dateFromCivil(2019, 2, 1));
    EXPECT_EQ(binding->display().toUtf8(), "01.02.2019");
    ASSERT_TRUE(binding->accept(Text1250::literal("1.2.2019 ")));
    EXPECT_EQ(binding->display().toUtf8(), "01.02.2019");
    ASSERT_TRUE(binding->accept(Text1250::literal("29.02.2000")));
    EXPECT_EQ(binding->display().toUtf8(), "29.02.2000");

    const int32_t kept = day;
    for (const char* typed :
         {"31.02.2019", "29.02.1900", "01.02.19", "2019-02-01", "1.2", "x", "01.13.2019", "00.01.2019"}) {
        EXPECT_FALSE(binding->accept(Text1250::literal(typed))) << typed;
        EXPECT_EQ(day, kept) << typed;
    }
    ASSERT_TRUE(binding->accept(Text1250::literal("  ")));
    EXPECT_EQ(day, 0);
    EXPECT_EQ(binding->display().toUtf8(), "");
}

TEST(Bindings, TextKeepsItsLengthAndAFixedWidthVariableStaysPadded) {
    Text1250 free = Text1250::literal("C:\\DATA\\   ");
    auto binding = bindText(free, 10);
    EXPECT_EQ(binding->display().toUtf8(), "C:\\DATA\\");
    ASSERT_TRUE(binding->accept(Text1250::literal("0123456789ABC")));
    EXPECT_EQ(free.bytes(), "0123456789");

    Text1250 padded = Text1250::fromBytes(std::string(50, ' '));
    auto fixed = bindText(padded, 50);
    EXPECT_EQ(fixed->display().toUtf8(), "");
    ASSERT_TRUE(fixed->accept(Text1250::literal("Firma č.š.ž")));
    EXPECT_EQ(padded.size(), 50u);
    EXPECT_EQ(fixed->display(), Text1250::literal("Firma č.š.ž"));

    Text1250 unlimited;
    ASSERT_TRUE(bindText(unlimited, 0)->accept(Text1250::fromBytes(std::string(300, 'x'))));
    EXPECT_EQ(unlimited.size(), 300u);
}

TEST(Bindings, NumberAndCheckBox) {
    int64_t number = 7;
    auto binding = bindNumber(number, 6);
    EXPECT_EQ(binding->display().toUtf8(), "7");
    ASSERT_TRUE(binding->accept(Text1250::literal("123456")));
    EXPECT_EQ(number, 123456);
    ASSERT_TRUE(binding->accept(Text1250::literal("-12345")));
    EXPECT_EQ(number, -12345);
    for (const char* typed : {"1234567", "12a", "1.5", "-", "99999999999999999999"}) {
        EXPECT_FALSE(binding->accept(Text1250::literal(typed))) << typed;
        EXPECT_EQ(number, -12345) << typed;
    }
    ASSERT_TRUE(binding->accept(Text1250::literal("")));
    EXPECT_EQ(number, 0);

    uint8_t flag = 0;
    auto box = bindCheckBox(flag);
    EXPECT_EQ(box->display().toUtf8(), "0");
    ASSERT_TRUE(box->accept(Text1250::literal("1")));
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(box->display().toUtf8(), "1");
    EXPECT_FALSE(box->accept(Text1250::literal("2")));
    EXPECT_EQ(flag, 1);
    ASSERT_TRUE(box->accept(Text1250::literal("0")));
    EXPECT_EQ(flag, 0);
}

}  // namespace
}  // namespace kirva::platform
