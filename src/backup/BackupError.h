#pragma once
#include <stdexcept>
#include <string>

namespace torvelle::backup {

// A backup that cannot be written or an archive that cannot be restored. The
// message is for the user; nothing has been replaced when it is thrown.
class BackupError : public std::runtime_error {
 public:
  enum class Kind {
    Write,     // the archive could not be written (full disk, no permission)
    Password,  // no password given opens the archive
    Damaged,   // truncated, altered, or not one of ours
    Check,     // the restored tables do not pass the check
  };

  BackupError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
  Kind kind() const noexcept { return kind_; }

 private:
  Kind kind_;
};

}  // namespace torvelle::backup
