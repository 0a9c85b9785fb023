#include "books/MoveRecOnDate.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace torvelle::books {

TMoveRecOnDateForm::TMoveRecOnDateForm(QWidget* parent)
    : QDialog(parent),
      MonthCalendar(new QCalendarWidget(this)),
      OKButton(new QPushButton(QStringLiteral("OK"), this)),
      CancelButton(new QPushButton(QStringLiteral("Отмена"), this)) {
  setObjectName(QStringLiteral("MoveRecOnDateForm"));
  setWindowTitle(QStringLiteral("Move records on date:"));
  MonthCalendar->setObjectName(QStringLiteral("MonthCalendar"));
  MonthCalendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  MonthCalendar->setGridVisible(false);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  // A double click on a day is a choice too.
  connect(MonthCalendar, &QCalendarWidget::activated, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 6);
  layout->setSpacing(6);
  layout->addWidget(MonthCalendar);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  // The designed client area is 209 by 190; the calendar may need more.
  setFixedSize(layout->sizeHint().expandedTo(QSize(209, 190)));
  FormCreate();
}

void TMoveRecOnDateForm::FormCreate() {
  MonthCalendar->setSelectedDate(QDate::currentDate());
}

}  // namespace torvelle::books
