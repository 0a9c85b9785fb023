#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/format/Value.h"
#include "support/TextMatch.h"

namespace torvelle::engine {
class Table;
}

namespace torvelle::books {

// The four books in the order their pages and their search results come.
enum class SearchBook : int { Tasks = 0, Phones = 1, Dates = 2, Links = 3 };
inline constexpr std::size_t kSearchBooks = 4;

// One record of a book as the search sees it: its key (to find it again on
// its page), its section, the text that names it, and its searched fields.
struct SearchEntry {
  SearchBook book = SearchBook::Tasks;
  format::Record key;
  std::string section;
  std::string title;
  std::vector<std::string> fields;
  support::CaseFold fold;  // the fold of the record's table
};

struct SearchHit {
  std::size_t entry = 0;  // into SearchIndex::entries()
  int field = 0;          // the first field that matches
};

struct SearchResult {
  std::vector<SearchHit> hits;                    // by book, then in key order
  std::array<std::size_t, kSearchBooks> found{};  // all matches per book, also those not listed
};

// Every record of the four books, read once, searched on each keystroke
// with the program's text match rule.
class SearchIndex {
 public:
  // Adds the stored records of an open table in its index order; a closed
  // table adds nothing.
  void addBook(SearchBook book, const engine::Table& table);
  void add(SearchEntry entry);

  // Records in which `pattern` occurs in some field, at most `perBook` of
  // each book listed. An empty pattern finds nothing.
  SearchResult search(std::string_view pattern, bool ignoreCase, std::size_t perBook) const;

  const std::vector<SearchEntry>& entries() const { return entries_; }

 private:
  // The fields of all entries that share a fold, joined into one text as
  // typed and one folded, each field followed by a NUL and each entry by
  // one more: a keystroke is one pass over memory laid end to end, not a
  // search per record. A pattern never holds a NUL, so no match spans two.
  struct Joined {
    support::CaseFold fold;
    std::string typed, folded;
    std::vector<std::size_t> entry;              // into entries_
    std::vector<std::size_t> typedAt, foldedAt;  // where each entry begins
  };

  std::vector<SearchEntry> entries_;  // grouped by book, in the order added
  std::vector<Joined> joined_;
};

// The field names searched in each book, and those of its key.
const std::vector<std::string>& searchedFields(SearchBook book);
const std::vector<std::string>& keyFields(SearchBook book);

}  // namespace torvelle::books
