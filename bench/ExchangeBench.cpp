// 100,000 contacts out to a vCard file and into an empty phone book, and the
// same as to-dos through iCalendar: what reading and writing the formats cost
// on top of the one change each import is.
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchRegistry.h"
#include "engine/ShippedTables.h"
#include "engine/format/TableFile.h"
#include "exchange/CsvTable.h"
#include "exchange/Exchange.h"

namespace torvelle::bench {
namespace {

namespace fs = std::filesystem;
using format::Record;

constexpr int kContacts = 100000;

// Wall time and processor time of `f`: on a busy machine the first says
// little, the second what the work itself costs.
template <class F>
void measure(const std::string& name, F&& f) {
  const std::clock_t start = std::clock();
  report(name, millis(f), "ms");
  report(name + "_cpu", 1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC, "ms");
}

Record contact(int i) {
  const std::string n = std::to_string(i);
  return {"Раздел " + std::to_string(i % 40),
          "Контакт " + n,
          "+7 495 " + n,
          "+7 812 " + n,
          std::string("Россия"),
          std::to_string(100000 + i),
          std::string("Москва"),
          "ул. Тверская, " + n,
          "+7 916 " + n,
          std::to_string(100000000 + i),
          "user" + n + "@example.ru",
          "https://example.ru/" + n};
}

Record task(int i) {
  return {format::Date{739000 + i / 20}, format::Time{(i % 20) * 1800000},
          "Задача номер " + std::to_string(i), i % 3 == 0, std::monostate{}};
}

void fill(const fs::path& table, int count, Record (*make)(int)) {
  format::OpenOptions options;
  options.writable = true;
  const auto file = format::TableFile::open(table, options);
  file->batch([&] {
    for (int i = 0; i < count; ++i) file->insert(make(i));
  });
}

void runExchangeBench() {
  const fs::path scratch = fs::temp_directory_path() / "torvelle-bench-exchange";
  fs::remove_all(scratch);
  const fs::path from = scratch / "from", to = scratch / "to";
  engine::createShippedTables(from);
  engine::createShippedTables(to);

  const fs::path phones = "DB/Phones/Phones.db";
  fill(from / phones, kContacts, contact);
  exchange::ExportRequest out;
  out.table = from / phones;
  exchange::ExportResult vcards;
  measure("exchange.vcard_export_100k", [&] { vcards = exchange::exportVCardFile(out); });
  exchange::ImportRequest in;
  in.table = to / phones;
  measure("exchange.vcard_import_100k_empty_table",
          [&] { exchange::importVCardFile(vcards.text, in); });

  // The same contacts as an address book's semicolon export, whose dialect
  // and columns the import finds out for itself.
  std::string csv =
      "First Name;Last Name;Home Phone;Business Phone;Mobile Phone;E-mail Address;Home Street;"
      "Home City;Home Postal Code;Home Country/Region;Categories\n";
  for (int i = 0; i < kContacts; ++i) {
    const auto r = contact(i);
    const auto t = [&](std::size_t f) { return std::get<std::string>(r[f]); };
    csv += t(1) + ";Фамилия;" + t(2) + ";" + t(3) + ";" + t(8) + ";" + t(10) + ";\"" + t(7) +
           "\";" + t(6) + ";" + t(5) + ";" + t(4) + ";" + t(0) + "\n";
  }
  const fs::path more = scratch / "csv";
  engine::createShippedTables(more);
  in.table = more / phones;
  measure("exchange.csv_import_100k_sniffed_empty_table", [&] {
    exchange::importPreparedRows(
        [&](const format::TableInfo& info, exchange::ImportSummary& s) {
          return exchange::csvRows(csv, info, s);
        },
        in);
  });

  const fs::path tasks = "DB/Tasks/Tasks.db";
  fill(from / tasks, kContacts, task);
  out.table = from / tasks;
  exchange::ExportResult todos;
  measure("exchange.ics_export_100k_tasks", [&] { todos = exchange::exportCalendarFile(out); });
  in.table = to / tasks;
  measure("exchange.ics_import_100k_tasks_empty_table",
          [&] { exchange::importCalendarFile(todos.text, in); });
  fs::remove_all(scratch);
}

const Registration reg("exchange", &runExchangeBench);

}  // namespace
}  // namespace torvelle::bench
