// The file layer on a phone book of 100,000 records: reading it all, ours
// against pxlib, and what one insert or update costs at 1,000 and at 100,000
// records, with and without fsync.
// paradox.h has no C++ linkage block of its own.
extern "C" {
#include <paradox.h>
}

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchRegistry.h"
#include "engine/ShippedTables.h"
#include "engine/format/TableFile.h"

namespace torvelle::bench {
namespace {

namespace fs = std::filesystem;
using format::FieldChanges;
using format::OpenOptions;
using format::Record;
using format::TableFile;

constexpr int kSections = 40;

const engine::ShippedTable& phonesLayout() {
  for (const auto& t : engine::shippedTables()) {
    if (t.objectName == "PhonesTable") return t;
  }
  throw std::runtime_error("no PhonesTable in the shipped layout");
}

std::string padded(long value, int width) {
  std::string s = std::to_string(value);
  return std::string(static_cast<std::size_t>(std::max(0, width - static_cast<int>(s.size()))),
                     '0') +
         s;
}

// A contact with every field filled as a real phone book would have it; the
// name keeps keys unique and, zero-padded, sorted within their section.
Record phoneRecord(int section, const std::string& name, long serial) {
  const std::string id = padded(serial, 6);
  return {
      "Section " + padded(section, 2),
      name,
      "+7 495 " + id.substr(0, 3) + "-" + id.substr(3),
      "+7 812 " + id.substr(3) + "-" + id.substr(0, 3),
      serial % 2 ? std::string("Россия") : std::string("Finland"),
      padded(100000 + serial % 900000, 6),
      serial % 3 ? std::string("Москва") : std::string("Helsinki"),
      "Tverskaya street " + std::to_string(serial % 200) + ", apt. " + std::to_string(serial % 97),
      "+7 916 " + id,
      std::to_string(100000000 + serial),
      "person" + id + "@example.com",
      "https://example.com/people/" + id};
}

// Fills a new Phones table with `count` records in key order, without fsync:
// the build is set-up, not what is measured.
void buildPhones(const fs::path& path, int count) {
  const auto& layout = phonesLayout();
  fs::create_directories(path.parent_path());
  TableFile::create(path, layout.fields, layout.keyFieldCount);
  OpenOptions options;
  options.writable = true;
  options.sync = false;
  const auto table = TableFile::open(path, options);
  const int perSection = (count + kSections - 1) / kSections;
  long serial = 0;
  for (int s = 0; s < kSections && serial < count; ++s) {
    for (int j = 0; j < perSection && serial < count; ++j, ++serial) {
      table->insert(phoneRecord(s, "Person " + padded(serial, 6), serial));
    }
  }
}

fs::path benchFolder() {
  // Beside the benchmark program, inside the build folder.
  return fs::read_symlink("/proc/self/exe").parent_path() / "bench-cache";
}

// The 100,000-record table is built once and kept; a marker written after
// the build tells a complete table from one whose build was interrupted.
fs::path cachedPhones(int count) {
  const fs::path dir = benchFolder() / ("phones-" + std::to_string(count));
  fs::path table = dir / "Phones.db";
  if (fs::exists(dir / "complete")) return table;
  fs::remove_all(dir);
  const double ms = millis([&] { buildPhones(table, count); });
  report("format.build_phones_" + std::to_string(count / 1000) + "k", ms / 1000, "s");
  std::FILE* marker = std::fopen((dir / "complete").c_str(), "w");
  if (marker) std::fclose(marker);
  return table;
}

void copyTable(const fs::path& from, const fs::path& toDir) {
  fs::create_directories(toDir);
  for (const auto& entry : fs::directory_iterator(from.parent_path())) {
    if (entry.path().stem() == from.stem()) {
      fs::copy_file(entry.path(), toDir / entry.path().filename(),
                    fs::copy_options::overwrite_existing);
    }
  }
}

double best(int runs, const std::function<void()>& f) {
  double result = 1e300;
  for (int i = 0; i < runs; ++i) result = std::min(result, millis(f));
  return result;
}

std::size_t readOurs(const fs::path& path) {
  const auto table = TableFile::open(path, OpenOptions{});
  return table->readAll().size();
}

// pxlib decoding every record into values; with `toUtf8` its text is converted
// to UTF-8 as ours is, else left in the table's code page.
std::size_t readPxlib(const fs::path& path, bool toUtf8, bool& converted) {
  pxdoc_t* doc = PX_new();
  if (doc == nullptr) throw std::runtime_error("PX_new failed");
  if (PX_open_file(doc, path.c_str()) != 0) {
    PX_delete(doc);
    throw std::runtime_error("pxlib cannot open " + path.string());
  }
  converted = toUtf8 && PX_set_targetencoding(doc, "UTF-8") == 0;
  const int records = PX_get_num_records(doc);
  const int fields = PX_get_num_fields(doc);
  std::size_t read = 0;
  for (int r = 0; r < records; ++r) {
    pxval_t** values = PX_retrieve_record(doc, r);
    if (values == nullptr) continue;
    ++read;
    for (int f = 0; f < fields; ++f) {
      if (values[f] == nullptr) continue;
      if (!values[f]->isnull && values[f]->type == pxfAlpha)
        doc->free(doc, values[f]->value.str.val);
      doc->free(doc, values[f]);
    }
    doc->free(doc, values);
  }
  PX_close(doc);
  PX_delete(doc);
  return read;
}

struct WriteCost {
  double insertUs = 0;
  double updateUs = 0;
};

// Median cost of single inserts (new names inside existing sections, so that
// they land between stored records) and single updates of a non-key field.
WriteCost measureWrites(const fs::path& path, bool sync, int operations, int& serial) {
  OpenOptions options;
  options.writable = true;
  options.sync = sync;
  const auto table = TableFile::open(path, options);
  std::mt19937 random(12345);
  std::vector<double> inserts;
  std::vector<double> updates;
  for (int i = 0; i < operations; ++i, ++serial) {
    const Record record = phoneRecord(static_cast<int>(random() % kSections),
                                      "Newcomer " + padded(serial, 6), serial);
    inserts.push_back(millis([&] { table->insert(record); }) * 1000);
  }
  for (int i = 0; i < operations; ++i) {
    const std::size_t ordinal = random() % table->recordCount();
    const FieldChanges changes = {{2, std::string("+7 499 ") + padded(i, 7)}};
    updates.push_back(millis([&] { table->update(ordinal, changes); }) * 1000);
  }
  return {medianOf(inserts), medianOf(updates)};
}

void runFormatBench() {
  const fs::path big = cachedPhones(100'000);
  if (readOurs(big) != 100'000) throw std::runtime_error("the cached table is incomplete");

  std::size_t oursCount = 0;
  const double ours = best(5, [&] { oursCount = readOurs(big); });
  bool converted = false;
  std::size_t pxCount = 0;
  PX_boot();
  const double px = best(5, [&] { pxCount = readPxlib(big, true, converted); });
  bool raw = false;
  const double pxRaw = best(5, [&] { readPxlib(big, false, raw); });
  PX_shutdown();
  if (oursCount != pxCount) {
    throw std::runtime_error("ours read " + std::to_string(oursCount) + " records, pxlib " +
                             std::to_string(pxCount));
  }
  report("format.read_phones_100k.ours", ours, "ms");
  if (converted) {
    report("format.read_phones_100k.pxlib_utf8", px, "ms");
    report("format.read_phones_100k.pxlib_utf8_over_ours", px / ours, "x");
  }
  report("format.read_phones_100k.pxlib_raw_text", pxRaw, "ms");
  report("format.read_phones_100k.pxlib_raw_text_over_ours", pxRaw / ours, "x");

  const fs::path work = benchFolder() / "work";
  fs::remove_all(work);
  const fs::path small = work / "small" / "Phones.db";
  buildPhones(small, 1000);
  copyTable(big, work / "big");
  const fs::path bigCopy = work / "big" / big.filename();

  int serial = 1'000'000;
  const WriteCost smallFast = measureWrites(small, false, 300, serial);
  const WriteCost bigFast = measureWrites(bigCopy, false, 300, serial);
  report("format.insert.1k", smallFast.insertUs, "us");
  report("format.insert.100k", bigFast.insertUs, "us");
  report("format.insert.100k_over_1k", bigFast.insertUs / smallFast.insertUs, "x");
  report("format.update.1k", smallFast.updateUs, "us");
  report("format.update.100k", bigFast.updateUs, "us");
  report("format.update.100k_over_1k", bigFast.updateUs / smallFast.updateUs, "x");

  const WriteCost smallSync = measureWrites(small, true, 25, serial);
  const WriteCost bigSync = measureWrites(bigCopy, true, 25, serial);
  report("format.insert_fsync.1k", smallSync.insertUs / 1000, "ms");
  report("format.insert_fsync.100k", bigSync.insertUs / 1000, "ms");
  report("format.update_fsync.1k", smallSync.updateUs / 1000, "ms");
  report("format.update_fsync.100k", bigSync.updateUs / 1000, "ms");
  fs::remove_all(work);
}

const Registration registration("format", &runFormatBench);

}  // namespace
}  // namespace torvelle::bench
