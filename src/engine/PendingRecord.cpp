#include "engine/PendingRecord.h"

#include "engine/FieldText.h"

namespace torvelle::engine {

void PendingRecord::startEdit(std::uint32_t slot, const StoredRow& row) {
  slot_ = slot;
  values_ = row.values;
  texts_ = row.texts;
  folded_ = row.folded;
  set_.assign(values_.size(), false);
  modified_ = false;
}

void PendingRecord::startInsert(format::Record values, std::vector<std::string> texts) {
  slot_ = RowOrder::kNoSlot;
  values_ = std::move(values);
  texts_ = std::move(texts);
  folded_.clear();
  set_.assign(values_.size(), true);
  modified_ = false;
}

void PendingRecord::clear() {
  slot_ = RowOrder::kNoSlot;
  modified_ = false;
  values_.clear();
  texts_.clear();
  folded_.clear();
  set_.clear();
}

void PendingRecord::set(std::size_t field, format::Value value, int textSlot,
                        const DisplayFormats& formats) {
  values_[field] = std::move(value);
  if (textSlot >= 0)
    texts_[static_cast<std::size_t>(textSlot)] = valueText(values_[field], formats);
  folded_.clear();
  set_[field] = true;
  modified_ = true;
}

format::FieldChanges PendingRecord::changesFrom(const format::Record& stored) const {
  format::FieldChanges changes;
  for (std::size_t i = 0; i < values_.size(); ++i)
    if (set_[i] && compareValues(values_[i], stored[i]) != 0)
      changes.emplace_back(static_cast<int>(i), values_[i]);
  return changes;
}

}  // namespace torvelle::engine
