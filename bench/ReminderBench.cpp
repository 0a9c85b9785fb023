// What the reminders cost when the tables change: reading the tasks and the
// important dates from their files and finding the next moment and today's
// anniversaries, at 1,000 and at 100,000 records of each.
#include <filesystem>
#include <string>

#include "BenchRegistry.h"
#include "books/ReminderRules.h"
#include "books/ReminderSource.h"
#include "engine/FieldText.h"
#include "engine/Session.h"
#include "engine/ShippedTables.h"
#include "engine/Table.h"
#include "engine/format/TableFile.h"

namespace {

using namespace torvelle;

void fill(const std::filesystem::path& root, int count) {
  engine::createShippedTables(root);
  format::OpenOptions options;
  options.writable = true;
  options.sync = false;
  const format::Date first = *engine::dayFromCivil(2020, 1, 1);
  auto tasks = format::TableFile::open(root / "DB/Tasks/Tasks.db", options);
  auto dates = format::TableFile::open(root / "DB/Dates/Dates.db", options);
  for (int i = 0; i < count; ++i) {
    const format::Date day{first.day + i / 20};
    const format::Time time{(i % 20) * 3'600'000};
    tasks->insert({day, time, "Task " + std::to_string(i), i % 3 == 0, std::string("note")});
    dates->insert({"Section " + std::to_string(i % 50), day, time, "Event " + std::to_string(i),
                   format::Value()});
  }
}

// Next moment, anniversaries and the overdue count over what was read.
std::size_t plan(const std::vector<books::TaskItem>& tasks,
                 const std::vector<books::DateItem>& dates, format::Date today) {
  const books::Moment now = books::momentOf(today, format::Time{43'200'000});
  return books::nextTaskMoment(tasks, now).has_value() +
         books::anniversariesAround(dates, today, 30).size() +
         static_cast<std::size_t>(books::overdueTaskCount(tasks, now));
}

void runReminderBench() {
  for (const int count : {1'000, 100'000}) {
    const std::string n = std::to_string(count);
    const auto root = std::filesystem::temp_directory_path() / ("torvelle-reminder-bench-" + n);
    std::filesystem::remove_all(root);
    fill(root, count);
    const format::Date today = *engine::dayFromCivil(2023, 6, 1);
    std::size_t found = 0;

    // In the tray, tables closed: read from the files.
    const double files = bench::millis([&] {
      found += plan(books::readTaskItems(root / "DB/Tasks/Tasks.db", {}),
                    books::readDateItems(root / "DB/Dates/Dates.db", {}), today);
    });
    bench::report("reminders_reload_from_files_" + n, files, "ms");

    // Window open: after each post, from the tables in memory.
    engine::Session session;
    engine::Table tasks(session), dates(session);
    tasks.setTableName(root / "DB/Tasks/Tasks.db");
    dates.setTableName(root / "DB/Dates/Dates.db");
    tasks.open();
    dates.open();
    const double open = bench::millis([&] {
      found += plan(books::taskItemsOf(tasks, books::momentOf(today, {})),
                    books::dateItemsOf(dates), today);
    });
    bench::report("reminders_reload_from_open_tables_" + n, open, "ms");
    tasks.close();
    dates.close();
    std::filesystem::remove_all(root);
    if (found == 0) std::printf("(nothing found)\n");
  }
}

const bench::Registration reg("reminders", &runReminderBench);

}  // namespace
