#pragma once
#include <QDate>
#include <QTime>
#include <QTimer>
#include <QVector>
#include <QWidget>
#include <functional>

#include "books/CalendarRules.h"
#include "print/CalendarTexts.h"

namespace torvelle::books {

// The month grid (weeks from Monday) or one week, each day with its
// important dates and tasks. Arrows move the chosen day by a day or a week,
// PgUp and PgDn by a month. A click on a day chooses it and, unless a second
// click follows, asks for it on the tasks page; a double click on a task
// asks for that task.
class TCalendarView : public QWidget {
  Q_OBJECT
 public:
  enum Mode { MonthView, WeekView };

  TCalendarView(const print::TCalendarTexts& texts, QWidget* parent = nullptr);

  // The data is asked for again whenever the view has been told it changed.
  void setSource(std::function<CalendarData()> source);
  void dataChanged();
  void setMode(Mode mode);
  Mode mode() const { return mode_; }
  void setChosenDay(QDate day);
  QDate chosenDay() const { return chosen_; }
  void setToday(QDate today);
  // Moves the chosen day by whole months, keeping the day of the month
  // where the target month has it.
  void moveMonths(int months);

  // The days shown, first and last.
  format::Date firstShown() const;
  format::Date lastShown() const;

 signals:
  void chosenDayChanged(QDate day);
  void dayOpened(QDate day);
  void taskOpened(QDate day, QTime time);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  struct TaskSpot {
    QRect rect;
    QDate day;
    QTime time;
  };
  const CalendarData& data();
  QRect cellRect(int index, int weeks) const;
  int headerHeight() const;
  void paintDay(QPainter& painter, const QRect& cell, const CalendarDay& day);
  QRect itemRect(int left, int top, int width, const QString& text) const;
  void drawItem(QPainter& painter, const QRect& rect, const QString& text) const;
  static constexpr int kWeekItemLines = 4;
  QDate dayAt(const QPoint& at) const;

  const print::TCalendarTexts& texts_;
  std::function<CalendarData()> source_;
  CalendarData data_;
  bool stale_ = true;
  Mode mode_ = MonthView;
  QDate chosen_;
  QDate today_;
  QVector<TaskSpot> spots_;
  QTimer clickTimer_;
  QDate clickedDay_;
};

}  // namespace torvelle::books
