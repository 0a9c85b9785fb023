#include "exchange/TextCodec.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "engine/format/FieldTypes.h"
#include "support/AsciiText.h"
#include "support/CivilDate.h"
#include "support/Utf8.h"

namespace torvelle::exchange {
namespace {

using format::ValueKind;

constexpr std::int64_t kMsecPerDay = 86'400'000;
void appendPadded(std::string& out, std::int64_t value, int width) {
  const std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) out.append(width - digits.size(), '0');
  out += digits;
}

std::string formatDayNumber(std::int64_t dayNumber) {
  const support::CivilDay c = support::civilFromDayNumber(dayNumber);
  std::string out;
  if (c.year < 0) {
    out += '-';
  } else if (c.year > 9999) {
    out += '+';
  }
  appendPadded(out, c.year < 0 ? -c.year : c.year, 4);
  out += '-';
  appendPadded(out, c.month, 2);
  out += '-';
  appendPadded(out, c.day, 2);
  return out;
}

// Milliseconds of the day as HH:MM:SS with .mmm only when needed. Hours are
// not wrapped, so a value outside the day stays visible as such.
std::string formatClock(std::int64_t msec) {
  std::string out;
  if (msec < 0) {
    out += '-';
    msec = -msec;
  }
  appendPadded(out, msec / 3'600'000, 2);
  out += ':';
  appendPadded(out, msec / 60'000 % 60, 2);
  out += ':';
  appendPadded(out, msec / 1000 % 60, 2);
  if (msec % 1000 != 0) {
    out += '.';
    appendPadded(out, msec % 1000, 3);
  }
  return out;
}

// Reads exactly `width` decimal digits at `pos`.
bool readDigits(std::string_view text, std::size_t& pos, std::size_t width, std::int64_t& value) {
  if (pos + width > text.size()) return false;
  value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    const char ch = text[pos + i];
    if (ch < '0' || ch > '9') return false;
    value = value * 10 + (ch - '0');
  }
  pos += width;
  return true;
}

bool expect(std::string_view text, std::size_t& pos, char ch) {
  if (pos >= text.size() || text[pos] != ch) return false;
  ++pos;
  return true;
}

std::string quoted(std::string_view text) {
  std::string out = "'";
  // Long junk is cut so that the message stays readable.
  if (text.size() > 40) {
    out.append(text.substr(0, 40));
    out += "...";
  } else {
    out.append(text);
  }
  out += '\'';
  return out;
}

// Parses [+-]YYYY[Y...]-MM-DD at `pos` into a day number.
std::int64_t readDate(std::string_view text, std::size_t& pos) {
  const auto bad = [&] { return TextError("not a date (YYYY-MM-DD): " + quoted(text)); };
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
    negative = text[pos] == '-';
    ++pos;
  }
  std::size_t yearEnd = pos;
  while (yearEnd < text.size() && text[yearEnd] >= '0' && text[yearEnd] <= '9') ++yearEnd;
  const std::size_t yearDigits = yearEnd - pos;
  // Nine digits reach far beyond any day number a file can hold.
  if (yearDigits < 4 || yearDigits > 9) throw bad();
  std::int64_t year = 0;
  std::int64_t month = 0;
  std::int64_t day = 0;
  readDigits(text, pos, yearDigits, year);
  if (!expect(text, pos, '-') || !readDigits(text, pos, 2, month) || !expect(text, pos, '-') ||
      !readDigits(text, pos, 2, day)) {
    throw bad();
  }
  if (negative) year = -year;
  if (!support::isCivilDate(year, month, day)) {
    throw TextError("no such date: " + quoted(text));
  }
  return support::dayNumberFromCivil(year, static_cast<unsigned>(month),
                                     static_cast<unsigned>(day));
}

