#include "exchange/TextCodec.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace torvelle::tools {
namespace {

using namespace exchange;  // the text forms moved there; the tool still tests them

using format::Date;
using format::FieldDef;
using format::FieldType;
using format::Time;
using format::Timestamp;

TEST(TextCodecDate, KnownDayNumbers) {
  // Day numbers as the file format stores them (worked examples of the format).
  EXPECT_EQ(parseDate("0001-01-01").day, 1);
  EXPECT_EQ(parseDate("0100-01-01").day, 36160);
  EXPECT_EQ(parseDate("1970-01-01").day, 719163);
  EXPECT_EQ(parseDate("1996-05-04").day, 728783);
  EXPECT_EQ(parseDate("2024-03-15").day, 738960);
  EXPECT_EQ(formatDate(Date{1}), "0001-01-01");
  EXPECT_EQ(formatDate(Date{738960}), "2024-03-15");
  EXPECT_EQ(formatDate(Date{0}), "0000-12-31");
  EXPECT_EQ(formatDate(Date{3652059}), "9999-12-31");
  EXPECT_EQ(formatDate(Date{3652060}), "+10000-01-01");
  // Days only a damaged file holds still survive a round trip.
  for (const std::int32_t day : {std::numeric_limits<std::int32_t>::max(), -2147483647, -366}) {
    EXPECT_EQ(parseDate(formatDate(Date{day})).day, day) << formatDate(Date{day});
  }
}

TEST(TextCodecDate, EveryDayOfTenThousandYearsRoundTrips) {
  for (std::int32_t day = 1; day <= 3652059; ++day) {
    const std::string text = formatDate(Date{day});
    ASSERT_EQ(parseDate(text).day, day) << text;
    ASSERT_EQ(text.size(), 10u) << text;
  }
}

TEST(TextCodecDate, RejectsDaysThatDoNotExistAndLooseForms) {
  for (const char* text : {"2023-02-29", "1900-02-29", "2023-04-31", "2023-13-01", "2023-00-10",
                           "2023-01-00", "2023-1-05", "23-01-05", "2023/01/05", "2023-01-05x",
                           " 2023-01-05", "2023-01-05T00:00:00", "abcd-ef-gh", "-", ""}) {
    EXPECT_THROW(parseDate(text), TextError) << text;
  }
  EXPECT_EQ(formatDate(parseDate("2000-02-29")), "2000-02-29");
  EXPECT_EQ(formatDate(parseDate("2024-02-29")), "2024-02-29");
}

TEST(TextCodecTime, MillisecondsOnlyWhenPresent) {
  EXPECT_EQ(formatTime(Time{0}), "00:00:00");
  EXPECT_EQ(formatTime(Time{3601000}), "01:00:01");
  EXPECT_EQ(formatTime(Time{86399999}), "23:59:59.999");
  EXPECT_EQ(formatTime(Time{30600007}), "08:30:00.007");
  EXPECT_EQ(parseTime("08:30:00").msec, 30600000);
  EXPECT_EQ(parseTime("08:30:00.007").msec, 30600007);
  EXPECT_EQ(parseTime("08:30:00.5").msec, 30600500);
  EXPECT_EQ(parseTime("23:59:59.999").msec, 86399999);
}

TEST(TextCodecTime, RejectsTimesOutsideTheDay) {
  for (const char* text : {"24:00:00", "12:60:00", "12:00:60", "1:00:00", "12:00", "12:00:00.",
                           "12:00:00.1234", "12:00:00 ", "-01:00:00"}) {
    EXPECT_THROW(parseTime(text), TextError) << text;
  }
  // A damaged file's value prints without pretending to be a valid time.
  EXPECT_THROW(parseTime(formatTime(Time{86400000})), TextError);
  EXPECT_THROW(parseTime(formatTime(Time{-5})), TextError);
}

TEST(TextCodecTimestamp, CalendarFormAndRoundTrip) {
  // 2020-02-01 01:00:01 as stored by the original engine.
  EXPECT_EQ(formatTimestamp(Timestamp{63716202001000.0}), "2020-02-01T01:00:01");
  EXPECT_EQ(parseTimestamp("2020-02-01T01:00:01").msec, 63716202001000.0);
  EXPECT_EQ(parseTimestamp("2020-02-01 01:00:01.250").msec, 63716202001250.0);
  EXPECT_EQ(formatTimestamp(Timestamp{63716202001250.0}), "2020-02-01T01:00:01.250");
  EXPECT_EQ(formatTimestamp(Timestamp{86400000.0}), "0001-01-01T00:00:00");
  // Before day 0 the millisecond part still counts forward within its day.
  EXPECT_EQ(formatTimestamp(Timestamp{-1.0}), "0000-12-30T23:59:59.999");
  EXPECT_EQ(parseTimestamp("0000-12-30T23:59:59.999").msec, -1.0);
  EXPECT_EQ(formatTimestamp(Timestamp{0.5}), "0.5");  // no calendar form
  for (const char* text : {"2020-02-01", "2020-02-01T25:00:00", "2023-02-29T00:00:00",
                           "2020-02-01X01:00:01", "2020-02-01T01:00:01Z"}) {
    EXPECT_THROW(parseTimestamp(text), TextError) << text;
  }
}

TEST(TextCodecNumber, ShortestFormReadsBackBitExact) {
  EXPECT_EQ(formatNumber(0.1), "0.1");
  EXPECT_EQ(formatNumber(-200.0), "-200");
  EXPECT_EQ(formatNumber(1e300), "1e+300");
  std::mt19937_64 random(42);
  for (int i = 0; i < 20000; ++i) {
    const double value = std::bit_cast<double>(random());
    if (!std::isfinite(value)) continue;
    const double back = parseNumber(formatNumber(value));
    ASSERT_EQ(std::bit_cast<std::uint64_t>(back), std::bit_cast<std::uint64_t>(value))
        << formatNumber(value);
  }
  EXPECT_EQ(parseNumber("+2.5"), 2.5);
  EXPECT_EQ(parseNumber("5e-324"), 5e-324);
}

TEST(TextCodecNumber, RejectsNonNumbers) {
  for (const char* text : {"1,5", "12a", " 1", "1 ", "0x10", "--1", "+", "1e999", "."}) {
    EXPECT_THROW(parseNumber(text), TextError) << text;
  }
}

TEST(TextCodecInteger, RangeOfTheField) {
  const FieldDef shortField{"S", FieldType::Short, 2};
  const FieldDef longField{"L", FieldType::Long, 4};
  EXPECT_EQ(std::get<std::int32_t>(parseValue(shortField, "-32767")), -32767);
  EXPECT_THROW(parseValue(shortField, "32768"), TextError);
  EXPECT_THROW(parseValue(shortField, "-32768"), TextError);  // the null pattern
  EXPECT_EQ(std::get<std::int32_t>(parseValue(longField, "2147483647")), 2147483647);
  EXPECT_THROW(parseValue(longField, "-2147483648"), TextError);
  EXPECT_THROW(parseValue(longField, "99999999999999999999"), TextError);
  EXPECT_THROW(parseValue(longField, "1.0"), TextError);
}

TEST(TextCodecValue, EachFieldTypeReadsItsOwnForm) {
  EXPECT_TRUE(format::isNull(parseValue({"A", FieldType::Alpha, 10}, "")));
  EXPECT_TRUE(format::isNull(parseValue({"D", FieldType::Date, 4}, "")));
  EXPECT_EQ(std::get<std::string>(parseValue({"A", FieldType::Alpha, 10}, "Привет, \"мир\"")),
            "Привет, \"мир\"");
  EXPECT_THROW(parseValue({"A", FieldType::Alpha, 10}, "\xFF\xFE"), TextError);
  EXPECT_EQ(std::get<bool>(parseValue({"L", FieldType::Logical, 1}, "TRUE")), true);
  EXPECT_THROW(parseValue({"L", FieldType::Logical, 1}, "yes"), TextError);
  EXPECT_EQ(std::get<format::Binary>(parseValue({"Y", FieldType::Bytes, 4}, "00fF7a")).bytes,
            std::string("\x00\xff\x7a", 3));
  EXPECT_THROW(parseValue({"Y", FieldType::Bytes, 4}, "abc"), TextError);
  EXPECT_THROW(parseValue({"B", FieldType::Binary, 10}, "zz"), TextError);
  EXPECT_EQ(std::get<format::Decimal>(parseValue({"#", FieldType::Bcd, 2}, "-12.30")).text,
            "-12.30");
  for (const char* text : {"1.", ".5", "1.2.3", "1e5", "--1", "-"}) {
    EXPECT_THROW(parseValue({"#", FieldType::Bcd, 2}, text), TextError) << text;
  }
}

TEST(TextCodecValue, FormatThenParseIsIdentity) {
  const std::vector<std::pair<FieldDef, format::Value>> cases = {
      {{"A", FieldType::Alpha, 20}, std::string("a,b\n\"c\"")},
      {{"D", FieldType::Date, 4}, Date{730120}},
      {{"T", FieldType::Time, 4}, Time{45296789}},
      {{"@", FieldType::Timestamp, 8}, Timestamp{63716202001001.0}},
      {{"N", FieldType::Number, 8}, -0.000123},
      {{"$", FieldType::Currency, 8}, 1234.5},
      {{"S", FieldType::Short, 2}, std::int32_t{-7}},
      {{"L", FieldType::Logical, 1}, false},
      {{"B", FieldType::Binary, 10}, format::Binary{std::string("\x00\x01\xff", 3)}},
      {{"#", FieldType::Bcd, 3}, format::Decimal{"0.125"}},
  };
  for (const auto& [field, value] : cases) {
    const std::string text = formatValue(value);
    EXPECT_EQ(parseValue(field, text), value) << field.name << ": " << text;
  }
}

}  // namespace
}  // namespace torvelle::tools
