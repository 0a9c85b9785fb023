#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/format/Value.h"

namespace torvelle::engine {

// How dates and times read as text: in grids, in filters and when a text is
// typed into a date or time field. The shell fills these from the user's
// locale; the defaults are the short forms the tables were designed with.
struct DisplayFormats {
  std::function<std::string(format::Date)> dateText;
  std::function<std::string(format::Time)> timeText;
  std::function<std::optional<format::Date>(std::string_view)> parseDate;
  std::function<std::optional<format::Time>(std::string_view)> parseTime;

  static DisplayFormats defaults();
};

// Proleptic Gregorian calendar, day 1 = 0001-01-01.
struct CivilDate {
  int year = 1;
  int month = 1;
  int day = 1;
};
CivilDate civilFromDay(std::int32_t dayNumber);
std::optional<format::Date> dayFromCivil(int year, int month, int day);

// "dd.mm.yyyy" and "hh:mm:ss".
std::string defaultDateText(format::Date date);
std::string defaultTimeText(format::Time time);
// Accept "d.m.yyyy" (also with '/' or '-') and "yyyy-mm-dd"; "h:mm" or "h:mm:ss".
std::optional<format::Date> parseDefaultDate(std::string_view text);
std::optional<format::Time> parseDefaultTime(std::string_view text);

// The text of a value as a grid or a filter sees it; null gives "".
std::string valueText(const format::Value& value, const DisplayFormats& formats);

// True when the value is held as text itself (no separate display text needed).
bool isTextValue(const format::Value& value);

// Turns `value` into what a field of type `def` stores, or throws
// DbError(InvalidValue) naming the field. Texts longer than the field are
// refused rather than cut.
format::Value coerceValue(const format::FieldDef& def, format::Value value);

// Parses a typed text for a field; "" gives null.
format::Value parseFieldText(const format::FieldDef& def, std::string_view text,
                             const DisplayFormats& formats);

// Total order used for the engine's own index orders: null first, then by
// value; values of different kinds by kind.
int compareValues(const format::Value& a, const format::Value& b);

// Field names match without regard to letter case.
bool sameFieldName(std::string_view a, std::string_view b);

}  // namespace torvelle::engine
