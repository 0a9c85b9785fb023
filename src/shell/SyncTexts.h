#pragma once
#include <QObject>
#include <QString>

namespace torvelle::shell {

// The texts of syncing with a phone's server: the account dialog, the tool
// bar and tray entries, and what the status bar says. The language table
// sets them by name; the sync reads them when it speaks.
class TSyncTexts : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString AccountCaption MEMBER AccountCaption)
  Q_PROPERTY(QString ServerLabel MEMBER ServerLabel)
  Q_PROPERTY(QString UserLabel MEMBER UserLabel)
  Q_PROPERTY(QString PasswordLabel MEMBER PasswordLabel)
  Q_PROPERTY(QString EveryLabel MEMBER EveryLabel)
  Q_PROPERTY(QString MinutesSuffix MEMBER MinutesSuffix)
  Q_PROPERTY(QString ManualOnly MEMBER ManualOnly)
  Q_PROPERTY(QString FindButton MEMBER FindButton)
  Q_PROPERTY(QString ContactsLabel MEMBER ContactsLabel)
  Q_PROPERTY(QString TasksLabel MEMBER TasksLabel)
  Q_PROPERTY(QString DatesLabel MEMBER DatesLabel)
  Q_PROPERTY(QString LinksNote MEMBER LinksNote)
  Q_PROPERTY(QString Searching MEMBER Searching)
  Q_PROPERTY(QString Found MEMBER Found)
  Q_PROPERTY(QString SyncButton MEMBER SyncButton)
  Q_PROPERTY(QString AccountItem MEMBER AccountItem)
  Q_PROPERTY(QString Syncing MEMBER Syncing)
  Q_PROPERTY(QString Synced MEMBER Synced)
  Q_PROPERTY(QString Failed MEMBER Failed)
  Q_PROPERTY(QString Trouble MEMBER Trouble)
  Q_PROPERTY(QString Conflicts MEMBER Conflicts)
 public:
  explicit TSyncTexts(QObject* parent = nullptr) : QObject(parent) {
    setObjectName(QStringLiteral("SyncTexts"));
  }

  QString AccountCaption = QStringLiteral("Sync with the phone");
  QString ServerLabel = QStringLiteral("Server:");
  QString UserLabel = QStringLiteral("User:");
  QString PasswordLabel = QStringLiteral("Password:");
  QString EveryLabel = QStringLiteral("Every:");
  QString MinutesSuffix = QStringLiteral(" min");
  QString ManualOnly = QStringLiteral("only by hand");
  QString FindButton = QStringLiteral("Find collections");
  QString ContactsLabel = QStringLiteral("Phone book:");
  QString TasksLabel = QStringLiteral("Daily tasks:");
  QString DatesLabel = QStringLiteral("Important dates:");
  QString LinksNote =
      QStringLiteral("Helpful links are not synced: servers have no collections for them.");
  QString Searching = QStringLiteral("Searching...");
  QString Found = QStringLiteral("Collections found: %1");
  QString SyncButton = QStringLiteral("Sync");
  QString AccountItem = QStringLiteral("Sync account...");
  QString Syncing = QStringLiteral("Syncing...");
  QString Synced = QStringLiteral("Synced");
  QString Failed = QStringLiteral("Sync failed: %1");
  QString Trouble = QStringLiteral("Sync: %1");
  QString Conflicts = QStringLiteral(
      "Sync: conflicts: %1. The server's version was taken, yours was kept beside it.");
};

}  // namespace torvelle::shell
