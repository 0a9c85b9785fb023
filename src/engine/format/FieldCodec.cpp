#include "engine/format/FieldCodec.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>

#include "engine/DbError.h"
#include "engine/format/Bytes.h"
#include "engine/format/FieldTypes.h"
#include "support/CodePage.h"
#include "support/Utf8.h"

namespace torvelle::format::codec {
namespace {

using engine::DbError;

constexpr int kDaysTo1970 = 719163;  // day number of 1970-01-01

[[noreturn]] void invalid(const FieldDef& field, const std::string& what) {
  throw DbError(DbError::Kind::InvalidValue, "Field '" + field.name + "': " + what);
}

bool allZero(const std::uint8_t* p, int n) {
  for (int i = 0; i < n; ++i)
    if (p[i]) return false;
  return true;
}

std::int64_t getFlippedInt(const std::uint8_t* p, int n) {
  std::uint64_t v = p[0] ^ 0x80u;
  for (int i = 1; i < n; ++i) v = (v << 8) | p[i];
  // sign-extend from n bytes
  const int shift = 64 - 8 * n;
  return static_cast<std::int64_t>(v << shift) >> shift;
}

void putFlippedInt(std::uint8_t* p, int n, std::int64_t value) {
  auto v = static_cast<std::uint64_t>(value);
  for (int i = n - 1; i >= 0; --i, v >>= 8) p[i] = lowByte(v);
  p[0] ^= 0x80;
}

double getDouble(const std::uint8_t* p) {
  std::uint8_t b[8];
  std::memcpy(b, p, 8);
  if (b[0] & 0x80)
    b[0] &= 0x7F;
  else
    for (auto& x : b) x = lowByte(~x);
  std::uint64_t bits = 0;
  for (const auto x : b) bits = (bits << 8) | x;
  return std::bit_cast<double>(bits);
}

void putDouble(std::uint8_t* p, double d) {
  if (d == 0) d = 0.0;  // no negative zero
  auto bits = std::bit_cast<std::uint64_t>(d);
  for (int i = 7; i >= 0; --i, bits >>= 8) p[i] = lowByte(bits);
  if (p[0] & 0x80)
    for (int i = 0; i < 8; ++i) p[i] = lowByte(~p[i]);
  else
    p[0] |= 0x80;
}

std::string decodeBcd(const std::uint8_t* p, int fraction) {
  const bool negative = !(p[0] & 0x80);
  const int digits = 32;
  std::string all;
  for (int i = 0; i < digits; ++i) {
    int nib = (p[1 + i / 2] >> ((i % 2) ? 0 : 4)) & 0x0F;
    if (negative) nib = 15 - nib;
    // Old engines left rounding noise (nibbles above 9) in the last places.
    if (nib > 9) nib = 0;
    all += static_cast<char>('0' + nib);
  }
  if (fraction < 0 || fraction > 32) fraction = 0;
  std::string intPart = all.substr(0, digits - fraction);
  const std::string fracPart = all.substr(digits - fraction);
  const auto firstNonZero = intPart.find_first_not_of('0');
  intPart = firstNonZero == std::string::npos ? "0" : intPart.substr(firstNonZero);
  std::string text = intPart;
  if (fraction > 0) text += "." + fracPart;
  if (negative && text.find_first_not_of("0.") != std::string::npos) text = "-" + text;
  return text;
}

// The sign and the digits before and after the point of a decimal text.
struct DecimalDigits {
  bool negative = false;
  std::string whole, fraction;
};

DecimalDigits splitDecimal(const FieldDef& field, const std::string& text) {
  DecimalDigits d;
  std::size_t pos = 0;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) d.negative = text[pos++] == '-';
  bool seenPoint = false;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c == '.' && !seenPoint) {
      seenPoint = true;
    } else if (c >= '0' && c <= '9') {
      (seenPoint ? d.fraction : d.whole) += c;
    } else {
      invalid(field, "\"" + text + "\" is not a decimal number");
    }
  }
  if (d.whole.empty() && d.fraction.empty()) invalid(field, "\"" + text + "\" is not a number");
  return d;
}

