#include "exchange/VCard.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "engine/FieldText.h"
#include "exchange/ExchangeError.h"
#include "exchange/TextInput.h"
#include "support/CodePage.h"
#include "support/Utf8.h"

namespace torvelle::exchange {
namespace {

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string trimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return std::string(s);
}

[[noreturn]] void fail(std::size_t line, const std::string& what) {
  throw ExchangeError("line " + std::to_string(line) + ": " + what);
}

// One content line after unfolding: [group.]NAME;params:value.
struct Property {
  std::size_t line = 0;
  std::string name;             // upper case, without its group
  std::set<std::string> types;  // lower case, from TYPE= and the bare 2.1 form
  std::string encoding;         // upper case; empty for plain text
  std::string charset;          // lower case; empty when not named
  std::string value;            // as written, still encoded and escaped
};

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

void addParameter(Property& p, const std::string& parameter) {
  const auto eq = parameter.find('=');
  const std::string name = upper(trimmed(parameter.substr(0, eq)));
  if (eq == std::string::npos) {
    // vCard 2.1 lets a parameter stand without its name.
    if (name == "QUOTED-PRINTABLE" || name == "BASE64" || name == "8BIT" || name == "7BIT") {
      p.encoding = name;
    } else {
      p.types.insert(lower(name));
    }
    return;
  }
  const std::string value = unquote(trimmed(parameter.substr(eq + 1)));
  if (name == "TYPE") {
    for (const auto& t : splitOutsideQuotes(value, ',')) p.types.insert(lower(unquote(trimmed(t))));
  } else if (name == "ENCODING") {
    p.encoding = upper(value);
  } else if (name == "CHARSET") {
    p.charset = lower(value);
  } else if (name == "PREF") {
    p.types.insert("pref");
  }
}

Property parseLine(const std::string& text, std::size_t line) {
  std::size_t colon = std::string::npos;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (text[i] == ':' && !quoted) {
      colon = i;
      break;
    }
  }
  if (colon == std::string::npos) fail(line, "\"" + text.substr(0, 40) + "\" has no ':'");
  Property p;
  p.line = line;
  p.value = text.substr(colon + 1);
  const auto head = splitOutsideQuotes(std::string_view(text).substr(0, colon), ';');
  std::string name = trimmed(head[0]);
  if (const auto dot = name.rfind('.'); dot != std::string::npos) name.erase(0, dot + 1);
  p.name = upper(name);
  for (std::size_t i = 1; i < head.size(); ++i) addParameter(p, head[i]);
  if (p.encoding == "B") p.encoding = "BASE64";
  return p;
}

bool isQuotedPrintableHead(const std::string& line) {
  const auto colon = line.find(':');
  return upper(line.substr(0, colon)).find("QUOTED-PRINTABLE") != std::string::npos;
}

