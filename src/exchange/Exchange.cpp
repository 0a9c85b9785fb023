#include "exchange/Exchange.h"

#include <algorithm>
#include <cctype>

#include "engine/DbError.h"
#include "exchange/Books.h"
#include "exchange/ExchangeError.h"
#include "exchange/ICalendar.h"

namespace torvelle::exchange {
namespace {

namespace fs = std::filesystem;

const char* const phoneFields[] = {"Name",   "HomePhone", "WorkPhone", "Country", "ZipCode", "City",
                                   "Street", "Cellular",  "ICQ",       "Email",   "WebSite"};

std::string lowerAscii(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::unique_ptr<format::TableFile> openTable(const fs::path& path,
                                             const std::vector<std::string>& passwords,
                                             bool writable) {
  format::OpenOptions options;
  options.writable = writable;
  options.passwords = passwords;
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
  const int f = fieldIndex(info, "Section");
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
    record[static_cast<std::size_t>(fieldIndex(dates, "Section"))] = std::string(birthdaySection);
    record[static_cast<std::size_t>(fieldIndex(dates, "Date"))] = *contact.birthday;
    if (const auto name = contact.fields.find("Name"); name != contact.fields.end()) {
      record[static_cast<std::size_t>(fieldIndex(dates, "Event"))] = name->second;
    }
    rows.push_back({"line " + std::to_string(contact.line), std::move(record)});
  }
  return rows;
}

void throwIfRefused(const format::TableInfo& info, const std::vector<ImportRow>& rows,
                    const ImportOptions& options) {
  if (options.skipRefused || options.dryRun) return;
  std::vector<std::string> refused;
  for (const auto& row : rows) {
    if (auto reason = refusalReason(info, row.record); !reason.empty()) {
      refused.push_back(row.where + ": " + reason);
    }
  }
  if (!refused.empty()) throw RecordsRefused(refused);
}

}  // namespace

FileFormat formatOf(const std::string& fileName, const std::string& given) {
  const std::string name =
      given.empty() ? lowerAscii(fs::path(fileName).extension().string()) : "." + lowerAscii(given);
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

ImportSummary importVCardFile(std::string_view bytes, const ImportRequest& request) {
  const auto contacts = readVCards(bytes);
  const auto table = openTable(request.table, request.passwords, true);
  requireBook(*table, Book::Phones, "a phone book");
  const auto& info = table->info();
  ImportSummary summary;
  std::vector<ImportRow> rows;
  for (const auto& contact : contacts) {
    format::Record record(info.fields.size());
    for (const auto& [name, value] : contact.fields) {
      if (const int f = fieldIndex(info, name.c_str()); f >= 0) {
        record[static_cast<std::size_t>(f)] = value;
      }
    }
    if (!contact.category.empty()) {
      record[static_cast<std::size_t>(fieldIndex(info, "Section"))] = contact.category;
    }
    for (const auto& what : contact.notStored) ++summary.notStored[what];
    if (contact.birthday && !request.birthdays) ++summary.notStored["birthday"];
    rows.push_back({"line " + std::to_string(contact.line), std::move(record)});
  }
  applySection(rows, info, request.section);

  std::unique_ptr<format::TableFile> dates;
  std::vector<ImportRow> birthdays;
  const fs::path datesPath = request.table.parent_path().parent_path() / "Dates" / "Dates.db";
  if (request.birthdays) {
    dates = openTable(datesPath, request.passwords, true);
    requireBook(*dates, Book::Dates, "a dates book");
    birthdays = birthdayRows(contacts, dates->info());
    settleTimes(birthdays, dates->readAll(), dates->info(), "Event");
    // Refusals of either table stop the import before anything is written.
    throwIfRefused(dates->info(), birthdays, request.options);
  }
  const auto sections = openSections(request.table, *table, request.passwords);
  importRows(*table, sections.get(), rows, request.options, summary);
  if (dates && !birthdays.empty()) {
    ImportSummary dateSummary;
    const auto dateSections = openSections(datesPath, *dates, request.passwords);
    importRows(*dates, dateSections.get(), birthdays, request.options, dateSummary);
    summary.birthdaysAdded += dateSummary.added;
    for (const auto& refused : dateSummary.refused)
      summary.refused.push_back("birthday, " + refused);
  }
  return summary;
}

ImportSummary importCalendarFile(std::string_view bytes, const ImportRequest& request) {
  const auto table = openTable(request.table, request.passwords, true);
  const auto book = bookOf(table->info());
  ReadRows read;
  if (book == Book::Tasks) {
    read = readTasksCalendar(bytes, table->info());
    settleTimes(read.rows, table->readAll(), table->info(), "Task");
  } else if (book == Book::Dates) {
    read = readDatesCalendar(bytes, table->info(), request.section, defaultSection);
    settleTimes(read.rows, table->readAll(), table->info(), "Event");
  } else {
    throw ExchangeError("a calendar goes into the task table or the dates table");
  }
  ImportSummary summary;
  count(summary, read.notStored);
  const auto sections = openSections(request.table, *table, request.passwords);
  importRows(*table, sections.get(), read.rows, request.options, summary);
  return summary;
}

std::vector<format::Record> recordsToExport(const format::TableFile& table,
                                            const std::string& section) {
  auto records = table.readAll();
  if (section.empty()) return records;
  const int f = fieldIndex(table.info(), "Section");
  if (f < 0) throw ExchangeError("the table has no sections; --section does not apply");
  std::erase_if(records, [&](const format::Record& r) {
    const auto* s = std::get_if<std::string>(&r[static_cast<std::size_t>(f)]);
    return !s || *s != section;
  });
  return records;
}

ExportResult exportVCardFile(const ExportRequest& request) {
  const auto table = openTable(request.table, request.passwords, false);
  requireBook(*table, Book::Phones, "a phone book");
  const auto& info = table->info();
  ExportResult result;
  for (const auto& record : recordsToExport(*table, request.section)) {
    VCardContact contact;
    for (const char* name : phoneFields) {
      const auto* text =
          std::get_if<std::string>(&record[static_cast<std::size_t>(fieldIndex(info, name))]);
      if (text) contact.fields[name] = *text;
    }
    if (const auto* s = std::get_if<std::string>(
            &record[static_cast<std::size_t>(fieldIndex(info, "Section"))])) {
      contact.category = *s;
    }
    result.text += writeVCard(contact, request.version);
    ++result.records;
  }
  return result;
}

ExportResult exportCalendarFile(const ExportRequest& request) {
  const auto table = openTable(request.table, request.passwords, false);
  const auto book = bookOf(table->info());
  ExportResult result;
  const auto records = recordsToExport(*table, request.section);
  if (book == Book::Tasks) {
    result.text = writeTasksCalendar(table->info(), records);
  } else if (book == Book::Dates) {
    result.text = writeDatesCalendar(table->info(), records, request.yearly);
  } else {
    throw ExchangeError("a calendar is made of the task table or the dates table");
  }
  result.records = records.size();
  return result;
}

}  // namespace torvelle::exchange
