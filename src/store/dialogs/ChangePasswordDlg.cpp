#include "store/dialogs/ChangePasswordDlg.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <string>

#include "engine/DbError.h"
#include "engine/Session.h"
#include "store/TableSet.h"
#include "store/dialogs/DialogFrame.h"
#include "store/dialogs/PasswordDlg.h"
#include "toolkit/ErrorBox.h"

namespace torvelle::store {
namespace {

QLineEdit* passwordEdit(QWidget* parent, const char* name, int y) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QLatin1String(name));
  edit->setGeometry(120, y, 105, 22);
  edit->setMaxLength(TPasswordDlg::kMaxPasswordLength);
  edit->setEchoMode(QLineEdit::Password);
  return edit;
}

QLabel* editLabel(QWidget* parent, const char* name, const QString& text, int y, QLineEdit* buddy) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->setGeometry(8, y, 110, 22);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

TChangePasswordDlg::TChangePasswordDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ChangePasswordDlg"));
  setWindowTitle(QStringLiteral("Смена пароля"));
  makeFixedDialog(*this, 233, 145);

  OldPassEdit = passwordEdit(this, "OldPassEdit", 8);
  OldPassLabel = editLabel(this, "OldPassLabel", QStringLiteral("Старый пароль"), 8, OldPassEdit);

  PassSeparator = new QFrame(this);
  PassSeparator->setObjectName(QStringLiteral("PassSeparator"));
  PassSeparator->setFrameShape(QFrame::HLine);
  PassSeparator->setFrameShadow(QFrame::Sunken);
  PassSeparator->setGeometry(8, 34, 217, 4);

  NewPassEdit = passwordEdit(this, "NewPassEdit", 42);
  NewPassLabel = editLabel(this, "NewPassLabel", QStringLiteral("Новый пароль"), 42, NewPassEdit);
  ConfirmPassEdit = passwordEdit(this, "ConfirmPassEdit", 68);
  ConfirmPassLabel =
      editLabel(this, "ConfirmPassLabel", QStringLiteral("Подтверждение"), 68, ConfirmPassEdit);

  PasswordProgressBar = new QProgressBar(this);
  PasswordProgressBar->setObjectName(QStringLiteral("PasswordProgressBar"));
  PasswordProgressBar->setGeometry(8, 98, 217, 12);
  PasswordProgressBar->setRange(0, 7);
  PasswordProgressBar->setValue(0);
  PasswordProgressBar->setTextVisible(false);

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setGeometry(70, 116, 75, 23);
  OKButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Отмена"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  CancelButton->setGeometry(150, 116, 75, 23);

  setTabOrder(OldPassEdit, NewPassEdit);
  setTabOrder(NewPassEdit, ConfirmPassEdit);
  setTabOrder(ConfirmPassEdit, OKButton);
  setTabOrder(OKButton, CancelButton);

  // The engine's errors end here rather than in the event loop, so a failed
  // change is reported and the dialog stays as the failure left it.
  connect(OKButton, &QPushButton::clicked, this,
          [this] { toolkit::ErrorBox::guard([this] { OKButtonClick(); }); });
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  setOldPasswordEnabled(false);
  FormCreate();
}

void TChangePasswordDlg::FormCreate() {
  OldPassError = QStringLiteral("Старый пароль введен неверно");
  ConfirmPassError = QStringLiteral("Новый пароль подтвержден неверно");
}

void TChangePasswordDlg::attach(engine::Session* session, TTableSet* tables) {
  session_ = session;
  tables_ = tables;
}

void TChangePasswordDlg::setOldPasswordEnabled(bool enabled) {
  OldPassEdit->setEnabled(enabled);
  const QPalette standard = QApplication::palette(OldPassEdit);
  const QColor colour =
      standard.color(QPalette::Active, enabled ? QPalette::Base : QPalette::Button);
  QPalette palette = OldPassEdit->palette();
  palette.setColor(QPalette::Active, QPalette::Base, colour);
  palette.setColor(QPalette::Inactive, QPalette::Base, colour);
  palette.setColor(QPalette::Disabled, QPalette::Base, colour);
  OldPassEdit->setPalette(palette);
}

void TChangePasswordDlg::FormActivate() {
  if (OldPassEdit->isEnabled())
    OldPassEdit->setFocus();
  else
    NewPassEdit->setFocus();
}

void TChangePasswordDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  centreOnScreen(*this);
  FormActivate();
}

void TChangePasswordDlg::ClearEdits() {
  OldPassEdit->clear();
  NewPassEdit->clear();
  ConfirmPassEdit->clear();
}

void TChangePasswordDlg::showMessage(const QString& text) {
  if (messageBox_)
    messageBox_(this, text);
  else
    QMessageBox::warning(this, windowTitle(), text, QMessageBox::Ok);
}

void TChangePasswordDlg::OKButtonClick() {
  if (!session_ || !tables_) return;
  engine::Session& session = *session_;
  const std::string oldPassword = OldPassEdit->text().toStdString();
  const std::string newPassword = NewPassEdit->text().toStdString();

  if (OldPassEdit->isEnabled()) {
    // The session holds every text that opened the tables, so holding the
    // typed one is the proof that it is the password.
    try {
      session.removePassword(oldPassword);
    } catch (const engine::DbError&) {
      showMessage(OldPassError);
      ClearEdits();
      OldPassEdit->setFocus();
      return;
    }
    session.addPassword(oldPassword);
  }

  if (NewPassEdit->text() != ConfirmPassEdit->text()) {
    showMessage(ConfirmPassError);
    NewPassEdit->setFocus();
    ClearEdits();
    return;
  }

  session.addPassword(newPassword);
  // On a failure the tables get the old password back and the error goes on
  // to the report; the dialog stays open with the bar where it stopped.
  tables_->SetTablesPassword(newPassword, oldPassword,
                             [this](int position) { PasswordProgressBar->setValue(position); });
  if (!oldPassword.empty()) {
    try {
      session.removePassword(oldPassword);
    } catch (const engine::DbError&) {
    }
  }
  setOldPasswordEnabled(!newPassword.empty());
  accept();
  PasswordProgressBar->setValue(0);
  ClearEdits();
}

}  // namespace torvelle::store
