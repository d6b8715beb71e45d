#include "platform/date.h"

#include <cstdio>
#include <ctime>

#include "platform/system_files.h"

namespace kirva {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// 28 December 1800, day 0 of the program's day numbers. Computed at compile time, so that date
// conversions in other files' static initialisers see it.
constexpr int64_t kEpoch = daysFromCivil(1800, 12, 28);

bool isLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

bool readNumber(std::string_view text, std::size_t minDigits, std::size_t maxDigits, int& value) {
    if (text.size() < minDigits || text.size() > maxDigits) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

}  // namespace

std::optional<DateNumber> dateFromCivil(int year, int month, int day) {
    if (year < kFirstYear || year > kLastYear || month < 1 || month > 12) return std::nullopt;
    if (day < 1 || day > daysInMonth(year, month)) return std::nullopt;
    return static_cast<DateNumber>(daysFromCivil(year, month, day) - kEpoch);
}

CivilDate civilFromDate(DateNumber date) {
    if (date <= 0) return {};
    const int64_t z = date + kEpoch + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int y = static_cast<int>(yoe + era * 400 + (m <= 2));
    return {y, m, d};
}

std::optional<DateNumber> parseDate(std::string_view text) {
    int year = 0, month = 0, day = 0;
    if (auto dash1 = text.find('-'); dash1 != std::string_view::npos) {
        auto dash2 = text.find('-', dash1 + 1);
        if (dash2 == std::string_view::npos) return std::nullopt;
        if (!readNumber(text.substr(0, dash1), 4, 4, year) ||
            !readNumber(text.substr(dash1 + 1, dash2 - dash1 - 1), 2, 2, month) ||
            !readNumber(text.substr(dash2 + 1), 2, 2, day)) {
            return std::nullopt;
        }
    } else {
        auto dot1 = text.find('.');
        if (dot1 == std::string_view::npos) return std::nullopt;
        auto dot2 = text.find('.', dot1 + 1);
        if (dot2 == std::string_view::npos) return std::nullopt;
        if (!readNumber(text.substr(0, dot1), 1, 2, day) ||
            !readNumber(text.substr(dot1 + 1, dot2 - dot1 - 1), 1, 2, month) ||
            !readNumber(text.substr(dot2 + 1), 4, 4, year)) {
            return std::nullopt;
        }
    }
    return dateFromCivil(year, month, day);
}

namespace {

// The forms are written digit by digit: the journal writes several dates for every invoice.
char* putTwoDigits(char* out, int value) {
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
    return out + 2;
}

// A year of four digits; any other (day numbers reach far beyond 9999) as printf's %04d writes it.
char* putYear(char* out, int year) {
    if (year >= 0 && year <= 9999) {
        out = putTwoDigits(out, year / 100);
        return putTwoDigits(out, year % 100);
    }
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%04d", year);
    for (int i = 0; i < length; ++i) *out++ = text[i];
    return out;
}

}  // namespace

std::string formatDateDots(DateNumber date) {
    if (date <= 0) return {};
    const CivilDate c = civilFromDate(date);
    char text[24];
    char* out = putTwoDigits(text, c.day);
    *out++ = '.';
    out = putTwoDigits(out, c.month);
    *out++ = '.';
    out = putYear(out, c.year);
    return std::string(text, out);
}

std::string formatDateIso(DateNumber date) {
    if (date <= 0) return {};
    const CivilDate c = civilFromDate(date);
    char text[24];
    char* out = putYear(text, c.year);
    *out++ = '-';
    out = putTwoDigits(out, c.month);
    *out++ = '-';
    out = putTwoDigits(out, c.day);
    return std::string(text, out);
}

DateNumber SystemClock::today() const {
    const std::time_t now = std::time(nullptr);
    const std::tm local = platform::localTime(now);
    return dateFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).value_or(0);
}

}  // namespace kirva
