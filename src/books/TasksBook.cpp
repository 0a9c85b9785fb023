#include "books/TasksBook.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLocale>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include "books/ReminderSource.h"
#include "books/RepeatDlg.h"
#include "engine/DbError.h"
#include "engine/FieldNames.h"
#include "toolkit/EngineDates.h"
#include "toolkit/ErrorBox.h"

namespace torvelle::books {

using toolkit::ErrorBox;
using toolkit::fromQDate;
using toolkit::fromQTime;

namespace {

// Heights of the page's rows; widths come from the resize rules.
constexpr int kDatesBarHeight = 28;
constexpr int kDaysBarHeight = 24;
constexpr int kFilterRowHeight = 22;
constexpr int kNavigBarHeight = 28;
constexpr int kModesHeight = 40;
constexpr int kButtonWidth = 19;
constexpr int kDesignWidth = 632;
constexpr int kTasksForWidth = 72;

int field(const engine::Table& t, const char* name) {
  const int f = t.fieldIndex(name);
  if (f < 0)
    throw engine::DbError(engine::DbError::Kind::General,
                          std::string("Field '") + name + "' not found.");
  return f;
}

}  // namespace

TTasksBook::TTasksBook(store::TTableSet& tables, TMoveRecOnDateForm& moveForm,
                       LoadingFlag optionsLoading, QWidget* parent)
    : TTasksBook(tables.TaskTable, tables.TaskDataSource, moveForm, std::move(optionsLoading),
                 parent) {}

TTasksBook::TTasksBook(store::TParadoxTable& taskTable, engine::DataSource& taskDataSource,
                       TMoveRecOnDateForm& moveForm, LoadingFlag optionsLoading, QWidget* parent)
    : QWidget(parent),
      TaskTable(taskTable),
      TaskDataSource(taskDataSource),
      MoveRecOnDateForm(moveForm),
      optionsLoading_(std::move(optionsLoading)) {
  setObjectName(QStringLiteral("TasksBook"));
  buildControls();
  bindTable();
  resize(kDesignWidth, 400);
}

TTasksBook::~TTasksBook() {
  auto& events = TaskTable.events();
  events.filterRecord = nullptr;
  events.newRecord = nullptr;
  events.beforeEdit = nullptr;
  events.beforePost = nullptr;
  events.afterPost = nullptr;
  events.beforeDelete = nullptr;
}

// Repeating tasks: the table's hooks, the grid's mark, the done box per
// occurrence.
void TTasksBook::bindRepeats() {
  Repeats = new TTaskRepeats(
      TaskTable,
      [this] {
        return TTaskRepeats::View{taskMode_, fromQDate(viewedDay()), fromQDate(today())};
      },
      this);
  auto& events = TaskTable.events();
  events.beforeEdit = [this](engine::Table&) { Repeats->beforeEdit(); };
  events.beforePost = [this](engine::Table&) { Repeats->beforePost(); };
  events.afterPost = [this](engine::Table&) { Repeats->afterPost(); };
  events.beforeDelete = [this](engine::Table&) { Repeats->beforeDelete(); };
  TaskDBGrid->tableModel().setTextHook(
      [this](int row, int field, QString& text) { Repeats->decorate(row, field, text); });
  const toolkit::TDataLink& link = TaskDBGrid->tableModel().link();
  for (auto signal : {&toolkit::TDataLink::dataReset, &toolkit::TDataLink::recordMoved,
                      &toolkit::TDataLink::dataStateChanged})
    connect(&link, signal, this, [this] { syncDoneBox(); });
  connect(&link, &toolkit::TDataLink::dataRowChanged, this, [this](int) { syncDoneBox(); });
  connect(DoneOccurrenceCB, &QCheckBox::clicked, this,
          [this](bool done) { ErrorBox::guard([&] { Repeats->setOccurrenceDone(done); }); });
}

void TTasksBook::syncDoneBox() {
  const auto occurrence = Repeats->currentOccurrence();
  mirrorDoneBox();
  DoneOccurrenceCB->setGeometry(DoneDBCB->geometry());
  DoneOccurrenceCB->setChecked(occurrence && occurrence->done);
  DoneOccurrenceCB->setVisible(occurrence.has_value());
  DoneDBCB->setVisible(!occurrence);
  RepeatSB->setEnabled(Repeats->available() && TaskTable.currentRow().has_value());
}

void TTasksBook::mirrorDoneBox() {
  // The language table names only the record's box; the occurrence's box
  // stands in its place and must read the same.
  DoneOccurrenceCB->setText(DoneDBCB->text());
  DoneOccurrenceCB->setToolTip(DoneDBCB->toolTip());
}

void TTasksBook::RepeatSBClick() {
  if (!Repeats->available() || !TaskTable.currentRow()) return;
  ErrorBox::guard([&] {
    TaskTable.checkBrowseMode();
    const auto start = TaskTable.dateField(engine::kDateField);
    if (!start) return;
    const auto fields = recurrence::SeriesFields::of(TaskTable.info().fields);
    const auto set = recurrence::repeatSetOf(fields, TaskTable.current().values());
    TRepeatDlg dialog(Repeats->texts(), this);
    dialog.setSeries(*start, set.rule, set, fromQDate(today()));
    if (dialog.exec() != QDialog::Accepted || dialog.readOnly()) return;
    Repeats->storeRepeatSet(dialog.rule(), set);
  });
  syncDoneBox();
}

void TTasksBook::buildControls() {
  // Top bar: "Tasks for", the day picker and its spin arrows.
  DatesTB = new QWidget(this);
  DatesTB->setObjectName(QStringLiteral("DatesTB"));
  TasksForPanel = new QLabel(QStringLiteral("Задачи на"), DatesTB);
  TasksForPanel->setObjectName(QStringLiteral("TasksForPanel"));
  TasksForPanel->setAlignment(Qt::AlignCenter);
  TasksForPanel->setFrameShape(QFrame::StyledPanel);
  TasksForPanel->setGeometry(2, 3, 72, 22);
  TaskDateTimePicker = new QDateEdit(QDate::currentDate(), DatesTB);
  TaskDateTimePicker->setObjectName(QStringLiteral("TaskDateTimePicker"));
  TaskDateTimePicker->setCalendarPopup(true);
  TaskDateTimePicker->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
  TaskDateTimePicker->setGeometry(78, 3, 220, 22);
  DateSpinButton = new QWidget(DatesTB);
  DateSpinButton->setObjectName(QStringLiteral("DateSpinButton"));
  DateSpinButton->setGeometry(300, 3, 16, 22);
  DateSpinUp = new QToolButton(DateSpinButton);
  DateSpinUp->setArrowType(Qt::UpArrow);
  DateSpinUp->setGeometry(0, 0, 16, 11);
  DateSpinUp->setAutoRepeat(true);
  DateSpinDown = new QToolButton(DateSpinButton);
  DateSpinDown->setArrowType(Qt::DownArrow);
  DateSpinDown->setGeometry(0, 11, 16, 11);
  DateSpinDown->setAutoRepeat(true);
  for (QToolButton* b : {DateSpinUp, DateSpinDown}) b->setFocusPolicy(Qt::NoFocus);

  // Week-day tabs, Monday first.
  DaysTB = new QWidget(this);
  DaysTB->setObjectName(QStringLiteral("DaysTB"));
  DaysTabControl = new QTabBar(DaysTB);
  DaysTabControl->setObjectName(QStringLiteral("DaysTabControl"));
  DaysTabControl->setExpanding(false);
  DaysTabControl->setDrawBase(false);
  for (const char* day :
       {"Понедельник", "Вторник", "Среда", "Четверг", "Пятница", "Суббота", "Воскресенье"})
    DaysTabControl->addTab(QString::fromUtf8(day));
  DaysTabControl->setCurrentIndex(0);

  // Filter row above the grid.
  FilterRow =
      new toolkit::TFilterRow(QStringLiteral("RegisterSB"), QStringLiteral("FilterSB"), this);
  FilterRow->setObjectName(QStringLiteral("TaskFilterRow"));
  RegisterSB = FilterRow->CaseButton;
  FilterSB = FilterRow->FilterButton;
  TaskEdit = FilterRow->addEdit(QStringLiteral("TaskEdit"), 70);
  TimeEdit = FilterRow->addEdit(QStringLiteral("TimeEdit"), 8);
  DateEdit = FilterRow->addEdit(QStringLiteral("DateEdit"), 10);
  DateEdit->hide();

  // The grid and the description beside it.
  TaskDBGrid = new toolkit::TDBGrid(this);
  TaskDBGrid->setObjectName(QStringLiteral("TaskDBGrid"));
  TaskDBGrid->setColumns({{QString::fromLatin1(engine::kTaskField), QStringLiteral("Задание")},
                          {QString::fromLatin1(engine::kTimeField), QStringLiteral("Время")},
                          {QString::fromLatin1(engine::kDateField), QStringLiteral("Дата")}});
  // The time and date columns are one search box wide. A short date in the
  // desktop's font must fit one: the design widens rather than the text
  // shrinking below what the desktop chose as legible.
  const QString sample = QLocale().toString(QDate(2028, 12, 28), toolkit::shortDateFormat());
  scale_ = dateColumnScale(TaskDBGrid->fontMetrics().horizontalAdvance(sample));
  TaskDBGrid->setGridColumnWidth(0, 308);
  TaskDBGrid->setGridColumnWidth(1, dateColumnWidth(scale_));
  TaskDBGrid->setGridColumnWidth(2, dateColumnWidth(scale_));
  TaskDBGrid->setGridColumnVisible(2, false);
  TaskDBGrid->setFrameShape(QFrame::Box);
  TaskDBGrid->setLineWidth(1);
  TaskDBGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  DescriptionHeader = new QLabel(QStringLiteral("Подробно"), this);
  DescriptionHeader->setObjectName(QStringLiteral("DescriptionHeader"));
  DescriptionHeader->setFrameShape(QFrame::StyledPanel);
  DescriptionHeader->setAlignment(Qt::AlignCenter);
  TaskDBMemo = new toolkit::TDBMemo(this);
  TaskDBMemo->setObjectName(QStringLiteral("TaskDBMemo"));
  RepeatSB = new QToolButton(this);
  RepeatSB->setObjectName(QStringLiteral("RepeatSB"));
  RepeatSB->setText(QStringLiteral("\u21BB"));
  RepeatSB->setFocusPolicy(Qt::NoFocus);

  // Bottom bar: navigator, move button, done check box.
  NavigTB = new QWidget(this);
  NavigTB->setObjectName(QStringLiteral("NavigTB"));
  NavigTB->installEventFilter(this);
  TaskDBNavigator = new toolkit::TDBNavigator(NavigTB);
  TaskDBNavigator->setObjectName(QStringLiteral("TaskDBNavigator"));
  TasksMoveTB = new QToolButton(NavigTB);
  TasksMoveTB->setObjectName(QStringLiteral("TasksMoveTB"));
  TasksMoveTB->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
  TasksMoveTB->setToolTip(QStringLiteral("Move records on date"));
  TasksMoveTB->setFocusPolicy(Qt::NoFocus);
  Exchange = new TPageExchange(QStringLiteral("Tasks"), TaskTable, nullptr, NavigTB);
  Label1 = new QLabel(NavigTB);
  Label1->setObjectName(QStringLiteral("Label1"));
  DoneDBCB = new toolkit::TDBCheckBox(QStringLiteral("Выполнено"), NavigTB);
  DoneDBCB->setObjectName(QStringLiteral("DoneDBCB"));
  QFont bold = DoneDBCB->font();
  bold.setBold(true);
  DoneDBCB->setFont(bold);
  DoneOccurrenceCB = new QCheckBox(DoneDBCB->text(), NavigTB);
  DoneOccurrenceCB->setObjectName(QStringLiteral("DoneOccurrenceCB"));
  DoneOccurrenceCB->setFont(bold);
  DoneOccurrenceCB->hide();

  // Display modes.
  TaskRG = new QGroupBox(this);
  TaskRG->setObjectName(QStringLiteral("TaskRG"));
  auto* modes = new QGridLayout(TaskRG);
  modes->setContentsMargins(6, 2, 6, 2);
  taskRGGroup_ = new QButtonGroup(this);
  const char* const items[5] = {"Задачи на день", "Все задачи", "Выполнено", "Не выполнено",
                                "Просрочено"};
  for (int i = 0; i < 5; ++i) {
    auto* b = new QRadioButton(QString::fromUtf8(items[i]), TaskRG);
    modes->addWidget(b, 0, i);
    taskRGGroup_->addButton(b, i);
    TaskRGItems[static_cast<std::size_t>(i)] = b;
  }
  TaskRGItems[0]->setChecked(true);

  connect(DateSpinUp, &QToolButton::clicked, this, &TTasksBook::DateSpinButtonUpClick);
  connect(DateSpinDown, &QToolButton::clicked, this, &TTasksBook::DateSpinButtonDownClick);
  connect(TaskDateTimePicker, &QDateEdit::dateChanged, this, &TTasksBook::TaskDateTimePickerChange);
  connect(DaysTabControl, &QTabBar::currentChanged, this, &TTasksBook::DaysTabControlChange);
  connect(taskRGGroup_, &QButtonGroup::idClicked, this, &TTasksBook::modeChanged);
  connect(FilterRow, &toolkit::TFilterRow::switched, this, &TTasksBook::FilterSBClick);
  connect(FilterRow, &toolkit::TFilterRow::changed, this, &TTasksBook::RegisterSBClick);
  connect(TaskDBGrid, &toolkit::TDBGrid::mouseReleased, this,
          [this](Qt::MouseButton b, Qt::KeyboardModifiers) { TaskDBGridMouseUp(b); });
  connect(TasksMoveTB, &QToolButton::clicked, this, &TTasksBook::TasksMoveTBClick);
  connect(RepeatSB, &QToolButton::clicked, this, &TTasksBook::RepeatSBClick);

  // The design layout; later resizes follow the rules from here.
  const TasksBookLayout l = tasksBookLayout(kDesignWidth, true, kDesignWidth, scale_);
  TaskDBGrid->resize(l.gridWidth, 200);
  TaskDBGrid->setGridColumnWidth(0, l.taskColumnWidth);
  NavigTB->resize(kDesignWidth, kNavigBarHeight);
}

void TTasksBook::bindTable() {
  TaskTable.events().filterRecord = [this](const engine::RecordView& r) {
    return TaskTableFilterRecord(r);
  };
  TaskTable.events().newRecord = [this](engine::Table& t) { TaskTableNewRecord(t); };
  bindRepeats();
  TaskDBGrid->setDataSource(&TaskDataSource);
  TaskDBNavigator->setDataSource(&TaskDataSource);
  TaskDBMemo->setDataSource(&TaskDataSource);
  TaskDBMemo->setDataField(QString::fromLatin1(engine::kDescriptionField));
  DoneDBCB->setDataSource(&TaskDataSource);
  DoneDBCB->setDataField(QString::fromLatin1(engine::kDoneField));
  // Every re-filter ends in a reset: the next one takes "today" afresh.
  connect(&TaskDBGrid->tableModel().link(), &toolkit::TDataLink::dataReset, this,
          [this] { invalidateRule(); });
  midnightTimer_.setSingleShot(true);
  midnightTimer_.setTimerType(Qt::CoarseTimer);
  connect(&midnightTimer_, &QTimer::timeout, this, &TTasksBook::DayTurnedOver);
  armMidnightTimer();
  // An open table was filtered without our rule: filter it again.
  if (TaskTable.isOpen())
    ErrorBox::guard([&] { TaskTable.setFiltered(taskTableFiltered(taskMode_, false)); });
}

// --- The display rule -----------------------------------------------------

const TaskDisplayRule& TTasksBook::displayRule() {
  if (!rule_) {
    TaskFilterState s;
    s.mode = taskMode_;
    s.viewedDay = fromQDate(viewedDay());
    s.today = fromQDate(today());
    s.filterOn = FilterSB->isChecked();
    s.ignoreCase = RegisterSB->isChecked();
    s.taskPattern = TaskEdit->text().toStdString();
    s.timePattern = TimeEdit->text().toStdString();
    s.datePattern = DateEdit->text().toStdString();
    s.fold = TaskTable.caseFold();
    fields_ = {field(TaskTable, engine::kDateField), field(TaskTable, engine::kTimeField),
               field(TaskTable, engine::kTaskField), field(TaskTable, engine::kDoneField)};
    rule_.emplace(s);
  }
  return *rule_;
}

void TTasksBook::setClock(const support::Clock& clock) {
  clock_ = &clock;
  invalidateRule();
  armMidnightTimer();
}

QDate TTasksBook::today() const {
  return toolkit::localTime(*clock_).date();
}

void TTasksBook::armMidnightTimer() {
  const QDateTime now = toolkit::localTime(*clock_);
  const QDateTime midnight(now.date().addDays(1), QTime(0, 0));
  // A little past midnight, so the clock surely reads the new day.
  midnightTimer_.start(static_cast<int>(std::max<qint64>(0, now.msecsTo(midnight))) + 50);
}

void TTasksBook::DayTurnedOver() {
  refreshTable();
  armMidnightTimer();
}

bool TTasksBook::TaskTableFilterRecord(const engine::RecordView& record) {
  const TaskDisplayRule& rule = displayRule();
  const auto* date = std::get_if<format::Date>(&record.value(fields_.date));
  const auto* stored = std::get_if<bool>(&record.value(fields_.done));
  // A repeating task is judged by its occurrence on the viewed day, or by
  // its oldest one not done when overdue tasks are shown.
  const auto judged =
      Repeats->judge(record, date ? std::optional(*date) : std::nullopt, stored && *stored);
  if (!judged.accept) return false;
  if (rule.ignoreCase())
    return rule.acceptsFolded(judged.date, judged.done, record.foldedText(fields_.task),
                              record.text(fields_.time), record.text(fields_.date));
  return rule.accepts(judged.date, judged.done, record.text(fields_.task),
                      record.text(fields_.time), record.text(fields_.date));
}

void TTasksBook::TaskTableNewRecord(engine::Table& table) {
  // The viewed day in every mode, so a task added under "All tasks" lands
  // on the picker's day.
  table.setField(engine::kDateField, format::Value(fromQDate(viewedDay())));
  table.setField(engine::kTimeField, format::Value(fromQTime(toolkit::localTime(*clock_).time())));
  table.setField(engine::kDoneField, format::Value(false));
}

// --- Modes and filter -----------------------------------------------------

void TTasksBook::setTaskMode(int mode) {
  if (mode < 0 || mode > OverdueTasks) return;
  TaskRGItems[static_cast<std::size_t>(mode)]->setChecked(true);
  if (mode == taskMode_) return;
  taskMode_ = mode;
  TaskRGClick();
}

void TTasksBook::applyModeColumns() {
  const bool day = taskMode_ == DayMode;
  const TaskColumnsLayout l = taskColumnsLayout(TaskDBGrid->width(), day, scale_);
  TaskDBGrid->setGridColumnVisible(2, !day);
  TaskDBGrid->setGridColumnWidth(0, l.taskColumnWidth);
  DateEdit->setVisible(!day);
  TimeEdit->move(l.timeEditLeft, TimeEdit->y());
  TaskEdit->resize(l.taskEditWidth, TaskEdit->height());
}

void TTasksBook::modeChanged(int mode) {
  if (mode == taskMode_) return;
  taskMode_ = mode;
  TaskRGClick();
  // Only a mode the user picked takes the keyboard to the grid: one that a
  // day change switched must leave the keys where they are being typed.
  if (!(optionsLoading_ && optionsLoading_())) TaskDBGrid->setFocus();
}

void TTasksBook::TaskRGClick() {
  if (optionsLoading_ && optionsLoading_()) return;
  applyModeColumns();
  invalidateRule();
  ErrorBox::guard(
      [&] { TaskTable.setFiltered(taskTableFiltered(taskMode_, FilterSB->isChecked())); });
}

void TTasksBook::FilterSBClick() {
  const bool on = FilterSB->isChecked();
  if (on)
    TaskEdit->setFocus();
  else
    TaskDBGrid->setFocus();
  invalidateRule();
  ErrorBox::guard([&] { TaskTable.setFiltered(taskTableFiltered(taskMode_, on)); });
}

void TTasksBook::RegisterSBClick() {
  invalidateRule();
  ErrorBox::guard([&] { TaskTable.setFiltered(true); });
}

// --- Day navigation -------------------------------------------------------

void TTasksBook::setViewedDay(QDate day) {
  if (!day.isValid()) return;
  const QSignalBlocker quiet(TaskDateTimePicker);
  TaskDateTimePicker->setDate(day);
  invalidateRule();
}

void TTasksBook::refreshTable() {
  invalidateRule();
  ErrorBox::guard([&] {
    if (TaskTable.isOpen()) TaskTable.refresh();
  });
}

void TTasksBook::ShiftTaskDate(int days) {
  setViewedDay(viewedDay().addDays(days));
  refreshTable();
}

std::vector<format::Record> TTasksBook::rowValues() const {
  std::vector<format::Record> records;
  records.reserve(TaskTable.rowCount());
  for (std::size_t row = 0; row < TaskTable.rowCount(); ++row)
    records.push_back(TaskTable.row(row).values());
  return records;
}

bool TTasksBook::showTask(QDate date, QTime time) {
  if (!TaskTable.isOpen()) return false;
  setViewedDay(date);
  SyncDayTab();
  refreshTable();
  // The day's rows hold the task, or the repeating task with an occurrence then.
  const std::vector<format::Record> records = rowValues();
  const auto found =
      reminderTask(TaskTable.info().fields, records, fromQDate(date), fromQTime(time));
  if (found) TaskTable.moveTo(found->record);
  TaskDBGrid->setFocus();
  return found.has_value();
}

bool TTasksBook::markTaskDone(QDate date, QTime time) {
  if (!TaskTable.isOpen()) return false;
  // The task may be outside the view: look at every record, then filter
  // again as the page had it and go back to the record the user was on.
  const engine::Bookmark before = TaskTable.bookmark();
  const bool filtered = TaskTable.filtered();
  TaskTable.setFiltered(false);
  // Unfiltered, the rows are the records; a repeating task's occurrence is
  // found by its day and time as the reminder saw it.
  const std::vector<format::Record> records = rowValues();
  const auto change =
      reminderDoneChange(TaskTable.info().fields, records, fromQDate(date), fromQTime(time));
  if (change) {
    TaskTable.moveTo(change->record);
    TaskTable.edit();
    for (const auto& [field, value] : change->fields) TaskTable.setField(field, value);
    TaskTable.post();
  }
  invalidateRule();
  TaskTable.setFiltered(filtered);
  if (!before.empty() && TaskTable.rowOfBookmark(before)) TaskTable.gotoBookmark(before);
  return change.has_value();
}

void TTasksBook::SyncDayTab() {
  DayTabIndex = dayTabIndex(viewedDay().dayOfWeek());
  {
    const QSignalBlocker quiet(DaysTabControl);
    DaysTabControl->setCurrentIndex(DayTabIndex);
  }
  setTaskMode(DayMode);
}

void TTasksBook::TaskDateTimePickerChange() {
  invalidateRule();
  SyncDayTab();
  refreshTable();
  // Not while the user is still typing a date into the picker.
  if (!TaskDateTimePicker->hasFocus()) TaskDBGrid->setFocus();
}

void TTasksBook::DateSpinButtonUpClick() {
  ShiftTaskDate(1);
  SyncDayTab();
}

void TTasksBook::DateSpinButtonDownClick() {
  ShiftTaskDate(-1);
  SyncDayTab();
}

void TTasksBook::DaysTabControlChange(int index) {
  if (index < 0) return;
  setTaskMode(DayMode);
  ShiftTaskDate(index - DayTabIndex);
  DayTabIndex = index;
}

// --- Moving tasks ---------------------------------------------------------

void TTasksBook::TaskDBGridMouseUp(Qt::MouseButton button) {
  if (button == Qt::RightButton) TasksMoveTB->click();
}

void TTasksBook::TasksMoveTBClick() {
  toolkit::TSelectedRows& selected = TaskDBGrid->SelectedRows();
  if (selected.Count() == 0) return;
  if (MoveRecOnDateForm.exec() != QDialog::Accepted) return;
  const format::Value day(fromQDate(MoveRecOnDateForm.chosenDay()));
  // Taken first: the rows shift and leave the view while they move.
  const std::vector<engine::Bookmark> marks = selected.bookmarks();
  const bool moved = ErrorBox::guard([&] {
    try {
      for (const engine::Bookmark& mark : marks) {
        TaskTable.gotoBookmark(mark);
        TaskTable.edit();
        TaskTable.setField(engine::kDateField, day);
        TaskTable.post();
      }
    } catch (...) {
      // The task that failed keeps its day; no half-made change is left
      // pending to be posted by the next move of the cursor.
      if (TaskTable.state() != engine::TableState::Browse) TaskTable.cancel();
      throw;
    }
  });
  // The moved tasks may no longer pass the display rule: read the view again.
  refreshTable();
  if (moved) selected.Clear();
}

// --- Layout ---------------------------------------------------------------

void TTasksBook::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  TasksBookResize();
}

