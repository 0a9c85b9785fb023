#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <variant>

#include "engine/format/Value.h"

namespace torvelle::format {

// What a field's value holds. Each kind is the index of its alternative in
// Value, so a value is of the field's kind when value.index() says so.
enum class ValueKind : std::uint8_t {
  Text = 1,  // Alpha, Memo
  Whole,     // Short, Long, AutoIncrement
  Number,    // Number, Currency
  Logical,
  Date,
  Time,
  Timestamp,
  Decimal,  // BCD
  Binary,   // Bytes and the blobs other than Memo
};

static_assert(std::is_same_v<Value, std::variant<std::monostate, std::string, std::int32_t, double,
                                                 bool, Date, Time, Timestamp, Decimal, Binary>>,
              "the kinds follow the alternatives of Value");

inline bool holdsKind(const Value& value, ValueKind kind) {
  return value.index() == static_cast<std::size_t>(kind);
}

// Everything the program knows of one field type. Adding a type is adding
// an entry to kFieldTypes; the codec, the checks and the text forms read
// their rules from here.
struct FieldTypeTraits {
  FieldType type;
  char letter;     // in a table's description: "A30", "D", "#2"
  ValueKind kind;  // what a value of the field holds
  // Bytes in a record; 0 where the size byte of the descriptor says.
  std::uint8_t fixedBytes;
  // The size byte a new table may give it; both 0 for a type whose size
  // byte is its fixed size.
  std::uint8_t sizeMin, sizeMax;
  bool blob;  // kept in the memo file behind a leader in the record
  // Whole: the largest magnitude. The most negative stored pattern is null.
  std::int32_t wholeLimit;

  // Does the descriptor's size byte tell something (width, decimals)?
  constexpr bool sizeChosen() const { return sizeMax != 0; }
};

inline constexpr std::array<FieldTypeTraits, 17> kFieldTypes{{
    {FieldType::Alpha, 'A', ValueKind::Text, 0, 1, 255, false, 0},
    {FieldType::Date, 'D', ValueKind::Date, 4, 0, 0, false, 0},
    {FieldType::Short, 'S', ValueKind::Whole, 2, 0, 0, false, 32767},
    {FieldType::Long, 'I', ValueKind::Whole, 4, 0, 0, false, 2147483647},
    {FieldType::Currency, '$', ValueKind::Number, 8, 0, 0, false, 0},
    {FieldType::Number, 'N', ValueKind::Number, 8, 0, 0, false, 0},
    {FieldType::Logical, 'L', ValueKind::Logical, 1, 0, 0, false, 0},
    // A memo's leader holds at least one character of its text.
    {FieldType::Memo, 'M', ValueKind::Text, 0, 11, 250, true, 0},
    {FieldType::Binary, 'B', ValueKind::Binary, 0, 10, 250, true, 0},
    {FieldType::FormattedMemo, 'F', ValueKind::Binary, 0, 10, 250, true, 0},
    {FieldType::Ole, 'O', ValueKind::Binary, 0, 10, 250, true, 0},
    {FieldType::Graphic, 'G', ValueKind::Binary, 0, 10, 250, true, 0},
    {FieldType::Time, 'T', ValueKind::Time, 4, 0, 0, false, 0},
    {FieldType::Timestamp, '@', ValueKind::Timestamp, 8, 0, 0, false, 0},
    {FieldType::AutoIncrement, '+', ValueKind::Whole, 4, 0, 0, false, 2147483647},
    // The size byte of a decimal is its number of fraction digits.
    {FieldType::Bcd, '#', ValueKind::Decimal, 17, 0, 32, false, 0},
    {FieldType::Bytes, 'Y', ValueKind::Binary, 0, 1, 255, false, 0},
}};

namespace detail {
// kFieldTypes by type code, so that a look-up in the codec's loops is one
// index; 0 marks a code that is no type.
inline constexpr std::size_t kCodeCount = 0x19;
constexpr std::array<std::uint8_t, kCodeCount> slotsByCode() {
  std::array<std::uint8_t, kCodeCount> byCode{};
  for (std::size_t i = 0; i < kFieldTypes.size(); ++i)
    byCode[static_cast<std::size_t>(kFieldTypes[i].type)] = static_cast<std::uint8_t>(i + 1);
  return byCode;
}
inline constexpr std::array<std::uint8_t, kCodeCount> kSlotByCode = slotsByCode();
}  // namespace detail

// The entry of a type code, or null for a code that is no type.
constexpr const FieldTypeTraits* findFieldType(std::uint8_t code) {
  if (code >= detail::kCodeCount || detail::kSlotByCode[code] == 0) return nullptr;
  return &kFieldTypes[detail::kSlotByCode[code] - 1u];
}

namespace detail {
// Each entry is found by its own code, and the codes between are no type.
constexpr bool tableAgrees() {
  std::size_t found = 0;
  for (std::size_t code = 0; code < kCodeCount + 8; ++code) {
    const FieldTypeTraits* t = findFieldType(static_cast<std::uint8_t>(code));
    if (!t) continue;
    if (static_cast<std::size_t>(t->type) != code) return false;
    ++found;
  }
  return found == kFieldTypes.size();
}
static_assert(tableAgrees());
}  // namespace detail

// The entry of a type as a header holds it, or null for a code that is no type.
constexpr const FieldTypeTraits* findFieldType(FieldType type) {
  return findFieldType(static_cast<std::uint8_t>(type));
}

// The entry of a type read from a checked header or named in code.
constexpr const FieldTypeTraits& fieldTypeOf(FieldType type) {
  return *findFieldType(type);
}

inline ValueKind valueKind(FieldType type) {
  return fieldTypeOf(type).kind;
}

}  // namespace torvelle::format
