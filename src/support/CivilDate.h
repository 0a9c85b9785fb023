#pragma once
#include <cstdint>

namespace torvelle::support {

// The proleptic Gregorian calendar over day numbers as the tables count
// them: day 1 is 0001-01-01. These work on 64-bit counts, so that a damaged
// file's day number far outside the years 1 to 9999 still has a date to
// show; code that stays within those years uses std::chrono's calendar.
struct CivilDay {
  std::int64_t year = 1;
  unsigned month = 1;
  unsigned day = 1;
};

// The day number of 1970-01-01, where std::chrono's days count from.
inline constexpr std::int64_t kUnixEpochDayNumber = 719'163;

CivilDay civilFromDayNumber(std::int64_t dayNumber);
// The day number of a date; the date must exist (see isCivilDate).
std::int64_t dayNumberFromCivil(std::int64_t year, unsigned month, unsigned day);
bool isCivilDate(std::int64_t year, std::int64_t month, std::int64_t day);

}  // namespace torvelle::support
