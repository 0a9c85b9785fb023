#include "sync/SyncRun.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <set>

#include "engine/DbError.h"
#include "exchange/ExchangeError.h"
#include "sync/Discovery.h"
#include "sync/LocalBook.h"
#include "sync/Multistatus.h"
#include "sync/SyncError.h"

namespace torvelle::sync {
namespace {

constexpr SyncBook kBooks[] = {SyncBook::Phones, SyncBook::Tasks, SyncBook::Dates};
// Items asked for in one multiget: big enough to need few round trips,
// small enough for a server to answer promptly.
constexpr int kFetchChunk = 200;
// A book whose writes met newer versions is synced again, this often at most.
constexpr int kRounds = 3;

QByteArray xmlEscaped(const QString& text) {
  return text.toHtmlEscaped().toUtf8();
}

QByteArray syncQuery(const QString& token) {
  return R"(<?xml version="1.0" encoding="utf-8"?>
<D:sync-collection xmlns:D="DAV:"><D:sync-token>)" +
         xmlEscaped(token) +
         "</D:sync-token><D:sync-level>1</D:sync-level><D:prop><D:getetag/></D:prop>"
         "</D:sync-collection>";
}

const QByteArray kEtagQuery = R"(<?xml version="1.0" encoding="utf-8"?>
<D:propfind xmlns:D="DAV:" xmlns:CS="http://calendarserver.org/ns/">
<D:prop><D:getetag/><CS:getctag/><D:resourcetype/></D:prop></D:propfind>)";

QByteArray multigetQuery(SyncBook book, const QStringList& paths) {
  const bool card = book == SyncBook::Phones;
  QByteArray body = R"(<?xml version="1.0" encoding="utf-8"?>)";
  body +=
      card ? R"(<C:addressbook-multiget xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav">)"
           : R"(<C:calendar-multiget xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:caldav">)";
  body += card ? "<D:prop><D:getetag/><C:address-data/></D:prop>"
               : "<D:prop><D:getetag/><C:calendar-data/></D:prop>";
  for (const QString& path : paths) body += "<D:href>" + xmlEscaped(path) + "</D:href>";
  body += card ? "</C:addressbook-multiget>" : "</C:calendar-multiget>";
  return body;
}

QString httpFailure(const QUrl& url, const DavReply& reply) {
  if (reply.status == 0) return "offline or unreachable (" + url.host() + "): " + reply.error;
  if (reply.status == 401) return url.toString() + ": the server refused the user name or password";
  return url.toString() + ": the server answered " + QString::number(reply.status);
}

std::string collectionPath(const QUrl& url) {
  std::string path = url.path(QUrl::FullyDecoded).toStdString();
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

}  // namespace

struct SyncRun::BookRun {
  std::size_t index = 0;
  SyncBook book = SyncBook::Phones;
  CollectionState collection;
  ServerView view;
  std::string newToken;
  std::map<std::string, ItemState> state;  // by uid, as read at the start
  Plan plan;
  std::map<std::string, FieldMap> localFields;  // uid -> the record's fields after the merge
  std::map<std::string, std::optional<ItemState>> pushed;
  int pending = 0;
  int done = 0;
  int round = 1;
  bool pushFailed = false;
  bool staleWrites = false;  // a write met a newer version (412)
  QString error;
};

SyncRun::SyncRun(SyncOptions options, const Account& account, QObject* parent)
    : QObject(parent),
      options_(std::move(options)),
      account_(account),
      client_(QString::fromStdString(account.user), QString::fromStdString(account.password),
              this) {}

SyncRun::~SyncRun() = default;

QUrl SyncRun::urlOf(const QUrl& collection, const std::string& href) const {
  QUrl url = collection;
  url.setPath(QString::fromStdString(href), QUrl::DecodedMode);
  return url;
}

namespace {

struct Missing {
  SyncBook book;
  QString component;
  QString name;
  QUrl home;
};

struct Choices {
  std::vector<std::pair<SyncBook, QUrl>> chosen;
  std::vector<Missing> missing;
};

// The first address book, the first calendar for to-dos and another for
// events; the ones the server lacks are to be made in the homes.
Choices choose(const DiscoveryResult& found) {
  Choices out;
  std::set<QUrl> taken;
  const auto pick = [&](SyncBook book, const QString& component, const QString& name,
                        const QUrl& home) {
    for (const auto& c : found.collections) {
      const bool fits = component.isEmpty() ? c.addressBook
                                            : !c.addressBook && (c.components.isEmpty() ||
                                                                 c.components.contains(component));
      if (fits && !taken.contains(c.url)) {
        out.chosen.emplace_back(book, c.url);
        taken.insert(c.url);
        return;
      }
    }
    out.missing.push_back({book, component, name, home});
  };
  pick(SyncBook::Phones, {}, "Contacts", found.addressBookHome);
  pick(SyncBook::Tasks, "VTODO", "Tasks", found.calendarHome);
  pick(SyncBook::Dates, "VEVENT", "Important dates", found.calendarHome);
  return out;
}

QUrl childOf(const QUrl& home, const QString& name) {
  QUrl url = home;
  url.setPath(home.path() + (home.path().endsWith('/') ? "" : "/") +
              QString(name).toLower().replace(' ', '-') + "/");
  return url;
}

}  // namespace