bool TTasksBook::eventFilter(QObject* watched, QEvent* event) {
  if (watched == NavigTB && event->type() == QEvent::Resize) NavigTBResize();
  return QWidget::eventFilter(watched, event);
}

void TTasksBook::NavigTBResize() {
  const int t = NavigTB->width();
  const int h = NavigTB->height();
  const NavigBarLayout first = navigBarLayout(t, 0);
  const int label1Left = first.navigatorWidth + first.buttonWidth;
  const NavigBarLayout l = navigBarLayout(t, label1Left);
  TaskDBNavigator->setGeometry(0, 1, l.navigatorWidth, h - 2);
  TasksMoveTB->setGeometry(l.navigatorWidth, 1, l.buttonWidth, h - 2);
  // Import and export, square, right after Move, in the blank label's room;
  // the done box keeps its place.
  const int side = h - 2;
  Exchange->ImportTB->setGeometry(label1Left, 1, side, side);
  Exchange->ExportTB->setGeometry(label1Left + side, 1, side, side);
  const int doneLeft = label1Left + std::max(0, l.label1Width);
  const int blankLeft = std::min(label1Left + 2 * side, doneLeft);
  Label1->setGeometry(blankLeft, 1, doneLeft - blankLeft, h - 2);
  DoneDBCB->setGeometry(doneLeft, 1, std::max(0, t - doneLeft), h - 2);
  DoneOccurrenceCB->setGeometry(DoneDBCB->geometry());
}