void encodeBcd(const FieldDef& field, const std::string& text, std::uint8_t* out) {
  // The header keeps the size byte of a decimal within 0 to 32.
  const auto fraction = static_cast<std::size_t>(field.size);
  auto [negative, intDigits, fracDigits] = splitDecimal(field, text);
  while (!fracDigits.empty() && fracDigits.back() == '0' && fracDigits.size() > fraction)
    fracDigits.pop_back();
  if (fracDigits.size() > fraction)
    invalid(field, "\"" + text + "\" has more than " + std::to_string(fraction) + " decimals");
  const auto nz = intDigits.find_first_not_of('0');
  intDigits = nz == std::string::npos ? "" : intDigits.substr(nz);
  if (intDigits.size() > 32 - fraction) invalid(field, "\"" + text + "\" is too large");
  fracDigits.resize(fraction, '0');
  const std::string digits =
      std::string(32 - fraction - intDigits.size(), '0') + intDigits + fracDigits;
  if (digits.find_first_not_of('0') == std::string::npos) negative = false;
  std::memset(out, 0, 17);
  out[0] = lowByte((negative ? 0x40u : 0xC0u) | fraction);
  for (std::size_t i = 0; i < 32; ++i) {
    int nib = digits[i] - '0';
    if (negative) nib = 15 - nib;
    out[1 + i / 2] |= lowByte(nib << ((i % 2) ? 0 : 4));
  }
}

template <typename T>
const T& expect(const FieldDef& field, const Value& value, const char* what) {
  const T* v = std::get_if<T>(&value);
  if (!v) invalid(field, std::string("expects ") + what);
  return *v;
}

std::int64_t expectInteger(const FieldDef& field, const Value& value) {
  if (const auto* i = std::get_if<std::int32_t>(&value)) return *i;
  if (const auto* d = std::get_if<double>(&value)) {
    if (std::nearbyint(*d) == *d && std::fabs(*d) < 4e9) return static_cast<std::int64_t>(*d);
  }
  invalid(field, "expects a whole number");
}

}  // namespace

int storageSize(FieldType type, int sizeByte) {
  const FieldTypeTraits* t = findFieldType(type);
  return t && t->fixedBytes != 0 ? t->fixedBytes : sizeByte;
}

bool isBlob(FieldType type) {
  const FieldTypeTraits* t = findFieldType(type);
  return t && t->blob;
}

bool isKnownType(std::uint8_t c) {
  return findFieldType(c) != nullptr;
}

int effectiveCodePage(int codePage) {
  return support::codePageSupported(codePage) ? codePage : 1252;
}

std::string toTableText(const std::string& utf8, int codePage, const std::string& fieldName) {
  try {
    return support::fromUtf8(utf8, effectiveCodePage(codePage));
  } catch (const support::CodePageError& e) {
    const std::string message = "Field '" + fieldName + "': " + e.what();
    if (e.character() == 0) throw DbError(DbError::Kind::InvalidValue, message);
    std::string character;
    support::appendUtf8(character, e.character());
    throw engine::LetterNotInCodePage(message, character, effectiveCodePage(codePage), fieldName);
  }
}

std::string fromTableText(std::string_view bytes, int codePage) {
  return support::toUtf8(bytes, effectiveCodePage(codePage));
}

Value decode(const FieldDef& field, const std::uint8_t* p, int codePage) {
  const FieldTypeTraits* t = findFieldType(field.type);
  if (!t || t->blob) return std::monostate{};
  const int n = t->fixedBytes != 0 ? t->fixedBytes : field.size;
  if (allZero(p, n)) return std::monostate{};
  switch (t->kind) {
    case ValueKind::Text: {
      const auto* end = static_cast<const std::uint8_t*>(std::memchr(p, 0, static_cast<size_t>(n)));
      return fromTableText(std::string_view(reinterpret_cast<const char*>(p),
                                            static_cast<std::size_t>(end ? end - p : n)),
                           codePage);
    }
    case ValueKind::Whole:
      return static_cast<std::int32_t>(getFlippedInt(p, n));
    case ValueKind::Date:
      return Date{static_cast<std::int32_t>(getFlippedInt(p, n))};
    case ValueKind::Time:
      return Time{static_cast<std::int32_t>(getFlippedInt(p, n))};
    case ValueKind::Number:
      return getDouble(p);
    case ValueKind::Timestamp:
      return Timestamp{getDouble(p)};
    case ValueKind::Logical:
      return (p[0] ^ 0x80) != 0;
    case ValueKind::Decimal:
      return Decimal{decodeBcd(p, field.size)};
    case ValueKind::Binary:
      return Binary{std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n))};
  }
  return std::monostate{};
}

