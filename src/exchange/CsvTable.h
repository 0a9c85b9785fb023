#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "engine/format/TableFile.h"
#include "exchange/Import.h"

// A table as CSV: a header row of field names, then one row a record, in
// the text forms of TextCodec.h.
namespace torvelle::exchange {

std::string csvText(const std::vector<format::FieldDef>& fields,
                    const std::vector<format::Record>& records);

// Rows for a table of `info` from CSV text with a header row. Columns are
// matched to fields by name (letter case ignored); a phone book also takes
// an address book's export, whose columns without a field are counted in
// `summary`. A header naming an unknown field, a row of the wrong length or
// a value its field cannot read throws ExchangeError (TextError for text
// that is not CSV), naming the line.
std::vector<ImportRow> csvRows(std::string_view text, const format::TableInfo& info,
                               ImportSummary& summary);

}  // namespace torvelle::exchange
