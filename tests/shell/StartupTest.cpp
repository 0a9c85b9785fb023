#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ModalScript.h"
#include "ShellFixture.h"
#include "shell/AboutBox.h"
#include "shell/MainForm.h"
#include "shell/SplashForm.h"
#include "shell/ToolsForm.h"
#include "shell/TrayNotifyIcon.h"
#include "store/TableSet.h"
#include "store/dialogs/PasswordDlg.h"

using torvelle::shell::TMainForm;

namespace {

bool allOpen(TMainForm& form) {
  for (auto* table : form.Tables().openOrder())
    if (!table->isOpen()) return false;
  return true;
}

ModalScript::Step typeAndAccept(const QString& text) {
  return [text](QWidget* modal) {
    auto* edit = modal->findChild<QLineEdit*>(QStringLiteral("PassEdit"));
    QVERIFY(edit);
    QTest::keyClicks(edit, text);
    modal->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
  };
}

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT
 private slots:
  void normalStartRunsStepsInOrder();
  void hiddenStartSkipsTablesAndSplash();
  void onlyExactFirstArgumentHides();
  void missingTablesAreReportedAndEndTheProgram();
  void secondInstanceCreatesNothing();
  void secondInstanceHandsOverOnlyWithoutTray();
  void passwordPromptAtStartUp();
  void threeWrongPasswordsEndTheProgram();
  void windowsAreReachableThroughSingleInstances();
  void openRequestOfAnotherStartIsQueued();
};

void StartupTest::normalStartRunsStepsInOrder() {
  ShellFixture f;
  QVERIFY(f.start());
  const QStringList expected{"create SplashForm",
                             "create PasswordDlg",
                             "progress 10",
                             "create ChangePasswordDlg",
                             "create ToolsForm",
                             "progress 20",
                             "create MoveRecToSectForm",
                             "create MoveRecOnDateForm",
                             "progress 30",
                             "progress 40",
                             "progress 50",
                             "progress 60",
                             "progress 70",
                             "progress 80",
                             "progress 90",
                             "create MainForm",
                             "progress 100",
                             "create AboutBox",
                             "destroy SplashForm"};
  QCOMPARE(f.steps, expected);
  QVERIFY(f.startup->splashShown());
  QVERIFY(allOpen(f.main()));
  QVERIFY(f.main().isVisible());
  QVERIFY(!f.startup->terminateRequested());
  // Our marker is out for the next start to find.
  QVERIFY(f.instances.published.has_value());
  QCOMPARE(QString::fromStdString(f.instances.published->title), QStringLiteral("torvelle"));
  QCOMPARE(QString::fromStdString(f.instances.published->className),
           QStringLiteral("TApplication"));
}

void StartupTest::hiddenStartSkipsTablesAndSplash() {
  ShellFixture f;
  QVERIFY(f.start({"-h"}));
  QVERIFY(!f.startup->splashShown());
  QVERIFY(f.steps.contains("progress 60"));
  QCOMPARE(f.steps.at(f.steps.indexOf("progress 60") + 1), QStringLiteral("create MainForm"));
  QVERIFY(!f.steps.contains("progress 70"));
  QVERIFY(f.steps.contains("progress 100"));
  QVERIFY(!f.main().Tables().TaskTable.isOpen());
  QVERIFY(!f.main().isVisible());
  QVERIFY(f.main().TrayNotifyIcon().iconVisible());

  // The tray opens it later, tables and all.
  f.main().TrayNotifyIconDblClick();
  QVERIFY(allOpen(f.main()));
  QVERIFY(f.main().isVisible());
}

void StartupTest::onlyExactFirstArgumentHides() {
  for (const QStringList& arguments :
       {QStringList{"-H"}, QStringList{"-hx"}, QStringList{"x", "-h"}}) {
    ShellFixture f;
    QVERIFY(f.start(arguments));
    QVERIFY2(f.main().Tables().TaskTable.isOpen(), qPrintable(arguments.join(' ')));
    QVERIFY(f.startup->splashShown());
  }
}

