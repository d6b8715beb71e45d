// The display forms of the entries' bound variables. Every form is exact: a rate goes through whole units
// of its second decimal, never through floating point.
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "platform/date.h"
#include "platform/text1250.h"
#include "platform/window/window_system.h"

namespace kirva::platform {
namespace {

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads optional sign and digits into a whole number; false on anything else or on overflow.
bool readWhole(std::string_view text, int64_t& value) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    int64_t result = 0;
    for (char c : text) {
        if (!isDigit(c)) return false;
        const int digit = c - '0';
        if (result > (std::numeric_limits<int64_t>::max() - digit) / 10) return false;
        result = result * 10 + digit;
    }
    value = negative ? -result : result;
    return true;
}

class TextBinding final : public Binding {
  public:
    TextBinding(Text1250& variable, std::size_t maxLength) : variable_(variable), maxLength_(maxLength) {}

    // Trailing blanks of a fixed-width variable are no part of what the user sees.
    Text1250 display() const override { return clipRight(variable_); }

    bool accept(const Text1250& typedText) override {
        std::string_view typed = typedText.bytes();
        // An entry never holds more than its length; a longer text (pasted, scripted) is cut as the entry
        // would cut it.
        if (maxLength_ > 0 && typed.size() > maxLength_) typed = typed.substr(0, maxLength_);
        // A variable kept at its full width (blank-padded) stays so; any other keeps the text as typed.
        const bool fixedWidth = maxLength_ > 0 && variable_.size() == maxLength_;
        variable_ = Text1250::fromBytes(fixedWidth ? padRight(typed, maxLength_) : std::string(typed));
        return true;
    }

  private:
    Text1250& variable_;
    std::size_t maxLength_;
};

class DateBinding final : public Binding {
  public:
    explicit DateBinding(int32_t& dayNumber) : dayNumber_(dayNumber) {}

    Text1250 display() const override {
        return dayNumber_ > 0 ? Text1250::fromBytes(formatDateDots(dayNumber_)) : Text1250();
    }

    bool accept(const Text1250& typedText) override {
        std::string_view typed = typedText.bytes();
        typed = trimBlanks(typed);
        if (typed.empty()) {
            dayNumber_ = 0;
            return true;
        }
        // Only the window's own form: day.month.year with a four-digit year (parseDate checks the year's
        // digits and that the day exists).
        if (typed.find('.') == std::string_view::npos) return false;
        const auto date = parseDate(typed);
        if (!date) return false;
        dayNumber_ = *date;
        return true;
    }

  private:
    int32_t& dayNumber_;
};

// The rate's picture: 8 characters for the number, two decimals, a decimal comma and a point between
// thousands, then " %".
constexpr std::size_t kRateWidth = 8;
constexpr int kRatePlaces = 2;

std::string rateNumberText(int64_t units) {
    const bool negative = units < 0;
    // The magnitude as unsigned, so that the smallest int64 has one too.
    uint64_t magnitude = negative ? static_cast<uint64_t>(-(units + 1)) + 1 : static_cast<uint64_t>(units);
    const uint64_t whole = magnitude / 100;
    const uint64_t cents = magnitude % 100;
    std::string digits = std::to_string(whole);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += '.';
        grouped += digits[i];
    }
    std::string text = negative ? "-" : "";
    text += grouped;
    text += ',';
    text += static_cast<char>('0' + cents / 10);
    text += static_cast<char>('0' + cents % 10);
    return text;
}

class RateBinding final : public Binding {
  public:
    explicit RateBinding(Decimal& rate) : rate_(rate) {}

    Text1250 display() const override {
        const auto units = rate_.unitsAt(kRatePlaces);
        // A value that needs more places than the picture shows is shown rounded half away from zero;
        // one beyond the picture's width shows as the picture's overflow marks.
        int64_t shown = 0;
        if (units) {
            shown = *units;
        } else {
            shown = roundedUnits();
        }
        std::string number = rateNumberText(shown);
        if (number.size() > kRateWidth) number = std::string(kRateWidth, '#');
        return Text1250::fromBytes(number + " %");
    }

