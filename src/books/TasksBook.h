#pragma once
#include <QButtonGroup>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <array>
#include <chrono>
#include <functional>
#include <optional>

#include "books/MoveRecOnDate.h"
#include "books/PageExchange.h"
#include "books/RepeatTexts.h"
#include "books/TaskRepeats.h"
#include "books/TaskRules.h"
#include "store/TableSet.h"
#include "support/Clock.h"
#include "toolkit/DBCheckBox.h"
#include "toolkit/DBGrid.h"
#include "toolkit/DBMemo.h"
#include "toolkit/DBNavigator.h"
#include "toolkit/FilterRow.h"

namespace torvelle::books {

// The daily tasks page: a day picker, spin arrows and week-day tabs, five
// display modes, a text filter over task, time and date, the tasks grid with
// its description memo, done check box and navigator, and moving the
// selected tasks to another day. It fills in the task table's filter and
// new-record hooks for as long as it lives.
class TTasksBook : public QWidget {
  Q_OBJECT
 public:
  using LoadingFlag = std::function<bool()>;

  TTasksBook(store::TParadoxTable& taskTable, engine::DataSource& taskDataSource,
             TMoveRecOnDateForm& moveForm, LoadingFlag optionsLoading, QWidget* parent = nullptr);
  TTasksBook(store::TTableSet& tables, TMoveRecOnDateForm& moveForm, LoadingFlag optionsLoading,
             QWidget* parent = nullptr);
  ~TTasksBook() override;

  // --- Operations ---------------------------------------------------------
  // Moves the viewed day by whole days and re-reads the table; leaves the
  // tabs and the mode alone.
  void ShiftTaskDate(int days);
  // Selects the viewed day's week-day tab and switches to the day mode.
  void SyncDayTab();
  // From code: no change handler runs.
  void setViewedDay(QDate day);
  // Today, the new tasks' time and the midnight turn-over come from it; the
  // system clock unless a test sets another. It must outlive the page.
  void setClock(const support::Clock& clock);
  const support::Clock& clock() const { return *clock_; }
  QDate today() const;
  QDate viewedDay() const { return TaskDateTimePicker->date(); }
  void TasksMoveTBClick();
  void TasksBookResize();
  void NavigTBResize();
  // The radio group's index set from code: TaskRGClick runs when it changes.
  void setTaskMode(int mode);
  int taskMode() const { return taskMode_; }
  // Shows the day of the task with this key, the task current when the
  // text filter lets it through. False when the table has no such task.
  bool showTask(QDate date, QTime time);
  // Marks the task with this key done, one post, and leaves the view and
  // the current record as they were. False when there is no such task.
  bool markTaskDone(QDate date, QTime time);
  // Opens the repeat editor for the current task and stores what it says.
  void RepeatSBClick();
  // The texts of repeating tasks; the page's own English ones until set.
  void setRepeatTexts(const TRepeatTexts* texts) { Repeats->setTexts(texts); }

  // --- Handlers -----------------------------------------------------------
  bool TaskTableFilterRecord(const engine::RecordView& record);
  void TaskTableNewRecord(engine::Table& table);
  void TaskRGClick();
  void FilterSBClick();
  void RegisterSBClick();
  void TaskDateTimePickerChange();
  void DateSpinButtonUpClick();
  void DateSpinButtonDownClick();
  void DaysTabControlChange(int index);
  void TaskDBGridMouseUp(Qt::MouseButton button);
  // The midnight timer's tick: today moved on, so the views that depend on
  // it (overdue, the day mode's "today") are filtered again.
  void DayTurnedOver();

  // --- Controls -----------------------------------------------------------
  QWidget* DatesTB;
  QLabel* TasksForPanel;
  QDateEdit* TaskDateTimePicker;
  QWidget* DateSpinButton;
  QToolButton* DateSpinUp;
  QToolButton* DateSpinDown;
  QWidget* DaysTB;
  QTabBar* DaysTabControl;
  toolkit::TFilterRow* FilterRow;
  QToolButton* RegisterSB;
  QLineEdit* TaskEdit;
  QLineEdit* TimeEdit;
  QLineEdit* DateEdit;
  QToolButton* FilterSB;
  toolkit::TDBGrid* TaskDBGrid;
  QLabel* DescriptionHeader;
  toolkit::TDBMemo* TaskDBMemo;
  QWidget* NavigTB;
  toolkit::TDBNavigator* TaskDBNavigator;
  QToolButton* TasksMoveTB;
  // Import and export: the buttons after the Move button, and their work.
  TPageExchange* Exchange;
  QLabel* Label1;
  toolkit::TDBCheckBox* DoneDBCB;
  // In place of DoneDBCB while the current task is an occurrence of a
  // repeating one: it ticks that occurrence only.
  QCheckBox* DoneOccurrenceCB;
  QToolButton* RepeatSB;
  TTaskRepeats* Repeats;
  QGroupBox* TaskRG;
  std::array<QRadioButton*, 5> TaskRGItems{};

  int DayTabIndex = 0;
  // The page width seen by the previous resize.
  int Tag = 632;
  // How much wider than designed the time and date columns are, so that the
  // desktop's font fits them (1 where the design fits).
  double layoutScale() const { return scale_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct FieldPositions {
    int date = -1;
    int time = -1;
    int task = -1;
    int done = -1;
  };
  void buildControls();
  void bindTable();
  void applyModeColumns();
  void refreshTable();
  // The values of the rows as the table now shows them.
  std::vector<format::Record> rowValues() const;
  void invalidateRule() { rule_.reset(); }
  const TaskDisplayRule& displayRule();
  void armMidnightTimer();
  void modeChanged(int mode);
  void bindRepeats();
  void syncDoneBox();
  void mirrorDoneBox();

  store::TParadoxTable& TaskTable;
  engine::DataSource& TaskDataSource;
  TMoveRecOnDateForm& MoveRecOnDateForm;
  LoadingFlag optionsLoading_;
  QButtonGroup* taskRGGroup_ = nullptr;
  int taskMode_ = DayMode;

  // The rule as of the controls' last change, built at the first record of
  // a re-filter and dropped when the table is reset: one "today" per pass.
  std::optional<TaskDisplayRule> rule_;
  const support::Clock* clock_ = &support::Clock::system();
  QTimer midnightTimer_;
  double scale_ = 1.0;
  FieldPositions fields_;
};

}  // namespace torvelle::books
