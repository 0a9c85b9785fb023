#pragma once
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVector>
#include <functional>

#include "sync/DavClient.h"

// Finding a user's collections from the server's address alone: the
// well-known addresses, the current user's principal, its address book and
// calendar homes, and the collections in them.
namespace torvelle::sync {

struct DavCollection {
  QUrl url;
  QString name;
  bool addressBook = false;
  QStringList components;  // a calendar's: "VEVENT", "VTODO"; empty = any
};

struct DiscoveryResult {
  QString error;  // empty on success
  QUrl addressBookHome, calendarHome;
  QVector<DavCollection> collections;
};

void discover(DavClient& client, const QUrl& server,
              std::function<void(const DiscoveryResult&)> done);

// Makes a collection (an address book, or a calendar for the given
// component) at `url`; `done` gets an error text, empty on success.
void makeCollection(DavClient& client, const QUrl& url, const QString& component,
                    const QString& name, std::function<void(const QString&)> done);

}  // namespace torvelle::sync
