#pragma once
#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPair>
#include <QUrl>
#include <deque>
#include <functional>

// HTTP for WebDAV on Qt Network: every request asynchronous, its answer
// handed to a callback from the event loop. Credentials go with every
// request (Basic over the connection the user chose), so no round trip is
// spent on a 401 first. At most a few requests are on the wire at once;
// the rest wait their turn.
namespace torvelle::sync {

struct DavReply {
  int status = 0;  // HTTP status; 0 when no answer came
  QString error;   // the network's own words when no answer came
  QByteArray body;
  QByteArray etag;  // the ETag header, quotes kept
  QUrl location;    // a redirect's target, resolved
};

using Headers = QList<QPair<QByteArray, QByteArray>>;

class DavClient : public QObject {
  Q_OBJECT
 public:
  DavClient(const QString& user, const QString& password, QObject* parent = nullptr);

  void send(const QByteArray& method, const QUrl& url, const QByteArray& body,
            const Headers& headers, std::function<void(const DavReply&)> done);

  // Common shapes of the above.
  void propfind(const QUrl& url, int depth, const QByteArray& body,
                std::function<void(const DavReply&)> done);
  void report(const QUrl& url, int depth, const QByteArray& body,
              std::function<void(const DavReply&)> done);

  int inFlight() const { return running_; }

 private:
  struct Pending {
    QByteArray method;
    QUrl url;
    QByteArray body;
    Headers headers;
    std::function<void(const DavReply&)> done;
  };
  void startNext();
  void start(Pending pending);

  QNetworkAccessManager network_;
  QByteArray authorization_;
  std::deque<Pending> queue_;
  int running_ = 0;
};

}  // namespace torvelle::sync
