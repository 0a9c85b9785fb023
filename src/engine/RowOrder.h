#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/format/Value.h"

namespace torvelle::engine {

// One stored record as an open table keeps it in memory.
struct StoredRow {
  format::Record values;
  std::vector<std::string> texts;  // display texts (TableShape::textSlot)
  mutable std::string folded;      // RecordView::foldedText's cache
  std::uint32_t orderPos = 0;      // position in the index order
  std::uint32_t filePos = 0;       // ordinal in the file
  bool alive = true;
};

// The stored rows of an open table by slot, and two orders over them: the
// file's and the index's. A row keeps its slot until the file is read again,
// which begins a new generation. When the index is a prefix of the primary
// key the file's order is the index order; any other index is sorted here,
// ties in the file's order.
class RowOrder {
 public:
  // No slot: what a default bookmark holds, and the pending row's mark.
  static constexpr std::uint32_t kNoSlot = 0xFFFFFFFFu;

  // The index: field positions; `keyFieldCount` leading fields form the
  // primary key. Call sort() to put the rows in the new order.
  void setIndex(std::vector<int> fields, int keyFieldCount);
  const std::vector<int>& indexFields() const { return indexFields_; }
  // True when the index order is our own rather than the file's.
  bool ownOrder() const { return ownOrder_; }
  bool isIndexField(int field) const;

  // Takes `rows` in file order as the rows of a new generation, sorted.
  void load(std::vector<StoredRow> rows);
  void clear();
  void sort();
  std::uint64_t generation() const { return generation_; }

  std::size_t slotCount() const { return rows_.size(); }
  StoredRow& row(std::uint32_t slot) { return rows_[slot]; }
  const StoredRow& row(std::uint32_t slot) const { return rows_[slot]; }
  // A slot of this generation whose record has not been removed.
  bool holds(std::uint32_t slot) const { return slot < rows_.size() && rows_[slot].alive; }
  // The live slots in index order.
  const std::vector<std::uint32_t>& inOrder() const { return order_; }

  // A new row stored at `ordinal` of the file; returns its slot.
  std::uint32_t add(StoredRow row, std::size_t ordinal);
  // The row at `slot` now stands at `ordinal` of the file with new values.
  void move(std::uint32_t slot, std::size_t ordinal);
  void remove(std::uint32_t slot);
  void removeMany(const std::vector<std::uint32_t>& slots);
  // The rows at `slots` (sorted) now stand at `ordinals` of the file; the
  // others keep their order around them. The index order is left to sort().
  void placeInFile(const std::vector<std::uint32_t>& slots,
                   const std::vector<std::size_t>& ordinals);

  // `key` (one value per leading index field) as the index fields' types hold
  // it; DbError when it does not fit the index.
  format::Record probe(const format::Record& key,
                       const std::vector<format::FieldDef>& fields) const;
  // Positions [first, last) in index order of the rows whose leading index
  // fields equal `probe`; O(log n).
  std::pair<std::size_t, std::size_t> range(const format::Record& probe) const;

 private:
  bool less(std::uint32_t a, std::uint32_t b) const;
  void place(std::uint32_t slot, std::size_t ordinal);
  void drop(std::uint32_t slot);
  void renumber(const std::vector<std::uint32_t>& slots, std::uint32_t StoredRow::*position,
                std::size_t from = 0);

  std::vector<int> indexFields_;
  bool ownOrder_ = false;
  std::uint64_t generation_ = 0;
  std::vector<StoredRow> rows_;           // by slot; never reordered
  std::vector<std::uint32_t> order_;      // slots in index order
  std::vector<std::uint32_t> fileOrder_;  // slots by ordinal
};

}  // namespace torvelle::engine
