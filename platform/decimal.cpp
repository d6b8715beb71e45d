#include "platform/decimal.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <stdexcept>

namespace kirva {

namespace {

constexpr int64_t kPow10[] = {1,
                              10,
                              100,
                              1000,
                              10000,
                              100000,
                              1000000,
                              10000000,
                              100000000,
                              1000000000,
                              10000000000LL,
                              100000000000LL,
                              1000000000000LL,
                              10000000000000LL,
                              100000000000000LL,
                              1000000000000000LL,
                              10000000000000000LL,
                              100000000000000000LL,
                              1000000000000000000LL};

bool mulOverflow(int64_t a, int64_t b, int64_t& out) {
    return __builtin_mul_overflow(a, b, &out);
}

// Both operands brought to the larger scale, or nothing when that overflows.
bool align(const Decimal& a, const Decimal& b, int64_t& ua, int64_t& ub, int& scale) {
    scale = a.scale() > b.scale() ? a.scale() : b.scale();
    return !mulOverflow(a.units(), kPow10[scale - a.scale()], ua) &&
           !mulOverflow(b.units(), kPow10[scale - b.scale()], ub);
}

}  // namespace

Decimal Decimal::fromUnits(int64_t units, int scale) {
    if (scale < 0 || scale > kMaxScale) throw std::invalid_argument("decimal scale out of range");
    return Decimal(units, scale);
}

Result<Decimal> Decimal::parse(std::string_view text, int maxScale) {
    const std::string shown(text);
    if (maxScale < 0 || maxScale > kMaxScale) return makeError("unsupported number of decimals");
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int64_t units = 0;
    int scale = 0;
    bool anyDigit = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') return makeError("'" + shown + "' is not a number");
        if (point && ++scale > maxScale) {
            return makeError("'" + shown + "' has more than " + std::to_string(maxScale) + " decimals");
        }
        anyDigit = true;
        if (mulOverflow(units, 10, units) || __builtin_add_overflow(units, c - '0', &units)) {
            return makeError("'" + shown + "' is too large");
        }
    }
    if (!anyDigit) return makeError("'" + shown + "' is not a number");
    return Decimal(negative ? -units : units, scale);
}

Result<Decimal> Decimal::rounded(int places) const {
    if (places < 0 || places > kMaxScale) return makeError("unsupported number of decimals");
    if (places >= scale_) return rescaled(places);
    const int64_t divisor = kPow10[scale_ - places];
    int64_t whole = units_ / divisor;
    const int64_t rest = units_ % divisor;
    // |rest| < divisor <= 10^9, so doubling it cannot overflow; neither can a step of one on a quotient.
    if (2 * (rest < 0 ? -rest : rest) >= divisor) whole += units_ < 0 ? -1 : 1;
    return Decimal(whole, places);
}

Result<Decimal> Decimal::rescaled(int places) const {
    if (places < 0 || places > kMaxScale) return makeError("unsupported number of decimals");
    if (places >= scale_) {
        int64_t units;
        if (mulOverflow(units_, kPow10[places - scale_], units)) return makeError(toString() + " is too large");
        return Decimal(units, places);
    }
    const int64_t divisor = kPow10[scale_ - places];
    if (units_ % divisor != 0) {
        return makeError(toString() + " has more than " + std::to_string(places) + " decimals");
    }
    return Decimal(units_ / divisor, places);
}

std::optional<int64_t> Decimal::unitsAt(int places) const {
    auto r = rescaled(places);
    if (!r) return std::nullopt;
    return r->units();
}

bool Decimal::fitsDigits(int digits, int places) const {
    auto units = unitsAt(places);
    if (!units) return false;
    if (digits >= 19) return true;
    const int64_t limit = kPow10[digits];
    const int64_t held = *units;
    return held < limit && held > -limit;
}

Result<Decimal> Decimal::plus(const Decimal& other) const {
    int64_t a, b, sum;
    int scale;
    // The smallest int64 is refused too: it has no negation.
    if (!align(*this, other, a, b, scale) || __builtin_add_overflow(a, b, &sum) || sum == INT64_MIN) {
        return makeError("the sum of " + toString() + " and " + other.toString() + " is too large");
    }
    return Decimal(sum, scale);
}