void SyncRun::keepCollections(const std::vector<std::pair<SyncBook, QUrl>>& chosen) {
  if (!store_) {
    store_ = std::make_unique<SyncStore>(options_.root, options_.passwords, options_.protect);
  }
  for (const auto& [book, url] : chosen) {
    const auto old = store_->collection(book);
    if (old && old->url == url.toString().toStdString()) continue;
    store_->forget(book);
    store_->commit(book, {}, CollectionState{url.toString().toStdString(), {}, {}});
  }
}

void SyncRun::setUp(const std::function<void(const QString&)>& done) {
  const QUrl server(QString::fromStdString(account_.server));
  discover(client_, server, [this, done](const DiscoveryResult& found) {
    if (!found.error.isEmpty()) return done(found.error);
    auto choices = std::make_shared<Choices>(choose(found));
    auto left = std::make_shared<int>(static_cast<int>(choices->missing.size()) + 1);
    auto failure = std::make_shared<QString>();
    const auto oneDone = [this, choices, left, failure, done](const QString& error) {
      if (!error.isEmpty()) *failure = error;
      if (--*left > 0) return;
      if (!failure->isEmpty()) return done(*failure);
      try {
        keepCollections(choices->chosen);
        store_.reset();  // a sync opens it again; a window may want it first
      } catch (const std::exception& e) {
        return done(QString::fromStdString(e.what()));
      }
      done({});
    };
    for (const auto& m : choices->missing) {
      const QUrl url = childOf(m.home, m.name);
      choices->chosen.emplace_back(m.book, url);
      makeCollection(client_, url, m.component, m.name, oneDone);
    }
    oneDone({});
  });
}

void SyncRun::start() {
  summary_ = {};
  try {
    if (!store_) {
      store_ = std::make_unique<SyncStore>(options_.root, options_.passwords, options_.protect);
    }
  } catch (const std::exception& e) {
    summary_.errors.push_back(e.what());
    emit finished();
    return;
  }
  startBook(0);
}

void SyncRun::startBook(std::size_t index) {
  while (index < std::size(kBooks) && !store_->collection(kBooks[index])) ++index;
  if (index >= std::size(kBooks)) {
    store_.reset();  // the tables are free again for the window and others
    emit finished();
    return;
  }
  auto run = std::make_shared<BookRun>();
  run->index = index;
  run->book = kBooks[index];
  run->collection = *store_->collection(run->book);
  run->view.collection = collectionPath(QUrl(QString::fromStdString(run->collection.url)));
  emit progress(tr("Looking for changes: %1").arg(bookName(run->book)), 0, 0);
  listChanges(run, !run->collection.token.empty());
}

void SyncRun::bookFailed(const std::shared_ptr<BookRun>& run, const QString& error) {
  summary_.errors.push_back(std::string(bookName(run->book)) + ": " + error.toStdString());
  startBook(run->index + 1);
}

void SyncRun::listChanges(const std::shared_ptr<BookRun>& run, bool withToken) {
  const QUrl url(QString::fromStdString(run->collection.url));
  const QString token = withToken ? QString::fromStdString(run->collection.token) : QString();
  client_.report(url, 0, syncQuery(token), [this, run, url, withToken](const DavReply& reply) {
    if (reply.status == 0 || reply.status == 401) return bookFailed(run, httpFailure(url, reply));
    if (reply.status != 207) {
      // A token the server no longer knows: start over; no sync report at
      // all: list every ETag instead.
      return withToken ? listChanges(run, false) : listEtags(run);
    }
    try {
      const Multistatus ms = parseMultistatus(reply.body);
      run->view.complete = !withToken;
      run->newToken = ms.syncToken.toStdString();
      for (const auto& r : ms.resources) {
        const std::string href = r.href.toStdString();
        if (href == run->view.collection || href + "/" == run->view.collection) continue;
        if (r.status == 404) {
          run->view.removed.insert(href);
        } else if (r.props.contains("getetag")) {
          run->view.etags[href] = r.props.value("getetag").toStdString();
        }
      }
    } catch (const SyncError& e) {
      return bookFailed(run, QString::fromStdString(e.what()));
    }
    fetch(run);
  });
}

