#pragma once
#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace torvelle::backup {

// The folder beside DB/ that holds the backups of a program folder.
std::filesystem::path backupFolder(const std::filesystem::path& root);

struct BackupFile {
  std::filesystem::path path;
  std::time_t created = 0;  // from the name, UTC
  bool sealed = false;
};

// The finished backups of a folder, newest first. Unfinished ones (a crash
// while writing) and foreign files are not listed.
std::vector<BackupFile> listBackups(const std::filesystem::path& folder);

struct BackupRequest {
  // The tables' master password; the archive is sealed with it when set.
  std::string password;
  int keep = 10;
  // False when the caller is the tables' only writer and holds them open:
  // then nothing changes them while the files are read.
  bool lockTables = true;
  std::chrono::milliseconds wait{10000};
  std::time_t now = std::time(nullptr);
};

// Takes a snapshot of the seven tables under `root` into a new archive in
// backupFolder(root), then thins the older ones. The archive appears under
// its final name only when it is completely on disk, and nothing is removed
// before that. Throws BackupError(Write) when it cannot be written and
// engine::DbError(Busy) when a writer keeps a table past `wait`.
std::filesystem::path makeBackup(const std::filesystem::path& root, const BackupRequest& request);

enum class BackupWhen { Daily, AfterChanges };

// Whether an automatic backup is due: there is none yet, or the newest is a
// day old (Daily) or older than the last change of a table (AfterChanges).
bool backupDue(const std::filesystem::path& root, BackupWhen when, std::time_t now);

// Removes what the thinning rule drops; returns how many went.
int thinBackups(const std::filesystem::path& folder, int keep, std::time_t now);

// Writes `data` to `path` (0600) so that it is either there in full or not at
// all: a temporary name, fsync, rename, fsync of the folder.
void writeFileDurably(const std::filesystem::path& path, std::string_view data);

// Creates a folder readable by its owner only, with any missing parents.
void makePrivateFolder(const std::filesystem::path& folder);

// The master password of the tables under `root` among `passwords`: empty
// when they are not protected; engine::DbError(PasswordNeeded) when none fits.
std::string masterPassword(const std::filesystem::path& root,
                           const std::vector<std::string>& passwords);

}  // namespace torvelle::backup
