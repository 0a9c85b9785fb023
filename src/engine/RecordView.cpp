#include "engine/RecordView.h"

#include "engine/DbError.h"
#include "engine/FieldText.h"
#include "engine/format/FieldTypes.h"
#include "support/TextMatch.h"

#include <cstdint>
#include <cstring>

namespace torvelle::engine {

std::string_view RecordView::text(int field) const {
  const int slot = shape_->textSlot(field);
  if (slot >= 0) return texts_[slot];
  if (const auto* s = std::get_if<std::string>(&value(field))) return *s;
  return {};
}

const format::Value& RecordView::value(std::string_view name) const {
  return value(shape_->requireField(name));
}

std::string_view RecordView::text(std::string_view name) const {
  return text(shape_->requireField(name));
}

// The cache is one string: n + 1 offsets, then each folded text followed by
// a NUL, so that a record costs one allocation however many fields it has.
std::string_view RecordView::foldedSpan(int first, int last) const {
  if (!foldCache_) throw DbError(DbError::Kind::General, "No fold cache for this record.");
  std::string& cache = *foldCache_;
  const auto n = static_cast<std::size_t>(fieldCount());
  const std::size_t header = (n + 1) * sizeof(std::uint32_t);
  if (cache.empty()) {
    std::size_t total = header + n;
    for (std::size_t i = 0; i < n; ++i) total += text(static_cast<int>(i)).size();
    cache.reserve(total);
    cache.resize(header);
    for (std::size_t i = 0; i <= n; ++i) {
      const auto offset = static_cast<std::uint32_t>(cache.size());
      std::memcpy(cache.data() + i * sizeof offset, &offset, sizeof offset);
      if (i == n) break;
      cache += shape_->caseFold()(text(static_cast<int>(i)));
      cache.push_back('\0');
    }
  }
  if (first < 0 || last < first || last >= fieldCount())
    throw DbError(DbError::Kind::InvalidValue, "No such fields.");
  std::uint32_t begin = 0, end = 0;
  std::memcpy(&begin, cache.data() + static_cast<std::size_t>(first) * sizeof begin, sizeof begin);
  std::memcpy(&end, cache.data() + static_cast<std::size_t>(last + 1) * sizeof end, sizeof end);
  return std::string_view(cache).substr(begin, end - begin);
}

std::string_view RecordView::foldedText(int field) const {
  const std::string_view span = foldedSpan(field, field);
  return span.substr(0, span.size() - 1);
}

std::string_view RecordView::foldedTexts(int first, int last) const {
  return foldedSpan(first, last);
}

void TableShape::reset(std::vector<format::FieldDef> fields, int codePage) {
  fields_ = std::move(fields);
  fold_ = support::CaseFold(codePage);
  textSlots_.assign(fields_.size(), -1);
  textCount_ = 0;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (format::valueKind(fields_[i].type) != format::ValueKind::Text)
      textSlots_[i] = static_cast<int>(textCount_++);
  }
}

int TableShape::fieldIndex(std::string_view name) const {
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (sameFieldName(fields_[i].name, name)) return static_cast<int>(i);
  return -1;
}

int TableShape::requireField(std::string_view name) const {
  const int i = fieldIndex(name);
  if (i < 0)
    throw DbError(DbError::Kind::InvalidValue, "Field '" + std::string(name) + "' not found.");
  return i;
}

}  // namespace torvelle::engine
