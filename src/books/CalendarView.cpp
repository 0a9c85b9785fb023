#include "books/CalendarView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "toolkit/EngineDates.h"

namespace torvelle::books {
namespace {

QString timeText(format::Time time) {
  return toolkit::toQTime(time).toString(QStringLiteral("HH:mm"));
}

}  // namespace

TCalendarView::TCalendarView(const print::TCalendarTexts& texts, QWidget* parent)
    : QWidget(parent), texts_(texts) {
  setObjectName(QStringLiteral("CalendarView"));
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
  chosen_ = today_ = QDate::currentDate();
  clickTimer_.setSingleShot(true);
  connect(&clickTimer_, &QTimer::timeout, this, [this] { emit dayOpened(clickedDay_); });
}

void TCalendarView::setSource(std::function<CalendarData()> source) {
  source_ = std::move(source);
  dataChanged();
}

void TCalendarView::dataChanged() {
  stale_ = true;
  update();
}

const CalendarData& TCalendarView::data() {
  if (stale_ && source_) data_ = source_();
  stale_ = false;
  return data_;
}

void TCalendarView::setMode(Mode mode) {
  mode_ = mode;
  update();
}

void TCalendarView::setChosenDay(QDate day) {
  if (!day.isValid() || day == chosen_) return;
  chosen_ = day;
  update();
  emit chosenDayChanged(day);
}

void TCalendarView::setToday(QDate today) {
  today_ = today;
  update();
}

void TCalendarView::moveMonths(int months) {
  setChosenDay(chosen_.addMonths(months));
}

format::Date TCalendarView::firstShown() const {
  if (mode_ == WeekView) return mondayOf(toolkit::fromQDate(chosen_));
  return monthGrid(chosen_.year(), chosen_.month()).first;
}

format::Date TCalendarView::lastShown() const {
  if (mode_ == WeekView) return format::Date{firstShown().day + 6};
  return monthGrid(chosen_.year(), chosen_.month()).last();
}

int TCalendarView::headerHeight() const {
  return fontMetrics().height() + 6;
}

QRect TCalendarView::cellRect(int index, int weeks) const {
  const int column = index % 7, row = index / 7;
  const int top = headerHeight();
  const int w = width(), h = height() - top;
  const int left = w * column / 7, right = w * (column + 1) / 7;
  const int upper = top + h * row / weeks, lower = top + h * (row + 1) / weeks;
  return QRect(left, upper, right - left, lower - upper);
}

void TCalendarView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& pal = palette();
  painter.fillRect(rect(), pal.base());
  const std::vector<CalendarDay> days = data().days(firstShown(), lastShown());
  const int weeks = static_cast<int>(days.size() + 6) / 7;
  painter.setPen(pal.color(QPalette::Text));
  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  for (int d = 0; d < 7; ++d) {
    const QRect cell = cellRect(d, 1);
    painter.drawText(QRect(cell.left(), 0, cell.width(), headerHeight()), Qt::AlignCenter,
                     texts_.weekDay(d));
  }
  painter.setFont(font());
  spots_.clear();
  for (std::size_t i = 0; i < days.size(); ++i)
    paintDay(painter, cellRect(static_cast<int>(i), weeks), days[i]);
}

