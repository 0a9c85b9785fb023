#include "exchange/VCard.h"

#include <algorithm>
#include <set>

#include "engine/FieldNames.h"
#include "engine/FieldText.h"
#include "engine/RecordIdentity.h"
#include "exchange/Charset.h"
#include "exchange/ExchangeError.h"
#include "exchange/TextInput.h"
#include "exchange/VCardLines.h"
#include "support/AsciiText.h"
#include "support/CodePage.h"
#include "support/Utf8.h"

namespace torvelle::exchange {
namespace {

using support::asciiLower;
using support::asciiUpper;
using vcard::appendFolded;
using vcard::Property;
using vcard::PropertyFault;
using vcard::splitEscaped;
using vcard::unescape;

// What makes a whole contact unreadable; the others go on.
struct ContactFault {
  std::string reason;
};

// The code page number of a CHARSET name, 0 for UTF-8, -1 for ISO 8859-1,
// nullopt when the C library has to convert it.
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

// Binary values are no text to judge a character set by.
bool isBinaryProperty(const std::string& name) {
  return name == "PHOTO" || name == "LOGO" || name == "SOUND" || name == "KEY";
}

// Text that names no character set, or wrongly names UTF-8, in the code page
// decided for the whole file (0: UTF-8, where such text cannot occur).
std::string undeclaredText(std::string bytes, int guessedPage) {
  if (support::isValidUtf8(bytes)) return bytes;
  return support::toUtf8(bytes, guessedPage > 0 ? guessedPage : 1252);
}

// The value's bytes as UTF-8 text, transfer encoding and character set undone.
std::string decodedText(const Property& p, int guessedPage) {
  std::string bytes = vcard::transferDecoded(p);
  const std::string charset = asciiLower(p.charset);
  const auto page = charsetCodePage(charset);
  if (page && *page == 0) return undeclaredText(std::move(bytes), guessedPage);
  if (page && *page == -1) {
    std::string out;
    for (const char c : bytes) support::appendUtf8(out, static_cast<unsigned char>(c));
    return out;
  }
  if (page) return support::toUtf8(bytes, *page);
  std::string error;
  auto text = convertToUtf8(bytes, p.charset, error);
  if (!text) throw ContactFault{p.name + ": " + error};
  return std::move(*text);
}

std::string component(const std::vector<std::string>& parts, std::size_t i) {
  return i < parts.size() ? parts[i] : std::string();
}

// A vCard 4.0 value may be a URI where older versions had text.
std::string withoutScheme(std::string value, std::string_view scheme) {
  if (asciiLower(value.substr(0, scheme.size())) == scheme) value.erase(0, scheme.size());
  return value;
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
  ContactBuilder(std::size_t line, int guessedPage) : guessedPage_(guessedPage) {
    contact_.line = line;
  }

  // A property we cannot read is counted and passed over; ContactFault
  // goes on to the caller.
  void add(const Property& p) {
    if (support::trimmed(p.value, support::kAsciiWhiteSpace).empty()) {
      if (!isBookkeeping(p.name)) contact_.notStored.emplace_back("empty property");
      return;
    }
    try {
      addProperty(p);
    } catch (const PropertyFault& e) {
      contact_.notStored.push_back(asciiLower(p.name) + " (" + e.what() + ")");
    }
  }

  VCardContact finish() {
    std::string name = !fullName_.empty() ? fullName_ : composedName_;
    if (name.empty()) name = organisation_;
    if (name.empty() && contact_.fields.contains(engine::kEmailField))
      name = contact_.fields[engine::kEmailField];
    if (!name.empty()) contact_.fields[engine::kNameField] = name;
    return std::move(contact_);
  }

 private:
  std::string decodedText(const Property& p) const {
    return exchange::decodedText(p, guessedPage_);
  }

  std::vector<std::string> components(const Property& p) const {
    std::vector<std::string> parts;
    for (const auto& part : splitEscaped(decodedText(p), ';')) parts.push_back(unescape(part));
    return parts;
  }

  void addProperty(const Property& p) {
    if (p.name == "FN") {
      if (fullName_.empty()) fullName_ = unescape(decodedText(p));
    } else if (p.name == "N") {
      addStructuredName(p);
    } else if (p.name == "TEL") {
      addPhone(p);
    } else if (p.name == "EMAIL") {
      put(engine::kEmailField, unescape(decodedText(p)), "second e-mail");
    } else if (p.name == "URL") {
      put(engine::kWebSiteField, unescape(decodedText(p)), "second web site");
    } else if (p.name == "ADR") {
      addAddress(p);
    } else if (p.name == "X-ICQ") {
      put(engine::kIcqField, unescape(decodedText(p)), "second ICQ number");
    } else if (p.name == "IMPP") {
      addMessenger(p);
    } else if (p.name == "CATEGORIES") {
      addCategories(p);
    } else if (p.name == "UID") {
      contact_.fields[engine::kIdentityField] = engine::storableIdentity(unescape(decodedText(p)));
    } else if (p.name == "BDAY") {
      addBirthday(unescape(decodedText(p)));
    } else if (p.name == "ORG") {
      organisation_ = component(components(p), 0);
      contact_.notStored.emplace_back("organisation");
    } else if (!isBookkeeping(p.name)) {
      contact_.notStored.push_back(asciiLower(p.name));
    }
  }

  // Phones write a placeholder when the year is unknown (year 1000 or
  // earlier, 1604 in some) or a day no calendar has.
  void addBirthday(std::string text) {
    text = text.substr(0, text.find('T'));
    if (text.starts_with("--")) {
      contact_.notStored.emplace_back("birthday without a year");
      return;
    }
    std::erase(text, '-');
    const bool digits = text.size() == 8 && std::all_of(text.begin(), text.end(), [](char c) {
                          return c >= '0' && c <= '9';
                        });
    const int year = digits ? std::stoi(text.substr(0, 4)) : 0;
    const auto date = digits ? engine::dayFromCivil(year, std::stoi(text.substr(4, 2)),
                                                    std::stoi(text.substr(6, 2)))
                             : std::nullopt;
    if (!date || year <= 1000 || year == 1604) {
      contact_.notStored.emplace_back("placeholder birthday");
      return;
    }
    contact_.birthday = date;
  }

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
    if (asciiLower(address).starts_with("icq:")) {
      put(engine::kIcqField, address.substr(4), "second ICQ number");
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
    // Vendors add their own kinds ("X-Mobile", "iPhone"); a kind we do not
    // know makes a phone of no stated kind.
    const bool mobile = std::any_of(t.begin(), t.end(), [](const std::string& type) {
      return type.find("cell") != std::string::npos || type.find("mobile") != std::string::npos ||
             type == "iphone";
    });
    if (t.contains("fax") || t.contains("pager")) {
      contact_.notStored.emplace_back(t.contains("fax") ? "fax" : "pager");
    } else if (mobile) {
      put(engine::kCellularField, number, "another mobile phone");
    } else if (t.contains("work")) {
      put(engine::kWorkPhoneField, number, "another work phone");
    } else if (t.contains("home")) {
      put(engine::kHomePhoneField, number, "another home phone");
    } else {
      // A phone of no stated kind takes the first free phone field.
      for (const char* field :
           {engine::kHomePhoneField, engine::kWorkPhoneField, engine::kCellularField}) {
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
    put(engine::kStreetField, street, "");
    put(engine::kCityField, component(a, 3), "");
    put(engine::kZipCodeField, component(a, 5), "");
    put(engine::kCountryField, component(a, 6), "");
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

  int guessedPage_ = 0;
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

bool containsIgnoringCase(std::string_view text, std::string_view word) {
  for (std::size_t at = text.find_first_of("Qq"); at != std::string_view::npos;
       at = text.find_first_of("Qq", at + 1)) {
    if (support::equalsIgnoringAsciiCase(text.substr(at, word.size()), word)) return true;
  }
  return false;
}

bool isCardBoundary(const Property& p, const char* word) {
  return p.name == word && support::equalsIgnoringAsciiCase(
                               support::trimmed(p.value, support::kAsciiWhiteSpace), "VCARD");
}

// One code page for all of a file's text that names none and is not UTF-8:
// a file is written by one program in one setting. A file of UTF-8 without
// quoted-printable values needs no look at its properties.
int guessedCodePage(std::string_view text, std::vector<std::string>& notes) {
  if (support::isValidUtf8(text) && !containsIgnoringCase(text, "QUOTED-PRINTABLE")) return 0;
  EightBitGuess guess;
  vcard::Unfolder lines(text);
  for (vcard::LogicalLine l; lines.next(l);) {
    const auto p = vcard::parseProperty(l.text, l.line);
    if (!p || isBinaryProperty(p->name) ||
        charsetCodePage(asciiLower(p->charset)).value_or(-1) != 0)
      continue;
    try {
      guess.add(vcard::transferDecoded(*p));
    } catch (const PropertyFault&) {
    }
  }
  const int page = guess.codePage();
  if (page == 1251) {
    notes.emplace_back("text that names no character set is not UTF-8; taken as Windows-1251");
  } else if (page != 0) {
    notes.emplace_back("text that names no character set is not UTF-8; taken as Windows-1252");
  }
  return page;
}

// Contacts as they come, each built on its own: a fault in one refuses it
// and no other.
class CardReader {
 public:
  CardReader(VCardFile& file, int page) : file_(file), page_(page) {}

  void read() {
    vcard::Unfolder lines(file_.text);
    for (vcard::LogicalLine l; lines.next(l);) line(l);
    if (builder_) {
      refusal_ = "the file ends inside this contact (no END:VCARD); it is cut short";
      finish(file_.text.size());
    }
  }

 private:
  void line(const vcard::LogicalLine& l) {
    auto p = vcard::parseProperty(l.text, l.line);
    if (p && isCardBoundary(*p, "BEGIN")) {
      // A BEGIN inside a contact: the one before lost its END.
      if (builder_) finish(l.begin);
      builder_.emplace(l.line, page_);
      begin_ = l.begin;
      nested_ = 0;
    } else if (p && isCardBoundary(*p, "END") && builder_) {
      if (nested_ > 0) {
        --nested_;
      } else {
        finish(l.end);
      }
    } else if (!builder_) {
      ++file_.notStored["line outside a contact"];
    } else if (!p) {
      ++file_.notStored["line that is no property"];
    } else if (nested_ == 0 && refusal_.empty()) {
      // A 2.1 AGENT holds a whole vCard of its own.
      if (p->name == "AGENT" && asciiUpper(p->value).starts_with("BEGIN:VCARD")) ++nested_;
      try {
        builder_->add(*p);
      } catch (const ContactFault& e) {
        refusal_ = e.reason;
      }
    }
  }

  void finish(std::size_t end) {
    VCardContact contact = builder_->finish();
    contact.refusal = std::move(refusal_);
    contact.begin = begin_;
    contact.end = end;
    file_.contacts.push_back(std::move(contact));
    builder_.reset();
    refusal_.clear();
  }

  VCardFile& file_;
  int page_;
  std::optional<ContactBuilder> builder_;
  std::string refusal_;
  std::size_t begin_ = 0;
  int nested_ = 0;
};

}  // namespace

std::vector<VCardContact> readVCards(std::string_view bytes) {
  return readVCardFile(bytes).contacts;
}

VCardFile readVCardFile(std::string_view bytes) {
  VCardFile file;
  file.text = readTextInput(bytes);
  const int page = guessedCodePage(file.text, file.notes);
  CardReader(file, page).read();
  if (file.contacts.empty()) throw ExchangeError("no contact (BEGIN:VCARD) in the file");
  return file;
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
  const std::string name = field(engine::kNameField);
  appendFolded(out, "FN:" + escaped(name));
  // The name is one text here; it goes whole into the family name, which
  // is what importers show when they build a name from N.
  appendFolded(out, "N:" + escaped(name) + ";;;;");
  const std::string textTel = v4 ? ";VALUE=text" : "";
  line("TEL;TYPE=" + std::string(v4 ? "home" : "HOME,VOICE") + textTel,
       escaped(field(engine::kHomePhoneField)));
  line("TEL;TYPE=" + std::string(v4 ? "work" : "WORK,VOICE") + textTel,
       escaped(field(engine::kWorkPhoneField)));
  line("TEL;TYPE=" + std::string(v4 ? "cell" : "CELL") + textTel,
       escaped(field(engine::kCellularField)));
  if (!field(engine::kStreetField).empty() || !field(engine::kCityField).empty() ||
      !field(engine::kZipCodeField).empty() || !field(engine::kCountryField).empty()) {
    appendFolded(out, std::string(v4 ? "ADR:" : "ADR;TYPE=HOME:") + ";;" +
                          escaped(field(engine::kStreetField)) + ";" +
                          escaped(field(engine::kCityField)) + ";;" +
                          escaped(field(engine::kZipCodeField)) + ";" +
                          escaped(field(engine::kCountryField)));
  }
  line(v4 ? "EMAIL" : "EMAIL;TYPE=INTERNET", escaped(field(engine::kEmailField)));
  line("URL", escaped(field(engine::kWebSiteField)));
  if (v4) {
    line("IMPP",
         field(engine::kIcqField).empty() ? "" : "icq:" + escaped(field(engine::kIcqField)));
  } else {
    line("X-ICQ", escaped(field(engine::kIcqField)));
  }
  line("CATEGORIES", escaped(contact.category));
  // The identity lets a later import or a sync recognise the same person.
  line("UID", field(engine::kIdentityField));
  out += "END:VCARD\r\n";
  return out;
}

}  // namespace torvelle::exchange
