// Sync with a Radicale on loopback: the first sync of 1,000 contacts and
// 1,000 tasks, then a sync with one change on each side, and the longest
// stretch the calling thread spent away from its event loop meanwhile.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "BenchRegistry.h"
#include "GuiBench.h"
#include "sync/Radicale.h"
#include "sync/SyncFolders.h"
#include "sync/SyncRun.h"

namespace torvelle::bench {
namespace {

// Radicale 3.1 reads its whole collection on every PUT, so a first sync
// grows with the square of the count: TORVELLE_BENCH_SYNC_ITEMS sets a
// smaller one for a quick figure (the names say the count used).
int itemCount() {
  const char* count = std::getenv("TORVELLE_BENCH_SYNC_ITEMS");
  return count ? std::max(1, std::atoi(count)) : 1000;
}

void fill(const std::filesystem::path& root, int items) {
  auto phones = sync::test::openBook(root, sync::SyncBook::Phones);
  phones->batch([&] {
    for (int i = 0; i < items; ++i) {
      phones->insert(sync::recordWithFields(phones->info(), {},
                                            {{"Section", i % 2 ? "Друзья" : "Work"},
                                             {"Name", "Контакт " + std::to_string(i)},
                                             {"HomePhone", "+7 495 " + std::to_string(1000000 + i)},
                                             {"Email", "c" + std::to_string(i) + "@example.org"}}));
    }
  });
  auto tasks = sync::test::openBook(root, sync::SyncBook::Tasks);
  tasks->batch([&] {
    for (int i = 0; i < items; ++i) {
      tasks->insert(sync::recordWithFields(
          tasks->info(), {},
          {{"Date", "2027-02-" + std::to_string(10 + i % 18)},
           {"Time", std::to_string(i * 1000)},
           {"Task", "Задача номер " + std::to_string(i)},
           {"Description", i % 3 ? "" : "Notes on task " + std::to_string(i)}}));
    }
  });
}

struct Timed {
  double ms = 0;
  double longestSliceMs = 0;
  std::string summary;
};

// Runs one sync on this thread's event loop; a zero timer notes how long
// the loop went without turning.
Timed runSync(const sync::SyncOptions& options, const sync::Account& account, bool setUp) {
  sync::SyncRun run(options, account);
  QEventLoop loop;
  QObject::connect(&run, &sync::SyncRun::finished, &loop, &QEventLoop::quit);
  QElapsedTimer sinceTick;
  double longest = 0;
  QTimer ticker;
  ticker.setInterval(0);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    longest = std::max(longest, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
    sinceTick.restart();
  });
  Timed t;
  const double ms = millis([&] {
    QTimer::singleShot(0, &run, [&] {
      sinceTick.start();
      ticker.start();
      if (!setUp) return run.start();
      run.setUp([&](const QString& error) {
        if (!error.isEmpty()) throw std::runtime_error(error.toStdString());
        run.start();
      });
    });
    loop.exec();
  });
  ticker.stop();
  t.ms = ms;
  t.longestSliceMs = longest;
  t.summary = run.summary().text();
  if (!run.summary().ok()) throw std::runtime_error(t.summary);
  return t;
}

void runSyncBench() {
  if (!testing::Radicale::available()) throw std::runtime_error("Radicale is not installed");
  const auto app = startGuiBench();
  testing::Radicale server;
  testing::TempDir a, b;
  sync::test::makeFolder(a.path());
  sync::test::makeFolder(b.path());
  const int items = itemCount();
  fill(a.path(), items);
  const std::string size = std::to_string(items);
  const sync::Account account{server.url(), "alice", "secret"};
  sync::SyncOptions options;
  options.root = a.path();
  const Timed first = runSync(options, account, true);
  report("sync.first." + size + "_contacts_" + size + "_tasks", first.ms / 1000, "s");
  report("sync.first.longest_event_loop_stall", first.longestSliceMs, "ms");

  // The other side: a second folder pulls everything and changes a contact.
  sync::SyncOptions other = options;
  other.root = b.path();
  runSync(other, account, true);
  sync::test::edit(b.path(), sync::SyncBook::Phones, "Name", "Контакт 7", {{"Cellular", "555"}});
  runSync(other, account, false);
  sync::test::edit(a.path(), sync::SyncBook::Tasks, "Task", "Задача номер 9", {{"Done", "1"}});
  const Timed next = runSync(options, account, false);
  report("sync.incremental.one_change_each_side", next.ms, "ms");
  report("sync.incremental.longest_event_loop_stall", next.longestSliceMs, "ms");
}

const Registration reg("sync", &runSyncBench);

}  // namespace
}  // namespace torvelle::bench
