#pragma once
#include <QObject>

#include "backup/BackupFolder.h"
#include "books/ReminderRules.h"
#include "support/SettingsDefaults.h"

namespace torvelle::support {
class ProfileFile;
}

namespace torvelle::shell {

// The user's options while the program runs: the one copy that everything
// reads. The options dialog edits it; the main window, the tasks page, the
// reminders and the backups read it or listen to `changed`.
//
// A change takes effect first (`changed` is emitted) and is then written to
// the settings file at once. A failed write throws after the effect, so the
// new value stays in force for this run. Setting the value an option already
// has does nothing.
class TOptions : public QObject {
  Q_OBJECT
 public:
  enum class Option {
    ShowInTaskBar,
    ShowHints,
    SaveWindowPosition,
    SaveWindowSize,
    AutomaticBackups,
    BackupWhen,
    BackupsToKeep,
    Reminders,  // any of the three reminder options
  };
  Q_ENUM(Option)

  // The ranges the dialog offers; a stored number outside is pulled in.
  static constexpr int kFewestBackups = 1;
  static constexpr int kMostBackups = 999;
  static constexpr int kMostRemindDaysBefore = 30;

  // Holds loading() true for its life. Whoever pushes the stored options
  // into the program holds one; scopes may nest.
  class LoadingScope {
   public:
    explicit LoadingScope(TOptions& options);
    ~LoadingScope();
    LoadingScope(const LoadingScope&) = delete;
    LoadingScope& operator=(const LoadingScope&) = delete;

   private:
    TOptions& options_;
    bool was_;
  };

  // Every option at its fallback; nothing is stored before load().
  explicit TOptions(QObject* parent = nullptr);

  // Takes every option from `settings` and announces each with `changed`,
  // with loading() true meanwhile; writes nothing. Later changes are stored
  // in `settings`, which must outlive this object or unbind().
  void load(support::ProfileFile& settings);
  // Later changes stay in memory only: the settings file is going away.
  void unbind() { settings_ = nullptr; }

  // True while stored options are pushed in: whatever shows or applies an
  // option must then neither store it nor act on it as on a user's choice.
  bool loading() const { return loading_; }

  bool showInTaskBar() const { return showInTaskBar_; }
  bool showHints() const { return showHints_; }
  bool saveWindowPosition() const { return saveWindowPosition_; }
  bool saveWindowSize() const { return saveWindowSize_; }
  bool automaticBackups() const { return automaticBackups_; }
  backup::BackupWhen backupWhen() const { return backupWhen_; }
  int backupsToKeep() const { return backupsToKeep_; }
  const books::ReminderOptions& reminders() const { return reminders_; }

  void setShowInTaskBar(bool on);
  void setShowHints(bool on);
  void setSaveWindowPosition(bool on);
  void setSaveWindowSize(bool on);
  void setAutomaticBackups(bool on);
  void setBackupWhen(backup::BackupWhen when);
  // Pulled into the range the dialog offers, as are the days before.
  void setBackupsToKeep(int count);
  void setRemindTasks(bool on);
  void setRemindDates(bool on);
  void setRemindDaysBefore(int days);

 signals:
  void changed(TOptions::Option option);

 private:
  template <typename T>
  void update(T& member, T value, Option option, const support::Setting<T>& setting);

  support::ProfileFile* settings_ = nullptr;
  bool loading_ = false;
  bool showInTaskBar_ = support::kShowInTaskBar.fallback;
  bool showHints_ = support::kShowHints.fallback;
  bool saveWindowPosition_ = support::kSaveWindowPosition.fallback;
  bool saveWindowSize_ = support::kSaveWindowSize.fallback;
  bool automaticBackups_ = support::kAutomaticBackups.fallback;
  backup::BackupWhen backupWhen_ = backup::BackupWhen::Daily;
  int backupsToKeep_ = support::kBackupsToKeep.fallback;
  books::ReminderOptions reminders_{support::kRemindTasks.fallback, support::kRemindDates.fallback,
                                    support::kRemindDaysBefore.fallback};
};

}  // namespace torvelle::shell
