#include <QProcess>
#include <QTest>
#include <csignal>

#include "ShellFixture.h"
#include "engine/format/TableFile.h"

// A real process, ended from outside as log-out ends it, with a task half
// typed into the grid: the task and the window's place reach the disk.
class TerminationTest : public QObject {
  Q_OBJECT
 private slots:
  void termSavesTheTypedRecordAndTheSettings() {
    ShellFixture f;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(TORVELLE_TERMINATION_CHILD), {f.dir.path()});
    QVERIFY(child.waitForStarted());
    QVERIFY(child.waitForReadyRead(20000));
    QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));
    ::kill(static_cast<pid_t>(child.processId()), SIGTERM);
    QVERIFY(child.waitForFinished(20000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);

    const auto records =
        torvelle::format::TableFile::open(f.root() / "DB/Tasks/Tasks.db", {})->readAll();
    QCOMPARE(records.size(), std::size_t{1});
    QCOMPARE(std::get<std::string>(records[0][2]), std::string("Half typed"));
    const QByteArray ini = f.ini();
    QVERIFY(ini.contains("Left=21"));
    QVERIFY(ini.contains("Top=43"));
  }
};

QTEST_MAIN(TerminationTest)
#include "TerminationTest.moc"
