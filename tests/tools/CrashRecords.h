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

// Memos of three sizes: in the record, sub-allocated and in a block of
// their own, so that a kill can land in each kind of blob write.
inline format::Record crashRecord(std::int32_t key) {
  const std::size_t noteSize = key % 3 == 0 ? 3000 : key % 3 == 1 ? 300 : 5;
  return {key, "Запись " + std::to_string(key),
          std::string(noteSize, static_cast<char>('a' + key % 26))};
}

}  // namespace torvelle::tools::test
