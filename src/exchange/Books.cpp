#include "exchange/Books.h"

#include "engine/FieldNames.h"
#include "engine/FieldText.h"
#include "engine/ShippedTables.h"

namespace torvelle::exchange {

int fieldIndex(const format::TableInfo& info, const char* name) {
  for (std::size_t i = 0; i < info.fields.size(); ++i) {
    if (engine::sameFieldName(info.fields[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

Book bookOf(const format::TableInfo& info) {
  const auto has = [&](const char* name) { return fieldIndex(info, name) >= 0; };
  if (has(engine::kTaskField) && has(engine::kDoneField) && has(engine::kDateField))
    return Book::Tasks;
  if (has(engine::kSectionField) && has(engine::kNameField) && has(engine::kHomePhoneField))
    return Book::Phones;
  if (has(engine::kSectionField) && has(engine::kEventField) && has(engine::kDateField))
    return Book::Dates;
  if (has(engine::kSectionField) && has(engine::kLinkField)) return Book::Links;
  if (info.fields.size() == 1 && has(engine::kSectionField)) return Book::Sections;
  return Book::Other;
}

std::filesystem::path sectionsTableOf(const std::filesystem::path& records, Book book) {
  const char* object = book == Book::Phones  ? "PhonesTable"
                       : book == Book::Dates ? "DatesTable"
                       : book == Book::Links ? "LinksTable"
                                             : nullptr;
  if (!object) return {};
  const auto& sections = engine::shippedTable(engine::shippedTable(object).masterObjectName);
  return records.parent_path() / std::filesystem::path(sections.relativePath).filename();
}

}  // namespace torvelle::exchange
