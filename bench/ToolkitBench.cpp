// The tasks page over 100,000 tasks: a keystroke in the search box (re-filter,
// model reset, first screen painted), scrolling to the end, and one edited
// row, offscreen.
#include <QApplication>
#include <QLocale>
#include <QScrollBar>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "BenchRegistry.h"
#include "GuiBench.h"
#include "books/TasksBook.h"
#include "engine/Session.h"
#include "engine/ShippedTables.h"
#include "store/TableSet.h"
#include "toolkit/EngineDates.h"

namespace torvelle::bench {
namespace {

void runToolkitBench() {
  const auto app = bench::startGuiBench();
  const std::filesystem::path root = bench::newTablesFolder();
  constexpr int kRows = 100000;
  bench::generateTasks(root, kRows);

  engine::Session session;
  session.setDisplayFormats(toolkit::localeDisplayFormats(QLocale(QLocale::Russian)));
  store::TTableSet tables(session, root);
  books::TMoveRecOnDateForm form;
  books::TTasksBook book(tables, form, [] { return false; });
  book.resize(632, 420);
  book.show();
  report("tasks_open_100k", millis([&] { tables.TaskTable.open(); }), "ms");
  book.setTaskMode(books::AllTasks);
  book.FilterSB->click();
  QApplication::processEvents();
  auto* grid = book.TaskDBGrid;
  const auto paint = [&] { grid->viewport()->repaint(); };

  // Each keystroke: the edit's change handler re-filters the table, the
  // model resets, and the grid paints its first screen.
  const char* const keys[] = {"b", "ba", "ban", "bank", "banks", "bank", "ban", "ba", "b", ""};
  std::vector<double> keystrokes;
  for (int round = 0; round < 3; ++round)
    for (const char* k : keys)
      keystrokes.push_back(millis([&] {
        book.TaskEdit->setText(QString::fromUtf8(k));
        paint();
      }));
  report("tasks_keystroke_refilter_paint_100k", medianOf(keystrokes), "ms");
  book.TaskEdit->setText("ba");
  reportKeystrokeParts("tasks", tables.TaskTable, paint);
  report("tasks_keystroke_refilter_paint_100k_max",
         *std::max_element(keystrokes.begin(), keystrokes.end()), "ms");
  book.RegisterSB->click();  // ignore case: the folding path
  std::vector<double> folded;
  for (const char* k : {"П", "По", "Поз", "Позв", "Поз", "По", "П", ""})
    folded.push_back(millis([&] {
      book.TaskEdit->setText(QString::fromUtf8(k));
      paint();
    }));
  report("tasks_keystroke_ignorecase_100k", medianOf(folded), "ms");

  std::vector<double> scrolls;
  for (int i = 0; i < 5; ++i) {
    grid->scrollToTop();
    paint();
    scrolls.push_back(millis([&] {
      grid->scrollToBottom();
      paint();
    }));
  }
  report("tasks_scroll_to_end_paint_100k", medianOf(scrolls), "ms");

  std::vector<double> pages;
  pages.reserve(50);
  grid->scrollToTop();
  for (int i = 0; i < 50; ++i)
    pages.push_back(millis([&] {
      grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->value() +
                                          grid->verticalScrollBar()->pageStep());
      paint();
    }));
  report("tasks_page_down_paint_100k", medianOf(pages), "ms");

  // One posted change: one row repainted, no reset.
  auto& t = tables.TaskTable;
  std::vector<double> posts;
  posts.reserve(5);
  for (std::size_t i = 0; i < 5; ++i) {
    t.moveTo(1000 + i);
    posts.push_back(millis([&] {
      t.edit();
      t.setField("Task", std::string("edited ") + std::to_string(i));
      t.post();
      paint();
    }));
  }
  report("tasks_edit_post_paint_100k", medianOf(posts), "ms");

  tables.PostAndCloseTables();
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
}

const Registration reg("toolkit", &runToolkitBench);

}  // namespace
}  // namespace torvelle::bench
