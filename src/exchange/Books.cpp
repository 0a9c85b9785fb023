#include "exchange/Books.h"

#include "engine/FieldText.h"

namespace torvelle::exchange {

int fieldIndex(const format::TableInfo& info, const char* name) {
  for (std::size_t i = 0; i < info.fields.size(); ++i) {
    if (engine::sameFieldName(info.fields[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

Book bookOf(const format::TableInfo& info) {
  const auto has = [&](const char* name) { return fieldIndex(info, name) >= 0; };
  if (has("Task") && has("Done") && has("Date")) return Book::Tasks;
  if (has("Section") && has("Name") && has("HomePhone")) return Book::Phones;
  if (has("Section") && has("Event") && has("Date")) return Book::Dates;
  if (has("Section") && has("Link")) return Book::Links;
  if (info.fields.size() == 1 && has("Section")) return Book::Sections;
  return Book::Other;
}

std::filesystem::path sectionsTableOf(const std::filesystem::path& records, Book book) {
  const char* name = book == Book::Phones  ? "PhoneSections.db"
                     : book == Book::Dates ? "DateSections.db"
                     : book == Book::Links ? "LinkSections.db"
                                           : nullptr;
  if (!name) return {};
  return records.parent_path() / name;
}

}  // namespace torvelle::exchange