namespace {

// Text and bytes fill the field from its start; `n` is its size.
void encodeAlpha(const FieldDef& field, const Value& value, std::uint8_t* out, std::size_t n,
                 int codePage) {
  const auto& text = expect<std::string>(field, value, "text");
  const std::string bytes = toTableText(text, codePage, field.name);
  if (bytes.find('\0') != std::string::npos) invalid(field, "text holds a NUL character");
  if (bytes.size() > n)
    invalid(field, "the text is longer than the field's " + std::to_string(n) + " characters");
  std::copy(bytes.begin(), bytes.end(), out);
}

void encodeBytes(const FieldDef& field, const Value& value, std::uint8_t* out, std::size_t n) {
  const auto& b = expect<Binary>(field, value, "bytes").bytes;
  if (b.size() > n) invalid(field, "more than " + std::to_string(n) + " bytes");
  std::copy(b.begin(), b.end(), out);
}

// A whole number of `bytes` bytes; the most negative one stands for null.
void encodeInteger(const FieldDef& field, const Value& value, std::uint8_t* out, int bytes,
                   std::int64_t limit) {
  const auto v = expectInteger(field, value);
  if (v < -limit || v > limit) invalid(field, std::to_string(v) + " is out of range");
  putFlippedInt(out, bytes, v);
}

void encodeNumber(const FieldDef& field, const Value& value, std::uint8_t* out) {
  double d = 0;
  if (const auto* i = std::get_if<std::int32_t>(&value))
    d = *i;
  else
    d = expect<double>(field, value, "a number");
  if (!std::isfinite(d)) invalid(field, "not a finite number");
  putDouble(out, d);
}

void encodeDate(const FieldDef& field, const Value& value, std::uint8_t* out) {
  const auto& d = expect<Date>(field, value, "a date");
  if (d.day < 1) invalid(field, "a date before 0001-01-01");
  putFlippedInt(out, 4, d.day);
}

void encodeTime(const FieldDef& field, const Value& value, std::uint8_t* out) {
  const auto& t = expect<Time>(field, value, "a time");
  if (t.msec < 0 || t.msec >= 86400000) invalid(field, "a time outside the day");
  putFlippedInt(out, 4, t.msec);
}

void encodeTimestamp(const FieldDef& field, const Value& value, std::uint8_t* out) {
  const auto& t = expect<Timestamp>(field, value, "a timestamp");
  if (!std::isfinite(t.msec) || t.msec < 0) invalid(field, "an invalid timestamp");
  putDouble(out, t.msec);
}

}  // namespace

void encode(const FieldDef& field, const Value& value, std::uint8_t* out, int codePage) {
  const FieldTypeTraits* t = findFieldType(field.type);
  const auto n = static_cast<std::size_t>(t && t->fixedBytes != 0 ? t->fixedBytes : field.size);
  std::memset(out, 0, n);
  if (isNull(value)) return;
  if (!t || t->blob) invalid(field, "is a blob field");
  switch (t->kind) {
    case ValueKind::Text:
      encodeAlpha(field, value, out, n, codePage);
      return;
    case ValueKind::Whole:
      encodeInteger(field, value, out, static_cast<int>(n), t->wholeLimit);
      return;
    case ValueKind::Date:
      encodeDate(field, value, out);
      return;
    case ValueKind::Time:
      encodeTime(field, value, out);
      return;
    case ValueKind::Number:
      encodeNumber(field, value, out);
      return;
    case ValueKind::Timestamp:
      encodeTimestamp(field, value, out);
      return;
    case ValueKind::Logical:
      out[0] = expect<bool>(field, value, "true or false") ? 0x81 : 0x80;
      return;
    case ValueKind::Decimal:
      encodeBcd(field, expect<Decimal>(field, value, "a decimal").text, out);
      return;
    case ValueKind::Binary:
      encodeBytes(field, value, out, n);
      return;
  }
}

Date makeDate(int year, unsigned month, unsigned day) {
  const std::chrono::year_month_day ymd{std::chrono::year{year}, std::chrono::month{month},
                                        std::chrono::day{day}};
  return Date{static_cast<std::int32_t>(std::chrono::sys_days{ymd}.time_since_epoch().count() +
                                        kDaysTo1970)};
}

void splitDate(Date date, int& year, unsigned& month, unsigned& day) {
  const std::chrono::year_month_day ymd{
      std::chrono::sys_days{std::chrono::days{date.day - kDaysTo1970}}};
  year = static_cast<int>(ymd.year());
  month = static_cast<unsigned>(ymd.month());
  day = static_cast<unsigned>(ymd.day());
}

}  // namespace torvelle::format::codec