    bool accept(const Text1250& typedText) override {
        std::string_view typed = typedText.bytes();
        typed = trimBlanks(typed);
        if (!typed.empty() && typed.back() == '%') typed = trimBlanks(typed.substr(0, typed.size() - 1));
        if (typed.empty()) {
            rate_ = Decimal::fromUnits(0, kRatePlaces);
            return true;
        }
        // With a comma, the comma is the decimal sign and points group the thousands; without one, a
        // single point is the decimal sign ("8.5"), as the rate is often typed.
        std::string number;
        const auto comma = typed.find(',');
        if (comma != std::string_view::npos) {
            if (typed.find(',', comma + 1) != std::string_view::npos) return false;
            for (std::size_t i = 0; i < typed.size(); ++i) {
                const char c = typed[i];
                if (c == '.') {
                    if (i > comma) return false;  // a point after the decimal comma
                    continue;
                }
                number += c == ',' ? '.' : c;
            }
        } else {
            const auto point = typed.find('.');
            if (point != std::string_view::npos && typed.find('.', point + 1) != std::string_view::npos) {
                // Several points can only be thousands.
                for (char c : typed) {
                    if (c != '.') number += c;
                }
            } else {
                number = std::string(typed);
            }
        }
        if (number.empty() || number.back() == '.') number += '0';
        if (number.front() == '.') number.insert(number.begin(), '0');
        auto parsed = Decimal::parse(number, kRatePlaces);
        if (!parsed) return false;
        const auto units = parsed->unitsAt(kRatePlaces);
        if (!units) return false;
        // What the picture cannot show is no value of it.
        if (rateNumberText(*units).size() > kRateWidth) return false;
        rate_ = Decimal::fromUnits(*units, kRatePlaces);
        return true;
    }

  private:
    int64_t roundedUnits() const {
        // Only reached for a value with more than two places (scale 3..9): drop the extra digits.
        int64_t units = rate_.units();
        int64_t divisor = 1;
        for (int i = kRatePlaces; i < rate_.scale(); ++i) divisor *= 10;
        const int64_t quotient = units / divisor;
        const int64_t remainder = units % divisor;
        if (remainder * 2 >= divisor) return quotient + 1;
        if (remainder * 2 <= -divisor) return quotient - 1;
        return quotient;
    }

    Decimal& rate_;
};

class NumberBinding final : public Binding {
  public:
    NumberBinding(int64_t& number, std::size_t maxLength) : number_(number), maxLength_(maxLength) {}

    Text1250 display() const override { return Text1250::fromBytes(std::to_string(number_)); }

    bool accept(const Text1250& typedText) override {
        std::string_view typed = typedText.bytes();
        typed = trimBlanks(typed);
        if (typed.empty()) {
            number_ = 0;
            return true;
        }
        if (maxLength_ > 0 && typed.size() > maxLength_) return false;
        int64_t value = 0;
        if (!readWhole(typed, value)) return false;
        number_ = value;
        return true;
    }

  private:
    int64_t& number_;
    std::size_t maxLength_;
};

class CheckBoxBinding final : public Binding {
  public:
    explicit CheckBoxBinding(uint8_t& flag) : flag_(flag) {}

    Text1250 display() const override { return Text1250::fromBytes(flag_ != 0 ? "1" : "0"); }

    bool accept(const Text1250& typedText) override {
        std::string_view typed = typedText.bytes();
        typed = trimBlanks(typed);
        if (typed == "1") {
            flag_ = 1;
        } else if (typed == "0") {
            flag_ = 0;
        } else {
            return false;
        }
        return true;
    }

  private:
    uint8_t& flag_;
};

}  // namespace

std::shared_ptr<Binding> bindText(Text1250& variable, std::size_t maxLength) {
    return std::make_shared<TextBinding>(variable, maxLength);
}

std::shared_ptr<Binding> bindDate(int32_t& dayNumber) {
    return std::make_shared<DateBinding>(dayNumber);
}

std::shared_ptr<Binding> bindRate(Decimal& rate) {
    return std::make_shared<RateBinding>(rate);
}

std::shared_ptr<Binding> bindNumber(int64_t& number, std::size_t maxLength) {
    return std::make_shared<NumberBinding>(number, maxLength);
}

std::shared_ptr<Binding> bindCheckBox(uint8_t& flag) {
    return std::make_shared<CheckBoxBinding>(flag);
}

}  // namespace kirva::platform
