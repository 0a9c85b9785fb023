#include "engine/RecordView.h"

#include "engine/DbError.h"
#include "engine/FieldText.h"

namespace torvelle::engine {

using format::FieldType;

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

void TableShape::reset(std::vector<format::FieldDef> fields) {
  fields_ = std::move(fields);
  textSlots_.assign(fields_.size(), -1);
  textCount_ = 0;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const FieldType t = fields_[i].type;
    const bool heldAsText = t == FieldType::Alpha || t == FieldType::Memo;
    if (!heldAsText) textSlots_[i] = static_cast<int>(textCount_++);
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
