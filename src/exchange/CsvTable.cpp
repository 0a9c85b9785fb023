#include "exchange/CsvTable.h"

#include <algorithm>

#include "engine/FieldNames.h"
#include "engine/FieldText.h"
#include "exchange/AddressBookColumns.h"
#include "exchange/Books.h"
#include "exchange/Csv.h"
#include "exchange/CsvContent.h"
#include "exchange/LooseValues.h"
#include "exchange/TextCodec.h"
#include "support/AsciiText.h"

namespace torvelle::exchange {
namespace {

// How one CSV column reaches a field: by the field's own name (letter case
// ignored, as the engine matches field names) or by an address-book name.
struct CsvColumn {
  int field = -1;  // -1: a column left out
  int namePart = -1;
  bool firstOfList = false;
  bool fallback = false;
  int kindColumn = -1;  // a phone whose kind that column names
};

struct Layout {
  std::vector<CsvColumn> columns;
  bool header = true;
};

CsvColumn columnFor(const std::string& name, const format::TableInfo& info, bool& addressBook) {
  CsvColumn column;
  for (std::size_t f = 0; f < info.fields.size(); ++f) {
    if (engine::sameFieldName(name, info.fields[f].name)) column.field = static_cast<int>(f);
  }
  if (column.field >= 0 || bookOf(info) != Book::Phones) return column;
  if (const auto meaning = addressBookColumn(name)) {
    column = {meaning->field.empty() ? -1 : fieldIndex(info, meaning->field.c_str()),
              meaning->namePart, meaning->firstOfList, meaning->fallback, -1};
    addressBook = true;
    if (!meaning->kindColumn.empty()) column.kindColumn = -2;  // found below
  }
  return column;
}

// The column naming the kind of the phone in column `c` ("Phone 1 - Type").
int kindColumnOf(const std::vector<std::string>& header, std::size_t c) {
  const std::string value = support::asciiLower(support::trimmed(header[c]));
  const std::string stem = value.substr(0, value.size() - 5);
  for (std::size_t k = 0; k < header.size(); ++k) {
    const std::string name = support::asciiLower(support::trimmed(header[k]));
    if (name == stem + "type" || name == stem + "label") return static_cast<int>(k);
  }
  return -1;
}

std::vector<CsvColumn> mapColumns(const std::vector<std::string>& header,
                                  const format::TableInfo& info, ImportSummary& summary) {
  std::vector<CsvColumn> columns;
  std::vector<std::string> unknown;
  bool addressBook = false;
  for (std::size_t c = 0; c < header.size(); ++c) {
    const auto& name = header[c];
    CsvColumn column = columnFor(name, info, addressBook);
    if (column.kindColumn == -2) column.kindColumn = kindColumnOf(header, c);
    const bool twice =
        column.field >= 0 && column.namePart < 0 && !column.fallback &&
        std::any_of(columns.begin(), columns.end(), [&](const CsvColumn& other) {
          return other.field == column.field && !other.fallback && other.namePart < 0;
        });
    if (twice) {
      // An address book may name one thing twice ("Name", "Display Name").
      if (!addressBook) throw ExchangeError("line 1: field \"" + name + "\" appears twice");
      column.field = -1;
    }
    if (column.field < 0 && column.namePart < 0 && column.kindColumn < 0) unknown.push_back(name);
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

// A message that quotes a huge cell shows its beginning and its length.
std::string shortened(std::string message) {
  constexpr std::size_t kShown = 100;
  if (message.size() <= kShown + 20) return message;
  std::size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>(message[cut]) & 0xC0) == 0x80) --cut;
  return message.substr(0, cut) + "... (" + std::to_string(message.size()) + " bytes)";
}

// A row's trouble that refuses it alone.
struct RowFault {
  std::string reason;
};

format::Value csvValue(const format::FieldDef& field, const CsvColumn& column, std::string cell,
                       bool dayFirst) {
  if (column.firstOfList) cell = firstOfList(cell);
  if (field.type == format::FieldType::Date) {
    if (const auto date = parseLooseDate(cell)) return *date;
    if (const auto date = parseSlashedDate(cell, dayFirst)) return *date;
  } else if (field.type == format::FieldType::Time) {
    if (const auto time = parseLooseTime(cell)) return *time;
  }
  return parseValue(field, cell);
}

class RowBuilder {
 public:
  RowBuilder(const format::TableInfo& info, const std::vector<CsvColumn>& columns, bool dayFirst,
             ImportSummary& summary)
      : info_(info), columns_(columns), dayFirst_(dayFirst), summary_(summary) {}

