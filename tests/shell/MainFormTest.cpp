#include <QCheckBox>
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <string_view>
#include "toolkit/DBGrid.h"

#include "ModalScript.h"
#include "ShellFixture.h"
#include "books/TasksBook.h"
#include "engine/format/TableFile.h"
#include "shell/MainForm.h"
#include "shell/ToolsForm.h"
#include "shell/TrayNotifyIcon.h"
#include "shell/WindowPlacement.h"
#include "store/TableSet.h"
#include "store/dialogs/PasswordDlg.h"

using torvelle::shell::centredEdge;
using torvelle::shell::TMainForm;

namespace {

QList<QByteArray> settingLines(const QByteArray& text) {
  QList<QByteArray> lines;
  for (const QByteArray& line : text.split('\n'))
    if (!line.trimmed().isEmpty()) lines << line.trimmed();
  return lines;
}

QSize screenSize() {
  return QGuiApplication::primaryScreen()->geometry().size();
}

void pressKey(QWidget* target, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
}

ModalScript::Step answer(const QString& text) {
  return [text](QWidget* modal) {
    if (text.isEmpty()) return static_cast<QDialog*>(modal)->reject();
    QTest::keyClicks(modal->findChild<QLineEdit*>(QStringLiteral("PassEdit")), text);
    modal->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
  };
}

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT
 private slots:
  void missingSettingsFileGetsTheNineDefaults();
  void settingsAreRewrittenOnlyWhenTheOptionsSaySo();
  void storedPlaceIsAppliedOrCentred();
  void centringTruncatesTowardZero();
  void closeSavesAndHidesThenTrayReopens();
  void failedPostKeepsTheWindowOpen();
  void reopenAsksForThePasswordAgain();
  void cancelFromTrayStaysHiddenAndAsksAgainNextTime();
  void keysOfTheWindow();
  void f6InACellEditorOpensTheMoveDialog();
  void shutDownEndsTheLoopAndSavesThePlace();
  void halfTypedCellsSurviveCloseAndShutDown();
  void aFailedTrayOpenIsReportedAndTriedAgain();
};

void MainFormTest::missingSettingsFileGetsTheNineDefaults() {
  ShellFixture f;
  QVERIFY(f.start());
  const QList<QByteArray> expected{"[General]",
                                   "Show in TaskBar=1",
                                   "Show hints=1",
                                   "Language=English",
                                   "Save window position=0",
                                   "Save window size=0",
                                   "[Window]",
                                   "Left=-1",
                                   "Top=-1",
                                   "Width=648",
                                   "Height=474"};
  QCOMPARE(settingLines(f.ini()), expected);
  QCOMPARE(f.main().size(), QSize(648, 474));
  QCOMPARE(f.main().x(), centredEdge(screenSize().width(), 648));
  QCOMPARE(f.main().y(), centredEdge(screenSize().height(), 474));
  QCOMPARE(f.main().minimumSize(), QSize(510, 294));
  // The four notebooks and the calendar after them.
  QCOMPARE(f.main().MainPageControl->count(), 5);
  QCOMPARE(f.main().MainPageControl->currentWidget(), f.main().TasksBook);
}

void MainFormTest::settingsAreRewrittenOnlyWhenTheOptionsSaySo() {
  ShellFixture f;
  // An existing file is read, never re-created; loading writes nothing.
  const QByteArray stored =
      "; mine\n[General]\nShow in TaskBar=0\nShow hints=0\nLanguage=English\n"
      "Save window position=0\n"
      "Save window size=1\n[Window]\nLeft=10\nTop=20\nWidth=600\nHeight=400\n";
  f.writeIni(stored);
  QVERIFY(f.start());
  QCOMPARE(f.ini(), stored);
  QVERIFY(!f.startup->toolsForm()->ShowInTaskBarCB->isChecked());
  QVERIFY(!f.startup->toolsForm()->ShowHintsCB->isChecked());
  QVERIFY(!f.main().hasMinimizeButton());

  f.main().move(30, 40);
  f.main().resize(700, 500);
  f.startup.reset();
  const QByteArray after = f.ini();
  // Size on, position off.
  QVERIFY(after.contains("Width=700"));
  QVERIFY(after.contains("Height=500"));
  QVERIFY(after.contains("Left=10"));
  QVERIFY(after.contains("Top=20"));
  QVERIFY(after.startsWith("; mine\n"));
}

void MainFormTest::storedPlaceIsAppliedOrCentred() {
  ShellFixture f;
  f.writeIni("[Window]\nLeft=-1\nTop=200\nWidth=100\nHeight=100\n");
  QVERIFY(f.start());
  // One negative edge is taken as it is; the size keeps to the minimum.
  QCOMPARE(f.main().pos(), QPoint(-1, 200));
  QCOMPARE(f.main().size(), QSize(510, 294));
}

