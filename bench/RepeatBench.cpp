// The tasks page with repeating tasks: 10,000 tasks of which 1,000 repeat
// weekly (started up to two years back), in the day mode and the overdue mode.
#include <QApplication>
#include <QDate>
#include <algorithm>
#include <vector>

#include "BenchRegistry.h"
#include "GuiBench.h"
#include "books/TasksBook.h"
#include "engine/Session.h"
#include "engine/format/TableFile.h"
#include "store/TableSet.h"
#include "toolkit/EngineDates.h"

namespace torvelle::bench {
namespace {

void fillTasks(const std::filesystem::path& root, const QDate& today) {
  format::OpenOptions options;
  options.writable = true;
  options.sync = false;
  auto file = format::TableFile::open(root / "DB/Tasks/Tasks.db", options);
  const char* const days[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
  for (int i = 0; i < 10000; ++i) {
    const bool repeats = i % 10 == 0;
    // Single tasks over a year around today; repeating ones begin in the
    // two years before it.
    const QDate day = repeats ? today.addDays(-(i % 730)) : today.addDays(i % 365 - 180);
    format::Record record{
        toolkit::fromQDate(day),
        format::Time{(i % 1440) * 60000},
        std::string(i % 7 == 0 ? "Call the bank " : "Buy milk and bread ") + std::to_string(i),
        false,
        std::monostate{},
        std::monostate{}};
    if (repeats) {
      record.push_back(std::string("FREQ=WEEKLY;BYDAY=") + days[i % 7]);
      record.push_back(std::string("DONE:") + day.addDays(7).toString("yyyyMMdd").toStdString() +
                       "\n");
    }
    file->insert(record);
  }
}

void runRepeatBench() {
  const auto app = startGuiBench();
  const std::filesystem::path root = newTablesFolder();
  const QDate today = QDate::currentDate();
  fillTasks(root, today);
  engine::Session session;
  store::TTableSet tables(session, root);
  books::TMoveRecOnDateForm form;
  books::TTasksBook book(tables, form, [] { return false; });
  book.resize(632, 420);
  book.show();
  tables.TaskTable.open();
  book.setViewedDay(today);
  book.setTaskMode(books::DayMode);
  const auto paint = [&] { book.TaskDBGrid->viewport()->repaint(); };
  report("repeat.day_first_show_10k", millis([&] {
           book.FilterSB->click();
           paint();
         }),
         "ms");
  QApplication::processEvents();

  std::vector<double> keys;
  for (int round = 0; round < 3; ++round)
    for (const char* k : {"b", "ba", "ban", "bank", "ban", "ba", "b", ""})
      keys.push_back(millis([&] {
        book.TaskEdit->setText(QString::fromUtf8(k));
        paint();
      }));
  report("repeat.day_keystroke_refilter_paint_10k", medianOf(keys), "ms");

  std::vector<double> steps;
  steps.reserve(40);
  for (int i = 0; i < 40; ++i)
    steps.push_back(millis([&] {
      book.DateSpinUp->click();
      paint();
    }));
  report("repeat.day_step_paint_10k", medianOf(steps), "ms");
  report("repeat.day_step_paint_10k_max", *std::max_element(steps.begin(), steps.end()), "ms");

  report("repeat.overdue_mode_two_years_weekly_10k", millis([&] {
           book.setTaskMode(books::OverdueTasks);
           paint();
         }),
         "ms");
  std::vector<double> overdueKeys;
  for (const char* k : {"c", "ca", "cal", "ca", "c", ""})
    overdueKeys.push_back(millis([&] {
      book.TaskEdit->setText(QString::fromUtf8(k));
      paint();
    }));
  report("repeat.overdue_keystroke_10k", medianOf(overdueKeys), "ms");
  std::filesystem::remove_all(root);
}

const Registration registration("repeat", &runRepeatBench);

}  // namespace
}  // namespace torvelle::bench
