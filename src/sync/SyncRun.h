#pragma once
#include <QObject>
#include <QString>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sync/Account.h"
#include "sync/DavClient.h"
#include "sync/Reconcile.h"
#include "sync/SyncStore.h"
#include "sync/SyncSummary.h"

// One sync of a data folder with its account, book after book: the server's
// changes listed (sync token, else a listing of ETags) and fetched, merged
// with the table's in a worker thread and written as one change per table,
// then ours sent with conditional writes, then the new state kept. Only
// network callbacks and short bookkeeping run on the calling thread.
namespace torvelle::sync {

struct SyncOptions {
  std::filesystem::path root;
  std::vector<std::string> passwords;  // the tables' (and the sealed password's)
  bool protect = false;                // the tables are protected
  bool allowEmpty = false;             // mirror a side that lost everything
  // Called on the calling thread around the work on the tables: a window
  // that holds them open lets go of them before and takes them back after.
  // `release` may throw to skip the book this time.
  std::function<void()> release;
  std::function<void()> reclaim;
};

class SyncRun : public QObject {
  Q_OBJECT
 public:
  SyncRun(SyncOptions options, const Account& account, QObject* parent = nullptr);
  ~SyncRun() override;

  // Finds the collections, makes those missing, and keeps their addresses
  // (a new address forgets what was synced with the old one). `done` gets
  // an error text, empty on success.
  void setUp(const std::function<void(const QString&)>& done);
  // Syncs every book that has a collection; finished() tells the end.
  void start();

  const SyncSummary& summary() const { return summary_; }
  // Keeps the collections chosen for the books (a new address forgets what
  // was synced with the old one).
  void keepCollections(const std::vector<std::pair<SyncBook, QUrl>>& chosen);

 signals:
  void progress(const QString& what, int done, int total);
  void finished();

 private:
  struct BookRun;
  void startBook(std::size_t index);
  void listChanges(const std::shared_ptr<BookRun>& run, bool withToken);
  void listEtags(const std::shared_ptr<BookRun>& run);
  void fetch(const std::shared_ptr<BookRun>& run);
  void fetched(const std::shared_ptr<BookRun>& run, const QUrl& url, const DavReply& reply,
               int total);
  void mergeLocally(const std::shared_ptr<BookRun>& run);
  void push(const std::shared_ptr<BookRun>& run);
  void pushed(const std::shared_ptr<BookRun>& run, const Push& p, const QUrl& url,
              const DavReply& reply, int total);
  void keepState(const std::shared_ptr<BookRun>& run);
  void bookFailed(const std::shared_ptr<BookRun>& run, const QString& error);
  void nextBook(const std::shared_ptr<BookRun>& run);
  QUrl urlOf(const QUrl& collection, const std::string& href) const;

  SyncOptions options_;
  Account account_;
  DavClient client_;
  std::unique_ptr<SyncStore> store_;
  SyncSummary summary_;
};

}  // namespace torvelle::sync