// Parses HH:MM:SS[.f{1,3}] at `pos` into milliseconds of the day.
std::int64_t readClock(std::string_view text, std::size_t& pos, std::string_view what) {
  const auto bad = [&] { return TextError("not a " + std::string(what) + ": " + quoted(text)); };
  std::int64_t h = 0;
  std::int64_t m = 0;
  std::int64_t s = 0;
  if (!readDigits(text, pos, 2, h) || !expect(text, pos, ':') || !readDigits(text, pos, 2, m) ||
      !expect(text, pos, ':') || !readDigits(text, pos, 2, s)) {
    throw bad();
  }
  std::int64_t ms = 0;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    int digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 3) {
      ms = ms * 10 + (text[pos] - '0');
      ++pos;
      ++digits;
    }
    if (digits == 0) throw bad();
    for (; digits < 3; ++digits) ms *= 10;
  }
  if (h > 23 || m > 59 || s > 59) throw TextError("no such time: " + quoted(text));
  return ((h * 60 + m) * 60 + s) * 1000 + ms;
}

void expectEnd(std::string_view text, std::size_t pos, std::string_view what) {
  if (pos != text.size()) throw TextError("not a " + std::string(what) + ": " + quoted(text));
}

int hexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

}  // namespace

std::string formatDate(format::Date date) {
  return formatDayNumber(date.day);
}

format::Date parseDate(std::string_view text) {
  std::size_t pos = 0;
  const std::int64_t day = readDate(text, pos);
  expectEnd(text, pos, "date (YYYY-MM-DD)");
  if (day < std::numeric_limits<std::int32_t>::min() + 1 ||
      day > std::numeric_limits<std::int32_t>::max()) {
    throw TextError("date out of range: " + quoted(text));
  }
  return format::Date{static_cast<std::int32_t>(day)};
}

std::string formatTime(format::Time time) {
  return formatClock(time.msec);
}

format::Time parseTime(std::string_view text) {
  std::size_t pos = 0;
  const std::int64_t ms = readClock(text, pos, "time (HH:MM:SS)");
  expectEnd(text, pos, "time (HH:MM:SS)");
  return format::Time{static_cast<std::int32_t>(ms)};
}

std::string formatTimestamp(format::Timestamp stamp) {
  const double v = stamp.msec;
  // Beyond 2^53 doubles skip whole milliseconds; such values and fractions
  // of a millisecond have no exact calendar text.
  if (!std::isfinite(v) || std::fabs(v) > 9007199254740992.0 || v != std::floor(v)) {
    return formatNumber(v);
  }
  const auto ms = static_cast<std::int64_t>(v);
  std::int64_t day = ms / kMsecPerDay;
  std::int64_t rest = ms % kMsecPerDay;
  if (rest < 0) {
    rest += kMsecPerDay;
    --day;
  }
  return formatDayNumber(day) + 'T' + formatClock(rest);
}

format::Timestamp parseTimestamp(std::string_view text) {
  constexpr std::string_view kWhat = "timestamp (YYYY-MM-DDTHH:MM:SS)";
  std::size_t pos = 0;
  std::int64_t day = 0;
  try {
    day = readDate(text, pos);
  } catch (const TextError&) {
    throw TextError("not a " + std::string(kWhat) + ": " + quoted(text));
  }
  if (pos >= text.size() || (text[pos] != 'T' && text[pos] != ' ')) {
    throw TextError("not a " + std::string(kWhat) + ": " + quoted(text));
  }
  ++pos;
  const std::int64_t ms = readClock(text, pos, kWhat);
  expectEnd(text, pos, kWhat);
  // Past 2^53 milliseconds a double no longer holds every millisecond.
  if (day > 104'249'990 || day < -104'249'990) {
    throw TextError("timestamp out of range: " + quoted(text));
  }
  return format::Timestamp{static_cast<double>(day * kMsecPerDay + ms)};
}

std::string formatNumber(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

double parseNumber(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  double value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec == std::errc::result_out_of_range) {
    throw TextError("number out of range: " + quoted(text));
  }
  if (ec != std::errc{} || end != digits.data() + digits.size() || digits.empty()) {
    throw TextError("not a number: " + quoted(text));
  }
  return value;
}

