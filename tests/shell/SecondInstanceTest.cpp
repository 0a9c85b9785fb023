#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "engine/ShippedTables.h"

// The real program, started twice in a private runtime folder.
class SecondInstanceTest : public QObject {
  Q_OBJECT
 private slots:
  void secondStartEndsAtOnce();
};

void SecondInstanceTest::secondStartEndsAtOnce() {
  QTemporaryDir dir;
  const QString program = dir.filePath(QStringLiteral("torvelle"));
  QVERIFY(QFile::copy(QStringLiteral(TORVELLE_PROGRAM), program));
  QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner);
  torvelle::engine::createShippedTables(dir.path().toStdString());
  QDir(dir.path()).mkpath(QStringLiteral("run"));
  QFile::setPermissions(dir.filePath(QStringLiteral("run")),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("run")));
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));

  QProcess first;
  first.setProcessEnvironment(env);
  first.start(program, {});
  QVERIFY(first.waitForStarted());
  // The first copy is up once it has written its settings file.
  QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath(QStringLiteral("torvelle.ini"))), 15000);
  QTest::qWait(300);
  QCOMPARE(first.state(), QProcess::Running);

  QProcess second;
  second.setProcessEnvironment(env);
  QElapsedTimer clock;
  clock.start();
  second.start(program, {});
  QVERIFY(second.waitForFinished(10000));
  QCOMPARE(second.exitStatus(), QProcess::NormalExit);
  QCOMPARE(second.exitCode(), 0);
  QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
  QCOMPARE(first.state(), QProcess::Running);

  first.terminate();
  if (!first.waitForFinished(5000)) first.kill();
  first.waitForFinished(2000);
}

QTEST_GUILESS_MAIN(SecondInstanceTest)
#include "SecondInstanceTest.moc"
