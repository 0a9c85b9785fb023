#include "exchange/VCardLines.h"

#include "support/AsciiText.h"

namespace torvelle::exchange::vcard {
namespace {

using support::asciiLower;
using support::asciiUpper;

std::string trimmed(std::string_view s) {
  return std::string(support::trimmed(s, support::kAsciiWhiteSpace));
}

// Splits at `sep` outside double quotes.
std::vector<std::string> splitOutsideQuotes(std::string_view s, char sep) {
  std::vector<std::string> parts(1);
  bool quoted = false;
  for (const char c : s) {
    if (c == '"') quoted = !quoted;
    if (c == sep && !quoted) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

std::string unquote(std::string s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
  return s;
}

void addParameter(Property& p, std::string_view parameter) {
  const auto eq = parameter.find('=');
  const std::string name = asciiUpper(trimmed(parameter.substr(0, eq)));
  if (eq == std::string_view::npos) {
    // vCard 2.1 lets a parameter stand without its name.
    if (name == "QUOTED-PRINTABLE" || name == "BASE64" || name == "8BIT" || name == "7BIT") {
      p.encoding = name;
    } else if (!name.empty()) {
      p.types.insert(asciiLower(name));
    }
    return;
  }
  const std::string value = unquote(trimmed(parameter.substr(eq + 1)));
  if (name == "TYPE") {
    for (const auto& t : splitOutsideQuotes(value, ','))
      p.types.insert(asciiLower(unquote(trimmed(t))));
  } else if (name == "ENCODING") {
    p.encoding = asciiUpper(value);
  } else if (name == "CHARSET") {
    p.charset = value;
  } else if (name == "PREF") {
    p.types.insert("pref");
  }
}

bool isQuotedPrintableHead(std::string_view line) {
  constexpr std::string_view word = "QUOTED-PRINTABLE";
  const std::string_view head = line.substr(0, line.find(':'));
  for (std::size_t i = 0; i + word.size() <= head.size(); ++i) {
    if (support::equalsIgnoringAsciiCase(head.substr(i, word.size()), word)) return true;
  }
  return false;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string decodeQuotedPrintable(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '=' && i + 2 < s.size() && hexDigit(s[i + 1]) >= 0 && hexDigit(s[i + 2]) >= 0) {
      out += static_cast<char>(hexDigit(s[i + 1]) * 16 + hexDigit(s[i + 2]));
      i += 2;
    } else if (s[i] != '=') {
      out += s[i];
    }
  }
  return out;
}

// Some phones write notes and names in BASE64 as well; blanks from folding
// are skipped.
std::optional<std::string> decodeBase64(std::string_view s) {
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (const char c : s) {
    int v = -1;
    if (c >= 'A' && c <= 'Z') v = c - 'A';
    if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
    if (c >= '0' && c <= '9') v = c - '0' + 52;
    if (c == '+') v = 62;
    if (c == '/') v = 63;
    if (c == '=' || c == ' ' || c == '\t') continue;
    if (v < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<unsigned>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

// The line after a quoted-printable head with nothing after its colon holds
// the value when it does not read as a property of its own.
bool continuesEmptyValue(std::string_view physical) {
  return physical.starts_with('=') || physical.find(':') == std::string_view::npos;
}

}  // namespace

bool Unfolder::physical(std::string_view& line, std::size_t& begin, std::size_t& end) {
  if (held_) {
    held_ = false;
    line = heldLine_;
    begin = heldBegin_;
    end = heldEnd_;
    lineNo_ = heldNo_;
    return true;
  }
  if (pos_ >= text_.size()) return false;
  auto stop = text_.find('\n', pos_);
  stop = stop == std::string_view::npos ? text_.size() : stop + 1;
  line = text_.substr(pos_, stop - pos_);
  while (line.ends_with('\n') || line.ends_with('\r')) line.remove_suffix(1);
  begin = pos_;
  end = stop;
  pos_ = stop;
  ++lineNo_;
  return true;
}

bool Unfolder::next(LogicalLine& out) {
  std::string_view line;
  std::size_t begin = 0, end = 0;
  // The first line that is not blank begins the logical line.
  for (;;) {
    if (!physical(line, begin, end)) return false;
    if (!support::trimmed(line, support::kAsciiWhiteSpace).empty()) break;
  }
  out.line = lineNo_;
  out.begin = begin;
  out.end = end;
  out.text.assign(line);
  bool qp = isQuotedPrintableHead(out.text);
  bool softBreak = qp && out.text.ends_with('=');
  if (softBreak) out.text.pop_back();
  bool emptyValue = qp && !softBreak && out.text.ends_with(':');
  const std::size_t lineNo = lineNo_;
  while (physical(line, begin, end)) {
    const bool blank = support::trimmed(line, support::kAsciiWhiteSpace).empty();
    if (softBreak || (emptyValue && !blank && continuesEmptyValue(line))) {
      out.text += line;
    } else if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
      out.text += line.substr(1);
    } else {
      held_ = true;
      heldLine_ = line;
      heldBegin_ = begin;
      heldEnd_ = end;
      heldNo_ = lineNo_;
      break;
    }
    out.end = end;
    softBreak = qp && out.text.ends_with('=');
    if (softBreak) out.text.pop_back();
    emptyValue = qp && !softBreak && out.text.ends_with(':');
  }
  out.line = lineNo;
  return true;
}

std::optional<Property> parseProperty(const std::string& text, std::size_t line) {
  std::size_t colon = std::string::npos;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (text[i] == ':' && !quoted) {
      colon = i;
      break;
    }
  }
  if (colon == std::string::npos) return std::nullopt;
  Property p;
  p.line = line;
  p.value = text.substr(colon + 1);
  const std::string_view head = std::string_view(text).substr(0, colon);
  const auto semicolon = head.find(';');
  std::string name = trimmed(head.substr(0, semicolon));
  if (const auto dot = name.rfind('.'); dot != std::string::npos) name.erase(0, dot + 1);
  p.name = asciiUpper(name);
  if (semicolon != std::string_view::npos) {
    const auto parameters = splitOutsideQuotes(head.substr(semicolon + 1), ';');
    for (const auto& parameter : parameters) addParameter(p, parameter);
  }
  if (p.encoding == "B") p.encoding = "BASE64";
  return p;
}

std::string transferDecoded(const Property& p) {
  if (p.encoding.empty() || p.encoding == "8BIT" || p.encoding == "7BIT") return p.value;
  if (p.encoding == "QUOTED-PRINTABLE") return decodeQuotedPrintable(p.value);
  if (p.encoding == "BASE64") {
    auto decoded = decodeBase64(p.value);
    if (!decoded) throw PropertyFault("damaged BASE64 value");
    return std::move(*decoded);
  }
  throw PropertyFault("value in an unknown ENCODING");
}

std::vector<std::string> splitEscaped(std::string_view s, char sep) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      parts.back() += s.substr(i, 2);
      ++i;
    } else if (s[i] == sep) {
      parts.emplace_back();
    } else {
      parts.back() += s[i];
    }
  }
  return parts;
}

std::string unescape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char next = s[++i];
      out += (next == 'n' || next == 'N') ? '\n' : next;
    } else {
      out += s[i];
    }
  }
  // Most values have no blanks at their ends: kept as they are.
  const std::string_view kept = support::trimmed(out, support::kAsciiWhiteSpace);
  return kept.size() == out.size() ? out : std::string(kept);
}

void appendFolded(std::string& out, const std::string& line) {
  std::size_t pos = 0;
  std::size_t room = 75;
  while (line.size() - pos > room) {
    std::size_t cut = pos + room;
    while (cut > pos && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    out += line.substr(pos, cut - pos) + "\r\n ";
    pos = cut;
    room = 74;
  }
  out += line.substr(pos) + "\r\n";
}

}  // namespace torvelle::exchange::vcard
