// The calendar page and the search box against big books: a month painted
// with 10,000 tasks (1,000 of them repeating weekly) and 1,000 important
// dates, and one keystroke of the search over 100,000 contacts and 10,000
// tasks.
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchRegistry.h"
#include "GuiBench.h"
#include "books/CalendarBook.h"
#include "books/CalendarRules.h"
#include "books/SearchIndex.h"
#include "engine/FieldText.h"
#include "engine/Session.h"
#include "engine/Table.h"
#include "engine/format/TableFile.h"

namespace {

using namespace torvelle;

const char* const kNames[] = {"Иванов", "Петров",   "Сидорова", "Smith",
                              "Miller", "Кузнецов", "Орлова",   "Brown"};

void fill(const std::filesystem::path& root, int tasks, int dates, int contacts) {
  format::OpenOptions options;
  options.writable = true;
  options.sync = false;
  const format::Date first = *engine::dayFromCivil(2026, 1, 1);
  auto taskFile = format::TableFile::open(root / "DB/Tasks/Tasks.db", options);
  const char* const weekdays[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
  for (int i = 0; i < tasks; ++i) {  // 10,000 tasks over a year: ~27 a day
    format::Record r{format::Date{first.day + i % 365}, format::Time{(i / 365) * 60'000},
                     "Задача номер " + std::to_string(i), i % 4 == 0, std::string("note")};
    if (i % 10 == 0) {  // one in ten repeats weekly, with exceptions to read
      r.resize(8);
      r[6] = std::string("FREQ=WEEKLY;BYDAY=") + weekdays[i % 7];
      r[7] = "EXDATE:202606" + std::to_string(101 + i % 28).substr(1) + "\nDONE:20260615";
    }
    taskFile->insert(r);
  }
  auto dateFile = format::TableFile::open(root / "DB/Dates/Dates.db", options);
  for (int i = 0; i < dates; ++i)
    dateFile->insert({"Section " + std::to_string(i % 20),
                      format::Date{engine::dayFromCivil(1950 + i % 60, 1, 1)->day + i % 365},
                      format::Time{i}, "Событие " + std::to_string(i), format::Value()});
  auto phoneFile = format::TableFile::open(root / "DB/Phones/Phones.db", options);
  for (int i = 0; i < contacts; ++i) {
    format::Record r(12);
    r[0] = "Раздел " + std::to_string(i % 30);
    r[1] = std::string(kNames[i % 8]) + " " + std::to_string(i);
    r[2] = "+7 495 " + std::to_string(1'000'000 + i);
    r[6] = std::string(i % 2 ? "Москва" : "Berlin");
    r[7] = "ул. Ленина, " + std::to_string(i % 200);
    r[10] = "person" + std::to_string(i) + "@example.org";
    phoneFile->insert(r);
  }
}

// The slowest of a few runs, in milliseconds.
template <class F>
double worstOf(int runs, F&& f) {
  double worst = 0;
  for (int i = 0; i < runs; ++i) worst = std::max(worst, bench::millis(f));
  return worst;
}

void runPlannerBench() {
  const auto app = bench::startGuiBench();
  const auto root = bench::newTablesFolder();
  fill(root, 10'000, 1'000, 100'000);
  engine::Session session;
  engine::Table tasks(session), dates(session), phones(session), links(session);
  tasks.setTableName(root / "DB/Tasks/Tasks.db");
  dates.setTableName(root / "DB/Dates/Dates.db");
  phones.setTableName(root / "DB/Phones/Phones.db");
  links.setTableName(root / "DB/Links/Links.db");
  for (engine::Table* t : {&tasks, &dates, &phones, &links}) t->open();

  // The calendar page as the window shows it, painted into an image.
  const print::TCalendarTexts texts;
  books::TCalendarBook page(tasks, dates, texts);
  page.resize(1000, 700);
  page.CalendarView->setChosenDay(QDate(2026, 6, 15));
  QImage image(page.CalendarView->size(), QImage::Format_ARGB32_Premultiplied);
  bench::report("calendar_read_10000_tasks_1000_dates",
                bench::millis([&] { books::calendarDataOf(tasks, dates); }), "ms");
  page.CalendarView->render(&image);  // the data read once, as after a change
  bench::report("calendar_month_repaint_10000_tasks_1000_dates",
                worstOf(10, [&] { page.CalendarView->render(&image); }), "ms");
  // Moving to the next month: the days and the series' occurrences found
  // for another span.
  std::vector<double> steps;
  steps.reserve(12);
  for (int i = 0; i < 12; ++i)
    steps.push_back(bench::millis([&] {
      page.CalendarView->moveMonths(1);
      page.CalendarView->render(&image);
    }));
  std::sort(steps.begin(), steps.end());
  bench::report("calendar_month_step_10000_tasks_1000_repeating_1000_dates_median",
                steps[steps.size() / 2], "ms");
  bench::report("calendar_month_step_10000_tasks_1000_repeating_1000_dates_max", steps.back(),
                "ms");
  page.WeekTB->click();
  bench::report("calendar_week_repaint_10000_tasks_1000_dates",
                worstOf(10, [&] { page.CalendarView->render(&image); }), "ms");

  books::SearchIndex index;
  bench::report("search_index_100000_contacts_10000_tasks", bench::millis([&] {
                  index.addBook(books::SearchBook::Tasks, tasks);
                  index.addBook(books::SearchBook::Phones, phones);
                  index.addBook(books::SearchBook::Dates, dates);
                  index.addBook(books::SearchBook::Links, links);
                }),
                "ms");
  // Typing "иванов" letter by letter, letter case ignored and kept.
  const std::string typed = "иванов";
  for (const bool ignoreCase : {true, false}) {
    double worst = 0;
    std::size_t found = 0;
    for (std::size_t n = 2; n <= typed.size(); n += 2) {  // whole letters
      worst = std::max(worst, bench::millis([&] {
                         found += index.search(typed.substr(0, n), ignoreCase, 200).hits.size();
                       }));
    }
    bench::report(ignoreCase ? "search_keystroke_ignore_case_110000_records"
                             : "search_keystroke_keep_case_110000_records",
                  worst, "ms");
    if (found == 0) std::printf("(nothing found)\n");
  }
  for (engine::Table* t : {&tasks, &dates, &phones, &links}) t->close();
  std::filesystem::remove_all(root);
}

const bench::Registration registration("planner", &runPlannerBench);

}  // namespace
