#pragma once
#include <QCalendarWidget>
#include <QDialog>
#include <QPushButton>

namespace torvelle::books {

// The calendar dialog that asks for the day to move tasks to. Created once,
// it keeps the last day chosen between showings.
class TMoveRecOnDateForm : public QDialog {
  Q_OBJECT
 public:
  explicit TMoveRecOnDateForm(QWidget* parent = nullptr);

  QDate chosenDay() const { return MonthCalendar->selectedDate(); }

  QCalendarWidget* MonthCalendar;
  QPushButton* OKButton;
  QPushButton* CancelButton;

 private:
  void FormCreate();
};

}  // namespace torvelle::books