void SyncRun::listEtags(const std::shared_ptr<BookRun>& run) {
  const QUrl url(QString::fromStdString(run->collection.url));
  client_.propfind(url, 1, kEtagQuery, [this, run, url](const DavReply& reply) {
    if (reply.status != 207) return bookFailed(run, httpFailure(url, reply));
    try {
      run->view.complete = true;
      run->newToken.clear();
      for (const auto& r : parseMultistatus(reply.body).resources) {
        if (r.props.value("resourcetype").contains("collection")) continue;
        if (r.props.contains("getetag")) {
          run->view.etags[r.href.toStdString()] = r.props.value("getetag").toStdString();
        }
      }
    } catch (const SyncError& e) {
      return bookFailed(run, QString::fromStdString(e.what()));
    }
    fetch(run);
  });
}

void SyncRun::fetch(const std::shared_ptr<BookRun>& run) {
  run->state = store_->items(run->book);
  std::map<std::string, std::string> known;  // href -> etag last seen
  for (const auto& [uid, s] : run->state) known[s.href] = s.etag;
  QStringList wanted;
  for (const auto& [href, etag] : run->view.etags) {
    const auto it = known.find(href);
    if (it == known.end() || it->second != etag) wanted << QString::fromStdString(href);
  }
  run->pending = static_cast<int>((wanted.size() + kFetchChunk - 1) / kFetchChunk);
  run->done = 0;
  if (run->pending == 0) return mergeLocally(run);
  const QUrl url(QString::fromStdString(run->collection.url));
  const int total = static_cast<int>(wanted.size());
  for (qsizetype at = 0; at < wanted.size(); at += kFetchChunk) {
    QStringList paths;
    for (const QString& href : wanted.mid(at, kFetchChunk)) {
      paths << urlOf(url, href.toStdString()).path(QUrl::FullyEncoded);
    }
    client_.report(
        url, 1, multigetQuery(run->book, paths),
        [this, run, url, total](const DavReply& reply) { fetched(run, url, reply, total); });
  }
}

void SyncRun::fetched(const std::shared_ptr<BookRun>& run, const QUrl& url, const DavReply& reply,
                      int total) {
  if (reply.status != 207 && run->error.isEmpty()) run->error = httpFailure(url, reply);
  try {
    if (reply.status == 207) {
      const QString data = run->book == SyncBook::Phones ? "address-data" : "calendar-data";
      for (const auto& r : parseMultistatus(reply.body).resources) {
        const QString text = r.props.value(data);
        if (r.status / 100 != 2 || text.isEmpty()) continue;
        const std::string href = r.href.toStdString();
        run->view.texts[href] = text.toStdString();
        if (r.props.contains("getetag")) {
          run->view.etags[href] = r.props.value("getetag").toStdString();
        }
      }
    }
  } catch (const SyncError& e) {
    run->error = QString::fromStdString(e.what());
  }
  emit progress(tr("Fetching: %1").arg(bookName(run->book)),
                static_cast<int>(run->view.texts.size()), total);
  if (--run->pending > 0) return;
  if (!run->error.isEmpty()) return bookFailed(run, run->error);
  mergeLocally(run);
}

namespace {

struct LocalResult {
  Plan plan;
  std::map<std::string, FieldMap> fields;
  std::string error;
};

// The table's side, off the calling thread: read, decide, write the table
// as one change, then the state of every item that needs no write to the
// server as one change.
LocalResult mergeBook(const SyncOptions& options, SyncStore& store, SyncBook book,
                      const ServerView& view, std::map<std::string, ItemState> state) {
  LocalResult out;
  try {
    LocalBook local(options.root, book, options.passwords);
    ReconcileInput in;
    in.book = book;
    in.info = &local.info();
    in.local = local.items();
    in.state = std::move(state);
    in.server = view;
    in.extension = book == SyncBook::Phones ? ".vcf" : ".ics";
    in.allowEmpty = options.allowEmpty;
    out.plan = reconcile(in);
    const LocalBook::Applied applied = local.apply(out.plan.local);
    for (const auto& item : in.local) out.fields[item.uid] = item.fields;
    for (const auto& [uid, fields] : applied.stored) out.fields[uid] = fields;
    out.plan.refused.insert(out.plan.refused.end(), applied.refused.begin(), applied.refused.end());
    std::set<std::string> pushing;
    for (const auto& p : out.plan.pushes) pushing.insert(p.uid);
    std::map<std::string, std::optional<ItemState>> changes;
    for (auto& [uid, s] : out.plan.state) {
      if (pushing.contains(uid)) continue;
      if (s) {
        const auto it = out.fields.find(uid);
        if (it == out.fields.end()) continue;  // the table refused it
        s->localBase = it->second;
      }
      changes[uid] = s;
    }
    store.commit(book, changes, std::nullopt);
  } catch (const std::exception& e) {
    out.error = e.what();
  }
  return out;
}

}  // namespace

