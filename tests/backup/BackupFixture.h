#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "TaskRecords.h"
#include "common/TempDir.h"
#include "engine/ShippedTables.h"
#include "engine/format/TableFile.h"

namespace torvelle::backup::test {

namespace fs = std::filesystem;
using torvelle::testing::TempDir;

inline fs::path tasksPath(const fs::path& root) {
  return root / "DB/Tasks/Tasks.db";
}

// The seven shipped tables under `root`, task records [first, first + count).
inline void makeTables(const fs::path& root, int count, int first = 0) {
  engine::createShippedTables(root);
  format::OpenOptions options;
  options.writable = true;
  options.sync = false;
  const auto table = format::TableFile::open(tasksPath(root), options);
  for (int n = first; n < first + count; ++n) table->insert(taskRecord(n));
}

inline void protectTables(const fs::path& root, const std::string& password) {
  for (const auto& t : engine::shippedTables())
    format::TableFile::setPassword(root / t.relativePath, {}, password);
}

// Every file under DB/ with its bytes, by relative path.
inline std::map<std::string, std::string> tableFiles(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root / "DB"))
    if (e.is_regular_file())
      files[e.path().lexically_relative(root).string()] = torvelle::testing::readBytes(e.path());
  return files;
}

// The task numbers a table holds, in key order.
inline std::vector<int> taskNumbers(const fs::path& root, const std::string& password = {}) {
  format::OpenOptions options;
  if (!password.empty()) options.passwords = {password};
  std::vector<int> numbers;
  for (const auto& r : format::TableFile::open(tasksPath(root), options)->readAll())
    numbers.push_back(std::get<format::Date>(r[0]).day - 730000);
  return numbers;
}

}  // namespace torvelle::backup::test