void MainFormTest::centringTruncatesTowardZero() {
  QCOMPARE(centredEdge(800, 803), -1);
  QCOMPARE(centredEdge(800, 801), 0);
  QCOMPARE(centredEdge(801, 648), 76);

  ShellFixture f;
  const QSize screen = screenSize();
  f.writeIni(QStringLiteral("[Window]\nLeft=-5\nTop=-1\nWidth=%1\nHeight=%2\n")
                 .arg(screen.width() + 3)
                 .arg(screen.height() + 5)
                 .toLatin1());
  QVERIFY(f.start());
  QCOMPARE(f.main().pos(), QPoint(-1, -2));
}

void MainFormTest::closeSavesAndHidesThenTrayReopens() {
  ShellFixture f;
  QVERIFY(f.start());
  TMainForm& main = f.main();
  auto& tasks = main.Tables().TaskTable;
  tasks.append();
  tasks.setFieldText("Task", "Call the plumber");

  main.ExitTBClick();
  QVERIFY(!main.isVisible());
  for (auto* table : main.Tables().openOrder()) QVERIFY(!table->isOpen());
  QVERIFY(main.session().passwords().empty());

  main.OpenItemClick();
  QVERIFY(main.isVisible());
  QVERIFY(tasks.isOpen());
  QCOMPARE(tasks.recordCount(), std::size_t{1});
  tasks.first();
  QCOMPARE(QString::fromStdString(tasks.fieldText("Task")), QStringLiteral("Call the plumber"));

  // Open already: the tray changes nothing, not even a closed detail table.
  main.Tables().LinksTable.close();
  main.TrayNotifyIconDblClick();
  QVERIFY(!main.Tables().LinksTable.isOpen());
}

void MainFormTest::failedPostKeepsTheWindowOpen() {
  ShellFixture f;
  QVERIFY(f.start());
  TMainForm& main = f.main();
  auto& tasks = main.Tables().TaskTable;
  for (const char* text : {"first", "same key"}) {
    tasks.append();
    tasks.setField("Date", torvelle::format::Date{739000});
    tasks.setField("Time", torvelle::format::Time{3600000});
    tasks.setFieldText("Task", text);
    if (std::string_view(text) == "first") tasks.post();
  }
  main.close();
  // The record the user typed is not thrown away behind a hidden window.
  QCOMPARE(f.errors.size(), qsizetype(1));
  QVERIFY(main.isVisible());
  QVERIFY(tasks.isOpen());
  QVERIFY(tasks.modified());
  QVERIFY(main.Tables().LinksTable.isOpen());
  tasks.cancel();
  main.close();
  QVERIFY(!main.isVisible());
}

void MainFormTest::reopenAsksForThePasswordAgain() {
  ShellFixture f;
  protectTables(f.root(), "pw");
  ModalScript script;
  script.then(answer("pw"));
  QVERIFY(f.start());
  QVERIFY(f.main().Tables().TaskTable.isOpen());
  f.main().close();
  QVERIFY(f.main().session().passwords().empty());

  script.then(answer("x")).then(answer("pw"));
  f.main().OpenFromTray();
  QVERIFY(script.done());
  QVERIFY(f.main().isVisible());
  QCOMPARE(int(f.startup->passwordDlg()->PromptCount), 2);
}

void MainFormTest::cancelFromTrayStaysHiddenAndAsksAgainNextTime() {
  ShellFixture f;
  protectTables(f.root(), "pw");
  QVERIFY(f.start({"-h"}));
  ModalScript script;
  script.then(answer(QString()));
  f.main().OpenFromTray();
  QVERIFY(script.done());
  QVERIFY(!f.main().isVisible());
  QVERIFY(!f.main().Tables().TaskTable.isOpen());

  // Three more tries: the count starts again with every opening.
  script.then(answer("a")).then(answer("b")).then(answer("pw"));
  f.main().OpenFromTray();
  QVERIFY(script.done());
  QVERIFY(f.main().isVisible());
  QVERIFY(f.main().Tables().LinksTable.isOpen());
}

void MainFormTest::keysOfTheWindow() {
  ShellFixture f;
  QVERIFY(f.start());
  TMainForm& main = f.main();
  // The keys are the active window's shortcuts.
  QVERIFY(QTest::qWaitForWindowActive(&main));
  QList<int> moved;
  for (int page = 0; page < 4; ++page)
    main.PageMoveCommands[page] = [&moved, page] { moved << page; };
  main.MainPageControl->setCurrentIndex(TMainForm::PhonesPage);
  pressKey(&main, Qt::Key_F6);
  main.MainPageControl->setCurrentIndex(TMainForm::LinksPage);
  pressKey(main.MainPageControl, Qt::Key_F6);
  QCOMPARE(moved, (QList<int>{TMainForm::PhonesPage, TMainForm::LinksPage}));

  pressKey(&main, Qt::Key_Escape);
  QVERIFY(!main.isVisible());
  QVERIFY(!main.Tables().TaskTable.isOpen());
}

