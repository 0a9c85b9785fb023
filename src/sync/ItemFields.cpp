#include "sync/ItemFields.h"

#include <cstdio>
#include <random>

#include "engine/FieldNames.h"
#include "engine/FieldText.h"
#include "engine/format/FieldTypes.h"
#include "exchange/Books.h"
#include "exchange/ExchangeError.h"
#include "exchange/ICalendar.h"
#include "exchange/VCard.h"
#include "support/AsciiText.h"

namespace torvelle::sync {
namespace {

std::string dateText(format::Date date) {
  const auto civil = engine::civilFromDay(date.day);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", civil.year, civil.month, civil.day);
  return text;
}

std::optional<format::Date> parseDate(const std::string& text) {
  int y = 0, m = 0, d = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d", &y, &m, &d) != 3) return std::nullopt;
  return engine::dayFromCivil(y, m, d);
}

std::string valueText(const format::Value& value) {
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  if (const auto* d = std::get_if<format::Date>(&value)) return dateText(*d);
  if (const auto* t = std::get_if<format::Time>(&value)) return std::to_string(t->msec);
  if (const auto* b = std::get_if<bool>(&value)) return *b ? "1" : "";
  return {};
}

format::Value valueOf(const format::FieldDef& field, const std::string& text) {
  if (text.empty()) {
    // A logical field reads "not done" as false, never as unknown.
    if (field.type == format::FieldType::Logical) return false;
    return std::monostate{};
  }
  switch (format::valueKind(field.type)) {
    case format::ValueKind::Date:
      if (const auto date = parseDate(text)) return *date;
      return std::monostate{};
    case format::ValueKind::Time:
      return format::Time{std::stoi(text)};
    case format::ValueKind::Logical:
      return text == "1";
    default:
      return text;
  }
}

std::optional<FieldMap> contactFields(std::string_view text) {
  const auto contacts = exchange::readVCards(text);
  FieldMap fields;
  for (const auto& name : syncedFields(SyncBook::Phones)) fields[name] = "";
  for (const auto& [name, value] : contacts.front().fields) {
    if (fields.contains(name)) fields[name] = value;
  }
  fields[engine::kSectionField] =
      contacts.front().category.empty() ? kFallbackSection : contacts.front().category;
  if (fields[engine::kNameField].empty()) return std::nullopt;
  return fields;
}

std::optional<FieldMap> calendarFields(SyncBook book, const format::TableInfo& info,
                                       std::string_view text) {
  const auto read = book == SyncBook::Tasks
                        ? exchange::readTasksCalendar(text, info)
                        : exchange::readDatesCalendar(text, info, "", kFallbackSection);
  if (read.rows.empty()) return std::nullopt;
  const auto& record = read.rows.front().record;
  if (exchange::fieldIndex(info, engine::kDateField) < 0 ||
      format::isNull(
          record[static_cast<std::size_t>(exchange::fieldIndex(info, engine::kDateField))])) {
    return std::nullopt;
  }
  return fieldsOfRecord(book, info, record);
}

}  // namespace

const char* bookName(SyncBook book) {
  switch (book) {
    case SyncBook::Phones:
      return "Phones";
    case SyncBook::Tasks:
      return "Tasks";
    case SyncBook::Dates:
      return "Dates";
  }
  return "";
}

const std::vector<std::string>& syncedFields(SyncBook book) {
  static const std::vector<std::string> phones = {
      engine::kSectionField,   engine::kNameField,    engine::kHomePhoneField,
      engine::kWorkPhoneField, engine::kCountryField, engine::kZipCodeField,
      engine::kCityField,      engine::kStreetField,  engine::kCellularField,
      engine::kIcqField,       engine::kEmailField,   engine::kWebSiteField};
  static const std::vector<std::string> tasks = {engine::kDateField, engine::kTimeField,
                                                 engine::kTaskField, engine::kDoneField,
                                                 engine::kDescriptionField};
  static const std::vector<std::string> dates = {engine::kSectionField, engine::kDateField,
                                                 engine::kTimeField, engine::kEventField,
                                                 engine::kDescriptionField};
  return book == SyncBook::Phones ? phones : book == SyncBook::Tasks ? tasks : dates;
}

FieldMap fieldsOfRecord(SyncBook book, const format::TableInfo& info,
                        const format::Record& record) {
  FieldMap fields;
  for (const auto& name : syncedFields(book)) {
    const int f = exchange::fieldIndex(info, name.c_str());
    const auto at = static_cast<std::size_t>(f);
    fields[name] = f >= 0 && at < record.size() ? valueText(record[at]) : std::string();
  }
  return fields;
}

format::Record recordWithFields(const format::TableInfo& info, format::Record base,
                                const FieldMap& fields) {
  base.resize(info.fields.size());
  for (std::size_t f = 0; f < info.fields.size(); ++f) {
    const auto it = fields.find(info.fields[f].name);
    if (it != fields.end()) base[f] = valueOf(info.fields[f], it->second);
  }
  return base;
}

std::optional<FieldMap> fieldsOfItem(SyncBook book, const format::TableInfo& info,
                                     std::string_view itemText) {
  try {
    return book == SyncBook::Phones ? contactFields(itemText)
                                    : calendarFields(book, info, itemText);
  } catch (const exchange::ExchangeError&) {
    return std::nullopt;
  }
}

std::string uidOfItem(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    auto end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string name = support::asciiUpper(line.substr(0, line.find_first_of(";:")));
    if (const auto dot = name.rfind('.'); dot != std::string::npos) name.erase(0, dot + 1);
    if (name != "UID") continue;
    // A folded UID goes on in the lines that begin with a blank.
    std::string uid(line.substr(colon + 1));
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
      end = text.find('\n', pos);
      if (end == std::string_view::npos) end = text.size();
      std::string_view more = text.substr(pos + 1, end - pos - 1);
      if (more.ends_with('\r')) more.remove_suffix(1);
      uid += more;
      pos = end + 1;
    }
    return uid;
  }
  return {};
}

std::string packFields(const FieldMap& fields) {
  std::string packed;
  for (const auto& [name, value] : fields) {
    packed += name;
    packed += '\x1f';
    packed += value;
    packed += '\x1e';
  }
  return packed;
}

FieldMap unpackFields(std::string_view packed) {
  FieldMap fields;
  std::size_t pos = 0;
  while (pos < packed.size()) {
    const auto unit = packed.find('\x1f', pos);
    const auto record = packed.find('\x1e', pos);
    if (unit == std::string_view::npos || record == std::string_view::npos || unit > record) break;
    fields[std::string(packed.substr(pos, unit - pos))] =
        std::string(packed.substr(unit + 1, record - unit - 1));
    pos = record + 1;
  }
  return fields;
}

std::string fieldsHash(const FieldMap& fields) {
  // FNV-1a: stable across builds and platforms, which std::hash is not.
  std::uint64_t hash = 14695981039346656037ULL;
  for (const unsigned char c : packFields(fields)) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

std::string newUid() {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  const std::uint64_t high = random(), low = random();
  char text[40];
  std::snprintf(text, sizeof text, "%08llx-%04llx-4%03llx-%04llx-%012llx",
                static_cast<unsigned long long>(high >> 32),
                static_cast<unsigned long long>((high >> 16) & 0xFFFF),
                static_cast<unsigned long long>(high & 0xFFF),
                static_cast<unsigned long long>(0x8000 | ((low >> 48) & 0x3FFF)),
                static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
  return text;
}

}  // namespace torvelle::sync