Result<Decimal> Decimal::minus(const Decimal& other) const {
    int64_t a, b, difference;
    int scale;
    if (!align(*this, other, a, b, scale) || __builtin_sub_overflow(a, b, &difference) || difference == INT64_MIN) {
        return makeError("the difference of " + toString() + " and " + other.toString() + " is too large");
    }
    return Decimal(difference, scale);
}

std::string Decimal::toString() const {
    // Written from the last digit back: the places, the point, then at least one whole digit.
    char text[32];
    char* const end = text + sizeof text;
    char* out = end;
    uint64_t magnitude = units_ < 0 ? 0 - static_cast<uint64_t>(units_) : static_cast<uint64_t>(units_);
    for (int place = 0; place < scale_; ++place) {
        *--out = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    }
    if (scale_ > 0) *--out = '.';
    do {
        *--out = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (units_ < 0) *--out = '-';
    return std::string(out, end);
}

std::string Decimal::toPlainString() const {
    std::string text = toString();
    if (text.find('.') == std::string::npos) return text;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    if (text == "-0") text = "0";
    return text;
}

int compare(const Decimal& a, const Decimal& b) {
    // 128 bits hold any int64 times 10^9, so the comparison is always exact.
    __extension__ using Wide = __int128;
    const int scale = a.scale() > b.scale() ? a.scale() : b.scale();
    const Wide wa = static_cast<Wide>(a.units()) * kPow10[scale - a.scale()];
    const Wide wb = static_cast<Wide>(b.units()) * kPow10[scale - b.scale()];
    return wa < wb ? -1 : (wa > wb ? 1 : 0);
}

std::optional<int64_t> unpackUnits(std::span<const uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > 9) return std::nullopt;
    const int sign = bytes[0] >> 4;
    if ((sign != 0 && sign != 0xF) || (bytes[0] & 0x0F) > 9) return std::nullopt;
    int64_t units = bytes[0] & 0x0F;
    // Two digits a byte after the first.
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        const int high = bytes[i] >> 4;
        const int low = bytes[i] & 0x0F;
        if (high > 9 || low > 9) return std::nullopt;
        units = units * 100 + high * 10 + low;
    }
    return sign == 0xF ? -units : units;
}

Result<Decimal> unpackDecimal(std::span<const uint8_t> bytes, int places) {
    if (bytes.empty() || bytes.size() > 9) return makeError("unsupported packed decimal width");
    if (const auto units = unpackUnits(bytes)) return Decimal::fromUnits(*units, places);
    const int sign = bytes[0] >> 4;
    return makeError(sign != 0 && sign != 0xF ? "damaged packed decimal (sign)" : "damaged packed decimal (digit)");
}

Result<void> packDecimal(const Decimal& value, std::span<uint8_t> bytes, int places) {
    if (bytes.empty() || bytes.size() > 9) return makeError("unsupported packed decimal width");
    const int digits = static_cast<int>(bytes.size()) * 2 - 1;
    auto units = value.unitsAt(places);
    if (!units) return makeError(value.toString() + " has more than " + std::to_string(places) + " decimals");
    if (!packUnits(*units, bytes)) {
        return makeError(value.toString() + " does not fit " + std::to_string(digits) + " digits");
    }
    return {};
}

bool packUnits(int64_t units, std::span<uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > 9) return false;
    // At most 17 digits: 10^17 fits easily, and INT64_MIN is taken as its unsigned magnitude.
    const uint64_t magnitude = units < 0 ? 0 - static_cast<uint64_t>(units) : static_cast<uint64_t>(units);
    if (magnitude >= static_cast<uint64_t>(kPow10[2 * bytes.size() - 1])) return false;
    if (magnitude == 0) {
        std::fill(bytes.begin(), bytes.end(), uint8_t{0});
        return true;
    }
    uint64_t rest = magnitude;
    // Two digits a byte from the right, and zero bytes once no digits are left; the first byte holds the
    // sign and one digit.
    std::size_t i = bytes.size() - 1;
    for (; i > 0 && rest != 0; --i) {
        const auto pair = static_cast<uint8_t>(rest % 100);
        rest /= 100;
        bytes[i] = static_cast<uint8_t>((pair / 10) << 4 | pair % 10);
    }
    for (; i > 0; --i) bytes[i] = 0;
    bytes[0] = static_cast<uint8_t>((units < 0 ? 0xF0 : 0) | rest);
    return true;
}

}  // namespace kirva
