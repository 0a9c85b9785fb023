#include "exchange/AddressBookColumns.h"

#include <map>

#include "engine/FieldNames.h"
#include "support/AsciiText.h"

namespace torvelle::exchange {

std::optional<ColumnMeaning> addressBookColumn(std::string_view header) {
  static const std::map<std::string, ColumnMeaning, std::less<>> columns = {
      {"display name", {engine::kNameField}},
      {"full name", {engine::kNameField}},
      {"first name", {engine::kNameField, 0}},
      {"given name", {engine::kNameField, 0}},
      {"middle name", {engine::kNameField, 1}},
      {"additional name", {engine::kNameField, 1}},
      {"last name", {engine::kNameField, 2}},
      {"family name", {engine::kNameField, 2}},
      {"name", {engine::kNameField}},
      {"home phone", {engine::kHomePhoneField}},
      {"home phone 2", {engine::kHomePhoneField, -1, false, true}},
      {"primary phone", {engine::kHomePhoneField, -1, false, true}},
      {"other phone", {engine::kHomePhoneField, -1, false, true}},
      {"business phone 2", {engine::kWorkPhoneField, -1, false, true}},
      {"company main phone", {engine::kWorkPhoneField, -1, false, true}},
      {"company", {engine::kNameField, -1, false, true}},
      {"organization", {engine::kNameField, -1, false, true}},
      {"organization name", {engine::kNameField, -1, false, true}},
      {"organization 1 - name", {engine::kNameField, -1, false, true}},
      {"e-mail 1 - value", {engine::kEmailField}},
      {"email home", {engine::kEmailField}},
      {"email work", {engine::kEmailField, -1, false, true}},
      {"email", {engine::kEmailField}},
      {"address 1 - street", {engine::kStreetField}},
      {"address 1 - formatted", {engine::kStreetField, -1, false, true}},
      {"address 1 - city", {engine::kCityField}},
      {"address 1 - postal code", {engine::kZipCodeField}},
      {"address 1 - country", {engine::kCountryField}},
      {"home street 2", {engine::kStreetField, -1, false, true}},
      {"home zip", {engine::kZipCodeField}},
      {"home postal", {engine::kZipCodeField}},
      {"website 1 - value", {engine::kWebSiteField}},
      {"personal web page", {engine::kWebSiteField, -1, false, true}},
      {"group membership", {engine::kSectionField, -1, true}},
      {"labels", {engine::kSectionField, -1, true}},
      {"business phone", {engine::kWorkPhoneField}},
      {"work phone", {engine::kWorkPhoneField}},
      {"mobile phone", {engine::kCellularField}},
      {"mobile number", {engine::kCellularField}},
      {"cell phone", {engine::kCellularField}},
      {"mobile", {engine::kCellularField}},
      {"e-mail address", {engine::kEmailField}},
      {"email address", {engine::kEmailField}},
      {"primary email", {engine::kEmailField}},
      {"e-mail", {engine::kEmailField}},
      {"web page", {engine::kWebSiteField}},
      {"web page 1", {engine::kWebSiteField}},
      {"website", {engine::kWebSiteField}},
      {"web site", {engine::kWebSiteField}},
      {"home street", {engine::kStreetField}},
      {"home address", {engine::kStreetField}},
      {"home city", {engine::kCityField}},
      {"home postal code", {engine::kZipCodeField}},
      {"home zipcode", {engine::kZipCodeField}},
      {"postal code", {engine::kZipCodeField}},
      {"zip code", {engine::kZipCodeField}},
      {"zip", {engine::kZipCodeField}},
      {"home country/region", {engine::kCountryField}},
      {"home country", {engine::kCountryField}},
      {"country/region", {engine::kCountryField}},
      {"icq number", {engine::kIcqField}},
      {"categories", {engine::kSectionField, -1, true}},
      {"category", {engine::kSectionField, -1, true}},
      {"group", {engine::kSectionField, -1, true}},
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
  if (has("mobile") || has("cell") || has("iphone")) return engine::kCellularField;
  if (has("work") || has("business")) return engine::kWorkPhoneField;
  if (has("home")) return engine::kHomePhoneField;
  return {};
}

}  // namespace torvelle::exchange
