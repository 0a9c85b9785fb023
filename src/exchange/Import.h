#pragma once
#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/format/TableFile.h"
#include "exchange/ExchangeError.h"

// Writing the records a file brought: checked first, then one change per
// table, so that a failure leaves every table as it was.
namespace torvelle::exchange {

struct ImportRow {
  std::string where;  // "line 12", "VTODO 3": where the record came from
  format::Record record;
  // Why the reader could not make a record of the item (a damaged contact,
  // text in an unknown character set); empty when it did.
  std::string refusal;
  // The item as the file has it, so that a refused one can be saved; it
  // points into the text the rows were read from.
  std::string_view source;
};

struct ImportOptions {
  bool skipExisting = false;  // a record whose key is taken is left out and counted
  bool skipRefused = false;   // records the table cannot hold are left out, the rest go in
  // Counts what an import would do and writes nothing: refused records are
  // listed and left out whatever skipRefused says. Failures only the table
  // finds while writing (one full) show only in a real run.
  bool dryRun = false;
  // Letters the table's code page lacks are stored without their accents
  // when it holds the plain letter ("ü" as "u"); each record is listed.
  bool foldAccents = false;
  // Told now and then, while writing, how many of the rows have gone in
  // (done, total). It may throw to stop the import, which then writes nothing.
  std::function<void(std::size_t, std::size_t)> progress;
};

struct ImportSummary {
  std::size_t added = 0;
  std::size_t skipped = 0;           // their key was in the table already
  std::size_t sectionsAdded = 0;     // sections created for the records
  std::size_t birthdaysAdded = 0;    // contacts' birthdays put in the dates book
  std::vector<std::string> refused;  // "line 12: Name: the character ..." each
  // Records stored with letters without their accents (foldAccents):
  // "line 12: Name "Müller" as "Muller"" each.
  std::vector<std::string> folded;
  // The refused items as the file had them, in the order of `refused`.
  std::vector<std::string> refusedSources;
  // What a file of the refused items needs around them to be a file of its
  // kind again (a CSV header row, a calendar's BEGIN and END).
  std::string sourceHead;
  std::string sourceTail;
  // What the reader assumed about the whole file ("the text was taken as
  // Windows-1251", "no header row: columns told by their content").
  std::vector<std::string> notes;
  // What the file held that no field takes, and how often ("photo": 3).
  std::map<std::string, std::size_t> notStored;
  // The sections the records are in, when a sections table was given.
  std::set<std::string> sections;
};

// The refused items as a file of the kind they came from, for the user to
// mend and import again.
std::string refusedItemsText(const ImportSummary& summary);

// Records the table cannot hold while --skip-refused was not given; the
// message names them all and nothing has been written.
class RecordsRefused : public ExchangeError {
 public:
  explicit RecordsRefused(std::vector<std::string> refused);
  const std::vector<std::string>& refused() const { return refused_; }

 private:
  std::vector<std::string> refused_;
};

// Text the table's code page cannot hold, a text longer than its field, a
// time outside the day or an empty key field: the reason a row is refused, or
// empty when it can be stored. A long text is shown by its beginning.
std::string refusalReason(const format::TableInfo& info, const format::Record& record);

// Folds the texts of `record` that the table's code page cannot hold as
// they are (see ImportOptions::foldAccents); says which changed and how
// ("Name "Müller" as "Muller""), or returns empty.
std::string foldRecordAccents(const format::TableInfo& info, format::Record& record);

// What an import of rows into a table will do, found before anything is
// written: the rows that go in, in order, the sections they need, and the
// summary as it will be once they are in. It points into the rows it was
// made of, which must outlive it.
struct ImportPlan {
  ImportPlan() = default;
  ImportPlan(ImportPlan&&) = default;
  ImportPlan& operator=(ImportPlan&&) = default;
  ImportPlan(const ImportPlan&) = delete;
  ImportPlan& operator=(const ImportPlan&) = delete;

  std::vector<const ImportRow*> inserts;
  std::vector<std::string> newSections;
  ImportSummary summary;
  std::vector<ImportRow> foldedRows;  // rows with letters folded, which `inserts` may name
};

// Sorts `rows` for `records` without writing: refused (reader or table),
// skipped for a key the table holds or an earlier row took, or to be
// inserted; `sections` (may be null) is the sections table of a section
// book. The counts are added to `summary`. Throws RecordsRefused for
// refusals without skipRefused (unless dryRun), ExchangeError with the row's
// `where` for a key the table held before without skipExisting.
ImportPlan planImport(const format::TableFile& records, const format::TableFile* sections,
                      const std::vector<ImportRow>& rows, const ImportOptions& options,
                      ImportSummary summary = {});

// Writes `plan` as one change: the sections it needs in a change around the
// records' one, and `alongside` (when given) inside the records' change, so
// that all of it goes in or none. A failure of the table or of `progress`
// leaves every table as it was and goes on (the table's as ExchangeError
// with the row's `where`). Returns the plan's summary.
ImportSummary writePlan(format::TableFile& records, format::TableFile* sections,
                        const ImportPlan& plan, const ImportOptions& options,
                        const std::function<void()>& alongside = {});

// Plans `rows` and, unless options.dryRun, writes them: a row whose key an
// earlier row of the same import took is left out and counted. Nothing is
// written when any part fails. Counts go into `summary`.
void importRows(format::TableFile& records, format::TableFile* sections,
                const std::vector<ImportRow>& rows, const ImportOptions& options,
                ImportSummary& summary);

}  // namespace torvelle::exchange
