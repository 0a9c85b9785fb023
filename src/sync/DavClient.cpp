#include "sync/DavClient.h"

#include <QNetworkReply>
#include <QNetworkRequest>

namespace torvelle::sync {
namespace {

// Qt opens up to six connections to one host; more would only queue there.
constexpr int kMaxInFlight = 6;

}  // namespace

DavClient::DavClient(const QString& user, const QString& password, QObject* parent)
    : QObject(parent), authorization_("Basic " + (user + ':' + password).toUtf8().toBase64()) {}

void DavClient::send(const QByteArray& method, const QUrl& url, const QByteArray& body,
                     const Headers& headers, std::function<void(const DavReply&)> done) {
  queue_.push_back({method, url, body, headers, std::move(done)});
  startNext();
}

void DavClient::propfind(const QUrl& url, int depth, const QByteArray& body,
                         std::function<void(const DavReply&)> done) {
  send("PROPFIND", url, body,
       {{"Depth", QByteArray::number(depth)}, {"Content-Type", "application/xml; charset=utf-8"}},
       std::move(done));
}

void DavClient::report(const QUrl& url, int depth, const QByteArray& body,
                       std::function<void(const DavReply&)> done) {
  send("REPORT", url, body,
       {{"Depth", QByteArray::number(depth)}, {"Content-Type", "application/xml; charset=utf-8"}},
       std::move(done));
}

void DavClient::startNext() {
  while (running_ < kMaxInFlight && !queue_.empty()) {
    Pending next = std::move(queue_.front());
    queue_.pop_front();
    start(std::move(next));
  }
}

void DavClient::start(Pending pending) {
  QNetworkRequest request(pending.url);
  // Redirects are the caller's: discovery follows them itself, and a
  // PROPFIND must not turn into a GET on the way.
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::ManualRedirectPolicy);
  request.setRawHeader("Authorization", authorization_);
  for (const auto& [name, value] : pending.headers) request.setRawHeader(name, value);
  ++running_;
  QNetworkReply* reply = network_.sendCustomRequest(request, pending.method, pending.body);
  connect(reply, &QNetworkReply::finished, this, [this, reply, done = std::move(pending.done)] {
    DavReply out;
    out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (out.status == 0) out.error = reply->errorString();
    out.body = reply->readAll();
    out.etag = reply->rawHeader("ETag");
    if (const QByteArray location = reply->rawHeader("Location"); !location.isEmpty()) {
      out.location = reply->url().resolved(QUrl::fromEncoded(location));
    }
    reply->deleteLater();
    --running_;
    done(out);
    startNext();
  });
}

}  // namespace torvelle::sync
