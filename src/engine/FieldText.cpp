#include "engine/FieldText.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

#include "engine/DbError.h"
#include "engine/format/FieldTypes.h"
#include "support/AsciiText.h"
#include "support/CivilDate.h"
#include "support/Utf8.h"

namespace torvelle::engine {

using format::FieldDef;
using format::FieldType;
using format::Value;

namespace {

std::string twoDigits(int v) {
  std::string s(2, '0');
  s[0] = static_cast<char>('0' + (v / 10) % 10);
  s[1] = static_cast<char>('0' + v % 10);
  return s;
}

// Splits "12.05.2024" into numbers at any of `separators`; empty parts fail.
std::optional<std::vector<int>> numbers(std::string_view s, std::string_view separators) {
  std::vector<int> out;
  while (true) {
    int v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p == s.data()) return std::nullopt;
    out.push_back(v);
    s.remove_prefix(static_cast<std::size_t>(p - s.data()));
    if (s.empty()) return out;
    if (separators.find(s.front()) == std::string_view::npos) return std::nullopt;
    s.remove_prefix(1);
  }
}

std::size_t codePoints(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t pos = 0; pos < s.size(); ++n) {
    bool ok = true;
    support::decodeUtf8(s, pos, ok);
  }
  return n;
}

[[noreturn]] void invalid(const FieldDef& def, const std::string& what) {
  throw DbError(DbError::Kind::InvalidValue, "Invalid value for field '" + def.name + "': " + what);
}

int kindRank(const Value& v) {
  return static_cast<int>(v.index());
}

