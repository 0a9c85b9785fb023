#pragma once
#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/format/TableFile.h"
#include "exchange/ExchangeError.h"

// Writing the records a file brought: checked first, then one change per
// table, so that a failure leaves every table as it was.
namespace torvelle::exchange {

struct ImportRow {
  std::string where;  // "line 12", "VTODO 3": where the record came from
  format::Record record;
};

struct ImportOptions {
  bool skipExisting = false;  // a record whose key is taken is left out and counted
  bool skipRefused = false;   // records the table cannot hold are left out, the rest go in
  // Counts what an import would do and writes nothing: refused records are
  // listed and left out whatever skipRefused says.
  bool dryRun = false;
  // Told now and then how many of the rows have gone in (done, total). It
  // may throw to stop the import, which then writes nothing.
  std::function<void(std::size_t, std::size_t)> progress;
};

struct ImportSummary {
  std::size_t added = 0;
  std::size_t skipped = 0;           // their key was in the table already
  std::size_t sectionsAdded = 0;     // sections created for the records
  std::size_t birthdaysAdded = 0;    // contacts' birthdays put in the dates book
  std::vector<std::string> refused;  // "line 12: Name: the character ..." each
  // What the file held that no field takes, and how often ("photo": 3).
  std::map<std::string, std::size_t> notStored;
  // The sections the records are in, when a sections table was given.
  std::set<std::string> sections;
};

// Records the table cannot hold while --skip-refused was not given; the
// message names them all and nothing has been written.
class RecordsRefused : public ExchangeError {
 public:
  explicit RecordsRefused(std::vector<std::string> refused);
  const std::vector<std::string>& refused() const { return refused_; }

 private:
  std::vector<std::string> refused_;
};

// Text the table's code page cannot hold, a text longer than its field, or an
// empty key field: the reason a row is refused, or empty when it can be stored.
std::string refusalReason(const format::TableInfo& info, const format::Record& record);

// Inserts `rows` into `records` as one change. `sections` (may be null) is
// the sections table of a section book: sections the rows name that it lacks
// are added in a change around the records' one, so both go in or neither.
// A row that fails (a taken key without skipExisting, a value the field
// refuses) throws ExchangeError with its `where` and reason; nothing is
// written then. Counts go into `summary`.
void importRows(format::TableFile& records, format::TableFile* sections,
                const std::vector<ImportRow>& rows, const ImportOptions& options,
                ImportSummary& summary);

}  // namespace torvelle::exchange
