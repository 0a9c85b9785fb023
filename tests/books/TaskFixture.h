#pragma once
// A real Tasks table in a temporary folder, seeded through the file layer,
// opened with the program's table set.
#include <QDate>
#include <QLocale>
#include <QTime>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/Session.h"
#include "engine/ShippedTables.h"
#include "engine/format/TableFile.h"
#include "store/TableSet.h"
#include "toolkit/EngineDates.h"

#include "common/TempDir.h"

namespace torvelle::testing {

struct SeedTask {
  QDate date;  // invalid: blank
  QTime time;
  std::string task;
  bool done = false;
  std::string description;
};

inline format::Record taskRecord(const SeedTask& t) {
  format::Record r(5);
  if (t.date.isValid()) r[0] = toolkit::fromQDate(t.date);
  if (t.time.isValid()) r[1] = toolkit::fromQTime(t.time);
  if (!t.task.empty()) r[2] = t.task;
  r[3] = t.done;
  if (!t.description.empty()) r[4] = t.description;
  return r;
}

// A task that repeats by `rule` (RRULE), written straight into the file.
inline void seedRepeatingTask(const std::filesystem::path& root, const SeedTask& t,
                              const std::string& rule) {
  format::OpenOptions options;
  options.writable = true;
  auto file = format::TableFile::open(root / "DB/Tasks/Tasks.db", options);
  format::Record r = taskRecord(t);
  r.resize(7);  // after the identity, which the insert leaves empty
  r[6] = rule;
  file->insert(r);
}

inline std::filesystem::path tasksPath(const std::filesystem::path& root) {
  return root / "DB/Tasks/Tasks.db";
}

// Writes the tasks straight into the file, as an earlier session would have.
inline void seedTasks(const std::filesystem::path& root, const std::vector<SeedTask>& tasks) {
  engine::createShippedTables(root);
  format::OpenOptions options;
  options.writable = true;
  options.sync = false;
  auto file = format::TableFile::open(tasksPath(root), options);
  for (const SeedTask& t : tasks) file->insert(taskRecord(t));
}

// Session and tables over a seeded folder, with the Russian short forms the
// program was designed with, so expected texts can be written out.
struct TaskTables {
  explicit TaskTables(const std::vector<SeedTask>& tasks) {
    seedTasks(dir.path(), tasks);
    session.setDisplayFormats(
        toolkit::localeDisplayFormats(QLocale(QLocale::Russian, QLocale::Russia)));
    tables = std::make_unique<store::TTableSet>(session, dir.path());
  }
  TempDir dir;
  engine::Session session;
  std::unique_ptr<store::TTableSet> tables;
};

}  // namespace torvelle::testing
