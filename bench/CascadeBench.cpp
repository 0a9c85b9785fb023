// Changes to many records at once on a phone book of 100,000 records in 20
// sections: a section rename, a section delete and a move of 1,000 records,
// each as one durable change and, beside it, record by record (edit and post
// per record, as a loop over the records would do it). Then an import of the
// same records into an empty table as one batch, beside SQLite inserting
// them in one transaction into an indexed table, and the table's size after
// the import against its size after pack.
#include <algorithm>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchRegistry.h"
#include "SqlitePhones.h"
#include "engine/Session.h"
#include "engine/ShippedTables.h"
#include "engine/Table.h"
#include "engine/format/TableFile.h"

namespace torvelle::bench {
namespace {

namespace fs = std::filesystem;
using format::Record;

constexpr std::size_t kRecords = 100'000;
constexpr std::size_t kBigSection = 10'000;  // records of the section renamed and deleted
// Record-by-record cascades post once per record, each made durable: they are
// timed over this many records and scaled to the whole cascade.
constexpr std::size_t kSample = 300;

const engine::ShippedTable& phones() {
  for (const auto& t : engine::shippedTables())
    if (t.objectName == "PhonesTable") return t;
  throw std::logic_error("no PhonesTable layout");
}

std::string sectionName(std::size_t s) {
  return "Section " + std::string(s < 10 ? "0" : "") + std::to_string(s);
}

// Section 00 holds 10,000 records; the other 90,000 are spread over 19.
std::vector<Record> makeRecords(bool shuffled) {
  std::mt19937 rng(20240601);
  const auto digits = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s.push_back(static_cast<char>('0' + rng() % 10));
    return s;
  };
  static const char* const kNames[] = {"Ivan", "Мария", "Пётр", "Anna", "Ёлкин", "елена", "Oleg"};
  std::vector<Record> out;
  out.reserve(kRecords);
  for (std::size_t i = 0; i < kRecords; ++i) {
    const std::size_t section = i < kBigSection ? 0 : 1 + i % 19;
    out.push_back({sectionName(section), std::string(kNames[i % 7]) + " " + std::to_string(i),
                   "+7 495 " + digits(7), "+7 812 " + digits(7), std::string("Россия"), digits(6),
                   std::string("Москва"), "ul. Lenina, " + std::to_string(i % 200),
                   "+7 9" + digits(9), digits(9), "user" + std::to_string(i) + "@mail.example",
                   "www.example" + std::to_string(i % 97) + ".org"});
  }
  if (shuffled) std::shuffle(out.begin(), out.end(), rng);
  return out;
}

fs::path workFolder() {
  return fs::temp_directory_path() / "torvelle-bench-cascade";
}

std::uintmax_t tableSize(const fs::path& db) {
  std::uintmax_t size = 0;
  for (const auto& e : fs::directory_iterator(db.parent_path()))
    if (e.path().stem() == db.stem() && !e.path().string().ends_with("-journal"))
      size += e.file_size();
  return size;
}

// Imports `records` into a new empty table as one batch; milliseconds.
double importBatch(const fs::path& db, const std::vector<Record>& records) {
  fs::remove_all(db.parent_path());
  fs::create_directories(db.parent_path());
  format::TableFile::create(db, phones().fields, phones().keyFieldCount);
  format::OpenOptions options;
  options.writable = true;
  return millis([&] {
    const auto file = format::TableFile::open(db, options);
    file->batch([&] {
      for (const auto& r : records) file->insert(r);
    });
  });
}

double sqliteImport(const fs::path& folder, const std::vector<Record>& records) {
  const fs::path path = folder / "phones.sqlite";
  fs::remove(path);
  SqlitePhones db(path.string(), true);
  return millis([&] { db.insertAll(records); });
}

void copyTable(const fs::path& from, const fs::path& to) {
  fs::remove_all(to.parent_path());
  fs::create_directories(to.parent_path());
  for (const auto& e : fs::directory_iterator(from.parent_path()))
    if (e.path().stem() == from.stem() && !e.path().string().ends_with("-journal"))
      fs::copy_file(e.path(), to.parent_path() / e.path().filename());
}

struct Opened {
  engine::Session session;
  engine::Table table{session};
  explicit Opened(const fs::path& db) {
    table.setTableName(db);
    table.open();
  }
};

// Sets Section of the records at `marks` one post at a time.
double renameByRecord(engine::Table& t, const std::vector<engine::Bookmark>& marks,
                      const std::string& to) {
  return millis([&] {
    for (const auto& m : marks) {
      t.gotoBookmark(m);
      t.edit();
      t.setField("Section", to);
      t.post();
    }
  });
}

double removeByRecord(engine::Table& t, const std::vector<engine::Bookmark>& marks) {
  return millis([&] {
    for (const auto& m : marks) {
      t.gotoBookmark(m);
      t.remove();
    }
  });
}

std::vector<engine::Bookmark> firstOf(std::vector<engine::Bookmark> marks, std::size_t n) {
  marks.resize(std::min(n, marks.size()));
  return marks;
}

void reportPair(const std::string& name, double oneChange, double perRecordScaled) {
  report(name, oneChange, "ms");
  report(name + "_by_record", perRecordScaled, "ms");
  report(name + "_ratio", perRecordScaled / oneChange, "x");
}

void runCascadeBench() {
  const fs::path folder = workFolder();
  const fs::path base = folder / "base" / "Phones.db";
  const fs::path work = folder / "work" / "Phones.db";

  // Import: in no order, then in key order; the table of the second is the
  // starting point of the cascades.
  const auto shuffled = makeRecords(true);
  std::vector<Record> sorted;
  {
    const fs::path scratch = folder / "shuffled" / "Phones.db";
    const double anyOrder = importBatch(scratch, shuffled);
    report("import_100k_any_order", anyOrder, "ms");
    // SQLite takes the same rows in the same order.
    const double sqlite = sqliteImport(folder, shuffled);
    report("sqlite_import_100k_any_order", sqlite, "ms");
    report("import_any_order_vs_sqlite", anyOrder / sqlite, "x");
    const auto imported = tableSize(scratch);
    format::OpenOptions options;
    format::TableFile::pack(scratch, options);
    report("import_any_order_size_vs_pack",
           static_cast<double>(imported) / static_cast<double>(tableSize(scratch)), "x");
    // The table reads back in its own key order (dictionary order of the
    // Cyrillic sort): that is the order of the second import.
    sorted = format::TableFile::open(scratch, options)->readAll();
  }
  const double imported = importBatch(base, sorted);
  report("import_100k_key_order", imported, "ms");
  const double sqlite = sqliteImport(folder, sorted);
  report("sqlite_import_100k_key_order", sqlite, "ms");
  report("import_key_order_vs_sqlite", imported / sqlite, "x");
  {
    const auto size = tableSize(base);
    copyTable(base, work);
    format::TableFile::pack(work, {});
    report("import_size_vs_pack", static_cast<double>(size) / static_cast<double>(tableSize(work)),
           "x");
  }

  const std::string big = sectionName(0), small = sectionName(5), target = sectionName(6);
  // Rename the section of 10,000.
  {
    copyTable(base, work);
    Opened o(work);
    const auto marks = o.table.bookmarksWithKey({big});
    const double one = millis([&] {
      o.table.updateRecords(marks, {{0, std::string("Renamed section")}});
    });
    const auto again = o.table.bookmarksWithKey({std::string("Renamed section")});
    const double each = renameByRecord(o.table, firstOf(again, kSample), big);
    reportPair("rename_section_10k", one,
               each * static_cast<double>(marks.size()) / static_cast<double>(kSample));
  }
  // Delete the section of 10,000.
  {
    copyTable(base, work);
    Opened o(work);
    const auto marks = o.table.bookmarksWithKey({big});
    const auto sample = firstOf(marks, kSample);
    const double each = removeByRecord(o.table, sample);
    std::vector<engine::Bookmark> rest(marks.begin() + static_cast<std::ptrdiff_t>(sample.size()),
                                       marks.end());
    const double one = millis([&] { o.table.removeRecords(rest); });
    reportPair("delete_section_10k",
               one * static_cast<double>(marks.size()) / static_cast<double>(rest.size()),
               each * static_cast<double>(marks.size()) / static_cast<double>(kSample));
  }
  // Move 1,000 records to another section.
  {
    copyTable(base, work);
    Opened o(work);
    const auto marks = firstOf(o.table.bookmarksWithKey({small}), 1000);
    const double one = millis([&] { o.table.updateRecords(marks, {{0, target}}); });
    const auto back = firstOf(o.table.bookmarksWithKey({target}), kSample);
    const double each = renameByRecord(o.table, back, small);
    reportPair("move_1000", one,
               each * static_cast<double>(marks.size()) / static_cast<double>(kSample));
  }
  fs::remove_all(folder);
}

const Registration kCascade("cascade", &runCascadeBench);

}  // namespace
}  // namespace torvelle::bench
