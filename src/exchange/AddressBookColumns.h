#pragma once
#include <optional>
#include <string>
#include <string_view>

// The column names of the CSV files that mail programs and web address
// books export (Google, Outlook, Outlook.com, Thunderbird, Apple), where one
// of them means one phone book field.
namespace torvelle::exchange {

struct ColumnMeaning {
  std::string field;  // the phone book field: "Email", "Cellular", ...
  // Given, middle and family names together make the Name (0, 1, 2); -1
  // for a column that fills its field alone.
  int namePart = -1;
  // The column holds a list ("Friends;Work", "* myContacts ::: Friends"):
  // its first value is taken.
  bool firstOfList = false;
  // Fills its field only when no other column does ("Home Phone 2", the
  // company as the name of a contact without one).
  bool fallback = false;
  // A phone whose kind the column `kindColumn` names ("Phone 1 - Value"
  // beside "Phone 1 - Type"); `field` is then empty.
  std::string kindColumn = {};
};

// Letter case and surrounding blanks are ignored; nullopt for columns we do
// not take.
std::optional<ColumnMeaning> addressBookColumn(std::string_view header);

// The phone book field a phone of the kind `kind` ("Mobile", "Work",
// "home") goes to; empty for one of no kind we know, "-" for a fax or pager.
std::string phoneFieldOfKind(std::string_view kind);

}  // namespace torvelle::exchange
