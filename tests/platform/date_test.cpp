#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "platform/date.h"

namespace kirva {
namespace {

TEST(Date, KnownDayNumbers) {
    EXPECT_EQ(dateFromCivil(1801, 1, 1), 4);
    EXPECT_EQ(dateFromCivil(2000, 1, 1), 72687);
    EXPECT_EQ(dateFromCivil(2000, 2, 29), 72746);
    EXPECT_EQ(dateFromCivil(2019, 5, 21), 79767);
    EXPECT_EQ(dateFromCivil(9999, 12, 31), 2994626);
    EXPECT_EQ(civilFromDate(4), (CivilDate{1801, 1, 1}));
    EXPECT_EQ(civilFromDate(79767), (CivilDate{2019, 5, 21}));
}

TEST(Date, ZeroIsNoDate) {
    EXPECT_EQ(civilFromDate(0), CivilDate{});
    EXPECT_EQ(formatDateDots(0), "");
    EXPECT_EQ(formatDateIso(0), "");
    EXPECT_EQ(civilFromDate(-5), CivilDate{});
}

TEST(Date, DaysThatDoNotExistAreRefusedNeverRolledOver) {
    struct Case {
        int year, month, day;
        bool exists;
    };
    const Case cases[] = {
        {2019, 2, 31, false}, {2019, 2, 29, false},  {1900, 2, 29, false},  {2000, 2, 29, true},  {2024, 2, 29, true},
        {2100, 2, 29, false}, {2019, 4, 31, false},  {2019, 4, 30, true},   {2019, 13, 1, false}, {2019, 0, 1, false},
        {2019, 1, 0, false},  {2019, 12, 32, false}, {1800, 12, 31, false}, {1801, 1, 1, true},   {9999, 12, 31, true},
        {10000, 1, 1, false}, {0, 1, 1, false},      {-1, 1, 1, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dateFromCivil(c.year, c.month, c.day).has_value(), c.exists)
            << c.day << "." << c.month << "." << c.year;
    }
    EXPECT_FALSE(parseDate("31.02.2019"));
    EXPECT_FALSE(parseDate("29.02.1900"));
    EXPECT_EQ(parseDate("29.02.2000"), 72746);
    EXPECT_FALSE(parseDate("31.12.1800"));
    EXPECT_FALSE(parseDate("01.01.10000"));
    EXPECT_FALSE(parseDate("10000-01-01"));
}

TEST(Date, BothTextForms) {
    struct Case {
        const char* text;
        std::optional<DateNumber> date;
    };
    const Case cases[] = {
        {"21.05.2019", 79767}, {"21.5.2019", 79767}, {"2019-05-21", 79767},
        {"1.1.1801", 4},       {"01.01.1801", 4},    {"2019-5-21", {}},
        {"21.05.19", {}},      {"21-05-2019", {}},   {"", {}},
        {"21.05.2019 ", {}},   {" 21.05.2019", {}},  {"21.05", {}},
        {"2019-05-21x", {}},   {"a.b.cdef", {}},     {"21..2019", {}},
        {"+1.05.2019", {}},    {"-1.05.2019", {}},   {"2019/05/21", {}},
        {"123.05.2019", {}},   {"21.05.2019.", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(parseDate(c.text), c.date) << "'" << c.text << "'";
    EXPECT_EQ(formatDateDots(79767), "21.05.2019");
    EXPECT_EQ(formatDateIso(79767), "2019-05-21");
    EXPECT_EQ(formatDateDots(4), "01.01.1801");
}

TEST(Date, TextFormsAreTheZeroPaddedFieldsForEveryDayAndBeyondYear9999) {
    const auto printed = [](const char* format, int a, int b, int c) {
        char text[40];
        std::snprintf(text, sizeof text, format, a, b, c);
        return std::string(text);
    };
    std::vector<DateNumber> days;
    // Every day of the first 400 years (a whole leap cycle), then every 37th day to just past 9999.
    for (DateNumber n = 1; n <= 2994700; n += n <= 146097 ? 1 : 37) days.push_back(n);
    for (const DateNumber n : {3000000, 10000000, 100000000, std::numeric_limits<DateNumber>::max()}) days.push_back(n);
    for (const DateNumber n : days) {
        const CivilDate c = civilFromDate(n);
        ASSERT_EQ(formatDateDots(n), printed("%02d.%02d.%04d", c.day, c.month, c.year)) << n;
        ASSERT_EQ(formatDateIso(n), printed("%04d-%02d-%02d", c.year, c.month, c.day)) << n;
    }
    EXPECT_EQ(formatDateIso(2994627), "10000-01-01");
    EXPECT_EQ(formatDateDots(-1), "");
}

// Walks the calendar one day at a time, independently of the conversion's arithmetic.
TEST(Date, EveryDayFrom1801To9999ConvertsBothWays) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    CivilDate c{1801, 1, 1};
    DateNumber n = 4;
    for (; c.year <= 9999; ++n) {
        ASSERT_EQ(civilFromDate(n), c) << n;
        ASSERT_EQ(dateFromCivil(c.year, c.month, c.day), n) << c.day << "." << c.month << "." << c.year;
        if (n % 97 == 0) {
            ASSERT_EQ(parseDate(formatDateDots(n)), n);
            ASSERT_EQ(parseDate(formatDateIso(n)), n);
        }
        const bool leap = (c.year % 4 == 0 && c.year % 100 != 0) || c.year % 400 == 0;
        const int length = c.month == 2 && leap ? 29 : kDays[c.month - 1];
        if (++c.day > length) {
            c.day = 1;
            if (++c.month > 12) {
                c.month = 1;
                ++c.year;
            }
        }
    }
    EXPECT_EQ(n, 2994627);
}

TEST(Date, AFixedClockAnswersItsDay) {
    const FixedClock clock(79767);
    const Clock& any = clock;
    EXPECT_EQ(any.today(), 79767);
    EXPECT_GT(SystemClock().today(), 79767);
}

}  // namespace
}  // namespace kirva
