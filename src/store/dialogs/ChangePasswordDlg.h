#pragma once
#include <QDialog>
#include <QString>
#include <functional>

class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace torvelle::engine {
class Session;
}

namespace torvelle::store {

class TTableSet;

// Sets, changes or removes the one password of the seven tables. Whether the
// old password box is enabled is the dialog's knowledge whether the tables
// have a password at all.
class TChangePasswordDlg : public QDialog {
  Q_OBJECT
  // The two messages are texts of the interface languages like any caption.
  Q_PROPERTY(QString OldPassError MEMBER OldPassError)
  Q_PROPERTY(QString ConfirmPassError MEMBER ConfirmPassError)

 public:
  using MessageBox = std::function<void(QWidget* parent, const QString& text)>;

  explicit TChangePasswordDlg(QWidget* parent = nullptr);

  // The session and the tables the dialog works on; both outlive it or are
  // detached with nullptr first.
  void attach(engine::Session* session, TTableSet* tables);

  QString OldPassError;
  QString ConfirmPassError;

  QLabel* OldPassLabel;
  QLineEdit* OldPassEdit;
  QFrame* PassSeparator;
  QLabel* NewPassLabel;
  QLineEdit* NewPassEdit;
  QLabel* ConfirmPassLabel;
  QLineEdit* ConfirmPassEdit;
  QProgressBar* PasswordProgressBar;
  QPushButton* OKButton;
  QPushButton* CancelButton;

  void FormCreate();
  void FormActivate();
  // Throws what the tables throw; the OK button reports it.
  void OKButtonClick();
  void ClearEdits();

  // Enabled in the window colour when a password exists, else disabled in the
  // button face colour.
  void setOldPasswordEnabled(bool enabled);

  // How the two error messages are shown; a modal message box unless set.
  void setMessageBox(MessageBox box) { messageBox_ = std::move(box); }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void showMessage(const QString& text);

  engine::Session* session_ = nullptr;
  TTableSet* tables_ = nullptr;
  MessageBox messageBox_;
};

}  // namespace torvelle::store