void SyncRun::mergeLocally(const std::shared_ptr<BookRun>& run) {
  emit progress(tr("Merging: %1").arg(bookName(run->book)), 0, 0);
  try {
    if (options_.release) options_.release();
  } catch (const std::exception& e) {
    return bookFailed(run, QString::fromStdString(e.what()));
  }
  auto* watcher = new QFutureWatcher<LocalResult>(this);
  connect(watcher, &QFutureWatcher<LocalResult>::finished, this, [this, run, watcher] {
    LocalResult result = watcher->result();
    watcher->deleteLater();
    if (options_.reclaim) options_.reclaim();
    if (!result.error.empty()) return bookFailed(run, QString::fromStdString(result.error));
    run->plan = std::move(result.plan);
    run->localFields = std::move(result.fields);
    push(run);
  });
  watcher->setFuture(
      QtConcurrent::run(mergeBook, options_, std::ref(*store_), run->book, run->view, run->state));
}

void SyncRun::push(const std::shared_ptr<BookRun>& run) {
  run->pending = static_cast<int>(run->plan.pushes.size());
  run->done = 0;
  if (run->pending == 0) return keepState(run);
  const QUrl collection(QString::fromStdString(run->collection.url));
  const QByteArray type =
      run->book == SyncBook::Phones ? "text/vcard; charset=utf-8" : "text/calendar; charset=utf-8";
  const int total = run->pending;
  for (const Push& p : run->plan.pushes) {
    Headers headers;
    if (p.ifMatch.empty()) {
      headers.push_back({"If-None-Match", "*"});
    } else {
      headers.push_back({"If-Match", QByteArray::fromStdString(p.ifMatch)});
    }
    if (!p.remove) headers.push_back({"Content-Type", type});
    const QUrl url = urlOf(collection, p.href);
    client_.send(
        p.remove ? "DELETE" : "PUT", url, QByteArray::fromStdString(p.text), headers,
        [this, run, p, url, total](const DavReply& reply) { pushed(run, p, url, reply, total); });
  }
}

void SyncRun::pushed(const std::shared_ptr<BookRun>& run, const Push& p, const QUrl& url,
                     const DavReply& reply, int total) {
  const bool gone = p.remove && reply.status == 404;
  if (reply.status / 100 == 2 || gone) {
    if (p.remove) {
      run->pushed[p.uid] = std::nullopt;
    } else {
      run->pushed[p.uid] =
          ItemState{p.uid, p.href, reply.etag.toStdString(), run->localFields[p.uid], p.text};
    }
  } else if (reply.status == 412) {
    run->staleWrites = true;
  } else {
    run->pushFailed = true;
    if (run->error.isEmpty()) run->error = httpFailure(url, reply);
  }
  emit progress(tr("Sending: %1").arg(bookName(run->book)), ++run->done, total);
  if (--run->pending == 0) keepState(run);
}

void SyncRun::keepState(const std::shared_ptr<BookRun>& run) {
  // The token covers what we have seen; after a failed write it must not
  // hide the server's side of that item next time, so the listing starts over.
  CollectionState collection = run->collection;
  collection.token = run->pushFailed || run->staleWrites ? std::string() : run->newToken;
  try {
    store_->commit(run->book, run->pushed, collection);
  } catch (const std::exception& e) {
    return bookFailed(run, QString::fromStdString(e.what()));
  }
  auto& counts = summary_.books.emplace_back();
  counts.name = bookName(run->book);
  counts.pulled = run->plan.pulled;
  counts.pushed = run->plan.pushed;
  counts.removedHere = run->plan.removedHere;
  counts.removedThere = run->plan.removedThere;
  summary_.conflicts.insert(summary_.conflicts.end(), run->plan.conflicts.begin(),
                            run->plan.conflicts.end());
  summary_.refused.insert(summary_.refused.end(), run->plan.refused.begin(),
                          run->plan.refused.end());
  if (run->pushFailed) return bookFailed(run, run->error);
  if (run->staleWrites && run->round < kRounds) {
    // Changed on the server while we merged: once more, with its new version.
    auto again = std::make_shared<BookRun>();
    again->index = run->index;
    again->book = run->book;
    again->round = run->round + 1;
    again->collection = *store_->collection(run->book);
    again->view.collection = run->view.collection;
    summary_.books.pop_back();
    return listChanges(again, false);
  }
  nextBook(run);
}

void SyncRun::nextBook(const std::shared_ptr<BookRun>& run) {
  startBook(run->index + 1);
}

}  // namespace torvelle::sync
