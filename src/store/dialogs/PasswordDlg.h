#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace torvelle::store {

// The prompt shown when a protected table is opened. It counts its showings
// so that one opening of the tables asks at most three times.
class TPasswordDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kMaxPasswordLength = 15;

  explicit TPasswordDlg(QWidget* parent = nullptr);

  // Showings since the open-from-tray operation last reset it.
  unsigned char PromptCount = 0;

  QLabel* PassEditLabel;
  QLineEdit* PassEdit;
  QPushButton* OKButton;
  QPushButton* CancelButton;

  void FormActivate();
  void PassEditChange();

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace torvelle::store
