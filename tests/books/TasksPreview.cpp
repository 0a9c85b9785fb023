// Shows the tasks page with a few dozen tasks in a window of the main
// window's default size, for looking at it under a real display:
//   books_tasks_preview [day|all] [max] [move] [repeat] [seconds]
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <exception>

#include "TaskFixture.h"
#include "books/TasksBook.h"

using namespace torvelle;

namespace {

int preview(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  const bool allTasks = args.contains("all");
  const bool maximised = args.contains("max");
  const int seconds = args.size() > 1 && args.last().toInt() > 0 ? args.last().toInt() : 20;

  const QDate today = QDate::currentDate();
  std::vector<testing::SeedTask> tasks;
  const char* const texts[] = {"Позвонить в банк",      "Купить хлеб и молоко", "Встреча с Анной",
                               "Отправить отчёт",       "Оплатить интернет",    "Забрать посылку",
                               "Prepare the slides",    "Call the plumber",     "Спортзал",
                               "Написать письмо Ивану", "Dentist appointment",  "Полить цветы"};
  for (int i = 0; i < 36; ++i) {
    const QDate day = today.addDays(i % 3 == 0 ? 0 : (i % 5) - 2);
    tasks.push_back({day, QTime(8 + i % 12, (i * 7) % 60, (i * 13) % 60), texts[i % 12], i % 4 == 1,
                     i % 3 == 0 ? "Подробности задачи номер " + std::to_string(i) : ""});
  }
  testing::TaskTables data(tasks);
  // Repeating ones too, begun a fortnight ago.
  if (args.contains("repeat")) {
    testing::seedRepeatingTask(data.dir.path(),
                               {today.addDays(-14), QTime(7, 30), "Standup", false, {}},
                               "FREQ=WEEKLY;BYDAY=MO,TU,WE,TH,FR");
    testing::seedRepeatingTask(data.dir.path(),
                               {today.addDays(-14), QTime(18, 0), "Gym", false, {}},
                               "FREQ=DAILY;INTERVAL=2");
  }
  books::TMoveRecOnDateForm form;
  QWidget window;
  window.setWindowTitle("Organizer <Torvelle>");
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(8, 8, 8, 8);
  books::TTasksBook book(
      *data.tables, form, [] { return false; }, &window);
  layout->addWidget(&book);
  book.setViewedDay(today);
  book.SyncDayTab();
  data.tables->OpenTables();
  window.resize(648, 474);
  // Without a window manager a maximised window is one that fills the screen.
  if (maximised) window.setGeometry(window.screen()->availableGeometry());
  window.show();
  if (allTasks) book.setTaskMode(books::AllTasks);
  if (args.contains("move"))
    QTimer::singleShot(700, &book, [&] {
      auto& t = data.tables->TaskTable;
      if (t.rowCount() == 0) return;
      t.moveTo(0);
      book.TaskDBGrid->SelectedRows().add(t.bookmark());
      book.TasksMoveTBClick();
    });
  QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
  return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return preview(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