template <class T>
int threeWay(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

DisplayFormats DisplayFormats::defaults() {
  return {defaultDateText, defaultTimeText, parseDefaultDate, parseDefaultTime};
}

CivilDate civilFromDay(std::int32_t dayNumber) {
  const support::CivilDay c = support::civilFromDayNumber(dayNumber);
  return {static_cast<int>(c.year), static_cast<int>(c.month), static_cast<int>(c.day)};
}

std::optional<format::Date> dayFromCivil(int year, int month, int day) {
  // chrono's day holds only a byte: larger days must not wrap into range.
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
    return std::nullopt;
  const std::chrono::year_month_day date{std::chrono::year{year},
                                         std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  if (!date.ok()) return std::nullopt;
  const auto sinceEpoch = std::chrono::sys_days{date}.time_since_epoch().count();
  return format::Date{static_cast<std::int32_t>(sinceEpoch + support::kUnixEpochDayNumber)};
}

std::string defaultDateText(format::Date date) {
  const CivilDate c = civilFromDay(date.day);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", c.day, c.month, c.year);
  return buf;
}

std::string defaultTimeText(format::Time time) {
  const int secs = time.msec / 1000;
  return twoDigits(secs / 3600) + ":" + twoDigits(secs / 60 % 60) + ":" + twoDigits(secs % 60);
}

std::optional<format::Date> parseDefaultDate(std::string_view text) {
  text = support::trimmed(text);
  const auto parts = numbers(text, "./-");
  if (!parts || parts->size() != 3) return std::nullopt;
  const auto& p = *parts;
  if (text.find('-') != std::string_view::npos && text.size() >= 5 && text[4] == '-')
    return dayFromCivil(p[0], p[1], p[2]);
  int year = p[2];
  // Two-digit years fall into the window the short date form implies.
  const std::size_t lastDigits = text.size() - text.find_last_of("./-") - 1;
  if (lastDigits <= 2) year += year < 50 ? 2000 : 1900;
  return dayFromCivil(year, p[1], p[0]);
}

std::optional<format::Time> parseDefaultTime(std::string_view text) {
  const auto parts = numbers(support::trimmed(text), ":");
  if (!parts || parts->size() < 2 || parts->size() > 3) return std::nullopt;
  const int h = (*parts)[0], m = (*parts)[1], s = parts->size() == 3 ? (*parts)[2] : 0;
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return std::nullopt;
  return format::Time{((h * 60 + m) * 60 + s) * 1000};
}

bool isTextValue(const Value& value) {
  return std::holds_alternative<std::string>(value);
}

std::string valueText(const Value& value, const DisplayFormats& formats) {
  struct Visitor {
    const DisplayFormats& f;
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(std::int32_t v) const { return std::to_string(v); }
    std::string operator()(double v) const {
      char buf[32];
      const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
      return ec == std::errc() ? std::string(buf, p) : std::string();
    }
    std::string operator()(bool v) const { return v ? "True" : "False"; }
    std::string operator()(format::Date d) const { return f.dateText(d); }
    std::string operator()(format::Time t) const { return f.timeText(t); }
    std::string operator()(format::Timestamp t) const {
      const double day = std::floor(t.msec / 86400000.0);
      const auto msec = static_cast<std::int32_t>(t.msec - day * 86400000.0);
      return f.dateText({static_cast<std::int32_t>(day)}) + " " + f.timeText({msec});
    }
    std::string operator()(const format::Decimal& d) const { return d.text; }
    std::string operator()(const format::Binary&) const { return {}; }
  };
  return std::visit(Visitor{formats}, value);
}

namespace {

// What a value of each kind must be, in the order of the kinds.
constexpr std::array<const char*, 10> kExpected{
    "",       "a text", "a whole number", "a number",         "a boolean",
    "a date", "a time", "a timestamp",    "a decimal number", "binary data"};

const char* expectedValue(format::ValueKind kind) {
  return kExpected[static_cast<std::size_t>(kind)];
}

const format::FieldTypeTraits& typeOf(const FieldDef& def) {
  const format::FieldTypeTraits* t = format::findFieldType(def.type);
  if (!t) invalid(def, "unsupported field type");
  return *t;
}

Value coerceText(const FieldDef& def, Value value) {
  auto* s = std::get_if<std::string>(&value);
  if (!s) invalid(def, "a text is expected");
  if (!support::isValidUtf8(*s)) invalid(def, "the text is not valid UTF-8");
  // A memo's size byte is the part of its text kept in the record, no limit.
  if (def.type == FieldType::Alpha && codePoints(*s) > static_cast<std::size_t>(def.size))
    invalid(def, "the text is longer than " + std::to_string(def.size) + " characters");
  // An empty text is stored as null: the format cannot tell them apart.
  if (s->empty()) return std::monostate{};
  return value;
}

Value coerceWhole(const FieldDef& def, std::int32_t limit, const Value& value) {
  double v = 0;
  if (auto* i = std::get_if<std::int32_t>(&value))
    v = *i;
  else if (auto* d = std::get_if<double>(&value))
    v = *d;
  else
    invalid(def, "a whole number is expected");
  if (v != std::floor(v)) invalid(def, "a whole number is expected");
  if (v < -limit || v > limit) invalid(def, "the number is out of range");
  return static_cast<std::int32_t>(v);
}

Value coerceNumber(const FieldDef& def, const Value& value) {
  if (auto* i = std::get_if<std::int32_t>(&value)) return static_cast<double>(*i);
  if (auto* d = std::get_if<double>(&value)) {
    if (!std::isfinite(*d)) invalid(def, "the number is not finite");
    return value;
  }
  invalid(def, "a number is expected");
}

// A comma is taken for the decimal point, as many locales write it.
Value parseNumberText(const FieldDef& def, std::string_view t) {
  std::string s(t);
  for (char& c : s)
    if (c == ',') c = '.';
  double v = 0;
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size())
    invalid(def, "'" + std::string(t) + "' is not a number");
  return coerceValue(def, v);
}

std::optional<bool> parseLogicalText(std::string_view t) {
  const std::string lower = support::asciiLower(t);
  if (lower == "true" || lower == "yes" || lower == "1") return true;
  if (lower == "false" || lower == "no" || lower == "0") return false;
  return std::nullopt;
}

}  // namespace

Value coerceValue(const FieldDef& def, Value value) {
  if (format::isNull(value)) return value;
  const format::FieldTypeTraits& type = typeOf(def);
  switch (type.kind) {
    case format::ValueKind::Text:
      return coerceText(def, std::move(value));
    case format::ValueKind::Whole:
      return coerceWhole(def, type.wholeLimit, value);
    case format::ValueKind::Number:
      return coerceNumber(def, value);
    default:
      break;
  }
  if (!format::holdsKind(value, type.kind))
    invalid(def, std::string(expectedValue(type.kind)) + " is expected");
  if (const auto* t = std::get_if<format::Time>(&value); t && (t->msec < 0 || t->msec >= 86400000))
    invalid(def, "the time is out of range");
  return value;
}

Value parseFieldText(const FieldDef& def, std::string_view text, const DisplayFormats& formats) {
  const format::FieldTypeTraits* type = format::findFieldType(def.type);
  if (type && type->kind == format::ValueKind::Text) return coerceValue(def, std::string(text));
  const std::string_view t = support::trimmed(text);
  if (t.empty()) return std::monostate{};
  std::optional<Value> read;
  switch (type ? type->kind : format::ValueKind::Binary) {
    case format::ValueKind::Whole:
    case format::ValueKind::Number:
      return parseNumberText(def, t);
    case format::ValueKind::Decimal:
      return coerceValue(def, format::Decimal{std::string(t)});
    case format::ValueKind::Date:
      read = formats.parseDate(t);
      break;
    case format::ValueKind::Time:
      read = formats.parseTime(t);
      break;
    case format::ValueKind::Logical:
      read = parseLogicalText(t);
      break;
    default:
      invalid(def, "the field cannot be set from text");
  }
  if (!read) invalid(def, "'" + std::string(t) + "' is not " + expectedValue(type->kind));
  return *std::move(read);
}

int compareValues(const Value& a, const Value& b) {
  if (a.index() != b.index()) return threeWay(kindRank(a), kindRank(b));
  struct Visitor {
    const Value& other;
    int operator()(std::monostate) const { return 0; }
    int operator()(const std::string& s) const {
      return s.compare(std::get<std::string>(other)) < 0
                 ? -1
                 : (s == std::get<std::string>(other) ? 0 : 1);
    }
    int operator()(std::int32_t v) const { return threeWay(v, std::get<std::int32_t>(other)); }
    int operator()(double v) const { return threeWay(v, std::get<double>(other)); }
    int operator()(bool v) const { return threeWay(v, std::get<bool>(other)); }
    int operator()(format::Date v) const {
      return threeWay(v.day, std::get<format::Date>(other).day);
    }
    int operator()(format::Time v) const {
      return threeWay(v.msec, std::get<format::Time>(other).msec);
    }
    int operator()(format::Timestamp v) const {
      return threeWay(v.msec, std::get<format::Timestamp>(other).msec);
    }
    int operator()(const format::Decimal& v) const {
      return threeWay(v.text, std::get<format::Decimal>(other).text);
    }
    int operator()(const format::Binary& v) const {
      return threeWay(v.bytes, std::get<format::Binary>(other).bytes);
    }
  };
  return std::visit(Visitor{b}, a);
}

bool sameFieldName(std::string_view a, std::string_view b) {
  return support::equalsIgnoringAsciiCase(a, b);
}

}  // namespace torvelle::engine
