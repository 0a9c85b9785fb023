#pragma once
#include <cstddef>
#include <vector>

namespace torvelle::print {

// One printed line of a list as the page breaking sees it.
struct RowBox {
  int height = 0;
  // A group heading: it never ends a page, it goes over with its first row.
  bool keepWithNext = false;
};

// The rows [begin, end) on one page.
struct PageSpan {
  std::size_t begin = 0;
  std::size_t end = 0;
  friend bool operator==(const PageSpan&, const PageSpan&) = default;
};

// Breaks rows into pages that each hold `bodyHeight` of rows below the
// repeated column titles. A row taller than a whole page gets a page of its
// own (it is clipped there), so breaking always ends. No rows: one empty page,
// so that a title and column titles still print.
std::vector<PageSpan> paginate(const std::vector<RowBox>& rows, int bodyHeight);

}  // namespace torvelle::print