// F6 reaches the window even from an open cell editor, and runs the page's
// real move command on the selected task.
void MainFormTest::f6InACellEditorOpensTheMoveDialog() {
  ShellFixture f;
  QVERIFY(f.start());
  TMainForm& main = f.main();
  QVERIFY(QTest::qWaitForWindowActive(&main));
  auto& tasks = main.Tables().TaskTable;
  tasks.append();
  tasks.setFieldText("Task", "Errand");
  tasks.post();
  auto* grid = main.TasksBook->TaskDBGrid;
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                    grid->visualRect(grid->tableModel().index(0, 0)).center());
  QCOMPARE(grid->SelectedRows().Count(), 1);
  QTest::keyClicks(grid, QStringLiteral("x"));
  QWidget* editor = QApplication::focusWidget();
  QVERIFY(qobject_cast<QLineEdit*>(editor));
  QString opened;
  ModalScript script;
  script.then([&opened](QWidget* modal) {
    opened = modal->objectName();
    static_cast<QDialog*>(modal)->reject();
  });
  QTest::keyClick(editor, Qt::Key_F6);
  QVERIFY(script.done());
  QCOMPARE(opened, QStringLiteral("MoveRecOnDateForm"));
}

void MainFormTest::shutDownEndsTheLoopAndSavesThePlace() {
  ShellFixture f;
  QVERIFY(f.start());
  f.startup->toolsForm()->SaveWindowPositionCB->setChecked(true);
  QVERIFY(settingLines(f.ini()).contains("Save window position=1"));
  f.main().move(12, 34);
  QTimer::singleShot(0, &f.main(), [&f] { f.main().ShutDownItem->trigger(); });
  QCOMPARE(f.startup->run(), 0);
  QVERIFY(f.startup->terminateRequested());
  auto& tasks = f.main().Tables().TaskTable;
  QVERIFY(tasks.isOpen());
  f.startup.reset();
  const QList<QByteArray> lines = settingLines(f.ini());
  QVERIFY(lines.contains("Left=12"));
  QVERIFY(lines.contains("Top=34"));
  QVERIFY(lines.contains("Width=648"));
}

void MainFormTest::halfTypedCellsSurviveCloseAndShutDown() {
  ShellFixture f;
  QVERIFY(f.start());
  TMainForm& main = f.main();
  QVERIFY(QTest::qWaitForWindowActive(&main));
  auto* grid = main.TasksBook->TaskDBGrid;
  const auto typeNewTask = [grid](const QString& text) {
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Insert);
    for (const QChar c : text) QTest::keyClicks(QApplication::focusWidget(), QString(c));
  };
  // Esc reaches the window first: it closes to the tray with the cell open.
  typeNewTask("Half typed");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  QVERIFY(!main.isVisible());
  main.OpenFromTray();
  QVERIFY(QTest::qWaitForWindowActive(&main));
  auto& tasks = main.Tables().TaskTable;
  QCOMPARE(tasks.rowCount(), std::size_t{1});
  QCOMPARE(tasks.row(0).text("Task"), std::string_view("Half typed"));

  typeNewTask("Typed at shut-down");
  QTimer::singleShot(0, &main, [&main] { main.ShutDownItem->trigger(); });
  QCOMPARE(f.startup->run(), 0);
  f.startup.reset();
  std::vector<std::string> stored;
  for (const auto& r :
       torvelle::format::TableFile::open(f.root() / "DB/Tasks/Tasks.db", {})->readAll())
    stored.push_back(std::get<std::string>(r[2]));
  QCOMPARE(stored.size(), std::size_t{2});
  QVERIFY(std::find(stored.begin(), stored.end(), "Typed at shut-down") != stored.end());
  QVERIFY(f.errors.isEmpty());
}

void MainFormTest::aFailedTrayOpenIsReportedAndTriedAgain() {
  ShellFixture f;
  QVERIFY(f.start({"-h"}));
  const std::filesystem::path links = f.root() / "DB/Links/Links.db";
  std::filesystem::rename(links, f.root() / "Links.db.away");
  f.main().OpenFromTray();
  QVERIFY(!f.main().isVisible());
  QCOMPARE(f.errors.size(), qsizetype(1));
  QVERIFY(f.errors.first().contains("Links.db"));
  // What had opened is closed again, so the next try is a whole open.
  for (auto* table : f.main().Tables().openOrder()) QVERIFY(!table->isOpen());
  std::filesystem::rename(f.root() / "Links.db.away", links);
  f.main().OpenFromTray();
  QVERIFY(f.main().isVisible());
  QVERIFY(f.main().Tables().LinksTable.isOpen());
  QCOMPARE(f.errors.size(), qsizetype(1));
}

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
