#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "BackupFixture.h"
#include "Spawn.h"
#include "backup/BackupArchive.h"
#include "backup/BackupFolder.h"
#include "backup/Restore.h"

namespace torvelle::backup::test {
namespace {

bool finished(pid_t pid, int* status) {
  return waitpid(pid, status, WNOHANG) == pid;
}

// Backups taken while another process adds records in bursts of seven, each
// burst under one writable open: every snapshot restores to tables that pass
// the check and hold records 0..k-1 for a k between bursts.
TEST(BackupProcess, SnapshotWhileAnotherProcessWritesIsOneMomentOfTheWriter) {
  const TempDir dir;
  makeTables(dir.path(), 0);
  const pid_t writer =
      spawnQuiet({BACKUP_WRITER, tasksPath(dir.path()).string(), "0", "7", "1400"});
  BackupRequest request;
  request.keep = 100000;
  int status = 0;
  while (!finished(writer, &status)) {
    ++request.now;
    makeBackup(dir.path(), request);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  int during = 0;
  for (const auto& b : listBackups(backupFolder(dir.path()))) {
    SCOPED_TRACE(b.path.string());
    const TempDir copy;
    RestoreRequest restore;
    restore.setAside = false;
    const auto result = restoreBackup(b.path, copy.path(), restore);
    EXPECT_TRUE(result.problems.empty()) << result.problems.front();
    const auto numbers = taskNumbers(copy.path());
    EXPECT_EQ(numbers.size() % 7, 0u);
    for (std::size_t i = 0; i < numbers.size(); ++i) ASSERT_EQ(numbers[i], static_cast<int>(i));
    if (!numbers.empty() && numbers.size() < 1400) ++during;
  }
  EXPECT_GT(during, 0) << "no backup was taken while the writer wrote";
}

bool partialArchiveIn(const fs::path& folder) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.path().extension() == ".part") return true;
  return false;
}

// torvelle-db backup killed while it writes the archive (the moment its
// temporary file appears) and at instants spread over its run: the backups
// folder lists only whole archives, and the next backup still succeeds.
TEST(BackupProcess, KillDuringBackupLeavesNoHalfArchive) {
  const TempDir dir;
  makeTables(dir.path(), 20000);
  const fs::path folder = backupFolder(dir.path());
  const auto timed = std::chrono::steady_clock::now();
  const pid_t once = spawnQuiet({TORVELLE_DB_TOOL, "backup", dir.path().string()});
  int status = 0;
  waitpid(once, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const auto took = std::chrono::steady_clock::now() - timed;

  int killedWhileWriting = 0;
  for (int i = 0; i < 12; ++i) {
    const pid_t tool = spawnQuiet({TORVELLE_DB_TOOL, "backup", dir.path().string()});
    if (i % 2 == 0) {
      while (!partialArchiveIn(folder) && !finished(tool, &status))
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    } else {
      std::this_thread::sleep_for(took * i / 12);
    }
    const bool writing = partialArchiveIn(folder);
    if (kill(tool, SIGKILL) == 0) {
      waitpid(tool, &status, 0);
      if (writing && WIFSIGNALED(status)) ++killedWhileWriting;
    }
    for (const auto& b : listBackups(folder)) {
      SCOPED_TRACE(b.path.string());
      EXPECT_EQ(readArchive(torvelle::testing::readBytes(b.path), {}).tables.size(), 7u);
    }
    // So that the next run's temporary file is told from this one's.
    for (const auto& e : fs::directory_iterator(folder))
      if (e.path().extension() == ".part") fs::remove(e.path());
  }
  EXPECT_GT(killedWhileWriting, 0) << "no kill landed while an archive was written";
  EXPECT_NO_THROW(makeBackup(dir.path(), {}));
}

}  // namespace
}  // namespace torvelle::backup::test