// Joins folded lines (a line that starts with a blank continues the one
// before) and the soft line breaks of quoted-printable values (a trailing '=').
std::vector<std::pair<std::size_t, std::string>> unfold(std::string_view text) {
  std::vector<std::pair<std::size_t, std::string>> lines;
  std::size_t lineNo = 0;
  bool softBreak = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view physical = text.substr(start, end - start);
    if (physical.ends_with('\r')) physical.remove_suffix(1);
    ++lineNo;
    start = end + 1;
    if (softBreak) {
      lines.back().second += physical;
    } else if (!lines.empty() && !physical.empty() && (physical[0] == ' ' || physical[0] == '\t')) {
      lines.back().second += physical.substr(1);
    } else if (!trimmed(physical).empty()) {
      lines.emplace_back(lineNo, std::string(physical));
    } else {
      continue;
    }
    auto& current = lines.back().second;
    softBreak = current.ends_with('=') && isQuotedPrintableHead(current);
    if (softBreak) current.pop_back();
  }
  return lines;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string decodeQuotedPrintable(std::string_view s) {
  std::string out;
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

// The code page number of a CHARSET name, 0 for UTF-8, -1 for ISO 8859-1,
// nullopt when we do not know it.
std::optional<int> charsetCodePage(const std::string& charset) {
  if (charset.empty() || charset == "utf-8" || charset == "utf8" || charset == "us-ascii") return 0;
  if (charset == "iso-8859-1" || charset == "latin1" || charset == "iso8859-1") return -1;
  for (const std::string prefix : {"windows-", "cp", "ibm"}) {
    if (charset.starts_with(prefix)) {
      const std::string digits = charset.substr(prefix.size());
      if (!digits.empty() && digits.size() <= 4 &&
          std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const int page = std::stoi(digits);
        if (support::codePageSupported(page)) return page;
      }
    }
  }
  return std::nullopt;
}

// The value's bytes as UTF-8 text, transfer encoding and character set undone.
std::string decodedText(const Property& p) {
  std::string bytes = p.value;
  if (p.encoding == "QUOTED-PRINTABLE") {
    bytes = decodeQuotedPrintable(bytes);
  } else if (p.encoding == "BASE64") {
    auto decoded = decodeBase64(bytes);
    if (!decoded) fail(p.line, "the BASE64 text of " + p.name + " is damaged");
    bytes = std::move(*decoded);
  } else if (!p.encoding.empty() && p.encoding != "8BIT" && p.encoding != "7BIT") {
    fail(p.line, "unknown ENCODING \"" + p.encoding + "\" of " + p.name);
  }
  const auto page = charsetCodePage(p.charset);
  if (!page) fail(p.line, "unknown CHARSET \"" + p.charset + "\" of " + p.name);
  if (*page == -1) {
    std::string out;
    for (const char c : bytes) support::appendUtf8(out, static_cast<unsigned char>(c));
    return out;
  }
  if (*page > 0) return support::toUtf8(bytes, *page);
  if (!support::isValidUtf8(bytes)) {
    fail(p.line, p.name + " is not UTF-8 text and names no CHARSET");
  }
  return bytes;
}

// Splits a structured value at unescaped `sep`, leaving escapes in place.
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
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char next = s[++i];
      out += (next == 'n' || next == 'N') ? '\n' : next;
    } else {
      out += s[i];
    }
  }
  return trimmed(out);
}

std::vector<std::string> components(const Property& p) {
  std::vector<std::string> parts;
  for (const auto& part : splitEscaped(decodedText(p), ';')) parts.push_back(unescape(part));
  return parts;
}

std::string component(const std::vector<std::string>& parts, std::size_t i) {
  return i < parts.size() ? parts[i] : std::string();
}

// A vCard 4.0 value may be a URI where older versions had text.
std::string withoutScheme(std::string value, std::string_view scheme) {
  if (lower(value.substr(0, scheme.size())) == scheme) value.erase(0, scheme.size());
  return value;
}

std::optional<format::Date> birthdayDate(std::string text) {
  text = text.substr(0, text.find('T'));
  std::erase(text, '-');
  if (text.size() != 8) return std::nullopt;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  return engine::dayFromCivil(std::stoi(text.substr(0, 4)), std::stoi(text.substr(4, 2)),
                              std::stoi(text.substr(6, 2)));
}

// Properties that say something about the file, not about the person.
bool isBookkeeping(const std::string& name) {
  static const std::set<std::string> names = {
      "VERSION", "PRODID",       "REV",       "UID",         "KIND",
      "SOURCE",  "CLIENTPIDMAP", "LABEL",     "SORT-STRING", "NAME",
      "PROFILE", "X-ABUID",      "X-ABLABEL", "X-ABSHOWAS",  "X-ABADR"};
  return names.contains(name);
}

class ContactBuilder {
 public:
  explicit ContactBuilder(std::size_t line) { contact_.line = line; }