void TCalendarView::paintDay(QPainter& painter, const QRect& cell, const CalendarDay& day) {
  const QPalette& pal = palette();
  const QDate date = toolkit::toQDate(day.day);
  const bool inMonth = mode_ == WeekView || date.month() == chosen_.month();
  if (date == chosen_) painter.fillRect(cell, pal.color(QPalette::Highlight).lighter(170));
  painter.setPen(pal.color(QPalette::Mid));
  painter.drawRect(cell.adjusted(0, 0, -1, -1));
  const QFontMetrics metrics = fontMetrics();
  const int line = metrics.height();
  QRect number(cell.right() - line * 2 - 2, cell.top() + 1, line * 2, line);
  if (date == today_) {
    // Today: the day's number on a filled mark.
    painter.fillRect(number, pal.color(QPalette::Highlight));
    painter.setPen(pal.color(QPalette::HighlightedText));
  } else {
    painter.setPen(inMonth ? pal.color(QPalette::Text) : pal.color(QPalette::PlaceholderText));
  }
  painter.drawText(number, Qt::AlignCenter, QString::number(date.day()));
  int y = cell.top() + line + 2;
  const int textWidth = cell.width() - 6;
  const int bottom = cell.bottom() - 1;
  const int total = static_cast<int>(day.events.size() + day.tasks.size());
  int drawn = 0;
  const auto room = [&](const QRect& item) {
    return item.bottom() < bottom - (drawn + 1 < total ? line : 0);
  };
  painter.setPen(pal.color(QPalette::Link));
  for (const DayEvent& e : day.events) {
    QString text = QStringLiteral("\u2605 ") + QString::fromStdString(e.event->event);
    if (e.years) text += QStringLiteral(" (%1)").arg(*e.years);
    const QRect item = itemRect(cell.left() + 3, y, textWidth, text);
    if (!room(item)) break;
    drawItem(painter, item, text);
    y += item.height();
    ++drawn;
  }
  QFont struck = font();
  struck.setStrikeOut(true);
  for (const CalendarTask& t : day.tasks) {
    const QString text = timeText(t.time) + QLatin1Char(' ') +
                         (t.repeating ? QStringLiteral("\u21bb ") : QString()) +
                         QString::fromStdString(t.task);
    const QRect spot = itemRect(cell.left() + 3, y, textWidth, text);
    if (!room(spot)) break;
    painter.setFont(t.done ? struck : font());
    painter.setPen(t.done ? pal.color(QPalette::PlaceholderText) : pal.color(QPalette::Text));
    drawItem(painter, spot, text);
    spots_.append({spot, date, toolkit::toQTime(t.time)});
    y += spot.height();
    ++drawn;
  }
  painter.setFont(font());
  if (drawn < total) {
    painter.setPen(pal.color(QPalette::PlaceholderText));
    painter.drawText(QRect(cell.left() + 3, y, textWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
                     texts_.More.arg(total - drawn));
  }
}

QRect TCalendarView::itemRect(int left, int top, int width, const QString& text) const {
  const QFontMetrics metrics = fontMetrics();
  const int line = metrics.height();
  if (mode_ != WeekView) return QRect(left, top, width, line);
  // The week's columns are tall and narrow: an item takes the lines its
  // wrapped text needs, up to a few, rather than being cut to one.
  const int most = line * kWeekItemLines;
  const int wrapped =
      metrics.boundingRect(QRect(0, 0, width, most), Qt::TextWordWrap, text).height();
  return QRect(left, top, width, std::clamp(wrapped, line, most));
}

void TCalendarView::drawItem(QPainter& painter, const QRect& rect, const QString& text) const {
  if (mode_ == WeekView) {
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    return;
  }
  painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter,
                   fontMetrics().elidedText(text, Qt::ElideRight, rect.width()));
}

QDate TCalendarView::dayAt(const QPoint& at) const {
  const int count = lastShown().day - firstShown().day + 1;
  const int weeks = (count + 6) / 7;
  for (int i = 0; i < count; ++i)
    if (cellRect(i, weeks).contains(at))
      return toolkit::toQDate(format::Date{firstShown().day + i});
  return {};
}

void TCalendarView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
      setChosenDay(chosen_.addDays(-1));
      break;
    case Qt::Key_Right:
      setChosenDay(chosen_.addDays(1));
      break;
    case Qt::Key_Up:
      setChosenDay(chosen_.addDays(-7));
      break;
    case Qt::Key_Down:
      setChosenDay(chosen_.addDays(7));
      break;
    case Qt::Key_PageUp:
      moveMonths(-1);
      break;
    case Qt::Key_PageDown:
      moveMonths(1);
      break;
    case Qt::Key_Home:
      setChosenDay(today_);
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      emit dayOpened(chosen_);
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

void TCalendarView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  const QDate day = dayAt(event->position().toPoint());
  if (!day.isValid()) return;
  setChosenDay(day);
  // A double click may follow; the tasks page comes only when it does not.
  clickedDay_ = day;
  clickTimer_.start(QApplication::doubleClickInterval());
}

void TCalendarView::mouseDoubleClickEvent(QMouseEvent* event) {
  clickTimer_.stop();
  const QPoint at = event->position().toPoint();
  for (const TaskSpot& spot : spots_)
    if (spot.rect.contains(at)) {
      emit taskOpened(spot.day, spot.time);
      return;
    }
  const QDate day = dayAt(at);
  if (day.isValid()) emit dayOpened(day);
}

}  // namespace torvelle::books
