#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "engine/format/Value.h"

namespace torvelle::engine {

class TableShape;

// Read access to one record's values and their texts, without copying: what
// a filter test and a grid row see. Valid until the table changes.
class RecordView {
 public:
  RecordView(const TableShape& shape, const format::Record& values, const std::string* texts)
      : shape_(&shape), values_(&values), texts_(texts) {}

  int fieldCount() const { return static_cast<int>(values_->size()); }
  const format::Value& value(int field) const {
    return (*values_)[static_cast<std::size_t>(field)];
  }
  // The display text; null gives "".
  std::string_view text(int field) const;
  // By name, letter case ignored; DbError for an unknown name.
  const format::Value& value(std::string_view name) const;
  std::string_view text(std::string_view name) const;
  const format::Record& values() const { return *values_; }

 private:
  const TableShape* shape_;
  const format::Record* values_;
  const std::string* texts_;  // display texts of the fields not held as text
};

// The fields of an open table and where each one's display text lives.
class TableShape {
 public:
  void reset(std::vector<format::FieldDef> fields);
  const std::vector<format::FieldDef>& fields() const { return fields_; }
  int fieldIndex(std::string_view name) const;    // -1 when unknown
  int requireField(std::string_view name) const;  // DbError when unknown
  // Index into a row's text array, or -1 for fields whose value is a text.
  int textSlot(int field) const { return textSlots_[static_cast<std::size_t>(field)]; }
  std::size_t textCount() const { return textCount_; }

 private:
  std::vector<format::FieldDef> fields_;
  std::vector<int> textSlots_;
  std::size_t textCount_ = 0;
};

}  // namespace torvelle::engine
