#include "exchange/AddressBookColumns.h"

#include <cctype>
#include <map>

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
      {"home phone", {"HomePhone"}},
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
  while (!header.empty() && std::isspace(static_cast<unsigned char>(header.front()))) {
    header.remove_prefix(1);
  }
  while (!header.empty() && std::isspace(static_cast<unsigned char>(header.back()))) {
    header.remove_suffix(1);
  }
  std::string key(header);
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const auto it = columns.find(key);
  if (it == columns.end()) return std::nullopt;
  return it->second;
}

}  // namespace torvelle::exchange
