#include <algorithm>
#include <optional>
#include <set>
#include <vector>

#include "exchange/VCardLines.h"
#include "support/AsciiText.h"

#include "engine/FieldNames.h"
#include "sync/ItemWriter.h"

namespace torvelle::sync {
namespace {

struct Line {
  std::string head;   // [group.]NAME;params as written
  std::string name;   // upper case, without group
  std::string types;  // lower-case TYPE values and bare parameters, comma joined
  std::string value;  // as written
};

std::vector<Line> unfoldLines(std::string_view text) {
  std::vector<std::string> raw;
  std::size_t pos = 0;
  while (pos < text.size()) {
    auto end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!raw.empty() && !line.empty() && (line[0] == ' ' || line[0] == '\t')) {
      raw.back() += line.substr(1);
    } else if (!line.empty()) {
      raw.emplace_back(line);
    }
  }
  std::vector<Line> lines;
  for (const auto& text : raw) {
    Line l;
    bool quoted = false;
    std::size_t colon = text.size();
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '"') quoted = !quoted;
      if (text[i] == ':' && !quoted) {
        colon = i;
        break;
      }
    }
    l.head = text.substr(0, colon);
    l.value = colon < text.size() ? text.substr(colon + 1) : std::string();
    std::string name = l.head.substr(0, l.head.find(';'));
    if (const auto dot = name.rfind('.'); dot != std::string::npos) name.erase(0, dot + 1);
    l.name = support::asciiUpper(name);
    l.types = support::asciiLower(l.head.substr(std::min(l.head.size(), l.head.find(';'))));
    lines.push_back(std::move(l));
  }
  return lines;
}

bool hasType(const Line& l, std::string_view type) {
  return l.types.find(type) != std::string::npos;
}

// The phone field a TEL line fills, by its type; empty for a fax or pager,
// "?" for a phone of no stated kind.
std::string phoneSlot(const Line& l) {
  if (hasType(l, "fax") || hasType(l, "pager")) return {};
  if (hasType(l, "cell") || hasType(l, "mobile")) return engine::kCellularField;
  if (hasType(l, "work")) return engine::kWorkPhoneField;
  if (hasType(l, "home")) return engine::kHomePhoneField;
  return "?";
}

// The line each field came from, by the reader's rules: the first line of
// each kind, phones by their type, an untyped phone in the first free slot.
std::map<std::string, std::size_t> slotsOf(const std::vector<Line>& lines) {
  static const std::set<std::string> single = {"FN", "N", "EMAIL", "URL", "ADR", "CATEGORIES"};
  std::map<std::string, std::size_t> slots;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& l = lines[i];
    if (single.contains(l.name)) {
      slots.try_emplace(l.name, i);
    } else if (l.name == "X-ICQ" ||
               (l.name == "IMPP" && support::asciiLower(l.value).starts_with("icq:"))) {
      slots.try_emplace(engine::kIcqField, i);
    } else if (l.name == "TEL") {
      std::string slot = phoneSlot(l);
      if (slot == "?") {
        slot.clear();
        for (const char* free :
             {engine::kHomePhoneField, engine::kWorkPhoneField, engine::kCellularField}) {
          if (!slots.contains(free)) {
            slot = free;
            break;
          }
        }
      }
      if (!slot.empty()) slots.try_emplace(slot, i);
    }
  }
  return slots;
}

std::string escaped(std::string_view text, bool structured) {
  std::string out;
  for (const char c : text) {
    if (c == '\\' || c == ',' || (structured && c == ';')) {
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

// Splits at `sep` not preceded by a backslash.
std::vector<std::string> splitValue(const std::string& value, char sep) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      parts.back() += value.substr(i, 2);
      ++i;
    } else if (value[i] == sep) {
      parts.emplace_back();
    } else {
      parts.back() += value[i];
    }
  }
  return parts;
}

std::string joinValue(const std::vector<std::string>& parts, char sep) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? std::string(1, sep) : "") + parts[i];
  return out;
}

class Splicer {
 public:
  Splicer(std::string_view text, const FieldMap& fields) : fields_(fields) {
    lines_ = unfoldLines(text);
    slots_ = slotsOf(lines_);
    const auto version = std::find_if(lines_.begin(), lines_.end(),
                                      [](const Line& l) { return l.name == "VERSION"; });
    v4_ = version != lines_.end() && version->value.starts_with("4");
  }

  void setName() {
    const std::string name = escaped(field(engine::kNameField), true);
    set("FN", "FN", name);
    set("N", "N", name + ";;;;");
  }

  void setSimple(const std::string& slot, const std::string& fieldName, const std::string& head) {
    const std::string value = field(fieldName);
    // An ICQ number travels as a URI in IMPP, as plain text in X-ICQ.
    const auto it = slots_.find(slot);
    const bool uri = it != slots_.end() ? lines_[it->second].name == "IMPP" : head == "IMPP";
    const bool telUri = it != slots_.end() && hasType(lines_[it->second], "value=uri");
    const std::string prefix = uri ? "icq:" : telUri ? "tel:" : "";
    set(slot, head, value.empty() ? "" : prefix + escaped(value, false));
  }