std::int32_t parseInteger(std::string_view text, std::int32_t min, std::int32_t max) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec == std::errc::result_out_of_range || (ec == std::errc{} && (value < min || value > max))) {
    throw TextError("integer out of range " + std::to_string(min) + ".." + std::to_string(max) +
                    ": " + quoted(text));
  }
  if (ec != std::errc{} || end != digits.data() + digits.size() || digits.empty()) {
    throw TextError("not an integer: " + quoted(text));
  }
  return static_cast<std::int32_t>(value);
}

bool parseLogical(std::string_view text) {
  if (support::equalsIgnoringAsciiCase(text, "true")) return true;
  if (support::equalsIgnoringAsciiCase(text, "false")) return false;
  throw TextError("not a logical (true or false): " + quoted(text));
}

std::string toHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

std::string fromHex(std::string_view text) {
  if (text.size() % 2 != 0) throw TextError("hex text of odd length: " + quoted(text));
  std::string out;
  out.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int hi = hexDigit(text[i]);
    const int lo = hexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) throw TextError("not hex: " + quoted(text));
    out += static_cast<char>(hi * 16 + lo);
  }
  return out;
}

std::string formatValue(const format::Value& value) {
  struct Visitor {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(std::int32_t i) const { return std::to_string(i); }
    std::string operator()(double d) const { return formatNumber(d); }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(format::Date d) const { return formatDate(d); }
    std::string operator()(format::Time t) const { return formatTime(t); }
    std::string operator()(format::Timestamp t) const { return formatTimestamp(t); }
    std::string operator()(const format::Decimal& d) const { return d.text; }
    std::string operator()(const format::Binary& b) const { return toHex(b.bytes); }
  };
  return std::visit(Visitor{}, value);
}

namespace {

format::Value parseDecimal(std::string_view text) {
  std::size_t pos = text[0] == '-' ? 1 : 0;
  std::size_t digits = 0;
  bool point = false;
  for (; pos < text.size(); ++pos) {
    if (text[pos] >= '0' && text[pos] <= '9') {
      ++digits;
    } else if (text[pos] == '.' && !point && digits > 0) {
      point = true;
    } else {
      throw TextError("not a decimal number: " + quoted(text));
    }
  }
  if (digits == 0 || text.back() == '.') {
    throw TextError("not a decimal number: " + quoted(text));
  }
  return format::Decimal{std::string(text)};
}

}  // namespace

format::Value parseValue(const format::FieldDef& field, std::string_view text) {
  if (text.empty()) return std::monostate{};
  const format::FieldTypeTraits* type = format::findFieldType(field.type);
  if (!type) {
    throw TextError("field type " + std::to_string(static_cast<int>(field.type)) +
                    " cannot be read from text");
  }
  switch (type->kind) {
    case ValueKind::Text:
      if (!support::isValidUtf8(text)) throw TextError("text is not valid UTF-8");
      return std::string(text);
    case ValueKind::Date:
      return parseDate(text);
    case ValueKind::Time:
      return parseTime(text);
    case ValueKind::Timestamp:
      return parseTimestamp(text);
    case ValueKind::Whole:
      // The most negative value is the stored pattern of null.
      return parseInteger(text, -type->wholeLimit, type->wholeLimit);
    case ValueKind::Number:
      return parseNumber(text);
    case ValueKind::Logical:
      return parseLogical(text);
    case ValueKind::Decimal:
      return parseDecimal(text);
    case ValueKind::Binary:
      return format::Binary{fromHex(text)};
  }
  return std::monostate{};
}

std::string_view typeLetter(format::FieldType type) {
  const format::FieldTypeTraits* t = format::findFieldType(type);
  return t ? std::string_view(&t->letter, 1) : std::string_view("?");
}

}  // namespace torvelle::exchange
