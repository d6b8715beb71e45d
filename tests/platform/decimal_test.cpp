#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>
#include <vector>

#include "platform/decimal.h"

namespace kirva {
namespace {

Decimal dec(std::string_view text) {
    return Decimal::parse(text).value();
}

TEST(Decimal, ParseKeepsThePlacesTheTextHas) {
    struct Case {
        const char* text;
        int64_t units;
        int scale;
    };
    const Case cases[] = {
        {"0", 0, 0},
        {"22", 22, 0},
        {"-80", -80, 0},
        {"+7", 7, 0},
        {"9.5", 95, 1},
        {"122.50", 12250, 2},
        {"-0.25", -25, 2},
        {".5", 5, 1},
        {"1.", 1, 0},
        {"007", 7, 0},
        {"0.000000001", 1, 9},
        {"-0", 0, 0},
        {"9223372036854775807", std::numeric_limits<int64_t>::max(), 0},
    };
    for (const auto& c : cases) {
        const auto parsed = Decimal::parse(c.text);
        ASSERT_TRUE(parsed) << c.text;
        EXPECT_EQ(parsed->units(), c.units) << c.text;
        EXPECT_EQ(parsed->scale(), c.scale) << c.text;
    }
}

TEST(Decimal, ParseRefusesAnythingElse) {
    for (const auto text : {"", "-", "+", ".", "-.", "1.2.3", "1,5", " 1", "1 ", "1e3", "0x10", "--1", "1-",
                            "9223372036854775808", "0.0000000001", "abc"}) {
        EXPECT_FALSE(Decimal::parse(text)) << "'" << text << "'";
    }
    EXPECT_FALSE(Decimal::parse("1.234", 2));
    EXPECT_TRUE(Decimal::parse("1.23", 2));
    EXPECT_FALSE(Decimal::parse("1", -1));
    EXPECT_FALSE(Decimal::parse("1", 10));
}

TEST(Decimal, FixedAndPlainForms) {
    struct Case {
        int64_t units;
        int scale;
        const char* fixed;
        const char* plain;
    };
    const Case cases[] = {
        {12250, 2, "122.50", "122.5"},
        {-8000, 2, "-80.00", "-80"},
        {2200, 2, "22.00", "22"},
        {95, 1, "9.5", "9.5"},
        {0, 0, "0", "0"},
        {0, 2, "0.00", "0"},
        {-25, 2, "-0.25", "-0.25"},
        {5, 3, "0.005", "0.005"},
        {100, 0, "100", "100"},
        {1000, 2, "10.00", "10"},
        {-5, 1, "-0.5", "-0.5"},
        {std::numeric_limits<int64_t>::min(), 0, "-9223372036854775808", "-9223372036854775808"},
    };
    for (const auto& c : cases) {
        const Decimal d = Decimal::fromUnits(c.units, c.scale);
        EXPECT_EQ(d.toString(), c.fixed);
        EXPECT_EQ(d.toPlainString(), c.plain);
        if (c.units != std::numeric_limits<int64_t>::min()) {
            EXPECT_EQ(dec(d.toString()), d) << c.fixed;
        }
    }
}

TEST(Decimal, FixedFormOfEveryScaleAndManyMagnitudes) {
    // Against the form built by hand: sign, whole digits (at least one), point, exactly `scale` places.
    const auto expected = [](int64_t units, int scale) {
        const uint64_t magnitude = units < 0 ? 0 - static_cast<uint64_t>(units) : static_cast<uint64_t>(units);
        std::string digits = std::to_string(magnitude);
        if (scale > 0) {
            if (digits.size() <= static_cast<std::size_t>(scale)) digits.insert(0, scale + 1 - digits.size(), '0');
            digits.insert(digits.size() - scale, ".");
        }
        return (units < 0 ? "-" : "") + digits;
    };
    std::vector<int64_t> values = {std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()};
    for (int64_t v = 1; v < std::numeric_limits<int64_t>::max() / 7; v = v * 7 + 3) {
        values.push_back(v);
        values.push_back(-v);
    }
    for (int64_t v = 0; v <= 1000; ++v) values.push_back(v);
    for (int scale = 0; scale <= Decimal::kMaxScale; ++scale) {
        for (const int64_t units : values) {
            ASSERT_EQ(Decimal::fromUnits(units, scale).toString(), expected(units, scale)) << units << " " << scale;
        }
    }
}

TEST(Decimal, RescalingIsExactOrRefused) {
    EXPECT_EQ(dec("9.5").rescaled(2)->toString(), "9.50");
    EXPECT_EQ(dec("9.50").rescaled(1)->toString(), "9.5");
    EXPECT_EQ(dec("-9.00").rescaled(0)->toString(), "-9");
    EXPECT_FALSE(dec("9.55").rescaled(1));
    EXPECT_FALSE(dec("0.001").rescaled(2));
    EXPECT_FALSE(dec("1").rescaled(10));
    EXPECT_FALSE(dec("1").rescaled(-1));
    EXPECT_FALSE(dec("9223372036854775807").rescaled(1)) << "overflow is refused, never wrapped";
    EXPECT_EQ(dec("1.5").unitsAt(4), 15000);
    EXPECT_EQ(dec("1.55").unitsAt(1), std::nullopt);
    EXPECT_TRUE(dec("99999999999.99").fitsDigits(13, 2));
    EXPECT_FALSE(dec("100000000000.00").fitsDigits(13, 2));
    EXPECT_TRUE(dec("-99999999999.99").fitsDigits(13, 2));
    EXPECT_FALSE(dec("0.001").fitsDigits(13, 2));
}

TEST(Decimal, RoundingIsHalfAwayFromZeroToThePlacesAsked) {
    const struct {
        const char* text;
        int places;
        const char* rounded;
    } cases[] = {
        {"0.125", 2, "0.13"},      {"-0.125", 2, "-0.13"}, {"0.124", 2, "0.12"},  {"-0.124", 2, "-0.12"},
        {"12.345", 2, "12.35"},    {"2.5", 0, "3"},        {"-2.5", 0, "-3"},     {"2.49", 0, "2"},
        {"9.5", 2, "9.50"},        {"7", 3, "7.000"},      {"0.0049", 2, "0.00"}, {"-0.005", 2, "-0.01"},
        {"999.995", 2, "1000.00"},
    };
    for (const auto& c : cases) {
        const auto value = Decimal::parse(c.text);
        ASSERT_TRUE(value) << c.text;
        const auto rounded = value->rounded(c.places);
        ASSERT_TRUE(rounded) << c.text;
        EXPECT_EQ(rounded->toString(), c.rounded) << c.text << " to " << c.places;
        EXPECT_EQ(rounded->scale(), c.places);
    }
    EXPECT_FALSE(Decimal::fromUnits(INT64_MAX, 0).rounded(2));
    EXPECT_FALSE(Decimal::fromInt(1).rounded(Decimal::kMaxScale + 1));
}

TEST(Decimal, CheckedArithmeticKeepsTheLargerScaleAndReportsOverflow) {
    EXPECT_EQ(dec("122.50").plus(dec("9.5"))->toString(), "132.00");
    EXPECT_EQ(dec("1").minus(dec("0.25"))->toString(), "0.75");
    EXPECT_EQ(dec("-80").plus(dec("80.00"))->toString(), "0.00");
    const Decimal big = Decimal::fromUnits(std::numeric_limits<int64_t>::max(), 0);
    const Decimal small = Decimal::fromUnits(std::numeric_limits<int64_t>::min(), 0);
    EXPECT_FALSE(big.plus(dec("1")));
    EXPECT_FALSE(small.minus(dec("1")));
    EXPECT_FALSE(big.plus(dec("0.1"))) << "aligning the scales overflows";
    EXPECT_TRUE(big.minus(dec("1")));
    EXPECT_EQ(dec("5").negated().toString(), "-5");
}

TEST(Decimal, ComparisonIgnoresTheScale) {
    EXPECT_EQ(dec("9.5"), dec("9.50"));
    EXPECT_EQ(dec("22"), dec("22.000"));
    EXPECT_LT(dec("9.49"), dec("9.5"));
    EXPECT_GT(dec("-9.49"), dec("-9.5"));
    EXPECT_LT(dec("-0.01"), dec("0"));
    EXPECT_LT(Decimal::fromUnits(std::numeric_limits<int64_t>::max(), 9), dec("9223372037"));
    EXPECT_GT(Decimal::fromUnits(std::numeric_limits<int64_t>::max(), 0), dec("9223372036.854775807"));
}

std::vector<uint8_t> packed(const Decimal& value, std::size_t bytes, int places) {
    std::vector<uint8_t> out(bytes, 0xEE);
    EXPECT_TRUE(packDecimal(value, out, places)) << value.toString();
    return out;
}

TEST(Decimal, PackedImages) {
    EXPECT_EQ(packed(dec("122.50"), 7, 2), (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x00, 0x01, 0x22, 0x50}));
    EXPECT_EQ(packed(dec("-122.5"), 7, 2), (std::vector<uint8_t>{0xF0, 0x00, 0x00, 0x00, 0x01, 0x22, 0x50}));
    EXPECT_EQ(packed(dec("0"), 3, 2), (std::vector<uint8_t>{0x00, 0x00, 0x00}));
    EXPECT_EQ(packed(dec("9999999999999"), 7, 0), (std::vector<uint8_t>{0x09, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99}));
    EXPECT_EQ(packed(dec("-9999999999999"), 7, 0), (std::vector<uint8_t>{0xF9, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99}));
    EXPECT_EQ(packed(dec("999.99"), 3, 2), (std::vector<uint8_t>{0x09, 0x99, 0x99}));
    EXPECT_EQ(packed(dec("1"), 1, 0), (std::vector<uint8_t>{0x01}));
}

TEST(Decimal, PackingRefusesWhatDoesNotFitAndLeavesTheBytesAlone) {
    std::array<uint8_t, 3> bytes{0xAB, 0xCD, 0xEF};
    EXPECT_FALSE(packDecimal(dec("1000"), bytes, 2));
    EXPECT_FALSE(packDecimal(dec("-1000"), bytes, 2));
    EXPECT_FALSE(packDecimal(dec("0.001"), bytes, 2));
    EXPECT_FALSE(packDecimal(dec("10"), std::span<uint8_t>(bytes.data(), 1), 0));
    EXPECT_FALSE(packDecimal(dec("0"), std::span<uint8_t>(), 0));
    EXPECT_EQ(bytes, (std::array<uint8_t, 3>{0xAB, 0xCD, 0xEF}));
    std::array<uint8_t, 7> wide{};
    EXPECT_FALSE(packDecimal(dec("10000000000000"), wide, 0));
}

TEST(Decimal, PackingUnitsGivesThePackedImageOfTheValue) {
    // Every width, both signs, and values with many, few and no digits: the same bytes as packDecimal.
    const int64_t values[] = {
        0, 1, 9, 10, 99, 100, 12250, 1000000, 99999999999999999, 10000000000000000, 123456789012345, 5000000000};
    for (std::size_t width = 1; width <= 9; ++width) {
        const int64_t limit = [width] {
            int64_t l = 1;
            for (std::size_t d = 0; d < 2 * width - 1; ++d) l *= 10;
            return l;
        }();
        for (const int64_t magnitude : values) {
            for (const int64_t units : {magnitude, -magnitude}) {
                SCOPED_TRACE(std::to_string(units) + " in " + std::to_string(width) + " bytes");
                std::vector<uint8_t> direct(width, 0xEE), viaDecimal(width, 0xEE);
                const bool fits = units < limit && units > -limit;
                EXPECT_EQ(packUnits(units, direct), fits);
                EXPECT_EQ(static_cast<bool>(packDecimal(Decimal::fromUnits(units, 2), viaDecimal, 2)), fits);
                EXPECT_EQ(direct, viaDecimal);
                if (fits) {
                    EXPECT_EQ(unpackDecimal(direct, 2)->units(), units);
                }
            }
        }
    }
    std::array<uint8_t, 9> nine{0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB};
    EXPECT_FALSE(packUnits(std::numeric_limits<int64_t>::min(), nine));
    EXPECT_FALSE(packUnits(std::numeric_limits<int64_t>::max(), nine));
    EXPECT_EQ(nine[0], 0xAB);
    std::array<uint8_t, 10> ten{};
    EXPECT_FALSE(packUnits(1, ten));
    EXPECT_FALSE(packUnits(0, std::span<uint8_t>()));
}

TEST(Decimal, UnpackingReadsWhatPackingWroteAndRefusesDamage) {
    for (const auto text : {"0", "1", "-1", "99999999999.99", "-99999999999.99", "12345.67", "-0.01"}) {
        const Decimal d = dec(text);
        std::array<uint8_t, 7> bytes{};
        ASSERT_TRUE(packDecimal(d, bytes, 2)) << text;
        const auto back = unpackDecimal(bytes, 2);
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, d) << text;
        EXPECT_EQ(back->scale(), 2);
    }
    // Nine bytes hold seventeen digits.
    std::array<uint8_t, 9> nine{};
    ASSERT_TRUE(packDecimal(dec("-99999999999999999"), nine, 0));
    EXPECT_EQ(unpackDecimal(nine, 0)->toString(), "-99999999999999999");
    EXPECT_FALSE(unpackDecimal(std::vector<uint8_t>{0x1A}, 0));
    EXPECT_FALSE(unpackDecimal(std::vector<uint8_t>{0x0A}, 0));
    EXPECT_FALSE(unpackDecimal(std::vector<uint8_t>{0x00, 0xB0}, 0));
    EXPECT_FALSE(unpackDecimal(std::vector<uint8_t>{0xD1}, 0)) << "only 0 and F are signs";
    EXPECT_FALSE(unpackDecimal(std::vector<uint8_t>{}, 0));
    EXPECT_FALSE(unpackDecimal(std::vector<uint8_t>(10, 0), 0));
    EXPECT_TRUE(unpackDecimal(std::vector<uint8_t>{0xF0, 0x00}, 2)->isZero()) << "negative zero reads as zero";
}

}  // namespace
}  // namespace kirva
