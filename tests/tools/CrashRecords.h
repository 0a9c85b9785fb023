#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/format/Value.h"

// The table the crash test writes and the record it writes for each key, so
// that the killed child and the checking parent agree on what is expected.
namespace torvelle::tools::test {

inline std::vector<format::FieldDef> crashFields() {
  return {{"Id", format::FieldType::Long, 4},
          {"Name", format::FieldType::Alpha, 30},
          {"Note", format::FieldType::Memo, 20}};
}

// The key of the n-th insert: a fixed permutation, so that inserts land
// between stored records and split blocks rather than only append.
inline std::int32_t crashKey(std::int32_t n) {
  return static_cast<std::int32_t>(static_cast<std::int64_t>(n) * 7919 % 100003) + 1;
}

// Memos of three sizes: in the record, sub-allocated and in a block of
// their own, so that a kill can land in each kind of blob write.
inline format::Record crashRecord(std::int32_t key) {
  const std::size_t noteSize = key % 3 == 0 ? 3000 : key % 3 == 1 ? 300 : 5;
  return {key, "Запись " + std::to_string(key),
          std::string(noteSize, static_cast<char>('a' + key % 26))};
}

// The cascade test's phone table: Section;Name keyed, as the phone book.
inline std::vector<format::FieldDef> cascadeFields() {
  return {{"Section", format::FieldType::Alpha, 20},
          {"Name", format::FieldType::Alpha, 30},
          {"Phone", format::FieldType::Alpha, 20}};
}
constexpr int kCascadeRecords = 10'000;
// The two names the cascaded section takes in turn; a third section lies
// between them in key order, so that every rename moves the records past it.
inline const char* const kCascadeNames[2] = {"Alpha", "Omega"};
constexpr const char* kBystanderSection = "Middle";

inline format::Record cascadeRecord(const std::string& section, int n) {
  return {section, "Person " + std::to_string(n), "+7 495 " + std::to_string(1'000'000 + n)};
}

}  // namespace torvelle::tools::test
