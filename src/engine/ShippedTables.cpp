#include "engine/ShippedTables.h"

#include "engine/DbError.h"
#include "engine/FieldText.h"
#include "engine/format/TableFile.h"

namespace torvelle::engine {
namespace {

using format::FieldDef;
using format::FieldType;

FieldDef alpha(const char* name, int width) {
  return {name, FieldType::Alpha, width};
}
FieldDef memo(const char* name) {
  return {name, FieldType::Memo, 50};
}  // 40-byte leader
FieldDef date(const char* name) {
  return {name, FieldType::Date, 4};
}
FieldDef time(const char* name) {
  return {name, FieldType::Time, 4};
}
FieldDef logical(const char* name) {
  return {name, FieldType::Logical, 1};
}

// A UUID takes 36 characters; other programs' UIDs that fit in 64 are kept.
FieldDef identity() {
  return alpha(kIdentityField, 64);
}
FieldDef rule() {
  return alpha(kRuleField, 255);
}
FieldDef exceptions() {
  return memo(kExceptionsField);
}

ShippedTable withAppended(ShippedTable table, std::vector<FieldDef> added) {
  table.designedFieldCount = table.fields.size();
  table.fields.insert(table.fields.end(), added.begin(), added.end());
  return table;
}

// Text widths are at least the limits of the program's filter boxes: a
// section 30, a task or event 70, phone book texts 50, a link 255; an
// address, a mail address and a web address get more room.
std::vector<ShippedTable> makeLayout() {
  const auto sections = [](const char* object, const char* path) {
    return ShippedTable{object, path, {alpha(kSectionField, 30)}, 1, kSectionField, "", 1};
  };
  return {
      withAppended({"TaskTable",
                    "DB/Tasks/Tasks.db",
                    {date(kDateField), time(kTimeField), alpha(kTaskField, 70), logical(kDoneField),
                     memo(kDescriptionField)},
                    2,
                    "Date;Time",
                    ""},
                   {identity(), rule(), exceptions()}),
      sections("PhoneSectionsTable", "DB/Phones/PhoneSections.db"),
      withAppended({"PhonesTable",
                    "DB/Phones/Phones.db",
                    {alpha(kSectionField, 30), alpha(kNameField, 50), alpha(kHomePhoneField, 50),
                     alpha(kWorkPhoneField, 50), alpha(kCountryField, 50), alpha(kZipCodeField, 50),
                     alpha(kCityField, 50), alpha(kStreetField, 100), alpha(kCellularField, 50),
                     alpha(kIcqField, 50), alpha(kEmailField, 80), alpha(kWebSiteField, 120)},
                    2,
                    "Section;Name",
                    "PhoneSectionsTable"},
                   {identity()}),
      sections("DateSectionsTable", "DB/Dates/DateSections.db"),
      // Time belongs to the key so that two events of one day can coexist.
      withAppended({"DatesTable",
                    "DB/Dates/Dates.db",
                    {alpha(kSectionField, 30), date(kDateField), time(kTimeField),
                     alpha(kEventField, 70), memo(kDescriptionField)},
                    3,
                    "Section;Date",
                    "DateSectionsTable"},
                   {identity(), rule(), exceptions()}),
      sections("LinkSectionsTable", "DB/Links/LinkSections.db"),
      {"LinksTable",
       "DB/Links/Links.db",
       {alpha(kSectionField, 30), alpha(kLinkField, 255), memo(kDescriptionField)},
       2,
       "Section;Link",
       "LinkSectionsTable",
       3},
  };
}

}  // namespace

std::vector<format::FieldDef> appendedFields(const ShippedTable& table) {
  return {table.fields.begin() + static_cast<std::ptrdiff_t>(table.designedFieldCount),
          table.fields.end()};
}

bool isAppendedField(const std::string& name) {
  for (const char* appended : {kIdentityField, kRuleField, kExceptionsField})
    if (sameFieldName(name, appended)) return true;
  return false;
}

const std::vector<ShippedTable>& shippedTables() {
  static const std::vector<ShippedTable> layout = makeLayout();
  return layout;
}

const ShippedTable& shippedTable(std::string_view objectName) {
  for (const auto& table : shippedTables())
    if (table.objectName == objectName) return table;
  throw DbError(DbError::Kind::General, "No shipped table " + std::string(objectName));
}

std::filesystem::path shippedTableBeside(const std::filesystem::path& table,
                                         std::string_view objectName) {
  // Every shipped table sits in its book's folder inside the tables' folder.
  const std::filesystem::path relative = shippedTable(objectName).relativePath;
  return table.parent_path().parent_path() / relative.lexically_relative(*relative.begin());
}

namespace {

// Folders we make are for their owner only, as the tables in them are.
void createPrivateFolders(const std::filesystem::path& folder) {
  if (folder.empty() || std::filesystem::exists(folder)) return;
  createPrivateFolders(folder.parent_path());
  std::filesystem::create_directory(folder);
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::replace);
}

}  // namespace

void createShippedTables(const std::filesystem::path& root, int codePage) {
  for (const auto& table : shippedTables()) {
    const auto path = root / table.relativePath;
    createPrivateFolders(path.parent_path());
    if (std::filesystem::exists(path)) continue;
    format::TableFile::create(path, table.fields, table.keyFieldCount, codePage);
  }
}

}  // namespace torvelle::engine
