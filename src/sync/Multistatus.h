#pragma once
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// A WebDAV multistatus reply (RFC 4918), as the sync needs it: per response
// its href, its status and the properties that came back with 200.
namespace torvelle::sync {

struct DavResource {
  QString href;      // percent-decoded path as the server wrote it
  int status = 200;  // the response's own status (404 = removed in a sync reply)
  // Property local name to its text: an href inside (principal, home sets)
  // is the text; resourcetype and the component set list child names or
  // "name" attributes joined by spaces.
  QMap<QString, QString> props;
};

struct Multistatus {
  QVector<DavResource> resources;
  QString syncToken;  // the reply's own sync token
};

// Throws SyncError for text that is not a well-formed multistatus.
Multistatus parseMultistatus(const QByteArray& xml);

}  // namespace torvelle::sync
