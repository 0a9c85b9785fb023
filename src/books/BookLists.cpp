#include "books/BookLists.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <tuple>

#include "engine/FieldNames.h"
#include "engine/FieldText.h"
#include "engine/Table.h"

namespace torvelle::books {
namespace {

using Fields = std::vector<int>;
using MakeRow = std::function<ListRow(const format::Record&, const Fields&)>;

const std::vector<std::string> kPhoneFields{engine::kSectionField,   engine::kNameField,
                                            engine::kHomePhoneField, engine::kWorkPhoneField,
                                            engine::kCellularField,  engine::kEmailField};
const std::vector<std::string> kDateFields{engine::kSectionField, engine::kDateField,
                                           engine::kTimeField, engine::kEventField};

std::string textOf(const format::Record& record, int field) {
  if (field < 0 || static_cast<std::size_t>(field) >= record.size()) return {};
  const auto* text = std::get_if<std::string>(&record[static_cast<std::size_t>(field)]);
  return text ? *text : std::string();
}

ListRow phoneRow(const format::Record& record, const Fields& f) {
  ListRow row{textOf(record, f[0]), {}};
  for (std::size_t i = 1; i < f.size(); ++i) row.cells.push_back(textOf(record, f[i]));
  return row;
}

ListRow dateRow(const format::Record& record, const Fields& f) {
  const auto value = [&](int field) -> const format::Value* {
    return field < 0 || static_cast<std::size_t>(field) >= record.size()
               ? nullptr
               : &record[static_cast<std::size_t>(field)];
  };
  std::string date, time;
  if (const auto* v = value(f[1]); v && std::holds_alternative<format::Date>(*v))
    date = engine::defaultDateText(std::get<format::Date>(*v));
  if (const auto* v = value(f[2]); v && std::holds_alternative<format::Time>(*v)) {
    const int minutes = std::get<format::Time>(*v).msec / 60000;
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60 % 100, minutes % 60);
    if (minutes > 0) time = text;
  }
  return {textOf(record, f[0]), {date, time, textOf(record, f[3])}};
}

template <class Lookup>
Fields positions(const Lookup& lookup, const std::vector<std::string>& names) {
  Fields found;
  for (const std::string& name : names) found.push_back(lookup(name));
  return found;
}

std::vector<ListRow> rowsOf(const engine::Table& table, const std::vector<std::string>& names,
                            const MakeRow& make, const std::optional<std::string>& section) {
  std::vector<ListRow> rows;
  if (!table.isOpen()) return rows;
  const Fields f = positions([&](const std::string& n) { return table.fieldIndex(n); }, names);
  table.forEachStored([&](const engine::RecordView& view) {
    if (section && textOf(view.values(), f[0]) != *section) return;
    rows.push_back(make(view.values(), f));
  });
  return rows;
}

std::vector<ListRow> readRows(const std::filesystem::path& path, format::OpenOptions options,
                              const std::vector<std::string>& names, const MakeRow& make,
                              const std::optional<std::string>& section) {
  options.writable = false;
  const auto file = format::TableFile::open(path, options);
  const auto& fields = file->info().fields;
  const Fields f = positions(
      [&](const std::string& name) {
        for (std::size_t i = 0; i < fields.size(); ++i)
          if (fields[i].name == name) return static_cast<int>(i);
        return -1;
      },
      names);
  std::vector<format::Record> records = file->readAll();
  // A file is read in its stored order; the page shows key order: section,
  // then the next key field (a name or a date).
  const auto keyOf = [&](const format::Record& r) {
    const auto* date =
        f[1] >= 0 ? std::get_if<format::Date>(&r[static_cast<std::size_t>(f[1])]) : nullptr;
    return std::make_tuple(textOf(r, f[0]), date ? date->day : 0, textOf(r, f[1]));
  };
  std::stable_sort(
      records.begin(), records.end(),
      [&](const format::Record& a, const format::Record& b) { return keyOf(a) < keyOf(b); });
  std::vector<ListRow> rows;
  for (const format::Record& record : records) {
    if (section && textOf(record, f[0]) != *section) continue;
    rows.push_back(make(record, f));
  }
  return rows;
}

}  // namespace

std::vector<ListRow> phoneRowsOf(const engine::Table& phones,
                                 const std::optional<std::string>& section) {
  return rowsOf(phones, kPhoneFields, phoneRow, section);
}

std::vector<ListRow> readPhoneRows(const std::filesystem::path& phonesDb,
                                   const format::OpenOptions& options,
                                   const std::optional<std::string>& section) {
  return readRows(phonesDb, options, kPhoneFields, phoneRow, section);
}

std::vector<ListRow> dateRowsOf(const engine::Table& dates) {
  return rowsOf(dates, kDateFields, dateRow, std::nullopt);
}

std::vector<ListRow> readDateRows(const std::filesystem::path& datesDb,
                                  const format::OpenOptions& options) {
  return readRows(datesDb, options, kDateFields, dateRow, std::nullopt);
}

}  // namespace torvelle::books
