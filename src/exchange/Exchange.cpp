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
std::vector<ImportRow> birthdayRows(const std::vector<VCardContact>& contacts,
                                    const format::TableInfo& dates) {
  std::vector<ImportRow> rows;
  for (const auto& contact : contacts) {
    if (!contact.birthday) continue;
    format::Record record(dates.fields.size());
    record[static_cast<std::size_t>(fieldIndex(dates, engine::kSectionField))] =
        std::string(birthdaySection);
    record[static_cast<std::size_t>(fieldIndex(dates, engine::kDateField))] = *contact.birthday;
    if (const auto name = contact.fields.find(engine::kNameField); name != contact.fields.end()) {
      record[static_cast<std::size_t>(fieldIndex(dates, engine::kEventField))] = name->second;
    }
    rows.push_back({"line " + std::to_string(contact.line), std::move(record), {}, {}});
  }
  return rows;
}

}  // namespace

FileFormat formatOf(const std::string& fileName, const std::string& given) {
  const std::string name = given.empty()
                               ? support::asciiLower(fs::path(fileName).extension().string())
                               : "." + support::asciiLower(given);
  if (name == ".vcf" || name == ".vcard") return FileFormat::VCard;
  if (name == ".ics" || name == ".ical" || name == ".icalendar") return FileFormat::ICalendar;
  if (name == ".csv") return FileFormat::Csv;
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

namespace {

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

void requireCalendarBook(const format::TableFile& table) {
  const auto book = bookOf(table.info());
  if (book != Book::Tasks && book != Book::Dates) {
    throw ExchangeError("a calendar goes into the task table or the dates table");
  }
}

// A calendar as rows of the tasks or the dates table, times settled against
// what the table holds.
std::vector<ImportRow> calendarRows(std::string_view bytes, const format::TableFile& table,
                                    const std::string& section, ImportSummary& summary) {
  const auto book = bookOf(table.info());
  ReadRows read;
  if (book == Book::Tasks) {
    read = readTasksCalendar(bytes, table.info());
    settleTimes(read.rows, table.readAll(), table.info(), engine::kTaskField);
  } else if (book == Book::Dates) {
    read = readDatesCalendar(bytes, table.info(), section, defaultSection);
    settleTimes(read.rows, table.readAll(), table.info(), engine::kEventField);
  } else {
    throw ExchangeError("a calendar goes into the task table or the dates table");
  }
  count(summary, read.notStored);
  summary.notes.insert(summary.notes.end(), read.notes.begin(), read.notes.end());
  return std::move(read.rows);
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

}  // namespace

ImportSummary importVCardFile(std::string_view bytes, const ImportRequest& request) {
  const auto file = readVCardFile(bytes);
  const auto table = openTable(request.table, request.passwords, true);
  requireBook(*table, Book::Phones, "a phone book");
  const auto& info = table->info();
  ImportSummary summary;
  auto rows = contactRows(file, file.text, info, request.birthdays, summary);
  applySection(rows, info, request.section);
  std::unique_ptr<format::TableFile> dates;
  std::unique_ptr<format::TableFile> dateSections;
  std::vector<ImportRow> birthdays;
  ImportPlan datePlan;
  const fs::path datesPath = request.table.parent_path().parent_path() / "Dates" / "Dates.db";
  if (request.birthdays) {
    dates = openTable(datesPath, request.passwords, true);
    requireBook(*dates, Book::Dates, "a dates book");
    birthdays = birthdayRows(file.contacts, dates->info());
    settleTimes(birthdays, dates->readAll(), dates->info(), engine::kEventField);
    if (request.options.foldAccents) {
      for (auto& row : birthdays)
        if (const auto changes = foldRecordAccents(dates->info(), row.record);
            !changes.empty() && refusalReason(dates->info(), row.record).empty())
          summary.folded.push_back("birthday, " + row.where + ": " + changes);
    }
    // Both tables are planned before either is written: a refusal or a
    // taken key in the dates book stops the contacts too.
    dateSections = openSections(datesPath, *dates, request.passwords);
    if (!birthdays.empty())
      datePlan = planImport(*dates, dateSections.get(), birthdays, request.options);
  }
  const auto sections = openSections(request.table, *table, request.passwords);
  ImportPlan plan = planImport(*table, sections.get(), rows, request.options, std::move(summary));
  plan.summary.birthdaysAdded += datePlan.summary.added;
  for (const auto& refused : datePlan.summary.refused)
    plan.summary.refused.push_back("birthday, " + refused);
  if (request.options.dryRun) return std::move(plan.summary);
  return writePlan(*table, sections.get(), plan, request.options, [&] {
    if (!datePlan.inserts.empty() || !datePlan.newSections.empty())
      writePlan(*dates, dateSections.get(), datePlan, request.options);
  });
}

ImportSummary importCalendarFile(std::string_view bytes, const ImportRequest& request) {
  const auto table = openTable(request.table, request.passwords, true);
  requireCalendarBook(*table);
  const auto sections = openSections(request.table, *table, request.passwords);
  return importInto(FileFormat::ICalendar, bytes, *table, sections.get(), request.section,
                    request.options);
}

ParsedImport parseImport(FileFormat format, std::string_view bytes,
                         const format::TableFile& records, const std::string& section) {
  ParsedImport parsed;
  auto& summary = parsed.summary;
  switch (format) {
    case FileFormat::VCard: {
      requireBook(records, Book::Phones, "a phone book");
      auto file = readVCardFile(bytes);
      parsed.text = std::make_shared<const std::string>(std::move(file.text));
      parsed.rows = contactRows(file, *parsed.text, records.info(), false, summary);
      applySection(parsed.rows, records.info(), section);
      break;
    }
    case FileFormat::ICalendar:
      parsed.text = std::make_shared<const std::string>(readTextInput(bytes));
      parsed.rows = calendarRows(*parsed.text, records, section, summary);
      summary.sourceHead =
          "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Torvelle//Organizer//EN\r\n";
      summary.sourceTail = "END:VCALENDAR\r\n";
      break;
    case FileFormat::Csv:
      parsed.text = std::make_shared<const std::string>(readTextInput(bytes));
      parsed.rows = csvRows(*parsed.text, records.info(), summary);
      applySection(parsed.rows, records.info(), section);
      summary.sourceHead = csvHeaderLine(*parsed.text, summary);
      break;
  }
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

namespace {

// A CSV file is read by spreadsheets and address books: it has the
// designed columns only, not the identity and repeat fields kept after them.
std::string designedCsvText(const format::TableInfo& info,
                            const std::vector<format::Record>& records) {
  std::vector<format::FieldDef> fields;
  for (const auto& field : info.fields)
    if (!engine::isAppendedField(field.name)) fields.push_back(field);
  if (fields.size() == info.fields.size()) return csvText(info.fields, records);
  std::vector<std::size_t> kept;
  for (std::size_t f = 0; f < info.fields.size(); ++f)
    if (!engine::isAppendedField(info.fields[f].name)) kept.push_back(f);
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

}  // namespace

ExportResult exportRecords(FileFormat format, const format::TableInfo& info,
                           const std::vector<format::Record>& records, VCardVersion version,
                           bool yearly) {
  ExportResult result;
  result.records = records.size();
  const auto book = bookOf(info);
  switch (format) {
    case FileFormat::VCard:
      if (book != Book::Phones) throw ExchangeError("the table is not a phone book");
      for (const auto& record : records) {
        VCardContact contact;
        for (const char* name : phoneFields) {
          const auto* text =
              std::get_if<std::string>(&record[static_cast<std::size_t>(fieldIndex(info, name))]);
          if (text) contact.fields[name] = *text;
        }
        if (const auto* s = std::get_if<std::string>(
                &record[static_cast<std::size_t>(fieldIndex(info, engine::kSectionField))])) {
          contact.category = *s;
        }
        if (auto uid = engine::identityOf(info.fields, record); !uid.empty())
          contact.fields[engine::kIdentityField] = std::move(uid);
        result.text += writeVCard(contact, version);
      }
      break;
    case FileFormat::ICalendar:
      if (book == Book::Tasks) {
        result.text = writeTasksCalendar(info, records);
      } else if (book == Book::Dates) {
        result.text = writeDatesCalendar(info, records, yearly);
      } else {
        throw ExchangeError("a calendar is made of the task table or the dates table");
      }
      break;
    case FileFormat::Csv:
      result.text = designedCsvText(info, records);
      break;
  }
  return result;
}

ExportResult exportVCardFile(const ExportRequest& request) {
  const auto table = openTable(request.table, request.passwords, false, request.readAs);
  requireBook(*table, Book::Phones, "a phone book");
  return exportRecords(FileFormat::VCard, table->info(),
                       recordsOfSection(table->readAll(), table->info(), request.section),
                       request.version);
}

ExportResult exportCalendarFile(const ExportRequest& request) {
  const auto table = openTable(request.table, request.passwords, false, request.readAs);
  return exportRecords(FileFormat::ICalendar, table->info(),
                       recordsOfSection(table->readAll(), table->info(), request.section),
                       request.version, request.yearly);
}

}  // namespace torvelle::exchange
