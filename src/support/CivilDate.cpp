#include "support/CivilDate.h"

namespace torvelle::support {
namespace {

// The arithmetic below counts eras of 400 years from 0000-03-01, so that
// the leap day ends each year; this is that day's number less one.
constexpr std::int64_t kMarchOfYearZero = -306;
constexpr std::int64_t kDaysPerEra = 146'097;

}  // namespace

CivilDay civilFromDayNumber(std::int64_t dayNumber) {
  const std::int64_t z = dayNumber - 1 - kMarchOfYearZero;
  const std::int64_t era = (z >= 0 ? z : z - (kDaysPerEra - 1)) / kDaysPerEra;
  const auto doe = static_cast<unsigned>(z - era * kDaysPerEra);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

std::int64_t dayNumberFromCivil(std::int64_t year, unsigned month, unsigned day) {
  const std::int64_t y = year - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * kDaysPerEra + static_cast<std::int64_t>(doe) + kMarchOfYearZero + 1;
}

bool isCivilDate(std::int64_t year, std::int64_t month, std::int64_t day) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

}  // namespace torvelle::support
