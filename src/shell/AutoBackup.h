#pragma once
#include <QString>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "backup/BackupFolder.h"

namespace torvelle::shell {

// The organizer's automatic backups at start and at shut-down. A backup
// never stops the program: a failure is handed to the report once, and again
// only after a backup has succeeded in between.
class TAutoBackup {
 public:
  using Report = std::function<void(const QString& message)>;

  explicit TAutoBackup(std::filesystem::path root) : root_(std::move(root)) {}

  // `tablesOpenHere`: this program holds the tables open for writing, so it
  // is their only writer and must not wait for their locks. `passwords` are
  // the session's: a protected set whose password is not among them is left
  // for a later occasion.
  void runIfDue(backup::BackupWhen when, int keep, const std::vector<std::string>& passwords,
                bool tablesOpenHere, const Report& report);

  const std::filesystem::path& root() const { return root_; }

 private:
  std::filesystem::path root_;
  bool failureReported_ = false;
};

}  // namespace torvelle::shell
