#include <QAction>
#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>

#include "ShellFixture.h"
#include "shell/MainForm.h"
#include "shell/Options.h"
#include "shell/ToolsForm.h"
#include "shell/TrayNotifyIcon.h"
#include "shell/WindowPlacement.h"
#include "store/TableSet.h"
#include "support/ProfileFile.h"

using torvelle::shell::TOptions;
using torvelle::shell::TToolsForm;

class ToolsFormTest : public QObject {
  Q_OBJECT
 private slots:
  void checkBoxesApplyAndStoreAtOnce();
  void loadingWritesNothing();
  void optionsObjectIsTheOneCopy();
  void autoStartEntryFollowsTheBox();
  void closingUpdatesTheMinimiseButton();
  void windowButtonsCentreAndResize();
  void packingKeepsEachTablesOpenState();
  void failedSettingsWriteIsReported();
};

void ToolsFormTest::checkBoxesApplyAndStoreAtOnce() {
  ShellFixture f;
  QVERIFY(f.start());
  TToolsForm& tools = *f.startup->toolsForm();
  torvelle::support::ProfileFile file(f.iniPath().toStdString());

  tools.ShowInTaskBarCB->click();
  file.reload();
  QCOMPARE(file.readString("General", "Show in TaskBar", "?"), std::string("0"));
  QVERIFY(f.main().TrayNotifyIcon().hideTask());

  tools.ShowHintsCB->click();
  file.reload();
  QCOMPARE(file.readString("General", "Show hints", "?"), std::string("0"));
  QVERIFY(!torvelle::toolkit::ToolTips::enabled());

  tools.SaveWindowPositionCB->click();
  tools.SaveWindowSizeCB->click();
  file.reload();
  QVERIFY(file.readBool("General", "Save window position", false));
  QVERIFY(file.readBool("General", "Save window size", false));
}

void ToolsFormTest::loadingWritesNothing() {
  ShellFixture f;
  f.autoStart.entry = QStringLiteral("elsewhere -h");
  const QByteArray stored =
      "[General]\nShow in TaskBar=0\nShow hints=0\nSave window position=1\n"
      "Save window size=0x1\nLanguage=English\n";
  f.writeIni(stored);
  QVERIFY(f.start());
  TToolsForm& tools = *f.startup->toolsForm();
  QVERIFY(!f.startup->userOptions()->loading());
  QVERIFY(!tools.ShowInTaskBarCB->isChecked());
  QVERIFY(!tools.ShowHintsCB->isChecked());
  QVERIFY(tools.AutoStartCB->isChecked());
  QVERIFY(tools.SaveWindowPositionCB->isChecked());
  QVERIFY(tools.SaveWindowSizeCB->isChecked());
  QVERIFY(!torvelle::toolkit::ToolTips::enabled());
  QCOMPARE(f.ini(), stored);
  QCOMPARE(f.autoStart.entry, QStringLiteral("elsewhere -h"));
}

// A change made on the options object shows in the dialog and takes effect;
// one made in the dialog reaches the object; each is heard and stored once.
// While stored options are pushed, a control changing stores nothing.
void ToolsFormTest::optionsObjectIsTheOneCopy() {
  ShellFixture f;
  QVERIFY(f.start());
  TToolsForm& tools = *f.startup->toolsForm();
  TOptions& options = *f.startup->userOptions();
  QList<TOptions::Option> heard;
  connect(&options, &TOptions::changed, this, [&heard](TOptions::Option o) { heard << o; });
  options.setShowHints(false);
  QVERIFY(!tools.ShowHintsCB->isChecked());
  QVERIFY(!torvelle::toolkit::ToolTips::enabled());
  tools.BackupKeepSE->setValue(3);
  QCOMPARE(options.backupsToKeep(), 3);
  QCOMPARE(heard,
           (QList<TOptions::Option>{TOptions::Option::ShowHints, TOptions::Option::BackupsToKeep}));
  torvelle::support::ProfileFile file(f.iniPath().toStdString());
  QCOMPARE(file.readString("General", "Show hints", "?"), std::string("0"));
  QCOMPARE(file.readString("General", "Backups to keep", "?"), std::string("3"));

  const QByteArray before = f.ini();
  {
    const TOptions::LoadingScope loading(options);
    tools.SaveWindowSizeCB->click();
  }
  QVERIFY(!options.saveWindowSize());
  QCOMPARE(f.ini(), before);
}

