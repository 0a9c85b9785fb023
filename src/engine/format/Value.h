#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace torvelle::format {

// Paradox field type codes as stored in the field descriptors.
enum class FieldType : std::uint8_t {
  Alpha = 0x01,
  Date = 0x02,
  Short = 0x03,
  Long = 0x04,
  Currency = 0x05,
  Number = 0x06,
  Logical = 0x09,
  Memo = 0x0C,
  Binary = 0x0D,
  FormattedMemo = 0x0E,
  Ole = 0x0F,
  Graphic = 0x10,
  Time = 0x14,
  Timestamp = 0x15,
  AutoIncrement = 0x16,
  Bcd = 0x17,
  Bytes = 0x18,
};

struct FieldDef {
  std::string name;  // UTF-8
  FieldType type = FieldType::Alpha;
  int size = 0;  // the size byte of the descriptor (BCD: fraction digits)
};

// Bytes of a blob value kept in the record before the 10-byte reference to
// the memo file (the size byte of a blob field is at least 10).
inline std::size_t blobLeader(const FieldDef& blobField) {
  return static_cast<std::size_t>(blobField.size) - 10;
}

// Day number: 0001-01-01 (proleptic Gregorian) is day 1.
struct Date {
  std::int32_t day = 0;
  friend bool operator==(const Date&, const Date&) = default;
  friend auto operator<=>(const Date&, const Date&) = default;
};
// Milliseconds since midnight.
struct Time {
  std::int32_t msec = 0;
  friend bool operator==(const Time&, const Time&) = default;
  friend auto operator<=>(const Time&, const Time&) = default;
};
// Milliseconds: day number * 86 400 000 + milliseconds of the day.
struct Timestamp {
  double msec = 0;
  friend bool operator==(const Timestamp&, const Timestamp&) = default;
  friend auto operator<=>(const Timestamp&, const Timestamp&) = default;
};
// A BCD value as decimal text, "-12.30" (fraction digits as the field has).
struct Decimal {
  std::string text;
  friend bool operator==(const Decimal&, const Decimal&) = default;
};
// Raw bytes: Bytes fields and the binary, formatted memo, OLE and graphic blobs.
struct Binary {
  std::string bytes;
  friend bool operator==(const Binary&, const Binary&) = default;
};

// One field's value. std::monostate is null, distinct from every other value
// (an empty Alpha reads as null: the format cannot tell them apart).
//   Alpha, Memo              -> std::string (UTF-8)
//   Short, Long, AutoIncrement -> std::int32_t
//   Number, Currency         -> double
//   Logical                  -> bool
using Value = std::variant<std::monostate, std::string, std::int32_t, double, bool, Date, Time,
                           Timestamp, Decimal, Binary>;

using Record = std::vector<Value>;

inline bool isNull(const Value& v) {
  return std::holds_alternative<std::monostate>(v);
}

}  // namespace torvelle::format
