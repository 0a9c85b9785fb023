#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/format/Value.h"

// Field values as the text torvelle-db reads and writes: dates YYYY-MM-DD,
// times HH:MM:SS[.mmm], timestamps YYYY-MM-DDTHH:MM:SS[.mmm], logicals
// true/false, numbers in their shortest exact form, raw bytes as hex. The
// empty text is null.
namespace torvelle::exchange {

// A text that does not read as a value of its field. The message says what
// is wrong with the text; callers add where it was found.
class TextError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Day numbers count 0001-01-01 as day 1 (proleptic Gregorian). Years outside
// 0..9999 carry a sign ("-0001-12-31", "+10000-01-01") so that any day a file
// can hold survives a round trip.
std::string formatDate(format::Date date);
format::Date parseDate(std::string_view text);

// A time outside the day (a damaged file) prints with hours past 23 or a
// minus sign; parseTime refuses such text.
std::string formatTime(format::Time time);
format::Time parseTime(std::string_view text);

// Whole milliseconds only; a value that is not a whole number of
// milliseconds or lies beyond the calendar prints as a plain number.
std::string formatTimestamp(format::Timestamp stamp);
format::Timestamp parseTimestamp(std::string_view text);

// Shortest text that reads back as the same double.
std::string formatNumber(double value);
double parseNumber(std::string_view text);
std::int32_t parseInteger(std::string_view text, std::int32_t min, std::int32_t max);
bool parseLogical(std::string_view text);

std::string toHex(std::string_view bytes);
std::string fromHex(std::string_view text);

// A value in the form above; null gives the empty text.
std::string formatValue(const format::Value& value);
// Reads `text` as a value of `field`; the empty text is null.
format::Value parseValue(const format::FieldDef& field, std::string_view text);

// The type letter Paradox tools show for a field type ("A", "D", "$", ...).
std::string_view typeLetter(format::FieldType type);

}  // namespace torvelle::exchange
