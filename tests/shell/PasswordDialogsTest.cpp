#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "ModalScript.h"
#include "ShellFixture.h"
#include "engine/DbError.h"
#include "engine/Session.h"
#include "shell/MainForm.h"
#include "store/TableSet.h"
#include "store/dialogs/ChangePasswordDlg.h"
#include "store/dialogs/PasswordDlg.h"

using torvelle::engine::DbError;
using torvelle::store::TChangePasswordDlg;

namespace {

// How many of the seven tables open in a session that holds `passwords`.
int tablesOpening(const std::filesystem::path& root, const std::vector<std::string>& passwords) {
  torvelle::engine::Session session;
  for (const auto& p : passwords) session.addPassword(p);
  torvelle::store::TTableSet tables(session, root);
  int opened = 0;
  for (auto* table : tables.openOrder()) {
    table->setReadOnly(true);
    try {
      table->open();
      ++opened;
    } catch (const DbError& e) {
      if (e.kind() != DbError::Kind::PasswordNeeded) throw;
    }
  }
  return opened;
}

struct ChangeAttempt {
  QString oldPassword, newPassword, confirmation;
};

}  // namespace

class PasswordDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void promptOkFollowsItsText();
  void changeSetsReplacesAndRemovesThePassword();
  void changeRefusesWrongOldAndBadConfirmation();
  void oldPasswordTestAcceptsEveryTextThatWasTried();

 private:
  // Fills the boxes and presses OK; the messages shown are collected.
  static bool change(TChangePasswordDlg& dialog, const ChangeAttempt& attempt,
                     QStringList* messages = nullptr) {
    QStringList shown;
    dialog.setMessageBox([&shown](QWidget*, const QString& text) { shown << text; });
    dialog.setResult(0);
    dialog.OldPassEdit->setText(attempt.oldPassword);
    dialog.NewPassEdit->setText(attempt.newPassword);
    dialog.ConfirmPassEdit->setText(attempt.confirmation);
    dialog.OKButtonClick();
    if (messages) *messages = shown;
    return dialog.result() == QDialog::Accepted;
  }
};

void PasswordDialogsTest::promptOkFollowsItsText() {
  torvelle::store::TPasswordDlg prompt;
  QVERIFY(!prompt.OKButton->isEnabled());
  prompt.PassEdit->setText(QStringLiteral("a"));
  QVERIFY(prompt.OKButton->isEnabled());
  prompt.PassEdit->clear();
  QVERIFY(!prompt.OKButton->isEnabled());
  QCOMPARE(prompt.PassEdit->maxLength(), 15);
  QCOMPARE(prompt.PassEdit->echoMode(), QLineEdit::Password);

  // Each showing empties the box and counts.
  prompt.PassEdit->setText(QStringLiteral("left over"));
  ModalScript script;
  script.then([](QWidget* modal) {
    auto* edit = modal->findChild<QLineEdit*>(QStringLiteral("PassEdit"));
    QVERIFY(edit->text().isEmpty());
    static_cast<QDialog*>(modal)->reject();
  });
  QCOMPARE(prompt.exec(), int(QDialog::Rejected));
  QVERIFY(script.done());
  QCOMPARE(int(prompt.PromptCount), 1);
}

void PasswordDialogsTest::changeSetsReplacesAndRemovesThePassword() {
  ShellFixture f;
  QVERIFY(f.start());
  TChangePasswordDlg& dialog = *f.startup->changePasswordDlg();
  QVERIFY(!dialog.OldPassEdit->isEnabled());

  QVERIFY(change(dialog, {QString(), "One", "One"}));
  QVERIFY(dialog.OldPassEdit->isEnabled());
  QCOMPARE(dialog.PasswordProgressBar->value(), 0);
  QVERIFY(dialog.NewPassEdit->text().isEmpty());
  for (auto* table : f.main().Tables().openOrder()) {
    QVERIFY(table->isOpen());
    QVERIFY(!table->NoPassword);
  }
  QCOMPARE(tablesOpening(f.root(), {}), 0);
  QCOMPARE(tablesOpening(f.root(), {"One"}), 7);

  QVERIFY(change(dialog, {"One", "Two", "Two"}));
  QCOMPARE(tablesOpening(f.root(), {"One"}), 0);
  QCOMPARE(tablesOpening(f.root(), {"Two"}), 7);
  QCOMPARE(f.main().session().passwords(), std::vector<std::string>{"Two"});

  // Empty new boxes take the protection off all seven.
  QVERIFY(change(dialog, {"Two", "", ""}));
  QVERIFY(!dialog.OldPassEdit->isEnabled());
  QCOMPARE(tablesOpening(f.root(), {}), 7);
  for (auto* table : f.main().Tables().openOrder()) QVERIFY(table->NoPassword);
}

void PasswordDialogsTest::changeRefusesWrongOldAndBadConfirmation() {
  ShellFixture f;
  QVERIFY(f.start());
  TChangePasswordDlg& dialog = *f.startup->changePasswordDlg();
  QStringList messages;

  QVERIFY(!change(dialog, {QString(), "Abc", "abc"}, &messages));
  QCOMPARE(messages, QStringList{dialog.ConfirmPassError});
  QVERIFY(dialog.NewPassEdit->text().isEmpty() && dialog.ConfirmPassEdit->text().isEmpty());
  QCOMPARE(tablesOpening(f.root(), {}), 7);

  QVERIFY(change(dialog, {QString(), "Abc", "Abc"}));
  QVERIFY(!change(dialog, {"abc", "New", "New"}, &messages));
  QCOMPARE(messages, QStringList{dialog.OldPassError});
  QVERIFY(dialog.OldPassEdit->text().isEmpty());
  QCOMPARE(tablesOpening(f.root(), {"Abc"}), 7);
  // A refused old password leaves the session as it was.
  QCOMPARE(f.main().session().passwords(), std::vector<std::string>{"Abc"});

  QVERIFY(!change(dialog, {"Abc", "New", "Nex"}, &messages));
  QCOMPARE(messages, QStringList{dialog.ConfirmPassError});
  QVERIFY(dialog.OldPassEdit->text().isEmpty());
  QCOMPARE(tablesOpening(f.root(), {"Abc"}), 7);
  QVERIFY(f.errors.isEmpty());
}

void PasswordDialogsTest::oldPasswordTestAcceptsEveryTextThatWasTried() {
  ShellFixture f;
  protectTables(f.root(), "right");
  ModalScript script;
  for (const char* text : {"wrong", "right"})
    script.then([text](QWidget* modal) {
      QTest::keyClicks(modal->findChild<QLineEdit*>(QStringLiteral("PassEdit")), text);
      modal->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
  QVERIFY(f.start());
  TChangePasswordDlg& dialog = *f.startup->changePasswordDlg();
  QVERIFY(dialog.OldPassEdit->isEnabled());
  // The session holds both texts typed at the prompt; either counts.
  QVERIFY(change(dialog, {"wrong", "Fresh", "Fresh"}));
  QCOMPARE(tablesOpening(f.root(), {"Fresh"}), 7);
}

QTEST_MAIN(PasswordDialogsTest)
#include "PasswordDialogsTest.moc"
