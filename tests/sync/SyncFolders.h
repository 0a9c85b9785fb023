#pragma once
// Data folders for sync tests: made as the program ships them, edited and
// compared through the engine, synced by running torvelle-db sync.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "engine/ShippedTables.h"
#include "engine/format/TableFile.h"
#include "exchange/Books.h"
#include "sync/ItemFields.h"
#include "sync/LocalBook.h"
#include "tools/ToolHarness.h"

namespace torvelle::sync::test {

using Fields = std::map<std::string, std::string>;

inline void makeFolder(const std::filesystem::path& root) {
  engine::createShippedTables(root);
  // Tables from before records had an identity gain it here as the
  // organizer's upgrade gives it: a UID field at the end.
  for (const auto& shipped : engine::shippedTables()) {
    const auto path = root / shipped.relativePath;
    const auto info = format::TableFile::open(path, {})->info();
    const auto book = exchange::bookOf(info);
    if (book != exchange::Book::Tasks && book != exchange::Book::Phones &&
        book != exchange::Book::Dates) {
      continue;
    }
    if (exchange::fieldIndex(info, "UID") >= 0) continue;
    auto fields = info.fields;
    fields.push_back({"UID", format::FieldType::Alpha, 64});
    for (const char* ext : {".db", ".px", ".mb"}) {
      std::filesystem::remove(std::filesystem::path(path).replace_extension(ext));
    }
    format::TableFile::create(path, fields, info.keyFieldCount);
  }
}

inline std::unique_ptr<format::TableFile> openBook(const std::filesystem::path& root,
                                                   SyncBook book) {
  format::OpenOptions options;
  options.writable = true;
  return format::TableFile::open(LocalBook::tablePath(root, book), options);
}

inline void add(const std::filesystem::path& root, SyncBook book, const Fields& fields) {
  auto table = openBook(root, book);
  FieldMap all;
  for (const auto& name : syncedFields(book)) all[name] = "";
  for (const auto& [k, v] : fields) all[k] = v;
  table->insert(recordWithFields(table->info(), {}, all));
}

// The record whose `field` holds `value`; fails the test when there is none.
inline std::size_t find(format::TableFile& table, SyncBook book, const std::string& field,
                        const std::string& value) {
  for (std::size_t i = 0; i < table.recordCount(); ++i) {
    if (fieldsOfRecord(book, table.info(), table.read(i))[field] == value) return i;
  }
  throw std::runtime_error("no record with " + field + " = " + value);
}

inline void edit(const std::filesystem::path& root, SyncBook book, const std::string& field,
                 const std::string& value, const Fields& changes) {
  auto table = openBook(root, book);
  const std::size_t at = find(*table, book, field, value);
  auto record = table->read(at);
  FieldMap fields = fieldsOfRecord(book, table->info(), record);
  for (const auto& [k, v] : changes) fields[k] = v;
  const auto changed = recordWithFields(table->info(), record, fields);
  format::FieldChanges list;
  for (std::size_t f = 0; f < changed.size(); ++f)
    list.emplace_back(static_cast<int>(f), changed[f]);
  table->update(at, list);
}

inline void remove(const std::filesystem::path& root, SyncBook book, const std::string& field,
                   const std::string& value) {
  auto table = openBook(root, book);
  table->remove(find(*table, book, field, value));
}

// Every record of the book with its identity, in one sorted list.
inline std::vector<std::string> contents(const std::filesystem::path& root, SyncBook book) {
  format::OpenOptions options;
  auto table = format::TableFile::open(LocalBook::tablePath(root, book), options);
  const int uid = exchange::fieldIndex(table->info(), "UID");
  std::vector<std::string> out;
  for (const auto& r : table->readAll()) {
    std::string line = std::get<std::string>(r[static_cast<std::size_t>(uid)]) + " ";
    for (const auto& [k, v] : fieldsOfRecord(book, table->info(), r)) {
      if (!v.empty()) line.append(k).append("=").append(v).append("; ");
    }
    out.push_back(line);
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace torvelle::sync::test
