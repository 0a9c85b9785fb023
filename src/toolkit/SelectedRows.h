#pragma once
#include <functional>
#include <vector>

#include "engine/Bookmark.h"

namespace torvelle::engine {
class Table;
}

namespace torvelle::toolkit {

// A grid's multi-row selection, kept as bookmarks of its table so that it
// survives rows moving. Items come in the table's order; a record that is
// deleted or no longer visible drops out of the selection.
class TSelectedRows {
 public:
  explicit TSelectedRows(std::function<engine::Table*()> table) : table_(std::move(table)) {}

  int Count() const;
  engine::Bookmark Items(int i) const;
  std::vector<engine::Bookmark> bookmarks() const;
  void Clear();
  void add(const engine::Bookmark& bookmark);
  // Adds or removes; true when the bookmark is selected afterwards.
  bool toggle(const engine::Bookmark& bookmark);
  bool isRowSelected(int row) const;

  // The table changed: positions must be looked up again before next use.
  void invalidate() { dirty_ = true; }
  void setChanged(std::function<void()> changed) { changed_ = std::move(changed); }

 private:
  struct Mark {
    engine::Bookmark bookmark;
    int row;
  };
  void update() const;
  void notify() const;

  std::function<engine::Table*()> table_;
  std::function<void()> changed_;
  mutable std::vector<Mark> marks_;  // by row
  mutable bool dirty_ = false;
};

}  // namespace torvelle::toolkit
