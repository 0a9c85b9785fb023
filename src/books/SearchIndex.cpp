#include "books/SearchIndex.h"

#include <algorithm>

#include "engine/FieldNames.h"
#include "engine/Table.h"
#include "support/TextMatch.h"

namespace torvelle::books {
namespace {

using Names = std::vector<std::string>;

const std::array<Names, kSearchBooks> kSearched{
    Names{engine::kTaskField, engine::kDescriptionField},
    Names{engine::kNameField, engine::kHomePhoneField, engine::kWorkPhoneField,
          engine::kCellularField, engine::kEmailField, engine::kWebSiteField, engine::kIcqField,
          engine::kCountryField, engine::kZipCodeField, engine::kCityField, engine::kStreetField},
    Names{engine::kEventField, engine::kDescriptionField},
    Names{engine::kLinkField, engine::kDescriptionField}};
const std::array<Names, kSearchBooks> kKeys{
    Names{engine::kDateField, engine::kTimeField}, Names{engine::kSectionField, engine::kNameField},
    Names{engine::kSectionField, engine::kDateField, engine::kTimeField},
    Names{engine::kSectionField, engine::kLinkField}};
// The field that names a record in the results.
const std::array<const char*, kSearchBooks> kTitles{engine::kTaskField, engine::kNameField,
                                                    engine::kEventField, engine::kLinkField};

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
  std::string text;
  for (const std::string& field : entry.fields) {
    text += field;
    text += '\0';
  }
  text += '\0';
  auto group = std::find_if(joined_.begin(), joined_.end(),
                            [&](const Joined& j) { return j.fold == entry.fold; });
  if (group == joined_.end()) group = joined_.insert(group, Joined{entry.fold, {}, {}, {}, {}, {}});
  group->entry.push_back(entries_.size());
  group->typedAt.push_back(group->typed.size());
  group->foldedAt.push_back(group->folded.size());
  group->folded += entry.fold(text);
  group->typed += text;
  entries_.push_back(std::move(entry));
}

void SearchIndex::addBook(SearchBook book, const engine::Table& table) {
  if (!table.isOpen()) return;
  std::vector<int> searched, key;
  for (const std::string& name : searchedFields(book)) searched.push_back(table.fieldIndex(name));
  for (const std::string& name : keyFields(book)) key.push_back(table.fieldIndex(name));
  const int section = table.fieldIndex(engine::kSectionField);
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
  // The pattern folded once per table fold (the tables of a folder share
  // one); the texts were folded when they were read.
  std::vector<std::size_t> matched;
  for (const Joined& group : joined_) {
    const std::string folded = ignoreCase ? group.fold(pattern) : std::string(pattern);
    const std::string& text = ignoreCase ? group.folded : group.typed;
    const std::vector<std::size_t>& starts = ignoreCase ? group.foldedAt : group.typedAt;
    for (std::size_t at = 0; (at = support::findWhole(text, folded, at)) != std::string::npos;) {
      // The entry the match lies in; the search goes on from the next one.
      const auto next = std::upper_bound(starts.begin(), starts.end(), at);
      matched.push_back(group.entry[static_cast<std::size_t>(next - starts.begin()) - 1]);
      if (next == starts.end()) break;
      at = *next;
    }
  }
  std::sort(matched.begin(), matched.end());
  std::vector<std::pair<support::CaseFold, support::TextMatcher>> fieldMatchers;
  for (const std::size_t i : matched) {
    const SearchEntry& entry = entries_[i];
    std::size_t& found = result.found[bookIndex(entry.book)];
    if (found++ >= perBook) continue;
    // Which field: the same rule, field by field, for the few listed.
    auto m = std::find_if(fieldMatchers.begin(), fieldMatchers.end(),
                          [&](const auto& fm) { return fm.first == entry.fold; });
    if (m == fieldMatchers.end())
      m = fieldMatchers.insert(m,
                               {entry.fold, support::TextMatcher(pattern, ignoreCase, entry.fold)});
    const auto field = std::find_if(entry.fields.begin(), entry.fields.end(),
                                    [&](const std::string& text) { return m->second(text); });
    result.hits.push_back({i, static_cast<int>(field - entry.fields.begin())});
  }
  return result;
}

}  // namespace torvelle::books
