#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "engine/format/Value.h"
#include "support/TextMatch.h"

namespace torvelle::engine {

class TableShape;

// Read access to one record's values and their texts, without copying: what
// a filter test and a grid row see. Valid until the table changes.
class RecordView {
 public:
  RecordView(const TableShape& shape, const format::Record& values, const std::string* texts,
             std::string* foldCache = nullptr)
      : shape_(&shape), values_(&values), texts_(texts), foldCache_(foldCache) {}

  int fieldCount() const { return static_cast<int>(values_->size()); }
  const format::Value& value(int field) const {
    return (*values_)[static_cast<std::size_t>(field)];
  }
  // The display text; null gives "".
  std::string_view text(int field) const;
  // By name, letter case ignored; DbError for an unknown name.
  const format::Value& value(std::string_view name) const;
  std::string_view text(std::string_view name) const;
  // The text folded to capitals by the table's fold (TableShape::caseFold), kept with the record
  // after the first request: a filter that ignores letter case folds each
  // record once rather than at every keystroke.
  std::string_view foldedText(int field) const;
  // The folded texts of fields first to last, each followed by a NUL: one
  // search for a pattern (which never holds a NUL) tests them all at once.
  std::string_view foldedTexts(int first, int last) const;
  const format::Record& values() const { return *values_; }

 private:
  const TableShape* shape_;
  const format::Record* values_;
  std::string_view foldedSpan(int first, int last) const;

  const std::string* texts_;  // display texts of the fields not held as text
  std::string* foldCache_;    // "" until filled; see foldedText
};

// The fields of an open table and where each one's display text lives.
class TableShape {
 public:
  void reset(std::vector<format::FieldDef> fields, int codePage = 1251);
  const std::vector<format::FieldDef>& fields() const { return fields_; }
  int fieldIndex(std::string_view name) const;    // -1 when unknown
  int requireField(std::string_view name) const;  // DbError when unknown
  // Index into a row's text array, or -1 for fields whose value is a text.
  int textSlot(int field) const { return textSlots_[static_cast<std::size_t>(field)]; }
  std::size_t textCount() const { return textCount_; }
  // How a filter that ignores letter case folds this table's texts.
  const support::CaseFold& caseFold() const { return fold_; }

 private:
  support::CaseFold fold_;
  std::vector<format::FieldDef> fields_;
  std::vector<int> textSlots_;
  std::size_t textCount_ = 0;
};

}  // namespace torvelle::engine
