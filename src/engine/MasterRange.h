#pragma once
#include <string>
#include <vector>

#include "engine/format/Value.h"

namespace torvelle::engine {

class DataSource;
class TableShape;

// The records a master link lets through: those whose detail fields equal
// the master's current values of the master fields. Without a link every
// record passes; with a master that has no current record, none does.
class MasterRange {
 public:
  // The detail fields that meet the master's fields `masterNames`: the
  // leading index fields, and beyond those the detail's fields of the same
  // names (DbError when there is none).
  void setFields(const std::vector<std::string>& masterNames, const std::vector<int>& indexFields,
                 const TableShape& shape);
  // Takes the range from `master`'s current record (nullptr: no link). True
  // when it differs from the range before.
  bool follow(const DataSource* master);

  // True when no record can pass.
  bool empty() const { return kind_ == Kind::None; }
  bool contains(const format::Record& values) const;
  // Gives a new record the range's values, as the link requires.
  void fill(format::Record& values) const;

 private:
  enum class Kind { All, None, Values };

  std::vector<std::string> masterNames_;
  std::vector<int> detailFields_;
  Kind kind_ = Kind::All;
  format::Record values_;
};

}  // namespace torvelle::engine