  format::Record build(const std::vector<std::string>& cells) {
    record_.assign(info_.fields.size(), format::Value{});
    std::string name;
    for (std::size_t c = 0; c < cells.size(); ++c) {
      const auto& column = columns_[c];
      if (column.namePart >= 0) {
        // Columns come in the order given, middle, family, as exports write them.
        if (!cells[c].empty()) name += (name.empty() ? "" : " ") + cells[c];
      } else if (column.kindColumn >= 0) {
        phone(cells[c], static_cast<std::size_t>(column.kindColumn) < cells.size()
                            ? cells[static_cast<std::size_t>(column.kindColumn)]
                            : std::string());
      } else if (column.field >= 0 && !column.fallback) {
        put(c, column, cells[c]);
      }
    }
    fill(engine::kNameField, name);
    for (std::size_t c = 0; c < cells.size(); ++c) {
      if (columns_[c].fallback && columns_[c].field >= 0 && isEmpty(columns_[c].field)) {
        put(c, columns_[c], cells[c]);
      }
    }
    if (const int email = fieldIndex(info_, engine::kEmailField); email >= 0) {
      // A contact known by an address only is named by it.
      if (const auto* text = std::get_if<std::string>(&record_[static_cast<std::size_t>(email)]))
        fill(engine::kNameField, *text);
    }
    return std::move(record_);
  }

 private:
  bool isEmpty(int field) const { return format::isNull(record_[static_cast<std::size_t>(field)]); }

  void fill(const char* fieldName, const std::string& text) {
    const int f = fieldIndex(info_, fieldName);
    if (!text.empty() && f >= 0 && isEmpty(f)) record_[static_cast<std::size_t>(f)] = text;
  }

  void put(std::size_t c, const CsvColumn& column, const std::string& cell) {
    const auto& field = info_.fields[static_cast<std::size_t>(column.field)];
    try {
      record_[static_cast<std::size_t>(column.field)] = csvValue(field, column, cell, dayFirst_);
    } catch (const TextError& e) {
      throw RowFault{"column " + std::to_string(c + 1) + " (" + field.name +
                     "): " + shortened(e.what())};
    }
  }

  void phone(const std::string& number, const std::string& kind) {
    if (support::trimmed(number).empty()) return;
    std::string field = phoneFieldOfKind(kind);
    if (field == "-") {
      ++summary_.notStored["fax or pager"];
      return;
    }
    if (field.empty() || !isEmpty(fieldIndex(info_, field.c_str()))) {
      field.clear();
      for (const char* free :
           {engine::kHomePhoneField, engine::kWorkPhoneField, engine::kCellularField}) {
        if (field.empty() && isEmpty(fieldIndex(info_, free))) field = free;
      }
    }
    if (field.empty()) {
      ++summary_.notStored["another phone"];
      return;
    }
    // Google lists several numbers of one kind in one cell: " ::: ".
    record_[static_cast<std::size_t>(fieldIndex(info_, field.c_str()))] = firstOfList(number);
  }

