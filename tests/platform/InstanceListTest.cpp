#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "platform/InstanceStart.h"
#include "platform/MarkerInstanceList.h"
#include "support/SingleInstance.h"

using torvelle::platform::startInstance;
using torvelle::platform::TInstanceStart;
using torvelle::platform::TMarkerInstanceList;
using torvelle::support::isFirstInstance;
using torvelle::support::WindowEntry;

namespace {

const char* const kExe = "/opt/organizer/torvelle";

WindowEntry ourMarker() {
  return {false, "Torvelle", "TApplication"};
}

QStringList markerFiles(const QString& folder) {
  return QDir(folder).entryList({QStringLiteral("*.marker")}, QDir::Files);
}

}  // namespace

class InstanceListTest : public QObject {
  Q_OBJECT
 private slots:
  void liveMarkerBlocksAndOwnMarkerIsNotListed();
  void markerCarriesTitleAndClassExactly();
  void markerOfCrashedProcessIsRemoved();
  void markerWithoutLockIsStale();
  void withdrawRemovesMarker();
  void openRequestReachesRunningInstance();
  void receiverMayRunANestedLoop();
  void unsafeFolderIsNotUsed();
  void markerWithoutSocketStillBlocks();
  void secondStartHandsOverOnlyWithoutTray();
};

void InstanceListTest::liveMarkerBlocksAndOwnMarkerIsNotListed() {
  QTemporaryDir dir;
  const QString folder = dir.filePath("torvelle");
  TMarkerInstanceList first(folder);
  TMarkerInstanceList second(folder);
  QVERIFY(isFirstInstance(second.windowEntries(), kExe));

  QVERIFY(first.publish(ourMarker()));
  QVERIFY(first.windowEntries().empty());
  const auto seen = second.windowEntries();
  QCOMPARE(seen.size(), std::size_t{1});
  QVERIFY(!isFirstInstance(seen, kExe));
  QCOMPARE(QFileInfo(folder).permissions() & (QFile::ReadOther | QFile::ReadGroup),
           QFileDevice::Permissions{});
}

void InstanceListTest::markerCarriesTitleAndClassExactly() {
  QTemporaryDir dir;
  TMarkerInstanceList running(dir.path());
  TMarkerInstanceList starting(dir.path());

  // Another program's window with our title but another class.
  QVERIFY(running.publish({false, "Torvelle", "QWidgetWindow"}));
  auto seen = starting.windowEntries();
  QCOMPARE(seen.size(), std::size_t{1});
  QCOMPARE(seen[0].className, std::string("QWidgetWindow"));
  QVERIFY(isFirstInstance(seen, kExe));

  // Characters that the file's own syntax uses survive the round trip.
  const WindowEntry odd{false, "Ежедневник=1\nline%2", "TApplication"};
  QVERIFY(running.publish(odd));
  seen = starting.windowEntries();
  QCOMPARE(seen.size(), std::size_t{1});
  QCOMPARE(seen[0].title, odd.title);
  QCOMPARE(seen[0].className, odd.className);
  QVERIFY(!seen[0].owned);
  QCOMPARE(markerFiles(dir.path()).size(), 1);  // republishing replaced the first
}

