#include "exchange/CsvTable.h"

#include <algorithm>

#include "engine/FieldText.h"
#include "exchange/AddressBookColumns.h"
#include "exchange/Books.h"
#include "exchange/Csv.h"
#include "exchange/LooseValues.h"
#include "exchange/TextCodec.h"

namespace torvelle::exchange {
namespace {

// How one CSV column reaches a field: by the field's own name (letter case
// ignored, as the engine matches field names) or by an address-book name.
struct CsvColumn {
  int field = -1;  // -1: a column left out
  int namePart = -1;
  bool firstOfList = false;
};

CsvColumn columnFor(const std::string& name, const format::TableInfo& info, bool& addressBook) {
  CsvColumn column;
  for (std::size_t f = 0; f < info.fields.size(); ++f) {
    if (engine::sameFieldName(name, info.fields[f].name)) column.field = static_cast<int>(f);
  }
  if (column.field >= 0 || bookOf(info) != Book::Phones) return column;
  if (const auto meaning = addressBookColumn(name)) {
    column = {fieldIndex(info, meaning->field.c_str()), meaning->namePart, meaning->firstOfList};
    addressBook = true;
  }
  return column;
}

std::vector<CsvColumn> mapColumns(const std::vector<std::string>& header,
                                  const format::TableInfo& info, ImportSummary& summary) {
  std::vector<CsvColumn> columns;
  std::vector<std::string> unknown;
  bool addressBook = false;
  for (const auto& name : header) {
    CsvColumn column = columnFor(name, info, addressBook);
    const bool twice = column.field >= 0 && column.namePart < 0 &&
                       std::any_of(columns.begin(), columns.end(),
                                   [&](const CsvColumn& c) { return c.field == column.field; });
    if (twice) {
      // An address book may name one thing twice ("Name", "Display Name").
      if (!addressBook) throw ExchangeError("line 1: field \"" + name + "\" appears twice");
      column.field = -1;
    }
    if (column.field < 0) unknown.push_back(name);
    columns.push_back(column);
  }
  // Our own dumps name only fields: an unknown name there is a mistake. An
  // address book's export has columns we have no field for.
  if (!unknown.empty() && !addressBook) {
    throw ExchangeError("line 1: the table has no field \"" + unknown.front() + "\"");
  }
  for (const auto& name : unknown) ++summary.notStored["column \"" + name + "\""];
  return columns;
}

format::Value csvValue(const format::FieldDef& field, const CsvColumn& column, std::string cell) {
  if (column.firstOfList) cell = cell.substr(0, cell.find_first_of(";,"));
  if (field.type == format::FieldType::Date) {
    if (const auto date = parseLooseDate(cell)) return *date;
  } else if (field.type == format::FieldType::Time) {
    if (const auto time = parseLooseTime(cell)) return *time;
  }
  return parseValue(field, cell);
}

format::Record recordFromCells(const std::vector<std::string>& cells,
                               const std::vector<CsvColumn>& columns, const format::TableInfo& info,
                               const std::string& where) {
  format::Record record(info.fields.size());
  std::string name;
  for (std::size_t c = 0; c < cells.size(); ++c) {
    const auto& column = columns[c];
    if (column.namePart >= 0) {
      // Columns come in the order given, middle, family, as exports write them.
      if (!cells[c].empty()) name += (name.empty() ? "" : " ") + cells[c];
      continue;
    }
    if (column.field < 0) continue;
    const auto& field = info.fields[static_cast<std::size_t>(column.field)];
    try {
      record[static_cast<std::size_t>(column.field)] = csvValue(field, column, cells[c]);
    } catch (const TextError& e) {
      throw ExchangeError(where + ", column " + std::to_string(c + 1) + " (" + field.name +
                          "): " + e.what());
    }
  }
  const int f = fieldIndex(info, "Name");
  if (!name.empty() && f >= 0 && format::isNull(record[static_cast<std::size_t>(f)])) {
    record[static_cast<std::size_t>(f)] = name;
  }
  return record;
}

}  // namespace

std::string csvText(const std::vector<format::FieldDef>& fields,
                    const std::vector<format::Record>& records) {
  std::vector<std::string> cells;
  cells.reserve(fields.size());
  for (const auto& field : fields) cells.push_back(field.name);
  std::string text = csvRecord(cells);
  for (const auto& record : records) {
    cells.clear();
    for (std::size_t f = 0; f < fields.size(); ++f) {
      cells.push_back(f < record.size() ? formatValue(record[f]) : std::string());
    }
    text += csvRecord(cells);
  }
  return text;
}

std::vector<ImportRow> csvRows(std::string_view text, const format::TableInfo& info,
                               ImportSummary& summary) {
  CsvReader reader(text);
  std::vector<std::string> cells;
  if (!reader.next(cells)) throw ExchangeError("line 1: no header row");
  const std::vector<std::string> header = cells;
  const auto columns = mapColumns(header, info, summary);
  std::vector<ImportRow> rows;
  while (reader.next(cells)) {
    const std::string where = "line " + std::to_string(reader.recordLine());
    if (cells.size() != header.size()) {
      throw ExchangeError(where + ": " + std::to_string(cells.size()) + " fields, the header has " +
                          std::to_string(header.size()));
    }
    rows.push_back({where, recordFromCells(cells, columns, info, where)});
  }
  return rows;
}

}  // namespace torvelle::exchange
