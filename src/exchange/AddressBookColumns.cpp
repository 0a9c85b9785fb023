#include "exchange/AddressBookColumns.h"

#include <map>

#include "support/AsciiText.h"

namespace torvelle::exchange {

std::optional<ColumnMeaning> addressBookColumn(std::string_view header) {
  static const std::map<std::string, ColumnMeaning, std::less<>> columns = {
      {"display name", {"Name"}},
      {"full name", {"Name"}},
      {"first name", {"Name", 0}},
      {"given name", {"Name", 0}},
      {"middle name", {"Name", 1}},
      {"additional name", {"Name", 1}},
      {"last name", {"Name", 2}},
      {"family name", {"Name", 2}},
      {"name", {"Name"}},
      {"home phone", {"HomePhone"}},
      {"home phone 2", {"HomePhone", -1, false, true}},
      {"primary phone", {"HomePhone", -1, false, true}},
      {"other phone", {"HomePhone", -1, false, true}},
      {"business phone 2", {"WorkPhone", -1, false, true}},
      {"company main phone", {"WorkPhone", -1, false, true}},
      {"company", {"Name", -1, false, true}},
      {"organization", {"Name", -1, false, true}},
      {"organization name", {"Name", -1, false, true}},
      {"organization 1 - name", {"Name", -1, false, true}},
      {"e-mail 1 - value", {"Email"}},
      {"email home", {"Email"}},
      {"email work", {"Email", -1, false, true}},
      {"email", {"Email"}},
      {"address 1 - street", {"Street"}},
      {"address 1 - formatted", {"Street", -1, false, true}},
      {"address 1 - city", {"City"}},
      {"address 1 - postal code", {"ZipCode"}},
      {"address 1 - country", {"Country"}},
      {"home street 2", {"Street", -1, false, true}},
      {"home zip", {"ZipCode"}},
      {"home postal", {"ZipCode"}},
      {"website 1 - value", {"WebSite"}},
      {"personal web page", {"WebSite", -1, false, true}},
      {"group membership", {"Section", -1, true}},
      {"labels", {"Section", -1, true}},
      {"business phone", {"WorkPhone"}},
      {"work phone", {"WorkPhone"}},
      {"mobile phone", {"Cellular"}},
      {"mobile number", {"Cellular"}},
      {"cell phone", {"Cellular"}},
      {"mobile", {"Cellular"}},
      {"e-mail address", {"Email"}},
      {"email address", {"Email"}},
      {"primary email", {"Email"}},
      {"e-mail", {"Email"}},
      {"web page", {"WebSite"}},
      {"web page 1", {"WebSite"}},
      {"website", {"WebSite"}},
      {"web site", {"WebSite"}},
      {"home street", {"Street"}},
      {"home address", {"Street"}},
      {"home city", {"City"}},
      {"home postal code", {"ZipCode"}},
      {"home zipcode", {"ZipCode"}},
      {"postal code", {"ZipCode"}},
      {"zip code", {"ZipCode"}},
      {"zip", {"ZipCode"}},
      {"home country/region", {"Country"}},
      {"home country", {"Country"}},
      {"country/region", {"Country"}},
      {"icq number", {"ICQ"}},
      {"categories", {"Section", -1, true}},
      {"category", {"Section", -1, true}},
      {"group", {"Section", -1, true}},
  };
  const std::string key = support::asciiLower(support::trimmed(header, support::kAsciiWhiteSpace));
  const auto it = columns.find(key);
  if (it != columns.end()) return it->second;
  // Google's "Phone 1 - Value" beside "Phone 1 - Type" (older) or
  // "Phone 1 - Label" (newer), for any number of phones.
  if (key.starts_with("phone ") && key.ends_with(" - value")) {
    ColumnMeaning meaning;
    meaning.kindColumn = key.substr(0, key.size() - 5);
    return meaning;
  }
  return std::nullopt;
}

std::string phoneFieldOfKind(std::string_view kind) {
  const std::string k = support::asciiLower(kind);
  const auto has = [&](const char* word) { return k.find(word) != std::string::npos; };
  if (has("fax") || has("pager")) return "-";
  if (has("mobile") || has("cell") || has("iphone")) return "Cellular";
  if (has("work") || has("business")) return "WorkPhone";
  if (has("home")) return "HomePhone";
  return {};
}

}  // namespace torvelle::exchange
