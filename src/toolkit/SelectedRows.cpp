#include "toolkit/SelectedRows.h"

#include <algorithm>

#include "engine/Table.h"

namespace torvelle::toolkit {

void TSelectedRows::update() const {
  if (!dirty_) return;
  dirty_ = false;
  const engine::Table* t = table_();
  std::vector<Mark> kept;
  for (Mark& m : marks_) {
    const auto row = t ? t->rowOfBookmark(m.bookmark) : std::nullopt;
    if (row) kept.push_back({m.bookmark, static_cast<int>(*row)});
  }
  std::sort(kept.begin(), kept.end(), [](const Mark& a, const Mark& b) { return a.row < b.row; });
  marks_ = std::move(kept);
}

void TSelectedRows::notify() const {
  if (changed_) changed_();
}

int TSelectedRows::Count() const {
  update();
  return static_cast<int>(marks_.size());
}

engine::Bookmark TSelectedRows::Items(int i) const {
  update();
  return marks_.at(static_cast<std::size_t>(i)).bookmark;
}

std::vector<engine::Bookmark> TSelectedRows::bookmarks() const {
  update();
  std::vector<engine::Bookmark> out;
  out.reserve(marks_.size());
  for (const Mark& m : marks_) out.push_back(m.bookmark);
  return out;
}

void TSelectedRows::Clear() {
  if (marks_.empty()) return;
  marks_.clear();
  dirty_ = false;
  notify();
}

void TSelectedRows::add(const engine::Bookmark& bookmark) {
  if (bookmark.empty()) return;
  update();
  if (std::any_of(marks_.begin(), marks_.end(),
                  [&](const Mark& m) { return m.bookmark == bookmark; }))
    return;
  marks_.push_back({bookmark, -1});
  dirty_ = true;
  notify();
}

bool TSelectedRows::toggle(const engine::Bookmark& bookmark) {
  if (bookmark.empty()) return false;
  update();
  const auto it = std::find_if(marks_.begin(), marks_.end(),
                               [&](const Mark& m) { return m.bookmark == bookmark; });
  if (it != marks_.end()) {
    marks_.erase(it);
    notify();
    return false;
  }
  add(bookmark);
  return true;
}

bool TSelectedRows::isRowSelected(int row) const {
  update();
  return std::binary_search(marks_.begin(), marks_.end(), Mark{{}, row},
                            [](const Mark& a, const Mark& b) { return a.row < b.row; });
}

}  // namespace torvelle::toolkit
