#include "shell/AutoBackup.h"

#include <chrono>
#include <ctime>

#include "backup/BackupError.h"
#include "engine/DbError.h"

namespace torvelle::shell {

void TAutoBackup::runIfDue(backup::BackupWhen when, int keep,
                           const std::vector<std::string>& passwords, bool tablesOpenHere,
                           const Report& report) {
  try {
    const std::time_t now = std::time(nullptr);
    if (!backup::backupDue(root_, when, now)) return;
    backup::BackupRequest request;
    try {
      request.password = backup::masterPassword(root_, passwords);
    } catch (const engine::DbError& e) {
      // Protected tables and no password yet: the next occasion will do.
      if (e.kind() == engine::DbError::Kind::PasswordNeeded) return;
      throw;
    }
    request.keep = keep;
    request.lockTables = !tablesOpenHere;
    request.wait = std::chrono::seconds(2);
    request.now = now;
    backup::makeBackup(root_, request);
    failureReported_ = false;
  } catch (const std::exception& e) {
    if (failureReported_) return;
    failureReported_ = true;
    if (report) report(QString::fromUtf8(e.what()));
  }
}

}  // namespace torvelle::shell
