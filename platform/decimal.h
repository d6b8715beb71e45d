#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace kirva {

// An exact decimal amount: a 64-bit integer in units of its last decimal place. No floating point ever
// touches an amount. Arithmetic keeps the larger scale of its operands; overflow of int64 is reported by
// the checked operations, and `fitsDigits` tells whether a value fits a packed field of so many digits.
class Decimal {
  public:
    static constexpr int kMaxScale = 9;

    constexpr Decimal() = default;
    // `units` in units of 10^-scale: fromUnits(12250, 2) is 122.50.
    // A scale outside 0..kMaxScale is a programming error (std::invalid_argument).
    static Decimal fromUnits(int64_t units, int scale);
    static Decimal fromInt(int64_t whole) { return Decimal(whole, 0); }

    // Text with an optional sign, digits and at most `maxScale` decimals after a point ("-80", "9.5",
    // "122.50"). The result keeps the places the text has (at most maxScale). Anything else is an error.
    static Result<Decimal> parse(std::string_view text, int maxScale = kMaxScale);

    int64_t units() const { return units_; }
    int scale() const { return scale_; }
    bool isZero() const { return units_ == 0; }
    bool isNegative() const { return units_ < 0; }

    // The same value with `places` decimals; an error when places would be lost or the value overflows.
    Result<Decimal> rescaled(int places) const;
    // The value rounded half away from zero to `places` decimals (0.125 → 0.13, -0.125 → -0.13); with more
    // places than it has, the same value held with them. An error only on overflow.
    Result<Decimal> rounded(int places) const;
    // The units of this value at `places` decimals, when exact and in range.
    std::optional<int64_t> unitsAt(int places) const;
    // Whether the value has at most `digits` digits in all when held with `places` decimals.
    bool fitsDigits(int digits, int places) const;

    // Checked arithmetic: an error instead of a silent wrap.
    Result<Decimal> plus(const Decimal& other) const;
    Result<Decimal> minus(const Decimal& other) const;
    Decimal negated() const { return Decimal(-units_, scale_); }

    // Fixed form with exactly scale() decimals: "1234.50", "-80.00", "0".
    std::string toString() const;
    // Plain form without trailing zeros after the point: "22", "9.5", "-0.25".
    std::string toPlainString() const;

    friend int compare(const Decimal& a, const Decimal& b);
    friend bool operator==(const Decimal& a, const Decimal& b) { return compare(a, b) == 0; }
    friend bool operator<(const Decimal& a, const Decimal& b) { return compare(a, b) < 0; }
    friend bool operator>(const Decimal& a, const Decimal& b) { return compare(a, b) > 0; }
    friend bool operator<=(const Decimal& a, const Decimal& b) { return compare(a, b) <= 0; }
    friend bool operator>=(const Decimal& a, const Decimal& b) { return compare(a, b) >= 0; }

  private:
    constexpr Decimal(int64_t units, int scale) : units_(units), scale_(scale) {}
    int64_t units_ = 0;
    int scale_ = 0;
};

// Packed BCD of a record image: the high nibble of the first byte is the sign (0 positive, 0xF
// negative), then 2*bytes-1 digits, most significant first. `places` is the field's decimals.
// Decoding fails on a nibble that is not a digit or a sign that is neither 0 nor F.
Result<Decimal> unpackDecimal(std::span<const uint8_t> bytes, int places);
// The same value in units of the field's last place (what storage holds); nothing when the bytes are
// damaged or the field is not 1..9 bytes wide.
std::optional<int64_t> unpackUnits(std::span<const uint8_t> bytes);
// Encoding fails when the value needs more digits than the field holds or has more places than it.
Result<void> packDecimal(const Decimal& value, std::span<uint8_t> bytes, int places);
// Packs a value already in units of the field's last place (what storage holds) straight into the
// field's bytes; false, with the bytes untouched, when it needs more digits than the field holds or the
// field is not 1..9 bytes wide.
bool packUnits(int64_t units, std::span<uint8_t> bytes);

}  // namespace kirva
