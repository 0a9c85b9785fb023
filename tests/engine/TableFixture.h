#pragma once
// Helpers for tests that need real Paradox tables in a temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/DbError.h"
#include "engine/format/TableFile.h"

#include "common/TempDir.h"

namespace torvelle::testing {

inline format::FieldDef alpha(const char* name, int width = 30) {
  return {name, format::FieldType::Alpha, width};
}
inline format::FieldDef dateField(const char* name) {
  return {name, format::FieldType::Date, 4};
}
inline format::FieldDef timeField(const char* name) {
  return {name, format::FieldType::Time, 4};
}
inline format::FieldDef logical(const char* name) {
  return {name, format::FieldType::Logical, 1};
}
inline format::FieldDef memo(const char* name) {
  return {name, format::FieldType::Memo, 50};
}
inline format::FieldDef longField(const char* name) {
  return {name, format::FieldType::Long, 4};
}

// Creates a table and loads `records` through the file layer.
inline void makeTable(const std::filesystem::path& path,
                      const std::vector<format::FieldDef>& fields, int keyCount,
                      const std::vector<format::Record>& records,
                      const std::string& password = {}) {
  std::filesystem::create_directories(path.parent_path());
  format::TableFile::create(path, fields, keyCount, 1251, password);
  if (records.empty()) return;
  format::OpenOptions options;
  options.writable = true;
  options.sync = false;
  if (!password.empty()) options.passwords = {password};
  auto file = format::TableFile::open(path, options);
  for (const auto& r : records) file->insert(r);
}

// What is on disk, read past the engine.
inline std::vector<format::Record> readBack(const std::filesystem::path& path,
                                            const std::string& password = {}) {
  format::OpenOptions options;
  if (!password.empty()) options.passwords = {password};
  return format::TableFile::open(path, options)->readAll();
}

inline format::Value text(const char* s) {
  return std::string(s);
}

}  // namespace torvelle::testing
