#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/RecordView.h"
#include "engine/RowOrder.h"
#include "engine/format/TableFile.h"
#include "engine/format/Value.h"

namespace torvelle::engine {

struct DisplayFormats;

// The record an insert or an edit is building: its values with their display
// texts, kept apart from the stored rows until it is posted, which of its
// fields were set, and which stored record it edits.
class PendingRecord {
 public:
  // A copy of the stored row at `slot`; no field set yet.
  void startEdit(std::uint32_t slot, const StoredRow& row);
  // A new record of `values` with their `texts`; every field counts as set,
  // so that all of them are written.
  void startInsert(format::Record values, std::vector<std::string> texts);
  void clear();

  // The stored record being edited; RowOrder::kNoSlot while inserting.
  std::uint32_t slot() const { return slot_; }
  bool modified() const { return modified_; }
  void setModified(bool modified) { modified_ = modified; }
  std::size_t fieldCount() const { return values_.size(); }
  format::Record& values() { return values_; }
  RecordView view(const TableShape& shape) const {
    return RecordView(shape, values_, texts_.data(), &folded_);
  }

  // Sets `field` to `value` (already of the field's type) and its display
  // text at `textSlot` (TableShape::textSlot; < 0 when the value is a text).
  void set(std::size_t field, format::Value value, int textSlot, const DisplayFormats& formats);
  // The fields set to a value other than the one in `stored`.
  format::FieldChanges changesFrom(const format::Record& stored) const;

 private:
  format::Record values_;
  std::vector<std::string> texts_;
  mutable std::string folded_;  // RecordView::foldedText's cache
  std::vector<bool> set_;
  std::uint32_t slot_ = RowOrder::kNoSlot;
  bool modified_ = false;
};

}  // namespace torvelle::engine
