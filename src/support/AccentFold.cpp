#include "support/AccentFold.h"

#include <algorithm>

#include "support/AccentTable.h"
#include "support/CodePage.h"
#include "support/Utf8.h"

namespace torvelle::support {

std::string_view baseLetters(char32_t letter) {
  const auto* begin = detail::kAccentTable;
  const auto* end = begin + detail::kAccentTableSize;
  const auto* it = std::lower_bound(
      begin, end, letter, [](const detail::AccentEntry& e, char32_t c) { return e.letter < c; });
  return it != end && it->letter == letter ? std::string_view(it->base) : std::string_view();
}

std::string foldAccents(std::string_view utf8, int codePage) {
  // Most texts fit as they are; only those that do not are taken apart.
  if (!codePageSupported(codePage) || representable(utf8, codePage) || !isValidUtf8(utf8))
    return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const std::size_t start = pos;
    bool ok = false;
    const char32_t cp = decodeUtf8(utf8, pos, ok);
    const std::string_view one = utf8.substr(start, pos - start);
    const std::string_view base = cp < 0x80 ? std::string_view() : baseLetters(cp);
    if (!base.empty() && !representable(one, codePage) && representable(base, codePage))
      out += base;
    else
      out += one;
  }
  return out;
}

}  // namespace torvelle::support
