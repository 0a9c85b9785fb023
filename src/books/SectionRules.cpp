#include "books/SectionRules.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "books/TaskRules.h"
#include "support/AsciiText.h"

namespace torvelle::books {

SectionBookLayout sectionBookLayout(int pageWidth) {
  const int navigator = roundHalfEven(static_cast<long long>(pageWidth) * 405, 632);
  const int button = navigator / 9;
  const int pane = sectionsPaneWidth(pageWidth);
  return {pane,
          pane + 7,
          pane - 27,
          pane + 9,
          pageWidth - (pane + 9),
          navigator,
          button,
          pageWidth - navigator - button - 26};
}

PhoneColumns phoneColumns(int recordsWidth) {
  const int name = roundHalfEven(static_cast<long long>(recordsWidth) * 251, 457);
  const int phones = recordsWidth - 36 - name;
  const int home = phones / 2;
  return {name, home, phones - home};
}

int phoneFieldWidth(int recordsWidth) {
  return (recordsWidth - 105) / 2;
}

namespace {

using support::asciiLower;

std::string_view trim(std::string_view s) {
  return support::trimmed(s, " \t\r\n");
}

// The scheme of "scheme:rest", lower-cased; empty when there is none. A
// single letter is a Windows drive, and "host:8080" is a host with a port.
std::string schemeOf(std::string_view text) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos || colon < 2) return {};
  const auto alpha = [](unsigned char c) { return std::isalpha(c) != 0; };
  if (!alpha(static_cast<unsigned char>(text[0]))) return {};
  for (std::size_t i = 1; i < colon; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return {};
  }
  std::size_t digits = colon + 1;
  while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
  if (digits > colon + 1 && (digits == text.size() || text[digits] == '/')) return {};
  return asciiLower(text.substr(0, colon));
}

bool hasSpaceOrControl(std::string_view s) {
  return std::any_of(s.begin(), s.end(),
                     [](unsigned char c) { return c <= ' ' || c == 0x7F || c == '\\'; });
}

HandOver refuse(std::string why) {
  return {{}, std::move(why)};
}

// One address, local@domain, with nothing that a mail program would read
// as a header or an attachment.
HandOver mailUrl(std::string_view address) {
  const auto at = address.find('@');
  const bool plain = at != std::string_view::npos && at > 0 && at + 1 < address.size() &&
                     address.find('@', at + 1) == std::string_view::npos &&
                     address.find_first_of("?&/:<>\"") == std::string_view::npos &&
                     !hasSpaceOrControl(address);
  if (!plain) return refuse("\"" + std::string(address) + "\" is not an e-mail address.");
  return {"mailto:" + std::string(address), {}};
}

HandOver webUrl(std::string_view text, bool mailToo) {
  if (hasSpaceOrControl(text)) return refuse("\"" + std::string(text) + "\" is not a web address.");
  const std::string scheme = schemeOf(text);
  if (scheme.empty()) {
    // A path, absolute, relative or in the home folder, would open a file.
    if (text.front() == '/' || text.front() == '.' || text.front() == '~' ||
        (text.size() > 1 && text[1] == ':'))
      return refuse("\"" + std::string(text) + "\" names a file; only web addresses are opened.");
    return {"http://" + std::string(text), {}};
  }
  if (mailToo && scheme == "mailto") return mailUrl(text.substr(7));
  static constexpr std::array<std::string_view, 3> web{"http", "https", "ftp"};
  if (std::find(web.begin(), web.end(), scheme) == web.end())
    return refuse("Addresses beginning with \"" + scheme + ":\" are not opened.");
  const std::string_view rest = text.substr(scheme.size() + 1);
  if (rest.size() < 3 || rest.substr(0, 2) != "//" || rest[2] == '/')
    return refuse("\"" + std::string(text) + "\" is not a web address.");
  return {std::string(text), {}};
}

}  // namespace

HandOver handOverUrl(std::string_view text, HandOverKind kind) {
  const std::string_view t = trim(text);
  if (t.empty()) return {};
  if (kind == HandOverKind::Mail) {
    // An address typed with its scheme is not given a second one.
    if (asciiLower(t.substr(0, 7)) == "mailto:") return mailUrl(t.substr(7));
    return mailUrl(t);
  }
  return webUrl(t, kind == HandOverKind::Link);
}

std::vector<std::string> moveTargets(const std::vector<std::string>& sections,
                                     std::string_view currentSection) {
  std::vector<std::string> out;
  out.reserve(sections.size());
  for (const std::string& s : sections)
    if (s != currentSection) out.push_back(s);
  return out;
}

}  // namespace torvelle::books
