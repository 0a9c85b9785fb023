#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/AutoStartStore.h"
#include "platform/DesktopEntry.h"

using torvelle::platform::desktopExecArguments;
using torvelle::platform::desktopExecValue;
using torvelle::platform::TXdgAutoStartStore;

namespace {

QString execLine(const QString& entryPath) {
  QFile file(entryPath);
  if (!file.open(QIODevice::ReadOnly)) return {};
  for (const QByteArray& line : file.readAll().split('\n'))
    if (line.startsWith("Exec=")) return QString::fromUtf8(line.mid(5));
  return {};
}

void writeFile(const QString& path, const QByteArray& text) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(text);
}

}  // namespace

class AutoStartStoreTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();
  void entryFollowsConfigHome();
  void writeReadRemove_data();
  void writeReadRemove();
  void execValueIsQuotedAsTheFormatRequires();
  void hiddenEntryCountsAsAbsent();
  void unwritableFolderFailsSilently();

 private:
  std::optional<QTemporaryDir> home_;
  QByteArray savedConfigHome_;
};

void AutoStartStoreTest::init() {
  home_.emplace();
  savedConfigHome_ = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(home_->path()));
}

void AutoStartStoreTest::cleanup() {
  qputenv("XDG_CONFIG_HOME", savedConfigHome_);
  home_.reset();
}

void AutoStartStoreTest::entryFollowsConfigHome() {
  QCOMPARE(TXdgAutoStartStore().entryPath(), home_->filePath("autostart/torvelle.desktop"));
  // A relative XDG_CONFIG_HOME is invalid and must be ignored.
  qputenv("XDG_CONFIG_HOME", "relative/config");
  QVERIFY(TXdgAutoStartStore().entryPath().endsWith("/.config/autostart/torvelle.desktop"));
  QVERIFY(!TXdgAutoStartStore().entryPath().startsWith("relative"));
}

void AutoStartStoreTest::writeReadRemove_data() {
  QTest::addColumn<QString>("program");
  QTest::newRow("plain") << "/usr/bin/torvelle";
  QTest::newRow("blanks and quotes") << "/opt/My Apps/\"Torvelle\" it's/torvelle";
  QTest::newRow("shell characters") << "/home/a$HOME/`x`/back\\slash/100%/t(o)r;velle";
  QTest::newRow("line break") << "/tmp/two\nlines/torvelle";
}

void AutoStartStoreTest::writeReadRemove() {
  QFETCH(QString, program);
  TXdgAutoStartStore store;
  QVERIFY(!store.exists());
  QVERIFY(store.write(program));
  QVERIFY(store.exists());
  const auto arguments = desktopExecArguments(execLine(store.entryPath()));
  QVERIFY(arguments.has_value());
  QCOMPARE(*arguments, QStringList({program, "-h"}));

  QVERIFY(store.remove());
  QVERIFY(!store.exists());
  QVERIFY(!QFile::exists(store.entryPath()));
  QVERIFY(store.remove());  // already gone: no error
}

void AutoStartStoreTest::execValueIsQuotedAsTheFormatRequires() {
  // Written out by hand from the desktop-entry rules, not by the code.
  QCOMPARE(desktopExecValue({"/usr/bin/torvelle", "-h"}), QString("/usr/bin/torvelle -h"));
  QCOMPARE(desktopExecValue({"/opt/my apps/torvelle", "-h"}),
           QString("\"/opt/my apps/torvelle\" -h"));
  QCOMPARE(desktopExecValue({"/a\"b", "-h"}), QString("\"/a\\\\\"b\" -h"));
  QCOMPARE(desktopExecValue({"/a\\b"}), QString("\"/a\\\\\\\\b\""));
  QCOMPARE(desktopExecValue({"/a$b"}), QString("\"/a\\\\$b\""));
  QCOMPARE(desktopExecValue({"/100%/t"}), QString("/100%%/t"));
  QCOMPARE(desktopExecValue({"/it's"}), QString("\"/it's\""));
}

void AutoStartStoreTest::hiddenEntryCountsAsAbsent() {
  TXdgAutoStartStore store;
  QVERIFY(store.write("/usr/bin/torvelle"));
  writeFile(store.entryPath(),
            "[Desktop Entry]\nType=Application\nExec=torvelle -h\nHidden = true\n");
  QVERIFY(!store.exists());
  // Hidden in another group does not count.
  writeFile(store.entryPath(),
            "[Desktop Entry]\nExec=torvelle -h\n[Desktop Action x]\nHidden=true\n");
  QVERIFY(store.exists());
}

void AutoStartStoreTest::unwritableFolderFailsSilently() {
  // Root may write anywhere; a file where the folder should be stops it.
  writeFile(home_->filePath("autostart"), "not a folder");
  TXdgAutoStartStore store;
  QVERIFY(!store.write("/usr/bin/torvelle"));
  QVERIFY(!store.exists());
  QVERIFY(store.remove());
  QFile file(home_->filePath("autostart"));
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), QByteArray("not a folder"));
}

QTEST_GUILESS_MAIN(AutoStartStoreTest)
#include "AutoStartStoreTest.moc"