  const format::TableInfo& info_;
  const std::vector<CsvColumn>& columns_;
  bool dayFirst_;
  ImportSummary& summary_;
  format::Record record_;
};

struct CsvRecord {
  std::size_t line = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
  std::string fault;
  std::vector<std::string> cells;
};

std::vector<CsvRecord> readRecords(std::string_view text, char delimiter) {
  CsvReader reader(text, delimiter);
  reader.setLenient(true);
  std::vector<CsvRecord> records;
  CsvRecord record;
  while (reader.next(record.cells)) {
    record.line = reader.recordLine();
    record.begin = reader.recordBegin();
    record.end = reader.recordEnd();
    record.fault = reader.fault();
    records.push_back(std::move(record));
    record = {};
  }
  return records;
}

// Content-told columns of a phone book without a header row.
Layout layoutByContent(const std::vector<CsvRecord>& records, const format::TableInfo& info,
                       ImportSummary& summary) {
  std::vector<std::vector<std::string>> sample;
  for (std::size_t i = 0; i < records.size() && i < 50; ++i) sample.push_back(records[i].cells);
  const auto fields = fieldsByContent(sample);
  Layout layout;
  layout.header = false;
  std::string told;
  for (const auto& name : fields) {
    CsvColumn column;
    if (!name.empty()) {
      column.field = fieldIndex(info, name.c_str());
      told += (told.empty() ? "" : ", ") + name;
    }
    layout.columns.push_back(column);
  }
  summary.notes.push_back("no header row: columns taken by their content (" + told + ")");
  return layout;
}

Layout layoutOf(const std::vector<CsvRecord>& records, const format::TableInfo& info,
                ImportSummary& summary) {
  const auto& first = records.front().cells;
  bool addressBook = false;
  const bool anyKnown = std::any_of(first.begin(), first.end(), [&](const std::string& name) {
    const auto column = columnFor(name, info, addressBook);
    return column.field >= 0 || column.namePart >= 0 || column.kindColumn != -1;
  });
  if (!anyKnown && bookOf(info) == Book::Phones && looksLikeData(first)) {
    return layoutByContent(records, info, summary);
  }
  return {mapColumns(first, info, summary), true};
}

// Day first or month first for slashed dates, by the file's own evidence.
bool dayFirstOf(const std::vector<CsvRecord>& records, const Layout& layout,
                const format::TableInfo& info, ImportSummary& summary) {
  SlashedDateEvidence evidence;
  for (const auto& record : records) {
    for (std::size_t c = 0; c < record.cells.size() && c < layout.columns.size(); ++c) {
      const int f = layout.columns[c].field;
      if (f >= 0 && info.fields[static_cast<std::size_t>(f)].type == format::FieldType::Date) {
        evidence.add(record.cells[c]);
      }
    }
  }
  if (!evidence.seen()) return true;
  const bool dayFirst = evidence.dayFirst();
  summary.notes.push_back(std::string("dates with slashes taken as ") +
                          (dayFirst ? "day/month/year" : "month/day/year") +
                          (evidence.decided() ? "" : ", as the locale writes them"));
  return dayFirst;
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
  const char delimiter = sniffDelimiter(text);
  const auto records = readRecords(text, delimiter);
  if (records.empty()) throw ExchangeError("line 1: no header row");
  const Layout layout = layoutOf(records, info, summary);
  const bool dayFirst = dayFirstOf(records, layout, info, summary);
  RowBuilder builder(info, layout.columns, dayFirst, summary);
  std::vector<ImportRow> rows;
  rows.reserve(records.size());
  const std::size_t width = layout.columns.size();
  for (std::size_t i = layout.header ? 1 : 0; i < records.size(); ++i) {
    const auto& record = records[i];
    ImportRow row{"line " + std::to_string(record.line),
                  {},
                  record.fault,
                  text.substr(record.begin, record.end - record.begin)};
    // Trailing empty fields are no fields; short rows leave the rest empty.
    std::vector<std::string> cells = record.cells;
    while (cells.size() > width && support::trimmed(cells.back()).empty()) cells.pop_back();
    if (cells.size() > width && row.refusal.empty()) {
      row.refusal =
          std::to_string(cells.size()) + " fields, the header has " + std::to_string(width);
    }
    cells.resize(width);
    try {
      if (row.refusal.empty()) row.record = builder.build(cells);
    } catch (const RowFault& fault) {
      row.refusal = fault.reason;
    }
    if (row.record.empty()) row.record.assign(info.fields.size(), format::Value{});
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace torvelle::exchange
