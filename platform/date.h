#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kirva {

// Day numbers: days since 28 December 1800, so day 4 is 1 January 1801; 0 means "no date".
using DateNumber = int32_t;

struct CivilDate {
    int year = 0;
    int month = 0;
    int day = 0;
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

constexpr int kFirstYear = 1801;
constexpr int kLastYear = 9999;

// The day number of a real calendar date in kFirstYear..kLastYear; nullopt for a date that does not
// exist (31.02.2019 is refused, never rolled over).
std::optional<DateNumber> dateFromCivil(int year, int month, int day);
// The calendar date of a day number above 0 (0 has none and gives {0,0,0}).
CivilDate civilFromDate(DateNumber date);

// "dd.mm.yyyy" (as windows show dates) or "yyyy-mm-dd"; one- or two-digit day and month are accepted in
// the dotted form. nullopt for anything else or a date that does not exist.
std::optional<DateNumber> parseDate(std::string_view text);
// "21.05.2019"; an empty text for 0.
std::string formatDateDots(DateNumber date);
// "2019-05-21"; an empty text for 0.
std::string formatDateIso(DateNumber date);

// Today's date, injectable so that tests can fix "today".
class Clock {
  public:
    virtual ~Clock() = default;
    virtual DateNumber today() const = 0;
};

// The system's local date.
class SystemClock final : public Clock {
  public:
    DateNumber today() const override;
};

// A clock that always answers the same day.
class FixedClock final : public Clock {
  public:
    explicit FixedClock(DateNumber day) : day_(day) {}
    DateNumber today() const override { return day_; }

  private:
    DateNumber day_;
};

}  // namespace kirva