void StartupTest::missingTablesAreReportedAndEndTheProgram() {
  ShellFixture f(false);
  QVERIFY(f.start());
  QVERIFY(f.startup->terminateRequested());
  // Start-up still finishes, and then the loop ends at once.
  QVERIFY(f.steps.contains("progress 100"));
  QVERIFY(f.steps.contains("destroy SplashForm"));
  QVERIFY(!f.main().isVisible());
  // The user learns which table and what is wrong, and the end is a failure.
  QCOMPARE(f.errors.size(), 1);
  QVERIFY(f.errors.first().contains("Tasks.db"));
  QVERIFY(f.errors.first().contains("not found"));
  QVERIFY(f.errors.first().contains("torvelle-db check"));
  QCOMPARE(f.startup->run(), 1);
}

void StartupTest::secondInstanceCreatesNothing() {
  ShellFixture f;
  f.instances.others = {{false, "torvelle", "TApplication"}};
  QVERIFY(!f.start());
  QVERIFY(f.steps.isEmpty());
  QVERIFY(!f.startup->mainForm());
  QVERIFY(!f.instances.published.has_value());
  QVERIFY(!QFile::exists(f.iniPath()));

  // A window of that title but another class is not an instance of ours.
  ShellFixture g;
  g.instances.others = {{false, "TORVELLE", "QWidget"}};
  QVERIFY(g.start());
}

void StartupTest::secondInstanceHandsOverOnlyWithoutTray() {
  ShellFixture withTray;
  withTray.instances.others = {{false, "Torvelle", "TApplication"}};
  QVERIFY(!withTray.start());
  QVERIFY(withTray.instances.sentTo.empty());

  ShellFixture noTray;
  noTray.notifyArea.available = false;
  noTray.instances.others = {{false, "Torvelle", "TApplication"}};
  QVERIFY(!noTray.start());
  QCOMPARE(noTray.instances.sentTo.size(), std::size_t{1});
}

void StartupTest::passwordPromptAtStartUp() {
  ShellFixture f;
  protectTables(f.root(), "Secret");
  ModalScript script;
  // The prompt stands in the splash's place and has the keyboard.
  bool splashShown = true;
  bool promptActive = false;
  script.then([&](QWidget* modal) {
    splashShown = f.startup->splashForm()->isVisible();
    // Activation is delivered by the event loop; a loaded machine may lag.
    promptActive = QTest::qWaitFor(
        [&] {
          return QApplication::activeWindow() == modal &&
                 modal->isAncestorOf(QApplication::focusWidget());
        },
        2000);
    typeAndAccept("wrong")(modal);
  });
  script.then(typeAndAccept("Secret"));
  QVERIFY(f.start());
  QVERIFY(script.done());
  QVERIFY(!splashShown);
  QVERIFY(promptActive);
  QVERIFY(allOpen(f.main()));
  QCOMPARE(int(f.startup->passwordDlg()->PromptCount), 2);
  // The request marks every table protected.
  for (auto* table : f.main().Tables().openOrder()) QVERIFY(!table->NoPassword);
}

void StartupTest::threeWrongPasswordsEndTheProgram() {
  ShellFixture f;
  protectTables(f.root(), "Secret");
  ModalScript script;
  script.then(typeAndAccept("a")).then(typeAndAccept("b")).then(typeAndAccept("c"));
  // A fourth prompt would be a fault; it is answered so the test ends.
  script.then([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
  QVERIFY(f.start());
  QCOMPARE(script.answered(), 3);
  QVERIFY(f.startup->terminateRequested());
  QVERIFY(!f.main().Tables().TaskTable.isOpen());
  QVERIFY(!f.main().isVisible());
}

void StartupTest::windowsAreReachableThroughSingleInstances() {
  {
    ShellFixture f;
    QVERIFY(f.start());
    QVERIFY(f.startup->mainForm());
    QVERIFY(f.startup->toolsForm());
    QVERIFY(f.startup->aboutBox());
    // The splash is gone once the main window stands.
    QVERIFY(!f.startup->splashForm());
  }
}

void StartupTest::openRequestOfAnotherStartIsQueued() {
  ShellFixture f;
  protectTables(f.root(), "pw");
  QVERIFY(f.start({"-h"}));
  ModalScript script;
  script.then(typeAndAccept("pw"));
  // The prompt must not open inside the handler of the request itself.
  f.instances.simulateOpenRequest();
  QVERIFY(!f.main().isVisible());
  QCOMPARE(script.answered(), 0);
  QTRY_VERIFY(f.main().isVisible());
  QVERIFY(script.done());
  QVERIFY(allOpen(f.main()));
}

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
