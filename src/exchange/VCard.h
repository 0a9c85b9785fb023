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
};

// Every contact of a .vcf file. Throws ExchangeError naming the line for a
// file that is not one: binary or not UTF-8 without a CHARSET, an unknown
// CHARSET or ENCODING, a contact without its END, no contact at all.
std::vector<VCardContact> readVCards(std::string_view bytes);

enum class VCardVersion { V30, V40 };

// One contact as a vCard of the given version, lines folded at 75 bytes and
// ended with CRLF. `birthday` and `notStored` are not written.
std::string writeVCard(const VCardContact& contact, VCardVersion version);

}  // namespace torvelle::exchange
