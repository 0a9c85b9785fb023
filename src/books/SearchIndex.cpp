#include "books/SearchIndex.h"

#include <algorithm>

#include "engine/Table.h"
#include "support/TextMatch.h"

namespace torvelle::books {
namespace {

using Names = std::vector<std::string>;

const std::array<Names, kSearchBooks> kSearched{
    Names{"Task", "Description"},
    Names{"Name", "HomePhone", "WorkPhone", "Cellular", "Email", "WebSite", "ICQ", "Country",
          "ZipCode", "City", "Street"},
    Names{"Event", "Description"}, Names{"Link", "Description"}};
const std::array<Names, kSearchBooks> kKeys{Names{"Date", "Time"}, Names{"Section", "Name"},
                                            Names{"Section", "Date", "Time"},
                                            Names{"Section", "Link"}};
// The field that names a record in the results.
const std::array<const char*, kSearchBooks> kTitles{"Task", "Name", "Event", "Link"};

std::size_t bookIndex(SearchBook book) {
  return static_cast<std::size_t>(book);
}

}  // namespace

const std::vector<std::string>& searchedFields(SearchBook book) {
  return kSearched[bookIndex(book)];
}

const std::vector<std::string>& keyFields(SearchBook book) {
  return kKeys[bookIndex(book)];
}

void SearchIndex::add(SearchEntry entry) {
  entry.joined.clear();
  for (const std::string& field : entry.fields) {
    entry.joined += field;
    entry.joined += '\0';
  }
  entry.folded = entry.fold(entry.joined);
  entries_.push_back(std::move(entry));
}

void SearchIndex::addBook(SearchBook book, const engine::Table& table) {
  if (!table.isOpen()) return;
  std::vector<int> searched, key;
  for (const std::string& name : searchedFields(book)) searched.push_back(table.fieldIndex(name));
  for (const std::string& name : keyFields(book)) key.push_back(table.fieldIndex(name));
  const int section = table.fieldIndex("Section");
  const int title = table.fieldIndex(kTitles[bookIndex(book)]);
  table.forEachStored([&](const engine::RecordView& view) {
    SearchEntry entry;
    entry.book = book;
    entry.fold = table.caseFold();
    for (const int f : key) entry.key.push_back(f >= 0 ? view.value(f) : format::Value());
    if (section >= 0) entry.section = std::string(view.text(section));
    if (title >= 0) entry.title = std::string(view.text(title));
    for (const int f : searched) entry.fields.emplace_back(f >= 0 ? view.text(f) : "");
    add(std::move(entry));
  });
}

SearchResult SearchIndex::search(std::string_view pattern, bool ignoreCase,
                                 std::size_t perBook) const {
  SearchResult result;
  if (pattern.empty()) return result;
  // Folded once per table fold here (the tables of a folder share one);
  // each record's folded text was made when it was read.
  struct Matchers {
    support::CaseFold fold;
    support::TextMatcher joined, field;
  };
  std::vector<Matchers> matchers;
  const auto matchersOf = [&](const support::CaseFold& fold) -> const Matchers& {
    for (const Matchers& m : matchers)
      if (m.fold == fold) return m;
    return matchers.emplace_back(Matchers{
        fold, support::TextMatcher(ignoreCase ? fold(pattern) : std::string(pattern), false),
        support::TextMatcher(pattern, ignoreCase, fold)});
  };
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const SearchEntry& entry = entries_[i];
    const Matchers& m = matchersOf(entry.fold);
    if (!m.joined(ignoreCase ? entry.folded : entry.joined)) continue;
    std::size_t& found = result.found[bookIndex(entry.book)];
    if (found++ >= perBook) continue;
    // Which field: the same rule, field by field, for the few listed.
    const auto field = std::find_if(entry.fields.begin(), entry.fields.end(),
                                    [&](const std::string& text) { return m.field(text); });
    result.hits.push_back({i, static_cast<int>(field - entry.fields.begin())});
  }
  return result;
}

}  // namespace torvelle::books
