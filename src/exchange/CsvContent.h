#pragma once
#include <string>
#include <string_view>
#include <vector>

// What the cells of a CSV file say about themselves, for files that do not
// say it in a header: an address, a phone number, a date's order.
namespace torvelle::exchange {

// The first of a list cell: "Friends;Work", "* myContacts ::: Friends" (a
// group starting with '*' is the address book's own, not a person's).
std::string firstOfList(std::string_view cell);

// True when some cell reads as an e-mail address or a phone number, which
// no column name does.
bool looksLikeData(const std::vector<std::string>& cells);

// For rows without a header: each column's phone book field by what most
// of its cells hold (Name, Email, WebSite, HomePhone, WorkPhone, Cellular),
// empty for a column left out.
std::vector<std::string> fieldsByContent(const std::vector<std::vector<std::string>>& rows);

// Collects "a/b/yyyy" dates: a first number over 12 tells day first, a
// second one over 12 month first.
class SlashedDateEvidence {
 public:
  void add(std::string_view cell);
  bool seen() const { return seen_; }
  // Both or neither kind of evidence: the user's locale decides.
  bool decided() const { return (dayFirst_ > 0) != (monthFirst_ > 0); }
  bool dayFirst() const;

 private:
  bool seen_ = false;
  long dayFirst_ = 0;
  long monthFirst_ = 0;
};

// Whether the locale of LC_ALL, LC_TIME or LANG writes the day before the
// month (true when none is set).
bool localeWritesDayFirst();

}  // namespace torvelle::exchange
