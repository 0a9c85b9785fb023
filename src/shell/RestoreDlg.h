#pragma once
#include <QDialog>
#include <QString>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace torvelle::shell {

// Lists the backups of the program folder, newest first, with their dates
// and record counts, and restores the one chosen. A backup made under
// another master password opens only with that password, typed here. Made
// once with the options dialog, like the other dialogs, so that the
// language reaches it.
class TRestoreDlg : public QDialog {
  Q_OBJECT
  // Set by the language table: said of a backup the passwords do not open.
  Q_PROPERTY(QString SealedNote MEMBER SealedNote)
 public:
  QString SealedNote = QStringLiteral("Защищена паролем, с которым сделана");

  // Replaces the tables by `archive`, trying `password` besides the
  // session's; returns the message for the user; throws on failure.
  using Restore =
      std::function<QString(const std::filesystem::path& archive, const std::string& password)>;

  explicit TRestoreDlg(QWidget* parent = nullptr);

  // Shows the backups of `folder`, trying `passwords` on sealed ones.
  int Execute(std::filesystem::path folder, std::vector<std::string> passwords, Restore restore);

  QTreeWidget* BackupsTV;
  QLabel* NoteLabel;
  QLineEdit* PasswordEdit;
  QPushButton* RestoreSB;
  QPushButton* CancelSB;

  // Reads every backup for its counts; the typed password is tried too.
  void FillList();
  // Failures reach the error box; the dialog stays open for another choice.
  void RestoreSBClick();

 private:
  std::vector<std::string> passwordsToTry() const;

  std::filesystem::path folder_;
  std::vector<std::string> passwords_;
  Restore restore_;
};

}  // namespace torvelle::shell
