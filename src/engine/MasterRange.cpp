#include "engine/MasterRange.h"

#include <algorithm>

#include "engine/DataSource.h"
#include "engine/FieldText.h"
#include "engine/Table.h"

namespace torvelle::engine {

namespace {

bool sameValue(const format::Value& a, const format::Value& b) {
  return compareValues(a, b) == 0;
}

}  // namespace

void MasterRange::setFields(const std::vector<std::string>& masterNames,
                            const std::vector<int>& indexFields, const TableShape& shape) {
  masterNames_ = masterNames;
  detailFields_.clear();
  for (std::size_t i = 0; i < masterNames_.size(); ++i) {
    if (i < indexFields.size())
      detailFields_.push_back(indexFields[i]);
    else
      detailFields_.push_back(shape.requireField(masterNames_[i]));
  }
}

bool MasterRange::follow(const DataSource* master) {
  const Kind oldKind = kind_;
  const format::Record oldValues = std::move(values_);
  values_.clear();
  kind_ = master ? Kind::None : Kind::All;
  const Table* m = master ? master->table() : nullptr;
  if (m && m->isOpen() && m->currentRow()) {
    const RecordView cur = m->current();
    bool found = true;
    for (std::size_t i = 0; found && i < masterNames_.size(); ++i) {
      const int f = m->fieldIndex(masterNames_[i]);
      found = f >= 0;
      if (found) values_.push_back(cur.value(f));
    }
    if (found && values_.size() == detailFields_.size()) kind_ = Kind::Values;
  }
  return kind_ != oldKind || values_.size() != oldValues.size() ||
         !std::equal(oldValues.begin(), oldValues.end(), values_.begin(), sameValue);
}

bool MasterRange::contains(const format::Record& values) const {
  if (kind_ == Kind::All) return true;
  if (kind_ == Kind::None) return false;
  for (std::size_t i = 0; i < detailFields_.size(); ++i)
    if (!sameValue(values[static_cast<std::size_t>(detailFields_[i])], values_[i])) return false;
  return true;
}

void MasterRange::fill(format::Record& values) const {
  if (kind_ != Kind::Values) return;
  for (std::size_t i = 0; i < detailFields_.size(); ++i)
    values[static_cast<std::size_t>(detailFields_[i])] = values_[i];
}

}  // namespace torvelle::engine
