#include "support/ProfileFile.h"

#include <charconv>
#include <limits>
#include <stdexcept>

#include "support/AsciiText.h"
#include "support/AtomicFile.h"
#include "support/CodePage.h"
#include "support/IoError.h"
#include "support/TextMatch.h"
#include "support/Utf8.h"

namespace torvelle::support {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::size_t npos = std::string_view::npos;

constexpr std::string_view kBlanks = " \t\r";

std::string_view trim(std::string_view s) {
  return trimmed(s, kBlanks);
}

bool isAllBlank(std::string_view s) {
  return trim(s).empty();
}

// File bytes to UTF-8. Fails for what is not text: a NUL byte, or bytes that
// are not UTF-8 in a UTF-8 file.
std::optional<std::string> decode(std::string_view bytes, bool cp1251) {
  if (bytes.find('\0') != npos) return std::nullopt;
  if (cp1251) return toUtf8(bytes, 1251);
  if (!isValidUtf8(bytes)) return std::nullopt;
  return std::string(bytes);
}

std::string encode(std::string_view utf8, bool cp1251) {
  if (cp1251) return fromUtf8(utf8, 1251);
  if (!isValidUtf8(utf8)) throw CodePageError("Text is not valid UTF-8");
  return std::string(utf8);
}

bool isQuote(char c) {
  return c == '"' || c == '\'';
}

std::string_view stripQuotes(std::string_view v) {
  if (v.size() >= 2 && isQuote(v.front()) && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

// A value that reading would change (surrounding blanks, a pair of quotes of
// its own) is written in quotes, so that it reads back as it was written.
std::string quoteIfNeeded(std::string_view v) {
  const bool blanks = !v.empty() && trimmed(v, kBlanks).size() != v.size();
  if (blanks || stripQuotes(v).size() != v.size()) return "\"" + std::string(v) + "\"";
  return std::string(v);
}

std::string_view cutValue(std::string_view v, bool cp1251) {
  if (v.size() <= ProfileFile::kMaxValueBytes) return v;
  std::size_t cut = ProfileFile::kMaxValueBytes;
  // Never half a character of a UTF-8 file.
  if (!cp1251)
    while (cut > 0 && (static_cast<unsigned char>(v[cut]) & 0xC0) == 0x80) --cut;
  return v.substr(0, cut);
}

std::optional<int> parseInteger(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty() || s.front() == '+' || s.front() == '-') return std::nullopt;
  long long magnitude = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
  if (error != std::errc() || end != s.data() + s.size()) return std::nullopt;
  const long long value = negative ? -magnitude : magnitude;
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
    return std::nullopt;
  return static_cast<int>(value);
}

bool hasLineBreakOrNul(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != npos;
}

void check(const ProfileFile::Entry& entry) {
  const auto fail = [](const std::string& what) { throw std::invalid_argument(what); };
  if (trim(entry.section).empty() || trim(entry.section) != entry.section ||
      hasLineBreakOrNul(entry.section) || entry.section.find(']') != npos)
    fail("Not a usable section name: \"" + std::string(entry.section) + "\"");
  if (trim(entry.key).empty() || trim(entry.key) != entry.key || hasLineBreakOrNul(entry.key) ||
      entry.key.find('=') != npos || entry.key.front() == ';' || entry.key.front() == '[')
    fail("Not a usable key: \"" + std::string(entry.key) + "\"");
  if (hasLineBreakOrNul(entry.value))
    fail("A setting cannot hold a line break: \"" + std::string(entry.key) + "\"");
}

IoError writeError(const std::filesystem::path& path, std::error_code code) {
  return IoError("Unable to write to " + path.string(), path, code);
}

}  // namespace

ProfileFile::ProfileFile(std::filesystem::path path, Encoding encoding)
    : path_(std::move(path)), encoding_(encoding) {
  reload();
}

void ProfileFile::reload() {
  try {
    content_ = load();
  } catch (const IoError&) {
    content_ = Content{};  // an unreadable file counts as a missing one
  }
}

ProfileFile::Content ProfileFile::load() const {
  const std::optional<std::string> bytes = readWholeFile(path_);
  if (!bytes) return Content{};
  Content content = parse(*bytes, encoding_);
  content.existed = true;
  return content;
}

ProfileFile::Content ProfileFile::parse(std::string_view bytes, Encoding encoding) {
  Content content;
  if (bytes.substr(0, kBom.size()) == kBom) {
    content.bom = true;
    bytes.remove_prefix(kBom.size());
  }
  content.cp1251 = encoding == Encoding::Cp1251UnlessUtf8 && !content.bom && !isValidUtf8(bytes);
  if (const std::size_t lf = bytes.find('\n'); lf != npos && lf > 0 && bytes[lf - 1] == '\r')
    content.eol = "\r\n";

  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t lf = bytes.find('\n', start);
    std::size_t end = lf == npos ? bytes.size() : lf;
    std::string eol = lf == npos ? "" : "\n";
    if (lf != npos && end > start && bytes[end - 1] == '\r') {
      --end;
      eol = "\r\n";
    }
    content.lines.push_back(
        parseLine(std::string(bytes.substr(start, end - start)), std::move(eol), content.cp1251));
    start = lf == npos ? bytes.size() : lf + 1;
  }
  return content;
}

