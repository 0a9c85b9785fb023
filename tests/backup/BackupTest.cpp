#include <signal.h>
#include <sys/resource.h>

#include <set>

#include "BackupFixture.h"
#include "backup/BackupArchive.h"
#include "backup/BackupError.h"
#include "backup/BackupFolder.h"
#include "backup/Restore.h"
#include "backup/TarStream.h"
#include "backup/Thinning.h"
#include "engine/DbError.h"

namespace torvelle::backup::test {
namespace {

using engine::DbError;

// Restore gives back every byte, refuses to touch a table another writer
// holds, and the tables it replaced come back from the backup it set aside.
TEST(Backup, RestoreRoundTripsByteForByteAndCanBeUndone) {
  for (const std::string password : {"", "Ключ 7"}) {
    SCOPED_TRACE(password.empty() ? "plain" : "sealed");
    const TempDir dir;
    makeTables(dir.path(), 120);
    if (!password.empty()) protectTables(dir.path(), password);
    const auto before = tableFiles(dir.path());
    BackupRequest request;
    request.password = password;
    const fs::path archive = makeBackup(dir.path(), request);
    EXPECT_EQ(archive.string().ends_with(".sealed"), !password.empty());

    {
      format::OpenOptions options;
      options.writable = true;
      options.passwords = {password};
      const auto table = format::TableFile::open(tasksPath(dir.path()), options);
      for (int n = 120; n < 300; ++n) table->insert(taskRecord(n));
      table->remove(0);
    }
    const auto changed = tableFiles(dir.path());
    ASSERT_NE(changed, before);

    RestoreRequest restore;
    restore.passwords = {password};
    restore.setAsidePassword = password;
    {
      format::OpenOptions options;
      options.writable = true;
      options.passwords = {password};
      const auto holder = format::TableFile::open(dir / "DB/Links/Links.db", options);
      try {
        restoreBackup(archive, dir.path(), restore);
        ADD_FAILURE() << "restored over a table in use";
      } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), DbError::Kind::Busy);
        EXPECT_NE(std::string(e.what()).find("Table is busy"), std::string::npos);
      }
    }
    EXPECT_EQ(tableFiles(dir.path()), changed);
    EXPECT_EQ(listBackups(backupFolder(dir.path())).size(), 1u);

    const auto result = restoreBackup(archive, dir.path(), restore);
    EXPECT_TRUE(result.problems.empty());
    EXPECT_EQ(tableFiles(dir.path()), before);
    ASSERT_TRUE(fs::exists(result.setAside));
    EXPECT_EQ(fs::status(result.setAside).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    restore.setAside = false;
    restoreBackup(result.setAside, dir.path(), restore);
    EXPECT_EQ(tableFiles(dir.path()), changed);
    EXPECT_EQ(taskNumbers(dir.path(), password).size(), 299u);
  }
}

// Without the password a sealed archive tells nothing, and no damage to it
// gets as far as the live tables.
TEST(Backup, SealedArchiveHidesEverythingAndRefusesTampering) {
  const TempDir dir;
  makeTables(dir.path(), 3000);
  const std::string plain = torvelle::testing::readBytes(makeBackup(dir.path(), {}));
  ASSERT_NE(plain.find("Quetzal errand"), std::string::npos);
  protectTables(dir.path(), "s3cret");
  BackupRequest request;
  request.password = "s3cret";
  const std::string sealed = torvelle::testing::readBytes(makeBackup(dir.path(), request));
  ASSERT_GT(sealed.size(), 3 * 65536u);
  // Markers of five bytes or more: shorter ones turn up in random bytes by chance.
  for (const char* secret :
       {"Quetzal", "errand", "Tasks", "Phones", "MANIFEST", "DB/Tasks", "Tasks.db"})
    EXPECT_EQ(sealed.find(secret), std::string::npos) << secret;

  const auto live = tableFiles(dir.path());
  const auto backupsBefore = listBackups(backupFolder(dir.path())).size();
  const std::size_t firstChunk = 60, chunk = 65536 + 17;
  std::string flipped = sealed, cut = sealed.substr(0, sealed.size() - 100), swapped = sealed,
              saltChanged = sealed;
  flipped[sealed.size() / 2] ^= 0x01;
  std::swap_ranges(swapped.begin() + firstChunk + chunk, swapped.begin() + firstChunk + 2 * chunk,
                   swapped.begin() + firstChunk + 2 * chunk);
  saltChanged[25] ^= 0x80;
  const std::string foreign = writeTar({{"MANIFEST", "something else\n"}}, 0);
  const struct {
    const char* name;
    std::string bytes;
    std::string password;
    BackupError::Kind kind;
  } cases[] = {
      {"wrong password", sealed, "s3cret!", BackupError::Kind::Password},
      {"flipped byte", flipped, "s3cret", BackupError::Kind::Damaged},
      {"cut tail", cut, "s3cret", BackupError::Kind::Damaged},
      {"swapped blocks", swapped, "s3cret", BackupError::Kind::Damaged},
      {"changed salt", saltChanged, "s3cret", BackupError::Kind::Password},
      {"not ours", foreign, "", BackupError::Kind::Damaged},
      {"not ours either", plain.substr(0, plain.size() / 2), "", BackupError::Kind::Damaged},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path bad = dir / "bad.tar.sealed";
    torvelle::testing::writeBytes(bad, c.bytes);
    RestoreRequest restore;
    restore.passwords = {c.password};
    restore.setAsidePassword = "s3cret";
    try {
      restoreBackup(bad, dir.path(), restore);
      ADD_FAILURE() << "accepted";
    } catch (const BackupError& e) {
      EXPECT_EQ(e.kind(), c.kind) << e.what();
    }
    EXPECT_EQ(tableFiles(dir.path()), live);
  }
  EXPECT_EQ(listBackups(backupFolder(dir.path())).size(), backupsBefore);
  for (const auto& e : fs::directory_iterator(dir.path()))
    EXPECT_FALSE(e.path().filename().string().starts_with(".restore")) << e.path();
}

