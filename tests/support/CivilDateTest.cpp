#include "support/CivilDate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>

using namespace torvelle::support;
namespace chr = std::chrono;

// Every day of the years 1 to 9999 agrees with std::chrono's calendar both
// ways, and day numbers far outside them (damaged files) still round-trip.
TEST(CivilDate, AgreesWithChronoAndRoundTripsBeyondIt) {
  const auto first = chr::sys_days{chr::year{1} / chr::January / 1};
  const auto last = chr::sys_days{chr::year{9999} / chr::December / 31};
  ASSERT_EQ(dayNumberFromCivil(1, 1, 1), 1);
  ASSERT_EQ(first.time_since_epoch().count() + kUnixEpochDayNumber, 1);
  for (auto day = first; day <= last; day += chr::days{1}) {
    const std::int64_t number = day.time_since_epoch().count() + kUnixEpochDayNumber;
    const chr::year_month_day expected{day};
    const CivilDay c = civilFromDayNumber(number);
    ASSERT_EQ(c.year, static_cast<int>(expected.year())) << number;
    ASSERT_EQ(c.month, static_cast<unsigned>(expected.month())) << number;
    ASSERT_EQ(c.day, static_cast<unsigned>(expected.day())) << number;
    ASSERT_EQ(dayNumberFromCivil(c.year, c.month, c.day), number);
  }
  for (const std::int64_t number :
       {std::int64_t{0}, std::int64_t{-1}, std::int64_t{-146'097 * 3 - 1},
        std::int64_t{std::numeric_limits<std::int32_t>::min()},
        std::int64_t{std::numeric_limits<std::int32_t>::max()}, std::int64_t{1} << 40}) {
    const CivilDay c = civilFromDayNumber(number);
    EXPECT_TRUE(isCivilDate(c.year, c.month, c.day)) << number;
    EXPECT_EQ(dayNumberFromCivil(c.year, c.month, c.day), number);
  }
  EXPECT_EQ(civilFromDayNumber(0).year, 0);  // the day before 0001-01-01
  EXPECT_TRUE(isCivilDate(-400, 2, 29));
  EXPECT_FALSE(isCivilDate(1900, 2, 29));
  EXPECT_FALSE(isCivilDate(2024, 13, 1));
  EXPECT_FALSE(isCivilDate(2024, 4, 31));
}