ProfileFile::Line ProfileFile::parseLine(std::string raw, std::string eol, bool cp1251) {
  Line line;
  line.raw = std::move(raw);
  line.eol = std::move(eol);
  const std::string_view text = line.raw;
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == npos || text[first] == ';') return line;

  if (text[first] == '[') {
    const std::size_t close = text.find(']', first + 1);
    if (close == npos) return line;
    // A header that is not text still opens a section, one nothing matches,
    // so that the keys under it never leak into the section before.
    line.kind = Line::Kind::Section;
    if (const auto name = decode(trim(text.substr(first + 1, close - first - 1)), cp1251)) {
      line.matchable = true;
      line.name = upperCase(*name);
    }
    return line;
  }

  const std::size_t equals = text.find('=', first);
  if (equals == npos) return line;
  const auto key = decode(trim(text.substr(first, equals - first)), cp1251);
  std::size_t valueStart = equals + 1;
  while (valueStart < text.size() && (text[valueStart] == ' ' || text[valueStart] == '\t'))
    ++valueStart;
  if (!key || !decode(text.substr(valueStart), cp1251)) return line;
  line.kind = Line::Kind::Entry;
  line.matchable = true;
  line.name = upperCase(*key);
  line.valueStart = valueStart;
  return line;
}

std::size_t ProfileFile::findSection(const Content& content, std::string_view folded) {
  for (std::size_t i = 0; i < content.lines.size(); ++i) {
    const Line& line = content.lines[i];
    if (line.kind == Line::Kind::Section && line.matchable && line.name == folded) return i;
  }
  return npos;
}

std::size_t ProfileFile::findKey(const Content& content, std::size_t section,
                                 std::string_view folded) {
  for (std::size_t i = section + 1; i < content.lines.size(); ++i) {
    const Line& line = content.lines[i];
    if (line.kind == Line::Kind::Section) break;
    if (line.kind == Line::Kind::Entry && line.name == folded) return i;
  }
  return npos;
}

std::optional<std::string> ProfileFile::value(std::string_view section,
                                              std::string_view key) const {
  const std::size_t s = findSection(content_, upperCase(section));
  if (s == npos) return std::nullopt;
  const std::size_t k = findKey(content_, s, upperCase(key));
  if (k == npos) return std::nullopt;
  const Line& line = content_.lines[k];
  const std::string_view raw = std::string_view(line.raw).substr(line.valueStart);
  const std::string_view bytes = cutValue(stripQuotes(trim(raw)), content_.cp1251);
  return decode(bytes, content_.cp1251).value_or(std::string());
}

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
  auto found = value(section, key);
  return found ? std::move(*found) : std::string(defaultValue);
}

int ProfileFile::readInteger(std::string_view section, std::string_view key,
                             int defaultValue) const {
  const auto found = value(section, key);
  if (!found) return defaultValue;
  return parseInteger(*found).value_or(defaultValue);
}

bool ProfileFile::readBool(std::string_view section, std::string_view key,
                           bool defaultValue) const {
  return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void ProfileFile::writeString(std::string_view section, std::string_view key,
                              std::string_view value) {
  const Entry entry{section, key, value};
  writeStrings(std::span(&entry, 1));
}

void ProfileFile::writeInteger(std::string_view section, std::string_view key, int value) {
  writeString(section, key, std::to_string(value));
}

void ProfileFile::writeBool(std::string_view section, std::string_view key, bool value) {
  writeString(section, key, value ? "1" : "0");
}

void ProfileFile::writeStrings(std::span<const Entry> entries) {
  for (const Entry& entry : entries) check(entry);
  // Starts from the file as it is now, so that edits made meanwhile by
  // others survive; a file we cannot read we must not overwrite.
  Content fresh;
  try {
    fresh = load();
  } catch (const IoError& e) {
    throw writeError(path_, e.code());
  }
  for (const Entry& entry : entries) apply(fresh, entry);
  try {
    writeFileAtomically(path_, serialize(fresh));
  } catch (const IoError& e) {
    throw writeError(path_, e.code());
  }
  fresh.existed = true;
  content_ = std::move(fresh);
}

void ProfileFile::apply(Content& content, const Entry& entry) {
  const std::string value = encode(quoteIfNeeded(entry.value), content.cp1251);
  auto& lines = content.lines;
  const auto newLine = [&](std::string raw) {
    return parseLine(std::move(raw), content.eol, content.cp1251);
  };
  const auto terminate = [&](std::size_t i) {
    if (lines[i].eol.empty()) lines[i].eol = content.eol;
  };

  const std::size_t s = findSection(content, upperCase(entry.section));
  if (s == npos) {
    if (!lines.empty()) terminate(lines.size() - 1);
    lines.push_back(newLine("[" + encode(entry.section, content.cp1251) + "]"));
    lines.push_back(newLine(encode(entry.key, content.cp1251) + "=" + value));
    return;
  }
  if (const std::size_t k = findKey(content, s, upperCase(entry.key)); k != npos) {
    Line& line = lines[k];
    line = parseLine(line.raw.substr(0, line.valueStart) + value, line.eol, content.cp1251);
    return;
  }
  // After the section's last line that is not blank, so that a blank line
  // separating it from the next section stays where it is.
  std::size_t last = s;
  for (std::size_t i = s + 1; i < lines.size() && lines[i].kind != Line::Kind::Section; ++i)
    if (!isAllBlank(lines[i].raw)) last = i;
  terminate(last);
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last + 1),
               newLine(encode(entry.key, content.cp1251) + "=" + value));
}

std::string ProfileFile::serialize(const Content& content) {
  std::string out;
  if (content.bom) out += kBom;
  for (const Line& line : content.lines) {
    out += line.raw;
    out += line.eol;
  }
  return out;
}

}  // namespace torvelle::support
