#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>
#include <cstdlib>
#include <filesystem>

#include "engine/DataSource.h"
#include "engine/DbError.h"
#include "engine/Session.h"
#include "engine/ShippedTables.h"
#include "engine/Table.h"
#include "engine/format/TableFile.h"
#include "toolkit/Confirm.h"
#include "toolkit/DBCheckBox.h"
#include "toolkit/DBEdit.h"
#include "toolkit/DBGrid.h"
#include "toolkit/DBMemo.h"
#include "toolkit/DBNavigator.h"
#include "toolkit/EngineDates.h"
#include "toolkit/ErrorBox.h"

using namespace torvelle;
using toolkit::TDBGrid;
using toolkit::TDBNavigator;

namespace {

// A Tasks table of `n` rows ("task 0" ...) in a fresh folder, one a minute
// on one day, opened through the engine with a data source.
struct Tasks {
  explicit Tasks(int n) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "torvelle-toolkit-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    dir = pattern;
    engine::createShippedTables(dir);
    format::OpenOptions options;
    options.writable = true;
    options.sync = false;
    {
      auto file = format::TableFile::open(dir / "DB/Tasks/Tasks.db", options);
      for (int i = 0; i < n; ++i)
        file->insert({format::Date{738000}, format::Time{i * 60000},
                      std::string("task ") + std::to_string(i), false, std::monostate{}});
    }
    table.setTableName(dir / "DB/Tasks/Tasks.db");
    table.setIndexFieldNames("Date;Time");
    table.open();
  }
  ~Tasks() {
    table.close();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::filesystem::path dir;
  engine::Session session;
  engine::Table table{session};
  engine::DataSource source{"TaskDataSource", &table};
};

QVector<toolkit::TColumn> taskColumns() {
  return {{"Task", "Task"}, {"Time", "Time"}, {"Date", "Date"}};
}

std::string taskAt(engine::Table& t, std::size_t row) {
  return std::string(t.row(row).text("Task"));
}

}  // namespace

class DataWidgetsTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    errors.clear();
    questions.clear();
    toolkit::ErrorBox::setSink([this](const QString& m) { errors << m; });
    toolkit::Confirm::setAnswer([this](const QString& q) {
      questions << q;
      return answer;
    });
    answer = true;
  }
  void cleanup() {
    toolkit::ErrorBox::setSink({});
    toolkit::Confirm::setAnswer({});
  }

  void modelSignalsAreFineGrained() {
    Tasks d(5);
    toolkit::TTableModel model;
    model.setColumns(taskColumns());
    model.setDataSource(&d.source);
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.index(3, 0).data().toString(), QString("task 3"));
    QCOMPARE(model.index(3, 1).data().toString(), QString("00:03:00"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

    // Editing one row repaints that row only, never the whole table.
    d.table.moveTo(2);
    d.table.edit();
    d.table.setField("Task", std::string("changed"));
    changed.clear();
    d.table.post();
    QCOMPARE(reset.count(), 0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].toModelIndex().row(), 2);
    QCOMPARE(changed[0][1].toModelIndex().row(), 2);
    QCOMPARE(model.index(2, 0).data().toString(), QString("changed"));

    // A new row at the end, dropped again by cancel.
    changed.clear();
    d.table.append();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted[0][1].toInt(), 5);
    QCOMPARE(model.rowCount(), 6);
    d.table.cancel();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(reset.count(), 0);

    // A post that moves the record in the index order: remove and insert.
    inserted.clear();
    removed.clear();
    d.table.moveTo(0);
    d.table.edit();
    d.table.setField("Time", format::Time{10 * 60000});
    d.table.post();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(model.index(4, 0).data().toString(), QString("task 0"));

    // A re-filter may change every row: one reset.
    d.table.events().filterRecord = [](const engine::RecordView& r) {
      return r.text("Task").find('3') != std::string_view::npos;
    };
    d.table.setFiltered(true);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.index(0, 0).data().toString(), QString("task 3"));
  }

  void gridAndTableShareTheCurrentRow() {
    Tasks d(6);
    TDBGrid grid;
    grid.setColumns(taskColumns());
    grid.setDataSource(&d.source);
    grid.resize(400, 300);
    d.table.moveTo(4);
    QCOMPARE(grid.currentIndex().row(), 4);
    grid.setCurrentIndex(grid.tableModel().index(1, 0));
    QCOMPARE(*d.table.currentRow(), std::size_t(1));
    // Hidden columns and widths survive the table's resets.
    grid.setGridColumnWidth(0, 123);
    grid.setGridColumnVisible(2, false);
    d.table.setFiltered(true);
    QVERIFY(grid.isColumnHidden(2));
    QCOMPARE(grid.columnWidth(0), 123);
  }

  void selectionRulesOfTheGrid() {
    Tasks d(6);
    TDBGrid grid;
    grid.setColumns(taskColumns());
    grid.setDataSource(&d.source);
    grid.resize(400, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    auto* vp = grid.viewport();
    const auto at = [&](int row) {
      return grid.visualRect(grid.tableModel().index(row, 0)).center();
    };
    const auto rows = [&] {
      QList<int> out;
      for (const engine::Bookmark& b : grid.SelectedRows().bookmarks())
        out << static_cast<int>(*d.table.rowOfBookmark(b));
      return out;
    };
    QTest::mousePress(vp, Qt::LeftButton, {}, at(4));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, at(4));
    QCOMPARE(rows(), QList<int>({4}));
    QCOMPARE(*d.table.currentRow(), std::size_t(4));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, at(1));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, at(2));
    QCOMPARE(rows(), QList<int>({1, 2, 4}));  // the table's order, not the clicks'
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, at(4));
    QCOMPARE(rows(), QList<int>({1, 2}));
    QVERIFY(grid.tableModel().index(1, 0).data(Qt::BackgroundRole).isValid());
    QVERIFY(!grid.tableModel().index(3, 0).data(Qt::BackgroundRole).isValid());
    // Any button selects the row alone.
    QTest::mouseClick(vp, Qt::RightButton, {}, at(3));
    QCOMPARE(rows(), QList<int>({3}));
    QCOMPARE(*d.table.currentRow(), std::size_t(3));
    // The keyboard moves the selection as a click does; Shift extends it.
    QTest::keyClick(&grid, Qt::Key_Up);
    QCOMPARE(rows(), QList<int>({2}));
    QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(rows(), QList<int>({2, 3}));
    QTest::keyClick(&grid, Qt::Key_PageDown);
    QCOMPARE(rows(), QList<int>({5}));
    QTest::mouseClick(vp, Qt::LeftButton, {}, at(0));
    QTest::keyClick(&grid, Qt::Key_Escape);
    QCOMPARE(rows(), QList<int>());
    // A selected record that is deleted drops out of the selection.
    QTest::mouseClick(vp, Qt::LeftButton, {}, at(0));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, at(5));
    d.table.moveTo(5);
    d.table.remove();
    QCOMPARE(rows(), QList<int>({0}));
  }

  void deletionIsConfirmed() {
    Tasks d(5);
    TDBGrid grid;
    grid.setColumns(taskColumns());
    grid.setDataSource(&d.source);
    d.table.moveTo(1);
    answer = false;
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(questions, QStringList({"Delete record?"}));
    QCOMPARE(d.table.rowCount(), std::size_t(5));
    answer = true;
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(d.table.rowCount(), std::size_t(4));
    QCOMPARE(taskAt(d.table, 1), std::string("task 2"));
    // Two selected: both go, after the other question.
    d.table.moveTo(0);
    grid.SelectedRows().add(d.table.bookmark());
    d.table.moveTo(3);
    grid.SelectedRows().add(d.table.bookmark());
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(questions.last(), QString("Delete all selected records?"));
    QCOMPARE(d.table.rowCount(), std::size_t(2));
    QCOMPARE(taskAt(d.table, 0), std::string("task 2"));
    QCOMPARE(taskAt(d.table, 1), std::string("task 3"));
    QCOMPARE(grid.SelectedRows().Count(), 0);
  }

  void inPlaceEditingAndLeavingAnUntouchedNewRow() {
    Tasks d(3);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* grid = new TDBGrid(&window);
    auto* other = new QLineEdit(&window);
    layout->addWidget(grid);
    layout->addWidget(other);
    grid->setColumns(taskColumns());
    grid->setDataSource(&d.source);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    grid->setFocus();
    // Typing into a cell edits the record; moving off the row posts it.
    QVERIFY(grid->tableModel().setData(grid->tableModel().index(1, 0), "typed", Qt::EditRole));
    QCOMPARE(d.table.state(), engine::TableState::Edit);
    grid->setCurrentIndex(grid->tableModel().index(2, 0));
    QCOMPARE(d.table.state(), engine::TableState::Browse);
    QCOMPARE(taskAt(d.table, 1), std::string("typed"));
    // Insert key: a new row; leaving the grid untouched drops it.
    QTest::keyClick(grid, Qt::Key_Insert);
    QCOMPARE(d.table.state(), engine::TableState::Insert);
    QCOMPARE(d.table.rowCount(), std::size_t(4));
    other->setFocus();
    QCOMPARE(d.table.state(), engine::TableState::Browse);
    QCOMPARE(d.table.rowCount(), std::size_t(3));
    // Typed into, it stays to be posted.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Insert);
    d.table.setField("Time", format::Time{3600000});
    other->setFocus();
    QCOMPARE(d.table.state(), engine::TableState::Insert);
    QVERIFY(errors.isEmpty());
  }

  void rowsComingAndGoingLeaveTheCursorToTheTable() {
    // The same answers as the engine gives without a grid.
    Tasks d(5);
    TDBGrid grid;
    grid.setColumns(taskColumns());
    grid.setDataSource(&d.source);
    grid.resize(400, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    d.table.moveTo(2);
    d.table.remove();
    QCOMPARE(taskAt(d.table, *d.table.currentRow()), std::string("task 3"));
    d.table.moveTo(1);
    d.table.append();
    d.table.cancel();
    QCOMPARE(taskAt(d.table, *d.table.currentRow()), std::string("task 1"));
    QCOMPARE(grid.currentIndex().row(), 1);
  }

  void typedCellTextIsKeptAndLimited() {
    Tasks d(2);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* grid = new TDBGrid(&window);
    layout->addWidget(grid);
    grid->setColumns(taskColumns());
    grid->setDataSource(&d.source);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    grid->setFocus();
    const auto type = [](const QString& text) {
      for (const QChar c : text) {
        QWidget* to = QApplication::focusWidget();
        if (c.unicode() < 128) {
          QTest::keyClicks(to, QString(c));
          continue;
        }
        // QTest spells only ASCII keys; others come as text, as an input method sends them.
        QTest::sendKeyEvent(QTest::Press, to, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, to, Qt::Key_unknown, QString(c), Qt::NoModifier);
      }
    };
    const auto onDisk = [&](const std::string& task) {
      for (const auto& r : format::TableFile::open(d.dir / "DB/Tasks/Tasks.db", {})->readAll())
        if (std::get_if<std::string>(&r[2]) && std::get<std::string>(r[2]) == task) return true;
      return false;
    };
    const auto rowOf = [&](const std::string& task) {
      for (std::size_t i = 0; i < d.table.rowCount(); ++i)
        if (taskAt(d.table, i) == task) return static_cast<int>(i);
      return -1;
    };
    // A half-typed new task, never committed by leaving the cell, is in
    // the record when the table is asked to end its edit (a close does).
    QTest::keyClick(grid, Qt::Key_Insert);
    type("Half typed");
    QVERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    d.table.checkBrowseMode();
    QCOMPARE(d.table.state(), engine::TableState::Browse);
    QVERIFY(onDisk("Half typed"));
    // Typing over an existing task makes it pending from the first key.
    grid->setFocus();
    grid->setCurrentIndex(grid->tableModel().index(rowOf("task 0"), 0));
    type("Over");
    QCOMPARE(d.table.state(), engine::TableState::Edit);
    d.table.post();
    QVERIFY(onDisk("Over"));

    // The editor stops at the field's 70 characters.
    grid->setFocus();
    grid->setCurrentIndex(grid->tableModel().index(rowOf("task 1"), 0));
    type(QString(75, 'x'));
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    QCOMPARE(editor->text().size(), 70);
    QTest::keyClick(editor, Qt::Key_Escape);
    d.table.cancel();

    // A character the code page lacks: one message naming it, and the text
    // stays in the open editor to be mended.
    grid->setFocus();
    grid->setCurrentIndex(grid->tableModel().index(rowOf("task 1"), 0));
    type(QStringLiteral("ab\u03A9"));
    editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("ab\u03A9"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(errors.size(), 1);  // the delegate commits on Return from the event loop
    QVERIFY(errors.first().contains(QStringLiteral("\u03A9")) || errors.first().contains("U+03A9"));
    QCOMPARE(qobject_cast<QLineEdit*>(QApplication::focusWidget()), editor);
    QCOMPARE(editor->text(), QStringLiteral("ab\u03A9"));
    QVERIFY_THROWS_EXCEPTION(engine::DbError, d.table.post());
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    d.table.post();
    QCOMPARE(errors.size(), 1);
    QVERIFY(onDisk("ab"));

    // The same in a new row, with the message in a window of its own as the
    // program shows it: the focus leaving for it is no leaving of the grid.
    toolkit::ErrorBox::setSink([&](const QString& m) {
      errors << m;
      QLineEdit box;
      box.show();
      box.setFocus();  // its own focus, taken when it becomes active
      // As the window system hands activation over: focus goes straight
      // from the cell editor to the box.
      QApplication::setActiveWindow(&box);
      QCOMPARE(QApplication::focusWidget(), &box);
    });
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Insert);
    type(QStringLiteral("cd\u03A9"));
    QVERIFY(!d.table.modified());  // the text is in the editor only
    editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(errors.size(), 2);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(d.table.state(), engine::TableState::Insert);
    QCOMPARE(editor->text(), QStringLiteral("cd\u03A9"));
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    d.table.setField("Time", format::Time{7200000});  // a key of its own
    d.table.post();
    QVERIFY(onDisk("cd"));
  }

  void aRefusedPostKeepsTheGridOnTheRecord() {
    Tasks d(3);
    TDBGrid grid;
    grid.setColumns(taskColumns());
    grid.setDataSource(&d.source);
    d.table.moveTo(2);
    QTest::keyClick(&grid, Qt::Key_Down);  // past the last row: a new record
    QCOMPARE(d.table.state(), engine::TableState::Insert);
    const int pending = static_cast<int>(*d.table.currentRow());
    d.table.setField("Date", format::Date{738000});
    QVERIFY(grid.tableModel().setData(grid.tableModel().index(pending, 1), "00:01:00",
                                      Qt::EditRole));  // the key of "task 1"
    grid.setCurrentIndex(grid.tableModel().index(0, 0));
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors.first().contains("Key violation", Qt::CaseInsensitive));
    QCOMPARE(d.table.state(), engine::TableState::Insert);
    QCOMPARE(grid.currentIndex().row(), pending);
    QCOMPARE(*d.table.currentRow(), std::size_t(pending));
    // Mended, it goes in.
    QVERIFY(
        grid.tableModel().setData(grid.tableModel().index(pending, 1), "00:07:00", Qt::EditRole));
    grid.setCurrentIndex(grid.tableModel().index(0, 0));
    QCOMPARE(d.table.state(), engine::TableState::Browse);
    QCOMPARE(d.table.rowCount(), std::size_t(4));
    QCOMPARE(errors.size(), 1);
  }

  void navigatorEnablesWhatCanAct() {
    Tasks d(3);
    TDBNavigator nav;
    const auto enabled = [&] {
      QString s;
      for (int b = 0; b < TDBNavigator::kButtons; ++b)
        s += nav.button(static_cast<TDBNavigator::Button>(b))->isEnabled() ? '1' : '0';
      return s;
    };
    QCOMPARE(enabled(), QString("000000000"));  // no source
    nav.setDataSource(&d.source);
    //                  F P N L I D E P C
    QCOMPARE(enabled(), QString("001111100"));
    nav.BtnClick(TDBNavigator::Last);
    QCOMPARE(enabled(), QString("110011100"));
    nav.BtnClick(TDBNavigator::Prior);
    QCOMPARE(enabled(), QString("111111100"));
    nav.BtnClick(TDBNavigator::Edit);
    QCOMPARE(enabled(), QString("111111011"));
    nav.BtnClick(TDBNavigator::Cancel);
    answer = true;
    nav.BtnClick(TDBNavigator::Delete);
    QCOMPARE(questions, QStringList({"Delete record?"}));
    QCOMPARE(d.table.rowCount(), std::size_t(2));
    nav.BtnClick(TDBNavigator::Delete);
    nav.BtnClick(TDBNavigator::Delete);
    QCOMPARE(d.table.rowCount(), std::size_t(0));
    QCOMPARE(enabled(), QString("000010100"));  // empty: insert, edit appends
    d.table.close();
    QCOMPARE(enabled(), QString("000000000"));
    const QStringList hints = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
    nav.setHints(hints);
    QCOMPARE(nav.hints(), hints);
  }

  // The formatters remember recent texts: values that share a memo slot, a
  // value shown again, and a copy of the formatter all give Qt's own text.
  void localeFormatsGiveQtsTextForEveryValue() {
    const QLocale locale(QLocale::German);
    const engine::DisplayFormats formats = toolkit::localeDisplayFormats(locale);
    const engine::DisplayFormats copy = formats;
    const QString dateFormat = toolkit::shortDateFormat(locale);
    const QString timeFormat = toolkit::timeWithSecondsFormat(locale);
    const std::int32_t day = toolkit::fromQDate(QDate(2026, 12, 9)).day;
    for (const std::int32_t offset : {0, 251, 0, 1, 502, 251, -251, 0}) {
      const format::Date d{day + offset};
      const std::string expected = locale.toString(toolkit::toQDate(d), dateFormat).toStdString();
      QCOMPARE(formats.dateText(d), expected);
      QCOMPARE(copy.dateText(d), expected);
    }
    for (const std::int32_t msec : {0, 251, 0, 60000, 60251, 251, 86399000}) {
      const format::Time t{msec};
      QCOMPARE(formats.timeText(t), locale.toString(toolkit::toQTime(t), timeFormat).toStdString());
    }
  }

  void fieldControlsWriteTheCurrentRecord() {
    Tasks d(2);
    toolkit::TDBMemo memo;
    memo.setDataSource(&d.source);
    memo.setDataField("Description");
    toolkit::TDBCheckBox done("Done");
    done.setDataSource(&d.source);
    done.setDataField("Done");
    QVERIFY(!done.isChecked());
    done.click();
    QCOMPARE(d.table.state(), engine::TableState::Edit);
    QVERIFY(d.table.boolField("Done"));
    memo.setPlainText("line one\n\tline two");
    QCOMPARE(d.table.fieldText("Description"), std::string("line one\n\tline two"));
    d.table.post();
    d.table.next();
    QVERIFY(!done.isChecked());
    QCOMPARE(memo.toPlainText(), QString());
    d.table.prior();
    QVERIFY(done.isChecked());
    QCOMPARE(memo.toPlainText(), QString("line one\n\tline two"));
    // A cancel shows the stored value again.
    done.click();
    QVERIFY(!done.isChecked());
    d.table.cancel();
    QVERIFY(done.isChecked());

    // A text field takes each keystroke; a time only when the edit is done,
    // and a time that does not parse is refused and the stored one shown.
    toolkit::TDBEdit task;
    task.setDataSource(&d.source);
    task.setDataField("Task");
    toolkit::TDBEdit time;
    time.setDataSource(&d.source);
    time.setDataField("Time");
    QCOMPARE(time.text(), QString("00:00:00"));
    task.selectAll();
    QTest::keyClicks(&task, "new");
    QCOMPARE(d.table.fieldText("Task"), std::string("new"));
    time.selectAll();
    QTest::keyClicks(&time, "12:34");
    QCOMPARE(d.table.fieldText("Time"), std::string("00:00:00"));
    QTest::keyClick(&time, Qt::Key_Return);
    QCOMPARE(d.table.fieldText("Time"), std::string("12:34:00"));
    time.selectAll();
    QTest::keyClicks(&time, "99:99");
    QTest::keyClick(&time, Qt::Key_Return);
    QCOMPARE(errors.size(), 1);
    QCOMPARE(time.text(), QString("12:34:00"));
    d.table.post();  // the new time moves it after "task 1"; the cursor follows
    QCOMPARE(taskAt(d.table, 1), std::string("new"));
    QCOMPARE(task.text(), QString("new"));

    // The edit stops at the field's size; a character the code page lacks
    // is named once and stays typed, and the post it would spoil is refused.
    QCOMPARE(task.maxLength(), 70);
    task.end(false);
    QTest::sendKeyEvent(QTest::Click, &task, Qt::Key_unknown, QStringLiteral("\u03A9"), {});
    QTest::keyClicks(&task, "x");
    QCOMPARE(errors.size(), 2);
    QVERIFY(errors.last().contains("U+03A9"));
    QCOMPARE(task.text(), QStringLiteral("new\u03A9x"));
    QVERIFY_THROWS_EXCEPTION(engine::DbError, d.table.post());
    QCOMPARE(task.text(), QStringLiteral("new\u03A9x"));
  }

 private:
  QStringList errors;
  QStringList questions;
  bool answer = true;
};

QTEST_MAIN(DataWidgetsTest)
#include "DataWidgetsTest.moc"
