#include "exchange/LooseValues.h"

#include <charconv>
#include <vector>

#include "engine/FieldText.h"
#include "support/AsciiText.h"

namespace torvelle::exchange {
namespace {

// Splits on `sep` into parts of digits only, each 1..maxDigits long.
std::optional<std::vector<int>> digitParts(std::string_view s, char sep, std::size_t maxDigits) {
  std::vector<int> parts;
  while (true) {
    const auto end = s.find(sep);
    const auto part = s.substr(0, end);
    if (part.empty() || part.size() > maxDigits) return std::nullopt;
    int value = 0;
    const auto [ptr, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (ec != std::errc() || ptr != part.data() + part.size()) return std::nullopt;
    parts.push_back(value);
    if (end == std::string_view::npos) return parts;
    s.remove_prefix(end + 1);
  }
}

}  // namespace

std::optional<format::Time> parseLooseTime(std::string_view text) {
  text = support::trimmed(text);
  int msec = 0;
  if (const auto dot = text.find('.'); dot != std::string_view::npos) {
    const auto fraction = text.substr(dot + 1);
    const auto digits = digitParts(fraction, '\0', 3);
    if (!digits) return std::nullopt;
    msec = (*digits)[0];
    for (auto n = fraction.size(); n < 3; ++n) msec *= 10;
    text = text.substr(0, dot);
  }
  const auto parts = digitParts(text, ':', 2);
  if (!parts || parts->size() < 2 || parts->size() > 3) return std::nullopt;
  const int h = (*parts)[0], m = (*parts)[1], s = parts->size() == 3 ? (*parts)[2] : 0;
  if (h > 23 || m > 59 || s > 59 || (msec != 0 && parts->size() != 3)) return std::nullopt;
  return format::Time{((h * 60 + m) * 60 + s) * 1000 + msec};
}

std::optional<format::Date> parseLooseDate(std::string_view text) {
  text = support::trimmed(text);
  if (const auto iso = digitParts(text, '-', 4); iso && iso->size() == 3 && text[4] == '-') {
    return engine::dayFromCivil((*iso)[0], (*iso)[1], (*iso)[2]);
  }
  if (const auto dotted = digitParts(text, '.', 4); dotted && dotted->size() == 3) {
    if (text.size() - text.rfind('.') != 5) return std::nullopt;  // a four-digit year
    return engine::dayFromCivil((*dotted)[2], (*dotted)[1], (*dotted)[0]);
  }
  return std::nullopt;
}

std::optional<format::Date> parseSlashedDate(std::string_view text, bool dayFirst) {
  text = support::trimmed(text);
  const auto parts = digitParts(text, '/', 4);
  if (!parts || parts->size() != 3 || text.size() - text.rfind('/') != 5) return std::nullopt;
  const int first = (*parts)[0], second = (*parts)[1];
  return dayFirst ? engine::dayFromCivil((*parts)[2], second, first)
                  : engine::dayFromCivil((*parts)[2], first, second);
}

}  // namespace torvelle::exchange
