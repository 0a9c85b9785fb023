#pragma once
#include <QDialog>
#include <QString>

class QAction;
class QCheckBox;
class QComboBox;
class QSpinBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QSpinBox;
class QPushButton;
class QToolBar;

namespace torvelle::platform {
class TAutoStartStore;
}

namespace torvelle::store {
class TChangePasswordDlg;
class TTableSet;
}  // namespace torvelle::store

namespace torvelle::shell {

class TOptions;
class TRestoreDlg;

// The options dialog. Its controls show the options object and edit it: each
// click takes effect and is stored at once. What concerns the main window
// (its place and size, the restore, the closing) is said by signals.
class TToolsForm : public QDialog {
  Q_OBJECT
  // Messages the language table sets; %1 is the system's reason.
  Q_PROPERTY(QString AutoStartOnError MEMBER AutoStartOnError)
  Q_PROPERTY(QString AutoStartOffError MEMBER AutoStartOffError)
 public:
  QString AutoStartOnError =
      QStringLiteral("Не удалось включить запуск программы при входе в систему. %1");
  QString AutoStartOffError =
      QStringLiteral("Не удалось отключить запуск программы при входе в систему. %1");

  // `programPath` is what the log-on start entry runs. `options` must
  // outlive the dialog.
  TToolsForm(TOptions& options, platform::TAutoStartStore& autoStart, QString programPath,
             QWidget* parent = nullptr);

  // The tables to pack and the change-password dialog, once they exist;
  // null when they go.
  void attach(store::TTableSet* tables, store::TChangePasswordDlg* changePasswordDlg);

  QToolBar* ToolsTB;
  QAction* PasswordTB;
  QAction* Sep1;
  QAction* PackTB;
  QProgressBar* PackProgressBar;
  QCheckBox* ShowInTaskBarCB;
  QCheckBox* ShowHintsCB;
  QCheckBox* AutoStartCB;
  QGroupBox* WindowGB;
  QCheckBox* SaveWindowPositionCB;
  QCheckBox* SaveWindowSizeCB;
  QPushButton* SetWindowToCenterSB;
  QPushButton* DefaultWindowSizeSB;
  // Below the designed controls: automatic backups and restore.
  QGroupBox* BackupGB;
  QCheckBox* AutoBackupCB;
  QComboBox* BackupWhenCoB;  // 0: once a day, 1: after changes
  QSpinBox* BackupKeepSE;
  QPushButton* RestoreSB;
  TRestoreDlg* RestoreDlg;
  QCheckBox* RemindTasksCB;
  QCheckBox* RemindDatesCB;
  QLabel* RemindDaysBeforeLabel;
  QSpinBox* RemindDaysBeforeSE;

  bool AutoStartEnabled() const;
  // Sizes the dialog to its texts, never below its designed size; again
  // after the texts changed.
  void fitToTexts();

  void ShowInTaskBarCBClick();
  void ShowHintsCBClick();
  void AutoStartCBClick();
  void SaveWindowPositionCBClick();
  void SaveWindowSizeCBClick();
  void SetWindowToCenterSBClick();
  void DefaultWindowSizeSBClick();
  void RemindTasksCBClick();
  void RemindDatesCBClick();
  void RemindDaysBeforeSEChange();
  void PasswordTBClick();
  void AutoBackupCBClick();
  void BackupWhenCoBChange();
  void BackupKeepSEChange();
  void RestoreSBClick();
  // Throws what packing throws; the button reports it.
  void PackTBClick();
  void FormClose();

  // Every way of closing comes through here: OK, Esc, the close box.
  void done(int result) override;

 signals:
  // The window buttons: the main window to the middle of the screen, or to
  // its designed size and then to the middle.
  void centreWindowRequested();
  void defaultWindowSizeRequested();
  // The restore button: the owner runs RestoreDlg over its tables.
  void restoreRequested();
  // Before the dialog closes, however it closes.
  void closing();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void createBackupControls();
  void connectControls();
  // The controls follow the options; while loading the auto-start box
  // reads the log-on entry too.
  void showOptions();

  TOptions& options_;
  platform::TAutoStartStore& autoStart_;
  QString programPath_;
  store::TTableSet* tables_ = nullptr;
  store::TChangePasswordDlg* changePasswordDlg_ = nullptr;
};

}  // namespace torvelle::shell