  void setAddress() {
    std::vector<std::string> parts(7);
    if (const auto it = slots_.find("ADR"); it != slots_.end()) {
      parts = splitValue(lines_[it->second].value, ';');
      parts.resize(std::max<std::size_t>(parts.size(), 7));
    }
    parts[1].clear();
    parts[2] = escaped(field(engine::kStreetField), true);
    parts[3] = escaped(field(engine::kCityField), true);
    parts[5] = escaped(field(engine::kZipCodeField), true);
    parts[6] = escaped(field(engine::kCountryField), true);
    const bool empty =
        std::all_of(parts.begin(), parts.end(), [](const std::string& p) { return p.empty(); });
    set("ADR", v4_ ? "ADR" : "ADR;TYPE=HOME", empty ? "" : joinValue(parts, ';'));
  }

  void setCategory() {
    std::vector<std::string> parts;
    if (const auto it = slots_.find("CATEGORIES"); it != slots_.end()) {
      parts = splitValue(lines_[it->second].value, ',');
    }
    const std::string section = escaped(field(engine::kSectionField), false);
    if (parts.empty()) {
      parts.push_back(section);
    } else {
      parts[0] = section;
    }
    std::erase(parts, std::string());
    set("CATEGORIES", "CATEGORIES", joinValue(parts, ','));
  }

  bool v4() const { return v4_; }

  std::string text() const {
    std::string out;
    for (const auto& l : lines_) {
      if (!l.name.empty()) exchange::vcard::appendFolded(out, l.head + ":" + l.value);
    }
    return out;
  }

 private:
  std::string field(const std::string& name) const {
    const auto it = fields_.find(name);
    return it == fields_.end() ? std::string() : it->second;
  }

  // Rewrites the slot's line in place keeping its parameters; removes it for
  // an empty value; adds a line before END for a slot the item lacked.
  void set(const std::string& slot, const std::string& head, const std::string& value) {
    if (const auto it = slots_.find(slot); it != slots_.end()) {
      Line& l = lines_[it->second];
      if (value.empty()) {
        l.name.clear();  // dropped when written out
      } else {
        l.value = value;
      }
      return;
    }
    if (value.empty()) return;
    auto end =
        std::find_if(lines_.rbegin(), lines_.rend(), [](const Line& l) { return l.name == "END"; });
    const auto at = end == lines_.rend() ? lines_.end() : std::prev(end.base());
    Line added{head, support::asciiUpper(head.substr(0, head.find(';'))), "", value};
    const auto index = static_cast<std::size_t>(at - lines_.begin());
    lines_.insert(at, std::move(added));
    for (auto& [name, i] : slots_) {
      if (i >= index) ++i;
    }
    slots_[slot] = index;
  }

  const FieldMap& fields_;
  std::vector<Line> lines_;
  std::map<std::string, std::size_t> slots_;
  bool v4_ = false;
};

}  // namespace

std::string changedVCard(std::string_view serverText, const FieldMap& fields,
                         const std::set<std::string>& changed) {
  Splicer s(serverText, fields);
  const auto has = [&](std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(),
                       [&](const char* n) { return changed.contains(n); });
  };
  const bool v4 = s.v4();
  if (has({engine::kNameField})) s.setName();
  if (has({engine::kHomePhoneField})) {
    s.setSimple(engine::kHomePhoneField, engine::kHomePhoneField,
                v4 ? "TEL;TYPE=home" : "TEL;TYPE=HOME,VOICE");
  }
  if (has({engine::kWorkPhoneField})) {
    s.setSimple(engine::kWorkPhoneField, engine::kWorkPhoneField,
                v4 ? "TEL;TYPE=work" : "TEL;TYPE=WORK,VOICE");
  }
  if (has({engine::kCellularField}))
    s.setSimple(engine::kCellularField, engine::kCellularField,
                v4 ? "TEL;TYPE=cell" : "TEL;TYPE=CELL");
  if (has({engine::kEmailField}))
    s.setSimple("EMAIL", engine::kEmailField, v4 ? "EMAIL" : "EMAIL;TYPE=INTERNET");
  if (has({engine::kWebSiteField})) s.setSimple("URL", engine::kWebSiteField, "URL");
  if (has({engine::kIcqField}))
    s.setSimple(engine::kIcqField, engine::kIcqField, v4 ? "IMPP" : "X-ICQ");
  if (has({engine::kStreetField, engine::kCityField, engine::kZipCodeField, engine::kCountryField}))
    s.setAddress();
  if (has({engine::kSectionField})) s.setCategory();
  return s.text();
}

}  // namespace torvelle::sync
