#pragma once
#include <QObject>
#include <QString>
#include <QStringList>

namespace torvelle::print {

// The texts of the calendar page, the printed sheets and the search box,
// English as built in; the language table sets them by property name. Lists
// of names are separated by commas.
class TCalendarTexts : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString Months MEMBER Months)
  Q_PROPERTY(QString WeekDays MEMBER WeekDays)
  Q_PROPERTY(QString TasksFor MEMBER TasksFor)
  Q_PROPERTY(QString WeekTitle MEMBER WeekTitle)
  Q_PROPERTY(QString TimeColumn MEMBER TimeColumn)
  Q_PROPERTY(QString TaskColumn MEMBER TaskColumn)
  Q_PROPERTY(QString DateColumn MEMBER DateColumn)
  Q_PROPERTY(QString EventColumn MEMBER EventColumn)
  Q_PROPERTY(QString NameColumn MEMBER NameColumn)
  Q_PROPERTY(QString HomeColumn MEMBER HomeColumn)
  Q_PROPERTY(QString WorkColumn MEMBER WorkColumn)
  Q_PROPERTY(QString MobileColumn MEMBER MobileColumn)
  Q_PROPERTY(QString EmailColumn MEMBER EmailColumn)
  Q_PROPERTY(QString PhoneBookTitle MEMBER PhoneBookTitle)
  Q_PROPERTY(QString DatesTitle MEMBER DatesTitle)
  Q_PROPERTY(QString PageFooter MEMBER PageFooter)
  Q_PROPERTY(QString Years MEMBER Years)
  Q_PROPERTY(QString More MEMBER More)
  Q_PROPERTY(QString PdfFilter MEMBER PdfFilter)
  Q_PROPERTY(QString PdfCaption MEMBER PdfCaption)
  Q_PROPERTY(QString SearchCaption MEMBER SearchCaption)
  Q_PROPERTY(QString SearchBooks MEMBER SearchBooks)
 public:
  explicit TCalendarTexts(QObject* parent = nullptr) : QObject(parent) {
    setObjectName(QStringLiteral("CalendarTexts"));
  }

  QString Months = QStringLiteral(
      "January,February,March,April,May,June,July,August,September,October,November,December");
  QString WeekDays = QStringLiteral("Monday,Tuesday,Wednesday,Thursday,Friday,Saturday,Sunday");
  QString TasksFor = QStringLiteral("Tasks for %1");  // %1 the day
  QString WeekTitle = QStringLiteral("Week %1 to %2");
  QString TimeColumn = QStringLiteral("Time");
  QString TaskColumn = QStringLiteral("Task");
  QString DateColumn = QStringLiteral("Date");
  QString EventColumn = QStringLiteral("Event");
  QString NameColumn = QStringLiteral("Name");
  QString HomeColumn = QStringLiteral("Home phone");
  QString WorkColumn = QStringLiteral("Work phone");
  QString MobileColumn = QStringLiteral("Mobile");
  QString EmailColumn = QStringLiteral("E-mail");
  QString PhoneBookTitle = QStringLiteral("Phone book");
  QString DatesTitle = QStringLiteral("Important dates");
  QString PageFooter = QStringLiteral("Page %1 of %2");
  QString Years = QStringLiteral("%1 years");
  QString More = QStringLiteral("%1 more");  // items that did not fit
  QString PdfFilter = QStringLiteral("PDF documents");
  QString PdfCaption = QStringLiteral("Export to PDF");
  QString SearchCaption = QStringLiteral("Search all books");
  QString SearchBooks = QStringLiteral("Daily tasks,Phone book,Important dates,Helpful links");

  // Entry `index` of a comma list, blank past its end.
  static QString listItem(const QString& list, int index) {
    return list.split(QLatin1Char(',')).value(index).trimmed();
  }
  QString monthName(int month) const { return listItem(Months, month - 1); }
  QString weekDay(int index) const { return listItem(WeekDays, index); }
};

}  // namespace torvelle::print
