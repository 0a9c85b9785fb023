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

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

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
  report("tasks_keystroke_refilter_paint_100k", median(keystrokes), "ms");
  // Where a keystroke goes: the display rule alone over every record, the
  // engine's re-filter with a rule that costs nothing, and painting.
  auto& table = tables.TaskTable;
  book.TaskEdit->setText("ba");
  const auto rule = table.events().filterRecord;
  std::vector<double> ruleOnly, engineOnly, paintOnly;
  for (int round = 0; round < 5; ++round) {
    table.events().filterRecord = [](const engine::RecordView&) { return true; };
    engineOnly.push_back(millis([&] { table.setFiltered(true); }));
    ruleOnly.push_back(millis([&] {
      int passed = 0;
      for (std::size_t i = 0; i < table.rowCount(); ++i) passed += rule(table.row(i)) ? 1 : 0;
      if (passed < 0) std::abort();
    }));
    table.events().filterRecord = rule;
    table.setFiltered(true);
    paintOnly.push_back(millis(paint));
  }
  report("tasks_display_rule_100k", median(ruleOnly), "ms");
  report("tasks_refilter_trivial_rule_with_views_100k", median(engineOnly), "ms");
  report("tasks_paint_first_screen", median(paintOnly), "ms");
  report("tasks_keystroke_refilter_paint_100k_max",
         *std::max_element(keystrokes.begin(), keystrokes.end()), "ms");
  book.RegisterSB->click();  // ignore case: the folding path
  std::vector<double> folded;
  for (const char* k : {"П", "По", "Поз", "Позв", "Поз", "По", "П", ""})
    folded.push_back(millis([&] {
      book.TaskEdit->setText(QString::fromUtf8(k));
      paint();
    }));
  report("tasks_keystroke_ignorecase_100k", median(folded), "ms");

  std::vector<double> scrolls;
  for (int i = 0; i < 5; ++i) {
    grid->scrollToTop();
    paint();
    scrolls.push_back(millis([&] {
      grid->scrollToBottom();
      paint();
    }));
  }
  report("tasks_scroll_to_end_paint_100k", median(scrolls), "ms");

  std::vector<double> pages;
  pages.reserve(50);
  grid->scrollToTop();
  for (int i = 0; i < 50; ++i)
    pages.push_back(millis([&] {
      grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->value() +
                                          grid->verticalScrollBar()->pageStep());
      paint();
    }));
  report("tasks_page_down_paint_100k", median(pages), "ms");

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
  report("tasks_edit_post_paint_100k", median(posts), "ms");

  tables.PostAndCloseTables();
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
}

const Registration reg("toolkit", &runToolkitBench);

}  // namespace
}  // namespace torvelle::bench
