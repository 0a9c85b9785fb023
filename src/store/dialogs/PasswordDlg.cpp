#include "store/dialogs/PasswordDlg.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "store/dialogs/DialogFrame.h"

namespace torvelle::store {

TPasswordDlg::TPasswordDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PasswordDlg"));
  setWindowTitle(QStringLiteral("Охрана"));
  makeFixedDialog(*this, 233, 73);

  PassEditLabel = new QLabel(QStringLiteral("Введите пароль"), this);
  PassEditLabel->setObjectName(QStringLiteral("PassEditLabel"));
  PassEditLabel->setGeometry(8, 4, 217, 18);

  PassEdit = new QLineEdit(this);
  PassEdit->setObjectName(QStringLiteral("PassEdit"));
  PassEdit->setGeometry(8, 22, 217, 22);
  PassEdit->setMaxLength(kMaxPasswordLength);
  PassEdit->setEchoMode(QLineEdit::Password);
  PassEditLabel->setBuddy(PassEdit);

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setGeometry(70, 48, 75, 23);
  OKButton->setDefault(true);
  OKButton->setEnabled(false);

  CancelButton = new QPushButton(QStringLiteral("Отмена"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  CancelButton->setGeometry(150, 48, 75, 23);

  connect(PassEdit, &QLineEdit::textChanged, this, [this] { PassEditChange(); });
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TPasswordDlg::FormActivate() {
  PassEdit->clear();
  PassEdit->setFocus();
  // Saturates: a count that wrapped would let the prompt come back.
  if (PromptCount < 255) ++PromptCount;
}

void TPasswordDlg::PassEditChange() {
  OKButton->setEnabled(!PassEdit->text().isEmpty());
}

void TPasswordDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  centreOnScreen(*this);
  FormActivate();
}

}  // namespace torvelle::store
