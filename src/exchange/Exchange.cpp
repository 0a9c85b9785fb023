#include "exchange/Exchange.h"

#include <algorithm>
#include <map>

#include "engine/DbError.h"
#include "engine/RecordIdentity.h"
#include "engine/ShippedTables.h"
#include "exchange/Books.h"
#include "exchange/CsvTable.h"
#include "exchange/ExchangeError.h"
#include "exchange/ICalendar.h"
#include "exchange/TextInput.h"
#include "support/AsciiText.h"

namespace torvelle::exchange {
namespace {

namespace fs = std::filesystem;

const char* const phoneFields[] = {
    engine::kNameField,    engine::kHomePhoneField, engine::kWorkPhoneField, engine::kCountryField,
    engine::kZipCodeField, engine::kCityField,      engine::kStreetField,    engine::kCellularField,
    engine::kIcqField,     engine::kEmailField,     engine::kWebSiteField};

std::unique_ptr<format::TableFile> openTable(const fs::path& path,
                                             const std::vector<std::string>& passwords,
                                             bool writable, int readAs = 0) {
  format::OpenOptions options;
  options.writable = writable;
  options.passwords = passwords;
  options.readAs = readAs;
  return format::TableFile::open(path, options);
}

void requireBook(const format::TableFile& table, Book wanted, const char* what) {
  if (bookOf(table.info()) != wanted) {
    throw ExchangeError(std::string("the table is not ") + what);
  }
}

// The sections table of a section book, opened for writing; null otherwise.
std::unique_ptr<format::TableFile> openSections(const fs::path& records,
                                                const format::TableFile& table,
                                                const std::vector<std::string>& passwords) {
  const fs::path path = sectionsTableOf(records, bookOf(table.info()));
  if (path.empty()) return nullptr;
  try {
    return openTable(path, passwords, true);
  } catch (const engine::DbError& e) {
    // A book copied without its sections table still takes records.
    if (e.kind() == engine::DbError::Kind::NotFound) return nullptr;
    throw;
  }
}

void count(ImportSummary& summary, const std::map<std::string, std::size_t>& notStored) {
  for (const auto& [what, n] : notStored) summary.notStored[what] += n;
}

void applySection(std::vector<ImportRow>& rows, const format::TableInfo& info,
                  const std::string& section) {
  const int f = fieldIndex(info, engine::kSectionField);
  if (f < 0) return;
  for (auto& row : rows) {
    auto& value = row.record[static_cast<std::size_t>(f)];
    if (!section.empty()) {
      value = section;
    } else if (format::isNull(value)) {
      value = std::string(defaultSection);
    }
  }
}

// Birthdays of contacts as rows of the dates book beside the phone book.
std::vector<ImportRow> birthdayRows(const std::vector<Birthday>& birthdays,
                                    const format::TableInfo& dates) {
  std::vector<ImportRow> rows;
  rows.reserve(birthdays.size());
  for (const auto& birthday : birthdays) {
    format::Record record(dates.fields.size());
    record[static_cast<std::size_t>(fieldIndex(dates, engine::kSectionField))] =
        std::string(birthdaySection);
    record[static_cast<std::size_t>(fieldIndex(dates, engine::kDateField))] = birthday.date;
    if (birthday.name)
      record[static_cast<std::size_t>(fieldIndex(dates, engine::kEventField))] = *birthday.name;
    rows.push_back({birthday.where, std::move(record), {}, {}});
  }
  return rows;
}

// Contacts as rows of the phone book `info`; what no field takes is counted.
std::vector<ImportRow> contactRows(const VCardFile& file, std::string_view text,
                                   const format::TableInfo& info, bool birthdays,
                                   ImportSummary& summary) {
  const auto& contacts = file.contacts;
  count(summary, file.notStored);
  summary.notes.insert(summary.notes.end(), file.notes.begin(), file.notes.end());
  std::vector<ImportRow> rows;
  rows.reserve(contacts.size());
  // Contacts name the same few fields: each name is looked up once.
  std::map<std::string, int, std::less<>> fieldOf;
  for (const auto& contact : contacts) {
    format::Record record(info.fields.size());
    for (const auto& [name, value] : contact.fields) {
      auto it = fieldOf.find(name);
      if (it == fieldOf.end()) it = fieldOf.emplace(name, fieldIndex(info, name.c_str())).first;
      if (const int f = it->second; f >= 0) {
        record[static_cast<std::size_t>(f)] = value;
      }
    }
    if (!contact.category.empty()) {
      record[static_cast<std::size_t>(fieldIndex(info, engine::kSectionField))] = contact.category;
    }
    for (const auto& what : contact.notStored) ++summary.notStored[what];
    if (contact.birthday && !birthdays) ++summary.notStored["birthday"];
    rows.push_back({"line " + std::to_string(contact.line), std::move(record), contact.refusal,
                    text.substr(contact.begin, contact.end - contact.begin)});
  }
  return rows;
}

std::vector<Birthday> birthdaysOf(const std::vector<VCardContact>& contacts) {
  std::vector<Birthday> birthdays;
  for (const auto& contact : contacts) {
    if (!contact.birthday) continue;
    const auto name = contact.fields.find(engine::kNameField);
    birthdays.push_back(
        {"line " + std::to_string(contact.line), *contact.birthday,
         name == contact.fields.end() ? std::nullopt : std::optional<std::string>(name->second)});
  }
  return birthdays;
}

void readContacts(std::string_view bytes, const format::TableFile& records,
                  const std::string& section, bool birthdays, ParsedImport& parsed) {
  requireBook(records, Book::Phones, "a phone book");
  auto file = readVCardFile(bytes);
  parsed.text = std::make_shared<const std::string>(std::move(file.text));
  parsed.rows = contactRows(file, *parsed.text, records.info(), birthdays, parsed.summary);
  applySection(parsed.rows, records.info(), section);
  if (birthdays) parsed.birthdays = birthdaysOf(file.contacts);
}

// A calendar as rows of the tasks or the dates table, times settled against
// what the table holds.
void readCalendar(std::string_view bytes, const format::TableFile& records,
                  const std::string& section, bool /*birthdays*/, ParsedImport& parsed) {
  const auto book = bookOf(records.info());
  if (book != Book::Tasks && book != Book::Dates) {
    throw ExchangeError("a calendar goes into the task table or the dates table");
  }
  parsed.text = std::make_shared<const std::string>(readTextInput(bytes));
  ReadRows read;
  if (book == Book::Tasks) {
    read = readTasksCalendar(*parsed.text, records.info());
    settleTimes(read.rows, records.readAll(), records.info(), engine::kTaskField);
  } else {
    read = readDatesCalendar(*parsed.text, records.info(), section, defaultSection);
    settleTimes(read.rows, records.readAll(), records.info(), engine::kEventField);
  }
  auto& summary = parsed.summary;
  count(summary, read.notStored);
  summary.notes.insert(summary.notes.end(), read.notes.begin(), read.notes.end());
  parsed.rows = std::move(read.rows);
  summary.sourceHead = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Torvelle//Organizer//EN\r\n";
  summary.sourceTail = "END:VCALENDAR\r\n";
}

// The header row a file of refused CSV rows needs; none when the file had none.
std::string csvHeaderLine(std::string_view text, const ImportSummary& summary) {
  for (const auto& note : summary.notes) {
    if (note.starts_with("no header row")) return {};
  }
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::size_t end = 0;
  bool quoted = false;
  for (; end < text.size(); ++end) {
    if (text[end] == '"') quoted = !quoted;
    if (!quoted && text[end] == '\n') break;
  }
  return std::string(text.substr(0, std::min(end + 1, text.size())));
}

void readCsv(std::string_view bytes, const format::TableFile& records, const std::string& section,
             bool /*birthdays*/, ParsedImport& parsed) {
  parsed.text = std::make_shared<const std::string>(readTextInput(bytes));
  parsed.rows = csvRows(*parsed.text, records.info(), parsed.summary);
  applySection(parsed.rows, records.info(), section);
  parsed.summary.sourceHead = csvHeaderLine(*parsed.text, parsed.summary);
}

std::string writeContacts(const format::TableInfo& info, const std::vector<format::Record>& records,
                          const ExportStyle& style) {
  if (bookOf(info) != Book::Phones) throw ExchangeError("the table is not a phone book");
  std::string text;
  for (const auto& record : records) {
    VCardContact contact;
    for (const char* name : phoneFields) {
      const auto* value =
          std::get_if<std::string>(&record[static_cast<std::size_t>(fieldIndex(info, name))]);
      if (value) contact.fields[name] = *value;
    }
    if (const auto* s = std::get_if<std::string>(
            &record[static_cast<std::size_t>(fieldIndex(info, engine::kSectionField))])) {
      contact.category = *s;
    }
    if (auto uid = engine::identityOf(info.fields, record); !uid.empty())
      contact.fields[engine::kIdentityField] = std::move(uid);
    text += writeVCard(contact, style.version);
  }
  return text;
}

std::string writeCalendar(const format::TableInfo& info, const std::vector<format::Record>& records,
                          const ExportStyle& style) {
  const auto book = bookOf(info);
  if (book == Book::Tasks) return writeTasksCalendar(info, records);
  if (book == Book::Dates) return writeDatesCalendar(info, records, style.yearly);
  throw ExchangeError("a calendar is made of the task table or the dates table");
}

// A CSV file is read by spreadsheets and address books: it has the
// designed columns only, not the identity and repeat fields kept after them.
std::string writeCsv(const format::TableInfo& info, const std::vector<format::Record>& records,
                     const ExportStyle& style) {
  std::vector<std::size_t> kept;
  for (std::size_t f = 0; f < info.fields.size(); ++f)
    if (style.allFields || !engine::isAppendedField(info.fields[f].name)) kept.push_back(f);
  if (kept.size() == info.fields.size()) return csvText(info.fields, records);
  std::vector<format::FieldDef> fields;
  fields.reserve(kept.size());
  for (const std::size_t f : kept) fields.push_back(info.fields[f]);
  std::vector<format::Record> narrowed;
  narrowed.reserve(records.size());
  for (const auto& record : records) {
    format::Record row;
    row.reserve(kept.size());
    for (const std::size_t f : kept) row.push_back(f < record.size() ? record[f] : format::Value{});
    narrowed.push_back(std::move(row));
  }
  return csvText(fields, narrowed);
}

const std::vector<FormatTraits> formats = {
    {FileFormat::VCard,
     {"vcf", "vcard"},
     "*.vcf *.vcard",
     [](Book book) { return book == Book::Phones; },
     readContacts,
     writeContacts},
    {FileFormat::ICalendar,
     {"ics", "ical", "icalendar"},
     "*.ics *.ical",
     [](Book book) { return book == Book::Tasks || book == Book::Dates; },
     readCalendar,
     writeCalendar},
    {FileFormat::Csv, {"csv"}, "*.csv", [](Book) { return true; }, readCsv, writeCsv},
};

// The birthdays of an import, bound for the dates book beside the phone
// book, planned with the contacts so that both go in or neither.
struct BirthdayImport {
  std::unique_ptr<format::TableFile> dates;
  std::unique_ptr<format::TableFile> sections;
  std::vector<ImportRow> rows;
  ImportPlan plan;
};

void planBirthdays(const ParsedImport& parsed, const ImportRequest& request, ImportSummary& summary,
                   BirthdayImport& into) {
  const fs::path datesPath = engine::shippedTableBeside(request.table, "DatesTable");
  into.dates = openTable(datesPath, request.passwords, true);
  const auto& info = into.dates->info();
  requireBook(*into.dates, Book::Dates, "a dates book");
  into.rows = birthdayRows(parsed.birthdays, info);
  settleTimes(into.rows, into.dates->readAll(), info, engine::kEventField);
  if (request.options.foldAccents) {
    for (auto& row : into.rows)
      if (const auto changes = foldRecordAccents(info, row.record);
          !changes.empty() && refusalReason(info, row.record).empty())
        summary.folded.push_back("birthday, " + row.where + ": " + changes);
  }
  into.sections = openSections(datesPath, *into.dates, request.passwords);
  if (!into.rows.empty())
    into.plan = planImport(*into.dates, into.sections.get(), into.rows, request.options);
}

}  // namespace

const std::vector<FormatTraits>& fileFormats() {
  return formats;
}

const FormatTraits& traitsOf(FileFormat format) {
  return *std::find_if(formats.begin(), formats.end(),
                       [format](const FormatTraits& f) { return f.format == format; });
}

FileFormat formatOf(const std::string& fileName, const std::string& given) {
  std::string name = given.empty() ? support::asciiLower(fs::path(fileName).extension().string())
                                   : "." + support::asciiLower(given);
  if (!name.empty()) name.erase(0, 1);
  for (const auto& traits : formats)
    if (std::find(traits.names.begin(), traits.names.end(), name) != traits.names.end())
      return traits.format;
  if (!given.empty()) throw ExchangeError("unknown format \"" + given + "\" (vcf, ics or csv)");
  throw ExchangeError(fileName +
                      ": the name does not tell the format; give --format vcf, ics or csv");
}

ImportSummary importPreparedRows(const RowMaker& makeRows, const ImportRequest& request) {
  const auto table = openTable(request.table, request.passwords, true);
  ImportSummary summary;
  auto rows = makeRows(table->info(), summary);
  applySection(rows, table->info(), request.section);
  const auto sections = openSections(request.table, *table, request.passwords);
  importRows(*table, sections.get(), rows, request.options, summary);
  return summary;
}

ImportSummary importFile(FileFormat format, std::string_view bytes, const ImportRequest& request) {
  const auto table = openTable(request.table, request.passwords, true);
  const ParsedImport parsed =
      parseImport(format, bytes, *table, request.section, request.birthdays);
  ImportSummary summary = parsed.summary;
  BirthdayImport birthdays;
  // Both tables are planned before either is written: a refusal or a taken
  // key in the dates book stops the contacts too.
  if (request.birthdays) planBirthdays(parsed, request, summary, birthdays);
  const auto sections = openSections(request.table, *table, request.passwords);
  ImportPlan plan =
      planImport(*table, sections.get(), parsed.rows, request.options, std::move(summary));
  plan.summary.birthdaysAdded += birthdays.plan.summary.added;
  for (const auto& refused : birthdays.plan.summary.refused)
    plan.summary.refused.push_back("birthday, " + refused);
  if (request.options.dryRun) return std::move(plan.summary);
  return writePlan(*table, sections.get(), plan, request.options, [&] {
    if (!birthdays.plan.inserts.empty() || !birthdays.plan.newSections.empty())
      writePlan(*birthdays.dates, birthdays.sections.get(), birthdays.plan, request.options);
  });
}

ImportSummary importVCardFile(std::string_view bytes, const ImportRequest& request) {
  return importFile(FileFormat::VCard, bytes, request);
}

ImportSummary importCalendarFile(std::string_view bytes, const ImportRequest& request) {
  return importFile(FileFormat::ICalendar, bytes, request);
}

ParsedImport parseImport(FileFormat format, std::string_view bytes,
                         const format::TableFile& records, const std::string& section,
                         bool birthdays) {
  ParsedImport parsed;
  traitsOf(format).read(bytes, records, section, birthdays, parsed);
  return parsed;
}

ImportSummary importParsed(const ParsedImport& parsed, format::TableFile& records,
                           format::TableFile* sections, const ImportOptions& options) {
  ImportSummary summary = parsed.summary;
  importRows(records, sections, parsed.rows, options, summary);
  return summary;
}

ImportSummary importInto(FileFormat format, std::string_view bytes, format::TableFile& records,
                         format::TableFile* sections, const std::string& section,
                         const ImportOptions& options) {
  return importParsed(parseImport(format, bytes, records, section), records, sections, options);
}

std::vector<format::Record> recordsOfSection(std::vector<format::Record> records,
                                             const format::TableInfo& info,
                                             const std::string& section) {
  if (section.empty()) return records;
  const int f = fieldIndex(info, engine::kSectionField);
  if (f < 0) throw ExchangeError("the table has no sections; --section does not apply");
  std::erase_if(records, [&](const format::Record& r) {
    const auto* s = std::get_if<std::string>(&r[static_cast<std::size_t>(f)]);
    return !s || *s != section;
  });
  return records;
}

ExportResult exportRecords(FileFormat format, const format::TableInfo& info,
                           const std::vector<format::Record>& records, const ExportStyle& style) {
  return {traitsOf(format).write(info, records, style), records.size()};
}

ExportResult exportFile(FileFormat format, const ExportRequest& request) {
  const auto table = openTable(request.table, request.passwords, false, request.readAs);
  const auto& info = table->info();
  return exportRecords(format, info, recordsOfSection(table->readAll(), info, request.section),
                       {request.version, request.yearly, request.allFields});
}

ExportResult exportVCardFile(const ExportRequest& request) {
  return exportFile(FileFormat::VCard, request);
}

ExportResult exportCalendarFile(const ExportRequest& request) {
  return exportFile(FileFormat::ICalendar, request);
}

}  // namespace torvelle::exchange