void InstanceListTest::markerOfCrashedProcessIsRemoved() {
  QTemporaryDir dir;
  const QString path = dir.filePath("4242-crashed.marker");
  int ready[2];
  QVERIFY(::pipe(ready) == 0);
  const pid_t child = ::fork();
  QVERIFY(child >= 0);
  if (child == 0) {
    // A running instance as another process: marker locked, then it dies
    // without cleaning up.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT, 0600);
    const char text[] = "pid=4242\ntitle=Torvelle\nclass=TApplication\n";
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(fd, text, sizeof text - 1) < 0) _exit(1);
    if (::write(ready[1], "x", 1) != 1) _exit(1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char byte = 0;
  QCOMPARE(::read(ready[0], &byte, 1), ssize_t{1});
  ::close(ready[0]);

  TMarkerInstanceList starting(dir.path());
  QVERIFY(!isFirstInstance(starting.windowEntries(), kExe));

  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  QVERIFY(isFirstInstance(starting.windowEntries(), kExe));
  QVERIFY(!QFile::exists(path));
}

void InstanceListTest::markerWithoutLockIsStale() {
  QTemporaryDir dir;
  const QString path = dir.filePath("999999-old.marker");
  const QString socket = dir.filePath("999999-old.sock");
  for (const QString& name : {path, socket}) {
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    if (name == path)
      file.write("pid=999999\ntitle=Torvelle\nclass=TApplication\nserver=" +
                 QFile::encodeName(socket) + "\n");
  }
  TMarkerInstanceList starting(dir.path());
  QVERIFY(starting.windowEntries().empty());
  QVERIFY(!QFile::exists(path));
  QVERIFY(!QFile::exists(socket));
  QVERIFY(starting.publish(ourMarker()));
}

void InstanceListTest::withdrawRemovesMarker() {
  QTemporaryDir dir;
  TMarkerInstanceList starting(dir.path());
  {
    TMarkerInstanceList running(dir.path());
    QVERIFY(running.publish(ourMarker()));
    QVERIFY(QFile::exists(running.markerPath()));
    running.withdraw();
    QVERIFY(starting.windowEntries().empty());
    QVERIFY(running.publish(ourMarker()));
    QCOMPARE(starting.windowEntries().size(), std::size_t{1});
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.sock")}, QDir::System).size(), 1);
  }
  // Destroyed: gone without waiting for a stale check, its socket too.
  QVERIFY(markerFiles(dir.path()).isEmpty());
  QVERIFY(QDir(dir.path()).entryList({QStringLiteral("*.sock")}, QDir::System).isEmpty());
}

void InstanceListTest::openRequestReachesRunningInstance() {
  QTemporaryDir dir;
  TMarkerInstanceList running(dir.path());
  TMarkerInstanceList starting(dir.path());
  QSignalSpy requests(&running, &TMarkerInstanceList::openRequested);
  QVERIFY(running.publish(ourMarker()));

  QVERIFY(!starting.sendOpenRequest({false, "Other", "TApplication"}));
  QVERIFY(starting.sendOpenRequest(starting.windowEntries().at(0)));
  QVERIFY(requests.wait(2000));
  QCOMPARE(requests.count(), 1);

  running.withdraw();
  QVERIFY(!starting.sendOpenRequest(ourMarker()));
}

void InstanceListTest::receiverMayRunANestedLoop() {
  // The receiver of a request may open a modal dialog; meanwhile the
  // requesting socket goes away. The request must not be delivered from
  // inside the socket's own handler.
  QTemporaryDir dir;
  TMarkerInstanceList running(dir.path());
  TMarkerInstanceList starting(dir.path());
  QVERIFY(running.publish(ourMarker()));
  int handled = 0;
  connect(&running, &TMarkerInstanceList::openRequested, this, [&] {
    QTest::qWait(300);
    ++handled;
  });
  QVERIFY(starting.sendOpenRequest(starting.windowEntries().at(0)));
  QTRY_COMPARE_WITH_TIMEOUT(handled, 1, 3000);
  QTest::qWait(100);
  QCOMPARE(handled, 1);
}

void InstanceListTest::unsafeFolderIsNotUsed() {
  QTemporaryDir dir;
  const QString real = dir.filePath("real");
  QVERIFY(QDir().mkdir(real));
  const QString link = dir.filePath("link");
  QVERIFY(QFile::link(real, link));
  // A link could lead a start to markers someone else placed.
  TMarkerInstanceList viaLink(link);
  QVERIFY(viaLink.folder().isEmpty());
  QVERIFY(!viaLink.publish(ourMarker()));
  QVERIFY(viaLink.windowEntries().empty());

  // An open folder of ours is closed to others before use.
  QVERIFY(QFile::setPermissions(real, QFile::Permissions(0x7777)));
  TMarkerInstanceList open(real);
  QCOMPARE(open.folder(), real);
  QCOMPARE(QFileInfo(real).permissions() & (QFile::WriteOther | QFile::WriteGroup),
           QFileDevice::Permissions{});
}

void InstanceListTest::markerWithoutSocketStillBlocks() {
  // A local socket's path is limited to about 100 bytes; a deep runtime
  // folder must not let a second copy start.
  QTemporaryDir dir;
  const QString deep = dir.filePath(QString(120, u'd'));
  TMarkerInstanceList running(deep);
  TMarkerInstanceList starting(deep);
  QVERIFY(running.publish(ourMarker()));
  QCOMPARE(starting.windowEntries().size(), std::size_t{1});
  QVERIFY(!starting.sendOpenRequest(ourMarker()));
}

void InstanceListTest::secondStartHandsOverOnlyWithoutTray() {
  QTemporaryDir dir;
  TMarkerInstanceList first(dir.path());
  QSignalSpy requests(&first, &TMarkerInstanceList::openRequested);
  QCOMPARE(startInstance(first, kExe, true), TInstanceStart::First);
  QVERIFY(QFile::exists(first.markerPath()));

  // With a tray the running copy is left alone, as the user can reach it.
  TMarkerInstanceList second(dir.path());
  QCOMPARE(startInstance(second, "/elsewhere/TORVELLE", false), TInstanceStart::AnotherRuns);
  QVERIFY(second.markerPath().isEmpty());
  QTest::qWait(50);
  QCOMPARE(requests.count(), 0);

  QCOMPARE(startInstance(second, kExe, true), TInstanceStart::AnotherRuns);
  QVERIFY(requests.wait(2000));
  QCOMPARE(requests.count(), 1);

  first.withdraw();
  QCOMPARE(startInstance(second, kExe, true), TInstanceStart::First);
}

QTEST_GUILESS_MAIN(InstanceListTest)
#include "InstanceListTest.moc"