void TTasksBook::TasksBookResize() {
  mirrorDoneBox();
  const int w = width();
  const int h = height();
  // Rows from the top and from the bottom; the grid and memo take the rest.
  const int filterTop = kDatesBarHeight + kDaysBarHeight + 2;
  const int gridTop = filterTop + kFilterRowHeight + 1;
  const int modesTop = std::max(gridTop, h - kModesHeight);
  const int navigTop = std::max(gridTop, modesTop - kNavigBarHeight);
  const int gridHeight = std::max(0, navigTop - gridTop - 1);
  DatesTB->setGeometry(0, 0, w, kDatesBarHeight);
  // "Tasks for" keeps its designed width unless its language needs more;
  // the day picker and its arrows follow it.
  const int tasksFor = std::max(kTasksForWidth, TasksForPanel->sizeHint().width() + 10);
  TasksForPanel->setGeometry(2, 3, tasksFor, 22);
  TaskDateTimePicker->move(tasksFor + 6, 3);
  DateSpinButton->move(tasksFor + 228, 3);
  DaysTB->setGeometry(0, kDatesBarHeight, w, kDaysBarHeight);
  DaysTabControl->setGeometry(0, 0, std::min(w, DaysTabControl->sizeHint().width()),
                              kDaysBarHeight);
  NavigTB->setGeometry(0, navigTop, w, kNavigBarHeight);
  TaskRG->setGeometry(0, modesTop, w, kModesHeight);

  const bool day = taskMode_ == DayMode;
  const TasksBookLayout l = tasksBookLayout(w, day, NavigTB->width(), scale_);
  const GridWidthOrder order = gridWidthOrder(w, Tag);
  const int gridWidth = order == GridWidthOrder::Unchanged ? TaskDBGrid->width() : l.gridWidth;
  if (order == GridWidthOrder::Before) TaskDBGrid->setGeometry(0, gridTop, gridWidth, gridHeight);
  TaskDBGrid->setGridColumnWidth(0, l.taskColumnWidth);
  TaskDBGrid->setGeometry(0, gridTop, gridWidth, gridHeight);

  // The row starts at the page's left edge: its controls keep page x positions.
  FilterRow->setGeometry(0, filterTop, l.filterLeft + kButtonWidth, kFilterRowHeight);
  RegisterSB->setGeometry(0, 0, 16, kFilterRowHeight);
  TaskEdit->setGeometry(17, 0, l.taskEditWidth, kFilterRowHeight);
  const int searchBoxWidth = dateColumnWidth(scale_);
  TimeEdit->setGeometry(l.timeEditLeft, 0, searchBoxWidth, kFilterRowHeight);
  DateEdit->setGeometry(l.dateEditLeft, 0, searchBoxWidth, kFilterRowHeight);
  FilterSB->setGeometry(l.filterLeft, 0, kButtonWidth, kFilterRowHeight);
  TaskDBMemo->setGeometry(l.memoLeft, gridTop, std::max(0, l.memoWidth), gridHeight);
  DescriptionHeader->setGeometry(l.memoLeft, filterTop, std::max(0, l.memoWidth), kFilterRowHeight);
  RepeatSB->setGeometry(l.memoLeft + std::max(0, l.memoWidth) - kFilterRowHeight, filterTop,
                        kFilterRowHeight, kFilterRowHeight);
  RepeatSB->raise();
  Tag = w;
}

}  // namespace torvelle::books
