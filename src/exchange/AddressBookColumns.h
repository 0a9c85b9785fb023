#pragma once
#include <optional>
#include <string>
#include <string_view>

// The column names of the CSV files that mail programs and web address
// books export, where one of them means one phone book field.
namespace torvelle::exchange {

struct ColumnMeaning {
  std::string field;  // the phone book field: "Email", "Cellular", ...
  // Given, middle and family names together make the Name (0, 1, 2); -1
  // for a column that fills its field alone.
  int namePart = -1;
  // The column holds a list ("Friends;Work"): its first value is taken.
  bool firstOfList = false;
};

// Letter case and surrounding blanks are ignored; nullopt for columns we do
// not take.
std::optional<ColumnMeaning> addressBookColumn(std::string_view header);

}  // namespace torvelle::exchange
