#pragma once
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/format/TableFile.h"
#include "exchange/Books.h"
#include "exchange/Import.h"
#include "exchange/VCard.h"

// Whole files in and out of the organizer's tables: the entry points that
// torvelle-db and the notebook pages share.
namespace torvelle::exchange {

enum class FileFormat { VCard, ICalendar, Csv };

struct ParsedImport;
struct ExportStyle;

// One file format, as the pages and torvelle-db both know it.
struct FormatTraits {
  FileFormat format;
  // Its names after --format and as a file's extension (without the dot);
  // the first is the extension a file written without one gets.
  std::vector<std::string_view> names;
  const char* patterns;        // the file dialogs' patterns: "*.vcf *.vcard"
  bool (*carries)(Book book);  // the books whose records it holds
  // Reads a file into `parsed` as rows of `records` (see parseImport).
  void (*read)(std::string_view bytes, const format::TableFile& records, const std::string& section,
               bool birthdays, ParsedImport& parsed);
  // `records` of a table of `info` as a file; ExchangeError for a book it
  // does not carry.
  std::string (*write)(const format::TableInfo& info, const std::vector<format::Record>& records,
                       const ExportStyle& style);
};

// Every format, in the order the dialogs offer them.
const std::vector<FormatTraits>& fileFormats();
const FormatTraits& traitsOf(FileFormat format);

// `given` ("vcf", "ics", "csv", also "vcard", "ical") wins; else the file
// name's extension. Throws ExchangeError when neither tells.
FileFormat formatOf(const std::string& fileName, const std::string& given);

// Where records go when neither the file nor the user names a section.
inline constexpr const char* defaultSection = "Imported";
// The dates book section that birthdays from contacts go to.
inline constexpr const char* birthdaySection = "Birthdays";

struct ImportRequest {
  std::filesystem::path table;
  std::vector<std::string> passwords;
  std::string section;     // every record into this section when not empty
  bool birthdays = false;  // contacts' birthdays into the dates book beside
  ImportOptions options;
};

// Reads the file whole before anything is written, into the table and, for
// a section book, the sections table beside it: a file that cannot be read
// throws ExchangeError and leaves the tables as they were. With `birthdays`,
// contacts' birthdays go into the dates book of the same data folder in the
// same change.
ImportSummary importFile(FileFormat format, std::string_view bytes, const ImportRequest& request);
ImportSummary importVCardFile(std::string_view bytes, const ImportRequest& request);
ImportSummary importCalendarFile(std::string_view bytes, const ImportRequest& request);
// Rows made elsewhere from the table's layout by `makeRows`, which may
// count what it leaves out in the summary; sections of a section book are
// created and `section` applies as above.
using RowMaker = std::function<std::vector<ImportRow>(const format::TableInfo&, ImportSummary&)>;
ImportSummary importPreparedRows(const RowMaker& makeRows, const ImportRequest& request);

// A contact's birthday, for the dates book.
struct Birthday {
  std::string where;
  format::Date date;
  std::optional<std::string> name;  // the contact's, when it has one
};

// A file read for an import into one table, before anything is written: a
// page reads it once, plans it (planImport) and writes the plan.
struct ParsedImport {
  std::shared_ptr<const std::string> text;  // the file as text; rows' sources point into it
  std::vector<ImportRow> rows;
  ImportSummary summary;            // what reading found: notes, what no field takes
  std::vector<Birthday> birthdays;  // contacts' birthdays, when they were asked for
};

// Reads `bytes` as rows of `records` (section and times settled as below);
// without `birthdays`, contacts' birthdays are counted as not stored.
// Throws ExchangeError only for a file that is not of `format` at all.
ParsedImport parseImport(FileFormat format, std::string_view bytes,
                         const format::TableFile& records, const std::string& section,
                         bool birthdays = false);
// Puts the rows of `parsed` into the open tables, as importInto does.
ImportSummary importParsed(const ParsedImport& parsed, format::TableFile& records,
                           format::TableFile* sections, const ImportOptions& options);

// The same imports into tables already open for writing (a notebook page's):
// `sections` is the sections table beside a section book's records, null
// otherwise. Contacts' birthdays are counted as not stored, since the dates
// book is another page's table. Rules and errors as above.
ImportSummary importInto(FileFormat format, std::string_view bytes, format::TableFile& records,
                         format::TableFile* sections, const std::string& section,
                         const ImportOptions& options);

struct ExportStyle {
  VCardVersion version = VCardVersion::V30;
  bool yearly = false;     // dates: a yearly rule on every event
  bool allFields = false;  // CSV: every field (a dump), not only those other programs know
};

struct ExportRequest {
  std::filesystem::path table;
  std::vector<std::string> passwords;
  std::string section;  // only this section's records, when not empty
  VCardVersion version = VCardVersion::V30;
  bool yearly = false;     // dates: a yearly rule on every event
  int readAs = 0;          // the code page the table's text is in, when its header is wrong
  bool allFields = false;  // CSV: every field, as ExportStyle says
};

struct ExportResult {
  std::string text;
  std::size_t records = 0;
};

// `records` of a table of `info` as a file of `format`; a vCard needs a
// phone book, a calendar the tasks or the dates. Throws ExchangeError.
ExportResult exportRecords(FileFormat format, const format::TableInfo& info,
                           const std::vector<format::Record>& records,
                           const ExportStyle& style = {});

ExportResult exportFile(FileFormat format, const ExportRequest& request);
ExportResult exportVCardFile(const ExportRequest& request);
ExportResult exportCalendarFile(const ExportRequest& request);

// `records` of a table of `info`, only those of `section` when it is not
// empty; ExchangeError when the table has no sections then.
std::vector<format::Record> recordsOfSection(std::vector<format::Record> records,
                                             const format::TableInfo& info,
                                             const std::string& section);

}  // namespace torvelle::exchange
