#include "print/Pagination.h"

namespace torvelle::print {

std::vector<PageSpan> paginate(const std::vector<RowBox>& rows, int bodyHeight) {
  std::vector<PageSpan> pages;
  std::size_t begin = 0;
  while (begin < rows.size()) {
    std::size_t end = begin;
    int used = 0;
    while (end < rows.size() && (end == begin || used + rows[end].height <= bodyHeight))
      used += rows[end++].height;
    // Headings left at the foot of the page move over to their rows, unless
    // the page would then hold nothing but them.
    std::size_t cut = end;
    while (end < rows.size() && cut > begin && rows[cut - 1].keepWithNext) --cut;
    if (cut > begin) end = cut;
    pages.push_back({begin, end});
    begin = end;
  }
  if (pages.empty()) pages.push_back({0, 0});
  return pages;
}

}  // namespace torvelle::print
