#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "ModalScript.h"
#include "ShellFixture.h"
#include "backup/BackupFolder.h"
#include "shell/MainForm.h"
#include "shell/ToolsForm.h"
#include "store/TableSet.h"
#include "support/ProfileFile.h"

namespace {

ModalScript::Step answerPassword(const QString& text) {
  return [text](QWidget* modal) {
    QTest::keyClicks(modal->findChild<QLineEdit*>(QStringLiteral("PassEdit")), text);
    modal->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
  };
}

// An empty name answers a message box with its default button.
ModalScript::Step click(const char* button) {
  return [button](QWidget* modal) {
    if (!*button) return static_cast<QMessageBox*>(modal)->defaultButton()->click();
    modal->findChild<QPushButton*>(QLatin1String(button))->click();
  };
}

int failureBoxes() {
  int boxes = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("BackupFailureBox") && w->isVisible()) ++boxes;
  return boxes;
}

}  // namespace

class BackupOptionsTest : public QObject {
  Q_OBJECT
 private slots:
  void startBacksUpAndTheDialogRestores();
  void failedBackupIsReportedOnceWithoutBlocking();
};

// A protected set: the start makes a sealed backup; the restore dialog puts
// it back over a new record and keeps that state as one more backup.
void BackupOptionsTest::startBacksUpAndTheDialogRestores() {
  ShellFixture f;
  protectTables(f.root(), "pw");
  ModalScript script;
  script.then(answerPassword(QStringLiteral("pw")));
  QVERIFY(f.start());
  const auto folder = torvelle::backup::backupFolder(f.root());
  auto backups = torvelle::backup::listBackups(folder);
  QCOMPARE(backups.size(), std::size_t(1));
  QVERIFY(backups.front().sealed);
  QCOMPARE(std::filesystem::status(folder).permissions() & std::filesystem::perms::all,
           std::filesystem::perms::owner_all);

  auto& tasks = f.main().Tables().TaskTable;
  tasks.append();
  tasks.setField("Task", std::string("Errand to undo"));
  tasks.post();
  QCOMPARE(tasks.recordCount(), std::size_t(1));

  torvelle::shell::TToolsForm& tools = *f.startup->toolsForm();
  script.then(click("RestoreSB")).then(click("")).then(click("CancelSB"));
  tools.RestoreSB->click();
  QVERIFY(script.done());
  QVERIFY(f.errors.isEmpty());
  QVERIFY(tasks.isOpen());
  QCOMPARE(tasks.recordCount(), std::size_t(0));
  backups = torvelle::backup::listBackups(folder);
  QCOMPARE(backups.size(), std::size_t(2));
  f.main().RestoreFromBackup(backups.front().path, {});
  QCOMPARE(tasks.recordCount(), std::size_t(1));

  torvelle::support::ProfileFile ini(f.iniPath().toStdString());
  tools.AutoBackupCB->click();
  tools.BackupKeepSE->selectAll();
  QTest::keyClicks(tools.BackupKeepSE, QStringLiteral("3"));
  ini.reload();
  QCOMPARE(ini.readString("General", "Automatic backups", "?"), std::string("0"));
  QCOMPARE(ini.readString("General", "Backups to keep", "?"), std::string("3"));
}

// A backups folder that cannot be made: the program starts all the same and
// says so once, not again at the next occasion.
void BackupOptionsTest::failedBackupIsReportedOnceWithoutBlocking() {
  ShellFixture f;
  const QString blocker = f.dir.filePath(QStringLiteral("Backups"));
  QFile file(blocker);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("not a folder");
  file.close();
  QVERIFY(f.start());
  QVERIFY(f.main().Tables().TaskTable.isOpen());
  QCOMPARE(failureBoxes(), 1);
  f.main().close();
  QCOMPARE(failureBoxes(), 1);
  QCOMPARE(QFileInfo(blocker).size(), qint64(12));
}

QTEST_MAIN(BackupOptionsTest)
#include "BackupOptionsTest.moc"
