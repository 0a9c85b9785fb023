#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "engine/ShippedTables.h"

// The real program as a user starts it: its command line, and where a copy
// without tables beside it keeps its data.
class CommandLineTest : public QObject {
  Q_OBJECT
 private slots:
  void answersAndRefusalsEndAtOnce();
  void anInstallKeepsItsDataInTheUsersFolder();
  void theBuildFolderHoldsTheTablesAndEveryShippedLanguage();
};

namespace {

struct Run {
  int code = -1;
  QString out, err;
};

Run runProgram(const QStringList& arguments) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  // No display at all: these must end before any window is made.
  env.remove(QStringLiteral("DISPLAY"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(TORVELLE_PROGRAM), arguments);
  if (!p.waitForFinished(10000)) p.kill();
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          QString::fromLocal8Bit(p.readAllStandardOutput()),
          QString::fromLocal8Bit(p.readAllStandardError())};
}

}  // namespace

void CommandLineTest::answersAndRefusalsEndAtOnce() {
  Run r = runProgram({QStringLiteral("--version")});
  QCOMPARE(r.code, 0);
  QVERIFY2(r.out.startsWith(QStringLiteral("torvelle 0.")), qPrintable(r.out));

  r = runProgram({QStringLiteral("-h"), QStringLiteral("--help")});
  QCOMPARE(r.code, 0);
  QVERIFY2(r.out.contains(QStringLiteral("--data DIR")), qPrintable(r.out));
  QVERIFY2(r.out.contains(QStringLiteral("-h ")), qPrintable(r.out));

  r = runProgram({QStringLiteral("--hidden")});
  QCOMPARE(r.code, 2);
  QVERIFY2(r.err.contains(QStringLiteral("hidden")), qPrintable(r.err));
  QVERIFY(r.out.isEmpty());

  r = runProgram({QStringLiteral("--data")});
  QCOMPARE(r.code, 2);
  QVERIFY2(r.err.contains(QStringLiteral("data")), qPrintable(r.err));
}

void CommandLineTest::anInstallKeepsItsDataInTheUsersFolder() {
  QTemporaryDir dir;
  QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("bin")));
  const QString program = dir.filePath(QStringLiteral("bin/torvelle"));
  QVERIFY(QFile::copy(QStringLiteral(TORVELLE_PROGRAM), program));
  QDir(dir.path()).mkpath(QStringLiteral("run"));
  QFile::setPermissions(dir.filePath(QStringLiteral("run")),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("run")));
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
  env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("share")));

  // Started twice, one after the other: the first start makes the tables
  // and settings, the second finds them, and the program's folder gets none.
  const QString data = dir.filePath(QStringLiteral("share/torvelle"));
  for (int start = 0; start < 2; ++start) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, {});
    QVERIFY(p.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data + QStringLiteral("/torvelle.ini")), 15000);
    QTest::qWait(300);
    QCOMPARE(p.state(), QProcess::Running);
    p.terminate();
    if (!p.waitForFinished(5000)) p.kill();
  }
  QVERIFY(QFile::exists(data + QStringLiteral("/DB/Tasks/Tasks.db")));
  const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                      QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
  for (const QString& path :
       {data, data + QStringLiteral("/torvelle.ini"), data + QStringLiteral("/DB/Tasks/Tasks.db")})
    QVERIFY2(!(QFile::permissions(path) & others), qPrintable(path));
  QCOMPARE(
      QDir(dir.filePath(QStringLiteral("bin"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
      QStringList{QStringLiteral("torvelle")});
}

// The folder the run command starts the program in, as the build leaves it:
// the tables beside the program, and each shipped language with its flag.
void CommandLineTest::theBuildFolderHoldsTheTablesAndEveryShippedLanguage() {
  const QDir folder = QFileInfo(QStringLiteral(TORVELLE_PROGRAM)).dir();
  for (const auto& table : torvelle::engine::shippedTables()) {
    const QString path = folder.filePath(QString::fromStdString(table.relativePath));
    QVERIFY2(QFile::exists(path), qPrintable(path));
  }
  const QDir shipped(QStringLiteral(TORVELLE_LANGUAGES_DIR));
  const QStringList texts = shipped.entryList({QStringLiteral("*.txt")}, QDir::Files);
  QCOMPARE(texts.size(), 3);
  const auto bytes = [](const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  };
  for (const QString& text : texts) {
    const QString flag = text.chopped(4) + QStringLiteral(".bmp");
    for (const QString& name : {text, flag}) {
      const QString built = folder.filePath(QStringLiteral("Languages/") + name);
      QVERIFY2(QFile::exists(built), qPrintable(built));
      QCOMPARE(bytes(built), bytes(shipped.filePath(name)));
    }
  }
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