  void add(const Property& p) {
    if (p.name == "FN") {
      if (fullName_.empty()) fullName_ = unescape(decodedText(p));
    } else if (p.name == "N") {
      addStructuredName(p);
    } else if (p.name == "TEL") {
      addPhone(p);
    } else if (p.name == "EMAIL") {
      put("Email", unescape(decodedText(p)), "second e-mail");
    } else if (p.name == "URL") {
      put("WebSite", unescape(decodedText(p)), "second web site");
    } else if (p.name == "ADR") {
      addAddress(p);
    } else if (p.name == "X-ICQ") {
      put("ICQ", unescape(decodedText(p)), "second ICQ number");
    } else if (p.name == "IMPP") {
      addMessenger(p);
    } else if (p.name == "CATEGORIES") {
      addCategories(p);
    } else if (p.name == "BDAY") {
      contact_.birthday = birthdayDate(unescape(decodedText(p)));
      if (!contact_.birthday) contact_.notStored.emplace_back("birthday without a year");
    } else if (p.name == "ORG") {
      organisation_ = component(components(p), 0);
      contact_.notStored.push_back("organisation");
    } else if (!isBookkeeping(p.name)) {
      contact_.notStored.push_back(lower(p.name));
    }
  }

  VCardContact finish() {
    std::string name = !fullName_.empty() ? fullName_ : composedName_;
    if (name.empty()) name = organisation_;
    if (name.empty() && contact_.fields.contains("Email")) name = contact_.fields["Email"];
    if (!name.empty()) contact_.fields["Name"] = name;
    return std::move(contact_);
  }

 private:
  void addStructuredName(const Property& p) {
    const auto n = components(p);
    // Prefix, given, additional, family, suffix: the order names are said in.
    for (const std::size_t i : {3u, 1u, 2u, 0u, 4u}) {
      const auto part = component(n, i);
      if (part.empty()) continue;
      if (!composedName_.empty()) composedName_ += ' ';
      composedName_ += part;
    }
  }

  void addMessenger(const Property& p) {
    const std::string address = unescape(decodedText(p));
    if (lower(address).starts_with("icq:")) {
      put("ICQ", address.substr(4), "second ICQ number");
    } else {
      contact_.notStored.emplace_back("instant messenger");
    }
  }

  void put(const std::string& field, const std::string& value, const std::string& overflow) {
    if (value.empty()) return;
    if (contact_.fields.contains(field)) {
      contact_.notStored.push_back(overflow);
    } else {
      contact_.fields[field] = value;
    }
  }

  void addPhone(const Property& p) {
    const std::string number = withoutScheme(unescape(decodedText(p)), "tel:");
    const auto& t = p.types;
    if (t.contains("fax") || t.contains("pager")) {
      contact_.notStored.push_back(t.contains("fax") ? "fax" : "pager");
    } else if (t.contains("cell") || t.contains("mobile")) {
      put("Cellular", number, "another mobile phone");
    } else if (t.contains("work")) {
      put("WorkPhone", number, "another work phone");
    } else if (t.contains("home")) {
      put("HomePhone", number, "another home phone");
    } else {
      // A phone of no stated kind takes the first free phone field.
      for (const char* field : {"HomePhone", "WorkPhone", "Cellular"}) {
        if (!contact_.fields.contains(field)) return put(field, number, "");
      }
      contact_.notStored.push_back("another phone");
    }
  }

  void addAddress(const Property& p) {
    const auto a = components(p);
    if (haveAddress_) {
      contact_.notStored.push_back("second address");
      return;
    }
    haveAddress_ = true;
    std::string street = component(a, 2);
    if (const auto extended = component(a, 1); !extended.empty()) {
      street += (street.empty() ? "" : ", ") + extended;
    }
    put("Street", street, "");
    put("City", component(a, 3), "");
    put("ZipCode", component(a, 5), "");
    put("Country", component(a, 6), "");
    if (!component(a, 0).empty()) contact_.notStored.push_back("post office box");
    if (!component(a, 4).empty()) contact_.notStored.push_back("region");
  }

  void addCategories(const Property& p) {
    for (const auto& raw : splitEscaped(decodedText(p), ',')) {
      const std::string category = unescape(raw);
      if (category.empty()) continue;
      if (contact_.category.empty()) {
        contact_.category = category;
      } else {
        contact_.notStored.push_back("further category");
      }
    }
  }

