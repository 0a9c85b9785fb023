#pragma once
#include <QObject>
#include <QString>

namespace torvelle::books {

// The texts of the pages' import and export: file dialogs, the summary
// shown before an import writes anything, and the failure messages. One
// object serves every page; the language table sets its properties by name.
// "%1" is the number or the file named in the text.
class TExchangeTexts : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString ImportCaption MEMBER ImportCaption)
  Q_PROPERTY(QString ExportCaption MEMBER ExportCaption)
  Q_PROPERTY(QString VCardFilter MEMBER VCardFilter)
  Q_PROPERTY(QString CalendarFilter MEMBER CalendarFilter)
  Q_PROPERTY(QString CsvFilter MEMBER CsvFilter)
  Q_PROPERTY(QString SummaryCaption MEMBER SummaryCaption)
  Q_PROPERTY(QString ToAdd MEMBER ToAdd)
  Q_PROPERTY(QString Existing MEMBER Existing)
  Q_PROPERTY(QString NewSections MEMBER NewSections)
  Q_PROPERTY(QString Refused MEMBER Refused)
  Q_PROPERTY(QString NotStored MEMBER NotStored)
  Q_PROPERTY(QString FoldAccents MEMBER FoldAccents)
  Q_PROPERTY(QString Folded MEMBER Folded)
  Q_PROPERTY(QString ImportButton MEMBER ImportButton)
  Q_PROPERTY(QString ImportRestButton MEMBER ImportRestButton)
  Q_PROPERTY(QString CancelButton MEMBER CancelButton)
  Q_PROPERTY(QString SaveRefusedButton MEMBER SaveRefusedButton)
  Q_PROPERTY(QString SaveRefusedCaption MEMBER SaveRefusedCaption)
  Q_PROPERTY(QString RefusedFilter MEMBER RefusedFilter)
  Q_PROPERTY(QString Progress MEMBER Progress)
  Q_PROPERTY(QString ImportFailed MEMBER ImportFailed)
  Q_PROPERTY(QString ExportFailed MEMBER ExportFailed)
  Q_PROPERTY(QString UnknownFormat MEMBER UnknownFormat)
 public:
  explicit TExchangeTexts(QObject* parent = nullptr) : QObject(parent) {
    setObjectName(QStringLiteral("ExchangeTexts"));
  }

  QString ImportCaption = QStringLiteral("Import records");
  QString ExportCaption = QStringLiteral("Export records");
  QString VCardFilter = QStringLiteral("vCard contacts");
  QString CalendarFilter = QStringLiteral("iCalendar");
  QString CsvFilter = QStringLiteral("CSV table");
  QString SummaryCaption = QStringLiteral("Import from %1");
  QString ToAdd = QStringLiteral("Records to add: %1");
  QString Existing = QStringLiteral("Already in the book, left out: %1");
  QString NewSections = QStringLiteral("New sections: %1");
  QString Refused = QStringLiteral("Records that cannot be stored: %1");
  QString NotStored = QStringLiteral("In the file, but no field takes it:");
  QString FoldAccents = QStringLiteral("Store letters without their accents");
  QString Folded = QStringLiteral("Stored without accents: %1");
  QString ImportButton = QStringLiteral("Import");
  QString ImportRestButton = QStringLiteral("Import the rest");
  QString CancelButton = QStringLiteral("Cancel");
  QString SaveRefusedButton = QStringLiteral("Save refused items...");
  QString SaveRefusedCaption = QStringLiteral("Save the refused items");
  QString RefusedFilter = QStringLiteral("Refused items");
  QString Progress = QStringLiteral("Importing records...");
  QString ImportFailed = QStringLiteral("Nothing was imported from %1:");
  QString ExportFailed = QStringLiteral("Nothing was exported to %1:");
  QString UnknownFormat = QStringLiteral("The file name does not tell its format.");
};

}  // namespace torvelle::books
