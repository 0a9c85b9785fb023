#include "shell/Options.h"

#include <algorithm>
#include <utility>

#include "support/ProfileFile.h"

namespace torvelle::shell {

using support::readSetting;

TOptions::LoadingScope::LoadingScope(TOptions& options)
    : options_(options), was_(std::exchange(options.loading_, true)) {}

TOptions::LoadingScope::~LoadingScope() {
  options_.loading_ = was_;
}

TOptions::TOptions(QObject* parent) : QObject(parent) {}

void TOptions::load(support::ProfileFile& settings) {
  const LoadingScope loading(*this);
  settings_ = &settings;
  showInTaskBar_ = readSetting(settings, support::kShowInTaskBar);
  showHints_ = readSetting(settings, support::kShowHints);
  saveWindowPosition_ = readSetting(settings, support::kSaveWindowPosition);
  saveWindowSize_ = readSetting(settings, support::kSaveWindowSize);
  automaticBackups_ = readSetting(settings, support::kAutomaticBackups);
  backupWhen_ = readSetting(settings, support::kBackupWhen) == support::kBackupOnChanges
                    ? backup::BackupWhen::AfterChanges
                    : backup::BackupWhen::Daily;
  backupsToKeep_ =
      std::clamp(readSetting(settings, support::kBackupsToKeep), kFewestBackups, kMostBackups);
  reminders_ = {
      readSetting(settings, support::kRemindTasks), readSetting(settings, support::kRemindDates),
      std::clamp(readSetting(settings, support::kRemindDaysBefore), 0, kMostRemindDaysBefore)};
  for (int option = 0; option <= static_cast<int>(Option::Reminders); ++option)
    emit changed(static_cast<Option>(option));
}

template <typename T>
void TOptions::update(T& member, T value, Option option, const support::Setting<T>& setting) {
  if (member == value) return;
  member = value;
  emit changed(option);
  if (settings_) support::writeSetting(*settings_, setting, value);
}

void TOptions::setShowInTaskBar(bool on) {
  update(showInTaskBar_, on, Option::ShowInTaskBar, support::kShowInTaskBar);
}

void TOptions::setShowHints(bool on) {
  update(showHints_, on, Option::ShowHints, support::kShowHints);
}

void TOptions::setSaveWindowPosition(bool on) {
  update(saveWindowPosition_, on, Option::SaveWindowPosition, support::kSaveWindowPosition);
}

void TOptions::setSaveWindowSize(bool on) {
  update(saveWindowSize_, on, Option::SaveWindowSize, support::kSaveWindowSize);
}

void TOptions::setAutomaticBackups(bool on) {
  update(automaticBackups_, on, Option::AutomaticBackups, support::kAutomaticBackups);
}

void TOptions::setBackupWhen(backup::BackupWhen when) {
  if (backupWhen_ == when) return;
  backupWhen_ = when;
  emit changed(Option::BackupWhen);
  if (settings_)
    support::writeSetting(*settings_, support::kBackupWhen,
                          when == backup::BackupWhen::AfterChanges ? support::kBackupOnChanges
                                                                   : support::kBackupWhen.fallback);
}

void TOptions::setBackupsToKeep(int count) {
  update(backupsToKeep_, std::clamp(count, kFewestBackups, kMostBackups), Option::BackupsToKeep,
         support::kBackupsToKeep);
}

void TOptions::setRemindTasks(bool on) {
  update(reminders_.tasks, on, Option::Reminders, support::kRemindTasks);
}

void TOptions::setRemindDates(bool on) {
  update(reminders_.dates, on, Option::Reminders, support::kRemindDates);
}

void TOptions::setRemindDaysBefore(int days) {
  update(reminders_.daysBefore, std::clamp(days, 0, kMostRemindDaysBefore), Option::Reminders,
         support::kRemindDaysBefore);
}

}  // namespace torvelle::shell
