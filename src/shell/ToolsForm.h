#pragma once
#include <QDialog>
#include <QString>
#include <string_view>

#include "books/ReminderRules.h"
#include "support/SettingsDefaults.h"

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
}

namespace torvelle::shell {

class TMainForm;
class TRestoreDlg;

// The options dialog. Its check boxes are the live copy of the options:
// each click takes effect and is stored at once, and the main window reads
// them back.
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

  // `programPath` is what the log-on start entry runs.
  TToolsForm(platform::TAutoStartStore& autoStart, QString programPath, QWidget* parent = nullptr);

  // The main window and the change-password dialog, once they exist.
  void attach(TMainForm* mainForm, store::TChangePasswordDlg* changePasswordDlg);

  // Set while the main window pushes the stored options in: the check boxes
  // then neither store nor apply anything.
  bool Loading = false;

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

  // The reminder options as the controls hold them.
  books::ReminderOptions reminderOptions() const;

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

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void createBackupControls();
  void writeOption(const support::Setting<bool>& option, bool value);
  void applyReminderOptions();

  platform::TAutoStartStore& autoStart_;
  QString programPath_;
  TMainForm* mainForm_ = nullptr;
  store::TChangePasswordDlg* changePasswordDlg_ = nullptr;
};

}  // namespace torvelle::shell