// A backup that does not fit is reported, leaves no part behind and takes
// nothing older with it, although thinning would keep only one.
TEST(Backup, FullDiskIsReportedAndLosesNothing) {
  const TempDir dir;
  makeTables(dir.path(), 500);
  BackupRequest request;
  request.keep = 1;
  const fs::path first = makeBackup(dir.path(), request);
  const auto live = tableFiles(dir.path());

  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 8192;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  request.now += 60;
  try {
    makeBackup(dir.path(), request);
    ADD_FAILURE() << "a backup larger than the limit was written";
  } catch (const BackupError& e) {
    EXPECT_EQ(e.kind(), BackupError::Kind::Write);
    EXPECT_NE(std::string(e.what()).find("File too large"), std::string::npos) << e.what();
  }
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);

  const auto backups = listBackups(backupFolder(dir.path()));
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(backups.front().path, first);
  EXPECT_EQ(
      std::distance(fs::directory_iterator(backupFolder(dir.path())), fs::directory_iterator()), 1);
  EXPECT_EQ(readArchive(torvelle::testing::readBytes(first), {}).tables.size(), 7u);
  EXPECT_EQ(tableFiles(dir.path()), live);
}

// Backups every six hours for a year: the newest ten stay, then one a week
// for eight weeks, then one a month; and a month's backup kept today is still
// kept a month of backups later.
TEST(Thinning, KeepsNewestThenOneAWeekThenOneAMonth) {
  constexpr std::time_t kHour = 3600, kDay = 24 * kHour;
  const std::time_t start = 1767225600;  // 2026-01-01 00:00 UTC
  std::vector<std::time_t> times;
  for (std::time_t t = start; t < start + 365 * kDay; t += 6 * kHour) times.push_back(t);
  const auto survivors = [](const std::vector<std::time_t>& all, std::time_t now) {
    const auto victims = thinningVictims(all, 10, now);
    std::vector<std::time_t> kept;
    for (std::size_t i = 0; i < all.size(); ++i)
      if (!std::binary_search(victims.begin(), victims.end(), i)) kept.push_back(all[i]);
    return kept;
  };
  const std::time_t now = times.back();
  const auto kept = survivors(times, now);
  ASSERT_GE(kept.size(), 10u);
  EXPECT_TRUE(std::equal(times.end() - 10, times.end(), kept.end() - 10));
  std::set<long long> weeks, months;
  int older = 0;
  for (auto it = kept.begin(); it != kept.end() - 10; ++it) {
    if (now - *it < 56 * kDay) {
      EXPECT_TRUE(weeks.insert(*it / (7 * kDay)).second) << "two in one week";
    } else {
      std::tm tm{};
      gmtime_r(&*it, &tm);
      EXPECT_TRUE(months.insert(tm.tm_year * 12 + tm.tm_mon).second) << "two in one month";
      ++older;
    }
  }
  EXPECT_GE(weeks.size(), 7u);
  EXPECT_GE(older, 10);

  std::vector<std::time_t> later = kept;
  for (std::time_t t = now + 6 * kHour; t < now + 31 * kDay; t += 6 * kHour) later.push_back(t);
  const auto keptLater = survivors(later, later.back());
  for (const auto t : kept) {
    if (now - t >= 56 * kDay) {
      EXPECT_TRUE(std::binary_search(keptLater.begin(), keptLater.end(), t)) << t;
    }
  }
}

}  // namespace
}  // namespace torvelle::backup::test