  VCardContact contact_;
  std::string fullName_;
  std::string composedName_;
  std::string organisation_;
  bool haveAddress_ = false;
};

// Text of a property value: backslash, comma, semicolon and line breaks escaped.
std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\' || c == ',' || c == ';') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c != '\r') {
      out += c;
    }
  }
  return out;
}

// Lines longer than 75 bytes go on over lines that begin with a space, never
// inside a UTF-8 sequence.
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

}  // namespace

std::vector<VCardContact> readVCards(std::string_view bytes) {
  const std::string_view text = checkTextInput(bytes);
  std::vector<VCardContact> contacts;
  std::optional<ContactBuilder> current;
  std::size_t currentLine = 0;
  int nested = 0;  // an AGENT may hold a whole vCard of its own
  for (const auto& [line, content] : unfold(text)) {
    const Property p = parseLine(content, line);
    const std::string value = upper(trimmed(p.value));
    if (p.name == "BEGIN" && value == "VCARD") {
      if (current) {
        ++nested;
      } else {
        current.emplace(line);
        currentLine = line;
      }
    } else if (p.name == "END" && value == "VCARD") {
      if (!current) fail(line, "END:VCARD without its BEGIN:VCARD");
      if (nested > 0) {
        --nested;
      } else {
        contacts.push_back(current->finish());
        current.reset();
      }
    } else if (!current) {
      fail(line, "\"" + content.substr(0, 40) + "\" stands outside a contact (BEGIN:VCARD)");
    } else if (nested == 0) {
      current->add(p);
    }
  }
  if (current) {
    fail(currentLine, "the contact that begins here has no END:VCARD; the file is cut short");
  }
  if (contacts.empty()) throw ExchangeError("no contact (BEGIN:VCARD) in the file");
  return contacts;
}

std::string writeVCard(const VCardContact& contact, VCardVersion version) {
  const bool v4 = version == VCardVersion::V40;
  const auto field = [&](const char* name) {
    const auto it = contact.fields.find(name);
    return it == contact.fields.end() ? std::string() : it->second;
  };
  std::string out = "BEGIN:VCARD\r\n";
  out += v4 ? "VERSION:4.0\r\n" : "VERSION:3.0\r\n";
  const auto line = [&](const std::string& head, const std::string& value) {
    if (!value.empty()) appendFolded(out, head + ":" + value);
  };
  const std::string name = field("Name");
  appendFolded(out, "FN:" + escaped(name));
  // The name is one text here; it goes whole into the family name, which
  // is what importers show when they build a name from N.
  appendFolded(out, "N:" + escaped(name) + ";;;;");
  const std::string textTel = v4 ? ";VALUE=text" : "";
  line("TEL;TYPE=" + std::string(v4 ? "home" : "HOME,VOICE") + textTel,
       escaped(field("HomePhone")));
  line("TEL;TYPE=" + std::string(v4 ? "work" : "WORK,VOICE") + textTel,
       escaped(field("WorkPhone")));
  line("TEL;TYPE=" + std::string(v4 ? "cell" : "CELL") + textTel, escaped(field("Cellular")));
  if (!field("Street").empty() || !field("City").empty() || !field("ZipCode").empty() ||
      !field("Country").empty()) {
    appendFolded(out, std::string(v4 ? "ADR:" : "ADR;TYPE=HOME:") + ";;" +
                          escaped(field("Street")) + ";" + escaped(field("City")) + ";;" +
                          escaped(field("ZipCode")) + ";" + escaped(field("Country")));
  }
  line(v4 ? "EMAIL" : "EMAIL;TYPE=INTERNET", escaped(field("Email")));
  line("URL", escaped(field("WebSite")));
  if (v4) {
    line("IMPP", field("ICQ").empty() ? "" : "icq:" + escaped(field("ICQ")));
  } else {
    line("X-ICQ", escaped(field("ICQ")));
  }
  line("CATEGORIES", escaped(contact.category));
  out += "END:VCARD\r\n";
  return out;
}

}  // namespace torvelle::exchange
