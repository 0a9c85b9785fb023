#include "exchange/CsvContent.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "engine/FieldNames.h"
#include "support/AsciiText.h"

namespace torvelle::exchange {
namespace {

std::string trimmed(std::string_view s) {
  return std::string(support::trimmed(s, support::kAsciiWhiteSpace));
}

bool isEmail(std::string_view cell) {
  const auto at = cell.find('@');
  return at != std::string_view::npos && at > 0 && cell.find('.', at) != std::string_view::npos &&
         cell.find(' ') == std::string_view::npos;
}

bool isPhone(std::string_view cell) {
  std::size_t digits = 0;
  for (const char c : cell) {
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (std::string_view("+-() ./").find(c) == std::string_view::npos) {
      return false;
    }
  }
  // Fewer digits than this are a house number or a year.
  constexpr std::size_t kPhoneDigits = 6;
  return digits >= kPhoneDigits && cell.find('/') == std::string_view::npos;
}

bool isWebSite(std::string_view cell) {
  const std::string lower = support::asciiLower(cell);
  return lower.starts_with("http://") || lower.starts_with("https://") || lower.starts_with("www.");
}

enum class Content { Empty, Email, Phone, Web, Text };

Content contentOf(std::string_view cell) {
  const std::string c = trimmed(cell);
  if (c.empty()) return Content::Empty;
  if (isEmail(c)) return Content::Email;
  if (isWebSite(c)) return Content::Web;
  if (isPhone(c)) return Content::Phone;
  return Content::Text;
}

// Three numbers parted by slashes, the last of four digits.
bool slashedParts(std::string_view cell, int& a, int& b) {
  const std::string c = trimmed(cell);
  const auto s1 = c.find('/');
  const auto s2 = s1 == std::string::npos ? s1 : c.find('/', s1 + 1);
  if (s2 == std::string::npos || c.size() - s2 != 5) return false;
  const auto number = [](const std::string& t) {
    if (t.empty() || t.size() > 2 ||
        !std::all_of(t.begin(), t.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
      return -1;
    return std::stoi(t);
  };
  a = number(c.substr(0, s1));
  b = number(c.substr(s1 + 1, s2 - s1 - 1));
  return a > 0 && b > 0;
}

}  // namespace

std::string firstOfList(std::string_view cell) {
  std::string rest(cell);
  for (std::string::size_type pos; (pos = rest.find(":::")) != std::string::npos;) {
    rest.replace(pos, 3, ";");
  }
  std::size_t start = 0;
  while (start <= rest.size()) {
    auto end = rest.find_first_of(";,", start);
    if (end == std::string::npos) end = rest.size();
    std::string part = trimmed(std::string_view(rest).substr(start, end - start));
    if (!part.empty() && part[0] != '*') return part;
    start = end + 1;
  }
  return {};
}

bool looksLikeData(const std::vector<std::string>& cells) {
  return std::any_of(cells.begin(), cells.end(), [](const std::string& cell) {
    const Content c = contentOf(cell);
    return c == Content::Email || c == Content::Phone;
  });
}

std::vector<std::string> fieldsByContent(const std::vector<std::vector<std::string>>& rows) {
  std::size_t width = 0;
  for (const auto& row : rows) width = std::max(width, row.size());
  std::vector<std::string> fields(width);
  bool name = false, email = false, web = false;
  std::size_t phones = 0;
  for (std::size_t c = 0; c < width; ++c) {
    std::map<Content, std::size_t> votes;
    for (const auto& row : rows) {
      if (c < row.size()) ++votes[contentOf(row[c])];
    }
    votes.erase(Content::Empty);
    if (votes.empty()) continue;
    const auto most =
        std::max_element(votes.begin(), votes.end(), [](const auto& x, const auto& y) {
          return x.second < y.second;
        })->first;
    if (most == Content::Email && !email) {
      fields[c] = engine::kEmailField;
      email = true;
    } else if (most == Content::Web && !web) {
      fields[c] = engine::kWebSiteField;
      web = true;
    } else if (most == Content::Phone && phones < 3) {
      static const char* const kPhones[] = {engine::kHomePhoneField, engine::kWorkPhoneField,
                                            engine::kCellularField};
      fields[c] = kPhones[phones++];
    } else if (most == Content::Text && !name) {
      fields[c] = engine::kNameField;
      name = true;
    }
  }
  return fields;
}

void SlashedDateEvidence::add(std::string_view cell) {
  int a = 0, b = 0;
  if (!slashedParts(cell, a, b)) return;
  seen_ = true;
  if (a > 12) ++dayFirst_;
  if (b > 12) ++monthFirst_;
}

bool SlashedDateEvidence::dayFirst() const {
  if (decided()) return dayFirst_ > 0;
  return localeWritesDayFirst();
}

bool localeWritesDayFirst() {
  const char* name = nullptr;
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      name = value;
      break;
    }
  }
  if (!name) return true;
  const locale_t locale = newlocale(LC_TIME_MASK, name, static_cast<locale_t>(nullptr));
  if (!locale) return true;
  const std::string pattern = nl_langinfo_l(D_FMT, locale);
  freelocale(locale);
  const auto day = pattern.find("%d"), month = pattern.find("%m");
  if (day == std::string::npos || month == std::string::npos) return true;
  // The "C" locale's "%m/%d/%y" stands for no country's habit.
  const std::string_view n(name);
  if (n == "C" || n == "POSIX" || n.starts_with("C.")) return true;
  return day < month;
}

}  // namespace torvelle::exchange