void ToolsFormTest::autoStartEntryFollowsTheBox() {
  ShellFixture f;
  QVERIFY(f.start());
  TToolsForm& tools = *f.startup->toolsForm();
  QVERIFY(!tools.AutoStartCB->isChecked());
  tools.AutoStartCB->click();
  QCOMPARE(f.autoStart.entry, f.programPath() + QStringLiteral(" -h"));
  tools.AutoStartCB->click();
  QVERIFY(!f.autoStart.entry.has_value());
  // A store that cannot be written: the user is told why, and the box
  // shows the entry as it really is.
  f.autoStart.writable = false;
  tools.AutoStartCB->click();
  QVERIFY(!tools.AutoStartCB->isChecked());
  QVERIFY(!f.autoStart.entry.has_value());
  QCOMPARE(f.errors.size(), 1);
  QVERIFY(f.errors.first().contains("read-only"));
  f.autoStart.writable = true;
  tools.AutoStartCB->click();
  f.autoStart.writable = false;
  tools.AutoStartCB->click();
  QVERIFY(tools.AutoStartCB->isChecked());
  QCOMPARE(f.errors.size(), 2);
}

void ToolsFormTest::closingUpdatesTheMinimiseButton() {
  ShellFixture f;
  QVERIFY(f.start());
  TToolsForm& tools = *f.startup->toolsForm();
  QVERIFY(f.main().hasMinimizeButton());
  tools.ShowInTaskBarCB->click();
  QVERIFY(f.main().hasMinimizeButton());
  tools.show();
  QTest::keyClick(&tools, Qt::Key_Escape);
  QVERIFY(!tools.isVisible());
  QVERIFY(!f.main().hasMinimizeButton());
  QVERIFY(f.main().isVisible());
  tools.ShowInTaskBarCB->click();
  tools.done(QDialog::Accepted);
  QVERIFY(f.main().hasMinimizeButton());
}

void ToolsFormTest::windowButtonsCentreAndResize() {
  ShellFixture f;
  QVERIFY(f.start());
  TToolsForm& tools = *f.startup->toolsForm();
  const QByteArray before = f.ini();
  f.main().move(3, 4);
  f.main().resize(800, 500);
  tools.DefaultWindowSizeSB->click();
  QCOMPARE(f.main().size(), QSize(648, 474));
  const QSize screen = f.main().screen()->geometry().size();
  const QPoint centred(
      torvelle::shell::centredEdge(screen.width(), f.main().frameGeometry().width()),
      torvelle::shell::centredEdge(screen.height(), f.main().frameGeometry().height()));
  QCOMPARE(f.main().pos(), centred);
  f.main().move(3, 4);
  tools.SetWindowToCenterSB->click();
  QCOMPARE(f.main().pos(), centred);
  QCOMPARE(f.ini(), before);
}

void ToolsFormTest::packingKeepsEachTablesOpenState() {
  ShellFixture f;
  QVERIFY(f.start());
  auto& tables = f.main().Tables();
  tables.TaskTable.append();
  tables.TaskTable.setFieldText("Task", "kept");
  tables.TaskTable.post();
  tables.DatesTable.close();
  TToolsForm& tools = *f.startup->toolsForm();
  QList<int> positions;
  connect(tools.PackProgressBar, &QProgressBar::valueChanged, this,
          [&positions](int v) { positions << v; });
  tools.PackTB->trigger();
  QCOMPARE(positions, (QList<int>{1, 2, 3, 4, 5, 6, 7, 0}));
  for (auto* table : tables.openOrder()) QCOMPARE(table->isOpen(), table != &tables.DatesTable);
  QCOMPARE(tables.TaskTable.recordCount(), std::size_t{1});
  QVERIFY(f.errors.isEmpty());
}

void ToolsFormTest::failedSettingsWriteIsReported() {
  ShellFixture f;
  QVERIFY(f.start());
  TToolsForm& tools = *f.startup->toolsForm();
  // A folder where the file was: the replacement cannot be renamed into
  // place, whoever runs the test.
  QVERIFY(QFile::remove(f.iniPath()));
  QVERIFY(QDir().mkdir(f.iniPath()));
  tools.ShowHintsCB->click();
  QCOMPARE(f.errors.size(), qsizetype(1));
  QVERIFY2(f.errors.first().startsWith(QStringLiteral("Unable to write to")),
           qPrintable(f.errors.first()));
  // The effect came before the write and stays, and so does the box.
  QVERIFY(!torvelle::toolkit::ToolTips::enabled());
  QVERIFY(!tools.ShowHintsCB->isChecked());
}

QTEST_MAIN(ToolsFormTest)
#include "ToolsFormTest.moc"
