#include "sync/Discovery.h"

#include <memory>

#include "sync/Multistatus.h"
#include "sync/SyncError.h"

namespace torvelle::sync {
namespace {

const QByteArray kPrincipalQuery =
    R"(<?xml version="1.0" encoding="utf-8"?>
<D:propfind xmlns:D="DAV:"><D:prop><D:current-user-principal/></D:prop></D:propfind>)";

const QByteArray kHomesQuery =
    R"(<?xml version="1.0" encoding="utf-8"?>
<D:propfind xmlns:D="DAV:" xmlns:A="urn:ietf:params:xml:ns:carddav" xmlns:C="urn:ietf:params:xml:ns:caldav">
<D:prop><A:addressbook-home-set/><C:calendar-home-set/></D:prop></D:propfind>)";

const QByteArray kCollectionsQuery =
    R"(<?xml version="1.0" encoding="utf-8"?>
<D:propfind xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:caldav">
<D:prop><D:resourcetype/><D:displayname/><C:supported-calendar-component-set/></D:prop></D:propfind>)";

QString failure(const QUrl& url, const DavReply& reply) {
  if (reply.status == 0) return url.toString() + ": " + reply.error;
  if (reply.status == 401) return url.toString() + ": the server refused the user name or password";
  return url.toString() + ": the server answered " + QString::number(reply.status);
}

QUrl withPath(const QUrl& base, const QString& path) {
  QUrl url = base;
  url.setPath(path, QUrl::DecodedMode);
  url.setQuery(QString());
  return url;
}

QString firstProp(const QByteArray& body, const QString& name) {
  const Multistatus ms = parseMultistatus(body);
  for (const auto& r : ms.resources) {
    if (r.props.contains(name)) return r.props.value(name);
  }
  return {};
}

struct Walk {
  DavClient& client;
  QUrl server;
  std::function<void(const DiscoveryResult&)> done;
  DiscoveryResult result;
  int redirects = 0;
  int homesLeft = 0;
};

void finish(const std::shared_ptr<Walk>& w, const QString& error = {}) {
  w->result.error = error;
  w->done(w->result);
}

void listHome(const std::shared_ptr<Walk>& w, const QUrl& home) {
  w->client.propfind(home, 1, kCollectionsQuery, [w, home](const DavReply& reply) {
    if (reply.status != 207) return finish(w, failure(home, reply));
    try {
      for (const auto& r : parseMultistatus(reply.body).resources) {
        const QStringList types = r.props.value("resourcetype").split(' ');
        DavCollection c{withPath(home, r.href),
                        r.props.value("displayname"),
                        types.contains("addressbook"),
                        {}};
        if (!c.addressBook && !types.contains("calendar")) continue;
        if (!c.addressBook) {
          c.components =
              r.props.value("supported-calendar-component-set").split(' ', Qt::SkipEmptyParts);
        }
        w->result.collections.push_back(c);
      }
    } catch (const SyncError& e) {
      return finish(w, home.toString() + ": " + QString::fromStdString(e.what()));
    }
    if (--w->homesLeft == 0) finish(w);
  });
}

void findHomes(const std::shared_ptr<Walk>& w, const QUrl& principal) {
  w->client.propfind(principal, 0, kHomesQuery, [w, principal](const DavReply& reply) {
    if (reply.status != 207) return finish(w, failure(principal, reply));
    try {
      const QString books = firstProp(reply.body, "addressbook-home-set");
      const QString calendars = firstProp(reply.body, "calendar-home-set");
      if (books.isEmpty() && calendars.isEmpty()) {
        return finish(w, principal.toString() + ": no address book or calendar home");
      }
      if (!books.isEmpty()) w->result.addressBookHome = withPath(principal, books);
      if (!calendars.isEmpty()) w->result.calendarHome = withPath(principal, calendars);
    } catch (const SyncError& e) {
      return finish(w, principal.toString() + ": " + QString::fromStdString(e.what()));
    }
    QVector<QUrl> homes;
    if (!w->result.addressBookHome.isEmpty()) homes << w->result.addressBookHome;
    if (!w->result.calendarHome.isEmpty() && w->result.calendarHome != w->result.addressBookHome) {
      homes << w->result.calendarHome;
    }
    w->homesLeft = static_cast<int>(homes.size());
    for (const QUrl& home : homes) listHome(w, home);
  });
}

void findPrincipal(const std::shared_ptr<Walk>& w, const QUrl& url, bool lastTry) {
  w->client.propfind(url, 0, kPrincipalQuery, [w, url, lastTry](const DavReply& reply) {
    if (reply.status / 100 == 3 && !reply.location.isEmpty() && ++w->redirects < 5) {
      return findPrincipal(w, reply.location, lastTry);
    }
    QString principal;
    if (reply.status == 207) {
      try {
        principal = firstProp(reply.body, "current-user-principal");
      } catch (const SyncError&) {
      }
    }
    if (!principal.isEmpty()) return findHomes(w, withPath(url, principal));
    if (lastTry || reply.status == 401 || reply.status == 0) return finish(w, failure(url, reply));
    // No well-known address: the server's own address may answer.
    findPrincipal(w, w->server, true);
  });
}

}  // namespace

void discover(DavClient& client, const QUrl& server,
              std::function<void(const DiscoveryResult&)> done) {
  auto w = std::make_shared<Walk>(Walk{client, server, std::move(done), {}, 0, 0});
  findPrincipal(w, withPath(server, "/.well-known/carddav"), false);
}

void makeCollection(DavClient& client, const QUrl& url, const QString& component,
                    const QString& name, std::function<void(const QString&)> done) {
  QByteArray body;
  QByteArray method;
  if (component.isEmpty()) {
    method = "MKCOL";
    body = R"(<?xml version="1.0" encoding="utf-8"?>
<D:mkcol xmlns:D="DAV:" xmlns:A="urn:ietf:params:xml:ns:carddav"><D:set><D:prop>
<D:resourcetype><D:collection/><A:addressbook/></D:resourcetype><D:displayname>)" +
           name.toHtmlEscaped().toUtf8() + "</D:displayname></D:prop></D:set></D:mkcol>";
  } else {
    method = "MKCALENDAR";
    body = R"(<?xml version="1.0" encoding="utf-8"?>
<C:mkcalendar xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:caldav"><D:set><D:prop><D:displayname>)" +
           name.toHtmlEscaped().toUtf8() +
           "</D:displayname><C:supported-calendar-component-set><C:comp name=\"" +
           component.toUtf8() +
           "\"/></C:supported-calendar-component-set></D:prop></D:set></C:mkcalendar>";
  }
  client.send(method, url, body, {{"Content-Type", "application/xml; charset=utf-8"}},
              [url, done = std::move(done)](const DavReply& reply) {
                done(reply.status / 100 == 2 ? QString() : failure(url, reply));
              });
}

}  // namespace torvelle::sync
