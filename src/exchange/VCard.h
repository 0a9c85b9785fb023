#pragma once
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/format/Value.h"

// Contacts as vCard 2.1, 3.0 (RFC 2426) and 4.0 (RFC 6350) files hold them,
// seen through the phone book's fields.
namespace torvelle::exchange {

struct VCardContact {
  std::size_t line = 0;  // the line of BEGIN:VCARD, for messages
  // Phone book field name ("Name", "HomePhone", "Street", ...) to its text;
  // fields the contact does not fill are absent.
  std::map<std::string, std::string> fields;
  std::string category;  // the first CATEGORIES value, empty when none
  std::optional<format::Date> birthday;
  // What the contact holds that the phone book has no field for: "photo",
  // "second e-mail", "fax", ... once per occurrence.
  std::vector<std::string> notStored;
  // Why the contact cannot be taken (its text is in a character set we
  // cannot convert, the file ends inside it); empty when it can.
  std::string refusal;
  // The bytes [begin, end) of the file's text that hold the contact.
  std::size_t begin = 0;
  std::size_t end = 0;
};

struct VCardFile {
  std::string text;  // the file as UTF-8 text; the contacts' spans point into it
  std::vector<VCardContact> contacts;
  std::vector<std::string> notes;  // what was assumed about the whole file
  // What stood outside the contacts ("line outside a contact": 2).
  std::map<std::string, std::size_t> notStored;
};

// Every contact of a .vcf file, each decided on its own: a property we cannot
// read is counted in its contact's notStored, a contact we cannot read gets
// its refusal. Text without a CHARSET that is not UTF-8 is taken as
// Windows-1251 or -1252 by its letters, and a note says so. Throws
// ExchangeError only for a file that is no vCard file at all: binary, or
// without a single BEGIN:VCARD.
VCardFile readVCardFile(std::string_view bytes);
// The contacts of readVCardFile.
std::vector<VCardContact> readVCards(std::string_view bytes);

enum class VCardVersion { V30, V40 };

// One contact as a vCard of the given version, lines folded at 75 bytes and
// ended with CRLF. `birthday` and `notStored` are not written.
std::string writeVCard(const VCardContact& contact, VCardVersion version);

}  // namespace torvelle::exchange
